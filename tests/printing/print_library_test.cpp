// Layouts of the external print library, through a stand-in library that records its calls:
// what reaches it (UTF-16 texts), when, and what the user sees when it is missing.
#include <QTest>

#include "tests/printing/print_dialog_fixture.h"

namespace testing_support {
namespace {

class PrintLibraryTest : public PrintDialogTest {
protected:
    void SetUp() override {
        PrintDialogTest::SetUp();
        // The stand-in takes any "fr3" name; the procedure must never run for one.
        layout(QStringLiteral("LBL"), 1, QStringLiteral("ป้ายกล่อง"),
               QStringLiteral("forms\\Label.fr3"), QStringLiteral("PrepareDoc"));
        layout(QStringLiteral("LBL"), 2, QStringLiteral("ไม่มีไฟล์"),
               QStringLiteral("forms\\Gone.fr3"), QStringLiteral("PrepareDoc"));
        layout(QStringLiteral("LBL"), 3, QStringLiteral("ออกนอกโฟลเดอร์"),
               QStringLiteral("..\\forms\\Label.fr3"));
        modules.config.UserCode = QStringLiteral("  สมศรี ");
        setDocument(dialog, QStringLiteral("LBL"));
        dialog.DocNo = QStringLiteral(" ใบโอน-001 ");
    }
    // Runs `act` on the dialog while it is shown, then closes it.
    void whileShown(const std::function<void(TFrDocPrintForm*)>& act) {
        onModal<TFrDocPrintForm>([act](TFrDocPrintForm* d) {
            act(d);
            d->reject();
        });
        dialog.exec();
    }
    void select(TFrDocPrintForm* d, int row) {
        d->FormList->setCurrentItem(d->FormList->topLevelItem(row));
    }

    TFrDocPrintForm dialog;
};

TEST_F(PrintLibraryTest, DisplayAndPrintPassTheDocumentInUtf16AndNeverRunTheProcedure) {
    whileShown([&](TFrDocPrintForm* d) {
        d->BDisplay->click();
        EXPECT_EQ(libraryCalls().size(), 1) << "the call returns when the library is done";
        QTest::keyClick(d->FormList, Qt::Key_Return);
        d->BPrint->click();
        EXPECT_TRUE(d->isVisible()) << "the library's print does not close the dialog";
    });
    const QString call = QStringLiteral("DllPrintForm|NWX|forms\\Label.fr3|สมศรี|ใบโอน-001|%1|1");
    EXPECT_EQ(libraryCalls(), QStringList({call.arg(0), call.arg(1), call.arg(1)}));
    EXPECT_EQ(count("SELECT COUNT(*) FROM PrintCall"), 0);
    EXPECT_EQ(count("SELECT COUNT(*) FROM UserLog"), 0);
    EXPECT_TRUE(messages.messages().isEmpty()) << messages.messages().join("|").toStdString();
}

TEST_F(PrintLibraryTest, AMissingOrRefusedTemplateCallsNothing) {
    whileShown([&](TFrDocPrintForm* d) {
        select(d, 1);
        d->BPrint->click();
        select(d, 2);
        d->BDisplay->click();
    });
    EXPECT_TRUE(libraryCalls().isEmpty());
    EXPECT_EQ(messages.messages(), QStringList({QString::fromUtf8(kNoLayoutMessage),
                                                QString::fromUtf8(kNoLayoutMessage)}));
}

TEST_F(PrintLibraryTest, CtrlShiftEnterOpensTheDesignerWithTheStoredName) {
    whileShown([&](TFrDocPrintForm* d) {
        QTest::keyClick(d->FormList, Qt::Key_Return, Qt::ControlModifier | Qt::ShiftModifier);
        // Other modifiers do neither the designer nor a print.
        QTest::keyClick(d->FormList, Qt::Key_Return, Qt::ControlModifier);
        QTest::keyClick(d->FormList, Qt::Key_Enter,
                        Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier);
        QTest::keyClick(d->FormList, Qt::Key_Enter,
                        Qt::ControlModifier | Qt::ShiftModifier | Qt::KeypadModifier);
    });
    EXPECT_EQ(libraryCalls(), QStringList({QStringLiteral("DllDesignForm|NWX|forms\\Label.fr3"),
                                           QStringLiteral("DllDesignForm|NWX|forms\\Label.fr3")}));
}

TEST_F(PrintLibraryTest, AMissingLibraryOrEntryPointIsNamedToTheUser) {
    print_library::setSearchFolders({forms.filePath(QStringLiteral("nowhere"))});
    whileShown([&](TFrDocPrintForm* d) {
        d->BPrint->click();
        EXPECT_TRUE(d->isVisible());
    });
    ASSERT_EQ(messages.messages().size(), 1);
    EXPECT_TRUE(messages.messages()[0].contains(print_library::fileName()))
        << messages.messages()[0].toStdString();

    messages.clear();
    print_library::setSearchFolders({QStringLiteral(PRINT_LIBRARY_DIR "/no_design")});
    whileShown([&](TFrDocPrintForm* d) {
        QTest::keyClick(d->FormList, Qt::Key_Return, Qt::ControlModifier | Qt::ShiftModifier);
        d->BDisplay->click();  // the library itself still prints
    });
    ASSERT_EQ(messages.messages().size(), 1);
    EXPECT_TRUE(messages.messages()[0].contains(QStringLiteral("DllDesignForm")));
    EXPECT_TRUE(messages.messages()[0].contains(print_library::fileName()));
    EXPECT_EQ(
        libraryCalls(),
        QStringList({QStringLiteral("DllPrintForm|NWX|forms\\Label.fr3|สมศรี|ใบโอน-001|0|1")}));
}

TEST_F(PrintLibraryTest, TheFirstFolderThatHasTheLibraryServes) {
    print_library::setSearchFolders({forms.filePath(QStringLiteral("nowhere")),
                                     QStringLiteral(PRINT_LIBRARY_DIR "/full"),
                                     QStringLiteral(PRINT_LIBRARY_DIR "/no_design")});
    whileShown([&](TFrDocPrintForm* d) {
        QTest::keyClick(d->FormList, Qt::Key_Return, Qt::ControlModifier | Qt::ShiftModifier);
    });
    EXPECT_EQ(libraryCalls(), QStringList({QStringLiteral("DllDesignForm|NWX|forms\\Label.fr3")}));
    EXPECT_TRUE(messages.messages().isEmpty());
}

}  // namespace
}  // namespace testing_support
