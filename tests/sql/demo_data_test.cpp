// The demo server's data seen through the client's own statements: what the branch order
// screen proposes and reports, what the barcode search lists, and what the sold-out upload
// reads from each branch and writes to the report database.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <map>
#include <set>

#include "client_statements.h"
#include "sql_test_support.h"
#include "statements/PickProduct.h"

using namespace sqltest;
namespace st = sqltest::statements;

namespace {

// A value as the client would bind it back: dates and decimals as their text.
std::string textOf(const tsqlite::ResultSet& rs, const std::vector<Value>& row,
                   const std::string& name) {
    const size_t i = column(rs, name);
    return tsqlite::displayText(row[i], rs.columns[i].type);
}

// A number of a result as it reads: a decimal as the number its scaled value stands for.
double numberOf(const tsqlite::ResultSet& rs, const std::vector<Value>& row,
                const std::string& name) {
    const size_t i = column(rs, name);
    return row[i].isNull() ? 0 : std::stod(tsqlite::displayText(row[i], rs.columns[i].type));
}

// One demo server for the whole suite: building it takes most of a second.
class DemoData : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (std::string(MAKE_DEMO_SERVER_PATH).empty()) return;
        tmp = new TempDir;
        dir = (tmp->path() / "demo").string();
        const fs::path log = tmp->path() / "said.txt";
        const int status =
            std::system((shellQuoted(MAKE_DEMO_SERVER_PATH) + " --no-server-dat " +
                         shellQuoted(dir) + " > " + shellQuoted(log.string()) + " 2>&1")
                            .c_str());
        built = WIFEXITED(status) && WEXITSTATUS(status) == 0;
        said = readFile(log);
    }
    static void TearDownTestSuite() {
        delete tmp;
        tmp = nullptr;
    }
    void SetUp() override {
        if (std::string(MAKE_DEMO_SERVER_PATH).empty())
            GTEST_SKIP() << "make_demo_server not built";
        ASSERT_TRUE(built) << said;
    }

    static inline TempDir* tmp = nullptr;
    static inline std::string dir;
    static inline bool built = false;
    static inline std::string said;
};

TEST_F(DemoData, TheProposalOffersManyUnitsBelowMinimumInEachUsersOwnGroups) {
    tsqlite::Session br(dir, "BR0001");
    std::set<int64_t> proposed[3];
    for (int user : {1, 2}) {
        const std::string since =
            scalar(br, st::kSalesSpanStart, {{"UserId", Value::integer(user)}});
        const auto rs = br.query(st::kProposal, {{"GetDate", Value::text(since)},
                                                 {"UserId", Value::integer(user)}})
                            .at(0);
        EXPECT_GE(rs.rows.size(), 40u) << "user " << user;
        std::set<int64_t> types;
        int lastOrderShown = 0;
        for (const auto& row : rs.rows) {
            proposed[user].insert(row[column(rs, "ProductUnits")].i);
            types.insert(row[column(rs, "OrderType")].i);
            if (!row[column(rs, "Stratus")].isNull()) ++lastOrderShown;
            EXPECT_EQ(row[column(rs, "BranchCode")].s, "0001");
            EXPECT_GT(numberOf(rs, row, "Price"), 0) << textOf(rs, row, "BarCode");
            EXPECT_LT(numberOf(rs, row, "Onhand") + numberOf(rs, row, "BackOrders"),
                      numberOf(rs, row, "MinStock"));
        }
        // Sold and below minimum, and below minimum without sales in the span.
        EXPECT_TRUE(types.count(2) && types.count(3)) << "user " << user;
        EXPECT_GT(lastOrderShown, 0) << "earlier orders of the proposed units";
    }
    for (int64_t unit : proposed[1]) EXPECT_EQ(proposed[2].count(unit), 0u) << unit;

    // Units below minimum that the proposal must leave out are part of the demo: consignment
    // codes, and units that are never ordered automatically.
    const std::string belowMinimum =
        "SELECT COUNT(*) FROM ProductManage M INNER JOIN Product P ON (P.Id = M.Product) "
        "INNER JOIN ProductUnits U ON (U.Id = M.ProductUnits) INNER JOIN UserProdGroup G ON "
        "(G.ProdGroup = P.ProdGroup AND G.UserId = 1) WHERE M.MinQnty > COALESCE((SELECT "
        "SUM(O.Quantity) / U.Fraction FROM ProductOnhand O INNER JOIN Warehouse W ON (W.Id = "
        "O.Warehouse AND W.WhType = 'F') WHERE O.ProductUnits = M.ProductUnits AND "
        "O.BalanceYear = YEAR(GETDATE())), 0) AND ";
    EXPECT_NE(scalar(br, belowMinimum + "P.Code LIKE '012%'"), "0");
    EXPECT_NE(scalar(br, belowMinimum + "U.AutoOrder = 'N'"), "0");
    for (const auto& r : rowsOf(br,
                                "SELECT M.ProductUnits FROM ProductManage M INNER JOIN Product P "
                                "ON (P.Id = M.Product) INNER JOIN ProductUnits U ON (U.Id = "
                                "M.ProductUnits) WHERE P.Code LIKE '012%' OR U.AutoOrder = 'N'"))
        EXPECT_EQ(proposed[1].count(r[0].i), 0u) << r[0].i;
}

TEST_F(DemoData, StoredOrdersCarryEveryStatusAndNumberingGoesOnAfterThem) {
    tsqlite::Session br(dir, "BR0001");
    const auto rs =
        br.query(st::kStatusReport, {{"DocNo", Value::text("")}, {"BarCode", Value::text("")}})
            .at(0);
    std::string codes;
    for (const auto& row : rs.rows) {
        const std::string code = row[column(rs, "CloseOrder")].s;
        if (codes.find(code) == std::string::npos) codes += code;
        EXPECT_FALSE(row[column(rs, "Stratus")].isNull()) << code;
        EXPECT_GE(numberOf(rs, row, "BackOrder"), 0);
    }
    std::sort(codes.begin(), codes.end());
    EXPECT_EQ(codes, "ABCNOPTWXY");
    // The report's edge cases are in the data: a row received beyond its quantity, rows
    // ordered with quantity 0 (never reported).
    EXPECT_EQ(scalar(br, "SELECT COUNT(*) FROM OrderBranch WHERE BackOrder < 0"), "1");
    EXPECT_EQ(std::to_string(rs.rows.size()),
              scalar(br, "SELECT COUNT(*) FROM OrderBranch WHERE OrderQnty > 0"));
    EXPECT_NE(scalar(br, "SELECT COUNT(*) FROM OrderBranch WHERE OrderQnty = 0"), "0");

    // Each demo user has an order not yet sent to the head office, which Load can change.
    EXPECT_EQ(scalar(br,
                     "SELECT COUNT(DISTINCT UserId) FROM OrderBranch WHERE OrderNO NOT IN "
                     "(SELECT OrderNO FROM OrderBranch WHERE Transfer = 'Y')"),
              "2");
    // The next order number is beyond every stored one.
    const std::string highest = scalar(br, "SELECT MAX(OrderNO) FROM OrderBranch");
    const std::string next = draw(br, "ORD-BRANCH", currentYear());
    EXPECT_EQ(next.size(), 12u);
    EXPECT_GT(next, highest.substr(0, 12));
}

TEST_F(DemoData, TheOrderScreensSetUpScriptFindsEverythingInPlace) {
    tsqlite::Session br(dir, "BR0001");
    const std::string before = snapshot(br);
    for (const auto& statement : st::kBranchOrderSetup) br.query(statement);
    EXPECT_EQ(snapshot(br), before);
}

TEST_F(DemoData, BarcodeSearchListsUnitsWithStockAndOpenCustomerQuantities) {
    tsqlite::Session br(dir, "BR0001");
    auto search = [&](const std::string& code, const std::string& name) {
        return br
            .query(st::kBarcodeSearch,
                   {{"GetCode", Value::text(code)}, {"GetName", Value::text(name)}})
            .at(0);
    };
    const auto all = search("%", "%");
    EXPECT_EQ(std::to_string(all.rows.size()),
              scalar(br, "SELECT COUNT(*) FROM ProductUnits WHERE BarCode <> ''"));
    int awaited = 0;
    for (const auto& row : all.rows)
        if (row[column(all, "Backorder")].s.rfind("0.00 ", 0) != 0) ++awaited;
    EXPECT_GT(awaited, 0) << "open sales orders";

    const auto fishSauce = search("8851234%", "%น้ำปลา%");
    EXPECT_GE(fishSauce.rows.size(), 5u);
    for (const auto& row : fishSauce.rows)
        EXPECT_NE(row[column(fishSauce, "ThaiName")].s.find("น้ำปลา"), std::string::npos);
}

// Quantity texts on printed documents need one smallest and one stock unit per product; the
// drinks stocked by the pack make them show fractions of a pack.
TEST_F(DemoData, EveryProductHasOneSmallestAndOneStockUnitAndSomeAreStockedByThePack) {
    for (const char* database : {"NWX", "BR0001"}) {
        tsqlite::Session s(dir, database);
        for (const char* flag : {"SmallUnitFlag", "StockUnitFlag"})
            EXPECT_EQ(scalar(s, std::string("SELECT COUNT(*) FROM Product P WHERE (SELECT COUNT(*)"
                                            " FROM ProductUnits U WHERE U.Product = P.Id AND U.") +
                                    flag + " = 'Y') <> 1"),
                      "0")
                << database << ' ' << flag;
        EXPECT_EQ(scalar(s,
                         "SELECT COUNT(*) FROM ProductUnits U WHERE U.SmallUnitFlag = 'Y'"
                         " AND U.Fraction <> 1"),
                  "0")
            << database;
        for (const char* fraction : {"6", "12"})
            EXPECT_GE(std::stoi(scalar(s, std::string("SELECT COUNT(*) FROM ProductUnits U"
                                                      " WHERE U.StockUnitFlag = 'Y' AND"
                                                      " U.Fraction = ") +
                                              fraction)),
                      5)
                << database << " stocked by packs of " << fraction;
    }
}

TEST_F(DemoData, SoldOutBranchesHaveRecentSalesExceptTheOneOutOfReach) {
    tsqlite::Session cfg(dir, "QARN_CONFIG_NWX");
    const auto branches = cfg.query(st::kSoldOutBranches).at(0);
    std::string listed;
    for (const auto& b : branches.rows) {
        const std::string code = b[column(branches, "BranchCode")].s;
        const std::string server = b[column(branches, "Server")].s;
        const std::string database = b[column(branches, "ServerName")].s;
        const std::string since = textOf(branches, b, "SoldOutLastUpdate");
        listed += code + " ";
        if (code == "0004") {
            EXPECT_FALSE(tsqlite::serverExists(server)) << server;
            EXPECT_THROW(tsqlite::Session(server, database), tsqlite::Error);
            continue;
        }
        EXPECT_EQ(server == dir, code != "0003") << "0003 is on a server of its own: " << server;
        tsqlite::Session branch(server, database);
        const auto sales = branch
                               .query(st::kSoldOutSales, {{"BranchCode", Value::text(code)},
                                                          {"BeginDate", Value::text(since)}})
                               .at(0);
        std::set<std::string> kinds;
        for (const auto& s : sales.rows) {
            kinds.insert(s[column(sales, "SaleType")].s);
            EXPECT_GE(textOf(sales, s, "SaleDate"), since);
        }
        EXPECT_EQ(kinds.size(), 4u) << code << ": receipts, invoices and both kinds of return";
        // The newest sale is of today or yesterday.
        EXPECT_EQ(scalar(branch,
                         "SELECT CASE WHEN MAX(PosDate) >= CONVERT(date, GETDATE() - 1) THEN 'Y' "
                         "ELSE 'N' END FROM PosHeader"),
                  "Y")
            << code;
        if (code == "0001") {
            EXPECT_EQ(since.substr(0, 10), "2022-01-01") << "never uploaded";
        }
    }
    EXPECT_EQ(listed, "0001 0002 0003 0004 ");
}

// The upload's own statements, row by row: every year table it deletes from or inserts into
// is there, and every sale fits the report columns.
TEST_F(DemoData, TheUploadWritesEverySaleIntoTheTableOfItsYear) {
    tsqlite::Session cfg(dir, "QARN_CONFIG_NWX");
    tsqlite::Session report(dir, "NWXBranch");
    report.query(st::kSoldOutYearTable);
    const int year = currentYear();
    const auto branches = cfg.query(st::kSoldOutBranches).at(0);
    const auto started = std::chrono::steady_clock::now();
    size_t uploaded = 0;
    for (const auto& b : branches.rows) {
        const std::string code = b[column(branches, "BranchCode")].s;
        if (code == "0004") continue;  // out of reach
        const std::string since = textOf(branches, b, "SoldOutLastUpdate");
        const tsqlite::Params range = {{"Begindate", Value::text(since)},
                                       {"BranchCode", Value::text(code)}};
        if (std::stoi(since.substr(0, 4)) < year)
            report.query(st::so::deleteFor(std::stoi(since.substr(0, 4))), range);
        report.query(st::so::deleteFor(year), range);

        tsqlite::Session branch(b[column(branches, "Server")].s,
                                b[column(branches, "ServerName")].s);
        const auto sales = branch
                               .query(st::kSoldOutSales, {{"BranchCode", Value::text(code)},
                                                          {"BeginDate", Value::text(since)}})
                               .at(0);
        for (const auto& s : sales.rows) {
            tsqlite::Params p;
            for (const char* name : {"SaleType", "BranchCode", "SaleDocNo", "ProdCode", "BarCode",
                                     "UOM", "CurrencyCode", "SaleDate"})
                p[name] = Value::text(textOf(sales, s, name));
            for (const char* name :
                 {"Quantity", "Price", "Discount", "Rate", "TotalCurrency", "TotalCurrencyMain"})
                p[name] = Value::real(numberOf(sales, s, name));
            p["Cost"] = Value::null();
            report.query(st::so::insertFor(std::stoi(p["SaleDate"].s.substr(0, 4))), p);
        }
        uploaded += sales.rows.size();
        EXPECT_EQ(scalar(report,
                         "SELECT COUNT(*) FROM SoldOut" + std::to_string(year) +
                             " WHERE BranchCode = :Code AND SaleDate >= :Since",
                         {{"Code", Value::text(code)}, {"Since", Value::text(since)}}),
                  std::to_string(sales.rows.size()))
            << code;
    }
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now() - started)
                        .count();
    EXPECT_GT(uploaded, 2000u);
    std::cout << "uploaded " << uploaded << " sales rows in " << ms << " ms\n";
}

// Running the demo scripts again adds nothing: every generated row is guarded.
TEST_F(DemoData, RunningTheDemoScriptsAgainChangesNothing) {
    tsqlite::Session cfg(dir, "QARN_CONFIG_NWX");
    tsqlite::Session br(dir, "BR0001");
    const std::string cfgBefore = snapshot(cfg);
    const std::string brBefore = snapshot(br);
    runScripts(cfg, {"config/tables.sql", "demo/config.sql"},
               {{"DemoServer", dir},
                {"RemoteBranchServer", dir + "/branch0003"},
                {"OfflineBranchServer", dir + "/branch0004"}});
    runScripts(
        br,
        {"company/common_tables.sql", "company/product_tables.sql", "company/sales_tables.sql",
         "demo/company.sql", "demo/company_branch.sql", "demo/branch_products.sql",
         "demo/branch_stock.sql", "demo/branch_sales.sql", "demo/branch_orders.sql"},
        {{"BranchCode", "0001"}});
    EXPECT_EQ(snapshot(cfg), cfgBefore);
    EXPECT_EQ(snapshot(br), brBefore);
}

// The distribution centre's demo rows give every case of pick planning something to show:
// every branch of today's list, every status a Save decides, lines at two locations, a
// picking group of more than one sheet, and stored picks in each state.
TEST_F(DemoData, DistributionCentreHasEveryCaseOfPickPlanning) {
    namespace pick = ::statements::pick_product;
    tsqlite::Session dc(dir, "NWX");
    const auto list = dc.query(pick::branchList()).at(0);
    std::string offered;
    for (const auto& b : list.rows) offered += b[column(list, "BranchCode")].s + " ";
    EXPECT_EQ(offered, "FROZEN 0001 0002 0003 ") << "0004 was picked today";
    EXPECT_EQ(scalar(dc, "SELECT COUNT(*) FROM TranBranch WHERE PickNo = ''"), "0")
        << "open lines carry no pick number";

    const auto open = dc.query(pick::load({"0001", "0002", "0003"}, {"0001", "0002"}),
                               {{"PickNo", Value::text("")}})
                          .at(0);
    std::set<std::string> statuses, frozenGroups;
    std::map<std::string, std::set<std::string>> itemsOfGroup;
    std::map<long long, int> rowsOfLine;
    for (const auto& r : open.rows) {
        const double onhand40 = numberOf(open, r, "Onhand40");
        const double onhandDC = numberOf(open, r, "OnhandDC");
        const std::string negative = r[column(open, "Negative")].s;
        const std::string status = onhand40 < 0.5 && negative == "N" ? "O"
                                   : onhandDC >= 0.5                 ? "P"
                                   : negative == "Y"                 ? "P"
                                                                     : "B";
        statuses.insert(status + (negative == "Y" || negative == "N" ? "" : "?"));
        const std::string group = r[column(open, "ResponsProdGroup")].s;
        if (status == "P") itemsOfGroup[group.substr(0, 10)].insert(r[column(open, "SortGroup")].s);
        if (group.rfind("D_", 0) == 0 || group.find('F') == 4) frozenGroups.insert(group);
        ++rowsOfLine[r[column(open, "Id")].i];
    }
    EXPECT_EQ(statuses, (std::set<std::string>{"B?", "O", "P", "P?"}));
    EXPECT_GT(itemsOfGroup["0001A"].size(), 30u);
    EXPECT_FALSE(frozenGroups.empty());
    int twoLocations = 0;
    for (const auto& [id, rows] : rowsOfLine) twoLocations += rows == 2;
    EXPECT_GT(twoLocations, 0);

    auto state = [&](const char* pickNo) {
        const auto r = dc.query(pick::load({}, {}), {{"PickNo", Value::text(pickNo)}}).at(0);
        return r.rows.empty() ? std::string() : r.rows[0][column(r, "NewRecord")].s;
    };
    EXPECT_EQ(state("PK0000000001"), "N");
    EXPECT_EQ(state("PK0000000002"), "T");
    EXPECT_EQ(state("PK0000000003"), "T");
}

}  // namespace
