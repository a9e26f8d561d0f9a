-- Company database, sales documents: point-of-sale receipts (two layouts), invoices, till
-- returns, sales returns and sales orders. The branch order proposal counts the sales since
-- a date from them, the barcode search the customers' open quantities, and the sold-out
-- upload copies them to the report database. Needs common_tables.sql (the column types).
--
-- Every header has DelFlag ("N" a valid document, "Y" cancelled; never NULL, since readers
-- keep exactly the "N" documents) and, where it has a currency, Rate (to the main currency,
-- never NULL, so amounts in the main currency are never lost). Quantities are in the line's
-- unit (ProductUnits). Headers are indexed on their dates, lines on their header and unit:
-- the readers pick documents by date and sum lines per unit.
--
-- Re-runnable: every create first looks in the catalog, so running the script again
-- changes nothing. Thai texts are kept in varchar columns; on SQL Server create the
-- database with a Thai collation (Thai_CI_AS).
-- Run on SQL Server with sqlcmd -b -f 65001 (the file is UTF-8).

-- Point-of-sale receipts. SoHd: the sales order the receipt settled, if any.
IF NOT EXISTS (SELECT Id FROM SysObjects WHERE Name = 'PosHeader')
CREATE TABLE PosHeader (
    Id IdNo IDENTITY(1,1) NOT NULL CONSTRAINT PK_PosHeader PRIMARY KEY,
    PosNo varchar(15) NOT NULL,
    PosDate datetime NOT NULL,
    Customer int NULL,
    SoHd int NULL,
    CurrencyId int NULL,
    Rate decimal(18,6) NOT NULL CONSTRAINT DF_PosHeader_Rate DEFAULT (1),
    Total decimal(18,2) NOT NULL CONSTRAINT DF_PosHeader_Total DEFAULT (0),
    DelFlag CharFlag NOT NULL CONSTRAINT DF_PosHeader_DelFlag DEFAULT ('N')
)
GO
IF NOT EXISTS (SELECT Id FROM SysIndexes WHERE Name = 'PosHeaderPosNo'
               AND Id = (SELECT Id FROM SysObjects WHERE Name = 'PosHeader'))
CREATE UNIQUE INDEX PosHeaderPosNo ON PosHeader (PosNo)
GO
IF NOT EXISTS (SELECT Id FROM SysIndexes WHERE Name = 'PosHeaderPosDate'
               AND Id = (SELECT Id FROM SysObjects WHERE Name = 'PosHeader'))
CREATE INDEX PosHeaderPosDate ON PosHeader (PosDate)
GO
IF NOT EXISTS (SELECT Id FROM SysObjects WHERE Name = 'PosDetail')
CREATE TABLE PosDetail (
    Id IdNo IDENTITY(1,1) NOT NULL CONSTRAINT PK_PosDetail PRIMARY KEY,
    PosHeader int NOT NULL,
    Product int NOT NULL,
    ProductUnits int NOT NULL,
    Quantity decimal(18,4) NOT NULL,
    Price decimal(18,4) NOT NULL CONSTRAINT DF_PosDetail_Price DEFAULT (0),
    DiscAmount decimal(18,2) NOT NULL CONSTRAINT DF_PosDetail_DiscAmount DEFAULT (0)
)
GO
IF NOT EXISTS (SELECT Id FROM SysIndexes WHERE Name = 'PosDetailPosHeader'
               AND Id = (SELECT Id FROM SysObjects WHERE Name = 'PosDetail'))
CREATE INDEX PosDetailPosHeader ON PosDetail (PosHeader)
GO
IF NOT EXISTS (SELECT Id FROM SysIndexes WHERE Name = 'PosDetailProductUnits'
               AND Id = (SELECT Id FROM SysObjects WHERE Name = 'PosDetail'))
CREATE INDEX PosDetailProductUnits ON PosDetail (ProductUnits)
GO

-- Receipts of the older till layout, still counted in the sales figures.
IF NOT EXISTS (SELECT Id FROM SysObjects WHERE Name = 'PosHd')
CREATE TABLE PosHd (
    Id IdNo IDENTITY(1,1) NOT NULL CONSTRAINT PK_PosHd PRIMARY KEY,
    PosNo varchar(15) NOT NULL,
    PosDate datetime NOT NULL,
    Total decimal(18,2) NOT NULL CONSTRAINT DF_PosHd_Total DEFAULT (0),
    DelFlag CharFlag NOT NULL CONSTRAINT DF_PosHd_DelFlag DEFAULT ('N')
)
GO
IF NOT EXISTS (SELECT Id FROM SysIndexes WHERE Name = 'PosHdPosDate'
               AND Id = (SELECT Id FROM SysObjects WHERE Name = 'PosHd'))
CREATE INDEX PosHdPosDate ON PosHd (PosDate)
GO
IF NOT EXISTS (SELECT Id FROM SysObjects WHERE Name = 'PosDt')
CREATE TABLE PosDt (
    Id IdNo IDENTITY(1,1) NOT NULL CONSTRAINT PK_PosDt PRIMARY KEY,
    PosHd int NOT NULL,
    Product int NOT NULL,
    ProductUnits int NOT NULL,
    Quantity decimal(18,4) NOT NULL,
    Price decimal(18,4) NOT NULL CONSTRAINT DF_PosDt_Price DEFAULT (0)
)
GO
IF NOT EXISTS (SELECT Id FROM SysIndexes WHERE Name = 'PosDtPosHd'
               AND Id = (SELECT Id FROM SysObjects WHERE Name = 'PosDt'))
CREATE INDEX PosDtPosHd ON PosDt (PosHd)
GO
IF NOT EXISTS (SELECT Id FROM SysIndexes WHERE Name = 'PosDtProductUnits'
               AND Id = (SELECT Id FROM SysObjects WHERE Name = 'PosDt'))
CREATE INDEX PosDtProductUnits ON PosDt (ProductUnits)
GO

-- Invoices. IvType "B" delivers goods against an earlier invoice (IvDt.IvdtB, the line it
-- delivers); NotCutStock "Y": invoiced, goods not yet delivered. IvDt.SoDt: the sales-order
-- line the invoice line settles.
IF NOT EXISTS (SELECT Id FROM SysObjects WHERE Name = 'IvHd')
CREATE TABLE IvHd (
    Id IdNo IDENTITY(1,1) NOT NULL CONSTRAINT PK_IvHd PRIMARY KEY,
    IvNo varchar(15) NOT NULL,
    IvDate datetime NOT NULL,
    Customer int NULL,
    SalesMan int NULL,
    IvType CharFlag NOT NULL CONSTRAINT DF_IvHd_IvType DEFAULT ('A'),
    NotCutStock CharFlag NOT NULL CONSTRAINT DF_IvHd_NotCutStock DEFAULT ('N'),
    CurrencyId int NULL,
    Rate decimal(18,6) NOT NULL CONSTRAINT DF_IvHd_Rate DEFAULT (1),
    Total decimal(18,2) NOT NULL CONSTRAINT DF_IvHd_Total DEFAULT (0),
    DelFlag CharFlag NOT NULL CONSTRAINT DF_IvHd_DelFlag DEFAULT ('N')
)
GO
IF NOT EXISTS (SELECT Id FROM SysIndexes WHERE Name = 'IvHdIvNo'
               AND Id = (SELECT Id FROM SysObjects WHERE Name = 'IvHd'))
CREATE UNIQUE INDEX IvHdIvNo ON IvHd (IvNo)
GO
IF NOT EXISTS (SELECT Id FROM SysIndexes WHERE Name = 'IvHdIvDate'
               AND Id = (SELECT Id FROM SysObjects WHERE Name = 'IvHd'))
CREATE INDEX IvHdIvDate ON IvHd (IvDate)
GO
IF NOT EXISTS (SELECT Id FROM SysObjects WHERE Name = 'IvDt')
CREATE TABLE IvDt (
    Id IdNo IDENTITY(1,1) NOT NULL CONSTRAINT PK_IvDt PRIMARY KEY,
    IvHd int NOT NULL,
    Product int NOT NULL,
    ProductUnits int NOT NULL,
    Quantity decimal(18,4) NOT NULL,
    Fraction int NOT NULL CONSTRAINT DF_IvDt_Fraction DEFAULT (1),
    Price decimal(18,4) NOT NULL CONSTRAINT DF_IvDt_Price DEFAULT (0),
    DiscountAmt decimal(18,2) NOT NULL CONSTRAINT DF_IvDt_DiscountAmt DEFAULT (0),
    SoDt int NULL,
    IvdtB int NULL
)
GO
IF NOT EXISTS (SELECT Id FROM SysIndexes WHERE Name = 'IvDtIvHd'
               AND Id = (SELECT Id FROM SysObjects WHERE Name = 'IvDt'))
CREATE INDEX IvDtIvHd ON IvDt (IvHd)
GO
IF NOT EXISTS (SELECT Id FROM SysIndexes WHERE Name = 'IvDtProductUnits'
               AND Id = (SELECT Id FROM SysObjects WHERE Name = 'IvDt'))
CREATE INDEX IvDtProductUnits ON IvDt (ProductUnits)
GO
IF NOT EXISTS (SELECT Id FROM SysIndexes WHERE Name = 'IvDtSoDt'
               AND Id = (SELECT Id FROM SysObjects WHERE Name = 'IvDt'))
CREATE INDEX IvDtSoDt ON IvDt (SoDt)
GO

-- Till returns (goods brought back to the till). Statements name them PoSrHd or PosrHd;
-- table and column names do not depend on letter case.
IF NOT EXISTS (SELECT Id FROM SysObjects WHERE Name = 'PoSrHd')
CREATE TABLE PoSrHd (
    Id IdNo IDENTITY(1,1) NOT NULL CONSTRAINT PK_PoSrHd PRIMARY KEY,
    SrNo varchar(15) NOT NULL,
    SrDate datetime NOT NULL,
    PosHeader int NULL,
    CurrencyId int NULL,
    Rate decimal(18,6) NOT NULL CONSTRAINT DF_PoSrHd_Rate DEFAULT (1),
    Total decimal(18,2) NOT NULL CONSTRAINT DF_PoSrHd_Total DEFAULT (0),
    DelFlag CharFlag NOT NULL CONSTRAINT DF_PoSrHd_DelFlag DEFAULT ('N')
)
GO
IF NOT EXISTS (SELECT Id FROM SysIndexes WHERE Name = 'PoSrHdSrNo'
               AND Id = (SELECT Id FROM SysObjects WHERE Name = 'PoSrHd'))
CREATE UNIQUE INDEX PoSrHdSrNo ON PoSrHd (SrNo)
GO
IF NOT EXISTS (SELECT Id FROM SysIndexes WHERE Name = 'PoSrHdSrDate'
               AND Id = (SELECT Id FROM SysObjects WHERE Name = 'PoSrHd'))
CREATE INDEX PoSrHdSrDate ON PoSrHd (SrDate)
GO
IF NOT EXISTS (SELECT Id FROM SysObjects WHERE Name = 'PoSrDt')
CREATE TABLE PoSrDt (
    Id IdNo IDENTITY(1,1) NOT NULL CONSTRAINT PK_PoSrDt PRIMARY KEY,
    PoSrHd int NOT NULL,
    Product int NOT NULL,
    ProductUnits int NOT NULL,
    Quantity decimal(18,4) NOT NULL,
    Price decimal(18,4) NOT NULL CONSTRAINT DF_PoSrDt_Price DEFAULT (0),
    DiscountAmt decimal(18,2) NOT NULL CONSTRAINT DF_PoSrDt_DiscountAmt DEFAULT (0)
)
GO
IF NOT EXISTS (SELECT Id FROM SysIndexes WHERE Name = 'PoSrDtPoSrHd'
               AND Id = (SELECT Id FROM SysObjects WHERE Name = 'PoSrDt'))
CREATE INDEX PoSrDtPoSrHd ON PoSrDt (PoSrHd)
GO
IF NOT EXISTS (SELECT Id FROM SysIndexes WHERE Name = 'PoSrDtProductUnits'
               AND Id = (SELECT Id FROM SysObjects WHERE Name = 'PoSrDt'))
CREATE INDEX PoSrDtProductUnits ON PoSrDt (ProductUnits)
GO

-- Sales returns (credit notes to customers).
IF NOT EXISTS (SELECT Id FROM SysObjects WHERE Name = 'SrHd')
CREATE TABLE SrHd (
    Id IdNo IDENTITY(1,1) NOT NULL CONSTRAINT PK_SrHd PRIMARY KEY,
    SrNo varchar(15) NOT NULL,
    SrDate datetime NOT NULL,
    Customer int NULL,
    IvHd int NULL,
    CurrencyId int NULL,
    Rate decimal(18,6) NOT NULL CONSTRAINT DF_SrHd_Rate DEFAULT (1),
    Total decimal(18,2) NOT NULL CONSTRAINT DF_SrHd_Total DEFAULT (0),
    DelFlag CharFlag NOT NULL CONSTRAINT DF_SrHd_DelFlag DEFAULT ('N')
)
GO
IF NOT EXISTS (SELECT Id FROM SysIndexes WHERE Name = 'SrHdSrNo'
               AND Id = (SELECT Id FROM SysObjects WHERE Name = 'SrHd'))
CREATE UNIQUE INDEX SrHdSrNo ON SrHd (SrNo)
GO
IF NOT EXISTS (SELECT Id FROM SysIndexes WHERE Name = 'SrHdSrDate'
               AND Id = (SELECT Id FROM SysObjects WHERE Name = 'SrHd'))
CREATE INDEX SrHdSrDate ON SrHd (SrDate)
GO
IF NOT EXISTS (SELECT Id FROM SysObjects WHERE Name = 'SrDt')
CREATE TABLE SrDt (
    Id IdNo IDENTITY(1,1) NOT NULL CONSTRAINT PK_SrDt PRIMARY KEY,
    SrHd int NOT NULL,
    Product int NOT NULL,
    ProductUnits int NOT NULL,
    Quantity decimal(18,4) NOT NULL,
    Price decimal(18,4) NOT NULL CONSTRAINT DF_SrDt_Price DEFAULT (0),
    DiscountAmt decimal(18,2) NOT NULL CONSTRAINT DF_SrDt_DiscountAmt DEFAULT (0)
)
GO
IF NOT EXISTS (SELECT Id FROM SysIndexes WHERE Name = 'SrDtSrHd'
               AND Id = (SELECT Id FROM SysObjects WHERE Name = 'SrDt'))
CREATE INDEX SrDtSrHd ON SrDt (SrHd)
GO
IF NOT EXISTS (SELECT Id FROM SysIndexes WHERE Name = 'SrDtProductUnits'
               AND Id = (SELECT Id FROM SysObjects WHERE Name = 'SrDt'))
CREATE INDEX SrDtProductUnits ON SrDt (ProductUnits)
GO

-- Sales orders. A line stays open for the customer until Clear is "Y"; Quantity is in the
-- line's unit, Fraction smallest units per that unit.
IF NOT EXISTS (SELECT Id FROM SysObjects WHERE Name = 'SoHd')
CREATE TABLE SoHd (
    Id IdNo IDENTITY(1,1) NOT NULL CONSTRAINT PK_SoHd PRIMARY KEY,
    SoNo varchar(15) NOT NULL,
    SoDate datetime NOT NULL,
    Customer int NULL,
    SalesMan int NULL,
    DelFlag CharFlag NOT NULL CONSTRAINT DF_SoHd_DelFlag DEFAULT ('N')
)
GO
IF NOT EXISTS (SELECT Id FROM SysIndexes WHERE Name = 'SoHdSoNo'
               AND Id = (SELECT Id FROM SysObjects WHERE Name = 'SoHd'))
CREATE UNIQUE INDEX SoHdSoNo ON SoHd (SoNo)
GO
IF NOT EXISTS (SELECT Id FROM SysObjects WHERE Name = 'SoDt')
CREATE TABLE SoDt (
    Id IdNo IDENTITY(1,1) NOT NULL CONSTRAINT PK_SoDt PRIMARY KEY,
    SoHd int NOT NULL,
    Product int NOT NULL,
    ProductUnits int NULL,
    Quantity decimal(18,4) NOT NULL,
    Fraction int NOT NULL CONSTRAINT DF_SoDt_Fraction DEFAULT (1),
    Clear CharFlag NOT NULL CONSTRAINT DF_SoDt_Clear DEFAULT ('N')
)
GO
IF NOT EXISTS (SELECT Id FROM SysIndexes WHERE Name = 'SoDtSoHd'
               AND Id = (SELECT Id FROM SysObjects WHERE Name = 'SoDt'))
CREATE INDEX SoDtSoHd ON SoDt (SoHd)
GO
IF NOT EXISTS (SELECT Id FROM SysIndexes WHERE Name = 'SoDtProduct'
               AND Id = (SELECT Id FROM SysObjects WHERE Name = 'SoDt'))
CREATE INDEX SoDtProduct ON SoDt (Product)
GO
