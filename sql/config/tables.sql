-- Configuration database (QARN_CONFIG_NWX, or QARN_CONFIG on older sites): companies and
-- their databases, menu entries, users and their rights, branches, the error log.
--
-- Re-runnable: every create first looks in SysObjects / SysIndexes, so running the script
-- on a database that already has everything changes nothing. Thai texts are kept in
-- varchar columns; on SQL Server create the database with a Thai collation
-- (Thai_CI_AS), as the client's data is code page 874.
--
-- Menu.Version and UserName.UserSeeImport / UserSeeCost are not created here: the client
-- adds them itself with its upgrade script after every connect.
-- Run on SQL Server with sqlcmd -b -f 65001 (the file is UTF-8).

IF NOT EXISTS (SELECT Id FROM SysObjects WHERE Name = 'Company')
CREATE TABLE Company (
    Id int NOT NULL CONSTRAINT PK_Company PRIMARY KEY,
    Code varchar(10) NOT NULL,
    Password varchar(20) NULL,
    NameThai varchar(120) NULL,
    NameEng varchar(120) NULL,
    ShortName varchar(20) NULL,
    Address1 varchar(100) NULL,
    Address2 varchar(100) NULL,
    Address3 varchar(100) NULL,
    Address4 varchar(100) NULL,
    Province varchar(50) NULL,
    Zip varchar(10) NULL,
    Telephone varchar(50) NULL,
    Fax varchar(50) NULL,
    EMail varchar(100) NULL,
    Logo image NULL,
    TaxNo varchar(20) NULL,
    InstallDate datetime NULL,
    RunYear int NULL,
    LocalServer varchar(50) NULL,
    FUNDNAME varchar(100) NULL,
    TaxBranchHead char(1) NULL,
    TaxBranchCode varchar(5) NULL,
    TaxBranchName varchar(100) NULL
)
GO

-- The databases of each company on this server. DatabaseName is what the menu host passes
-- as the company database code; one name belongs to one company only, since the company
-- lookup reads it as a single value.
IF NOT EXISTS (SELECT Id FROM SysObjects WHERE Name = 'DatabaseList')
CREATE TABLE DatabaseList (
    Id int IDENTITY(1,1) NOT NULL CONSTRAINT PK_DatabaseList PRIMARY KEY,
    Company int NOT NULL,
    DatabaseName varchar(128) NOT NULL,
    Description varchar(100) NULL,
    YearNo int NULL
)
GO
IF NOT EXISTS (SELECT Id FROM SysIndexes WHERE Name = 'DatabaseListName'
               AND Id = (SELECT Id FROM SysObjects WHERE Name = 'DatabaseList'))
CREATE UNIQUE INDEX DatabaseListName ON DatabaseList (DatabaseName)
GO

IF NOT EXISTS (SELECT Id FROM SysObjects WHERE Name = 'CompanyConfig')
CREATE TABLE CompanyConfig (
    Company int NOT NULL CONSTRAINT PK_CompanyConfig PRIMARY KEY,
    PicturePath varchar(200) NULL,
    Public_Price_IE char(1) NULL,
    DefaultWh int NULL,
    POS1_Wh int NULL,
    POS1_TaxCode varchar(10) NULL,
    POS1_Price_IE char(1) NULL,
    POS1_PriceType int NULL,
    POS1_SumDetail char(1) NULL,
    DefaultPosComPort varchar(10) NULL,
    DefaultTax decimal(5,2) NULL,
    DefaultPosMenuId int NULL
)
GO

-- Menu entries of the suite. An entry that starts a program has a Command; MenuOption
-- carries what the menu host passes on to it (for the back-office client: the module number).
IF NOT EXISTS (SELECT Id FROM SysObjects WHERE Name = 'Menu')
CREATE TABLE Menu (
    Id int NOT NULL CONSTRAINT PK_Menu PRIMARY KEY,
    ParentId int NULL,
    Caption varchar(100) NULL,
    Command varchar(200) NULL,
    MenuOption varchar(50) NULL
)
GO

-- Users. LanguageNo 1 is Thai, anything else English.
IF NOT EXISTS (SELECT Id FROM SysObjects WHERE Name = 'UserName')
CREATE TABLE UserName (
    Id int NOT NULL CONSTRAINT PK_UserName PRIMARY KEY,
    Code varchar(20) NOT NULL,
    Password varchar(50) NULL,
    FullName varchar(100) NULL,
    LanguageNo int NULL,
    EditSalePrice char(1) NULL,
    Approve_Quo char(1) NULL,
    Approve_SO char(1) NULL,
    Approve_IV char(1) NULL,
    Approve_PO char(1) NULL,
    Approved_PORQ char(1) NULL,
    ApproveTranWH char(1) NULL,
    ApproveTranBranch char(1) NULL,
    ApproveWorkOrder char(1) NULL,
    CanSeeCost char(1) NULL,
    CanSeeSalePrice char(1) NULL,
    CanModifyCusSale char(1) NULL,
    Approve_PreIs char(1) NULL,
    ApproveCustomerDropUse char(1) NULL,
    ApproveCustomerDropCredit char(1) NULL,
    Saleman int NULL,
    CanModifyCredit char(1) NULL,
    CanSetProductBlock char(1) NULL,
    CanSetProductMinus char(1) NULL,
    CanSaleCreditOnReturnCheque char(1) NULL,
    CanSetOtherUserPass char(1) NULL,
    Approve_PoLevel1 char(1) NULL,
    Approve_PoLevel2 char(1) NULL,
    Approve_PoLevel3 char(1) NULL,
    GroupId int NULL
)
GO
IF NOT EXISTS (SELECT Id FROM SysIndexes WHERE Name = 'UserNameCode'
               AND Id = (SELECT Id FROM SysObjects WHERE Name = 'UserName'))
CREATE UNIQUE INDEX UserNameCode ON UserName (Code)
GO

-- A user's rights on a menu entry: "Y" grants, anything else does not. No row, no right.
IF NOT EXISTS (SELECT Id FROM SysObjects WHERE Name = 'UserRight')
CREATE TABLE UserRight (
    UserId int NOT NULL,
    MenuId int NOT NULL,
    Access_R char(1) NULL,
    Add_R char(1) NULL,
    Modify_R char(1) NULL,
    Delete_R char(1) NULL,
    CONSTRAINT PK_UserRight PRIMARY KEY (UserId, MenuId)
)
GO

-- Branches of the chain. ServerName is the name of the branch's own database, Server the
-- server that holds it; StopDatabase "N" marks an active branch. DC001 is the distribution
-- centre itself.
IF NOT EXISTS (SELECT Id FROM SysObjects WHERE Name = 'Branch')
CREATE TABLE Branch (
    Id int IDENTITY(1,1) NOT NULL CONSTRAINT PK_Branch PRIMARY KEY,
    BranchNo varchar(3) NOT NULL,
    BranchCode varchar(10) NOT NULL,
    BranchName varchar(100) NULL,
    StopDatabase char(1) NULL CONSTRAINT DF_Branch_StopDatabase DEFAULT ('N'),
    Storeregion varchar(20) NULL,
    ServerName varchar(128) NULL,
    Serverbranch varchar(50) NULL,
    Server varchar(128) NULL,
    SoldOutLastUpdate datetime NULL
)
GO
IF NOT EXISTS (SELECT Id FROM SysIndexes WHERE Name = 'BranchBranchCode'
               AND Id = (SELECT Id FROM SysObjects WHERE Name = 'Branch'))
CREATE UNIQUE INDEX BranchBranchCode ON Branch (BranchCode)
GO

IF NOT EXISTS (SELECT Id FROM SysObjects WHERE Name = 'softwareconfig')
CREATE TABLE softwareconfig (
    Id int NOT NULL CONSTRAINT PK_softwareconfig PRIMARY KEY,
    SoftwareName varchar(50) NULL,
    Version varchar(20) NULL,
    LastUpdate datetime NULL
)
GO

-- Errors the clients report (AddErrorLog). The message is kept whole, however long.
IF NOT EXISTS (SELECT Id FROM SysObjects WHERE Name = 'ErrorLog')
CREATE TABLE ErrorLog (
    Id int IDENTITY(1,1) NOT NULL CONSTRAINT PK_ErrorLog PRIMARY KEY,
    LogDate datetime NOT NULL CONSTRAINT DF_ErrorLog_LogDate DEFAULT (GETDATE()),
    CompName varchar(128) NULL,
    LogName varchar(128) NULL,
    UserId int NULL,
    MenuId int NULL,
    ErrorMsg varchar(max) NULL
)
GO
