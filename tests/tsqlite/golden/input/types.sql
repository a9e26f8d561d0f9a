-- Types: implicit conversion and precedence, integer and decimal arithmetic, strings, NULL,
-- bit, money, decimal rounding, float, and the conversion errors with their texts.
PRINT '-- precedence decides between adding and concatenating'
SELECT '12' + 1 AS StrPlusInt, '1.5' + 1.0 AS StrPlusDec, 'ab' + 'cd' AS StrPlusStr,
       'a ' + 'b' AS InnerBlank, CAST('ab' AS char(4)) + 'x' AS CharPadding, 1 + 1.5E0 AS IntPlusFloat
SELECT CASE WHEN '10' > 9 THEN 'number' ELSE 'text' END AS StrVsInt,
       CASE WHEN '10' < '9' THEN 'text' ELSE 'number' END AS StrVsStr
GO
SELECT 1 + '1.5' AS X
GO
SELECT 'abc' + 1 AS X
GO
SELECT '5' * '2' AS X
GO
PRINT '-- integer division and remainder'
SELECT 7 / 2 AS IntDiv, 7 / 2.0 AS IntByDec, 7.0 / 2 AS DecByInt, -7 / 2 AS NegDiv,
       7 % 3 AS Modulo, -7 % 3 AS NegModulo
DECLARE @d decimal(5, 2)
SET @d = 7 / 2
SELECT @d AS AssignedAfterIntDiv
GO
PRINT '-- decimal arithmetic keeps the scale the types give'
SELECT 3 * 1.25 AS IntTimesDec, 1.10 + 2.005 AS Sum3,
       CAST(2 AS decimal(5, 2)) * CAST(3 AS decimal(5, 2)) AS Product,
       CAST(10 AS decimal(5, 2)) / 4 AS Quotient
GO
PRINT '-- NULL'
SELECT NULL + 1 AS NullPlusInt, 'a' + NULL AS StrPlusNull, ISNULL(NULL, 'x') AS IsNullX,
       COALESCE(NULL, NULL, 3) AS Coalesced, NULLIF(5, 5) AS NullIfSame, NULLIF(5, 6) AS NullIfDiff
SELECT CASE WHEN NULL = NULL THEN 'equal' ELSE 'unknown' END AS NullEqualsNull
GO
PRINT '-- bit'
SELECT CAST(5 AS bit) AS Five, CAST(0 AS bit) AS Zero, CAST(-1 AS bit) AS MinusOne,
       CAST('true' AS bit) AS TrueText, CAST('FALSE' AS bit) AS FalseText, CAST(NULL AS bit) AS NullBit
GO
SELECT CAST('yes' AS bit) AS X
GO
PRINT '-- money'
SELECT CAST(10 AS money) / 3 AS Third, CAST(1.23456 AS money) AS Rounded,
       CAST(10 AS money) * CAST(1.5 AS money) AS Product, CAST(1 AS money) / CAST(3 AS money) AS MoneyByMoney,
       CAST(2.5 AS smallmoney) AS Small
GO
PRINT '-- decimal rounding on CAST and on store'
SELECT CAST(2.345 AS decimal(5, 2)) AS Up, CAST(2.344 AS decimal(5, 2)) AS Down,
       CAST(-2.345 AS decimal(5, 2)) AS NegUp, CAST(123.456 AS decimal(4, 1)) AS OnePlace,
       CAST('7.125' AS decimal(6, 2)) AS FromText, CAST(5 AS decimal(4, 2)) AS FromInt
CREATE TABLE Amount (A decimal(6, 2) NOT NULL, N numeric(4) NULL)
INSERT INTO Amount VALUES (1.005, 2.5), (2.004, -2.5), (-1.005, 1234.49)
SELECT A, N FROM Amount ORDER BY A
DROP TABLE Amount
GO
PRINT '-- float'
SELECT CAST(1.5 AS float) AS F, CAST(1 AS float) / 4 AS Quarter, CAST(2.5 AS real) AS R,
       CAST(CAST(123.5 AS float) AS varchar(20)) AS ShortText,
       CONVERT(varchar(30), CAST(1234567.891 AS float)) AS LongText
GO
PRINT '-- silent truncation on assignment'
DECLARE @v varchar(3), @c char(3)
SET @v = 'abcdef'
SET @c = 'xyz123'
SELECT @v AS V, @c AS C, CAST('abcdef' AS varchar(2)) AS CastCut
GO
PRINT '-- len and datalength'
DECLARE @c char(10), @nc nchar(5), @v varchar(10), @nv nvarchar(10)
SET @c = 'abc'
SET @nc = N'ab'
SET @v = 'abc  '
SET @nv = N'abc'
SELECT LEN(@c) AS LenChar, DATALENGTH(@c) AS BytesChar, LEN(@nc) AS LenNChar,
       DATALENGTH(@nc) AS BytesNChar, LEN(@v) AS LenVar, DATALENGTH(@v) AS BytesVar,
       DATALENGTH(@nv) AS BytesNVar, DATALENGTH(12) AS BytesInt, LEN(12345) AS LenInt
GO
PRINT '-- conversion errors'
GO
SELECT CAST('abc' AS int) AS X
GO
SELECT CAST('abc' AS decimal(5, 2)) AS X
GO
SELECT CAST('abc' AS float) AS X
GO
SELECT CAST('hello' AS datetime) AS X
GO
SELECT CAST('2024-02-30' AS datetime) AS X
GO
SELECT CAST(2147483647 AS int) + 1 AS X
GO
SELECT CAST(123.45 AS decimal(3, 1)) AS X
GO
SELECT CAST(1000 AS decimal(3, 0)) AS X
GO
DECLARE @t tinyint
SET @t = 255
SELECT @t + 1 AS Widened
GO
PRINT '-- TRY_CAST and TRY_CONVERT give NULL where the value does not convert'
GO
SELECT TRY_CAST('abc' AS int) AS NotANumber, TRY_CONVERT(int, '12') AS Number,
       TRY_CAST('hello' AS datetime) AS NotADate, TRY_CONVERT(decimal(5, 2), '123456') AS TooWide,
       TRY_CONVERT(int, 3000000000) AS Overflow, TRY_CONVERT(char(10), CAST('2024-01-05' AS datetime), 103) AS Styled
GO
CREATE TABLE #TryConvert (V varchar(20))
INSERT INTO #TryConvert VALUES ('1'), ('x'), ('99999999999'), (NULL)
SELECT V, TRY_CONVERT(int, V) AS I, TRY_CAST(V AS bigint) AS B FROM #TryConvert
DROP TABLE #TryConvert
GO
