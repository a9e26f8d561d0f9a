-- Company database, common part: the column types, the settings row, the code table,
-- document numbering and the user log. Every company database has these, the distribution
-- centre's as well as each branch's; the module scripts build on them.
--
-- Re-runnable: every create first looks in the catalog, so running the script again
-- changes nothing. Thai texts are kept in varchar columns; on SQL Server create the
-- database with a Thai collation (Thai_CI_AS).
-- Run on SQL Server with sqlcmd -b -f 65001 (the file is UTF-8).

-- Column types. SQL Server lists them in systypes, which the embedded server does not
-- serve, so "already exists" (219) is caught instead of tested for.
BEGIN TRY
    CREATE TYPE IdNo FROM int NOT NULL
END TRY
BEGIN CATCH
    IF ERROR_NUMBER() <> 219 THROW;
END CATCH
GO
BEGIN TRY
    CREATE TYPE CharFlag FROM char(1) NULL
END TRY
BEGIN CATCH
    IF ERROR_NUMBER() <> 219 THROW;
END CATCH
GO
BEGIN TRY
    CREATE TYPE Char80 FROM varchar(80) NULL
END TRY
BEGIN CATCH
    IF ERROR_NUMBER() <> 219 THROW;
END CATCH
GO

-- Code table: one row per code of a group (CURRENCY, PRICETYPE, PRODDEPT, PRODGROUP,
-- DIVISION, CARNO...). A code is unique within its group: statements look codes up as
-- single values.
IF NOT EXISTS (SELECT Id FROM SysObjects WHERE Name = 'Misc')
CREATE TABLE Misc (
    Id IdNo IDENTITY(1,1) NOT NULL CONSTRAINT PK_Misc PRIMARY KEY,
    GroupCode varchar(20) NOT NULL,
    Code varchar(20) NOT NULL,
    Description varchar(100) NULL
)
GO
IF NOT EXISTS (SELECT Id FROM SysIndexes WHERE Name = 'MiscGroupCode'
               AND Id = (SELECT Id FROM SysObjects WHERE Name = 'Misc'))
CREATE UNIQUE INDEX MiscGroupCode ON Misc (GroupCode, Code)
GO

-- The company's settings: the row with Id 1.
--   RunYear              the working year (numbering series looked up when a screen opens)
--   OnhandDecimal        decimals of quantity texts; NULL or 0 shows what is significant
--   UnitLeft, UnitRight  written before and after a unit name in quantity texts
--   SearchProductMethod  product search: 0 name starts with, 1 name contains
--   ShowLastSearch       "Y": the product search starts with the last name searched
--   AutoGenGL            "Y": printing a document is followed by its journal voucher
--   RunConsoFlag         "Y" while a pick confirmation runs (one at a time)
--   MainCurrencyId       Misc row (group CURRENCY) of the main currency
IF NOT EXISTS (SELECT Id FROM SysObjects WHERE Name = 'Config')
CREATE TABLE Config (
    Id int NOT NULL CONSTRAINT PK_Config PRIMARY KEY,
    RunYear int NULL,
    OnhandDecimal int NULL,
    UnitLeft varchar(10) NULL,
    UnitRight varchar(10) NULL,
    SearchProductMethod int NULL,
    ShowLastSearch CharFlag,
    AutoGenGL CharFlag,
    RunConsoFlag CharFlag,
    MainCurrencyId int NULL
)
GO
-- The quantity-text settings, on databases made before them.
IF NOT EXISTS (SELECT Id FROM SysColumns WHERE Name = 'OnhandDecimal'
               AND Id = (SELECT Id FROM SysObjects WHERE Name = 'Config'))
ALTER TABLE Config ADD OnhandDecimal int NULL
GO
IF NOT EXISTS (SELECT Id FROM SysColumns WHERE Name = 'UnitLeft'
               AND Id = (SELECT Id FROM SysObjects WHERE Name = 'Config'))
ALTER TABLE Config ADD UnitLeft varchar(10) NULL
GO
IF NOT EXISTS (SELECT Id FROM SysColumns WHERE Name = 'UnitRight'
               AND Id = (SELECT Id FROM SysObjects WHERE Name = 'Config'))
ALTER TABLE Config ADD UnitRight varchar(10) NULL
GO
-- Without the settings row the screens see empty settings; a new database gets one.
IF NOT EXISTS (SELECT Id FROM Config WHERE Id = 1)
INSERT INTO Config (Id, RunYear, OnhandDecimal, UnitLeft, UnitRight, SearchProductMethod,
                    ShowLastSearch, AutoGenGL, RunConsoFlag, MainCurrencyId)
VALUES (1, YEAR(GETDATE()), NULL, NULL, NULL, 0, 'N', 'N', 'N', NULL)
GO

-- Numbering series: one row per document code and year. A number is the trimmed Prefix
-- followed by LastNo + 1, zero-filled to DocumentLength (prefix included); AutoRun "Y"
-- means the program numbers, otherwise the user types the number. NewDocumentNo draws.
IF NOT EXISTS (SELECT Id FROM SysObjects WHERE Name = 'DocumentNo')
CREATE TABLE DocumentNo (
    Id IdNo IDENTITY(1,1) NOT NULL CONSTRAINT PK_DocumentNo PRIMARY KEY,
    Code varchar(20) NOT NULL,
    DocYear int NOT NULL,
    Description varchar(100) NULL,
    Prefix char(10) NULL,
    LastNo int NOT NULL CONSTRAINT DF_DocumentNo_LastNo DEFAULT (0),
    DocumentLength int NOT NULL,
    AutoRun CharFlag,
    DocType CharFlag,
    UserCanModify CharFlag,
    LinkToDocument varchar(20) NULL
)
GO
IF NOT EXISTS (SELECT Id FROM SysIndexes WHERE Name = 'DocumentNoCodeYear'
               AND Id = (SELECT Id FROM SysObjects WHERE Name = 'DocumentNo'))
CREATE UNIQUE INDEX DocumentNoCodeYear ON DocumentNo (Code, DocYear)
GO

-- Redirects a document code in a year to another series (DocumentNo = the series' Id).
IF NOT EXISTS (SELECT Id FROM SysObjects WHERE Name = 'DocNoConvert')
CREATE TABLE DocNoConvert (
    Id IdNo IDENTITY(1,1) NOT NULL CONSTRAINT PK_DocNoConvert PRIMARY KEY,
    Code varchar(20) NOT NULL,
    DocYear int NOT NULL,
    DocumentNo int NOT NULL
)
GO
IF NOT EXISTS (SELECT Id FROM SysIndexes WHERE Name = 'DocNoConvertCodeYear'
               AND Id = (SELECT Id FROM SysObjects WHERE Name = 'DocNoConvert'))
CREATE UNIQUE INDEX DocNoConvertCodeYear ON DocNoConvert (Code, DocYear)
GO

-- What users did (UserAddLog). FunctionListId: 1 add, 2 edit, 5 print, 10 preview.
IF NOT EXISTS (SELECT Id FROM SysObjects WHERE Name = 'UserLog')
CREATE TABLE UserLog (
    Id IdNo IDENTITY(1,1) NOT NULL CONSTRAINT PK_UserLog PRIMARY KEY,
    LogDate datetime NOT NULL CONSTRAINT DF_UserLog_LogDate DEFAULT (GETDATE()),
    UserId int NULL,
    MenuId int NULL,
    FunctionListId int NULL,
    DocumentId int NULL,
    Remark varchar(100) NULL
)
GO
