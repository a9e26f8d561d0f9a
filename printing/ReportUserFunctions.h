#pragma once
// The application's own functions for report templates: amounts in words and quantities in
// product units. The report engine calls the handler for every function name it does not
// know itself; names are matched in any letter case.
//
//   TELL_REAL_THAI(amount, decimals)        Thai baht and satang
//   TELL_REAL_THAI2(amount, decimals)       Thai number with a decimal part
//   TELL_REAL_ENG(amount, decimals)         English baht and satang
//   TELL_REAL_ENG2(amount, decimals)        English number with a decimal part
//   ONHANDQUANTITY(quantity, unit)          quantity in smallest units as larger + smallest units
//   ONHANDQUANTITYLSUNIT(quantity, unit, part)  part 1 the larger-unit piece, 2 the smallest
//   FRACSMALLBYSTOCK(quantity, unit)        quantity of the unit as stock units and a fraction
//
// `unit` is a ProductUnits Id. Only the arguments a function uses are evaluated. A value that
// is not a number (or, for decimals, unit and part, not a 32-bit whole number) throws
// ConvertError naming the function and the value.
#include <QString>
#include <QVariant>
#include <optional>

#include "ui/report/UserFunctions.h"

class TDM;

// The function's text, or nothing when `name` is none of the functions above.
std::optional<QVariant> frfReportUserFunction(TDM& dm, const QString& name, int argumentCount,
                                              const report::ArgumentEvaluator& argument);

// The handler for the report engine; quantity texts are read through `dm`, which must outlive
// the handler.
report::UserFunctionHandler reportUserFunctionHandler(TDM& dm);
