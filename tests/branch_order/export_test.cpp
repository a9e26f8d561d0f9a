// Copy: the order grid written to a spreadsheet and read back.
#include "branch_order_fixture.h"

#include <freexl.h>

#include <QFile>
#include <QPushButton>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTemporaryDir>

#include "lookup/Fa_GetDocNo.h"
#include "ui/SpreadsheetExport.h"

namespace {

using testing_support::BranchOrderTest;

class ExportTest : public BranchOrderTest {
protected:
    void SetUp() override {
        BranchOrderTest::SetUp();
        ui::setSaveDialogHook(
            [this](QWidget*, const QString& directory, const QString& filter, QString*) {
                offeredDirectory = directory;
                offeredFilter = filter;
                return chosen;
            });
    }
    void TearDown() override { ui::setSaveDialogHook({}); }

    QTemporaryDir out;
    QString chosen;
    QString offeredDirectory;
    QString offeredFilter;
};

TEST_F(ExportTest, CancelledDialogWritesNothingAndSaysNothing) {
    openScreen();
    QTest::mouseClick(screen->BLoad, Qt::LeftButton);
    chosen.clear();
    QTest::keyClick(screen->DBGBranchOrder, Qt::Key_F6);
    EXPECT_TRUE(messages.messages().isEmpty());
    EXPECT_TRUE(offeredFilter.contains(QStringLiteral("*.xls")));
    EXPECT_TRUE(offeredFilter.contains(QStringLiteral("*.xlsx")));
    EXPECT_EQ(QDir(out.path()).entryList(QDir::Files).size(), 0);
}

TEST_F(ExportTest, TextExportHoldsTheTitleTheColumnTitlesAndEveryRowInThaiCodePage) {
    openScreen();
    QTest::mouseClick(screen->BLoad, Qt::LeftButton);
    const int rows = screen->QBranchOrder.rowCount();
    chosen = out.filePath(QStringLiteral("order.txt"));
    const QString before = QDir::currentPath();
    screen->AcCopyExecute();
    EXPECT_EQ(QDir::currentPath(), before);
    EXPECT_EQ(offeredDirectory, before);
    EXPECT_EQ(messages.messages(), QStringList{QStringLiteral("บันทึกเรียบเร้อยแล้ว\n\r") + chosen});

    QFile file(chosen);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QStringDecoder cp874("windows-874");
    const QStringList lines = QString(cp874(file.readAll())).split(QStringLiteral("\r\n"));
    ASSERT_GE(lines.size(), rows + 2);
    EXPECT_TRUE(
        lines[0].startsWith(QStringLiteral("ดูรายงาน BracnhOrder สาขา : 0029 (ยังไม่ได้ Save) ณ.  ")))
        << lines[0].toStdString();
    EXPECT_EQ(lines[1].split(u'\t').first(), QStringLiteral("BarCode"));
    EXPECT_EQ(lines[1].split(u'\t').last(), QStringLiteral("ชื่อสินค้า"));
    EXPECT_EQ(lines[1].split(u'\t').size(), 13);
    // Every cell reads as the grid shows it: prices with two places, stock without any.
    const QList<GridColumn> shown = screen->DBGBranchOrder->visibleColumns();
    for (int r = 0; r < rows; ++r) {
        QStringList cells;
        for (const GridColumn& c : shown) cells << screen->DBGBranchOrder->displayText(r, c.field);
        EXPECT_EQ(lines[2 + r], cells.join(u'\t')) << r;
    }
    const int first = lines[1].split(u'\t').indexOf(QStringLiteral("ราคาขาย"));
    ASSERT_GE(first, 0);
    static const QRegularExpression twoPlaces(QStringLiteral("^[\\d,]+\\.\\d\\d$"));
    EXPECT_TRUE(twoPlaces.match(lines[2].split(u'\t')[first]).hasMatch()) << lines[2].toStdString();
}

TEST_F(ExportTest, ASentOrderStillExportsAsAWorkbook) {
    openScreen();
    screen->FaGetDocNo1->setText(QStringLiteral("No0000000002"));
    QTest::mouseClick(screen->BLoad, Qt::LeftButton);
    ASSERT_TRUE(screen->AcCopy->isEnabled());
    messages.clear();
    chosen = out.filePath(QStringLiteral("sent.xls"));
    screen->AcCopyExecute();
    ASSERT_EQ(messages.messages().size(), 1);

    const void* handle = nullptr;
    ASSERT_EQ(freexl_open(chosen.toUtf8().constData(), &handle), FREEXL_OK);
    ASSERT_EQ(freexl_select_active_worksheet(handle, 0), FREEXL_OK);
    unsigned int rows = 0;
    unsigned short columns = 0;
    ASSERT_EQ(freexl_worksheet_dimensions(handle, &rows, &columns), FREEXL_OK);
    EXPECT_EQ(rows, 2u + 4u);  // title, column titles, the order's four rows
    EXPECT_EQ(columns, 13);
    FreeXL_CellValue cell;
    ASSERT_EQ(freexl_get_cell_value(handle, 0, 0, &cell), FREEXL_OK);
    ASSERT_TRUE(cell.type == FREEXL_CELL_SST_TEXT || cell.type == FREEXL_CELL_TEXT);
    // A stored order's title carries no "not yet saved".
    const QString title = QString::fromUtf8(cell.value.text_value);
    EXPECT_TRUE(title.startsWith(QStringLiteral("ดูรายงาน BracnhOrder สาขา : 0029 ณ.  ")))
        << title.toStdString();
    ASSERT_EQ(freexl_get_cell_value(handle, 1, 8, &cell), FREEXL_OK);
    EXPECT_EQ(QString::fromUtf8(cell.value.text_value), QStringLiteral("จำนวนสั่ง"));
    double total = 0;
    for (unsigned int r = 2; r < rows; ++r) {
        ASSERT_EQ(freexl_get_cell_value(handle, r, 8, &cell), FREEXL_OK);
        ASSERT_TRUE(cell.type == FREEXL_CELL_INT || cell.type == FREEXL_CELL_DOUBLE) << r;
        total += cell.type == FREEXL_CELL_INT ? cell.value.int_value : cell.value.double_value;
    }
    EXPECT_EQ(total, 6 + 8 + 8 + 1);  // order 2's quantities, as numbers
    freexl_close(handle);
}

}  // namespace
