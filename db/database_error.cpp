#include "db/database_error.h"

#include "db/shown_text.h"

namespace db {

DatabaseError::DatabaseError(const QString& message, int number, int severity, int state, int line)
    : message_(message),
      what_(message.toStdString()),
      number_(number),
      severity_(severity),
      state_(state),
      line_(line) {}

DatabaseError DatabaseError::connectionFailure(const QString& server, const QString& detail,
                                               int number, int severity, int state) {
    // The name comes from outside (Server.Dat, a branch row): quoted short and escaped.
    QString text = QStringLiteral("%1: Unable to connect to server %2.")
                       .arg(QLatin1String(kNetworkErrorFragment), shownText(server));
    if (!detail.isEmpty()) text += QLatin1Char(' ') + detail;
    DatabaseError e(text, number, severity, state);
    e.connectionFailure_ = true;
    return e;
}

void DatabaseError::appendText(const QString& text) {
    message_ += QLatin1Char(' ') + text;
    what_ = message_.toStdString();
}

DatabaseError DatabaseError::timeout(const QString& detail) {
    QString text = QLatin1String(kTimeoutFragment) + QLatin1Char('.');
    if (!detail.isEmpty()) text += QLatin1Char(' ') + detail;
    return DatabaseError(text, -2, 16, 1);
}

bool odbcStatesMeanTimeout(const QStringList& sqlStates, bool connecting) {
    return !connecting && sqlStates.contains(QStringLiteral("HYT00"));
}

bool odbcStatesMeanNetworkFailure(const QStringList& sqlStates, bool connecting) {
    bool network = false;
    for (const QString& s : sqlStates) {
        if (s == u"28000" || s == u"42000") return false;
        if (s.startsWith(QLatin1String("08")) || s == u"HYT01" || (connecting && s == u"HYT00"))
            network = true;
    }
    return network;
}

}  // namespace db
