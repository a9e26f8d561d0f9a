#pragma once
// The workstation as the logs record it: its name, the login name of the program's user and
// its network address; and the year a date belongs to.
#include <QByteArray>
#include <QDate>
#include <QString>

// The computer's name as the operating system reports it, trimmed.
QString LocalComputerName();

// The login name of the process's user, or "Unknown" when the system cannot tell; either way
// with the ASCII letters in upper case.
QString LocalLoginName();

// The host name (at most 64 bytes) resolved to its IPv4 addresses: the dotted-decimal form of
// the last address of the list; "" when the name cannot be read or resolved.
QString LocalIPAddress();
// The same for a given host name.
QString LastIPAddressOfHost(const QByteArray& hostName);

// The calendar year of the date; 0 for an invalid date.
int YearOfDate(const QDate& date);
