#include "shell/printer.h"

#include <algorithm>

namespace shell {

using tsqlite::BaseType;

int displayWidth(const tsqlite::SqlType& type) {
    // sqlcmd's limit for the max types and the large-object types.
    constexpr int kLargeWidth = 256;
    switch (type.base) {
        case BaseType::Bit:
            return 1;
        case BaseType::TinyInt:
            return 3;
        case BaseType::SmallInt:
            return 6;
        case BaseType::Int:
            return 11;
        case BaseType::BigInt:
            return 20;
        case BaseType::Decimal:
            return (type.precision > 0 ? type.precision : 18) + 2;
        case BaseType::Money:
            return 21;
        case BaseType::SmallMoney:
            return 12;
        case BaseType::Float:
            return 24;
        case BaseType::Real:
            return 14;
        case BaseType::Char:
        case BaseType::VarChar:
        case BaseType::NChar:
        case BaseType::NVarChar:
            if (type.length < 0) return kLargeWidth;
            return std::max(type.length, 1);
        case BaseType::Text:
        case BaseType::NText:
        case BaseType::Image:
            return kLargeWidth;
        case BaseType::Binary:
        case BaseType::VarBinary:
            if (type.length < 0) return kLargeWidth;
            return 2 + 2 * std::max(type.length, 1);
        case BaseType::DateTime:
            return 23;
        case BaseType::SmallDateTime:
            return 19;
        case BaseType::Date:
            return 10;
        case BaseType::Time:
            return 16;
        case BaseType::UniqueIdentifier:
            return 36;
        case BaseType::Unknown:
            return 11;  // a bare NULL is an int to the server
    }
    return 11;
}

int textLength(const std::string& utf8) {
    int n = 0;
    for (unsigned char c : utf8)
        if ((c & 0xC0) != 0x80) ++n;
    return n;
}

namespace {

std::string trimRight(const std::string& s) {
    auto end = s.find_last_not_of(' ');
    return end == std::string::npos ? std::string() : s.substr(0, end + 1);
}

}  // namespace

void ResultPrinter::writeCell(const std::string& text, std::size_t column) {
    if (column > 0) out_ << format_.separator;
    if (format_.trimSpaces) {
        out_ << trimRight(text);
        return;
    }
    out_ << text;
    int pad = widths_[column] - textLength(text);
    if (pad > 0) out_ << std::string(static_cast<std::size_t>(pad), ' ');
}

void ResultPrinter::writeHeader() {
    for (std::size_t c = 0; c < columns_.size(); ++c) writeCell(columns_[c].name, c);
    out_ << '\n';
    for (std::size_t c = 0; c < columns_.size(); ++c) {
        if (c > 0) out_ << format_.separator;
        // With -W the dashes follow the name, as the values are no longer padded.
        int n = format_.trimSpaces ? textLength(columns_[c].name) : widths_[c];
        out_ << std::string(static_cast<std::size_t>(n), '-');
    }
    out_ << '\n';
}

void ResultPrinter::beginResultSet(const std::vector<tsqlite::Column>& columns) {
    if (resultSetEnded_) out_ << '\n';
    resultSetEnded_ = false;
    columns_ = columns;
    widths_.clear();
    for (const auto& col : columns_)
        widths_.push_back(std::max(textLength(col.name), displayWidth(col.type)));
    rowsSinceHeader_ = 0;
    if (format_.headers >= 0) writeHeader();
}

void ResultPrinter::row(const std::vector<tsqlite::Value>& values) {
    if (format_.headers > 0 && rowsSinceHeader_ == format_.headers) {
        out_ << '\n';
        writeHeader();
        rowsSinceHeader_ = 0;
    }
    for (std::size_t c = 0; c < columns_.size(); ++c) {
        static const tsqlite::Value missing;
        const tsqlite::Value& v = c < values.size() ? values[c] : missing;
        writeCell(v.isNull() ? std::string("NULL") : tsqlite::displayText(v, columns_[c].type), c);
    }
    out_ << '\n';
    ++rowsSinceHeader_;
}

void ResultPrinter::endResultSet() {
    resultSetEnded_ = true;
}

void ResultPrinter::rowsAffected(long long n) {
    resultSetEnded_ = false;
    out_ << "\n(" << n << (n == 1 ? " row affected)\n" : " rows affected)\n");
}

void ResultPrinter::message(const std::string& text) {
    resultSetEnded_ = false;
    out_ << text << '\n';
}

void ResultPrinter::error(const tsqlite::Error& e) {
    resultSetEnded_ = false;
    out_ << "Msg " << e.number << ", Level " << e.severity << ", State " << e.state
         << ", Server tsqlite";
    if (!e.procedure.empty()) out_ << ", Procedure " << e.procedure;
    out_ << ", Line " << e.line << '\n' << e.message << '\n';
    if (e.severity > 10) ++errors_;
}

}  // namespace shell
