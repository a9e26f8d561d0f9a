-- Demo rows of the distribution centre NWX for pick planning and confirmation, on top of the
-- demo product master (branch_products.sql):
--   - the milk products (group 8) are the frozen division, the rest the ordinary one; every
--     7th product may be picked without stock (Negative "Y"), every 11th is marked neither
--     "Y" nor "N";
--   - stock by location: zone A (groups 1 to 4), B (5 to 7), F (frozen); every 5th product
--     has a second location in zone C, some have none at all, some have 0;
--   - open order lines of branches 0001 and 0002 (Central), 0003 (North), 0004 (Northeast),
--     frozen lines among them; 0001 orders more than 30 items of zone A, so its group needs
--     two picking sheets;
--   - earlier picks in every state: PK0000000001 picked yesterday (branch 0002 and the
--     customer C1001), PK0000000002 on its way (a line in status T), PK0000000003 delivered
--     (status Y), PK0000000004 picked today for branch 0004, which is therefore not offered
--     again today;
--   - the weekly pick plan, every day with at least one branch; vehicle codes (CARNO).
-- Rows are only added where missing, so the script can run again.
-- Run on SQL Server with sqlcmd -b -f 65001 (the file is UTF-8).

UPDATE Product
   SET Division = (SELECT M.Id FROM Misc M
                    WHERE M.GroupCode = 'DIVISION'
                      AND M.Code = CASE WHEN CONVERT(int, RIGHT(Product.Code, 4)) % 8 = 7
                                        THEN '20' ELSE '10' END),
       Useserial = 'N',
       Negative = CASE WHEN CONVERT(int, RIGHT(Product.Code, 4)) % 7 = 0 THEN 'Y'
                       WHEN CONVERT(int, RIGHT(Product.Code, 4)) % 11 = 0 THEN 'X'
                       ELSE 'N' END
 WHERE Division IS NULL AND LEN(Code) = 6
UPDATE Product
   SET Division = (SELECT M.Id FROM Misc M WHERE M.GroupCode = 'DIVISION' AND M.Code = '10'),
       Useserial = 'N'
 WHERE Division IS NULL
GO

IF NOT EXISTS (SELECT Id FROM ProductOnhandSend)
BEGIN
    INSERT INTO ProductOnhandSend (ProdCode, BarCode, Onhand, WhZone, WhCode)
    SELECT P.Code, U.BarCode,
           CASE WHEN X.n % 13 = 6 THEN 0 ELSE (X.n % 17) * 6 + 12 END,
           CASE WHEN X.n % 8 = 7 THEN 'F' WHEN X.n % 8 < 4 THEN 'A' ELSE 'B' END,
           CASE WHEN X.n % 8 = 7 THEN 'F' WHEN X.n % 8 < 4 THEN 'A' ELSE 'B' END
               + '-' + RIGHT('0' + CONVERT(varchar(2), X.n % 20 + 1), 2)
      FROM (SELECT Id, CONVERT(int, RIGHT(Code, 4)) AS n FROM Product WHERE LEN(Code) = 6) X
     INNER JOIN Product P ON (P.Id = X.Id)
     INNER JOIN ProductUnits U ON (U.Product = P.Id AND U.SmallUnitFlag = 'Y')
     WHERE X.n % 9 <> 4
    INSERT INTO ProductOnhandSend (ProdCode, BarCode, Onhand, WhZone, WhCode)
    SELECT P.Code, U.BarCode, 24, 'C', 'C-' + RIGHT('0' + CONVERT(varchar(2), X.n % 10 + 1), 2)
      FROM (SELECT Id, CONVERT(int, RIGHT(Code, 4)) AS n FROM Product WHERE LEN(Code) = 6) X
     INNER JOIN Product P ON (P.Id = X.Id)
     INNER JOIN ProductUnits U ON (U.Product = P.Id AND U.SmallUnitFlag = 'Y')
     WHERE X.n % 5 = 2 AND X.n % 9 <> 4
END
GO

IF NOT EXISTS (SELECT Id FROM TranBranch)
BEGIN
    DECLARE @Today datetime
    SET @Today = CONVERT(datetime, CONVERT(date, GETDATE()))
    -- Open lines: PickNo stays NULL until a pick takes them.
    INSERT INTO TranBranch (OrderNO, OrderDate, PickNo, PickDate, BranchCode, ProdCode, BarCode,
                            OrderQnty, SendQnty, CloseOrder, OrderType, Transfer, OrderBranchId,
                            UpdateBranch)
    SELECT 'No' + RIGHT('0000000000' + CONVERT(varchar(10), B.OrderNo), 10),
           DATEADD(day, -1, @Today), NULL, NULL, B.BranchCode, P.Code, U.BarCode,
           1 + X.n % 6, 0,
           CASE X.n % 10 WHEN 3 THEN 'B' WHEN 6 THEN 'A' WHEN 9 THEN 'O' ELSE 'N' END,
           '2', 'N', B.OrderNo * 1000 + X.n, 'Y'
      FROM (SELECT Id, CONVERT(int, RIGHT(Code, 4)) AS n FROM Product WHERE LEN(Code) = 6) X
     INNER JOIN Product P ON (P.Id = X.Id)
     INNER JOIN ProductUnits U ON (U.Product = P.Id AND U.SmallUnitFlag = 'Y')
     INNER JOIN (SELECT '0001' AS BranchCode, 101 AS OrderNo
                 UNION ALL SELECT '0002', 102
                 UNION ALL SELECT '0003', 103
                 UNION ALL SELECT '0004', 104) B
        ON ((B.BranchCode = '0001' AND ((X.n < 96 AND X.n % 8 < 4) OR (X.n < 40 AND X.n % 8 = 7)))
         OR (B.BranchCode = '0002' AND ((X.n BETWEEN 100 AND 180 AND X.n % 4 = 1)
                                        OR (X.n BETWEEN 40 AND 80 AND X.n % 8 = 7)))
         OR (B.BranchCode = '0003' AND X.n BETWEEN 200 AND 262 AND X.n % 3 = 0)
         OR (B.BranchCode = '0004' AND X.n BETWEEN 264 AND 300 AND X.n % 4 = 0))
    -- A line already handed on to the branch is never picked again.
    UPDATE TranBranch SET Transfer = 'Y' WHERE OrderBranchId = 101001

    -- Earlier picks, with the order lines they took.
    INSERT INTO TranBranch (OrderNO, OrderDate, PickNo, PickDate, BranchCode, ProdCode, BarCode,
                            OrderQnty, SendQnty, TranSendQnty, UserPick, CloseOrder, OrderType,
                            ResponsProdGroup, Transfer, OrderBranchId, BoxNo, remark, UpdateBranch,
                            Locations, ProductManageNo)
    SELECT 'No' + RIGHT('0000000000' + CONVERT(varchar(10), K.OrderNo), 10),
           DATEADD(day, -K.Age - 1, @Today), K.PickNo, DATEADD(hour, 9, DATEADD(day, -K.Age, @Today)),
           K.BranchCode, P.Code, U.BarCode, 2 + X.n % 5,
           CASE WHEN K.Status = 'Y' THEN 2 + X.n % 5 ELSE 0 END, 0, 1,
           CASE WHEN K.Status = 'T' AND X.n % 2 = 0 THEN 'P'
                WHEN K.Status = 'P' AND X.n % 6 = 5 THEN 'O'
                ELSE K.Status END,
           '2',
           K.BranchCode + CASE WHEN X.n % 8 < 4 THEN 'A' ELSE 'B' END + '#001',
           CASE WHEN K.Status = 'Y' THEN 'Y' ELSE 'N' END,
           K.OrderNo * 1000 + X.n, '', '', 'N', '', K.SheetNo
      FROM (SELECT Id, CONVERT(int, RIGHT(Code, 4)) AS n FROM Product WHERE LEN(Code) = 6) X
     INNER JOIN Product P ON (P.Id = X.Id)
     INNER JOIN ProductUnits U ON (U.Product = P.Id AND U.SmallUnitFlag = 'Y')
     INNER JOIN (SELECT 'PK0000000001' AS PickNo, '0002' AS BranchCode, 91 AS OrderNo, 1 AS Age,
                        'P' AS Status, 'PM00000001' AS SheetNo, 0 AS Lo
                 UNION ALL SELECT 'PK0000000001', 'C1001', 92, 1, 'P', 'PM00000001', 8
                 UNION ALL SELECT 'PK0000000002', '0003', 93, 3, 'T', 'PM00000002', 16
                 UNION ALL SELECT 'PK0000000003', '0001', 94, 7, 'Y', 'PM00000003', 24
                 UNION ALL SELECT 'PK0000000004', '0004', 95, 0, 'P', 'PM00000004', 32) K
        ON (X.n BETWEEN K.Lo AND K.Lo + 5)

    UPDATE DocumentNo SET LastNo = 4 WHERE Code = 'PICKORDER' AND DocYear = YEAR(GETDATE())
    UPDATE DocumentNo SET LastNo = 4 WHERE Code = 'PRODUCTMANAGE' AND DocYear = YEAR(GETDATE())
END
GO

INSERT INTO BranchPick (Days, BranchCode)
SELECT X.Days, X.BranchCode
  FROM (SELECT 'SUN' AS Days, '0002' AS BranchCode
        UNION ALL SELECT 'MON', '0001' UNION ALL SELECT 'MON', '0003'
        UNION ALL SELECT 'TUE', '0002' UNION ALL SELECT 'TUE', '0004'
        UNION ALL SELECT 'WED', '0001' UNION ALL SELECT 'WED', '0004'
        UNION ALL SELECT 'THU', '0003' UNION ALL SELECT 'THU', '0002'
        UNION ALL SELECT 'FRI', '0001' UNION ALL SELECT 'FRI', '0002'
        UNION ALL SELECT 'SAT', '0003' UNION ALL SELECT 'SAT', '0001') X
 WHERE NOT EXISTS (SELECT B.Id FROM BranchPick B WHERE B.Days = X.Days AND B.BranchCode = X.BranchCode)
GO

INSERT INTO Misc (GroupCode, Code, Description)
SELECT X.GroupCode, X.Code, X.Description
  FROM (SELECT 'CARNO' AS GroupCode, 'C01' AS Code, 'รถ 6 ล้อ 82-1234 กรุงเทพฯ' AS Description
        UNION ALL SELECT 'CARNO', 'C02', 'รถ 4 ล้อ 3ฒ-5678 กรุงเทพฯ'
        UNION ALL SELECT 'CARNO', 'C03', 'รถ 10 ล้อ 70-9012 เชียงใหม่') X
 WHERE NOT EXISTS (SELECT M.Id FROM Misc M WHERE M.GroupCode = X.GroupCode AND M.Code = X.Code)
GO
