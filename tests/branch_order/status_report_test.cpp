// The status report tab: which rows Show lists, in what order and colours.
#include "branch_order_fixture.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>

#include "lookup/Fa_GetDocNo.h"

namespace {

using testing_support::BranchOrderTest;

class StatusReportTest : public BranchOrderTest {
protected:
    void SetUp() override {
        BranchOrderTest::SetUp();
        openScreen();
        screen->PageControl1->setCurrentWidget(screen->TabReport);
    }
    QStringList keys() const {
        QStringList out;
        for (int r = 0; r < screen->QReport.rowCount(); ++r)
            out << screen->QReport.value(r, QStringLiteral("OrderNo")).toString().trimmed() + u'/' +
                       screen->QReport.value(r, QStringLiteral("BarCode")).toString();
        return out;
    }
    int rowOfUnit(const QString& orderNo, const QString& barCode) const {
        return keys().indexOf(orderNo + u'/' + barCode);
    }
};

TEST_F(StatusReportTest, StartsEmptyAndShowWithoutFiltersListsEveryOrderedRow) {
    EXPECT_EQ(screen->QReport.rowCount(), 0);
    EXPECT_EQ(screen->BLoadRp->text(),
              QStringLiteral("แสดงสถานะ Order สินค้า สาขา : 0001 - สาขาลาดพร้าว"));
    QTest::mouseClick(screen->BLoadRp, Qt::LeftButton);
    // Rows ordered with quantity 0 never show; within an order, by rank then barcode, and
    // the unknown code "Z" (rank NULL) first.
    EXPECT_EQ(keys(), (QStringList{
                          QStringLiteral("No0000000001/8850000000101"),
                          QStringLiteral("No0000000002/8850000000102"),
                          QStringLiteral("No0000000002/8850000000110"),
                          QStringLiteral("No0000000002/8850000000111"),
                          QStringLiteral("No0000000002/8850000000101"),
                          QStringLiteral("No0000000003/8850000000107"),
                          QStringLiteral("No0000000004/8850000000104"),
                          QStringLiteral("No0000000004/8850000000110"),
                          QStringLiteral("No0000000004/8850000000111"),
                          QStringLiteral("No0000000004/8850000000109"),
                      }));
    EXPECT_TRUE(screen->LStatusReport->text().isEmpty());
    EXPECT_FALSE(screen->FaGetDocNo2->DocNo->isEnabled());
    EXPECT_FALSE(screen->FaGetDocNo2->BtSearch->isEnabled());
    EXPECT_TRUE(screen->BLoadRp->isEnabled());
}

TEST_F(StatusReportTest, ColoursFollowTheStatusAndNegativeAwaitedShowsZero) {
    QTest::mouseClick(screen->BLoadRp, Qt::LeftButton);
    DBGrid* grid = screen->DBGReportOrder;
    auto background = [&](const char* order, const char* barCode) {
        return grid
            ->cellColors(rowOfUnit(QString::fromLatin1(order), QString::fromLatin1(barCode)),
                         QStringLiteral("ProdName"))
            .background;
    };
    EXPECT_EQ(background("No0000000001", "8850000000101"), QColor(64, 255, 255));   // Y
    EXPECT_EQ(background("No0000000002", "8850000000101"), QColor(226, 171, 250));  // W
    EXPECT_EQ(background("No0000000002", "8850000000110"), QColor(255, 23, 23));    // O
    EXPECT_EQ(background("No0000000002", "8850000000111"), QColor(255, 23, 23));    // C
    EXPECT_EQ(background("No0000000002", "8850000000102"), QColor(214, 224, 218));  // N
    EXPECT_EQ(background("No0000000004", "8850000000110"), QColor(135, 255, 15));   // B
    // An unknown code keeps the grid's ordinary colours and shows no status.
    const int unknown = rowOfUnit(QStringLiteral("No0000000004"), QStringLiteral("8850000000104"));
    const QColor ordinary = unknown % 2 ? QColor(228, 237, 239) : QColor(Qt::white);
    EXPECT_EQ(grid->cellColors(unknown, QStringLiteral("ProdName")).background, ordinary);
    EXPECT_TRUE(grid->displayText(unknown, QStringLiteral("Stratus")).isEmpty());
    const int received = rowOfUnit(QStringLiteral("No0000000004"), QStringLiteral("8850000000109"));
    EXPECT_EQ(grid->displayText(received, QStringLiteral("BackOrder")), QStringLiteral("0"));
    const CellColors quantity = grid->cellColors(received, QStringLiteral("OrderQnty"));
    EXPECT_EQ(quantity.background, QColor(255, 255, 0));
    EXPECT_TRUE(quantity.bold);
}

TEST_F(StatusReportTest, FiltersByOrderAndBarcodeAndASecondShowTakesTheCurrentRowsOrder) {
    screen->FaGetDocNo2->setText(QStringLiteral("  No0000000002 "));
    QTest::mouseClick(screen->BLoadRp, Qt::LeftButton);
    EXPECT_EQ(screen->QReport.rowCount(), 4);
    // Only a barcode: that product in every order, the order number now being the current
    // row's.
    screen->BarCodeRp->setText(QStringLiteral("8850000000110"));
    QTest::mouseClick(screen->BLoadRp, Qt::LeftButton);
    EXPECT_EQ(keys(), QStringList{QStringLiteral("No0000000002/8850000000110")});
    // New clears the report; then a barcode alone lists it in every order.
    QTest::keyClick(screen->BarCodeRp, Qt::Key_F3);
    screen->PageControl1->setCurrentWidget(screen->TabReport);
    screen->BarCodeRp->setText(QStringLiteral("8850000000110"));
    QTest::mouseClick(screen->BLoadRp, Qt::LeftButton);
    EXPECT_EQ(keys(), (QStringList{QStringLiteral("No0000000002/8850000000110"),
                                   QStringLiteral("No0000000004/8850000000110")}));
}

TEST_F(StatusReportTest, EnterAndEscapeActInsideTheGrid) {
    QTest::mouseClick(screen->BLoadRp, Qt::LeftButton);
    DBGrid* grid = screen->DBGReportOrder;
    grid->setFocus();
    grid->setCurrentRow(0);
    grid->focusColumn(QStringLiteral("OrderNo"));
    QTest::keyClick(grid, Qt::Key_Return);
    EXPECT_EQ(grid->currentField(), QStringLiteral("OrderDate"));
    QTest::keyClick(grid, Qt::Key_Escape);
    EXPECT_TRUE(messages.questions().isEmpty());  // no exit question from inside the grid
    EXPECT_TRUE(screen->isVisible());
}

}  // namespace
