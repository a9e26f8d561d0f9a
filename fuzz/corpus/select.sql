SELECT TOP 10 o.OrderNo, b.BranchName, CONVERT(varchar(10), o.OrderDate, 103) AS D,
       SUM(o.Qty * o.Price) AS Total, COUNT(DISTINCT o.BranchCode)
FROM Demo.dbo.OrderBranch o
LEFT JOIN Demo..Branch AS b ON b.BranchCode = o.BranchCode AND b.Active = 'Y'
WHERE o.OrderDate BETWEEN '20240101' AND GETDATE() AND o.Status IN ('N', 'P')
  AND o.Remark LIKE N'%สาขา[0-9]_%' ESCAPE '\' AND NOT EXISTS (SELECT 1 FROM #Skip s WHERE s.No = o.OrderNo)
GROUP BY o.OrderNo, b.BranchName, o.OrderDate
HAVING SUM(o.Qty) > 0
ORDER BY 1 DESC, b.BranchName
