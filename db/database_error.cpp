#include "db/database_error.h"

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
    QString text = QStringLiteral("%1: Unable to connect to server %2.")
                       .arg(QLatin1String(kNetworkErrorFragment), server);
    if (!detail.isEmpty()) text += QLatin1Char(' ') + detail;
    DatabaseError e(text, number, severity, state);
    e.connectionFailure_ = true;
    return e;
}

}  // namespace db
