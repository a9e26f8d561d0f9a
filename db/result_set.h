#pragma once
// Rows as the server returns them, with typed columns, and the values that travel with
// statements and procedure calls.
#include <QList>
#include <QMap>
#include <QString>
#include <QVariant>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "db/decimal.h"

namespace db {

// What a column holds, and the QVariant type its values come in:
//   Integer  qlonglong      (tinyint .. bigint)
//   Decimal  db::Decimal    (decimal, numeric, money: exact)
//   Float    double         (float, real)
//   String   QString        (char .. ntext, uniqueidentifier)
//   DateTime QDateTime      (datetime, smalldatetime, date)
//   Bool     bool           (bit)
//   Binary   QByteArray     (binary, varbinary, image)
// NULL is a null QVariant.
enum class FieldType { Unknown, Integer, Decimal, Float, String, DateTime, Bool, Binary };

struct Column {
    QString name;
    FieldType type = FieldType::Unknown;
    int size = 0;  // characters of a string column (-1 = max), bytes of a binary one
    // Decimal: digits in all, and after the point. Integer: the decimal digits of its type as
    // ODBC reports them (3 tinyint, 5 smallint, 10 int, 19 bigint; 0 when not known).
    int precision = 0;
    int scale = 0;
};

// The least and the greatest value a number column holds (qlonglong for integers, Decimal for
// decimals of known precision); nullopt for other columns, which the client does not limit.
struct NumberLimits {
    QVariant lowest;
    QVariant highest;
};
std::optional<NumberLimits> numberLimits(const Column& column);
// Whether a value already of the column's kind (qlonglong, Decimal) lies within its limits.
bool fitsColumn(const QVariant& value, const Column& column);
// SQL Server's message 8115 for a value beyond the column's type.
QString overflowMessage(const Column& column);

class ResultSet {
public:
    ResultSet() : ResultSet(QList<Column>(), {}) {}
    // Each row holds a value per column: a shorter one is filled with NULLs.
    ResultSet(QList<Column> columns, const std::vector<QVariantList>& rows);
    ResultSet(const ResultSet&) = default;
    ResultSet& operator=(const ResultSet&) = default;
    // The set moved from is left empty, with its columns gone.
    ResultSet(ResultSet&& other) noexcept { swap(other); }
    ResultSet& operator=(ResultSet&& other) noexcept {
        ResultSet(std::move(other)).swap(*this);
        return *this;
    }
    void swap(ResultSet& other) noexcept {
        columns_.swap(other.columns_);
        std::swap(width_, other.width_);
        std::swap(rowsPerBlock_, other.rowsPerBlock_);
        std::swap(firstCapacity_, other.firstCapacity_);
        blocks_.swap(other.blocks_);
        std::swap(rowCount_, other.rowCount_);
    }

    const QList<Column>& columns() const { return columns_; }
    int columnCount() const { return static_cast<int>(columns_.size()); }
    int rowCount() const { return rowCount_; }
    bool isEmpty() const { return rowCount_ == 0; }

    // The column's position, found ignoring letter case; -1 when there is none.
    int columnIndex(const QString& name) const;
    // As columnIndex, but a missing column is an error.
    int fieldIndex(const QString& name) const;

    // A row or column outside the set is an error (std::out_of_range).
    const QVariant& value(int row, int column) const {
        if (row < 0 || row >= rowCount_ || column < 0 || column >= columnCount())
            outOfRange(row, column);
        return cell(row, column);
    }
    const QVariant& value(int row, const QString& name) const {
        return value(row, fieldIndex(name));
    }
    QVariantList row(int row) const;

    void appendRow(const QVariantList& values);
    // Appends a row of NULLs and returns its cells, columnCount() of them, to be set in place.
    QVariant* appendRow();

private:
    // Rows are kept in blocks of cells rather than a list per row: a result of 200,000 rows
    // would otherwise cost 200,000 allocations to read and as many to free. A block holds
    // rowsPerBlock_ rows (about 2 MB, which the system may give as one page instead of 512);
    // the first grows up to that size, so a small result takes little memory. Copies of a
    // result set share the blocks.
    using Block = std::shared_ptr<QVariant[]>;
    static Block makeBlock(size_t cells);

    const QVariant& cell(int row, int column) const {
        const size_t r = static_cast<size_t>(row);
        return blocks_[r / rowsPerBlock_]
                      [(r % rowsPerBlock_) * width_ + static_cast<size_t>(column)];
    }
    [[noreturn]] void outOfRange(int row, int column) const;

    QList<Column> columns_;
    size_t width_ = 1;          // cells per row: the columns, at least one
    size_t rowsPerBlock_ = 1;   // rows of a full block
    size_t firstCapacity_ = 0;  // rows the first block has room for
    std::vector<Block> blocks_;
    int rowCount_ = 0;
};

// Values of a statement's :name parameters, by name without the colon. Lookups ignore letter
// case, as the server does with names.
using Params = QMap<QString, QVariant>;
const QVariant* findParam(const Params& params, const QString& name);

// One argument of a procedure call, passed by name.
struct ProcParam {
    QString name;    // "@DocCode"; the "@" may be left out
    QVariant value;  // the input, or the starting value of an output parameter
    bool output = false;
    // The type an output comes back as. The embedded server does not report the types of a
    // procedure's parameters, so give it for outputs that are not plain numbers or texts.
    FieldType type = FieldType::Unknown;

    static ProcParam in(const QString& name, const QVariant& value) {
        return {name, value, false, FieldType::Unknown};
    }
    static ProcParam out(const QString& name, FieldType type = FieldType::Unknown,
                         const QVariant& start = {}) {
        return {name, start, true, type};
    }
};

struct ProcResult {
    int returnValue = 0;
    QMap<QString, QVariant> outputs;  // by parameter name with its "@"
    QList<ResultSet> resultSets;

    // An output by name, ignoring letter case, with or without the "@"; null when absent.
    QVariant output(const QString& name) const;
};

}  // namespace db
