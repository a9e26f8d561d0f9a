#pragma once
// Rows as the server returns them, with typed columns, and the values that travel with
// statements and procedure calls.
#include <QList>
#include <QMap>
#include <QString>
#include <QVariant>
#include <memory>
#include <optional>
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
    ResultSet() = default;
    // Each row holds a value per column: a shorter one is filled with NULLs.
    ResultSet(QList<Column> columns, const std::vector<QVariantList>& rows);

    const QList<Column>& columns() const { return columns_; }
    int columnCount() const { return static_cast<int>(columns_.size()); }
    int rowCount() const { return storage_ ? storage_->rows : 0; }
    bool isEmpty() const { return rowCount() == 0; }

    // The column's position, found ignoring letter case; -1 when there is none.
    int columnIndex(const QString& name) const;
    // As columnIndex, but a missing column is an error.
    int fieldIndex(const QString& name) const;

    // A row or column outside the set is an error (std::out_of_range).
    const QVariant& value(int row, int column) const {
        if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount())
            outOfRange(row, column);
        const Storage& s = *storage_;
        const size_t r = static_cast<size_t>(row);
        const quint32 number = s.chunks[r / s.rowsPerChunk][(r % s.rowsPerChunk) * s.width +
                                                            static_cast<size_t>(column)];
        return s.values[static_cast<size_t>(column)][number];
    }
    const QVariant& value(int row, const QString& name) const {
        return value(row, fieldIndex(name));
    }
    QVariantList row(int row) const;

    void appendRow(const QVariantList& values);

    // For a reader that knows which values repeat: a value is added to its column once and
    // rows refer to it by its number there. Number 0 is NULL.
    quint32 addValue(int column, const QVariant& value);
    // Appends a row of NULLs and returns its value numbers, columnCount() of them, to be set
    // before the set changes again.
    quint32* appendRow();

private:
    // Each column holds its values once, and a row the numbers of its values: a result of
    // 200,000 rows with the same branch, dates, products and prices throughout takes a few
    // bytes a cell instead of a QVariant, and no allocation per row. Copies of a result set
    // share it until one of them grows.
    struct Storage {
        std::vector<std::vector<QVariant>> values;  // per column
        // The rows' value numbers, row by row, in chunks of rowsPerChunk rows: a chunk is
        // never moved as the set grows.
        std::vector<std::vector<quint32>> chunks;
        size_t width = 1;  // numbers per row, at least one
        size_t rowsPerChunk = 1;
        int rows = 0;
    };
    Storage& writable();
    [[noreturn]] void outOfRange(int row, int column) const;

    QList<Column> columns_;
    std::shared_ptr<Storage> storage_;
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
