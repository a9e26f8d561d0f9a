-- Changing data: INSERT in its forms, defaults, identity, @@ROWCOUNT, UPDATE and DELETE with
-- joins, TRUNCATE, and the errors a failing change reports.
SET NOCOUNT ON
CREATE TABLE Item (Id int IDENTITY(10, 5) NOT NULL PRIMARY KEY, Code varchar(5) NOT NULL,
    Qty int NOT NULL DEFAULT 1, Note varchar(10) NULL DEFAULT 'none', Price decimal(6, 2) NULL)
SET NOCOUNT OFF
GO
PRINT '-- insert several rows, identity with seed and step'
INSERT INTO Item (Code, Qty, Price) VALUES ('A1', 5, 1.50), ('B2', 3, 2.25), ('C3', 7, NULL)
SELECT @@ROWCOUNT AS RowCnt, @@IDENTITY AS LastIdentity, SCOPE_IDENTITY() AS ScopeIdentity
SELECT Id, Code, Qty, Note, Price FROM Item ORDER BY Id
GO
PRINT '-- defaults'
INSERT INTO Item (Code) VALUES ('D4')
INSERT INTO Item (Code, Qty, Note) VALUES ('E5', DEFAULT, DEFAULT)
INSERT INTO Item (Code, Note) VALUES ('F6', NULL)
SELECT Id, Code, Qty, Note FROM Item WHERE Id > 20 ORDER BY Id
CREATE TABLE Log (Id int IDENTITY(1, 1) NOT NULL, At varchar(10) NOT NULL DEFAULT 'now', Flag bit NULL)
INSERT INTO Log DEFAULT VALUES
INSERT INTO Log DEFAULT VALUES
SELECT Id, At, Flag FROM Log
GO
PRINT '-- explicit identity values'
INSERT INTO Item (Id, Code) VALUES (1, 'X1')
GO
SET IDENTITY_INSERT Item ON
INSERT INTO Item (Id, Code) VALUES (1, 'X1')
SET IDENTITY_INSERT Item OFF
INSERT INTO Item (Code) VALUES ('X2')
SELECT Id, Code FROM Item WHERE Code LIKE 'X%' ORDER BY Id
DELETE FROM Item WHERE Code LIKE 'X%'
GO
PRINT '-- insert select'
CREATE TABLE Copy (Code varchar(5) NOT NULL, Qty int NULL)
INSERT INTO Copy (Code, Qty) SELECT Code, Qty * 10 FROM Item WHERE Qty > 3
SELECT @@ROWCOUNT AS RowCnt
INSERT INTO Copy (Code, Qty) (SELECT Code, Qty FROM Item WHERE Code = 'B2')
INSERT Copy SELECT 'Z9', NULL
SELECT Code, Qty FROM Copy ORDER BY Code
GO
INSERT INTO Copy VALUES ('Y8')
GO
PRINT '-- @@ROWCOUNT after each kind of statement'
UPDATE Item SET Qty = Qty WHERE Qty > 1
SELECT @@ROWCOUNT AS AfterUpdate
DELETE FROM Copy WHERE Code = 'none'
SELECT @@ROWCOUNT AS AfterDelete
SELECT Code FROM Item WHERE Id <= 15 ORDER BY Id
SELECT @@ROWCOUNT AS AfterSelect
DECLARE @x int
SET @x = 5
SELECT @@ROWCOUNT AS AfterSet
PRINT 'printed'
SELECT @@ROWCOUNT AS AfterPrint
GO
PRINT '-- update reads the old row'
CREATE TABLE Pair (K int NOT NULL, A int NULL, B int NULL)
INSERT INTO Pair VALUES (1, 10, 20), (2, 30, 40)
UPDATE Pair SET A = B, B = A
SELECT K, A, B FROM Pair ORDER BY K
UPDATE Pair SET A = A + 1, B = A WHERE K = 2
SELECT K, A, B FROM Pair ORDER BY K
GO
PRINT '-- update from a join'
CREATE TABLE PriceList (Code varchar(5) NOT NULL, NewPrice decimal(6, 2) NOT NULL)
INSERT INTO PriceList VALUES ('a1', 9.99), ('C3', 3)
UPDATE i SET Price = p.NewPrice FROM Item i JOIN PriceList p ON p.Code = i.Code
SELECT Code, Price FROM Item WHERE Code IN ('A1', 'C3') ORDER BY Code
UPDATE Item SET Qty = Qty + 1
FROM Item JOIN PriceList ON PriceList.Code = Item.Code WHERE PriceList.NewPrice > 5
SELECT Code, Qty FROM Item WHERE Code = 'A1'
GO
PRINT '-- delete from a join'
DELETE c FROM Copy c JOIN Item i ON i.Code = c.Code WHERE i.Qty > 5
SELECT Code FROM Copy ORDER BY Code
DELETE FROM Copy FROM Copy INNER JOIN PriceList ON PriceList.Code = Copy.Code
SELECT Code FROM Copy ORDER BY Code
GO
PRINT '-- truncate table resets the identity, delete does not'
TRUNCATE TABLE Log
SELECT COUNT(*) AS N FROM Log
INSERT INTO Log DEFAULT VALUES
SELECT Id FROM Log
DELETE FROM Log
INSERT INTO Log DEFAULT VALUES
SELECT Id FROM Log
GO
PRINT '-- string truncation'
INSERT INTO Item (Code) VALUES ('TOOLONG')
GO
INSERT INTO Item (Code) VALUES ('G7        ')
SELECT Code, DATALENGTH(Code) AS Bytes FROM Item WHERE Code = 'G7'
GO
PRINT '-- NULL into NOT NULL'
INSERT INTO Item (Code, Qty) VALUES ('H8', NULL)
GO
UPDATE Item SET Code = NULL WHERE Code = 'A1'
GO
PRINT '-- duplicate keys'
CREATE TABLE Cust (Id int NOT NULL CONSTRAINT PK_Cust PRIMARY KEY, Email varchar(20) NOT NULL,
    Phone varchar(10) NULL CONSTRAINT UQ_Cust_Phone UNIQUE)
CREATE UNIQUE INDEX UX_Cust_Email ON Cust (Email)
INSERT INTO Cust (Id, Email, Phone) VALUES (1, 'a@x', '111'), (2, 'b@x', '222')
GO
INSERT INTO Cust (Id, Email) VALUES (1, 'c@x')
SELECT @@ROWCOUNT AS RowCnt
PRINT 'the batch goes on'
GO
INSERT INTO Cust (Id, Email) VALUES (3, 'A@X')
GO
INSERT INTO Cust (Id, Email, Phone) VALUES (4, 'd@x', '222')
GO
INSERT INTO Cust (Id, Email) VALUES (5, 'e@x'), (5, 'f@x')
GO
UPDATE Cust SET Id = 2 WHERE Id = 1
GO
SELECT Id, Email, Phone FROM Cust ORDER BY Id
GO
CREATE TABLE Line (Doc int NOT NULL, No int NOT NULL, CONSTRAINT PK_Line PRIMARY KEY (Doc, No))
INSERT INTO Line VALUES (7, 1), (7, 2)
INSERT INTO Line VALUES (7, 2)
GO
PRINT '-- IDENT_CURRENT: the table''s own counter, its seed before any row, NULL without identity'
CREATE TABLE IdentA (Id int IDENTITY(10, 5), V int)
CREATE TABLE IdentB (Id int IDENTITY(1, 1), V int)
CREATE TABLE IdentC (V int)
SELECT IDENT_CURRENT('IdentA') AS A, IDENT_CURRENT('IdentC') AS C, IDENT_CURRENT('NoSuchTable') AS Missing
INSERT INTO IdentA (V) VALUES (1)
INSERT INTO IdentA (V) VALUES (2)
INSERT INTO IdentB (V) VALUES (1)
SELECT IDENT_CURRENT('IdentA') AS A, IDENT_CURRENT('dbo.IdentB') AS B, @@IDENTITY AS LastHere
DROP TABLE IdentA
DROP TABLE IdentB
DROP TABLE IdentC
GO
