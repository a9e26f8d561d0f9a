#include "db/result_set.h"

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>

#include "db/database_error.h"

namespace db {

namespace {

// The range of an integer column by its type's digits; bigint when not known.
std::pair<qlonglong, qlonglong> integerRange(int digits) {
    switch (digits) {
        case 3:
            return {0, 255};
        case 5:
            return {-32768, 32767};
        case 10:
            return {std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max()};
        default:
            return {std::numeric_limits<qint64>::min(), std::numeric_limits<qint64>::max()};
    }
}

// Digits before the point of a decimal, leading zeros not counted.
int integerDigits(const Decimal& d) {
    const QString text = d.toString();
    qsizetype start = text.startsWith(u'-') ? 1 : 0;
    qsizetype end = text.indexOf(u'.');
    if (end < 0) end = text.size();
    while (start < end && text[start] == u'0') ++start;
    return static_cast<int>(end - start);
}

}  // namespace

std::optional<NumberLimits> numberLimits(const Column& column) {
    if (column.type == FieldType::Integer) {
        const auto [lowest, highest] = integerRange(column.precision);
        return NumberLimits{lowest, highest};
    }
    if (column.type == FieldType::Decimal && column.precision > 0) {
        const int whole = qMax(0, column.precision - column.scale);
        QString nines = whole > 0 ? QString(whole, u'9') : QStringLiteral("0");
        if (column.scale > 0) nines += u'.' + QString(column.scale, u'9');
        const Decimal highest = *Decimal::parse(nines);
        const Decimal lowest = *Decimal::parse(u'-' + nines);
        return NumberLimits{QVariant::fromValue(lowest), QVariant::fromValue(highest)};
    }
    return std::nullopt;
}

bool fitsColumn(const QVariant& value, const Column& column) {
    if (value.isNull()) return true;
    if (column.type == FieldType::Integer) {
        const auto [lowest, highest] = integerRange(column.precision);
        const qlonglong n = value.toLongLong();
        return n >= lowest && n <= highest;
    }
    if (column.type == FieldType::Decimal && column.precision > 0 &&
        value.metaType() == QMetaType::fromType<Decimal>())
        return integerDigits(value.value<Decimal>().rounded(column.scale)) <=
               column.precision - column.scale;
    return true;
}

QString overflowMessage(const Column& column) {
    if (column.type == FieldType::Decimal)
        return QStringLiteral("Arithmetic overflow error converting numeric to data type numeric.");
    const char* type = column.precision == 3    ? "tinyint"
                       : column.precision == 5  ? "smallint"
                       : column.precision == 10 ? "int"
                                                : "bigint";
    return QStringLiteral("Arithmetic overflow error converting expression to data type %1.")
        .arg(QLatin1String(type));
}

namespace {

constexpr size_t kChunkNumbers = 64 * 1024;

}  // namespace

ResultSet::ResultSet(QList<Column> columns, const std::vector<QVariantList>& rows)
    : columns_(std::move(columns)) {
    for (const QVariantList& values : rows) appendRow(values);
}

ResultSet::Storage& ResultSet::writable() {
    if (!storage_) {
        storage_ = std::make_shared<Storage>();
        storage_->values.resize(static_cast<size_t>(columns_.size()), std::vector<QVariant>(1));
        storage_->width = std::max<size_t>(static_cast<size_t>(columns_.size()), 1);
        storage_->rowsPerChunk = std::max<size_t>(kChunkNumbers / storage_->width, 1);
    } else if (storage_.use_count() > 1) {
        storage_ = std::make_shared<Storage>(*storage_);
    }
    return *storage_;
}

quint32 ResultSet::addValue(int column, const QVariant& value) {
    if (!value.isValid()) return 0;
    std::vector<QVariant>& values = writable().values.at(static_cast<size_t>(column));
    values.push_back(value);
    return static_cast<quint32>(values.size() - 1);
}

quint32* ResultSet::appendRow() {
    Storage& s = writable();
    const size_t row = static_cast<size_t>(s.rows);
    if (row % s.rowsPerChunk == 0) {
        s.chunks.emplace_back();
        // The first chunk grows with the rows, so that a small result stays small.
        if (row > 0) s.chunks.back().reserve(s.rowsPerChunk * s.width);
    }
    std::vector<quint32>& chunk = s.chunks.back();
    chunk.resize(chunk.size() + s.width, 0);
    ++s.rows;
    return chunk.data() + (chunk.size() - s.width);
}

void ResultSet::appendRow(const QVariantList& values) {
    const qsizetype n = std::min<qsizetype>(values.size(), columns_.size());
    std::vector<quint32> numbers(static_cast<size_t>(n));
    for (qsizetype i = 0; i < n; ++i)
        numbers[static_cast<size_t>(i)] = addValue(static_cast<int>(i), values[i]);
    std::copy(numbers.begin(), numbers.end(), appendRow());
}

QVariantList ResultSet::row(int row) const {
    if (row < 0 || row >= rowCount()) outOfRange(row, 0);
    QVariantList values;
    values.reserve(columns_.size());
    for (int c = 0; c < columnCount(); ++c) values << value(row, c);
    return values;
}

void ResultSet::outOfRange(int row, int column) const {
    throw std::out_of_range("result set: no cell at row " + std::to_string(row) + ", column " +
                            std::to_string(column) + " of " + std::to_string(rowCount()) + " x " +
                            std::to_string(columnCount()));
}

int ResultSet::columnIndex(const QString& name) const {
    for (int i = 0; i < columns_.size(); ++i)
        if (columns_[i].name.compare(name, Qt::CaseInsensitive) == 0) return i;
    return -1;
}

int ResultSet::fieldIndex(const QString& name) const {
    int i = columnIndex(name);
    if (i < 0) throw DatabaseError(QStringLiteral("Field '%1' not found.").arg(name));
    return i;
}

const QVariant* findParam(const Params& params, const QString& name) {
    auto exact = params.constFind(name);
    if (exact != params.constEnd()) return &exact.value();
    for (auto it = params.constBegin(); it != params.constEnd(); ++it)
        if (it.key().compare(name, Qt::CaseInsensitive) == 0) return &it.value();
    return nullptr;
}

QVariant ProcResult::output(const QString& name) const {
    QString key = name.startsWith(QLatin1Char('@')) ? name : QLatin1Char('@') + name;
    for (auto it = outputs.constBegin(); it != outputs.constEnd(); ++it)
        if (it.key().compare(key, Qt::CaseInsensitive) == 0) return it.value();
    return {};
}

}  // namespace db
