#include "printing/PrintFormLibrary.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibrary>
#include <memory>

namespace print_library {

namespace {

#ifdef Q_OS_WIN
#define PRINT_LIBRARY_CALL __stdcall
#else
#define PRINT_LIBRARY_CALL
#endif

using DllPrintFormFn = int(PRINT_LIBRARY_CALL*)(const char16_t*, const char16_t*, const char16_t*,
                                                const char16_t*, int, int);
using DllDesignFormFn = int(PRINT_LIBRARY_CALL*)(const char16_t*, const char16_t*);

QStringList& folders() {
    static QStringList list;
    return list;
}

// The library, loaded from the first place that has it; the reasons of every place tried
// otherwise. Once loaded it stays loaded: windows it opened may still refer to it.
std::unique_ptr<QLibrary> load(QString& failure) {
    QStringList reasons;
    for (const QString& folder : searchFolders()) {
        const QString path = QDir(folder).filePath(fileName());
        if (!QFileInfo::exists(path)) continue;
        auto lib = std::make_unique<QLibrary>(path);
        if (lib->load()) return lib;
        reasons << lib->errorString();
    }
    // The system's library path (LD_LIBRARY_PATH, PATH on Windows).
    auto lib = std::make_unique<QLibrary>(QStringLiteral("QarnLibPntForm"));
    if (lib->load()) return lib;
    reasons << lib->errorString();
    failure = QStringLiteral("ไม่พบไลบรารีพิมพ์ฟอร์ม %1\nThe print library %1 cannot be loaded: %2")
                  .arg(fileName(), reasons.join(QStringLiteral("; ")));
    return nullptr;
}

template <class Fn>
Fn resolve(QLibrary& lib, const char* entry, QString& failure) {
    auto fn = reinterpret_cast<Fn>(lib.resolve(entry));
    if (!fn)
        failure = QStringLiteral(
                      "ไลบรารีพิมพ์ฟอร์ม %1 ไม่มี %2\nThe print library %1 (%3) has no "
                      "entry point %2.")
                      .arg(fileName(), QString::fromLatin1(entry), lib.fileName());
    return fn;
}

const char16_t* utf16(const QString& s) {
    return reinterpret_cast<const char16_t*>(s.utf16());
}

}  // namespace

QString fileName() {
#ifdef Q_OS_WIN
    return QStringLiteral("QarnLibPntForm.dll");
#else
    return QStringLiteral("libQarnLibPntForm.so");
#endif
}

void setSearchFolders(const QStringList& list) {
    folders() = list;
}

QStringList searchFolders() {
    if (!folders().isEmpty()) return folders();
    return {QCoreApplication::applicationDirPath()};
}

Failure printForm(const QString& database, const QString& templateName, const QString& userCode,
                  const QString& docNo, int mode) {
    QString failure;
    const std::unique_ptr<QLibrary> lib = load(failure);
    if (!lib) return {failure};
    const auto fn = resolve<DllPrintFormFn>(*lib, "DllPrintForm", failure);
    if (!fn) return {failure};
    // The copies keep the texts alive and null-terminated for the whole call.
    const QString a = database, b = templateName, c = userCode, d = docNo;
    fn(utf16(a), utf16(b), utf16(c), utf16(d), mode, 1);
    return {};
}

Failure designForm(const QString& database, const QString& templateName) {
    QString failure;
    const std::unique_ptr<QLibrary> lib = load(failure);
    if (!lib) return {failure};
    const auto fn = resolve<DllDesignFormFn>(*lib, "DllDesignForm", failure);
    if (!fn) return {failure};
    const QString a = database, b = templateName;
    fn(utf16(a), utf16(b));
    return {};
}

}  // namespace print_library
