-- The demo's print layouts (templates in demo/forms, which run.sh copies next to the
-- program as forms\...), and one closed vehicle trip for the transfer document "CARTRANNO".
-- Rows are only added where missing, so the script can run again.
-- Run on SQL Server with sqlcmd -b -f 65001 (the file is UTF-8).

INSERT INTO SystemForm (FormOrderNo, FormCode, FormDesc, FrfName, SpName, DocCode, DocParaName, ShowPrintPreview)
SELECT X.FormOrderNo, X.FormCode, X.FormDesc, X.FrfName, '', X.DocCode, '', X.ShowPrintPreview
  FROM (SELECT 1 AS FormOrderNo, 'ORD-BRANCH' AS FormCode, N'ใบสั่งสินค้าสาขา' AS FormDesc,
               'forms\BranchOrder.frf' AS FrfName, 'ORD-BRANCH' AS DocCode, 'Y' AS ShowPrintPreview
        UNION ALL
        SELECT 1, 'CARTRANNO', N'ใบโอนจ่ายสินค้าตามรถ', 'forms\TransferByCar.frf', 'CARTRANNO', 'Y'
        UNION ALL
        SELECT 2, 'CARTRANNO', N'ใบโอนจ่ายสินค้าตามรถ (ดูอย่างเดียว)', 'forms\TransferByCar.frf', 'CARTRANNO', 'N') X
 WHERE NOT EXISTS (SELECT S.Id FROM SystemForm S
                    WHERE S.FormCode = X.FormCode AND S.FormOrderNo = X.FormOrderNo)
GO

-- The vehicle transfer tables, as the transfer screen reads them, where the database has
-- none yet.
IF NOT EXISTS (SELECT Id FROM SysObjects WHERE Name = 'Branch')
CREATE TABLE Branch (
    Id int NOT NULL PRIMARY KEY,
    BranchCode varchar(10) NOT NULL,
    BranchName varchar(60) NULL
)
GO
IF NOT EXISTS (SELECT Id FROM SysObjects WHERE Name = 'TranBranchHd')
CREATE TABLE TranBranchHd (
    Id int NOT NULL PRIMARY KEY,
    DocNo varchar(15) NULL,
    TranType char(1) NOT NULL,
    Branch int NOT NULL
)
GO
IF NOT EXISTS (SELECT Id FROM SysObjects WHERE Name = 'TranBranchDt')
CREATE TABLE TranBranchDt (
    Id int IDENTITY(1,1) NOT NULL PRIMARY KEY,
    TranBranchHd int NOT NULL,
    BoxNo varchar(20) NULL
)
GO
IF NOT EXISTS (SELECT Id FROM SysObjects WHERE Name = 'TransferCarHd')
CREATE TABLE TransferCarHd (
    Id int NOT NULL PRIMARY KEY,
    DocNo varchar(15) NOT NULL,
    CarNo varchar(20) NOT NULL,
    Closed char(1) NULL
)
GO
IF NOT EXISTS (SELECT Id FROM SysObjects WHERE Name = 'TransferCarDt')
CREATE TABLE TransferCarDt (
    Id int IDENTITY(1,1) NOT NULL PRIMARY KEY,
    TransferCarHd int NOT NULL,
    BoxNo varchar(20) NOT NULL
)
GO

IF EXISTS (SELECT Id FROM TransferCarHd WHERE DocNo = 'TC26-00001') RETURN
IF NOT EXISTS (SELECT Id FROM Misc WHERE GroupCode = 'CARNO' AND Code = '70-1234')
INSERT INTO Misc (GroupCode, Code, Description) VALUES ('CARNO', '70-1234', N'รถหกล้อ สายเหนือ')
IF NOT EXISTS (SELECT Id FROM Branch WHERE Id = 1)
INSERT INTO Branch (Id, BranchCode, BranchName) VALUES (1, '0001', N'สาขาลาดพร้าว')
IF NOT EXISTS (SELECT Id FROM Branch WHERE Id = 2)
INSERT INTO Branch (Id, BranchCode, BranchName) VALUES (2, '0002', N'สาขาบางนา')
INSERT INTO TranBranchHd (Id, DocNo, TranType, Branch) VALUES (9001, 'TB26-00101', 'O', 1)
INSERT INTO TranBranchHd (Id, DocNo, TranType, Branch) VALUES (9002, 'TB26-00102', 'O', 2)
INSERT INTO TranBranchDt (TranBranchHd, BoxNo) VALUES (9001, 'BX2600001')
INSERT INTO TranBranchDt (TranBranchHd, BoxNo) VALUES (9001, 'BX2600002')
INSERT INTO TranBranchDt (TranBranchHd, BoxNo) VALUES (9001, 'BX2600003')
INSERT INTO TranBranchDt (TranBranchHd, BoxNo) VALUES (9002, 'BX2600004')
INSERT INTO TranBranchDt (TranBranchHd, BoxNo) VALUES (9002, 'BX2600005')
INSERT INTO TransferCarHd (Id, DocNo, CarNo, Closed) VALUES (1, 'TC26-00001', '70-1234', 'Y')
INSERT INTO TransferCarDt (TransferCarHd, BoxNo) VALUES (1, 'BX2600001')
INSERT INTO TransferCarDt (TransferCarHd, BoxNo) VALUES (1, 'BX2600002')
INSERT INTO TransferCarDt (TransferCarHd, BoxNo) VALUES (1, 'BX2600003')
INSERT INTO TransferCarDt (TransferCarHd, BoxNo) VALUES (1, 'BX2600004')
INSERT INTO TransferCarDt (TransferCarHd, BoxNo) VALUES (1, 'BX2600005')
GO
