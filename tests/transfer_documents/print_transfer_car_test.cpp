// The transfer-document screen through its keyboard flow: the vehicle field, its search, the
// box list of the vehicle's latest closed trip and Print.
#include <QTimer>

#include "lookup/Fr_SearchMisc.h"
#include "printing/Fr_DocPrintForm.h"
#include "tests/transfer_documents/transfer_car_fixture.h"

namespace testing_support {
namespace {

using Printed = std::tuple<QString, int, QString>;

QStringList gridTitles(DBGrid* grid) {
    QStringList out;
    for (int c = 0; c < grid->model()->columnCount(); ++c)
        out << grid->model()->headerData(c, Qt::Horizontal).toString();
    return out;
}

TEST_F(TransferCarTest, OpensEmptyWithPrintShownButDisabledAndSaveDeleteHidden) {
    openScreen();
    EXPECT_EQ(screen->windowTitle(), QStringLiteral("พิมพ์ใบโอนจ่ายจากรหัสรถ"));
    EXPECT_FALSE(screen->BSave->isVisible());
    EXPECT_FALSE(screen->BDel->isVisible());
    // Hidden actions take their shortcuts with them: F10 and F8 do nothing here.
    EXPECT_FALSE(screen->AcSave->isVisible());
    EXPECT_FALSE(screen->AcDel->isVisible());
    EXPECT_TRUE(screen->BPrint->isVisible());
    EXPECT_FALSE(screen->AcPrint->isEnabled());
    EXPECT_FALSE(screen->BPrint->isEnabled());
    EXPECT_TRUE(screen->CarNo->isEnabled());
    EXPECT_TRUE(screen->CarNo->hasFocus());
    EXPECT_TRUE(screen->BtSearchCarNo->isEnabled());
    EXPECT_EQ(screen->QBranchBox.rowCount(), 0);
    EXPECT_EQ(gridTitles(screen->wwDBGrid1),
              QStringList({QStringLiteral("รหัสสาขา"), QStringLiteral("ชื่อสาขา"),
                           QStringLiteral("จำนวนกล่อง")}));
}

TEST_F(TransferCarTest, LeavingTheFieldListsBoxesPerBranchOfTheLatestClosedTripAndPrintsIt) {
    openScreen();
    load(QStringLiteral("c01"));  // typed in small letters, taken as capitals
    EXPECT_EQ(screen->CarNo->text(), QStringLiteral("C01"));
    // BX02 holds lines of both branches and counts for each; BX01's two lines count once; the
    // incoming BX04 and the earlier trip's BX05 are not counted. Ordered by branch code.
    EXPECT_EQ(boxList(), QStringList({QStringLiteral("0001 สาขา 0001 ลาดพร้าว=2"),
                                      QStringLiteral("0002 สาขา 0002 บางนา=2")}));
    EXPECT_EQ(screen->QBranchBox.value(0, QStringLiteral("CarDesc")).toString(),
              QStringLiteral("รถ 6 ล้อ สายเหนือ"));
    EXPECT_EQ(screen->wwDBGrid1->currentRow(), 0);
    EXPECT_EQ(screen->DocNo, QStringLiteral("TC0002"));
    EXPECT_FALSE(screen->CarNo->isEnabled());
    EXPECT_FALSE(screen->BtSearchCarNo->isEnabled());
    EXPECT_TRUE(screen->AcPrint->isEnabled());

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_P, Qt::ControlModifier);
    screen->AcPrint->trigger();  // prints as often as asked
    const Printed expected{QStringLiteral("TC0002"), QDate::currentDate().year(),
                           QStringLiteral("CARTRANNO")};
    EXPECT_EQ(printed, std::vector<Printed>({expected, expected}));
    EXPECT_TRUE(messages.messages().isEmpty());
}

TEST_F(TransferCarTest, AVehicleWhoseLatestTripIsOpenShowsNothingAndPrintsAnEmptyNumber) {
    openScreen();
    load(QStringLiteral("C02"));  // its earlier trip TC0003 is closed, the latest is not
    EXPECT_EQ(screen->QBranchBox.rowCount(), 0);
    EXPECT_TRUE(screen->DocNo.isEmpty());
    EXPECT_TRUE(screen->AcPrint->isEnabled());
    screen->AcPrint->trigger();
    ASSERT_EQ(printed.size(), 1u);
    EXPECT_EQ(std::get<0>(printed[0]), QString());

    // A vehicle without trips, and a code only another group holds, list nothing either.
    for (const char* code : {"C03", "C09"}) {
        screen->AcNew->trigger();
        load(QString::fromLatin1(code));
        EXPECT_EQ(screen->QBranchBox.rowCount(), 0) << code;
    }
}

TEST_F(TransferCarTest, AnEmptyFieldLoadsNothingAndLeavesPrintDisabled) {
    openScreen();
    load(QString());
    EXPECT_TRUE(screen->CarNo->isEnabled());
    EXPECT_TRUE(screen->BtSearchCarNo->isEnabled());
    EXPECT_FALSE(screen->AcPrint->isEnabled());
    screen->AcPrint->trigger();
    EXPECT_TRUE(printed.empty());
}

TEST_F(TransferCarTest, NewAfterALoadStartsOverWithFieldAndSearchEnabled) {
    openScreen();
    load(QStringLiteral("C01"));
    ASSERT_EQ(screen->QBranchBox.rowCount(), 2);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F3);
    EXPECT_TRUE(screen->CarNo->isEnabled());
    EXPECT_TRUE(screen->CarNo->text().isEmpty());
    EXPECT_TRUE(screen->CarNo->hasFocus());
    EXPECT_TRUE(screen->BtSearchCarNo->isEnabled());
    EXPECT_FALSE(screen->AcPrint->isEnabled());
    EXPECT_EQ(screen->QBranchBox.rowCount(), 0);
    EXPECT_TRUE(screen->DocNo.isEmpty());
    // And the next vehicle loads as the first did.
    load(QStringLiteral("C02"));
    EXPECT_FALSE(screen->CarNo->isEnabled());
    EXPECT_TRUE(screen->AcPrint->isEnabled());
}

TEST_F(TransferCarTest, TheFieldHoldsNoMoreThanAVehicleCodeColumn) {
    openScreen();
    QTest::keyClicks(screen->CarNo, QStringLiteral("C").repeated(25));
    EXPECT_EQ(screen->CarNo->text().size(), 20);
}

TEST_F(TransferCarTest, F5ListsTheVehiclesByDescriptionAndTheChosenCodeLoadsOnLeaving) {
    openScreen();
    QStringList listed;
    QString caption;
    QTimer::singleShot(0, screen.get(), [&] {
        auto* dialog = qobject_cast<TFrSearchMisc*>(QApplication::activeModalWidget());
        if (!dialog) return;
        QApplication::setActiveWindow(dialog);
        if (!QTest::qWaitForWindowActive(dialog)) return dialog->done(-1);
        caption = dialog->windowTitle();
        QAbstractItemModel* model = dialog->DgSearch->model();
        for (int r = 0; r < model->rowCount(); ++r) listed << model->index(r, 1).data().toString();
        // Down from the search field to the grid, on to the second row (C02) and choose it.
        QTimer::singleShot(5000, dialog, [dialog] { dialog->done(-1); });
        QTest::keyClick(dialog->Code, Qt::Key_Down);
        QTest::keyClick(dialog->DgSearch, Qt::Key_Down);
        QTest::keyClick(dialog->DgSearch, Qt::Key_Return);
    });
    QTest::keyClick(screen->CarNo, Qt::Key_F5);
    EXPECT_EQ(caption, QStringLiteral("ค้นหา รหัสรถ"));
    // The whole CARNO group at once, sorted by description: "รถ 10", "รถ 4", "รถ 6".
    EXPECT_EQ(listed,
              QStringList({QStringLiteral("C03"), QStringLiteral("C02"), QStringLiteral("C01")}));
    EXPECT_EQ(screen->CarNo->text(), QStringLiteral("C02"));
    // The window system gives the screen back its activation once the dialog is gone.
    QApplication::setActiveWindow(screen.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(screen.get()));
    EXPECT_TRUE(screen->CarNo->hasFocus());
    // Coming back from the dialog is not leaving the field.
    EXPECT_TRUE(screen->CarNo->isEnabled());
    EXPECT_FALSE(screen->AcPrint->isEnabled());
    QTest::keyClick(screen->CarNo, Qt::Key_Return);
    EXPECT_FALSE(screen->CarNo->isEnabled());
    EXPECT_TRUE(screen->AcPrint->isEnabled());
}

TEST_F(TransferCarTest, CancelledSearchLeavesTheFieldAsItWas) {
    openScreen();
    QTest::keyClicks(screen->CarNo, QStringLiteral("C01"));
    QTimer::singleShot(0, screen.get(), [] {
        auto* dialog = qobject_cast<TFrSearchMisc*>(QApplication::activeModalWidget());
        if (!dialog) return;
        QApplication::setActiveWindow(dialog);
        if (!QTest::qWaitForWindowActive(dialog)) return dialog->done(-1);
        QTest::keyClick(dialog->Code, Qt::Key_Escape);
    });
    screen->BtSearchCarNo->click();
    EXPECT_EQ(screen->CarNo->text(), QStringLiteral("C01"));
    EXPECT_TRUE(screen->CarNo->isEnabled());
}

// Unless a test replaces it, Print goes to the run's one document print dialog, set to the
// trip's document; with no layout registered for the form code it closes at once.
TEST_F(TransferCarTest, PrintGoesToTheRunsDocumentPrintDialog) {
    server.runScript(QStringLiteral("NWX"), QStringLiteral("company/print_tables.sql"));
    openScreen(false);
    load(QStringLiteral("C01"));
    const QString docNo = screen->DocNo;
    ASSERT_FALSE(docNo.isEmpty());
    screen->AcPrint->trigger();
    ASSERT_NE(FrDocPrintForm, nullptr);
    EXPECT_EQ(FrDocPrintForm->DocNo, docNo);
    EXPECT_EQ(FrDocPrintForm->PrintCode, QStringLiteral("CARTRANNO"));
    EXPECT_EQ(FrDocPrintForm->DocYear, DM->GetServerTime().date().year());
    EXPECT_FALSE(FrDocPrintForm->isVisible());
}

}  // namespace
}  // namespace testing_support
