#pragma once
// The text of every statement the sold-out upload sends, as plain standard strings: the
// screen (soldout/), the engine's tests and the database script tests run the same text.
#include <string>

namespace statements::soldout {

const std::string& branchList();  // active branches with their last upload day
const std::string& yearTable();   // this year's report table, made from last year's
const std::string& sales();       // a branch's sales since :BeginDate, for :BranchCode
const std::string& updateDate();  // :SoldOutLastUpdate of :BranchCode
std::string deleteFor(int year);  // the year's rows of :BranchCode from :Begindate
const std::string& tableId();     // a row when the table :Name exists (a year's table)
std::string insertFor(int year);  // one sales row into the year's table

}  // namespace statements::soldout
