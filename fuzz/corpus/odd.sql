/* outer /* nested */ still a comment */
SELECT 'it''s', N'ไทย', "quoted id", [br]]acket], -1e-3, .5, 0x, @@TRANCOUNT -- trailing
SELECT (((1 + 2) * 3) / 0), ~1 & 2 | 3 ^ 4, 1 !< 2, 'a' + NULL;
SELECT 'unterminated
