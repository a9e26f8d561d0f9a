-- Demo product master of a branch: departments and product groups, warehouses, 323 products
-- with Thai names (eight groups of eight items in five brands, and three consignment
-- products), each counted in one to three units with their own barcodes and prices,
-- customers, salesmen, and the branch's own code. Every branch of the chain has the same
-- products, codes and barcodes.
--
-- Names, codes, barcodes and prices come from the word lists below by arithmetic on a
-- product number (0 to 319): group = n % 8, item = (n / 8) % 8, brand = n / 64. So the
-- data is the same on every run and every server.
-- Rows are only added where missing (by code or barcode), so the script can run again.
-- $(BranchCode) is the branch's own code: sqlcmd -b -f 65001 -v BranchCode=0001.

IF NOT EXISTS (SELECT Id FROM OracleConfig)
INSERT INTO OracleConfig (BranchCode) VALUES ('$(BranchCode)')
GO

INSERT INTO Misc (GroupCode, Code, Description)
SELECT X.GroupCode, X.Code, X.Description
  FROM (SELECT 'PRODDEPT' AS GroupCode, 'D01' AS Code, 'อาหารและเครื่องดื่ม' AS Description
        UNION ALL SELECT 'PRODDEPT', 'D02', 'ของใช้'
        UNION ALL SELECT 'PRODGROUP', 'G01', 'เครื่องปรุงรส'
        UNION ALL SELECT 'PRODGROUP', 'G02', 'เครื่องดื่ม'
        UNION ALL SELECT 'PRODGROUP', 'G03', 'ขนมขบเคี้ยว'
        UNION ALL SELECT 'PRODGROUP', 'G04', 'ของใช้ในครัวเรือน'
        UNION ALL SELECT 'PRODGROUP', 'G05', 'ผลิตภัณฑ์ซักล้าง'
        UNION ALL SELECT 'PRODGROUP', 'G06', 'ของใช้ส่วนตัว'
        UNION ALL SELECT 'PRODGROUP', 'G07', 'อาหารแห้ง'
        UNION ALL SELECT 'PRODGROUP', 'G08', 'นมและผลิตภัณฑ์นม'
        UNION ALL SELECT 'PRICETYPE', '1', 'ราคาขายส่ง') X
 WHERE NOT EXISTS (SELECT M.Id FROM Misc M WHERE M.GroupCode = X.GroupCode AND M.Code = X.Code)
GO

INSERT INTO Warehouse (Code, Name, WhType)
SELECT X.Code, X.Name, X.WhType
  FROM (SELECT 'WF' AS Code, 'หน้าร้าน' AS Name, 'F' AS WhType
        UNION ALL SELECT 'WS', 'ห้องเก็บสินค้า', 'S'
        UNION ALL SELECT 'WD', 'สินค้าชำรุด', 'D') X
 WHERE NOT EXISTS (SELECT W.Id FROM Warehouse W WHERE W.Code = X.Code)
GO

INSERT INTO Customer (Code, Name, Address, Telephone, Blocked)
SELECT X.Code, X.Name, X.Address, X.Telephone, X.Blocked
  FROM (SELECT 'C0000' AS Code, 'ลูกค้าเงินสด' AS Name, NULL AS Address, NULL AS Telephone, 'N' AS Blocked
        UNION ALL SELECT 'C1001', 'ร้านป้าแดง ของชำ', '12 ซอยลาดพร้าว 41', '081-234-5678', 'N'
        UNION ALL SELECT 'C1002', 'ร้านอาหารครัวคุณยาย', '88 ถนนโชคชัย 4', '02-539-1122', 'N'
        UNION ALL SELECT 'C1003', 'โรงเรียนวัดสุทธิวราราม', '1 ถนนเจริญกรุง', '02-211-0000', 'N'
        UNION ALL SELECT 'C1004', 'โรงแรมริเวอร์วิว', '768 ซอยพานิชอนันต์', '02-234-5429', 'N'
        UNION ALL SELECT 'C1005', 'ร้านเจ๊หมวย (เลิกกิจการ)', NULL, NULL, 'Y') X
 WHERE NOT EXISTS (SELECT C.Id FROM Customer C WHERE C.Code = X.Code)
INSERT INTO Salesman (Code, Name)
SELECT X.Code, X.Name
  FROM (SELECT 'S01' AS Code, 'สมชาย ใจดี' AS Name
        UNION ALL SELECT 'S02', 'วิภา ขยันยิ่ง') X
 WHERE NOT EXISTS (SELECT S.Id FROM Salesman S WHERE S.Code = X.Code)
GO

-- Word lists: the eight items of each group (name, size, smallest unit, retail price of the
-- first brand) and the five brands.
CREATE TABLE #Item (GroupNo int NOT NULL, ItemNo int NOT NULL, Name varchar(60) NOT NULL,
                    Size varchar(30) NOT NULL, UnitName varchar(10) NOT NULL,
                    Price decimal(18,4) NOT NULL)
INSERT INTO #Item (GroupNo, ItemNo, Name, Size, UnitName, Price) VALUES
    (0, 0, 'น้ำปลาแท้', '700 มล.', 'ขวด', 32), (0, 1, 'ซีอิ๊วขาว', '300 มล.', 'ขวด', 25),
    (0, 2, 'ซอสหอยนางรม', '600 มล.', 'ขวด', 45), (0, 3, 'ซอสพริก', '500 มล.', 'ขวด', 38),
    (0, 4, 'น้ำส้มสายชู', '750 มล.', 'ขวด', 18), (0, 5, 'ผงปรุงรส', '400 ก.', 'ถุง', 42),
    (0, 6, 'น้ำตาลทราย', '1 กก.', 'ถุง', 28), (0, 7, 'เกลือป่น', '500 ก.', 'ถุง', 10),
    (1, 0, 'น้ำดื่ม', '600 มล.', 'ขวด', 7), (1, 1, 'น้ำอัดลม', '325 มล.', 'กระป๋อง', 15),
    (1, 2, 'ชาเขียว', '420 มล.', 'ขวด', 20), (1, 3, 'กาแฟกระป๋อง', '180 มล.', 'กระป๋อง', 15),
    (1, 4, 'น้ำผลไม้', '1 ลิตร', 'กล่อง', 55), (1, 5, 'เครื่องดื่มชูกำลัง', '150 มล.', 'ขวด', 12),
    (1, 6, 'กาแฟปรุงสำเร็จ', '27 ซอง', 'ห่อ', 110), (1, 7, 'โซดา', '325 มล.', 'ขวด', 12),
    (2, 0, 'มันฝรั่งทอด', '50 ก.', 'ซอง', 20), (2, 1, 'ข้าวเกรียบกุ้ง', '60 ก.', 'ซอง', 15),
    (2, 2, 'ขนมปังกรอบ', '120 ก.', 'ห่อ', 25), (2, 3, 'ถั่วลิสงอบ', '40 ก.', 'ซอง', 10),
    (2, 4, 'สาหร่ายทอด', '36 ก.', 'ซอง', 30), (2, 5, 'เวเฟอร์', '150 ก.', 'ห่อ', 35),
    (2, 6, 'ลูกอมรสผลไม้', '100 ก.', 'ถุง', 25), (2, 7, 'ช็อกโกแลต', '40 ก.', 'แท่ง', 30),
    (3, 0, 'กระดาษทิชชู', '6 ม้วน', 'ห่อ', 65), (3, 1, 'ถุงขยะ', '30x40 นิ้ว', 'ห่อ', 39),
    (3, 2, 'ฟองน้ำล้างจาน', '1 ชิ้น', 'ชิ้น', 12), (3, 3, 'ไม้กวาดดอกหญ้า', '1 ด้าม', 'ด้าม', 85),
    (3, 4, 'ถ่านไฟฉาย AA', '4 ก้อน', 'แผง', 60), (3, 5, 'ไฟแช็ก', '1 ชิ้น', 'ชิ้น', 10),
    (3, 6, 'เทียนไข', '6 เล่ม', 'ห่อ', 20), (3, 7, 'กล่องใส่อาหาร', '1 ลิตร', 'ใบ', 45),
    (4, 0, 'ผงซักฟอก', '800 ก.', 'ถุง', 75), (4, 1, 'น้ำยาล้างจาน', '550 มล.', 'ขวด', 29),
    (4, 2, 'น้ำยาปรับผ้านุ่ม', '600 มล.', 'ถุง', 49), (4, 3, 'น้ำยาถูพื้น', '800 มล.', 'ขวด', 55),
    (4, 4, 'น้ำยาล้างห้องน้ำ', '900 มล.', 'ขวด', 69), (4, 5, 'สบู่ซักผ้า', '130 ก.', 'ก้อน', 15),
    (4, 6, 'น้ำยาซักผ้า', '700 มล.', 'ถุง', 65), (4, 7, 'น้ำยาเช็ดกระจก', '500 มล.', 'ขวด', 45),
    (5, 0, 'ยาสีฟัน', '150 ก.', 'หลอด', 49), (5, 1, 'แปรงสีฟัน', '1 ด้าม', 'ด้าม', 25),
    (5, 2, 'แชมพู', '400 มล.', 'ขวด', 119), (5, 3, 'สบู่ก้อน', '65 ก.', 'ก้อน', 15),
    (5, 4, 'ครีมอาบน้ำ', '500 มล.', 'ขวด', 129), (5, 5, 'โลชั่นทาผิว', '400 มล.', 'ขวด', 159),
    (5, 6, 'ผ้าอนามัย', '10 ชิ้น', 'ห่อ', 35), (5, 7, 'มีดโกนหนวด', '2 ด้าม', 'แผง', 20),
    (6, 0, 'ข้าวหอมมะลิ', '5 กก.', 'ถุง', 185), (6, 1, 'บะหมี่กึ่งสำเร็จรูป', '60 ก.', 'ซอง', 7),
    (6, 2, 'ปลากระป๋อง', '155 ก.', 'กระป๋อง', 20), (6, 3, 'วุ้นเส้น', '100 ก.', 'ห่อ', 18),
    (6, 4, 'น้ำมันพืช', '1 ลิตร', 'ขวด', 52), (6, 5, 'แป้งสาลี', '1 กก.', 'ถุง', 35),
    (6, 6, 'โจ๊กคัพ', '35 ก.', 'ถ้วย', 15), (6, 7, 'เส้นหมี่', '200 ก.', 'ห่อ', 20),
    (7, 0, 'นมยูเอชที', '200 มล.', 'กล่อง', 12), (7, 1, 'นมเปรี้ยว', '180 มล.', 'ขวด', 10),
    (7, 2, 'โยเกิร์ต', '135 ก.', 'ถ้วย', 14), (7, 3, 'นมข้นหวาน', '388 ก.', 'กระป๋อง', 28),
    (7, 4, 'นมผง', '600 ก.', 'กล่อง', 185), (7, 5, 'นมถั่วเหลือง', '300 มล.', 'ขวด', 13),
    (7, 6, 'ครีมเทียม', '450 ก.', 'ถุง', 55), (7, 7, 'นมพาสเจอร์ไรส์', '830 มล.', 'ขวด', 45)
CREATE TABLE #Brand (BrandNo int NOT NULL, Name varchar(30) NOT NULL)
INSERT INTO #Brand (BrandNo, Name) VALUES
    (0, 'ตราช้างทอง'), (1, 'ตราดาวเหนือ'), (2, 'ตรานกแก้ว'), (3, 'ตราเรือใบ'), (4, 'ตราบ้านสวน')
CREATE TABLE #Digit (d int NOT NULL PRIMARY KEY)
INSERT INTO #Digit (d) VALUES (0), (1), (2), (3), (4), (5), (6), (7), (8), (9)

-- One row per demo product: its number, code and name. The code is the group (1 to 8), a 0
-- and the product number.
CREATE TABLE #Prod (No int NOT NULL PRIMARY KEY, GroupNo int NOT NULL, ItemNo int NOT NULL,
                    BrandNo int NOT NULL, Code varchar(15) NOT NULL, ThaiName varchar(120) NOT NULL,
                    UnitName varchar(10) NOT NULL, Price decimal(18,4) NOT NULL)
INSERT INTO #Prod (No, GroupNo, ItemNo, BrandNo, Code, ThaiName, UnitName, Price)
SELECT N.n, I.GroupNo, I.ItemNo, B.BrandNo,
       CONVERT(varchar(1), I.GroupNo + 1) + '0' + RIGHT('0000' + CONVERT(varchar(4), N.n), 4),
       I.Name + ' ' + B.Name + ' ' + I.Size, I.UnitName, I.Price + 2 * B.BrandNo
  FROM (SELECT a.d * 100 + b.d * 10 + c.d AS n FROM #Digit a CROSS JOIN #Digit b CROSS JOIN #Digit c) N
 INNER JOIN #Item I ON (I.GroupNo = N.n % 8 AND I.ItemNo = (N.n / 8) % 8)
 INNER JOIN #Brand B ON (B.BrandNo = N.n / 64)
 WHERE N.n < 320

-- Units: the smallest unit always; a pack of 6 or 12 for three items in four; a case of
-- 24 or 48 for every fourth item. Barcodes are EAN-13: 885 (Thailand), the demo maker 1234,
-- the unit kind (1 smallest, 2 pack, 3 case), the product number and the check digit.
-- Every 23rd product is never ordered automatically (AutoOrder "N"); the third brand's
-- seasonings are older products whose units predate the flag (NULL, ordered).
CREATE TABLE #Unit (ProdNo int NOT NULL, Kind int NOT NULL, UnitName varchar(10) NOT NULL,
                    Fraction int NOT NULL, Code12 varchar(12) NOT NULL, BarCode varchar(13) NULL,
                    AutoOrder char(1) NULL, PRIMARY KEY (ProdNo, Kind))
INSERT INTO #Unit (ProdNo, Kind, UnitName, Fraction, Code12, AutoOrder)
SELECT P.No, K.d, CASE K.d WHEN 1 THEN P.UnitName WHEN 2 THEN 'แพ็ค' ELSE 'ลัง' END,
       CASE K.d WHEN 1 THEN 1
                WHEN 2 THEN CASE WHEN P.ItemNo % 2 = 0 THEN 6 ELSE 12 END
                ELSE CASE WHEN P.ItemNo % 2 = 0 THEN 24 ELSE 48 END END,
       '8851234' + CONVERT(varchar(1), K.d) + RIGHT('0000' + CONVERT(varchar(4), P.No), 4),
       CASE WHEN P.No % 23 = 0 THEN 'N' WHEN P.GroupNo = 0 AND P.BrandNo = 2 THEN NULL ELSE 'Y' END
  FROM #Prod P
 INNER JOIN #Digit K ON (K.d BETWEEN 1 AND 3)
 WHERE K.d = 1 OR (K.d = 2 AND P.ItemNo % 4 <> 3) OR (K.d = 3 AND P.ItemNo % 4 = 0)
UPDATE #Unit
   SET BarCode = Code12 + CONVERT(varchar(1), (10 - (
         (CONVERT(int, SUBSTRING(Code12, 1, 1)) + CONVERT(int, SUBSTRING(Code12, 3, 1))
          + CONVERT(int, SUBSTRING(Code12, 5, 1)) + CONVERT(int, SUBSTRING(Code12, 7, 1))
          + CONVERT(int, SUBSTRING(Code12, 9, 1)) + CONVERT(int, SUBSTRING(Code12, 11, 1)))
         + 3 * (CONVERT(int, SUBSTRING(Code12, 2, 1)) + CONVERT(int, SUBSTRING(Code12, 4, 1))
          + CONVERT(int, SUBSTRING(Code12, 6, 1)) + CONVERT(int, SUBSTRING(Code12, 8, 1))
          + CONVERT(int, SUBSTRING(Code12, 10, 1)) + CONVERT(int, SUBSTRING(Code12, 12, 1)))
       ) % 10) % 10)

INSERT INTO Product (Code, ThaiName, EngName, ProdDept, ProdGroup, Blocked, Negative, Useserial,
                     locationassign, Division)
SELECT P.Code, P.ThaiName, NULL, CASE WHEN P.GroupNo IN (3, 4, 5) THEN 'D02' ELSE 'D01' END,
       'G0' + CONVERT(varchar(1), P.GroupNo + 1), 'N', 'N', NULL,
       'A' + CONVERT(varchar(1), P.GroupNo + 1) + '-' + RIGHT('00' + CONVERT(varchar(2), P.ItemNo * 5 + P.BrandNo), 2),
       NULL
  FROM #Prod P
 WHERE NOT EXISTS (SELECT X.Id FROM Product X WHERE X.Code = P.Code)
 ORDER BY P.No
-- Drinks that come in packs are stocked by the pack, so quantity texts on printed documents
-- show whole packs and a fraction of one (2;1/2 แพ็ค); everything else is stocked in its
-- smallest unit.
INSERT INTO ProductUnits (Product, BarCode, UnitName, Fraction, AutoOrder, SmallUnitFlag, StockUnitFlag)
SELECT X.Id, U.BarCode, U.UnitName, U.Fraction, U.AutoOrder,
       CASE WHEN U.Kind = 1 THEN 'Y' ELSE 'N' END,
       CASE WHEN P.GroupNo = 1 AND P.ItemNo % 4 <> 3
            THEN CASE WHEN U.Kind = 2 THEN 'Y' ELSE 'N' END
            ELSE CASE WHEN U.Kind = 1 THEN 'Y' ELSE 'N' END END
  FROM #Unit U
 INNER JOIN #Prod P ON (P.No = U.ProdNo)
 INNER JOIN Product X ON (X.Code = P.Code)
 WHERE NOT EXISTS (SELECT Y.Id FROM ProductUnits Y WHERE Y.BarCode = U.BarCode)
 ORDER BY U.ProdNo, U.Kind

-- Retail price of every unit (packs and cases a little cheaper per piece), wholesale price of
-- packs and cases.
INSERT INTO ProductPrice (ProductUnits, PriceType, Price)
SELECT Y.Id, T.Id,
       CASE WHEN T.Code = '0'
            THEN ROUND(P.Price * U.Fraction * (CASE U.Kind WHEN 1 THEN 1.00 WHEN 2 THEN 0.97 ELSE 0.95 END), 0)
            ELSE ROUND(P.Price * U.Fraction * 0.90, 0) END
  FROM #Unit U
 INNER JOIN #Prod P ON (P.No = U.ProdNo)
 INNER JOIN ProductUnits Y ON (Y.BarCode = U.BarCode)
 INNER JOIN Misc T ON (T.GroupCode = 'PRICETYPE' AND (T.Code = '0' OR (T.Code = '1' AND U.Kind > 1)))
 WHERE NOT EXISTS (SELECT Z.Id FROM ProductPrice Z WHERE Z.ProductUnits = Y.Id AND Z.PriceType = T.Id)

DROP TABLE #Unit
DROP TABLE #Prod
DROP TABLE #Digit
DROP TABLE #Brand
DROP TABLE #Item
GO

-- Consignment goods: the supplier refills the shelf himself, so their codes (01237..., 01219...)
-- keep them out of the order proposal even below their minimum.
INSERT INTO Product (Code, ThaiName, ProdDept, ProdGroup, Blocked, Negative)
SELECT X.Code, X.ThaiName, 'D01', X.ProdGroup, 'N', 'N'
  FROM (SELECT '01237001' AS Code, 'ขนมเปี๊ยะไส้ถั่ว (ฝากขาย)' AS ThaiName, 'G03' AS ProdGroup
        UNION ALL SELECT '01237002', 'กล้วยตาก (ฝากขาย)', 'G03'
        UNION ALL SELECT '01219001', 'น้ำพริกเผา (ฝากขาย)', 'G01') X
 WHERE NOT EXISTS (SELECT P.Id FROM Product P WHERE P.Code = X.Code)
INSERT INTO ProductUnits (Product, BarCode, UnitName, Fraction, AutoOrder, SmallUnitFlag, StockUnitFlag)
SELECT P.Id, '2' + RIGHT(P.Code, 7), 'ชิ้น', 1, 'Y', 'Y', 'Y'
  FROM Product P
 WHERE P.Code IN ('01237001', '01237002', '01219001')
   AND NOT EXISTS (SELECT U.Id FROM ProductUnits U WHERE U.Product = P.Id)
INSERT INTO ProductPrice (ProductUnits, PriceType, Price)
SELECT U.Id, T.Id, 35
  FROM ProductUnits U
 INNER JOIN Product P ON (P.Id = U.Product)
 INNER JOIN Misc T ON (T.GroupCode = 'PRICETYPE' AND T.Code = '0')
 WHERE P.Code IN ('01237001', '01237002', '01219001')
   AND NOT EXISTS (SELECT Z.Id FROM ProductPrice Z WHERE Z.ProductUnits = U.Id AND Z.PriceType = T.Id)
GO
