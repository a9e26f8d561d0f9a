// The branch order screen at a branch's real size, against the same work written by hand for
// SQLite on the same database file:
//
//   BranchOrder/Proposal   the replenishment proposal: 20,000 product units with stock
//                          settings, a year of stock rows (240,000), 200,000 sales lines over the
//                          last 60 days, 3,000 earlier order rows
//   BranchOrder/Save500    Save of a 500-row order: BEGIN TRAN, 500 parameterised write-back
//                          INSERTs, COMMIT
//
// The tables are created through the engine (the company schema and the screen's start-up
// script); the rows are generated straight into the SQLite file in the engine's storage form
// (decimal(18,4) quantities and money prices as integers in units of 0.0001).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench_support.h"
#include "statements/BranchOrder.h"

namespace {

using bench::lines;
using tsqlite::Params;
using tsqlite::Value;

// ---- The screen's statements, as the client holds them ----

namespace text = statements::branch_order;

const std::string& kProposal = text::proposal();
const std::string& kSalesSpanStart = text::salesSpanStart();  // the user's last order, <= 30 days
const std::string& kInsertRow = text::insertRow();            // one per new order row

// ---- The same work written by hand for SQLite ----
//
// Same joins, filters and figures. GetDate() is SQLite's local time in the stored datetime
// form; text columns compare under their declared TSQL collation, as in the engine.

const std::string kNowSql = "strftime('%Y-%m-%d %H:%M:%f', 'now', 'localtime')";

std::string salesMemberSqlite(const std::string& lineTable, const std::string& header,
                              const std::string& headerColumn, const std::string& dateColumn,
                              const std::string& sign) {
    return "SELECT D.ProductUnits, " + sign + "sum(D.Quantity) AS SaleQnty FROM " + lineTable +
           " D JOIN " + header + " H ON D." + headerColumn + " = H.Id WHERE H." + dateColumn +
           " > ?1 AND H." + dateColumn + " <= " + kNowSql +
           " AND H.DelFlag = 'N' GROUP BY D.ProductUnits";
}

std::string statusTextSqlite() {
    return "CASE OL.OLCloseOrder WHEN 'N' THEN 'กำลังส่งข้อมูลไปยังส่วนกลาง' WHEN 'P' THEN "
           "'จัดสินค้าได้' WHEN 'O' THEN 'สินค้าหมด' WHEN 'A' THEN 'จัดสินค้าได้บางส่วน' WHEN 'B' THEN "
           "'จัดสินค้าได้บางส่วน' WHEN 'W' THEN 'กำลังขนส่งไปยังสาขา' WHEN 'T' THEN "
           "'กำลังขนส่งไปยังสาขา' WHEN 'C' THEN 'สินค้าหมด' WHEN 'X' THEN 'จัดสินค้าได้บางส่วน' "
           "WHEN 'Y' THEN 'ได้สินค้าครบแล้ว' END AS Stratus";
}

const std::string kProposalSqlite =
    "SELECT (SELECT BranchCode FROM OracleConfig) AS BranchCode,\n"
    "  M.Product, M.ProductUnits, U.BarCode, U.UnitName AS UOM,\n"
    "  M.MinQnty AS MinStock, M.MaxQnty AS MaxStock,\n"
    "  coalesce(Ba.BackOrder, 0) AS BackOrders, coalesce(Sa.SaleQnty, 0) AS SaleQnty,\n"
    "  coalesce(M.MinQnty, 0) - coalesce(Ba.Onhand, 0) AS MinQnty,\n"
    "  coalesce(Ba.Onhand, 0) AS Onhand, 0 AS OrderQnty,\n"
    "  coalesce(OL.OLOrderQnty, 0) AS OLOrderQnty,\n"
    "  CASE WHEN OL.OLOrderDate IS NULL OR OL.OLOrderDate < '1900-01-02' THEN ''\n"
    "       ELSE printf('%-20s', substr(OL.OLOrderDate, 9, 2) || '/' || substr(OL.OLOrderDate, "
    "6, 2) || '/' || substr(OL.OLOrderDate, 1, 4)) END AS OLOrderDate,\n"
    "  OL.OLCloseOrder, P.ThaiName AS ProdName,\n  " +
    statusTextSqlite() +
    ",\n"
    "  CASE WHEN Sa.SaleQnty > 0 AND coalesce(M.MinQnty, 0) > 0\n"
    "            AND coalesce(M.MinQnty, 0) - coalesce(Ba.Onhand, 0) > 0 THEN 2\n"
    "       WHEN Sa.SaleQnty > 0 AND coalesce(M.MinQnty, 0) > 0 THEN 1\n"
    "       WHEN coalesce(M.MinQnty, 0) - coalesce(Ba.Onhand, 0) > 0 AND coalesce(M.MinQnty, 0) "
    "> 0 THEN 3\n"
    "       WHEN Sa.SaleQnty > 0 AND coalesce(M.MinQnty, 0) = 0 THEN 4\n"
    "       ELSE 5 END AS OrderType,\n"
    "  coalesce((SELECT Pp.Price FROM ProductPrice Pp WHERE Pp.ProductUnits = M.ProductUnits\n"
    "              AND Pp.PriceType = (SELECT Mi.Id FROM Misc Mi WHERE Mi.GroupCode = "
    "'PRICETYPE' AND Mi.Code = '0')), 0) AS Price\n"
    "FROM ProductManage M\n"
    "JOIN Product P ON P.Id = M.Product\n"
    "JOIN ProductUnits U ON U.Id = M.ProductUnits\n"
    "JOIN UserProdGroup G ON G.ProdGroup = P.ProdGroup\n"
    "LEFT JOIN (SELECT B.ProductUnits, sum(B.Onhand) AS Onhand, sum(B.BackOrder) AS BackOrder\n"
    "           FROM (SELECT O.ProductUnits, O.Quantity / 10000.0 / U1.Fraction AS Onhand, "
    "0 AS BackOrder\n"
    "                   FROM ProductOnhand O\n"
    "                   JOIN Warehouse W ON W.Id = O.Warehouse\n"
    "                   JOIN ProductUnits U1 ON U1.Id = O.ProductUnits\n"
    "                  WHERE O.BalanceYear = CAST(strftime('%Y', 'now', 'localtime') AS INTEGER)\n"
    "                    AND W.WhType = 'F'\n"
    "                 UNION ALL\n"
    "                 SELECT ProductUnits, 0, coalesce(BackOrder, 0) FROM OrderBranch\n"
    "                  WHERE CloseOrder IN ('N','P','O','A','B','W','T')) AS B\n"
    "           GROUP BY B.ProductUnits) Ba ON Ba.ProductUnits = M.ProductUnits\n"
    "LEFT JOIN (SELECT O1.OrderNO AS OLOrderNo, O1.ProductUnits, O1.OrderQnty AS OLOrderQnty,\n"
    "                  O1.OrderDate AS OLOrderDate, O1.CloseOrder AS OLCloseOrder\n"
    "             FROM OrderBranch O1\n"
    "            GROUP BY O1.OrderNO, O1.ProductUnits, O1.OrderQnty, O1.OrderDate, "
    "O1.CloseOrder\n"
    "           HAVING O1.OrderNO = (SELECT max(O2.OrderNO) FROM OrderBranch O2\n"
    "                                 WHERE O2.ProductUnits = O1.ProductUnits AND O2.OrderQnty > "
    "0)) OL\n"
    "       ON OL.ProductUnits = M.ProductUnits\n"
    "LEFT JOIN (SELECT ProductUnits, sum(SaleQnty) AS SaleQnty FROM (\n  " +
    salesMemberSqlite("IvDt", "IvHd", "IvHd", "IvDate", "") + "\n  UNION ALL\n  " +
    salesMemberSqlite("PosDt", "PosHd", "PosHd", "PosDate", "") + "\n  UNION ALL\n  " +
    salesMemberSqlite("PosDetail", "PosHeader", "PosHeader", "PosDate", "") + "\n  UNION ALL\n  " +
    salesMemberSqlite("SrDt", "SrHd", "SrHd", "SrDate", "-") + "\n  UNION ALL\n  " +
    salesMemberSqlite("PoSrDt", "PoSrHd", "PoSrHd", "SrDate", "-") +
    ") AS S GROUP BY S.ProductUnits) Sa ON Sa.ProductUnits = M.ProductUnits\n"
    "WHERE coalesce(U.AutoOrder, 'Y') = 'Y'\n"
    "  AND substr(ltrim(P.Code), 1, 5) NOT IN ('01219', '01237', '02219')\n"
    "  AND G.UserId = ?2\n"
    "  AND M.MinQnty > coalesce(Ba.Onhand, 0) + coalesce(Ba.BackOrder, 0)\n"
    "  AND (CASE WHEN coalesce(M.MaxQnty, 0) = 0 THEN 999999 ELSE M.MaxQnty END)\n"
    "      > coalesce(Ba.Onhand, 0) + coalesce(Ba.BackOrder, 0)\n"
    "ORDER BY OrderType, U.BarCode";

// Stored forms: OrderNO and TranBranchNo are char(15), OrderDate a datetime at midnight.
// Id is a plain NOT NULL column (the identity lives in the engine's catalog): the next numbers
// follow the highest one, read once per Save.
const std::string kInsertRowSqlite =
    "INSERT INTO OrderBranch (OrderNO, OrderDate, TranBranchNo, Product, ProductUnits, "
    "SaleQnty, MinQnty, OrderQnty, BackOrder, Onhand, Transfer, ReceivedQnty, UserId, "
    "CloseOrder, Id) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, coalesce(?8, 0), coalesce(?8, 0), ?9, "
    "?10, ?11, ?12, ?13, ?14)";
const std::string kLastOrderIdSqlite = "SELECT coalesce(max(Id), 0) FROM OrderBranch";

// ---- The database ----

// The company tables the proposal reads, as the company schema script creates them.
const char* const kCompanySchema[] = {
    "CREATE TYPE IdNo FROM int NOT NULL",
    "CREATE TYPE CharFlag FROM char(1) NULL",
    "CREATE TYPE Char80 FROM varchar(80) NULL",
    R"(CREATE TABLE Misc (
    Id int IDENTITY(1,1) NOT NULL PRIMARY KEY,
    GroupCode varchar(20) NOT NULL,
    Code varchar(20) NOT NULL,
    Description varchar(100) NULL
))",
    R"(CREATE TABLE DocumentNo (
    Id int IDENTITY(1,1) NOT NULL PRIMARY KEY,
    Code varchar(20) NOT NULL,
    DocYear int NOT NULL,
    Description varchar(100) NULL,
    Prefix char(10) NULL,
    LastNo int NOT NULL DEFAULT (0),
    DocumentLength int NOT NULL,
    AutoRun char(1) NULL,
    DocType char(1) NULL,
    UserCanModify char(1) NULL,
    LinkToDocument varchar(20) NULL
))",
    R"(CREATE TABLE Warehouse (
    Id int NOT NULL PRIMARY KEY,
    Code varchar(10) NOT NULL,
    Name varchar(100) NULL,
    WhType char(1) NULL
))",
    R"(CREATE TABLE Product (
    Id int NOT NULL PRIMARY KEY,
    Code varchar(20) NOT NULL,
    ThaiName varchar(120) NULL,
    EngName varchar(120) NULL,
    ProdDept varchar(10) NULL,
    ProdGroup varchar(10) NULL,
    Blocked char(1) NULL DEFAULT ('N'),
    Negative char(1) NULL,
    Useserial char(1) NULL,
    locationassign varchar(20) NULL,
    Division int NULL
))",
    R"(CREATE TABLE ProductUnits (
    Id int NOT NULL PRIMARY KEY,
    Product int NOT NULL,
    BarCode varchar(20) NULL,
    UnitName varchar(20) NULL,
    Fraction int NULL,
    AutoOrder char(1) NULL,
    SmallUnitFlag char(1) NULL,
    StockUnitFlag char(1) NULL
))",
    "CREATE INDEX ProductUnitsBarCode ON ProductUnits (BarCode)",
    R"(CREATE TABLE ProductManage (
    Id int IDENTITY(1,1) NOT NULL PRIMARY KEY,
    Product int NOT NULL,
    ProductUnits int NOT NULL,
    MinQnty int NULL,
    MaxQnty int NULL
))",
    R"(CREATE TABLE ProductOnhand (
    Id int IDENTITY(1,1) NOT NULL PRIMARY KEY,
    Product int NOT NULL,
    ProductUnits int NOT NULL,
    Warehouse int NOT NULL,
    BalanceYear int NOT NULL,
    PeriodNo int NOT NULL,
    Quantity decimal(18,4) NOT NULL DEFAULT (0)
))",
    R"(CREATE TABLE ProductPrice (
    Id int IDENTITY(1,1) NOT NULL PRIMARY KEY,
    ProductUnits int NOT NULL,
    PriceType int NOT NULL,
    Price money NOT NULL
))",
    R"(CREATE TABLE OracleConfig (
    BranchCode varchar(10) NOT NULL
))",
    R"(CREATE TABLE IvHd (
    Id int NOT NULL PRIMARY KEY,
    IvNo varchar(15) NOT NULL,
    IvDate datetime NOT NULL,
    Customer int NULL,
    SalesMan int NULL,
    IvType char(1) NULL DEFAULT ('A'),
    NotCutStock char(1) NULL DEFAULT ('N'),
    CurrencyId int NULL,
    Rate float NULL DEFAULT (1),
    Total money NULL,
    DelFlag char(1) NOT NULL DEFAULT ('N')
))",
    R"(CREATE TABLE IvDt (
    Id int NOT NULL PRIMARY KEY,
    IvHd int NOT NULL,
    Product int NOT NULL,
    ProductUnits int NOT NULL,
    Quantity decimal(18,4) NOT NULL,
    Fraction int NULL,
    Price money NULL,
    DiscountAmt money NULL,
    SoDt int NULL,
    IvdtB int NULL
))",
    R"(CREATE TABLE PosHd (
    Id int NOT NULL PRIMARY KEY,
    PosNo varchar(15) NULL,
    PosDate datetime NOT NULL,
    DelFlag char(1) NOT NULL DEFAULT ('N')
))",
    R"(CREATE TABLE PosDt (
    Id int NOT NULL PRIMARY KEY,
    PosHd int NOT NULL,
    Product int NULL,
    ProductUnits int NOT NULL,
    Quantity decimal(18,4) NOT NULL
))",
    R"(CREATE TABLE PosHeader (
    Id int NOT NULL PRIMARY KEY,
    PosNo varchar(15) NOT NULL,
    PosDate datetime NOT NULL,
    Customer int NULL,
    SoHd int NULL,
    CurrencyId int NULL,
    Rate float NULL DEFAULT (1),
    Total money NULL,
    DelFlag char(1) NOT NULL DEFAULT ('N')
))",
    R"(CREATE TABLE PosDetail (
    Id int NOT NULL PRIMARY KEY,
    PosHeader int NOT NULL,
    Product int NOT NULL,
    ProductUnits int NOT NULL,
    Quantity decimal(18,4) NOT NULL,
    Price money NULL,
    DiscAmount money NULL
))",
    R"(CREATE TABLE SrHd (
    Id int NOT NULL PRIMARY KEY,
    SrNo varchar(15) NOT NULL,
    SrDate datetime NOT NULL,
    Customer int NULL,
    CurrencyId int NULL,
    Rate float NULL DEFAULT (1),
    Total money NULL,
    DelFlag char(1) NOT NULL DEFAULT ('N')
))",
    R"(CREATE TABLE SrDt (
    Id int NOT NULL PRIMARY KEY,
    SrHd int NOT NULL,
    Product int NOT NULL,
    ProductUnits int NOT NULL,
    Quantity decimal(18,4) NOT NULL,
    Price money NULL,
    DiscountAmt money NULL
))",
    R"(CREATE TABLE PoSrHd (
    Id int NOT NULL PRIMARY KEY,
    SrNo varchar(15) NOT NULL,
    SrDate datetime NOT NULL,
    CurrencyId int NULL,
    Rate float NULL DEFAULT (1),
    Total money NULL,
    DelFlag char(1) NOT NULL DEFAULT ('N')
))",
    R"(CREATE TABLE PoSrDt (
    Id int NOT NULL PRIMARY KEY,
    PoSrHd int NOT NULL,
    Product int NOT NULL,
    ProductUnits int NOT NULL,
    Quantity decimal(18,4) NOT NULL,
    Price money NULL,
    DiscountAmt money NULL
))",
};

// The company schema gives the price table no index. SQLite runs the proposal's price
// subquery once per proposal row and cannot turn it into a join, so without an index both
// sides re-read all 40,000 prices for each of the ~4,000 rows: about 5 s each, 95% of it in
// that scan, and the ratio says nothing about the engine. A branch database of this size
// carries the index.
const char* const kPriceIndex =
    "CREATE INDEX ProductPriceUnitType ON ProductPrice (ProductUnits, PriceType)";

// Small settings tables, through the engine.
const char* const kSettings[] = {
    "INSERT INTO OracleConfig (BranchCode) VALUES ('0029')",
    "INSERT INTO Warehouse (Id, Code, Name, WhType) VALUES (1, 'WF', 'หน้าร้าน', 'F')",
    "INSERT INTO Warehouse (Id, Code, Name, WhType) VALUES (2, 'WS', 'คลังสำรอง', 'S')",
    "INSERT INTO Misc (GroupCode, Code, Description) VALUES ('PRICETYPE', '0', 'ราคาขายปลีก')",
    "INSERT INTO Misc (GroupCode, Code, Description) VALUES ('PRICETYPE', '1', 'ราคาส่ง')",
    // User 7 looks after groups G1..G10, user 9 after G11..G20.
    "DECLARE @g int SET @g = 1 WHILE @g <= 20 BEGIN "
    "INSERT INTO UserProdGroup (UserId, ProdGroup) VALUES (CASE WHEN @g <= 10 THEN 7 ELSE 9 END, "
    "'G' + CONVERT(varchar(2), @g)) SET @g = @g + 1 END",
};

constexpr int kProducts = 15000;  // products 1..5000 also come in cases of 12
constexpr int kUnits = 20000;     // units 1..15000 pieces, 15001..20000 cases
constexpr int kOrders = 300;      // earlier orders, 10 rows each, 10 to 100 days old
constexpr int kOrderLines = 10;
constexpr int kSaveRows = 500;

std::string seq(long long count) {
    return "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
           std::to_string(count) + ")\n";
}

// The product of a unit (expression over unit u).
std::string productOf(const std::string& u) {
    return "(CASE WHEN " + u + " <= " + std::to_string(kProducts) + " THEN " + u + " ELSE " + u +
           " - " + std::to_string(kProducts) + " END)";
}

// Sales documents of one kind: headers spread evenly over the last 60 days (one in fifty
// cancelled), each with the given number of lines over scattered units.
void generateSales(bench::RawDb& db, const std::string& header, const std::string& numberColumn,
                   const std::string& dateColumn, const std::string& prefix,
                   const std::string& lineTable, const std::string& headerColumn, int headers,
                   int linesPerHeader, int salt) {
    const std::string h = std::to_string(headers);
    db.exec(seq(headers) + "INSERT INTO " + header + " (Id, " + numberColumn + ", " + dateColumn +
            ", DelFlag)\n"
            "SELECT i, printf('" +
            prefix +
            "%08d', i), "
            "strftime('%Y-%m-%d %H:%M:%f', 'now', 'localtime', '-' || ((" +
            h + " - i) * 5184000 / " + h +
            " + 60) || ' seconds'), "
            "CASE WHEN i % 50 = 0 THEN 'Y' ELSE 'N' END FROM n");
    const std::string u =
        "((i * 7919 + " + std::to_string(salt) + ") % " + std::to_string(kUnits) + " + 1)";
    db.exec(seq(static_cast<long long>(headers) * linesPerHeader) + "INSERT INTO " + lineTable +
            " (Id, " + headerColumn +
            ", Product, ProductUnits, Quantity)\n"
            "SELECT i, (i - 1) / " +
            std::to_string(linesPerHeader) + " + 1, " + productOf(u) + ", " + u +
            ", (1 + i % 4) * 10000 FROM n");
}

struct BranchFixture {
    BranchFixture() {
        bench::createDatabase("BR0029");
        {
            tsqlite::Session s(bench::serverDir(), "BR0029");
            for (const char* ddl : kCompanySchema) s.query(ddl);
            for (const std::string& st : statements::runnerStatements(text::startupScript()))
                s.query(st);
            s.query(kPriceIndex);
            for (const char* st : kSettings) s.query(st);
        }
        raw = std::make_unique<bench::RawDb>(bench::databaseFile("BR0029"));
        const auto start = std::chrono::steady_clock::now();
        generate(*raw);
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        char buf[300];
        std::snprintf(
            buf, sizeof buf,
            "branch database: %lld product units with stock settings, %lld stock rows, %lld "
            "sales lines, %lld order rows (generated in %.1f s)",
            raw->scalar("SELECT count(*) FROM ProductManage"),
            raw->scalar("SELECT count(*) FROM ProductOnhand"),
            raw->scalar("SELECT (SELECT count(*) FROM IvDt) + (SELECT count(*) FROM PosDt) + "
                        "(SELECT count(*) FROM PosDetail) + (SELECT count(*) FROM SrDt) + "
                        "(SELECT count(*) FROM PoSrDt)"),
            raw->scalar("SELECT count(*) FROM OrderBranch"), seconds);
        bench::note(buf);
        session = std::make_unique<tsqlite::Session>(bench::serverDir(), "BR0029");

        auto span = session->query(kSalesSpanStart, {{"UserId", Value::integer(7)}});
        spanStart = span.at(0).rows.at(0).at(0).s;
        proposalParams = {{"GetDate", Value::text(spanStart)}, {"UserId", Value::integer(7)}};
        bench::note("proposal for user 7, sales since " + spanStart);

        orderNo = "No9000000001";
        orderDate = raw->scalarText("SELECT date('now', 'localtime')");
        for (int i = 0; i < kSaveRows; ++i) {
            const long long unit = 1 + (i * 37LL) % kUnits;
            const long long product = unit <= kProducts ? unit : unit - kProducts;
            SaveRow r{product, unit, i % 9, 5 + i % 30, i % 7 == 6 ? -1 : 1 + i % 12, i % 25};
            saveRows.push_back(r);
            Params p{{"OrderNo", Value::text(orderNo)},
                     {"OrderDate", Value::text(orderDate)},
                     {"TranBranchNo", Value::text("")},
                     {"Product", Value::integer(r.product)},
                     {"ProductUnits", Value::integer(r.unit)},
                     {"SaleQnty", Value::integer(r.sale)},
                     {"MinQnty", Value::integer(r.min)},
                     {"OrderQnty", r.order < 0 ? Value::null() : Value::integer(r.order)},
                     {"Onhand", Value::integer(r.onhand)},
                     {"Transfer", Value::text("N")},
                     {"ReceivedQnty", Value::integer(0)},
                     {"userId", Value::integer(7)},
                     {"CloseOrder", Value::text("N")}};
            saveParams.push_back(std::move(p));
        }
        savedAbove = raw->scalar("SELECT max(Id) FROM OrderBranch");
    }

    static BranchFixture& get() {
        static BranchFixture f;
        return f;
    }

    static void generate(bench::RawDb& db) {
        const std::string units = std::to_string(kUnits);
        db.exec("BEGIN");
        db.exec(seq(kProducts) +
                "INSERT INTO Product (Id, Code, ThaiName, EngName, ProdDept, ProdGroup, Blocked)\n"
                "SELECT i, CASE WHEN i % 250 = 0 THEN printf('01219%05d', i)\n"
                "               WHEN i % 250 = 125 THEN printf('  01237%03d', i % 1000)\n"
                "               ELSE printf('P%06d', i) END,\n"
                "       'สินค้า ' || i, 'Product ' || i, 'D0' || (i % 5), 'G' || (i % 20 + 1), 'N' "
                "FROM n");
        db.exec(seq(kUnits) +
                "INSERT INTO ProductUnits (Id, Product, BarCode, UnitName, Fraction, AutoOrder, "
                "SmallUnitFlag, StockUnitFlag)\n"
                "SELECT i, " +
                productOf("i") +
                ", printf('885%010d', i),\n"
                "       CASE WHEN i <= " +
                std::to_string(kProducts) +
                " THEN 'ชิ้น' ELSE 'ลัง' END,\n"
                "       CASE WHEN i <= " +
                std::to_string(kProducts) +
                " THEN 1 ELSE 12 END,\n"
                "       CASE WHEN i % 23 = 0 THEN 'N' WHEN i % 17 = 0 THEN NULL ELSE 'Y' END,\n"
                "       CASE WHEN i <= " +
                std::to_string(kProducts) +
                " THEN 'Y' ELSE 'N' END,\n"
                "       CASE WHEN i <= " +
                std::to_string(kProducts) +
                " THEN 'Y' ELSE 'N' END "
                "FROM n");
        db.exec(seq(kUnits) +
                "INSERT INTO ProductManage (Id, Product, ProductUnits, MinQnty, MaxQnty)\n"
                "SELECT i, " +
                productOf("i") +
                ", i, 5 + i % 46, "
                "CASE WHEN i % 3 = 0 THEN 0 ELSE (5 + i % 46) * 3 END FROM n");
        // A year of stock: per unit one row per month of this year in the shop warehouse, in
        // base units (a case unit's figures are whole cases).
        db.exec(seq(kUnits * 12LL) +
                "INSERT INTO ProductOnhand (Id, Product, ProductUnits, Warehouse, BalanceYear, "
                "PeriodNo, Quantity)\n"
                "SELECT i, " +
                productOf("u") +
                ", u, 1, "
                "CAST(strftime('%Y', 'now', 'localtime') AS INTEGER), p,\n"
                "       ((u * 31 + p * 17) % 6) * (CASE WHEN u <= " +
                std::to_string(kProducts) +
                " THEN 1 ELSE 12 END) * 10000\n"
                "FROM (SELECT i, (i - 1) / 12 + 1 AS u, (i - 1) % 12 + 1 AS p FROM n)");
        db.exec(
            seq(kUnits * 2LL) +
            "INSERT INTO ProductPrice (Id, ProductUnits, PriceType, Price)\n"
            "SELECT i, (i + 1) / 2, (SELECT Id FROM Misc WHERE GroupCode = 'PRICETYPE' AND "
            "Code = CASE WHEN i % 2 = 1 THEN '0' ELSE '1' END),\n"
            "       CAST(round((10 + ((i + 1) / 2 * 37 % 5000) / 10.0 - (i % 2) * 1.5) * 10000) "
            "AS INTEGER) FROM n");
        // 200,000 sales lines over the last 60 days.
        generateSales(db, "IvHd", "IvNo", "IvDate", "IV", "IvDt", "IvHd", 6000, 10, 11);
        generateSales(db, "PosHd", "PosNo", "PosDate", "PA", "PosDt", "PosHd", 7500, 8, 23);
        generateSales(db, "PosHeader", "PosNo", "PosDate", "PB", "PosDetail", "PosHeader", 7500, 8,
                      37);
        generateSales(db, "SrHd", "SrNo", "SrDate", "SR", "SrDt", "SrHd", 1000, 10, 41);
        generateSales(db, "PoSrHd", "SrNo", "SrDate", "PR", "PoSrDt", "PoSrHd", 1000, 10, 53);
        // Earlier orders, alternately users 7 and 9: those of the last 40 days still open in
        // every state, older ones closed.
        db.exec(seq(static_cast<long long>(kOrders) * kOrderLines) +
                "INSERT INTO OrderBranch (Id, OrderNO, OrderDate, TranBranchNo, Product, "
                "ProductUnits, SaleQnty, MinQnty, OrderQnty, Onhand, Transfer, ReceivedQnty, "
                "BackOrder, UserId, CloseOrder)\n"
                "SELECT i, printf('%-15s', printf('No%010d', k)),\n"
                "       date('now', 'localtime', '-' || age || ' days') || ' 00:00:00.000',\n"
                "       printf('%15s', ''), " +
                productOf("u") +
                ", u, (k + l) % 5, (k * l) % 9,\n"
                "       (k + l) % 8, (k + 3 * l) % 20,\n"
                "       CASE WHEN age > 40 THEN 'Y' ELSE 'N' END,\n"
                "       CASE WHEN age > 40 THEN (k + l) % 8 ELSE 0 END,\n"
                "       CASE WHEN age > 40 THEN 0 ELSE (k + l) % 8 END,\n"
                "       CASE WHEN k % 2 = 1 THEN 7 ELSE 9 END,\n"
                "       CASE WHEN age > 40 THEN substr('YYYCX', (k + l) % 5 + 1, 1)\n"
                "            ELSE substr('NPOABWT', (k + l) % 7 + 1, 1) END\n"
                "FROM (SELECT i, k, l, 10 + (" +
                std::to_string(kOrders) + " - k) * 90 / " + std::to_string(kOrders - 1) +
                " AS age, (k * 131 + l * 977) % " + units +
                " + 1 AS u\n"
                "        FROM (SELECT i, (i - 1) / " +
                std::to_string(kOrderLines) + " + 1 AS k, (i - 1) % " +
                std::to_string(kOrderLines) + " AS l FROM n))");
        for (const char* t : {"ProductManage", "ProductOnhand", "ProductPrice", "OrderBranch"})
            db.syncIdentity(t);
        db.exec("COMMIT");
    }

    // Removes the rows a Save run added.
    void removeSaved() {
        raw->exec("DELETE FROM OrderBranch WHERE Id > " + std::to_string(savedAbove));
    }

    struct SaveRow {
        long long product, unit, sale, min, order, onhand;  // order < 0: no quantity (NULL)
    };

    std::unique_ptr<bench::RawDb> raw;
    std::unique_ptr<tsqlite::Session> session;
    std::string spanStart;
    Params proposalParams;
    std::string orderNo, orderDate;
    std::vector<SaveRow> saveRows;
    std::vector<Params> saveParams;
    long long savedAbove = 0;
};

// ---- Proposal ----

std::string unitsDigest(const std::vector<long long>& units) {
    unsigned long long h = 1469598103934665603ULL;
    for (long long u : units) h = (h ^ static_cast<unsigned long long>(u)) * 1099511628211ULL;
    char buf[24];
    std::snprintf(buf, sizeof buf, "%016llx", h);
    return buf;
}

// Both sides must return the same proposal: the units of the last run of each side are kept
// and compared, row by row in their order.
void reportProposal(bool engine, std::vector<long long> units) {
    static std::vector<long long> last[2];
    static bool seen[2] = {false, false};
    char buf[200];
    std::snprintf(buf, sizeof buf, "proposal rows %s: %zu (digest of the units in order %s)",
                  engine ? "engine" : "sqlite", units.size(), unitsDigest(units).c_str());
    bench::note(buf);
    last[engine ? 1 : 0] = std::move(units);
    seen[engine ? 1 : 0] = true;
    if (seen[0] && seen[1])
        bench::note(last[0] == last[1]
                        ? "proposal: engine and sqlite return the same " +
                              std::to_string(last[0].size()) + " rows in the same order"
                        : std::string("proposal: engine and sqlite rows DIFFER"));
}

std::vector<long long> proposalEngine(BranchFixture& f) {
    auto sets = f.session->query(kProposal, f.proposalParams);
    const auto& rs = sets.at(0);
    size_t col = 0;
    while (col < rs.columns.size() && rs.columns[col].name != "ProductUnits") ++col;
    if (col == rs.columns.size()) throw std::runtime_error("no ProductUnits in the proposal");
    std::vector<long long> units;
    units.reserve(rs.rows.size());
    for (const auto& row : rs.rows) units.push_back(row[col].i);
    return units;
}

std::vector<long long> proposalSqlite(BranchFixture& f, bench::Stmt& st) {
    st.bind(1, f.spanStart).bind(2, 7LL);
    const int columns = sqlite3_column_count(st.get());
    std::vector<long long> units;
    std::string text;
    while (st.step()) {
        // Read every column, as the client would.
        for (int c = 0; c < columns; ++c) {
            switch (sqlite3_column_type(st.get(), c)) {
                case SQLITE_INTEGER:
                    benchmark::DoNotOptimize(sqlite3_column_int64(st.get(), c));
                    break;
                case SQLITE_FLOAT:
                    benchmark::DoNotOptimize(sqlite3_column_double(st.get(), c));
                    break;
                case SQLITE_TEXT:
                    text.assign(reinterpret_cast<const char*>(sqlite3_column_text(st.get(), c)),
                                static_cast<size_t>(sqlite3_column_bytes(st.get(), c)));
                    benchmark::DoNotOptimize(text);
                    break;
                default:
                    break;
            }
        }
        units.push_back(sqlite3_column_int64(st.get(), 2));
    }
    st.reset();
    return units;
}

void proposalEngineBench(benchmark::State& state) {
    auto& f = BranchFixture::get();
    // The first run translates and caches the statement.
    reportProposal(true, proposalEngine(f));
    size_t rows = 0;
    for (auto _ : state) rows = proposalEngine(f).size();
    state.counters["rows"] = static_cast<double>(rows);
}

void proposalSqliteBench(benchmark::State& state) {
    auto& f = BranchFixture::get();
    if (std::getenv("BENCH_SQL")) std::fprintf(stderr, "sqlite: %s\n", kProposalSqlite.c_str());
    bench::Stmt st(f.raw->get(), kProposalSqlite);
    reportProposal(false, proposalSqlite(f, st));
    size_t rows = 0;
    for (auto _ : state) rows = proposalSqlite(f, st).size();
    state.counters["rows"] = static_cast<double>(rows);
}

// ---- Save ----

void saveEngine(BranchFixture& f) {
    f.session->query("BEGIN TRANSACTION");
    try {
        for (const Params& p : f.saveParams) f.session->query(kInsertRow, p);
        f.session->query("COMMIT TRANSACTION");
    } catch (...) {
        if (f.session->tranCount() > 0) f.session->query("ROLLBACK TRANSACTION");
        throw;
    }
}

// Leaves OrderBranch as generated however a Save benchmark ends, so that the proposal reads
// the same rows whichever benchmark ran before it.
struct RemoveSavedOnExit {
    BranchFixture& f;
    ~RemoveSavedOnExit() {
        try {
            f.removeSaved();
        } catch (...) {
        }
    }
};

struct SqliteSave {
    explicit SqliteSave(BranchFixture& f)
        : f(f),
          begin(f.raw->get(), "BEGIN IMMEDIATE"),
          commit(f.raw->get(), "COMMIT"),
          lastId(f.raw->get(), kLastOrderIdSqlite),
          insert(f.raw->get(), kInsertRowSqlite) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%-15s", f.orderNo.c_str());
        orderNo = buf;
        orderDate = f.orderDate + " 00:00:00.000";
        tranBranchNo = std::string(15, ' ');
    }

    void run() {
        begin.step();
        begin.reset();
        try {
            insertRows();
            commit.step();
            commit.reset();
        } catch (...) {
            insert.reset();
            lastId.reset();
            commit.reset();
            if (!sqlite3_get_autocommit(f.raw->get())) f.raw->exec("ROLLBACK");
            throw;
        }
    }

    void insertRows() {
        lastId.step();
        long long id = sqlite3_column_int64(lastId.get(), 0);
        lastId.reset();
        for (const auto& r : f.saveRows) {
            insert.bind(1, orderNo).bind(2, orderDate).bind(3, tranBranchNo);
            insert.bind(4, r.product).bind(5, r.unit).bind(6, r.sale).bind(7, r.min);
            if (r.order < 0)
                insert.bindNull(8);
            else
                insert.bind(8, r.order);
            insert.bind(9, r.onhand).bind(10, transfer).bind(11, 0LL).bind(12, 7LL);
            insert.bind(13, closeOrder).bind(14, ++id);
            insert.step();
            insert.reset();
        }
    }

    BranchFixture& f;
    bench::Stmt begin, commit, lastId, insert;
    std::string orderNo, orderDate, tranBranchNo;
    const std::string transfer = "N", closeOrder = "N";
};

// Both sides must store the same rows: checked once, on the first Save benchmark to run.
void checkSavesAgree(BranchFixture& f) {
    static bool checked = false;
    if (checked) return;
    checked = true;
    RemoveSavedOnExit cleanup{f};
    const std::string cols =
        "OrderNO, OrderDate, TranBranchNo, TranBranchDate, Product, ProductUnits, SaleQnty, "
        "MinQnty, OrderQnty, Onhand, Transfer, TransferDate, ReceivedQnty, ReceivedDate, "
        "BackOrder, UserId, CloseOrder, Remark, CarNO";
    f.removeSaved();
    saveEngine(f);
    const long long engineTo = f.raw->scalar("SELECT max(Id) FROM OrderBranch");
    SqliteSave(f).run();
    const std::string a = "SELECT " + cols + ", typeof(OrderQnty), typeof(OrderDate) " +
                          "FROM OrderBranch WHERE Id > " + std::to_string(f.savedAbove) +
                          " AND Id <= " + std::to_string(engineTo);
    const std::string b = "SELECT " + cols + ", typeof(OrderQnty), typeof(OrderDate) " +
                          "FROM OrderBranch WHERE Id > " + std::to_string(engineTo);
    const long long differ = f.raw->scalar("SELECT count(*) FROM (" + a + " EXCEPT " + b + ")") +
                             f.raw->scalar("SELECT count(*) FROM (" + b + " EXCEPT " + a + ")");
    const long long total = f.raw->scalar("SELECT count(*) FROM OrderBranch WHERE Id > " +
                                          std::to_string(f.savedAbove));
    bench::note("save rows: " + std::to_string(total) + " stored by both sides, " +
                (differ == 0 ? std::string("engine and sqlite rows identical")
                             : std::to_string(differ) + " rows DIFFER between engine and sqlite"));
}

void saveEngineBench(benchmark::State& state) {
    auto& f = BranchFixture::get();
    checkSavesAgree(f);
    RemoveSavedOnExit cleanup{f};
    saveEngine(f);  // translates and caches the insert
    f.removeSaved();
    for (auto _ : state) {
        saveEngine(f);
        state.PauseTiming();
        f.removeSaved();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kSaveRows);
}

void saveSqliteBench(benchmark::State& state) {
    auto& f = BranchFixture::get();
    checkSavesAgree(f);
    RemoveSavedOnExit cleanup{f};
    SqliteSave save(f);
    save.run();
    f.removeSaved();
    for (auto _ : state) {
        save.run();
        state.PauseTiming();
        f.removeSaved();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kSaveRows);
}

[[maybe_unused]] const bool registered = [] {
    bench::registerSqlite("BranchOrder/Proposal", proposalSqliteBench)
        ->Unit(benchmark::kMillisecond)
        ->MinTime(2.0);
    bench::registerEngine("BranchOrder/Proposal", proposalEngineBench)
        ->Unit(benchmark::kMillisecond)
        ->MinTime(2.0);
    bench::registerSqlite("BranchOrder/Save500", saveSqliteBench)->Unit(benchmark::kMillisecond);
    bench::registerEngine("BranchOrder/Save500", saveEngineBench)->Unit(benchmark::kMillisecond);
    return true;
}();

}  // namespace
