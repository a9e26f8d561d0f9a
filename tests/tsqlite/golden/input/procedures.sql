-- Stored procedures: parameters with defaults, OUTPUT, named and positional arguments, return
-- codes, nesting, ALTER and DROP, errors in calls, and name resolution in the procedure's database.
CREATE PROCEDURE AddNums @a int, @b int = 10, @sum int OUTPUT
AS
BEGIN
    SET @sum = @a + @b
    RETURN @a * 100
END
GO
PRINT '-- arguments and return codes'
DECLARE @s int, @rc int
EXEC @rc = AddNums 1, 2, @s OUTPUT
SELECT @rc AS Rc, @s AS S
EXEC AddNums @a = 5, @sum = @s OUTPUT
SELECT @s AS WithDefault
EXECUTE AddNums @b = 1, @a = 2, @sum = @s OUT
SELECT @s AS Named
EXEC AddNums 3, DEFAULT, @s OUTPUT
SELECT @s AS DefaultKeyword
EXEC AddNums 1, 2, @s
SELECT @s AS NotOutput
GO
EXEC AddNums
GO
DECLARE @s int
EXEC AddNums 1, 2, @s OUTPUT, 4
GO
EXEC NoSuchProc
GO
PRINT '-- results and row counts inside a procedure'
CREATE TABLE Item (Name varchar(20) NOT NULL)
INSERT INTO Item VALUES ('master item')
GO
CREATE PROCEDURE AddItem @name varchar(20) = NULL
AS
IF @name IS NULL
BEGIN
    PRINT 'no name given'
    RETURN
END
INSERT INTO Item VALUES (@name)
SELECT COUNT(*) AS Items FROM Item
GO
DECLARE @rc int
EXEC @rc = AddItem
SELECT @rc AS NoValueReturn
EXEC AddItem 'second'
GO
AddItem 'bare call'
GO
CREATE PROCEDURE Quiet
AS
SET NOCOUNT ON
INSERT INTO Item VALUES ('quiet')
GO
Quiet
UPDATE Item SET Name = Name WHERE Name = 'quiet'
GO
PRINT '-- nested calls'
GO
CREATE PROCEDURE Inner1 @x int, @y int OUTPUT
AS
SELECT @y = @x * 2, @x = 0
SELECT @@NESTLEVEL AS InnerLevel
GO
CREATE PROCEDURE Outer1 @x int
AS
DECLARE @r int
EXEC Inner1 @x, @r OUTPUT
SELECT @x AS X, @r AS R, @@NESTLEVEL AS OuterLevel
GO
EXEC Outer1 21
GO
PRINT '-- alter and drop'
GO
ALTER PROCEDURE Inner1 @x int, @y int OUTPUT
AS
SET @y = @x + 1
GO
EXEC Outer1 21
DROP PROCEDURE Outer1
GO
EXEC Outer1 1
GO
PRINT '-- an error inside a procedure names it'
GO
CREATE PROCEDURE UsesMissing
AS
SELECT * FROM NoTable
GO
EXEC UsesMissing
GO
PRINT '-- names resolve in the procedure''s own database'
CREATE DATABASE ProcDb
GO
USE ProcDb
GO
CREATE TABLE Item (Name varchar(20) NOT NULL)
INSERT INTO Item VALUES ('procdb item')
GO
CREATE PROCEDURE ShowItem AS SELECT Name, DB_NAME() AS Db FROM Item
GO
USE master
GO
EXEC ProcDb.dbo.ShowItem
EXEC ProcDb..ShowItem
SELECT DB_NAME() AS Db
GO
ShowItem
GO
