#include "db/result_set.h"

#include <limits>

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
