-- Decimals of more than 18 digits through set operations: ORDER BY over UNION, UNION ALL,
-- INTERSECT and EXCEPT sorts by value (negative values past 64 bits included), by name, alias
-- and position, on several keys and DESC; duplicates meet whatever wrote the value.
SET NOCOUNT ON
CREATE TABLE W (a decimal(30, 2) NULL, n int NOT NULL)
INSERT INTO W VALUES (-99999999999999999999.5, 1), (5, 2), (-3, 3), (99999999999999999999.25, 4), (NULL, 5)
GO
PRINT '-- ORDER BY over set operations'
SELECT a FROM W UNION SELECT a FROM W ORDER BY a
SELECT a AS Amount, n FROM W UNION ALL SELECT a, n FROM W WHERE n < 3 ORDER BY Amount DESC, n
SELECT a, n FROM W UNION SELECT a, n + 10 FROM W WHERE n = 3 ORDER BY 1, 2 DESC
SELECT a FROM W INTERSECT SELECT a FROM W WHERE n <> 2 ORDER BY a
SELECT a FROM W EXCEPT SELECT a FROM W WHERE n = 2 ORDER BY 1 DESC
SELECT a FROM W WHERE a IS NOT NULL UNION ALL SELECT -a FROM W ORDER BY a
GO
PRINT '-- branches of up to 18 digits whose combined type is wider'
CREATE TABLE N18 (b decimal(18, 0) NOT NULL)
CREATE TABLE N10 (c decimal(10, 5) NOT NULL)
INSERT INTO N18 VALUES (-999999999999999999), (7)
INSERT INTO N10 VALUES (-12345.6789), (3.5), (7)
SELECT b AS V FROM N18 UNION SELECT c FROM N10 ORDER BY V
SELECT b AS V FROM N18 UNION ALL SELECT c FROM N10 ORDER BY 1 DESC
SELECT b AS V INTO Combined FROM N18 UNION SELECT c FROM N10 ORDER BY V
SELECT V FROM Combined WHERE V < 0 ORDER BY V
INSERT INTO Combined VALUES (NULL)
SELECT COUNT(*) AS N FROM Combined
GO
PRINT '-- one stored form per value, whatever wrote it'
CREATE TABLE T (a decimal(30, 2) NULL, how varchar(20) NOT NULL)
CREATE TABLE S (s decimal(10, 2) NOT NULL, w decimal(38, 10) NOT NULL)
INSERT INTO S VALUES (5, 12345678901234567890.5)
INSERT INTO T VALUES (5, 'values'), (12345678901234567890.5, 'values')
INSERT INTO T SELECT s, 'insert select' FROM S
INSERT INTO T SELECT w, 'insert select' FROM S
INSERT INTO T SELECT CAST(s AS decimal(38, 6)) * 1, 'product' FROM S
INSERT INTO T SELECT w * 1, 'product' FROM S
INSERT INTO T VALUES (NULL, 'update'), (NULL, 'update narrow')
UPDATE T SET a = (SELECT w / 1 FROM S) WHERE how = 'update'
UPDATE T SET a = (SELECT s FROM S) WHERE how = 'update narrow'
DECLARE @v decimal(38, 4) = 5, @x decimal(38, 4) = 12345678901234567890.5, @f float = 5
INSERT INTO T VALUES (@v, 'variable'), (@x, 'variable'), (@f, 'float'), ('5', 'text'), ('12345678901234567890.5', 'text')
EXEC sp_executesql N'INSERT INTO T VALUES (@p, ''sp_executesql'')', N'@p decimal(38, 3)', @p = 5
EXEC sp_executesql N'INSERT INTO T VALUES (@p, ''sp_executesql'')', N'@p decimal(38, 3)', @p = 12345678901234567890.5
GO
CREATE PROCEDURE KeepAmount @p decimal(25, 2), @o decimal(30, 2) OUTPUT AS
BEGIN
    INSERT INTO T VALUES (@p, 'procedure')
    SET @o = @p
END
GO
DECLARE @o decimal(30, 2)
EXEC KeepAmount 5, @o OUTPUT
INSERT INTO T VALUES (@o, 'output')
EXEC KeepAmount 12345678901234567890.5, @o OUTPUT
INSERT INTO T VALUES (@o, 'output')
SELECT a INTO T2 FROM T
SELECT a, COUNT(*) AS N FROM T GROUP BY a ORDER BY a
SELECT COUNT(DISTINCT a) AS D FROM T
SELECT a, COUNT(*) AS N FROM T2 GROUP BY a ORDER BY a
SELECT DISTINCT a FROM T ORDER BY a DESC
SELECT a FROM T UNION SELECT a FROM T2 ORDER BY a
SELECT how, COUNT(*) AS N FROM T WHERE a = 5 GROUP BY how ORDER BY how
GO
