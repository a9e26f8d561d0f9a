-- Control flow: variables, IF, WHILE, RETURN, dynamic SQL, PRINT, RAISERROR, NOCOUNT,
-- statement errors that let the batch go on, @@ERROR, TRY/CATCH and THROW.
PRINT '-- variables'
DECLARE @a int, @b varchar(10)
DECLARE @c int = 5
SET @a = @c * 2
SET @b = 'x' + CAST(@a AS varchar(5))
SELECT @a AS A, @b AS B, @c AS C
DECLARE @unset int
SELECT @unset AS Unset
SET @a = (SELECT COUNT(*) FROM (SELECT 1 AS n UNION ALL SELECT 2) x)
SELECT @a AS Counted
GO
PRINT '-- if and else'
CREATE TABLE Flag (Name varchar(10) NOT NULL)
INSERT INTO Flag VALUES ('on')
IF EXISTS (SELECT * FROM Flag WHERE Name = 'ON')
    PRINT 'exists'
ELSE
    PRINT 'missing'
IF NOT EXISTS (SELECT * FROM Flag WHERE Name = 'off')
BEGIN
    PRINT 'not there'
    PRINT 'second statement of the block'
END
DECLARE @n int
SET @n = 3
IF @n > 5 PRINT 'big' ELSE IF @n > 2 PRINT 'medium' ELSE PRINT 'small'
IF NULL = NULL PRINT 'NULL equals NULL' ELSE PRINT 'NULL is not equal to NULL'
IF (SELECT COUNT(*) FROM Flag) = 1 AND @n BETWEEN 1 AND 3 PRINT 'both hold'
GO
PRINT '-- while with break and continue'
DECLARE @i int, @sum int, @list varchar(50)
SET @i = 0
SET @sum = 0
SET @list = ''
WHILE @i < 10
BEGIN
    SET @i = @i + 1
    IF @i % 2 = 0 CONTINUE
    IF @i > 7 BREAK
    SET @sum = @sum + @i
    SET @list = @list + CAST(@i AS varchar(2)) + ' '
END
SELECT @i AS I, @sum AS Total, RTRIM(@list) AS List
GO
PRINT '-- return ends the batch'
PRINT 'before return'
IF 1 = 1 RETURN
PRINT 'after return'
GO
PRINT 'the next batch runs'
GO
PRINT '-- dynamic SQL'
DECLARE @sql varchar(100)
SET @sql = 'SELECT ' + '41 + 1 AS Answer'
EXEC(@sql)
EXEC('PRINT ''from exec''')
EXEC ('SELECT Name FROM Flag')
EXECUTE sp_executesql N'SELECT @x + @y AS Sum2', N'@x int, @y int', @x = 1, @y = 2
DECLARE @r int
EXEC sp_executesql N'SET @out = @in * 2', N'@in int, @out int OUTPUT', @in = 21, @out = @r OUTPUT
SELECT @r AS Doubled
EXEC('CREATE TABLE #Inner (X int)')
EXEC('CREATE TABLE Outer1 (X int)')
SELECT OBJECT_ID('tempdb..#Inner') AS InnerGone, CASE WHEN OBJECT_ID('Outer1') IS NULL THEN 'no' ELSE 'yes' END AS OuterKept
GO
DECLARE @v int
SET @v = 1
EXEC('SELECT @v AS V')
PRINT 'dynamic SQL does not see the variables of its caller'
GO
PRINT '-- print and raiserror'
PRINT 'text ' + CAST(12 AS varchar(5))
PRINT 42
RAISERROR('just a message %d of %s', 10, 1, 5, 'x')
RAISERROR('an error', 16, 1)
PRINT 'the batch goes on after severity 16'
RAISERROR('state two', 16, 2)
GO
PRINT '-- nocount'
SET NOCOUNT ON
SELECT Name FROM Flag
UPDATE Flag SET Name = 'ON'
SET NOCOUNT OFF
UPDATE Flag SET Name = 'on'
GO
PRINT '-- an error ends the statement, not the batch'
SELECT 1 / 0 AS X
SELECT @@ERROR AS Err
SELECT @@ERROR AS ErrAfterSelect
INSERT INTO Flag VALUES (NULL)
PRINT @@ERROR
RAISERROR('raised', 16, 1)
SELECT @@ERROR AS AfterRaise
SELECT COUNT(*) AS StillOne FROM Flag
GO
PRINT '-- try and catch'
BEGIN TRY
    DECLARE @z int
    SET @z = 1 / 0
    PRINT 'not reached'
END TRY
BEGIN CATCH
    SELECT ERROR_NUMBER() AS Num, ERROR_SEVERITY() AS Sev, ERROR_MESSAGE() AS Msg
END CATCH
PRINT 'after catch'
GO
THROW 50001, 'thrown', 1
PRINT 'not reached'
GO
PRINT 'next batch after throw'
GO
PRINT '-- a select that assigns a variable while reading it: each row sees the rows before it'
CREATE TABLE Letter (V varchar(5), N int)
INSERT INTO Letter VALUES ('a', 1)
INSERT INTO Letter VALUES ('b', 2)
INSERT INTO Letter VALUES ('c', 3)
DECLARE @s varchar(100), @n int
SELECT @s = '', @n = 0
SELECT @s = @s + V, @n = @n + N FROM Letter
SELECT @s AS Joined, @n AS Total
SET @s = NULL
SELECT @s = COALESCE(@s + ',', '') + V FROM Letter
SELECT @s AS List
SET @s = ''
SELECT @s = @s + V FROM Letter WHERE LEN(@s) < 2
SELECT @s AS Cut
DROP TABLE Letter
GO
