-- Dates and times: arithmetic in days, CONVERT styles both ways, DATEADD, DATEDIFF, DATEPART,
-- DATENAME (us_english, DATEFIRST 7), rounding of datetime and smalldatetime.
PRINT '-- arithmetic in days'
SELECT DATEDIFF(day, GETDATE() - 30, GETDATE()) AS Days,
       CASE WHEN CONVERT(varchar(8), GETDATE() - 30, 112) = CONVERT(varchar(8), DATEADD(day, -30, GETDATE()), 112)
            THEN 'same' ELSE 'differs' END AS SameDay
DECLARE @d datetime
SET @d = '2024-03-01'
SELECT @d - 1 AS DayBefore, @d + 0.5 AS Noon, @d + 1.25 AS NextMorning,
       CAST('2024-03-02' AS datetime) - CAST('2024-03-01' AS datetime) AS Difference
GO
SELECT CAST('2024-02-14' AS date) + 1 AS X
GO
PRINT '-- empty string and numbers as datetime'
SELECT CAST('' AS datetime) AS EmptyText, CAST(0 AS datetime) AS Zero, CAST(1 AS datetime) AS One,
       CAST(CAST('1900-01-03' AS datetime) AS int) AS BackToInt
DECLARE @e datetime
SET @e = ''
SELECT @e AS AssignedEmpty
GO
PRINT '-- rounding'
SELECT CAST('2024-02-14 23:59:59.999' AS datetime) AS NextDay,
       CAST('2024-02-14 10:00:00.002' AS datetime) AS Ms3,
       CAST('2024-02-14 10:00:00.005' AS datetime) AS Ms7,
       CAST('2024-02-14 10:30:30' AS smalldatetime) AS SmallUp,
       CAST('2024-02-14 10:30:29.998' AS smalldatetime) AS SmallDown
GO
PRINT '-- convert to text'
DECLARE @d datetime
SET @d = '2024-02-14 09:05:07.123'
SELECT CONVERT(varchar(30), @d, 0) AS S0, CONVERT(varchar(30), @d, 100) AS S100,
       CONVERT(varchar(30), @d, 101) AS S101, CONVERT(varchar(30), @d, 103) AS S103,
       CONVERT(varchar(30), @d, 104) AS S104, CONVERT(varchar(30), @d, 105) AS S105
SELECT CONVERT(varchar(30), @d, 108) AS S108, CONVERT(varchar(30), @d, 110) AS S110,
       CONVERT(varchar(30), @d, 111) AS S111, CONVERT(varchar(30), @d, 112) AS S112,
       CONVERT(varchar(30), @d, 1) AS S1, CONVERT(varchar(30), @d, 3) AS S3
SELECT CONVERT(varchar(30), @d, 120) AS S120, CONVERT(varchar(30), @d, 121) AS S121,
       CONVERT(varchar(30), @d, 126) AS S126, CONVERT(varchar(30), @d, 23) AS S23,
       CONVERT(varchar(10), @d, 120) AS Cut120, CONVERT(varchar, @d) AS NoStyle
SELECT CONVERT(varchar(30), CAST('2024-02-14 13:45' AS datetime), 100) AS Afternoon,
       CONVERT(varchar(30), CAST('2024-02-14 12:00' AS datetime), 100) AS Noon,
       CONVERT(varchar(30), CAST('2024-02-14 00:30' AS datetime), 100) AS AfterMidnight,
       CONVERT(varchar(30), CAST('2024-02-14 18:26:20' AS datetime), 126) AS NoMs,
       CONVERT(varchar(10), CAST('2024-02-14' AS date), 103) AS DateType
GO
PRINT '-- convert from text'
SELECT CONVERT(datetime, '02/14/2024', 101) AS F101, CONVERT(datetime, '14/02/2024', 103) AS F103,
       CONVERT(datetime, '14.02.2024', 104) AS F104, CONVERT(datetime, '14-02-2024', 105) AS F105
SELECT CONVERT(datetime, '09:05:07', 108) AS F108, CONVERT(datetime, '02-14-2024', 110) AS F110,
       CONVERT(datetime, '2024/02/14', 111) AS F111, CONVERT(datetime, '20240214', 112) AS F112
SELECT CONVERT(datetime, '2024-02-14 09:05:07', 120) AS F120,
       CONVERT(datetime, '2024-02-14 09:05:07.123', 121) AS F121,
       CONVERT(datetime, '2024-02-14T09:05:07.123', 126) AS F126,
       CONVERT(date, '2024-02-14', 23) AS F23,
       CONVERT(datetime, 'Feb 14 2024  9:05AM', 100) AS F100
SELECT CAST('02/14/2024' AS datetime) AS MonthFirst, CAST('20240214 09:05' AS datetime) AS Compact,
       CAST('2024-02-14T09:05:07' AS datetime) AS IsoT
GO
SELECT CONVERT(datetime, '14/02/2024', 101) AS X
GO
PRINT '-- dateadd'
SELECT DATEADD(month, 1, '2024-01-31') AS LeapFeb, DATEADD(month, 1, '2023-01-31') AS PlainFeb,
       DATEADD(month, -1, '2024-03-31') AS Back, DATEADD(year, 1, '2024-02-29') AS NextYear
SELECT DATEADD(day, 1, '2024-02-28') AS LeapDay, DATEADD(minute, -90, '2024-02-14 01:00') AS Minutes,
       DATEADD(dd, 30, CAST('2024-02-14' AS date)) AS DateType, DATEADD(hh, 36, '2024-02-14') AS Hours
GO
PRINT '-- datediff counts boundaries'
SELECT DATEDIFF(day, '2024-02-14 23:59', '2024-02-15 00:01') AS Days,
       DATEDIFF(year, '2023-12-31', '2024-01-01') AS Years,
       DATEDIFF(month, '2024-01-31', '2024-02-01') AS Months,
       DATEDIFF(day, '2024-03-01', '2024-02-01') AS Backwards,
       DATEDIFF(hour, '2024-02-14 10:59', '2024-02-14 11:00') AS Hours
SELECT DATEDIFF(week, '2024-02-17', '2024-02-18') AS SatToSun,
       DATEDIFF(week, '2024-02-18', '2024-02-24') AS SunToSat,
       DATEDIFF(wk, '2024-02-14', '2024-03-14') AS FourWeeks,
       DATEDIFF(dd, '2024-01-01', '2024-12-31') AS LeapYearDays
GO
PRINT '-- datepart and datename with DATEFIRST 7'
SELECT @@DATEFIRST AS DateFirst, DATEPART(dw, '2024-02-14') AS Dw, DATEPART(week, '2024-02-14') AS Wk,
       DATEPART(dy, '2024-02-14') AS Dy, DATEPART(qq, '2024-02-14') AS Qq,
       DATEPART(weekday, '2024-02-18') AS Sunday, DATEPART(dw, '2024-02-17') AS Saturday
SELECT DATEPART(yy, '2024-02-14') AS Yy, DATEPART(mm, '2024-02-14') AS Mm, DATEPART(dd, '2024-02-14') AS Dd,
       DATEPART(hh, '2024-02-14 09:05:07.123') AS Hh, DATEPART(mi, '2024-02-14 09:05:07.123') AS Mi,
       DATEPART(ss, '2024-02-14 09:05:07.123') AS Ss, DATEPART(ms, '2024-02-14 09:05:07.123') AS Ms,
       DATEPART(wk, '2024-01-06') AS FirstSat, DATEPART(wk, '2024-01-07') AS FirstSun
SELECT DATENAME(weekday, '2024-02-14') AS DayName, DATENAME(dw, '2024-02-18') AS Sun,
       DATENAME(month, '2024-02-14') AS MonthName, DATENAME(week, '2024-02-14') AS WeekName,
       DATENAME(year, '2024-02-14') AS YearName, DATENAME(quarter, '2024-02-14') AS QuarterName
SELECT YEAR('2024-02-14') AS Y, MONTH('2024-02-14') AS M, DAY('2024-02-14') AS D, YEAR(0) AS Y0,
       ISDATE('2024-02-29') AS Leap, ISDATE('2023-02-29') AS NotLeap, ISDATE('soon') AS Word
SELECT EOMONTH('2024-02-10') AS EndOfMonth, DATEFROMPARTS(2024, 2, 14) AS FromParts
GO
PRINT '-- datetime in tables and comparisons'
CREATE TABLE Visit (Id int NOT NULL, At datetime NOT NULL, Day date NULL)
INSERT INTO Visit VALUES (1, '2024-02-14 08:00', '2024-02-14'), (2, '2024-02-14 23:59:59', NULL),
    (3, '20240215', '2024-02-15')
SELECT Id FROM Visit WHERE At >= '2024-02-14' AND At < '2024-02-15' ORDER BY Id
SELECT Id, At, Day FROM Visit WHERE At BETWEEN '2024-02-14 12:00' AND '2024-02-15' ORDER BY Id
SELECT MAX(At) AS Latest, MIN(Day) AS FirstDay FROM Visit WHERE Day IS NOT NULL
SELECT COUNT(*) AS N FROM Visit WHERE CONVERT(varchar(8), At, 112) = '20240214'
DROP TABLE Visit
GO
