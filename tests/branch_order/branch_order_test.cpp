// Order entry driven through the screen's widgets.
#include "branch_order_fixture.h"

#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>

#include "lookup/Fa_GetDocNo.h"
#include "ui/NumberEdit.h"

namespace {

using testing_support::BranchOrderTest;

TEST_F(BranchOrderTest, OpeningShowsAnEmptyOrderForTheBranch) {
    openScreen();
    EXPECT_EQ(screen->windowTitle(),
              QStringLiteral("โปรแกรมป้อน Order ของสาขา (20090925) User : SOMSRI"));
    // Message boxes carry the screen's caption.
    EXPECT_EQ(QApplication::applicationDisplayName(), screen->windowTitle());
    EXPECT_EQ(screen->BLoad->text(),
              QStringLiteral("แสดงข้อมูลการสั่งสินค้าของ สาขา : 0001 - สาขาลาดพร้าว"));
    EXPECT_TRUE(screen->BLoad->isEnabled());
    EXPECT_FALSE(screen->AcSave->isEnabled());
    EXPECT_FALSE(screen->AcCopy->isEnabled());
    EXPECT_TRUE(screen->BCopy->isVisible());
    EXPECT_FALSE(screen->BADD->isEnabled());
    EXPECT_EQ(screen->LStatus->text(), QStringLiteral("User : สมศรี รักงาน"));
    EXPECT_EQ(screen->EOrder->value(), 1);
    EXPECT_EQ(screen->QBranchOrder.rowCount(), 0);
    EXPECT_EQ(QApplication::focusWidget(), screen->FaGetDocNo1->DocNo);
    EXPECT_TRUE(messages.messages().isEmpty());
}

TEST_F(BranchOrderTest, TheGridStaysWhereItIsWhenTheStatusLineEmpties) {
    openScreen();
    auto gridTop = [&] {
        screen->TabOrder->layout()->activate();
        return screen->DBGBranchOrder->mapTo(screen.get(), QPoint(0, 0)).y();
    };
    const int before = gridTop();
    ASSERT_FALSE(screen->LStatus->text().isEmpty());
    QTest::mouseClick(screen->BLoad, Qt::LeftButton);
    ASSERT_TRUE(screen->LStatus->text().isEmpty());
    EXPECT_EQ(gridTop(), before);
}

TEST_F(BranchOrderTest, LoadOfANewOrderProposesTheUnitsBelowTheirMinimum) {
    openScreen();
    QTest::mouseClick(screen->BLoad, Qt::LeftButton);
    EXPECT_TRUE(screen->IsNewOrder);
    EXPECT_GT(screen->QBranchOrder.rowCount(), 0);
    EXPECT_EQ(screen->RowOrderNo, QStringLiteral("No0000000005"));
    for (int r = 0; r < screen->QBranchOrder.rowCount(); ++r) {
        EXPECT_EQ(screen->QBranchOrder.value(r, QStringLiteral("OrderNo")).toString().trimmed(),
                  QStringLiteral("No0000000005"));
        EXPECT_EQ(screen->QBranchOrder.value(r, QStringLiteral("OrderQnty")).toInt(), 0);
    }
    EXPECT_TRUE(screen->AcSave->isEnabled());
    EXPECT_TRUE(screen->AcCopy->isEnabled());
    EXPECT_TRUE(screen->BADD->isEnabled());
    EXPECT_FALSE(screen->BLoad->isEnabled());
    EXPECT_FALSE(screen->FaGetDocNo1->DocNo->isEnabled());
    EXPECT_EQ(screen->DBGBranchOrder->currentField(), QStringLiteral("OrderQnty"));
}

}  // namespace

namespace {

using testing_support::BranchOrderTest;

// A unit of group G1 with a maximum of 10, `onhand` in the shop and 3 awaited on another
// user's open order.
void addCappedUnit(db::Connection& c, int onhand) {
    c.execute(QStringLiteral(R"(
SET IDENTITY_INSERT Product ON
INSERT INTO Product (Id, Code, ThaiName, ProdDept, ProdGroup, Blocked) VALUES (20, 'P020', 'ผงชูรส', 'D01', 'G1', 'N')
SET IDENTITY_INSERT Product OFF
SET IDENTITY_INSERT ProductUnits ON
INSERT INTO ProductUnits (Id, Product, BarCode, UnitName, Fraction, AutoOrder, SmallUnitFlag, StockUnitFlag) VALUES (120, 20, '8850000000120', 'ซอง', 1, 'Y', 'Y', 'Y')
SET IDENTITY_INSERT ProductUnits OFF
INSERT INTO ProductManage (Product, ProductUnits, MinQnty, MaxQnty) VALUES (20, 120, 2, 10)
INSERT INTO ProductOnhand (Product, ProductUnits, Warehouse, BalanceYear, PeriodNo, Quantity) VALUES (20, 120, 1, YEAR(GETDATE()), 0, :Onhand)
INSERT INTO OrderBranch (OrderNO, OrderDate, TranBranchNo, Product, ProductUnits, SaleQnty, MinQnty, OrderQnty, Onhand, Transfer, ReceivedQnty, BackOrder, UserId, CloseOrder)
VALUES ('No0000000003', GETDATE() - 50, '', 20, 120, 0, 0, 3, 0, 'N', 0, 3, 9, 'N')
)"),
              {{QStringLiteral("Onhand"), onhand}});
}

class AddTest : public BranchOrderTest {
protected:
    void add(const QString& barCode, int quantity) {
        screen->BarCode->setText(barCode);
        screen->EOrder->setValue(quantity);
        QTest::mouseClick(screen->BADD, Qt::LeftButton);
    }
};

TEST_F(AddTest, QuantityAboveTheMaximumIsCutToWhatIsLeft) {
    addCappedUnit(*db(), 4);
    openScreen();
    QTest::mouseClick(screen->BLoad, Qt::LeftButton);
    const int before = screen->QBranchOrder.rowCount();
    add(QStringLiteral("8850000000120"), 5);
    ASSERT_EQ(screen->QBranchOrder.rowCount(), before + 1);
    const int row = rowOf(QStringLiteral("8850000000120"));
    EXPECT_EQ(messages.messages(), QStringList{QStringLiteral("ไม่สามารถสั่ง Order ได้มากกว่าค่า Max")});
    EXPECT_EQ(screen->QBranchOrder.value(row, QStringLiteral("OrderQnty")).toInt(), 3);  // 10-4-3
    EXPECT_EQ(screen->QBranchOrder.value(row, QStringLiteral("OrderNo")).toString().trimmed(),
              screen->RowOrderNo);
    EXPECT_EQ(screen->EOrder->value(), 1);
    EXPECT_TRUE(screen->BarCode->text().isEmpty());
    EXPECT_EQ(QApplication::focusWidget(), screen->BarCode);

    // Already in the order: refused, the grid goes to the row, nothing is added to it.
    messages.clear();
    screen->DBGBranchOrder->setCurrentRow(0);
    add(QStringLiteral("8850000000120"), 2);
    EXPECT_EQ(messages.messages(), QStringList{QStringLiteral("มีสินค้าซ้ำใน Order แล้ว")});
    EXPECT_EQ(screen->DBGBranchOrder->currentRow(), row);
    EXPECT_EQ(screen->QBranchOrder.value(row, QStringLiteral("OrderQnty")).toInt(), 3);
    EXPECT_EQ(screen->QBranchOrder.rowCount(), before + 1);
}

TEST_F(AddTest, NothingLeftBelowTheMaximumGivesZero) {
    addCappedUnit(*db(), 8);
    openScreen();
    QTest::mouseClick(screen->BLoad, Qt::LeftButton);
    add(QStringLiteral("8850000000120"), 5);
    EXPECT_EQ(screen->QBranchOrder
                  .value(rowOf(QStringLiteral("8850000000120")), QStringLiteral("OrderQnty"))
                  .toInt(),
              0);
}

TEST_F(AddTest, QuantitiesBeyondAnIntAreRefusedAndTheMaximumRuleCannotOverflow) {
    addCappedUnit(*db(), 4);
    openScreen();
    QTest::mouseClick(screen->BLoad, Qt::LeftButton);
    // The largest int plus what is on hand and awaited is beyond an int: still above the
    // maximum.
    add(QStringLiteral("8850000000120"), 2147483647);
    const int row = rowOf(QStringLiteral("8850000000120"));
    ASSERT_GE(row, 0);
    EXPECT_EQ(messages.messages(), QStringList{QStringLiteral("ไม่สามารถสั่ง Order ได้มากกว่าค่า Max")});
    EXPECT_EQ(screen->QBranchOrder.value(row, QStringLiteral("OrderQnty")).toLongLong(), 3);

    // Typed into a row without a maximum: what an int column cannot hold is refused, said,
    // and the quantity stays; the largest int is taken.
    DBGrid* grid = screen->DBGBranchOrder;
    const int open = rowOf(QStringLiteral("8850000000105"));  // no maximum
    ASSERT_GE(open, 0);
    auto typeQuantity = [&](const QString& text) {
        messages.clear();
        grid->setCurrentRow(open);
        grid->focusColumn(QStringLiteral("OrderQnty"));
        QTest::keyClicks(grid, text.left(1));
        QTest::keyClicks(QApplication::focusWidget(), text.mid(1));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    };
    for (const char* typed : {"3000000000", "4294967297"}) {
        typeQuantity(QString::fromLatin1(typed));
        EXPECT_EQ(messages.messages(),
                  QStringList{QStringLiteral("ค่าที่ป้อนเกินกว่าที่ช่องนี้เก็บได้\n\r"
                                             "ป้อนได้ตั้งแต่ -2,147,483,648 ถึง 2,147,483,647")})
            << typed;
        EXPECT_EQ(screen->QBranchOrder.value(open, QStringLiteral("OrderQnty")).toLongLong(), 0)
            << typed;
    }
    typeQuantity(QStringLiteral("2147483647"));
    EXPECT_TRUE(messages.messages().isEmpty());
    EXPECT_EQ(screen->QBranchOrder.value(open, QStringLiteral("OrderQnty")).toLongLong(),
              2147483647LL);
}

TEST_F(AddTest, RowsAddedToAStoredOrderTypedInSmallLettersCarryItsNumberAsStored) {
    openScreen();
    QTest::keyClicks(screen->FaGetDocNo1->DocNo, QStringLiteral("no0000000003"));
    QTest::mouseClick(screen->BLoad, Qt::LeftButton);
    ASSERT_TRUE(screen->IsStoredOrder);
    EXPECT_EQ(screen->RowOrderNo, QStringLiteral("No0000000003"));
    add(QStringLiteral("8850000000108"), 2);
    ASSERT_GE(rowOf(QStringLiteral("8850000000108")), 0);
    messages.queueAnswer(true);
    screen->AcSaveExecute();
    const db::ResultSet stored = db()->query(
        QStringLiteral("SELECT DISTINCT OrderNo FROM OrderBranch WHERE OrderNo = 'No0000000003'"));
    ASSERT_EQ(stored.rowCount(), 1);  // the same text, letter for letter
    EXPECT_EQ(stored.value(0, 0).toString().trimmed(), QStringLiteral("No0000000003"));
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM OrderBranch WHERE OrderNo = "
                                   "'No0000000003'")),
              3);
    const db::ResultSet log =
        db()->query(QStringLiteral("SELECT Remark FROM UserLog ORDER BY Id DESC"));
    EXPECT_EQ(log.value(0, 0).toString(), QStringLiteral("No0000000003"));
}

TEST_F(AddTest, RefusesIncompleteUnknownAndForeignProducts) {
    openScreen();
    QTest::mouseClick(screen->BLoad, Qt::LeftButton);
    const int before = screen->QBranchOrder.rowCount();
    add(QStringLiteral("   "), 1);
    add(QStringLiteral("8850000000101"), 0);
    add(QStringLiteral("0000"), 1);
    add(QStringLiteral("8850000000103"), 1);  // product of group G3, not user 7's
    EXPECT_EQ(messages.messages(),
              (QStringList{QStringLiteral("กำหนดข้อมูลยังไม่ครบ"),
                           QStringLiteral("ต้องกำหนดจำนวน Order มากกว่า 0 "),
                           QStringLiteral("ไม่พบรหัสสินค้า/ไม่มีสิทธิเพิ่มรายการสินค้านี้ได้"),
                           QStringLiteral("ไม่พบรหัสสินค้า/ไม่มีสิทธิเพิ่มรายการสินค้านี้ได้")}));
    EXPECT_EQ(screen->QBranchOrder.rowCount(), before);
}

TEST_F(BranchOrderTest, TypedQuantitiesAreCorrectedByTheRule) {
    openScreen();
    QTest::mouseClick(screen->BLoad, Qt::LeftButton);
    ASSERT_GT(screen->QBranchOrder.rowCount(), 0);
    DBGrid* grid = screen->DBGBranchOrder;
    grid->setCurrentRow(0);
    grid->focusColumn(QStringLiteral("OrderQnty"));
    QTest::keyClick(grid, Qt::Key_Minus);  // typing starts editing the cell
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("1"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(messages.messages(), QStringList{QStringLiteral("ไม่สามารถป้อนน้อยกว่า 0 ได้")});
    EXPECT_EQ(screen->QBranchOrder.value(0, QStringLiteral("OrderQnty")).toInt(), 0);
    EXPECT_EQ(grid->displayText(0, QStringLiteral("OrderQnty")), QStringLiteral("0"));

    // Enter moved on to the next column; 0 and plain quantities pass without a word.
    messages.clear();
    grid->focusColumn(QStringLiteral("OrderQnty"));
    QTest::keyClick(grid, Qt::Key_7);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(screen->QBranchOrder.value(0, QStringLiteral("OrderQnty")).toInt(), 7);
    EXPECT_TRUE(messages.messages().isEmpty());
    EXPECT_EQ(grid->currentField(), QStringLiteral("OLOrderQnty"));
}

TEST_F(BranchOrderTest, RowsAreColouredBySalesAndShortfallAndTheQuantityStandsOut) {
    openScreen();
    QTest::mouseClick(screen->BLoad, Qt::LeftButton);
    const int row = rowOf(QStringLiteral("8850000000101"));  // sold 7, short 8
    ASSERT_GE(row, 0);
    const CellColors sold = screen->DBGBranchOrder->cellColors(row, QStringLiteral("BarCode"));
    EXPECT_EQ(sold.background, QColor(255, 188, 121));
    EXPECT_FALSE(sold.bold);
    const CellColors quantity =
        screen->DBGBranchOrder->cellColors(row, QStringLiteral("OrderQnty"));
    EXPECT_EQ(quantity.background, QColor(255, 255, 0));
    EXPECT_EQ(quantity.foreground, QColor(255, 4, 4));
    EXPECT_TRUE(quantity.bold);
    // Not sold, short: pale grey.
    const int unsold = rowOf(QStringLiteral("8850000000111"));
    ASSERT_GE(unsold, 0);
    EXPECT_EQ(screen->DBGBranchOrder->cellColors(unsold, QStringLiteral("ProdName")).background,
              QColor(224, 235, 237));
}

// ---- Save ------------------------------------------------------------------------------

TEST_F(BranchOrderTest, SaveOfANewOrderDrawsTheNumberAndStoresEveryRow) {
    openScreen();
    QTest::mouseClick(screen->BLoad, Qt::LeftButton);
    const int rows = screen->QBranchOrder.rowCount();
    ASSERT_GT(rows, 0);
    // The quantity is still being typed when the user presses F10: what is typed is saved.
    DBGrid* grid = screen->DBGBranchOrder;
    grid->setCurrentRow(0);
    grid->focusColumn(QStringLiteral("OrderQnty"));
    QTest::keyClick(grid, Qt::Key_4);
    ASSERT_NE(QApplication::focusWidget(), grid);  // the cell's editor
    messages.queueAnswer(true);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F10);
    ASSERT_EQ(messages.questions().size(), 1);
    EXPECT_EQ(messages.questions()[0].text, QStringLiteral("จัดเก็บข้อมูล ?"));
    EXPECT_EQ(messages.questions()[0].colors.background, QColor(0, 0, 255));
    EXPECT_EQ(
        count(QStringLiteral("SELECT COUNT(*) FROM OrderBranch WHERE OrderNo = 'No0000000005'")),
        rows);
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM OrderBranch WHERE OrderNo = 'No0000000005'"
                                   " AND CloseOrder = 'N' AND Transfer = 'N' AND UserId = 7"
                                   " AND BackOrder = OrderQnty")),
              rows);
    EXPECT_EQ(count(QStringLiteral(
                  "SELECT SUM(OrderQnty) FROM OrderBranch WHERE OrderNo = 'No0000000005'")),
              4);
    // Two log entries: the empty one before the transaction, then the number.
    const db::ResultSet log =
        db()->query(QStringLiteral("SELECT FunctionListId, Remark FROM UserLog ORDER BY Id"));
    ASSERT_EQ(log.rowCount(), 2);
    EXPECT_EQ(log.value(0, 0).toInt(), 1);
    EXPECT_TRUE(log.value(0, 1).toString().isEmpty());
    EXPECT_EQ(log.value(1, 1).toString(), QStringLiteral("No0000000005"));
    // Back to an empty screen.
    EXPECT_EQ(screen->QBranchOrder.rowCount(), 0);
    EXPECT_TRUE(screen->BLoad->isEnabled());
    EXPECT_TRUE(screen->AcNew->isEnabled());
    EXPECT_TRUE(screen->AcExit->isEnabled());
    EXPECT_FALSE(screen->AcSave->isEnabled());
}

TEST_F(BranchOrderTest, SaveOvertakenByAnotherWorkstationRenumbersEveryRow) {
    openScreen();
    QTest::mouseClick(screen->BLoad, Qt::LeftButton);
    const int rows = screen->QBranchOrder.rowCount();
    EXPECT_EQ(screen->RowOrderNo, QStringLiteral("No0000000005"));
    // Another workstation saves first and takes the previewed number.
    const db::ProcResult other = db()->callProcedure(
        QStringLiteral("NewDocumentNo"),
        {db::ProcParam::in(QStringLiteral("@DocCode"), QStringLiteral("ORD-BRANCH")),
         db::ProcParam::in(QStringLiteral("@DocYear"), QDate::currentDate().year()),
         db::ProcParam::out(QStringLiteral("@NewNo"), db::FieldType::String)});
    EXPECT_EQ(other.output(QStringLiteral("@NewNo")).toString(), QStringLiteral("No0000000005"));
    messages.queueAnswer(true);
    screen->AcSaveExecute();
    EXPECT_EQ(
        count(QStringLiteral("SELECT COUNT(*) FROM OrderBranch WHERE OrderNo = 'No0000000006'")),
        rows);
    EXPECT_EQ(
        count(QStringLiteral("SELECT COUNT(*) FROM OrderBranch WHERE OrderNo = 'No0000000005'")),
        0);
}

TEST_F(BranchOrderTest, ASaveThatFailsHalfWayStoresNothingSaysSoAndKeepsTheOrderToSaveAgain) {
    openScreen();
    QTest::mouseClick(screen->BLoad, Qt::LeftButton);
    const int rows = screen->QBranchOrder.rowCount();
    ASSERT_GT(rows, 2);
    screen->QBranchOrder.setValue(0, QStringLiteral("OrderQnty"), 4);
    // The last proposed unit is already stored under the number the save will draw.
    const QVariant lastUnit = screen->QBranchOrder.value(rows - 1, QStringLiteral("ProductUnits"));
    auto c = db();
    c->execute(QStringLiteral(
        "CREATE UNIQUE INDEX OrderBranchNoUnit ON OrderBranch (OrderNO, ProductUnits)"));
    c->execute(QStringLiteral(
                   "INSERT INTO OrderBranch (OrderNO, OrderDate, TranBranchNo, Product,"
                   " ProductUnits, SaleQnty, MinQnty, OrderQnty, Onhand, Transfer, ReceivedQnty,"
                   " BackOrder, UserId, CloseOrder) SELECT 'No0000000005', GETDATE(), '', Product,"
                   " Id, 0, 0, 1, 0, 'N', 0, 1, 9, 'N' FROM ProductUnits WHERE Id = :U"),
               {{QStringLiteral("U"), lastUnit}});
    const qlonglong lastNo =
        count(QStringLiteral("SELECT LastNo FROM DocumentNo WHERE Code = 'ORD-BRANCH'"));

    messages.queueAnswer(true);
    EXPECT_THROW(screen->AcSaveExecute(), db::DatabaseError);  // to the error handler
    EXPECT_EQ(
        count(QStringLiteral("SELECT COUNT(*) FROM OrderBranch WHERE OrderNo = 'No0000000005'")),
        1);
    EXPECT_EQ(count(QStringLiteral("SELECT LastNo FROM DocumentNo WHERE Code = 'ORD-BRANCH'")),
              lastNo);
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM UserLog")), 1);  // made before
    EXPECT_FALSE(modules.dm.DMdata().inTransaction());
    // The typed order stays on screen, its number too, ready to be saved again.
    EXPECT_EQ(screen->QBranchOrder.rowCount(), rows);
    EXPECT_EQ(screen->QBranchOrder.value(0, QStringLiteral("OrderQnty")).toLongLong(), 4);
    EXPECT_EQ(screen->FaGetDocNo1->text().trimmed(), QStringLiteral("No0000000005"));
    EXPECT_TRUE(screen->AcSave->isEnabled());
    EXPECT_TRUE(screen->AcExit->isEnabled());
    EXPECT_TRUE(screen->AcNew->isEnabled());
    EXPECT_TRUE(screen->BADD->isEnabled());
    EXPECT_FALSE(screen->BLoad->isEnabled());

    // The cause mended, the next save stores every row once.
    c->execute(QStringLiteral("DELETE FROM OrderBranch WHERE OrderNo = 'No0000000005'"));
    messages.queueAnswer(true);
    screen->AcSaveExecute();
    EXPECT_EQ(
        count(QStringLiteral("SELECT COUNT(*) FROM OrderBranch WHERE OrderNo = 'No0000000005'")),
        rows);
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(DISTINCT ProductUnits) FROM OrderBranch"
                                   " WHERE OrderNo = 'No0000000005'")),
              rows);
    EXPECT_EQ(count(QStringLiteral(
                  "SELECT SUM(OrderQnty) FROM OrderBranch WHERE OrderNo = 'No0000000005'")),
              4);
    EXPECT_EQ(count(QStringLiteral("SELECT LastNo FROM DocumentNo WHERE Code = 'ORD-BRANCH'")),
              lastNo + 1);
    EXPECT_EQ(screen->QBranchOrder.rowCount(), 0);  // saved: back to an empty screen
}

TEST_F(BranchOrderTest, AFailedSaveThatRenumberedTheRowsGivesThemBackTheirNumber) {
    openScreen();
    QTest::mouseClick(screen->BLoad, Qt::LeftButton);
    const int rows = screen->QBranchOrder.rowCount();
    ASSERT_GT(rows, 0);
    // Another workstation draws the previewed number, so the save renumbers the rows to the
    // next one; a row already stored under that one makes the save fail.
    auto c = db();
    c->callProcedure(QStringLiteral("NewDocumentNo"),
                     {db::ProcParam::in(QStringLiteral("@DocCode"), QStringLiteral("ORD-BRANCH")),
                      db::ProcParam::in(QStringLiteral("@DocYear"), QDate::currentDate().year()),
                      db::ProcParam::out(QStringLiteral("@NewNo"), db::FieldType::String)});
    c->execute(QStringLiteral(
        "CREATE UNIQUE INDEX OrderBranchNoUnit ON OrderBranch (OrderNO, ProductUnits)"));
    c->execute(
        QStringLiteral(
            "INSERT INTO OrderBranch (OrderNO, OrderDate, TranBranchNo, Product,"
            " ProductUnits, SaleQnty, MinQnty, OrderQnty, Onhand, Transfer, ReceivedQnty,"
            " BackOrder, UserId, CloseOrder) SELECT 'No0000000006', GETDATE(), '', Product,"
            " Id, 0, 0, 1, 0, 'N', 0, 1, 9, 'N' FROM ProductUnits WHERE Id = :U"),
        {{QStringLiteral("U"), screen->QBranchOrder.value(0, QStringLiteral("ProductUnits"))}});
    messages.queueAnswer(true);
    EXPECT_THROW(screen->AcSaveExecute(), db::DatabaseError);
    // Nothing was stored under the drawn number: the rows show the previewed one again.
    for (int r = 0; r < rows; ++r)
        EXPECT_EQ(screen->QBranchOrder.value(r, QStringLiteral("OrderNo")).toString().trimmed(),
                  QStringLiteral("No0000000005"));
    EXPECT_EQ(screen->FaGetDocNo1->text().trimmed(), QStringLiteral("No0000000005"));

    c->execute(QStringLiteral("DELETE FROM OrderBranch WHERE OrderNo = 'No0000000006'"));
    messages.queueAnswer(true);
    screen->AcSaveExecute();
    EXPECT_EQ(
        count(QStringLiteral("SELECT COUNT(*) FROM OrderBranch WHERE OrderNo = 'No0000000006'")),
        rows);
    EXPECT_EQ(
        count(QStringLiteral("SELECT COUNT(*) FROM OrderBranch WHERE OrderNo = 'No0000000005'")),
        0);
}

TEST_F(BranchOrderTest, NoAtTheSaveQuestionKeepsTheOrder) {
    openScreen();
    QTest::mouseClick(screen->BLoad, Qt::LeftButton);
    const int rows = screen->QBranchOrder.rowCount();
    messages.queueAnswer(false);
    screen->AcSaveExecute();
    EXPECT_EQ(screen->QBranchOrder.rowCount(), rows);
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM UserLog")), 0);
    EXPECT_TRUE(screen->AcSave->isEnabled());
}

TEST_F(BranchOrderTest, AStoredOrderIsRewrittenWithItsNewQuantities) {
    modules.config.UserId = 9;
    openScreen();
    screen->FaGetDocNo1->setText(QStringLiteral("No0000000003"));
    QTest::mouseClick(screen->BLoad, Qt::LeftButton);
    EXPECT_TRUE(screen->IsStoredOrder);
    ASSERT_EQ(screen->QBranchOrder.rowCount(), 2);
    EXPECT_EQ(screen->FaGetDocNo1->text().trimmed(), QStringLiteral("No0000000003"));
    const int row = rowOf(QStringLiteral("8850000000107"));
    screen->QBranchOrder.setValue(row, QStringLiteral("OrderQnty"), 9);
    messages.queueAnswer(true);
    screen->AcSaveExecute();
    EXPECT_EQ(count(QStringLiteral("SELECT OrderQnty * 100 + BackOrder FROM OrderBranch"
                                   " WHERE OrderNo = 'No0000000003' AND ProductUnits = 107")),
              909);
    const db::ResultSet log =
        db()->query(QStringLiteral("SELECT FunctionListId, Remark FROM UserLog ORDER BY Id"));
    ASSERT_EQ(log.rowCount(), 2);
    EXPECT_EQ(log.value(1, 0).toInt(), 2);
    EXPECT_EQ(log.value(1, 1).toString(), QStringLiteral("No0000000003"));
    EXPECT_EQ(count(QStringLiteral("SELECT LastNo FROM DocumentNo WHERE Code = 'ORD-BRANCH'")), 4);
}

TEST_F(BranchOrderTest, ASentOrderStaysReadOnly) {
    openScreen();
    screen->FaGetDocNo1->setText(QStringLiteral("No0000000002"));
    QTest::mouseClick(screen->BLoad, Qt::LeftButton);
    EXPECT_EQ(
        messages.messages(),
        QStringList{QStringLiteral("ไม่สามารถแก้ไขหรือส่งข้อมูลได้\n\rเนื่องจาก ส่งข้อมูลเข้าสำนักงานใหญ่แล้ว")});
    EXPECT_FALSE(screen->AcSave->isEnabled());
    EXPECT_FALSE(screen->BADD->isEnabled());
    EXPECT_FALSE(screen->BtSearchBarCode->isEnabled());
    EXPECT_TRUE(screen->AcCopy->isEnabled());
}

TEST_F(BranchOrderTest, ManualNumberingDemandsANumber) {
    db()->execute(QStringLiteral("UPDATE DocumentNo SET AutoRun = 'N' WHERE Code = 'ORD-BRANCH'"));
    openScreen();
    EXPECT_FALSE(modules.dm.DocAutoRun());
    QTest::mouseClick(screen->BLoad, Qt::LeftButton);
    EXPECT_EQ(messages.messages(), QStringList{QStringLiteral("จะต้องป้อนเลขที่เอกสาร !")});
    EXPECT_FALSE(screen->BLoad->isEnabled());
    EXPECT_EQ(screen->QBranchOrder.rowCount(), 0);
    EXPECT_EQ(QApplication::focusWidget(), screen->FaGetDocNo1->DocNo);
    // New makes Load available again; a typed number that does not exist starts a new order.
    QTest::keyClick(screen->FaGetDocNo1->DocNo, Qt::Key_F3);
    EXPECT_TRUE(screen->BLoad->isEnabled());
    QTest::keyClicks(screen->FaGetDocNo1->DocNo, QStringLiteral("x9"));
    QTest::mouseClick(screen->BLoad, Qt::LeftButton);
    EXPECT_TRUE(screen->IsNewOrder);
    EXPECT_EQ(screen->LoadedOrderNo, QStringLiteral("X9"));
}

TEST_F(BranchOrderTest, AUserWithoutProductGroupsGetsNothing) {
    modules.config.UserId = 42;
    openScreen();
    QTest::mouseClick(screen->BLoad, Qt::LeftButton);
    EXPECT_EQ(messages.messages(),
              QStringList{QStringLiteral("ยังไม่กำหนดแผนกสินค้า\n\rกรุณากำหนดแผนกสินค้าก่อน")});
    EXPECT_EQ(screen->QBranchOrder.rowCount(), 0);
    EXPECT_TRUE(screen->AcCopy->isEnabled());
    EXPECT_FALSE(screen->AcSave->isEnabled());
    EXPECT_FALSE(screen->BADD->isEnabled());
}

TEST_F(BranchOrderTest, ProductInformationIsReadOncePerBarcode) {
    openScreen();
    QTest::mouseClick(screen->BLoad, Qt::LeftButton);
    screen->BarCode->setFocus();
    QTest::keyClicks(screen->BarCode, QStringLiteral("8850000000101"));
    QTest::keyClick(screen->BarCode, Qt::Key_Return);  // Enter leaves the field
    EXPECT_EQ(screen->LProductName->text(), QStringLiteral("Onhand : 1,007 [ขวด] น้ำปลาแท้"));
    EXPECT_EQ(screen->LastShownBarCode, QStringLiteral("8850000000101"));
    screen->LProductName->clear();
    screen->BarCode->setFocus();
    screen->EOrder->setFocus();
    EXPECT_TRUE(screen->LProductName->text().isEmpty());  // same barcode: not read again
    screen->BarCode->setText(QStringLiteral("nothing"));
    screen->BarCode->setFocus();
    screen->EOrder->setFocus();
    EXPECT_EQ(screen->LProductName->text(), QStringLiteral("Onhand : 0 [] "));

    // Another window taking the focus is not leaving the field.
    screen->BarCode->setFocus();
    screen->BarCode->setText(QStringLiteral("8850000000101"));
    screen->LProductName->clear();
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    EXPECT_TRUE(screen->LProductName->text().isEmpty());

    // New from inside the field forgets the product shown as the field is left.
    screen->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(screen.get()));
    screen->BarCode->setFocus();
    screen->AcNew->trigger();
    EXPECT_TRUE(screen->LastShownBarCode.isEmpty());
    EXPECT_TRUE(screen->LProductName->text().isEmpty());
    EXPECT_TRUE(screen->BarCode->text().isEmpty());
}

TEST_F(BranchOrderTest, TheReportTabPutsSaveAndCopyAsideUntilTheOrderTabReturns) {
    openScreen();
    QTest::mouseClick(screen->BLoad, Qt::LeftButton);
    screen->PageControl1->setCurrentWidget(screen->TabReport);
    EXPECT_FALSE(screen->AcSave->isEnabled());
    EXPECT_FALSE(screen->AcCopy->isEnabled());
    EXPECT_EQ(QApplication::focusWidget(), screen->FaGetDocNo2->DocNo);
    screen->PageControl1->setCurrentWidget(screen->TabOrder);
    EXPECT_TRUE(screen->AcSave->isEnabled());
    EXPECT_TRUE(screen->AcCopy->isEnabled());
}

}  // namespace
