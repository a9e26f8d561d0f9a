#pragma once
// A report template as held in memory, and its XML file form (docs/report-templates.md).
// Positions and sizes are in millimetres; a band's objects are placed from the band's top-left
// corner.
#include <QByteArray>
#include <QColor>
#include <QPageLayout>
#include <QPageSize>
#include <QRectF>
#include <QString>
#include <utility>
#include <vector>

#include "ui/report/Expression.h"

namespace report {

enum class BandType {
    ReportTitle,
    PageHeader,
    ColumnHeader,
    MasterData,
    DetailData,
    GroupHeader,
    GroupFooter,
    ColumnFooter,
    PageFooter,
    ReportSummary,
};
QString bandTypeName(BandType type);

enum class ObjectKind { Text, Line, Rect, Picture, Barcode, CheckBox };

struct ReportObject {
    ObjectKind kind = ObjectKind::Text;
    QString name;
    QRectF rect;  // mm, in the band

    // Text: the text with [expression] parts. Picture, barcode, check box: one expression.
    QString text;
    QString fontFamily = QStringLiteral("Tahoma");
    double fontSize = 10;  // points
    bool bold = false, italic = false, underline = false;
    QColor color = Qt::black;
    Qt::Alignment align = Qt::AlignLeft | Qt::AlignTop;
    bool wordWrap = true;
    bool stretch = false;  // grows downwards to fit its text
    QString format;        // display pattern for the values of its expressions

    // Frame lines (text, rectangle, check box) and fill.
    bool frameLeft = false, frameTop = false, frameRight = false, frameBottom = false;
    double lineWidth = 0.2;  // mm, also of lines
    QColor lineColor = Qt::black;
    QColor fill;        // invalid: none
    double radius = 0;  // rounded corners, mm

    QString file;          // picture from a file (relative to the template's folder)
    QString barcodeType;   // "EAN13", "Code128", "QR"
    bool showText = true;  // barcode: the digits under the bars

    // Filled when the report is prepared.
    std::vector<TextPart> parts;
    NodePtr expr;
};

struct Band {
    BandType type = BandType::MasterData;
    QString name;
    double height = 0;             // mm
    QString dataSet;               // master and detail data
    QString master;                // detail data: the name of its master data band
    QString condition;             // group header: the expression whose change starts a new group
    QString group;                 // group footer: the name of its group header
    QString data;                  // group header: the name of its data band
    bool startNewPage = false;     // group header, master data: begin on a fresh page
    bool printOnFirstPage = true;  // page header and footer
    std::vector<ReportObject> objects;

    NodePtr conditionExpr;  // filled when prepared
};

struct DataSetDef {
    QString name;
    QString sql;
};

struct PageSetup {
    QSizeF size{210, 297};  // mm, portrait
    bool landscape = false;
    double left = 10, top = 10, right = 10, bottom = 10;  // mm

    QSizeF paperSize() const { return landscape ? size.transposed() : size; }
};

struct Template {
    QString name;    // for error messages: the file's name
    QString folder;  // where relative picture files are found
    PageSetup page;
    std::vector<std::pair<QString, QString>> variables;  // name, expression text
    std::vector<DataSetDef> dataSets;
    std::vector<Band> bands;

    const Band* findBand(const QString& name) const;
};

// Reads a template from its XML text; throws ReportError naming the template and the line.
Template readTemplate(const QByteArray& xml, const QString& name = {});
// Reads the file; "\" in the path counts as "/", so layouts registered on Windows are found.
Template readTemplateFile(const QString& path);
QByteArray writeTemplate(const Template& tpl);

// A path as stored on Windows (".\\forms\\order.frf") made usable here.
QString normalizeTemplatePath(const QString& path);
// Where a layout's stored template name (SystemForm.FrfName, "\\Form_GLAuto.frf") lies: the
// current directory, a separator, the name.
QString templatePathFor(const QString& storedName);

}  // namespace report
