#include "branch_order/BranchOrderSql.h"

#include "statements/BranchOrder.h"

namespace {

QString q(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

namespace BranchOrderSql {

namespace text = statements::branch_order;

const QString SQLCreateBranchOrder = q(text::startupScript());
const QString QLoad = q(text::proposal());
const QString QBranchOrder = q(text::orderRows());
const QString QSearchBarCode = q(text::singleProduct());
const QString QBranchOrderOld = q(text::salesSpanStart());
const QString QDocumenNo = q(text::numberPreview());
const QString QShowProduct = q(text::productInformation());
const QString QProdGroup = q(text::productGroups());
const QString QBranchCode = q(text::branchCode());
const QString QReport = q(text::statusReport());
const QString UsBranchOrderModify = q(text::updateRow());
const QString UsBranchOrderInsert = q(text::insertRow());

}  // namespace BranchOrderSql
