#pragma once
// Statements the client sends to the databases the sql/ scripts build, as the screens hold
// them: the branch order proposal and its sales span, the order status report, the product
// barcode search, and the sold-out upload's branch list, yearly table, sales read, delete
// and insert. The tests run them on the demo server, so a table or column the scripts lack
// shows up here.
#include <string>
#include <vector>

#include "statements/BranchOrder.h"
#include "statements/Lines.h"
#include "statements/SoldOut.h"

namespace sqltest::statements {

namespace bo = ::statements::branch_order;
namespace so = ::statements::soldout;

// The branch order screen's set-up script, run each time the screen opens.
inline const std::vector<std::string> kBranchOrderSetup =
    ::statements::slashStatements(bo::startupScript());
// The order proposal: parameters GetDate (start of the sales span) and UserId.
inline const std::string& kProposal = bo::proposal();
// Start of the sales span of a user's proposal: parameter UserId.
inline const std::string& kSalesSpanStart = bo::salesSpanStart();
// The order status report: parameters DocNo and BarCode (blank: all).
inline const std::string& kStatusReport = bo::statusReport();

// The product barcode search, sorted by barcode: parameters GetCode and GetName (patterns).
inline const std::string kBarcodeSearch =
    "Select\tU.Id, U.BarCode, U.Product, U.UnitName, P.Code, P.ThaiName,\n" +
    std::string(
        R"(CONVERT(varchar(150), Cast(Coalesce((Select Sum(Quantity) From ProductOnHand Where BalanceYear = Year(GetDate()) And Product = P.Id), 0) As Money), 3) + '  ' +
(Select Top 1 UnitName From ProductUnits Where Product = P.Id And Fraction = (Select MIN(Fraction) From ProductUnits Where Product = P.Id)) OnHand ,
CONVERT(varchar(150), Cast(Coalesce(B.BackOrder, 0) As Money), 3)
+ '  ' + (Select Top 1 UnitName From ProductUnits Where Product = P.Id And Fraction = (Select MIN(Fraction) From ProductUnits Where Product = P.Id)) Backorder
From ProductUnits U
Inner Join Product P On (P.Id = U.Product)
Left Join (select M.Product, Sum(M.BackOrder) BackOrder
From(
Select S.Product, (S.Quantity * S.Fraction) BackOrder -- So ที่ยังไม่ Clear (+)
From SoDt S
Where (S.Clear <> 'Y') And S.SoHd Not In (Select SoHd From PosHeader Where SoHd is Not Null)
Union All
Select V.Product, -(V.Quantity * V.Fraction) BackOrder -- Iv ที่อ้าง So ที่ยังไม่ Clear (-)
From IvDt V
Inner Join Ivhd H On (H.Id = V.Ivhd)
Where V.SoDt = (select S.Id from SoDt S Where S.Clear <> 'Y' And S.Id = V.SoDt)
Union All
Select V.Product, (V.Quantity * V.Fraction) BackOrder -- ออกใบกำกับแล้วแต่ยังไม่ส่งของ (+)
From IvDt V
Inner Join Ivhd H On (H.Id = V.Ivhd)
Where (H.NotCutStock = 'Y') And (H.IvType <> 'B') And (Coalesce(V.IvdtB,0) = 0)
Union All
Select V.Product, -(V.Quantity * V.Fraction) BackOrder -- ส่งสินค้าอ้างใบกำกับ (-)
From IvDt V
Inner Join Ivhd H On (H.Id = V.Ivhd)
Where (H.NotCutStock = 'N') And (H.IvType = 'B') And (Coalesce(V.IvdtB,0) > 0)
) As M
Group By M.Product
) As B On (B.Product = P.Id)
Where (U.BarCode Like :GetCode) And (P.ThaiName Like :GetName) And
Not (U.BarCode Is Null) And (U.BarCode <> '') And (P.Blocked <> 'Y') 

Order By U.BarCode
/* Don't Move SQL Lines */
/* SQL [31] ห้ามย้ายบรรทัด */
 )");

// The sold-out upload.
inline const std::string& kSoldOutBranches = so::branchList();
inline const std::string& kSoldOutYearTable = so::yearTable();
inline const std::string& kSoldOutSales = so::sales();

}  // namespace sqltest::statements
