-- Demo sales of a branch over the last six weeks, dated back from today: till receipts (the
-- bulk, 24 to 32 a day depending on the branch), receipts of a second till of the older
-- layout, invoices to credit customers (one hotel pays in US dollars), till returns, sales
-- returns, and two open sales orders. A few documents are cancelled. Nothing is dated
-- later than the moment the script runs.
--
-- Documents are numbered by kind, branch, day (yymmdd) and a counter, so each branch's
-- numbers are its own. Products and units come from branch_products.sql, picked by
-- arithmetic on the document and line number (a product's number is the last four digits
-- of its code); a line's price is the unit's retail price.
-- Each kind of document is only added to a branch that has none of that kind yet, so the
-- script can run again. $(BranchCode) is the branch's own code:
-- sqlcmd -b -f 65001 -v BranchCode=0001.

CREATE TABLE #Num (n int NOT NULL PRIMARY KEY)
INSERT INTO #Num (n)
SELECT a.d * 1000 + b.d * 100 + c.d * 10 + e.d
  FROM (SELECT 0 AS d UNION ALL SELECT 1 UNION ALL SELECT 2 UNION ALL SELECT 3 UNION ALL SELECT 4
        UNION ALL SELECT 5 UNION ALL SELECT 6 UNION ALL SELECT 7 UNION ALL SELECT 8 UNION ALL SELECT 9) a
 CROSS JOIN (SELECT 0 AS d UNION ALL SELECT 1 UNION ALL SELECT 2 UNION ALL SELECT 3 UNION ALL SELECT 4
        UNION ALL SELECT 5 UNION ALL SELECT 6 UNION ALL SELECT 7 UNION ALL SELECT 8 UNION ALL SELECT 9) b
 CROSS JOIN (SELECT 0 AS d UNION ALL SELECT 1 UNION ALL SELECT 2 UNION ALL SELECT 3 UNION ALL SELECT 4
        UNION ALL SELECT 5 UNION ALL SELECT 6 UNION ALL SELECT 7 UNION ALL SELECT 8 UNION ALL SELECT 9) c
 CROSS JOIN (SELECT 0 AS d UNION ALL SELECT 1 UNION ALL SELECT 2 UNION ALL SELECT 3 UNION ALL SELECT 4
        UNION ALL SELECT 5 UNION ALL SELECT 6 UNION ALL SELECT 7 UNION ALL SELECT 8 UNION ALL SELECT 9) e

-- The sellable units of each demo product: the smallest unit and the smallest pack, with
-- their retail prices.
CREATE TABLE #Sell (No int NOT NULL PRIMARY KEY, Product int NOT NULL, Drink int NOT NULL,
                    Unit int NOT NULL, Price decimal(18,4) NOT NULL,
                    PackUnit int NULL, PackFraction int NULL, PackPrice decimal(18,4) NULL)
INSERT INTO #Sell (No, Product, Drink, Unit, Price)
SELECT CONVERT(int, RIGHT(P.Code, 4)), P.Id, CASE WHEN P.ProdGroup = 'G02' THEN 1 ELSE 0 END,
       U.Id, COALESCE(R.Price, 0)
  FROM Product P
 INNER JOIN ProductUnits U ON (U.Product = P.Id AND U.Fraction = 1)
  LEFT JOIN ProductPrice R ON (R.ProductUnits = U.Id
                               AND R.PriceType = (SELECT T.Id FROM Misc T WHERE T.GroupCode = 'PRICETYPE' AND T.Code = '0'))
 WHERE LEN(P.Code) = 6
UPDATE #Sell
   SET PackFraction = (SELECT MIN(U.Fraction) FROM ProductUnits U WHERE U.Product = #Sell.Product AND U.Fraction > 1)
UPDATE #Sell
   SET PackUnit = (SELECT U.Id FROM ProductUnits U WHERE U.Product = #Sell.Product AND U.Fraction = #Sell.PackFraction),
       PackPrice = (SELECT R.Price FROM ProductUnits U
                     INNER JOIN ProductPrice R ON (R.ProductUnits = U.Id)
                     INNER JOIN Misc T ON (T.Id = R.PriceType AND T.GroupCode = 'PRICETYPE' AND T.Code = '0')
                     WHERE U.Product = #Sell.Product AND U.Fraction = #Sell.PackFraction)
 WHERE PackFraction IS NOT NULL
GO

-- Till receipts: from 08:00 to about 18:00 each day; one in three to the cash customer, the
-- others anonymous; one to five lines, drinks sold by the pack every other line.
IF EXISTS (SELECT Id FROM PosHeader) RETURN
DECLARE @Branch int
DECLARE @PerDay int
DECLARE @Today datetime
SET @Branch = CONVERT(int, '$(BranchCode)')
SET @PerDay = 20 + 4 * @Branch
SET @Today = CONVERT(datetime, CONVERT(date, GETDATE()))

CREATE TABLE #Doc (n int NOT NULL PRIMARY KEY, DocNo varchar(15) NOT NULL, DocDate datetime NOT NULL)
INSERT INTO #Doc (n, DocNo, DocDate)
SELECT N.n,
       'R$(BranchCode)' + CONVERT(char(6), @Today - N.n / @PerDay, 12) + RIGHT('000' + CONVERT(varchar(3), N.n % @PerDay), 3),
       DATEADD(minute, 480 + (N.n % @PerDay) * 600 / @PerDay + (N.n * 7) % 17, @Today - N.n / @PerDay)
  FROM #Num N
 WHERE N.n < 42 * @PerDay
DELETE FROM #Doc WHERE DocDate > GETDATE()

INSERT INTO PosHeader (PosNo, PosDate, Customer, SoHd, CurrencyId, Rate, Total, DelFlag)
SELECT D.DocNo, D.DocDate,
       CASE WHEN D.n % 3 = 0 THEN (SELECT C.Id FROM Customer C WHERE C.Code = 'C0000') END, NULL,
       (SELECT M.Id FROM Misc M WHERE M.GroupCode = 'CURRENCY' AND M.Code = 'THB'), 1, 0,
       CASE WHEN D.n % 97 = 13 THEN 'Y' ELSE 'N' END
  FROM #Doc D
 ORDER BY D.n
INSERT INTO PosDetail (PosHeader, Product, ProductUnits, Quantity, Price, DiscAmount)
SELECT H.Id, S.Product,
       CASE WHEN S.Drink = 1 AND S.PackUnit IS NOT NULL AND (D.n + K.n) % 2 = 0 THEN S.PackUnit ELSE S.Unit END,
       1 + (D.n + K.n) % 3,
       CASE WHEN S.Drink = 1 AND S.PackUnit IS NOT NULL AND (D.n + K.n) % 2 = 0 THEN S.PackPrice ELSE S.Price END,
       CASE WHEN (D.n + K.n) % 11 = 0 THEN 1 ELSE 0 END
  FROM #Doc D
 INNER JOIN PosHeader H ON (H.PosNo = D.DocNo)
 INNER JOIN #Num K ON (K.n <= D.n % 5)
 INNER JOIN #Sell S ON (S.No = (D.n * 37 + K.n * 53 + @Branch * 11) % 320)
 ORDER BY D.n, K.n
UPDATE PosHeader
   SET Total = (SELECT SUM(D.Quantity * D.Price - D.DiscAmount) FROM PosDetail D WHERE D.PosHeader = PosHeader.Id)
DROP TABLE #Doc
GO

-- The second till, older layout: three receipts a day in the afternoon, one or two lines.
IF EXISTS (SELECT Id FROM PosHd) RETURN
DECLARE @Branch int
DECLARE @Today datetime
SET @Branch = CONVERT(int, '$(BranchCode)')
SET @Today = CONVERT(datetime, CONVERT(date, GETDATE()))

CREATE TABLE #Doc (n int NOT NULL PRIMARY KEY, DocNo varchar(15) NOT NULL, DocDate datetime NOT NULL)
INSERT INTO #Doc (n, DocNo, DocDate)
SELECT N.n, 'T2$(BranchCode)' + CONVERT(char(6), @Today - N.n / 3, 12) + RIGHT('00' + CONVERT(varchar(2), N.n % 3), 2),
       DATEADD(minute, 780 + (N.n % 3) * 95, @Today - N.n / 3)
  FROM #Num N
 WHERE N.n < 42 * 3
DELETE FROM #Doc WHERE DocDate > GETDATE()

INSERT INTO PosHd (PosNo, PosDate, Total, DelFlag)
SELECT D.DocNo, D.DocDate, 0, 'N' FROM #Doc D ORDER BY D.n
INSERT INTO PosDt (PosHd, Product, ProductUnits, Quantity, Price)
SELECT H.Id, S.Product, S.Unit, 1 + K.n, S.Price
  FROM #Doc D
 INNER JOIN PosHd H ON (H.PosNo = D.DocNo)
 INNER JOIN #Num K ON (K.n <= D.n % 2)
 INNER JOIN #Sell S ON (S.No = (D.n * 71 + K.n * 29 + @Branch * 7) % 320)
 ORDER BY D.n, K.n
UPDATE PosHd
   SET Total = (SELECT SUM(D.Quantity * D.Price) FROM PosDt D WHERE D.PosHd = PosHd.Id)
DROP TABLE #Doc
GO

-- Invoices: two a day to the credit customers, by the pack where there is one; every tenth
-- goes to the hotel in US dollars.
IF EXISTS (SELECT Id FROM IvHd) RETURN
DECLARE @Branch int
DECLARE @Today datetime
SET @Branch = CONVERT(int, '$(BranchCode)')
SET @Today = CONVERT(datetime, CONVERT(date, GETDATE()))

CREATE TABLE #Doc (n int NOT NULL PRIMARY KEY, DocNo varchar(15) NOT NULL, DocDate datetime NOT NULL,
                   Customer varchar(20) NOT NULL, Rate decimal(18,6) NOT NULL)
INSERT INTO #Doc (n, DocNo, DocDate, Customer, Rate)
SELECT N.n, 'IV$(BranchCode)' + CONVERT(char(6), @Today - N.n / 2, 12) + RIGHT('00' + CONVERT(varchar(2), N.n % 2), 2),
       DATEADD(minute, 600 + (N.n % 2) * 240, @Today - N.n / 2),
       CASE WHEN N.n % 10 = 4 THEN 'C1004' ELSE 'C100' + CONVERT(varchar(1), 1 + N.n % 3) END,
       CASE WHEN N.n % 10 = 4 THEN 34.5 ELSE 1 END
  FROM #Num N
 WHERE N.n < 42 * 2
DELETE FROM #Doc WHERE DocDate > GETDATE()

INSERT INTO IvHd (IvNo, IvDate, Customer, SalesMan, IvType, NotCutStock, CurrencyId, Rate, Total, DelFlag)
SELECT D.DocNo, D.DocDate, (SELECT C.Id FROM Customer C WHERE C.Code = D.Customer),
       CASE WHEN D.n % 3 = 2 THEN NULL ELSE (SELECT S.Id FROM Salesman S WHERE S.Code = 'S0' + CONVERT(varchar(1), 1 + D.n % 2)) END,
       'A', 'N',
       (SELECT M.Id FROM Misc M WHERE M.GroupCode = 'CURRENCY' AND M.Code = CASE WHEN D.Rate = 1 THEN 'THB' ELSE 'USD' END),
       D.Rate, 0, CASE WHEN D.n % 29 = 7 THEN 'Y' ELSE 'N' END
  FROM #Doc D
 ORDER BY D.n
INSERT INTO IvDt (IvHd, Product, ProductUnits, Quantity, Fraction, Price, DiscountAmt, SoDt, IvdtB)
SELECT H.Id, S.Product, COALESCE(S.PackUnit, S.Unit), 1 + (D.n + K.n) % 4, COALESCE(S.PackFraction, 1),
       ROUND(COALESCE(S.PackPrice, S.Price) / D.Rate, 2), CASE WHEN K.n = 0 AND D.Rate = 1 THEN 5 ELSE 0 END,
       NULL, NULL
  FROM #Doc D
 INNER JOIN IvHd H ON (H.IvNo = D.DocNo)
 INNER JOIN #Num K ON (K.n < 3 + D.n % 4)
 INNER JOIN #Sell S ON (S.No = (D.n * 43 + K.n * 61 + @Branch * 5) % 320)
 ORDER BY D.n, K.n
UPDATE IvHd
   SET Total = (SELECT SUM(D.Quantity * D.Price - D.DiscountAmt) FROM IvDt D WHERE D.IvHd = IvHd.Id)
DROP TABLE #Doc
GO

-- Till returns: one every other day, one item each.
IF EXISTS (SELECT Id FROM PoSrHd) RETURN
DECLARE @Branch int
DECLARE @Today datetime
SET @Branch = CONVERT(int, '$(BranchCode)')
SET @Today = CONVERT(datetime, CONVERT(date, GETDATE()))

CREATE TABLE #Doc (n int NOT NULL PRIMARY KEY, DocNo varchar(15) NOT NULL, DocDate datetime NOT NULL)
INSERT INTO #Doc (n, DocNo, DocDate)
SELECT N.n, 'PR$(BranchCode)' + CONVERT(char(6), @Today - N.n * 2, 12) + '1',
       DATEADD(minute, 690 + N.n * 13, @Today - N.n * 2)
  FROM #Num N
 WHERE N.n < 21
DELETE FROM #Doc WHERE DocDate > GETDATE()

INSERT INTO PoSrHd (SrNo, SrDate, PosHeader, CurrencyId, Rate, Total, DelFlag)
SELECT D.DocNo, D.DocDate, NULL, (SELECT M.Id FROM Misc M WHERE M.GroupCode = 'CURRENCY' AND M.Code = 'THB'),
       1, 0, 'N'
  FROM #Doc D
 ORDER BY D.n
INSERT INTO PoSrDt (PoSrHd, Product, ProductUnits, Quantity, Price, DiscountAmt)
SELECT H.Id, S.Product, S.Unit, 1, S.Price, 0
  FROM #Doc D
 INNER JOIN PoSrHd H ON (H.SrNo = D.DocNo)
 INNER JOIN #Sell S ON (S.No = (D.n * 41 + @Branch * 3) % 320)
UPDATE PoSrHd
   SET Total = (SELECT SUM(D.Quantity * D.Price - D.DiscountAmt) FROM PoSrDt D WHERE D.PoSrHd = PoSrHd.Id)
DROP TABLE #Doc
GO

-- Sales returns: one a week from a credit customer, two items; the oldest is cancelled.
IF EXISTS (SELECT Id FROM SrHd) RETURN
DECLARE @Branch int
DECLARE @Today datetime
SET @Branch = CONVERT(int, '$(BranchCode)')
SET @Today = CONVERT(datetime, CONVERT(date, GETDATE()))

CREATE TABLE #Doc (n int NOT NULL PRIMARY KEY, DocNo varchar(15) NOT NULL, DocDate datetime NOT NULL)
INSERT INTO #Doc (n, DocNo, DocDate)
SELECT N.n, 'SR$(BranchCode)' + CONVERT(char(6), @Today - 3 - N.n * 7, 12) + '1',
       DATEADD(minute, 900, @Today - 3 - N.n * 7)
  FROM #Num N
 WHERE N.n < 6

INSERT INTO SrHd (SrNo, SrDate, Customer, IvHd, CurrencyId, Rate, Total, DelFlag)
SELECT D.DocNo, D.DocDate, (SELECT C.Id FROM Customer C WHERE C.Code = 'C100' + CONVERT(varchar(1), 1 + D.n % 2)),
       NULL, (SELECT M.Id FROM Misc M WHERE M.GroupCode = 'CURRENCY' AND M.Code = 'THB'), 1, 0,
       CASE WHEN D.n = 5 THEN 'Y' ELSE 'N' END
  FROM #Doc D
 ORDER BY D.n
INSERT INTO SrDt (SrHd, Product, ProductUnits, Quantity, Price, DiscountAmt)
SELECT H.Id, S.Product, S.Unit, 1 + K.n, S.Price, 0
  FROM #Doc D
 INNER JOIN SrHd H ON (H.SrNo = D.DocNo)
 INNER JOIN #Num K ON (K.n < 2)
 INNER JOIN #Sell S ON (S.No = (D.n * 59 + K.n * 17 + @Branch) % 320)
UPDATE SrHd
   SET Total = (SELECT SUM(D.Quantity * D.Price - D.DiscountAmt) FROM SrDt D WHERE D.SrHd = SrHd.Id)
DROP TABLE #Doc
GO

-- Two sales orders still open: the customers wait for these goods.
IF EXISTS (SELECT Id FROM SoHd) RETURN
DECLARE @Branch int
DECLARE @Today datetime
SET @Branch = CONVERT(int, '$(BranchCode)')
SET @Today = CONVERT(datetime, CONVERT(date, GETDATE()))

INSERT INTO SoHd (SoNo, SoDate, Customer, SalesMan, DelFlag)
SELECT 'SO$(BranchCode)' + CONVERT(char(6), @Today - 1 - N.n, 12) + '1', DATEADD(minute, 570, @Today - 1 - N.n),
       (SELECT C.Id FROM Customer C WHERE C.Code = 'C100' + CONVERT(varchar(1), 2 + N.n)),
       (SELECT S.Id FROM Salesman S WHERE S.Code = 'S01'), 'N'
  FROM #Num N
 WHERE N.n < 2
INSERT INTO SoDt (SoHd, Product, ProductUnits, Quantity, Fraction, Clear)
SELECT H.Id, S.Product, COALESCE(S.PackUnit, S.Unit), 5 + K.n * 5, COALESCE(S.PackFraction, 1), 'N'
  FROM SoHd H
 INNER JOIN #Num K ON (K.n < 2)
 INNER JOIN #Sell S ON (S.No = (H.Id * 97 + K.n * 31 + @Branch) % 320)
GO

DROP TABLE #Sell
DROP TABLE #Num
GO
