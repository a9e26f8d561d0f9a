#pragma once
// Statements the client sends to the databases the sql/ scripts build, as the screens hold
// them: the branch order proposal and its sales span, the order status report, the product
// barcode search, and the sold-out upload's branch list, yearly table, sales read, delete
// and insert. The tests run them on the demo server, so a table or column the scripts lack
// shows up here.
#include <string>
#include <vector>

namespace sqltest::statements {

// The branch order screen's set-up script, run each time the screen opens.
inline const std::vector<std::string> kBranchOrderSetup = {
    R"(If Not Exists (select Id from SysObjects Where Name = 'OrderBranch')
  Create Table OrderBranch
  (Id IdNo identity(1,1) not null,
   OrderNO Char(15),
   OrderDate DateTime,
   TranBranchNo Char(15),
   TranBranchDate DateTime null,
   Product IdNo,
   ProductUnits IdNo,
   SaleQnty Int,
   MinQnty Int,
   OrderQnty Int,
   Onhand Int,
   Transfer CharFlag,
   TransferDate DateTime null,
   ReceivedQnty Int,
   ReceivedDate DateTime null,
   BackOrder Int null,
   UserId IdNo,
   CloseOrder CharFlag,
   Remark Char80 null,
   CarNO Char(10) null))",
    R"(If Not Exists (Select Id from sysindexes Where Name = 'OrderBranchIdNo')
  Create Index OrderBranchIdNo On OrderBranch (OrderNO))",
    R"(If Not Exists (Select Id from sysindexes Where Name = 'OrderBranchCloseOrder')
  Create Index OrderBranchCloseOrder On OrderBranch (CloseOrder))",
    R"(If Not Exists (Select Id from sysindexes Where Name = 'OrderBranchBarCode')
  Create Index OrderBranchBarCode On OrderBranch (ProductUnits))",
    R"(If Not Exists (Select Id From DocumentNo Where Code = 'ORD-BRANCH')
  Insert DocumentNo (Code, DocYear, Description, Prefix, LastNo, DocumentLength, AutoRun, DocType, UserCanModify, LinkToDocument)
  Values('ORD-BRANCH',Year(GetDate()),'ใบสั่ง Order จากสาขา','No',0,12,'Y','I','Y',Null))",
    R"(If Not Exists (Select Id From SysObjects Where Name = 'UserProdGroup')
  Create Table UserProdGroup
  (Id IdNo identity(1,1) not null,
   UserId IdNo,
   ProdGroup Char(10)))",
    R"(If Not Exists (Select Id From SysColumns Where Name = 'BackOrder' And Id = (Select Id From SysObjects Where Name = 'OrderBranch'))
  Alter Table OrderBranch Add BackOrder Int Null)",
    R"(If Not Exists (Select Id from sysindexes Where Name = 'ProductOnhand_BarYear')
  Create Index ProductOnhand_BarYear On ProductOnhand (ProductUnits, BalanceYear))",
};

// Order status text of the last order of a unit (alias OL).
inline const std::string kLastOrderStatus =
    R"((Case When OL.OLCloseOrder = 'N' Then 'กำลังส่งข้อมูลไปยังส่วนกลาง'
When OL.OLCloseOrder = 'P' Then 'จัดสินค้าได้'
When OL.OLCloseOrder = 'O' Then 'สินค้าหมด'
When OL.OLCloseOrder = 'A' Then 'จัดสินค้าได้บางส่วน'
When OL.OLCloseOrder = 'B' Then 'จัดสินค้าได้บางส่วน'
When OL.OLCloseOrder = 'W' Then 'กำลังขนส่งไปยังสาขา'
When OL.OLCloseOrder = 'T' Then 'กำลังขนส่งไปยังสาขา'
When OL.OLCloseOrder = 'C' Then 'สินค้าหมด'
When OL.OLCloseOrder = 'X' Then 'จัดสินค้าได้บางส่วน'
When OL.OLCloseOrder = 'Y' Then 'ได้สินค้าครบแล้ว'
End )Stratus)";

inline std::string salesMember(const std::string& lines, const std::string& header,
                               const std::string& join, const std::string& date,
                               const std::string& sum) {
    return "Select D.ProductUnits, " + sum + " SaleQnty\nFrom " + lines + " D\nInner Join " +
           header + " H On (" + join + ")\nWhere (H." + date + " > :GetDate) And (H." + date +
           " <= GetDate())\nAnd (H.DelFlag = 'N')\nGroup BY D.ProductUnits\n";
}

// The order proposal: parameters GetDate (start of the sales span) and UserId.
inline const std::string kProposal =
    R"(Select (Select BranchCode From OracleConfig) BranchCode,
M.Product, M.ProductUnits,
U.BarCode, U.UnitName UOM, M.MinQnty MinStock, M.MaxQnty MaxStock,
Coalesce(Ba.BackOrder,0)BackOrders,
Coalesce(Sa.SaleQnty,0) SaleQnty, Coalesce(M.MinQnty,0) - Coalesce(Ba.Onhand,0) MinQnty,
Coalesce(Ba.OnHand,0)Onhand, 0 OrderQnty,
Coalesce(Ol.OLOrderQnty,0)OLOrderQnty, (Case When Convert(Char(20),Coalesce(Ol.OLOrderDate,''),103) = '01/01/1900' Then '' Else Convert(Char(20),Coalesce(Ol.OLOrderDate,''),103) End ) OLOrderDate, Ol.OLCloseOrder,
P.ThaiName ProdName,
)" + kLastOrderStatus +
    R"(,
(Case When (Sa.SaleQnty > 0) And (Coalesce(M.MinQnty,0) > 0) And (Coalesce(M.MinQnty,0) - Coalesce(Ba.Onhand,0) > 0 ) Then 2
When (Sa.SaleQnty > 0) And (Coalesce(M.MinQnty,0) > 0) Then 1
When ((Coalesce(M.MinQnty,0) - Coalesce(Ba.Onhand,0)) > 0) And (Coalesce(M.MinQnty,0) > 0) Then 3
When (Sa.SaleQnty > 0) And (Coalesce(M.MinQnty,0) = 0) Then 4
Else 5
End)OrderType,
Coalesce((Select Pp.Price From ProductPrice Pp Where Pp.ProductUnits = M.ProductUnits And Pp.PriceType = (Select M.Id From Misc M Where GroupCode = 'PRICETYPE' And M.Code = '0')),0) Price
From ProductManage M
Inner Join Product P On (P.Id = M.Product)
Inner Join ProductUnits U On (U.Id = M.ProductUnits)
Inner Join UserProdGroup G On (G.ProdGroup = P.ProdGroup)
Left Join (Select B.ProductUnits, Sum(B.Onhand) Onhand, Sum(B.BackOrder) BackOrder
From(
Select ProductUnits, (Quantity/U1.Fraction) Onhand, 0 BackOrder
From ProductOnhand O
Inner Join Warehouse W On (W.Id = O.Warehouse)
Inner Join ProductUnits U1 On (U1.Id = O.ProductUnits)
Where BalanceYear = Year(GetDate()) And (W.WhType = 'F')
Union All
Select ProductUnits, 0 Onhand, Coalesce(BackOrder,0)
From OrderBranch
Where CloseOrder In ('N','P','O','A','B','W','T')
) As B Group BY B.ProductUnits) Ba On (Ba.ProductUnits = M.ProductUnits)
Left Join (Select O1.OrderNo OLOrderNo, O1.ProductUnits, O1.OrderQnty OLOrderQnty, O1.OrderDate OLOrderDate, O1.CloseOrder OLCloseOrder
From OrderBranch O1
Group By OrderNO, O1.ProductUnits, O1.OrderQnty , O1.OrderDate, O1.CloseOrder
Having OrderNO = (Select Max(O2.OrderNO)
From OrderBranch O2
Where O2.ProductUnits = O1.ProductUnits
And O2.OrderQnty > 0)
) OL On Ol.ProductUnits = M.ProductUnits
Left Join (Select ProductUnits, Sum(SaleQnty) SaleQnty
From(
)" + salesMember("IvDt", "IvHd", "D.IvHd = H.Id", "IvDate", "Sum(D.Quantity)") +
    "Union All\n" + salesMember("PosDt", "PosHd", "D.PosHd = H.Id", "PosDate", "Sum(D.Quantity)") +
    "Union All\n" +
    salesMember("PosDetail", "PosHeader", "D.PosHeader = H.Id", "PosDate", "Sum(D.Quantity)") +
    "Union All\n" + salesMember("SrDt", "SrHd", "D.SrHd = H.Id", "SrDate", "-Sum(D.Quantity)") +
    "Union All\n" +
    salesMember("PoSrDt", "PoSrHd", "D.PoSrHd = H.Id", "SrDate", "-Sum(D.Quantity)") +
    R"()As S
Group BY S.ProductUnits) Sa On (Sa.ProductUnits = M.ProductUnits)
Where (Coalesce(U.AutoOrder,'Y') = 'Y')
And Left(Ltrim(P.Code),5) Not In ('01219','01237','02219')
And (G.UserId = :UserId)
And (M.MinQnty > (Coalesce(Ba.Onhand,0)) + (Coalesce(Ba.BackOrder,0)))
And ((Case When Coalesce(M.MaxQnty,0) = 0 Then 999999 Else M.MaxQnty End) > (Coalesce(Ba.Onhand,0)) + (Coalesce(Ba.BackOrder,0)))
Order BY OrderType, BarCode)";

// Start of the sales span of a user's proposal: parameter UserId.
inline const std::string kSalesSpanStart =
    R"(Select Convert(DateTime,Convert(Char(8),Coalesce((Case When Max(OrderDate) < GetDate()-30 Then GetDate()-30 Else Max(OrderDate) End),GetDate()-7),112)) OrderDateOld,
Convert(DateTime,Convert(Char(8),Coalesce(Max(OrderDate),GetDate()-7),112)) OrderDateOld_BK
From OrderBranch
Where UserID = :UserId)";

// The order status report: parameters DocNo and BarCode (blank: all).
inline const std::string kStatusReport = R"(Select O.OrderNo, O.OrderDate,
P.ThaiName ProdName,
O.ProductUnits, U.BarCode, U.UnitName UOM,
O.SaleQnty, O.OrderQnty, O.Onhand, Transfer,
O.ReceivedQnty, (Case When BackOrder < 0 Then 0 Else BackOrder End)BackOrder,
O.CloseOrder, O.Remark,
(Case When O.CloseOrder = 'N' Then 'กำลังส่งข้อมูลไปยังส่วนกลาง'
When O.CloseOrder = 'P' Then 'จัดสินค้าได้'
When O.CloseOrder = 'O' Then 'สินค้าหมด'
When O.CloseOrder = 'A' Then 'จัดสินค้าได้บางส่วน'
When O.CloseOrder = 'B' Then 'จัดสินค้าได้บางส่วน'
When O.CloseOrder = 'W' Then 'กำลังขนส่งไปยังสาขา'
When O.CloseOrder = 'T' Then 'กำลังขนส่งไปยังสาขา'
When O.CloseOrder = 'C' Then 'สินค้าหมด'
When O.CloseOrder = 'X' Then 'จัดสินค้าได้บางส่วน'
When O.CloseOrder = 'Y' Then 'ได้สินค้าครบแล้ว'
End )Stratus,
(Case When O.CloseOrder = 'N' Then 1
When O.CloseOrder = 'P' Then 2
When O.CloseOrder = 'O' Then 4
When O.CloseOrder = 'A' Then 3
When O.CloseOrder = 'B' Then 3
When O.CloseOrder = 'W' Then 5
When O.CloseOrder = 'T' Then 5
When O.CloseOrder = 'C' Then 4
When O.CloseOrder = 'X' Then 3
When O.CloseOrder = 'Y' Then 6
End ) OrderBy,
Coalesce((Select Pp.Price From ProductPrice Pp Where Pp.ProductUnits = O.ProductUnits And Pp.PriceType = (Select M.Id From Misc M Where GroupCode = 'PRICETYPE' And M.Code = '0')),0) Price
from OrderBranch O
Inner Join Product P On (P.id = O.Product)
Inner Join ProductUnits U On (U.Id = O.ProductUnits)
Where ((O.OrderNo = :DocNo) Or ('' = Ltrim(Rtrim(:DocNo))))
And ((U.BarCode = :BarCode) Or ('' = Ltrim(RTrim(:BarCode))))
And O.OrderQnty > 0
Order BY O.OrderNo, OrderBy, U.barCode)";

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

// Sold-out upload: the branches to upload (configuration database).
inline const std::string kSoldOutBranches =
    R"(select  B.BranchCode, B.BranchName, B.ServerName, B.Server,
Convert(DateTime,Convert(Date, Coalesce(B.SoldOutLastUpdate,'20220101'))) SoldOutLastUpdate
From Branch B
Inner Join master..sysdatabases D On (D.Name = B.servername)
Where B.StopDatabase = 'N' And (B.BranchCode <> 'DC001')
Order by BranchCode)";

// Sold-out upload: this year's table as an empty copy of last year's (report database).
inline const std::string kSoldOutYearTable = R"(Declare @St VarChar(666)
Set @St = 'If Not Exists (select Id from SysObjects Where Name = ''' +  'SoldOut'+Convert(Char(4),GetDate(),112) + ''')  '
Set @St = @St + 'select Top 0 * into ' + 'SoldOut'+Convert(Char(4),GetDate(),112) + ' from SoldOut'+Convert(Char(4),DateAdd(Year,-1,GetDate()),112)
Exec (@St))";

inline std::string soldOutMember(const std::string& select, const std::string& from,
                                 const std::string& date) {
    return select +
           "\n0 Cost, H.Rate, (select Code From Misc Where ID = H.CurrencyId) CurrencyCode, \n"
           "H.Total TotalCurrency\n" +
           from + "\nwhere H.Delflag = 'N'\nAnd H." + date + " >= :BeginDate\nAnd H." + date +
           " < (select DateAdd(Day,1,Convert(Datetime,Convert(Char(10),GetDate(),112))))\n";
}

// Sold-out upload: a branch's sales since BeginDate (branch database).
inline const std::string kSoldOutSales =
    "select SaleType, :BranchCode BranchCode,\nSaleDocNo, SaleDate, ProdCode, BarCode,\n"
    "Quantity, UOM, Price, Discount,\nCost, Rate, CurrencyCode, \n"
    "TotalCurrency, Convert(Decimal(38,2),(TotalCurrency *Rate)) TotalCurrencyMain\nFrom(\n" +
    soldOutMember(
        "select 'POS' SaleType,\nH.posNo SaleDocNo, H.posdate SaleDate, P.Code ProdCode, "
        "U.BarCode,\nD.Quantity, U.UnitName UOM, D.Price, D.DiscAmount Discount,",
        "From PosHeader H\nInner Join Posdetail D On (D.posHeader = H.Id)\n"
        "Inner Join Product P On (P.Id = D.Product)\n"
        "Inner Join ProductUnits U On (U.Id = D.ProductUnits)\n"
        "Left Join customer C On (C.Id = H.Customer)",
        "PosDate") +
    "union All\n" +
    soldOutMember(
        "select 'IV' SaleType,H.IvNo SaleDocNo, H.IVdate SaleDate, P.Code ProdCode, "
        "U.BarCode,\nD.Quantity, U.UnitName UOM, D.Price, D.DiscountAmt Discount,",
        "From IvHd H\nInner Join Customer C On (C.Id = H.Customer)\n"
        "Left Join Salesman S On (S.Id = H.SalesMan)\n"
        "Inner Join IvDt D On (D.IvHd = H.Id)\n"
        "Inner Join Product P On (P.Id = D.Product)\n"
        "Inner Join ProductUnits U On (U.Id = D.ProductUnits)",
        "ivDate") +
    "Union All\n" +
    soldOutMember(
        "select 'POSR' SaleType, H.SrNo SaleDocNo, H.SrDate SaleDate, P.Code ProdCode, "
        "U.BarCode,\n-D.Quantity, U.UnitName UOM, D.Price, -D.DiscountAmt Discount,",
        "From PosrHd H\nInner Join PosrDt D On (D.PosrHd = H.Id)\n"
        "Inner Join Product P On (P.Id = D.Product)\n"
        "Inner Join ProductUnits U On (U.Id = D.ProductUnits)",
        "SrDate") +
    "Union All\n" +
    soldOutMember(
        "select 'SRTD' SaleType, H.SrNo SaleDocNo, H.SrDate SaleDate, P.Code ProdCode, "
        "U.BarCode,\n-D.Quantity, U.UnitName UOM, D.Price, -D.DiscountAmt Discount,",
        "From SrHd H\nInner Join Customer C On (C.Id = H.Customer)\n"
        "Inner Join SrDt D On (D.SrHd = H.Id)\n"
        "Inner Join Product P On (P.Id = D.Product)\n"
        "Inner Join ProductUnits U On (U.Id = D.ProductUnits)",
        "SrDate") +
    ") As M\nOrder By M.SaleDate, M.SaleType, M.ProdCode, M.BarCode";

inline std::string soldOutDelete(int year) {
    return "Delete From SoldOut" + std::to_string(year) +
           " \nWhere Saledate >= :Begindate And BranchCode = :BranchCode ";
}

inline std::string soldOutInsert(int year) {
    return "insert into SoldOut" + std::to_string(year) +
           " \n(SaleType, BranchCode, SaleDocNo, SaleDate, ProdCode, BarCode, Quantity, UOM,\n"
           "Price, Discount, Cost, Rate, CurrencyCode, TotalCurrency, TotalCurrencyMain, "
           "AddDate)\n"
           "Values (:SaleType, :BranchCode, :SaleDocNo, :SaleDate, :ProdCode, :BarCode, "
           ":Quantity, :UOM,\n"
           ":Price, :Discount, :Cost, :Rate, :CurrencyCode, :TotalCurrency, :TotalCurrencyMain, "
           "GetDate()) ";
}

}  // namespace sqltest::statements
