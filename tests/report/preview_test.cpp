// The preview window driven from the keyboard: pages, zoom, find, and the buttons a layout
// that may not print leaves out.
#include <gtest/gtest.h>

#include <QAction>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include "tests/report/report_support.h"
#include "ui/report/Preview.h"

using namespace reporttest;
using report::PreviewButton;
using report::PreviewWindow;

namespace {

report::PreparedReport threePages() {
    report::Report r;
    r.load(parse(R"(<report><page size="A5"/>
      <band type="MasterData" name="D" dataset="T" height="60"><text width="100" height="10">[Name]</text></band>
    </report>)"));
    std::vector<QVariantList> values;
    for (int i = 0; i < 9; ++i) values.push_back({QString("row %1").arg(i + 1)});
    values[7] = {"สินค้าพิเศษ"};
    r.setDataSet("T", rows({"Name"}, values));
    return r.prepare();
}

TEST(ReportPreview, KeysMoveBetweenPagesAndZoom) {
    PreviewWindow w(threePages(), report::previewButtonsFor(true));
    w.resize(700, 500);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    QCoreApplication::processEvents();
    ASSERT_EQ(w.pageCount(), 3);
    EXPECT_EQ(w.currentPage(), 0);
    QTest::keyClick(&w, Qt::Key_PageDown);
    EXPECT_EQ(w.currentPage(), 1);
    QTest::keyClick(&w, Qt::Key_End);
    EXPECT_EQ(w.currentPage(), 2);
    QTest::keyClick(&w, Qt::Key_PageDown);
    EXPECT_EQ(w.currentPage(), 2);
    QTest::keyClick(&w, Qt::Key_Home);
    EXPECT_EQ(w.currentPage(), 0);
    w.setZoom(PreviewWindow::ZoomMode::Percent, 100);
    EXPECT_NEAR(w.zoomPercent(), 100, 1);
    QTest::keyClick(&w, Qt::Key_Plus);
    EXPECT_NEAR(w.zoomPercent(), 125, 1);
    w.setZoom(PreviewWindow::ZoomMode::WholePage);
    EXPECT_LT(w.zoomPercent(), 100);  // an A5 page fits into 500 pixels only when shrunk
}

TEST(ReportPreview, FindHighlightsAndShowsThePage) {
    PreviewWindow w(threePages(), report::previewButtonsFor(true));
    w.resize(700, 500);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    QCoreApplication::processEvents();
    EXPECT_TRUE(w.find("พิเศษ"));
    EXPECT_EQ(w.hitCount(), 1);
    EXPECT_EQ(w.currentPage(), 2);
    EXPECT_TRUE(w.find("ROW"));  // letter case does not matter
    EXPECT_EQ(w.hitCount(), 8);
    EXPECT_FALSE(w.find("absent"));
}

TEST(ReportPreview, ALayoutThatMayNotPrintOffersNoPrinting) {
    PreviewWindow shown(threePages(), report::previewButtonsFor(false));
    EXPECT_FALSE(shown.action(PreviewButton::Print)->isVisible());
    EXPECT_FALSE(shown.action(PreviewButton::PageSetup)->isVisible());
    EXPECT_FALSE(shown.action(PreviewButton::Save)->isVisible());
    EXPECT_TRUE(shown.action(PreviewButton::Zoom)->isVisible());
    EXPECT_TRUE(shown.action(PreviewButton::Find)->isVisible());
    EXPECT_TRUE(shown.action(PreviewButton::Exit)->isVisible());
    EXPECT_TRUE(shown.action(PreviewButton::Help)->isVisible());
    // A layout's flag: exactly "Y" prints, as every yes/no column.
    EXPECT_TRUE(report::previewButtonsForLayout("Y").testFlag(PreviewButton::Print));
    EXPECT_FALSE(report::previewButtonsForLayout("y").testFlag(PreviewButton::Print));
    EXPECT_FALSE(report::previewButtonsForLayout("").testFlag(PreviewButton::PageSetup));
    PreviewWindow printing(threePages(), report::previewButtonsFor(true));
    EXPECT_TRUE(printing.action(PreviewButton::Print)->isVisible());
    EXPECT_TRUE(printing.action(PreviewButton::PageSetup)->isVisible());
}

TEST(ReportPreview, PrintsEveryPageOnePerSheet) {
    QTemporaryDir dir;
    PreviewWindow w(threePages(), report::previewButtonsFor(true));
    // A printer writing to a file stands for the system's printer.
    QPrinter& printer = w.printer();
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath("printed.pdf"));
    printer.setCopyCount(3);
    w.printTo(printer);
    EXPECT_EQ(printer.copyCount(), 1);
    EXPECT_TRUE(printer.collateCopies());
    QFile f(dir.filePath("printed.pdf"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll().count("/Type /Page\n") + 0, 3) << "one sheet per page";
}

}  // namespace
