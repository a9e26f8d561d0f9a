-- Branch 0029's stock, sales and earlier orders. Needs OrderBranch and UserProdGroup, which
-- the branch order screen's start-up script creates. Dates are relative to today.
INSERT INTO OracleConfig (BranchCode) VALUES ('0029')
GO
SET IDENTITY_INSERT Warehouse ON
INSERT INTO Warehouse (Id, Code, Name, WhType) VALUES (1, 'WF', 'หน้าร้าน', 'F')
INSERT INTO Warehouse (Id, Code, Name, WhType) VALUES (2, 'WS', 'คลังสำรอง', 'S')
SET IDENTITY_INSERT Warehouse OFF
GO
INSERT INTO Misc (GroupCode, Code, Description) VALUES ('PRICETYPE', '0', 'ราคาขายปลีก')
INSERT INTO Misc (GroupCode, Code, Description) VALUES ('PRICETYPE', '1', 'ราคาส่ง')
INSERT INTO Misc (GroupCode, Code, Description) VALUES ('PRODDEPT', 'D01', 'ของแห้ง')
INSERT INTO Misc (GroupCode, Code, Description) VALUES ('PRODGROUP', 'G1', 'เครื่องปรุง')
INSERT INTO Misc (GroupCode, Code, Description) VALUES ('PRODGROUP', 'G2', 'ของใช้')
GO
INSERT INTO UserProdGroup (UserId, ProdGroup) VALUES (7, 'G1')
INSERT INTO UserProdGroup (UserId, ProdGroup) VALUES (7, 'G2')
INSERT INTO UserProdGroup (UserId, ProdGroup) VALUES (9, 'G3')
GO
-- One product unit per replenishment rule, inside and outside it.
SET IDENTITY_INSERT Product ON
INSERT INTO Product (Id, Code, ThaiName, ProdDept, ProdGroup, Blocked) VALUES (1, 'P001', 'น้ำปลาแท้', 'D01', 'G1', 'N')
INSERT INTO Product (Id, Code, ThaiName, ProdDept, ProdGroup, Blocked) VALUES (2, 'P002', 'ซีอิ๊วขาว', NULL, 'G9', 'N')
INSERT INTO Product (Id, Code, ThaiName, ProdDept, ProdGroup, Blocked) VALUES (3, 'P003', 'น้ำมันหอย', 'D01', 'G3', 'N')
INSERT INTO Product (Id, Code, ThaiName, ProdDept, ProdGroup, Blocked) VALUES (4, 'P004', 'ซอสพริก', 'D01', 'G1', 'N')
INSERT INTO Product (Id, Code, ThaiName, ProdDept, ProdGroup, Blocked) VALUES (5, 'P005', 'ผงซักฟอก', 'D01', 'G2', 'N')
INSERT INTO Product (Id, Code, ThaiName, ProdDept, ProdGroup, Blocked) VALUES (6, '  01237001', 'สินค้าฝากขาย', 'D01', 'G1', 'N')
INSERT INTO Product (Id, Code, ThaiName, ProdDept, ProdGroup, Blocked) VALUES (7, 'P007', 'น้ำตาลทราย', 'D01', 'G1', 'N')
INSERT INTO Product (Id, Code, ThaiName, ProdDept, ProdGroup, Blocked) VALUES (8, 'P008', 'เกลือป่น', 'D01', 'G1', 'N')
INSERT INTO Product (Id, Code, ThaiName, ProdDept, ProdGroup, Blocked) VALUES (9, 'P009', 'พริกไทย', 'D01', 'G1', 'N')
INSERT INTO Product (Id, Code, ThaiName, ProdDept, ProdGroup, Blocked) VALUES (10, 'P010', 'น้ำส้มสายชู', 'D01', 'G1', 'N')
INSERT INTO Product (Id, Code, ThaiName, ProdDept, ProdGroup, Blocked) VALUES (11, 'P011', 'กะทิกล่อง', 'D01', 'G1', 'N')
INSERT INTO Product (Id, Code, ThaiName, ProdDept, ProdGroup, Blocked) VALUES (12, 'P012', 'นมกล่อง', 'D01', 'G1', 'N')
SET IDENTITY_INSERT Product OFF
GO
SET IDENTITY_INSERT ProductUnits ON
INSERT INTO ProductUnits (Id, Product, BarCode, UnitName, Fraction, AutoOrder, SmallUnitFlag, StockUnitFlag) VALUES (101, 1, '8850000000101', 'ขวด', 1, 'Y', 'Y', 'Y')
INSERT INTO ProductUnits (Id, Product, BarCode, UnitName, Fraction, AutoOrder, SmallUnitFlag, StockUnitFlag) VALUES (102, 2, '8850000000102', 'ขวด', 1, 'Y', 'Y', 'Y')
INSERT INTO ProductUnits (Id, Product, BarCode, UnitName, Fraction, AutoOrder, SmallUnitFlag, StockUnitFlag) VALUES (103, 3, '8850000000103', 'ขวด', 1, 'Y', 'Y', 'Y')
INSERT INTO ProductUnits (Id, Product, BarCode, UnitName, Fraction, AutoOrder, SmallUnitFlag, StockUnitFlag) VALUES (104, 4, '8850000000104', 'ขวด', 1, 'N', 'Y', 'Y')
INSERT INTO ProductUnits (Id, Product, BarCode, UnitName, Fraction, AutoOrder, SmallUnitFlag, StockUnitFlag) VALUES (105, 5, '8850000000105', 'ถุง', 1, NULL, 'Y', 'Y')
INSERT INTO ProductUnits (Id, Product, BarCode, UnitName, Fraction, AutoOrder, SmallUnitFlag, StockUnitFlag) VALUES (106, 6, '8850000000106', 'ชิ้น', 1, 'Y', 'Y', 'Y')
INSERT INTO ProductUnits (Id, Product, BarCode, UnitName, Fraction, AutoOrder, SmallUnitFlag, StockUnitFlag) VALUES (107, 7, '8850000000107', 'ถุง', 1, 'Y', 'Y', 'Y')
INSERT INTO ProductUnits (Id, Product, BarCode, UnitName, Fraction, AutoOrder, SmallUnitFlag, StockUnitFlag) VALUES (108, 8, '8850000000108', 'ถุง', 1, 'Y', 'Y', 'Y')
INSERT INTO ProductUnits (Id, Product, BarCode, UnitName, Fraction, AutoOrder, SmallUnitFlag, StockUnitFlag) VALUES (109, 9, '8850000000109', 'ขวด', 1, 'Y', 'Y', 'Y')
INSERT INTO ProductUnits (Id, Product, BarCode, UnitName, Fraction, AutoOrder, SmallUnitFlag, StockUnitFlag) VALUES (110, 10, '8850000000110', 'ขวด', 1, 'Y', 'Y', 'Y')
INSERT INTO ProductUnits (Id, Product, BarCode, UnitName, Fraction, AutoOrder, SmallUnitFlag, StockUnitFlag) VALUES (111, 11, '8850000000111', 'กล่อง', 1, 'Y', 'Y', 'Y')
INSERT INTO ProductUnits (Id, Product, BarCode, UnitName, Fraction, AutoOrder, SmallUnitFlag, StockUnitFlag) VALUES (112, 12, '8850000000112', 'ลัง', 12, 'Y', 'N', 'N')
INSERT INTO ProductUnits (Id, Product, BarCode, UnitName, Fraction, AutoOrder, SmallUnitFlag, StockUnitFlag) VALUES (113, 12, '8850000000113', 'กล่อง', 1, 'Y', 'Y', 'Y')
SET IDENTITY_INSERT ProductUnits OFF
GO
INSERT INTO ProductManage (Product, ProductUnits, MinQnty, MaxQnty) VALUES (1, 101, 10, 20)
INSERT INTO ProductManage (Product, ProductUnits, MinQnty, MaxQnty) VALUES (3, 103, 10, 0)
INSERT INTO ProductManage (Product, ProductUnits, MinQnty, MaxQnty) VALUES (4, 104, 10, 0)
INSERT INTO ProductManage (Product, ProductUnits, MinQnty, MaxQnty) VALUES (5, 105, 5, 0)
INSERT INTO ProductManage (Product, ProductUnits, MinQnty, MaxQnty) VALUES (6, 106, 10, 0)
INSERT INTO ProductManage (Product, ProductUnits, MinQnty, MaxQnty) VALUES (7, 107, 10, 50)
INSERT INTO ProductManage (Product, ProductUnits, MinQnty, MaxQnty) VALUES (8, 108, 5, 50)
INSERT INTO ProductManage (Product, ProductUnits, MinQnty, MaxQnty) VALUES (9, 109, 10, 4)
INSERT INTO ProductManage (Product, ProductUnits, MinQnty, MaxQnty) VALUES (10, 110, 10, 0)
INSERT INTO ProductManage (Product, ProductUnits, MinQnty, MaxQnty) VALUES (11, 111, 10, 0)
INSERT INTO ProductManage (Product, ProductUnits, MinQnty, MaxQnty) VALUES (12, 112, 4, 0)
INSERT INTO ProductManage (Product, ProductUnits, MinQnty, MaxQnty) VALUES (12, 113, 20, 0)
GO
-- Stock in base units. Unit 101 also has stock outside the shop warehouse, after the current
-- period, in last year's balance and in a warehouse that no longer exists.
DECLARE @Y int
SET @Y = YEAR(GETDATE())
INSERT INTO ProductOnhand (Product, ProductUnits, Warehouse, BalanceYear, PeriodNo, Quantity) VALUES (1, 101, 1, @Y, 0, 2)
INSERT INTO ProductOnhand (Product, ProductUnits, Warehouse, BalanceYear, PeriodNo, Quantity) VALUES (1, 101, 2, @Y, 0, 5)
INSERT INTO ProductOnhand (Product, ProductUnits, Warehouse, BalanceYear, PeriodNo, Quantity) VALUES (1, 101, 2, @Y, 13, 100)
INSERT INTO ProductOnhand (Product, ProductUnits, Warehouse, BalanceYear, PeriodNo, Quantity) VALUES (1, 101, 1, @Y - 1, 0, 50)
INSERT INTO ProductOnhand (Product, ProductUnits, Warehouse, BalanceYear, PeriodNo, Quantity) VALUES (1, 101, 99, @Y, 0, 1000)
INSERT INTO ProductOnhand (Product, ProductUnits, Warehouse, BalanceYear, PeriodNo, Quantity) VALUES (5, 105, 1, @Y, 0, 1)
INSERT INTO ProductOnhand (Product, ProductUnits, Warehouse, BalanceYear, PeriodNo, Quantity) VALUES (7, 107, 1, @Y, 0, 6)
INSERT INTO ProductOnhand (Product, ProductUnits, Warehouse, BalanceYear, PeriodNo, Quantity) VALUES (8, 108, 2, @Y, 0, 100)
INSERT INTO ProductOnhand (Product, ProductUnits, Warehouse, BalanceYear, PeriodNo, Quantity) VALUES (8, 108, 1, @Y - 1, 0, 100)
INSERT INTO ProductOnhand (Product, ProductUnits, Warehouse, BalanceYear, PeriodNo, Quantity) VALUES (9, 109, 1, @Y, 0, 4)
INSERT INTO ProductOnhand (Product, ProductUnits, Warehouse, BalanceYear, PeriodNo, Quantity) VALUES (10, 110, 1, @Y, 0, 3)
INSERT INTO ProductOnhand (Product, ProductUnits, Warehouse, BalanceYear, PeriodNo, Quantity) VALUES (11, 111, 1, @Y, 0, 3)
INSERT INTO ProductOnhand (Product, ProductUnits, Warehouse, BalanceYear, PeriodNo, Quantity) VALUES (12, 112, 1, @Y, 0, 36)
INSERT INTO ProductOnhand (Product, ProductUnits, Warehouse, BalanceYear, PeriodNo, Quantity) VALUES (12, 113, 1, @Y, 0, 36)
GO
INSERT INTO ProductPrice (ProductUnits, PriceType, Price)
SELECT 101, Id, 35.50 FROM Misc WHERE GroupCode = 'PRICETYPE' AND Code = '0'
INSERT INTO ProductPrice (ProductUnits, PriceType, Price)
SELECT 101, Id, 30.00 FROM Misc WHERE GroupCode = 'PRICETYPE' AND Code = '1'
GO
-- Sales of units 101 and 105. Only documents after the start of user 7's span (midnight ten
-- days ago), up to now and not cancelled count: 101 sold 3 + 2 + 4 - 1 - 1 = 7, 105 sold 2 - 5.
SET IDENTITY_INSERT Customer ON
INSERT INTO Customer (Id, Code, Name, Blocked) VALUES (1, 'C001', 'ลูกค้าเงินสด', 'N')
SET IDENTITY_INSERT Customer OFF
GO
SET IDENTITY_INSERT IvHd ON
INSERT INTO IvHd (Id, IvNo, IvDate, Customer, DelFlag) VALUES (1, 'IV0001', DATEADD(day, -2, GETDATE()), 1, 'N')
INSERT INTO IvHd (Id, IvNo, IvDate, Customer, DelFlag) VALUES (2, 'IV0002', DATEADD(day, -2, GETDATE()), 1, 'Y')
INSERT INTO IvHd (Id, IvNo, IvDate, Customer, DelFlag) VALUES (3, 'IV0003', DATEADD(day, -40, GETDATE()), 1, 'N')
INSERT INTO IvHd (Id, IvNo, IvDate, Customer, DelFlag) VALUES (4, 'IV0004', CONVERT(datetime, CONVERT(char(8), DATEADD(day, -10, GETDATE()), 112)), 1, 'N')
INSERT INTO IvHd (Id, IvNo, IvDate, Customer, DelFlag) VALUES (5, 'IV0005', DATEADD(day, 1, GETDATE()), 1, 'N')
SET IDENTITY_INSERT IvHd OFF
SET IDENTITY_INSERT IvDt ON
INSERT INTO IvDt (Id, IvHd, Product, ProductUnits, Quantity, Fraction, Price) VALUES (1, 1, 1, 101, 3, 1, 35.5)
INSERT INTO IvDt (Id, IvHd, Product, ProductUnits, Quantity, Fraction, Price) VALUES (2, 2, 1, 101, 100, 1, 35.5)
INSERT INTO IvDt (Id, IvHd, Product, ProductUnits, Quantity, Fraction, Price) VALUES (3, 3, 1, 101, 100, 1, 35.5)
INSERT INTO IvDt (Id, IvHd, Product, ProductUnits, Quantity, Fraction, Price) VALUES (4, 4, 1, 101, 100, 1, 35.5)
INSERT INTO IvDt (Id, IvHd, Product, ProductUnits, Quantity, Fraction, Price) VALUES (5, 5, 1, 101, 100, 1, 35.5)
INSERT INTO IvDt (Id, IvHd, Product, ProductUnits, Quantity, Fraction, Price) VALUES (6, 1, 5, 105, 2, 1, 89)
SET IDENTITY_INSERT IvDt OFF
GO
SET IDENTITY_INSERT PosHd ON
INSERT INTO PosHd (Id, PosNo, PosDate, DelFlag) VALUES (1, 'PS0001', DATEADD(day, -1, GETDATE()), 'N')
SET IDENTITY_INSERT PosHd OFF
SET IDENTITY_INSERT PosDt ON
INSERT INTO PosDt (Id, PosHd, Product, ProductUnits, Quantity) VALUES (1, 1, 1, 101, 2)
SET IDENTITY_INSERT PosDt OFF
SET IDENTITY_INSERT PosHeader ON
INSERT INTO PosHeader (Id, PosNo, PosDate, DelFlag) VALUES (1, 'POS0001', DATEADD(day, -1, GETDATE()), 'N')
SET IDENTITY_INSERT PosHeader OFF
SET IDENTITY_INSERT PosDetail ON
INSERT INTO PosDetail (Id, PosHeader, Product, ProductUnits, Quantity, Price) VALUES (1, 1, 1, 101, 4, 35.5)
SET IDENTITY_INSERT PosDetail OFF
SET IDENTITY_INSERT SrHd ON
INSERT INTO SrHd (Id, SrNo, SrDate, Customer, DelFlag) VALUES (1, 'SR0001', DATEADD(day, -1, GETDATE()), 1, 'N')
SET IDENTITY_INSERT SrHd OFF
SET IDENTITY_INSERT SrDt ON
INSERT INTO SrDt (Id, SrHd, Product, ProductUnits, Quantity) VALUES (1, 1, 1, 101, 1)
INSERT INTO SrDt (Id, SrHd, Product, ProductUnits, Quantity) VALUES (2, 1, 5, 105, 5)
SET IDENTITY_INSERT SrDt OFF
SET IDENTITY_INSERT PoSrHd ON
INSERT INTO PoSrHd (Id, SrNo, SrDate, DelFlag) VALUES (1, 'PSR0001', DATEADD(day, -1, GETDATE()), 'N')
SET IDENTITY_INSERT PoSrHd OFF
SET IDENTITY_INSERT PoSrDt ON
INSERT INTO PoSrDt (Id, PoSrHd, Product, ProductUnits, Quantity) VALUES (1, 1, 1, 101, 1)
SET IDENTITY_INSERT PoSrDt OFF
GO
-- Earlier orders. User 7 last ordered ten days ago, user 9 fifty days ago. All rows of one
-- order carry the same date.
DECLARE @d10 datetime, @d20 datetime, @d50 datetime
SET @d10 = DATEADD(day, -10, GETDATE())
SET @d20 = DATEADD(day, -20, GETDATE())
SET @d50 = DATEADD(day, -50, GETDATE())
INSERT INTO OrderBranch (OrderNO, OrderDate, TranBranchNo, Product, ProductUnits, SaleQnty, MinQnty, OrderQnty, Onhand,
                         Transfer, ReceivedQnty, BackOrder, UserId, CloseOrder, Remark)
VALUES ('No0000000001', @d20, '', 1, 101, 3, 5, 5, 5, 'Y', 5, 0, 7, 'Y', 'รับครบ')
INSERT INTO OrderBranch (OrderNO, OrderDate, TranBranchNo, Product, ProductUnits, SaleQnty, MinQnty, OrderQnty, Onhand,
                         Transfer, ReceivedQnty, BackOrder, UserId, CloseOrder, Remark)
VALUES ('No0000000002', @d10, '', 1, 101, 5, 8, 6, 2, 'Y', 0, 6, 7, 'W', NULL)
INSERT INTO OrderBranch (OrderNO, OrderDate, TranBranchNo, Product, ProductUnits, SaleQnty, MinQnty, OrderQnty, Onhand,
                         Transfer, ReceivedQnty, BackOrder, UserId, CloseOrder, Remark)
VALUES ('No0000000002', @d10, '', 10, 110, 0, 7, 8, 3, 'N', 0, 8, 7, 'O', 'สินค้าหมดคลัง')
INSERT INTO OrderBranch (OrderNO, OrderDate, TranBranchNo, Product, ProductUnits, SaleQnty, MinQnty, OrderQnty, Onhand,
                         Transfer, ReceivedQnty, BackOrder, UserId, CloseOrder, Remark)
VALUES ('No0000000002', @d10, '', 11, 111, 3, 0, 8, 3, 'N', 0, 8, 7, 'C', NULL)
INSERT INTO OrderBranch (OrderNO, OrderDate, TranBranchNo, Product, ProductUnits, SaleQnty, MinQnty, OrderQnty, Onhand,
                         Transfer, ReceivedQnty, BackOrder, UserId, CloseOrder, Remark)
VALUES ('No0000000002', @d10, '', 2, 102, 2, 0, 1, 0, 'N', 0, 1, 7, 'N', NULL)
INSERT INTO OrderBranch (OrderNO, OrderDate, TranBranchNo, Product, ProductUnits, SaleQnty, MinQnty, OrderQnty, Onhand,
                         Transfer, ReceivedQnty, BackOrder, UserId, CloseOrder, Remark)
VALUES ('No0000000003', @d50, '', 1, 101, 0, 0, 0, 0, 'N', 0, 0, 9, 'N', NULL)
INSERT INTO OrderBranch (OrderNO, OrderDate, TranBranchNo, Product, ProductUnits, SaleQnty, MinQnty, OrderQnty, Onhand,
                         Transfer, ReceivedQnty, BackOrder, UserId, CloseOrder, Remark)
VALUES ('No0000000003', @d50, '', 7, 107, 0, 4, 4, 6, 'N', 0, 4, 9, 'N', NULL)
INSERT INTO OrderBranch (OrderNO, OrderDate, TranBranchNo, Product, ProductUnits, SaleQnty, MinQnty, OrderQnty, Onhand,
                         Transfer, ReceivedQnty, BackOrder, UserId, CloseOrder, Remark)
VALUES ('No0000000004', @d50, '', 10, 110, 0, 2, 2, 0, 'N', 0, 2, 9, 'B', NULL)
INSERT INTO OrderBranch (OrderNO, OrderDate, TranBranchNo, Product, ProductUnits, SaleQnty, MinQnty, OrderQnty, Onhand,
                         Transfer, ReceivedQnty, BackOrder, UserId, CloseOrder, Remark)
VALUES ('No0000000004', @d50, '', 11, 111, 0, 3, 3, 0, 'N', 0, 3, 9, 'A', NULL)
INSERT INTO OrderBranch (OrderNO, OrderDate, TranBranchNo, Product, ProductUnits, SaleQnty, MinQnty, OrderQnty, Onhand,
                         Transfer, ReceivedQnty, BackOrder, UserId, CloseOrder, Remark)
VALUES ('No0000000004', @d50, '', 9, 109, 0, 5, 5, 0, 'N', 7, -2, 9, 'Y', 'รับเกิน')
INSERT INTO OrderBranch (OrderNO, OrderDate, TranBranchNo, Product, ProductUnits, SaleQnty, MinQnty, OrderQnty, Onhand,
                         Transfer, ReceivedQnty, BackOrder, UserId, CloseOrder, Remark)
VALUES ('No0000000004', @d50, '', 4, 104, 0, 1, 1, 0, 'N', 0, 1, 9, 'Z', NULL)
GO
UPDATE DocumentNo SET LastNo = 4 WHERE Code = 'ORD-BRANCH'
GO
