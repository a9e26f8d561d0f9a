// Branch order statements: the start-up script, the replenishment proposal, the stored order
// rows, the single-product and product-information queries, the sales span, the number preview
// and the write-back statements of Save.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "conformance_support.h"
#include "statements/BranchOrder.h"

using namespace conformance;

namespace {

// ---- The screen's statements ----

const std::string& kProposal = statements::branch_order::proposal();
const std::string& kOrderRows = statements::branch_order::orderRows();
const std::string& kSingleProduct = statements::branch_order::singleProduct();
const std::string& kSalesSpanStart = statements::branch_order::salesSpanStart();
const std::string& kNumberPreview = statements::branch_order::numberPreview();
const std::string& kProductInformation = statements::branch_order::productInformation();
const std::string& kProductGroups = statements::branch_order::productGroups();
const std::string& kBranchCode = statements::branch_order::branchCode();
const std::string& kUpdateRow = statements::branch_order::updateRow();
const std::string& kInsertRow = statements::branch_order::insertRow();

const std::string kStatusW = "กำลังขนส่งไปยังสาขา";
const std::string kStatusPartly = "จัดสินค้าได้บางส่วน";
const std::string kStatusReceived = "ได้สินค้าครบแล้ว";

long long whole(double v) {
    return std::llround(v);
}

class ConformanceBranchOrder : public ::testing::Test {
protected:
    void SetUp() override { db = openBranchDatabase(server, "BR0029"); }

    std::string spanStart(int user) {
        return text(scalar(*db, kSalesSpanStart, {{"UserId", I(user)}}));
    }
    Rows proposal(int user) {
        return query(*db, kProposal, {{"GetDate", T(spanStart(user))}, {"UserId", I(user)}});
    }
    static size_t rowOf(const Rows& r, long long unit) {
        for (size_t i = 0; i < r.size(); ++i)
            if (r.integer(i, "ProductUnits") == unit) return i;
        ADD_FAILURE() << "unit " << unit << " missing";
        return 0;
    }

    TempServer server;
    std::unique_ptr<tsqlite::Session> db;
};

// ---- Start-up script ----

TEST(ConformanceBranchOrderStartup, ScriptCreatesTablesIndexesAndSeriesAndIsRerunnable) {
    TempServer server;
    server.createDatabase("BR0029");
    auto db = server.open("BR0029");
    runCompanyScripts(*db);
    runScript(*db, statements::branch_order::startupScript());

    // The declared types as the catalog holds them: a client over TDS cannot tell char from
    // varchar, nor see alias type names.
    Rows empty(db->query("SELECT * FROM OrderBranch WHERE 1 = 0").front());
    std::vector<std::string> names;
    for (const auto& c : empty.raw().columns) names.push_back(c.name);
    const std::vector<std::string> expected = {
        "Id",        "OrderNO",      "OrderDate",    "TranBranchNo", "TranBranchDate",
        "Product",   "ProductUnits", "SaleQnty",     "MinQnty",      "OrderQnty",
        "Onhand",    "Transfer",     "TransferDate", "ReceivedQnty", "ReceivedDate",
        "BackOrder", "UserId",       "CloseOrder",   "Remark",       "CarNO"};
    EXPECT_EQ(names, expected);
    const auto& cols = empty.raw().columns;
    if (cols.size() == expected.size()) {
        EXPECT_EQ(cols[1].type.base, tsqlite::BaseType::Char);
        EXPECT_EQ(cols[1].type.length, 15);
        EXPECT_EQ(cols[11].type.length, 1);
        EXPECT_EQ(cols[15].type.base, tsqlite::BaseType::Int);
        EXPECT_EQ(cols[18].type.length, 80);
    }
    // Columns declared through IdNo take its NOT NULL, those through CharFlag its NULL.
    try {
        exec(*db,
             "INSERT INTO OrderBranch (OrderNO, Product, ProductUnits, UserId) VALUES ('X', NULL, "
             "1, 1)");
        ADD_FAILURE() << "Product must not take NULL";
    } catch (const tsqlite::Error& e) {
        EXPECT_EQ(e.number, 515) << e.message;
    }
    exec(*db,
         "INSERT INTO OrderBranch (OrderNO, Product, ProductUnits, UserId, Transfer, BackOrder) "
         "VALUES ('X', 1, 1, 1, NULL, NULL)");
    exec(*db, "DELETE FROM OrderBranch");

    EXPECT_EQ(count(*db,
                    "SELECT COUNT(*) FROM sysindexes WHERE name IN ('OrderBranchIdNo', "
                    "'OrderBranchCloseOrder', 'OrderBranchBarCode', 'ProductOnhand_BarYear')"),
              4);
    Rows series =
        query(*db,
              "SELECT DocYear, Description, Prefix, LastNo, DocumentLength, AutoRun, DocType, "
              "UserCanModify, LinkToDocument FROM DocumentNo WHERE Code = 'ORD-BRANCH'");
    ASSERT_EQ(series.size(), 1u);
    EXPECT_EQ(series.integer(0, "DocYear"), currentYear());
    EXPECT_EQ(series.str(0, "Description"), "ใบสั่ง Order จากสาขา");
    EXPECT_EQ(rtrim(series.str(0, "Prefix")), "No");
    EXPECT_EQ(series.integer(0, "DocumentLength"), 12);
    EXPECT_EQ(series.str(0, "AutoRun"), "Y");
    EXPECT_TRUE(series.isNull(0, "LinkToDocument"));

    // The identity of UserProdGroup works, and its group code is char(10).
    exec(*db, "INSERT INTO UserProdGroup (UserId, ProdGroup) VALUES (7, 'G1')");
    EXPECT_EQ(text(scalar(*db, "SELECT ProdGroup + '|' FROM UserProdGroup")), "G1        |");

    // A second opening of the screen changes nothing.
    runScript(*db, statements::branch_order::startupScript());
    EXPECT_EQ(query(*db, "SELECT * FROM OrderBranch WHERE 1 = 0").raw().columns.size(),
              expected.size());
    EXPECT_EQ(count(*db, "SELECT COUNT(*) FROM DocumentNo WHERE Code = 'ORD-BRANCH'"), 1);
    EXPECT_EQ(count(*db, "SELECT COUNT(*) FROM sysindexes WHERE name = 'OrderBranchIdNo'"), 1);
    EXPECT_EQ(count(*db, "SELECT COUNT(*) FROM UserProdGroup"), 1);
}

TEST(ConformanceBranchOrderStartup, ScriptAddsBackOrderToAnOlderTableAndKeepsAnyYearsSeries) {
    TempServer server;
    server.createDatabase("BR0029");
    auto db = server.open("BR0029");
    runCompanyScripts(*db);
    exec(*db, lines({"Create Table OrderBranch (Id IdNo identity(1,1) not null, OrderNO Char(15), "
                     "OrderDate DateTime,",
                     "TranBranchNo Char(15), TranBranchDate DateTime null, Product IdNo, "
                     "ProductUnits IdNo,",
                     "SaleQnty Int, MinQnty Int, OrderQnty Int, Onhand Int, Transfer CharFlag, "
                     "TransferDate DateTime "
                     "null,",
                     "ReceivedQnty Int, ReceivedDate DateTime null, UserId IdNo, CloseOrder "
                     "CharFlag, Remark Char80 "
                     "null, CarNO Char(10) null)"}));
    exec(*db,
         "INSERT INTO OrderBranch (OrderNO, Product, ProductUnits, OrderQnty, UserId, CloseOrder) "
         "VALUES ('No0000000001', 1, 101, 5, 7, 'N')");
    exec(*db,
         "INSERT INTO DocumentNo (Code, DocYear, Description, Prefix, LastNo, DocumentLength, "
         "AutoRun) "
         "VALUES ('ORD-BRANCH', 2019, 'old', 'No', 77, 12, 'Y')");

    runScript(*db, statements::branch_order::startupScript());

    Rows rows = query(*db, "SELECT OrderNO, BackOrder FROM OrderBranch");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_TRUE(rows.isNull(0, "BackOrder")) << "added as a nullable column";
    exec(*db, "UPDATE OrderBranch SET BackOrder = OrderQnty");
    EXPECT_EQ(count(*db, "SELECT BackOrder FROM OrderBranch"), 5);
    // The guard looks at the code alone: a series of 2019 keeps this year's from being seeded.
    EXPECT_EQ(count(*db, "SELECT COUNT(*) FROM DocumentNo WHERE Code = 'ORD-BRANCH'"), 1);
}

TEST(ConformanceBranchOrderStartup, ScriptWorksWithTypesAddedThroughSpAddtype) {
    TempServer server;
    server.createDatabase("BR0041");
    auto db = server.open("BR0041");
    exec(*db, "EXEC sp_addtype IdNo, 'int', 'NOT NULL'");
    exec(*db, "EXEC sp_addtype CharFlag, 'char(1)', 'NULL'");
    exec(*db, "EXEC sp_addtype Char80, 'varchar(80)'");
    exec(*db,
         "CREATE TABLE DocumentNo (Id int IDENTITY(1,1) NOT NULL, Code varchar(20) NOT NULL, "
         "DocYear int NOT "
         "NULL, Description varchar(100) NULL, Prefix char(10) NULL, LastNo int NOT NULL, "
         "DocumentLength int NOT "
         "NULL, AutoRun char(1) NULL, DocType char(1) NULL, UserCanModify char(1) NULL, "
         "LinkToDocument "
         "varchar(20) NULL)");
    exec(*db,
         "CREATE TABLE ProductOnhand (Id int IDENTITY(1,1) NOT NULL, ProductUnits int NOT NULL, "
         "BalanceYear int "
         "NOT NULL, Quantity decimal(18,4) NULL)");
    runScript(*db, statements::branch_order::startupScript());

    exec(*db,
         "INSERT INTO OrderBranch (OrderNO, Product, ProductUnits, UserId, Transfer, Remark) "
         "VALUES ('No0000000001', 1, 101, 7, 'N', 'ok')");
    Rows r = query(*db, "SELECT Id, Transfer, Remark FROM OrderBranch");
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r.integer(0, "Id"), 1);
    EXPECT_EQ(db->query("SELECT Transfer FROM OrderBranch WHERE 1 = 0")[0].columns[0].type.userType,
              "CharFlag");
    EXPECT_THROW(exec(*db,
                      "INSERT INTO OrderBranch (OrderNO, Product, ProductUnits, UserId) VALUES "
                      "('X', NULL, 1, 1)"),
                 tsqlite::Error);
}

// ---- Proposal ----

TEST_F(ConformanceBranchOrder, ProposalSelectsUnitsBelowMinimum) {
    Rows p = proposal(7);
    // In: 101 sold and short; 105 (AutoOrder not set, no maximum); 108 (only other warehouses
    // and last year hold stock); 111 (cancelled rows are not awaited); 112 (36 pieces are 3
    // cases). Out: 102 no stock settings, 103 another user's group, 104 AutoOrder N, 106 excluded
    // code, 107 stock plus awaited equals the minimum, 109 at its maximum, 110 awaited 'O' and
    // 'B' rows fill it, 113 has enough pieces.
    std::vector<long long> units;
    for (size_t i = 0; i < p.size(); ++i) units.push_back(p.integer(i, "ProductUnits"));
    EXPECT_EQ(units, (std::vector<long long>{101, 105, 108, 111, 112}));
    if (p.size() != 5) return;

    EXPECT_EQ(p.str(0, "BranchCode"), "0029");
    EXPECT_EQ(p.integer(0, "Product"), 1);
    EXPECT_EQ(p.str(0, "BarCode"), "8850000000101");
    EXPECT_EQ(p.str(0, "UOM"), "ขวด");
    EXPECT_EQ(p.str(0, "ProdName"), "น้ำปลาแท้");
    EXPECT_EQ(p.integer(0, "MinStock"), 10);
    EXPECT_EQ(p.integer(0, "MaxStock"), 20);
    EXPECT_EQ(whole(p.num(0, "Onhand")), 2) << "shop warehouse of this year only";
    EXPECT_EQ(whole(p.num(0, "BackOrders")), 6);
    EXPECT_EQ(whole(p.num(0, "SaleQnty")), 7);
    EXPECT_EQ(whole(p.num(0, "MinQnty")), 8) << "shortfall without the awaited quantity";
    EXPECT_EQ(p.integer(0, "OrderQnty"), 0);
    EXPECT_EQ(p.integer(0, "OLOrderQnty"), 6)
        << "the zero-quantity row of a later order is not the last order";
    EXPECT_EQ(rtrim(p.str(0, "OLOrderDate")), dmyDate(today(-10)));
    EXPECT_EQ(p.str(0, "OLCloseOrder"), "W");
    EXPECT_EQ(p.str(0, "Stratus"), kStatusW);
    EXPECT_EQ(p.integer(0, "OrderType"), 2);
    EXPECT_NEAR(p.num(0, "Price"), 35.5, 1e-9);

    // Returns above sales: negative figure, not counted as sold.
    EXPECT_EQ(whole(p.num(1, "SaleQnty")), -3);
    EXPECT_EQ(p.integer(1, "OrderType"), 3);
    EXPECT_EQ(p.integer(1, "MaxStock"), 0) << "a missing maximum stays 0 in the proposal";
    EXPECT_EQ(whole(p.num(1, "MinQnty")), 4);
    EXPECT_EQ(p.integer(1, "OLOrderQnty"), 0);
    EXPECT_EQ(rtrim(p.str(1, "OLOrderDate")), "") << "never ordered";
    EXPECT_TRUE(p.isNull(1, "Stratus"));
    EXPECT_NEAR(p.num(1, "Price"), 0, 1e-9);

    EXPECT_EQ(whole(p.num(2, "Onhand")), 0);
    EXPECT_EQ(whole(p.num(2, "SaleQnty")), 0);
    EXPECT_EQ(p.integer(2, "OrderType"), 3);

    EXPECT_EQ(whole(p.num(3, "BackOrders")), 3);
    EXPECT_EQ(p.str(3, "OLCloseOrder"), "A");
    EXPECT_EQ(p.str(3, "Stratus"), kStatusPartly);
    EXPECT_EQ(p.integer(3, "OLOrderQnty"), 3);
    EXPECT_EQ(rtrim(p.str(3, "OLOrderDate")), dmyDate(today(-50)));

    EXPECT_EQ(whole(p.num(4, "Onhand")), 3);
    EXPECT_EQ(whole(p.num(4, "MinQnty")), 1);
}

TEST_F(ConformanceBranchOrder, UserWithoutProductGroupsGetsNoProposalAndNoProduct) {
    Rows groups = query(*db, kProductGroups, {{"UserId", I(7)}});
    EXPECT_EQ(groups.strings("ProdGroup"), (std::vector<std::string>{"G1", "G2"}));
    EXPECT_EQ(query(*db, kProductGroups, {{"UserId", I(8)}}).size(), 0u);

    EXPECT_EQ(proposal(8).size(), 0u);
    EXPECT_EQ(
        query(*db, kSingleProduct,
              {{"GetDate", T(spanStart(8))}, {"BarCode", T("8850000000101")}, {"UserId", I(8)}})
            .size(),
        0u);
    EXPECT_EQ(text(scalar(*db, kBranchCode)), "0029");
}

TEST_F(ConformanceBranchOrder, SalesSpanStartsAtTheLastOrderButAtMost30DaysBack) {
    Rows user7 = query(*db, kSalesSpanStart, {{"UserId", I(7)}});
    ASSERT_EQ(user7.size(), 1u);
    EXPECT_EQ(user7.str(0, "OrderDateOld"), midnight(today(-10)));
    EXPECT_EQ(user7.str(0, "OrderDateOld_BK"), midnight(today(-10)));

    Rows user9 = query(*db, kSalesSpanStart, {{"UserId", I(9)}});
    EXPECT_EQ(user9.str(0, "OrderDateOld"), midnight(today(-30)));
    EXPECT_EQ(user9.str(0, "OrderDateOld_BK"), midnight(today(-50)));

    Rows nobody = query(*db, kSalesSpanStart, {{"UserId", I(8)}});
    ASSERT_EQ(nobody.size(), 1u) << "an aggregate without rows still gives one row";
    EXPECT_EQ(nobody.str(0, "OrderDateOld"), midnight(today(-7)));
}

TEST_F(ConformanceBranchOrder, NumberPreviewFollowsTheSeriesAndMatchesTheNextDrawnNumber) {
    const Params todayParam = {{"GetDate", T(isoDate(today()))}};
    EXPECT_EQ(text(scalar(*db, kNumberPreview, todayParam)), "No0000000005");

    auto drawn = callProcedure(
        *db, "NewDocumentNo",
        {{"@DocCode", T("ORD-BRANCH")}, {"@DocYear", I(currentYear())}, {"@NewNo", Null(), true}});
    EXPECT_EQ(text(output(drawn, "@NewNo")), "No0000000005");
    EXPECT_EQ(text(scalar(*db, kNumberPreview, todayParam)), "No0000000006");

    exec(*db, "UPDATE DocumentNo SET LastNo = 999999 WHERE Code = 'ORD-BRANCH'");
    EXPECT_EQ(text(scalar(*db, kNumberPreview, todayParam)), "No0000000001");
    exec(*db, "UPDATE DocumentNo SET LastNo = 41 WHERE Code = 'ORD-BRANCH'");
    EXPECT_EQ(
        text(scalar(*db, kNumberPreview, {{"GetDate", T(isoDate(today()) + " 15:42:10.000")}})),
        "No0000000042");

    // No series for another year: nothing to preview.
    EXPECT_EQ(query(*db, kNumberPreview, {{"GetDate", T("2001-06-30")}}).size(), 0u);
}

// ---- Stored order ----

TEST_F(ConformanceBranchOrder, OrderRowsShowAStoredOrderWithCurrentFigures) {
    Rows o = query(*db, kOrderRows, {{"DocNo", T("No0000000002")}});
    std::vector<long long> units;
    for (size_t i = 0; i < o.size(); ++i) units.push_back(o.integer(i, "ProductUnits"));
    // Order types: 111 sold with a minimum (1), 101 also short (2), 102 sold without a minimum
    // (3), 110 short but not sold (4).
    EXPECT_EQ(units, (std::vector<long long>{111, 101, 102, 110}));
    if (o.size() != 4) return;
    EXPECT_EQ(o.integer(0, "OrderType"), 1);
    EXPECT_EQ(o.integer(1, "OrderType"), 2);
    EXPECT_EQ(o.integer(2, "OrderType"), 3);
    EXPECT_EQ(o.integer(3, "OrderType"), 4);

    for (size_t i = 0; i < o.size(); ++i) EXPECT_EQ(o.integer(i, "TransferOK"), 1);

    const size_t r101 = 1, r102 = 2, r110 = 3, r111 = 0;
    EXPECT_EQ(rtrim(o.str(r101, "OrderNo")), "No0000000002");
    EXPECT_EQ(o.str(r101, "CodeDept"), "D01");
    EXPECT_EQ(o.str(r101, "NameDept"), "ของแห้ง");
    EXPECT_EQ(o.str(r101, "NameGroup"), "เครื่องปรุง");
    EXPECT_EQ(o.str(r102, "CodeDept"), "XXXX");
    EXPECT_EQ(o.str(r102, "NameDept"), "ยังไม่กำหนดแผนก");
    EXPECT_EQ(o.str(r102, "CodeGroup"), "XXXX_XXXXX");
    EXPECT_EQ(o.str(r102, "NameGroup"), "ยังไม่กำหนดกลุ่ม");

    EXPECT_EQ(o.integer(r101, "MinStock"), 10);
    EXPECT_EQ(o.integer(r101, "MaxStock"), 20);
    EXPECT_EQ(o.integer(r110, "MaxStock"), 999999) << "maximum 0 reads as no maximum";
    EXPECT_EQ(o.integer(r102, "MinStock"), 0);
    EXPECT_EQ(o.integer(r102, "MaxStock"), 999999) << "no stock settings";

    // Every existing warehouse of this year, all periods: 2 + 5 + 100.
    EXPECT_EQ(whole(o.num(r101, "Onhand")), 107);
    EXPECT_EQ(whole(o.num(r102, "Onhand")), 0);

    // What the other orders still await: 'B' counts, 'A' and this order's own rows do not.
    EXPECT_EQ(whole(o.num(r110, "BackOrders")), 2);
    EXPECT_EQ(whole(o.num(r111, "BackOrders")), 0);
    EXPECT_EQ(whole(o.num(r101, "BackOrders")), 0);

    // The last order is another order than the one on show.
    EXPECT_EQ(o.integer(r101, "OLOrderQnty"), 5);
    EXPECT_EQ(o.str(r101, "OLCloseOrder"), "Y");
    EXPECT_EQ(o.str(r101, "Stratus"), kStatusReceived);
    EXPECT_EQ(o.str(r101, "OLOrderDate").substr(0, 10), isoDate(today(-20)));
    EXPECT_EQ(o.str(r110, "Stratus"), kStatusPartly);
    EXPECT_EQ(o.integer(r110, "OLOrderQnty"), 2);
    EXPECT_EQ(o.integer(r102, "OLOrderQnty"), 0);
    EXPECT_TRUE(o.isNull(r102, "OLOrderDate"));
    EXPECT_TRUE(o.isNull(r102, "Stratus"));

    EXPECT_EQ(o.str(r101, "Transfer"), "Y");
    EXPECT_EQ(o.str(r110, "CloseOrder"), "O");
    EXPECT_EQ(o.integer(r101, "OrderQnty"), 6);
    EXPECT_NEAR(o.num(r101, "Price"), 35.5, 1e-9);

    EXPECT_EQ(query(*db, kOrderRows, {{"DocNo", T("No0000000004")}}).integer(0, "TransferOK"), 0);
    EXPECT_EQ(query(*db, kOrderRows, {{"DocNo", T("No9999999999")}}).size(), 0u);
}

TEST_F(ConformanceBranchOrder, SingleProductQueryReadsOneUnitOfTheUsersGroups) {
    const Params base = {{"GetDate", T(spanStart(7))}, {"UserId", I(7)}};
    auto withBarCode = [&](const std::string& bc, int user = 7) {
        Params p = base;
        p["BarCode"] = T(bc);
        p["UserId"] = I(user);
        return query(*db, kSingleProduct, p);
    };

    Rows r = withBarCode("8850000000101");
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r.integer(0, "Product"), 1);
    EXPECT_EQ(r.integer(0, "ProductUnits"), 101);
    EXPECT_EQ(whole(r.num(0, "SaleQnty")), 7);
    EXPECT_EQ(r.integer(0, "MinQnty"), 0);
    // Any warehouse, even one no longer listed, up to this month: 2 + 5 + 1000.
    EXPECT_EQ(whole(r.num(0, "Onhand")), 1007);
    EXPECT_EQ(r.integer(0, "MinStock"), 10);
    EXPECT_EQ(r.integer(0, "MaxStock"), 20);
    EXPECT_EQ(whole(r.num(0, "BackOrders")), 6);
    EXPECT_EQ(r.integer(0, "OLOrderQnty"), 6);
    EXPECT_EQ(r.str(0, "Stratus"), kStatusW);
    EXPECT_NEAR(r.num(0, "Price"), 35.5, 1e-9);

    Rows never = withBarCode("8850000000108");
    ASSERT_EQ(never.size(), 1u);
    EXPECT_TRUE(never.isNull(0, "OLOrderQnty"));
    EXPECT_TRUE(never.isNull(0, "OlOrderDate"));
    EXPECT_TRUE(never.isNull(0, "Stratus"));

    EXPECT_EQ(withBarCode("8850000000105").integer(0, "MaxStock"), 0);
    EXPECT_EQ(withBarCode("8850000000103").size(), 0u) << "group of another user";
    EXPECT_EQ(withBarCode("8850000000103", 9).size(), 1u);
    EXPECT_EQ(withBarCode("8850000009999").size(), 0u);
}

TEST_F(ConformanceBranchOrder, ProductInformationIgnoresProductGroups) {
    Rows r = query(*db, kProductInformation, {{"BarCode", T("8850000000103")}});
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r.str(0, "ProdName"), "น้ำมันหอย");
    EXPECT_EQ(r.str(0, "UOM"), "ขวด");
    EXPECT_EQ(whole(r.num(0, "Onhand")), 0);

    EXPECT_EQ(
        whole(query(*db, kProductInformation, {{"BarCode", T("8850000000101")}}).num(0, "Onhand")),
        1007);
    // A case of twelve: 36 pieces are 3 cases.
    EXPECT_EQ(
        whole(query(*db, kProductInformation, {{"BarCode", T("8850000000112")}}).num(0, "Onhand")),
        3);
    EXPECT_EQ(query(*db, kProductInformation, {{"BarCode", T("0000")}}).size(), 0u);
}

// ---- Save ----

TEST_F(ConformanceBranchOrder, SaveStoresTheProposalUnderTheNumberDrawnAtSaveTime) {
    const std::string span = spanStart(7);
    const std::string preview =
        text(scalar(*db, kNumberPreview, {{"GetDate", T(isoDate(today()))}}));
    Rows p = query(*db, kProposal, {{"GetDate", T(span)}, {"UserId", I(7)}});
    ASSERT_EQ(p.size(), 5u);

    // Another workstation saves first and takes the previewed number.
    tsqlite::Session other(server.dir(), "BR0029");
    auto taken = callProcedure(
        other, "NewDocumentNo",
        {{"@DocCode", T("ORD-BRANCH")}, {"@DocYear", I(currentYear())}, {"@NewNo", Null(), true}});
    EXPECT_EQ(text(output(taken, "@NewNo")), preview);

    exec(*db, "BEGIN TRANSACTION");
    auto drawn = callProcedure(
        *db, "NewDocumentNo",
        {{"@DocCode", T("ORD-BRANCH")}, {"@DocYear", I(currentYear())}, {"@NewNo", Null(), true}});
    const std::string number = text(output(drawn, "@NewNo"));
    EXPECT_EQ(number, "No0000000006");
    for (size_t i = 0; i < p.size(); ++i) {
        const long long unit = p.integer(i, "ProductUnits");
        exec(*db, kInsertRow,
             {{"OrderNo", T(number)},
              {"OrderDate", T(isoDate(today()))},
              {"TranBranchNo", T("")},
              {"Product", I(p.integer(i, "Product"))},
              {"ProductUnits", I(unit)},
              {"SaleQnty", I(whole(p.num(i, "SaleQnty")))},
              {"MinQnty", I(whole(p.num(i, "MinQnty")))},
              {"OrderQnty", unit == 101 ? I(4) : (unit == 112 ? Null() : I(0))},
              {"Onhand", I(whole(p.num(i, "Onhand")))},
              {"Transfer", T("N")},
              {"ReceivedQnty", I(0)},
              {"userId", I(7)},
              {"CloseOrder", T("N")}});
    }
    exec(*db, "COMMIT TRANSACTION");
    EXPECT_EQ(count(*db, "SELECT @@TRANCOUNT"), 0);

    Rows saved = query(*db, kOrderRows, {{"DocNo", T(number)}});
    ASSERT_EQ(saved.size(), 5u);
    EXPECT_EQ(saved.integer(0, "ProductUnits"), 101) << "sold and short: type 2 first";
    EXPECT_EQ(saved.integer(0, "OrderType"), 2);
    for (size_t i = 1; i < saved.size(); ++i) EXPECT_EQ(saved.integer(i, "OrderType"), 4);
    EXPECT_EQ(saved.integer(0, "TransferOK"), 0);
    EXPECT_EQ(saved.str(0, "OrderDate"), midnight(today()));

    Rows stored =
        query(*db,
              "SELECT ProductUnits, OrderQnty, BackOrder, SaleQnty, Transfer, CloseOrder, UserId "
              "FROM OrderBranch WHERE OrderNO = :n ORDER BY ProductUnits",
              {{"n", T(number)}});
    ASSERT_EQ(stored.size(), 5u);
    EXPECT_EQ(stored.integer(0, "OrderQnty"), 4);
    EXPECT_EQ(stored.integer(0, "BackOrder"), 4);
    EXPECT_EQ(stored.integer(0, "SaleQnty"), 7);
    EXPECT_EQ(stored.integer(1, "SaleQnty"), -3);
    EXPECT_EQ(stored.integer(4, "OrderQnty"), 0) << "a NULL quantity is stored as 0";
    EXPECT_EQ(stored.integer(4, "BackOrder"), 0);

    // The order just saved is now the user's last one.
    EXPECT_EQ(spanStart(7), midnight(today()));
}

TEST_F(ConformanceBranchOrder, WriteBackUpdateRewritesQuantityBackOrderAndStock) {
    const long long id = count(
        *db, "SELECT Id FROM OrderBranch WHERE OrderNO = 'No0000000002' AND ProductUnits = 110");
    Params row = {{"OrderNo", T("No0000000002")},
                  {"OrderDate", T(isoDate(today(-10)))},
                  {"TranBranchNo", T("")},
                  {"Product", I(10)},
                  {"ProductUnits", I(110)},
                  {"SaleQnty", I(0)},
                  {"MinQnty", I(7)},
                  {"OrderQnty", I(9)},
                  {"Onhand", I(3)},
                  {"Transfer", T("N")},
                  {"ReceivedQnty", I(0)},
                  {"userId", I(7)},
                  {"CloseOrder", T("O")},
                  {"OLD_Id", I(id)}};
    exec(*db, kUpdateRow, row);
    Rows r = query(
        *db, "SELECT OrderQnty, BackOrder, Remark, CloseOrder FROM OrderBranch WHERE Id = :id",
        {{"id", I(id)}});
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r.integer(0, "OrderQnty"), 9);
    EXPECT_EQ(r.integer(0, "BackOrder"), 9);
    EXPECT_EQ(r.str(0, "Remark"), "สินค้าหมดคลัง") << "remark is not written by the screen";

    row["OrderQnty"] = Null();
    exec(*db, kUpdateRow, row);
    EXPECT_EQ(count(*db, "SELECT BackOrder FROM OrderBranch WHERE Id = :id", {{"id", I(id)}}), 0);
    EXPECT_EQ(count(*db, "SELECT COUNT(*) FROM OrderBranch WHERE OrderNO = 'No0000000002'"), 4);
}

}  // namespace
