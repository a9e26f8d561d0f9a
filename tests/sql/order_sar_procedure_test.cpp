// The SAR order tables and the procedure that hands an order to the centre's order lines.
#include <gtest/gtest.h>

#include "sql_test_support.h"
#include "statements/OrderSar.h"

using namespace sqltest;

namespace {

std::vector<std::string> sarScripts() {
    std::vector<std::string> scripts = kCompanyScripts;
    scripts.push_back("company/picking_tables.sql");
    scripts.push_back("company/sar_tables.sql");
    return scripts;
}

class SarHandOver : public ::testing::Test {
protected:
    void SetUp() override {
        db.query(R"(
INSERT INTO Product (Code, ThaiName) VALUES ('A100', 'น้ำปลา')
INSERT INTO ProductUnits (Product, BarCode, UnitName) VALUES (SCOPE_IDENTITY(), 'BA100', 'ขวด')
INSERT INTO Product (Code, ThaiName) VALUES ('A200', 'ซีอิ๊ว')
INSERT INTO ProductUnits (Product, BarCode, UnitName) VALUES (SCOPE_IDENTITY(), 'BA200', 'ขวด')
INSERT INTO OrderSarHd (Delflag, Approved, DocNo, DocDate, DeliveryDate)
VALUES ('N', 'N', 'SAR2470001', '2024-02-12 09:30', '2024-02-14')
)");
        hd = scalar(db, "SELECT Id FROM OrderSarHd WHERE DocNo = 'SAR2470001'");
    }
    void line(int recNo, const std::string& branch, int unit, int order) {
        db.query(
            "INSERT INTO OrderSarDt (OrderSarHd, RecNo, ProductUnits, BranchCode, TTOrder) "
            "VALUES (" +
            hd + ", " + std::to_string(recNo) + ", " + std::to_string(unit) + ", '" + branch +
            "', " + std::to_string(order) + ")");
    }
    void handOver(const std::string& docNo = "SAR2470001") {
        db.query(statements::order_sar::handOver(), {{"DocNo", Value::text(docNo)}});
    }
    std::string lines() {
        std::string out;
        for (const auto& r : rowsOf(db,
                                    "SELECT BranchCode, ProdCode, BarCode, OrderQnty, CloseOrder, "
                                    "Transfer, COALESCE(PickNo, '-'), OrderType FROM TranBranch "
                                    "ORDER BY Id"))
            out += r[0].s + " " + r[1].s + " " + r[2].s + " " + std::to_string(r[3].i) + " " +
                   r[4].s + r[5].s + " " + r[6].s + " " + r[7].s + "\n";
        return out;
    }

    ScriptedServer server{"NWX", sarScripts()};
    tsqlite::Session& db = *server.db;
    std::string hd;
};

TEST_F(SarHandOver, OneOpenUnpickedLinePerProductAndBranchWithAQuantity) {
    line(1, "0001", 1, 6);
    line(2, "0002", 1, 0);
    line(3, "0001", 2, 2);
    line(4, "0002", 2, 4);
    handOver();
    EXPECT_EQ(lines(),
              "0001 A100 BA100 6 NN - SAR\n"
              "0001 A200 BA200 2 NN - SAR\n"
              "0002 A200 BA200 4 NN - SAR\n");
    EXPECT_EQ(scalar(db, "SELECT CONVERT(varchar(10), MIN(OrderDate), 120) FROM TranBranch"),
              "2024-02-12");

    // Handed over again after a change, the open lines are replaced, not added to.
    db.query("UPDATE OrderSarDt SET TTOrder = 0 WHERE RecNo = 3");
    handOver();
    EXPECT_EQ(lines(),
              "0001 A100 BA100 6 NN - SAR\n"
              "0002 A200 BA200 4 NN - SAR\n");

    // Once a pick has taken a line, the order stays as picked.
    db.query(
        "UPDATE TranBranch SET PickNo = 'PK0000000001', CloseOrder = 'P' WHERE BranchCode = "
        "'0001'");
    EXPECT_THROW(handOver(), tsqlite::Error);
    EXPECT_EQ(scalar(db, "SELECT COUNT(*) FROM TranBranch"), "2");
}

TEST_F(SarHandOver, AnUnknownOrderOrUnitFailsAndLeavesTheCallersTransactionOpen) {
    EXPECT_THROW(handOver("SAR2479999"), tsqlite::Error);
    line(1, "0001", 1, 6);
    line(2, "0001", 99, 1);
    db.query("BEGIN TRANSACTION");
    EXPECT_THROW(handOver(), tsqlite::Error);
    EXPECT_EQ(db.tranCount(), 1);
    db.query("ROLLBACK");
    EXPECT_EQ(scalar(db, "SELECT COUNT(*) FROM TranBranch"), "0");
    // A unit without a quantity is not handed over, known or not.
    db.query("UPDATE OrderSarDt SET TTOrder = 0 WHERE RecNo = 2");
    handOver();
    EXPECT_EQ(lines(), "0001 A100 BA100 6 NN - SAR\n");
}

TEST(SarScripts, CreateTheTablesOnceAndRefuseASecondHeaderOfOneNumber) {
    ScriptedServer dc("NWX", sarScripts());
    dc.db->query(
        "INSERT INTO OrderSarHd (Delflag, Approved, DocNo) VALUES ('N', 'N', 'SAR2470001')");
    const std::string before = snapshot(*dc.db);
    runScripts(*dc.db, sarScripts());
    EXPECT_EQ(snapshot(*dc.db), before);
    EXPECT_THROW(dc.db->query("INSERT INTO OrderSarHd (Delflag, Approved, DocNo) VALUES ('N', 'N', "
                              "'SAR2470001')"),
                 tsqlite::Error);
}

TEST(SarImportSet, BranchColumnNamesAreExactForEveryCode) {
    ScriptedServer dc("NWX", kCompanyScripts);
    namespace sql = statements::order_sar;
    const std::vector<std::string> codes = {"0001", " B 07 ", "A]1", "x'y"};
    const auto sets = dc.db->query(sql::importSet(codes));
    ASSERT_EQ(sets.size(), 1u);
    const auto& columns = sets[0].columns;
    const std::vector<std::string> names = sql::importColumns(codes);
    ASSERT_EQ(columns.size(), names.size());
    ASSERT_EQ(columns.size(), 15u + 9u * codes.size());
    for (size_t i = 0; i < names.size(); ++i) EXPECT_EQ(columns[i].name, names[i]);
    EXPECT_EQ(columns[13].name, "0001MinQnty");
    EXPECT_EQ(columns[22].name, "B 07MinQnty") << "the code's outer blanks are trimmed";
    EXPECT_EQ(columns[31].name, "A]1MinQnty");
    EXPECT_EQ(columns[40].name, "x'yMinQnty");
    EXPECT_EQ(columns[13].type.toString(), "decimal(30,2)");
}

}  // namespace
