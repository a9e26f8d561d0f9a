// The statements of branch order entry and the order status report, line by line as the
// screen holds them. The shared pieces (status text, selling price, last order, sales since a
// date) are built once and put in where each statement has them.
#include "statements/BranchOrder.h"

#include "statements/Lines.h"

namespace {
using statements::lines;

std::string statusText(const std::string& code) {
    return lines({
        "(Case When " + code + " = 'N' Then 'กำลังส่งข้อมูลไปยังส่วนกลาง'",
        "When " + code + " = 'P' Then 'จัดสินค้าได้'",
        "When " + code + " = 'O' Then 'สินค้าหมด'",
        "When " + code + " = 'A' Then 'จัดสินค้าได้บางส่วน'",
        "When " + code + " = 'B' Then 'จัดสินค้าได้บางส่วน'",
        "When " + code + " = 'W' Then 'กำลังขนส่งไปยังสาขา'",
        "When " + code + " = 'T' Then 'กำลังขนส่งไปยังสาขา'",
        "When " + code + " = 'C' Then 'สินค้าหมด'",
        "When " + code + " = 'X' Then 'จัดสินค้าได้บางส่วน'",
        "When " + code + " = 'Y' Then 'ได้สินค้าครบแล้ว'",
        "End )Stratus",
    });
}

std::string sellingPrice(const std::string& unit) {
    return "Coalesce((Select Pp.Price From ProductPrice Pp Where Pp.ProductUnits = " + unit +
           " And Pp.PriceType = (Select M.Id From Misc M Where GroupCode = 'PRICETYPE' And M.Code "
           "= "
           "'0')),0) Price";
}

// Last order of each unit; the order-rows query leaves the order on show out.
std::string lastOrder(const std::string& unit, bool excludeShownOrder) {
    return lines({
        "Left Join (Select O1.OrderNo OLOrderNo, O1.ProductUnits, O1.OrderQnty OLOrderQnty, "
        "O1.OrderDate OLOrderDate, O1.CloseOrder OLCloseOrder",
        "From OrderBranch O1",
        "Group By OrderNO, O1.ProductUnits, O1.OrderQnty , O1.OrderDate, O1.CloseOrder",
        "Having OrderNO = (Select Max(O2.OrderNO)",
        "From OrderBranch O2",
        "Where O2.ProductUnits = O1.ProductUnits",
        excludeShownOrder ? "And O2.OrderQnty > 0 And O2.OrderNO <> :DocNo)"
                          : "And O2.OrderQnty > 0)",
        ") OL On Ol.ProductUnits = " + unit,
    });
}

std::string salesMember(const std::string& lineTable, const std::string& header,
                        const std::string& join, const std::string& dateColumn,
                        const std::string& quantity) {
    return lines({
        "Select D.ProductUnits, " + quantity + " SaleQnty",
        "From " + lineTable + " D",
        "Inner Join " + header + " H On (" + join + ")",
        "Where (H." + dateColumn + " > :GetDate) And (H." + dateColumn + " <= GetDate())",
        "And (H.DelFlag = 'N')",
        "Group BY D.ProductUnits",
    });
}

// Sales since :GetDate, less returns.
std::string salesSince(const std::string& unit) {
    return lines({
        "Left Join (Select ProductUnits, Sum(SaleQnty) SaleQnty",
        "From(",
        salesMember("IvDt", "IvHd", "D.IvHd = H.Id", "IvDate", "Sum(D.Quantity)"),
        "Union All",
        salesMember("PosDt", "PosHd", "D.PosHd = H.Id", "PosDate", "Sum(D.Quantity)"),
        "Union All",
        salesMember("PosDetail", "PosHeader", "D.PosHeader = H.Id", "PosDate", "Sum(D.Quantity)"),
        "Union All",
        salesMember("SrDt", "SrHd", "D.SrHd = H.Id", "SrDate", "-Sum(D.Quantity)"),
        "Union All",
        salesMember("PoSrDt", "PoSrHd", "D.PoSrHd = H.Id", "SrDate", "-Sum(D.Quantity)"),
        ")As S",
        "Group BY S.ProductUnits) Sa On (Sa.ProductUnits = " + unit + ")",
    });
}

// A unit's minimum stock, read afresh for each order row.
std::string orderMinStock() {
    return "Coalesce((Select M.MinQnty From ProductManage M Where M.ProductUnits = "
           "O.ProductUnits),0)";
}

}  // namespace

namespace statements::branch_order {

const std::string& proposal() {
    static const std::string text = lines({
        "Select (Select BranchCode From OracleConfig) BranchCode,",
        "M.Product, M.ProductUnits,",
        "U.BarCode, U.UnitName UOM, M.MinQnty MinStock, M.MaxQnty MaxStock,",
        "Coalesce(Ba.BackOrder,0)BackOrders,",
        "Coalesce(Sa.SaleQnty,0) SaleQnty, Coalesce(M.MinQnty,0) - Coalesce(Ba.Onhand,0) MinQnty,",
        "Coalesce(Ba.OnHand,0)Onhand, 0 OrderQnty,",
        "Coalesce(Ol.OLOrderQnty,0)OLOrderQnty, (Case When "
        "Convert(Char(20),Coalesce(Ol.OLOrderDate,''),103) "
        "= '01/01/1900' Then '' Else Convert(Char(20),Coalesce(Ol.OLOrderDate,''),103) End ) "
        "OLOrderDate, "
        "Ol.OLCloseOrder,",
        "P.ThaiName ProdName,",
        statusText("OL.OLCloseOrder") + ",",
        "(Case When (Sa.SaleQnty > 0) And (Coalesce(M.MinQnty,0) > 0) And (Coalesce(M.MinQnty,0) - "
        "Coalesce(Ba.Onhand,0) > 0 ) Then 2",
        "When (Sa.SaleQnty > 0) And (Coalesce(M.MinQnty,0) > 0) Then 1",
        "When ((Coalesce(M.MinQnty,0) - Coalesce(Ba.Onhand,0)) > 0) And (Coalesce(M.MinQnty,0) > "
        "0) "
        "Then 3",
        "When (Sa.SaleQnty > 0) And (Coalesce(M.MinQnty,0) = 0) Then 4",
        "Else 5",
        "End)OrderType,",
        sellingPrice("M.ProductUnits"),
        "From ProductManage M",
        "Inner Join Product P On (P.Id = M.Product)",
        "Inner Join ProductUnits U On (U.Id = M.ProductUnits)",
        "Inner Join UserProdGroup G On (G.ProdGroup = P.ProdGroup)",
        "Left Join (Select B.ProductUnits, Sum(B.Onhand) Onhand, Sum(B.BackOrder) BackOrder",
        "From(",
        "Select ProductUnits, (Quantity/U1.Fraction) Onhand, 0 BackOrder",
        "From ProductOnhand O",
        "Inner Join Warehouse W On (W.Id = O.Warehouse)",
        "Inner Join ProductUnits U1 On (U1.Id = O.ProductUnits)",
        "Where BalanceYear = Year(GetDate()) And (W.WhType = 'F')",
        "Union All",
        "Select ProductUnits, 0 Onhand, Coalesce(BackOrder,0)",
        "From OrderBranch",
        "Where CloseOrder In ('N','P','O','A','B','W','T')",
        ") As B Group BY B.ProductUnits) Ba On (Ba.ProductUnits = M.ProductUnits)",
        lastOrder("M.ProductUnits", false),
        salesSince("M.ProductUnits"),
        "Where (Coalesce(U.AutoOrder,'Y') = 'Y')",
        "And Left(Ltrim(P.Code),5) Not In ('01219','01237','02219')",
        "And (G.UserId = :UserId)",
        "And (M.MinQnty > (Coalesce(Ba.Onhand,0)) + (Coalesce(Ba.BackOrder,0)))",
        "And ((Case When Coalesce(M.MaxQnty,0) = 0 Then 999999 Else M.MaxQnty End) > "
        "(Coalesce(Ba.Onhand,0)) "
        "+ (Coalesce(Ba.BackOrder,0)))",
        "Order BY OrderType, BarCode",
    });
    return text;
}

const std::string& orderRows() {
    static const std::string text = lines({
        "Select O.Id, O.OrderNo, O.OrderDate, O.TranBranchNo, O.TranBranchDate,",
        "COALESCE(Md.Code,'XXXX') CodeDept, COALESCE(Md.Description,'ยังไม่กำหนดแผนก') NameDept,",
        "COALESCE(Mg.Code,'XXXX_XXXXX') CodeGroup, COALESCE(Mg.Description,'ยังไม่กำหนดกลุ่ม') "
        "NameGroup,",
        "O.Product, P.Code ProdCode, P.ThaiName ProdName,",
        "O.ProductUnits, U.BarCode, U.UnitName UOM,",
        orderMinStock() + " MinStock,",
        "Coalesce((Select (Case When M.MaxQnty = 0 Then 999999 Else M.MaxQnty End) From "
        "ProductManage "
        "M Where "
        "M.ProductUnits = O.ProductUnits),999999) MaxStock,",
        "O.SaleQnty, O.MinQnty, O.OrderQnty,",
        "Coalesce((Select Sum(Q.Quantity)/U.Fraction From ProductOnhand Q Inner Join Warehouse W "
        "On "
        "(W.Id = "
        "Q.Warehouse) Where (Q.ProductUnits = O.ProductUnits) And Q.BalanceYear = "
        "Year(GetDate())),0) "
        "Onhand,",
        "Coalesce(Ba.BackOrder,0) BackOrders , Transfer,",
        "O.ReceivedQnty, O.userId, (Select Count(Transfer) From OrderBranch Where OrderNo = :DocNo "
        "And "
        "Transfer = 'Y') TransferOK,",
        "O.CloseOrder,",
        "(Case When (O.SaleQnty > 0) And (" + orderMinStock() + " > 0) And (O.MinQnty > 0 ) Then 2",
        "When (O.SaleQnty > 0) And (" + orderMinStock() + " > 0) Then 1",
        "When (O.SaleQnty > 0) And (" + orderMinStock() + " = 0) Then 3",
        "When (O.MinQnty > 0 ) Then 4",
        "Else 5",
        "End)OrderType,",
        "Coalesce(OL.OLOrderQnty,0)OLOrderQnty, OL.OLOrderDate, OL.OLCloseOrder,",
        statusText("OL.OLCloseOrder") + ",",
        sellingPrice("O.ProductUnits"),
        "from OrderBranch O",
        "Inner Join Product P On (P.id = O.Product)",
        "Inner Join ProductUnits U On (U.Id = O.ProductUnits)",
        "Left Join Misc Md On (Md.Code = P.ProdDept) AND (Md.GroupCode = 'PRODDEPT')",
        "Left Join Misc Mg On (Mg.Code = P.ProdGroup) And (Mg.GroupCode = 'PRODGROUP')",
        lastOrder("O.ProductUnits", true),
        "Left Join (Select B.ProductUnits, Sum(B.Onhand) Onhand, Sum(B.BackOrder) BackOrder",
        "From(",
        "Select ProductUnits, (Quantity/U1.Fraction) Onhand, 0 BackOrder",
        "From ProductOnhand O",
        "Inner Join Warehouse W On (W.Id = O.Warehouse)",
        "Inner Join ProductUnits U1 On (U1.Id = O.ProductUnits)",
        "Where BalanceYear = Year(GetDate())",
        "Union All",
        "Select ProductUnits, 0 Onhand, Coalesce(BackOrder,0)",
        "From OrderBranch",
        "Where CloseOrder In ('N','P','B','W','T')",
        "And OrderNo <> :DocNo",
        ") As B Group BY B.ProductUnits) Ba On (Ba.ProductUnits = O.ProductUnits)",
        "Where O.OrderNo = :DocNo",
        "Order BY OrderType, U.BarCode",
    });
    return text;
}

const std::string& singleProduct() {
    static const std::string text = lines({
        "Select P.Id Product, P.ThaiName ProdName, U.Id ProductUnits, U.BarCode,",
        "Coalesce(Sa.SaleQnty,0) SaleQnty, 0 MinQnty, U.UnitName UOM,",
        "Coalesce((Select Sum(O.Quantity)/U.Fraction From ProductOnhand O Where (O.BalanceYear = "
        "Year(GetDate())) And (O.PeriodNo <= Month(GetDate())) And (O.ProductUnits = U.Id)),0) "
        "Onhand,",
        "Coalesce((Select Pm.MinQnty From ProductManage Pm Where (Pm.ProductUnits = U.Id)),0) "
        "MinStock,",
        "Coalesce((Select Pm.MaxQnty From ProductManage Pm Where (Pm.ProductUnits = U.Id)),0) "
        "MaxStock,",
        "Coalesce((Select Sum(BackOrder) From OrderBranch B Where B.CloseOrder In "
        "('N','P','B','W','T') And "
        "B.ProductUnits = U.Id),0) BackOrders,",
        "OL.OLOrderQnty, OL.OlOrderDate, Ol.OLCloseOrder,",
        statusText("OL.OLCloseOrder") + ",",
        sellingPrice("U.Id"),
        "From ProductUnits U",
        "Inner Join Product P On (P.Id = U.Product)",
        "Inner Join UserProdGroup G On (G.ProdGroup = P.ProdGroup)",
        lastOrder("U.Id", false),
        salesSince("U.Id"),
        "Where U.BarCode = :BarCode And (G.UserId = :UserId)",
    });
    return text;
}

const std::string& salesSpanStart() {
    static const std::string text = lines({
        "Select Convert(DateTime,Convert(Char(8),Coalesce((Case When Max(OrderDate) < GetDate()-30 "
        "Then "
        "GetDate()-30 Else Max(OrderDate) End),GetDate()-7),112)) OrderDateOld,",
        "Convert(DateTime,Convert(Char(8),Coalesce(Max(OrderDate),GetDate()-7),112)) "
        "OrderDateOld_BK",
        "From OrderBranch",
        "Where UserID = :UserId",
    });
    return text;
}

const std::string& numberPreview() {
    static const std::string text = lines({
        "Select LTrim(RTrim(Prefix)) + Right(('0000000000' + Ltrim(rtrim(Str((Case When LastNo = "
        "999999 Then 0 "
        "Else LastNo End)+1)))),DocumentLength - Len(Prefix)) DocNo",
        "From DocumentNo Where Code = 'ORD-BRANCH' And DocYear = Year(:GetDate)",
    });
    return text;
}

const std::string& productInformation() {
    static const std::string text = lines({
        "Select P.ThaiName ProdName, U.UnitName UOM, Coalesce((Select Sum(O.Quantity)/U.Fraction "
        "From "
        "ProductOnhand O Where (O.BalanceYear = Year(GetDate())) And (O.PeriodNo <= "
        "Month(GetDate())) "
        "And "
        "(O.ProductUnits = U.Id)),0) Onhand",
        "From ProductUnits U",
        "Inner Join Product P On (P.Id = U.Product)",
        "Where U.barCode = :BarCode",
    });
    return text;
}

const std::string& productGroups() {
    static const std::string text = lines(
        {"Select ProdGroup", "From UserProdGroup", "Where UserId = :UserId", "Order BY ProdGroup"});
    return text;
}

const std::string& branchCode() {
    static const std::string text = "Select BranchCode From OracleConfig";
    return text;
}

const std::string& updateRow() {
    static const std::string text = lines({
        "update OrderBranch",
        "set",
        "OrderNo = :OrderNo,",
        "OrderDate = :OrderDate,",
        "TranBranchNo = :TranBranchNo,",
        "Product = :Product,",
        "ProductUnits = :ProductUnits,",
        "SaleQnty = :SaleQnty,",
        "MinQnty = :MinQnty,",
        "OrderQnty = Coalesce(:OrderQnty,0),",
        "BackOrder = Coalesce(:OrderQnty,0),",
        "Onhand = :Onhand,",
        "Transfer = :Transfer,",
        "ReceivedQnty = :ReceivedQnty,",
        "userId = :userId,",
        "CloseOrder = :CloseOrder",
        "where",
        "Id = :OLD_Id",
    });
    return text;
}

const std::string& insertRow() {
    static const std::string text = lines({
        "insert into OrderBranch",
        "(OrderNo, OrderDate, TranBranchNo, Product, ProductUnits, SaleQnty, MinQnty,",
        "OrderQnty, BackOrder, Onhand, Transfer, ReceivedQnty, userId, CloseOrder)",
        "values",
        "(:OrderNo, :OrderDate, :TranBranchNo, :Product, :ProductUnits, :SaleQnty,",
        ":MinQnty, Coalesce(:OrderQnty,0), Coalesce(:OrderQnty,0), :Onhand, :Transfer,",
        ":ReceivedQnty, :userId,",
        ":CloseOrder)",
    });
    return text;
}

const std::string& statusReport() {
    static const std::string text = lines({
        "Select O.OrderNo, O.OrderDate,",
        "P.ThaiName ProdName,",
        "O.ProductUnits, U.BarCode, U.UnitName UOM,",
        "O.SaleQnty, O.OrderQnty, O.Onhand, Transfer,",
        "O.ReceivedQnty, (Case When BackOrder < 0 Then 0 Else BackOrder End)BackOrder,",
        "O.CloseOrder, O.Remark,",
        statusText("O.CloseOrder") + ",",
        "(Case When O.CloseOrder = 'N' Then 1",
        "When O.CloseOrder = 'P' Then 2",
        "When O.CloseOrder = 'O' Then 4",
        "When O.CloseOrder = 'A' Then 3",
        "When O.CloseOrder = 'B' Then 3",
        "When O.CloseOrder = 'W' Then 5",
        "When O.CloseOrder = 'T' Then 5",
        "When O.CloseOrder = 'C' Then 4",
        "When O.CloseOrder = 'X' Then 3",
        "When O.CloseOrder = 'Y' Then 6",
        "End ) OrderBy,",
        sellingPrice("O.ProductUnits"),
        "from OrderBranch O",
        "Inner Join Product P On (P.id = O.Product)",
        "Inner Join ProductUnits U On (U.Id = O.ProductUnits)",
        "Where ((O.OrderNo = :DocNo) Or ('' = Ltrim(Rtrim(:DocNo))))",
        "And ((U.BarCode = :BarCode) Or ('' = Ltrim(RTrim(:BarCode))))",
        "And O.OrderQnty > 0",
        "Order BY O.OrderNo, OrderBy, U.barCode",
    });
    return text;
}

const std::string& startupScript() {
    static const std::string text = lines({
        "If Not Exists (select Id from SysObjects Where Name = 'OrderBranch')",
        "  Create Table OrderBranch",
        "  (Id IdNo identity(1,1) not null,",
        "   OrderNO Char(15),",
        "   OrderDate DateTime,",
        "   TranBranchNo Char(15),",
        "   TranBranchDate DateTime null,",
        "   Product IdNo,",
        "   ProductUnits IdNo,",
        "   SaleQnty Int,",
        "   MinQnty Int,",
        "   OrderQnty Int,",
        "   Onhand Int,",
        "   Transfer CharFlag,",
        "   TransferDate DateTime null,",
        "   ReceivedQnty Int,",
        "   ReceivedDate DateTime null,",
        "   BackOrder Int null,",
        "   UserId IdNo,",
        "   CloseOrder CharFlag,",
        "   Remark Char80 null,",
        "   CarNO Char(10) null)",
        "/",
        "If Not Exists (Select Id from sysindexes Where Name = 'OrderBranchIdNo')",
        "  Create Index OrderBranchIdNo On OrderBranch (OrderNO)",
        "/",
        "If Not Exists (Select Id from sysindexes Where Name = 'OrderBranchCloseOrder')",
        "  Create Index OrderBranchCloseOrder On OrderBranch (CloseOrder)",
        "/",
        "If Not Exists (Select Id from sysindexes Where Name = 'OrderBranchBarCode')",
        "  Create Index OrderBranchBarCode On OrderBranch (ProductUnits)",
        "/",
        "If Not Exists (Select Id From DocumentNo Where Code = 'ORD-BRANCH')",
        "  Insert DocumentNo (Code, DocYear, Description, Prefix, LastNo, DocumentLength, AutoRun, "
        "DocType, UserCanModify, LinkToDocument)",
        "  Values('ORD-BRANCH',Year(GetDate()),'ใบสั่ง Order จากสาขา','No',0,12,'Y','I','Y',Null)",
        "/",
        "If Not Exists (Select Id From SysObjects Where Name = 'UserProdGroup')",
        "  Create Table UserProdGroup",
        "  (Id IdNo identity(1,1) not null,",
        "   UserId IdNo,",
        "   ProdGroup Char(10))",
        "/",
        "If Not Exists (Select Id From SysColumns Where Name = 'BackOrder' And Id = (Select Id "
        "From "
        "SysObjects Where Name = 'OrderBranch'))",
        "  Alter Table OrderBranch Add BackOrder Int Null",
        "/",
        "If Not Exists (Select Id from sysindexes Where Name = 'ProductOnhand_BarYear')",
        "  Create Index ProductOnhand_BarYear On ProductOnhand (ProductUnits, BalanceYear)",
        "/",
    });
    return text;
}

const std::string& orderNumbers() {
    static const std::string text =
        lines({"Select Distinct OrderNo, OrderDate", "from OrderBranch", "Order BY OrderNO"});
    return text;
}

std::string orderNumberSearch(const std::string& statusFilter) {
    const std::string filter =
        statusFilter.empty() ? "" : "And CloseOrder In (" + statusFilter + ") ";
    return "Select Distinct OrderNo, OrderDate From OrderBranch Where OrderNo Like :GNo " + filter +
           " Order BY OrderNO ";
}

}  // namespace statements::branch_order
