#include "ui/report/Barcode.h"

#include <zint.h>

#include <QFontMetricsF>

#include "ui/report/Expression.h"

namespace report {

std::shared_ptr<const BarcodeShape> encodeBarcode(const QString& type, const QString& data) {
    const QString t = type.toUpper();
    int symbology = BARCODE_CODE128;
    if (t == u"EAN13")
        symbology = BARCODE_EANX;
    else if (t == u"QR")
        symbology = BARCODE_QRCODE;
    else if (t != u"CODE128")
        throw ReportError(QStringLiteral("barcode type \"%1\" is not known").arg(type));
    if (data.isEmpty()) throw ReportError(QStringLiteral("no data for the barcode"));
    // zint checks what EAN-13 accepts, but only its length: a 13th digit must also be the
    // right check digit, which it verifies itself.
    if (symbology == BARCODE_EANX) {
        for (const QChar c : data)
            if (!c.isDigit() || c.unicode() > 127)
                throw ReportError(QStringLiteral("EAN-13 takes digits only, not \"%1\"").arg(data));
        if (data.size() != 12 && data.size() != 13)
            throw ReportError(
                QStringLiteral("EAN-13 takes 12 or 13 digits, not %1").arg(data.size()));
    }
    zint_symbol* symbol = ZBarcode_Create();
    if (!symbol) throw ReportError(QStringLiteral("out of memory for a barcode"));
    symbol->symbology = symbology;
    symbol->show_hrt = 1;  // fills symbol->text; the vector's own strings are not drawn
    symbol->input_mode = UNICODE_MODE;
    symbol->scale = 1;
    const QByteArray utf8 = data.toUtf8();
    const int rc = ZBarcode_Encode_and_Buffer_Vector(
        symbol, reinterpret_cast<const unsigned char*>(utf8.constData()),
        static_cast<int>(utf8.size()), 0);
    if (rc >= ZINT_ERROR || !symbol->vector) {
        const QString why = QString::fromUtf8(symbol->errtxt);
        ZBarcode_Delete(symbol);
        throw ReportError(QStringLiteral("barcode \"%1\" cannot be made: %2").arg(data, why));
    }
    auto shape = std::make_shared<BarcodeShape>();
    shape->size = QSizeF(symbol->vector->width, symbol->vector->height);
    for (const zint_vector_rect* r = symbol->vector->rectangles; r; r = r->next)
        shape->bars.emplace_back(r->x, r->y, r->width, r->height);
    shape->twoDimensional = symbology == BARCODE_QRCODE;
    // EAN-13 shows its check digit too: zint's own reading of what it encoded.
    const QString readable = QString::fromUtf8(reinterpret_cast<const char*>(symbol->text));
    shape->text = readable.isEmpty() ? data : readable;
    ZBarcode_Delete(symbol);
    return shape;
}

void paintBarcode(QPainter& p, const BarcodeShape& shape, const QRectF& target, bool showText) {
    if (shape.size.isEmpty() || target.isEmpty()) return;
    QRectF area = target;
    QRectF textArea;
    if (showText && !shape.twoDimensional) {
        // The digits take the lower quarter, at most 4 mm.
        const double h = std::min(target.height() * 0.25, 4.0);
        textArea = QRectF(target.left(), target.bottom() - h, target.width(), h);
        area.setHeight(target.height() - h);
    }
    double sx = area.width() / shape.size.width();
    double sy = area.height() / shape.size.height();
    QPointF origin = area.topLeft();
    if (shape.twoDimensional) {
        // Square modules, centred.
        sx = sy = std::min(sx, sy);
        origin += QPointF((area.width() - shape.size.width() * sx) / 2,
                          (area.height() - shape.size.height() * sy) / 2);
    }
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    for (const QRectF& r : shape.bars)
        p.drawRect(QRectF(origin.x() + r.x() * sx, origin.y() + r.y() * sy, r.width() * sx,
                          r.height() * sy));
    if (!textArea.isEmpty()) {
        QFont f(QStringLiteral("DejaVu Sans"));
        f.setPixelSize(std::max(1, int(textArea.height() * 0.8 * 100)));
        p.scale(0.01, 0.01);
        p.setFont(f);
        p.setPen(Qt::black);
        const QRectF r(textArea.left() * 100, textArea.top() * 100, textArea.width() * 100,
                       textArea.height() * 100);
        p.drawText(r, Qt::AlignHCenter | Qt::AlignVCenter, shape.text);
    }
    p.restore();
}

}  // namespace report
