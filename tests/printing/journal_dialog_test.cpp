// The journal voucher dialog: the journal types, and its template previewed and printed with
// the three variables.
#include <QFileInfo>
#include <QTest>

#include "tests/printing/print_dialog_fixture.h"

namespace testing_support {
namespace {

TEST(JournalType, FirstMatchingRowWinsCaseSensitivelyWithoutTrimming) {
    const std::pair<const char*, const char*> cases[] = {
        {"ARRCPT", "A-RCPT"},     {"PRERCPT", "A-RCPT"},  {"RCPTVEN", "A-RCPT"},
        {"APPAID", "A-PAID"},     {"PREPAID", "A-PAID"},  {"MISCPAID", "A-PAID"},
        {"MR01", "A-PURC"},       {"PR", "A-PURC"},       {"VDN9", "A-PURC"},
        {"ACLUPAID", "A-PURC"},   {"IV01", "A-SALE"},     {"POS", "A-SALE"},
        {"CDN1", "A-SALE"},       {"ACLURCPT", "A-SALE"}, {"BANKTR01", "A-BANK"},
        {"BANKCASHX", "A-BANK"},  {"PDCHQRD", "A-BANK"},  {"CARTRANNO", "CARTRANNO"},
        {"iv01", "iv01"},         {" IV01", " IV01"},     {"ARRCPT ", "ARRCPT "},
        {"RCCHQDP1", "RCCHQDP1"}, {"A-SALE", "A-SALE"},   {"", ""},
    };
    for (const auto& [code, type] : cases)
        EXPECT_EQ(journalType(QString::fromLatin1(code)), QString::fromLatin1(type)) << code;
}

TEST_F(PrintDialogTest, JournalDisplayThenPrintMapsTheFormCodeOnce) {
    modules.config.ThaiLanguage = false;
    TFrDocPrintFormGLAuto journal;
    setDocument(journal, QStringLiteral("IV01"));
    const QString pdf = pdfPrinter(journal);
    const QString saved = forms.filePath(QStringLiteral("journal-preview.pdf"));
    onModal<TFrDocPrintFormGLAuto>([&](TFrDocPrintFormGLAuto* j) {
        EXPECT_EQ(j->windowTitle(), QStringLiteral("Print Document"));
        EXPECT_EQ(j->BPrint->text(), QStringLiteral("Print"));
        onModal<report::PreviewWindow>([&](report::PreviewWindow* p) {
            EXPECT_TRUE(p->action(report::PreviewButton::Print)->isVisible());
            EXPECT_TRUE(p->action(report::PreviewButton::PageSetup)->isVisible());
            p->saveAsPdf(saved);
            p->close();
        });
        j->BDisplay->click();
        EXPECT_EQ(j->PrintCode, QStringLiteral("A-SALE"));
        j->BPrint->click();
        EXPECT_TRUE(j->isVisible()) << "the journal dialog stays open after printing";
        j->reject();
    });
    journal.exec();
    EXPECT_TRUE(errorReports.isEmpty()) << errorReports.join("\n").toStdString();
    EXPECT_EQ(journal.PrintCode, QStringLiteral("A-SALE"));
    EXPECT_TRUE(pdfText(saved).contains("Journal DOC-001 2027 A-SALE"));
    EXPECT_TRUE(pdfText(pdf).contains("Journal DOC-001 2027 A-SALE"));
    EXPECT_EQ(logEntries(TDM::LogPreview), 1);
    EXPECT_EQ(logEntries(TDM::LogPrint), 1);
    EXPECT_EQ(journal.journalDialog(), nullptr) << "no second journal step";
}

TEST_F(PrintDialogTest, JournalWithoutItsTemplateSaysSoAndAReportErrorIsReported) {
    TFrDocPrintFormGLAuto journal;
    setDocument(journal, QStringLiteral("PRERCPT"));
    const QString pdf = pdfPrinter(journal);
    ASSERT_TRUE(QFile::remove(forms.filePath(QStringLiteral("Form_GLAuto.frf"))));
    onModal<TFrDocPrintFormGLAuto>([&](TFrDocPrintFormGLAuto* j) {
        j->BPrint->click();
        EXPECT_EQ(j->PrintCode, QStringLiteral("PRERCPT")) << "nothing mapped without a template";
        writeFile(QStringLiteral("Form_GLAuto.frf"), kBrokenTemplate);
        j->BPrint->click();
        EXPECT_TRUE(j->isVisible());
        j->reject();
    });
    journal.exec();
    EXPECT_EQ(messages.messages(), QStringList({QString::fromUtf8(kNoJournalFormMessage)}));
    EXPECT_EQ(errorReports.size(), 1);
    EXPECT_EQ(logEntries(TDM::LogPrint), 0);
    EXPECT_FALSE(QFileInfo::exists(pdf));
}

}  // namespace
}  // namespace testing_support
