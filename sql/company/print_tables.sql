-- The print layouts of each form code: the print dialog lists the rows of the caller's form
-- code in FormOrderNo order. FrfName is the template file relative to the program's current
-- directory (a name containing "fr3" goes to the external print library); SpName, when not
-- blank, is run with the document before a built-in template; ShowPrintPreview "Y" lets the
-- preview window print.
IF NOT EXISTS (SELECT Id FROM SysObjects WHERE Name = 'SystemForm')
CREATE TABLE SystemForm (
    Id IdNo IDENTITY(1,1) NOT NULL CONSTRAINT PK_SystemForm PRIMARY KEY,
    FormOrderNo int NOT NULL CONSTRAINT DF_SystemForm_FormOrderNo DEFAULT (0),
    FormCode varchar(20) NOT NULL,
    FormDesc varchar(60) NULL,
    FrfName varchar(255) NULL,
    SpName varchar(60) NULL,
    DocCode varchar(20) NULL,
    DocParaName varchar(60) NULL,
    ShowPrintPreview char(1) NULL
)
GO
IF NOT EXISTS (SELECT Id FROM SysIndexes WHERE Name = 'SystemFormFormCode'
               AND Id = (SELECT Id FROM SysObjects WHERE Name = 'SystemForm'))
CREATE INDEX SystemFormFormCode ON SystemForm (FormCode, FormOrderNo)
GO
