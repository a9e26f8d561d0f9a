#include "data/Conventions.h"

#include <QRegularExpression>

QString formatDate(const QDate& date) {
    return date.isValid() ? date.toString(QLatin1String(kShortDateFormat)) : QString();
}

QString formatDate(const QDateTime& dateTime) {
    return formatDate(dateTime.date());
}

QString formatDateTime(const QDateTime& dateTime) {
    return dateTime.isValid() ? dateTime.toString(QLatin1String(kDateTimeFormat)) : QString();
}

QDate parseDate(const QString& text) {
    // [0-9], not \d: Thai digits are not typed dates.
    static const QRegularExpression re(QStringLiteral("^([0-9]{2})/([0-9]{2})/([0-9]{4})$"));
    const QRegularExpressionMatch m = re.match(text.trimmed());
    if (!m.hasMatch()) return QDate();
    const QDate date(m.captured(3).toInt(), m.captured(2).toInt(), m.captured(1).toInt());
    return date.isValid() ? date : QDate();
}

QDateTime parseDateTime(const QString& text) {
    static const QRegularExpression re(QStringLiteral(
        "^([0-9]{2}/[0-9]{2}/[0-9]{4})(?: ([0-9]{2}):([0-9]{2})(?::([0-9]{2}))?)?$"));
    const QRegularExpressionMatch m = re.match(text.trimmed());
    if (!m.hasMatch()) return QDateTime();
    const QDate date = parseDate(m.captured(1));
    if (!date.isValid()) return QDateTime();
    if (!m.hasCaptured(2)) return QDateTime(date, QTime(0, 0));
    const QTime time(m.captured(2).toInt(), m.captured(3).toInt(),
                     m.hasCaptured(4) ? m.captured(4).toInt() : 0);
    return time.isValid() ? QDateTime(date, time) : QDateTime();
}

bool isYes(const QVariant& value) {
    return !value.isNull() && value.toString() == QLatin1String("Y");
}

QString displayText(const QString& message) {
    QString out;
    out.reserve(message.size());
    for (qsizetype i = 0; i < message.size(); ++i) {
        const QChar c = message[i];
        if (c == u'\n' || c == u'\r') {
            const QChar pair = c == u'\n' ? u'\r' : u'\n';
            if (i + 1 < message.size() && message[i + 1] == pair) ++i;
            out += u'\n';
        } else {
            out += c;
        }
    }
    return out;
}
