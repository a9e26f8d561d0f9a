-- Configuration database as older installations have it: Menu without Version and
-- UserName without UserSeeImport/UserSeeCost (the client's upgrade script adds them).
CREATE TABLE Company (
    Id int NOT NULL PRIMARY KEY,
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
CREATE TABLE DatabaseList (
    Id int IDENTITY(1,1) NOT NULL PRIMARY KEY,
    Company int NOT NULL,
    DatabaseName varchar(50) NOT NULL,
    Description varchar(100) NULL,
    YearNo int NULL
)
GO
CREATE TABLE CompanyConfig (
    Company int NOT NULL PRIMARY KEY,
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
CREATE TABLE Menu (
    Id int NOT NULL PRIMARY KEY,
    ParentId int NULL,
    Caption varchar(100) NULL,
    Command varchar(200) NULL,
    MenuOption varchar(50) NULL
)
GO
CREATE TABLE UserName (
    Id int NOT NULL PRIMARY KEY,
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
CREATE TABLE UserRight (
    UserId int NOT NULL,
    MenuId int NOT NULL,
    Access_R char(1) NULL,
    Add_R char(1) NULL,
    Modify_R char(1) NULL,
    Delete_R char(1) NULL,
    PRIMARY KEY (UserId, MenuId)
)
GO
CREATE TABLE Branch (
    Id int IDENTITY(1,1) NOT NULL PRIMARY KEY,
    BranchNo varchar(3) NOT NULL,
    BranchCode varchar(10) NOT NULL,
    BranchName varchar(100) NULL,
    StopDatabase char(1) NULL,
    Storeregion varchar(20) NULL,
    ServerName varchar(50) NULL,
    Serverbranch varchar(50) NULL,
    Server varchar(50) NULL,
    SoldOutLastUpdate datetime NULL
)
GO
CREATE TABLE softwareconfig (
    Id int NOT NULL PRIMARY KEY,
    SoftwareName varchar(50) NULL,
    Version varchar(20) NULL,
    LastUpdate datetime NULL
)
GO
CREATE TABLE ErrorLog (
    Id int IDENTITY(1,1) NOT NULL PRIMARY KEY,
    LogDate datetime NOT NULL DEFAULT (GETDATE()),
    CompName varchar(50) NULL,
    LogName varchar(50) NULL,
    UserId int NULL,
    MenuId int NULL,
    ErrorMsg varchar(4000) NULL
)
GO
-- Caption of a menu entry and the user's rights on it. Anything not granted comes back 'N'.
CREATE PROCEDURE MENUCAPTION
    @MENUID int,
    @USERID int,
    @CAPTION varchar(100) OUTPUT,
    @ACCESS_R char(1) OUTPUT,
    @ADD_R char(1) OUTPUT,
    @MODIFY_R char(1) OUTPUT,
    @DELETE_R char(1) OUTPUT,
    @USERCODE varchar(20) OUTPUT,
    @SALESID int OUTPUT
AS
BEGIN
    SET NOCOUNT ON
    SET @CAPTION = ''
    SET @USERCODE = ''
    SET @SALESID = 0
    SET @ACCESS_R = 'N'
    SET @ADD_R = 'N'
    SET @MODIFY_R = 'N'
    SET @DELETE_R = 'N'
    SELECT @CAPTION = Caption FROM Menu WHERE Id = @MENUID
    SELECT @USERCODE = Code, @SALESID = COALESCE(Saleman, 0) FROM UserName WHERE Id = @USERID
    SELECT @ACCESS_R = COALESCE(Access_R, 'N'),
           @ADD_R = COALESCE(Add_R, 'N'),
           @MODIFY_R = COALESCE(Modify_R, 'N'),
           @DELETE_R = COALESCE(Delete_R, 'N')
      FROM UserRight
     WHERE UserId = @USERID AND MenuId = @MENUID
    RETURN 0
END
GO
CREATE PROCEDURE AddErrorLog
    @CompName varchar(50),
    @LogName varchar(50),
    @UserId int,
    @MenuId int,
    @ErrorMsg varchar(4000)
AS
BEGIN
    SET NOCOUNT ON
    INSERT INTO ErrorLog (LogDate, CompName, LogName, UserId, MenuId, ErrorMsg)
    VALUES (GETDATE(), @CompName, @LogName, @UserId, @MenuId, @ErrorMsg)
    RETURN 0
END
GO
