#pragma once
// The decisions of the pick confirmation, apart from the screen and the database: the status
// of a loaded line and the cut of the picked lines into numbered sheets of at most 30 items
// per picking group.
#include <QString>
#include <QVariant>
#include <functional>
#include <vector>

namespace pick_rules {

inline constexpr int kItemsPerSheet = 30;
inline constexpr int kGroupWidth = 10;      // MemoryPick.ResponsProdGroup
inline constexpr int kSortGroupWidth = 50;  // MemoryPick.SortGroup

// A stock figure as the whole number the rule compares with 0: rounded half away from zero;
// NULL is 0, and figures beyond what 64 bits hold keep their sign.
long long wholeStock(const QVariant& value);

// "O" out of stock, "P" picked, "B" left for a later run.
QString lineStatus(const QVariant& onhand40, const QVariant& onhandDC, const QString& negative);

// "001" .. "999": "00" and the number, cut to its last three characters.
QString sheetText(int sheet);

// One row of MemoryPick.
struct MemoryRow {
    qlonglong id = 0;
    QString group;      // cut to kGroupWidth
    QString status;     // one letter
    QString sortGroup;  // cut to kSortGroupWidth
};
MemoryRow memoryRow(qlonglong id, const QString& group, const QString& status,
                    const QString& sortGroup);

// Sorts by SortGroup ignoring letter case; rows of equal keys keep their order.
void sortMemory(std::vector<MemoryRow>& rows);

// What the walk writes for one sorted row.
struct LineWrite {
    enum Kind {
        Picked,   // picked-line update
        Closing,  // closing update with the row's status
        Skipped,  // a line picked at another of its locations keeps that
    };
    Kind kind = Skipped;
    int item = 1;     // item number on the sheet, as the progress shows it
    int sheet = 1;    // the group's sheet, as the progress shows it
    QString group;    // Picked: group "#" three-digit sheet; otherwise ""
    QString sheetNo;  // Picked: the sheet's "PRODUCTMANAGE" number
};

// Walks the sorted rows: a new group starts sheet 1 with a new number, the 31st item of a
// group starts the next sheet with a new number (newSheetNo is called for each). Letter case
// counts when groups and sort keys are compared. A line with several rows (one per stock
// location) that is picked at one of them stays picked: its other rows are skipped.
std::vector<LineWrite> walk(const std::vector<MemoryRow>& sorted,
                            const std::function<QString()>& newSheetNo);

}  // namespace pick_rules
