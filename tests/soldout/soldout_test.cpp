// The sold-out upload on embedded servers: branch databases, the report database NWXBranch
// and the configuration database's branch list.
#include <gtest/gtest.h>

#include <QDir>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "data/Messages.h"
#include "soldout/Fr_SoldOut2NwxBranch.h"
#include "tests/common/client_fixture.h"

namespace {

using testing_support::ClientServer;
using testing_support::DataModules;

const int kThisYear = QDate::currentDate().year();

class SoldOutTest : public ::testing::Test {
protected:
    void SetUp() override {
        server.createConfig();
        server.createCompany(QStringLiteral("NWX"));
        modules.dm.setDatabaseParameter(QStringLiteral("NWX"));
        server.createDatabase(QStringLiteral("NWXBranch"));
        server.runScripts(QStringLiteral("NWXBranch"), testsupport::kReportScripts);
    }

    // A branch database with two products and the currencies; its Branch row points at it.
    void addBranch(const QString& code, const QString& database, const QVariant& lastUpdate = {},
                   const QString& serverDir = {}) {
        const QString dir = serverDir.isEmpty() ? server.serverDir : serverDir;
        if (serverDir.isEmpty()) {
            server.createDatabase(database);
            server.runScripts(database, testsupport::kCompanyScripts);
            branch(database)->execute(QStringLiteral(R"(
INSERT INTO Misc (GroupCode, Code, Description) VALUES ('CURRENCY', 'THB', 'บาท')
INSERT INTO Misc (GroupCode, Code, Description) VALUES ('CURRENCY', 'USD', 'US Dollar')
SET IDENTITY_INSERT Customer ON
INSERT INTO Customer (Id, Code, Name, Blocked) VALUES (1, 'C001', 'ลูกค้า', 'N')
SET IDENTITY_INSERT Customer OFF
SET IDENTITY_INSERT Product ON
INSERT INTO Product (Id, Code, ThaiName) VALUES (1, 'A100', 'ข้าวสาร 5 กก.')
INSERT INTO Product (Id, Code, ThaiName) VALUES (2, 'A200', 'น้ำมันพืช 1 ลิตร')
SET IDENTITY_INSERT Product OFF
SET IDENTITY_INSERT ProductUnits ON
INSERT INTO ProductUnits (Id, Product, BarCode, UnitName, Fraction) VALUES (1, 1, 'BA100', 'ถุง', 1)
INSERT INTO ProductUnits (Id, Product, BarCode, UnitName, Fraction) VALUES (2, 2, 'BA200', 'ขวด', 1)
SET IDENTITY_INSERT ProductUnits OFF
)"));
        }
        config()->execute(
            QStringLiteral("INSERT INTO Branch (BranchNo, BranchCode, BranchName, StopDatabase,"
                           " ServerName, Server, SoldOutLastUpdate)"
                           " VALUES (:No, :Code, :Name, 'N', :Db, :Server, :Last)"),
            {{QStringLiteral("No"), code.right(3)},
             {QStringLiteral("Code"), code},
             {QStringLiteral("Name"), QStringLiteral("สาขา ") + code},
             {QStringLiteral("Db"), database},
             {QStringLiteral("Server"), dir},
             {QStringLiteral("Last"), lastUpdate}});
    }

    std::unique_ptr<db::Connection> branch(const QString& database) {
        return server.connect(database);
    }
    std::unique_ptr<db::Connection> config() {
        return server.connect(QStringLiteral("QARN_CONFIG_NWX"));
    }
    std::unique_ptr<db::Connection> report() { return server.connect(QStringLiteral("NWXBranch")); }

    // A receipt with lines (unit, quantity, price) at `when`, in baht.
    void addReceipt(const QString& database, int id, const QDateTime& when, double total,
                    std::initializer_list<std::pair<int, double>> lines) {
        auto c = branch(database);
        c->execute(
            QStringLiteral("SET IDENTITY_INSERT PosHeader ON"
                           " INSERT INTO PosHeader (Id, PosNo, PosDate, CurrencyId, Rate, Total,"
                           " DelFlag) VALUES (:Id, :No, :Date, 1, 1, :Total, 'N')"
                           " SET IDENTITY_INSERT PosHeader OFF"),
            {{QStringLiteral("Id"), id},
             {QStringLiteral("No"), QStringLiteral("POS%1").arg(id)},
             {QStringLiteral("Date"), when},
             {QStringLiteral("Total"), total}});
        int line = id * 100;
        for (const auto& [unit, quantity] : lines)
            c->execute(
                QStringLiteral("SET IDENTITY_INSERT PosDetail ON"
                               " INSERT INTO PosDetail (Id, PosHeader, Product, ProductUnits,"
                               " Quantity, Price, DiscAmount)"
                               " VALUES (:L, :H, :U, :U, :Q, 10, 0)"
                               " SET IDENTITY_INSERT PosDetail OFF"),
                {{QStringLiteral("L"), ++line},
                 {QStringLiteral("H"), id},
                 {QStringLiteral("U"), unit},
                 {QStringLiteral("Q"), quantity}});
    }

    qlonglong reportRows(int year, const QString& branchCode) {
        return report()
            ->query(
                QStringLiteral("SELECT COUNT(*) FROM SoldOut%1 WHERE BranchCode = :B").arg(year),
                {{QStringLiteral("B"), branchCode}})
            .value(0, 0)
            .toLongLong();
    }
    QDateTime lastUpdate(const QString& code) {
        return config()
            ->query(QStringLiteral("SELECT SoldOutLastUpdate FROM Branch WHERE BranchCode = :C"),
                    {{QStringLiteral("C"), code}})
            .value(0, 0)
            .toDateTime();
    }
    static QDateTime daysAgo(int days, int hour = 10) {
        return QDateTime(QDate::currentDate().addDays(-days), QTime(hour, 0));
    }

    ClientServer server;
    DataModules modules{server};
    RecordingMessageService messages;
    ScopedMessageService scoped{messages};
};

TEST_F(SoldOutTest, ShowingSetsTheLabelsAndTheStartTime) {
    TFrSoldOut2NwxBranchAUTO screen({"1015", "1", "NWX", "", "15", " 07:30 "});
    screen.show();
    EXPECT_EQ(screen.windowTitle(), QStringLiteral("ดึง SoldOut To NWXBranch AUTO (M22.03.09)"));
    EXPECT_EQ(screen.LStartDate->text(), QStringLiteral("เริ่มเวลา : 07:30:00"));
    EXPECT_TRUE(screen.LDate->text().startsWith(QStringLiteral("เวลา : ")));
    EXPECT_TRUE(screen.runFlag());
    EXPECT_EQ(TFrSoldOut2NwxBranchAUTO::startTimeText(QString()), QStringLiteral("12:12:12"));
    EXPECT_FALSE(screen.autoRun());
}

TEST_F(SoldOutTest, UploadsEachBranchIntoTheTableOfItsYearAndMovesTheDateOn) {
    addBranch(QStringLiteral("0011"), QStringLiteral("BR0011"), daysAgo(3, 0));
    addReceipt(QStringLiteral("BR0011"), 1, daysAgo(2), 150, {{1, 2}, {2, 1}});
    addReceipt(QStringLiteral("BR0011"), 2, daysAgo(5), 50, {{1, 1}});  // before the window
    // An invoice in dollars with three lines, each carrying the invoice's total.
    branch(QStringLiteral("BR0011"))
        ->execute(QStringLiteral(R"(
SET IDENTITY_INSERT IvHd ON
INSERT INTO IvHd (Id, IvNo, IvDate, Customer, CurrencyId, Rate, Total, DelFlag) VALUES (1, 'IV0001', :D, 1, 2, 35.5, 100.125, 'N')
SET IDENTITY_INSERT IvHd OFF
SET IDENTITY_INSERT IvDt ON
INSERT INTO IvDt (Id, IvHd, Product, ProductUnits, Quantity, Fraction, Price, DiscountAmt) VALUES (1, 1, 1, 1, 1, 1, 100, 0)
INSERT INTO IvDt (Id, IvHd, Product, ProductUnits, Quantity, Fraction, Price, DiscountAmt) VALUES (2, 1, 2, 2, 1.5, 1, 100, 0)
INSERT INTO IvDt (Id, IvHd, Product, ProductUnits, Quantity, Fraction, Price, DiscountAmt) VALUES (3, 1, 1, 1, 1, 1, 100, 10)
SET IDENTITY_INSERT IvDt OFF
)"),
                  {{QStringLiteral("D"), daysAgo(1, 9)}});

    TFrSoldOut2NwxBranchAUTO screen;
    screen.show();
    QTest::mouseClick(screen.BLoad, Qt::LeftButton);

    EXPECT_EQ(reportRows(kThisYear, QStringLiteral("0011")), 5);
    const db::ResultSet iv = report()->query(
        QStringLiteral("SELECT BranchCode, TotalCurrency, TotalCurrencyMain, Quantity, Cost,"
                       " CurrencyCode, AddDate FROM SoldOut%1 WHERE SaleType = 'IV'")
            .arg(kThisYear));
    ASSERT_EQ(iv.rowCount(), 3);
    for (int r = 0; r < 3; ++r) {
        EXPECT_EQ(iv.value(r, 0).toString().trimmed(), QStringLiteral("0011"));
        // The invoice total is stored with two decimals (100.125 -> 100.13).
        EXPECT_EQ(iv.value(r, 1).toString(), QStringLiteral("100.1300"));
        EXPECT_EQ(iv.value(r, 2).toString(), QStringLiteral("3554.62"));  // 3554.615
        EXPECT_TRUE(iv.value(r, 4).isNull());
        EXPECT_EQ(iv.value(r, 5).toString().trimmed(), QStringLiteral("USD"));
        EXPECT_FALSE(iv.value(r, 6).isNull());
    }
    // The date becomes the latest sale read: the invoice yesterday at 09:00... unless the
    // receipt two days ago is later; sales come in date order, so it is the invoice.
    EXPECT_EQ(lastUpdate(QStringLiteral("0011")), daysAgo(1, 9));
    EXPECT_EQ(screen.ProgressBar1->value(), 5);
    EXPECT_TRUE(screen.failedBranches().isEmpty());
    ASSERT_EQ(messages.messages().size(), 1);
    EXPECT_TRUE(messages.messages()[0].startsWith(QStringLiteral("การส่ง SoldOut ")));
    EXPECT_TRUE(messages.messages()[0].endsWith(QStringLiteral(" เรียบร้อย")));
    EXPECT_TRUE(screen.BLoad->isEnabled());
    EXPECT_TRUE(screen.runFlag());
}

TEST_F(SoldOutTest, RunningAgainLeavesOneCopyOfEachRow) {
    addBranch(QStringLiteral("0011"), QStringLiteral("BR0011"), daysAgo(3, 0));
    addReceipt(QStringLiteral("BR0011"), 1, daysAgo(2), 150, {{1, 2}, {2, 1}});
    addReceipt(QStringLiteral("BR0011"), 2, daysAgo(0, 0), 30, {{2, 3}});
    TFrSoldOut2NwxBranchAUTO screen;
    screen.show();
    screen.BLoadClick();
    EXPECT_EQ(reportRows(kThisYear, QStringLiteral("0011")), 3);
    // The next run reads the whole last day again, after deleting what it stored for it.
    screen.BLoadClick();
    screen.BLoadClick();
    EXPECT_EQ(reportRows(kThisYear, QStringLiteral("0011")), 3);
}

TEST_F(SoldOutTest, ARunThatFailsHalfWayCanBeRunAgainWithoutDuplicates) {
    addBranch(QStringLiteral("0011"), QStringLiteral("BR0011"), daysAgo(6, 0));
    addBranch(QStringLiteral("0012"), QStringLiteral("BR0012"), daysAgo(6, 0));
    for (const QString& db : {QStringLiteral("BR0011"), QStringLiteral("BR0012")}) {
        addReceipt(db, 1, daysAgo(5), 10, {{1, 1}});
        addReceipt(db, 2, daysAgo(4), 10, {{1, 1}, {2, 2}});
    }
    // The third receipt's product code does not fit the report's char(15): the insert fails
    // after three rows of branch 0011 went in. The company script keeps codes to 15
    // characters; a branch database that widened its column holds a longer one.
    branch(QStringLiteral("BR0011"))->execute(QStringLiteral(R"(
ALTER TABLE Product ALTER COLUMN Code varchar(20) NOT NULL
SET IDENTITY_INSERT Product ON
INSERT INTO Product (Id, Code, ThaiName) VALUES (3, 'A300-LONG-CODE-XY', 'สบู่')
SET IDENTITY_INSERT Product OFF
SET IDENTITY_INSERT ProductUnits ON
INSERT INTO ProductUnits (Id, Product, BarCode, UnitName, Fraction) VALUES (3, 3, 'BA300', 'ก้อน', 1)
SET IDENTITY_INSERT ProductUnits OFF
)"));
    addReceipt(QStringLiteral("BR0011"), 3, daysAgo(3), 10, {{3, 1}});
    addReceipt(QStringLiteral("BR0011"), 4, daysAgo(2), 10, {{2, 1}});
    const QDateTime before = lastUpdate(QStringLiteral("0011"));

    TFrSoldOut2NwxBranchAUTO screen;
    screen.show();
    EXPECT_THROW(screen.BLoadClick(), db::DatabaseError);
    // The branch is untouched: its three rows before the failing one went with it.
    EXPECT_EQ(reportRows(kThisYear, QStringLiteral("0011")), 0);
    EXPECT_EQ(reportRows(kThisYear, QStringLiteral("0012")), 0);  // the run ended
    EXPECT_EQ(lastUpdate(QStringLiteral("0011")), before);
    // The screen can run again.
    EXPECT_TRUE(screen.BLoad->isEnabled());
    EXPECT_TRUE(screen.BClose->isEnabled());
    EXPECT_TRUE(screen.runFlag());

    branch(QStringLiteral("BR0011"))
        ->execute(QStringLiteral("UPDATE Product SET Code = 'A300' WHERE Id = 3"));
    screen.BLoadClick();
    EXPECT_EQ(reportRows(kThisYear, QStringLiteral("0011")), 5);
    EXPECT_EQ(reportRows(kThisYear, QStringLiteral("0012")), 3);
    EXPECT_EQ(report()
                  ->query(QStringLiteral("SELECT COUNT(*) FROM (SELECT SaleDocNo, ProdCode FROM"
                                         " SoldOut%1 GROUP BY BranchCode, SaleDocNo, ProdCode"
                                         " HAVING COUNT(*) > 1) D")
                              .arg(kThisYear))
                  .value(0, 0)
                  .toInt(),
              0);
}

TEST_F(SoldOutTest, ASalesReadThatFailsLeavesTheStoredRowsAndTheDate) {
    addBranch(QStringLiteral("0011"), QStringLiteral("BR0011"), daysAgo(6, 0));
    addReceipt(QStringLiteral("BR0011"), 1, daysAgo(5), 10, {{1, 1}});
    addReceipt(QStringLiteral("BR0011"), 2, daysAgo(4), 10, {{1, 1}, {2, 2}});
    TFrSoldOut2NwxBranchAUTO screen;
    screen.show();
    screen.BLoadClick();
    ASSERT_EQ(reportRows(kThisYear, QStringLiteral("0011")), 3);

    // The report's rows are cleared while the sales are read: a read that fails must take
    // the clearing back with it.
    config()->execute(QStringLiteral("UPDATE Branch SET SoldOutLastUpdate = :Last"),
                      {{QStringLiteral("Last"), daysAgo(6, 0)}});
    const QDateTime before = lastUpdate(QStringLiteral("0011"));
    branch(QStringLiteral("BR0011"))->execute(QStringLiteral("DROP TABLE SrDt"));
    EXPECT_THROW(screen.BLoadClick(), db::DatabaseError);
    EXPECT_EQ(reportRows(kThisYear, QStringLiteral("0011")), 3);
    EXPECT_EQ(lastUpdate(QStringLiteral("0011")), before);
    EXPECT_TRUE(screen.runFlag());
}

TEST_F(SoldOutTest, ABranchThatCannotBeOpenedIsListedAndLeftAlone) {
    // Its database exists on the configuration server, but the branch's own server is gone.
    server.createDatabase(QStringLiteral("BR0013"));
    addBranch(QStringLiteral("0013"), QStringLiteral("BR0013"), daysAgo(3, 0),
              QDir(server.folder()).filePath(QStringLiteral("missing-server")));
    addBranch(QStringLiteral("0014"), QStringLiteral("BR0014"), daysAgo(3, 0));
    addReceipt(QStringLiteral("BR0014"), 1, daysAgo(1), 10, {{1, 1}});
    server.createDatabase(QStringLiteral("BR0015"));
    addBranch(QStringLiteral("0015"), QStringLiteral("BR0015"), daysAgo(3, 0),
              QDir(server.folder()).filePath(QStringLiteral("missing-server")));
    report()->execute(QStringLiteral("SELECT TOP 0 * INTO SoldOut%1 FROM SoldOut%2")
                          .arg(kThisYear)
                          .arg(kThisYear - 1));
    report()->execute(
        QStringLiteral("INSERT INTO SoldOut%1 (SaleType, BranchCode, SaleDocNo, SaleDate)"
                       " VALUES ('POS', '0013', 'OLD', :D)")
            .arg(kThisYear),
        {{QStringLiteral("D"), daysAgo(1)}});
    const QDateTime before = lastUpdate(QStringLiteral("0013"));

    TFrSoldOut2NwxBranchAUTO screen;
    screen.show();
    screen.BLoadClick();
    // Each code stands apart, not "00130015".
    EXPECT_EQ(screen.failedBranches(), QStringLiteral("0013, 0015"));
    EXPECT_EQ(reportRows(kThisYear, QStringLiteral("0013")), 1);  // nothing deleted
    EXPECT_EQ(lastUpdate(QStringLiteral("0013")), before);
    EXPECT_EQ(reportRows(kThisYear, QStringLiteral("0014")), 1);  // the run went on
    EXPECT_FALSE(QDir(QDir(server.folder()).filePath(QStringLiteral("missing-server"))).exists());
    ASSERT_EQ(messages.messages().size(), 1);
    EXPECT_TRUE(
        messages.messages()[0].endsWith(QStringLiteral("\n\rสาขาที่ database มีปัญหา \n\r0013, 0015")));
}

TEST_F(SoldOutTest, YearlyTableIsMadeFromLastYearsBeforeAnyBranchIsRead) {
    // No branch at all: the table still appears, with last year's columns and no rows.
    EXPECT_EQ(
        server.count(QStringLiteral("NWXBranch"),
                     QStringLiteral("SELECT COUNT(*) FROM SysObjects WHERE Name = 'SoldOut%1'")
                         .arg(kThisYear)),
        0);
    TFrSoldOut2NwxBranchAUTO screen;
    screen.show();
    screen.BLoadClick();
    EXPECT_EQ(server.count(QStringLiteral("NWXBranch"),
                           QStringLiteral("SELECT COUNT(*) FROM SoldOut%1").arg(kThisYear)),
              0);
    EXPECT_EQ(server.count(QStringLiteral("NWXBranch"),
                           QStringLiteral("SELECT COUNT(*) FROM SysColumns WHERE Id ="
                                          " (SELECT Id FROM SysObjects WHERE Name = 'SoldOut%1')")
                               .arg(kThisYear)),
              17);
}

TEST_F(SoldOutTest, NeverUploadedBranchStartsIn2022AndEachRowGoesToItsYear) {
    addBranch(QStringLiteral("0011"), QStringLiteral("BR0011"));
    addReceipt(QStringLiteral("BR0011"), 1, QDateTime(QDate(2022, 3, 1), QTime(10, 0)), 10,
               {{1, 1}});
    addReceipt(QStringLiteral("BR0011"), 2, QDateTime(QDate(2024, 6, 1), QTime(10, 0)), 10,
               {{1, 1}});
    addReceipt(QStringLiteral("BR0011"), 3, daysAgo(1), 10, {{2, 1}});
    addReceipt(QStringLiteral("BR0011"), 4, QDateTime(QDate(2021, 12, 31), QTime(10, 0)), 10,
               {{2, 1}});  // before 1 January 2022
    TFrSoldOut2NwxBranchAUTO screen;
    screen.show();
    screen.BLoadClick();
    screen.BLoadClick();  // the second run starts yesterday
    // A third run from the start again must not double the years in between.
    config()->execute(QStringLiteral("UPDATE Branch SET SoldOutLastUpdate = NULL"));
    screen.BLoadClick();
    // The report database has no table before 2022, and the upload makes none.
    EXPECT_EQ(server.count(QStringLiteral("NWXBranch"),
                           QStringLiteral("SELECT COUNT(*) FROM SysObjects WHERE Name LIKE "
                                          "'SoldOut202[01]'")),
              0);
    EXPECT_EQ(reportRows(2022, QStringLiteral("0011")), 1);
    EXPECT_EQ(reportRows(2024, QStringLiteral("0011")), 1);
    EXPECT_EQ(reportRows(kThisYear, QStringLiteral("0011")), 1);
}

TEST_F(SoldOutTest, ADateBeforeTheFirstYearsTableClearsOnlyTheTablesThatExist) {
    // Never uploaded and no sales: the date goes back to 31 December 2021, a year the report
    // database has no table of; the next runs must still store the branch's new sales.
    addBranch(QStringLiteral("0011"), QStringLiteral("BR0011"));
    TFrSoldOut2NwxBranchAUTO screen;
    screen.show();
    screen.BLoadClick();
    EXPECT_EQ(lastUpdate(QStringLiteral("0011")), QDateTime(QDate(2021, 12, 31), QTime(0, 0)));
    screen.BLoadClick();
    EXPECT_EQ(lastUpdate(QStringLiteral("0011")), QDateTime(QDate(2021, 12, 30), QTime(0, 0)));
    addReceipt(QStringLiteral("BR0011"), 1, daysAgo(1), 10, {{1, 2}});
    screen.BLoadClick();
    EXPECT_TRUE(screen.failedBranches().isEmpty());
    EXPECT_EQ(reportRows(daysAgo(1).date().year(), QStringLiteral("0011")), 1);
    EXPECT_EQ(lastUpdate(QStringLiteral("0011")).date(), daysAgo(1).date());
}

TEST_F(SoldOutTest, BranchWithoutSalesMovesItsDateOneDayBack) {
    addBranch(QStringLiteral("0011"), QStringLiteral("BR0011"), daysAgo(3, 0));
    // Stopped, DC and unknown-database branches are skipped without a trace.
    config()->execute(QStringLiteral(R"(
INSERT INTO Branch (BranchNo, BranchCode, BranchName, StopDatabase, ServerName, Server) VALUES ('900', 'DC001', 'DC', 'N', 'NWX', '')
INSERT INTO Branch (BranchNo, BranchCode, BranchName, StopDatabase, ServerName, Server) VALUES ('020', '0020', 'Closed', 'Y', 'BR0011', '')
INSERT INTO Branch (BranchNo, BranchCode, BranchName, StopDatabase, ServerName, Server) VALUES ('021', '0021', 'Nowhere', 'N', 'BR9999', '')
)"));
    TFrSoldOut2NwxBranchAUTO screen;
    screen.show();
    screen.BLoadClick();
    EXPECT_EQ(lastUpdate(QStringLiteral("0011")), daysAgo(4, 0));
    EXPECT_TRUE(screen.failedBranches().isEmpty());
    EXPECT_TRUE(lastUpdate(QStringLiteral("DC001")).isNull());
    // An empty bar, not a busy animation.
    EXPECT_EQ(screen.ProgressBar1->value(), 0);
    EXPECT_GT(screen.ProgressBar1->maximum(), 0);
}

TEST_F(SoldOutTest, EmptyTextsGoAsEmptyAndEmptyNumbersAsZero) {
    addBranch(QStringLiteral("0011"), QStringLiteral("BR0011"), daysAgo(3, 0));
    // A currency with no code and no rate, a line without a discount. The company script
    // requires a rate; older branch databases do not.
    branch(QStringLiteral("BR0011"))
        ->execute(QStringLiteral(R"(
ALTER TABLE IvHd ALTER COLUMN Rate decimal(18,6) NULL
ALTER TABLE IvDt ALTER COLUMN DiscountAmt decimal(18,2) NULL
SET IDENTITY_INSERT IvHd ON
INSERT INTO IvHd (Id, IvNo, IvDate, Customer, CurrencyId, Rate, Total, DelFlag) VALUES (1, 'IV0001', :D, 1, 999, NULL, 80, 'N')
SET IDENTITY_INSERT IvHd OFF
SET IDENTITY_INSERT IvDt ON
INSERT INTO IvDt (Id, IvHd, Product, ProductUnits, Quantity, Fraction, Price, DiscountAmt) VALUES (1, 1, 1, 1, 2, 1, 40, NULL)
SET IDENTITY_INSERT IvDt OFF
)"),
                  {{QStringLiteral("D"), daysAgo(1, 9)}});
    TFrSoldOut2NwxBranchAUTO screen;
    screen.show();
    screen.BLoadClick();

    const db::ResultSet iv = report()->query(
        QStringLiteral("SELECT CurrencyCode, Rate, Discount, TotalCurrencyMain, Cost, Price"
                       " FROM SoldOut%1 WHERE SaleType = 'IV'")
            .arg(kThisYear));
    ASSERT_EQ(iv.rowCount(), 1);
    EXPECT_FALSE(iv.value(0, 0).isNull());
    EXPECT_EQ(iv.value(0, 0).toString().trimmed(), QString());
    for (int c : {1, 2, 3}) {
        EXPECT_FALSE(iv.value(0, c).isNull()) << c;
        EXPECT_EQ(iv.value(0, c).toDouble(), 0.0) << c;
    }
    EXPECT_TRUE(iv.value(0, 4).isNull());  // Cost is given no value at all
    EXPECT_EQ(iv.value(0, 5).toDouble(), 40.0);
}

TEST_F(SoldOutTest, AutoRunPressesLoadPrintsTheOutcomeAndEnds) {
    addBranch(QStringLiteral("0011"), QStringLiteral("BR0011"), daysAgo(3, 0));
    addReceipt(QStringLiteral("BR0011"), 1, daysAgo(1), 10, {{1, 1}});
    server.createDatabase(QStringLiteral("BR0013"));
    addBranch(QStringLiteral("0013"), QStringLiteral("BR0013"), daysAgo(3, 0),
              QDir(server.folder()).filePath(QStringLiteral("missing-server")));

    TFrSoldOut2NwxBranchAUTO screen({"1015", "1", "NWX", "", "15", "", "--autorun"});
    ASSERT_TRUE(screen.autoRun());
    QSignalSpy finished(&screen, &TFrSoldOut2NwxBranchAUTO::runFinished);
    ::testing::internal::CaptureStdout();
    screen.show();
    ASSERT_TRUE(finished.wait(20000));
    const std::string out = ::testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("การส่ง SoldOut "), std::string::npos) << out;
    EXPECT_NE(out.find("0013"), std::string::npos) << out;
    EXPECT_TRUE(messages.messages().isEmpty());  // nobody to press OK at night
    EXPECT_FALSE(screen.isVisible());
    EXPECT_EQ(reportRows(kThisYear, QStringLiteral("0011")), 1);
}

TEST(SoldOutParameters, ListsAreBuiltAsTheServersExpectThem) {
    TFrSoldOut2NwxBranchAUTO screen;
    screen.SetDBServer(QStringLiteral(" ./branches "), QStringLiteral(" BR0001 "));
    const QStringList& branch = screen.DBBranch.params();
    ASSERT_EQ(branch.size(), 24);
    EXPECT_EQ(branch[0], QStringLiteral("DATABASE NAME=BR0001"));
    EXPECT_EQ(branch[1], QStringLiteral("SERVER NAME=./branches"));
    EXPECT_EQ(branch[11], QStringLiteral("MAX QUERY TIME=600"));
    const QStringList report =
        TFrSoldOut2NwxBranchAUTO::reportParameterList(QStringLiteral("SQL1"));
    EXPECT_EQ(report[0], QStringLiteral("DATABASE NAME=NWXBranch"));
    EXPECT_EQ(report[9], QStringLiteral("DATE MODE=0"));
    EXPECT_EQ(report[11], QStringLiteral("MAX QUERY TIME=300"));
    EXPECT_EQ(report[19], QStringLiteral("ENABLE BCD=TRUE"));
    EXPECT_EQ(report[21], QStringLiteral("BLOBS TO CACHE=10000"));
    EXPECT_EQ(report[23], QStringLiteral("PASSWORD=mirabelt"));
}

}  // namespace
