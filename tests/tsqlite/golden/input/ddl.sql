-- Tables, indexes, user types and the system tables that describe them; the re-runnable
-- upgrade patterns of our database scripts; temporary tables.
CREATE TABLE AllTypes (
    I int NOT NULL PRIMARY KEY,
    Si smallint NULL,
    Ti tinyint NULL,
    Bi bigint NULL,
    B bit NULL,
    Dec decimal(9, 2) NULL,
    Num numeric(5) NULL,
    M money NULL,
    Sm smallmoney NULL,
    F float NULL,
    R real NULL,
    C char(4) NULL,
    Vc varchar(10) NULL,
    Nc nchar(3) NULL,
    Nvc nvarchar(20) NULL,
    Tx text NULL,
    Ntx ntext NULL,
    Dt datetime NULL,
    Sdt smalldatetime NULL,
    D date NULL
)
GO
PRINT '-- every common type stores and shows its value'
INSERT INTO AllTypes VALUES (1, -32768, 255, 9000000000, 1, 1234567.891, 12345.4, 12.34, 1.5,
    1.5, 2.25, 'ab', 'text', N'x', N'wide', 'long text', N'long wide', '2024-02-14 10:30:15.123',
    '2024-02-14 10:30:29', '2024-02-14')
SELECT I, Si, Ti, Bi, B, Dec, Num, M, Sm, F, R FROM AllTypes
SELECT C, Vc, Nc, Nvc, Tx, Ntx, Dt, Sdt, D FROM AllTypes
INSERT INTO AllTypes (I) VALUES (2)
SELECT I, Si, B, Dec, C, Dt FROM AllTypes WHERE I = 2
GO
PRINT '-- system tables'
SELECT name, xtype FROM sysobjects WHERE id = OBJECT_ID('AllTypes')
SELECT name FROM SysColumns WHERE id = Object_Id('AllTypes') AND colid <= 3 ORDER BY colid
SELECT name, length, isnullable FROM syscolumns
WHERE id = OBJECT_ID('AllTypes') AND name IN ('I', 'Dec', 'Vc', 'Nvc', 'Dt', 'C') ORDER BY colid
SELECT COUNT(*) AS Cols FROM syscolumns WHERE id = OBJECT_ID('AllTypes')
SELECT OBJECT_ID('NoSuchTable') AS Missing
GO
PRINT '-- keys and indexes'
CREATE TABLE Shop (
    ShopId int NOT NULL,
    Code varchar(8) NOT NULL,
    Name varchar(30) NULL,
    CONSTRAINT PK_Shop PRIMARY KEY (ShopId),
    CONSTRAINT UQ_Shop_Code UNIQUE (Code)
)
CREATE INDEX IX_Shop_Name ON Shop (Name)
CREATE UNIQUE INDEX UX_Shop_Name_Code ON Shop (Name, Code)
SELECT name FROM sysindexes WHERE id = OBJECT_ID('Shop') AND name IS NOT NULL AND indid > 0
ORDER BY name
INSERT INTO Shop VALUES (1, 'BKK', 'Bangkok'), (2, 'CNX', 'Chiang Mai')
GO
CREATE INDEX IX_Bad ON Shop (NoSuchColumn)
GO
CREATE TABLE Shop (X int)
GO
PRINT '-- alter table add'
ALTER TABLE Shop ADD Phone varchar(12) NULL
ALTER TABLE Shop ADD Active bit NOT NULL DEFAULT 1
ALTER TABLE Shop ADD Region int NOT NULL CONSTRAINT DF_Shop_Region DEFAULT (7)
GO
SELECT ShopId, Phone, Active, Region FROM Shop ORDER BY ShopId
GO
ALTER TABLE Shop ADD Manager varchar(20) NOT NULL
GO
PRINT '-- alter column'
ALTER TABLE Shop ALTER COLUMN Code varchar(20) NOT NULL
GO
UPDATE Shop SET Code = 'BANGKOK-CENTRAL' WHERE ShopId = 1
SELECT Code FROM Shop WHERE ShopId = 1
GO
ALTER TABLE Shop ALTER COLUMN Phone varchar(12) NOT NULL
GO
UPDATE Shop SET Phone = '02-000' WHERE Phone IS NULL
ALTER TABLE Shop ALTER COLUMN Phone varchar(12) NOT NULL
GO
INSERT INTO Shop (ShopId, Code) VALUES (3, 'HKT')
GO
PRINT '-- drop column, drop table'
DROP INDEX UX_Shop_Name_Code ON Shop
GO
ALTER TABLE Shop DROP COLUMN Name
GO
ALTER TABLE Shop DROP COLUMN Phone
GO
SELECT * FROM Shop ORDER BY ShopId
GO
CREATE TABLE Gone (X int)
DROP TABLE Gone
GO
SELECT * FROM Gone
GO
DROP TABLE Gone
GO
PRINT '-- user types'
EXEC sp_addtype 'CodeType', 'varchar(6)', 'NOT NULL'
GO
CREATE TYPE QtyType FROM decimal(9, 3) NULL
GO
CREATE TABLE Stock (Code CodeType, Qty QtyType)
INSERT INTO Stock (Code, Qty) VALUES ('P1', 1.23456)
SELECT Code, Qty FROM Stock
SELECT name, length FROM syscolumns WHERE id = OBJECT_ID('Stock') ORDER BY colid
GO
INSERT INTO Stock (Qty) VALUES (2)
GO
DECLARE @q QtyType
SET @q = 10.0005
SELECT @q AS Q
GO
PRINT '-- re-runnable upgrade steps'
If Not Exists (Select * From SysColumns Where id = Object_Id('Stock') And name = 'Memo')
    Alter Table Stock Add Memo varchar(50) NULL
GO
If Not Exists (Select * From SysColumns Where id = Object_Id('Stock') And name = 'Memo')
    Alter Table Stock Add Memo varchar(50) NULL
Else
    Print 'Memo is already there'
GO
IF OBJECT_ID('Audit') IS NULL
    CREATE TABLE Audit (Id int NOT NULL)
GO
IF OBJECT_ID('Audit') IS NULL
    CREATE TABLE Audit (Id int NOT NULL)
ELSE
    PRINT 'Audit is already there'
GO
IF EXISTS (SELECT * FROM sysobjects WHERE name = 'Audit' AND xtype = 'U')
    DROP TABLE Audit
SELECT OBJECT_ID('Audit') AS AuditId
GO
PRINT '-- temporary tables'
CREATE TABLE #Work (Id int NOT NULL, Txt varchar(10) NULL)
INSERT INTO #Work VALUES (1, 'one'), (2, NULL)
GO
SELECT Id, Txt FROM #Work ORDER BY Id
IF OBJECT_ID('tempdb..#Work') IS NOT NULL
    PRINT '#Work exists'
DROP TABLE #Work
GO
SELECT * FROM #Work
GO
