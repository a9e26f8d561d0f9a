-- Demo numbering series of the distribution centre (NWX): pick numbers and picking sheets,
-- for this year and the next.
-- Run on SQL Server with sqlcmd -b -f 65001 (the file is UTF-8).

IF NOT EXISTS (SELECT Id FROM DocumentNo WHERE Code = 'PICKORDER' AND DocYear = YEAR(GETDATE()))
INSERT INTO DocumentNo (Code, DocYear, Description, Prefix, LastNo, DocumentLength, AutoRun,
                        DocType, UserCanModify, LinkToDocument)
VALUES ('PICKORDER', YEAR(GETDATE()), 'ใบสั่งจัดสินค้า', 'PK', 0, 12, 'Y', 'I', 'N', NULL)
IF NOT EXISTS (SELECT Id FROM DocumentNo WHERE Code = 'PICKORDER' AND DocYear = YEAR(GETDATE()) + 1)
INSERT INTO DocumentNo (Code, DocYear, Description, Prefix, LastNo, DocumentLength, AutoRun,
                        DocType, UserCanModify, LinkToDocument)
VALUES ('PICKORDER', YEAR(GETDATE()) + 1, 'ใบสั่งจัดสินค้า', 'PK', 0, 12, 'Y', 'I', 'N', NULL)
IF NOT EXISTS (SELECT Id FROM DocumentNo WHERE Code = 'PRODUCTMANAGE' AND DocYear = YEAR(GETDATE()))
INSERT INTO DocumentNo (Code, DocYear, Description, Prefix, LastNo, DocumentLength, AutoRun,
                        DocType, UserCanModify, LinkToDocument)
VALUES ('PRODUCTMANAGE', YEAR(GETDATE()), 'ใบจัดสินค้า', 'PM', 0, 10, 'Y', 'I', 'N', NULL)
IF NOT EXISTS (SELECT Id FROM DocumentNo WHERE Code = 'PRODUCTMANAGE' AND DocYear = YEAR(GETDATE()) + 1)
INSERT INTO DocumentNo (Code, DocYear, Description, Prefix, LastNo, DocumentLength, AutoRun,
                        DocType, UserCanModify, LinkToDocument)
VALUES ('PRODUCTMANAGE', YEAR(GETDATE()) + 1, 'ใบจัดสินค้า', 'PM', 0, 10, 'Y', 'I', 'N', NULL)
GO
