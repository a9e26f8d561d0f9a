-- Databases: CREATE, USE and DROP DATABASE, the sysdatabases list, and three-part names.
PRINT '-- create and use'
CREATE DATABASE Shop
GO
USE Shop
GO
SELECT DB_NAME() AS Db
CREATE TABLE Item (Id int NOT NULL, Name varchar(10) NOT NULL)
INSERT INTO Item VALUES (1, 'pen')
GO
USE master
GO
SELECT DB_NAME() AS Db
SELECT * FROM Item
GO
PRINT '-- sysdatabases'
SELECT name FROM master..sysdatabases WHERE name IN ('master', 'Shop') ORDER BY name
SELECT name FROM master.dbo.sysdatabases WHERE name = 'shop'
SELECT COUNT(*) AS N FROM SysDatabases WHERE name = 'Shop'
SELECT CASE WHEN DB_ID('Shop') IS NULL THEN 'no' ELSE 'yes' END AS HasShop, DB_ID('Nope') AS NoDb
IF NOT EXISTS (SELECT * FROM master..sysdatabases WHERE name = 'Shop')
    CREATE DATABASE Shop
ELSE
    PRINT 'Shop is already there'
GO
CREATE DATABASE Shop
GO
CREATE DATABASE SHOP
GO
USE Nope
GO
PRINT '-- three-part names'
SELECT Id, Name FROM Shop.dbo.Item
INSERT INTO Shop.dbo.Item VALUES (2, 'ink')
UPDATE Shop..Item SET Name = 'pencil' WHERE Id = 1
SELECT i.Id, i.Name FROM Shop..Item i JOIN Shop.dbo.Item j ON j.Id = i.Id ORDER BY i.Id
DELETE FROM Shop.dbo.Item WHERE Id = 2
SELECT COUNT(*) AS N FROM Shop..Item
SELECT Name INTO Shop..Copy FROM Shop..Item
SELECT Name FROM Shop.dbo.Copy
GO
SELECT * FROM Nope.dbo.Item
GO
PRINT '-- drop database'
DROP DATABASE Shop
GO
SELECT COUNT(*) AS N FROM master..sysdatabases WHERE name = 'Shop'
GO
USE Shop
GO
