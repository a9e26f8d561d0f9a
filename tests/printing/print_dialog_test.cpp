// The document print dialog on the offscreen platform: its showing, the layouts' keys, the
// built-in reports previewed and printed for real (PDF read back), the layout's procedure,
// the close rules and the journal dialog that follows.
#include <QFileInfo>
#include <QTest>

#include "printing/DocPrint.h"
#include "tests/printing/print_dialog_fixture.h"

namespace testing_support {
namespace {

TEST(LayoutNames, StoredNamesStayUnderTheCurrentDirectory) {
    const QString here = QDir::currentPath();
    EXPECT_EQ(layoutFilePath(QStringLiteral("forms\\Doc.frf")), here + "/forms/Doc.frf");
    EXPECT_EQ(layoutFilePath(QStringLiteral("\\Form_GLAuto.frf")), here + "/Form_GLAuto.frf");
    EXPECT_EQ(layoutFilePath(QStringLiteral("forms/a..b.frf")), here + "/forms/a..b.frf");
    for (const char* refused :
         {"..\\secret.frf", "forms\\..\\..\\x.frf", "../x.frf", "C:\\forms\\a.frf", "c:a.frf",
          "\\\\server\\share\\a.frf", "//server/share/a.frf", "forms/.."})
        EXPECT_TRUE(layoutFilePath(QString::fromLatin1(refused)).isEmpty()) << refused;
}

TEST(LayoutNames, OnlyPlainProcedureNamesRun) {
    for (const char* ok : {"PrepareDoc", "dbo.PrepareDoc", "[Prepare Doc]", "dbo.[Prepare Doc]",
                           "_x1", "#Temp", "เตรียมเอกสาร"})
        EXPECT_TRUE(isPlainProcedureName(QString::fromUtf8(ok))) << ok;
    for (const char* bad : {"", "a.b.c", "PrepareDoc; DROP TABLE Config", "Prepare Doc",
                            "[a]]; DROP TABLE x --]", "1abc", "@p", "a.", ".a", "x'", "[]", "a--"})
        EXPECT_FALSE(isPlainProcedureName(QString::fromUtf8(bad))) << bad;
}

TEST(LayoutNames, QuotedLiteralKeepsQuotesAsText) {
    EXPECT_EQ(quotedLiteral(QStringLiteral("DOC-1")), QStringLiteral("'DOC-1'"));
    EXPECT_EQ(quotedLiteral(QStringLiteral("O'NEIL")), QStringLiteral("'O''NEIL'"));
}

TEST_F(PrintDialogTest, ShowsTheLayoutsOfTheFormCodeWithCaptionsAndTitle) {
    layout(QStringLiteral("CARTRANNO"), 2, QStringLiteral("ชุดที่สอง"),
           QStringLiteral("forms\\Doc.frf"));
    layout(QStringLiteral(" CARTRANNO "), 1, QStringLiteral("ชุดแรก"),
           QStringLiteral("forms\\Doc.frf"));
    layout(QStringLiteral("OTHER"), 1, QStringLiteral("อื่น"), QStringLiteral("forms\\Doc.frf"));
    TFrDocPrintForm dialog;
    setDocument(dialog, QStringLiteral("CARTRANNO  "));
    for (int showing = 0; showing < 2; ++showing) {
        onModal<TFrDocPrintForm>([&](TFrDocPrintForm* d) {
            EXPECT_EQ(d->windowTitle(), QStringLiteral("พิมพ์เอกสาร MFG18.06.14"));
            EXPECT_EQ(d->BDisplay->text(), QStringLiteral("แสดง"));
            EXPECT_EQ(d->BPrint->toolTip(), QStringLiteral("พิมพ์เอกสารทางเครื่องพิมพ์"));
            EXPECT_EQ(d->BCancel->toolTip(), QStringLiteral("ยกเลิก หรือ ไม่ต้องการพิมพ์"));
            ASSERT_EQ(d->FormList->topLevelItemCount(), 2);
            EXPECT_EQ(d->FormList->topLevelItem(0)->text(0), QStringLiteral("ชุดแรก"));
            EXPECT_EQ(d->FormList->currentItem(), d->FormList->topLevelItem(0));
            EXPECT_EQ(d->focusWidget(), d->FormList);
            EXPECT_EQ(TFrDocPrintForm::FormCount, 2);
            EXPECT_FALSE(d->ApprovalBox->isVisible());
            QTest::keyClick(d->FormList, Qt::Key_Escape);
        });
        EXPECT_EQ(dialog.exec(), QDialog::Rejected);
        EXPECT_FALSE(dialog.isVisible());
    }
    EXPECT_EQ(dialog.journalDialog(), nullptr) << "AutoGenGL is not Y";

    modules.config.ThaiLanguage = false;
    onModal<TFrDocPrintForm>([&](TFrDocPrintForm* d) {
        EXPECT_EQ(d->windowTitle(), QStringLiteral("Print Document MFG18.06.14"));
        EXPECT_EQ(d->BDisplay->text(), QStringLiteral("Preview"));
        EXPECT_EQ(d->BSetup->toolTip(), QStringLiteral("Setup Printer"));
        EXPECT_EQ(d->BCancel->text(), QStringLiteral("Cancel"));
        d->BCancel->click();
    });
    dialog.exec();
}

TEST_F(PrintDialogTest, KeysOfTheListShowTheFileNameAndTheApprovalNeedsAToken) {
    layout(QStringLiteral("DOC"), 1, QStringLiteral("A"), QStringLiteral("forms\\Doc.frf"));
    TFrDocPrintForm dialog;
    setDocument(dialog, QStringLiteral("DOC"));
    onModal<TFrDocPrintForm>([&](TFrDocPrintForm* d) {
        QTest::keyClick(d->FormList, Qt::Key_F11);
        QTest::keyClick(d->FormList, Qt::Key_F11, Qt::ShiftModifier);  // not F11 alone
        const QList<QAction*> menu = d->FormList->actions();
        ASSERT_EQ(menu.size(), 1);
        EXPECT_EQ(menu[0]->text(), QStringLiteral("แสดงชื่อฟอร์ม.frf"));
        menu[0]->trigger();
        d->BApproval->click();
        d->reject();
    });
    dialog.exec();
    EXPECT_EQ(messages.messages(),
              QStringList({QStringLiteral("forms\\Doc.frf"), QStringLiteral("forms\\Doc.frf"),
                           QStringLiteral("ไม่ได้กำหนด LineToken")}));
}

TEST_F(PrintDialogTest, NoLayoutsClosesAtOnceAndTheJournalStillFollows) {
    TFrDocPrintForm dialog;
    setDocument(dialog, QStringLiteral("IV01"));
    EXPECT_EQ(dialog.exec(), QDialog::Rejected);  // returns without anyone closing it
    EXPECT_EQ(dialog.journalDialog(), nullptr);

    autoGenGL("Y");
    bool journalShown = false;
    onModal<TFrDocPrintFormGLAuto>([&](TFrDocPrintFormGLAuto* j) {
        journalShown = true;
        EXPECT_EQ(j->DocNo, QStringLiteral("DOC-001 "));
        EXPECT_EQ(j->DocYear, 2026);
        EXPECT_EQ(j->PrintCode, QStringLiteral("IV01"));
        EXPECT_EQ(j->windowTitle(), QString());
        EXPECT_TRUE(j->ApprovalBox->isVisible());
        EXPECT_TRUE(j->BApproval->isEnabled());
        EXPECT_FALSE(j->FormList->isVisible());
        EXPECT_EQ(j->Heading->text(), QStringLiteral("พิมพ์ใบบันทึกรายการบัญชี"));
        EXPECT_EQ(TFrDocPrintForm::FormCount, 0);
        QTest::keyClick(j, Qt::Key_Escape);
    });
    dialog.exec();
    EXPECT_TRUE(journalShown);
    TFrDocPrintFormGLAuto* first = dialog.journalDialog();
    ASSERT_NE(first, nullptr);

    // The journal dialog is made once; a flag other than exactly "Y" shows none.
    onModal<TFrDocPrintFormGLAuto>([](TFrDocPrintFormGLAuto* j) { j->reject(); });
    dialog.exec();
    EXPECT_EQ(dialog.journalDialog(), first);
    autoGenGL("y");
    dialog.exec();
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(PrintDialogTest, DisplayRunsTheProcedureThenPreviewsAndLogs) {
    layout(QStringLiteral("DOC"), 1, QStringLiteral("ดูได้ พิมพ์ได้"), QStringLiteral("forms\\Doc.frf"),
           QStringLiteral(" PrepareDoc "), QStringLiteral("Y"));
    layout(QStringLiteral("DOC"), 2, QStringLiteral("ดูอย่างเดียว"), QStringLiteral("forms/Doc.frf"),
           QString(), QStringLiteral("N"));
    TFrDocPrintForm dialog;
    setDocument(dialog, QStringLiteral("DOC"));
    const QString saved = forms.filePath(QStringLiteral("preview.pdf"));
    onModal<TFrDocPrintForm>([&](TFrDocPrintForm* d) {
        onModal<report::PreviewWindow>([&](report::PreviewWindow* p) {
            EXPECT_TRUE(p->action(report::PreviewButton::Print)->isVisible());
            EXPECT_TRUE(p->action(report::PreviewButton::PageSetup)->isVisible());
            p->saveAsPdf(saved);
            p->close();
        });
        d->BDisplay->click();
        EXPECT_TRUE(d->isVisible()) << "a preview leaves the dialog open";

        QTest::keyClick(d->FormList, Qt::Key_Down);
        onModal<report::PreviewWindow>([&](report::PreviewWindow* p) {
            EXPECT_FALSE(p->action(report::PreviewButton::Print)->isVisible());
            EXPECT_FALSE(p->action(report::PreviewButton::PageSetup)->isVisible());
            EXPECT_TRUE(p->action(report::PreviewButton::Zoom)->isVisible());
            p->close();
        });
        d->BDisplay->click();
        d->reject();
    });
    dialog.exec();
    EXPECT_TRUE(errorReports.isEmpty()) << errorReports.join("\n").toStdString();
    // The procedure ran once (the second layout has none), with the document's values.
    EXPECT_EQ(count("SELECT COUNT(*) FROM PrintCall WHERE No = 'DOC-001 ' AND DocYear = 2026 "
                    "AND DocCode = 'DC-DOC'"),
              1);
    EXPECT_EQ(count("SELECT COUNT(*) FROM PrintCall"), 1);
    EXPECT_EQ(logEntries(TDM::LogPreview), 2);
    EXPECT_EQ(logEntries(TDM::LogPrint), 0);
    const QString text = pdfText(saved);
    EXPECT_TRUE(text.contains("Document DOC-001 by SOMSRI")) << text.toStdString();
    EXPECT_TRUE(text.contains("Prepared DOC-001 year 2026 code DC-DOC")) << text.toStdString();
}

TEST_F(PrintDialogTest, PrintWithOneLayoutPrintsLogsAndCloses) {
    layout(QStringLiteral("DOC"), 1, QStringLiteral("A"), QStringLiteral("forms\\Doc.frf"),
           QStringLiteral("dbo.PrepareDoc"));
    TFrDocPrintForm dialog;
    setDocument(dialog, QStringLiteral("DOC"));
    const QString pdf = pdfPrinter(dialog);
    onModal<TFrDocPrintForm>(
        [&](TFrDocPrintForm* d) { QTest::keyClick(d->FormList, Qt::Key_Return); });
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
    EXPECT_TRUE(errorReports.isEmpty()) << errorReports.join("\n").toStdString();
    EXPECT_EQ(logEntries(TDM::LogPrint), 1);
    const QString text = pdfText(pdf);
    EXPECT_TRUE(text.contains("Prepared DOC-001 year 2026 code DC-DOC")) << text.toStdString();
}

TEST_F(PrintDialogTest, TwoLayoutsStayOpenExceptForZeltAs) {
    layout(QStringLiteral("DOC"), 1, QStringLiteral("A"), QStringLiteral("forms\\Doc.frf"));
    layout(QStringLiteral("DOC"), 2, QStringLiteral("B"), QStringLiteral("forms\\Doc.frf"));
    TFrDocPrintForm dialog;
    setDocument(dialog, QStringLiteral("DOC"));
    const QString pdf = pdfPrinter(dialog);
    onModal<TFrDocPrintForm>([&](TFrDocPrintForm* d) {
        d->FormList->itemDoubleClicked(d->FormList->topLevelItem(0), 0);
        EXPECT_TRUE(d->isVisible());
        EXPECT_TRUE(QFileInfo(pdf).size() > 0);
        d->BPrint->click();
        EXPECT_TRUE(d->isVisible());
        d->reject();
    });
    EXPECT_EQ(dialog.exec(), QDialog::Rejected);
    EXPECT_EQ(logEntries(TDM::LogPrint), 2);

    modules.config.CompanyCode = QStringLiteral(" zelt_as ");
    onModal<TFrDocPrintForm>([&](TFrDocPrintForm* d) { d->BPrint->click(); });
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
    EXPECT_EQ(logEntries(TDM::LogPrint), 3);
}

TEST_F(PrintDialogTest, FailuresLeaveTheDialogOpenWithNothingPrinted) {
    layout(QStringLiteral("DOC"), 1, QStringLiteral("missing"), QStringLiteral("forms\\None.frf"),
           QStringLiteral("PrepareDoc"));
    layout(QStringLiteral("DOC"), 2, QStringLiteral("climbs"), QStringLiteral("..\\forms\\Doc.frf"),
           QStringLiteral("PrepareDoc"));
    layout(QStringLiteral("DOC"), 3, QStringLiteral("bad procedure"),
           QStringLiteral("forms\\Doc.frf"), QStringLiteral("PrepareDoc; DELETE FROM Config"));
    layout(QStringLiteral("DOC"), 4, QStringLiteral("no procedure"),
           QStringLiteral("forms\\Doc.frf"), QStringLiteral("NoSuchProcedure"));
    layout(QStringLiteral("DOC"), 5, QStringLiteral("broken"), QStringLiteral("forms\\Broken.frf"));
    TFrDocPrintForm dialog;
    setDocument(dialog, QStringLiteral("DOC"));
    const QString pdf = pdfPrinter(dialog);
    onModal<TFrDocPrintForm>([&](TFrDocPrintForm* d) {
        for (int row = 0; row < 5; ++row) {
            d->FormList->setCurrentItem(d->FormList->topLevelItem(row));
            d->BPrint->click();
            EXPECT_TRUE(d->isVisible()) << row;
        }
        d->reject();
    });
    dialog.exec();
    EXPECT_EQ(messages.messages(), QStringList({QString::fromUtf8(kNoLayoutMessage),
                                                QString::fromUtf8(kNoLayoutMessage)}));
    ASSERT_EQ(errorReports.size(), 3);
    EXPECT_TRUE(errorReports[0].contains("is not a procedure name", Qt::CaseInsensitive))
        << errorReports[0].toStdString();
    EXPECT_TRUE(errorReports[2].contains("NoSuchTable", Qt::CaseInsensitive))
        << errorReports[2].toStdString();
    EXPECT_EQ(count("SELECT COUNT(*) FROM PrintCall"), 0);
    EXPECT_EQ(count("SELECT COUNT(*) FROM Config"), 1);
    EXPECT_EQ(logEntries(TDM::LogPrint), 0);
    EXPECT_FALSE(QFileInfo::exists(pdf));
}

TEST_F(PrintDialogTest, ShowDocPrintFormMakesOneDialogForTheRun) {
    layout(QStringLiteral("DOC"), 1, QStringLiteral("A"), QStringLiteral("forms\\Doc.frf"));
    TFrDocPrintForm* seen = nullptr;
    onModal<TFrDocPrintForm>([&](TFrDocPrintForm* d) {
        seen = d;
        EXPECT_EQ(d->DocNo, QStringLiteral("TC26-00001"));
        EXPECT_EQ(d->DocYear, 2026);
        EXPECT_EQ(d->PrintCode, QStringLiteral("DOC"));
        d->reject();
    });
    ShowDocPrintForm(QStringLiteral("TC26-00001"), 2026, QStringLiteral("DOC"));
    ASSERT_NE(seen, nullptr);
    EXPECT_EQ(seen, FrDocPrintForm);
    onModal<TFrDocPrintForm>([&](TFrDocPrintForm* d) {
        EXPECT_EQ(d, seen);
        EXPECT_EQ(d->DocNo, QStringLiteral("TC26-00002"));
        d->reject();
    });
    ShowDocPrintForm(QStringLiteral("TC26-00002"), 2026, QStringLiteral("DOC"));
}

}  // namespace
}  // namespace testing_support
