#pragma once
// An Excel 97-2003 workbook (BIFF8 in a compound file) with one worksheet of text and number
// cells: the part of the format an export needs. Texts go to the shared string table (UTF-16
// where a text needs it, so Thai survives); numbers carry an Excel number format code, one
// XF record per distinct code.
#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <map>
#include <vector>

namespace ui {

// A name Excel accepts for a sheet: at most 31 characters, none of []:*?/\, no apostrophe at
// either end (such characters become "_"); "Sheet1" for an empty name.
QString excelSheetName(const QString& name);

class BiffWriter {
public:
    static constexpr int kMaxRows = 65536;
    static constexpr int kMaxColumns = 256;
    static constexpr int kMaxTextLength = 32767;  // Excel's limit per cell; longer is cut

    // The sheet's name goes through excelSheetName.
    explicit BiffWriter(const QString& sheetName = QString());

    // A cell written twice keeps the last value. Positions outside the sheet throw
    // std::out_of_range. An empty text writes nothing.
    void writeText(int row, int column, const QString& text);
    // `format` is an Excel number format code ("#,##0.00", "d/m/yyyy"); empty is General.
    void writeNumber(int row, int column, double value, const QString& format = QString());
    // Width in characters of the default font.
    void setColumnWidth(int column, double characters);

    QString sheetName() const { return sheetName_; }
    // The BIFF8 records of the workbook stream.
    QByteArray workbookStream() const;
    // The whole .xls file.
    QByteArray toFile() const;

private:
    struct Cell {
        quint16 row;
        quint16 column;
        quint16 xf;
        bool text;
        double number;  // the value, or the string's index in the shared string table
    };
    void checkPosition(int row, int column) const;
    quint16 xfFor(const QString& format);

    QString sheetName_;
    std::vector<Cell> cells_;
    QStringList strings_;  // the shared string table, in order of first use
    QHash<QString, quint32> stringIndex_;
    QStringList formats_;  // custom number formats, in order of their XF records
    std::map<int, double> widths_;
};

}  // namespace ui
