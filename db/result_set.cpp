#include "db/result_set.h"

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>

#include "db/database_error.h"

#ifdef __linux__
#include <sys/mman.h>
#endif

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

constexpr size_t kBlockBytes = size_t(2) << 20;
constexpr size_t kFirstRows = 16;

}  // namespace

ResultSet::ResultSet(QList<Column> columns, const std::vector<QVariantList>& rows)
    : columns_(std::move(columns)),
      width_(std::max<size_t>(static_cast<size_t>(columns_.size()), 1)),
      rowsPerBlock_(std::max<size_t>(kBlockBytes / (width_ * sizeof(QVariant)), 1)) {
    for (const QVariantList& values : rows) appendRow(values);
}

ResultSet::Block ResultSet::makeBlock(size_t cells) {
    const size_t bytes = cells * sizeof(QVariant);
    void* memory = nullptr;
#ifdef __linux__
    // A full block asks for a huge page: reading a large result touches every page of it
    // once, and a fault per 4 KB costs more than filling the page.
    if (bytes >= kBlockBytes / 2) {
        const size_t rounded = (bytes + kBlockBytes - 1) / kBlockBytes * kBlockBytes;
        memory = std::aligned_alloc(kBlockBytes, rounded);
        if (memory) madvise(memory, rounded, MADV_HUGEPAGE);
    }
#endif
    if (!memory) memory = std::malloc(std::max<size_t>(bytes, 1));
    if (!memory) throw std::bad_alloc();
    auto* first = static_cast<QVariant*>(memory);
    std::uninitialized_default_construct_n(first, cells);
    return Block(first, [cells](QVariant* p) {
        std::destroy_n(p, cells);
        std::free(p);
    });
}

QVariant* ResultSet::appendRow() {
    const size_t row = static_cast<size_t>(rowCount_);
    const size_t at = row % rowsPerBlock_;
    if (row < rowsPerBlock_) {
        // The first block: grown by doubling, and taken apart from a copy that shares it.
        if (blocks_.empty() || row == firstCapacity_ || blocks_.front().use_count() > 1) {
            const size_t capacity =
                row < firstCapacity_
                    ? firstCapacity_
                    : std::min(std::max(kFirstRows, 2 * firstCapacity_), rowsPerBlock_);
            Block grown = makeBlock(capacity * width_);
            if (!blocks_.empty()) std::copy_n(blocks_.front().get(), row * width_, grown.get());
            if (blocks_.empty())
                blocks_.push_back(std::move(grown));
            else
                blocks_.front() = std::move(grown);
            firstCapacity_ = capacity;
        }
    } else if (at == 0) {
        blocks_.push_back(makeBlock(rowsPerBlock_ * width_));
    } else if (blocks_.back().use_count() > 1) {
        Block own = makeBlock(rowsPerBlock_ * width_);
        std::copy_n(blocks_.back().get(), at * width_, own.get());
        blocks_.back() = std::move(own);
    }
    ++rowCount_;
    return blocks_.back().get() + at * width_;
}

void ResultSet::appendRow(const QVariantList& values) {
    QVariant* cells = appendRow();
    const qsizetype n = std::min<qsizetype>(values.size(), columns_.size());
    for (qsizetype i = 0; i < n; ++i) cells[i] = values[i];
}

QVariantList ResultSet::row(int row) const {
    if (row < 0 || row >= rowCount_) outOfRange(row, 0);
    QVariantList values;
    values.reserve(columns_.size());
    for (int c = 0; c < columnCount(); ++c) values << cell(row, c);
    return values;
}

void ResultSet::outOfRange(int row, int column) const {
    throw std::out_of_range("result set: no cell at row " + std::to_string(row) + ", column " +
                            std::to_string(column) + " of " + std::to_string(rowCount_) + " x " +
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
