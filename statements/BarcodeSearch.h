#pragma once
// The text the product barcode search sends, as plain standard strings, so that the dialog
// (lookup/), the engine's tests and the database script tests run the same statement.
#include <string>
#include <vector>

namespace statements::barcode_search {

// The statement, 37 lines. Lines 31 to 33 are rewritten before every search, so no line may
// move. :GetCode and :GetName are LIKE patterns.
const std::vector<std::string>& lines();
inline constexpr int kConditionLine = 31;
inline constexpr int kExtraConditionLine = 32;
inline constexpr int kOrderLine = 33;

// Line 31 of every search; line 32 is emptied.
const std::string& condition();
// Line 33 for an order: 0 barcode, 1 product code, 2 product name; "" for any other.
std::string orderLine(int sortOrder);
// The statement as a search in that order sends it, lines joined with line breaks.
std::string forSearch(int sortOrder);

}  // namespace statements::barcode_search
