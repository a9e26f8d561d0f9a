#pragma once
// The text of every statement the SAR order screen sends, as plain standard strings, so that
// the screen (spreadsheet_intake/), the engine's tests and the benchmark run the same text.
#include <string>
#include <vector>

namespace statements::order_sar {

// The nine columns of each branch in the import set and the spreadsheet, in their order.
const std::vector<std::string>& branchSuffixes();

const std::string& deliveryBranches();  // :DeliveryDate; BranchCode in code order
// The import set's column names, in order: 13 product columns, nine per branch (the code with
// its blanks trimmed, then the suffix), TTPickingOrder and TTDeliveryRate.
std::vector<std::string> importColumns(const std::vector<std::string>& branchCodes);
// The statement giving the import set one row of typed constants. Each branch column's alias
// is a [bracketed] name (a "]" inside doubled), so that a code starting with a digit or
// holding blanks or brackets still makes a valid name.
std::string importSet(const std::vector<std::string>& branchCodes);
// "[0001MinQnty]": an alias as importSet() writes it.
std::string quotedName(const std::string& name);

// The next SAR number of the delivery week of :DocDate. Only stored numbers of the same
// prefix ending in four digits count: any other (shorter, another series, letters at the end)
// is never converted, so no stored value can make the statement fail.
const std::string& sarNumber();
const std::string& headerByNumber();  // :DocNo
const std::string& saveHeader();      // one statement: insert, or update when the number exists
const std::string& removeLines();     // :OrderSarHd
const std::string& insertLine();      // one line: :OrderSarHd, :RecNo, ...
const std::string& handOver();        // :DocNo
const std::string& placeholder();     // the empty set shown after New

}  // namespace statements::order_sar
