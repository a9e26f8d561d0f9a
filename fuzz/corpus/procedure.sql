CREATE PROCEDURE NewDocumentNo @DocCode varchar(20), @DocYear int, @NewNo varchar(20) OUTPUT
AS
BEGIN
    SET NOCOUNT ON
    DECLARE @Next int
    BEGIN TRAN
    UPDATE DocumentNo SET LastNo = LastNo + 1 WHERE Code = @DocCode AND DocYear = @DocYear
    IF @@ROWCOUNT = 0
    BEGIN
        ROLLBACK TRAN
        RAISERROR('Document code %s not found', 16, 1, @DocCode)
        RETURN -1
    END
    SELECT @Next = LastNo FROM DocumentNo WHERE Code = @DocCode AND DocYear = @DocYear
    COMMIT TRAN
    SET @NewNo = @DocCode + '-' + RIGHT('00000' + CAST(@Next AS varchar(10)), 5)
END
