-- Distribution centre's company database, transfers: the branches the centre delivers to,
-- the transfer notes with the boxes their lines are packed in, and the vehicle trips with the
-- boxes loaded on them. The transfer-document screen and its print layouts read them.
-- Needs common_tables.sql first.
--
-- Re-runnable: every create first looks in the catalog, so running the script again
-- changes nothing. Run on SQL Server with sqlcmd -b -f 65001 (the file is UTF-8).

-- The branches, as the transfer notes name them (by Id).
IF NOT EXISTS (SELECT Id FROM SysObjects WHERE Name = 'Branch')
CREATE TABLE Branch (
    Id IdNo IDENTITY(1,1) NOT NULL CONSTRAINT PK_Branch PRIMARY KEY,
    BranchCode varchar(10) NOT NULL,
    BranchName varchar(100) NULL
)
GO
IF NOT EXISTS (SELECT Id FROM SysIndexes WHERE Name = 'BranchBranchCode'
               AND Id = (SELECT Id FROM SysObjects WHERE Name = 'Branch'))
CREATE UNIQUE INDEX BranchBranchCode ON Branch (BranchCode)
GO

-- A transfer note: TranType "O" going out to the branch, "I" coming in from it.
IF NOT EXISTS (SELECT Id FROM SysObjects WHERE Name = 'TranBranchHd')
CREATE TABLE TranBranchHd (
    Id IdNo IDENTITY(1,1) NOT NULL CONSTRAINT PK_TranBranchHd PRIMARY KEY,
    DocNo varchar(15) NULL,
    DocDate datetime NULL,
    TranType CharFlag NOT NULL,
    Branch int NOT NULL
)
GO
-- Its lines, each with the box it is packed in. A box may hold lines of several notes (of
-- several branches), and a note's lines fill several boxes.
IF NOT EXISTS (SELECT Id FROM SysObjects WHERE Name = 'TranBranchDt')
CREATE TABLE TranBranchDt (
    Id IdNo IDENTITY(1,1) NOT NULL CONSTRAINT PK_TranBranchDt PRIMARY KEY,
    TranBranchHd int NOT NULL,
    BoxNo varchar(20) NULL
)
GO
IF NOT EXISTS (SELECT Id FROM SysIndexes WHERE Name = 'TranBranchDtBoxNo'
               AND Id = (SELECT Id FROM SysObjects WHERE Name = 'TranBranchDt'))
CREATE INDEX TranBranchDtBoxNo ON TranBranchDt (BoxNo)
GO

-- A vehicle trip (CarNo: a code of the CARNO group of Misc) and its transfer document;
-- Closed "Y" once loading is finished. The latest trip of a vehicle has the highest Id.
IF NOT EXISTS (SELECT Id FROM SysObjects WHERE Name = 'TransferCarHd')
CREATE TABLE TransferCarHd (
    Id IdNo IDENTITY(1,1) NOT NULL CONSTRAINT PK_TransferCarHd PRIMARY KEY,
    DocNo varchar(15) NOT NULL,
    DocDate datetime NULL,
    CarNo varchar(20) NOT NULL,
    Closed CharFlag
)
GO
IF NOT EXISTS (SELECT Id FROM SysIndexes WHERE Name = 'TransferCarHdCarNo'
               AND Id = (SELECT Id FROM SysObjects WHERE Name = 'TransferCarHd'))
CREATE INDEX TransferCarHdCarNo ON TransferCarHd (CarNo)
GO
-- The boxes loaded on a trip.
IF NOT EXISTS (SELECT Id FROM SysObjects WHERE Name = 'TransferCarDt')
CREATE TABLE TransferCarDt (
    Id IdNo IDENTITY(1,1) NOT NULL CONSTRAINT PK_TransferCarDt PRIMARY KEY,
    TransferCarHd int NOT NULL,
    BoxNo varchar(20) NOT NULL
)
GO
IF NOT EXISTS (SELECT Id FROM SysIndexes WHERE Name = 'TransferCarDtTransferCarHd'
               AND Id = (SELECT Id FROM SysObjects WHERE Name = 'TransferCarDt'))
CREATE INDEX TransferCarDtTransferCarHd ON TransferCarDt (TransferCarHd)
GO
