#pragma once
// The journal voucher dialog: after a document's print dialog closes, the accounting entries
// of the same document are shown or printed from the one template "\Form_GLAuto.frf", with
// the document's form code turned into its journal type.
#include "printing/Fr_DocPrintForm.h"

// The text shown when the journal template is missing.
extern const char kNoJournalFormMessage[];

// The journal type of a form code (first match wins, case-sensitive, nothing trimmed);
// a code of no journal type comes back unchanged.
QString journalType(const QString& printCode);

class TFrDocPrintFormGLAuto : public TFrDocPrintForm {
    Q_OBJECT
public:
    static constexpr const char* kTemplateName = "\\Form_GLAuto.frf";

    explicit TFrDocPrintFormGLAuto(QWidget* parent = nullptr);

    void AcDisplay() override;
    void AcPrint() override;

protected:
    bool FormShow() override;
    void FormClose() override {}  // no second journal step

private:
    void RunJournalForm(int mode);
};
