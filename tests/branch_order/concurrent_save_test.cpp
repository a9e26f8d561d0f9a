// Two workstations saving new orders on one embedded server at the same time: every order
// keeps all its rows and gets its own number. Each workstation is a process of its own (this
// test program again, running only the worker below).
#include "branch_order_fixture.h"

#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>

namespace {

using testing_support::BranchOrderTest;
using testing_support::DataModules;

constexpr int kSavesPerWorkstation = 4;
const char* const kWorkerFolder = "BRANCH_ORDER_SAVE_WORKER_FOLDER";

// Run only as a workstation of the test below: loads and saves new orders.
TEST(SaveWorker, LoadsAndSavesNewOrders) {
    const QString folder = qEnvironmentVariable(kWorkerFolder);
    if (folder.isEmpty()) GTEST_SKIP() << "runs as a workstation of ConcurrentSave only";
    TDM dm;
    TDMConfig config;
    dm.setServerDatFolder(folder);
    config.setServerDatFolder(folder);
    dm.setDatabaseParameter(QStringLiteral("BR0001"));
    config.GetCompanyConfig(QStringLiteral("BR0001"));
    config.UserId = 7;
    RecordingMessageService messages(true);  // Yes to every save question
    ScopedMessageService scoped(messages);
    TFrBranchOrder screen;
    screen.show();
    for (int i = 0; i < kSavesPerWorkstation; ++i) {
        screen.BLoadClick();
        ASSERT_TRUE(screen.IsNewOrder);
        ASSERT_GT(screen.QBranchOrder.rowCount(), 0);
        screen.AcSaveExecute();
    }
}

TEST_F(BranchOrderTest, TwoWorkstationsSavingAtOnceEachKeepTheirRowsAndNumbers) {
    // The proposal's size, as each workstation will see it.
    openScreen();
    screen->BLoadClick();
    const int rows = screen->QBranchOrder.rowCount();
    ASSERT_GT(rows, 0);
    screen.reset();

    QList<QProcess*> workers;
    for (int w = 0; w < 2; ++w) {
        auto* p = new QProcess;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QString::fromLatin1(kWorkerFolder), server.folder());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        p->setProcessEnvironment(env);
        p->setProcessChannelMode(QProcess::MergedChannels);
        p->start(QCoreApplication::applicationFilePath(),
                 {QStringLiteral("--gtest_filter=SaveWorker.*")});
        workers << p;
    }
    for (QProcess* p : workers) {
        ASSERT_TRUE(p->waitForFinished(120000));
        EXPECT_EQ(p->exitCode(), 0) << p->readAll().toStdString();
        delete p;
    }
    // Orders 5 to 12, each whole.
    const db::ResultSet orders = db()->query(
        QStringLiteral("SELECT OrderNo, COUNT(*) FROM OrderBranch WHERE OrderNo > 'No0000000004'"
                       " GROUP BY OrderNo ORDER BY OrderNo"));
    ASSERT_EQ(orders.rowCount(), 2 * kSavesPerWorkstation);
    for (int i = 0; i < orders.rowCount(); ++i) {
        EXPECT_EQ(orders.value(i, 0).toString().trimmed(),
                  QStringLiteral("No%1").arg(5 + i, 10, 10, QLatin1Char('0')));
        EXPECT_EQ(orders.value(i, 1).toInt(), rows) << orders.value(i, 0).toString().toStdString();
    }
}

}  // namespace
