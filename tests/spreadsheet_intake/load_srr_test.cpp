// The requisition screen: New, the file-name rules, the row filter and the layout's columns,
// the progress it shows, and what a bad file or a bad cell does.
#include <QFile>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "db/decimal.h"
#include "spreadsheet_intake/reader/Sheet.h"
#include "tests/spreadsheet_intake/load_srr_fixture.h"
#include "ui/DBGrid.h"
#include "ui/SpreadsheetExport.h"

namespace load_srr {
namespace {

using S = std::string;
const Value none{};

db::Decimal decimal(const QVariant& v) {
    return v.value<db::Decimal>();
}

TEST_F(LoadSrrTest, NewOffersLoadOnAnEmptyNameAndOnePlaceholderLineOfTheFourColumns) {
    EXPECT_EQ(screen->windowTitle(), QStringLiteral("ดึง Excel => Pr"));
    EXPECT_TRUE(screen->BLoad->isEnabled());
    EXPECT_FALSE(screen->BCreatePr->isEnabled());
    EXPECT_TRUE(screen->EdFileName->text().isEmpty());
    ASSERT_EQ(screen->PrImportSet.rowCount(), 1);
    const QList<db::Column>& columns = screen->PrImportSet.columns();
    ASSERT_EQ(columns.size(), 4);
    EXPECT_EQ(columns[0].name, u"VenCode");
    EXPECT_EQ(columns[1].name, u"Itemcode");
    EXPECT_EQ(columns[2].name, u"BarCode");
    EXPECT_EQ(columns[3].name, u"FinalOrder");
    for (int i = 0; i < 3; ++i) EXPECT_EQ(columns[i].size, 20) << i;
    EXPECT_EQ(columns[3].precision, 20);
    EXPECT_EQ(columns[3].scale, 2);
    // The grid shows all four under their own names, in alternating row colours.
    const QList<GridColumn> shown = screen->DBGridPr->visibleColumns();
    ASSERT_EQ(shown.size(), 4);
    EXPECT_EQ(screen->DBGridPr->model()->headerData(3, Qt::Horizontal).toString(), u"FinalOrder");
    EXPECT_TRUE(screen->DBGridPr->alternatingRowColors());
    EXPECT_EQ(screen->DBGridPr->palette().color(QPalette::AlternateBase), QColor(228, 237, 239));
}

TEST_F(LoadSrrTest, AMissingFileOrAnotherExtensionIsRefusedWithTheFileMessage) {
    const QString sheet =
        write(QStringLiteral("buy.xlsx"), BuyingSheet().line(7, 1.0, S("V"), S("I"), S("B"), 2.0));
    QFile::copy(sheet, file(QStringLiteral("buy.csv")));
    QFile::copy(sheet, file(QStringLiteral("BUY.XLSX")));
    for (const QString& name :
         {file(QStringLiteral("gone.xlsx")), file(QStringLiteral("buy.csv")),
          file(QStringLiteral("BUY.XLSX")), QString(), files.path() + QStringLiteral("/")}) {
        messages.clear();
        load(name);
        ASSERT_EQ(messages.messages(), QStringList{kNotFound}) << name.toStdString();
        // Nothing was read: the placeholder line is still the only one.
        EXPECT_EQ(screen->PrImportSet.rowCount(), 1);
        EXPECT_TRUE(screen->BLoad->isEnabled());
    }
    // The extension needs no dot before it, and an .xls name reaches the reader as well.
    QFile::copy(sheet, file(QStringLiteral("buyxls")));
    QFile::copy(sheet, file(QStringLiteral("buy.xls")));
    EXPECT_TRUE(TFrLoadSrrToPoRQ::fileNameAccepted(file(QStringLiteral("buyxls"))));
    messages.clear();
    load(file(QStringLiteral("buy.xls")));  // the content decides the format, not the name
    EXPECT_EQ(messages.messages(), QStringList{kLoaded});
    EXPECT_EQ(screen->PrImportSet.rowCount(), 1);
    EXPECT_EQ(text(0, "VenCode"), u"V");
}

TEST_F(LoadSrrTest, TakesTheRowsWhoseQuantityIsAboveZeroWithTheLayoutsColumns) {
    BuyingSheet sheet;
    sheet.line(7, 5.0, S("V001"), S("01219001"), 8851234100002.0, 12.5)
        .line(8, 0.0, S("skip zero"), S("X"), S("X"), 1.0)
        .line(9, -2.0, S("skip negative"), S("X"), S("X"), 1.0)
        .line(10, none, S("skip empty"), S("X"), S("X"), 1.0)
        .line(11, S(" 3 "), S("  V 002  "), 100000.0, S("ไทย 885"), S("7.25"))
        .line(12, S("abc"), S("skip text"), S("X"), S("X"), 1.0)
        .line(13, true, S("skip boolean"), S("X"), S("X"), 1.0)
        .line(14, 0.001, S("ABCDEFGHIJKLMNOPQRSTUVWXY"), 0.1, none, none)
        .line(15, 0.0, S("skip last"), S("X"), S("X"), 1.0);
    load(write(QStringLiteral("buy.xlsx"), sheet));

    EXPECT_EQ(messages.messages(), QStringList{kLoaded});
    ASSERT_EQ(screen->PrImportSet.rowCount(), 3);
    EXPECT_EQ(text(0, "VenCode"), u"V001");
    EXPECT_EQ(text(0, "Itemcode"), u"01219001");
    EXPECT_EQ(text(0, "BarCode"), u"8851234100002");  // a 13-digit number keeps its digits
    EXPECT_EQ(decimal(screen->PrImportSet.value(0, QStringLiteral("FinalOrder"))).toString(),
              u"12.50");
    // Text keeps its blanks; a numeric text in the quantity column counts as its number and
    // one in the order column is taken as the number it reads.
    EXPECT_EQ(text(1, "VenCode"), u"  V 002  ");
    EXPECT_EQ(text(1, "Itemcode"), u"100000");
    EXPECT_EQ(text(1, "BarCode"), u"ไทย 885");
    EXPECT_EQ(decimal(screen->PrImportSet.value(1, QStringLiteral("FinalOrder"))).toString(),
              u"7.25");
    // 25 characters keep their first 20; an empty order quantity stays empty.
    EXPECT_EQ(text(2, "VenCode"), u"ABCDEFGHIJKLMNOPQRST");
    EXPECT_EQ(text(2, "Itemcode"), u"0.1");
    EXPECT_EQ(text(2, "BarCode"), u"");
    EXPECT_TRUE(screen->PrImportSet.value(2, QStringLiteral("FinalOrder")).isNull());

    // Every data row moved the bar, taken or not; the button shows the last row taken.
    EXPECT_EQ(screen->ProgressBar1->minimum(), 0);
    EXPECT_EQ(screen->ProgressBar1->maximum(), 14);
    EXPECT_EQ(screen->ProgressBar1->value(), 9);
    EXPECT_EQ(screen->BCreatePr->text(), u"14 / 15");
    EXPECT_TRUE(screen->BLoad->isEnabled());
    EXPECT_TRUE(screen->BCreatePr->isEnabled());
    EXPECT_EQ(screen->DBGridPr->currentRow(), 0);

    // New empties the screen but the button keeps the last progress text.
    screen->AcNew->trigger();
    EXPECT_EQ(screen->PrImportSet.rowCount(), 1);
    EXPECT_TRUE(screen->EdFileName->text().isEmpty());
    EXPECT_FALSE(screen->BCreatePr->isEnabled());
    EXPECT_EQ(screen->BCreatePr->text(), u"14 / 15");
}

TEST_F(LoadSrrTest, RowsAndColumnsCountFromTheUsedRangesTopLeftCell) {
    // The sheet begins at C3: row 7 of the layout is sheet row 9, column D is sheet column F.
    BuyingSheet sheet(3, 3);
    sheet.line(7, 4.0, S("V-C3"), S("I1"), S("B1"), 3.0)
        .line(8, 0.0, S("no"), S("I2"), S("B2"), 1.0);
    // A quantity in the sheet's own column D would be the layout's column B: not looked at.
    std::vector<Cell> cells = sheet.cells();
    cells.push_back({10, 4, 9.0});
    writeXlsx(file(QStringLiteral("moved.xlsx")), cells);
    load(file(QStringLiteral("moved.xlsx")));
    ASSERT_EQ(screen->PrImportSet.rowCount(), 1);
    EXPECT_EQ(text(0, "VenCode"), u"V-C3");
    EXPECT_EQ(screen->BCreatePr->text(), u"7 / 8");
}

TEST_F(LoadSrrTest, HeadingsOnlyOrFewerRowsLoadNothingAndStillSayLoaded) {
    for (int rows : {6, 3, 1}) {
        std::vector<Cell> cells;
        for (int r = 1; r <= rows; ++r) cells.push_back({r, 1, S("หัวเรื่อง")});
        cells.push_back({1, TFrLoadSrrToPoRQ::kFinalOrderColumn, S("FinalOrder")});
        const QString path = file(QStringLiteral("head%1.xlsx").arg(rows));
        writeXlsx(path, cells);
        messages.clear();
        screen->AcNew->trigger();
        load(path);
        EXPECT_EQ(messages.messages(), QStringList{kLoaded}) << rows;
        EXPECT_EQ(screen->PrImportSet.rowCount(), 0) << rows;  // the placeholder is gone too
        EXPECT_EQ(screen->ProgressBar1->maximum(), rows - 1);
        EXPECT_EQ(screen->ProgressBar1->value(), 0);
    }
}

// An Excel 97-2003 workbook ends at column IV: its headings load, a taken row cannot.
TEST_F(LoadSrrTest, AnXlsWorkbookLoadsItsHeadingsButHasNoOrderColumn) {
    auto column = [](const char* title, ui::ColumnKind kind = ui::ColumnKind::Text) {
        ui::ExportColumn c;
        c.title = QString::fromLatin1(title);
        c.kind = kind;
        return c;
    };
    ui::ExportTable table;
    table.columns = {column("Qty", ui::ColumnKind::Float)};
    const QStringList titles = {QStringLiteral("ใบขอซื้อ"), QString(), QString(), QString(),
                                QStringLiteral("สาขา 0001")};
    ASSERT_TRUE(ui::exportSpreadsheet(file(QStringLiteral("head.xls")), table, titles));
    load(file(QStringLiteral("head.xls")));
    EXPECT_EQ(messages.messages(), QStringList{kLoaded});
    EXPECT_EQ(screen->PrImportSet.rowCount(), 0);

    // A quantity in column D of row 7: the range of four columns ends long before BEL.
    table.columns = {column("A"), column("B"), column("C"), column("Qty", ui::ColumnKind::Float)};
    table.rows = {{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"), 5.0}};
    ASSERT_TRUE(ui::exportSpreadsheet(file(QStringLiteral("data.xls")), table, titles));
    screen->AcNew->trigger();
    screen->EdFileName->setText(file(QStringLiteral("data.xls")));
    try {
        screen->BLoadClick();
        ADD_FAILURE() << "no error";
    } catch (const std::exception& error) {
        EXPECT_TRUE(QString::fromUtf8(error.what()).contains(QStringLiteral("BEL")))
            << error.what();
    }
}

// The window handles its events while the rows are read: New and closing wait for the end.
TEST_F(LoadSrrTest, WhileRowsAreReadNewAndClosingWait) {
    const QString path =
        write(QStringLiteral("busy.xlsx"), BuyingSheet()
                                               .line(7, 1.0, S("A"), S("I"), S("B"), 1.0)
                                               .line(8, 1.0, S("B"), S("I"), S("B"), 2.0));
    messages.setDefaultAnswer(true);  // the exit question would be answered Yes
    bool seen = false;
    QTimer::singleShot(0, screen.get(), [&] {
        seen = true;
        EXPECT_TRUE(screen->loading());
        EXPECT_FALSE(screen->AcNew->isEnabled());
        screen->AcNew->trigger();
        EXPECT_FALSE(screen->close());
    });
    load(path);
    EXPECT_TRUE(seen);
    EXPECT_TRUE(screen->isVisible());
    EXPECT_EQ(screen->PrImportSet.rowCount(), 2);
    EXPECT_EQ(screen->EdFileName->text(), path);
    EXPECT_TRUE(screen->AcNew->isEnabled());
}

TEST_F(LoadSrrTest, ASecondLoadReplacesTheFirstOnesLines) {
    const QString first =
        write(QStringLiteral("a.xlsx"), BuyingSheet()
                                            .line(7, 1.0, S("A1"), S("I"), S("B"), 1.0)
                                            .line(8, 1.0, S("A2"), S("I"), S("B"), 2.0));
    const QString second =
        write(QStringLiteral("b.xlsx"), BuyingSheet().line(7, 1.0, S("B1"), S("I"), S("B"), 5.0));
    load(first);
    ASSERT_EQ(screen->PrImportSet.rowCount(), 2);
    load(second);
    ASSERT_EQ(screen->PrImportSet.rowCount(), 1);
    EXPECT_EQ(text(0, "VenCode"), u"B1");
}

// A bad cell names its place, its column and its text, and the rows before it stay.
TEST_F(LoadSrrTest, AnOrderQuantityThatIsNoNumberOrTooLargeStopsTheLoadNamingTheCell) {
    struct Case {
        Value finalOrder;
        const char* shown;
        const char* reason;
    };
    for (const Case& c :
         {Case{S("12 ลัง"), "\"12 ลัง\"", "ไม่ใช่ตัวเลข"}, Case{true, "\"True\"", "ไม่ใช่ตัวเลข"},
          Case{1e19, "\"1E19\"", "เกินกว่าที่คอลัมน์เก็บได้"}}) {
        screen->AcNew->trigger();
        const QString path = write(QStringLiteral("bad.xlsx"),
                                   BuyingSheet()
                                       .line(7, 1.0, S("OK"), S("I"), S("B"), 1.0)
                                       .line(8, 0.0, S("skipped"), S("I"), S("B"), S("x"))
                                       .line(9, 2.0, S("BAD"), S("I"), S("B"), c.finalOrder)
                                       .line(10, 2.0, S("after"), S("I"), S("B"), 1.0));
        messages.clear();
        screen->EdFileName->setText(path);
        try {
            screen->BLoadClick();
            ADD_FAILURE() << "no error for " << c.shown;
        } catch (const std::exception& error) {
            const QString what = QString::fromUtf8(error.what());
            EXPECT_TRUE(what.contains(QStringLiteral("แถว 9 คอลัมน์ BEL (FinalOrder)")))
                << what.toStdString();
            EXPECT_TRUE(what.contains(QString::fromUtf8(c.shown))) << what.toStdString();
            EXPECT_TRUE(what.contains(QString::fromUtf8(c.reason))) << what.toStdString();
        }
        EXPECT_TRUE(messages.messages().isEmpty());
        // The first row stays with the bad one's codes; Load stays off until New.
        ASSERT_GE(screen->PrImportSet.rowCount(), 1);
        EXPECT_EQ(text(0, "VenCode"), u"OK");
        EXPECT_FALSE(screen->BLoad->isEnabled());
        EXPECT_EQ(screen->BCreatePr->text(), u"9 / 10");
        EXPECT_FALSE(screen->loading());
        EXPECT_TRUE(screen->AcNew->isEnabled());
        screen->AcNew->trigger();
        EXPECT_TRUE(screen->BLoad->isEnabled());
    }
}

TEST_F(LoadSrrTest, ATakenRowOfASheetEndingBeforeTheOrderColumnStopsTheLoad) {
    std::vector<Cell> cells = {{1, 1, S("ใบขอซื้อ")},
                               {7, 4, 0.0},  // skipped rows need no order column
                               {8, 4, 3.0},
                               {8, 10, S("V")},
                               {8, 42, S("last column: AP")}};
    writeXlsx(file(QStringLiteral("narrow.xlsx")), cells);
    screen->EdFileName->setText(file(QStringLiteral("narrow.xlsx")));
    try {
        screen->BLoadClick();
        ADD_FAILURE() << "no error";
    } catch (const std::exception& error) {
        const QString what = QString::fromUtf8(error.what());
        EXPECT_TRUE(what.contains(QStringLiteral("แถว 8"))) << what.toStdString();
        EXPECT_TRUE(what.contains(QStringLiteral("AP"))) << what.toStdString();
        EXPECT_TRUE(what.contains(QStringLiteral("BEL"))) << what.toStdString();
    }
    EXPECT_EQ(screen->PrImportSet.rowCount(), 0);
    EXPECT_FALSE(screen->BLoad->isEnabled());

    // Fewer than four columns: not even the quantity can be read.
    screen->AcNew->trigger();
    writeXlsx(file(QStringLiteral("two.xlsx")), {{1, 1, S("a")}, {7, 2, 1.0}});
    screen->EdFileName->setText(file(QStringLiteral("two.xlsx")));
    EXPECT_THROW(screen->BLoadClick(), std::runtime_error);
}

TEST_F(LoadSrrTest, AFileThatIsNoWorkbookReachesTheErrorReportWithItsName) {
    QStringList reports;
    modules.dm.setReportPresenter([&](const QString& report) { reports << report; });
    const QString path = file(QStringLiteral("ราคา.xlsx"));
    QFile out(path);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write("Barcode,Qty\r\n8851234100002,5\r\n");
    out.close();
    screen->EdFileName->setText(path);
    try {
        screen->BLoadClick();
        ADD_FAILURE() << "no error";
    } catch (const intake::SheetError& error) {
        // What escapes the click is what the application's handler reports and logs.
        modules.dm.ApplicationEvents1Exception(error);
    }
    ASSERT_EQ(reports.size(), 1);
    EXPECT_TRUE(reports[0].contains(QStringLiteral("ราคา.XLSX"))) << reports[0].toStdString();
    EXPECT_EQ(server.count(QStringLiteral("QARN_CONFIG_NWX"),
                           QStringLiteral("SELECT COUNT(*) FROM ErrorLog")),
              1);
    EXPECT_FALSE(screen->BLoad->isEnabled());
    EXPECT_EQ(screen->PrImportSet.rowCount(), 1);  // read nothing, removed nothing
}

TEST_F(LoadSrrTest, TheBrowseButtonAndF2FillTheBoxFromTheChooserAndCancelKeepsIt) {
    chosen = file(QStringLiteral("chosen.xlsx"));
    screen->EdFileName->setFocus();
    QTest::keyClick(screen->EdFileName, Qt::Key_F2);
    EXPECT_EQ(screen->EdFileName->text(), QDir::toNativeSeparators(chosen));
    chosen.clear();
    QTest::mouseClick(screen->BtBrowse, Qt::LeftButton);
    EXPECT_EQ(chooserSaw, QDir::toNativeSeparators(file(QStringLiteral("chosen.xlsx"))));
    EXPECT_EQ(screen->EdFileName->text(),
              QDir::toNativeSeparators(file(QStringLiteral("chosen.xlsx"))));
}

TEST_F(LoadSrrTest, TheKeyboardReachesLoadFromTheFileBox) {
    const QString path = write(QStringLiteral("keys.xlsx"),
                               BuyingSheet().line(7, 2.0, S("KB"), S("I"), S("B"), 2.0));
    screen->activateWindow();
    screen->EdFileName->setFocus();
    QTest::keyClicks(screen->EdFileName, path);
    // Enter goes on to the browse button, Tab to Load, Space presses it.
    QTest::keyClick(screen->EdFileName, Qt::Key_Return);
    ASSERT_EQ(QApplication::focusWidget(), screen->BtBrowse);
    QTest::keyClick(screen->BtBrowse, Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), screen->BLoad);
    QTest::keyClick(screen->BLoad, Qt::Key_Space);
    EXPECT_EQ(messages.messages(), QStringList{kLoaded});
    EXPECT_EQ(text(0, "VenCode"), u"KB");
}

TEST(LoadSrrCells, NumbersBecomeTextWithUpTo15SignificantDigits) {
    auto number = [](double v) {
        intake::CellValue c;
        c.kind = intake::CellKind::Number;
        c.number = v;
        return TFrLoadSrrToPoRQ::cellText(c);
    };
    EXPECT_EQ(number(8851234100002.0), u"8851234100002");
    EXPECT_EQ(number(-3), u"-3");
    EXPECT_EQ(number(-0.0), u"0");
    EXPECT_EQ(number(0.1), u"0.1");
    EXPECT_EQ(number(1234567.891), u"1234567.891");
    EXPECT_EQ(number(1.0 / 3), u"0.333333333333333");
    EXPECT_EQ(number(123456789012345.0), u"123456789012345");
    EXPECT_EQ(number(1234567890123456.0), u"1.23456789012346E15");
    EXPECT_EQ(number(1.5e-7), u"1.5E-7");
    intake::CellValue yes;
    yes.kind = intake::CellKind::Boolean;
    yes.number = 1;
    EXPECT_EQ(TFrLoadSrrToPoRQ::cellText(yes), u"True");
    EXPECT_EQ(TFrLoadSrrToPoRQ::cellText(intake::CellValue{}), u"");
}

// The demo's workbook, as README's demo command shows it, loads whole: the headings and the
// rows without a quantity are left out, every line has its vendor, item, barcode and order.
TEST_F(LoadSrrTest, TheDemoWorkbookLoads) {
    load(QStringLiteral(BACKOFFICE_SQL_DIR "/../demo/requisition.xlsx"));
    ASSERT_EQ(messages.messages(), QStringList{kLoaded});
    const int rows = screen->PrImportSet.rowCount();
    EXPECT_GT(rows, 100);
    for (int row = 0; row < rows; ++row) {
        EXPECT_TRUE(text(row, "VenCode").startsWith(u"V-")) << row;
        EXPECT_FALSE(text(row, "Itemcode").isEmpty()) << row;
        EXPECT_GE(text(row, "BarCode").size(), 8) << row;
        EXPECT_GT(decimal(screen->PrImportSet.value(row, QStringLiteral("FinalOrder"))).toDouble(),
                  0)
            << row;
    }
    // Item codes keep their leading zeros; 13-digit barcodes stored as numbers keep theirs.
    EXPECT_EQ(text(0, "Itemcode"), u"01219001");
    EXPECT_EQ(text(3, "BarCode"), u"8851234100002");
}

}  // namespace
}  // namespace load_srr
