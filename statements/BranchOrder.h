#pragma once
// The text of every statement that branch order entry and the order status report send. Plain
// standard strings, so that the engine's tests and the benchmarks run exactly what the screen
// runs; the screen wraps them in QStrings (branch_order/BranchOrderSql.h).
#include <string>

namespace statements::branch_order {

// Creates and upgrades OrderBranch, UserProdGroup, the "ORD-BRANCH" series and the stock
// index; every statement is guarded, so it runs at each opening of the screen.
const std::string& startupScript();
const std::string& proposal();            // :GetDate, :UserId
const std::string& orderRows();           // :DocNo
const std::string& singleProduct();       // :GetDate, :BarCode, :UserId
const std::string& salesSpanStart();      // :UserId
const std::string& numberPreview();       // :GetDate
const std::string& productInformation();  // :BarCode
const std::string& productGroups();       // :UserId
const std::string& branchCode();
const std::string& statusReport();  // :DocNo, :BarCode
const std::string& updateRow();     // cached change of a stored row, by :OLD_Id
const std::string& insertRow();     // a new row

// The order number search dialog (lookup/): every order once per date, then the search by
// number (:GNo, a LIKE pattern), with the statuses of `statusFilter` (quoted codes, "" for
// all) only. The search is one line, so a title click reorders it and keeps filter and text.
const std::string& orderNumbers();
std::string orderNumberSearch(const std::string& statusFilter);

}  // namespace statements::branch_order
