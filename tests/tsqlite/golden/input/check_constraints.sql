-- CHECK constraints: kept by name, enforced on INSERT and UPDATE, a refused statement changes
-- nothing and the batch goes on; ALTER TABLE adds them (checking the rows already there unless
-- WITH NOCHECK) and drops them.
CREATE TABLE Units (
    Code varchar(10) NOT NULL PRIMARY KEY,
    Fraction int NULL CONSTRAINT CK_Units_Fraction CHECK (Fraction > 0),
    Lo int NULL,
    Hi int NULL,
    CONSTRAINT CK_Units_Range CHECK (Lo <= Hi)
)
GO
PRINT '-- column and table constraints'
INSERT INTO Units VALUES ('BOX', 12, 1, 5)
INSERT INTO Units VALUES ('BAD', 0, 1, 5)
INSERT INTO Units VALUES ('BAD', 1, 9, 5)
PRINT 'the batch goes on'
SELECT Code, Fraction FROM Units ORDER BY Code
GO
PRINT '-- NULL passes'
INSERT INTO Units VALUES ('PCS', NULL, NULL, 3)
SELECT COUNT(*) AS N FROM Units
GO
PRINT '-- a multi-row insert is refused as a whole'
INSERT INTO Units (Code, Fraction) SELECT 'A1', 1 UNION ALL SELECT 'A2', -1 UNION ALL SELECT 'A3', 3
INSERT INTO Units (Code, Fraction) VALUES ('V1', 2), ('V2', 0)
SELECT COUNT(*) AS N FROM Units
GO
PRINT '-- UPDATE refused'
UPDATE Units SET Fraction = Fraction - 12 WHERE Code = 'BOX'
UPDATE Units SET Hi = 0
UPDATE u SET Fraction = 0 FROM Units u WHERE u.Code = 'PCS'
UPDATE Units SET Fraction = 24 WHERE Code = 'BOX'
SELECT Code, Fraction, Lo, Hi FROM Units ORDER BY Code
GO
PRINT '-- inside a transaction the statement alone fails'
BEGIN TRAN
INSERT INTO Units (Code, Fraction) VALUES ('T1', 1)
INSERT INTO Units (Code, Fraction) VALUES ('T2', -5)
COMMIT
SELECT Code FROM Units WHERE Code LIKE 'T%'
GO
PRINT '-- TRY/CATCH sees 547'
BEGIN TRY
    INSERT INTO Units (Code, Fraction) VALUES ('X', -1)
END TRY
BEGIN CATCH
    SELECT ERROR_NUMBER() AS Num, ERROR_SEVERITY() AS Sev, ERROR_STATE() AS St
END CATCH
GO
PRINT '-- constraints using functions'
CREATE TABLE Codes (
    Code varchar(10) NULL CONSTRAINT CK_Codes_Len CHECK (LEN(Code) = 4),
    Ref varchar(10) NULL,
    N int NULL CHECK (N >= 0),
    CONSTRAINT CK_Codes_Ref CHECK (Ref LIKE '[0-9]%' AND UPPER(Ref) = Ref)
)
INSERT INTO Codes VALUES ('AB12', '1X', 1)
INSERT INTO Codes VALUES ('AB1', '1X', 1)
INSERT INTO Codes VALUES ('AB13', 'X1', 1)
-- the comparison follows the column's case-insensitive collation
INSERT INTO Codes VALUES ('AB14', '1x', NULL)
SELECT Code, Ref FROM Codes ORDER BY Code
PRINT 'an unnamed constraint gets a name of its own'
SELECT COUNT(*) AS CheckObjects FROM sysobjects WHERE xtype = 'C' AND parent_obj = OBJECT_ID('Codes')
SELECT COUNT(*) AS Unnamed FROM sysobjects WHERE xtype = 'C' AND name LIKE 'CK[_][_]Codes[_][_]N[_][_]%'
GO
PRINT '-- ALTER TABLE ADD CHECK checks the rows already there'
CREATE TABLE Oracle (Id int NOT NULL, Name varchar(20) NULL)
INSERT INTO Oracle VALUES (1, 'one')
INSERT INTO Oracle VALUES (2, 'two')
ALTER TABLE Oracle ADD CONSTRAINT CK_Oracle_Id CHECK (Id = 1)
INSERT INTO Oracle VALUES (3, 'three')
SELECT COUNT(*) AS N FROM Oracle
GO
PRINT '-- WITH NOCHECK keeps the rows but checks new ones'
ALTER TABLE Oracle WITH NOCHECK ADD CONSTRAINT CK_Oracle_Id CHECK (Id = 1)
INSERT INTO Oracle VALUES (3, 'three')
UPDATE Oracle SET Name = 'TWO' WHERE Id = 2
UPDATE Oracle SET Id = 5 WHERE Id = 2
SELECT Id, Name FROM Oracle ORDER BY Id
SELECT name, xtype FROM sysobjects WHERE name = 'CK_Oracle_Id'
GO
PRINT '-- a column a constraint reads cannot be dropped'
ALTER TABLE Oracle DROP COLUMN Id
GO
PRINT '-- DROP CONSTRAINT'
ALTER TABLE Oracle DROP CONSTRAINT CK_Oracle_Id
INSERT INTO Oracle VALUES (3, 'three')
SELECT COUNT(*) AS N FROM Oracle
SELECT COUNT(*) AS N FROM sysobjects WHERE name = 'CK_Oracle_Id'
GO
PRINT '-- constraints stay through a change of column type'
CREATE TABLE Qty (Id int NOT NULL, Q int NULL CONSTRAINT CK_Qty_Q CHECK (Q >= 0),
    Note varchar(10) NULL)
ALTER TABLE Qty ALTER COLUMN Note varchar(20) NULL
INSERT INTO Qty VALUES (1, -1, 'x')
INSERT INTO Qty VALUES (2, 5, 'y')
SELECT Id, Q, Note FROM Qty
GO
PRINT '-- a column a constraint reads keeps its type'
ALTER TABLE Qty ALTER COLUMN Q bigint NULL
GO
PRINT '-- constraints on temporary tables'
CREATE TABLE #t (c1 tinyint DEFAULT 0 CONSTRAINT chk_me CHECK (c1 LIKE '[0-9]'))
BEGIN TRY
    INSERT INTO #t SELECT 255
END TRY
BEGIN CATCH
    PRINT ERROR_NUMBER()
END CATCH
INSERT INTO #t DEFAULT VALUES
SELECT c1 FROM #t
DROP TABLE #t
GO
