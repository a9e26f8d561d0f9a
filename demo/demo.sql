-- Demo of the embedded server: a small branch-order database, its numbering procedure and
-- a few reports. run.sh runs it on a fresh server in ./server-demo.
CREATE DATABASE Demo
GO
USE Demo
GO
CREATE TABLE Branch (
    BranchCode varchar(10) NOT NULL PRIMARY KEY,
    BranchName nvarchar(20) NOT NULL
)
CREATE TABLE DocumentNo (
    Id int IDENTITY(1, 1) NOT NULL PRIMARY KEY,
    Code varchar(20) NOT NULL,
    DocYear int NOT NULL,
    Prefix varchar(5) NOT NULL,
    LastNo int NOT NULL DEFAULT 0
)
CREATE TABLE OrderBranch (
    Id int IDENTITY(1, 1) NOT NULL PRIMARY KEY,
    OrderNo varchar(12) NOT NULL,
    BranchCode varchar(10) NOT NULL,
    OrderDate datetime NOT NULL,
    ProductName nvarchar(24) NOT NULL,
    Qty decimal(9, 2) NOT NULL,
    Price money NOT NULL
)
GO
-- Draws the next number of a series: 'OB' + two-digit year + '-' + five-digit running number.
-- The update takes the write lock first, so two callers never get the same number.
CREATE PROCEDURE NewDocumentNo
    @DocCode varchar(20),
    @DocYear int,
    @NewNo varchar(12) OUTPUT
AS
BEGIN
    SET NOCOUNT ON
    DECLARE @Next int, @Prefix varchar(5)
    BEGIN TRANSACTION
    IF NOT EXISTS (SELECT * FROM DocumentNo WHERE Code = @DocCode AND DocYear = @DocYear)
        INSERT INTO DocumentNo (Code, DocYear, Prefix, LastNo)
        VALUES (@DocCode, @DocYear, 'OB', 0)
    UPDATE DocumentNo SET LastNo = LastNo + 1 WHERE Code = @DocCode AND DocYear = @DocYear
    SELECT @Next = LastNo, @Prefix = Prefix
    FROM DocumentNo WHERE Code = @DocCode AND DocYear = @DocYear
    COMMIT TRANSACTION
    SET @NewNo = @Prefix + RIGHT(CONVERT(varchar(4), @DocYear), 2) + '-'
        + RIGHT('00000' + CONVERT(varchar(10), @Next), 5)
END
GO
INSERT INTO Branch (BranchCode, BranchName) VALUES ('B001', N'สาขาสีลม')
INSERT INTO Branch (BranchCode, BranchName) VALUES ('B002', N'สาขาเชียงใหม่')
INSERT INTO Branch (BranchCode, BranchName) VALUES ('B003', N'สาขาขอนแก่น')
GO
SET NOCOUNT ON
DECLARE @No varchar(12)
EXEC NewDocumentNo 'ORD-BRANCH', 2024, @No OUTPUT
INSERT INTO OrderBranch (OrderNo, BranchCode, OrderDate, ProductName, Qty, Price)
VALUES (@No, 'B001', '20240115 09:30', N'น้ำดื่ม 600 มล.', 24, 7.50)
INSERT INTO OrderBranch (OrderNo, BranchCode, OrderDate, ProductName, Qty, Price)
VALUES (@No, 'B001', '20240115 09:30', N'ข้าวหอมมะลิ 5 กก.', 10, 189)
EXEC NewDocumentNo 'ORD-BRANCH', 2024, @No OUTPUT
INSERT INTO OrderBranch (OrderNo, BranchCode, OrderDate, ProductName, Qty, Price)
VALUES (@No, 'B002', '20240203 14:05', N'น้ำปลา 700 มล.', 12, 35.25)
EXEC NewDocumentNo 'ORD-BRANCH', 2024, @No OUTPUT
INSERT INTO OrderBranch (OrderNo, BranchCode, OrderDate, ProductName, Qty, Price)
VALUES (@No, 'B003', '20240203 16:40', N'ไข่ไก่ เบอร์ 2 (30 ฟอง)', 5, 120)
PRINT 'Last order number: ' + @No
SET NOCOUNT OFF
GO
-- Orders with dates in British style (103), the weekday and the amount of each line.
SELECT o.OrderNo, b.BranchName, CONVERT(varchar(10), o.OrderDate, 103) AS OrderDate,
       CONVERT(varchar(9), DATENAME(weekday, o.OrderDate)) AS WeekDay, o.ProductName, o.Qty,
       o.Price, CONVERT(decimal(10, 2), o.Qty * o.Price) AS Amount
FROM OrderBranch o
JOIN Branch b ON b.BranchCode = o.BranchCode
ORDER BY o.Id
GO
-- Totals per branch; branches without orders show NULL.
SELECT b.BranchCode, b.BranchName, COUNT(o.Id) AS Lines,
       CONVERT(decimal(12, 2), SUM(o.Qty * o.Price)) AS Total
FROM Branch b
LEFT JOIN OrderBranch o ON o.BranchCode = b.BranchCode
GROUP BY b.BranchCode, b.BranchName
ORDER BY b.BranchCode
GO
-- Orders per month, with the first day in ISO style (112) and ODBC style (120).
SELECT CONVERT(varchar(9), DATENAME(month, OrderDate)) AS Month, COUNT(DISTINCT OrderNo) AS Orders,
       CONVERT(varchar(8), MIN(OrderDate), 112) AS FirstDay,
       CONVERT(varchar(19), MIN(OrderDate), 120) AS FirstOrderAt
FROM OrderBranch
GROUP BY DATENAME(month, OrderDate), MONTH(OrderDate)
ORDER BY MONTH(OrderDate)
GO
SELECT Code, DocYear, Prefix, LastNo FROM DocumentNo
GO
