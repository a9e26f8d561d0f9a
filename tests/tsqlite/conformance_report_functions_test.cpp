// Look-ups behind the report functions that write quantities in product units.
#include <gtest/gtest.h>

#include "conformance_support.h"
#include "statements/Startup.h"

using namespace conformance;

namespace {

const std::string& kUnitFraction = statements::shared_data::unitFraction();
const std::string& kStockUnit = statements::shared_data::stockUnitQnty();

class ConformanceReportFunctions : public ::testing::Test {
protected:
    void SetUp() override {
        server.createDatabase("NWX");
        db = server.open("NWX");
        runCompanyScripts(*db);
        runFixture(*db, "units_data.sql");
    }
    TempServer server;
    std::unique_ptr<tsqlite::Session> db;
};

TEST_F(ConformanceReportFunctions, UnitLookupGivesTheUnitAndTheProductsSmallestUnit) {
    Rows tray = query(*db, kUnitFraction, {{"GetUnit", I(2)}});
    ASSERT_EQ(tray.size(), 1u);
    EXPECT_EQ(tray.str(0, "LUnit"), "แผง");
    EXPECT_EQ(tray.integer(0, "Fraction"), 30);
    EXPECT_EQ(tray.str(0, "SUnit"), "ฟอง");
    EXPECT_EQ(tray.integer(0, "IdProd"), 1);

    EXPECT_EQ(query(*db, kUnitFraction, {{"GetUnit", I(1)}}).str(0, "LUnit"), "ฟอง");
    EXPECT_EQ(query(*db, kUnitFraction, {{"GetUnit", I(4)}}).size(), 0u)
        << "no smallest unit marked";
    EXPECT_EQ(query(*db, kUnitFraction, {{"GetUnit", I(99)}}).size(), 0u);
}

TEST_F(ConformanceReportFunctions, StockUnitLookupBindsTheProductInBothPlaces) {
    Rows eggs = query(*db, kStockUnit, {{"GetProduct", I(1)}});
    ASSERT_EQ(eggs.size(), 1u);
    EXPECT_EQ(eggs.integer(0, "Id"), 3);
    EXPECT_EQ(eggs.str(0, "UnitName"), "โหล");
    EXPECT_EQ(eggs.integer(0, "Fraction"), 12);
    EXPECT_EQ(eggs.str(0, "SmallUnit"), "ฟอง");

    Rows duck = query(*db, kStockUnit, {{"GetProduct", I(2)}});
    ASSERT_EQ(duck.size(), 1u);
    EXPECT_TRUE(duck.isNull(0, "SmallUnit"));
    EXPECT_EQ(query(*db, kStockUnit, {{"GetProduct", I(3)}}).size(), 0u);
}

}  // namespace
