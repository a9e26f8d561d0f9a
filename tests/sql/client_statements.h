#pragma once
// Statements the client sends to the databases the sql/ scripts build, as the screens hold
// them: the branch order proposal and its sales span, the order status report, the product
// barcode search, and the sold-out upload's branch list, yearly table, sales read, delete
// and insert. The tests run them on the demo server, so a table or column the scripts lack
// shows up here.
#include <string>
#include <vector>

#include "statements/BarcodeSearch.h"
#include "statements/BranchOrder.h"
#include "statements/Lines.h"
#include "statements/SoldOut.h"

namespace sqltest::statements {

namespace bo = ::statements::branch_order;
namespace so = ::statements::soldout;

// The branch order screen's set-up script, run each time the screen opens.
inline const std::vector<std::string> kBranchOrderSetup =
    ::statements::runnerStatements(bo::startupScript());
// The order proposal: parameters GetDate (start of the sales span) and UserId.
inline const std::string& kProposal = bo::proposal();
// Start of the sales span of a user's proposal: parameter UserId.
inline const std::string& kSalesSpanStart = bo::salesSpanStart();
// The order status report: parameters DocNo and BarCode (blank: all).
inline const std::string& kStatusReport = bo::statusReport();

// The product barcode search, sorted by barcode: parameters GetCode and GetName (patterns).
inline const std::string kBarcodeSearch = ::statements::barcode_search::forSearch(0);

// The sold-out upload.
inline const std::string& kSoldOutBranches = so::branchList();
inline const std::string& kSoldOutYearTable = so::yearTable();
inline const std::string& kSoldOutSales = so::sales();

}  // namespace sqltest::statements
