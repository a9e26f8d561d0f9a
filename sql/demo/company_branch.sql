-- Demo numbering series of a branch: its orders to the distribution centre, for this year
-- and the next ("No" and ten digits).
-- Run on SQL Server with sqlcmd -b -f 65001 (the file is UTF-8).

IF NOT EXISTS (SELECT Id FROM DocumentNo WHERE Code = 'ORD-BRANCH' AND DocYear = YEAR(GETDATE()))
INSERT INTO DocumentNo (Code, DocYear, Description, Prefix, LastNo, DocumentLength, AutoRun,
                        DocType, UserCanModify, LinkToDocument)
VALUES ('ORD-BRANCH', YEAR(GETDATE()), 'ใบสั่ง Order จากสาขา', 'No', 0, 12, 'Y', 'I', 'Y', NULL)
IF NOT EXISTS (SELECT Id FROM DocumentNo WHERE Code = 'ORD-BRANCH' AND DocYear = YEAR(GETDATE()) + 1)
INSERT INTO DocumentNo (Code, DocYear, Description, Prefix, LastNo, DocumentLength, AutoRun,
                        DocType, UserCanModify, LinkToDocument)
VALUES ('ORD-BRANCH', YEAR(GETDATE()) + 1, 'ใบสั่ง Order จากสาขา', 'No', 0, 12, 'Y', 'I', 'Y', NULL)
GO
