-- Distribution centre's company database, picking: the branch order lines held for picking
-- (TranBranch), the weekly pick plan, the stock by location and its daily summary, the
-- frozen division, the run lock and the numbering series of picks and picking sheets.
-- Needs common_tables.sql and product_tables.sql first.
--
-- Re-runnable: every create first looks in the catalog, so running the script again
-- changes nothing. Run on SQL Server with sqlcmd -b -f 65001 (the file is UTF-8).

-- One row per branch order line at the distribution centre. BranchCode is a branch's code or
-- a customer's. PickNo stays NULL until the line is picked: an empty text would read as the
-- number of a stored pick. CloseOrder is the order status code (N, P, O, A, B, W, T, C, X, Y);
-- Transfer "N" while the line has not been transferred; UpdateBranch "N" when the branch has
-- still to hear of a change; ResponsProdGroup is the picking group, with "#" and the sheet
-- once picked; ProductManageNo the picking sheet's number.
IF NOT EXISTS (SELECT Id FROM SysObjects WHERE Name = 'TranBranch')
CREATE TABLE TranBranch (
    Id IdNo IDENTITY(1,1) NOT NULL CONSTRAINT PK_TranBranch PRIMARY KEY,
    OrderNO varchar(20) NULL,
    OrderDate datetime NULL,
    PickNo varchar(20) NULL,
    PickDate datetime NULL,
    BranchCode varchar(20) NOT NULL,
    ProdCode varchar(15) NOT NULL,
    BarCode varchar(15) NOT NULL,
    OrderQnty int NOT NULL CONSTRAINT DF_TranBranch_OrderQnty DEFAULT (0),
    SendQnty int NOT NULL CONSTRAINT DF_TranBranch_SendQnty DEFAULT (0),
    TranSendQnty int NULL,
    UserPick int NULL,
    CloseOrder CharFlag,
    OrderType varchar(10) NULL,
    ResponsProdGroup varchar(20) NULL,
    Transfer CharFlag NOT NULL CONSTRAINT DF_TranBranch_Transfer DEFAULT ('N'),
    OrderBranchId int NULL,
    BoxNo varchar(20) NULL,
    remark varchar(80) NULL,
    UpdateBranch CharFlag,
    Locations varchar(50) NULL,
    ProductManageNo varchar(20) NULL
)
GO
IF NOT EXISTS (SELECT Id FROM SysIndexes WHERE Name = 'TranBranchPickNo'
               AND Id = (SELECT Id FROM SysObjects WHERE Name = 'TranBranch'))
CREATE INDEX TranBranchPickNo ON TranBranch (PickNo)
GO
IF NOT EXISTS (SELECT Id FROM SysIndexes WHERE Name = 'TranBranchOpen'
               AND Id = (SELECT Id FROM SysObjects WHERE Name = 'TranBranch'))
CREATE INDEX TranBranchOpen ON TranBranch (BranchCode, CloseOrder)
GO
IF NOT EXISTS (SELECT Id FROM SysIndexes WHERE Name = 'TranBranchBarCode'
               AND Id = (SELECT Id FROM SysObjects WHERE Name = 'TranBranch'))
CREATE INDEX TranBranchBarCode ON TranBranch (BarCode, CloseOrder)
GO
-- The pick screen's branch list reaches the day's picked lines from the products of a
-- division; without this index every line is read for each product.
IF NOT EXISTS (SELECT Id FROM SysIndexes WHERE Name = 'TranBranchProdCode'
               AND Id = (SELECT Id FROM SysObjects WHERE Name = 'TranBranch'))
CREATE INDEX TranBranchProdCode ON TranBranch (ProdCode)
GO

-- The weekly pick plan: the branches picked on each day ("SUN" .. "SAT").
IF NOT EXISTS (SELECT Id FROM SysObjects WHERE Name = 'BranchPick')
CREATE TABLE BranchPick (
    Id IdNo IDENTITY(1,1) NOT NULL CONSTRAINT PK_BranchPick PRIMARY KEY,
    Days varchar(3) NOT NULL,
    BranchCode varchar(10) NOT NULL
)
GO
IF NOT EXISTS (SELECT Id FROM SysIndexes WHERE Name = 'BranchPickDays'
               AND Id = (SELECT Id FROM SysObjects WHERE Name = 'BranchPick'))
CREATE UNIQUE INDEX BranchPickDays ON BranchPick (Days, BranchCode)
GO

-- Stock of the distribution centre by location: zone and location code.
IF NOT EXISTS (SELECT Id FROM SysObjects WHERE Name = 'ProductOnhandSend')
CREATE TABLE ProductOnhandSend (
    Id IdNo IDENTITY(1,1) NOT NULL CONSTRAINT PK_ProductOnhandSend PRIMARY KEY,
    ProdCode varchar(15) NOT NULL,
    BarCode varchar(15) NULL,
    Onhand decimal(18,4) NOT NULL CONSTRAINT DF_ProductOnhandSend_Onhand DEFAULT (0),
    WhZone varchar(10) NULL,
    WhCode varchar(20) NULL
)
GO
IF NOT EXISTS (SELECT Id FROM SysIndexes WHERE Name = 'ProductOnhandSendProdCode'
               AND Id = (SELECT Id FROM SysObjects WHERE Name = 'ProductOnhandSend'))
CREATE INDEX ProductOnhandSendProdCode ON ProductOnhandSend (ProdCode)
GO
IF NOT EXISTS (SELECT Id FROM SysIndexes WHERE Name = 'ProductOnhandSendBarCode'
               AND Id = (SELECT Id FROM SysObjects WHERE Name = 'ProductOnhandSend'))
CREATE INDEX ProductOnhandSendBarCode ON ProductOnhandSend (BarCode)
GO

-- Rebuilt by every pick confirmation: per product the lowest and highest location and the
-- number of locations holding it.
IF NOT EXISTS (SELECT Id FROM SysObjects WHERE Name = 'ProductOnhandSendDayly')
CREATE TABLE ProductOnhandSendDayly (
    ProdCode VarChar(20) NULL,
    WhStart VarChar(20) NULL,
    WhStop VarChar(20) NULL,
    CountWH Int NULL,
    AddDate DateTime NULL
)
GO
IF NOT EXISTS (SELECT Id FROM SysIndexes WHERE Name = 'ProductOnhandSendDaylyIndexProdCode'
               AND Id = (SELECT Id FROM SysObjects WHERE Name = 'ProductOnhandSendDayly'))
CREATE INDEX ProductOnhandSendDaylyIndexProdCode ON ProductOnhandSendDayly (ProdCode)
GO

-- The run lock of the pick confirmation, on databases made before it existed.
IF NOT EXISTS (SELECT Id FROM SysColumns WHERE Name = 'RunConsoFlag'
               AND Id = (SELECT Id FROM SysObjects WHERE Name = 'Config'))
ALTER TABLE Config ADD RunConsoFlag CharFlag
GO
UPDATE Config SET RunConsoFlag = 'N' WHERE Id = 1 AND RunConsoFlag IS NULL
GO

-- Division 20 is the frozen division: the central branches' frozen lines are picked together.
IF NOT EXISTS (SELECT Id FROM Misc WHERE GroupCode = 'DIVISION' AND Code = '10')
INSERT INTO Misc (GroupCode, Code, Description) VALUES ('DIVISION', '10', 'สินค้าทั่วไป')
IF NOT EXISTS (SELECT Id FROM Misc WHERE GroupCode = 'DIVISION' AND Code = '20')
INSERT INTO Misc (GroupCode, Code, Description) VALUES ('DIVISION', '20', 'สินค้าแช่แข็ง')
GO

-- Pick numbers and picking-sheet numbers, drawn by the program, for this year and the next.
IF NOT EXISTS (SELECT Id FROM DocumentNo WHERE Code = 'PICKORDER' AND DocYear = YEAR(GETDATE()))
INSERT INTO DocumentNo (Code, DocYear, Description, Prefix, LastNo, DocumentLength, AutoRun,
                        DocType, UserCanModify, LinkToDocument)
VALUES ('PICKORDER', YEAR(GETDATE()), 'ใบสั่งจัดสินค้า', 'PK', 0, 12, 'Y', 'I', 'N', NULL)
IF NOT EXISTS (SELECT Id FROM DocumentNo WHERE Code = 'PICKORDER' AND DocYear = YEAR(GETDATE()) + 1)
INSERT INTO DocumentNo (Code, DocYear, Description, Prefix, LastNo, DocumentLength, AutoRun,
                        DocType, UserCanModify, LinkToDocument)
VALUES ('PICKORDER', YEAR(GETDATE()) + 1, 'ใบสั่งจัดสินค้า', 'PK', 0, 12, 'Y', 'I', 'N', NULL)
IF NOT EXISTS (SELECT Id FROM DocumentNo WHERE Code = 'PRODUCTMANAGE' AND DocYear = YEAR(GETDATE()))
INSERT INTO DocumentNo (Code, DocYear, Description, Prefix, LastNo, DocumentLength, AutoRun,
                        DocType, UserCanModify, LinkToDocument)
VALUES ('PRODUCTMANAGE', YEAR(GETDATE()), 'ใบจัดสินค้า', 'PM', 0, 10, 'Y', 'I', 'N', NULL)
IF NOT EXISTS (SELECT Id FROM DocumentNo WHERE Code = 'PRODUCTMANAGE' AND DocYear = YEAR(GETDATE()) + 1)
INSERT INTO DocumentNo (Code, DocYear, Description, Prefix, LastNo, DocumentLength, AutoRun,
                        DocType, UserCanModify, LinkToDocument)
VALUES ('PRODUCTMANAGE', YEAR(GETDATE()) + 1, 'ใบจัดสินค้า', 'PM', 0, 10, 'Y', 'I', 'N', NULL)
GO
