-- Distribution centre NWX: products, stock by location, and branch order lines held for
-- picking. Open lines carry no pick number (NULL) until they are picked.
-- The picking script made the two divisions; here they carry the names the tests read.
UPDATE Misc SET Description = 'ของแห้ง' WHERE GroupCode = 'DIVISION' AND Code = '10'
UPDATE Misc SET Description = 'แช่แข็ง' WHERE GroupCode = 'DIVISION' AND Code = '20'
GO
DECLARE @dry int, @frozen int
SELECT @dry = Id FROM Misc WHERE GroupCode = 'DIVISION' AND Code = '10'
SELECT @frozen = Id FROM Misc WHERE GroupCode = 'DIVISION' AND Code = '20'
SET IDENTITY_INSERT Product ON
INSERT INTO Product (Id, Code, ThaiName, Blocked, Negative, Useserial, locationassign, Division) VALUES (1, 'A100', 'ข้าวสาร 5 กก.', 'N', 'N', 'N', 'L-A01', @dry)
INSERT INTO Product (Id, Code, ThaiName, Blocked, Negative, Useserial, locationassign, Division) VALUES (2, 'A200', 'น้ำมันพืช 1 ลิตร', 'N', 'Y', 'N', 'L-A02', @dry)
INSERT INTO Product (Id, Code, ThaiName, Blocked, Negative, Useserial, locationassign, Division) VALUES (3, 'A300', 'สบู่ก้อน', 'N', 'N', 'N', 'L-A03', @dry)
INSERT INTO Product (Id, Code, ThaiName, Blocked, Negative, Useserial, locationassign, Division) VALUES (4, 'F100', 'ไก่แช่แข็ง', 'N', 'N', 'N', 'L-F01', @frozen)
SET IDENTITY_INSERT Product OFF
GO
SET IDENTITY_INSERT ProductUnits ON
INSERT INTO ProductUnits (Id, Product, BarCode, UnitName, Fraction, SmallUnitFlag, StockUnitFlag) VALUES (1, 1, 'BA100', 'ถุง', 1, 'Y', 'Y')
INSERT INTO ProductUnits (Id, Product, BarCode, UnitName, Fraction, SmallUnitFlag, StockUnitFlag) VALUES (2, 2, 'BA200', 'ขวด', 1, 'Y', 'Y')
INSERT INTO ProductUnits (Id, Product, BarCode, UnitName, Fraction, SmallUnitFlag, StockUnitFlag) VALUES (3, 3, 'BA300', 'ก้อน', 1, 'Y', 'Y')
INSERT INTO ProductUnits (Id, Product, BarCode, UnitName, Fraction, SmallUnitFlag, StockUnitFlag) VALUES (4, 4, 'BF100', 'แพ็ค', 1, 'Y', 'Y')
SET IDENTITY_INSERT ProductUnits OFF
GO
INSERT INTO ProductOnhandSend (ProdCode, BarCode, Onhand, WhZone, WhCode) VALUES ('A100', 'BA100', 10, 'A', 'A-01')
INSERT INTO ProductOnhandSend (ProdCode, BarCode, Onhand, WhZone, WhCode) VALUES ('A100', 'BA100', 5, 'B', 'B-07')
INSERT INTO ProductOnhandSend (ProdCode, BarCode, Onhand, WhZone, WhCode) VALUES ('A300', 'BA300', 3, 'A', 'A-02')
INSERT INTO ProductOnhandSend (ProdCode, BarCode, Onhand, WhZone, WhCode) VALUES ('F100', 'BF100', 0, 'F', 'F-01')
GO
SET IDENTITY_INSERT Customer ON
INSERT INTO Customer (Id, Code, Name, Blocked) VALUES (1, 'C001', 'ร้านค้าส่ง ก', 'N')
SET IDENTITY_INSERT Customer OFF
GO
INSERT INTO BranchPick (Days, BranchCode) VALUES ('MON', '0041')
INSERT INTO BranchPick (Days, BranchCode) VALUES ('MON', '0029')
INSERT INTO BranchPick (Days, BranchCode) VALUES ('TUE', '0036')
INSERT INTO BranchPick (Days, BranchCode) VALUES ('WED', 'B02')
INSERT INTO BranchPick (Days, BranchCode) VALUES ('WED', 'B01')
INSERT INTO BranchPick (Days, BranchCode) VALUES ('THU', 'B03')
GO
DECLARE @d1 datetime, @d3 datetime
SET @d1 = DATEADD(day, -1, GETDATE())
SET @d3 = DATEADD(day, -3, GETDATE())
-- Open lines of branches 0029 (Central), 0036 (North) and 0041 (Central).
INSERT INTO TranBranch (OrderNO, OrderDate, PickNo, PickDate, BranchCode, ProdCode, BarCode, OrderQnty, SendQnty, CloseOrder, OrderType, Transfer, OrderBranchId, UpdateBranch)
VALUES ('No0000000101', @d1, NULL, NULL, '0029', 'A100', 'BA100', 4, 0, 'N', '2', 'N', 501, 'Y')
INSERT INTO TranBranch (OrderNO, OrderDate, PickNo, PickDate, BranchCode, ProdCode, BarCode, OrderQnty, SendQnty, CloseOrder, OrderType, Transfer, OrderBranchId, UpdateBranch)
VALUES ('No0000000101', @d1, NULL, NULL, '0029', 'A200', 'BA200', 2, 0, 'N', '3', 'N', 502, 'Y')
INSERT INTO TranBranch (OrderNO, OrderDate, PickNo, PickDate, BranchCode, ProdCode, BarCode, OrderQnty, SendQnty, CloseOrder, OrderType, Transfer, OrderBranchId, UpdateBranch)
VALUES ('No0000000101', @d1, NULL, NULL, '0029', 'F100', 'BF100', 1, 0, 'N', '3', 'N', 503, 'Y')
INSERT INTO TranBranch (OrderNO, OrderDate, PickNo, PickDate, BranchCode, ProdCode, BarCode, OrderQnty, SendQnty, CloseOrder, OrderType, Transfer, OrderBranchId, UpdateBranch)
VALUES ('No0000000102', @d1, NULL, NULL, '0036', 'A100', 'BA100', 3, 0, 'B', '2', 'N', 601, 'Y')
INSERT INTO TranBranch (OrderNO, OrderDate, PickNo, PickDate, BranchCode, ProdCode, BarCode, OrderQnty, SendQnty, CloseOrder, OrderType, Transfer, OrderBranchId, UpdateBranch)
VALUES ('No0000000102', @d1, NULL, NULL, '0036', 'A300', 'BA300', 1, 1, 'Y', '2', 'N', 602, 'Y')
INSERT INTO TranBranch (OrderNO, OrderDate, PickNo, PickDate, BranchCode, ProdCode, BarCode, OrderQnty, SendQnty, CloseOrder, OrderType, Transfer, OrderBranchId, UpdateBranch)
VALUES ('No0000000102', @d1, NULL, NULL, '0036', 'F100', 'BF100', 2, 0, 'N', '2', 'N', 603, 'Y')
INSERT INTO TranBranch (OrderNO, OrderDate, PickNo, PickDate, BranchCode, ProdCode, BarCode, OrderQnty, SendQnty, CloseOrder, OrderType, Transfer, OrderBranchId, UpdateBranch)
VALUES ('No0000000103', @d1, NULL, NULL, '0041', 'F100', 'BF100', 5, 0, 'A', '1', 'N', 701, 'Y')
INSERT INTO TranBranch (OrderNO, OrderDate, PickNo, PickDate, BranchCode, ProdCode, BarCode, OrderQnty, SendQnty, CloseOrder, OrderType, Transfer, OrderBranchId, UpdateBranch)
VALUES ('No0000000103', @d1, NULL, NULL, '0041', 'A300', 'BA300', 1, 0, 'O', '1', 'Y', 702, 'Y')
-- Pick PK0000000001, made today for branch 0036 and a wholesale customer (one line yesterday).
INSERT INTO TranBranch (OrderNO, OrderDate, PickNo, PickDate, BranchCode, ProdCode, BarCode, OrderQnty, SendQnty, UserPick, CloseOrder, OrderType, ResponsProdGroup, Transfer, OrderBranchId, UpdateBranch, ProductManageNo)
VALUES ('No0000000090', @d3, 'PK0000000001', GETDATE(), '0036', 'A300', 'BA300', 2, 0, 7, 'P', '2', '0036A#001', 'N', 604, 'N', 'PM00000001')
INSERT INTO TranBranch (OrderNO, OrderDate, PickNo, PickDate, BranchCode, ProdCode, BarCode, OrderQnty, SendQnty, UserPick, CloseOrder, OrderType, ResponsProdGroup, Transfer, OrderBranchId, UpdateBranch, ProductManageNo)
VALUES ('No0000000091', @d3, 'PK0000000001', @d1, 'C001', 'A100', 'BA100', 1, 0, 7, 'P', '2', 'C001A#001', 'N', 0, 'N', 'PM00000001')
-- Pick PK0000000002, three days old, already in transit.
INSERT INTO TranBranch (OrderNO, OrderDate, PickNo, PickDate, BranchCode, ProdCode, BarCode, OrderQnty, SendQnty, UserPick, CloseOrder, OrderType, ResponsProdGroup, Transfer, OrderBranchId, UpdateBranch, ProductManageNo)
VALUES ('No0000000080', @d3, 'PK0000000002', @d3, '0041', 'A100', 'BA100', 1, 1, 7, 'T', '2', '0041A#001', 'N', 703, 'N', 'PM00000002')
GO
UPDATE DocumentNo SET LastNo = 2 WHERE Code IN ('PICKORDER', 'PRODUCTMANAGE') AND DocYear = YEAR(GETDATE())
GO
