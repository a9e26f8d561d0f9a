-- Products for the barcode search, with stock and open customer quantities of product 1.
SET IDENTITY_INSERT Product ON
INSERT INTO Product (Id, Code, ThaiName, Blocked) VALUES (1, 'A001', 'ปลากระป๋อง', 'N')
INSERT INTO Product (Id, Code, ThaiName, Blocked) VALUES (2, 'A002', 'ปลาร้าต้มสุก', 'N')
INSERT INTO Product (Id, Code, ThaiName, Blocked) VALUES (3, 'B001', 'Fish Sauce', 'N')
INSERT INTO Product (Id, Code, ThaiName, Blocked) VALUES (4, 'B002', 'ปลาทูน่า', 'Y')
INSERT INTO Product (Id, Code, ThaiName, Blocked) VALUES (5, 'C001', 'น้ำมะปลาง', 'N')
SET IDENTITY_INSERT Product OFF
GO
SET IDENTITY_INSERT ProductUnits ON
INSERT INTO ProductUnits (Id, Product, BarCode, UnitName, Fraction, SmallUnitFlag, StockUnitFlag) VALUES (11, 1, '8850001', 'กระป๋อง', 1, 'Y', 'Y')
INSERT INTO ProductUnits (Id, Product, BarCode, UnitName, Fraction, SmallUnitFlag, StockUnitFlag) VALUES (12, 1, '8850002', 'แพ็ค', 6, 'N', 'N')
INSERT INTO ProductUnits (Id, Product, BarCode, UnitName, Fraction, SmallUnitFlag, StockUnitFlag) VALUES (13, 1, NULL, 'ลัง', 48, 'N', 'N')
INSERT INTO ProductUnits (Id, Product, BarCode, UnitName, Fraction, SmallUnitFlag, StockUnitFlag) VALUES (14, 1, '', 'โหล', 12, 'N', 'N')
INSERT INTO ProductUnits (Id, Product, BarCode, UnitName, Fraction, SmallUnitFlag, StockUnitFlag) VALUES (21, 2, '7770001', 'ขวด', 1, 'Y', 'Y')
INSERT INTO ProductUnits (Id, Product, BarCode, UnitName, Fraction, SmallUnitFlag, StockUnitFlag) VALUES (31, 3, '8850003', 'Bottle', 1, 'Y', 'Y')
INSERT INTO ProductUnits (Id, Product, BarCode, UnitName, Fraction, SmallUnitFlag, StockUnitFlag) VALUES (41, 4, '8850004', 'กระป๋อง', 1, 'Y', 'Y')
INSERT INTO ProductUnits (Id, Product, BarCode, UnitName, Fraction, SmallUnitFlag, StockUnitFlag) VALUES (51, 5, '6660001', 'ขวด', 1, 'Y', 'Y')
SET IDENTITY_INSERT ProductUnits OFF
GO
INSERT INTO ProductOnhand (Product, ProductUnits, Warehouse, BalanceYear, PeriodNo, Quantity)
VALUES (1, 11, 1, YEAR(GETDATE()), 0, 30)
INSERT INTO ProductOnhand (Product, ProductUnits, Warehouse, BalanceYear, PeriodNo, Quantity)
VALUES (1, 11, 1, YEAR(GETDATE()) - 1, 0, 500)
GO
-- Open customer quantity of product 1 in cans: 2 packs ordered (+12), one pack of them
-- invoiced (-6), 3 invoiced but not delivered (+3), 1 delivered against an invoice (-1).
-- Sales orders already billed at the till, and cleared ones, do not count.
SET IDENTITY_INSERT SoDt ON
INSERT INTO SoDt (Id, SoHd, Product, Quantity, Fraction, Clear) VALUES (1, 100, 1, 2, 6, 'N')
INSERT INTO SoDt (Id, SoHd, Product, Quantity, Fraction, Clear) VALUES (2, 200, 1, 10, 1, 'N')
INSERT INTO SoDt (Id, SoHd, Product, Quantity, Fraction, Clear) VALUES (3, 300, 1, 10, 1, 'Y')
SET IDENTITY_INSERT SoDt OFF
SET IDENTITY_INSERT PosHeader ON
INSERT INTO PosHeader (Id, PosNo, PosDate, SoHd, DelFlag) VALUES (1, 'POS0001', GETDATE(), 200, 'N')
INSERT INTO PosHeader (Id, PosNo, PosDate, SoHd, DelFlag) VALUES (2, 'POS0002', GETDATE(), NULL, 'N')
SET IDENTITY_INSERT PosHeader OFF
GO
SET IDENTITY_INSERT IvHd ON
INSERT INTO IvHd (Id, IvNo, IvDate, IvType, NotCutStock, DelFlag) VALUES (1, 'IV0001', GETDATE(), 'A', 'N', 'N')
INSERT INTO IvHd (Id, IvNo, IvDate, IvType, NotCutStock, DelFlag) VALUES (2, 'IV0002', GETDATE(), 'A', 'Y', 'N')
INSERT INTO IvHd (Id, IvNo, IvDate, IvType, NotCutStock, DelFlag) VALUES (3, 'IV0003', GETDATE(), 'B', 'N', 'N')
SET IDENTITY_INSERT IvHd OFF
SET IDENTITY_INSERT IvDt ON
INSERT INTO IvDt (Id, IvHd, Product, ProductUnits, Quantity, Fraction, SoDt, IvdtB) VALUES (1, 1, 1, 12, 1, 6, 1, NULL)
INSERT INTO IvDt (Id, IvHd, Product, ProductUnits, Quantity, Fraction, SoDt, IvdtB) VALUES (2, 2, 1, 11, 3, 1, NULL, NULL)
INSERT INTO IvDt (Id, IvHd, Product, ProductUnits, Quantity, Fraction, SoDt, IvdtB) VALUES (3, 3, 1, 11, 1, 1, NULL, 2)
SET IDENTITY_INSERT IvDt OFF
GO
-- Vehicles for the code-table search.
INSERT INTO Misc (GroupCode, Code, Description) VALUES ('CARNO', '70-2222', 'รถบรรทุก 10 ล้อ')
INSERT INTO Misc (GroupCode, Code, Description) VALUES ('CARNO', '70-1111', 'รถบรรทุก 6 ล้อ')
INSERT INTO Misc (GroupCode, Code, Description) VALUES ('CARNO', '1กข1234', 'รถกระบะ')
INSERT INTO Misc (GroupCode, Code, Description) VALUES ('PRODDEPT', 'T01', 'รถของเล่น')
GO
