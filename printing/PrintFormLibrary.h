#pragma once
// The external print library: layouts whose template name contains "fr3" are shown, printed
// and designed by a shared library loaded at run time, "QarnLibPntForm.dll" on Windows and
// "libQarnLibPntForm.so" elsewhere. It is looked for beside the program, then on the system's
// library path. Every string goes to it as UTF-16 (a null-terminated char16_t array).
#include <QString>
#include <QStringList>

namespace print_library {

// The library's file name on this platform.
QString fileName();

// Folders searched before the system's library path; the program's own folder unless set
// (tests point it at a stand-in library; an empty list restores the default).
void setSearchFolders(const QStringList& folders);
QStringList searchFolders();

// Why a call could not be made: the library or one of its entry points is missing. The text
// names the library (and the entry point) for the user.
struct Failure {
    QString message;
};

// DllPrintForm(company database, template name as stored, user code, document number, mode,
// 1); mode 1 prints, 0 previews. Returns when the library is done; its result is not read.
// Returns the failure, or an empty message when the call was made.
Failure printForm(const QString& database, const QString& templateName, const QString& userCode,
                  const QString& docNo, int mode);
// DllDesignForm(company database, template name): the library's designer.
Failure designForm(const QString& database, const QString& templateName);

}  // namespace print_library
