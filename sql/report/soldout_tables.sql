-- Branch report database (NWXBranch): the branches' sales, one SoldOut table per calendar
-- year (SoldOut2024, SoldOut2025...), filled by the sold-out upload.
--
-- The upload creates the current year's table itself, as an empty copy of last year's, so
-- last year's table must be there. A branch that was never uploaded is read from 1 January
-- 2022 on, and each of its sales goes into the table of its own year: hence a table for
-- every year from 2022 to last year. Copies the upload made have no indexes (SELECT INTO
-- copies none); the second part of the script gives every year's table its indexes, so
-- running the script again after New Year indexes the new table.
--
-- Re-runnable: every create first looks in the catalog. Run on SQL Server with
-- sqlcmd -b -f 65001 (the file is UTF-8).

DECLARE @Year int
DECLARE @Table varchar(20)
DECLARE @Sql varchar(2000)
SET @Year = 2022
WHILE @Year < YEAR(GETDATE())
BEGIN
    SET @Table = 'SoldOut' + CONVERT(char(4), @Year)
    IF NOT EXISTS (SELECT Id FROM SysObjects WHERE Name = @Table)
    BEGIN
        SET @Sql = 'CREATE TABLE ' + @Table + ' ('
            + 'Id int IDENTITY(1,1) NOT NULL CONSTRAINT PK_' + @Table + ' PRIMARY KEY, '
            + 'SaleType char(10) NULL, '
            + 'BranchCode char(10) NULL, '
            + 'SaleDocNo char(15) NULL, '
            + 'SaleDate datetime NULL, '
            + 'ProdCode char(15) NULL, '
            + 'BarCode char(15) NULL, '
            + 'Quantity decimal(20,4) NULL, '
            + 'UOM char(10) NULL, '
            + 'Price decimal(20,4) NULL, '
            + 'Discount decimal(20,4) NULL, '
            + 'Cost decimal(20,4) NULL, '
            + 'Rate decimal(20,6) NULL, '
            + 'CurrencyCode char(20) NULL, '
            + 'TotalCurrency decimal(20,4) NULL, '
            + 'TotalCurrencyMain decimal(20,2) NULL, '
            + 'AddDate datetime NULL)'
        EXEC (@Sql)
    END
    SET @Year = @Year + 1
END
GO

-- Reports select a branch's sales of a span, or one product's.
DECLARE @Table varchar(20)
DECLARE @Sql varchar(2000)
SET @Table = ''
WHILE EXISTS (SELECT Id FROM SysObjects
               WHERE Name LIKE 'SoldOut[0-9][0-9][0-9][0-9]' AND Name > @Table AND xtype = 'U')
BEGIN
    SELECT @Table = MIN(Name) FROM SysObjects
     WHERE Name LIKE 'SoldOut[0-9][0-9][0-9][0-9]' AND Name > @Table AND xtype = 'U'
    IF NOT EXISTS (SELECT Id FROM SysIndexes WHERE Name = @Table + '_BranchDate')
    BEGIN
        SET @Sql = 'CREATE INDEX ' + @Table + '_BranchDate ON ' + @Table + ' (BranchCode, SaleDate)'
        EXEC (@Sql)
    END
    IF NOT EXISTS (SELECT Id FROM SysIndexes WHERE Name = @Table + '_ProdCode')
    BEGIN
        SET @Sql = 'CREATE INDEX ' + @Table + '_ProdCode ON ' + @Table + ' (ProdCode)'
        EXEC (@Sql)
    END
END
GO
