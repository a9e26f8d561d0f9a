// The creation scripts: complete, without effect when run again, fit for the client.
#include <gtest/gtest.h>

#include <algorithm>

#include "sql_test_support.h"

using namespace sqltest;

namespace {

// Everything a script run could change: the catalog and every row of every table.
std::string snapshot(tsqlite::Session& s) {
    std::vector<std::string> lines;
    auto dump = [&](const std::string& what, const std::string& sql) {
        for (const auto& row : rowsOf(s, sql)) {
            std::string line = what;
            for (const auto& v : row)
                line += "|" + std::to_string(v.i) + "," + std::to_string(v.f) + "," + v.s;
            lines.push_back(line);
        }
    };
    dump("object", "SELECT name, id, xtype, parent_obj, crdate FROM SysObjects");
    dump("column",
         "SELECT id, colid, name, xtype, length, prec, scale, isnullable FROM SysColumns");
    dump("index", "SELECT id, name, indid, keycnt FROM SysIndexes");
    for (const auto& t : rowsOf(s, "SELECT name FROM SysObjects WHERE xtype = 'U'"))
        dump(t[0].s, "SELECT * FROM [" + t[0].s + "]");
    std::sort(lines.begin(), lines.end());
    std::string out;
    for (const auto& l : lines) out += l + "\n";
    return out;
}

std::string objects(tsqlite::Session& s, const std::string& xtype) {
    std::string names;
    for (const auto& r :
         rowsOf(s, "SELECT name FROM SysObjects WHERE xtype = '" + xtype + "' ORDER BY name"))
        names += r[0].s + " ";
    return names;
}

TEST(Scripts, CreateEverythingAndChangeNothingWhenRunAgain) {
    ScriptedServer cfg("QARN_CONFIG_NWX", kConfigScripts);
    EXPECT_EQ(objects(*cfg.db, "U"),
              "Branch Company CompanyConfig DatabaseList ErrorLog Menu softwareconfig UserName "
              "UserRight ");
    EXPECT_EQ(objects(*cfg.db, "P"), "AddErrorLog MENUCAPTION ");

    ScriptedServer company("NWX", kCompanyScripts);
    EXPECT_EQ(objects(*company.db, "U"), "Config DocNoConvert DocumentNo Misc UserLog ");
    EXPECT_EQ(objects(*company.db, "P"), "NewDocumentNo ServerTime UserAddLog ");

    // With rows in the tables, a second run leaves catalog and rows exactly as they were.
    runScripts(*cfg.db, {"demo/config.sql"});
    runScripts(*company.db, {"demo/company.sql", "demo/company_branch.sql"});
    draw(*company.db, "ORD-BRANCH", currentYear());
    for (auto [server, scripts] : {std::pair{&cfg, kConfigScripts}, {&company, kCompanyScripts}}) {
        const std::string before = snapshot(*server->db);
        runScripts(*server->db, scripts);
        EXPECT_EQ(snapshot(*server->db), before) << scripts[0];
    }
}

// The client's upgrade script, run after every connect of the configuration database.
const char* const kUpgrade[] = {
    "If (Not Exists(Select Name From SysColumns\n"
    "Where Id = (Select Id From SysObjects Where Ltrim(Rtrim(Upper(Name))) = 'MENU') And\n"
    "Ltrim(Rtrim(Upper(Name)))='VERSION'))\nBegin\nAlter Table Menu Add Version Integer\nEnd",
    "Update Menu Set Version = 3 Where Version Is Null And Command Is Not Null",
    "If Not Exists(select Id From SysColumns Where Name = 'UserSeeImport' And Id = (Select Id "
    "From SysObjects Where Name = 'UserName'))\nAlter Table UserName Add UserSeeImport Char(1)",
    "If Not Exists(select Id From SysColumns Where Name = 'UserSeeCost' And Id = (Select Id From "
    "SysObjects Where Name = 'UserName'))\nAlter Table UserName Add UserSeeCost Char(1)",
};

TEST(ConfigScripts, LeaveTheUpgradeColumnsToTheClient) {
    ScriptedServer server("QARN_CONFIG_NWX", kConfigScripts);
    auto& db = *server.db;
    runScripts(db, {"demo/config.sql"});
    const std::string userQuery =
        "select Code, fullname, languageno, UserSeeImport, UserSeeCost, GroupId from username "
        "where id=:uid";
    EXPECT_THROW(db.query(userQuery, {{"uid", Value::integer(1)}}), tsqlite::Error);

    for (int run = 0; run < 2; ++run)
        for (const char* statement : kUpgrade) db.query(statement);
    EXPECT_EQ(scalar(db, userQuery, {{"uid", Value::integer(1)}}), "SOMSRI");
    EXPECT_EQ(scalar(db,
                     "SELECT COUNT(*) FROM SysColumns WHERE Name = 'Version' AND Id = "
                     "(SELECT Id FROM SysObjects WHERE Name = 'Menu')"),
              "1");
    EXPECT_EQ(scalar(db, "SELECT COUNT(*) FROM Menu WHERE Version = 3"), "6");

    // One database name belongs to one company: the company row reads it as a single value.
    EXPECT_THROW(db.query("INSERT INTO DatabaseList (Company, DatabaseName) VALUES (2, 'nwx')"),
                 tsqlite::Error);
}

TEST(CompanyScripts, GiveASettingsRowAndTheColumnTypesOfTheModules) {
    ScriptedServer server("BR0001", kCompanyScripts);
    auto& db = *server.db;
    const std::string configQuery =
        "SELECT *\n"
        "       ,(Select M.Code From Misc M Where M.Id = MainCurrencyId) MainCurrencyCode\n"
        "       ,(Select M.Description From Misc M Where M.Id = MainCurrencyId) "
        "MainCurrencyName\n"
        "FROM Config\n"
        "Where id=1";
    auto fresh = db.query(configQuery).at(0);
    ASSERT_EQ(fresh.rows.size(), 1u) << "a new database has its settings row";
    EXPECT_EQ(fresh.rows[0][1].i, currentYear()) << "RunYear";
    EXPECT_EQ(fresh.rows[0][8].s, "N") << "RunConsoFlag: no pick confirmation running";

    runScripts(db, {"demo/company.sql"});
    EXPECT_EQ(db.query(configQuery).at(0).rows[0][10].s, "THB") << "MainCurrencyCode";

    // The module tables declare their columns with the company's own types.
    db.query(
        "CREATE TABLE TypeUse (Id IdNo IDENTITY(1,1) NOT NULL, Product IdNo, "
        "Transfer CharFlag, Remark Char80)");
    db.query("INSERT INTO TypeUse (Product, Transfer) VALUES (5, 'Y')");
    EXPECT_THROW(db.query("INSERT INTO TypeUse (Product) VALUES (NULL)"), tsqlite::Error);
    EXPECT_EQ(scalar(db,
                     "SELECT SUM(length) FROM SysColumns WHERE isnullable = 1 AND Id = "
                     "(SELECT Id FROM SysObjects WHERE Name = 'TypeUse')"),
              "81");

    // A code is unique within its group only.
    EXPECT_THROW(db.query("INSERT INTO Misc (GroupCode, Code) VALUES ('CURRENCY', 'THB')"),
                 tsqlite::Error);
    db.query("INSERT INTO Misc (GroupCode, Code) VALUES ('CARNO', 'THB')");
}

}  // namespace
