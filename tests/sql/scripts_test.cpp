// The creation scripts: complete, without effect when run again, fit for the client.
#include <gtest/gtest.h>

#include <algorithm>

#include "sql_test_support.h"
#include "statements/SoldOut.h"

using namespace sqltest;

namespace {

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
    EXPECT_EQ(objects(*company.db, "U"),
              "Config Customer DocNoConvert DocumentNo IvDt IvHd Misc OracleConfig PosDetail "
              "PosDt PosHd PosHeader PoSrDt PoSrHd Product ProductManage ProductOnhand "
              "ProductPrice ProductUnits Salesman SoDt SoHd SrDt SrHd UserLog Warehouse ");
    EXPECT_EQ(objects(*company.db, "P"), "NewDocumentNo ServerTime UserAddLog ");

    ScriptedServer report("NWXBranch", kReportScripts);

    // With rows in the tables, a second run leaves catalog and rows exactly as they were.
    runScripts(*cfg.db, {"demo/config.sql"});
    runScripts(*company.db,
               {"demo/company.sql", "demo/company_branch.sql", "demo/branch_products.sql",
                "demo/branch_stock.sql"},
               {{"BranchCode", "0001"}});
    draw(*company.db, "ORD-BRANCH", currentYear());
    report.db->query("INSERT INTO SoldOut2022 (SaleType, BranchCode) VALUES ('POS', '0001')");
    for (auto [server, scripts] : {std::pair{&cfg, kConfigScripts},
                                   {&company, kCompanyScripts},
                                   {&report, kReportScripts}}) {
        const std::string before = snapshot(*server->db);
        runScripts(*server->db, scripts);
        EXPECT_EQ(snapshot(*server->db), before) << scripts[0];
    }
}

TEST(PickingScripts, CreateThePickingTablesAndChangeNothingWhenRunAgain) {
    std::vector<std::string> scripts = kCompanyScripts;
    scripts.push_back("company/picking_tables.sql");
    ScriptedServer dc("NWX", scripts);
    const std::string tables = objects(*dc.db, "U");
    for (const char* t :
         {"BranchPick ", "ProductOnhandSend ", "ProductOnhandSendDayly ", "TranBranch "})
        EXPECT_NE(tables.find(t), std::string::npos) << t;
    EXPECT_EQ(scalar(*dc.db,
                     "SELECT COUNT(*) FROM SysIndexes WHERE Name = "
                     "'ProductOnhandSendDaylyIndexProdCode'"),
              "1");
    // The pick screen's branch list goes from a division's products to the day's lines.
    for (const char* index : {"TranBranchProdCode", "ProductDivision"})
        EXPECT_EQ(scalar(*dc.db, std::string("SELECT COUNT(*) FROM SysIndexes WHERE Name = '") +
                                     index + "'"),
                  "1")
            << index;
    EXPECT_EQ(scalar(*dc.db, "SELECT RunConsoFlag FROM Config WHERE Id = 1"), "N");
    EXPECT_EQ(draw(*dc.db, "PICKORDER", currentYear()), "PK0000000001");
    EXPECT_EQ(draw(*dc.db, "PRODUCTMANAGE", currentYear() + 1), "PM00000001");

    const std::vector<std::string> demo = {"demo/company.sql", "demo/branch_products.sql",
                                           "demo/dc_picking.sql"};
    runScripts(*dc.db, demo, {{"BranchCode", "DC001"}});
    const std::string before = snapshot(*dc.db);
    runScripts(*dc.db, scripts);
    runScripts(*dc.db, demo, {{"BranchCode", "DC001"}});
    EXPECT_EQ(snapshot(*dc.db), before);
}

// The print layouts' table and the demo's layouts: created once, a second run of both changes
// nothing.
TEST(PrintScripts, CreateSystemFormAndChangeNothingWhenRunAgain) {
    std::vector<std::string> scripts = kCompanyScripts;
    scripts.push_back("company/print_tables.sql");
    ScriptedServer dc("NWX", scripts);
    EXPECT_NE(objects(*dc.db, "U").find("SystemForm "), std::string::npos);
    const std::vector<std::string> demo = {"demo/company.sql", "demo/print_forms.sql"};
    runScripts(*dc.db, demo, {{"BranchCode", "DC001"}});
    EXPECT_EQ(scalar(*dc.db, "SELECT COUNT(*) FROM SystemForm WHERE FormCode = 'CARTRANNO'"), "2");
    EXPECT_EQ(scalar(*dc.db,
                     "SELECT FrfName FROM SystemForm WHERE FormCode = 'CARTRANNO' AND "
                     "FormOrderNo = 2"),
              "forms\\TransferByCarSummary.frf");
    const std::string before = snapshot(*dc.db);
    runScripts(*dc.db, scripts);
    runScripts(*dc.db, demo, {{"BranchCode", "DC001"}});
    EXPECT_EQ(snapshot(*dc.db), before);
}

TEST(CompanyScripts, HoldOneRowWhereTheClientReadsASingleValue) {
    ScriptedServer server("BR0001", kCompanyScripts);
    auto& db = *server.db;
    runScripts(db, {"demo/company.sql", "demo/branch_products.sql", "demo/branch_stock.sql"},
               {{"BranchCode", "0001"}});
    // The order statements read a unit's stock settings and its price of a type, and the
    // branch's code, as single values: a second row would make them fail.
    EXPECT_THROW(db.query("INSERT INTO ProductManage (Product, ProductUnits, MinQnty, MaxQnty) "
                          "SELECT TOP 1 Product, ProductUnits, 1, 1 FROM ProductManage"),
                 tsqlite::Error);
    EXPECT_THROW(db.query("INSERT INTO ProductPrice (ProductUnits, PriceType, Price) "
                          "SELECT TOP 1 ProductUnits, PriceType, 1 FROM ProductPrice"),
                 tsqlite::Error);
    EXPECT_THROW(db.query("INSERT INTO OracleConfig (BranchCode) VALUES ('0002')"), tsqlite::Error);
    EXPECT_EQ(scalar(db, "Select BranchCode From OracleConfig"), "0001");

    // A product saved without a Blocked flag is not blocked: the barcode search keeps it.
    db.query("INSERT INTO Product (Code, ThaiName) VALUES ('999999', 'ทดสอบ')");
    EXPECT_EQ(scalar(db, "SELECT COUNT(*) FROM Product WHERE Code = '999999' AND Blocked <> 'Y'"),
              "1");
    // Codes and barcodes fit the report database's columns (char(15)), so every sale uploads.
    EXPECT_THROW(db.query("INSERT INTO ProductUnits (Product, BarCode, UnitName, Fraction) "
                          "VALUES (1, '8851234567890123', 'ชิ้น', 1)"),
                 tsqlite::Error);
}

TEST(ReportScripts, KeepATableForEveryYearTheUploadWritesAndIndexTheUploadsCopies) {
    ScriptedServer server("NWXBranch", kReportScripts);
    auto& db = *server.db;
    const int year = currentYear();
    // A branch never uploaded is read from 1 January 2022; last year's table is what the
    // upload copies for this year.
    EXPECT_EQ(scalar(db,
                     "SELECT COUNT(*) FROM SysObjects WHERE Name LIKE 'SoldOut%' AND "
                     "xtype = 'U'"),
              std::to_string(year - 2022));
    const std::string lastYear = "SoldOut" + std::to_string(year - 1);
    const std::string thisYear = "SoldOut" + std::to_string(year);
    EXPECT_EQ(scalar(db, "SELECT COUNT(*) FROM SysIndexes WHERE Id = OBJECT_ID('" + lastYear +
                             "') AND Name LIKE 'SoldOut%'"),
              "2");

    // The upload makes this year's table as a copy of last year's, without indexes; the
    // script run again gives it the indexes and keeps its rows.
    db.query(statements::soldout::yearTable());
    db.query("INSERT INTO " + thisYear +
             " (SaleType, BranchCode, SaleDate) VALUES ('IV', '0001', GETDATE())");
    runScripts(db, kReportScripts);
    EXPECT_EQ(scalar(db, "SELECT COUNT(*) FROM SysIndexes WHERE Id = OBJECT_ID('" + thisYear +
                             "') AND Name IN ('" + thisYear + "_BranchDate', '" + thisYear +
                             "_ProdCode')"),
              "2");
    EXPECT_EQ(scalar(db, "SELECT COUNT(*) FROM " + thisYear), "1");
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

namespace {

// A company database made before the quantity texts: its settings row and units lack the
// columns they read, and the scripts add them.
TEST(CompanyScripts, AddTheQuantityTextColumnsToOlderTables) {
    ScriptedServer old("NWX", {});
    old.db->query(
        "CREATE TABLE Config (Id int NOT NULL PRIMARY KEY, RunYear int NULL)\n"
        "INSERT INTO Config (Id, RunYear) VALUES (1, 2019)\n"
        "CREATE TABLE ProductUnits (Id int IDENTITY(1,1) NOT NULL PRIMARY KEY, Product int NOT "
        "NULL, BarCode varchar(15) NULL, UnitName varchar(10) NULL, Fraction int NOT NULL)\n"
        "INSERT INTO ProductUnits (Product, UnitName, Fraction) VALUES (1, 'ขวด', 1)");
    runScripts(*old.db, kCompanyScripts);
    EXPECT_EQ(scalar(*old.db,
                     "SELECT CONVERT(varchar(10), RunYear) + '|' + ISNULL(CONVERT(varchar(10), "
                     "OnhandDecimal), '-') + '|' + ISNULL(UnitLeft, '-') + ISNULL(UnitRight, '-') "
                     "FROM Config WHERE Id = 1"),
              "2019|-|--");
    EXPECT_EQ(scalar(*old.db,
                     "SELECT UnitName + '|' + ISNULL(SmallUnitFlag, '-') + ISNULL(StockUnitFlag, "
                     "'-') FROM ProductUnits"),
              "ขวด|--");
    const std::string before = snapshot(*old.db);
    runScripts(*old.db, kCompanyScripts);
    EXPECT_EQ(snapshot(*old.db), before);
}

}  // namespace
