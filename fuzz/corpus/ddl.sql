IF NOT EXISTS (SELECT * FROM SysObjects WHERE name = 'OrderBranch' AND xtype = 'U')
CREATE TABLE [dbo].[OrderBranch] (
    [Id] int IDENTITY(1, 1) NOT NULL CONSTRAINT PK_OrderBranch PRIMARY KEY,
    [OrderNo] varchar(20) NOT NULL,
    [Qty] decimal(18, 3) NULL DEFAULT (0),
    [Price] money NOT NULL,
    [Flag] char(1) NOT NULL DEFAULT 'N',
    [Data] varbinary(max) NULL
)
CREATE INDEX IX_OrderBranch_No ON OrderBranch (OrderNo, Id DESC)
ALTER TABLE OrderBranch ADD Remark nvarchar(100) NULL
INSERT INTO OrderBranch (OrderNo, Qty, Price, Data) VALUES ('A-1', 1.5, $12.75, 0x1F2E)
INSERT INTO #Tmp SELECT * FROM OrderBranch WHERE Id = :Id
UPDATE o SET Qty = o.Qty * 2 FROM OrderBranch o JOIN #Tmp t ON t.Id = o.Id
DELETE FROM OrderBranch WHERE Flag = 'D'
DROP TABLE #Tmp
