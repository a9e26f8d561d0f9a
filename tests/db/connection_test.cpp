// A connection on the embedded server: parameters, typed results, procedures, transactions
// and the errors a screen sees.
#include <QDateTime>
#include <QDir>
#include <QFile>

#include "test_server.h"

using namespace db;
using db::testing::ServerTest;

namespace {

const QString kThai = QString::fromUtf8("ข้าวหอมมะลิ ๕ กก.");

class ConnectionTest : public ServerTest {
protected:
    void SetUp() override {
        ServerTest::SetUp();
        conn.execute(
            "CREATE TABLE Product (Id int NOT NULL PRIMARY KEY, Code varchar(20) NOT NULL,"
            " Name varchar(60) NULL, Qty decimal(18,2) NULL, Price money NULL,"
            " Ratio float NULL, Made datetime NULL, Active bit NULL)");
    }

    DatabaseError errorOf(const std::function<void()>& f) {
        try {
            f();
        } catch (const DatabaseError& e) {
            return e;
        }
        ADD_FAILURE() << "no error";
        return DatabaseError("none");
    }
};

QVariant dec(const char16_t* text) {
    return QVariant::fromValue(*Decimal::parse(text));
}

}  // namespace

TEST_F(ConnectionTest, OpensOnFirstUseWithAListBuiltBeforeEachConnect) {
    Connection cfg("DmCfg");
    int before = 0, after = 0;
    cfg.setBeforeConnect([&](Connection& c) {
        ++before;
        c.params().clear();
        c.params() << connectionParameterList("Shop", serverName, 600);
    });
    cfg.setAfterConnect([&](Connection& c) {
        ++after;
        EXPECT_TRUE(c.isOpen());
    });
    EXPECT_FALSE(cfg.isOpen());
    EXPECT_EQ(cfg.query("SELECT DB_NAME()").value(0, 0).toString(), "Shop");
    EXPECT_EQ(cfg.timeout(), 600);
    cfg.query("SELECT 1");
    EXPECT_EQ(before, 1);
    cfg.close();
    cfg.execute("SELECT 1");
    EXPECT_EQ(before, 2);
    EXPECT_EQ(after, 2);
    EXPECT_EQ(cfg.params().size(), 24);
}

TEST_F(ConnectionTest, EachParameterTakesItsOwnValueAmongOtherNamesOfTheMap) {
    // Names the statement does not use sort between the ones it does; one is given in other
    // letters' case. The statement runs twice with the same map object, changed in place.
    const QString insert =
        "INSERT INTO Product (Id, Code, Name, Qty, Price, Made) VALUES"
        " (:Id, :Code, :Name, :Qty, :Price, :Made)";
    Params params{{"A", "unused"},        {"code", "K1"},        {"Id", 1},
                  {"Ignored", 99},        {"Made", QDateTime()}, {"Name", "first"},
                  {"Price", dec(u"2.5")}, {"Qty", dec(u"1.25")}, {"Zzz", "unused"}};
    // Every field of the date and time written in full, with its leading zeros.
    params["Made"] = QDateTime(QDate(1800, 3, 4), QTime(5, 6, 7, 8));
    conn.execute(insert, params);
    params["Id"] = 2;
    params["code"] = "K2";
    params["Made"] = QDateTime(QDate(2024, 12, 31), QTime(23, 59, 58, 997));
    params.remove("Name");
    params["name"] = "second";
    conn.execute(insert, params);
    const ResultSet rs = conn.query(
        "SELECT Code, Name, Qty, Price, CONVERT(varchar(23), Made, 121) AS Made"
        " FROM Product ORDER BY Id");
    ASSERT_EQ(rs.rowCount(), 2);
    EXPECT_EQ(rs.value(0, "Code").toString(), "K1");
    EXPECT_EQ(rs.value(0, "Name").toString(), "first");
    EXPECT_EQ(rs.value(0, "Qty").toString(), "1.25");
    EXPECT_EQ(rs.value(0, "Price").toString(), "2.5000");
    EXPECT_EQ(rs.value(0, "Made").toString(), "1800-03-04 05:06:07.007");
    EXPECT_EQ(rs.value(1, "Code").toString(), "K2");
    EXPECT_EQ(rs.value(1, "Name").toString(), "second");
    EXPECT_EQ(rs.value(1, "Made").toString(), "2024-12-31 23:59:58.997");

    // The first name missing in the statement's order is the one the error names.
    params.remove("Qty");
    params.remove("code");
    const DatabaseError e = errorOf([&] { conn.execute(insert, params); });
    EXPECT_EQ(e.number(), 8178);
    EXPECT_TRUE(e.message().contains(":Code")) << e.what();
}

TEST_F(ConnectionTest, ParametersBindByNameOnceForEveryPlace) {
    // A repeated name (in any letter case) takes one value. A decimal goes as a number, so
    // COALESCE with an integer keeps its fraction, as on SQL Server.
    EXPECT_EQ(conn.execute("INSERT INTO Product (Id, Code, Qty, Price) VALUES (:Id, :Code,"
                           " Coalesce(:Qty, 0), Coalesce(:qty, 0) * 2)",
                           {{"Id", 1}, {"Code", "A1"}, {"QTY", dec(u"12.75")}}),
              1);
    ResultSet rs = conn.query("SELECT Qty, Price FROM Product WHERE Id = :Id", {{"id", 1}});
    ASSERT_EQ(rs.rowCount(), 1);
    EXPECT_EQ(rs.value(0, "Qty").toString(), "12.75");
    EXPECT_EQ(rs.value(0, "Price").toString(), "25.5000");

    // Quotes and comments hold no parameters, and "::" inside them stays as written.
    rs = conn.query(
        "SELECT N'12::30 :x' AS Quoted, :T AS Param -- :ignored, ::y\n"
        "/* :also /* :nested */ */",
        {{"T", kThai}});
    EXPECT_EQ(rs.value(0, "Quoted").toString(), "12::30 :x");
    EXPECT_EQ(rs.value(0, "Param").toString(), kThai);

    // Outside quotes "::" is a lone colon: the server's syntax error, not a parameter "y".
    DatabaseError e = errorOf([&] { conn.query("SELECT 1 ::y"); });
    EXPECT_EQ(e.number(), 102);
    EXPECT_TRUE(e.message().contains("':'")) << e.what();

    e = errorOf([&] { conn.query("SELECT :Missing + :Given", {{"Given", 1}}); });
    EXPECT_EQ(e.number(), 8178);
    EXPECT_TRUE(e.message().contains(":Missing")) << e.what();

    // NULL, dates, booleans and texts as parameters.
    QDateTime made(QDate(2024, 2, 29), QTime(13, 45, 10, 123));
    conn.execute(
        "INSERT INTO Product (Id, Code, Name, Made, Active, Ratio)"
        " VALUES (2, 'B2', :Name, :Made, :Active, :Ratio)",
        {{"Name", QVariant()}, {"Made", made}, {"Active", true}, {"Ratio", 0.25}});
    rs = conn.query("SELECT Name, Made, Active, Ratio FROM Product WHERE Made = :Made",
                    {{"Made", made}});
    ASSERT_EQ(rs.rowCount(), 1);
    EXPECT_TRUE(rs.value(0, "Name").isNull());
    EXPECT_EQ(rs.value(0, "Made").toDateTime(), made);
    EXPECT_EQ(rs.value(0, "Active"), QVariant(true));
    EXPECT_EQ(rs.value(0, "Ratio"), QVariant(0.25));
}

TEST_F(ConnectionTest, ResultColumnsAreTyped) {
    conn.execute(
        "INSERT INTO Product VALUES (1, 'P1', :Thai, 1234.5, 99.99, 1.5, '2023-12-31 23:59:58.997',"
        " 1);"
        "INSERT INTO Product VALUES (2, 'P2', NULL, NULL, NULL, NULL, NULL, NULL);",
        {{"Thai", kThai}});
    ResultSet rs = conn.query(
        "SELECT Id, Code, Name, Qty, Price, Ratio, Made, Active, N'ไทย' + Code AS Label"
        " FROM Product ORDER BY Id");
    ASSERT_EQ(rs.columnCount(), 9);
    const FieldType expected[] = {FieldType::Integer,  FieldType::String,  FieldType::String,
                                  FieldType::Decimal,  FieldType::Decimal, FieldType::Float,
                                  FieldType::DateTime, FieldType::Bool,    FieldType::String};
    for (int c = 0; c < 9; ++c) EXPECT_EQ(rs.columns()[c].type, expected[c]) << c;
    EXPECT_EQ(rs.columns()[2].size, 60);
    EXPECT_EQ(rs.columns()[3].precision, 18);
    EXPECT_EQ(rs.columns()[3].scale, 2);

    ASSERT_EQ(rs.rowCount(), 2);
    EXPECT_EQ(rs.value(0, "id"), QVariant(qlonglong(1)));
    EXPECT_EQ(rs.value(0, "NAME").toString(), kThai);
    EXPECT_EQ(rs.value(0, "Qty").value<Decimal>().toString(), "1234.50");
    EXPECT_EQ(rs.value(0, "Price").value<Decimal>().toString(), "99.9900");
    EXPECT_DOUBLE_EQ(rs.value(0, "Ratio").toDouble(), 1.5);
    EXPECT_EQ(rs.value(0, "Made").toDateTime(),
              QDateTime(QDate(2023, 12, 31), QTime(23, 59, 58, 997)));
    EXPECT_EQ(rs.value(0, "Active"), QVariant(true));
    EXPECT_EQ(rs.value(0, "Label").toString(), QString::fromUtf8("ไทยP1"));
    for (int c = 2; c < 8; ++c) EXPECT_TRUE(rs.value(1, c).isNull()) << c;

    EXPECT_THROW(rs.value(0, "NoSuchColumn"), DatabaseError);
    // Only row changes count; a batch that changes nothing says so.
    EXPECT_EQ(conn.execute("UPDATE Product SET Qty = 1; SELECT * FROM Product"), 2);
    EXPECT_EQ(conn.execute("SELECT * FROM Product"), -1);
    EXPECT_EQ(conn.queryAll("SELECT 1; SELECT 2, 3").size(), 2);
    EXPECT_EQ(conn.query("UPDATE Product SET Qty = 2").columnCount(), 0);
}

TEST_F(ConnectionTest, DecimalParametersAndResultsKeepEveryDigit) {
    // 17 significant digits: a double would give ...568 and ...4568.
    conn.execute(
        "CREATE TABLE Amounts (Id int NOT NULL, Amount decimal(20,2) NOT NULL, Fee money NULL)");
    conn.execute("INSERT INTO Amounts VALUES (1, :Amount, :Fee), (2, :Small, NULL)",
                 {{"Amount", dec(u"12345678901234567.89")},
                  {"Fee", dec(u"922337203685477.5807")},
                  {"Small", dec(u"-0.05")}});
    ResultSet rs = conn.query("SELECT Amount, Fee FROM Amounts ORDER BY Id");
    ASSERT_EQ(rs.rowCount(), 2);
    EXPECT_EQ(rs.value(0, "Amount").value<Decimal>().toString(), "12345678901234567.89");
    EXPECT_EQ(rs.value(0, "Fee").value<Decimal>().toString(), "922337203685477.5807");
    EXPECT_EQ(rs.value(1, "Amount").value<Decimal>().toString(), "-0.05");
    // A parameter compares exactly with what is stored, and arithmetic on it stays exact.
    EXPECT_EQ(conn.query("SELECT Id FROM Amounts WHERE Amount = :A",
                         {{"A", dec(u"12345678901234567.89")}})
                  .rowCount(),
              1);
    EXPECT_EQ(conn.query("SELECT Id FROM Amounts WHERE Amount = :A",
                         {{"A", dec(u"12345678901234567.88")}})
                  .rowCount(),
              0);
    ResultSet sum =
        conn.query("SELECT SUM(Amount) + :One AS Total FROM Amounts", {{"One", dec(u"0.01")}});
    EXPECT_EQ(sum.value(0, "Total").value<Decimal>().toString(), "12345678901234567.85");
    // A value beyond the column is refused, not stored short.
    EXPECT_THROW(conn.execute("UPDATE Amounts SET Fee = :Fee WHERE Id = 2",
                              {{"Fee", dec(u"922337203685477.5808")}}),
                 DatabaseError);
}

TEST_F(ConnectionTest, ProceduresTakeNamedArgumentsAndReturnOutputs) {
    conn.execute(
        "CREATE PROCEDURE NewDocumentNo @DocCode varchar(20), @DocYear int,"
        " @NewNo varchar(30) OUTPUT, @Stamp datetime OUTPUT, @Total decimal(18,2) OUTPUT AS\n"
        "BEGIN\n"
        "  SET @NewNo = @DocCode + '-' + CONVERT(varchar(4), @DocYear) + N'-ไทย'\n"
        "  SET @Stamp = '2024-05-06 07:08:09.010'\n"
        "  SET @Total = @Total + 0.5\n"
        "  SELECT @DocYear AS DocYear\n"
        "  RETURN 7\n"
        "END");
    ProcResult r = conn.callProcedure(
        "NewDocumentNo",
        {ProcParam::out("@Stamp", FieldType::DateTime), ProcParam::in("DocYear", 2024),
         ProcParam::out("@NewNo"), ProcParam::out("Total", FieldType::Decimal, dec(u"1.25")),
         ProcParam::in("@DocCode", "ORD-BRANCH")});
    EXPECT_EQ(r.returnValue, 7);
    EXPECT_EQ(r.output("newno").toString(), QString::fromUtf8("ORD-BRANCH-2024-ไทย"));
    EXPECT_EQ(r.output("@Stamp").toDateTime(), QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9, 10)));
    EXPECT_EQ(r.output("Total").value<Decimal>(), *Decimal::parse(u"1.75"));
    ASSERT_EQ(r.resultSets.size(), 1);
    EXPECT_EQ(r.resultSets[0].value(0, "DocYear"), QVariant(qlonglong(2024)));

    DatabaseError e =
        errorOf([&] { conn.callProcedure("NewDocumentNo", {ProcParam::in("@X", 1)}); });
    EXPECT_EQ(e.number(), 8145);
    e = errorOf([&] { conn.callProcedure("NoSuchProc"); });
    EXPECT_EQ(e.number(), 2812);
}

TEST_F(ConnectionTest, TransactionsCommitAndRollBack) {
    EXPECT_FALSE(conn.inTransaction());
    conn.rollback();  // nothing to roll back: no error
    EXPECT_THROW(conn.commit(), DatabaseError);

    conn.startTransaction();
    EXPECT_TRUE(conn.inTransaction());
    EXPECT_THROW(conn.startTransaction(), DatabaseError);
    conn.execute("INSERT INTO Product (Id, Code) VALUES (1, 'A')");
    conn.commit();
    EXPECT_FALSE(conn.inTransaction());
    EXPECT_EQ(countOf("Product"), 1);

    conn.startTransaction();
    conn.execute("INSERT INTO Product (Id, Code) VALUES (2, 'B')");
    conn.execute("UPDATE Product SET Code = 'Z' WHERE Id = 1");
    conn.rollback();
    EXPECT_FALSE(conn.inTransaction());
    EXPECT_EQ(countOf("Product"), 1);
    EXPECT_EQ(conn.query("SELECT Code FROM Product").value(0, 0).toString(), "A");

    // Closing the connection gives up an unfinished transaction.
    conn.startTransaction();
    conn.execute("DELETE FROM Product");
    conn.close();
    EXPECT_EQ(countOf("Product"), 1);
}

TEST_F(ConnectionTest, ServerErrorsKeepNumberSeverityStateLineAndText) {
    conn.execute("INSERT INTO Product (Id, Code) VALUES (1, 'A')");
    DatabaseError e = errorOf([&] {
        conn.execute(
            "UPDATE Product SET Code = 'B'\nINSERT INTO Product (Id, Code) VALUES (1, 'A')");
    });
    EXPECT_EQ(e.number(), 2627);
    // Over FreeTDS too, whose driver gives the severity and the line in its own way.
    EXPECT_EQ(e.severity(), 14);
    EXPECT_EQ(e.line(), 2);
    EXPECT_TRUE(e.message().contains("Cannot insert duplicate")) << e.what();
    EXPECT_FALSE(e.isConnectionFailure());
    EXPECT_STREQ(e.what(), e.message().toStdString().c_str());

    e = errorOf([&] { conn.execute("INSERT INTO Product (Id, Code) VALUES (3, NULL)"); });
    EXPECT_EQ(e.number(), 515);
    EXPECT_TRUE(e.message().contains("Cannot insert the value NULL into column 'Code'"));

    e = errorOf([&] { conn.query("SELECT * FROM\nNoSuchTable"); });
    EXPECT_EQ(e.number(), 208);
    EXPECT_EQ(e.severity(), 16);
}

TEST_F(ConnectionTest, UnreachableEmbeddedServerIsANetworkError) {
    // No server folder: the server cannot be reached.
    Connection c("DMDATA");
    c.setParams(connectionParameterList("Shop", serverDir + "/missing", 2400));
    DatabaseError e = errorOf([&] { c.open(); });
    EXPECT_TRUE(e.isConnectionFailure());
    EXPECT_TRUE(e.message().startsWith(kNetworkErrorFragment)) << e.what();
    EXPECT_FALSE(c.isOpen());

    // The message says which folder is missing, or that a folder holds no server.
    EXPECT_EQ(e.number(), 17);
    EXPECT_TRUE(e.message().contains(
        QStringLiteral("server %1/missing. SQL Server does not exist or access denied. The "
                       "server folder does not exist.")
            .arg(serverDir)))
        << e.what();
    QDir().mkpath(serverDir + "/empty");
    c.setParams(connectionParameterList("Shop", serverDir + "/empty", 2400));
    e = errorOf([&] { c.open(); });
    EXPECT_TRUE(e.isConnectionFailure());
    EXPECT_EQ(e.number(), 17);
    EXPECT_TRUE(e.message().startsWith(kNetworkErrorFragment)) << e.what();
    EXPECT_TRUE(e.message().contains("master database (master.sqlite) is missing")) << e.what();

    // The server is there but the database is not: the server's own refusal.
    c.setParams(connectionParameterList("NoSuchDb", serverDir, 2400));
    e = errorOf([&] { c.query("SELECT 1"); });
    EXPECT_EQ(e.number(), 4060);
    EXPECT_FALSE(e.isConnectionFailure());
    EXPECT_FALSE(e.message().contains(kNetworkErrorFragment));
    EXPECT_TRUE(e.message().contains("NoSuchDb"));
}

TEST_F(ConnectionTest, ADatabaseFileThatIsNotADatabaseIsNamedNotANetworkError) {
    QFile file(serverDir + "/shop.sqlite");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(QByteArray(4096, 'x'));
    file.close();
    Connection c("DMDATA");
    c.setParams(connectionParameterList("Shop", serverDir, 60));
    DatabaseError e = errorOf([&] { c.open(); });
    EXPECT_EQ(e.number(), 5172);
    EXPECT_FALSE(e.isConnectionFailure());
    EXPECT_EQ(e.message(), QStringLiteral("The file '%1/shop.sqlite' of database 'Shop' is not a "
                                          "database of this server.")
                               .arg(serverDir));
}

TEST_F(ConnectionTest, AStatementPastTheTimeOutCarriesTheTimeOutWords) {
    // serverName: over TDS the time-out is ODBC's (HYT00 from FreeTDS, then a cancel), and the
    // client must read it as the embedded path reports its own.
    Connection c("DMDATA");
    c.setParams(connectionParameterList("Shop", serverName, 1));
    DatabaseError e = errorOf([&] { c.execute("WHILE 1 = 1 SET NOCOUNT ON"); });
    EXPECT_EQ(e.number(), -2);
    EXPECT_TRUE(e.message().startsWith(kTimeoutFragment)) << e.what();
    // The driver's own words follow: "Query timeout expired" from the engine, "Timeout
    // expired" from FreeTDS.
    EXPECT_TRUE(e.message().contains("imeout expired")) << e.what();
    EXPECT_FALSE(e.isConnectionFailure());
    // The connection stays usable: over TDS the server must have answered the cancel the
    // driver sent when its time ran out.
    EXPECT_EQ(c.query("SELECT 1").value(0, 0).toInt(), 1);
}

TEST_F(ConnectionTest, AStatementRunOncePerRowTakesEachCallsOwnValues) {
    // Two texts taking turns, each sent as the same object again and again, as a screen's
    // row loop sends them: every call binds its own values, whether they repeat the last
    // ones, become NULL, or change type.
    const QString insert =
        "INSERT INTO Product (Id, Code, Name, Qty) VALUES (:Id, :Code, :Name, :Qty)";
    const QString rename = "UPDATE Product SET Name = :name WHERE Id = :Id";
    const QList<QVariant> names = {kThai, kThai, QVariant(), kThai, QString(), "7", 7};
    for (int i = 0; i < names.size(); ++i) {
        conn.execute(insert, {{"Id", i}, {"Code", "C"}, {"Name", names[i]}, {"Qty", dec(u"1.5")}});
        conn.execute(rename, {{"Name", i % 2 ? QVariant(kThai) : names[i]}, {"Id", i}});
    }
    ResultSet rs = conn.query("SELECT Id, Code, Name FROM Product ORDER BY Id");
    ASSERT_EQ(rs.rowCount(), names.size());
    for (int i = 0; i < names.size(); ++i) {
        const QVariant expected = i % 2 ? QVariant(kThai) : names[i];
        EXPECT_EQ(rs.value(i, "Name").isNull(), expected.isNull()) << i;
        EXPECT_EQ(rs.value(i, "Name").toString(), expected.toString()) << i;
        EXPECT_EQ(rs.value(i, "Code").toString(), "C") << i;
    }

    // A value left out on a later call is still missing, though an earlier call gave it.
    DatabaseError e = errorOf([&] { conn.execute(rename, {{"Id", 0}}); });
    EXPECT_EQ(e.number(), 8178);

    // Repeated texts and dates in a column read as each row holds them, across NULLs, a
    // second result set of the batch with other columns, and another query.
    const QDateTime a(QDate(2024, 1, 31), QTime(8, 0)), b(QDate(2024, 2, 1), QTime(9, 30));
    const QList<QVariant> made = {a, a, QVariant(), a, b, b};
    const QList<QVariant> qty = {dec(u"1.5"), dec(u"1.5"), QVariant(),
                                 dec(u"1.5"), dec(u"2"),   dec(u"-1.50")};
    for (int i = 0; i < qty.size(); ++i)
        conn.execute("UPDATE Product SET Qty = :Qty WHERE Id = :Id", {{"Qty", qty[i]}, {"Id", i}});
    const ResultSet quantities = conn.query("SELECT Qty FROM Product ORDER BY Id");
    for (int i = 0; i < qty.size(); ++i) {
        EXPECT_EQ(quantities.value(i, 0).isNull(), qty[i].isNull()) << i;
        EXPECT_EQ(quantities.value(i, 0).toDouble(), qty[i].toDouble()) << i;
    }
    for (int i = 0; i < made.size(); ++i)
        conn.execute("UPDATE Product SET Made = :Made WHERE Id = :Id",
                     {{"Made", made[i]}, {"Id", i}});
    const QList<ResultSet> all = conn.queryAll(
        "SELECT Made, Name FROM Product ORDER BY Id; SELECT Name, Made FROM Product ORDER BY Id");
    ASSERT_EQ(all.size(), 2);
    for (int i = 0; i < made.size(); ++i) {
        EXPECT_EQ(all[0].value(i, 0), made[i]) << i;
        EXPECT_EQ(all[1].value(i, 1), made[i]) << i;
        EXPECT_EQ(all[1].value(i, 0).toString(), all[0].value(i, 1).toString()) << i;
    }

    // One decimal object shared by several calls (a price copied from the row above), with
    // another, a NULL and a text in between.
    const QVariant price = dec(u"12.34"), other = dec(u"-0.01");
    const QList<QVariant> prices = {price, price, other, price, QVariant(), price, "3.5"};
    for (int i = 0; i < prices.size(); ++i)
        conn.execute("UPDATE Product SET Qty = :Qty WHERE Id = :Id",
                     {{"Qty", prices[i]}, {"Id", i}});
    const ResultSet stored = conn.query("SELECT Qty FROM Product ORDER BY Id");
    for (int i = 0; i < prices.size(); ++i) {
        EXPECT_EQ(stored.value(i, 0).isNull(), prices[i].isNull()) << i;
        EXPECT_EQ(stored.value(i, 0).toDouble(), prices[i].toDouble()) << i;
    }
}

TEST_F(ConnectionTest, ALargeResultReadsEachRowsOwnValuesWhereValuesRepeat) {
    // Texts, dates and decimals that come back now and then, far apart, more of them than a
    // column remembers, with NULLs, equal amounts of other scales and long texts among them.
    conn.execute(
        "CREATE TABLE Sale (Id int NOT NULL PRIMARY KEY, Code nvarchar(300) NULL,"
        " Made datetime NULL, Qty decimal(18,3) NULL, Amount money NULL)");
    const int rows = 1500;
    auto code = [](int i) -> QVariant {
        if (i % 97 == 0) return QVariant();
        if (i % 89 == 0) return QString(280, QChar(u'ก' + i % 40));
        return QStringLiteral("C%1").arg(i * 7 % 301);
    };
    auto made = [](int i) -> QVariant {
        if (i % 83 == 0) return QVariant();
        return QDateTime(QDate(2024, 1, 1).addDays(i * 13 % 290), QTime(i % 24, 0));
    };
    auto qty = [](int i) -> QVariant {
        if (i % 79 == 0) return QVariant();
        return QVariant::fromValue(Decimal::fromUnits((i * 11 % 307) - 150, 3));
    };
    conn.startTransaction();
    for (int i = 0; i < rows; ++i)
        conn.execute(
            "INSERT INTO Sale VALUES (:Id, :Code, :Made, :Qty, :Amount)",
            {{"Id", i}, {"Code", code(i)}, {"Made", made(i)}, {"Qty", qty(i)}, {"Amount", qty(i)}});
    conn.commit();
    const ResultSet rs =
        conn.query("SELECT Code, Made, Qty, Amount, Id, Id % 5, Id / 7.0 FROM Sale ORDER BY Id");
    ASSERT_EQ(rs.rowCount(), rows);
    for (int i = 0; i < rows; ++i) {
        ASSERT_EQ(rs.value(i, 0), code(i)) << i;
        ASSERT_EQ(rs.value(i, 1), made(i)) << i;
        ASSERT_EQ(rs.value(i, 2).isNull(), qty(i).isNull()) << i;
        ASSERT_EQ(rs.value(i, 2).toString(), qty(i).toString()) << i;
        // The same amounts in a column of another scale read with that column's scale.
        if (!qty(i).isNull()) {
            ASSERT_EQ(rs.value(i, 3).value<Decimal>().scale(), 4) << i;
        }
        ASSERT_EQ(rs.value(i, 3).toDouble(), qty(i).toDouble()) << i;
        ASSERT_EQ(rs.value(i, 4).toLongLong(), i) << i;
        ASSERT_EQ(rs.value(i, 5).toLongLong(), i % 5) << i;
        ASSERT_NEAR(rs.value(i, 6).toDouble(), i / 7.0, 1e-6) << i;
    }
}
