-- Transactions: @@TRANCOUNT, nesting, rollback across databases, savepoints, transactional
-- DDL, errors that leave a transaction open, and unmatched COMMIT and ROLLBACK.
SET NOCOUNT ON
CREATE TABLE Acc (Id int NOT NULL CONSTRAINT PK_Acc PRIMARY KEY, Bal int NOT NULL)
INSERT INTO Acc VALUES (1, 100)
CREATE DATABASE TranDb
SET NOCOUNT OFF
GO
CREATE TABLE TranDb.dbo.Log (Msg varchar(20) NOT NULL)
GO
PRINT '-- trancount'
SELECT @@TRANCOUNT AS Before
BEGIN TRAN
SELECT @@TRANCOUNT AS Inside
COMMIT
SELECT @@TRANCOUNT AS After
GO
PRINT '-- nested transactions: only the outer commit counts, rollback undoes all'
BEGIN TRANSACTION
BEGIN TRAN
SELECT @@TRANCOUNT AS Nested
COMMIT TRAN
SELECT @@TRANCOUNT AS AfterInnerCommit
UPDATE Acc SET Bal = 50 WHERE Id = 1
ROLLBACK
SELECT @@TRANCOUNT AS AfterRollback, Bal FROM Acc WHERE Id = 1
GO
PRINT '-- rollback across two databases'
BEGIN TRAN
INSERT INTO Acc VALUES (2, 10)
INSERT INTO TranDb.dbo.Log VALUES ('three part')
INSERT INTO TranDb..Log VALUES ('two dots')
SELECT COUNT(*) AS LogsInside FROM TranDb..Log
ROLLBACK TRANSACTION
SELECT (SELECT COUNT(*) FROM Acc) AS Accs, (SELECT COUNT(*) FROM TranDb.dbo.Log) AS Logs
GO
PRINT '-- commit across two databases'
BEGIN TRAN
INSERT INTO Acc VALUES (2, 10)
INSERT INTO TranDb..Log VALUES ('kept')
COMMIT
SELECT (SELECT COUNT(*) FROM Acc) AS Accs, (SELECT COUNT(*) FROM TranDb.dbo.Log) AS Logs
GO
PRINT '-- a transaction spans batches'
BEGIN TRAN Move
UPDATE Acc SET Bal = Bal - 10 WHERE Id = 1
GO
SELECT @@TRANCOUNT AS OpenAcrossBatches
ROLLBACK TRAN Move
SELECT Bal FROM Acc WHERE Id = 1
GO
PRINT '-- savepoints'
BEGIN TRAN
UPDATE Acc SET Bal = 1 WHERE Id = 1
SAVE TRANSACTION Half
UPDATE Acc SET Bal = 2 WHERE Id = 2
ROLLBACK TRANSACTION Half
SELECT @@TRANCOUNT AS StillOpen
COMMIT
SELECT Id, Bal FROM Acc ORDER BY Id
UPDATE Acc SET Bal = 100 WHERE Id = 1
GO
PRINT '-- DDL rolls back too'
BEGIN TRAN
CREATE TABLE Scratch (X int)
INSERT INTO Scratch VALUES (1)
ROLLBACK
SELECT OBJECT_ID('Scratch') AS ScratchId
GO
PRINT '-- a failing statement leaves the transaction open'
BEGIN TRAN
INSERT INTO Acc VALUES (1, 0)
SELECT @@TRANCOUNT AS StillOpen
INSERT INTO Acc VALUES (3, 30)
COMMIT
SELECT Id, Bal FROM Acc ORDER BY Id
GO
PRINT '-- unmatched commit and rollback'
GO
COMMIT
GO
ROLLBACK TRAN
GO
COMMIT TRANSACTION
PRINT 'the batch goes on'
GO
CREATE PROCEDURE Undo AS ROLLBACK
GO
BEGIN TRAN
EXEC Undo
SELECT @@TRANCOUNT AS AfterProc
GO
