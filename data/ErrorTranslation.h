#pragma once
// What the program's one error handler makes of an error that reached the event loop: the
// message written to the configuration database's error log, and the report text shown in the
// error report dialog, with a Thai explanation in front of the server messages it recognises.
#include <QString>
#include <exception>
#include <span>

// One row of the translation table: a fragment of a server or runtime message and the Thai
// explanation shown for it.
struct ErrorTranslationRow {
    const char* fragment;  // ASCII
    const char* message;   // UTF-8
};

// The table, in the order it is tested.
std::span<const ErrorTranslationRow> errorTranslationTable();

// Kept with the table but matched by no message: the advice for a workstation short of memory.
inline constexpr char kLowMemoryMessage[] = "หน่วยความจำ RAM ไม่พอ , กรุณาปิดโปรแกรมอื่นที่ไม่ได้ใช้งาน !!!";

// The text with the ASCII letters a-z in upper case; every other character is kept as it is.
QString asciiUpperCase(const QString& text);

// The Thai explanation of the first table row whose fragment occurs anywhere in the message,
// both compared in ASCII upper case; "" when no row matches.
QString errorTranslation(const QString& message);

// What the error report dialog shows: the explanation (possibly empty), a carriage return,
// the message in ASCII upper case and a carriage return.
QString errorReportText(const QString& message);

// The error on one line for printed output (unattended runs, standard error): the Thai
// explanation when there is one, a blank, then the message as written; line breaks become
// blanks, control characters are escaped and a very long message is cut.
QString errorLine(const QString& message);

// The error's message as written, unchanged, to the error log: a database error's own text,
// otherwise what() read as UTF-8.
QString errorMessageOf(const std::exception& error);

// The mail of "Send Error": the body "[User = <user code>] ", CR, "Local IP = <address>", CR,
// then the report text; the subject "Error <company code> <menu caption>". Codes and caption
// are trimmed.
QString errorMailBody(const QString& userCode, const QString& localIPAddress,
                      const QString& reportText);
QString errorMailSubject(const QString& companyCode, const QString& menuCaption);
