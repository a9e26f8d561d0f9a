-- Company database, products and stock: warehouses, products, their units and barcodes, stock
-- settings, stock on hand, selling prices, customers, salesmen and the branch's own code.
-- Every company database has them; the branch order screen, the barcode search and the
-- sold-out upload read them. Needs common_tables.sql (the column types) first.
--
-- Re-runnable: every create first looks in the catalog, so running the script again
-- changes nothing. Thai texts are kept in varchar columns; on SQL Server create the
-- database with a Thai collation (Thai_CI_AS).
-- Run on SQL Server with sqlcmd -b -f 65001 (the file is UTF-8).
--
-- Codes, barcodes and unit names are no longer than the report database's columns
-- (ProdCode and BarCode char(15), UOM char(10)), so the sold-out upload can copy every sale.

-- WhType "F" is the shop floor: only its stock counts when the branch order proposal
-- compares stock with the minimum; "S" store rooms, "D" damaged goods.
IF NOT EXISTS (SELECT Id FROM SysObjects WHERE Name = 'Warehouse')
CREATE TABLE Warehouse (
    Id IdNo IDENTITY(1,1) NOT NULL CONSTRAINT PK_Warehouse PRIMARY KEY,
    Code varchar(10) NOT NULL,
    Name varchar(100) NULL,
    WhType CharFlag
)
GO
IF NOT EXISTS (SELECT Id FROM SysIndexes WHERE Name = 'WarehouseCode'
               AND Id = (SELECT Id FROM SysObjects WHERE Name = 'Warehouse'))
CREATE UNIQUE INDEX WarehouseCode ON Warehouse (Code)
GO

-- ProdDept and ProdGroup are Misc codes (groups PRODDEPT and PRODGROUP); a user orders the
-- products of his groups (UserProdGroup). Division is a Misc id (group DIVISION).
-- Blocked is never NULL: the barcode search keeps products whose Blocked is not "Y", and a
-- NULL would hide the product. Negative "Y": may be picked without stock.
IF NOT EXISTS (SELECT Id FROM SysObjects WHERE Name = 'Product')
CREATE TABLE Product (
    Id IdNo IDENTITY(1,1) NOT NULL CONSTRAINT PK_Product PRIMARY KEY,
    Code varchar(15) NOT NULL,
    ThaiName varchar(120) NULL,
    EngName varchar(120) NULL,
    ProdDept varchar(10) NULL,
    ProdGroup varchar(10) NULL,
    Blocked CharFlag NOT NULL CONSTRAINT DF_Product_Blocked DEFAULT ('N'),
    Negative CharFlag NOT NULL CONSTRAINT DF_Product_Negative DEFAULT ('N'),
    Useserial varchar(10) NULL,
    locationassign varchar(20) NULL,
    Division int NULL
)
GO
IF NOT EXISTS (SELECT Id FROM SysIndexes WHERE Name = 'ProductCode'
               AND Id = (SELECT Id FROM SysObjects WHERE Name = 'Product'))
CREATE UNIQUE INDEX ProductCode ON Product (Code)
GO
IF NOT EXISTS (SELECT Id FROM SysIndexes WHERE Name = 'ProductProdGroup'
               AND Id = (SELECT Id FROM SysObjects WHERE Name = 'Product'))
CREATE INDEX ProductProdGroup ON Product (ProdGroup)
GO
IF NOT EXISTS (SELECT Id FROM SysIndexes WHERE Name = 'ProductThaiName'
               AND Id = (SELECT Id FROM SysObjects WHERE Name = 'Product'))
CREATE INDEX ProductThaiName ON Product (ThaiName)
GO
-- The products of a division (the pick screen's ordinary and frozen lines).
IF NOT EXISTS (SELECT Id FROM SysIndexes WHERE Name = 'ProductDivision'
               AND Id = (SELECT Id FROM SysObjects WHERE Name = 'Product'))
CREATE INDEX ProductDivision ON Product (Division)
GO

-- One row per unit a product is counted in, each with its own barcode. Fraction is how
-- many smallest units one of this unit holds; quantities are divided by it, so it is never
-- 0. SmallUnitFlag "Y" marks the smallest unit, StockUnitFlag "Y" the stock unit.
-- AutoOrder "N" keeps the unit out of the order proposal (NULL counts as "Y").
-- A barcode is not unique here: units without one have NULL or ''.
IF NOT EXISTS (SELECT Id FROM SysObjects WHERE Name = 'ProductUnits')
CREATE TABLE ProductUnits (
    Id IdNo IDENTITY(1,1) NOT NULL CONSTRAINT PK_ProductUnits PRIMARY KEY,
    Product int NOT NULL,
    BarCode varchar(15) NULL,
    UnitName varchar(10) NULL,
    Fraction int NOT NULL CONSTRAINT DF_ProductUnits_Fraction DEFAULT (1)
        CONSTRAINT CK_ProductUnits_Fraction CHECK (Fraction > 0),
    AutoOrder CharFlag,
    SmallUnitFlag CharFlag,
    StockUnitFlag CharFlag
)
GO
-- The unit flags the quantity texts look units up by, on databases made before them.
IF NOT EXISTS (SELECT Id FROM SysColumns WHERE Name = 'SmallUnitFlag'
               AND Id = (SELECT Id FROM SysObjects WHERE Name = 'ProductUnits'))
ALTER TABLE ProductUnits ADD SmallUnitFlag CharFlag
GO
IF NOT EXISTS (SELECT Id FROM SysColumns WHERE Name = 'StockUnitFlag'
               AND Id = (SELECT Id FROM SysObjects WHERE Name = 'ProductUnits'))
ALTER TABLE ProductUnits ADD StockUnitFlag CharFlag
GO
IF NOT EXISTS (SELECT Id FROM SysIndexes WHERE Name = 'ProductUnitsBarCode'
               AND Id = (SELECT Id FROM SysObjects WHERE Name = 'ProductUnits'))
CREATE INDEX ProductUnitsBarCode ON ProductUnits (BarCode)
GO
IF NOT EXISTS (SELECT Id FROM SysIndexes WHERE Name = 'ProductUnitsProduct'
               AND Id = (SELECT Id FROM SysObjects WHERE Name = 'ProductUnits'))
CREATE INDEX ProductUnitsProduct ON ProductUnits (Product, Fraction)
GO

-- The branch's stock settings of a unit, in that unit: the minimum below which it is
-- proposed for ordering and the maximum an order may fill up to (0: no maximum). The order
-- statements read a unit's row as a single value, hence one row per unit.
IF NOT EXISTS (SELECT Id FROM SysObjects WHERE Name = 'ProductManage')
CREATE TABLE ProductManage (
    Id IdNo IDENTITY(1,1) NOT NULL CONSTRAINT PK_ProductManage PRIMARY KEY,
    Product int NOT NULL,
    ProductUnits int NOT NULL,
    MinQnty int NOT NULL CONSTRAINT DF_ProductManage_MinQnty DEFAULT (0),
    MaxQnty int NOT NULL CONSTRAINT DF_ProductManage_MaxQnty DEFAULT (0)
)
GO
IF NOT EXISTS (SELECT Id FROM SysIndexes WHERE Name = 'ProductManageUnits'
               AND Id = (SELECT Id FROM SysObjects WHERE Name = 'ProductManage'))
CREATE UNIQUE INDEX ProductManageUnits ON ProductManage (ProductUnits)
GO

-- Stock per unit, warehouse, balance year and period (0 the opening balance, 1 to 12 the
-- months), in smallest units. Readers divide by the unit's Fraction.
IF NOT EXISTS (SELECT Id FROM SysObjects WHERE Name = 'ProductOnhand')
CREATE TABLE ProductOnhand (
    Id IdNo IDENTITY(1,1) NOT NULL CONSTRAINT PK_ProductOnhand PRIMARY KEY,
    Product int NOT NULL,
    ProductUnits int NOT NULL,
    Warehouse int NOT NULL,
    BalanceYear int NOT NULL,
    PeriodNo int NOT NULL,
    Quantity decimal(18,4) NOT NULL CONSTRAINT DF_ProductOnhand_Quantity DEFAULT (0)
)
GO
-- The order screen's set-up script creates this index by this name when it is missing.
IF NOT EXISTS (SELECT Id FROM SysIndexes WHERE Name = 'ProductOnhand_BarYear')
CREATE INDEX ProductOnhand_BarYear ON ProductOnhand (ProductUnits, BalanceYear)
GO
-- The barcode search sums a product's stock of the year.
IF NOT EXISTS (SELECT Id FROM SysIndexes WHERE Name = 'ProductOnhandProductYear'
               AND Id = (SELECT Id FROM SysObjects WHERE Name = 'ProductOnhand'))
CREATE INDEX ProductOnhandProductYear ON ProductOnhand (Product, BalanceYear)
GO
IF NOT EXISTS (SELECT Id FROM SysIndexes WHERE Name = 'ProductOnhandKey'
               AND Id = (SELECT Id FROM SysObjects WHERE Name = 'ProductOnhand'))
CREATE UNIQUE INDEX ProductOnhandKey ON ProductOnhand (ProductUnits, Warehouse, BalanceYear, PeriodNo)
GO

-- Selling price of a unit per price type (a Misc id of group PRICETYPE; code "0" is the
-- retail price the order screens show). Read as a single value: one row per unit and type.
IF NOT EXISTS (SELECT Id FROM SysObjects WHERE Name = 'ProductPrice')
CREATE TABLE ProductPrice (
    Id IdNo IDENTITY(1,1) NOT NULL CONSTRAINT PK_ProductPrice PRIMARY KEY,
    ProductUnits int NOT NULL,
    PriceType int NOT NULL,
    Price decimal(18,4) NOT NULL CONSTRAINT DF_ProductPrice_Price DEFAULT (0)
)
GO
IF NOT EXISTS (SELECT Id FROM SysIndexes WHERE Name = 'ProductPriceUnitType'
               AND Id = (SELECT Id FROM SysObjects WHERE Name = 'ProductPrice'))
CREATE UNIQUE INDEX ProductPriceUnitType ON ProductPrice (ProductUnits, PriceType)
GO

-- The branch's own code, read as a single value: the table holds at most one row (Id 1).
IF NOT EXISTS (SELECT Id FROM SysObjects WHERE Name = 'OracleConfig')
CREATE TABLE OracleConfig (
    Id int NOT NULL CONSTRAINT DF_OracleConfig_Id DEFAULT (1)
        CONSTRAINT CK_OracleConfig_Id CHECK (Id = 1)
        CONSTRAINT PK_OracleConfig PRIMARY KEY,
    BranchCode varchar(10) NOT NULL
)
GO

IF NOT EXISTS (SELECT Id FROM SysObjects WHERE Name = 'Customer')
CREATE TABLE Customer (
    Id IdNo IDENTITY(1,1) NOT NULL CONSTRAINT PK_Customer PRIMARY KEY,
    Code varchar(20) NOT NULL,
    Name varchar(120) NULL,
    Address varchar(200) NULL,
    Telephone varchar(50) NULL,
    Blocked CharFlag NOT NULL CONSTRAINT DF_Customer_Blocked DEFAULT ('N')
)
GO
IF NOT EXISTS (SELECT Id FROM SysIndexes WHERE Name = 'CustomerCode'
               AND Id = (SELECT Id FROM SysObjects WHERE Name = 'Customer'))
CREATE UNIQUE INDEX CustomerCode ON Customer (Code)
GO

IF NOT EXISTS (SELECT Id FROM SysObjects WHERE Name = 'Salesman')
CREATE TABLE Salesman (
    Id IdNo IDENTITY(1,1) NOT NULL CONSTRAINT PK_Salesman PRIMARY KEY,
    Code varchar(20) NOT NULL,
    Name varchar(120) NULL
)
GO
IF NOT EXISTS (SELECT Id FROM SysIndexes WHERE Name = 'SalesmanCode'
               AND Id = (SELECT Id FROM SysObjects WHERE Name = 'Salesman'))
CREATE UNIQUE INDEX SalesmanCode ON Salesman (Code)
GO
