#pragma once
// The company NWX with its print layouts (SystemForm), a folder of templates as the program's
// current directory, a PDF printer, and helpers that act on the modal windows the dialogs
// open (the preview, the journal dialog) while the test waits in exec().
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <functional>
#include <memory>

#include "data/Messages.h"
#include "printing/Fr_DocPrintForm.h"
#include "printing/Fr_DocPrintFormGLAuto.h"
#include "printing/PrintFormLibrary.h"
#include "tests/common/client_fixture.h"
#include "ui/report/Preview.h"

namespace testing_support {

// Runs `act` once on the next visible modal window of exactly class T, from the event loop
// of whatever exec() is waiting. A window that never comes fails the test and closes what is
// modal, so nothing hangs.
template <class T>
void onModal(std::function<void(T*)> act) {
    auto* timer = new QTimer;
    auto ticks = std::make_shared<int>(0);
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, act, ticks] {
        QWidget* w = QApplication::activeModalWidget();
        if (w && w->isVisible() && w->metaObject() == &T::staticMetaObject) {
            timer->stop();
            timer->deleteLater();
            act(static_cast<T*>(w));
            return;
        }
        if (++*ticks > 1500) {
            ADD_FAILURE() << "no " << T::staticMetaObject.className() << " came up";
            timer->stop();
            timer->deleteLater();
            if (w) w->close();
        }
    });
    timer->start();
}

inline QString pdfText(const QString& path) {
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
    if (!p.waitForFinished(30000) || p.exitCode() != 0) {
        ADD_FAILURE() << "pdftotext " << path.toStdString();
        return {};
    }
    return QString::fromUtf8(p.readAllStandardOutput());
}

// A report of the document: its number, the user, and the rows the layout's procedure left
// for it in PrintCall.
inline const char kDocTemplate[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<report>
  <page size="A5" left="10" top="10" right="10" bottom="10"/>
  <variable name="DocNo">''</variable>
  <variable name="UserCode">''</variable>
  <dataset name="Calls">SELECT No, DocYear, DocCode FROM PrintCall WHERE No = [DocNo] ORDER BY Id</dataset>
  <band type="ReportTitle" height="12">
    <text width="120" height="8">Document [DocNo] by [UserCode]</text>
  </band>
  <band type="MasterData" name="Call" dataset="Calls" height="8">
    <text width="120" height="8">Prepared [No] year [DocYear] code [DocCode]</text>
  </band>
</report>
)";

// The journal voucher's stand-in: the three variables the journal dialog sets.
inline const char kJournalTemplate[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<report>
  <page size="A5" left="10" top="10" right="10" bottom="10"/>
  <variable name="DocNo">''</variable>
  <variable name="DocYear">0</variable>
  <variable name="PrintCode">''</variable>
  <band type="ReportTitle" height="12">
    <text width="120" height="8">Journal [DocNo] [FORMATFLOAT('0', [DocYear] + 1)] [PrintCode]</text>
  </band>
</report>
)";

// A template whose query fails when it is prepared.
inline const char kBrokenTemplate[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<report>
  <page size="A5"/>
  <dataset name="Nothing">SELECT Missing FROM NoSuchTable</dataset>
  <band type="MasterData" name="N" dataset="Nothing" height="8">
    <text width="120" height="8">[Missing]</text>
  </band>
</report>
)";

class PrintDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        server.createConfig();
        server.createCompany(QStringLiteral("NWX"), 2026);
        server.runScript(QStringLiteral("NWX"), QStringLiteral("company/print_tables.sql"));
        db()->execute(QStringLiteral(R"(
CREATE TABLE PrintCall (Id int IDENTITY(1,1) PRIMARY KEY, No varchar(20), DocYear int, DocCode varchar(20))
)"));
        db()->execute(QStringLiteral(R"(
CREATE PROCEDURE PrepareDoc @No varchar(20), @DocYear int, @DocCode varchar(20), @NewDocNo varchar(20) OUTPUT
AS
BEGIN
    INSERT INTO PrintCall (No, DocYear, DocCode) VALUES (@No, @DocYear, @DocCode)
    SET @NewDocNo = 'N' + @No
END
)"));
        modules.dm.setDatabaseParameter(QStringLiteral("NWX"));
        modules.dm.setReportPresenter([this](const QString& text) { errorReports << text; });
        modules.config.GetCompanyConfig(QStringLiteral("NWX"));
        modules.config.UserId = 1;
        modules.config.MenuId = 1001;
        modules.config.UserCode = QStringLiteral("SOMSRI ");
        modules.config.ThaiLanguage = true;

        previousDir = QDir::currentPath();
        ASSERT_TRUE(forms.mkpath(QStringLiteral(".")));
        ASSERT_TRUE(QDir::setCurrent(forms.path()));
        QDir(forms.path()).mkpath(QStringLiteral("forms"));
        writeFile(QStringLiteral("forms/Doc.frf"), kDocTemplate);
        writeFile(QStringLiteral("forms/Broken.frf"), kBrokenTemplate);
        writeFile(QStringLiteral("forms/Label.fr3"), "library template");
        writeFile(QStringLiteral("Form_GLAuto.frf"), kJournalTemplate);
        print_library::setSearchFolders({QStringLiteral(PRINT_LIBRARY_DIR "/full")});
        libraryLog = forms.filePath(QStringLiteral("library.log"));
        qputenv("QARN_PRINT_LIBRARY_LOG", libraryLog.toUtf8());
    }
    void TearDown() override {
        QDir::setCurrent(previousDir);
        print_library::setSearchFolders({});
        qunsetenv("QARN_PRINT_LIBRARY_LOG");
    }

    std::unique_ptr<db::Connection> db() { return server.connect(QStringLiteral("NWX")); }
    QVariant value(const QString& sql) { return db()->query(sql).value(0, 0); }
    qlonglong count(const QString& sql) { return value(sql).toLongLong(); }

    void writeFile(const QString& name, const QByteArray& content) {
        QFile f(forms.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(content);
    }
    void layout(const QString& code, int order, const QString& desc, const QString& frf,
                const QString& sp = {}, const QString& preview = QStringLiteral("Y")) {
        db()->execute(QStringLiteral("INSERT INTO SystemForm (FormOrderNo, FormCode, FormDesc, "
                                     "FrfName, SpName, DocCode, DocParaName, ShowPrintPreview) "
                                     "VALUES (:Order, :Code, :Desc, :Frf, :Sp, 'DC-' + :Code, '', "
                                     ":Preview)"),
                      {{QStringLiteral("Order"), order},
                       {QStringLiteral("Code"), code},
                       {QStringLiteral("Desc"), desc},
                       {QStringLiteral("Frf"), frf},
                       {QStringLiteral("Sp"), sp},
                       {QStringLiteral("Preview"), preview}});
    }
    void autoGenGL(const char* flag) {
        db()->execute(QStringLiteral("UPDATE Config SET AutoGenGL = '%1' WHERE Id = 1")
                          .arg(QLatin1String(flag)));
        modules.dm.QConfig.reopen();
    }
    // A PDF printer for the dialog; returns the file it writes.
    QString pdfPrinter(TFrDocPrintForm& dialog, const QString& name = QStringLiteral("out.pdf")) {
        const QString path = forms.filePath(name);
        dialog.printer().setOutputFormat(QPrinter::PdfFormat);
        dialog.printer().setOutputFileName(path);
        return path;
    }
    QStringList libraryCalls() {
        QFile f(libraryLog);
        if (!f.open(QIODevice::ReadOnly)) return {};
        return QString::fromUtf8(f.readAll()).split(u'\n', Qt::SkipEmptyParts);
    }
    qlonglong logEntries(int function) {
        return count(QStringLiteral("SELECT COUNT(*) FROM UserLog WHERE FunctionListId = %1 AND "
                                    "Remark = 'DOC-001 ' AND DocumentId = 0 AND UserId = 1")
                         .arg(function));
    }
    void setDocument(TFrDocPrintForm& dialog, const QString& code) {
        dialog.DocNo = QStringLiteral("DOC-001 ");
        dialog.DocYear = 2026;
        dialog.PrintCode = code;
    }

    ClientServer server;
    DataModules modules{server};
    RecordingMessageService messages;
    ScopedMessageService useMessages{messages};
    QStringList errorReports;
    // The program's current directory, beside the server.
    QDir forms{server.folder() + QStringLiteral("/client")};
    QString previousDir;
    QString libraryLog;
};

}  // namespace testing_support
