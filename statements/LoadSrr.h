#pragma once
// The text of the statement the purchase requisition screen sends, as a plain standard
// string: the screen (spreadsheet_intake/) and the engine's tests run the same text.
#include <string>

namespace statements::load_srr {
// The import set: one row of typed constants, VenCode, Itemcode, BarCode and FinalOrder.
const std::string& importSet();
}  // namespace statements::load_srr
