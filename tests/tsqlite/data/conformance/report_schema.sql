-- Branch report database: one SoldOut table per year from 2020 to last year.
DECLARE @Year int, @Sql varchar(2000)
SET @Year = 2020
WHILE @Year < YEAR(GETDATE())
BEGIN
    SET @Sql = 'CREATE TABLE SoldOut' + CONVERT(varchar(4), @Year) + ' ('
        + 'Id int IDENTITY(1,1) NOT NULL PRIMARY KEY, SaleType char(10) NULL, BranchCode char(10) NULL, '
        + 'SaleDocNo char(15) NULL, SaleDate datetime NULL, ProdCode char(15) NULL, BarCode char(15) NULL, '
        + 'Quantity decimal(20,4) NULL, UOM char(10) NULL, Price decimal(20,4) NULL, Discount decimal(20,4) NULL, '
        + 'Cost decimal(20,4) NULL, Rate float NULL, CurrencyCode char(10) NULL, TotalCurrency decimal(20,4) NULL, '
        + 'TotalCurrencyMain decimal(20,2) NULL, AddDate datetime NULL, ReportGroup varchar(20) NULL)'
    EXEC (@Sql)
    SET @Sql = 'CREATE INDEX SoldOut' + CONVERT(varchar(4), @Year) + '_BranchDate ON SoldOut'
        + CONVERT(varchar(4), @Year) + ' (BranchCode, SaleDate)'
    EXEC (@Sql)
    SET @Year = @Year + 1
END
GO
