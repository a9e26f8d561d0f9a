-- Eggs: counted in pieces, stocked in dozens, packed in trays of 30.
SET IDENTITY_INSERT Product ON
INSERT INTO Product (Id, Code, ThaiName) VALUES (1, 'E001', 'ไข่ไก่เบอร์ 2')
INSERT INTO Product (Id, Code, ThaiName) VALUES (2, 'E002', 'ไข่เป็ด')
SET IDENTITY_INSERT Product OFF
GO
SET IDENTITY_INSERT ProductUnits ON
INSERT INTO ProductUnits (Id, Product, BarCode, UnitName, Fraction, SmallUnitFlag, StockUnitFlag) VALUES (1, 1, 'EG01', 'ฟอง', 1, 'Y', 'N')
INSERT INTO ProductUnits (Id, Product, BarCode, UnitName, Fraction, SmallUnitFlag, StockUnitFlag) VALUES (2, 1, 'EG30', 'แผง', 30, 'N', 'N')
INSERT INTO ProductUnits (Id, Product, BarCode, UnitName, Fraction, SmallUnitFlag, StockUnitFlag) VALUES (3, 1, 'EG12', 'โหล', 12, 'N', 'Y')
-- Duck eggs have no smallest unit marked.
INSERT INTO ProductUnits (Id, Product, BarCode, UnitName, Fraction, SmallUnitFlag, StockUnitFlag) VALUES (4, 2, 'DK10', 'แพ็ค', 10, 'N', 'Y')
SET IDENTITY_INSERT ProductUnits OFF
GO
