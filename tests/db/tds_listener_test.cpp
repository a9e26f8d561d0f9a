// The client's ODBC driver against the embedded server's TDS listener, next to the embedded
// driver on the same server: what one writes the other reads back identically, and several
// workstations share the server safely.
#include <QFile>
#include <QSet>
#include <mutex>
#include <thread>

#include "test_server.h"
#include "tsqlite/parser.h"

using namespace db;
using db::testing::ServerTest;

namespace {

class TdsListenerTest : public ServerTest {
protected:
    void SetUp() override {
        ServerTest::SetUp();
        tsqlite::tds::ListenOptions options;
        options.serverDir = serverDir.toStdString();
        options.port = 0;
        tds = std::make_unique<tsqlite::tds::Listener>(options);
        tds->start();
        odbcName = QStringLiteral("127.0.0.1,%1").arg(tds->port());
        embedded.setParams(connectionParameterList("Shop", serverDir, 60));
        odbc.setParams(connectionParameterList("Shop", odbcName, 60));
    }
    void TearDown() override {
        embedded.close();
        odbc.close();
        tds->stop();
        ServerTest::TearDown();
    }

    void runScript(const QString& name) {
        QFile f(QStringLiteral(BACKOFFICE_SQL_DIR "/") + name);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << name.toStdString();
        tsqlite::Session s(serverDir.toStdString(), "Shop");
        for (const auto& batch : tsqlite::splitScript(f.readAll().toStdString()))
            s.query(batch.text);
    }

    std::unique_ptr<tsqlite::tds::Listener> tds;
    QString odbcName;
    Connection embedded{QStringLiteral("Embedded")};
    Connection odbc{QStringLiteral("Odbc")};
};

const QString kThai = QString::fromUtf8("ข้าวหอมมะลิ ๕ กก. “ดี”");

}  // namespace

TEST_F(TdsListenerTest, ThaiTextReadsBackIdenticallyBothWays) {
    ASSERT_EQ(odbc.serverKind(), ServerKind::Embedded);  // not connected yet
    embedded.execute(
        "CREATE TABLE Note (Id int PRIMARY KEY, A varchar(60), N nvarchar(60),"
        " T text NULL, NT ntext NULL, M varchar(max) NULL)");
    embedded.execute("INSERT INTO Note VALUES (1, :t, :t, :t, :t, :t)", {{"t", kThai}});
    odbc.execute("INSERT INTO Note VALUES (2, :t, :t, :t, :t, :t)", {{"t", kThai}});
    EXPECT_EQ(odbc.serverKind(), ServerKind::Odbc);
    for (Connection* c : {&embedded, &odbc}) {
        ResultSet rs = c->query("SELECT A, N, T, NT, M FROM Note ORDER BY Id");
        ASSERT_EQ(rs.rowCount(), 2);
        for (int r = 0; r < 2; ++r)
            for (int col = 0; col < 5; ++col)
                EXPECT_EQ(rs.value(r, col).toString(), kThai)
                    << c->name().toStdString() << " row " << r << " column " << col;
    }
    // varchar holds code page 874: the same bytes whichever way the text came.
    EXPECT_EQ(embedded.query("SELECT COUNT(DISTINCT CAST(A AS varbinary(100))) FROM Note")
                  .value(0, 0)
                  .toInt(),
              1);
}

TEST_F(TdsListenerTest, ProceduresPreparedStatementsAndTransactionsOverOdbc) {
    embedded.execute(
        "CREATE TABLE Item (Id int PRIMARY KEY, Qty decimal(18,2) NULL,"
        " Made datetime NULL)");
    embedded.execute(
        "CREATE PROCEDURE AddItem @Id int, @Qty decimal(18,2), @Made datetime,"
        " @Count int OUTPUT, @Label nvarchar(40) OUTPUT AS BEGIN"
        " INSERT INTO Item VALUES (@Id, @Qty, @Made);"
        " SELECT @Count = COUNT(*) FROM Item; SET @Label = N'รายการ ' + CAST(@Id AS nvarchar(10));"
        " RETURN 5 END");
    const QDateTime made(QDate(2024, 2, 29), QTime(13, 45, 10, 123));
    ProcResult r =
        odbc.callProcedure("AddItem", {{"@Id", 1},
                                       {"@Qty", QVariant::fromValue(*Decimal::parse(u"12.75"))},
                                       {"@Made", made},
                                       {"@Count", QVariant(), true},
                                       {"@Label", QVariant(), true}});
    EXPECT_EQ(r.returnValue, 5);
    EXPECT_EQ(r.outputs.value("@Count").toInt(), 1);
    EXPECT_EQ(r.outputs.value("@Label").toString(), QString::fromUtf8("รายการ 1"));
    ResultSet rs = embedded.query("SELECT Qty, Made FROM Item");
    EXPECT_EQ(rs.value(0, 0).toString(), "12.75");
    EXPECT_EQ(rs.value(0, 1).toDateTime(), made);

    // An error inside the procedure keeps its number through the RPC.
    try {
        odbc.callProcedure("AddItem", {{"@Id", 1},
                                       {"@Qty", 1},
                                       {"@Made", made},
                                       {"@Count", QVariant(), true},
                                       {"@Label", QVariant(), true}});
        ADD_FAILURE() << "a duplicate key went through";
    } catch (const DatabaseError& e) {
        EXPECT_EQ(e.number(), 2627) << e.what();
    }

    // A transaction over ODBC holds until it is committed or rolled back.
    odbc.startTransaction();
    odbc.execute("INSERT INTO Item (Id) VALUES (2)");
    EXPECT_EQ(odbc.query("SELECT COUNT(*) FROM Item").value(0, 0).toInt(), 2);
    odbc.rollback();
    EXPECT_EQ(embedded.query("SELECT COUNT(*) FROM Item").value(0, 0).toInt(), 1);
    odbc.startTransaction();
    odbc.execute("INSERT INTO Item (Id) VALUES (3)");
    odbc.commit();
    EXPECT_EQ(embedded.query("SELECT COUNT(*) FROM Item").value(0, 0).toInt(), 2);
}

TEST_F(TdsListenerTest, EightWorkstationsDrawDocumentNumbersWithoutRepeats) {
    runScript("company/common_tables.sql");
    runScript("company/common_procedures.sql");
    embedded.execute(
        "INSERT INTO DocumentNo (Code, DocYear, Prefix, LastNo, DocumentLength)"
        " VALUES ('BO', 2024, 'BO', 0, 10)");
    embedded.execute("CREATE TABLE OrderHead (DocNo varchar(50) PRIMARY KEY, Station int)");
    constexpr int kStations = 8, kEach = 15;
    std::mutex mutex;
    QStringList numbers, failures;
    std::vector<std::thread> stations;
    for (int s = 0; s < kStations; ++s) {
        stations.emplace_back([&, s] {
            Connection c(QStringLiteral("Station%1").arg(s));
            c.setParams(connectionParameterList("Shop", odbcName, 60));
            for (int i = 0; i < kEach; ++i) {
                try {
                    c.startTransaction();
                    ProcResult r = c.callProcedure(
                        "NewDocumentNo",
                        {{"@DocCode", "BO"}, {"@DocYear", 2024}, {"@NewNo", QVariant(), true}});
                    QString no = r.outputs.value("@NewNo").toString();
                    c.execute("INSERT INTO OrderHead VALUES (:No, :S)", {{"No", no}, {"S", s}});
                    c.commit();
                    std::lock_guard<std::mutex> lock(mutex);
                    numbers << no;
                } catch (const DatabaseError& e) {
                    c.rollback();
                    std::lock_guard<std::mutex> lock(mutex);
                    failures << e.message();
                }
            }
        });
    }
    for (auto& t : stations) t.join();
    // Waiting for another writer may time out; what was drawn is never drawn twice, and
    // every saved order is there.
    EXPECT_GE(numbers.size(), kStations * kEach / 2) << failures.join('\n').toStdString();
    EXPECT_EQ(QSet<QString>(numbers.begin(), numbers.end()).size(), numbers.size());
    EXPECT_EQ(embedded.query("SELECT COUNT(*) FROM OrderHead").value(0, 0).toInt(), numbers.size());
    EXPECT_EQ(embedded.query("SELECT LastNo FROM DocumentNo WHERE Code = 'BO'").value(0, 0).toInt(),
              numbers.size());
}

// Decimal parameters travel as decimals over TDS: arithmetic on them answers as on the embedded
// server, every digit kept up to 38.
TEST_F(TdsListenerTest, DecimalParametersAnswerAlikeOnBothDrivers) {
    const QVariant small = QVariant::fromValue(*Decimal::parse(u"-12.50"));
    const QVariant wide = QVariant::fromValue(*Decimal::parse(u"12345678901234567890123.4567"));
    for (Connection* c : {&embedded, &odbc}) {
        ResultSet rs =
            c->query("SELECT :A + 1 AS S, :B * 2 AS P, :B - :A AS D", {{"A", small}, {"B", wide}});
        ASSERT_EQ(rs.rowCount(), 1) << c->name().toStdString();
        EXPECT_EQ(rs.value(0, "S").value<Decimal>().toString(), "-11.50")
            << c->name().toStdString();
        EXPECT_EQ(rs.value(0, "P").value<Decimal>().toString(), "24691357802469135780246.9134")
            << c->name().toStdString();
        EXPECT_EQ(rs.value(0, "D").value<Decimal>().toString(), "12345678901234567890135.9567")
            << c->name().toStdString();
    }
}

// A procedure's decimal OUTPUT parameter comes back with every digit on both drivers, and its
// decimal input goes in with every digit.
TEST_F(TdsListenerTest, WideDecimalOutputsComeBackExactlyOnBothDrivers) {
    embedded.execute(
        "CREATE PROCEDURE Tenfold @In decimal(38,4), @Out decimal(38,4) OUTPUT, "
        "@Small decimal(9,2) OUTPUT AS BEGIN SET @Out = @In * 10; SET @Small = @Small - 0.01 END");
    const QVariant in = QVariant::fromValue(*Decimal::parse(u"-1234567890123456789012.3456"));
    for (Connection* c : {&embedded, &odbc}) {
        ProcResult r = c->callProcedure(
            "Tenfold", {ProcParam::in("@In", in), ProcParam::out("@Out"),
                        ProcParam::out("@Small", FieldType::Unknown,
                                       QVariant::fromValue(*Decimal::parse(u"10.00")))});
        EXPECT_EQ(r.output("@Out").value<Decimal>().toString(), "-12345678901234567890123.4560")
            << c->name().toStdString();
        EXPECT_EQ(r.output("@Small").value<Decimal>().toString(), "9.99")
            << c->name().toStdString();
    }
}

// However a client passes a number, a wide column stores it in one form: equal numbers group,
// count and sort as one on both drivers.
TEST_F(TdsListenerTest, ParametersOfEveryKindStoreOneFormInAWideColumn) {
    embedded.execute("CREATE TABLE Amount (V decimal(30,2) NULL)");
    const QVariant wide = QVariant::fromValue(*Decimal::parse(u"-12345678901234567890.5"));
    const QVariant wider = QVariant::fromValue(*Decimal::parse(u"-12345678901234567890.500"));
    for (Connection* c : {&embedded, &odbc})
        for (const QVariant& v : {QVariant::fromValue(*Decimal::parse(u"5")),
                                  QVariant::fromValue(*Decimal::parse(u"5.000")), QVariant(5),
                                  QVariant(5.0), QVariant(QStringLiteral("5")), wide, wider})
            c->execute("INSERT INTO Amount VALUES (:V)", {{"V", v}});
    for (Connection* c : {&embedded, &odbc}) {
        ResultSet rs = c->query(
            "SELECT V, COUNT(*) AS N FROM Amount GROUP BY V "
            "UNION SELECT V, 0 FROM Amount ORDER BY V, N");
        ASSERT_EQ(rs.rowCount(), 4) << c->name().toStdString();
        EXPECT_EQ(rs.value(0, "V").value<Decimal>().toString(), "-12345678901234567890.50");
        EXPECT_EQ(rs.value(1, "N").toInt(), 4);
        EXPECT_EQ(rs.value(2, "V").value<Decimal>().toString(), "5.00");
        EXPECT_EQ(rs.value(3, "N").toInt(), 10);
    }
}
