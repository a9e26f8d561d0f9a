// Pick confirmation with more than one process on one embedded server: two workstations
// pressing Save at the same moment, and a workstation killed in the middle of a Save. Each
// workstation is a process of its own (this test program again, running only its worker).
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRandomGenerator>
#include <QThread>
#include <csignal>
#include <iostream>

#include "pick_fixture.h"

namespace {

using testing_support::PickProductTest;

const char* const kSaveWorkerFolder = "PICK_SAVE_WORKER_FOLDER";
const char* const kKillWorkerFolder = "PICK_KILL_WORKER_FOLDER";

void touch(const QString& path) {
    QFile f(path);
    if (f.open(QIODevice::WriteOnly)) f.write("1");
}

bool waitFor(const QString& path, int milliseconds) {
    QElapsedTimer clock;
    clock.start();
    while (!QFile::exists(path)) {
        if (clock.elapsed() > milliseconds) return false;
        QThread::msleep(5);
    }
    return true;
}

// A workstation's user: answers the save question only once both workstations are at it, and
// keeps the summary on screen until the other workstation is done.
class Workstation : public RecordingMessageService {
public:
    Workstation(QString folder, QString me, QString other)
        : RecordingMessageService(true), folder_(std::move(folder)), me_(me), other_(other) {}

protected:
    bool ask(const QString& question, const DialogColors& colors) override {
        touch(path(QStringLiteral("asked-") + me_));
        waitFor(path(QStringLiteral("asked-") + other_), 60000);
        return RecordingMessageService::ask(question, colors);
    }
    void showMessage(const QString& text) override {
        RecordingMessageService::showMessage(text);
        if (text.startsWith(QStringLiteral("เลขที่ ConsoNo")))
            waitFor(path(QStringLiteral("done-") + other_), 60000);
    }

private:
    QString path(const QString& name) const { return QDir(folder_).filePath(name); }
    QString folder_, me_, other_;
};

// The run's data modules on the server named by "Server.Dat" in the folder.
struct Workplace {
    explicit Workplace(const QString& folder) {
        dm.setServerDatFolder(folder);
        config.setServerDatFolder(folder);
        dm.setDatabaseParameter(QStringLiteral("NWX"));
        config.GetCompanyConfig(QStringLiteral("NWX"));
        config.UserId = 7;
        config.ThaiLanguage = true;
    }
    TDM dm;
    TDMConfig config;
};

void tickAndLoad(TFrPickProduct& screen, const QString& branch) {
    screen.show();
    for (int r = 0; r < screen.QBranch.rowCount(); ++r)
        if (screen.QBranch.value(r, QStringLiteral("BranchCode")).toString() == branch)
            screen.TogglePick(r);
    screen.LoadLines();
}

// Run only as a workstation of SaveAtTheSameMoment.
TEST(PickSaveWorker, PressesSave) {
    const QString folder = qEnvironmentVariable(kSaveWorkerFolder);
    if (folder.isEmpty()) GTEST_SKIP() << "runs as a workstation of SaveAtTheSameMoment only";
    const QString me = qEnvironmentVariable("PICK_WORKER_NAME");
    Workplace workplace(folder);
    Workstation user(folder, me, me == u"a" ? QStringLiteral("b") : QStringLiteral("a"));
    ScopedMessageService scoped(user);
    TFrPickProduct screen;
    tickAndLoad(screen, QStringLiteral("0029"));
    ASSERT_TRUE(screen.NewPick);
    user.clear();
    screen.AcSaveExecute();
    QFile outcome(QDir(folder).filePath(QStringLiteral("outcome-") + me));
    ASSERT_TRUE(outcome.open(QIODevice::WriteOnly));
    outcome.write(user.messages().join(u'|').toUtf8());
    outcome.close();
    touch(QDir(folder).filePath(QStringLiteral("done-") + me));
}

QProcess* startWorker(const char* variable, const QString& folder, const QString& name,
                      const QString& filter) {
    auto* p = new QProcess;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(variable), folder);
    env.insert(QStringLiteral("PICK_WORKER_NAME"), name);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    p->setProcessEnvironment(env);
    p->setProcessChannelMode(QProcess::MergedChannels);
    p->start(QCoreApplication::applicationFilePath(), {QStringLiteral("--gtest_filter=") + filter});
    return p;
}

TEST_F(PickProductTest, TwoWorkstationsSavingAtTheSameMomentRunOneAtATime) {
    manyLines(QStringLiteral("0029"), 200, 3);
    QList<QProcess*> workers;
    for (const char* name : {"a", "b"})
        workers << startWorker(kSaveWorkerFolder, server.folder(), QString::fromLatin1(name),
                               QStringLiteral("PickSaveWorker.*"));
    for (QProcess* p : workers) {
        ASSERT_TRUE(p->waitForFinished(180000));
        EXPECT_EQ(p->exitCode(), 0) << p->readAll().toStdString();
        delete p;
    }
    const QString lock = QStringLiteral("ไม่สามารถรันโปรแกรมมากว่า 1 โปรแกรมได้");
    int ran = 0, locked = 0;
    for (const char* name : {"a", "b"}) {
        QFile f(QDir(server.folder()).filePath(QStringLiteral("outcome-") + QLatin1String(name)));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << name;
        const QString said = QString::fromUtf8(f.readAll());
        if (said == lock)
            ++locked;
        else if (said.contains(QStringLiteral("เลขที่ ConsoNo : PK0000000001")))
            ++ran;
        else
            ADD_FAILURE() << name << ": " << said.toStdString();
    }
    EXPECT_EQ(ran, 1);
    EXPECT_EQ(locked, 1);
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM Config WHERE RunConsoFlag = 'N'")), 1);
    EXPECT_EQ(
        count(QStringLiteral("SELECT COUNT(*) FROM TranBranch WHERE PickNo = 'PK0000000001'")),
        200);
    EXPECT_EQ(count(QStringLiteral("SELECT LastNo FROM DocumentNo WHERE Code = 'PICKORDER' AND "
                                   "DocYear = YEAR(GETDATE())")),
              1);
}

// Run only as the workstation that SaveKilledAtRandomMoments kills.
TEST(PickKillWorker, Saves) {
    const QString folder = qEnvironmentVariable(kKillWorkerFolder);
    if (folder.isEmpty()) GTEST_SKIP() << "runs as a workstation of SaveKilledAtRandomMoments only";
    Workplace workplace(folder);
    RecordingMessageService user(true);
    ScopedMessageService scoped(user);
    TFrPickProduct screen;
    tickAndLoad(screen, QStringLiteral("0029"));
    ASSERT_TRUE(screen.NewPick);
    touch(QDir(folder).filePath(QStringLiteral("saving")));
    screen.AcSaveExecute();
}

TEST_F(PickProductTest, ASaveKilledAtRandomMomentsStoresTheWholePickOrNothing) {
    constexpr int kLines = 3000;
    manyLines(QStringLiteral("0029"), kLines, 40);
    const QString saving = QDir(server.folder()).filePath(QStringLiteral("saving"));
    const QString lastNos = QStringLiteral(
        "SELECT (SELECT LastNo FROM DocumentNo WHERE Code = 'PICKORDER' AND DocYear = "
        "YEAR(GETDATE())) * 100000 + (SELECT LastNo FROM DocumentNo WHERE Code = "
        "'PRODUCTMANAGE' AND DocYear = YEAR(GETDATE()))");
    const QString reset = QStringLiteral(
        "UPDATE TranBranch SET PickNo = NULL, PickDate = NULL, CloseOrder = 'N', "
        "ResponsProdGroup = NULL, ProductManageNo = NULL, UserPick = NULL, UpdateBranch = 'Y' "
        "UPDATE DocumentNo SET LastNo = 0 UPDATE Config SET RunConsoFlag = 'N'");

    // One whole run first: how long a Save takes, and what a stored pick looks like.
    qint64 saveTime = 0;
    qlonglong storedNumbers = 0;
    {
        QFile::remove(saving);
        std::unique_ptr<QProcess> p(startWorker(kKillWorkerFolder, server.folder(),
                                                QStringLiteral("k"),
                                                QStringLiteral("PickKillWorker.*")));
        ASSERT_TRUE(waitFor(saving, 120000));
        QElapsedTimer clock;
        clock.start();
        ASSERT_TRUE(p->waitForFinished(120000));
        saveTime = clock.elapsed();
        ASSERT_EQ(p->exitCode(), 0) << p->readAll().toStdString();
        ASSERT_EQ(
            count(QStringLiteral("SELECT COUNT(*) FROM TranBranch WHERE PickNo = 'PK0000000001'")),
            kLines);
        storedNumbers = count(lastNos);
        db()->execute(reset);
    }

    QRandomGenerator random(20261209);
    int whole = 0, none = 0;
    for (int run = 0; run < 8; ++run) {
        QFile::remove(saving);
        std::unique_ptr<QProcess> p(startWorker(kKillWorkerFolder, server.folder(),
                                                QStringLiteral("k"),
                                                QStringLiteral("PickKillWorker.*")));
        ASSERT_TRUE(waitFor(saving, 120000));
        QThread::msleep(random.bounded(static_cast<int>(saveTime) + 1));
        ::kill(static_cast<pid_t>(p->processId()), SIGKILL);
        p->waitForFinished(30000);

        // Readable, and the pick is all there or not there at all, numbers included.
        const qlonglong onPick =
            count(QStringLiteral("SELECT COUNT(*) FROM TranBranch WHERE PickNo IS NOT NULL"));
        const qlonglong numbers = count(lastNos);
        if (onPick == 0) {
            ++none;
            EXPECT_EQ(numbers, 0) << "run " << run;
            EXPECT_EQ(
                count(QStringLiteral("SELECT COUNT(*) FROM TranBranch WHERE CloseOrder <> 'N'")),
                0);
        } else {
            ++whole;
            EXPECT_EQ(onPick, kLines) << "run " << run;
            EXPECT_EQ(count(QStringLiteral(
                          "SELECT COUNT(*) FROM TranBranch WHERE PickNo = 'PK0000000001'")),
                      kLines);
            EXPECT_EQ(numbers, storedNumbers) << "run " << run;
        }
        db()->execute(reset);
    }
    std::cout << "killed runs: " << none << " stored nothing, " << whole
              << " stored the whole pick\n";
}

}  // namespace
