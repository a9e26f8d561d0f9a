#include "ui/SpreadsheetExport.h"

#include <xlsxwriter.h>

#include <QAbstractItemModel>
#include <QDateTime>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QProgressDialog>
#include <QSaveFile>
#include <QStringEncoder>
#include <QTableView>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>

#include "data/NumberFormat.h"
#include "db/decimal.h"
#include "ui/BiffWriter.h"

namespace ui {

namespace {

// ---- values ------------------------------------------------------------------------------------

enum class Shape { Blank, Text, Number, DateTime, Bool };

// A value as the export sees it, whatever QVariant type it came in.
struct Item {
    Shape shape = Shape::Blank;
    QString text;
    QVariant number;  // qlonglong, double or db::Decimal
    QDateTime when;
    bool dateOnly = false;
    bool flag = false;
};

bool isNumericKind(ColumnKind kind) {
    return kind == ColumnKind::Integer || kind == ColumnKind::Decimal || kind == ColumnKind::Float;
}

// The pattern a number is shown with: the column's, or for exact decimals their own places
// grouped in thousands; currency columns put the sign before every section.
QString numberPattern(const ExportColumn& column, const QVariant& number,
                      const ExportSettings& settings) {
    QString pattern = column.pattern;
    if (pattern.isEmpty() && column.currency) pattern = QStringLiteral("#,##0.00");
    if (pattern.isEmpty() && !column.asShown &&
        number.metaType() == QMetaType::fromType<db::Decimal>()) {
        const int scale = number.value<db::Decimal>().scale();
        pattern = QStringLiteral("#,##0");
        if (scale > 0) pattern += u'.' + QString(scale, u'0');
    }
    if (column.currency) {
        QStringList sections = pattern.split(u';');
        for (QString& s : sections)
            if (!s.isEmpty()) s.prepend(settings.currencySign);
        pattern = sections.join(u';');
    }
    return pattern;
}

QString dateText(const QDateTime& when, bool dateOnly, const ExportSettings& s) {
    const QDate d = when.date();
    const int width = s.leadingZerosInDate ? 2 : 1;
    QString text = QStringLiteral("%1%2%3%4%5")
                       .arg(d.day(), width, 10, QLatin1Char('0'))
                       .arg(s.dateSeparator)
                       .arg(d.month(), width, 10, QLatin1Char('0'))
                       .arg(s.dateSeparator)
                       .arg(s.fourDigitYear ? d.year() : d.year() % 100, s.fourDigitYear ? 4 : 2,
                            10, QLatin1Char('0'));
    if (dateOnly) return text;
    const QTime t = when.time();
    return text + QStringLiteral(" %1%2%3%4%5")
                      .arg(t.hour(), 2, 10, QLatin1Char('0'))
                      .arg(s.timeSeparator)
                      .arg(t.minute(), 2, 10, QLatin1Char('0'))
                      .arg(s.timeSeparator)
                      .arg(t.second(), 2, 10, QLatin1Char('0'));
}

QString numberText(const ExportColumn& column, const QVariant& number, const ExportSettings& s) {
    QString text = formatValue(number, numberPattern(column, number, s));
    // The pattern may hide a zero; the settings want it written.
    if (text.isEmpty() && number.toDouble() == 0) text = QStringLiteral("0");
    if (s.thousandsSeparator != u',' || s.decimalSeparator != u'.') {
        for (QChar& c : text) {
            if (c == u',')
                c = s.thousandsSeparator;
            else if (c == u'.')
                c = s.decimalSeparator;
        }
    }
    return text;
}

QString itemText(const Item& item, const ExportColumn& column, const ExportSettings& s) {
    switch (item.shape) {
        case Shape::Blank:
            return {};
        case Shape::Text:
            return item.text;
        case Shape::Number:
            return numberText(column, item.number, s);
        case Shape::DateTime:
            return dateText(item.when, item.dateOnly, s);
        case Shape::Bool:
            return item.flag ? s.trueText : s.falseText;
    }
    return {};
}

Item classify(const ExportColumn& column, const QVariant& value, const ExportSettings& s) {
    Item item;
    if (!value.isValid() || value.isNull()) return item;
    switch (value.typeId()) {
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::Long:
        case QMetaType::ULong:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::Char:
        case QMetaType::SChar:
        case QMetaType::UChar:
            item.shape = Shape::Number;
            item.number = value.toLongLong();
            break;
        case QMetaType::Double:
        case QMetaType::Float:
            item.shape = Shape::Number;
            item.number = value.toDouble();
            break;
        case QMetaType::QDate:
            item.shape = Shape::DateTime;
            item.when = value.toDate().startOfDay();
            item.dateOnly = true;
            break;
        case QMetaType::QDateTime:
            item.shape = Shape::DateTime;
            item.when = value.toDateTime();
            // Dates held as date and time show as dates when they have no time of day.
            item.dateOnly = column.kind == ColumnKind::Date || item.when.time() == QTime(0, 0);
            break;
        case QMetaType::Bool:
            item.shape = Shape::Bool;
            item.flag = value.toBool();
            break;
        default:
            if (value.metaType() == QMetaType::fromType<db::Decimal>()) {
                item.shape = Shape::Number;
                item.number = value;
                break;
            }
            item.text = value.toString();
            item.shape = item.text.isEmpty() ? Shape::Blank : Shape::Text;
            // A number column whose value came as text: the number, when it is one.
            if (isNumericKind(column.kind)) {
                if (auto d = db::Decimal::parse(item.text)) {
                    item.shape = Shape::Number;
                    item.number = QVariant::fromValue(*d);
                }
            }
    }
    if (item.shape == Shape::DateTime && !item.when.isValid()) return {};
    if (item.shape == Shape::Number && !s.zerosAsNumbers && item.number.toDouble() == 0) return {};
    if (column.kind == ColumnKind::Text && item.shape != Shape::Text &&
        item.shape != Shape::Blank) {
        item.text = itemText(item, column, s);
        item.shape = Shape::Text;
    }
    return item;
}

// ---- Excel number formats ----------------------------------------------------------------------

// One section of a display pattern in Excel's notation. Everything but the placeholders and
// the point is escaped, since Excel gives meaning to many more characters ("%", "E", "/");
// grouping is a comma between two integer placeholders, as a trailing one would scale.
QString excelSection(QStringView section) {
    QString out;
    bool point = false, grouping = false;
    qsizetype firstInteger = -1;
    int integerPlaceholders = 0;
    for (QChar c : section) {
        if (c == u'0' || c == u'#') {
            if (!point && integerPlaceholders++ == 0) firstInteger = out.size();
            out += c;
        } else if (c == u'.' && !point) {
            point = true;
            out += c;
        } else if (c == u',') {
            grouping = grouping || !point;
        } else {
            out += u'\\';
            out += c;
        }
    }
    if (grouping && integerPlaceholders > 1)
        out.insert(firstInteger + 1, u',');
    else if (grouping && integerPlaceholders == 1)
        out.insert(firstInteger, QStringLiteral("#,"));
    return out;
}

// A display pattern (data/NumberFormat.h) as an Excel number format code; "" for General.
QString excelNumberFormat(const QString& pattern) {
    if (pattern.isEmpty()) return {};
    QList<QStringView> parts = QStringView(pattern).split(u';');
    if (parts.size() > 3) {  // a third ";" is text of the zero section
        const qsizetype start = parts[2].data() - pattern.constData();
        parts = {parts[0], parts[1], QStringView(pattern).mid(start)};
    }
    const QString first = parts[0].isEmpty() ? QStringLiteral("General") : excelSection(parts[0]);
    QString code = first;
    if (parts.size() > 1)  // an empty negative section is the first one with a minus sign
        code +=
            u';' + (parts[1].isEmpty() ? QStringLiteral("\\-") + first : excelSection(parts[1]));
    if (parts.size() > 2) code += u';' + (parts[2].isEmpty() ? first : excelSection(parts[2]));
    return code;
}

QString excelDateFormat(bool dateOnly, const ExportSettings& s) {
    auto separator = [](QChar c) {
        return QStringLiteral("/:- ").contains(c) ? QString(c) : QStringLiteral("\\") + c;
    };
    const QString day = s.leadingZerosInDate ? QStringLiteral("dd") : QStringLiteral("d");
    const QString month = s.leadingZerosInDate ? QStringLiteral("mm") : QStringLiteral("m");
    const QString year = s.fourDigitYear ? QStringLiteral("yyyy") : QStringLiteral("yy");
    QString code = day + separator(s.dateSeparator) + month + separator(s.dateSeparator) + year;
    if (!dateOnly) {
        const QString t = separator(s.timeSeparator);
        code += QStringLiteral(" hh") + t + QStringLiteral("mm") + t + QStringLiteral("ss");
    }
    return code;
}

// Excel's serial day number (1900 system, with its phantom 29 February 1900); none for dates
// it cannot hold, which are then written as text.
std::optional<double> excelSerial(const QDateTime& when) {
    const QDate d = when.date();
    if (d < QDate(1900, 1, 1) || d > QDate(9999, 12, 31)) return std::nullopt;
    qint64 days = QDate(1899, 12, 30).daysTo(d);
    if (d < QDate(1900, 3, 1)) --days;
    return double(days) + when.time().msecsSinceStartOfDay() / 86400000.0;
}

// ---- sheets ------------------------------------------------------------------------------------

class Sheet {
public:
    virtual ~Sheet() = default;
    virtual void text(int row, int column, const QString& text) = 0;
    virtual void number(int row, int column, double value, const QString& format) = 0;
    virtual void width(int column, double characters) = 0;
};

class ProgressReporter {
public:
    ProgressReporter(const ExportProgress& progress, int total)
        : progress_(progress), total_(total), step_(std::max(1, total / 100)) {}
    // False when cancelled.
    bool report(int done) {
        if (!progress_ || (done % step_ != 0 && done != total_)) return true;
        return progress_(done, total_);
    }

private:
    const ExportProgress& progress_;
    int total_;
    int step_;
};

bool fillSheet(Sheet& sheet, const ExportTable& table, const QStringList& titleLines,
               const ExportSettings& s, const ExportProgress& progress) {
    int row = 0;
    for (const QString& title : titleLines) {
        if (!title.isEmpty()) sheet.text(row, 0, title);
        ++row;
    }
    const auto columns = static_cast<int>(table.columns.size());
    std::vector<int> widths(columns, 0);
    if (s.columnTitleRow) {
        for (int c = 0; c < columns; ++c) {
            const QString& title = table.columns[c].title;
            if (!title.isEmpty()) sheet.text(row, c, title);
            widths[c] = int(title.size());
        }
        ++row;
    }
    const auto total = static_cast<int>(table.rows.size());
    ProgressReporter reporter(progress, total);
    if (!reporter.report(0)) return false;
    for (int r = 0; r < total; ++r, ++row) {
        const QVariantList& values = table.rows[r];
        for (int c = 0; c < columns && c < values.size(); ++c) {
            const ExportColumn& column = table.columns[c];
            const Item item = classify(column, values[c], s);
            // Widths follow the first rows: enough to size the columns, cheap for long tables.
            if (r < 1000) widths[c] = std::max(widths[c], int(itemText(item, column, s).size()));
            switch (item.shape) {
                case Shape::Blank:
                    break;
                case Shape::Text:
                    sheet.text(row, c, item.text);
                    break;
                case Shape::Bool:
                    sheet.text(row, c, itemText(item, column, s));
                    break;
                case Shape::Number:
                    // A spreadsheet number cannot be NaN or infinite: those go as their text.
                    if (const double v = item.number.toDouble(); std::isfinite(v))
                        sheet.number(row, c, v,
                                     excelNumberFormat(numberPattern(column, item.number, s)));
                    else
                        sheet.text(row, c, itemText(item, column, s));
                    break;
                case Shape::DateTime:
                    if (auto serial = excelSerial(item.when))
                        sheet.number(row, c, *serial, excelDateFormat(item.dateOnly, s));
                    else
                        sheet.text(row, c, itemText(item, column, s));
                    break;
            }
        }
        if (!reporter.report(r + 1)) return false;
    }
    for (int c = 0; c < columns; ++c) sheet.width(c, std::clamp(widths[c] + 2, 6, 60));
    return true;
}

void checkSize(const ExportTable& table, const QStringList& titleLines, const ExportSettings& s,
               qsizetype maxRows, qsizetype maxColumns, const char* format) {
    const qsizetype rows =
        titleLines.size() + (s.columnTitleRow ? 1 : 0) + qsizetype(table.rows.size());
    if (rows > maxRows || table.columns.size() > maxColumns)
        throw ExportError(QStringLiteral("%1 rows and %2 columns do not fit a %3 sheet (at most "
                                         "%4 rows and %5 columns)")
                              .arg(rows)
                              .arg(table.columns.size())
                              .arg(QLatin1String(format))
                              .arg(maxRows)
                              .arg(maxColumns)
                              .toStdString());
}

void saveFile(const QString& fileName, const QByteArray& content) {
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() || !file.commit())
        throw ExportError(
            QStringLiteral("Cannot write %1: %2").arg(fileName, file.errorString()).toStdString());
}

// ---- .xls --------------------------------------------------------------------------------------

class XlsSheet : public Sheet {
public:
    explicit XlsSheet(const QString& name) : writer(name) {}
    void text(int row, int column, const QString& text) override {
        writer.writeText(row, column, text);
    }
    void number(int row, int column, double value, const QString& format) override {
        writer.writeNumber(row, column, value, format);
    }
    void width(int column, double characters) override {
        writer.setColumnWidth(column, characters);
    }
    BiffWriter writer;
};

bool writeXls(const QString& fileName, const ExportTable& table, const QStringList& titleLines,
              const ExportSettings& s, const ExportProgress& progress) {
    checkSize(table, titleLines, s, BiffWriter::kMaxRows, BiffWriter::kMaxColumns, "Excel 97-2003");
    XlsSheet sheet(QFileInfo(fileName).completeBaseName());
    if (!fillSheet(sheet, table, titleLines, s, progress)) return false;
    QByteArray content;
    try {
        content = sheet.writer.toFile();
    } catch (const std::length_error& e) {
        throw ExportError(std::string("Cannot write an Excel 97-2003 file this large: ") +
                          e.what());
    }
    saveFile(fileName, content);
    return true;
}

// ---- .xlsx -------------------------------------------------------------------------------------

class XlsxSheet : public Sheet {
public:
    XlsxSheet(lxw_workbook* workbook, const QString& name)
        : workbook_(workbook),
          sheet_(workbook_add_worksheet(workbook, excelSheetName(name).toUtf8().constData())) {
        if (!sheet_) throw ExportError("Cannot add a worksheet to the workbook");
    }
    void text(int row, int column, const QString& text) override {
        check(worksheet_write_string(sheet_, row, lxw_col_t(column),
                                     text.left(BiffWriter::kMaxTextLength).toUtf8().constData(),
                                     nullptr));
    }
    void number(int row, int column, double value, const QString& format) override {
        check(worksheet_write_number(sheet_, row, lxw_col_t(column), value, formatFor(format)));
    }
    void width(int column, double characters) override {
        check(worksheet_set_column(sheet_, lxw_col_t(column), lxw_col_t(column), characters,
                                   nullptr));
    }

private:
    static void check(lxw_error error) {
        if (error != LXW_NO_ERROR)
            throw ExportError(std::string("Cannot write the workbook: ") + lxw_strerror(error));
    }
    lxw_format* formatFor(const QString& code) {
        if (code.isEmpty()) return nullptr;
        lxw_format*& format = formats_[code];
        if (!format) {
            format = workbook_add_format(workbook_);
            format_set_num_format(format, code.toUtf8().constData());
        }
        return format;
    }

    lxw_workbook* workbook_;
    lxw_worksheet* sheet_;
    QHash<QString, lxw_format*> formats_;
};

bool writeXlsx(const QString& fileName, const ExportTable& table, const QStringList& titleLines,
               const ExportSettings& s, const ExportProgress& progress) {
    checkSize(table, titleLines, s, LXW_ROW_MAX, LXW_COL_MAX, "Excel");
    // The library writes a file by name; it is built aside and then saved like the others, so
    // a failed export leaves any earlier file in place.
    QTemporaryDir dir;
    if (!dir.isValid()) throw ExportError("Cannot create a temporary folder for the workbook");
    const QString path = dir.filePath(QStringLiteral("export.xlsx"));
    std::unique_ptr<lxw_workbook, void (*)(lxw_workbook*)> workbook(
        workbook_new(QFile::encodeName(path).constData()), [](lxw_workbook* w) {
            if (w) workbook_close(w);
        });
    if (!workbook) throw ExportError("Cannot create the workbook");
    XlsxSheet sheet(workbook.get(), QFileInfo(fileName).completeBaseName());
    if (!fillSheet(sheet, table, titleLines, s, progress)) return false;
    const lxw_error error = workbook_close(workbook.release());
    if (error != LXW_NO_ERROR)
        throw ExportError(std::string("Cannot write the workbook: ") + lxw_strerror(error));
    QFile built(path);
    if (!built.open(QIODevice::ReadOnly)) throw ExportError("Cannot read the written workbook");
    saveFile(fileName, built.readAll());
    return true;
}

// ---- .txt --------------------------------------------------------------------------------------

// Tabs and line breaks inside a value would break the table's shape.
QString oneField(QString text) {
    for (QChar& c : text)
        if (c == u'\t' || c == u'\r' || c == u'\n') c = u' ';
    return text;
}

bool writeText(const QString& fileName, const ExportTable& table, const QStringList& titleLines,
               const ExportSettings& s, const ExportProgress& progress) {
    QString text;
    const QString crlf = QStringLiteral("\r\n");
    for (const QString& title : titleLines) text += oneField(title) + crlf;
    QStringList fields;
    if (s.columnTitleRow) {
        for (const ExportColumn& column : table.columns) fields << oneField(column.title);
        text += fields.join(u'\t') + crlf;
    }
    const auto total = static_cast<int>(table.rows.size());
    ProgressReporter reporter(progress, total);
    if (!reporter.report(0)) return false;
    for (int r = 0; r < total; ++r) {
        fields.clear();
        const QVariantList& values = table.rows[r];
        for (qsizetype c = 0; c < table.columns.size(); ++c)
            fields << (c < values.size() ? exportText(table.columns[c], values[c], s) : QString());
        text += fields.join(u'\t') + crlf;
        if (!reporter.report(r + 1)) return false;
    }
    // Characters the Thai code page lacks become "?".
    QStringEncoder encoder("windows-874");
    if (!encoder.isValid()) throw ExportError("The Thai code page (874) is not available");
    const QByteArray bytes = encoder(text);
    saveFile(fileName, bytes);
    return true;
}

// ---- the save dialog ---------------------------------------------------------------------------

struct FileType {
    const char* name;
    const char* extension;
};
// The two blanks and "fies" are what users of the program have always seen.
constexpr FileType kFileTypes[] = {
    {"Microsoft  Excel fies", "xls"},
    {"Microsoft  Word document", "doc"},
    {"Text", "txt"},
    {"Lotus 1-2-3", "wks"},
    {"QuattroPro spreadsheet", "wq1"},
    {"Microsoft Excel workbook", "xlsx"},
};

QString filterEntry(const FileType& type) {
    return QStringLiteral("%1 (*.%2)").arg(QLatin1String(type.name), QLatin1String(type.extension));
}

QString extensionOfFilter(const QString& filter) {
    for (const FileType& type : kFileTypes)
        if (filter == filterEntry(type)) return QLatin1String(type.extension);
    return QStringLiteral("xls");
}

SaveDialogHook& saveDialogHook() {
    static SaveDialogHook hook;
    return hook;
}

}  // namespace

QString exportText(const ExportColumn& column, const QVariant& value,
                   const ExportSettings& settings) {
    return oneField(itemText(classify(column, value, settings), column, settings));
}

bool exportSpreadsheet(const QString& fileName, const ExportTable& table,
                       const QStringList& titleLines, const ExportSettings& settings,
                       const ExportProgress& progress) {
    const QString extension = QFileInfo(fileName).suffix().toLower();
    try {
        if (extension == u"xlsx") return writeXlsx(fileName, table, titleLines, settings, progress);
        if (extension == u"txt") return writeText(fileName, table, titleLines, settings, progress);
        return writeXls(fileName, table, titleLines, settings, progress);
    } catch (const ExportError&) {
        throw;
    } catch (const std::bad_alloc&) {
        throw ExportError("Not enough memory to write " + fileName.toStdString());
    }
}

bool exportSpreadsheetWithProgress(QWidget* parent, const QString& fileName,
                                   const ExportTable& table, const QStringList& titleLines,
                                   const ExportSettings& settings) {
    QProgressDialog dialog(parent);
    dialog.setWindowModality(Qt::WindowModal);
    dialog.setLabelText(QFileInfo(fileName).fileName());
    dialog.setMinimumDuration(0);
    dialog.setAutoClose(false);
    dialog.setAutoReset(false);
    const bool written =
        exportSpreadsheet(fileName, table, titleLines, settings, [&dialog](int done, int total) {
            dialog.setMaximum(std::max(total, 1));
            dialog.setValue(done);
            return !dialog.wasCanceled();
        });
    dialog.close();
    return written;
}

namespace {

ColumnKind kindOf(const QVariant& value) {
    if (value.metaType() == QMetaType::fromType<db::Decimal>()) return ColumnKind::Decimal;
    switch (value.typeId()) {
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::Long:
        case QMetaType::ULong:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Short:
        case QMetaType::UShort:
            return ColumnKind::Integer;
        case QMetaType::Double:
        case QMetaType::Float:
            return ColumnKind::Float;
        case QMetaType::QDate:
            return ColumnKind::Date;
        case QMetaType::QDateTime:
            return ColumnKind::DateTime;
        case QMetaType::Bool:
            return ColumnKind::Bool;
        default:
            return ColumnKind::Text;
    }
}

ExportTable tableOf(QAbstractItemModel* model, const QHeaderView* header,
                    const std::function<bool(int)>& rowShown) {
    ExportTable table;
    if (!model) return table;
    // All rows, not only those a lazily filled model has fetched so far.
    while (model->canFetchMore({})) model->fetchMore({});
    QList<int> columns;
    if (header) {
        for (int visual = 0; visual < header->count(); ++visual) {
            const int logical = header->logicalIndex(visual);
            if (logical >= 0 && !header->isSectionHidden(logical)) columns << logical;
        }
    } else {
        for (int c = 0; c < model->columnCount(); ++c) columns << c;
    }
    for (int c : columns) {
        ExportColumn column;
        column.title = model->headerData(c, Qt::Horizontal).toString();
        const QVariant pattern = model->headerData(c, Qt::Horizontal, DisplayPatternRole);
        if (pattern.isValid()) {
            column.pattern = pattern.toString();
            column.asShown = true;
        }
        table.columns.append(column);
    }
    std::vector<bool> kindKnown(columns.size(), false);
    for (int r = 0; r < model->rowCount(); ++r) {
        if (rowShown && !rowShown(r)) continue;
        QVariantList values;
        values.reserve(columns.size());
        for (qsizetype i = 0; i < columns.size(); ++i) {
            QVariant value = model->index(r, columns[i]).data(Qt::EditRole);
            if (!kindKnown[i] && value.isValid() && !value.isNull()) {
                table.columns[i].kind = kindOf(value);
                kindKnown[i] = true;
            }
            values.append(std::move(value));
        }
        table.rows.push_back(std::move(values));
    }
    return table;
}

}  // namespace

ExportTable exportTableFromModel(QAbstractItemModel* model, const QHeaderView* header) {
    return tableOf(model, header, {});
}

ExportTable exportTableFromView(const QTableView* view) {
    return tableOf(view->model(), view->horizontalHeader(),
                   [view](int row) { return !view->isRowHidden(row); });
}

QString exportFileFilter() {
    QStringList entries;
    for (const FileType& type : kFileTypes) entries << filterEntry(type);
    return entries.join(QStringLiteral(";;"));
}

void setSaveDialogHook(SaveDialogHook hook) {
    saveDialogHook() = std::move(hook);
}

QString askExportFileName(QWidget* parent, const QString& directory) {
    const QString filter = exportFileFilter();
    QString selected = filterEntry(kFileTypes[0]);
    QString name;
    if (saveDialogHook()) {
        name = saveDialogHook()(parent, directory, filter, &selected);
    } else {
        QFileDialog dialog(parent, QString(), directory, filter);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.selectNameFilter(selected);
        dialog.setDefaultSuffix(extensionOfFilter(selected));
        // The dialog adds the chosen type's extension itself, before it asks about overwriting.
        QObject::connect(
            &dialog, &QFileDialog::filterSelected, &dialog,
            [&dialog](const QString& f) { dialog.setDefaultSuffix(extensionOfFilter(f)); });
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
        name = dialog.selectedFiles().constFirst();
        selected = dialog.selectedNameFilter();
    }
    if (name.isEmpty()) return {};
    if (QFileInfo(name).suffix().isEmpty()) {
        if (!name.endsWith(u'.')) name += u'.';
        name += extensionOfFilter(selected);
    }
    return name;
}

}  // namespace ui
