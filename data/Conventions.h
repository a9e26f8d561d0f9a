#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QVariant>

// The short date format of the whole program: two-digit day, two-digit month, four-digit
// year, separated by "/" (the separator of the Thai Windows installations it was set up on).
// Every date shown or typed as text without a format of its own uses it; date editors take
// it as their display format. Notation of QDate::toString.
inline constexpr char kShortDateFormat[] = "dd/MM/yyyy";
// A date and time shown as text: the short date, then hours, minutes and seconds (24-hour).
inline constexpr char kDateTimeFormat[] = "dd/MM/yyyy HH:mm:ss";

// "" for a null or invalid date.
QString formatDate(const QDate& date);
// The date part only.
QString formatDate(const QDateTime& dateTime);
QString formatDateTime(const QDateTime& dateTime);

// Reads exactly DD/MM/YYYY (blanks around it are allowed): "1/2/2024", "01-02-2024" and
// "31/02/2024" give an invalid date.
QDate parseDate(const QString& text);
// DD/MM/YYYY, optionally followed by one blank and HH:MM or HH:MM:SS; local time.
QDateTime parseDateTime(const QString& text);

// Yes/no columns hold one character: exactly "Y" is yes. "y", "Yes", "", NULL are no.
bool isYes(const QVariant& value);
// The value a yes/no column stores.
inline QString yesNo(bool yes) {
    return yes ? QStringLiteral("Y") : QStringLiteral("N");
}

// A message text as a message box shows it. Messages mark a line break as a line feed
// followed by a carriage return ("\n\r"); the usual "\r\n" and a lone "\r" or "\n" break a
// line as well. Each becomes one "\n".
QString displayText(const QString& message);
