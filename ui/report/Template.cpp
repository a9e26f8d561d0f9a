#include "ui/report/Template.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>
#include <cmath>

namespace report {

namespace {

// Sizes beyond these are mistakes, and refusing them keeps a damaged file from asking for
// absurd pages.
constexpr double kMaxPaper = 5000;  // mm
constexpr double kMaxSize = 5000;   // mm, any object or band dimension
constexpr double kMaxFont = 400;    // points

const std::pair<BandType, const char*> kBandNames[] = {
    {BandType::ReportTitle, "ReportTitle"},   {BandType::PageHeader, "PageHeader"},
    {BandType::ColumnHeader, "ColumnHeader"}, {BandType::MasterData, "MasterData"},
    {BandType::DetailData, "DetailData"},     {BandType::GroupHeader, "GroupHeader"},
    {BandType::GroupFooter, "GroupFooter"},   {BandType::ColumnFooter, "ColumnFooter"},
    {BandType::PageFooter, "PageFooter"},     {BandType::ReportSummary, "ReportSummary"},
};

const std::pair<ObjectKind, const char*> kObjectNames[] = {
    {ObjectKind::Text, "text"},       {ObjectKind::Line, "line"},
    {ObjectKind::Rect, "rect"},       {ObjectKind::Picture, "picture"},
    {ObjectKind::Barcode, "barcode"}, {ObjectKind::CheckBox, "checkbox"},
};

class Reader {
public:
    Reader(const QByteArray& xml, const QString& name) : x_(xml), name_(name) {}

    Template read() {
        Template t;
        t.name = name_;
        if (!x_.readNextStartElement() || x_.name() != u"report")
            fail(QStringLiteral("the file is not a report template (no <report> element)"));
        while (x_.readNextStartElement()) {
            const auto n = x_.name();
            if (n == u"page") {
                readPage(t.page);
                x_.skipCurrentElement();
            } else if (n == u"variable") {
                const QString name = required(u"name");
                t.variables.emplace_back(name, x_.readElementText());
            } else if (n == u"dataset") {
                DataSetDef d;
                d.name = required(u"name");
                for (const DataSetDef& other : t.dataSets)
                    if (other.name.compare(d.name, Qt::CaseInsensitive) == 0)
                        fail(QStringLiteral("data set \"%1\" is defined twice").arg(d.name));
                d.sql = x_.readElementText();
                t.dataSets.push_back(d);
            } else if (n == u"band") {
                t.bands.push_back(readBand());
            } else {
                fail(QStringLiteral("unknown element <%1>").arg(n.toString()));
            }
        }
        if (x_.hasError()) fail(x_.errorString());
        check(t);
        return t;
    }

private:
    [[noreturn]] void fail(const QString& what) const {
        throw ReportError(QStringLiteral("Template \"%1\", line %2: %3")
                              .arg(name_)
                              .arg(x_.lineNumber())
                              .arg(what));
    }

    QString attr(QStringView name, const QString& fallback = {}) const {
        const auto a = x_.attributes();
        return a.hasAttribute(name.toString()) ? a.value(name.toString()).toString() : fallback;
    }
    QString required(QStringView name) const {
        if (!x_.attributes().hasAttribute(name.toString()))
            fail(QStringLiteral("<%1> needs the attribute %2")
                     .arg(x_.name().toString(), name.toString()));
        return attr(name);
    }
    double number(QStringView name, double fallback, double lo, double hi) const {
        const QString text = attr(name);
        if (text.isEmpty()) return fallback;
        bool ok = false;
        const double v = text.toDouble(&ok);
        if (!ok || !std::isfinite(v) || v < lo || v > hi)
            fail(QStringLiteral("%1=\"%2\" is not a number from %3 to %4")
                     .arg(name.toString(), text)
                     .arg(lo)
                     .arg(hi));
        return v;
    }
    bool flag(QStringView name, bool fallback) const {
        const QString text = attr(name).trimmed().toLower();
        if (text.isEmpty()) return fallback;
        if (text == u"true" || text == u"yes" || text == u"1") return true;
        if (text == u"false" || text == u"no" || text == u"0") return false;
        fail(QStringLiteral("%1=\"%2\" is neither true nor false").arg(name.toString(), text));
    }
    // "r,g,b" in decimal, 0 to 255 each.
    QColor colour(QStringView name, const QColor& fallback) const {
        const QString text = attr(name).trimmed();
        if (text.isEmpty()) return fallback;
        const QStringList parts = text.split(u',');
        int rgb[3] = {0, 0, 0};
        bool good = parts.size() == 3;
        for (int i = 0; good && i < 3; ++i) {
            bool ok = false;
            rgb[i] = parts[i].trimmed().toInt(&ok);
            good = ok && rgb[i] >= 0 && rgb[i] <= 255;
        }
        if (!good)
            fail(QStringLiteral("%1=\"%2\" is not a colour r,g,b").arg(name.toString(), text));
        return QColor(rgb[0], rgb[1], rgb[2]);
    }

    void readPage(PageSetup& p) {
        const QString size = attr(u"size").trimmed();
        if (!size.isEmpty()) {
            static const std::pair<const char*, QSizeF> kSizes[] = {
                {"A3", {297, 420}}, {"A4", {210, 297}},         {"A5", {148, 210}},
                {"B5", {176, 250}}, {"Letter", {215.9, 279.4}}, {"Legal", {215.9, 355.6}},
            };
            bool found = false;
            for (const auto& [n, s] : kSizes) {
                if (size.compare(QLatin1String(n), Qt::CaseInsensitive) == 0) {
                    p.size = s;
                    found = true;
                }
            }
            if (!found) fail(QStringLiteral("unknown paper size \"%1\"").arg(size));
        }
        p.size.setWidth(number(u"width", p.size.width(), 20, kMaxPaper));
        p.size.setHeight(number(u"height", p.size.height(), 20, kMaxPaper));
        const QString o = attr(u"orientation", QStringLiteral("portrait")).toLower();
        if (o != u"portrait" && o != u"landscape")
            fail(QStringLiteral("orientation=\"%1\" is neither portrait nor landscape").arg(o));
        p.landscape = o == u"landscape";
        p.left = number(u"left", p.left, 0, kMaxPaper);
        p.top = number(u"top", p.top, 0, kMaxPaper);
        p.right = number(u"right", p.right, 0, kMaxPaper);
        p.bottom = number(u"bottom", p.bottom, 0, kMaxPaper);
        const QSizeF paper = p.paperSize();
        if (p.left + p.right > paper.width() - 10 || p.top + p.bottom > paper.height() - 10)
            fail(QStringLiteral("the margins leave less than 10 mm of the page"));
    }

    Band readBand() {
        Band b;
        const QString type = required(u"type");
        bool found = false;
        for (const auto& [t, n] : kBandNames) {
            if (type.compare(QLatin1String(n), Qt::CaseInsensitive) == 0) {
                b.type = t;
                found = true;
            }
        }
        if (!found) fail(QStringLiteral("unknown band type \"%1\"").arg(type));
        b.name = attr(u"name");
        b.height = number(u"height", 0, 0, kMaxSize);
        b.dataSet = attr(u"dataset");
        b.master = attr(u"master");
        b.condition = attr(u"condition");
        b.group = attr(u"group");
        b.data = attr(u"data");
        b.startNewPage = flag(u"newpage", false);
        b.printOnFirstPage = flag(u"firstpage", true);
        while (x_.readNextStartElement()) b.objects.push_back(readObject());
        return b;
    }

    ReportObject readObject() {
        ReportObject o;
        bool found = false;
        for (const auto& [k, n] : kObjectNames) {
            if (x_.name() == QLatin1String(n)) {
                o.kind = k;
                found = true;
            }
        }
        if (!found) fail(QStringLiteral("unknown object <%1>").arg(x_.name().toString()));
        o.name = attr(u"name");
        const double left = number(u"left", 0, -kMaxSize, kMaxSize);
        const double top = number(u"top", 0, -kMaxSize, kMaxSize);
        const double width = number(u"width", 0, 0, kMaxSize);
        const double height = number(u"height", 0, 0, kMaxSize);
        o.rect = QRectF(left, top, width, height);
        o.fontFamily = attr(u"font", o.fontFamily);
        o.fontSize = number(u"size", o.fontSize, 1, kMaxFont);
        o.bold = flag(u"bold", false);
        o.italic = flag(u"italic", false);
        o.underline = flag(u"underline", false);
        o.color = colour(u"color", o.color);
        const QString align = attr(u"align", QStringLiteral("left")).toLower();
        Qt::Alignment h = Qt::AlignLeft;
        if (align == u"center")
            h = Qt::AlignHCenter;
        else if (align == u"right")
            h = Qt::AlignRight;
        else if (align == u"justify")
            h = Qt::AlignJustify;
        else if (align != u"left")
            fail(QStringLiteral("align=\"%1\" is not known").arg(align));
        const QString valign = attr(u"valign", QStringLiteral("top")).toLower();
        Qt::Alignment v = Qt::AlignTop;
        if (valign == u"center")
            v = Qt::AlignVCenter;
        else if (valign == u"bottom")
            v = Qt::AlignBottom;
        else if (valign != u"top")
            fail(QStringLiteral("valign=\"%1\" is not known").arg(valign));
        o.align = h | v;
        o.wordWrap = flag(u"wrap", true);
        o.stretch = flag(u"stretch", false);
        o.format = attr(u"format");
        const QString frame = attr(u"frame").toLower();
        for (const QString& side : frame.split(u',', Qt::SkipEmptyParts)) {
            const QString s = side.trimmed();
            if (s == u"all")
                o.frameLeft = o.frameTop = o.frameRight = o.frameBottom = true;
            else if (s == u"left")
                o.frameLeft = true;
            else if (s == u"top")
                o.frameTop = true;
            else if (s == u"right")
                o.frameRight = true;
            else if (s == u"bottom")
                o.frameBottom = true;
            else
                fail(QStringLiteral("frame side \"%1\" is not known").arg(s));
        }
        o.lineWidth = number(u"linewidth", o.lineWidth, 0, 50);
        o.lineColor = colour(u"linecolor", o.lineColor);
        o.fill = colour(u"fill", QColor());
        o.radius = number(u"radius", 0, 0, kMaxSize);
        o.file = attr(u"file");
        o.barcodeType = attr(u"type");
        o.showText = flag(u"showtext", true);
        if (o.kind == ObjectKind::Barcode) {
            const QString t = o.barcodeType.toUpper();
            if (t != u"EAN13" && t != u"CODE128" && t != u"QR")
                fail(QStringLiteral("barcode type \"%1\" is not EAN13, Code128 or QR")
                         .arg(o.barcodeType));
        }
        if (o.kind == ObjectKind::Rect && o.rect.width() > 0 && o.rect.height() > 0 &&
            !x_.attributes().hasAttribute(QStringLiteral("frame")))
            o.frameLeft = o.frameTop = o.frameRight = o.frameBottom = true;
        const QString expr = attr(u"expr");
        o.text = x_.readElementText(QXmlStreamReader::ErrorOnUnexpectedElement);
        if (x_.hasError()) fail(x_.errorString());
        if (o.kind != ObjectKind::Text && !expr.isEmpty()) o.text = expr;
        return o;
    }

    void check(const Template& t) const {
        for (const Band& b : t.bands) {
            const QString where = b.name.isEmpty() ? bandTypeName(b.type) : b.name;
            if (b.type == BandType::DetailData) {
                const Band* m = t.findBand(b.master);
                if (!m || m->type != BandType::MasterData)
                    throw ReportError(QStringLiteral("Template \"%1\", band \"%2\": master=\"%3\" "
                                                     "names no master data band")
                                          .arg(name_, where, b.master));
            }
            if (b.type == BandType::GroupHeader) {
                const Band* d = t.findBand(b.data);
                if (!d || (d->type != BandType::MasterData && d->type != BandType::DetailData))
                    throw ReportError(QStringLiteral("Template \"%1\", band \"%2\": data=\"%3\" "
                                                     "names no data band")
                                          .arg(name_, where, b.data));
            }
            if (b.type == BandType::GroupFooter) {
                const Band* g = t.findBand(b.group);
                if (!g || g->type != BandType::GroupHeader)
                    throw ReportError(QStringLiteral("Template \"%1\", band \"%2\": group=\"%3\" "
                                                     "names no group header")
                                          .arg(name_, where, b.group));
            }
        }
    }

    QXmlStreamReader x_;
    QString name_;
};

QString num(double v) {
    return QString::number(v, 'g', 10);
}
QString rgb(const QColor& c) {
    return QStringLiteral("%1,%2,%3").arg(c.red()).arg(c.green()).arg(c.blue());
}

}  // namespace

QString bandTypeName(BandType type) {
    for (const auto& [t, n] : kBandNames)
        if (t == type) return QLatin1String(n);
    return {};
}

const Band* Template::findBand(const QString& name) const {
    if (name.isEmpty()) return nullptr;
    for (const Band& b : bands)
        if (b.name.compare(name, Qt::CaseInsensitive) == 0) return &b;
    return nullptr;
}

Template readTemplate(const QByteArray& xml, const QString& name) {
    return Reader(xml, name).read();
}

QString normalizeTemplatePath(const QString& path) {
    QString p = path;
    p.replace(u'\\', u'/');
    // "a//b" from a current directory ending in "\" joined with "\name".
    while (p.contains(QStringLiteral("//"))) p.replace(QStringLiteral("//"), QStringLiteral("/"));
    return p;
}

QString templatePathFor(const QString& storedName) {
    return normalizeTemplatePath(QDir::currentPath() + u'/' + storedName);
}

Template readTemplateFile(const QString& path) {
    const QString p = normalizeTemplatePath(path);
    QFile f(p);
    const QString name = QFileInfo(p).fileName();
    if (!f.open(QIODevice::ReadOnly))
        throw ReportError(
            QStringLiteral("Template \"%1\" cannot be opened: %2").arg(p, f.errorString()));
    Template t = readTemplate(f.readAll(), name);
    t.folder = QFileInfo(p).absolutePath();
    return t;
}

QByteArray writeTemplate(const Template& t) {
    QByteArray out;
    QXmlStreamWriter w(&out);
    w.setAutoFormatting(true);
    w.setAutoFormattingIndent(2);
    w.writeStartDocument();
    w.writeStartElement(QStringLiteral("report"));
    w.writeStartElement(QStringLiteral("page"));
    w.writeAttribute(QStringLiteral("width"), num(t.page.size.width()));
    w.writeAttribute(QStringLiteral("height"), num(t.page.size.height()));
    w.writeAttribute(QStringLiteral("orientation"),
                     t.page.landscape ? QStringLiteral("landscape") : QStringLiteral("portrait"));
    w.writeAttribute(QStringLiteral("left"), num(t.page.left));
    w.writeAttribute(QStringLiteral("top"), num(t.page.top));
    w.writeAttribute(QStringLiteral("right"), num(t.page.right));
    w.writeAttribute(QStringLiteral("bottom"), num(t.page.bottom));
    w.writeEndElement();
    for (const auto& [name, value] : t.variables) {
        w.writeStartElement(QStringLiteral("variable"));
        w.writeAttribute(QStringLiteral("name"), name);
        w.writeCharacters(value);
        w.writeEndElement();
    }
    for (const DataSetDef& d : t.dataSets) {
        w.writeStartElement(QStringLiteral("dataset"));
        w.writeAttribute(QStringLiteral("name"), d.name);
        w.writeCharacters(d.sql);
        w.writeEndElement();
    }
    for (const Band& b : t.bands) {
        w.writeStartElement(QStringLiteral("band"));
        w.writeAttribute(QStringLiteral("type"), bandTypeName(b.type));
        auto opt = [&](const char* n, const QString& v) {
            if (!v.isEmpty()) w.writeAttribute(QLatin1String(n), v);
        };
        opt("name", b.name);
        w.writeAttribute(QStringLiteral("height"), num(b.height));
        opt("dataset", b.dataSet);
        opt("master", b.master);
        opt("condition", b.condition);
        opt("group", b.group);
        opt("data", b.data);
        if (b.startNewPage) w.writeAttribute(QStringLiteral("newpage"), QStringLiteral("true"));
        if (!b.printOnFirstPage)
            w.writeAttribute(QStringLiteral("firstpage"), QStringLiteral("false"));
        for (const ReportObject& o : b.objects) {
            const char* tag = "text";
            for (const auto& [k, n] : kObjectNames)
                if (k == o.kind) tag = n;
            w.writeStartElement(QLatin1String(tag));
            opt("name", o.name);
            w.writeAttribute(QStringLiteral("left"), num(o.rect.left()));
            w.writeAttribute(QStringLiteral("top"), num(o.rect.top()));
            w.writeAttribute(QStringLiteral("width"), num(o.rect.width()));
            w.writeAttribute(QStringLiteral("height"), num(o.rect.height()));
            if (o.kind == ObjectKind::Text) {
                w.writeAttribute(QStringLiteral("font"), o.fontFamily);
                w.writeAttribute(QStringLiteral("size"), num(o.fontSize));
                if (o.bold) w.writeAttribute(QStringLiteral("bold"), QStringLiteral("true"));
                if (o.italic) w.writeAttribute(QStringLiteral("italic"), QStringLiteral("true"));
                if (o.underline)
                    w.writeAttribute(QStringLiteral("underline"), QStringLiteral("true"));
                if (o.color != Qt::black) w.writeAttribute(QStringLiteral("color"), rgb(o.color));
                if (o.align & Qt::AlignHCenter)
                    w.writeAttribute(QStringLiteral("align"), QStringLiteral("center"));
                else if (o.align & Qt::AlignRight)
                    w.writeAttribute(QStringLiteral("align"), QStringLiteral("right"));
                else if (o.align & Qt::AlignJustify)
                    w.writeAttribute(QStringLiteral("align"), QStringLiteral("justify"));
                if (o.align & Qt::AlignVCenter)
                    w.writeAttribute(QStringLiteral("valign"), QStringLiteral("center"));
                else if (o.align & Qt::AlignBottom)
                    w.writeAttribute(QStringLiteral("valign"), QStringLiteral("bottom"));
                if (!o.wordWrap) w.writeAttribute(QStringLiteral("wrap"), QStringLiteral("false"));
                if (o.stretch) w.writeAttribute(QStringLiteral("stretch"), QStringLiteral("true"));
                opt("format", o.format);
            }
            QStringList sides;
            if (o.frameLeft) sides << QStringLiteral("left");
            if (o.frameTop) sides << QStringLiteral("top");
            if (o.frameRight) sides << QStringLiteral("right");
            if (o.frameBottom) sides << QStringLiteral("bottom");
            if (sides.size() == 4) sides = QStringList{QStringLiteral("all")};
            if (o.kind == ObjectKind::Rect || !sides.isEmpty())
                w.writeAttribute(QStringLiteral("frame"), sides.join(u','));
            if (o.lineWidth != 0.2) w.writeAttribute(QStringLiteral("linewidth"), num(o.lineWidth));
            if (o.lineColor != Qt::black)
                w.writeAttribute(QStringLiteral("linecolor"), rgb(o.lineColor));
            if (o.fill.isValid()) w.writeAttribute(QStringLiteral("fill"), rgb(o.fill));
            if (o.radius > 0) w.writeAttribute(QStringLiteral("radius"), num(o.radius));
            opt("file", o.file);
            if (o.kind == ObjectKind::Barcode) {
                w.writeAttribute(QStringLiteral("type"), o.barcodeType);
                if (!o.showText)
                    w.writeAttribute(QStringLiteral("showtext"), QStringLiteral("false"));
            }
            if (o.kind != ObjectKind::Text && o.kind != ObjectKind::Line &&
                o.kind != ObjectKind::Rect)
                opt("expr", o.text);
            if (o.kind == ObjectKind::Text) w.writeCharacters(o.text);
            w.writeEndElement();
        }
        w.writeEndElement();
    }
    w.writeEndElement();
    w.writeEndDocument();
    return out;
}

}  // namespace report
