-- Demo orders of a branch to the distribution centre: the product groups each demo user
-- orders, and seven stored orders of the last six weeks whose rows carry every status code,
-- so the status report shows every colour.
--
-- OrderBranch and UserProdGroup belong to the branch order screen: its set-up script
-- creates them, with these definitions, the first time the screen opens on a database. The
-- demo needs stored orders before that, so this script creates them the same way; the
-- screen then finds them and changes nothing.
-- Orders are only added to a branch that has none, so the script can run again.
-- Run on SQL Server with sqlcmd -b -f 65001 (the file is UTF-8).

If Not Exists (select Id from SysObjects Where Name = 'OrderBranch')
  Create Table OrderBranch
  (Id IdNo identity(1,1) not null,
   OrderNO Char(15),
   OrderDate DateTime,
   TranBranchNo Char(15),
   TranBranchDate DateTime null,
   Product IdNo,
   ProductUnits IdNo,
   SaleQnty Int,
   MinQnty Int,
   OrderQnty Int,
   Onhand Int,
   Transfer CharFlag,
   TransferDate DateTime null,
   ReceivedQnty Int,
   ReceivedDate DateTime null,
   BackOrder Int null,
   UserId IdNo,
   CloseOrder CharFlag,
   Remark Char80 null,
   CarNO Char(10) null)
GO
If Not Exists (Select Id from sysindexes Where Name = 'OrderBranchIdNo')
  Create Index OrderBranchIdNo On OrderBranch (OrderNO)
GO
If Not Exists (Select Id from sysindexes Where Name = 'OrderBranchCloseOrder')
  Create Index OrderBranchCloseOrder On OrderBranch (CloseOrder)
GO
If Not Exists (Select Id from sysindexes Where Name = 'OrderBranchBarCode')
  Create Index OrderBranchBarCode On OrderBranch (ProductUnits)
GO
If Not Exists (Select Id From SysObjects Where Name = 'UserProdGroup')
  Create Table UserProdGroup
  (Id IdNo identity(1,1) not null,
   UserId IdNo,
   ProdGroup Char(10))
GO

-- User 1 orders food and drinks, user 2 everything else.
INSERT INTO UserProdGroup (UserId, ProdGroup)
SELECT X.UserId, X.ProdGroup
  FROM (SELECT 1 AS UserId, 'G01' AS ProdGroup UNION ALL SELECT 1, 'G02' UNION ALL SELECT 1, 'G03'
        UNION ALL SELECT 1, 'G07' UNION ALL SELECT 2, 'G04' UNION ALL SELECT 2, 'G05'
        UNION ALL SELECT 2, 'G06' UNION ALL SELECT 2, 'G08') X
 WHERE NOT EXISTS (SELECT G.Id FROM UserProdGroup G WHERE G.UserId = X.UserId AND G.ProdGroup = X.ProdGroup)
GO

-- The orders, oldest first: who saved them, how many days ago, whether they were sent to the
-- head office, and the status codes their rows take in turn. The two newest wait to be sent
-- and can still be changed. Each order holds the managed units of its user's groups whose
-- product number (the last four digits of the code) falls in its share.
IF EXISTS (SELECT Id FROM OrderBranch) RETURN
DECLARE @Today datetime
SET @Today = CONVERT(datetime, CONVERT(date, GETDATE()))

CREATE TABLE #Plan (k int NOT NULL PRIMARY KEY, UserId int NOT NULL, DaysAgo int NOT NULL,
                    Sent char(1) NOT NULL, Statuses varchar(10) NOT NULL)
INSERT INTO #Plan (k, UserId, DaysAgo, Sent, Statuses) VALUES
    (1, 1, 40, 'Y', 'Y'), (2, 2, 33, 'Y', 'YCO'), (3, 1, 26, 'Y', 'TWX'), (4, 2, 19, 'Y', 'ABP'),
    (5, 1, 12, 'Y', 'POBA'), (6, 1, 5, 'N', 'N'), (7, 2, 2, 'N', 'N')

CREATE TABLE #Row (k int NOT NULL, No int NOT NULL, Product int NOT NULL, ProductUnits int NOT NULL,
                   OrderDate datetime NOT NULL, UserId int NOT NULL, Sent char(1) NOT NULL,
                   Status char(1) NOT NULL, SaleQnty int NOT NULL, Onhand int NOT NULL,
                   MinQnty int NOT NULL, OrderQnty int NOT NULL, PRIMARY KEY (k, ProductUnits))
INSERT INTO #Row (k, No, Product, ProductUnits, OrderDate, UserId, Sent, Status, SaleQnty, Onhand,
                  MinQnty, OrderQnty)
SELECT L.k, CONVERT(int, RIGHT(P.Code, 4)), M.Product, M.ProductUnits,
       DATEADD(minute, 570, @Today - L.DaysAgo), L.UserId, L.Sent,
       SUBSTRING(L.Statuses, 1 + (CONVERT(int, RIGHT(P.Code, 4)) + CONVERT(int, RIGHT(P.Code, 4)) / 8)
                                 % LEN(L.Statuses), 1),
       3 + CONVERT(int, RIGHT(P.Code, 4)) % 10, (CONVERT(int, RIGHT(P.Code, 4)) * 3) % M.MinQnty,
       M.MinQnty - (CONVERT(int, RIGHT(P.Code, 4)) * 3) % M.MinQnty,
       CASE WHEN L.k = 6 AND CONVERT(int, RIGHT(P.Code, 4)) % 4 = 1 THEN 0 ELSE M.MinQnty END
  FROM #Plan L
 INNER JOIN UserProdGroup G ON (G.UserId = L.UserId)
 INNER JOIN Product P ON (P.ProdGroup = G.ProdGroup)
 INNER JOIN ProductManage M ON (M.Product = P.Id)
 WHERE LEN(P.Code) = 6
   AND (CONVERT(int, RIGHT(P.Code, 4)) / 8) % 7 = L.k - 1
   AND CONVERT(int, RIGHT(P.Code, 4)) % 3 <> 0

INSERT INTO OrderBranch (OrderNO, OrderDate, TranBranchNo, TranBranchDate, Product, ProductUnits,
                         SaleQnty, MinQnty, OrderQnty, Onhand, Transfer, TransferDate, ReceivedQnty,
                         ReceivedDate, BackOrder, UserId, CloseOrder, Remark, CarNO)
SELECT 'No' + RIGHT('0000000000' + CONVERT(varchar(10), R.k), 10), R.OrderDate,
       CASE WHEN R.Status IN ('W', 'T', 'Y', 'C')
            THEN 'TB' + CONVERT(char(6), R.OrderDate + 2, 12) + RIGHT('00' + CONVERT(varchar(2), R.k), 2)
            ELSE '' END,
       CASE WHEN R.Status IN ('W', 'T', 'Y', 'C') THEN R.OrderDate + 2 END,
       R.Product, R.ProductUnits, R.SaleQnty, R.MinQnty, R.OrderQnty, R.Onhand, R.Sent,
       CASE WHEN R.Sent = 'Y' THEN DATEADD(hour, 2, R.OrderDate) END,
       CASE R.Status WHEN 'Y' THEN R.OrderQnty WHEN 'C' THEN R.OrderQnty / 2 ELSE 0 END,
       CASE WHEN R.Status IN ('Y', 'C') THEN R.OrderDate + 3 END,
       CASE WHEN R.Status IN ('Y', 'C', 'X') THEN 0 ELSE R.OrderQnty END,
       R.UserId, R.Status,
       CASE R.Status WHEN 'O' THEN 'สินค้าหมดที่คลัง DC'
                     WHEN 'C' THEN 'ส่งได้บางส่วน ยกเลิกส่วนที่เหลือ'
                     WHEN 'X' THEN 'ยกเลิกการจัดสินค้า'
                     WHEN 'B' THEN 'รอจัดรอบถัดไป'
                     WHEN 'A' THEN 'รอประกอบสินค้า'
                     WHEN 'W' THEN 'รอรถขนส่งรอบบ่าย' END,
       CASE WHEN R.Status IN ('T', 'Y', 'C') THEN CASE WHEN R.k % 2 = 0 THEN '3กข 4512' ELSE '81-2207' END END
  FROM #Row R
 ORDER BY R.k, R.ProductUnits

-- One row of the first order came in with two pieces more than ordered: its awaited
-- quantity went below 0.
UPDATE OrderBranch
   SET ReceivedQnty = OrderQnty + 2, BackOrder = -2
 WHERE Id = (SELECT MIN(Id) FROM OrderBranch WHERE OrderNO = 'No0000000001')

-- The numbering goes on after the stored orders.
UPDATE DocumentNo
   SET LastNo = (SELECT MAX(k) FROM #Plan)
 WHERE Code = 'ORD-BRANCH' AND DocYear = YEAR(GETDATE()) AND LastNo < (SELECT MAX(k) FROM #Plan)

DROP TABLE #Row
DROP TABLE #Plan
GO
