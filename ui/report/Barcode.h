#pragma once
// Barcodes through libzint: EAN-13, Code 128 and QR Code, as shapes painted at any size.
#include <QPainter>
#include <QRectF>
#include <memory>

#include "ui/report/Document.h"

namespace report {

// Encodes `data`; throws ReportError with zint's reason for data the symbology refuses.
std::shared_ptr<const BarcodeShape> encodeBarcode(const QString& type, const QString& data);

// Fills `target` (painter units) with the symbol, the text under it when asked.
void paintBarcode(QPainter& painter, const BarcodeShape& shape, const QRectF& target,
                  bool showText);

}  // namespace report
