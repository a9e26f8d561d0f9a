#include "picking/PickRules.h"

#include "db/decimal.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <optional>
#include <string>

namespace pick_rules {

long long wholeStock(const QVariant& value) {
    if (value.isNull()) return 0;
    // The stock columns are decimals: rounded by their own digits, without a detour through
    // the conversions of QVariant.
    if (value.metaType() == QMetaType::fromType<db::Decimal>()) {
        const db::Decimal& d = *static_cast<const db::Decimal*>(value.constData());
        const std::optional<qint64> all = d.units();
        if (all && d.scale() <= 18) {
            qint64 power = 1;
            for (int i = 0; i < d.scale(); ++i) power *= 10;
            const qint64 rest = *all % power;  // both truncate toward zero
            qint64 whole = *all / power;
            if (2 * (rest < 0 ? -rest : rest) >= power) whole += *all < 0 ? -1 : 1;
            return whole;
        }
        const db::Decimal whole = d.rounded(0);
        if (const std::optional<qint64> units = whole.units()) return *units;
        return whole.isNegative() ? std::numeric_limits<long long>::min()
                                  : std::numeric_limits<long long>::max();
    }
    bool ok = false;
    const double d = value.toDouble(&ok);
    if (!ok || std::isnan(d)) return 0;
    if (d >= 9.0e18) return std::numeric_limits<long long>::max();
    if (d <= -9.0e18) return std::numeric_limits<long long>::min();
    return std::llround(d);
}

QString lineStatus(const QVariant& onhand40, const QVariant& onhandDC, const QString& negative) {
    if (wholeStock(onhand40) <= 0 && negative == u"N") return QStringLiteral("O");
    if (wholeStock(onhandDC) > 0) return QStringLiteral("P");
    if (negative == u"Y") return QStringLiteral("P");
    return QStringLiteral("B");
}

QString sheetText(int sheet) {
    return (QStringLiteral("00") + QString::number(sheet)).right(3);
}

MemoryRow memoryRow(qlonglong id, const QString& group, const QString& status,
                    const QString& sortGroup) {
    return MemoryRow{id, group.left(kGroupWidth), status.left(1), sortGroup.left(kSortGroupWidth)};
}

void sortMemory(std::vector<MemoryRow>& rows) {
    // Ten thousand rows make some 140,000 comparisons: the keys are folded once per row, into
    // one buffer. For ASCII text, QString::compare(..., Qt::CaseInsensitive) compares the bytes
    // with A-Z folded to a-z; a key with other characters is compared by Qt itself.
    struct Key {
        uint32_t row;
        uint32_t from;  // in `folded`
        uint32_t size;
        bool ascii;
    };
    const size_t n = rows.size();
    std::string folded;
    folded.reserve(n * 16);
    std::vector<Key> keys(n);
    for (size_t r = 0; r < n; ++r) {
        const QString& text = rows[r].sortGroup;
        Key& key = keys[r];
        key.row = static_cast<uint32_t>(r);
        key.from = static_cast<uint32_t>(folded.size());
        key.ascii = true;
        folded.resize(key.from + static_cast<size_t>(text.size()));
        char* out = folded.data() + key.from;
        const char16_t* in = reinterpret_cast<const char16_t*>(text.utf16());
        for (qsizetype k = 0; k < text.size(); ++k) {
            const char16_t c = in[k];
            if (c >= 0x80) {
                key.ascii = false;
                folded.resize(key.from);
                break;
            }
            out[k] = static_cast<char>(c >= u'A' && c <= u'Z' ? c - u'A' + u'a' : c);
        }
        key.size = static_cast<uint32_t>(folded.size()) - key.from;
    }
    const char* bytes = folded.data();
    std::stable_sort(keys.begin(), keys.end(), [&](const Key& a, const Key& b) {
        if (a.ascii && b.ascii) {
            const int order = std::memcmp(bytes + a.from, bytes + b.from, std::min(a.size, b.size));
            return order != 0 ? order < 0 : a.size < b.size;
        }
        return QString::compare(rows[a.row].sortGroup, rows[b.row].sortGroup, Qt::CaseInsensitive) <
               0;
    });
    std::vector<MemoryRow> sorted;
    sorted.reserve(n);
    for (const Key& key : keys) sorted.push_back(std::move(rows[key.row]));
    rows = std::move(sorted);
}

std::vector<LineWrite> walk(const std::vector<MemoryRow>& sorted,
                            const std::function<QString()>& newSheetNo) {
    std::vector<qlonglong> picked;
    for (const MemoryRow& row : sorted)
        if (row.status == u"P") picked.push_back(row.id);
    std::sort(picked.begin(), picked.end());

    std::vector<LineWrite> writes;
    writes.reserve(sorted.size());
    // The group text of the current sheet ("group#001") is made once per sheet.
    QString currentGroup, currentSort, sheetNo, sheetGroup;
    bool started = false;
    int item = 1, sheet = 1;
    for (const MemoryRow& row : sorted) {
        LineWrite w;
        if (row.status == u"P") {
            if (!started || row.group != currentGroup) {
                started = true;
                item = 1;
                sheet = 1;
                currentGroup = row.group;
                currentSort = row.sortGroup;
                sheetNo = newSheetNo();
                sheetGroup = row.group + u'#' + sheetText(sheet);
            } else {
                if (row.sortGroup != currentSort) {
                    currentSort = row.sortGroup;
                    ++item;
                }
                if (item > kItemsPerSheet) {
                    ++sheet;
                    item = 1;
                    sheetNo = newSheetNo();
                    sheetGroup = row.group + u'#' + sheetText(sheet);
                }
            }
            w.kind = LineWrite::Picked;
            w.group = sheetGroup;
            w.sheetNo = sheetNo;
        } else {
            w.kind = std::binary_search(picked.begin(), picked.end(), row.id) ? LineWrite::Skipped
                                                                              : LineWrite::Closing;
        }
        w.item = item;
        w.sheet = sheet;
        writes.push_back(std::move(w));
    }
    return writes;
}

}  // namespace pick_rules
