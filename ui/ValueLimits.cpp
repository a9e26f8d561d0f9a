#include "ui/ValueLimits.h"

#include <QRegularExpression>

#include "data/NumberFormat.h"
#include "db/decimal.h"
#include "db/result_set.h"

namespace {

QString limitText(const QVariant& value) {
    if (value.metaType() == QMetaType::fromType<db::Decimal>()) {
        const int scale = value.value<db::Decimal>().scale();
        QString pattern = QStringLiteral("#,##0");
        if (scale > 0) pattern += u'.' + QString(scale, u'0');
        return formatValue(value, pattern);
    }
    return formatValue(value, QStringLiteral("#,##0"));
}

}  // namespace

QString outOfRangeMessage(const QVariant& lowest, const QVariant& highest) {
    return QStringLiteral("ค่าที่ป้อนเกินกว่าที่ช่องนี้เก็บได้\n\rป้อนได้ตั้งแต่ %1 ถึง %2")
        .arg(limitText(lowest), limitText(highest));
}

QString columnRangeRefusal(const QString& text, const db::Column& column) {
    const std::optional<db::NumberLimits> limits = db::numberLimits(column);
    if (!limits) return {};
    const QString typed = text.trimmed();
    bool fits = true;
    if (column.type == db::FieldType::Integer) {
        static const QRegularExpression digits(QStringLiteral("^[-+]?\\d+$"));
        if (!digits.match(typed).hasMatch()) return {};
        bool ok = false;
        const qlonglong n = typed.toLongLong(&ok);
        // Digits too many for any integer are beyond the column as well.
        fits = ok && db::fitsColumn(n, column);
    } else {
        const std::optional<db::Decimal> d = db::Decimal::parse(typed);
        if (!d) return {};
        fits = db::fitsColumn(QVariant::fromValue(*d), column);
    }
    return fits ? QString() : outOfRangeMessage(limits->lowest, limits->highest);
}
