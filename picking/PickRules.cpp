#include "picking/PickRules.h"

#include "db/decimal.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

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
    const size_t n = rows.size();
    std::string folded;
    folded.reserve(n * 16);
    std::vector<std::pair<size_t, size_t>> span(n);  // offset and size in `folded`
    std::vector<bool> ascii(n, true);
    for (size_t r = 0; r < n; ++r) {
        const QString& text = rows[r].sortGroup;
        const size_t from = folded.size();
        for (const QChar ch : text) {
            const char16_t c = ch.unicode();
            if (c >= 0x80) {
                ascii[r] = false;
                folded.resize(from);
                break;
            }
            folded.push_back(static_cast<char>(c >= u'A' && c <= u'Z' ? c - u'A' + u'a' : c));
        }
        span[r] = {from, folded.size() - from};
    }
    auto key = [&](size_t r) {
        return std::string_view(folded).substr(span[r].first, span[r].second);
    };
    std::vector<size_t> order(n);
    for (size_t i = 0; i < n; ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        if (ascii[a] && ascii[b]) return key(a) < key(b);
        return QString::compare(rows[a].sortGroup, rows[b].sortGroup, Qt::CaseInsensitive) < 0;
    });
    std::vector<MemoryRow> sorted;
    sorted.reserve(n);
    for (size_t i : order) sorted.push_back(std::move(rows[i]));
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
