#pragma once
// The branch order table's set-up script and every statement of order entry and the status
// report, as the screen sends them.
#include <QString>

namespace BranchOrderSql {

// Creates and upgrades OrderBranch, UserProdGroup, the "ORD-BRANCH" series and the stock
// index; every statement is guarded, so it runs at each opening of the screen.
extern const QString SQLCreateBranchOrder;
extern const QString QLoad;            // the proposal: :GetDate, :UserId
extern const QString QBranchOrder;     // the rows of one order: :DocNo
extern const QString QSearchBarCode;   // one product unit by barcode: :GetDate, :BarCode, :UserId
extern const QString QBranchOrderOld;  // start of the sales span: :UserId
extern const QString QDocumenNo;       // preview of the next number: :GetDate
extern const QString QShowProduct;     // on hand, unit and name: :BarCode
extern const QString QProdGroup;       // the user's product groups: :UserId
extern const QString QBranchCode;      // the branch's own code
extern const QString QReport;          // the status report: :DocNo, :BarCode
extern const QString UsBranchOrderModify;
extern const QString UsBranchOrderInsert;

}  // namespace BranchOrderSql
