// Statements and procedures of the main data module: the settings row, the server clock and
// the user activity log.
#include <gtest/gtest.h>

#include <cmath>

#include "conformance_support.h"
#include "statements/Startup.h"

using namespace conformance;

namespace {

const std::string& kConfigQuery = statements::shared_data::settingsRow();

class ConformanceSharedServices : public ::testing::Test {
protected:
    void SetUp() override {
        server.createDatabase("NWX");
        db = server.open("NWX");
        runCompanyScripts(*db);
        runFixture(*db, "settings_data.sql");
    }
    TempServer server;
    std::unique_ptr<tsqlite::Session> db;
};

TEST_F(ConformanceSharedServices, SettingsRowCarriesTheMainCurrency) {
    Rows cfg = query(*db, kConfigQuery);
    ASSERT_EQ(cfg.size(), 1u);
    EXPECT_EQ(cfg.integer(0, "Id"), 1);
    EXPECT_EQ(cfg.integer(0, "RunYear"), currentYear());
    EXPECT_TRUE(cfg.isNull(0, "OnhandDecimal"));
    EXPECT_EQ(cfg.str(0, "UnitLeft"), "(");
    EXPECT_EQ(cfg.str(0, "ShowLastSearch"), "Y");
    EXPECT_EQ(cfg.str(0, "RunConsoFlag"), "N");
    EXPECT_EQ(cfg.str(0, "MainCurrencyCode"), "THB");
    EXPECT_EQ(cfg.str(0, "MainCurrencyName"), "บาท");
    // Every column of Config, then the two looked-up ones.
    const auto& cols = cfg.raw().columns;
    ASSERT_EQ(cols.size(), 12u);
    EXPECT_EQ(cols[10].name, "MainCurrencyCode");
    EXPECT_EQ(cols[11].name, "MainCurrencyName");

    // Without a currency the look-ups are NULL, not an error.
    exec(*db, "UPDATE Config SET MainCurrencyId = NULL WHERE Id = 1");
    Rows none = query(*db, kConfigQuery);
    ASSERT_EQ(none.size(), 1u);
    EXPECT_TRUE(none.isNull(0, "MainCurrencyCode"));
}

TEST_F(ConformanceSharedServices, ServerTimeReturnsTheServerClock) {
    auto r = callProcedure(*db, "ServerTime", {{"@ServerTime", Null(), true}});
    const std::string t = text(output(r, "@ServerTime"));
    ASSERT_EQ(t.size(), 23u) << t;
    EXPECT_EQ(t[4], '-');
    EXPECT_EQ(t[10], ' ');
    EXPECT_EQ(t[19], '.');
    EXPECT_LT(std::abs(secondsFromNow(t)), 120) << t;
}

TEST_F(ConformanceSharedServices, UserAddLogAppendsOneEntryPerCall) {
    callProcedure(*db, "UserAddLog",
                  {{"@UserId", I(7)},
                   {"@MenuId", I(20)},
                   {"@FunctionListId", I(1)},
                   {"@DocumentId", I(0)},
                   {"@Remark", T("")}});
    callProcedure(*db, "UserAddLog",
                  {{"@UserId", I(7)},
                   {"@MenuId", I(20)},
                   {"@FunctionListId", I(1)},
                   {"@DocumentId", I(0)},
                   {"@Remark", T("No0000000004")}});
    Rows log = query(*db,
                     "SELECT UserId, MenuId, FunctionListId, DocumentId, Remark, LogDate FROM "
                     "UserLog ORDER BY Id");
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log.integer(0, "FunctionListId"), 1);
    EXPECT_EQ(log.str(0, "Remark"), "");
    EXPECT_FALSE(log.isNull(0, "Remark"));
    EXPECT_EQ(log.str(1, "Remark"), "No0000000004");
    EXPECT_LT(std::abs(secondsFromNow(log.str(1, "LogDate"))), 120);
}

TEST_F(ConformanceSharedServices, ErrorsTheClientTranslatesCarryTheirFragments) {
    // The error handler recognises server messages by these fragments.
    auto messageOf = [&](const std::string& sql) -> std::string {
        try {
            exec(*db, sql);
        } catch (const tsqlite::Error& e) {
            return e.message;
        }
        return "";
    };
    exec(*db,
         "CREATE TABLE StockMove (Id int NOT NULL PRIMARY KEY, Warehouse int NOT NULL, Price money "
         "NOT NULL)");
    EXPECT_NE(messageOf("INSERT INTO StockMove (Id, Warehouse, Price) VALUES (1, NULL, 5)")
                  .find("Cannot insert the value NULL into column 'Warehouse'"),
              std::string::npos);
    EXPECT_NE(messageOf("INSERT INTO StockMove (Id, Warehouse, Price) VALUES (1, 1, NULL)")
                  .find("Cannot insert the value NULL into column 'Price'"),
              std::string::npos);
    exec(*db, "INSERT INTO StockMove (Id, Warehouse, Price) VALUES (1, 1, 5)");
    EXPECT_NE(messageOf("INSERT INTO StockMove (Id, Warehouse, Price) VALUES (1, 2, 6)")
                  .find("Cannot insert duplicate"),
              std::string::npos);
}

}  // namespace
