#pragma once
// Outside input (a command-line parameter, the line of "Server.Dat", a server's name) as an
// error message or a label shows it. Such input may be of any length and hold any bytes; what
// is shown of it must stay short and readable, and cost no more than what is shown. It lives
// here, in the lowest layer with Qt, because the connection errors quote server names too.
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace db {

// Characters shown of one piece of outside input before it is cut.
inline constexpr qsizetype kShownTextLimit = 80;

// The text with control and invisible formatting characters escaped ("\n", "\t", "\x1B",
// "\u202E"), cut after `limit` characters with "..." and its full length:
// "1111...(3000 characters)". Only the shown part is read. Backslashes stay as they are:
// "HOST\INSTANCE" is a server name users write.
QString shownText(QStringView text, qsizetype limit = kShownTextLimit);

// The same for raw bytes: UTF-8 sequences are shown as their characters, every byte that is
// not part of one as "\xNN". The length given when cut is in bytes.
QString shownBytes(QByteArrayView bytes, qsizetype limit = kShownTextLimit);

// A message on one line: each run of line breaks becomes one blank, blanks around it go, and
// the rest is shown as shownText shows it (at most `limit` characters).
QString oneLine(QStringView message, qsizetype limit = 2000);

}  // namespace db
