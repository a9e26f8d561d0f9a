-- Companies: the distribution centre NWX (also listed as NWX_TEST) and branch 29.
INSERT INTO Company (Id, Code, Password, NameThai, NameEng, ShortName, Address1, Address2, Address3, Address4,
                     Province, Zip, Telephone, Fax, EMail, Logo, TaxNo, InstallDate, RunYear, LocalServer,
                     FUNDNAME, TaxBranchHead, TaxBranchCode, TaxBranchName)
VALUES (1, 'NWX', 'secret', 'บริษัท นอร์ทเวสต์ จำกัด', 'North West Co., Ltd.', 'NWX', '99 ถนนพหลโยธิน', 'แขวงสามเสนใน',
        'เขตพญาไท', '', 'กรุงเทพมหานคร', '10400', '02-111-2222', '02-111-2223', 'office@nwx.example',
        NULL, '0105551234567', '2009-09-25', 2024, 'DCSERVER', 'กองทุนสำรองเลี้ยงชีพ', 'Y', '00000', 'สำนักงานใหญ่')
GO
INSERT INTO Company (Id, Code, Password, NameThai, NameEng, ShortName, Address1, Address2, Address3, Address4,
                     Province, Zip, Telephone, Fax, EMail, Logo, TaxNo, InstallDate, RunYear, LocalServer,
                     FUNDNAME, TaxBranchHead, TaxBranchCode, TaxBranchName)
VALUES (2, 'B029', NULL, 'สาขา 29 ลาดพร้าว', 'Branch 29 Ladprao', 'B029', '1 ถนนลาดพร้าว', NULL, NULL, NULL,
        'กรุงเทพมหานคร', '10230', NULL, NULL, NULL, NULL, '0105551234567', '2012-01-01', 2024, NULL,
        NULL, NULL, NULL, NULL)
GO
INSERT INTO DatabaseList (Company, DatabaseName, Description, YearNo) VALUES (1, 'NWX', 'ศูนย์กระจายสินค้า', 2024)
INSERT INTO DatabaseList (Company, DatabaseName, Description, YearNo) VALUES (1, 'NWX_TEST', 'ทดสอบ', 2024)
INSERT INTO DatabaseList (Company, DatabaseName, Description, YearNo) VALUES (2, 'BR0029', 'สาขา 29', 2024)
GO
INSERT INTO CompanyConfig (Company, PicturePath, Public_Price_IE, DefaultWh, POS1_Wh, POS1_TaxCode, POS1_Price_IE,
                           POS1_PriceType, POS1_SumDetail, DefaultPosComPort, DefaultTax, DefaultPosMenuId)
VALUES (1, 'C:\Pictures', 'I', 1, 2, 'VAT7', 'I', 0, 'Y', 'COM1', 7.00, 10)
INSERT INTO CompanyConfig (Company, PicturePath, Public_Price_IE, DefaultWh, POS1_Wh, POS1_TaxCode, POS1_Price_IE,
                           POS1_PriceType, POS1_SumDetail, DefaultPosComPort, DefaultTax, DefaultPosMenuId)
VALUES (2, NULL, 'E', 1, 1, 'VAT7', 'E', 0, 'N', NULL, 7.00, NULL)
GO
INSERT INTO Menu (Id, ParentId, Caption, Command, MenuOption) VALUES (10, NULL, 'ขายหน้าร้าน', 'Pos.exe', 'POS')
INSERT INTO Menu (Id, ParentId, Caption, Command, MenuOption) VALUES (20, NULL, '  สั่งสินค้าสาขา  ', 'BackOffice.exe', '1')
INSERT INTO Menu (Id, ParentId, Caption, Command, MenuOption) VALUES (30, NULL, 'ระบบคลังสินค้า', NULL, NULL)
INSERT INTO Menu (Id, ParentId, Caption, Command, MenuOption) VALUES (31, 30, 'สั่งจัดสินค้า', 'BackOffice.exe', '3')
GO
INSERT INTO UserName (Id, Code, Password, FullName, LanguageNo, EditSalePrice, CanSeeCost, CanModifyCusSale, Saleman,
                      Approve_PoLevel1, Approve_PoLevel2, Approve_PoLevel3, GroupId)
VALUES (7, 'SOMCHAI', 'x', 'สมชาย ใจดี', 1, 'N', 'Y', 'N', 12, 'Y', NULL, NULL, 1)
INSERT INTO UserName (Id, Code, Password, FullName, LanguageNo, EditSalePrice, CanSeeCost, CanModifyCusSale, Saleman, GroupId)
VALUES (8, 'JOHN', 'x', 'John Smith', 2, 'N', 'N', 'N', NULL, 2)
GO
INSERT INTO UserRight (UserId, MenuId, Access_R, Add_R, Modify_R, Delete_R) VALUES (7, 20, 'Y', 'Y', 'Y', 'N')
INSERT INTO UserRight (UserId, MenuId, Access_R, Add_R, Modify_R, Delete_R) VALUES (7, 31, 'Y', 'Y', 'Y', 'Y')
INSERT INTO UserRight (UserId, MenuId, Access_R, Add_R, Modify_R, Delete_R) VALUES (8, 31, 'y', 'N', NULL, 'Y')
GO
-- Branches of the chain; the distribution centre is DC001. ServerName is each branch's database.
INSERT INTO Branch (BranchNo, BranchCode, BranchName, StopDatabase, Storeregion, ServerName, Serverbranch, Server, SoldOutLastUpdate)
VALUES ('001', 'DC001', 'ศูนย์กระจายสินค้า', 'N', 'Central', 'NWX', 'DCSERVER', '', NULL)
INSERT INTO Branch (BranchNo, BranchCode, BranchName, StopDatabase, Storeregion, ServerName, Serverbranch, Server, SoldOutLastUpdate)
VALUES ('029', '0029', 'สาขา 29 ลาดพร้าว', 'N', 'Central', 'BR0029', 'SRV29', '', NULL)
INSERT INTO Branch (BranchNo, BranchCode, BranchName, StopDatabase, Storeregion, ServerName, Serverbranch, Server, SoldOutLastUpdate)
VALUES ('036', '0036', 'สาขา 36 เชียงใหม่', 'N', 'North', 'BR0036', 'SRV36', '', DATEADD(hour, 14, CONVERT(datetime, CONVERT(date, DATEADD(day, -3, GETDATE())))))
INSERT INTO Branch (BranchNo, BranchCode, BranchName, StopDatabase, Storeregion, ServerName, Serverbranch, Server, SoldOutLastUpdate)
VALUES ('040', '0040', 'สาขา 40 ลำปาง (ปิด)', 'Y', 'North', 'BR0040', 'SRV40', '', NULL)
INSERT INTO Branch (BranchNo, BranchCode, BranchName, StopDatabase, Storeregion, ServerName, Serverbranch, Server, SoldOutLastUpdate)
VALUES ('041', '0041', 'สาขา 41 บางนา', 'N', 'Central', 'BR0041', 'SRV41', '', NULL)
GO
INSERT INTO softwareconfig (Id, SoftwareName, Version, LastUpdate) VALUES (1, 'BackOffice', '24.11.25', '2024-11-25')
GO
