// Order entry driven through the screen's widgets.
#include "branch_order_fixture.h"

#include <QLabel>
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
