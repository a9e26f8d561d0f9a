-- A print procedure of a layout, standing in for a site's own: it records what it was asked
-- to prepare, so that a test sees the dialog's call.
CREATE TABLE PrintRequest (
    Id int IDENTITY(1,1) NOT NULL PRIMARY KEY,
    DocNo varchar(20) NULL,
    DocYear int NULL,
    DocCode varchar(20) NULL,
    RequestDate datetime NULL
)
GO
CREATE PROCEDURE SpPrintCarTran
    @No varchar(20),
    @DocYear int,
    @DocCode varchar(20),
    @NewDocNo varchar(20) OUTPUT
AS
BEGIN
    SET NOCOUNT ON
    INSERT INTO PrintRequest (DocNo, DocYear, DocCode, RequestDate)
    VALUES (@No, @DocYear, @DocCode, GETDATE())
    SET @NewDocNo = @No
    RETURN 0
END
GO
