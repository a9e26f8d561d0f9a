#pragma once
// Rows as the server returns them, with typed columns, and the values that travel with
// statements and procedure calls.
#include <QList>
#include <QMap>
#include <QString>
#include <QVariant>
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
    ResultSet(QList<Column> columns, std::vector<QVariantList> rows)
        : columns_(std::move(columns)), rows_(std::move(rows)) {}

    const QList<Column>& columns() const { return columns_; }
    int columnCount() const { return static_cast<int>(columns_.size()); }
    int rowCount() const { return static_cast<int>(rows_.size()); }
    bool isEmpty() const { return rows_.empty(); }

    // The column's position, found ignoring letter case; -1 when there is none.
    int columnIndex(const QString& name) const;
    // As columnIndex, but a missing column is an error.
    int fieldIndex(const QString& name) const;

    const QVariant& value(int row, int column) const { return rows_.at(row).at(column); }
    const QVariant& value(int row, const QString& name) const {
        return value(row, fieldIndex(name));
    }
    const QVariantList& row(int row) const { return rows_.at(row); }
    const std::vector<QVariantList>& rows() const { return rows_; }

    void appendRow(QVariantList values) { rows_.push_back(std::move(values)); }

private:
    QList<Column> columns_;
    std::vector<QVariantList> rows_;
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
