// The unattended upload as the scheduler starts it (backoffice ... 15 "" --autorun), killed at
// random moments and started several times at once: each branch ends either wholly uploaded
// or untouched, and overlapping runs store what one run stores.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QElapsedTimer>
#include <QProcess>
#include <random>

#include "tests/common/client_fixture.h"
#include "tsqlite/tds/listener.h"

namespace {

using testing_support::ClientServer;

const QStringList kBranches = {QStringLiteral("0011"), QStringLiteral("0012"),
                               QStringLiteral("0013")};
constexpr int kReceipts = 700;  // two lines each, per branch

class SoldOutProcessTest : public ::testing::Test {
protected:
    void SetUp() override {
        server.createConfig();
        server.createCompany(QStringLiteral("NWX"));
        server.createDatabase(QStringLiteral("NWXBranch"));
        server.runScripts(QStringLiteral("NWXBranch"), testsupport::kReportScripts);
        // Sales of the last days, within this year so that one table holds them all.
        const QDate today = QDate::currentDate();
        firstDay_ = std::max(today.addDays(-6), QDate(today.year(), 1, 1));
        for (const QString& code : kBranches) addBranch(code);
        report()->execute(QStringLiteral("IF NOT EXISTS (SELECT Id FROM SysObjects WHERE Name ="
                                         " '%1') SELECT TOP 0 * INTO %1 FROM SoldOut%2")
                              .arg(table())
                              .arg(today.year() - 1));
    }

    QString table() const { return QStringLiteral("SoldOut%1").arg(QDate::currentDate().year()); }
    std::unique_ptr<db::Connection> report() { return server.connect(QStringLiteral("NWXBranch")); }
    std::unique_ptr<db::Connection> config() {
        return server.connect(QStringLiteral("QARN_CONFIG_NWX"));
    }

    void addBranch(const QString& code) {
        const QString database = QStringLiteral("BR") + code;
        server.createDatabase(database);
        server.runScripts(database, testsupport::kCompanyScripts);
        const qint64 span = QDateTime(firstDay_, QTime(8, 0)).secsTo(QDateTime::currentDateTime());
        server.connect(database)->execute(
            QStringLiteral(R"(
SET NOCOUNT ON
INSERT INTO Misc (GroupCode, Code, Description) VALUES ('CURRENCY', 'THB', 'บาท')
SET IDENTITY_INSERT Product ON
INSERT INTO Product (Id, Code, ThaiName) VALUES (1, 'A100', 'ข้าวสาร 5 กก.')
INSERT INTO Product (Id, Code, ThaiName) VALUES (2, 'A200', 'น้ำมันพืช 1 ลิตร')
SET IDENTITY_INSERT Product OFF
SET IDENTITY_INSERT ProductUnits ON
INSERT INTO ProductUnits (Id, Product, BarCode, UnitName, Fraction) VALUES (1, 1, 'BA100', 'ถุง', 1)
INSERT INTO ProductUnits (Id, Product, BarCode, UnitName, Fraction) VALUES (2, 2, 'BA200', 'ขวด', 1)
SET IDENTITY_INSERT ProductUnits OFF
DECLARE @i int
SET @i = 1
BEGIN TRAN
WHILE @i <= :Receipts
BEGIN
SET IDENTITY_INSERT PosHeader ON
    INSERT INTO PosHeader (Id, PosNo, PosDate, CurrencyId, Rate, Total, DelFlag)
    VALUES (@i, 'R' + CONVERT(varchar(10), @i), DATEADD(second, @i * (:Span / :Receipts), :First),
            1, 1, 25.5, 'N')
SET IDENTITY_INSERT PosHeader OFF
SET IDENTITY_INSERT PosDetail ON
    INSERT INTO PosDetail (Id, PosHeader, Product, ProductUnits, Quantity, Price, DiscAmount)
    VALUES (@i * 2, @i, 1, 1, @i % 7 + 1, 10.25, 0)
    INSERT INTO PosDetail (Id, PosHeader, Product, ProductUnits, Quantity, Price, DiscAmount)
    VALUES (@i * 2 + 1, @i, 2, 2, 1.5, 5, 0.5)
SET IDENTITY_INSERT PosDetail OFF
    SET @i = @i + 1
END
COMMIT
)"),
            {{QStringLiteral("Receipts"), kReceipts},
             {QStringLiteral("Span"), span},
             {QStringLiteral("First"), QDateTime(firstDay_, QTime(8, 0))}});
        config()->execute(
            QStringLiteral("INSERT INTO Branch (BranchNo, BranchCode, BranchName, StopDatabase,"
                           " ServerName, Server) VALUES (:No, :Code, :Name, 'N', :Db, :Server)"),
            {{QStringLiteral("No"), code.right(3)},
             {QStringLiteral("Code"), code},
             {QStringLiteral("Name"), QStringLiteral("สาขา ") + code},
             {QStringLiteral("Db"), database},
             {QStringLiteral("Server"), server.serverDir}});
    }

    // Every branch back to its state before an upload: the start date, a stale row inside the
    // window (an upload deletes it) and a row before it (an upload keeps it).
    void reset() {
        config()->execute(QStringLiteral("UPDATE Branch SET SoldOutLastUpdate = :D"),
                          {{QStringLiteral("D"), QDateTime(firstDay_, QTime(0, 0))}});
        auto r = report();
        r->execute(QStringLiteral("DELETE FROM %1").arg(table()));
        for (const QString& code : kBranches) {
            for (const auto& [docNo, when] :
                 {std::pair{QStringLiteral("STALE"), QDateTime(firstDay_, QTime(9, 0))},
                  std::pair{QStringLiteral("KEPT"), QDateTime(firstDay_.addDays(-1), QTime(9, 0))}})
                r->execute(QStringLiteral("INSERT INTO %1 (SaleType, BranchCode, SaleDocNo,"
                                          " SaleDate, Quantity) VALUES ('POS', :B, :N, :D, 1)")
                               .arg(table()),
                           {{QStringLiteral("B"), code},
                            {QStringLiteral("N"), docNo},
                            {QStringLiteral("D"), when}});
        }
    }

    // What a branch holds: its upload date and its report rows, in a comparable text.
    QString state(const QString& code) {
        const db::ResultSet rows = report()->query(
            QStringLiteral("SELECT SaleType, SaleDocNo, CONVERT(varchar(23), SaleDate, 121),"
                           " ProdCode, BarCode, Quantity, Price, Discount FROM %1"
                           " WHERE BranchCode = :B ORDER BY SaleDocNo, ProdCode, Quantity")
                .arg(table()),
            {{QStringLiteral("B"), code}});
        QString text = config()
                           ->query(QStringLiteral("SELECT CONVERT(varchar(23), SoldOutLastUpdate,"
                                                  " 121) FROM Branch WHERE BranchCode = :B"),
                                   {{QStringLiteral("B"), code}})
                           .value(0, 0)
                           .toString();
        text += QStringLiteral(" rows %1:").arg(rows.rowCount());
        for (int r = 0; r < rows.rowCount(); ++r) {
            for (int c = 0; c < 8; ++c) text += rows.value(r, c).toString().trimmed() + u'|';
            text += u';';
        }
        return text;
    }

    QProcess* startUpload(QObject* parent) {
        auto* p = new QProcess(parent);
        p->setWorkingDirectory(server.folder());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        p->setProcessEnvironment(env);
        p->start(QStringLiteral(BACKOFFICE_PATH),
                 {QStringLiteral("1015"), QStringLiteral("1"), QStringLiteral("NWX"), QString(),
                  QStringLiteral("15"), QString(), QStringLiteral("--autorun")});
        return p;
    }

    // Runs the upload to its end; returns how long it took.
    qint64 uploadOnce() {
        QObject owner;
        QElapsedTimer timer;
        timer.start();
        QProcess* p = startUpload(&owner);
        EXPECT_TRUE(p->waitForFinished(60000));
        EXPECT_EQ(p->exitCode(), 0)
            << p->readAllStandardOutput().toStdString() << p->readAllStandardError().toStdString();
        return timer.elapsed();
    }

    ClientServer server;
    QDate firstDay_;
};

TEST_F(SoldOutProcessTest, KilledAtAnyMomentEachBranchIsWhollyUploadedOrUntouched) {
    reset();
    QMap<QString, QString> before, after;
    for (const QString& code : kBranches) before[code] = state(code);
    const qint64 full = uploadOnce();
    for (const QString& code : kBranches) {
        after[code] = state(code);
        ASSERT_NE(after[code], before[code]);
        ASSERT_TRUE(after[code].contains(QStringLiteral(" rows %1:").arg(2 * kReceipts + 1)))
            << after[code].left(80).toStdString();
    }

    const unsigned seed = std::random_device{}();
    std::mt19937 random(seed);
    // Moments from the start of the process to a little past the end of a whole run; the
    // loop stops early enough to keep the test short on a slow machine.
    std::uniform_int_distribution<qint64> moment(0, full + full / 5);
    QElapsedTimer spent;
    spent.start();
    int runs = 0, uploaded = 0, untouched = 0, mixed = 0;
    while (runs < 30 && spent.elapsed() < 30000) {
        reset();
        QObject owner;
        QProcess* p = startUpload(&owner);
        const qint64 wait = moment(random);
        if (!p->waitForFinished(static_cast<int>(std::max<qint64>(wait, 1)))) {
            p->kill();  // SIGKILL: no clean-up of any kind
            ASSERT_TRUE(p->waitForFinished(10000));
        }
        ++runs;
        bool all = true, none = true;
        for (const QString& code : kBranches) {
            const QString now = state(code);
            const bool isBefore = now == before[code], isAfter = now == after[code];
            EXPECT_TRUE(isBefore || isAfter)
                << "seed " << seed << ", killed after " << wait << " ms, branch "
                << code.toStdString() << ": " << now.left(120).toStdString();
            all = all && isAfter;
            none = none && isBefore;
        }
        all ? ++uploaded : none ? ++untouched : ++mixed;
    }
    // Moments across the whole run: some runs were stopped before anything, some between
    // branches, some finished.
    std::printf("%d runs killed (seed %u): %d untouched, %d part-way, %d finished\n", runs, seed,
                untouched, mixed, uploaded);
    EXPECT_GE(runs, 10);
}

TEST_F(SoldOutProcessTest, OverlappingRunsStoreWhatOneRunStores) {
    reset();
    uploadOnce();
    QMap<QString, QString> one;
    for (const QString& code : kBranches) one[code] = state(code);

    for (int round = 0; round < 2; ++round) {
        reset();
        QObject owner;
        QList<QProcess*> runs;
        for (int i = 0; i < 3; ++i) runs << startUpload(&owner);
        for (QProcess* p : runs) {
            ASSERT_TRUE(p->waitForFinished(60000));
            EXPECT_EQ(p->exitCode(), 0) << p->readAllStandardOutput().toStdString()
                                        << p->readAllStandardError().toStdString();
        }
        for (const QString& code : kBranches)
            EXPECT_EQ(state(code), one[code])
                << "round " << round << ", branch " << code.toStdString();
    }
}

TEST_F(SoldOutProcessTest, OverTdsStoresWhatTheEmbeddedRunStores) {
    reset();
    uploadOnce();
    QMap<QString, QString> embedded;
    for (const QString& code : kBranches) embedded[code] = state(code);

    // The same server served by the TDS listener: Server.Dat and the branch rows name it as a
    // SQL Server, so every connection of the run goes through ODBC and FreeTDS.
    tsqlite::tds::ListenOptions options;
    options.serverDir = server.serverDir.toStdString();
    options.port = 0;
    tsqlite::tds::Listener listener(options);
    listener.start();
    const QString host = QStringLiteral("127.0.0.1,%1").arg(listener.port());
    server.writeServerDat(host);
    config()->execute(QStringLiteral("UPDATE Branch SET Server = :S"),
                      {{QStringLiteral("S"), host}});
    reset();
    uploadOnce();
    // The run's own connections and one per branch.
    EXPECT_GT(listener.acceptedConnections(), kBranches.size());
    for (const QString& code : kBranches)
        EXPECT_EQ(state(code), embedded[code]) << "branch " << code.toStdString();
    server.writeServerDat(server.serverDir);
}

}  // namespace
