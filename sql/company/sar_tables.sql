-- Distribution centre's company database, SAR orders: the orders made from replenishment
-- spreadsheets (OrderSarHd, one line per product and branch in OrderSarDt) and the procedure
-- that hands a stored order on to the branch order lines picked at the centre (TranBranch).
-- Needs common_tables.sql, product_tables.sql and picking_tables.sql first.
--
-- Re-runnable: every create first looks in the catalog, and the procedure is created once as
-- an empty shell and then given its body with ALTER.
-- Run on SQL Server with sqlcmd -b -f 65001 (the file is UTF-8).

-- One row per SAR order. DocNo is "SAR", the delivery week and a sequence within that week.
IF NOT EXISTS (SELECT Id FROM SysObjects WHERE Name = 'OrderSarHd')
CREATE TABLE OrderSarHd (
    Id IdNo IDENTITY(1,1) NOT NULL CONSTRAINT PK_OrderSarHd PRIMARY KEY,
    Delflag CharFlag,
    Approved CharFlag,
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
-- Two workstations that drew the same number must not both store it: the second one's save
-- fails and rolls back instead of taking over the first one's order.
IF NOT EXISTS (SELECT Id FROM SysIndexes WHERE Name = 'OrderSarHdDocNo'
               AND Id = (SELECT Id FROM SysObjects WHERE Name = 'OrderSarHd'))
CREATE UNIQUE INDEX OrderSarHdDocNo ON OrderSarHd (DocNo)
GO

-- One row per product unit and branch of an order, numbered by RecNo within it.
IF NOT EXISTS (SELECT Id FROM SysObjects WHERE Name = 'OrderSarDt')
CREATE TABLE OrderSarDt (
    Id IdNo IDENTITY(1,1) NOT NULL CONSTRAINT PK_OrderSarDt PRIMARY KEY,
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
    CreateDate datetime NULL CONSTRAINT DF_OrderSarDt_CreateDate DEFAULT (GETDATE()),
    LastUpdate datetime NULL
)
GO
IF NOT EXISTS (SELECT Id FROM SysIndexes WHERE Name = 'OrderSarDtHd'
               AND Id = (SELECT Id FROM SysObjects WHERE Name = 'OrderSarDt'))
CREATE INDEX OrderSarDtHd ON OrderSarDt (OrderSarHd, RecNo)
GO

-- The weekly pick plan, for databases that have the SAR orders without the picking tables.
IF NOT EXISTS (SELECT Id FROM SysObjects WHERE Name = 'BranchPick')
CREATE TABLE BranchPick (
    Id IdNo IDENTITY(1,1) NOT NULL CONSTRAINT PK_BranchPick PRIMARY KEY,
    Days varchar(3) NOT NULL,
    BranchCode varchar(10) NOT NULL
)
GO

IF NOT EXISTS (SELECT Id FROM SysObjects WHERE Name = 'AddOrderSarHd2TranBranch')
    EXEC ('CREATE PROCEDURE AddOrderSarHd2TranBranch AS RETURN 0')
GO
-- Hands a stored SAR order to the branch order lines of the centre: one open line (status
-- "N", not transferred, no pick number, so that pick planning offers it) per product and
-- branch whose order quantity is above 0, in the order's line order. OrderBranchId keeps the
-- order line the branch line came from. Handing the same order over again replaces its lines
-- that no pick has taken yet; once a pick has taken one, the order cannot be handed over
-- again. Runs inside the caller's transaction and fails by raising an error, leaving the
-- caller to roll back.
ALTER PROCEDURE AddOrderSarHd2TranBranch
    @DocNo varchar(15)
AS
BEGIN
    SET NOCOUNT ON
    DECLARE @HdId int
    SELECT @HdId = Id FROM OrderSarHd WHERE DocNo = @DocNo
    IF @HdId IS NULL
    BEGIN
        RAISERROR('SAR order %s does not exist.', 16, 1, @DocNo)
        RETURN 1
    END
    IF EXISTS (SELECT D.Id
                 FROM OrderSarDt D
                 LEFT JOIN ProductUnits U ON (U.Id = D.ProductUnits)
                 LEFT JOIN Product P ON (P.Id = U.Product)
                WHERE D.OrderSarHd = @HdId AND D.TTOrder > 0
                  AND (P.Id IS NULL OR U.BarCode IS NULL))
    BEGIN
        RAISERROR('SAR order %s orders a product unit that does not exist.', 16, 1, @DocNo)
        RETURN 1
    END
    IF EXISTS (SELECT Id FROM TranBranch
                WHERE OrderNO = @DocNo AND OrderType = 'SAR' AND PickNo IS NOT NULL)
    BEGIN
        RAISERROR('SAR order %s has already been picked.', 16, 1, @DocNo)
        RETURN 1
    END
    DELETE FROM TranBranch WHERE OrderNO = @DocNo AND OrderType = 'SAR'
    INSERT INTO TranBranch (OrderNO, OrderDate, PickNo, PickDate, BranchCode, ProdCode, BarCode,
                            OrderQnty, SendQnty, CloseOrder, OrderType, Transfer, OrderBranchId,
                            UpdateBranch)
    SELECT H.DocNo, H.DocDate, NULL, NULL, D.BranchCode, P.Code, U.BarCode,
           D.TTOrder, 0, 'N', 'SAR', 'N', D.Id, 'Y'
      FROM OrderSarDt D
     INNER JOIN OrderSarHd H ON (H.Id = D.OrderSarHd)
     INNER JOIN ProductUnits U ON (U.Id = D.ProductUnits)
     INNER JOIN Product P ON (P.Id = U.Product)
     WHERE D.OrderSarHd = @HdId AND D.TTOrder > 0 AND LTRIM(RTRIM(D.BranchCode)) <> ''
     ORDER BY D.RecNo
    RETURN 0
END
GO
