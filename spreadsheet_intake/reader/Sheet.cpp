#include "spreadsheet_intake/reader/Sheet.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>

namespace intake {

std::string columnLetters(int column) {
    std::string letters;
    while (column > 0) {
        --column;
        letters.insert(letters.begin(), char('A' + column % 26));
        column /= 26;
    }
    return letters;
}

std::string Sheet::rangeA1() const {
    return columnLetters(firstColumn_) + std::to_string(firstRow_) + ":" +
           columnLetters(lastColumn_) + std::to_string(lastRow_);
}

void Sheet::add(int row, int column, CellKind kind, double number, std::uint32_t text) {
    if (row < 1 || row > kMaxRows || column < 1 || column > kMaxColumns) {
        throw SheetError("a cell lies outside the sheet (row " + std::to_string(row) + ", column " +
                         std::to_string(column) + ")");
    }
    Entry& e = entries_.emplace_back();
    e.row = std::uint32_t(row);
    e.column = std::uint16_t(column);
    e.kind = kind;
    if (kind == CellKind::Text) {
        e.text = text;
    } else {
        e.number = number;
    }
}

void Sheet::addNumber(int row, int column, double value) {
    add(row, column, CellKind::Number, value, 0);
}

void Sheet::addBoolean(int row, int column, bool value) {
    add(row, column, CellKind::Boolean, value ? 1 : 0, 0);
}

void Sheet::addText(int row, int column, std::string_view text) {
    texts_.emplace_back(text);
    add(row, column, CellKind::Text, 0, std::uint32_t(texts_.size() - 1));
}

void Sheet::addSharedTextCell(int row, int column, std::uint32_t index) {
    // Only the workbook's shared texts: an index past them would reach a cell's own text.
    if (index >= sharedCount_) {
        throw SheetError("a cell refers to shared text " + std::to_string(index) + " of only " +
                         std::to_string(sharedCount_));
    }
    add(row, column, CellKind::Text, 0, index);
}

std::uint32_t Sheet::addSharedText(std::string text) {
    // Shared texts come before any cell's own, so that their indexes are the workbook's.
    if (texts_.size() != sharedCount_) throw SheetError("shared texts after the cells");
    texts_.push_back(std::move(text));
    return std::uint32_t(sharedCount_++);
}

void Sheet::addBlank(int row, int column) {
    add(row, column, CellKind::Empty, 0, 0);
}

void Sheet::finish() {
    auto before = [](const Entry& a, const Entry& b) {
        return a.row != b.row ? a.row < b.row : a.column < b.column;
    };
    // Writers store rows and cells in order; sort only when one did not. Stable, so that of two
    // cells at one place the later one stays last.
    if (!std::is_sorted(entries_.begin(), entries_.end(), before)) {
        std::stable_sort(entries_.begin(), entries_.end(), before);
    }
    auto same = [](const Entry& a, const Entry& b) {
        return a.row == b.row && a.column == b.column;
    };
    // Keep the last of equal places.
    if (std::adjacent_find(entries_.begin(), entries_.end(), same) != entries_.end()) {
        std::vector<Entry> unique;
        unique.reserve(entries_.size());
        for (const Entry& e : entries_) {
            if (!unique.empty() && same(unique.back(), e)) {
                unique.back() = e;
            } else {
                unique.push_back(e);
            }
        }
        entries_.swap(unique);
    }
    if (entries_.empty()) {
        firstRow_ = lastRow_ = firstColumn_ = lastColumn_ = 1;
    } else {
        firstRow_ = int(entries_.front().row);
        lastRow_ = int(entries_.back().row);
        firstColumn_ = kMaxColumns;
        lastColumn_ = 1;
        for (const Entry& e : entries_) {
            firstColumn_ = std::min(firstColumn_, int(e.column));
            lastColumn_ = std::max(lastColumn_, int(e.column));
        }
    }
    rowStart_.assign(std::size_t(rowCount()) + 1, 0);
    std::size_t i = 0;
    for (int r = 0; r < rowCount(); ++r) {
        rowStart_[std::size_t(r)] = std::uint32_t(i);
        while (i < entries_.size() && int(entries_[i].row) == firstRow_ + r) ++i;
    }
    rowStart_.back() = std::uint32_t(entries_.size());
}

CellValue Sheet::cell(int row, int column) const {
    if (row < 1 || row > rowCount() || column < 1 || column > columnCount()) {
        throw std::out_of_range("cell (" + std::to_string(row) + ", " + std::to_string(column) +
                                ") lies outside the used range " + rangeA1());
    }
    auto begin = entries_.begin() + rowStart_[std::size_t(row - 1)];
    auto end = entries_.begin() + rowStart_[std::size_t(row)];
    const auto wanted = std::uint16_t(firstColumn_ + column - 1);
    auto it = std::lower_bound(begin, end, wanted,
                               [](const Entry& e, std::uint16_t c) { return e.column < c; });
    CellValue value;
    if (it == end || it->column != wanted) return value;
    value.kind = it->kind;
    if (it->kind == CellKind::Text) {
        value.text = texts_[it->text];
    } else if (it->kind != CellKind::Empty) {
        value.number = it->number;
    }
    return value;
}

namespace {

enum class Format { Xlsx, CompoundFile, Unknown };

Format formatOf(std::string_view head) {
    if (head.substr(0, 4) == std::string_view("PK\x03\x04", 4)) return Format::Xlsx;
    if (head.substr(0, 8) == std::string_view("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8)) {
        return Format::CompoundFile;
    }
    return Format::Unknown;
}

[[noreturn]] void notAWorkbook(const std::string& name) {
    throw SheetError("Cannot read " + name +
                     ": it is not an Excel workbook (.xlsx or Excel 97-2003 .xls)");
}

}  // namespace

Sheet readWorkbookBytes(std::string_view bytes, const std::string& name) {
    switch (formatOf(bytes)) {
        case Format::Xlsx:
            return readXlsxBytes(bytes, name);
        case Format::CompoundFile:
            return readXlsBytes(bytes, name);
        case Format::Unknown:
            break;
    }
    notAWorkbook(name);
}

Sheet ReadUsedRange(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw SheetError("Cannot open " + path);
    char head[8] = {};
    in.read(head, sizeof head);
    const std::string_view headView(head, std::size_t(in.gcount()));
    switch (formatOf(headView)) {
        case Format::Xlsx:
            in.close();
            return readXlsx(path);  // streamed from the file
        case Format::CompoundFile: {
            in.seekg(0);
            std::string bytes((std::istreambuf_iterator<char>(in)),
                              std::istreambuf_iterator<char>());
            if (in.bad()) throw SheetError("Cannot read " + path);
            return readXlsBytes(bytes, path);
        }
        case Format::Unknown:
            break;
    }
    notAWorkbook(path);
}

std::string formatNumber(double value) {
    char buffer[64];
    // Integral values in full, as far as a spreadsheet shows them in full (21 digits).
    if (std::isfinite(value) && value == std::trunc(value) && std::fabs(value) < 1e21) {
        std::snprintf(buffer, sizeof buffer, "%.0f", value == 0 ? 0.0 : value);
        return buffer;
    }
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, end);
}

std::string dumpSheet(const Sheet& sheet) {
    std::string out = "rows=" + std::to_string(sheet.rowCount()) +
                      " cols=" + std::to_string(sheet.columnCount()) + " used=" + sheet.rangeA1() +
                      "\n";
    for (int r = 1; r <= sheet.rowCount(); ++r) {
        for (int c = 1; c <= sheet.columnCount(); ++c) {
            if (c > 1) out += '\t';
            const CellValue v = sheet.cell(r, c);
            switch (v.kind) {
                case CellKind::Empty:
                    break;
                case CellKind::Number:
                    out += "n:" + formatNumber(v.number);
                    break;
                case CellKind::Boolean:
                    out += v.number != 0 ? "b:TRUE" : "b:FALSE";
                    break;
                case CellKind::Text:
                    out += "s:";
                    for (char ch : v.text) {
                        switch (ch) {
                            case '\t':
                                out += "\\t";
                                break;
                            case '\r':
                                out += "\\r";
                                break;
                            case '\n':
                                out += "\\n";
                                break;
                            case '\\':
                                out += "\\\\";
                                break;
                            default:
                                out += ch;
                        }
                    }
                    break;
            }
        }
        out += '\n';
    }
    return out;
}

}  // namespace intake
