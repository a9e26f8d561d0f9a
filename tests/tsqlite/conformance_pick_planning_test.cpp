// Pick planning at the distribution centre: weekday and branch plan, the branch list, the load
// of open lines or of a stored pick, and the pick number search.
#include <gtest/gtest.h>

#include <cmath>
#include <ctime>

#include "conformance_support.h"
#include "statements/PickProduct.h"

using namespace conformance;

namespace {

namespace sql = statements::pick_product;
const std::string& kWeekday = sql::weekday();
const std::string& kBranchPlan = sql::branchPlan();
const std::string& kBranchList = sql::branchList();
const std::string& kFrozenBranches = sql::frozenBranches();
const std::string& kPickNumberSearch = sql::pickNumberSearch();

}  // namespace

// The load statement as the screen assembles it; shared with the pick confirmation tests.
std::string pickLoadStatement(const std::vector<std::string>& ticked,
                              const std::vector<std::string>& frozen) {
    return sql::load(ticked, frozen);
}

// A server with the configuration database and the distribution centre's database NWX.
std::unique_ptr<tsqlite::Session> openDistributionCentre(TempServer& server) {
    server.createDatabase("QARN_CONFIG_NWX");
    {
        auto cfg = server.open("QARN_CONFIG_NWX");
        runConfigScripts(*cfg);
        runFixture(*cfg, "config_data.sql");
    }
    server.createDatabase("NWX");
    auto db = server.open("NWX");
    runCompanyScripts(*db);
    runFixture(*db, "settings_data.sql");
    runFixture(*db, "pick_data.sql");
    return db;
}

namespace {

class ConformancePickPlanning : public ::testing::Test {
protected:
    void SetUp() override { db = openDistributionCentre(server); }
    Rows load(const std::string& pickNo, const std::vector<std::string>& ticked,
              const std::vector<std::string>& frozen) {
        return query(*db, pickLoadStatement(ticked, frozen), {{"PickNo", T(pickNo)}});
    }
    TempServer server;
    std::unique_ptr<tsqlite::Session> db;
};

TEST_F(ConformancePickPlanning, WeekdayAndTheDaysBranchPlan) {
    static const char* const kDays[] = {"SUN", "MON", "TUE", "WED", "THU", "FRI", "SAT"};
    Rows w = query(*db, kWeekday);
    ASSERT_EQ(w.size(), 1u);
    const long long dw = w.integer(0, "Dw");
    ASSERT_GE(dw, 1);
    ASSERT_LE(dw, 7);
    EXPECT_EQ(w.str(0, "Days"), kDays[dw - 1]) << "Sunday is day 1";
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    EXPECT_EQ(dw, tm.tm_wday + 1);

    Rows monday = query(*db, kBranchPlan, {{"Days", T("MON")}});
    EXPECT_EQ(monday.strings("BranchCode"), (std::vector<std::string>{"0029", "0041"}));
    EXPECT_EQ(query(*db, kBranchPlan, {{"Days", T("SUN")}}).size(), 0u);
}

TEST_F(ConformancePickPlanning, BranchListLeavesOutBranchesPickedToday) {
    // 0036 had an ordinary line picked today; 0040 is closed; DC001 is the centre itself.
    Rows list = query(*db, kBranchList);
    EXPECT_EQ(list.strings("BranchCode"), (std::vector<std::string>{"FROZEN", "0029", "0041"}));
    if (list.size() == 3) {
        EXPECT_EQ(list.str(0, "BranchNo"), "000");
        EXPECT_EQ(list.str(0, "BranchName"), "FROZEN");
        EXPECT_EQ(list.str(1, "BranchName"), "สาขา 29 ลาดพร้าว");
        for (size_t i = 0; i < list.size(); ++i) EXPECT_EQ(list.str(i, "Pick"), "N");
    }

    // A frozen line of a central branch picked today removes FROZEN, not the branch.
    exec(*db,
         "UPDATE TranBranch SET PickNo = 'PK0000000009', PickDate = GETDATE() WHERE OrderBranchId "
         "= 503");
    EXPECT_EQ(query(*db, kBranchList).strings("BranchCode"),
              (std::vector<std::string>{"0029", "0041"}));
    // Its ordinary line picked today removes the branch as well.
    exec(*db,
         "UPDATE TranBranch SET PickNo = 'PK0000000009', PickDate = GETDATE() WHERE OrderBranchId "
         "= 501");
    EXPECT_EQ(query(*db, kBranchList).strings("BranchCode"), (std::vector<std::string>{"0041"}));
}

TEST_F(ConformancePickPlanning, FrozenListComesFromTheConfigurationDatabase) {
    auto cfg = server.open("QARN_CONFIG_NWX");
    EXPECT_EQ(query(*cfg, kFrozenBranches).strings("BranchCode"),
              (std::vector<std::string>{"0029", "0041"}));
}

TEST_F(ConformancePickPlanning, NewPickLoadsOpenLinesPerStockLocation) {
    Rows r = load("", {"0029"}, {"0029", "0041"});
    ASSERT_EQ(r.size(), 5u);
    EXPECT_EQ(r.strings("BranchNo"), (std::vector<std::string>{"029", "029", "029", "029", "041"}));
    EXPECT_EQ(r.strings("BarCode"),
              (std::vector<std::string>{"BA100", "BA100", "BA200", "BF100", "BF100"}));
    for (size_t i = 0; i < r.size(); ++i) EXPECT_EQ(r.str(i, "NewRecord"), "Y");

    // One order line with stock at two locations gives a row per location; the open
    // quantity of lines being picked ('P') is taken off the location's stock.
    size_t a = r.str(0, "ResponsProdGroup") == "0029A" ? 0 : 1, b = 1 - a;
    EXPECT_EQ(r.str(a, "ResponsProdGroup"), "0029A");
    EXPECT_EQ(r.str(a, "SortGroup"), "N0029A-01-DC001-A100-BA100");
    EXPECT_EQ(std::llround(r.num(a, "OnhandDC")), 10);
    EXPECT_EQ(std::llround(r.num(a, "Onhand40")), 9);
    EXPECT_EQ(r.str(b, "ResponsProdGroup"), "0029B");
    EXPECT_EQ(r.str(b, "SortGroup"), "N0029B-07-DC001-A100-BA100");
    EXPECT_EQ(std::llround(r.num(b, "Onhand40")), 4);
    EXPECT_EQ(r.integer(a, "OrderBranchId"), 501);
    EXPECT_EQ(r.str(a, "ServerName"), "BR0029");
    EXPECT_EQ(r.str(a, "UOM"), "ถุง");
    EXPECT_EQ(r.str(a, "locationassign"), "L-A01");
    EXPECT_LT(std::abs(secondsFromNow(r.str(a, "PickDate"))), 120);

    // No stock row at all.
    EXPECT_EQ(r.str(2, "ResponsProdGroup"), "0029GROUP");
    EXPECT_EQ(r.str(2, "SortGroup"), "N0029GROUP-ZZZZZZ-A200-BA200");
    EXPECT_EQ(std::llround(r.num(2, "OnhandDC")), 0);
    EXPECT_EQ(r.str(2, "Negative"), "Y");

    // Frozen lines of the central branches without stock share the D_ group, ticked or not.
    EXPECT_EQ(r.str(3, "ResponsProdGroup"), "D_F");
    EXPECT_EQ(r.str(3, "SortGroup"), "ND_F-01-ZZZZZZ-F100-BF100");
    EXPECT_EQ(r.str(4, "ResponsProdGroup"), "D_F");
    EXPECT_EQ(r.str(4, "CloseOrder"), "A");
}

TEST_F(ConformancePickPlanning, OrdinaryListTakesFrozenLinesOfOtherRegionsOnly) {
    Rows north = load("", {"0036"}, {});
    // 0036's 'Y' line is closed; its frozen line is ordinary outside the central region.
    EXPECT_EQ(north.strings("BarCode"), (std::vector<std::string>{"BA100", "BA100", "BF100"}));
    if (north.size() == 3) {
        EXPECT_EQ(north.str(2, "ResponsProdGroup"), "0036F");
    }

    EXPECT_EQ(load("", {}, {}).size(), 0u) << "nothing ticked";
    // A central branch ticked without FROZEN brings no frozen line; the transferred line of
    // 0041 never comes.
    EXPECT_EQ(load("", {"0041"}, {}).size(), 0u);
}

TEST_F(ConformancePickPlanning, StoredPickLoadsItsLinesAtBranchesAndCustomers) {
    Rows r = load("PK0000000001", {"0029"}, {"0029", "0041"});
    ASSERT_EQ(r.size(), 2u) << "open lines come only with an empty pick number";
    EXPECT_EQ(r.str(0, "BranchNo"), "036");
    EXPECT_EQ(r.str(0, "NewRecord"), "N");
    EXPECT_EQ(r.str(0, "ResponsProdGroup"), "0036A#001");
    EXPECT_EQ(r.str(0, "SortGroup"), "");
    EXPECT_EQ(std::llround(r.num(0, "OnhandDC")), 3);
    EXPECT_EQ(std::llround(r.num(0, "Onhand40")), 3);
    EXPECT_EQ(r.str(1, "BranchNo"), "C001");
    EXPECT_EQ(r.str(1, "BranchName"), "ร้านค้าส่ง ก");
    EXPECT_EQ(std::llround(r.num(1, "OnhandDC")), 0);
    EXPECT_EQ(std::llround(r.num(1, "Onhand40")), 15);
    EXPECT_EQ(r.str(1, "ServerName"), "");

    Rows transit = load("PK0000000002", {}, {});
    ASSERT_EQ(transit.size(), 1u);
    EXPECT_EQ(transit.str(0, "NewRecord"), "T");
}

TEST_F(ConformancePickPlanning, PickNumberSearchListsEachPickOncePerDayNewestFirst) {
    Rows picks = query(*db, kPickNumberSearch, {{"GNo", T("%PK%")}});
    EXPECT_EQ(picks.strings("PickNo"),
              (std::vector<std::string>{"PK0000000001", "PK0000000001", "PK0000000002"}));
    if (picks.size() == 3) {
        EXPECT_EQ(picks.str(0, "PickDate").substr(0, 10), isoDate(today()));
        EXPECT_EQ(picks.str(1, "PickDate").substr(0, 10), isoDate(today(-1)));
        EXPECT_EQ(picks.str(2, "PickDate").substr(0, 10), isoDate(today(-3)));
    }
    // Open lines have no pick number yet.
    EXPECT_EQ(query(*db, kPickNumberSearch, {{"GNo", T("%No%")}}).size(), 0u);
    EXPECT_EQ(query(*db, kPickNumberSearch, {{"GNo", T("% PK%")}}).size(), 0u);
}

}  // namespace
