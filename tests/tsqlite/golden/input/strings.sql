-- String functions, Thai text, and comparisons that ignore letter case and trailing blanks.
PRINT '-- left, right, substring'
SELECT LEFT('abcdef', 3) AS L, RIGHT('abcdef', 2) AS R, LEFT('ab', 5) AS LongLeft,
       LEFT(NULL, 2) AS NullLeft, SUBSTRING('abcdef', 2, 3) AS Mid, SUBSTRING('abcdef', 0, 3) AS FromZero,
       SUBSTRING('abcdef', 5, 10) AS PastEnd, '[' + SUBSTRING('abc', 10, 2) + ']' AS Beyond
GO
PRINT '-- trimming, case, length'
SELECT '[' + LTRIM('  ab  ') + ']' AS LTrimmed, '[' + RTRIM('  ab  ') + ']' AS RTrimmed,
       UPPER('aBc') AS Up, LOWER('AbC') AS Low, LEN('ab  ') AS TrailingBlanks, LEN('  ab') AS LeadingBlanks,
       LEN('') AS Empty, LEN(NULL) AS NullLen
GO
PRINT '-- replace, charindex, patindex'
SELECT REPLACE('Hello hello', 'HELLO', 'bye') AS NoCase, REPLACE('aaa', 'a', 'bb') AS Grow,
       REPLACE('abc', 'b', '') AS Remove, REPLACE('abc', 'x', 'y') AS NoMatch
SELECT CHARINDEX('c', 'abcabc') AS First, CHARINDEX('c', 'abcabc', 4) AS FromFour,
       CHARINDEX('C', 'abc') AS NoCase, CHARINDEX('z', 'abc') AS Missing, CHARINDEX('bc', 'abcabc') AS Word
SELECT PATINDEX('%[0-9]%', 'abc123') AS Digit, PATINDEX('%xyz%', 'abc') AS Missing,
       PATINDEX('b%', 'abc') AS Anchored, PATINDEX('%C%', 'abc') AS NoCase, PATINDEX('%[^a-z]%', 'abc-d') AS NotLetter
GO
PRINT '-- str'
SELECT '[' + STR(123.456) + ']' AS Plain, '[' + STR(123.456, 8, 2) + ']' AS TwoPlaces,
       '[' + STR(-1.6) + ']' AS Negative, '[' + STR(2.6) + ']' AS RoundsUp
SELECT '[' + STR(123.45, 6, 1) + ']' AS Six, '[' + STR(123.45, 2, 2) + ']' AS Stars,
       '[' + STR(12345678901) + ']' AS TooWide, '[' + STR(FLOOR(123.45), 8, 3) + ']' AS Floored,
       '[' + STR(123.45, 5, 2) + ']' AS Squeezed, STR(NULL) AS NullStr
GO
PRINT '-- replicate, space, stuff, reverse, concat'
SELECT REPLICATE('ab', 3) AS Rep, '[' + REPLICATE('x', 0) + ']' AS RepZero, '[' + SPACE(3) + ']' AS Spaces,
       STUFF('abcdef', 2, 3, 'XY') AS Stuffed, STUFF('abc', 2, 0, '--') AS Inserted,
       STUFF('abc', 5, 1, 'x') AS PastEnd, REVERSE('abc') AS Rev
SELECT CONCAT('a', NULL, 1, 'b') AS Concat, ASCII('A') AS Ascii, CHAR(66) AS Chr,
       UNICODE(N'ก') AS Uni, NCHAR(3585) AS NChr
GO
PRINT '-- Thai text'
DECLARE @t nvarchar(20)
SET @t = N'ภาษาไทย'
SELECT LEN(N'ไทย') AS Len3, DATALENGTH(N'ไทย') AS Bytes6, LEFT(@t, 3) AS Left3,
       SUBSTRING(@t, 5, 3) AS Sub, RIGHT(@t, 3) AS Right3, LEN(N'น้ำ') AS WithMarks,
       REVERSE(N'ไทย') AS Rev, CHARINDEX(N'ไทย', @t) AS Pos, UPPER(N'ไทย') AS Up
SELECT N'ไทย' + N' ' + N'ok' AS Joined, REPLACE(@t, N'ไทย', N'Thai') AS Replaced
GO
PRINT '-- comparisons'
SELECT CASE WHEN 'ABC' = 'abc' THEN 'equal' ELSE 'different' END AS LetterCase,
       CASE WHEN 'abc' = 'abc   ' THEN 'equal' ELSE 'different' END AS TrailingBlanks,
       CASE WHEN 'abc' = '  abc' THEN 'equal' ELSE 'different' END AS LeadingBlanks,
       CASE WHEN '' = ' ' THEN 'equal' ELSE 'different' END AS EmptyAndBlank,
       CASE WHEN N'café' = N'cafe' THEN 'equal' ELSE 'different' END AS Accent,
       CASE WHEN 'b' > 'A' THEN 'greater' ELSE 'not greater' END AS MixedOrder
CREATE TABLE Name (N nvarchar(20) NOT NULL)
INSERT INTO Name VALUES (N'banana'), (N'Apricot'), (N'cherry'), (N'apple'), (N'Cat'),
    (N'ขาว'), (N'กา'), (N'งู'), (N'คน'), (N'10'), (N'9')
SELECT N FROM Name ORDER BY N
SELECT N FROM Name WHERE N = N'APPLE  '
SELECT COUNT(*) AS C FROM Name WHERE N LIKE N'c%'
SELECT MIN(N) AS Lowest, MAX(N) AS Highest FROM Name
DROP TABLE Name
GO
