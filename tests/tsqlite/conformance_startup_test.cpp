// Start-up statements of the client on the configuration database: which configuration
// database exists, its upgrade script, the user's rights, the company lookup and the error log.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "conformance_support.h"
#include "statements/Startup.h"

using namespace conformance;

namespace {

// The client's own texts: a change to them is run here.
const std::string& kConfigProbe = statements::startup::configProbe();
const std::string& kUpgradeScript = statements::startup::upgradeScript();
const std::string& kUserQuery = statements::startup::user();
const std::string& kCompanyConfigQuery = statements::startup::companyConfig();
const std::string& kCompanyQuery = statements::startup::company();
const std::string& kSoftwareQuery = statements::startup::software();

class ConformanceStartup : public ::testing::Test {
protected:
    void SetUp() override {
        server.createDatabase("QARN_CONFIG_NWX");
        cfg = server.open("QARN_CONFIG_NWX");
        runConfigScripts(*cfg);
        runFixture(*cfg, "config_data.sql");
    }

    // Column names of a table as the catalog lists them, in upper case.
    std::vector<std::string> columnsOf(const std::string& table) {
        Rows r = query(*cfg,
                       "SELECT UPPER(c.name) AS name FROM syscolumns c WHERE c.id = "
                       "(SELECT id FROM sysobjects WHERE name = '" +
                           table + "')");
        auto names = r.strings("name");
        std::sort(names.begin(), names.end());
        return names;
    }

    TempServer server;
    std::unique_ptr<tsqlite::Session> cfg;
};

TEST(ConformanceConfigProbe, FindsTheNwxConfigurationDatabaseOnlyWhenItExists) {
    TempServer server;
    auto master = server.open("master");
    EXPECT_EQ(query(*master, kConfigProbe).size(), 0u);

    server.createDatabase("QARN_CONFIG");
    EXPECT_EQ(query(*master, kConfigProbe).size(), 0u) << "QARN_CONFIG is not the NWX database";

    // Created in capitals, probed in mixed case: database names compare without case.
    server.createDatabase("QARN_CONFIG_NWX");
    Rows r = query(*master, kConfigProbe);
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r.str(0, "name"), "QARN_CONFIG_NWX");
}

TEST_F(ConformanceStartup, UserQueryNeedsTheUpgradeScriptAndThenReadsTheUser) {
    try {
        query(*cfg, kUserQuery, {{"uid", I(7)}});
        FAIL() << "the user query must fail before UserSeeImport exists";
    } catch (const tsqlite::Error& e) {
        EXPECT_EQ(e.number, 207) << e.message;
    }

    runScript(*cfg, kUpgradeScript);

    Rows user = query(*cfg, kUserQuery, {{"uid", I(7)}});
    ASSERT_EQ(user.size(), 1u);
    EXPECT_EQ(user.str(0, "FullName"), "สมชาย ใจดี");
    EXPECT_EQ(user.integer(0, "LanguageNo"), 1);
    EXPECT_EQ(user.str(0, "Approve_PoLevel1"), "Y");
    EXPECT_EQ(user.str(0, "Approve_PoLevel2"), "N");
    EXPECT_TRUE(user.isNull(0, "UserSeeImport"));
    // CanModifyCusSale is selected twice and comes back twice.
    int seen = 0;
    for (const auto& c : user.raw().columns) seen += c.name == "CanModifyCusSale" ? 1 : 0;
    EXPECT_EQ(seen, 2);

    EXPECT_EQ(query(*cfg, kUserQuery, {{"uid", I(99)}}).size(), 0u) << "unknown user: no row";
}

TEST_F(ConformanceStartup, UpgradeScriptAddsColumnsVersionsMenusAndIsRerunnable) {
    runScript(*cfg, kUpgradeScript);

    auto menu = columnsOf("Menu");
    auto users = columnsOf("UserName");
    EXPECT_EQ(std::count(menu.begin(), menu.end(), "VERSION"), 1);
    EXPECT_EQ(std::count(users.begin(), users.end(), "USERSEEIMPORT"), 1);
    EXPECT_EQ(std::count(users.begin(), users.end(), "USERSEECOST"), 1);

    // Entries that start a program get version 3; a group entry without command stays NULL.
    Rows versions = query(*cfg, "SELECT Id, Version FROM Menu ORDER BY Id");
    ASSERT_EQ(versions.size(), 4u);
    EXPECT_EQ(versions.integer(0, "Version"), 3);
    EXPECT_EQ(versions.integer(1, "Version"), 3);
    EXPECT_TRUE(versions.isNull(2, "Version"));
    EXPECT_EQ(versions.integer(3, "Version"), 3);

    // A version set by hand is kept by a second run, which changes nothing else either.
    exec(*cfg, "UPDATE Menu SET Version = 5 WHERE Id = 10");
    runScript(*cfg, kUpgradeScript);
    EXPECT_EQ(columnsOf("Menu"), menu);
    EXPECT_EQ(columnsOf("UserName"), users);
    Rows again = query(*cfg, "SELECT Id, Version FROM Menu ORDER BY Id");
    EXPECT_EQ(again.integer(0, "Version"), 5);
    EXPECT_TRUE(again.isNull(2, "Version"));
}

TEST_F(ConformanceStartup, UpgradeScriptLeavesALowerCaseVersionColumnAlone) {
    exec(*cfg, "ALTER TABLE Menu ADD version int NULL");
    exec(*cfg, "UPDATE Menu SET version = 7 WHERE Id = 20");
    runScript(*cfg, kUpgradeScript);

    auto menu = columnsOf("Menu");
    EXPECT_EQ(std::count(menu.begin(), menu.end(), "VERSION"), 1) << "no second Version column";
    Rows versions = query(*cfg, "SELECT Id, Version FROM Menu ORDER BY Id");
    EXPECT_EQ(versions.integer(0, "Version"), 3);
    EXPECT_EQ(versions.integer(1, "Version"), 7);
}

TEST_F(ConformanceStartup, CompanyLookupFindsTheCompanyByDatabaseName) {
    Rows nwx = query(*cfg, kCompanyConfigQuery, {{"GetName", T("NWX")}});
    ASSERT_EQ(nwx.size(), 1u);
    EXPECT_EQ(nwx.integer(0, "Company"), 1);
    EXPECT_EQ(nwx.str(0, "Command"), "Pos.exe");
    EXPECT_EQ(nwx.str(0, "NameThai"), "บริษัท นอร์ทเวสต์ จำกัด");
    EXPECT_EQ(nwx.integer(0, "YearNo"), 2024);
    EXPECT_NEAR(nwx.num(0, "DefaultTax"), 7.0, 1e-9);
    EXPECT_EQ(nwx.str(0, "InstallDate").substr(0, 10), "2009-09-25");

    // No default menu: the outer join still gives the company.
    Rows branch = query(*cfg, kCompanyConfigQuery, {{"GetName", T("BR0029")}});
    ASSERT_EQ(branch.size(), 1u);
    EXPECT_TRUE(branch.isNull(0, "Command"));

    // Trailing blanks are ignored by the comparison, leading ones are not.
    EXPECT_EQ(query(*cfg, kCompanyConfigQuery, {{"GetName", T("NWX ")}}).size(), 1u);
    EXPECT_EQ(query(*cfg, kCompanyConfigQuery, {{"GetName", T(" NWX")}}).size(), 0u);
    EXPECT_EQ(query(*cfg, kCompanyConfigQuery, {{"GetName", T("NOWHERE")}}).size(), 0u);
}

TEST_F(ConformanceStartup, CompanyRowDefaultsTheTaxBranchFields) {
    Rows nwx = query(*cfg, kCompanyQuery, {{"GetName", T("NWX_TEST")}});
    ASSERT_EQ(nwx.size(), 1u);
    EXPECT_EQ(nwx.str(0, "Code"), "NWX");
    EXPECT_EQ(nwx.str(0, "TaxBranchHead"), "Y");
    EXPECT_EQ(nwx.str(0, "TaxBranchCode"), "00000");

    Rows branch = query(*cfg, kCompanyQuery, {{"GetName", T("BR0029")}});
    ASSERT_EQ(branch.size(), 1u);
    EXPECT_EQ(branch.str(0, "NameThai"), "สาขา 29 ลาดพร้าว");
    EXPECT_EQ(branch.str(0, "TaxBranchHead"), "N");
    EXPECT_FALSE(branch.isNull(0, "TaxBranchCode"));
    EXPECT_EQ(branch.str(0, "TaxBranchCode"), "");
    EXPECT_TRUE(branch.isNull(0, "TaxBranchName"));

    Rows software = query(*cfg, kSoftwareQuery);
    ASSERT_EQ(software.size(), 1u);
    EXPECT_EQ(software.str(0, "Version"), "24.11.25");
}

TEST_F(ConformanceStartup, MenuCaptionReturnsCaptionUserCodeAndRights) {
    auto call = [&](int menu, int user) {
        return callProcedure(*cfg, "MENUCAPTION",
                             {{"@MENUID", I(menu)},
                              {"@USERID", I(user)},
                              {"@CAPTION", Null(), true},
                              {"@ACCESS_R", Null(), true},
                              {"@ADD_R", Null(), true},
                              {"@MODIFY_R", Null(), true},
                              {"@DELETE_R", Null(), true},
                              {"@USERCODE", Null(), true},
                              {"@SALESID", Null(), true}});
    };
    auto granted = call(20, 7);
    EXPECT_EQ(text(output(granted, "@CAPTION")), "  สั่งสินค้าสาขา  ")
        << "caption comes back as stored";
    EXPECT_EQ(text(output(granted, "@USERCODE")), "SOMCHAI");
    EXPECT_EQ(text(output(granted, "@ACCESS_R")), "Y");
    EXPECT_EQ(text(output(granted, "@DELETE_R")), "N");
    EXPECT_EQ(num(output(granted, "@SALESID")), 12);

    auto none = call(20, 8);
    EXPECT_EQ(text(output(none, "@USERCODE")), "JOHN");
    EXPECT_EQ(text(output(none, "@ACCESS_R")), "N");

    // Stored lower-case: the client's exact test for "Y" refuses it.
    auto lower = call(31, 8);
    EXPECT_EQ(text(output(lower, "@ACCESS_R")), "y");
    EXPECT_EQ(text(output(lower, "@DELETE_R")), "Y");
}

TEST_F(ConformanceStartup, AddErrorLogAppendsTheMessageUnchanged) {
    const std::string message =
        "Cannot insert the value NULL into column 'Warehouse', table 'NWX.dbo.IvHd'; column does "
        "not allow nulls. INSERT fails.\r\nคลังสินค้า";
    callProcedure(*cfg, "AddErrorLog",
                  {{"@CompName", T("POS-01")},
                   {"@LogName", T("SOMCHAI")},
                   {"@UserId", I(7)},
                   {"@MenuId", I(20)},
                   {"@ErrorMsg", T(message)}});
    callProcedure(*cfg, "AddErrorLog",
                  {{"@CompName", T("POS-02")},
                   {"@LogName", T("UNKNOWN")},
                   {"@UserId", I(8)},
                   {"@MenuId", I(31)},
                   {"@ErrorMsg", T("second")}});
    Rows log = query(
        *cfg,
        "SELECT CompName, LogName, UserId, MenuId, ErrorMsg, LogDate FROM ErrorLog ORDER BY Id");
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log.str(0, "CompName"), "POS-01");
    EXPECT_EQ(log.integer(0, "MenuId"), 20);
    EXPECT_EQ(log.str(0, "ErrorMsg"), message);
    EXPECT_LT(std::abs(secondsFromNow(log.str(0, "LogDate"))), 120);
    EXPECT_EQ(log.str(1, "ErrorMsg"), "second");
}

}  // namespace
