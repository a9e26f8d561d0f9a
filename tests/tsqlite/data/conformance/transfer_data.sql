-- Vehicle trips with the boxes loaded on them, and the transfer notes the boxes belong to.
INSERT INTO Misc (GroupCode, Code, Description) VALUES ('CARNO', '70-1111', 'รถบรรทุก 6 ล้อ')
INSERT INTO Misc (GroupCode, Code, Description) VALUES ('CARNO', '70-2222', 'รถบรรทุก 10 ล้อ')
GO
SET IDENTITY_INSERT Branch ON
INSERT INTO Branch (Id, BranchCode, BranchName) VALUES (1, '0029', 'สาขา 29 ลาดพร้าว')
INSERT INTO Branch (Id, BranchCode, BranchName) VALUES (2, '0036', 'สาขา 36 เชียงใหม่')
SET IDENTITY_INSERT Branch OFF
GO
SET IDENTITY_INSERT TranBranchHd ON
INSERT INTO TranBranchHd (Id, DocNo, TranType, Branch) VALUES (1, 'TO00000001', 'O', 1)
INSERT INTO TranBranchHd (Id, DocNo, TranType, Branch) VALUES (2, 'TO00000002', 'O', 2)
INSERT INTO TranBranchHd (Id, DocNo, TranType, Branch) VALUES (3, 'TI00000001', 'I', 2)
SET IDENTITY_INSERT TranBranchHd OFF
GO
-- BX01 holds two lines of one note; BX02 holds lines for both branches; BX04 is incoming.
INSERT INTO TranBranchDt (TranBranchHd, BoxNo) VALUES (1, 'BX01')
INSERT INTO TranBranchDt (TranBranchHd, BoxNo) VALUES (1, 'BX01')
INSERT INTO TranBranchDt (TranBranchHd, BoxNo) VALUES (1, 'BX02')
INSERT INTO TranBranchDt (TranBranchHd, BoxNo) VALUES (2, 'BX02')
INSERT INTO TranBranchDt (TranBranchHd, BoxNo) VALUES (2, 'BX03')
INSERT INTO TranBranchDt (TranBranchHd, BoxNo) VALUES (3, 'BX04')
INSERT INTO TranBranchDt (TranBranchHd, BoxNo) VALUES (1, 'BX05')
GO
-- 70-1111: an earlier closed trip and the latest closed one. 70-2222: latest trip still open.
SET IDENTITY_INSERT TransferCarHd ON
INSERT INTO TransferCarHd (Id, DocNo, CarNo, Closed) VALUES (1, 'TC0001', '70-1111', 'Y')
INSERT INTO TransferCarHd (Id, DocNo, CarNo, Closed) VALUES (2, 'TC0002', '70-1111', 'Y')
INSERT INTO TransferCarHd (Id, DocNo, CarNo, Closed) VALUES (3, 'TC0003', '70-2222', 'Y')
INSERT INTO TransferCarHd (Id, DocNo, CarNo, Closed) VALUES (4, 'TC0004', '70-2222', 'N')
SET IDENTITY_INSERT TransferCarHd OFF
GO
INSERT INTO TransferCarDt (TransferCarHd, BoxNo) VALUES (1, 'BX05')
INSERT INTO TransferCarDt (TransferCarHd, BoxNo) VALUES (2, 'BX01')
INSERT INTO TransferCarDt (TransferCarHd, BoxNo) VALUES (2, 'BX02')
INSERT INTO TransferCarDt (TransferCarHd, BoxNo) VALUES (2, 'BX03')
INSERT INTO TransferCarDt (TransferCarHd, BoxNo) VALUES (2, 'BX04')
INSERT INTO TransferCarDt (TransferCarHd, BoxNo) VALUES (3, 'BX01')
INSERT INTO TransferCarDt (TransferCarHd, BoxNo) VALUES (4, 'BX03')
GO
-- Print layouts and the vehicle document's print procedure.
INSERT INTO SystemForm (FormOrderNo, FormCode, FormDesc, FrfName, SpName, DocCode, DocParaName, ShowPrintPreview)
VALUES (2, ' CARTRANNO ', 'ใบโอนจ่ายตามรถ (fr3)', 'CarTran.fr3', '', '', '', 'N')
INSERT INTO SystemForm (FormOrderNo, FormCode, FormDesc, FrfName, SpName, DocCode, DocParaName, ShowPrintPreview)
VALUES (1, 'CARTRANNO', 'ใบโอนจ่ายตามรถ', 'Forms\CarTran.frf', 'SpPrintCarTran ', 'CARTRANNO', 'DocNo', 'Y')
INSERT INTO SystemForm (FormOrderNo, FormCode, FormDesc, FrfName, SpName, DocCode, DocParaName, ShowPrintPreview)
VALUES (1, 'IV01', 'ใบกำกับภาษี', 'Forms\Iv01.frf', NULL, 'IV', NULL, 'Y')
GO
