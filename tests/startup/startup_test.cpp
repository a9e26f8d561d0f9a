// Start-up from the command line to the module screen, the data modules it creates, and the
// error handler that keeps the program going.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <algorithm>

#include "data/ErrorTranslation.h"
#include "data/Messages.h"
#include "data/Workstation.h"
#include "db/database_error.h"
#include "startup/Startup.h"
#include "tests/common/app_environment.h"
#include "tests/common/client_fixture.h"
#include "ui/Fr_ShowError.h"

namespace {

// The tests run inside the program's own application object, so an error escaping an event
// handler takes the path it takes in the program.
[[maybe_unused]] const bool chosen = testsupport::useApplication<BackOfficeApplication>();

using testing_support::ClientServer;
using testing_support::DataModules;

QStringList args(const char* menu, const char* user, const char* company, const char* module) {
    return {QString::fromUtf8(menu), QString::fromUtf8(user), QString::fromUtf8(company),
            QStringLiteral("anything"), QString::fromUtf8(module)};
}

// A table whose every module opens a plain widget, remembering which one.
ModuleTable fakeModules(int* created) {
    ModuleTable table;
    for (int no : {1, 3, 15})
        table.add(no, [no, created](const QStringList&) {
            *created = no;
            return std::make_unique<QWidget>();
        });
    return table;
}

class StartupTest : public ::testing::Test {
protected:
    void SetUp() override {
        server.createConfig();
        server.createCompany(QStringLiteral("NWX"));
        server.createCompany(QStringLiteral("BR0001"));
    }

    StartupOutcome start(const QStringList& arguments) {
        return startModule(arguments, fakeModules(&created));
    }

    ClientServer server;
    DataModules modules{server};
    RecordingMessageService messages;
    ScopedMessageService scoped{messages};
    int created = 0;
};

TEST_F(StartupTest, OpensTheModuleScreenWithTheUsersRightsAndTheCompany) {
    const StartupOutcome outcome = start(args("1001", "1", "br0001", "1"));
    ASSERT_TRUE(outcome.screen);
    EXPECT_EQ(created, 1);
    EXPECT_TRUE(messages.messages().isEmpty());

    const TDMConfig& c = modules.config;
    EXPECT_EQ(c.ModuleNo, 1);
    EXPECT_EQ(c.MenuId, 1001);
    EXPECT_EQ(c.UserId, 1);
    EXPECT_EQ(c.MenuCaption, QStringLiteral("สั่งสินค้าสาขา"));  // trimmed
    EXPECT_EQ(c.UserCode, QStringLiteral("SOMSRI "));        // as returned
    EXPECT_EQ(c.UserFullName, QStringLiteral("สมศรี รักงาน"));
    EXPECT_TRUE(c.ThaiLanguage);
    EXPECT_TRUE(c.CanAccess);
    EXPECT_TRUE(c.CanDelete);
    EXPECT_EQ(c.CompanyCode, QStringLiteral("BR0001"));
    EXPECT_EQ(c.company(QStringLiteral("Code")).toString(), QStringLiteral("0001"));
    EXPECT_EQ(c.configDatabaseName(), QStringLiteral("QARN_CONFIG_NWX"));
    // The main database is not touched during start-up.
    EXPECT_FALSE(modules.dm.DMdata().isOpen());
}

TEST_F(StartupTest, EnglishUserWithoutDeleteRight) {
    ASSERT_TRUE(start(args("1001", "2", "NWX", "1")).screen);
    EXPECT_FALSE(modules.config.ThaiLanguage);
    EXPECT_FALSE(modules.config.CanDelete);
    EXPECT_EQ(modules.config.UserCode, QStringLiteral("JOHN"));
}

TEST_F(StartupTest, OnlyAnExactYGrantsAccess) {
    auto cfg = server.connect(QStringLiteral("QARN_CONFIG_NWX"));
    for (const char* value : {"y", "N", ""}) {
        cfg->execute(
            QStringLiteral("UPDATE UserRight SET Access_R = :V WHERE UserId = 1 AND MenuId = 1001"),
            {{QStringLiteral("V"), QString::fromLatin1(value)}});
        created = 0;
        const StartupOutcome outcome = start(args("1001", "1", "NWX", "1"));
        EXPECT_FALSE(outcome.screen) << value;
        EXPECT_EQ(outcome.exitCode, 0);
        EXPECT_EQ(created, 0);
    }
    // No screen and no message either.
    EXPECT_TRUE(messages.messages().isEmpty());
}

TEST_F(StartupTest, UnknownCompanyIsReportedAndEndsWithExitCodeZero) {
    const StartupOutcome outcome = start(args("1001", "1", "shop9", "1"));
    EXPECT_FALSE(outcome.screen);
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_EQ(messages.messages(), QStringList{QStringLiteral("Not Found Database : SHOP9")});
    // A leading blank is part of the code and is not found.
    messages.clear();
    EXPECT_FALSE(start(args("1001", "1", " NWX", "1")).screen);
    EXPECT_EQ(messages.messages(), QStringList{QStringLiteral("Not Found Database :  NWX")});
}

TEST_F(StartupTest, PickingOpensOnlyForTheDistributionCentre) {
    const QString refusal = QStringLiteral("หน้าจอนี้ใช้ได้กับ ฐานข้อมูล NWX เท่านั้น");
    EXPECT_TRUE(start(args("1003", "1", "nwx_test", "3")).screen);
    EXPECT_EQ(created, 3);
    EXPECT_TRUE(messages.messages().isEmpty());

    created = 0;
    // The company is found (the server ignores the trailing blank) but the check does not.
    EXPECT_FALSE(start(args("1003", "1", "NWX ", "3")).screen);
    EXPECT_EQ(created, 0);
    EXPECT_EQ(messages.messages(), QStringList{refusal});

    messages.clear();
    EXPECT_FALSE(start(args("1003", "1", "BR0001", "3")).screen);
    EXPECT_EQ(messages.messages(), QStringList{refusal});
}

TEST_F(StartupTest, ModuleWithoutScreenOpensNothing) {
    const StartupOutcome outcome = start(args("1001", "1", "NWX", "600"));
    EXPECT_FALSE(outcome.screen);
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_TRUE(messages.messages().isEmpty());
}

TEST_F(StartupTest, ParametersOneTwoAndFiveMustBeWholeNumbers) {
    EXPECT_THROW(start({QStringLiteral("1001")}), StartupError);
    EXPECT_THROW(start(args("1001", "1", "NWX", "")), StartupError);
    EXPECT_THROW(start(args("x", "1", "NWX", "1")), StartupError);
    EXPECT_THROW(start(args("1001", "1.5", "NWX", "1")), StartupError);
    EXPECT_THROW(start(args("1001", "1", "NWX", "99999999999")), StartupError);
    EXPECT_EQ(created, 0);
}

TEST_F(StartupTest, AParameterIsQuotedShortAndEscapedInTheError) {
    for (const QString& bad : {QString(3000, u'9'), QStringLiteral("1\x1B[2J\n")}) {
        try {
            start(args("1001", bad.toUtf8().constData(), "NWX", "1"));
            ADD_FAILURE() << "accepted a bad user id";
        } catch (const StartupError& e) {
            const QString text = QString::fromUtf8(e.what());
            EXPECT_LT(text.size(), 200) << e.what();
            EXPECT_FALSE(text.contains(u'\x1B') || text.contains(u'\n')) << e.what();
        }
    }
}

TEST_F(StartupTest, OnlyAModuleThatRunsByItselfStartsUnattended) {
    const auto unattended = [](const char* module) {
        QStringList a = args("1001", "1", "NWX", module);
        return a << QString() << QStringLiteral("--autorun");
    };
    // The fake table's screens all wait for a person.
    EXPECT_THROW(start(unattended("1")), StartupError);
    EXPECT_THROW(start(unattended("600")), StartupError);
    EXPECT_EQ(created, 0);

    ModuleTable table = fakeModules(&created);
    table.add(
        15,
        [this](const QStringList&) {
            created = 15;
            return std::make_unique<QWidget>();
        },
        true);
    EXPECT_TRUE(startModule(unattended("15"), table).screen);
    EXPECT_EQ(created, 15);
    // The flag counts after the six positional parameters only.
    EXPECT_TRUE(start(args("1001", "1", "NWX", "1") << QStringLiteral("--autorun")).screen);
    EXPECT_FALSE(autoRunRequested(args("1001", "1", "NWX", "1") << QStringLiteral("--autorun")));
}

TEST_F(StartupTest, UpgradesAnOlderConfigurationDatabaseBeforeReadingTheUser) {
    // Built from the scripts, the database lacks the columns the user query names.
    auto cfg = server.connect(QStringLiteral("QARN_CONFIG_NWX"));
    const QString columns = QStringLiteral(
        "SELECT COUNT(*) FROM SysColumns WHERE Name IN ('UserSeeImport', 'UserSeeCost', 'Version')"
        " AND Id IN (SELECT Id FROM SysObjects WHERE Name IN ('Menu', 'UserName'))");
    EXPECT_EQ(cfg->query(columns).value(0, 0).toInt(), 0);
    ASSERT_TRUE(start(args("1001", "1", "NWX", "1")).screen);
    EXPECT_EQ(cfg->query(columns).value(0, 0).toInt(), 3);
    EXPECT_EQ(cfg->query(QStringLiteral("SELECT COUNT(*) FROM Menu WHERE Version = 3"))
                  .value(0, 0)
                  .toInt(),
              3);
}

TEST(ConfigurationChoice, MasterProbeChoosesTheConfigurationDatabase) {
    ClientServer server;
    server.createConfig(QStringLiteral("QARN_CONFIG"));
    {
        DataModules modules(server);
        modules.config.CheckRight(1001, 1);
        EXPECT_EQ(modules.config.configDatabaseName(), QStringLiteral("QARN_CONFIG"));
    }
    server.createConfig(QStringLiteral("QARN_CONFIG_NWX"));
    // Only the preferred one gets a user 3.
    server.connect(QStringLiteral("QARN_CONFIG_NWX"))
        ->execute(QStringLiteral("INSERT INTO UserName (Id, Code, FullName, LanguageNo)"
                                 " VALUES (3, 'NEW', 'Newcomer', 1)"));
    DataModules modules(server);
    modules.config.CheckRight(1001, 3);
    EXPECT_EQ(modules.config.configDatabaseName(), QStringLiteral("QARN_CONFIG_NWX"));
    EXPECT_EQ(modules.config.UserFullName, QStringLiteral("Newcomer"));
}

TEST(ConfigurationChoice, WithoutAConfigurationDatabaseTheConnectFails) {
    ClientServer server;
    DataModules modules(server);
    EXPECT_THROW(modules.config.CheckRight(1001, 1), db::DatabaseError);
}

TEST(ConfigurationChoice, ServerDatFirstLineIsTakenAsItStands) {
    QTemporaryDir dir;
    EXPECT_EQ(ReadServerName(dir.path()), QString());  // no file
    EXPECT_EQ(serverNameOrDefault(dir.path()), QStringLiteral("./server"));
    QFile file(QDir(dir.path()).filePath(QStringLiteral("Server.Dat")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("SQLHOST\\NWX  \r\nsecond line\r\n");
    file.close();
    EXPECT_EQ(ReadServerName(dir.path()), QStringLiteral("SQLHOST\\NWX  "));
    const QStringList list = db::connectionParameterList(
        QStringLiteral("NWX"), ReadServerName(dir.path()), kMainQueryTime);
    EXPECT_TRUE(list.contains(QStringLiteral("SERVER NAME=SQLHOST\\NWX  ")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("\r\nignored\r\n");
    file.close();
    EXPECT_EQ(serverNameOrDefault(dir.path()), QStringLiteral("./server"));
}

TEST(ConfigurationChoice, ServerDatThatCannotNameAServerIsRefusedAndQuotedShort) {
    QTemporaryDir dir;
    QFile file(QDir(dir.path()).filePath(QStringLiteral("Server.Dat")));
    const auto write = [&](const QByteArray& content) {
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
        file.close();
    };
    const auto errorOf = [&]() -> QString {
        try {
            ReadServerName(dir.path());
        } catch (const std::runtime_error& e) {
            return QString::fromUtf8(e.what());
        }
        return QStringLiteral("(accepted)");
    };
    // A large file on one line: refused, and only its beginning quoted.
    write(QByteArray(30'000'000, 'x'));
    QString error = errorOf();
    EXPECT_TRUE(error.contains(QStringLiteral("longer than 4096 bytes"))) << error.toStdString();
    EXPECT_LT(error.size(), 300);
    // Binary data: every byte visible, none raw.
    write(
        QByteArray("\x7F"
                   "ELF\x02\x01\x01\0\0\xFF\xFE\r\nrest",
                   17));
    error = errorOf();
    EXPECT_TRUE(error.contains(QStringLiteral("\\x7FELF\\x02\\x01\\x01\\x00\\x00\\xFF\\xFE")))
        << error.toStdString();
    EXPECT_FALSE(std::any_of(error.begin(), error.end(), [](QChar c) { return c < u' '; }));
    // The longest name there may be is still read as it stands.
    const QByteArray longest = "/" + QByteArray(kServerNameMaxBytes - 1, 'd');
    write(longest + "\r\n");
    EXPECT_EQ(ReadServerName(dir.path()), QString::fromLatin1(longest));
}

// ---- the main data module --------------------------------------------------------------------

class MainDataModuleTest : public ::testing::Test {
protected:
    void SetUp() override {
        server.createConfig();
        server.createCompany(QStringLiteral("BR0001"), 2025);
        modules.config.UserId = 7;
        modules.config.MenuId = 1001;
        modules.dm.setDatabaseParameter(QStringLiteral("  BR0001 "));
    }
    ClientServer server;
    DataModules modules{server};
};

TEST_F(MainDataModuleTest, ConnectsOnFirstUseToTheTrimmedDatabaseAndReadsTheSettingsRow) {
    EXPECT_FALSE(modules.dm.DMdata().isOpen());
    const QDateTime before = QDateTime::currentDateTime().addSecs(-5);
    const QDateTime now = modules.dm.GetServerTime();
    EXPECT_TRUE(modules.dm.DMdata().isOpen());
    EXPECT_EQ(modules.dm.DatabaseCode, QStringLiteral("BR0001"));
    EXPECT_GE(now, before);
    EXPECT_LE(now, QDateTime::currentDateTime().addSecs(5));
    // The after-connect handler read the settings row.
    EXPECT_TRUE(modules.dm.QConfig.isOpen());
    EXPECT_EQ(modules.dm.QConfig.runYear(), 2025);
}

TEST_F(MainDataModuleTest, UserLogCarriesTheRunsUserAndMenu) {
    modules.dm.AddUserLog(TDM::LogEdit, 0, QStringLiteral("OB0000000042"));
    const db::ResultSet r = server.connect(QStringLiteral("BR0001"))
                                ->query(QStringLiteral("SELECT UserId, MenuId, FunctionListId,"
                                                       " DocumentId, Remark FROM UserLog"));
    ASSERT_EQ(r.rowCount(), 1);
    EXPECT_EQ(r.value(0, 0).toInt(), 7);
    EXPECT_EQ(r.value(0, 1).toInt(), 1001);
    EXPECT_EQ(r.value(0, 2).toInt(), 2);
    EXPECT_EQ(r.value(0, 3).toInt(), 0);
    EXPECT_EQ(r.value(0, 4).toString(), QStringLiteral("OB0000000042"));
}

TEST_F(MainDataModuleTest, ConfirmDialogIsWhiteOnBlueAndTrueOnlyOnYes) {
    RecordingMessageService messages;
    ScopedMessageService scoped(messages);
    messages.queueAnswers({true, false});
    EXPECT_TRUE(modules.dm.ConfirmDialog(QStringLiteral("จัดเก็บข้อมูล ?")));
    EXPECT_FALSE(modules.dm.ConfirmDialog(QStringLiteral("จัดเก็บข้อมูล ?")));
    ASSERT_EQ(messages.questions().size(), 2);
    EXPECT_EQ(messages.questions()[0].colors.background, QColor(0, 0, 255));
    EXPECT_EQ(messages.questions()[0].colors.text, QColor(Qt::white));
}

TEST_F(MainDataModuleTest, MissingDatabaseFailsWithADatabaseError) {
    modules.dm.setDatabaseParameter(QStringLiteral("NOSUCHDB"));
    EXPECT_THROW(modules.dm.GetServerTime(), db::DatabaseError);
    EXPECT_FALSE(modules.dm.DMdata().isOpen());
}

// ---- errors that escape a screen -----------------------------------------------------------

class ErrorHandlerTest : public ::testing::Test {
protected:
    void SetUp() override {
        server.createConfig();
        modules.config.UserId = 2;
        modules.config.MenuId = 1001;
        modules.dm.setReportPresenter([this](const QString& text) { reports << text; });
    }
    qlonglong logRows() {
        return server.count(QStringLiteral("QARN_CONFIG_NWX"),
                            QStringLiteral("SELECT COUNT(*) FROM ErrorLog"));
    }
    ClientServer server;
    DataModules modules{server};
    QStringList reports;
};

TEST_F(ErrorHandlerTest, AnErrorInAClickIsLoggedTranslatedShownAndTheProgramGoesOn) {
    const QString serverText = QStringLiteral(
        "Violation of PRIMARY KEY constraint 'PK_OrderBranch'. Cannot insert duplicate key in "
        "object 'dbo.OrderBranch'.");
    int clicks = 0;
    QPushButton button;
    QObject::connect(&button, &QPushButton::clicked, [&] {
        if (++clicks == 1) throw db::DatabaseError(serverText, 2627, 14, 1);
    });
    button.show();
    QTest::mouseClick(&button, Qt::LeftButton);

    ASSERT_EQ(reports.size(), 1);
    EXPECT_EQ(reports[0],
              QStringLiteral("ข้อมูลที่เพิ่มซ้ำกับข้อมูลที่มีอยู่แล้ว\r") + asciiUpperCase(serverText) + u'\r');
    const db::ResultSet log =
        server.connect(QStringLiteral("QARN_CONFIG_NWX"))
            ->query(
                QStringLiteral("SELECT CompName, LogName, UserId, MenuId, ErrorMsg FROM ErrorLog"));
    ASSERT_EQ(log.rowCount(), 1);
    EXPECT_EQ(log.value(0, 0).toString(), LocalComputerName());
    EXPECT_EQ(log.value(0, 1).toString(), LocalLoginName());
    EXPECT_EQ(log.value(0, 2).toInt(), 2);
    EXPECT_EQ(log.value(0, 3).toInt(), 1001);
    EXPECT_EQ(log.value(0, 4).toString(), serverText);  // unchanged

    // The event loop carries on: the next click runs normally.
    QTest::mouseClick(&button, Qt::LeftButton);
    EXPECT_EQ(clicks, 2);
    EXPECT_EQ(reports.size(), 1);
}

TEST_F(ErrorHandlerTest, AnErrorRecurringWhileTheReportIsShownIsLoggedButNotShownAgain) {
    int shown = 0;
    modules.dm.setReportPresenter([&](const QString&) {
        ++shown;
        // The same fault fires again while the report is on screen.
        modules.dm.ApplicationEvents1Exception(std::runtime_error("again"));
    });
    modules.dm.ApplicationEvents1Exception(std::runtime_error("first"));
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(logRows(), 2);
    // Once the report is closed, the next error is shown again.
    modules.dm.ApplicationEvents1Exception(std::runtime_error("later"));
    EXPECT_EQ(shown, 2);
}

TEST_F(ErrorHandlerTest, AnUnreachableConfigurationDatabaseStillShowsTheReport) {
    server.writeServerDat(server.folder() + QStringLiteral("/gone"));
    modules.dm.ApplicationEvents1Exception(
        db::DatabaseError::connectionFailure(QStringLiteral("HOST"), QStringLiteral("refused")));
    ASSERT_EQ(reports.size(), 1);
    EXPECT_TRUE(reports[0].startsWith(
        QStringLiteral("ระบบเครือข่าย หรือ คอมพิวเตอร์แม่ข่ายมีปัญหา ติดต่อเครื่องแม่ข่ายไม่ได้\r")));
    EXPECT_TRUE(reports[0].contains(QStringLiteral("error log not written")));
    EXPECT_EQ(logRows(), 0);
}

TEST_F(ErrorHandlerTest, WithoutAPresenterTheReportGoesToStandardErrorAndNothingWaits) {
    // A tool or a test that never set a presenter: no dialog can stop it.
    modules.dm.setReportPresenter({});
    ::testing::internal::CaptureStderr();
    modules.dm.ApplicationEvents1Exception(std::runtime_error("'X' is not a valid date"));
    const QString err = QString::fromStdString(::testing::internal::GetCapturedStderr());
    EXPECT_EQ(err, QStringLiteral("error: ป้อนวันที่ไม่ถูกต้อง 'X' IS NOT A VALID DATE\n"));
    EXPECT_EQ(logRows(), 1);
}

TEST(StartupFailure, IsOneLineOnStandardErrorAndABoxOnlyWhereSomeoneLooks) {
    RecordingMessageService messages;
    ScopedMessageService scoped(messages);
    const db::DatabaseError unreachable = db::DatabaseError::connectionFailure(
        QStringLiteral("./server"), QStringLiteral("SQL Server does not exist or access denied."));
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(reportStartupFailure(unreachable, true), 1);
    EXPECT_EQ(reportStartupFailure(std::runtime_error("line one\r\nline two"), false), 1);
    const QString err = QString::fromStdString(::testing::internal::GetCapturedStderr());
    EXPECT_EQ(err,
              QStringLiteral("backoffice: start-up failed: ระบบเครือข่าย หรือ คอมพิวเตอร์แม่ข่ายมีปัญหา "
                             "ติดต่อเครื่องแม่ข่ายไม่ได้ Possible network error: Unable to "
                             "connect to server ./server. SQL Server does not exist or access "
                             "denied.\nbackoffice: start-up failed: line one line two\n"));
    // The box shows the same text; the second failure asked for none.
    ASSERT_EQ(messages.messages().size(), 1);
    EXPECT_EQ(messages.messages()[0] + u'\n', err.section(u'\n', 0, 0).mid(12) + u'\n');
    // Tests run on the offscreen platform, where nobody looks; an unattended run never asks.
    EXPECT_FALSE(startupErrorsShowABox(false));
    EXPECT_FALSE(startupErrorsShowABox(true));
}

TEST_F(ErrorHandlerTest, InAnUnattendedRunAnErrorIsLoggedPrintedAndEndsTheRun) {
    int ended = -1;
    reportErrorsUnattended(modules.dm, [&](int code) { ended = code; });
    ::testing::internal::CaptureStderr();
    modules.dm.ApplicationEvents1Exception(std::runtime_error(
        "Cannot insert duplicate key row.\r\nThe statement has been terminated."));
    const QString err = QString::fromStdString(::testing::internal::GetCapturedStderr());
    EXPECT_EQ(err, QStringLiteral("error: ข้อมูลที่เพิ่มซ้ำกับข้อมูลที่มีอยู่แล้ว CANNOT INSERT DUPLICATE KEY "
                                  "ROW. THE STATEMENT HAS BEEN TERMINATED.\n"));
    EXPECT_EQ(ended, 1);
    EXPECT_EQ(logRows(), 1);
}

TEST(ShowErrorDialog, ClosesItselfNineSecondsAfterItAppeared) {
    TFrShowError dialog;
    dialog.setReportText(QStringLiteral("ป้อนวันที่ไม่ถูกต้อง\r'X' IS NOT A VALID DATE\r"));
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Windows Error Message"));
    EXPECT_EQ(dialog.pos(), QPoint(50, 100));
    EXPECT_EQ(dialog.focusWidget(), dialog.BCancel);
    EXPECT_TRUE(dialog.Timer1.isActive());
    EXPECT_EQ(dialog.Timer1.interval(), 1000);
    EXPECT_TRUE(dialog.ErrorBox->isReadOnly());
    EXPECT_EQ(dialog.ErrorBox->toPlainText(),
              QStringLiteral("ป้อนวันที่ไม่ถูกต้อง\n'X' IS NOT A VALID DATE\n"));
    for (int second = 1; second <= 8; ++second) {
        dialog.Timer1Timer();
        ASSERT_TRUE(dialog.isVisible()) << second;
    }
    dialog.Timer1Timer();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_FALSE(dialog.Timer1.isActive());

    // Shown again, the countdown starts afresh.
    dialog.show();
    EXPECT_EQ(dialog.countdown(), 10);
    dialog.close();
}

TEST(ShowErrorDialog, SendErrorClosesAtOnceAndStopsTheCountdown) {
    TFrShowError dialog;
    dialog.show();
    dialog.Timer1Timer();
    QTest::mouseClick(dialog.BOk, Qt::LeftButton);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_TRUE(dialog.stopped());
    EXPECT_TRUE(dialog.sendChosen());
    const int left = dialog.countdown();
    dialog.Timer1Timer();
    EXPECT_EQ(dialog.countdown(), left);
}

// ---- the program itself, before any window ------------------------------------------------

struct ProgramRun {
    int exitCode;
    QString out;
    QString err;
};

enum class Display { Offscreen, None };

// Runs the program; a run that has not ended after a minute is killed and fails the test.
ProgramRun runProgram(const QString& folder, const QStringList& arguments,
                      Display display = Display::Offscreen) {
    QProcess p;
    p.setWorkingDirectory(folder);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (display == Display::Offscreen) {
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    } else {
        // As cron or a service starts it: no display, no platform chosen.
        for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
            env.remove(QString::fromLatin1(name));
    }
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(BACKOFFICE_PATH), arguments);
    if (!p.waitForFinished(60000)) {
        ADD_FAILURE() << "backoffice still runs after a minute: "
                      << arguments.join(u' ').toStdString();
        p.kill();
        p.waitForFinished();
    }
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit) << "backoffice crashed";
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

TEST(Program, WithoutParametersEndsAtOnceAndTouchesNothing) {
    QTemporaryDir dir;
    const QString server = QDir(dir.path()).filePath(QStringLiteral("server"));
    QFile dat(QDir(dir.path()).filePath(QStringLiteral("Server.Dat")));
    ASSERT_TRUE(dat.open(QIODevice::WriteOnly));
    dat.write(server.toUtf8());
    dat.close();
    const ProgramRun run = runProgram(dir.path(), {});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(run.out.isEmpty());
    EXPECT_FALSE(QDir(server).exists());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
              QStringList{QStringLiteral("Server.Dat")});
}

TEST(Program, BadParametersEndWithAReportOnStandardError) {
    ClientServer server;
    server.createConfig();
    const ProgramRun onlyMenu = runProgram(server.folder(), {QStringLiteral("1001")});
    EXPECT_NE(onlyMenu.exitCode, 0);
    EXPECT_TRUE(onlyMenu.err.contains(QStringLiteral("parameter 5"))) << onlyMenu.err.toStdString();
    const ProgramRun badUser = runProgram(server.folder(), args("1001", "abc", "NWX", "1"));
    EXPECT_NE(badUser.exitCode, 0);
    EXPECT_TRUE(badUser.err.contains(QStringLiteral("parameter 2"))) << badUser.err.toStdString();
}

TEST(Program, UnreachableConfigurationServerEndsWithAnError) {
    QTemporaryDir dir;
    const ProgramRun run = runProgram(dir.path(), args("1001", "1", "NWX", "1"));
    EXPECT_NE(run.exitCode, 0);
    EXPECT_TRUE(run.err.contains(QStringLiteral("start-up failed"))) << run.err.toStdString();
}

TEST(Program, AServerFolderWrittenAsANameIsExplained) {
    ClientServer server;
    server.createConfig();
    server.writeServerDat(QStringLiteral("server"));  // the folder beside Server.Dat
    const ProgramRun run = runProgram(server.folder(), args("1001", "1", "NWX", "1"));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(
        run.err.contains(QStringLiteral("to use the embedded server in it, write \"./server\".")))
        << run.err.toStdString();
}

TEST(Program, BadInputIsQuotedShortAndEscaped) {
    ClientServer server;
    server.createConfig();
    // A parameter of thousands of characters, one with a terminal's escape sequence.
    const ProgramRun longParameter =
        runProgram(server.folder(), args("1001", "1", "NWX", QByteArray(20000, '7').constData()));
    EXPECT_EQ(longParameter.exitCode, 1);
    EXPECT_TRUE(longParameter.err.contains(QStringLiteral("...(20000 characters)")));
    EXPECT_LT(longParameter.err.size(), 400) << longParameter.err.toStdString();
    const ProgramRun escape = runProgram(server.folder(), args("1001", "\x1B[2J", "NWX", "1"));
    EXPECT_TRUE(escape.err.contains(QStringLiteral("'\\x1B[2J'"))) << escape.err.toStdString();
    EXPECT_FALSE(escape.err.contains(u'\x1B'));

    // A large Server.Dat, and one of binary data: refused, with a line of it at most.
    QFile dat(QDir(server.folder()).filePath(QStringLiteral("Server.Dat")));
    ASSERT_TRUE(dat.open(QIODevice::WriteOnly | QIODevice::Truncate));
    dat.write(QByteArray(100'000'000, 's'));
    dat.close();
    const ProgramRun large = runProgram(server.folder(), args("1001", "1", "NWX", "1"));
    EXPECT_EQ(large.exitCode, 1);
    EXPECT_TRUE(large.err.contains(QStringLiteral("Server.Dat")))
        << large.err.left(300).toStdString();
    EXPECT_LT(large.err.size(), 400);
    ASSERT_TRUE(dat.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QByteArray binary;
    for (int i = 0; i < 5000; ++i) binary += static_cast<char>((i * 37) % 256);
    dat.write(binary);
    dat.close();
    const ProgramRun garbage = runProgram(server.folder(), args("1001", "1", "NWX", "1"));
    EXPECT_EQ(garbage.exitCode, 1);
    // Qt may warn on standard error as well; the program's own report is one line.
    const QStringList reports = garbage.err.split(u'\n').filter(QStringLiteral("backoffice:"));
    ASSERT_EQ(reports.size(), 1) << garbage.err.toStdString();
    EXPECT_TRUE(reports[0].contains(QStringLiteral("\\x00%1").arg(QChar(37))))
        << garbage.err.toStdString();
    EXPECT_LT(reports[0].size(), 400);
    EXPECT_FALSE(std::any_of(reports[0].begin(), reports[0].end(),
                             [](QChar c) { return c < u' ' || c == u'\x7F'; }));
}

// ---- unattended runs: nobody watches, nothing may wait -----------------------------------

class UnattendedProgram : public ::testing::Test {
protected:
    void SetUp() override {
        server.createConfig();
        server.createCompany(QStringLiteral("NWX"));
    }
    void createReportDatabase() {
        server.createDatabase(QStringLiteral("NWXBranch"));
        server.runScripts(QStringLiteral("NWXBranch"), testsupport::kReportScripts);
    }
    ProgramRun autoRun(const char* menu, const char* user, const char* company,
                       const char* module) {
        return runProgram(server.folder(),
                          args(menu, user, company, module)
                              << QString() << QStringLiteral("--autorun"),
                          Display::None);
    }
    ClientServer server;
};

TEST_F(UnattendedProgram, RunsWithoutADisplayAndPrintsTheOutcome) {
    createReportDatabase();
    const ProgramRun run = autoRun("1015", "1", "NWX", "15");
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.startsWith(QStringLiteral("การส่ง SoldOut "))) << run.out.toStdString();
    EXPECT_TRUE(run.out.trimmed().endsWith(QStringLiteral(" เรียบร้อย"))) << run.out.toStdString();
}

TEST_F(UnattendedProgram, AnErrorIsOneLineAndEndsWithExitCodeOne) {
    // No report database: the run fails when it opens it.
    const ProgramRun run = autoRun("1015", "1", "NWX", "15");
    EXPECT_EQ(run.exitCode, 1);
    const QStringList lines = run.out.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 1) << run.out.toStdString();
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("error: "))) << run.out.toStdString();
    EXPECT_TRUE(lines[0].contains(QStringLiteral("NWXBranch"))) << run.out.toStdString();
    EXPECT_FALSE(run.out.contains(u'\r'));
}

TEST_F(UnattendedProgram, WhatWouldWaitForAPersonIsPrintedAndFails) {
    // An unknown company: the message is printed instead of waiting in a box.
    ProgramRun run = autoRun("1015", "1", "NOPE", "15");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, QStringLiteral("Not Found Database : NOPE\n"));
    // No access on the menu entry: nothing to show, but the run says why it did nothing.
    run = autoRun("1015", "2", "NWX", "15");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("no access"))) << run.err.toStdString();
    // The order screen waits for a person: refused before anything is opened.
    run = autoRun("1001", "1", "NWX", "1");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("cannot run unattended"))) << run.err.toStdString();
}

}  // namespace
