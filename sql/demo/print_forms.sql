-- The demo's print layouts (templates in demo/forms, which run.sh copies next to the
-- program as forms\...): the branch order, and two layouts of the transfer document by
-- vehicle "CARTRANNO" (dc_transfers.sql holds the trips), so the print dialog offers a choice.
-- Rows are only added where missing, so the script can run again.
-- Run on SQL Server with sqlcmd -b -f 65001 (the file is UTF-8).

INSERT INTO SystemForm (FormOrderNo, FormCode, FormDesc, FrfName, SpName, DocCode, DocParaName, ShowPrintPreview)
SELECT X.FormOrderNo, X.FormCode, X.FormDesc, X.FrfName, '', X.DocCode, '', X.ShowPrintPreview
  FROM (SELECT 1 AS FormOrderNo, 'ORD-BRANCH' AS FormCode, N'ใบสั่งสินค้าสาขา' AS FormDesc,
               'forms\BranchOrder.frf' AS FrfName, 'ORD-BRANCH' AS DocCode, 'Y' AS ShowPrintPreview
        UNION ALL
        SELECT 1, 'CARTRANNO', N'ใบโอนจ่ายสินค้าตามรถ', 'forms\TransferByCar.frf', 'CARTRANNO', 'Y'
        UNION ALL
        SELECT 2, 'CARTRANNO', N'ใบสรุปการโอนจ่ายตามรถ (ดูอย่างเดียว)', 'forms\TransferByCarSummary.frf', 'CARTRANNO', 'N') X
 WHERE NOT EXISTS (SELECT S.Id FROM SystemForm S
                    WHERE S.FormCode = X.FormCode AND S.FormOrderNo = X.FormOrderNo)
GO
