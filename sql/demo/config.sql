-- Demo rows of the configuration database: the distribution centre NWX and its branch
-- 0001 (database BR0001), a menu with one entry per module of the back-office client, a
-- Thai-speaking and an English-speaking user with their rights.
-- Rows are only added where missing, so the script can run again.
-- Branches 0001 to 0004 take part in the sold-out upload: 0001 and 0002 keep their databases
-- on the demo server, 0003 on a server of its own, and 0004's server is out of reach, so the
-- upload lists it among the branches that failed. 0001 was never uploaded.
-- $(DemoServer) is the server that holds the databases, $(RemoteBranchServer) branch
-- 0003's server, $(OfflineBranchServer) a server that cannot be reached: run on SQL Server
-- with sqlcmd -b -f 65001 -v DemoServer=<server> RemoteBranchServer=<server>
-- OfflineBranchServer=<server> (the file is UTF-8).

IF NOT EXISTS (SELECT Id FROM Company WHERE Id = 1)
INSERT INTO Company (Id, Code, Password, NameThai, NameEng, ShortName, Address1, Address2, Address3,
                     Address4, Province, Zip, Telephone, Fax, EMail, Logo, TaxNo, InstallDate,
                     RunYear, LocalServer, FUNDNAME, TaxBranchHead, TaxBranchCode, TaxBranchName)
VALUES (1, 'NWX', NULL, 'บริษัท นอร์ทเวสต์ ดิสทริบิวชั่น จำกัด', 'North West Distribution Co., Ltd.',
        'NWX', '99 ถนนพหลโยธิน', 'แขวงสามเสนใน', 'เขตพญาไท', '', 'กรุงเทพมหานคร', '10400',
        '02-111-2222', '02-111-2223', 'office@nwx.example', NULL, '0105551234567', '2009-09-25',
        YEAR(GETDATE()), NULL, NULL, 'Y', '00000', 'สำนักงานใหญ่')
IF NOT EXISTS (SELECT Id FROM Company WHERE Id = 2)
INSERT INTO Company (Id, Code, Password, NameThai, NameEng, ShortName, Address1, Address2, Address3,
                     Address4, Province, Zip, Telephone, Fax, EMail, Logo, TaxNo, InstallDate,
                     RunYear, LocalServer, FUNDNAME, TaxBranchHead, TaxBranchCode, TaxBranchName)
VALUES (2, '0001', NULL, 'สาขา 0001 ลาดพร้าว', 'Branch 0001 Ladprao', 'B0001', '1 ถนนลาดพร้าว',
        'แขวงจอมพล', 'เขตจตุจักร', '', 'กรุงเทพมหานคร', '10900', '02-333-4444', NULL, NULL, NULL,
        '0105551234567', '2012-01-01', YEAR(GETDATE()), NULL, NULL, 'N', '00001', 'สาขาลาดพร้าว')
GO

IF NOT EXISTS (SELECT Id FROM DatabaseList WHERE DatabaseName = 'NWX')
INSERT INTO DatabaseList (Company, DatabaseName, Description, YearNo)
VALUES (1, 'NWX', 'ศูนย์กระจายสินค้า', YEAR(GETDATE()))
IF NOT EXISTS (SELECT Id FROM DatabaseList WHERE DatabaseName = 'BR0001')
INSERT INTO DatabaseList (Company, DatabaseName, Description, YearNo)
VALUES (2, 'BR0001', 'สาขา 0001 ลาดพร้าว', YEAR(GETDATE()))
GO

IF NOT EXISTS (SELECT Company FROM CompanyConfig WHERE Company = 1)
INSERT INTO CompanyConfig (Company, PicturePath, Public_Price_IE, DefaultWh, POS1_Wh, POS1_TaxCode,
                           POS1_Price_IE, POS1_PriceType, POS1_SumDetail, DefaultPosComPort,
                           DefaultTax, DefaultPosMenuId)
VALUES (1, NULL, 'I', 1, 1, 'VAT7', 'I', 0, 'N', NULL, 7.00, NULL)
IF NOT EXISTS (SELECT Company FROM CompanyConfig WHERE Company = 2)
INSERT INTO CompanyConfig (Company, PicturePath, Public_Price_IE, DefaultWh, POS1_Wh, POS1_TaxCode,
                           POS1_Price_IE, POS1_PriceType, POS1_SumDetail, DefaultPosComPort,
                           DefaultTax, DefaultPosMenuId)
VALUES (2, NULL, 'I', 1, 1, 'VAT7', 'I', 0, 'N', NULL, 7.00, NULL)
GO

-- Menu entries: 1000 + the module number; MenuOption is the module number the menu host
-- passes as the fifth parameter.
IF NOT EXISTS (SELECT Id FROM Menu WHERE Id = 1000)
INSERT INTO Menu (Id, ParentId, Caption, Command, MenuOption) VALUES (1000, NULL, 'ระบบสาขาและศูนย์กระจายสินค้า', NULL, NULL)
IF NOT EXISTS (SELECT Id FROM Menu WHERE Id = 1001)
INSERT INTO Menu (Id, ParentId, Caption, Command, MenuOption) VALUES (1001, 1000, 'สั่งสินค้าสาขา', 'BackOffice.exe', '1')
IF NOT EXISTS (SELECT Id FROM Menu WHERE Id = 1003)
INSERT INTO Menu (Id, ParentId, Caption, Command, MenuOption) VALUES (1003, 1000, 'สั่งจัดสินค้า', 'BackOffice.exe', '3')
IF NOT EXISTS (SELECT Id FROM Menu WHERE Id = 1014)
INSERT INTO Menu (Id, ParentId, Caption, Command, MenuOption) VALUES (1014, 1000, 'พิมพ์ใบโอนสินค้าตามรถ', 'BackOffice.exe', '14')
IF NOT EXISTS (SELECT Id FROM Menu WHERE Id = 1015)
INSERT INTO Menu (Id, ParentId, Caption, Command, MenuOption) VALUES (1015, 1000, 'ดึง SoldOut สาขา', 'BackOffice.exe', '15')
IF NOT EXISTS (SELECT Id FROM Menu WHERE Id = 1600)
INSERT INTO Menu (Id, ParentId, Caption, Command, MenuOption) VALUES (1600, 1000, 'Order SAR จาก Excel', 'BackOffice.exe', '600')
IF NOT EXISTS (SELECT Id FROM Menu WHERE Id = 1601)
INSERT INTO Menu (Id, ParentId, Caption, Command, MenuOption) VALUES (1601, 1000, 'ใบขอซื้อจาก Excel', 'BackOffice.exe', '601')
GO

-- User 1 works in Thai and may do everything; user 2 works in English, may not delete and
-- has no access to the sold-out upload.
IF NOT EXISTS (SELECT Id FROM UserName WHERE Id = 1)
INSERT INTO UserName (Id, Code, Password, FullName, LanguageNo, EditSalePrice, CanSeeCost,
                      CanSeeSalePrice, Saleman, GroupId)
VALUES (1, 'SOMSRI', NULL, 'สมศรี รักงาน', 1, 'Y', 'Y', 'Y', NULL, 1)
IF NOT EXISTS (SELECT Id FROM UserName WHERE Id = 2)
INSERT INTO UserName (Id, Code, Password, FullName, LanguageNo, EditSalePrice, CanSeeCost,
                      CanSeeSalePrice, Saleman, GroupId)
VALUES (2, 'JOHN', NULL, 'John Carter', 2, 'N', 'N', 'Y', NULL, 2)
GO

INSERT INTO UserRight (UserId, MenuId, Access_R, Add_R, Modify_R, Delete_R)
SELECT 1, M.Id, 'Y', 'Y', 'Y', 'Y'
  FROM Menu M
 WHERE M.Command IS NOT NULL
   AND NOT EXISTS (SELECT UserId FROM UserRight R WHERE R.UserId = 1 AND R.MenuId = M.Id)
INSERT INTO UserRight (UserId, MenuId, Access_R, Add_R, Modify_R, Delete_R)
SELECT 2, M.Id, 'Y', 'Y', 'Y', 'N'
  FROM Menu M
 WHERE M.Command IS NOT NULL AND M.Id <> 1015
   AND NOT EXISTS (SELECT UserId FROM UserRight R WHERE R.UserId = 2 AND R.MenuId = M.Id)
GO

IF NOT EXISTS (SELECT Id FROM Branch WHERE BranchCode = 'DC001')
INSERT INTO Branch (BranchNo, BranchCode, BranchName, StopDatabase, Storeregion, ServerName,
                    Serverbranch, Server, SoldOutLastUpdate)
VALUES ('900', 'DC001', 'ศูนย์กระจายสินค้า', 'N', 'Central', 'NWX', NULL, '$(DemoServer)', NULL)
IF NOT EXISTS (SELECT Id FROM Branch WHERE BranchCode = '0001')
INSERT INTO Branch (BranchNo, BranchCode, BranchName, StopDatabase, Storeregion, ServerName,
                    Serverbranch, Server, SoldOutLastUpdate)
VALUES ('001', '0001', 'สาขา 0001 ลาดพร้าว', 'N', 'Central', 'BR0001', NULL, '$(DemoServer)', NULL)
IF NOT EXISTS (SELECT Id FROM Branch WHERE BranchCode = '0002')
INSERT INTO Branch (BranchNo, BranchCode, BranchName, StopDatabase, Storeregion, ServerName,
                    Serverbranch, Server, SoldOutLastUpdate)
VALUES ('002', '0002', 'สาขา 0002 บางนา', 'N', 'Central', 'BR0002', NULL, '$(DemoServer)',
        CONVERT(datetime, CONVERT(date, GETDATE() - 14)))
IF NOT EXISTS (SELECT Id FROM Branch WHERE BranchCode = '0003')
INSERT INTO Branch (BranchNo, BranchCode, BranchName, StopDatabase, Storeregion, ServerName,
                    Serverbranch, Server, SoldOutLastUpdate)
VALUES ('003', '0003', 'สาขา 0003 เชียงใหม่', 'N', 'North', 'BR0003', NULL, '$(RemoteBranchServer)',
        CONVERT(datetime, CONVERT(date, GETDATE() - 20)))
IF NOT EXISTS (SELECT Id FROM Branch WHERE BranchCode = '0004')
INSERT INTO Branch (BranchNo, BranchCode, BranchName, StopDatabase, Storeregion, ServerName,
                    Serverbranch, Server, SoldOutLastUpdate)
VALUES ('004', '0004', 'สาขา 0004 ขอนแก่น', 'N', 'Northeast', 'BR0004', NULL, '$(OfflineBranchServer)',
        CONVERT(datetime, CONVERT(date, GETDATE() - 3)))
GO

IF NOT EXISTS (SELECT Id FROM softwareconfig WHERE Id = 1)
INSERT INTO softwareconfig (Id, SoftwareName, Version, LastUpdate)
VALUES (1, 'BackOffice', '24.11.25', '2024-11-25')
GO
