#pragma once
// The spreadsheet export: the columns, their titles, the title lines and every row of a grid
// or result set, written to a file in the format its extension names:
//
//   .xlsx                   Excel workbook (libxlsxwriter)
//   .xls, and .doc, .wks,   Excel 97-2003 workbook (BiffWriter): the save dialog offers the
//   .wq1 or anything else   other types, but whatever is chosen a spreadsheet is written
//   .txt                    tab-separated text in the Thai Windows code page (874), CRLF lines
//
// The sheet holds the title lines (one per row, in the first column), the row of column
// titles, then the rows. In the workbooks numbers and dates stay numbers, shown with an
// Excel number format made from the settings and the column's pattern; in the text file
// they are written as that format shows them. NULL is an empty cell.
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <Qt>
#include <functional>
#include <stdexcept>
#include <vector>

class QAbstractItemModel;
class QHeaderView;
class QTableView;
class QWidget;

namespace ui {

enum class ColumnKind { Text, Integer, Decimal, Float, Date, DateTime, Bool };

struct ExportColumn {
    QString title;
    ColumnKind kind = ColumnKind::Text;
    // Numbers only: a display pattern as data/NumberFormat.h describes ("#,##0.00"). Empty
    // writes whole numbers and floats plainly, decimals grouped in thousands with their own
    // decimal places.
    QString pattern;
    // Numbers shown with the currency sign of the settings before them.
    bool currency = false;
    // The pattern is the grid's own: an empty one writes the numbers plainly, as the grid
    // shows them, decimals too.
    bool asShown = false;
};

// A grid's model answers headerData(column, Qt::Horizontal, DisplayPatternRole) with the
// column's display pattern (a QString, empty for plain numbers); the export then writes the
// column as the grid shows it.
inline constexpr int DisplayPatternRole = Qt::UserRole + 0x501;

// Values as the database layer hands them over: qlonglong, db::Decimal, double, QString,
// QDateTime or QDate, bool; NULL as a null QVariant. A value that does not fit its column's
// kind is written as the closest thing that does (a number read from text, or the text).
struct ExportTable {
    QList<ExportColumn> columns;
    std::vector<QVariantList> rows;
};

// Dates, booleans, zeros and the currency sign follow these everywhere; the thousands and
// decimal separators only in the text file, as a workbook's numbers stay numbers that Excel
// shows with the reader's own separators.
struct ExportSettings {
    bool columnTitleRow = true;
    QChar dateSeparator = u'/';
    QChar timeSeparator = u':';
    bool fourDigitYear = true;
    bool leadingZerosInDate = false;  // day and month
    QChar thousandsSeparator = u',';
    QChar decimalSeparator = u'.';
    QString currencySign = QStringLiteral("฿");
    QString trueText = QStringLiteral("True");
    QString falseText = QStringLiteral("False");
    bool zerosAsNumbers = true;  // false leaves zero values blank
};

// rows written, of total; false cancels the export.
using ExportProgress = std::function<bool(int done, int total)>;

// A file that could not be written, or a table too large for the chosen format.
class ExportError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Writes the file, replacing what was there only once the whole file is written. False when
// `progress` cancelled (nothing is written then); throws ExportError on failure.
bool exportSpreadsheet(const QString& fileName, const ExportTable& table,
                       const QStringList& titleLines, const ExportSettings& settings = {},
                       const ExportProgress& progress = {});

// The same with a progress dialog over `parent` that can cancel the export.
bool exportSpreadsheetWithProgress(QWidget* parent, const QString& fileName,
                                   const ExportTable& table, const QStringList& titleLines,
                                   const ExportSettings& settings = {});

// The model's rows with the columns the header shows, in the order it shows them (every
// column when there is no header); titles (and display patterns, DisplayPatternRole) from the
// model's header, each column's kind from its first non-null value. Values are read with the
// edit role, so exact decimals stay exact.
ExportTable exportTableFromModel(QAbstractItemModel* model, const QHeaderView* header = nullptr);
// A grid's model with its visible columns and rows.
ExportTable exportTableFromView(const QTableView* view);

// The text of one value as the text export writes it.
QString exportText(const ExportColumn& column, const QVariant& value,
                   const ExportSettings& settings = {});

// The save dialog of the export: the file types offered, in Qt's filter notation.
QString exportFileFilter();
// Asks for the file to write, starting in `directory`. A name without extension gets the
// chosen type's, else ".xls". Empty when cancelled.
QString askExportFileName(QWidget* parent, const QString& directory);

// Replaces the dialog (tests): receives parent, directory, filter and the selected filter to
// set, returns the chosen name or "" for cancel. An empty function restores the real dialog.
using SaveDialogHook = std::function<QString(QWidget* parent, const QString& directory,
                                             const QString& filter, QString* selectedFilter)>;
void setSaveDialogHook(SaveDialogHook hook);

}  // namespace ui
