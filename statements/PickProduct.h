#pragma once
// The text of every statement pick planning and pick confirmation send, as plain standard
// strings, so that the screen (picking/), the engine's tests and the benchmark run the same
// text.
#include <string>
#include <vector>

namespace statements::pick_product {

const std::string& weekday();           // Dw 1 (Sunday) .. 7 and the day's three letters
const std::string& branchPlan();        // :Days
const std::string& branchList();        // the branches still to pick today, FROZEN first
const std::string& frozenBranches();    // configuration database: the central branches
const std::string& pickNumberSearch();  // :GNo
const std::string& miscSearch();        // :GetGroup, :GetCode

// "BranchCode In ('','0029','0036')": every code a quoted literal (a quote inside a code is
// doubled), so no code can end the literal and change the statement.
std::string branchInList(const std::vector<std::string>& codes);
// The load: the lines of a stored pick (:PickNo) or, with :PickNo empty, the open lines of the
// ticked branches and the frozen lines of the central branches.
std::string load(const std::vector<std::string>& ticked, const std::vector<std::string>& frozen);

const std::string& takeRunLock();  // sets RunConsoFlag "Y" only where it is not: 1 row or 0
const std::string& setRunLock();   // :RunConsoFlag
const std::string& pickedLine();   // :PickNo, :UserPick, :ResponsProdGroup, :ProductManageNo, :Id
const std::string& closingLine();  // :PickNo, :UserPick, :ResponsProdGroup, :Status, :Id
const std::string& locationSummary();  // one batch with its own transaction
const std::string& counts();           // :PickNo

}  // namespace statements::pick_product
