-- Settings row and numbering series of a company database. The picking series of this year
-- come from the picking script where it ran.
INSERT INTO Misc (GroupCode, Code, Description) VALUES ('CURRENCY', 'THB', 'บาท')
INSERT INTO Misc (GroupCode, Code, Description) VALUES ('CURRENCY', 'USD', 'US Dollar')
GO
-- The settings row the company script made.
UPDATE Config SET RunYear = YEAR(GETDATE()), OnhandDecimal = NULL, UnitLeft = '(', UnitRight = ')',
       SearchProductMethod = 1, ShowLastSearch = 'Y', AutoGenGL = 'N', RunConsoFlag = 'N',
       MainCurrencyId = (SELECT Id FROM Misc WHERE GroupCode = 'CURRENCY' AND Code = 'THB')
 WHERE Id = 1
GO
INSERT INTO Config (Id, RunYear, OnhandDecimal, UnitLeft, UnitRight, SearchProductMethod, ShowLastSearch,
                    AutoGenGL, RunConsoFlag, MainCurrencyId)
VALUES (2, 2001, 2, NULL, NULL, 0, 'N', 'Y', 'Y', NULL)
GO
IF NOT EXISTS (SELECT Id FROM DocumentNo WHERE Code = 'PICKORDER' AND DocYear = YEAR(GETDATE()))
INSERT INTO DocumentNo (Code, DocYear, Description, Prefix, LastNo, DocumentLength, AutoRun, DocType, UserCanModify, LinkToDocument)
VALUES ('PICKORDER', YEAR(GETDATE()), 'ใบสั่งจัดสินค้า', 'PK', 0, 12, 'Y', 'I', 'N', NULL)
IF NOT EXISTS (SELECT Id FROM DocumentNo WHERE Code = 'PRODUCTMANAGE' AND DocYear = YEAR(GETDATE()))
INSERT INTO DocumentNo (Code, DocYear, Description, Prefix, LastNo, DocumentLength, AutoRun, DocType, UserCanModify, LinkToDocument)
VALUES ('PRODUCTMANAGE', YEAR(GETDATE()), 'ใบจัดสินค้า', 'PM', 0, 10, 'Y', 'I', 'N', NULL)
INSERT INTO DocumentNo (Code, DocYear, Description, Prefix, LastNo, DocumentLength, AutoRun, DocType, UserCanModify, LinkToDocument)
VALUES ('PICKORDER', YEAR(GETDATE()) - 1, 'ใบสั่งจัดสินค้า', 'PK', 730, 12, 'Y', 'I', 'N', NULL)
INSERT INTO DocumentNo (Code, DocYear, Description, Prefix, LastNo, DocumentLength, AutoRun, DocType, UserCanModify, LinkToDocument)
VALUES ('TRANOUT', YEAR(GETDATE()), 'ใบโอนจ่าย', 'TO', 41, 10, 'N', 'O', 'Y', NULL)
INSERT INTO DocumentNo (Code, DocYear, Description, Prefix, LastNo, DocumentLength, AutoRun, DocType, UserCanModify, LinkToDocument)
VALUES ('ROLLOVER', YEAR(GETDATE()), 'ครบรอบ', 'R', 999998, 8, 'Y', 'I', 'N', NULL)
GO
-- Branch transfers of this year are numbered in the TRANOUT series.
INSERT INTO DocNoConvert (Code, DocYear, DocumentNo)
SELECT 'TRANBRANCH', YEAR(GETDATE()), Id FROM DocumentNo WHERE Code = 'TRANOUT' AND DocYear = YEAR(GETDATE())
GO
