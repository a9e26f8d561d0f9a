-- Demo rows every demo company database gets: currencies, the price type, the settings row.
-- Rows are only added where missing, so the script can run again.
-- Run on SQL Server with sqlcmd -b -f 65001 (the file is UTF-8).

IF NOT EXISTS (SELECT Id FROM Misc WHERE GroupCode = 'CURRENCY' AND Code = 'THB')
INSERT INTO Misc (GroupCode, Code, Description) VALUES ('CURRENCY', 'THB', 'บาท')
IF NOT EXISTS (SELECT Id FROM Misc WHERE GroupCode = 'CURRENCY' AND Code = 'USD')
INSERT INTO Misc (GroupCode, Code, Description) VALUES ('CURRENCY', 'USD', 'ดอลลาร์สหรัฐ')
IF NOT EXISTS (SELECT Id FROM Misc WHERE GroupCode = 'PRICETYPE' AND Code = '0')
INSERT INTO Misc (GroupCode, Code, Description) VALUES ('PRICETYPE', '0', 'ราคาขายปลีก')
GO

-- Quantities with units in brackets, product search by "contains" remembering the last name.
UPDATE Config
   SET RunYear = YEAR(GETDATE()),
       OnhandDecimal = 0,
       UnitLeft = '(',
       UnitRight = ')',
       SearchProductMethod = 1,
       ShowLastSearch = 'Y',
       AutoGenGL = 'N',
       RunConsoFlag = 'N',
       MainCurrencyId = (SELECT Id FROM Misc WHERE GroupCode = 'CURRENCY' AND Code = 'THB')
 WHERE Id = 1
GO
