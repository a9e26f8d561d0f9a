-- SQRT and LOG outside their domain fail as SQL Server's do rather than give NULL; NULL
-- arguments still give NULL, and the batch goes on after the error.
PRINT '-- inside the domain'
SELECT SQRT(16.0) AS S, LOG(1) AS L, LOG10(1) AS L10, LOG(8, 2) AS L8, SQRT(0) AS Z
SELECT SQRT(CAST(NULL AS float)) AS S, LOG(NULL) AS L, LOG10(NULL) AS L10
SELECT LOG10(1000) AS Thousand, LOG10(0.001) AS Thousandth
GO
PRINT '-- square root of a negative number'
SELECT SQRT(-1) AS X
PRINT 'the batch goes on'
GO
PRINT '-- logarithm of zero and of a negative number'
SELECT LOG(0) AS X
SELECT LOG(-2.5) AS X
SELECT LOG10(0) AS X
SELECT LOG(10, -2) AS X
GO
PRINT '-- from a column'
CREATE TABLE Nums (Id int NOT NULL, X float NULL)
INSERT INTO Nums VALUES (1, 4), (2, NULL), (3, -9)
SELECT Id, SQRT(X) AS S FROM Nums WHERE Id < 3 ORDER BY Id
DECLARE @L float
BEGIN TRY
    SELECT @L = LOG(X) FROM Nums WHERE Id = 3
END TRY
BEGIN CATCH
    SELECT ERROR_NUMBER() AS Num, ERROR_MESSAGE() AS Msg
END CATCH
GO
