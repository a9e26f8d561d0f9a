-- Company database: the tables and procedures the back-office client reads and calls.
-- OrderBranch and UserProdGroup are not here: the branch order screen creates them itself.
CREATE TYPE IdNo FROM int NOT NULL
GO
CREATE TYPE CharFlag FROM char(1) NULL
GO
CREATE TYPE Char80 FROM varchar(80) NULL
GO
CREATE TABLE Misc (
    Id int IDENTITY(1,1) NOT NULL PRIMARY KEY,
    GroupCode varchar(20) NOT NULL,
    Code varchar(20) NOT NULL,
    Description varchar(100) NULL
)
GO
CREATE TABLE Config (
    Id int NOT NULL PRIMARY KEY,
    CompanyName varchar(100) NULL,
    RunYear int NULL,
    OnhandDecimal int NULL,
    UnitLeft varchar(5) NULL,
    UnitRight varchar(5) NULL,
    SearchProductMethod int NULL,
    ShowLastSearch char(1) NULL,
    AutoGenGL char(1) NULL,
    RunConsoFlag char(1) NULL,
    MainCurrencyId int NULL
)
GO
CREATE TABLE DocumentNo (
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
)
GO
CREATE TABLE DocNoConvert (
    Id int IDENTITY(1,1) NOT NULL PRIMARY KEY,
    Code varchar(20) NOT NULL,
    DocYear int NOT NULL,
    DocumentNo int NOT NULL
)
GO
CREATE TABLE UserLog (
    Id int IDENTITY(1,1) NOT NULL PRIMARY KEY,
    LogDate datetime NOT NULL,
    UserId int NULL,
    MenuId int NULL,
    FunctionListId int NULL,
    DocumentId int NULL,
    Remark varchar(100) NULL
)
GO
CREATE TABLE Warehouse (
    Id int NOT NULL PRIMARY KEY,
    Code varchar(10) NOT NULL,
    Name varchar(100) NULL,
    WhType char(1) NULL
)
GO
CREATE TABLE Product (
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
)
GO
CREATE TABLE ProductUnits (
    Id int NOT NULL PRIMARY KEY,
    Product int NOT NULL,
    BarCode varchar(20) NULL,
    UnitName varchar(20) NULL,
    Fraction int NULL,
    AutoOrder char(1) NULL,
    SmallUnitFlag char(1) NULL,
    StockUnitFlag char(1) NULL
)
GO
CREATE INDEX ProductUnitsBarCode ON ProductUnits (BarCode)
GO
CREATE TABLE ProductManage (
    Id int IDENTITY(1,1) NOT NULL PRIMARY KEY,
    Product int NOT NULL,
    ProductUnits int NOT NULL,
    MinQnty int NULL,
    MaxQnty int NULL
)
GO
-- Stock per product unit, warehouse, year and period, in base units.
CREATE TABLE ProductOnhand (
    Id int IDENTITY(1,1) NOT NULL PRIMARY KEY,
    Product int NOT NULL,
    ProductUnits int NOT NULL,
    Warehouse int NOT NULL,
    BalanceYear int NOT NULL,
    PeriodNo int NOT NULL,
    Quantity decimal(18,4) NOT NULL DEFAULT (0)
)
GO
CREATE TABLE ProductPrice (
    Id int IDENTITY(1,1) NOT NULL PRIMARY KEY,
    ProductUnits int NOT NULL,
    PriceType int NOT NULL,
    Price money NOT NULL
)
GO
CREATE TABLE OracleConfig (
    BranchCode varchar(10) NOT NULL
)
GO
CREATE TABLE Customer (
    Id int NOT NULL PRIMARY KEY,
    Code varchar(20) NOT NULL,
    Name varchar(120) NULL,
    Blocked char(1) NULL
)
GO
CREATE TABLE Salesman (
    Id int NOT NULL PRIMARY KEY,
    Code varchar(20) NOT NULL,
    Name varchar(120) NULL
)
GO
-- Sales documents: invoices, two point-of-sale layouts, returns.
CREATE TABLE IvHd (
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
)
GO
CREATE TABLE IvDt (
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
)
GO
CREATE TABLE PosHd (
    Id int NOT NULL PRIMARY KEY,
    PosNo varchar(15) NULL,
    PosDate datetime NOT NULL,
    DelFlag char(1) NOT NULL DEFAULT ('N')
)
GO
CREATE TABLE PosDt (
    Id int NOT NULL PRIMARY KEY,
    PosHd int NOT NULL,
    Product int NULL,
    ProductUnits int NOT NULL,
    Quantity decimal(18,4) NOT NULL
)
GO
CREATE TABLE PosHeader (
    Id int NOT NULL PRIMARY KEY,
    PosNo varchar(15) NOT NULL,
    PosDate datetime NOT NULL,
    Customer int NULL,
    SoHd int NULL,
    CurrencyId int NULL,
    Rate float NULL DEFAULT (1),
    Total money NULL,
    DelFlag char(1) NOT NULL DEFAULT ('N')
)
GO
CREATE TABLE PosDetail (
    Id int NOT NULL PRIMARY KEY,
    PosHeader int NOT NULL,
    Product int NOT NULL,
    ProductUnits int NOT NULL,
    Quantity decimal(18,4) NOT NULL,
    Price money NULL,
    DiscAmount money NULL
)
GO
CREATE TABLE SrHd (
    Id int NOT NULL PRIMARY KEY,
    SrNo varchar(15) NOT NULL,
    SrDate datetime NOT NULL,
    Customer int NULL,
    CurrencyId int NULL,
    Rate float NULL DEFAULT (1),
    Total money NULL,
    DelFlag char(1) NOT NULL DEFAULT ('N')
)
GO
CREATE TABLE SrDt (
    Id int NOT NULL PRIMARY KEY,
    SrHd int NOT NULL,
    Product int NOT NULL,
    ProductUnits int NOT NULL,
    Quantity decimal(18,4) NOT NULL,
    Price money NULL,
    DiscountAmt money NULL
)
GO
-- Point-of-sale returns (the sales figures write PoSrHd, the sold-out upload PosrHd: one
-- table, names do not depend on letter case).
CREATE TABLE PoSrHd (
    Id int NOT NULL PRIMARY KEY,
    SrNo varchar(15) NOT NULL,
    SrDate datetime NOT NULL,
    CurrencyId int NULL,
    Rate float NULL DEFAULT (1),
    Total money NULL,
    DelFlag char(1) NOT NULL DEFAULT ('N')
)
GO
CREATE TABLE PoSrDt (
    Id int NOT NULL PRIMARY KEY,
    PoSrHd int NOT NULL,
    Product int NOT NULL,
    ProductUnits int NOT NULL,
    Quantity decimal(18,4) NOT NULL,
    Price money NULL,
    DiscountAmt money NULL
)
GO
-- Sales-order lines: the customers' open quantity.
CREATE TABLE SoDt (
    Id int NOT NULL PRIMARY KEY,
    SoHd int NOT NULL,
    Product int NOT NULL,
    Quantity decimal(18,4) NOT NULL,
    Fraction int NOT NULL,
    Clear char(1) NULL
)
GO
-- Branch order lines held at the distribution centre.
CREATE TABLE TranBranch (
    Id int IDENTITY(1,1) NOT NULL PRIMARY KEY,
    OrderNO varchar(15) NULL,
    OrderDate datetime NULL,
    PickNo varchar(15) NULL,
    PickDate datetime NULL,
    BranchCode varchar(10) NULL,
    ProdCode varchar(20) NULL,
    BarCode varchar(20) NULL,
    OrderQnty int NULL,
    SendQnty int NULL DEFAULT (0),
    TranSendQnty int NULL,
    UserPick int NULL,
    CloseOrder char(1) NULL,
    OrderType varchar(10) NULL,
    ResponsProdGroup varchar(20) NULL,
    Transfer char(1) NULL DEFAULT ('N'),
    OrderBranchId int NULL,
    BoxNo varchar(20) NULL,
    remark varchar(80) NULL,
    UpdateBranch char(1) NULL,
    Locations varchar(50) NULL,
    ProductManageNo varchar(15) NULL
)
GO
CREATE TABLE BranchPick (
    Id int IDENTITY(1,1) NOT NULL PRIMARY KEY,
    Days varchar(3) NOT NULL,
    BranchCode varchar(10) NOT NULL
)
GO
-- Distribution-centre stock by location.
CREATE TABLE ProductOnhandSend (
    Id int IDENTITY(1,1) NOT NULL PRIMARY KEY,
    ProdCode varchar(20) NOT NULL,
    BarCode varchar(20) NULL,
    Onhand decimal(18,4) NULL,
    WhZone varchar(10) NULL,
    WhCode varchar(20) NULL
)
GO
CREATE TABLE ProductOnhandSendDayly (
    ProdCode VarChar(20) NULL,
    WhStart VarChar(20) NULL,
    WhStop VarChar(20) NULL,
    CountWH Int NULL,
    AddDate DateTime NULL
)
GO
CREATE INDEX ProductOnhandSendDaylyIndexProdCode ON ProductOnhandSendDayly (ProdCode)
GO
-- Branches as the company database knows them (transfer notes refer to them by Id).
CREATE TABLE Branch (
    Id int NOT NULL PRIMARY KEY,
    BranchCode varchar(10) NOT NULL,
    BranchName varchar(100) NULL
)
GO
CREATE TABLE TranBranchHd (
    Id int NOT NULL PRIMARY KEY,
    DocNo varchar(15) NULL,
    TranType char(1) NOT NULL,
    Branch int NOT NULL
)
GO
CREATE TABLE TranBranchDt (
    Id int IDENTITY(1,1) NOT NULL PRIMARY KEY,
    TranBranchHd int NOT NULL,
    BoxNo varchar(20) NULL
)
GO
CREATE TABLE TransferCarHd (
    Id int NOT NULL PRIMARY KEY,
    DocNo varchar(15) NOT NULL,
    CarNo varchar(20) NOT NULL,
    Closed char(1) NULL
)
GO
CREATE TABLE TransferCarDt (
    Id int IDENTITY(1,1) NOT NULL PRIMARY KEY,
    TransferCarHd int NOT NULL,
    BoxNo varchar(20) NOT NULL
)
GO
CREATE TABLE OrderSarHd (
    Id int IDENTITY(1,1) NOT NULL PRIMARY KEY,
    Delflag char(1) NULL,
    Approved char(1) NULL,
    DocNo varchar(15) NOT NULL,
    DocDate datetime NULL,
    SCAUserCode varchar(20) NULL,
    DeliveryDate date NULL,
    RetailPrice int NULL,
    ReplenishmentType varchar(50) NULL,
    CreateDate datetime NULL,
    LastUpdate datetime NULL
)
GO
CREATE TABLE OrderSarDt (
    Id int IDENTITY(1,1) NOT NULL PRIMARY KEY,
    OrderSarHd int NOT NULL,
    RecNo int NOT NULL,
    AvgsalesAmountPerDay float NULL,
    TTStoreStockAmount float NULL,
    TTSARSuggest float NULL,
    TTSAROnSystem float NULL,
    ProductUnits int NULL,
    DCCurrentStock float NULL,
    BranchCode varchar(10) NULL,
    MinQnty int NULL,
    MaxQnty int NULL,
    StoreCurrentStock float NULL,
    SAROnSystem int NULL,
    SARSuggest int NULL,
    AdjustOrder int NULL,
    TTOrder int NULL,
    StoreDOH float NULL,
    DeliveryRate float NULL,
    TTPickingOrder float NULL,
    TTDeliveryRate float NULL,
    OnhandBranchPcs float NULL,
    AddDate datetime NULL,
    CreateDate datetime NULL DEFAULT (GETDATE()),
    LastUpdate datetime NULL
)
GO
CREATE TABLE SystemForm (
    Id int IDENTITY(1,1) NOT NULL PRIMARY KEY,
    FormOrderNo int NOT NULL,
    FormCode varchar(20) NOT NULL,
    FormDesc varchar(100) NULL,
    FrfName varchar(200) NULL,
    SpName varchar(100) NULL,
    DocCode varchar(20) NULL,
    DocParaName varchar(50) NULL,
    ShowPrintPreview char(1) NULL
)
GO
CREATE TABLE PrintRequest (
    Id int IDENTITY(1,1) NOT NULL PRIMARY KEY,
    DocNo varchar(20) NULL,
    DocYear int NULL,
    DocCode varchar(20) NULL,
    RequestDate datetime NULL
)
GO
-- Draws the next number of a series. A DocNoConvert row redirects a code to another series.
-- The number is the trimmed prefix and the counter, zero-filled to DocumentLength; the counter
-- after 999999 is 1 again.
CREATE PROCEDURE NewDocumentNo
    @DocCode varchar(20),
    @DocYear int,
    @NewNo varchar(30) OUTPUT
AS
BEGIN
    SET NOCOUNT ON
    DECLARE @Id int
    DECLARE @LastNo int
    DECLARE @Prefix varchar(10)
    DECLARE @Length int
    SET @NewNo = NULL
    SELECT @Id = D.Id
      FROM DocNoConvert V
     INNER JOIN DocumentNo D ON (D.Id = V.DocumentNo)
     WHERE V.Code = @DocCode AND V.DocYear = @DocYear
    IF @Id IS NULL
        SELECT @Id = Id FROM DocumentNo WHERE Code = @DocCode AND DocYear = @DocYear
    IF @Id IS NULL
    BEGIN
        RAISERROR('Document code has no numbering series for this year.', 16, 1)
        RETURN 1
    END
    BEGIN TRANSACTION
    UPDATE DocumentNo
       SET LastNo = (CASE WHEN LastNo = 999999 THEN 0 ELSE LastNo END) + 1
     WHERE Id = @Id
    SELECT @LastNo = LastNo, @Prefix = LTRIM(RTRIM(Prefix)), @Length = DocumentLength
      FROM DocumentNo
     WHERE Id = @Id
    COMMIT TRANSACTION
    SET @Prefix = COALESCE(@Prefix, '')
    SET @NewNo = @Prefix + RIGHT(REPLICATE('0', 20) + CONVERT(varchar(20), @LastNo), @Length - LEN(@Prefix))
    RETURN 0
END
GO
CREATE PROCEDURE UserAddLog
    @UserId int,
    @MenuId int,
    @FunctionListId int,
    @DocumentId int,
    @Remark varchar(100)
AS
BEGIN
    SET NOCOUNT ON
    INSERT INTO UserLog (LogDate, UserId, MenuId, FunctionListId, DocumentId, Remark)
    VALUES (GETDATE(), @UserId, @MenuId, @FunctionListId, @DocumentId, @Remark)
    RETURN 0
END
GO
CREATE PROCEDURE ServerTime
    @ServerTime datetime OUTPUT
AS
BEGIN
    SET @ServerTime = GETDATE()
    RETURN 0
END
GO
-- Hands a stored SAR order to the branch transfer lines: one open line per product and branch
-- with a quantity to send. Fails when the order or one of its product units is unknown.
CREATE PROCEDURE AddOrderSarHd2TranBranch
    @DocNo varchar(15)
AS
BEGIN
    SET NOCOUNT ON
    DECLARE @HdId int
    SELECT @HdId = Id FROM OrderSarHd WHERE DocNo = @DocNo
    IF @HdId IS NULL
    BEGIN
        RAISERROR('SAR order not found.', 16, 1)
        RETURN 1
    END
    IF EXISTS (SELECT D.Id
                 FROM OrderSarDt D
                 LEFT JOIN ProductUnits U ON (U.Id = D.ProductUnits)
                WHERE D.OrderSarHd = @HdId AND U.Id IS NULL)
    BEGIN
        RAISERROR('SAR order refers to an unknown product unit.', 16, 1)
        RETURN 1
    END
    DELETE FROM TranBranch WHERE OrderNO = @DocNo AND CloseOrder = 'N'
    INSERT INTO TranBranch (OrderNO, OrderDate, PickNo, PickDate, BranchCode, ProdCode, BarCode,
                            OrderQnty, SendQnty, UserPick, CloseOrder, OrderType, Transfer)
    SELECT H.DocNo, H.DeliveryDate, H.DocNo, H.DeliveryDate, D.BranchCode, P.Code, U.BarCode,
           D.TTOrder, 0, 0, 'N', 'SAR', 'N'
      FROM OrderSarDt D
     INNER JOIN OrderSarHd H ON (H.Id = D.OrderSarHd)
     INNER JOIN ProductUnits U ON (U.Id = D.ProductUnits)
     INNER JOIN Product P ON (P.Id = U.Product)
     WHERE D.OrderSarHd = @HdId AND D.TTOrder > 0
     ORDER BY D.RecNo
    RETURN 0
END
GO
-- Print procedure of the vehicle transfer document: records the request.
CREATE PROCEDURE SpPrintCarTran
    @No varchar(20),
    @DocYear int,
    @DocCode varchar(20),
    @NewDocNo varchar(20) OUTPUT
AS
BEGIN
    SET NOCOUNT ON
    INSERT INTO PrintRequest (DocNo, DocYear, DocCode, RequestDate)
    VALUES (@No, @DocYear, @DocCode, GETDATE())
    SET @NewDocNo = @No
    RETURN 0
END
GO
