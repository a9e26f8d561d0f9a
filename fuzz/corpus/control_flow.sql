DECLARE @i int = 0, @s nvarchar(max) = N'', @d datetime
SET @d = DATEADD(day, -30, CONVERT(datetime, CONVERT(varchar(8), GETDATE(), 112)))
WHILE @i < 5
BEGIN
    SET @i = @i + 1
    IF @i % 2 = 0 CONTINUE
    ELSE IF @i > 3 BREAK
    SET @s = @s + CASE WHEN @i = 1 THEN 'one' ELSE ISNULL(NULL, 'x') END + ';'
END
PRINT @s + ' ' + DATENAME(weekday, @d) + ' ' + CAST(DATEPART(dw, @d) AS varchar)
EXEC ('SELECT ' + '1 AS One')
EXEC sp_executesql N'SELECT @p', N'@p int', @p = 3
