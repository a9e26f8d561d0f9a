-- Exact decimals and money: every digit kept, SQL Server's result types and overflow errors.
PRINT '-- digits beyond a double'
SELECT CAST(12345678901234567.89 AS decimal(20, 2)) AS Wide, CAST(1234567890123.4567 AS decimal(20, 4)) * 3 AS Tripled,
       CAST(999999999999999.99 AS decimal(17, 2)) + 0.01 AS Carried
GO
PRINT '-- money at its limits'
SELECT CAST('922337203685477.5807' AS money) AS MoneyMax, CAST('-922337203685477.5808' AS money) AS MoneyMin,
       CAST('214748.3647' AS smallmoney) AS SmallMax, CAST(1.5 AS money) * CAST(1.5 AS money) AS Squared,
       CAST(7 AS money) / 2 AS Halved, CONVERT(varchar(30), CAST('922337203685477.5807' AS money), 1) AS Grouped
GO
SELECT CAST('922337203685477.5807' AS money) + CAST(0.0001 AS money) AS PastMax
GO
SELECT CAST('214748.3647' AS smallmoney) + CAST(1 AS smallmoney) AS PastSmallMax
GO
PRINT '-- a wide table'
CREATE TABLE Ledger (Id int NOT NULL, Amount decimal(20, 2) NOT NULL, Fee money NULL, Rate decimal(9, 4) NULL)
INSERT INTO Ledger VALUES (1, 9999999999999999.99, 1.5, 1.0001), (2, 9999999999999999.98, 2.25, 0.5),
                          (3, -9999999999999999.99, 0.0001, 2), (4, 0.01, NULL, NULL), (5, 0.01, 3, 1.0001)
SELECT Id, Amount FROM Ledger ORDER BY Amount DESC, Id
SELECT Amount, COUNT(*) AS N FROM Ledger GROUP BY Amount ORDER BY Amount
SELECT Id FROM Ledger WHERE Amount > 9999999999999999.98
SELECT Id FROM Ledger WHERE Amount = 9999999999999999.98 OR Amount BETWEEN -0.01 AND 0.01 ORDER BY Id
SELECT SUM(Amount) AS Total, SUM(Fee) AS Fees, AVG(Fee) AS AvgFee, AVG(Rate) AS AvgRate, MIN(Amount) AS Least
FROM Ledger WHERE Id <> 3
SELECT SUM(Amount) AS Total FROM Ledger
SELECT Rate, COUNT(*) AS N FROM Ledger WHERE Rate IS NOT NULL GROUP BY Rate ORDER BY Rate
GO
CREATE TABLE Till (Cash money NOT NULL, Coins decimal(5, 2) NULL)
INSERT INTO Till VALUES ('922337203685477.5807', 1), (1, 2)
SELECT SUM(Cash) AS TooMuch FROM Till
GO
INSERT INTO Till (Cash, Coins) VALUES (0, 1000)
GO
UPDATE Till SET Coins = Coins * 1000
GO
SELECT SUM(Coins) AS Coins, MAX(Cash) AS Most FROM Till
GO
PRINT '-- arithmetic keeps its type'
SELECT Amount * 2 AS Doubled, Amount / 4 AS Quarter, Fee * Rate AS FeeRate, Amount + Fee AS WithFee, -Amount AS Negated
FROM Ledger WHERE Id = 5
SELECT Amount * 2 AS Doubled, Amount - 0.01 AS Less FROM Ledger WHERE Id = 2
SELECT CAST(10 AS decimal(5, 2)) / CAST(3 AS decimal(5, 2)) AS Third, CAST(2 AS decimal(3, 0)) / 3 AS TwoThirds,
       CAST(1.25 AS decimal(4, 2)) * 2.5e0 AS AsFloat, CAST(1 AS decimal(5, 2)) / 3 + 0 AS Truncated,
       CAST(99.99 AS decimal(4, 2)) + 0.01 AS Grown, CAST(5.5 AS decimal(3, 1)) % 2 AS Modulo
GO
PRINT '-- conversions and functions'
SELECT CONVERT(varchar(30), Amount) AS AsText, CAST(Amount AS float) AS AsFloat, CAST(Fee AS int) AS FeeInt,
       CONVERT(varchar(20), Fee, 2) AS Fee4, STR(Fee, 10, 2) AS FeeStr, CAST(Rate AS decimal(9, 2)) AS RateRounded
FROM Ledger WHERE Id = 2
SELECT ROUND(CAST(2.675 AS decimal(5, 3)), 2) AS Rounded, ROUND(CAST(2.675 AS decimal(5, 3)), 2, 1) AS Cut,
       FLOOR(CAST(-2.5 AS decimal(5, 1))) AS Floored, CEILING(CAST(2.1 AS money)) AS CeilMoney,
       SIGN(CAST(-3 AS money)) AS SignMoney, ABS(CAST(-12345678901234567.89 AS decimal(20, 2))) AS Absolute
SELECT CAST(Amount AS decimal(18, 2)) AS Narrowed FROM Ledger WHERE Id = 2
GO
SELECT ROUND(CAST(9.99 AS decimal(3, 2)), 1) AS RoundedOver
GO
SELECT 1 AS v UNION ALL SELECT 2.5 UNION ALL SELECT CAST(0.125 AS decimal(4, 3)) ORDER BY v
GO
PRINT '-- beyond 64 bits: every digit up to 38'
SELECT CAST(99999999999999999999999999999999999999 AS decimal(38, 0)) AS Max38, -CAST(99999999999999999999 AS decimal(38, 0)) AS Negated,
       CAST('-123456789012345678901234567.1234567890' AS decimal(38, 10)) AS FromText, CAST(1e30 AS decimal(38, 0)) AS FromFloat
GO
SELECT CAST(1234567890123.4567 AS decimal(20, 4)) * CAST(1000000 AS decimal(20, 4)) AS Product,
       CAST(92233720368547758.07 AS decimal(20, 2)) + CAST(0.01 AS decimal(20, 2)) AS PastInt64,
       CAST(-92233720368547758.08 AS decimal(20, 2)) - CAST(0.01 AS decimal(20, 2)) AS BelowInt64
GO
SELECT CAST(99999999999999999999999999999999999999 AS decimal(38, 0)) + 1 AS Past38
GO
SELECT CAST(99999999999999999999999999999999999999 AS decimal(38, 0)) * 10 AS Times10
GO
SELECT CAST(12345678901234567890.12 AS decimal(21, 2)) AS TooNarrow
GO
SELECT CAST('1e30' AS decimal(38, 0)) AS Exponent
GO
PRINT '-- quotients and places beyond 4'
SELECT CAST(1 AS decimal(38, 10)) / 3 AS Third, CAST(10 AS decimal(20, 6)) / CAST(3 AS decimal(20, 6)) AS Q20,
       CAST(2 AS decimal(10, 2)) / CAST(3 AS decimal(10, 2)) AS Q10, CAST(-2 AS decimal(10, 2)) / CAST(3 AS decimal(10, 2)) AS NegQ,
       CAST(1.234567 AS decimal(20, 6)) * CAST(2.5 AS decimal(20, 6)) AS Places12
GO
SELECT CAST(12345678901234567890123456.5 AS decimal(38, 1)) / CAST(0.5 AS decimal(2, 1)) AS Doubled
GO
SELECT CAST(1 AS decimal(38, 0)) / CAST(0 AS decimal(38, 0)) AS ByZero
GO
PRINT '-- a table with wide and small values mixed'
CREATE TABLE Wide (Id int NOT NULL, V decimal(38, 10) NULL)
INSERT INTO Wide VALUES (1, 5), (2, -123456789012345678901234567.5), (3, 123456789012345678901234567.25), (4, NULL),
                        (5, -1), (6, 922337203.6854775808), (7, 5)
SELECT Id, V FROM Wide ORDER BY V, Id
SELECT Id, V AS Amount FROM Wide ORDER BY Amount DESC, Id
SELECT Id FROM Wide WHERE V > 0 ORDER BY Id
SELECT Id FROM Wide WHERE V < -100 ORDER BY Id
SELECT Id FROM Wide WHERE V BETWEEN -2 AND 1000000000 ORDER BY Id
SELECT Id FROM Wide WHERE V = -123456789012345678901234567.5
SELECT SUM(V) AS Total, AVG(V) AS Mean, MIN(V) AS Lo, MAX(V) AS Hi, COUNT(DISTINCT V) AS N, SUM(DISTINCT V) AS DistinctTotal FROM Wide
SELECT V, COUNT(*) AS N FROM Wide GROUP BY V ORDER BY V
SELECT DISTINCT V FROM Wide ORDER BY V DESC
SELECT Id, CONVERT(varchar(50), V) AS Text, ABS(V) AS AbsV, SIGN(V) AS Sg, FLOOR(V) AS Fl, CEILING(V) AS Ce, ROUND(V, -1) AS R
FROM Wide WHERE Id IN (2, 3, 6) ORDER BY Id
SELECT Id, STR(V, 30, 2) AS Str, CAST(V AS float) AS F, V + 1 AS Plus, V * 2 AS Twice FROM Wide WHERE Id IN (3, 6) ORDER BY Id
UPDATE Wide SET V = V * 10 WHERE Id = 3
SELECT V FROM Wide WHERE Id = 3
GO
UPDATE Wide SET V = V * 1000 WHERE Id = 3
GO
CREATE TABLE Thirds (V decimal(10, 0) NOT NULL)
INSERT INTO Thirds VALUES (1), (2), (2)
SELECT AVG(V) AS Mean, AVG(-V) AS NegMean FROM Thirds
GO
PRINT '-- SUM of money past its range'
CREATE TABLE Drawer (Amount money NOT NULL)
INSERT INTO Drawer VALUES (922337203685477.5807), (1)
SELECT SUM(DISTINCT Amount) AS DistinctTotal FROM Drawer
GO
SELECT SUM(Amount) AS Total FROM Drawer
GO
PRINT '-- a wide decimal into money is checked'
DECLARE @d decimal(19, 4) = 922337203685477.5808
DECLARE @m money = @d
SELECT @m AS M
GO
PRINT '-- remainders of wide values'
SELECT CAST(123456789012345678901234567 AS decimal(38, 0)) % 1000 AS R, CAST(-123456789012345678901.5 AS decimal(38, 1)) % CAST(7 AS decimal(5, 2)) AS NegR
GO
