-- Demo rows of the distribution centre NWX for the transfer documents by vehicle, on top of
-- transfer_tables.sql:
--   - the vehicles (CARNO codes; dc_picking.sql brings the first three as well) and the
--     branches 0001 to 0004;
--   - transfer notes going out to each branch, and one coming back in from 0002;
--   - vehicle C01: trip TC26-00001 closed, then its latest trip TC26-00004 closed, whose box
--     BX2600014 holds lines of both 0001 and 0002 (it counts for each) and which also carries
--     the returned box BX2600015 (incoming: not counted);
--   - vehicle C02: trip TC26-00002 closed, then TC26-00005 still loading, so it shows nothing;
--   - vehicle C03: its one trip TC26-00003, closed, to 0003 and 0004 with a shared box;
--   - vehicle C04: no trip yet.
-- Rows are only added where missing, so the script can run again.
-- Run on SQL Server with sqlcmd -b -f 65001 (the file is UTF-8).

INSERT INTO Misc (GroupCode, Code, Description)
SELECT X.GroupCode, X.Code, X.Description
  FROM (SELECT 'CARNO' AS GroupCode, 'C01' AS Code, 'รถ 6 ล้อ 82-1234 กรุงเทพฯ' AS Description
        UNION ALL SELECT 'CARNO', 'C02', 'รถ 4 ล้อ 3ฒ-5678 กรุงเทพฯ'
        UNION ALL SELECT 'CARNO', 'C03', 'รถ 10 ล้อ 70-9012 เชียงใหม่'
        UNION ALL SELECT 'CARNO', 'C04', 'รถกระบะ 4ก-3456 สำรอง') X
 WHERE NOT EXISTS (SELECT M.Id FROM Misc M WHERE M.GroupCode = X.GroupCode AND M.Code = X.Code)
GO

INSERT INTO Branch (BranchCode, BranchName)
SELECT X.BranchCode, X.BranchName
  FROM (SELECT '0001' AS BranchCode, 'สาขา 0001 ลาดพร้าว' AS BranchName
        UNION ALL SELECT '0002', 'สาขา 0002 บางนา'
        UNION ALL SELECT '0003', 'สาขา 0003 เชียงใหม่'
        UNION ALL SELECT '0004', 'สาขา 0004 ขอนแก่น') X
 WHERE NOT EXISTS (SELECT B.Id FROM Branch B WHERE B.BranchCode = X.BranchCode)
GO

IF EXISTS (SELECT Id FROM TransferCarHd WHERE DocNo = 'TC26-00001') RETURN
INSERT INTO TranBranchHd (DocNo, DocDate, TranType, Branch)
SELECT X.DocNo, CONVERT(date, GETDATE() - X.Age), X.TranType,
       (SELECT B.Id FROM Branch B WHERE B.BranchCode = X.BranchCode)
  FROM (SELECT 'TB26-00101' AS DocNo, 3 AS Age, 'O' AS TranType, '0001' AS BranchCode
        UNION ALL SELECT 'TB26-00102', 3, 'O', '0002'
        UNION ALL SELECT 'TB26-00103', 2, 'O', '0003'
        UNION ALL SELECT 'TB26-00104', 2, 'O', '0004'
        UNION ALL SELECT 'TB26-00105', 1, 'I', '0002'
        UNION ALL SELECT 'TB26-00106', 1, 'O', '0001'
        UNION ALL SELECT 'TB26-00107', 1, 'O', '0002'
        UNION ALL SELECT 'TB26-00108', 0, 'O', '0001') X
 ORDER BY X.DocNo
INSERT INTO TranBranchDt (TranBranchHd, BoxNo)
SELECT (SELECT H.Id FROM TranBranchHd H WHERE H.DocNo = X.DocNo), X.BoxNo
  FROM (SELECT 'TB26-00101' AS DocNo, 'BX2600001' AS BoxNo
        UNION ALL SELECT 'TB26-00101', 'BX2600002'
        UNION ALL SELECT 'TB26-00101', 'BX2600003'
        UNION ALL SELECT 'TB26-00102', 'BX2600004'
        UNION ALL SELECT 'TB26-00102', 'BX2600005'
        UNION ALL SELECT 'TB26-00102', 'BX2600006'
        UNION ALL SELECT 'TB26-00103', 'BX2600007'
        UNION ALL SELECT 'TB26-00103', 'BX2600008'
        UNION ALL SELECT 'TB26-00103', 'BX2600010'
        UNION ALL SELECT 'TB26-00104', 'BX2600009'
        UNION ALL SELECT 'TB26-00104', 'BX2600010'
        UNION ALL SELECT 'TB26-00106', 'BX2600011'
        UNION ALL SELECT 'TB26-00106', 'BX2600012'
        UNION ALL SELECT 'TB26-00106', 'BX2600012'
        UNION ALL SELECT 'TB26-00106', 'BX2600014'
        UNION ALL SELECT 'TB26-00107', 'BX2600013'
        UNION ALL SELECT 'TB26-00107', 'BX2600014'
        UNION ALL SELECT 'TB26-00105', 'BX2600015'
        UNION ALL SELECT 'TB26-00108', 'BX2600016') X
INSERT INTO TransferCarHd (DocNo, DocDate, CarNo, Closed)
SELECT X.DocNo, CONVERT(date, GETDATE() - X.Age), X.CarNo, X.Closed
  FROM (SELECT 'TC26-00001' AS DocNo, 3 AS Age, 'C01' AS CarNo, 'Y' AS Closed
        UNION ALL SELECT 'TC26-00002', 3, 'C02', 'Y'
        UNION ALL SELECT 'TC26-00003', 2, 'C03', 'Y'
        UNION ALL SELECT 'TC26-00004', 1, 'C01', 'Y'
        UNION ALL SELECT 'TC26-00005', 0, 'C02', 'N') X
 ORDER BY X.DocNo
INSERT INTO TransferCarDt (TransferCarHd, BoxNo)
SELECT (SELECT T.Id FROM TransferCarHd T WHERE T.DocNo = X.DocNo), X.BoxNo
  FROM (SELECT 'TC26-00001' AS DocNo, 'BX2600001' AS BoxNo
        UNION ALL SELECT 'TC26-00001', 'BX2600002'
        UNION ALL SELECT 'TC26-00001', 'BX2600003'
        UNION ALL SELECT 'TC26-00001', 'BX2600004'
        UNION ALL SELECT 'TC26-00001', 'BX2600005'
        UNION ALL SELECT 'TC26-00002', 'BX2600006'
        UNION ALL SELECT 'TC26-00003', 'BX2600007'
        UNION ALL SELECT 'TC26-00003', 'BX2600008'
        UNION ALL SELECT 'TC26-00003', 'BX2600009'
        UNION ALL SELECT 'TC26-00003', 'BX2600010'
        UNION ALL SELECT 'TC26-00004', 'BX2600011'
        UNION ALL SELECT 'TC26-00004', 'BX2600012'
        UNION ALL SELECT 'TC26-00004', 'BX2600013'
        UNION ALL SELECT 'TC26-00004', 'BX2600014'
        UNION ALL SELECT 'TC26-00004', 'BX2600015'
        UNION ALL SELECT 'TC26-00005', 'BX2600016') X
GO
