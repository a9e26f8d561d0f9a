-- Demo stock of a branch: minimum and maximum stock (ProductManage) and stock on hand
-- (ProductOnhand) of the products of branch_products.sql.
--
-- A product's number is the last four digits of its code. The branch manages drinks in
-- packs and everything else in its smallest unit; every nineteenth product has no stock
-- settings (it can still be ordered by barcode). About half the managed units are below
-- their minimum on the shop floor, which the order proposal picks up; some of those also
-- have stock in the store room, which the proposal does not count. A maximum of 0 (every
-- sixth product) means no maximum.
-- Rows are only added where missing, so the script can run again.
-- $(BranchCode) is the branch's own code: sqlcmd -b -f 65001 -v BranchCode=0001.

DECLARE @Branch int
SET @Branch = CONVERT(int, '$(BranchCode)') - 1

CREATE TABLE #Managed (ProductUnits int NOT NULL PRIMARY KEY, Product int NOT NULL,
                       No int NOT NULL, Fraction int NOT NULL, MinQnty int NOT NULL,
                       MaxQnty int NOT NULL, Onhand int NOT NULL)
INSERT INTO #Managed (ProductUnits, Product, No, Fraction, MinQnty, MaxQnty, Onhand)
SELECT U.Id, P.Id, CONVERT(int, RIGHT(P.Code, 4)), U.Fraction, 0, 0, 0
  FROM Product P
 INNER JOIN ProductUnits U ON (U.Product = P.Id)
 WHERE LEN(P.Code) = 6
   AND CONVERT(int, RIGHT(P.Code, 4)) % 19 <> 0
   AND U.Fraction = (CASE WHEN P.ProdGroup = 'G02'
                          THEN COALESCE((SELECT MIN(Q.Fraction) FROM ProductUnits Q
                                          WHERE Q.Product = P.Id AND Q.Fraction > 1), 1)
                          ELSE 1 END)
UPDATE #Managed
   SET MinQnty = CASE WHEN Fraction > 1 THEN 2 + No % 5 ELSE 6 + (No * 7) % 25 END
UPDATE #Managed
   SET MaxQnty = CASE WHEN No % 6 = 0 THEN 0 ELSE MinQnty * 3 END,
       Onhand = CASE WHEN (No / 8 + @Branch) % 2 = 0 THEN (No * 3) % MinQnty ELSE MinQnty + No % 20 END

-- The consignment goods are managed too, and empty.
INSERT INTO #Managed (ProductUnits, Product, No, Fraction, MinQnty, MaxQnty, Onhand)
SELECT U.Id, P.Id, 0, 1, 10, 0, 0
  FROM Product P
 INNER JOIN ProductUnits U ON (U.Product = P.Id)
 WHERE P.Code IN ('01237001', '01237002', '01219001')

INSERT INTO ProductManage (Product, ProductUnits, MinQnty, MaxQnty)
SELECT M.Product, M.ProductUnits, M.MinQnty, M.MaxQnty
  FROM #Managed M
 WHERE NOT EXISTS (SELECT X.Id FROM ProductManage X WHERE X.ProductUnits = M.ProductUnits)

-- Stock in smallest units: the shop floor's opening balance of this year (a part pack now
-- and then), the store room's, and last year's closing balance.
INSERT INTO ProductOnhand (Product, ProductUnits, Warehouse, BalanceYear, PeriodNo, Quantity)
SELECT M.Product, M.ProductUnits, W.Id, S.BalanceYear, S.PeriodNo, S.Quantity
  FROM #Managed M
 INNER JOIN (SELECT X.ProductUnits, 'WF' AS Warehouse, YEAR(GETDATE()) AS BalanceYear, 0 AS PeriodNo,
                    X.Onhand * X.Fraction
                    + (CASE WHEN X.Fraction > 1 AND X.No % 4 = 1 THEN X.Fraction / 2 ELSE 0 END) AS Quantity
               FROM #Managed X
             UNION ALL
             SELECT X.ProductUnits, 'WS', YEAR(GETDATE()), 0, X.MinQnty * X.Fraction * 2
               FROM #Managed X
              WHERE X.No % 5 = 0
             UNION ALL
             SELECT X.ProductUnits, 'WF', YEAR(GETDATE()) - 1, 12, X.MinQnty * X.Fraction * 2
               FROM #Managed X) S ON (S.ProductUnits = M.ProductUnits)
 INNER JOIN Warehouse W ON (W.Code = S.Warehouse)
 WHERE NOT EXISTS (SELECT O.Id FROM ProductOnhand O
                    WHERE O.ProductUnits = M.ProductUnits AND O.Warehouse = W.Id
                      AND O.BalanceYear = S.BalanceYear AND O.PeriodNo = S.PeriodNo)

DROP TABLE #Managed
GO
