-- CHECK constraints turned off and on: NOCHECK CONSTRAINT lets rows through, CHECK CONSTRAINT
-- checks new rows again (trusting the rows there), WITH CHECK CHECK checks the rows there too.
SET NOCOUNT ON
CREATE TABLE Units (
    Code varchar(10) NOT NULL PRIMARY KEY,
    Fraction int NULL CONSTRAINT CK_Units_Fraction CHECK (Fraction > 0),
    Lo int NULL,
    Hi int NULL,
    CONSTRAINT CK_Units_Range CHECK (Lo <= Hi)
)
INSERT INTO Units VALUES ('BOX', 12, 1, 5)
GO
PRINT '-- one constraint off'
ALTER TABLE Units NOCHECK CONSTRAINT CK_Units_Fraction
INSERT INTO Units VALUES ('ZERO', 0, 1, 2)
INSERT INTO Units VALUES ('RANGE', 1, 9, 2)
UPDATE Units SET Fraction = -1 WHERE Code = 'BOX'
SELECT Code, Fraction FROM Units ORDER BY Code
GO
PRINT '-- WITH CHECK finds the rows that break it'
ALTER TABLE Units WITH CHECK CHECK CONSTRAINT CK_Units_Fraction
PRINT 'still off'
INSERT INTO Units VALUES ('NEG', -5, NULL, NULL)
GO
PRINT '-- on again without checking the rows there'
ALTER TABLE Units CHECK CONSTRAINT CK_Units_Fraction
INSERT INTO Units VALUES ('NEG2', -6, NULL, NULL)
UPDATE Units SET Fraction = 0 WHERE Code = 'BOX'
SELECT COUNT(*) AS N FROM Units WHERE Fraction <= 0
GO
PRINT '-- all of them'
ALTER TABLE Units NOCHECK CONSTRAINT ALL
INSERT INTO Units VALUES ('BOTH', -7, 9, 1)
ALTER TABLE Units WITH NOCHECK CHECK CONSTRAINT CK_Units_Range, CK_Units_Fraction
INSERT INTO Units VALUES ('BOTH2', -7, 1, 9)
INSERT INTO Units VALUES ('GOOD', 2, 1, 3)
DELETE FROM Units WHERE Fraction <= 0 OR Lo > Hi
ALTER TABLE Units WITH CHECK CHECK CONSTRAINT ALL
INSERT INTO Units VALUES ('BOTH3', 1, 9, 1)
SELECT Code FROM Units ORDER BY Code
GO
PRINT '-- a name the table does not have'
ALTER TABLE Units NOCHECK CONSTRAINT CK_Nothing
PRINT 'the batch goes on'
ALTER TABLE Units CHECK CONSTRAINT CK_Units_Range, CK_Nothing
GO
