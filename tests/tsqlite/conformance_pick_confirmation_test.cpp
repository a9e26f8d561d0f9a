// Pick confirmation: the run lock in the settings row, numbering of the pick and its sheets,
// the line updates, the stock-location summary and the pick's counts.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>

#include "conformance_support.h"
#include "statements/PickProduct.h"
#include "statements/Startup.h"

using namespace conformance;

// From the pick planning tests.
std::string pickLoadStatement(const std::vector<std::string>& ticked,
                              const std::vector<std::string>& frozen);
std::unique_ptr<tsqlite::Session> openDistributionCentre(TempServer& server);

namespace {

const std::string& kSettings = statements::shared_data::settingsRow();

const std::string& kSetLock = statements::pick_product::setRunLock();
const std::string& kPickedLine = statements::pick_product::pickedLine();
const std::string& kClosingLine = statements::pick_product::closingLine();
const std::string& kLocationSummary = statements::pick_product::locationSummary();
const std::string& kCounts = statements::pick_product::counts();
class ConformancePickConfirmation : public ::testing::Test {
protected:
    void SetUp() override { db = openDistributionCentre(server); }

    std::string number(const std::string& code) {
        auto r = callProcedure(
            *db, "NewDocumentNo",
            {{"@DOCCODE", T(code)}, {"@DocYear", I(currentYear())}, {"@NEWNO", Null(), true}});
        return text(output(r, "@NewNo"));
    }
    Rows line(long long orderBranchId) {
        return query(*db, "SELECT * FROM TranBranch WHERE OrderBranchId = :id",
                     {{"id", I(orderBranchId)}});
    }

    TempServer server;
    std::unique_ptr<tsqlite::Session> db;
};

TEST_F(ConformancePickConfirmation, RunLockIsReadFromAndWrittenToTheSettingsRow) {
    EXPECT_EQ(query(*db, kSettings).str(0, "RunConsoFlag"), "N");
    exec(*db, kSetLock, {{"RunConsoFlag", T("Y")}});
    // A second client sees the lock.
    tsqlite::Session other(server.dir(), "NWX");
    EXPECT_EQ(query(other, kSettings).str(0, "RunConsoFlag"), "Y");
    exec(*db, kSetLock, {{"RunConsoFlag", T("N")}});
    EXPECT_EQ(query(other, kSettings).str(0, "RunConsoFlag"), "N");
}

TEST_F(ConformancePickConfirmation, RunLockIsTakenByOneSessionOnly) {
    const std::string take = statements::pick_product::takeRunLock() + "\nSELECT @@ROWCOUNT AS N";
    tsqlite::Session other(server.dir(), "NWX");
    EXPECT_EQ(query(*db, take).integer(0, "N"), 1);
    EXPECT_EQ(query(other, take).integer(0, "N"), 0) << "already taken";
    EXPECT_EQ(query(*db, take).integer(0, "N"), 0);
    exec(*db, kSetLock, {{"RunConsoFlag", T("N")}});
    EXPECT_EQ(query(other, take).integer(0, "N"), 1);
    // A settings row whose flag was never set counts as free.
    exec(*db, "UPDATE Config SET RunConsoFlag = NULL");
    EXPECT_EQ(query(*db, take).integer(0, "N"), 1);
}

TEST_F(ConformancePickConfirmation, BranchCodesAreQuotedLiteralsInTheLoad) {
    EXPECT_EQ(statements::pick_product::branchInList({}), "BranchCode In ('')");
    EXPECT_EQ(statements::pick_product::branchInList({"0029", "O'K"}),
              "BranchCode In ('','0029','O''K')");
    // A code holding a quote neither breaks the statement nor widens it to other branches.
    exec(*db,
         "UPDATE QARN_CONFIG_NWX.dbo.Branch SET BranchCode = 'O''29' WHERE BranchCode = '0029'");
    exec(*db, "UPDATE TranBranch SET BranchCode = 'O''29' WHERE BranchCode = '0029'");
    Rows r = query(*db, pickLoadStatement({"O'29"}, {}), {{"PickNo", T("")}});
    EXPECT_EQ(r.strings("BarCode"), (std::vector<std::string>{"BA100", "BA100", "BA200"}));
    Rows attack = query(*db, pickLoadStatement({"x') Or (1=1) Or ('"}, {}), {{"PickNo", T("")}});
    EXPECT_EQ(attack.size(), 0u);
}

TEST_F(ConformancePickConfirmation, NewPickMarksLinesPickedOrOutOfStockOnNumberedSheets) {
    Rows loaded = query(*db, pickLoadStatement({"0029"}, {"0029", "0041"}), {{"PickNo", T("")}});
    ASSERT_EQ(loaded.size(), 5u);

    const std::string pickNo = number("PICKORDER");
    EXPECT_EQ(pickNo, "PK0000000003");

    // Status per loaded row, then the rows in SortGroup order, one sheet per group.
    struct Item {
        long long id;
        std::string group, sortGroup, status;
    };
    std::vector<Item> items;
    for (size_t i = 0; i < loaded.size(); ++i) {
        const long long onhand40 = std::llround(loaded.num(i, "Onhand40"));
        const long long onhandDC = std::llround(loaded.num(i, "OnhandDC"));
        const std::string negative = loaded.str(i, "Negative");
        std::string status = onhand40 <= 0 && negative == "N" ? "O"
                             : onhandDC > 0                   ? "P"
                             : negative == "Y"                ? "P"
                                                              : "B";
        items.push_back({loaded.integer(i, "Id"), loaded.str(i, "ResponsProdGroup").substr(0, 10),
                         loaded.str(i, "SortGroup"), status});
    }
    std::stable_sort(items.begin(), items.end(),
                     [](const Item& a, const Item& b) { return a.sortGroup < b.sortGroup; });
    std::string currentGroup, sheetNo;
    std::map<std::string, std::string> sheetOfGroup;
    for (const auto& it : items) {
        if (it.status == "P") {
            if (it.group != currentGroup) {
                currentGroup = it.group;
                sheetNo = number("PRODUCTMANAGE");
                sheetOfGroup[it.group] = sheetNo;
            }
            exec(*db, kPickedLine,
                 {{"PickNo", T(pickNo)},
                  {"UserPick", I(7)},
                  {"ResponsProdGroup", T(it.group + "#001")},
                  {"ProductManageNo", T(sheetNo)},
                  {"Id", I(it.id)}});
        } else {
            exec(*db, kClosingLine,
                 {{"PickNo", T(pickNo)},
                  {"UserPick", I(7)},
                  {"Status", T(it.status)},
                  {"ResponsProdGroup", T("")},
                  {"Id", I(it.id)}});
        }
    }

    // The line with stock at two locations was written twice; the later location decides.
    Rows rice = line(501);
    EXPECT_EQ(rice.str(0, "PickNo"), pickNo);
    EXPECT_EQ(rice.str(0, "CloseOrder"), "P");
    EXPECT_EQ(rice.str(0, "ResponsProdGroup"), "0029B#001");
    EXPECT_EQ(rice.str(0, "ProductManageNo"), sheetOfGroup["0029B"]);
    EXPECT_EQ(rice.integer(0, "TranSendQnty"), 0);
    EXPECT_EQ(rice.str(0, "BoxNo"), "");
    EXPECT_EQ(rice.str(0, "UpdateBranch"), "N");
    EXPECT_EQ(rice.integer(0, "UserPick"), 7);
    EXPECT_LT(std::abs(secondsFromNow(rice.str(0, "PickDate"))), 120);

    EXPECT_EQ(line(502).str(0, "CloseOrder"), "P") << "may be picked without stock";
    EXPECT_EQ(line(502).str(0, "ResponsProdGroup"), "0029GROUP#001");
    Rows frozen = line(701);
    EXPECT_EQ(frozen.str(0, "CloseOrder"), "O");
    EXPECT_EQ(frozen.str(0, "ResponsProdGroup"), "");
    EXPECT_EQ(frozen.str(0, "UpdateBranch"), "N") << "status changed from A";
    EXPECT_EQ(frozen.str(0, "PickNo"), pickNo);
    EXPECT_EQ(sheetOfGroup.size(), 3u);
    EXPECT_EQ(sheetOfGroup["0029A"], "PM00000003");

    Rows counts = query(*db, kCounts, {{"PickNo", T(pickNo)}});
    ASSERT_EQ(counts.size(), 1u);
    EXPECT_EQ(counts.str(0, "PickNo"), pickNo);
    EXPECT_EQ(counts.integer(0, "CountBranch"), 2);
    EXPECT_EQ(counts.integer(0, "CountTotal"), 3);
    EXPECT_EQ(counts.integer(0, "CountP"), 2);
}

TEST_F(ConformancePickConfirmation, ClosingUpdateKeepsTheBranchFlagWhenTheStatusStays) {
    const long long id = line(702).integer(0, "Id");  // status O, flag Y
    exec(*db, kClosingLine,
         {{"PickNo", T("PK0000000003")},
          {"UserPick", I(7)},
          {"Status", T("O")},
          {"ResponsProdGroup", T("")},
          {"Id", I(id)}});
    EXPECT_EQ(line(702).str(0, "UpdateBranch"), "Y");
    exec(*db, kClosingLine,
         {{"PickNo", T("PK0000000003")},
          {"UserPick", I(7)},
          {"Status", T("B")},
          {"ResponsProdGroup", T("")},
          {"Id", I(id)}});
    EXPECT_EQ(line(702).str(0, "CloseOrder"), "B");
    EXPECT_EQ(line(702).str(0, "UpdateBranch"), "N");
}

TEST_F(ConformancePickConfirmation, LocationSummaryIsRebuiltPerProduct) {
    exec(*db,
         "INSERT INTO ProductOnhandSendDayly (ProdCode, WhStart, WhStop, CountWH, AddDate) "
         "VALUES ('OLD', 'X', 'X', 1, '2020-01-01')");
    for (int run = 0; run < 2; ++run) {
        exec(*db, kLocationSummary);
        EXPECT_EQ(count(*db, "SELECT @@TRANCOUNT"), 0);
        Rows r =
            query(*db,
                  "SELECT ProdCode, WhStart, WhStop, CountWH, AddDate FROM ProductOnhandSendDayly "
                  "ORDER BY ProdCode");
        EXPECT_EQ(r.strings("ProdCode"), (std::vector<std::string>{"A100", "A300", "F100"}));
        if (r.size() != 3) continue;
        EXPECT_EQ(r.str(0, "WhStart"), "A-01");
        EXPECT_EQ(r.str(0, "WhStop"), "B-07");
        EXPECT_EQ(r.integer(0, "CountWH"), 2);
        EXPECT_EQ(r.integer(1, "CountWH"), 1);
        EXPECT_LT(std::abs(secondsFromNow(r.str(0, "AddDate"))), 120);
    }
}

TEST_F(ConformancePickConfirmation, CountsOfAStoredPickStayTheSame) {
    for (int run = 0; run < 2; ++run) {
        Rows c = query(*db, kCounts, {{"PickNo", T("PK0000000001")}});
        ASSERT_EQ(c.size(), 1u);
        EXPECT_EQ(c.integer(0, "CountBranch"), 2);
        EXPECT_EQ(c.integer(0, "CountTotal"), 2);
        EXPECT_EQ(c.integer(0, "CountP"), 2);
    }
    Rows none = query(*db, kCounts, {{"PickNo", T("PK9999999999")}});
    EXPECT_EQ(none.integer(0, "CountBranch"), 0);
}

}  // namespace
