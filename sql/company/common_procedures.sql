-- Procedures every company database has: document numbers, the user log, the server clock.
--
-- Each procedure is created once as an empty shell when it is missing and then given its
-- body with ALTER, so running the script again brings the body up to date and keeps the
-- object (and any permissions granted on it).
-- Run on SQL Server with sqlcmd -b -f 65001 (the file is UTF-8).

IF NOT EXISTS (SELECT Id FROM SysObjects WHERE Name = 'NewDocumentNo')
    EXEC ('CREATE PROCEDURE NewDocumentNo AS RETURN 0')
GO
-- Draws the next number of the series of a document code and year, and consumes it.
-- A DocNoConvert row for the code and year sends it to the series it names. The number is
-- the trimmed prefix and the counter, zero-filled to DocumentLength less the prefix's
-- length; the counter after 999999 is 1 again. A counter wider than that is written whole
-- rather than cut, which would give an earlier number again.
-- Runs on its own or inside the caller's transaction; in the latter case the number goes
-- back to the series if the caller rolls back.
ALTER PROCEDURE NewDocumentNo
    @DocCode varchar(20),
    @DocYear int,
    @NewNo varchar(50) OUTPUT
AS
BEGIN
    SET NOCOUNT ON
    -- Any error rolls the transaction back and ends the call: no number leaves here
    -- without having been consumed.
    SET XACT_ABORT ON
    DECLARE @Id int
    DECLARE @LastNo int
    SET @NewNo = NULL

    SELECT @Id = D.Id
      FROM DocNoConvert V
     INNER JOIN DocumentNo D ON (D.Id = V.DocumentNo)
     WHERE V.Code = @DocCode AND V.DocYear = @DocYear
    IF @Id IS NULL
        SELECT @Id = Id FROM DocumentNo WHERE Code = @DocCode AND DocYear = @DocYear
    IF @Id IS NULL
    BEGIN
        RAISERROR('Document number series %s of year %d does not exist.', 16, 1, @DocCode, @DocYear)
        RETURN 1
    END
    -- A longer number would be cut to the length of @NewNo and repeat itself.
    IF (SELECT DocumentLength FROM DocumentNo WHERE Id = @Id) > 50
    BEGIN
        RAISERROR('Document number series %s of year %d is longer than 50 characters.', 16, 1,
                  @DocCode, @DocYear)
        RETURN 1
    END

    -- The update comes before the read: it takes the series' write lock, so a second caller
    -- waits here until this one has committed and then reads the counter this one left.
    BEGIN TRANSACTION
    UPDATE DocumentNo
       SET LastNo = (CASE WHEN LastNo = 999999 THEN 0 ELSE LastNo END) + 1
     WHERE Id = @Id
    -- The number is made in the same read: the counter zero-filled to the width the prefix
    -- leaves (REPLICATE of a negative count would be NULL).
    SELECT @LastNo = LastNo,
           @NewNo = LTRIM(RTRIM(COALESCE(Prefix, '')))
                  + CASE WHEN COALESCE(DocumentLength, 0) - COALESCE(LEN(Prefix), 0)
                              > LEN(CONVERT(varchar(12), LastNo))
                         THEN REPLICATE('0', COALESCE(DocumentLength, 0) - COALESCE(LEN(Prefix), 0)
                                             - LEN(CONVERT(varchar(12), LastNo)))
                         ELSE '' END
                  + CONVERT(varchar(12), LastNo)
      FROM DocumentNo
     WHERE Id = @Id
    COMMIT TRANSACTION

    IF @LastNo IS NULL
    BEGIN
        -- The series was deleted between the look-up and the update.
        RAISERROR('Document number series %s of year %d does not exist.', 16, 1, @DocCode, @DocYear)
        RETURN 1
    END
    RETURN 0
END
GO

IF NOT EXISTS (SELECT Id FROM SysObjects WHERE Name = 'UserAddLog')
    EXEC ('CREATE PROCEDURE UserAddLog AS RETURN 0')
GO
-- Appends one entry to the user log (FunctionListId: 1 add, 2 edit, 5 print, 10 preview).
ALTER PROCEDURE UserAddLog
    @UserId int,
    @MenuId int,
    @FunctionListId int,
    @DocumentId int,
    @Remark varchar(100)
AS
BEGIN
    SET NOCOUNT ON
    INSERT INTO UserLog (LogDate, UserId, MenuId, FunctionListId, DocumentId, Remark)
    VALUES (GETDATE(), @UserId, @MenuId, @FunctionListId, @DocumentId, @Remark)
    RETURN 0
END
GO

IF NOT EXISTS (SELECT Id FROM SysObjects WHERE Name = 'ServerTime')
    EXEC ('CREATE PROCEDURE ServerTime AS RETURN 0')
GO
-- The server's date and time: the clock every stored date of the client comes from.
ALTER PROCEDURE ServerTime
    @ServerTime datetime OUTPUT
AS
BEGIN
    SET NOCOUNT ON
    SET @ServerTime = GETDATE()
    RETURN 0
END
GO
