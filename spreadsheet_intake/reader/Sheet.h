#pragma once
// The used range of a workbook's first worksheet, read straight from the file: .xlsx (Office
// Open XML, streamed through libzip and expat) or .xls (Excel 97-2003, BIFF8 in a compound
// file). No Qt, so that the command-line dump and the fuzzers link it cheaply.
//
// The used range is the smallest rectangle holding every cell the file stores: cells with a
// value, and formatted blank cells, as the spreadsheet application counts them. The file's own
// dimension record is not trusted (writers leave it out or get it wrong). An empty sheet has
// the used range A1 with one empty cell, as the spreadsheet application reports it.
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace intake {

// Why a file could not be read; what() is a sentence for the person who chose the file.
class SheetError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class CellKind : std::uint8_t { Empty, Number, Text, Boolean };

// One cell of the used range. Dates are numbers (the serial day the file stores).
struct CellValue {
    CellKind kind = CellKind::Empty;
    double number = 0;      // Number; Boolean as 1 or 0
    std::string_view text;  // Text, UTF-8, every blank kept; valid while the sheet lives
    bool isEmpty() const { return kind == CellKind::Empty; }
};

class Sheet {
public:
    // Rows and columns of the used range (at least 1 each).
    int rowCount() const { return lastRow_ - firstRow_ + 1; }
    int columnCount() const { return lastColumn_ - firstColumn_ + 1; }
    // The used range's top-left cell in sheet coordinates (row 1, column 1 is A1).
    int firstRow() const { return firstRow_; }
    int firstColumn() const { return firstColumn_; }
    // The used range in A1 notation, "B3:AP23".
    std::string rangeA1() const;

    // The cell at `row`, `column` of the used range, both counted from 1 at its top-left cell.
    // Outside the used range: std::out_of_range.
    CellValue cell(int row, int column) const;

    // ---- building (the readers) ----
    // Sheet coordinates from 1, checked against the limits below (SheetError). A later cell
    // at the same place replaces the earlier one. A blank (a formatted cell without a value)
    // widens the used range but reads as empty.
    void addNumber(int row, int column, double value);
    void addBoolean(int row, int column, bool value);
    void addText(int row, int column, std::string_view text);
    // A text of the pool built with addSharedText (the shared strings of a workbook).
    void addSharedTextCell(int row, int column, std::uint32_t index);
    std::uint32_t addSharedText(std::string text);
    std::size_t sharedTextCount() const { return sharedCount_; }
    void addBlank(int row, int column);
    void reserveCells(std::size_t count) { entries_.reserve(count); }
    // What has been added so far, to go back to when a part is read a second time.
    struct Mark {
        std::size_t cells = 0, texts = 0, shared = 0;
    };
    Mark mark() const { return {entries_.size(), texts_.size(), sharedCount_}; }
    void rollBack(Mark mark) {
        entries_.resize(mark.cells);
        texts_.resize(mark.texts);
        sharedCount_ = mark.shared;
    }
    // Sorts the cells and fixes the used range; called once, after the last add.
    void finish();

    // The sheet's size limits (those of the current file format).
    static constexpr int kMaxRows = 1048576;
    static constexpr int kMaxColumns = 16384;

private:
    // 16 bytes: a requisition sheet holds three million of them.
    struct Entry {
        std::uint32_t row;
        std::uint16_t column;  // at most kMaxColumns
        CellKind kind;
        union {
            double number;       // Number, Boolean
            std::uint32_t text;  // Text: index into texts_
        };
    };
    void add(int row, int column, CellKind kind, double number, std::uint32_t text);

    std::vector<Entry> entries_;
    // The workbook's shared texts first, then the cells' own (inline) texts.
    std::vector<std::string> texts_;
    std::size_t sharedCount_ = 0;
    std::vector<std::uint32_t> rowStart_;  // per used-range row, its first entry; one extra at end
    int firstRow_ = 1, lastRow_ = 1, firstColumn_ = 1, lastColumn_ = 1;
};

// The used range of the first worksheet of the workbook at `path`. The format is taken from
// the file's content, not its name. Throws SheetError for a file that is not a workbook, is
// truncated or damaged, is password-protected, or has no worksheet.
Sheet ReadUsedRange(const std::string& path);

// The same, from the bytes of a file (the fuzzers; `name` only goes into error texts).
Sheet readWorkbookBytes(std::string_view bytes, const std::string& name);

// The two formats; used by the two above.
Sheet readXlsx(const std::string& path);
Sheet readXlsxBytes(std::string_view bytes, const std::string& name);
Sheet readXlsBytes(std::string_view bytes, const std::string& name);

// Column letters of a column number from 1: 1 -> "A", 28 -> "AB".
std::string columnLetters(int column);

// A number as the dump writes it: integral values without a fraction, others as the shortest
// text that reads back as the same double.
std::string formatNumber(double value);

// The dump's text of a whole sheet: "rows=R cols=C used=A1:B2", then one line per row with
// the cells separated by tabs ("n:1.5", "s:text" with \t \r \n \\ escaped, "b:TRUE", or
// nothing for an empty cell).
std::string dumpSheet(const Sheet& sheet);

}  // namespace intake
