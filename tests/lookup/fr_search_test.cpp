// The generic search dialog with a caller's statement, driven by keys and clicks: searching,
// choosing, cancelling, and title clicks that rewrite the ORDER BY line.
#include <gtest/gtest.h>

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTimer>

#include "db/database_error.h"
#include "lookup/Fr_Search.h"
#include "lookup/Fr_SearchBranchOrderNo.h"
#include "tests/lookup/lookup_fixture.h"

namespace {

using lookup_testing::columnValues;

class FrSearchTest : public lookup_testing::LookupTest {
protected:
    void SetUp() override {
        LookupTest::SetUp();
        execute(QStringLiteral(
            "CREATE TABLE SearchNote (Code varchar(10) NOT NULL, DocDate datetime NULL, "
            "Remark varchar(80) NULL, Notes text NULL)\n"
            "INSERT INTO SearchNote VALUES ('B2', '2026-03-01', 'x', 'n1')\n"
            "INSERT INTO SearchNote VALUES ('A1', '2026-01-15', 'y', 'n2')\n"
            "INSERT INTO SearchNote VALUES ('C3', '2025-12-31', 'z', 'n3')"));
    }

    // A caller's dialog: codes containing the typed text, by code.
    void prepare(TFrSearch& dialog) {
        dialog.QSearch.sql = {QStringLiteral("Select Code, DocDate, Remark, Notes"),
                              QStringLiteral("From SearchNote"),
                              QStringLiteral("Where Code Like :Code"),
                              QStringLiteral("Order By Code")};
        dialog.QSearch.params = {{QStringLiteral("Code"), QStringLiteral("%")}};
        dialog.ResultColumn = QStringLiteral("Code");
    }

    static void clickTitle(TFrSearch& dialog, int column) {
        QHeaderView* header = dialog.DgSearch->horizontalHeader();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(column) + 4, 4));
    }
};

TEST_F(FrSearchTest, ShowClearsTheFieldClosesTheRowsAndSpeaksTheUsersLanguage) {
    TFrSearch dialog;
    prepare(dialog);
    dialog.QSearch.open();
    dialog.Code->setText(QStringLiteral("OLD"));
    modules.config.ThaiLanguage = true;
    showActive(dialog);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("ค้นหา"));
    EXPECT_FALSE(dialog.QSearch.isActive());
    EXPECT_EQ(dialog.DgSearch->model()->rowCount(), 0);
    EXPECT_TRUE(dialog.Code->text().isEmpty());
    EXPECT_EQ(QApplication::focusWidget(), dialog.Code);
    EXPECT_EQ(dialog.BtOk->text(), QStringLiteral("เลือก"));
    EXPECT_EQ(dialog.DgSearch->toolTip(),
              QStringLiteral("สีแดง : เอกสารยกเลิก\nสีน้ำเงิน : เอกสารรับ/จ่ายแล้ว"));
    EXPECT_EQ(dialog.BtSearch->focusPolicy(), Qt::ClickFocus);  // Tab passes it by
    EXPECT_FALSE(dialog.windowFlags() & Qt::WindowCloseButtonHint);
    dialog.reject();

    modules.config.ThaiLanguage = false;
    TFrSearch english;
    showActive(english);
    EXPECT_EQ(english.BtSearch->text(), QStringLiteral("Search"));
    EXPECT_EQ(english.BtOk->text(), QStringLiteral("Choose"));
    EXPECT_EQ(english.BtCancel->text(), QStringLiteral("Cancel"));
    EXPECT_EQ(english.BtCancel->font().pointSize(), 8);
    EXPECT_TRUE(english.DgSearch->toolTip().isEmpty());
}

TEST_F(FrSearchTest, EnterInTheFieldSearchesAndEnterInTheGridChooses) {
    TFrSearch dialog;
    prepare(dialog);
    showActive(dialog);
    QSignalSpy returns(dialog.Code, &QLineEdit::returnPressed);
    QTest::keyClicks(dialog.Code, QStringLiteral("a"));
    EXPECT_EQ(dialog.Code->text(), QStringLiteral("A"));  // typed letters become capitals
    QTest::keyClick(dialog.Code, Qt::Key_Return);
    EXPECT_EQ(returns.count(), 0);  // the dialog kept the Enter
    ASSERT_TRUE(dialog.isVisible());
    EXPECT_EQ(columnValues(dialog, "Code"), QStringList({"A1", "B2", "C3"}));
    EXPECT_EQ(QApplication::focusWidget(), dialog.DgSearch);
    EXPECT_EQ(dialog.DgSearch->currentIndex().row(), 0);
    // Dates read as the program's short date.
    EXPECT_EQ(dialog.DgSearch->model()->index(0, 1).data().toString(), "15/01/2026");

    QTest::keyClick(dialog.DgSearch, Qt::Key_Down);
    QTest::keyClick(dialog.DgSearch, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.ChosenValue, QStringLiteral("B2"));
}

TEST_F(FrSearchTest, DownArrowDoubleClickEscapeAndChooseOnNothing) {
    TFrSearch dialog;
    prepare(dialog);
    showActive(dialog);
    QTest::keyClick(dialog.Code, Qt::Key_Down);
    EXPECT_EQ(QApplication::focusWidget(), dialog.DgSearch);

    // Choose with no rows answers Cancel with an empty value.
    dialog.BtOk->click();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_TRUE(dialog.ChosenValue.isEmpty());

    showActive(dialog);
    dialog.BtSearchClick();
    const QRect third = dialog.DgSearch->visualRect(dialog.DgSearch->model()->index(2, 0));
    QTest::mouseClick(dialog.DgSearch->viewport(), Qt::LeftButton, {}, third.center());
    QTest::mouseDClick(dialog.DgSearch->viewport(), Qt::LeftButton, {}, third.center());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.ChosenValue, QStringLiteral("C3"));

    // Escape cancels even with a row under the cursor, and forgets the earlier answer.
    showActive(dialog);
    dialog.BtSearchClick();
    QTest::keyClick(dialog.DgSearch, Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_TRUE(dialog.ChosenValue.isEmpty());
}

TEST_F(FrSearchTest, ExecReturnsTheChosenValue) {
    TFrSearch dialog;
    prepare(dialog);
    lookup_testing::closeAfterTimeout(dialog);
    QTimer::singleShot(0, &dialog, [&dialog] {
        QApplication::setActiveWindow(&dialog);
        if (!QTest::qWaitForWindowActive(&dialog)) return dialog.done(-1);
        // The generic search reruns the caller's statement and parameters as they stand.
        QTest::keyClick(dialog.Code, Qt::Key_Return);
        QTest::keyClick(dialog.DgSearch, Qt::Key_Return);
    });
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
    EXPECT_EQ(dialog.ChosenValue, QStringLiteral("A1"));
}

TEST_F(FrSearchTest, TitleClicksSortAscendingDescendingAscendingAndShareTheirState) {
    TFrSearch dialog;
    prepare(dialog);
    dialog.QSearch.sql[3] = QStringLiteral("  order by Code, Remark -- by code");
    showActive(dialog);
    dialog.BtSearchClick();

    clickTitle(dialog, 1);  // DocDate
    EXPECT_EQ(dialog.QSearch.sql[3], QStringLiteral("  Order By 2"));
    EXPECT_EQ(columnValues(dialog, "Code"), QStringList({"C3", "A1", "B2"}));
    EXPECT_EQ(TFrSearch::LastSortField, QStringLiteral("DOCDATE"));
    EXPECT_EQ(QApplication::focusWidget(), dialog.DgSearch);

    dialog.DgSearchTitleBtnClick(1);
    EXPECT_EQ(dialog.QSearch.sql[3], QStringLiteral("  Order By 2 Desc"));
    EXPECT_EQ(columnValues(dialog, "Code"), QStringList({"B2", "A1", "C3"}));

    dialog.DgSearchTitleBtnClick(1);
    EXPECT_EQ(dialog.QSearch.sql[3], QStringLiteral("  Order By 2"));

    dialog.DgSearchTitleBtnClick(1);  // descending again, then another column: ascending
    dialog.DgSearchTitleBtnClick(0);
    EXPECT_EQ(dialog.QSearch.sql[3], QStringLiteral("  Order By 1"));
    EXPECT_EQ(columnValues(dialog, "Code"), QStringList({"A1", "B2", "C3"}));
    dialog.reject();

    // Another dialog, even of another kind, continues from there: the same name sorts
    // descending on its first click.
    TFrSearch next;
    prepare(next);
    next.QSearch.sql[0] = QStringLiteral("Select DocDate, Code");
    showActive(next);
    next.BtSearchClick();
    next.DgSearchTitleBtnClick(1);
    EXPECT_EQ(next.QSearch.sql[3], QStringLiteral("Order By 2 Desc"));
    EXPECT_EQ(columnValues(next, "Code"), QStringList({"C3", "B2", "A1"}));
}

TEST_F(FrSearchTest, RemarkAndLargeObjectTitlesDoNotSortAndUnorderedStatementsOnlyRerun) {
    TFrSearch dialog;
    prepare(dialog);
    showActive(dialog);
    dialog.BtSearchClick();
    dialog.DgSearchTitleBtnClick(0);
    const QStringList before = dialog.QSearch.sql;
    dialog.DgSearchTitleBtnClick(2);  // Remark
    dialog.DgSearchTitleBtnClick(3);  // text column
    EXPECT_EQ(dialog.QSearch.sql, before);
    EXPECT_EQ(TFrSearch::LastSortField, QStringLiteral("CODE"));
    EXPECT_TRUE(TFrSearch::SortDescending);

    dialog.QSearch.sql.removeLast();
    execute(QStringLiteral("INSERT INTO SearchNote (Code) VALUES ('D4')"));
    dialog.DgSearchTitleBtnClick(0);
    EXPECT_EQ(dialog.QSearch.sql, before.mid(0, 3));
    EXPECT_EQ(dialog.QSearch.rowCount(), 4);
}

TEST_F(FrSearchTest, AFailingStatementThrowsAndTheDialogStaysOpen) {
    TFrSearch dialog;
    prepare(dialog);
    dialog.QSearch.sql[1] = QStringLiteral("From NoSuchTable");
    showActive(dialog);
    EXPECT_THROW(dialog.BtSearchClick(), db::DatabaseError);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_FALSE(dialog.QSearch.isActive());
    dialog.BtOk->click();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
}

// The order number search lists OrderBranch through the generic dialog.
class BranchOrderSearchTest : public FrSearchTest {
protected:
    void SetUp() override {
        FrSearchTest::SetUp();
        execute(
            QStringLiteral("INSERT INTO OrderBranch (OrderNO, OrderDate, CloseOrder, Product, "
                           "ProductUnits, UserId)"
                           " VALUES ('No0000000003', "
                           "'2026-02-01', 'N', 1, 11, 1)\n"
                           "INSERT INTO OrderBranch (OrderNO, OrderDate, CloseOrder, Product, "
                           "ProductUnits, UserId)"
                           " VALUES ('No0000000003', "
                           "'2026-02-01', 'B', 1, 11, 1)\n"
                           "INSERT INTO OrderBranch (OrderNO, OrderDate, CloseOrder, Product, "
                           "ProductUnits, UserId)"
                           " VALUES ('No0000000001', "
                           "'2026-01-05', 'N', 1, 11, 1)\n"
                           "INSERT INTO OrderBranch (OrderNO, OrderDate, CloseOrder, Product, "
                           "ProductUnits, UserId)"
                           " VALUES ('No0000000001', "
                           "'2026-01-06', 'N', 1, 11, 1)\n"
                           "INSERT INTO OrderBranch (OrderNO, OrderDate, CloseOrder, Product, "
                           "ProductUnits, UserId)"
                           " VALUES ('No0000000001', "
                           "'2026-01-06', 'P', 1, 11, 1)\n"
                           "INSERT INTO OrderBranch (OrderNO, OrderDate, CloseOrder, Product, "
                           "ProductUnits, UserId)"
                           " VALUES ('No0000000002', "
                           "'2026-01-04', 'P', 1, 11, 1)"));
    }
};

TEST_F(BranchOrderSearchTest, OpeningListsTheFilteredOrdersOncePerDate) {
    TFrSearchBranchOrderNo dialog;
    dialog.StatusFilter = QStringLiteral("'N'");
    showActive(dialog);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("ค้นหาข้อมูล ใบสั่งสินค้า"));
    EXPECT_EQ(dialog.LCode->text(), QStringLiteral("เลขที่"));
    EXPECT_EQ(dialog.ResultColumn, QStringLiteral("OrderNo"));
    EXPECT_EQ(columnValues(dialog, "OrderNo"),
              QStringList({"No0000000001", "No0000000001", "No0000000003"}));
    QAbstractItemModel* grid = dialog.DgSearch->model();
    EXPECT_EQ(grid->headerData(0, Qt::Horizontal).toString(), QStringLiteral("เลขที่ Order"));
    EXPECT_EQ(grid->headerData(1, Qt::Horizontal).toString(), QStringLiteral("วันที่ Order"));
    EXPECT_EQ(grid->index(1, 1).data().toString(), QStringLiteral("06/01/2026"));
    EXPECT_EQ(QApplication::focusWidget(), dialog.DgSearch);

    QTest::keyClick(dialog.DgSearch, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClick(dialog.DgSearch, Qt::Key_Return);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.ChosenValue.trimmed(), QStringLiteral("No0000000003"));

    TFrSearchBranchOrderNo all;
    showActive(all);
    EXPECT_EQ(columnValues(all, "OrderNo"),
              QStringList({"No0000000001", "No0000000001", "No0000000002", "No0000000003"}));
}

TEST_F(BranchOrderSearchTest, TypedTextMatchesAnywhereWithItsBlanksAndSortingKeepsTheFilter) {
    TFrSearchBranchOrderNo dialog;
    dialog.StatusFilter = QStringLiteral("'N'");
    showActive(dialog);
    QTest::keyClicks(dialog.Code, QStringLiteral("no"));
    QTest::keyClick(dialog.Code, Qt::Key_Return);
    EXPECT_EQ(dialog.QSearch.rowCount(), 3);  // "NO" under a collation ignoring case

    EXPECT_EQ(QApplication::focusWidget(), dialog.DgSearch);
    dialog.Code->setFocus();
    dialog.Code->setText(QStringLiteral("0003"));
    QTest::keyClick(dialog.Code, Qt::Key_Return);
    EXPECT_EQ(columnValues(dialog, "OrderNo"), QStringList({"No0000000003"}));

    dialog.Code->setFocus();
    dialog.Code->setText(QStringLiteral(" 0003"));
    QTest::keyClick(dialog.Code, Qt::Key_Return);
    EXPECT_EQ(dialog.QSearch.rowCount(), 0);
    EXPECT_EQ(QApplication::focusWidget(), dialog.Code);

    dialog.Code->setText(QStringLiteral("000"));
    dialog.BtSearchClick();
    dialog.DgSearchTitleBtnClick(1);
    dialog.DgSearchTitleBtnClick(1);
    EXPECT_TRUE(dialog.QSearch.text().endsWith(QStringLiteral("Order By 2 Desc")));
    EXPECT_EQ(lookup_testing::gridTexts(*dialog.DgSearch, 1),
              QStringList({"01/02/2026", "06/01/2026", "05/01/2026"}));
}

TEST_F(BranchOrderSearchTest, ADateWithItsTimeIsShownWhole) {
    execute(QStringLiteral(
        "INSERT INTO OrderBranch (OrderNO, OrderDate, CloseOrder, Product, ProductUnits, UserId)"
        " VALUES ('No0000000009', "
        "'2026-02-03 14:35:07', 'N', 1, 11, 1)"));
    TFrSearchBranchOrderNo dialog;
    showActive(dialog);
    const int row = columnValues(dialog, "OrderNo").indexOf(QStringLiteral("No0000000009"));
    ASSERT_GE(row, 0);
    const QString shown = dialog.DgSearch->model()->index(row, 1).data().toString();
    EXPECT_EQ(shown, QStringLiteral("03/02/2026 14:35:07"));
    const QFontMetrics fm(dialog.DgSearch->font());
    EXPECT_GT(dialog.DgSearch->columnWidth(1), fm.horizontalAdvance(shown));
    EXPECT_GT(dialog.DgSearch->columnWidth(0),
              fm.horizontalAdvance(QStringLiteral("No0000000009")));
}

}  // namespace
