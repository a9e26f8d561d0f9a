-- Queries: DISTINCT, TOP, aliases, subqueries, derived tables, joins, grouping, ordering,
-- set operators, variable assignment, SELECT INTO, predicates, CASE and aggregates.
SET NOCOUNT ON
CREATE TABLE Dept (DeptId int NOT NULL PRIMARY KEY, Name varchar(20) NOT NULL)
CREATE TABLE Emp (EmpId int NOT NULL PRIMARY KEY, Name varchar(20) NOT NULL, DeptId int NULL,
                  Salary int NOT NULL, Bonus decimal(8, 2) NULL)
INSERT INTO Dept VALUES (1, 'Sales'), (2, 'Stock'), (3, 'Office')
INSERT INTO Emp VALUES (1, 'Anna', 1, 3000, 100.50), (2, 'Ben', 1, 2500, NULL),
    (3, 'Chai', 2, 2000, 50), (4, 'Dao', 2, 2000, NULL), (5, 'Eve', NULL, 1800, 30.25)
CREATE TABLE Word (Id int NOT NULL, W varchar(20) NOT NULL)
INSERT INTO Word VALUES (1, 'apple'), (2, 'Banana'), (3, 'cherry'), (4, '50%'), (5, 'a_b'),
    (6, 'axb'), (7, '[x]'), (8, 'date')
SET NOCOUNT OFF
GO
PRINT '-- distinct'
SELECT DISTINCT DeptId FROM Emp ORDER BY DeptId
SELECT DISTINCT Salary, DeptId FROM Emp ORDER BY Salary DESC, DeptId
SELECT COUNT(DISTINCT v) AS Kinds
FROM (SELECT 'abc' AS v UNION ALL SELECT 'ABC' UNION ALL SELECT 'abc  ' UNION ALL SELECT 'abd') AS x
GO
PRINT '-- top'
SELECT TOP 2 Name, Salary FROM Emp ORDER BY Salary DESC
DECLARE @n int
SET @n = 3
SELECT TOP (@n) EmpId FROM Emp ORDER BY EmpId
SELECT TOP (2 * 2) Name FROM Emp ORDER BY Name DESC
GO
PRINT '-- aliases'
SELECT Name AS [Employee Name], Salary Pay, 'x' 'Label', Bonus2 = Bonus, 'Double' = Salary * 2,
       Salary AS 'Monthly Pay'
FROM Emp WHERE EmpId = 1
SELECT e.Name FROM Emp AS e WHERE e.EmpId = 2
GO
PRINT '-- subqueries in the select list'
SELECT d.Name, (SELECT COUNT(*) FROM Emp e WHERE e.DeptId = d.DeptId) AS Staff,
       (SELECT MAX(e.Salary) FROM Emp e WHERE e.DeptId = d.DeptId) AS TopPay
FROM Dept d ORDER BY d.DeptId
SELECT (SELECT Name FROM Emp WHERE EmpId = 99) AS Nobody
GO
SELECT (SELECT EmpId FROM Emp WHERE DeptId = 1) AS One
GO
PRINT '-- derived tables'
SELECT x.DeptId, x.Total
FROM (SELECT DeptId, SUM(Salary) AS Total FROM Emp WHERE DeptId IS NOT NULL GROUP BY DeptId) AS x
WHERE x.Total >= 4000 ORDER BY x.Total DESC
SELECT COUNT(*) AS N FROM (SELECT DISTINCT Salary FROM Emp) s
GO
PRINT '-- joins'
SELECT e.Name, d.Name AS Dept FROM Emp e INNER JOIN Dept d ON d.DeptId = e.DeptId ORDER BY e.EmpId
SELECT e.Name, d.Name AS Dept FROM Emp e LEFT JOIN Dept d ON d.DeptId = e.DeptId ORDER BY e.EmpId
SELECT e.Name, d.Name AS Dept FROM Emp e RIGHT OUTER JOIN Dept d ON d.DeptId = e.DeptId
ORDER BY d.DeptId, e.Name
SELECT e.Name, d.Name AS Dept FROM Emp e FULL JOIN Dept d ON d.DeptId = e.DeptId ORDER BY e.Name, d.Name
SELECT COUNT(*) AS Pairs FROM Emp CROSS JOIN Dept
SELECT d.Name, x.n FROM Dept d CROSS JOIN (SELECT 1 AS n UNION ALL SELECT 2) x
WHERE d.DeptId < 3 ORDER BY d.Name, x.n
SELECT e.Name FROM Emp e, Dept d WHERE d.DeptId = e.DeptId AND d.Name = 'STOCK' ORDER BY e.Name
GO
SELECT DeptId FROM Emp e JOIN Dept d ON d.DeptId = e.DeptId
GO
PRINT '-- where'
SELECT Name FROM Emp WHERE DeptId = 1 OR DeptId = 2 AND Salary > 2000 ORDER BY Name
SELECT Name FROM Emp WHERE NOT (DeptId = 1) ORDER BY Name
SELECT Name FROM Emp WHERE DeptId IS NULL
GO
PRINT '-- group by, having'
SELECT DeptId, COUNT(*) AS N, SUM(Salary) AS Total, MIN(Name) AS First
FROM Emp GROUP BY DeptId ORDER BY DeptId
SELECT d.Name FROM Dept d JOIN Emp e ON e.DeptId = d.DeptId
GROUP BY d.DeptId, d.Name
HAVING COUNT(*) = (SELECT COUNT(*) FROM Emp e2 WHERE e2.DeptId = d.DeptId AND e2.Salary > 2000)
SELECT DeptId, MAX(Salary) AS TopPay FROM Emp GROUP BY DeptId
HAVING MAX(Salary) > (SELECT AVG(Salary) FROM Emp) ORDER BY DeptId
GO
SELECT DeptId, Name FROM Emp GROUP BY DeptId
GO
PRINT '-- order by'
SELECT Name, Salary AS Pay FROM Emp ORDER BY Pay DESC, Name
SELECT Name, Salary FROM Emp ORDER BY 2, 1 DESC
SELECT Name FROM Emp ORDER BY LEN(Name) DESC, Name
SELECT Name FROM Emp ORDER BY Salary, EmpId
SELECT Name FROM Emp ORDER BY CASE WHEN DeptId IS NULL THEN 0 ELSE 1 END, EmpId DESC
GO
PRINT '-- set operators'
SELECT DeptId FROM Dept UNION ALL SELECT DeptId FROM Emp WHERE DeptId = 1 ORDER BY DeptId
SELECT DeptId AS Id FROM Dept UNION SELECT DeptId FROM Emp ORDER BY Id
SELECT DeptId FROM Dept EXCEPT SELECT DeptId FROM Emp
SELECT DeptId FROM Dept INTERSECT SELECT DeptId FROM Emp ORDER BY DeptId
SELECT 1 AS v UNION ALL SELECT 2.5 ORDER BY v
GO
SELECT 1 AS a UNION SELECT 1, 2
GO
PRINT '-- assignment with select'
DECLARE @name varchar(20)
SET @name = 'none'
SELECT @name = Name FROM Emp ORDER BY EmpId
SELECT @name AS LastRow, @@ROWCOUNT AS RowCnt
SELECT @name = Name FROM Emp WHERE EmpId = 99
SELECT @name AS Unchanged, @@ROWCOUNT AS RowCnt
SET @name = (SELECT Name FROM Emp WHERE EmpId = 99)
SELECT @name AS SetToNull
DECLARE @total int, @count int
SELECT @total = SUM(Salary), @count = COUNT(*) FROM Emp
SELECT @total AS Total, @count AS Cnt
GO
PRINT '-- select into'
SELECT EmpId, Name, Bonus INTO #Copy FROM Emp WHERE DeptId = 1
SELECT * FROM #Copy ORDER BY EmpId
SELECT TOP 0 EmpId, Name, Bonus INTO EmpShape FROM Emp
INSERT INTO EmpShape VALUES (9, 'Zed', 1.005)
SELECT EmpId, Name, Bonus FROM EmpShape
GO
INSERT INTO EmpShape VALUES (10, 'A name far too long for it', 1)
GO
PRINT '-- in, exists, between'
SELECT Name FROM Emp WHERE DeptId IN (2, 3) ORDER BY Name
SELECT Name FROM Emp WHERE DeptId NOT IN (1) ORDER BY Name
SELECT COUNT(*) AS N FROM Emp WHERE EmpId NOT IN (SELECT DeptId FROM Emp)
SELECT Name FROM Emp WHERE EmpId IN (SELECT DeptId FROM Dept) ORDER BY Name
SELECT Name FROM Dept WHERE EXISTS (SELECT * FROM Emp WHERE Emp.DeptId = Dept.DeptId) ORDER BY Name
SELECT Name FROM Dept d WHERE NOT EXISTS (SELECT 1 FROM Emp e WHERE e.DeptId = d.DeptId)
SELECT Name FROM Emp WHERE Salary BETWEEN 2000 AND 2500 ORDER BY Name
SELECT Name FROM Emp WHERE Salary NOT BETWEEN 2000 AND 2500 ORDER BY Name
SELECT Name FROM Emp WHERE Name BETWEEN 'b' AND 'd' ORDER BY Name
GO
PRINT '-- like'
SELECT W FROM Word WHERE W LIKE 'A%' ORDER BY Id
SELECT W FROM Word WHERE W LIKE '_pple'
SELECT W FROM Word WHERE W LIKE '[a-c]%' ORDER BY Id
SELECT W FROM Word WHERE W LIKE '[^a]%' ORDER BY Id
SELECT W FROM Word WHERE W LIKE '%[%]'
SELECT W FROM Word WHERE W LIKE '%!%' ESCAPE '!'
SELECT W FROM Word WHERE W LIKE 'a_b' ORDER BY Id
SELECT W FROM Word WHERE W LIKE 'a[_]b'
SELECT W FROM Word WHERE W LIKE 'a!_b' ESCAPE '!'
SELECT W FROM Word WHERE W LIKE '[[]x]'
SELECT W FROM Word WHERE W LIKE '%E%' ORDER BY Id
SELECT W FROM Word WHERE W NOT LIKE '%a%' ORDER BY Id
SELECT CASE WHEN 'date ' LIKE 'date' THEN 'yes' ELSE 'no' END AS ValueBlank,
       CASE WHEN 'date' LIKE 'date ' THEN 'yes' ELSE 'no' END AS PatternBlank
GO
PRINT '-- case'
SELECT Name, CASE DeptId WHEN 1 THEN 'Sales' WHEN 2 THEN 'Stock' ELSE 'none' END AS D,
       CASE WHEN Salary >= 2500 THEN 'high' WHEN Salary >= 2000 THEN 'mid' END AS Band
FROM Emp ORDER BY EmpId
SELECT CASE WHEN 1 = 1 THEN 1 ELSE 2.5 END AS Typed
GO
PRINT '-- aggregates and NULL'
SELECT COUNT(*) AS AllRows, COUNT(Bonus) AS WithBonus, SUM(Bonus) AS Total, AVG(Bonus) AS Average,
       MIN(Bonus) AS Low, MAX(Bonus) AS High, COUNT(DISTINCT DeptId) AS Depts
FROM Emp
SELECT AVG(v) AS IntAvg, SUM(v) / COUNT(*) AS ByHand, AVG(CAST(v AS decimal(5, 2))) AS DecAvg
FROM (SELECT 1 AS v UNION ALL SELECT 2 UNION ALL SELECT 4 UNION ALL SELECT 6) x
SELECT AVG(v) AS NegAvg FROM (SELECT -1 AS v UNION ALL SELECT -2) x
SELECT SUM(Salary) AS NoRows, COUNT(*) AS Zero FROM Emp WHERE EmpId > 99
GO
PRINT '-- COUNT(DISTINCT) in groups: values equal under the collation count once, NULL not at all'
CREATE TABLE CountGroup (K int, V varchar(10), N float)
INSERT INTO CountGroup VALUES (1, 'a', 1)
INSERT INTO CountGroup VALUES (1, 'A', 1.0)
INSERT INTO CountGroup VALUES (1, 'a  ', 2)
INSERT INTO CountGroup VALUES (1, NULL, NULL)
INSERT INTO CountGroup VALUES (2, NULL, NULL)
INSERT INTO CountGroup VALUES (3, 'b', 3)
INSERT INTO CountGroup VALUES (3, 'c', 3)
SELECT K, COUNT(DISTINCT V) AS Names, COUNT(DISTINCT N) AS Numbers, COUNT(V) AS AllNames
FROM CountGroup GROUP BY K ORDER BY K
SELECT K FROM CountGroup GROUP BY K HAVING COUNT(DISTINCT V) > 1
DROP TABLE CountGroup
GO
