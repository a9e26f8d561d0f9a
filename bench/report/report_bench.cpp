// report_bench: the report engine against plain QPdfWriter drawing, in the same run.
//
// 1. A delivery list of 30,000 lines in groups of 50 branches' lines, with group footers
//    summing the amounts and an EAN-13 barcode per line, about 1,000 A4 pages: the engine
//    (prepare + PDF) against a loop that draws the same texts, lines and bars straight onto a
//    QPdfWriter. Target: at most 2x.
// 2. Opening the preview window on a 10-page document until its first page is painted.
//    Target: under 0.5 s.
//
// Each figure is the median of three runs. Needs no display (offscreen platform).
#include <QApplication>
#include <QElapsedTimer>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "ui/report/Barcode.h"
#include "ui/report/Preview.h"
#include "ui/report/Render.h"
#include "ui/report/Report.h"

namespace {

const char* kTemplate = R"(<report>
  <page size="A4" left="10" top="10" right="10" bottom="10"/>
  <band type="PageHeader" height="8"><text width="190" height="7" size="11" bold="true">ใบส่งสินค้า Delivery list</text></band>
  <band type="ColumnHeader" height="6">
    <text width="25" height="6" bold="true" frame="bottom">Code</text>
    <text left="25" width="80" height="6" bold="true" frame="bottom">Product</text>
    <text left="105" width="20" height="6" bold="true" align="right" frame="bottom">Qty</text>
    <text left="125" width="25" height="6" bold="true" align="right" frame="bottom">Amount</text>
  </band>
  <band type="GroupHeader" name="G" data="D" condition="Branch" height="6"><text width="190" height="6" bold="true">สาขา [Branch]</text></band>
  <band type="MasterData" name="D" dataset="L" height="8.2">
    <text width="25" height="8.2" frame="bottom">[Code]</text>
    <text left="25" width="80" height="8.2" frame="bottom">[Name]</text>
    <text left="105" width="20" height="8.2" align="right" frame="bottom" format="#,##0">[Qty]</text>
    <text left="125" width="25" height="8.2" align="right" frame="bottom" format="#,##0.00">[Qty * Price]</text>
    <barcode left="152" top="0.5" width="36" height="7.2" type="EAN13" expr="[Barcode]"/>
  </band>
  <band type="GroupFooter" group="G" height="6"><text left="25" width="125" height="6" align="right" format="#,##0.00">Branch [Branch] total [SUM(Qty * Price)]</text></band>
  <band type="PageFooter" height="7"><text width="190" height="6" align="right">Page [PAGE#] of [TOTALPAGES]</text></band>
</report>)";

db::ResultSet deliveryLines(int count) {
    QList<db::Column> columns;
    for (const char* n : {"Branch", "Code", "Name", "Qty", "Price", "Barcode"})
        columns.push_back({QString::fromLatin1(n), db::FieldType::Unknown});
    std::vector<QVariantList> rows;
    rows.reserve(count);
    const QStringList names = {
        QStringLiteral("น้ำดื่มตราช้าง 600 มล."), QStringLiteral("Steel shelf 3 tiers"),
        QStringLiteral("ข้าวหอมมะลิ 5 กก."), QStringLiteral("Dish soap 500 ml")};
    for (int i = 0; i < count; ++i) {
        rows.push_back({QStringLiteral("%1").arg(i / 50 + 1, 4, 10, QChar(u'0')),
                        QStringLiteral("P%1").arg(i % 997, 5, 10, QChar(u'0')), names[i % 4],
                        double(1 + i % 40), 9.75 + (i % 13),
                        QStringLiteral("885%1").arg(i % 1000000, 9, 10, QChar(u'0'))});
    }
    return db::ResultSet(columns, std::move(rows));
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// The same page content drawn straight: every text with drawText, every frame as a line,
// every bar as a filled rectangle (the bars encoded beforehand, outside the time).
void drawDirect(const report::PreparedReport& doc, const QString& path,
                const std::vector<std::vector<QRectF>>& bars) {
    QPdfWriter writer(path);
    writer.setResolution(1200);
    writer.setPageLayout(
        QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
    QPainter p(&writer);
    const double scale = writer.resolution() / 25.4;
    size_t barIndex = 0;
    for (size_t i = 0; i < doc.pages.size(); ++i) {
        if (i > 0) writer.newPage();
        p.save();
        p.scale(scale, scale);
        for (const report::PageItem& item : doc.pages[i].items) {
            if (item.kind == report::ObjectKind::Barcode) {
                p.setPen(Qt::NoPen);
                p.setBrush(Qt::black);
                for (const QRectF& r : bars[barIndex]) p.drawRect(r);
                ++barIndex;
                continue;
            }
            const report::ReportObject& o = *item.style;
            if (o.frameBottom) {
                p.setPen(QPen(Qt::black, o.lineWidth));
                p.drawLine(item.rect.bottomLeft(), item.rect.bottomRight());
            }
            p.save();
            p.scale(0.01, 0.01);
            p.setFont(report::objectFont(o));
            p.setPen(Qt::black);
            const QRectF r(item.rect.left() * 100 + 50, item.rect.top() * 100 + 30,
                           item.rect.width() * 100 - 100, item.rect.height() * 100 - 60);
            p.drawText(r, int(o.align), item.text);
            p.restore();
        }
        p.restore();
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const db::ResultSet lines = deliveryLines(30000);

    report::Report r;
    r.load(report::readTemplate(kTemplate, QStringLiteral("bench.frf")));
    r.setDataSet(QStringLiteral("L"), lines);

    // The bars the baseline draws, in the order the document places them.
    const report::PreparedReport sample = r.prepare();
    std::vector<std::vector<QRectF>> bars;
    for (const auto& page : sample.pages)
        for (const auto& item : page.items)
            if (item.kind == report::ObjectKind::Barcode && item.barcode) {
                std::vector<QRectF> rects;
                const QSizeF s = item.barcode->size;
                for (const QRectF& b : item.barcode->bars)
                    rects.emplace_back(
                        item.rect.left() + b.left() * item.rect.width() / s.width(),
                        item.rect.top() + b.top() * item.rect.height() * 0.75 / s.height(),
                        b.width() * item.rect.width() / s.width(),
                        b.height() * item.rect.height() * 0.75 / s.height());
                bars.push_back(std::move(rects));
            }

    std::vector<double> engine, prepareOnly, direct;
    for (int run = 0; run < 3; ++run) {
        QElapsedTimer t;
        t.start();
        const report::PreparedReport doc = r.prepare();
        const double prepared = t.nsecsElapsed() / 1e9;
        report::writePdf(doc, dir.filePath(QStringLiteral("engine.pdf")));
        engine.push_back(t.nsecsElapsed() / 1e9);
        prepareOnly.push_back(prepared);
        t.restart();
        drawDirect(sample, dir.filePath(QStringLiteral("direct.pdf")), bars);
        direct.push_back(t.nsecsElapsed() / 1e9);
    }
    std::printf("delivery list: %d lines, %d pages\n", lines.rowCount(),
                static_cast<int>(sample.pages.size()));
    std::printf("  engine (prepare + PDF)  %.2f s  (prepare %.2f s)\n", median(engine),
                median(prepareOnly));
    std::printf("  QPdfWriter direct       %.2f s\n", median(direct));
    std::printf("ratio engine/direct %.2f  (target <= 2.00)\n", median(engine) / median(direct));

    // The preview of a 10-page document: constructed, shown, first page painted.
    report::Report small;
    small.load(report::readTemplate(kTemplate, QStringLiteral("bench.frf")));
    small.setDataSet(QStringLiteral("L"), deliveryLines(272));
    std::vector<double> startup;
    int pages = 0;
    for (int run = 0; run < 3; ++run) {
        QElapsedTimer t;
        t.start();
        report::PreparedReport doc = small.prepare();
        pages = static_cast<int>(doc.pages.size());
        report::PreviewWindow window(std::move(doc), report::previewButtonsFor(true));
        window.resize(900, 1000);
        window.show();
        QCoreApplication::processEvents();
        const QPixmap shot = window.grab();  // paints the visible page
        startup.push_back(t.nsecsElapsed() / 1e9);
        if (shot.isNull()) std::printf("(no picture)\n");
    }
    std::printf("preview startup (%d pages, prepare included)  %.3f s  (target < 0.5 s)\n", pages,
                median(startup));
    return 0;
}
