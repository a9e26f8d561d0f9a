#pragma once
// A prepared report: pages of placed objects with their final texts, ready to be painted on
// the screen, a printer or a PDF file.
#include <QImage>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <memory>
#include <vector>

#include "ui/report/Template.h"

namespace report {

// Bars and squares of a barcode, in the symbol's own units (0,0 to size).
struct BarcodeShape {
    std::vector<QRectF> bars;
    QSizeF size;
    QString text;  // the human-readable text
    bool twoDimensional = false;
};

struct PageItem {
    ObjectKind kind = ObjectKind::Text;
    QRectF rect;                          // mm from the paper's top-left corner
    const ReportObject* style = nullptr;  // the template's object (font, frame, colours)
    QString text;
    bool checked = false;
    QImage image;
    std::shared_ptr<const BarcodeShape> barcode;
};

struct Page {
    QSizeF size;  // mm
    std::vector<PageItem> items;
};

struct PreparedReport {
    std::shared_ptr<const Template> tpl;  // keeps the items' styles alive
    std::vector<Page> pages;

    // Places where a text occurs (ignoring letter case): page and the item's rectangle.
    struct Hit {
        int page = 0;
        QRectF rect;
    };
    std::vector<Hit> find(const QString& text) const;
};

}  // namespace report
