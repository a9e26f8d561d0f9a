#include "db/param_types.h"

#include <QDateTime>

#include "db/decimal.h"

namespace db {

QString ParamType::toString() const {
    switch (kind) {
        case ParamKind::Bit:
            return QStringLiteral("bit");
        case ParamKind::Int:
            return QStringLiteral("int");
        case ParamKind::BigInt:
            return QStringLiteral("bigint");
        case ParamKind::Decimal:
            return QStringLiteral("decimal(%1,%2)").arg(precision).arg(scale);
        case ParamKind::Float:
            return QStringLiteral("float");
        case ParamKind::DateTime:
            return QStringLiteral("datetime");
        case ParamKind::NVarChar:
            return length < 0 ? QStringLiteral("nvarchar(max)")
                              : QStringLiteral("nvarchar(%1)").arg(length);
        case ParamKind::VarBinary:
            return length < 0 ? QStringLiteral("varbinary(max)")
                              : QStringLiteral("varbinary(%1)").arg(length);
    }
    return {};
}

bool isNullParameter(const QVariant& v) {
    if (v.isNull()) return true;
    if (v.typeId() == QMetaType::QDateTime)
        return !static_cast<const QDateTime*>(v.constData())->isValid();
    if (v.typeId() == QMetaType::QDate) return !static_cast<const QDate*>(v.constData())->isValid();
    return false;
}

ParamType parameterType(const QVariant& v) {
    ParamType t;
    // The usual key, a row's id, read in place.
    if (v.typeId() == QMetaType::LongLong || v.typeId() == QMetaType::Int) {
        const qlonglong n = v.isNull() ? 0
                            : v.typeId() == QMetaType::Int
                                ? *static_cast<const int*>(v.constData())
                                : *static_cast<const qlonglong*>(v.constData());
        t.kind = n >= INT32_MIN && n <= INT32_MAX ? ParamKind::Int : ParamKind::BigInt;
        return t;
    }
    if (v.metaType() == QMetaType::fromType<Decimal>()) {
        static const Decimal zero;
        const Decimal& d = v.isNull() ? zero : *static_cast<const Decimal*>(v.constData());
        t.kind = ParamKind::Decimal;
        // At least decimal's default precision, 18: declared by its digits, every count of
        // digits in a column's values would be another statement for the server to compile.
        t.precision = qBound(18, d.precision(), 38);
        t.scale = qBound(0, d.scale(), t.precision);
        return t;
    }
    switch (v.typeId()) {
        case QMetaType::Bool:
            t.kind = ParamKind::Bit;
            return t;
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::Long:
        case QMetaType::ULong:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Char:
        case QMetaType::SChar:
        case QMetaType::UChar: {
            // An int where it fits, as SQL Server types a number: a bigint would make the
            // server convert int columns.
            const qlonglong n = v.isNull() ? 0 : v.toLongLong();
            t.kind = n >= INT32_MIN && n <= INT32_MAX ? ParamKind::Int : ParamKind::BigInt;
            return t;
        }
        case QMetaType::Double:
        case QMetaType::Float:
            t.kind = ParamKind::Float;
            return t;
        case QMetaType::QDateTime:
        case QMetaType::QDate:
            t.kind = ParamKind::DateTime;
            return t;
        case QMetaType::QByteArray:
            t.kind = ParamKind::VarBinary;
            t.length = !v.isNull() && v.toByteArray().size() > 8000 ? -1 : 8000;
            return t;
        case QMetaType::QString:
            // One declared length for every short text: a statement run once per row is then
            // one statement to the server, not one per length of its texts.
            t.length = !v.isNull() && static_cast<const QString*>(v.constData())->size() > 4000
                           ? -1
                           : 4000;
            return t;
        default:
            break;
    }
    t.length = !v.isNull() && v.toString().size() > 4000 ? -1 : 4000;
    return t;
}

}  // namespace db
