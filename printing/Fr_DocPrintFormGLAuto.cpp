#include "printing/Fr_DocPrintFormGLAuto.h"

#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <initializer_list>

#include "data/Dm_Config.h"
#include "data/Messages.h"
#include "data/U_DM.h"
#include "ui/report/Preview.h"
#include "ui/report/Report.h"

const char kNoJournalFormMessage[] = "ไม่พบฟอร์ม บันทึกบัญชี";

namespace {

bool equalsAny(const QString& code, std::initializer_list<const char*> values) {
    for (const char* v : values)
        if (code == QLatin1String(v)) return true;
    return false;
}

bool beginsWithAny(const QString& code, std::initializer_list<const char*> values) {
    for (const char* v : values)
        if (code.startsWith(QLatin1String(v))) return true;
    return false;
}

}  // namespace

QString journalType(const QString& code) {
    // The order matters: "PRERCPT" and "PREPAID" are receipts and payments, not purchases.
    if (equalsAny(code, {"ARRCPT", "PRERCPT", "MISCRCPT", "RCPTVEN"}))
        return QStringLiteral("A-RCPT");
    if (equalsAny(code, {"APPAID", "PREPAID", "MISCPAID"})) return QStringLiteral("A-PAID");
    if (beginsWithAny(code, {"MR", "PC", "PR", "VCN", "VDN"}) || code == QLatin1String("ACLUPAID"))
        return QStringLiteral("A-PURC");
    if (beginsWithAny(code, {"IV", "SR", "POS", "CCN", "CDN"}) || code == QLatin1String("ACLURCPT"))
        return QStringLiteral("A-SALE");
    if (beginsWithAny(code, {"BANKCASH", "BANKTR"}) ||
        equalsAny(code, {"RCCHQDP", "RCCHQCL", "RCCHQRD", "PDCHQDP", "PDCHQRD"}))
        return QStringLiteral("A-BANK");
    return code;
}

TFrDocPrintFormGLAuto::TFrDocPrintFormGLAuto(QWidget* parent) : TFrDocPrintForm(parent) {
    FormList->hide();
    Heading->setText(QStringLiteral("พิมพ์ใบบันทึกรายการบัญชี"));
    Heading->show();
}

bool TFrDocPrintFormGLAuto::FormShow() {
    placeTopRight();
    FormCount = 0;
    setCaptions();
    const bool thai = DmConfig && DmConfig->ThaiLanguage;
    setWindowTitle(thai ? QString() : QStringLiteral("Print Document"));
    ApprovalBox->show();
    BApproval->setEnabled(true);
    BDisplay->setFocus();
    return true;
}

void TFrDocPrintFormGLAuto::AcDisplay() {
    RunJournalForm(1);
}

void TFrDocPrintFormGLAuto::AcPrint() {
    RunJournalForm(2);
}

void TFrDocPrintFormGLAuto::RunJournalForm(int mode) {
    try {
        const QString path = layoutFilePath(QString::fromLatin1(kTemplateName));
        if (!QFileInfo(path).isFile()) {
            MessageService::current().message(QString::fromUtf8(kNoJournalFormMessage));
            return;
        }
        // The journal type takes the form code's place; a second run finds nothing to map.
        PrintCode = journalType(PrintCode);
        report::Report& r = reportEngine();
        r.clear();
        r.loadFromFile(path);
        r.setVariable(QStringLiteral("DocNo"), quotedLiteral(DocNo.trimmed()));
        r.setVariable(QStringLiteral("DocYear"), QString::number(DocYear));
        r.setVariable(QStringLiteral("PrintCode"), quotedLiteral(PrintCode.trimmed()));
        if (mode == 1) {
            DM->AddUserLog(TDM::LogPreview, 0, DocNo);
            previewReport(static_cast<int>(report::previewButtonsFor(true).toInt()));
            return;
        }
        printReport();
    } catch (const std::exception& e) {
        reportError(e);
    }
}
