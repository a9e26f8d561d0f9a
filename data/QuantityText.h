#pragma once
// Quantities as text in a product's units, for printed documents: whole larger units and the
// smallest units left over ("2 (ลัง) 6 (ขวด)"), or whole stock units and a fraction of one
// ("2;1/2  โหล"). TDM looks the units up; the texts are built here from the rows it read.
#include <QString>
#include <cstdint>

// One unit with its product's smallest unit (the unit look-up); found is false without a row.
struct UnitFractionRow {
    bool found = false;
    QString lUnit;        // the unit's name
    qint64 fraction = 0;  // smallest units in one of it
    QString sUnit;        // the product's smallest unit
    qint64 product = 0;
};

// The product's stock unit (the stock-unit look-up); found is false without a row.
struct StockUnitRow {
    bool found = false;
    qint64 fraction = 0;
    QString unitName;
};

// From the settings row: decimals of quantity texts (0 when empty) and what is written
// before and after a unit name.
struct QuantitySettings {
    int onhandDecimal = 0;
    QString unitLeft;
    QString unitRight;
};

// The quantity of a unit in smallest units, truncated toward zero; ConvertError when it does
// not fit a 32-bit integer.
std::int32_t smallUnitsOf(double quantity, qint64 fraction);

// "whole;numerator/denominator  stock unit" for n smallest units. A product without a usable
// stock unit (none, or a fraction below 1) is counted in its smallest unit `smallUnit`.
QString fracSmallByStockText(std::int32_t n, const StockUnitRow& stock, const QString& smallUnit);

// Whole units and smallest units left over, trimmed, with "- " before a negative quantity.
QString onhandQuantityText(const UnitFractionRow& unit, const QuantitySettings& settings,
                           double quantity);

// One piece of that text, untrimmed: part 1 the whole larger units, part 2 the smallest units.
QString onhandQuantityLSUnitText(const UnitFractionRow& unit, int part, double quantity);

// Blanks and control characters off both ends, as the old text routines trimmed.
QString trimBlanks(const QString& text);
