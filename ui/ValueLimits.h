#pragma once
// What a number field says when the number typed is beyond what it can hold. Grids take the
// limits from their column's type, the whole-number field from its range.
#include <QString>
#include <QVariant>

namespace db {
struct Column;
}

// The message naming the values that may be typed. `lowest` and `highest` are qlonglong or
// db::Decimal.
QString outOfRangeMessage(const QVariant& lowest, const QVariant& highest);

// Empty when `text` is a number the column can hold, or is no number at all (the column's own
// conversion refuses that); otherwise the message.
QString columnRangeRefusal(const QString& text, const db::Column& column);
