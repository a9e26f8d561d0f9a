-- Settings row and numbering series of a company database.
INSERT INTO Misc (GroupCode, Code, Description) VALUES ('CURRENCY', 'THB', 'บาท')
INSERT INTO Misc (GroupCode, Code, Description) VALUES ('CURRENCY', 'USD', 'US Dollar')
GO
INSERT INTO Config (Id, CompanyName, RunYear, OnhandDecimal, UnitLeft, UnitRight, SearchProductMethod, ShowLastSearch,
                    AutoGenGL, RunConsoFlag, MainCurrencyId)
SELECT 1, 'บริษัท นอร์ทเวสต์ จำกัด', YEAR(GETDATE()), NULL, '(', ')', 1, 'Y', 'N', 'N', Id
  FROM Misc WHERE GroupCode = 'CURRENCY' AND Code = 'THB'
GO
INSERT INTO Config (Id, CompanyName, RunYear, OnhandDecimal, UnitLeft, UnitRight, SearchProductMethod, ShowLastSearch,
                    AutoGenGL, RunConsoFlag, MainCurrencyId)
VALUES (2, 'แถวสำรอง', 2001, 2, NULL, NULL, 0, 'N', 'Y', 'Y', NULL)
GO
INSERT INTO DocumentNo (Code, DocYear, Description, Prefix, LastNo, DocumentLength, AutoRun, DocType, UserCanModify, LinkToDocument)
VALUES ('PICKORDER', YEAR(GETDATE()), 'ใบสั่งจัดสินค้า', 'PK', 0, 12, 'Y', 'I', 'N', NULL)
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
