-- Procedures of the configuration database.
--
-- Each procedure is created once as an empty shell when it is missing and then given its
-- body with ALTER, so running the script again brings the body up to date and keeps the
-- object (and any permissions granted on it).
-- Run on SQL Server with sqlcmd -b -f 65001 (the file is UTF-8).

IF NOT EXISTS (SELECT Id FROM SysObjects WHERE Name = 'MENUCAPTION')
    EXEC ('CREATE PROCEDURE MENUCAPTION AS RETURN 0')
GO
-- Caption of a menu entry, and who the user is and what he may do there. A right not
-- granted, an unknown user and an unknown entry all come back as 'N'; caption and user code
-- come back as stored (empty when unknown), the salesman id 0 when there is none.
ALTER PROCEDURE MENUCAPTION
    @MENUID int,
    @USERID int,
    @CAPTION varchar(100) OUTPUT,
    @ACCESS_R char(1) OUTPUT,
    @ADD_R char(1) OUTPUT,
    @MODIFY_R char(1) OUTPUT,
    @DELETE_R char(1) OUTPUT,
    @USERCODE varchar(20) OUTPUT,
    @SALESID int OUTPUT
AS
BEGIN
    SET NOCOUNT ON
    SET @CAPTION = ''
    SET @USERCODE = ''
    SET @SALESID = 0
    SET @ACCESS_R = 'N'
    SET @ADD_R = 'N'
    SET @MODIFY_R = 'N'
    SET @DELETE_R = 'N'

    SELECT @CAPTION = COALESCE(Caption, '') FROM Menu WHERE Id = @MENUID
    SELECT @USERCODE = Code, @SALESID = COALESCE(Saleman, 0) FROM UserName WHERE Id = @USERID

    -- Rights count only for an entry and a user that exist.
    SELECT @ACCESS_R = COALESCE(R.Access_R, 'N'),
           @ADD_R = COALESCE(R.Add_R, 'N'),
           @MODIFY_R = COALESCE(R.Modify_R, 'N'),
           @DELETE_R = COALESCE(R.Delete_R, 'N')
      FROM UserRight R
     INNER JOIN Menu M ON (M.Id = R.MenuId)
     INNER JOIN UserName U ON (U.Id = R.UserId)
     WHERE R.UserId = @USERID AND R.MenuId = @MENUID
    RETURN 0
END
GO

IF NOT EXISTS (SELECT Id FROM SysObjects WHERE Name = 'AddErrorLog')
    EXEC ('CREATE PROCEDURE AddErrorLog AS RETURN 0')
GO
-- Appends one entry to the error log. The client calls it from its error handler, so it
-- must not fail on long texts: names longer than their columns are cut by the parameters,
-- the message is kept whole.
ALTER PROCEDURE AddErrorLog
    @CompName varchar(128),
    @LogName varchar(128),
    @UserId int,
    @MenuId int,
    @ErrorMsg varchar(max)
AS
BEGIN
    SET NOCOUNT ON
    INSERT INTO ErrorLog (LogDate, CompName, LogName, UserId, MenuId, ErrorMsg)
    VALUES (GETDATE(), @CompName, @LogName, @UserId, @MenuId, @ErrorMsg)
    RETURN 0
END
GO
