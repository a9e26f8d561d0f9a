#pragma once
// Painting prepared pages: on any QPainter whose units are millimetres, into a PDF file, or on
// a printer.
#include <QFont>
#include <QPainter>
#include <QString>
#include <vector>

#include "ui/report/Document.h"

class QPrinter;

namespace report {

// Texts are laid out in hundredths of a millimetre with fonts sized in those units, so that
// measuring (for stretching bands) and painting agree on every device.
inline constexpr double kTextUnitsPerMm = 100;

QFont objectFont(const ReportObject& object);
// The height in mm the text needs at the object's width (padding included).
double textHeight(const ReportObject& object, const QString& text, double widthMm);
// The lines the text is broken into at that width.
QStringList textLines(const ReportObject& object, const QString& text, double widthMm);

// Paints one page; the painter's units must be millimetres from the paper's corner. Rectangles
// in `highlights` (found texts) are filled in yellow under the text.
void paintPage(QPainter& painter, const Page& page, const std::vector<QRectF>& highlights = {});

// Writes every page into a PDF file with its fonts embedded; throws ReportError.
void writePdf(const PreparedReport& report, const QString& path, const QString& title = {});

// Prints every page, one copy, collated, on the printer as it is set up; throws ReportError.
void printReport(const PreparedReport& report, QPrinter& printer);

}  // namespace report
