#pragma once
// Writes what a batch produces the way sqlcmd shows it: column headers, a line of dashes,
// rows padded to the column widths, "(N rows affected)", messages and errors.
#include <ostream>
#include <string>
#include <vector>

#include "tsqlite/session.h"

namespace shell {

struct Format {
    int headers = 0;          // -1 none, 0 once per result set, N repeated every N rows
    bool trimSpaces = false;  // -W
    std::string separator = " ";
};

// Characters sqlcmd reserves for a column of this type.
int displayWidth(const tsqlite::SqlType& type);

// Number of characters (code points) in a UTF-8 text.
int textLength(const std::string& utf8);

class ResultPrinter : public tsqlite::Sink {
public:
    ResultPrinter(std::ostream& out, Format format) : out_(out), format_(std::move(format)) {}

    void beginResultSet(const std::vector<tsqlite::Column>& columns) override;
    void row(const std::vector<tsqlite::Value>& values) override;
    void endResultSet() override;
    void rowsAffected(long long n) override;
    void message(const std::string& text) override;
    void error(const tsqlite::Error& e) override;

    // Errors (severity above 10) written since the last call.
    int takeErrorCount() {
        int n = errors_;
        errors_ = 0;
        return n;
    }

private:
    void writeHeader();
    void writeCell(const std::string& text, std::size_t column);

    std::ostream& out_;
    Format format_;
    std::vector<tsqlite::Column> columns_;
    std::vector<int> widths_;
    long long rowsSinceHeader_ = 0;
    bool resultSetEnded_ = false;  // the next result set needs a blank line before it
    int errors_ = 0;
};

}  // namespace shell
