#include "ui/report/Render.h"

#include <QFileInfo>
#include <QPageLayout>
#include <QPainterPath>
#include <QPdfWriter>
#include <QPrinter>
#include <QTextLayout>
#include <cmath>

#include "ui/report/Barcode.h"

namespace report {

namespace {

// Room between a text and its frame.
constexpr double kPadX = 0.5;  // mm
constexpr double kPadY = 0.3;  // mm

QString layoutText(const QString& text) {
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(u'\n', QChar::LineSeparator);
    return t;
}

// Lays the text out in text units; returns the height of its lines.
double layoutLines(QTextLayout& layout, const ReportObject& o, double widthUnits) {
    QTextOption option(o.align & Qt::AlignHorizontal_Mask);
    // Word boundaries come from the Unicode rules, and from libthai for Thai, which writes no
    // blanks between words.
    option.setWrapMode(o.wordWrap ? QTextOption::WrapAtWordBoundaryOrAnywhere
                                  : QTextOption::NoWrap);
    layout.setTextOption(option);
    layout.setCacheEnabled(true);
    layout.beginLayout();
    double y = 0;
    for (;;) {
        QTextLine line = layout.createLine();
        if (!line.isValid()) break;
        line.setLineWidth(std::max(1.0, widthUnits));
        line.setPosition(QPointF(0, y));
        y += line.height();
    }
    layout.endLayout();
    return y;
}

void paintText(QPainter& p, const PageItem& item, const ReportObject& o) {
    if (item.text.isEmpty()) return;
    const QRectF inner = item.rect.adjusted(kPadX, kPadY, -kPadX, -kPadY);
    const QFont font = objectFont(o);
    QTextLayout layout(layoutText(item.text), font);
    const double u = kTextUnitsPerMm;
    const double height = layoutLines(layout, o, inner.width() * u);
    double top = inner.top() * u;
    if (o.align & Qt::AlignVCenter)
        top += (inner.height() * u - height) / 2;
    else if (o.align & Qt::AlignBottom)
        top += inner.height() * u - height;
    const bool overflows =
        height > inner.height() * u + 1 || layout.maximumWidth() > inner.width() * u + 1;
    p.save();
    p.scale(1 / u, 1 / u);
    if (overflows)
        p.setClipRect(QRectF(item.rect.left() * u, item.rect.top() * u, item.rect.width() * u,
                             item.rect.height() * u),
                      Qt::IntersectClip);
    p.setPen(o.color);
    layout.draw(&p, QPointF(inner.left() * u, top));
    p.restore();
}

void paintFrame(QPainter& p, const QRectF& r, const ReportObject& o) {
    const bool all = o.frameLeft && o.frameTop && o.frameRight && o.frameBottom;
    if (o.fill.isValid() || (all && o.radius > 0)) {
        p.setPen(all && o.lineWidth > 0 ? QPen(o.lineColor, o.lineWidth) : QPen(Qt::NoPen));
        p.setBrush(o.fill.isValid() ? QBrush(o.fill) : QBrush(Qt::NoBrush));
        if (o.radius > 0)
            p.drawRoundedRect(r, o.radius, o.radius);
        else
            p.drawRect(r);
        if (all) return;
    }
    if (o.lineWidth <= 0) return;
    p.setPen(QPen(o.lineColor, o.lineWidth, Qt::SolidLine, Qt::SquareCap));
    p.setBrush(Qt::NoBrush);
    if (all) {
        p.drawRect(r);
        return;
    }
    if (o.frameLeft) p.drawLine(r.topLeft(), r.bottomLeft());
    if (o.frameTop) p.drawLine(r.topLeft(), r.topRight());
    if (o.frameRight) p.drawLine(r.topRight(), r.bottomRight());
    if (o.frameBottom) p.drawLine(r.bottomLeft(), r.bottomRight());
}

void paintCheckBox(QPainter& p, const PageItem& item, const ReportObject& o) {
    const double side = std::min(item.rect.width(), item.rect.height());
    const QRectF box(item.rect.center().x() - side / 2, item.rect.center().y() - side / 2, side,
                     side);
    p.setPen(QPen(o.lineColor, std::max(0.1, o.lineWidth)));
    p.setBrush(o.fill.isValid() ? QBrush(o.fill) : QBrush(Qt::NoBrush));
    if (o.radius > 0)
        p.drawRoundedRect(box, o.radius, o.radius);
    else
        p.drawRect(box);
    if (!item.checked) return;
    QPainterPath tick;
    tick.moveTo(box.left() + side * 0.2, box.top() + side * 0.55);
    tick.lineTo(box.left() + side * 0.42, box.top() + side * 0.78);
    tick.lineTo(box.left() + side * 0.82, box.top() + side * 0.22);
    p.setPen(QPen(o.color, side * 0.12, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(tick);
}

}  // namespace

QFont objectFont(const ReportObject& o) {
    QFont f(o.fontFamily);
    // Points to hundredths of a millimetre: 1 pt = 25.4 / 72 mm.
    f.setPixelSize(std::max(1, int(std::lround(o.fontSize * 25.4 / 72 * kTextUnitsPerMm))));
    f.setBold(o.bold);
    f.setItalic(o.italic);
    f.setUnderline(o.underline);
    // Metrics as designed, not snapped to a screen's pixels: measuring and painting agree.
    f.setHintingPreference(QFont::PreferNoHinting);
    return f;
}

double textHeight(const ReportObject& o, const QString& text, double widthMm) {
    if (text.isEmpty()) return 0;
    QTextLayout layout(layoutText(text), objectFont(o));
    const double h = layoutLines(layout, o, (widthMm - 2 * kPadX) * kTextUnitsPerMm);
    return h / kTextUnitsPerMm + 2 * kPadY;
}

QStringList textLines(const ReportObject& o, const QString& text, double widthMm) {
    const QString t = layoutText(text);
    QTextLayout layout(t, objectFont(o));
    layoutLines(layout, o, (widthMm - 2 * kPadX) * kTextUnitsPerMm);
    QStringList lines;
    for (int i = 0; i < layout.lineCount(); ++i) {
        const QTextLine line = layout.lineAt(i);
        lines << t.mid(line.textStart(), line.textLength());
    }
    return lines;
}

void paintPage(QPainter& p, const Page& page, const std::vector<QRectF>& highlights) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    p.setRenderHint(QPainter::SmoothPixmapTransform, true);
    for (const QRectF& h : highlights) p.fillRect(h, QColor(255, 235, 59));
    for (const PageItem& item : page.items) {
        const ReportObject& o = *item.style;
        switch (item.kind) {
            case ObjectKind::Text:
                paintFrame(p, item.rect, o);
                paintText(p, item, o);
                break;
            case ObjectKind::Rect:
                paintFrame(p, item.rect, o);
                break;
            case ObjectKind::Line:
                if (o.lineWidth > 0) {
                    p.setPen(QPen(o.lineColor, o.lineWidth, Qt::SolidLine, Qt::FlatCap));
                    p.drawLine(item.rect.topLeft(), item.rect.bottomRight());
                }
                break;
            case ObjectKind::Picture:
                if (!item.image.isNull()) {
                    // Kept in proportion, centred in the box.
                    QSizeF s =
                        QSizeF(item.image.size()).scaled(item.rect.size(), Qt::KeepAspectRatio);
                    const QRectF r(item.rect.center().x() - s.width() / 2,
                                   item.rect.center().y() - s.height() / 2, s.width(), s.height());
                    p.drawImage(r, item.image);
                }
                paintFrame(p, item.rect, o);
                break;
            case ObjectKind::Barcode:
                if (item.barcode) {
                    paintBarcode(p, *item.barcode, item.rect, o.showText);
                } else {
                    // A value the symbology refuses prints the reason in its place.
                    PageItem shown = item;
                    paintText(p, shown, o);
                }
                break;
            case ObjectKind::CheckBox:
                paintCheckBox(p, item, o);
                break;
        }
    }
    p.restore();
}

void writePdf(const PreparedReport& report, const QString& path, const QString& title) {
    QPdfWriter writer(path);
    writer.setCreator(QStringLiteral("backoffice report engine"));
    writer.setTitle(title.isEmpty() && report.tpl ? report.tpl->name : title);
    writer.setResolution(1200);
    const QSizeF first = report.pages.empty() ? QSizeF(210, 297) : report.pages.front().size;
    writer.setPageLayout(QPageLayout(QPageSize(first, QPageSize::Millimeter), QPageLayout::Portrait,
                                     QMarginsF(0, 0, 0, 0)));
    QPainter p;
    if (!p.begin(&writer))
        throw ReportError(QStringLiteral("the PDF file \"%1\" cannot be written").arg(path));
    const double scale = writer.resolution() / 25.4;
    for (size_t i = 0; i < report.pages.size(); ++i) {
        const Page& page = report.pages[i];
        if (i > 0) {
            if (page.size != report.pages[i - 1].size)
                writer.setPageSize(QPageSize(page.size, QPageSize::Millimeter));
            writer.newPage();
        }
        p.save();
        p.scale(scale, scale);
        paintPage(p, page);
        p.restore();
    }
    if (!p.end())
        throw ReportError(QStringLiteral("the PDF file \"%1\" cannot be written").arg(path));
    if (!QFileInfo(path).exists() || QFileInfo(path).size() == 0)
        throw ReportError(QStringLiteral("the PDF file \"%1\" was not written").arg(path));
}

void printReport(const PreparedReport& report, QPrinter& printer) {
    printer.setCopyCount(1);
    printer.setCollateCopies(true);
    printer.setPrintRange(QPrinter::AllPages);
    printer.setFullPage(true);
    QPainter p;
    if (!p.begin(&printer))
        throw ReportError(
            QStringLiteral("the printer \"%1\" cannot be used").arg(printer.printerName()));
    for (size_t i = 0; i < report.pages.size(); ++i) {
        const Page& page = report.pages[i];
        if (i > 0 && !printer.newPage())
            throw ReportError(QStringLiteral("the printer stopped at page %1").arg(i + 1));
        // The page as designed, shrunk when the paper set up is smaller.
        const QRectF paper = printer.paperRect(QPrinter::Millimeter);
        const double fit =
            std::min({1.0, paper.width() / page.size.width(), paper.height() / page.size.height()});
        const double scale = printer.resolution() / 25.4 * fit;
        p.save();
        p.scale(scale, scale);
        paintPage(p, page);
        p.restore();
    }
    p.end();
}

std::vector<PreparedReport::Hit> PreparedReport::find(const QString& text) const {
    std::vector<Hit> hits;
    if (text.isEmpty()) return hits;
    for (size_t i = 0; i < pages.size(); ++i)
        for (const PageItem& item : pages[i].items)
            if ((item.kind == ObjectKind::Text || item.kind == ObjectKind::Barcode) &&
                item.text.contains(text, Qt::CaseInsensitive))
                hits.push_back({static_cast<int>(i), item.rect});
    return hits;
}

}  // namespace report
