-- Numeric functions, money and decimal text styles, ISNUMERIC and numbers as text.
PRINT '-- round'
SELECT ROUND(123.456, 2) AS Two, ROUND(123.456, 0) AS Zero, ROUND(123.456, -1) AS Tens,
       ROUND(123.456, -2) AS Hundreds, ROUND(748.58, -4) AS TooFar, ROUND(1234, -2) AS IntHundreds
SELECT ROUND(123.9994, 3) AS Down, ROUND(123.9995, 3) AS Up, ROUND(2.5, 0) AS Half,
       ROUND(-2.5, 0) AS NegHalf, ROUND(150.75, 0) AS Rounded, ROUND(150.75, 0, 1) AS Truncated,
       ROUND(123.456, 2, 1) AS TruncTwo, ROUND(CAST(2.5 AS float), 0) AS FloatHalf
GO
PRINT '-- abs, ceiling, floor, sign, power, sqrt'
SELECT ABS(-5) AS AbsInt, ABS(-1.50) AS AbsDec, ABS(NULL) AS AbsNull, CEILING(123.45) AS Ceil,
       CEILING(-123.45) AS CeilNeg, FLOOR(123.45) AS Flo, FLOOR(-123.45) AS FloNeg,
       CEILING(CAST(1.2 AS float)) AS CeilFloat, FLOOR(7) AS FloInt
SELECT SIGN(-3) AS Sgn, SIGN(0) AS SgnZero, POWER(2, 10) AS Pow, SQRT(16) AS Root
GO
PRINT '-- money and decimal as text'
DECLARE @m money, @n money, @d decimal(10, 2)
SET @m = 1234567.891
SET @n = -1234.5
SET @d = 1234.5
SELECT CONVERT(varchar(20), @m, 0) AS M0, CONVERT(varchar(20), @m, 1) AS M1,
       CONVERT(varchar(20), @m, 2) AS M2, CONVERT(varchar(20), @n, 1) AS NegM1,
       CAST(@m AS varchar(20)) AS MCast, CONVERT(varchar(20), CAST(12 AS money), 1) AS Small
SELECT CONVERT(varchar(20), @d, 0) AS D0, CONVERT(varchar(20), @d, 1) AS D1, CAST(@d AS varchar(20)) AS DCast,
       LTRIM(STR(@d, 10, 2)) AS ViaStr
GO
PRINT '-- isnumeric'
SELECT ISNUMERIC('123') AS Int, ISNUMERIC('-12.5') AS Dec, ISNUMERIC('abc') AS Word, ISNUMERIC('') AS Empty,
       ISNUMERIC('$5') AS Currency, ISNUMERIC('1e5') AS Exponent, ISNUMERIC('1,000') AS Grouped,
       ISNUMERIC(',') AS Comma, ISNUMERIC('-') AS Minus, ISNUMERIC(' 12 ') AS Blanks, ISNUMERIC(NULL) AS NullArg
GO
PRINT '-- numbers as text'
SELECT CAST(123 AS varchar(10)) AS IntText, CAST(-1.50 AS varchar(10)) AS DecText,
       CAST(1.5E0 AS varchar(10)) AS FloatText, CAST(12345 AS varchar(3)) AS TooShort,
       CONVERT(varchar(10), 1234.5) AS ConvertDec, CAST(0.5 AS varchar) AS Half,
       CAST(CAST(10 AS decimal(5, 2)) AS varchar) AS Scaled, 'No. ' + CAST(7 AS varchar(5)) AS Label
GO
PRINT '-- divide by zero'
SELECT 10 / 0 AS X
GO
PRINT '-- POWER keeps the type of its first argument'
SELECT POWER(2, -100.0) AS IntegerResult, POWER(CAST(2.0 AS int), -100.0) AS IntegerResult,
       POWER(2.0, -100.0) AS Decimal1Result, POWER(2.00, -100.0) AS Decimal2Result,
       POWER(CAST(2.0 AS decimal(5,2)), -100.0) AS Decimal2Result
SELECT POWER(2, 1) AS P1, POWER(2, 2) AS P2, POWER(2, 3) AS P3, POWER(2, 4) AS P4
GO
