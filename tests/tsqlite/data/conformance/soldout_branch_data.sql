-- Sales of branch 0036 around its last upload (three days ago): receipts, invoices, till
-- returns and sales returns, some outside the window or cancelled.
INSERT INTO Misc (GroupCode, Code, Description) VALUES ('CURRENCY', 'THB', 'บาท')
INSERT INTO Misc (GroupCode, Code, Description) VALUES ('CURRENCY', 'USD', 'US Dollar')
GO
SET IDENTITY_INSERT Customer ON
INSERT INTO Customer (Id, Code, Name, Blocked) VALUES (1, 'C001', 'ลูกค้าเงินเชื่อ', 'N')
SET IDENTITY_INSERT Customer OFF
SET IDENTITY_INSERT Product ON
INSERT INTO Product (Id, Code, ThaiName) VALUES (1, 'A100', 'ข้าวสาร 5 กก.')
INSERT INTO Product (Id, Code, ThaiName) VALUES (2, 'A200', 'น้ำมันพืช 1 ลิตร')
SET IDENTITY_INSERT Product OFF
SET IDENTITY_INSERT ProductUnits ON
INSERT INTO ProductUnits (Id, Product, BarCode, UnitName, Fraction) VALUES (1, 1, 'BA100', 'ถุง', 1)
INSERT INTO ProductUnits (Id, Product, BarCode, UnitName, Fraction) VALUES (2, 2, 'BA200', 'ขวด', 1)
SET IDENTITY_INSERT ProductUnits OFF
GO
DECLARE @today datetime, @thb int, @usd int
SET @today = CONVERT(datetime, CONVERT(date, GETDATE()))
SELECT @thb = Id FROM Misc WHERE Code = 'THB'
SELECT @usd = Id FROM Misc WHERE Code = 'USD'
SET IDENTITY_INSERT PosHeader ON
INSERT INTO PosHeader (Id, PosNo, PosDate, Customer, CurrencyId, Rate, Total, DelFlag) VALUES (1, 'POS0001', DATEADD(hour, 10, @today - 2), NULL, @thb, 1, 150, 'N')
INSERT INTO PosHeader (Id, PosNo, PosDate, Customer, CurrencyId, Rate, Total, DelFlag) VALUES (2, 'POS0002', DATEADD(hour, 10, @today - 5), NULL, @thb, 1, 50, 'N')
INSERT INTO PosHeader (Id, PosNo, PosDate, Customer, CurrencyId, Rate, Total, DelFlag) VALUES (3, 'POS0003', DATEADD(hour, 10, @today - 1), NULL, @thb, 1, 50, 'Y')
INSERT INTO PosHeader (Id, PosNo, PosDate, Customer, CurrencyId, Rate, Total, DelFlag) VALUES (4, 'POS0004', DATEADD(hour, 1, @today + 1), NULL, @thb, 1, 50, 'N')
SET IDENTITY_INSERT PosHeader OFF
SET IDENTITY_INSERT PosDetail ON
INSERT INTO PosDetail (Id, PosHeader, Product, ProductUnits, Quantity, Price, DiscAmount) VALUES (1, 1, 1, 1, 2, 50, 0)
INSERT INTO PosDetail (Id, PosHeader, Product, ProductUnits, Quantity, Price, DiscAmount) VALUES (2, 1, 2, 2, 1, 50, 0)
INSERT INTO PosDetail (Id, PosHeader, Product, ProductUnits, Quantity, Price, DiscAmount) VALUES (3, 2, 1, 1, 1, 50, 0)
INSERT INTO PosDetail (Id, PosHeader, Product, ProductUnits, Quantity, Price, DiscAmount) VALUES (4, 3, 1, 1, 1, 50, 0)
INSERT INTO PosDetail (Id, PosHeader, Product, ProductUnits, Quantity, Price, DiscAmount) VALUES (5, 4, 1, 1, 1, 50, 0)
-- An invoice in dollars with three lines, and one for a customer that no longer exists.
SET IDENTITY_INSERT PosDetail OFF
SET IDENTITY_INSERT IvHd ON
INSERT INTO IvHd (Id, IvNo, IvDate, Customer, SalesMan, CurrencyId, Rate, Total, DelFlag) VALUES (1, 'IV0001', DATEADD(hour, 9, @today - 1), 1, NULL, @usd, 35, 300, 'N')
INSERT INTO IvHd (Id, IvNo, IvDate, Customer, SalesMan, CurrencyId, Rate, Total, DelFlag) VALUES (2, 'IV0002', DATEADD(hour, 9, @today - 1), 99, NULL, @thb, 1, 100, 'N')
SET IDENTITY_INSERT IvHd OFF
SET IDENTITY_INSERT IvDt ON
INSERT INTO IvDt (Id, IvHd, Product, ProductUnits, Quantity, Fraction, Price, DiscountAmt) VALUES (1, 1, 1, 1, 1, 1, 100, 0)
INSERT INTO IvDt (Id, IvHd, Product, ProductUnits, Quantity, Fraction, Price, DiscountAmt) VALUES (2, 1, 2, 2, 1, 1, 100, 0)
INSERT INTO IvDt (Id, IvHd, Product, ProductUnits, Quantity, Fraction, Price, DiscountAmt) VALUES (3, 1, 1, 1, 1, 1, 100, 10)
INSERT INTO IvDt (Id, IvHd, Product, ProductUnits, Quantity, Fraction, Price, DiscountAmt) VALUES (4, 2, 1, 1, 1, 1, 100, 0)
SET IDENTITY_INSERT IvDt OFF
SET IDENTITY_INSERT PoSrHd ON
INSERT INTO PoSrHd (Id, SrNo, SrDate, CurrencyId, Rate, Total, DelFlag) VALUES (1, 'PR0001', DATEADD(hour, 12, @today - 1), @thb, 1, 45, 'N')
SET IDENTITY_INSERT PoSrHd OFF
SET IDENTITY_INSERT PoSrDt ON
INSERT INTO PoSrDt (Id, PoSrHd, Product, ProductUnits, Quantity, Price, DiscountAmt) VALUES (1, 1, 1, 1, 1, 50, 5)
-- Sales returns: one today at midnight, one exactly at the start of the window.
SET IDENTITY_INSERT PoSrDt OFF
SET IDENTITY_INSERT SrHd ON
INSERT INTO SrHd (Id, SrNo, SrDate, Customer, CurrencyId, Rate, Total, DelFlag) VALUES (1, 'SR0001', @today, 1, @thb, 1, 100, 'N')
INSERT INTO SrHd (Id, SrNo, SrDate, Customer, CurrencyId, Rate, Total, DelFlag) VALUES (2, 'SR0002', @today - 3, 1, @thb, 1, 50, 'N')
SET IDENTITY_INSERT SrHd OFF
SET IDENTITY_INSERT SrDt ON
INSERT INTO SrDt (Id, SrHd, Product, ProductUnits, Quantity, Price, DiscountAmt) VALUES (1, 1, 2, 2, 2, 50, 0)
INSERT INTO SrDt (Id, SrHd, Product, ProductUnits, Quantity, Price, DiscountAmt) VALUES (2, 2, 1, 1, 1, 50, 0)
SET IDENTITY_INSERT SrDt OFF
GO
