// Look-up dialogs: the product barcode search, the branch order number search with its
// title-click sorting, and the code-table search.
#include <gtest/gtest.h>

#include <cstdlib>

#include "conformance_support.h"
#include "statements/BarcodeSearch.h"
#include "statements/BranchOrder.h"
#include "statements/PickProduct.h"

using namespace conformance;

namespace {

// Leading number of a "<quantity>  <unit>" text.
double leadingNumber(const std::string& s) {
    return std::strtod(s.c_str(), nullptr);
}

class ConformanceBarcodeSearch : public ::testing::Test {
protected:
    void SetUp() override {
        server.createDatabase("NWX");
        db = server.open("NWX");
        runCompanyScripts(*db);
        runFixture(*db, "lookup_data.sql");
    }
    Rows search(const std::string& code, const std::string& name, bool contains,
                int sortOrder = 0) {
        return query(
            *db, statements::barcode_search::forSearch(sortOrder),
            {{"GetCode", T(code + "%")}, {"GetName", T(contains ? "%" + name + "%" : name + "%")}});
    }
    TempServer server;
    std::unique_ptr<tsqlite::Session> db;
};

TEST_F(ConformanceBarcodeSearch, EmptyFieldsListEveryUnblockedUnitWithABarcode) {
    ASSERT_EQ(statements::barcode_search::lines().size(), 37u);
    Rows r = search("", "", false);
    EXPECT_EQ(r.strings("BarCode"),
              (std::vector<std::string>{"6660001", "7770001", "8850001", "8850002", "8850003"}));
    if (r.size() != 5) return;

    // Stock of this year in cans, and the customers' open quantity, both with the smallest unit.
    for (size_t row : {2u, 3u}) {
        const std::string onHand = r.str(row, "OnHand");
        EXPECT_DOUBLE_EQ(leadingNumber(onHand), 30) << onHand;
        EXPECT_NE(onHand.find("  กระป๋อง"), std::string::npos) << onHand;
        const std::string back = r.str(row, "Backorder");
        EXPECT_DOUBLE_EQ(leadingNumber(back), 8) << back;
        EXPECT_NE(back.find("  กระป๋อง"), std::string::npos) << back;
    }
    EXPECT_DOUBLE_EQ(leadingNumber(r.str(1, "OnHand")), 0);
    EXPECT_NE(r.str(1, "OnHand").find("  ขวด"), std::string::npos);
    EXPECT_DOUBLE_EQ(leadingNumber(r.str(1, "Backorder")), 0);
    EXPECT_EQ(r.str(2, "Code"), "A001");
    EXPECT_EQ(r.str(3, "UnitName"), "แพ็ค");
}

TEST_F(ConformanceBarcodeSearch, NameMatchesFromTheStartOrAnywhereAndCodeAsAPrefix) {
    EXPECT_EQ(search("", "ปลา", false).strings("BarCode"),
              (std::vector<std::string>{"7770001", "8850001", "8850002"}));
    EXPECT_EQ(search("", "ปลา", true).strings("BarCode"),
              (std::vector<std::string>{"6660001", "7770001", "8850001", "8850002"}));
    EXPECT_EQ(search("", "fish", false).strings("BarCode"), (std::vector<std::string>{"8850003"}));
    EXPECT_EQ(search("88500", "", false).strings("BarCode"),
              (std::vector<std::string>{"8850001", "8850002", "8850003"}));
    EXPECT_EQ(search("0001", "", false).size(), 0u) << "the barcode is matched from its start only";
}

TEST_F(ConformanceBarcodeSearch, SortsByProductCodeOrProductName) {
    Rows byCode = search("", "", false, 1);
    EXPECT_EQ(byCode.strings("Code"),
              (std::vector<std::string>{"A001", "A001", "A002", "B001", "C001"}));
    Rows byName = search("", "", false, 2);
    EXPECT_EQ(byName.strings("Code"),
              (std::vector<std::string>{"B001", "C001", "A001", "A001", "A002"}));
}

// ---- Branch order number search ----

const std::string& kOrderSearchInitial = statements::branch_order::orderNumbers();
using statements::branch_order::orderNumberSearch;
// A click on a column title orders by the column's position, descending on every second click
// of the same column.
using statements::orderedByPosition;

class ConformanceOrderNumberSearch : public ::testing::Test {
protected:
    void SetUp() override { db = openBranchDatabase(server, "BR0029"); }
    Rows search(const std::string& filter, const std::string& typed) {
        return query(*db, orderNumberSearch(filter), {{"GNo", T("%" + typed + "%")}});
    }
    TempServer server;
    std::unique_ptr<tsqlite::Session> db;
};

TEST_F(ConformanceOrderNumberSearch, ListsOrdersOncePerDateWithOptionalStatusFilter) {
    Rows all = query(*db, kOrderSearchInitial);
    EXPECT_EQ(all.strings("OrderNo"), (std::vector<std::string>{"No0000000001", "No0000000002",
                                                                "No0000000003", "No0000000004"}));

    EXPECT_EQ(search("", "").size(), 4u);
    EXPECT_EQ(search("'N'", "").strings("OrderNo"),
              (std::vector<std::string>{"No0000000002", "No0000000003"}));
    EXPECT_EQ(search("'N'", "NO").size(), 2u) << "typed capitals find numbers starting with No";
    EXPECT_EQ(search("", "04").strings("OrderNo"), (std::vector<std::string>{"No0000000004"}));
    EXPECT_EQ(search("", " 04").size(), 0u) << "blanks typed stay in the pattern";
    EXPECT_EQ(search("'Y', 'Z'", "").strings("OrderNo"),
              (std::vector<std::string>{"No0000000001", "No0000000004"}));

    // A row added to an order on a later day gives the order a second date.
    exec(*db,
         "INSERT INTO OrderBranch (OrderNO, OrderDate, TranBranchNo, Product, ProductUnits, "
         "SaleQnty, MinQnty, "
         "OrderQnty, Onhand, Transfer, ReceivedQnty, BackOrder, UserId, CloseOrder) "
         "VALUES ('No0000000003', CONVERT(date, GETDATE()), '', 5, 105, 0, 4, 2, 1, 'N', 0, 2, 9, "
         "'N')");
    EXPECT_EQ(search("'N'", "").strings("OrderNo"),
              (std::vector<std::string>{"No0000000002", "No0000000003", "No0000000003"}));
}

TEST_F(ConformanceOrderNumberSearch, TitleClickOrdersByColumnPositionKeepingFilterAndText) {
    const std::string statement = orderNumberSearch("'W', 'Y'");
    const Params typed = {{"GNo", T("%No%")}};

    Rows byDateAsc = query(*db, orderedByPosition(statement, 2, false), typed);
    EXPECT_EQ(byDateAsc.strings("OrderNo"),
              (std::vector<std::string>{"No0000000004", "No0000000001", "No0000000002"}));
    Rows byDateDesc = query(*db, orderedByPosition(statement, 2, true), typed);
    EXPECT_EQ(byDateDesc.strings("OrderNo"),
              (std::vector<std::string>{"No0000000002", "No0000000001", "No0000000004"}));
    Rows byNumberDesc = query(*db, orderedByPosition(statement, 1, true), typed);
    EXPECT_EQ(byNumberDesc.strings("OrderNo"),
              (std::vector<std::string>{"No0000000004", "No0000000002", "No0000000001"}));
}

// ---- Code-table search ----

const std::string& kMiscSearch = statements::pick_product::miscSearch();

TEST_F(ConformanceBarcodeSearch, CodeTableSearchMatchesTheDescriptionWithinOneGroup) {
    Rows all = query(*db, kMiscSearch, {{"GetGroup", T("CARNO")}, {"GetCode", T("%%")}});
    EXPECT_EQ(all.strings("Code"), (std::vector<std::string>{"1กข1234", "70-2222", "70-1111"}));
    Rows six = query(*db, kMiscSearch, {{"GetGroup", T("CARNO")}, {"GetCode", T("%6 ล้อ%")}});
    EXPECT_EQ(six.strings("Code"), (std::vector<std::string>{"70-1111"}));
    EXPECT_EQ(
        query(*db, kMiscSearch, {{"GetGroup", T("CARNO")}, {"GetCode", T("%70-1111%")}}).size(), 0u)
        << "the code itself is not searched";
}

}  // namespace
