// The statements of the sold-out upload: the branch list (configuration database), the
// yearly report table, the sales read (branch database), the delete and insert of the report
// tables, and the upload date (configuration database).
#include "statements/SoldOut.h"

#include <cstdio>

namespace statements::soldout {

namespace {

std::string yearText(int year) {
    char text[16];
    std::snprintf(text, sizeof text, "%04d", year);
    return text;
}

}  // namespace

const std::string& branchList() {
    static const std::string text =
        "select  B.BranchCode, B.BranchName, B.ServerName, B.Server,\n"
        "Convert(DateTime,Convert(Date, Coalesce(B.SoldOutLastUpdate,'20220101'))) "
        "SoldOutLastUpdate\n"
        "From Branch B\n"
        "Inner Join master..sysdatabases D On (D.Name = B.servername)\n"
        "Where B.StopDatabase = 'N' And (B.BranchCode <> 'DC001')\n"
        "Order by BranchCode";
    return text;
}

const std::string& yearTable() {
    static const std::string text =
        "Declare @St VarChar(666)\n"
        "Set @St = 'If Not Exists (select Id from SysObjects Where Name = ''' +  "
        "'SoldOut'+Convert(Char(4),GetDate(),112) + ''')  '\n"
        "Set @St = @St + 'select Top 0 * into ' + 'SoldOut'+Convert(Char(4),GetDate(),112) + ' "
        "from SoldOut'+Convert(Char(4),DateAdd(Year,-1,GetDate()),112)\n"
        "Exec (@St)";
    return text;
}

const std::string& sales() {
    static const std::string text =
        "select SaleType, :BranchCode BranchCode,\n"
        "SaleDocNo, SaleDate, ProdCode, BarCode,\n"
        "Quantity, UOM, Price, Discount,\n"
        "Cost, Rate, CurrencyCode, \n"
        "TotalCurrency, Convert(Decimal(38,2),(TotalCurrency *Rate)) TotalCurrencyMain\n"
        "From(\n"
        "select 'POS' SaleType,\n"
        "H.posNo SaleDocNo, H.posdate SaleDate, P.Code ProdCode, U.BarCode,\n"
        "D.Quantity, U.UnitName UOM, D.Price, D.DiscAmount Discount,\n"
        "0 Cost, H.Rate, (select Code From Misc Where ID = H.CurrencyId) CurrencyCode, \n"
        "H.Total TotalCurrency\n"
        "From PosHeader H\n"
        "Inner Join Posdetail D On (D.posHeader = H.Id)\n"
        "Inner Join Product P On (P.Id = D.Product)\n"
        "Inner Join ProductUnits U On (U.Id = D.ProductUnits)\n"
        "Left Join customer C On (C.Id = H.Customer)\n"
        "where H.Delflag = 'N'\n"
        "And H.PosDate >= :BeginDate\n"
        "And H.PosDate < (select "
        "DateAdd(Day,1,Convert(Datetime,Convert(Char(10),GetDate(),112))))\n"
        "union All\n"
        "select 'IV' SaleType,H.IvNo SaleDocNo, H.IVdate SaleDate, P.Code ProdCode, U.BarCode,\n"
        "D.Quantity, U.UnitName UOM, D.Price, D.DiscountAmt Discount,\n"
        "0 Cost, H.Rate, (select Code From Misc Where ID = H.CurrencyId) CurrencyCode, \n"
        "H.Total TotalCurrency\n"
        "From IvHd H\n"
        "Inner Join Customer C On (C.Id = H.Customer)\n"
        "Left Join Salesman S On (S.Id = H.SalesMan)\n"
        "Inner Join IvDt D On (D.IvHd = H.Id)\n"
        "Inner Join Product P On (P.Id = D.Product)\n"
        "Inner Join ProductUnits U On (U.Id = D.ProductUnits)\n"
        "where H.Delflag = 'N'\n"
        "And H.ivDate >= :BeginDate\n"
        "And H.ivDate < (select DateAdd(Day,1,Convert(Datetime,Convert(Char(10),GetDate(),112))))\n"
        "Union All\n"
        "select 'POSR' SaleType, H.SrNo SaleDocNo, H.SrDate SaleDate, P.Code ProdCode, U.BarCode,\n"
        "-D.Quantity, U.UnitName UOM, D.Price, -D.DiscountAmt Discount,\n"
        "0 Cost, H.Rate, (select Code From Misc Where ID = H.CurrencyId) CurrencyCode, \n"
        "H.Total TotalCurrency\n"
        "From PosrHd H\n"
        "Inner Join PosrDt D On (D.PosrHd = H.Id)\n"
        "Inner Join Product P On (P.Id = D.Product)\n"
        "Inner Join ProductUnits U On (U.Id = D.ProductUnits)\n"
        "where H.Delflag = 'N'\n"
        "And H.SrDate >= :BeginDate\n"
        "And H.SrDate < (select DateAdd(Day,1,Convert(Datetime,Convert(Char(10),GetDate(),112))))\n"
        "Union All\n"
        "select 'SRTD' SaleType, H.SrNo SaleDocNo, H.SrDate SaleDate, P.Code ProdCode, U.BarCode,\n"
        "-D.Quantity, U.UnitName UOM, D.Price, -D.DiscountAmt Discount,\n"
        "0 Cost, H.Rate, (select Code From Misc Where ID = H.CurrencyId) CurrencyCode, \n"
        "H.Total TotalCurrency\n"
        "From SrHd H\n"
        "Inner Join Customer C On (C.Id = H.Customer)\n"
        "Inner Join SrDt D On (D.SrHd = H.Id)\n"
        "Inner Join Product P On (P.Id = D.Product)\n"
        "Inner Join ProductUnits U On (U.Id = D.ProductUnits)\n"
        "where H.Delflag = 'N'\n"
        "And H.SrDate >= :BeginDate\n"
        "And H.SrDate < (select DateAdd(Day,1,Convert(Datetime,Convert(Char(10),GetDate(),112))))\n"
        ") As M\n"
        "Order By M.SaleDate, M.SaleType, M.ProdCode, M.BarCode";
    return text;
}

const std::string& updateDate() {
    static const std::string text =
        "Update QARN_Config_NWX.Dbo.Branch\n"
        "Set SoldOutLastUpdate = Coalesce(:SoldOutLastUpdate,SoldOutLastUpdate)\n"
        "Where BranchCode = :BranchCode ";
    return text;
}

const std::string& tableId() {
    static const std::string text = "select Id from SysObjects Where Name = :Name";
    return text;
}

std::string deleteFor(int year) {
    return "Delete From SoldOut" + yearText(year) +
           " \nWhere Saledate >= :Begindate And BranchCode = :BranchCode ";
}

std::string insertFor(int year) {
    return "insert into SoldOut" + yearText(year) +
           " \n"
           "(SaleType, BranchCode, SaleDocNo, SaleDate, ProdCode, BarCode, Quantity, UOM,\n"
           "Price, Discount, Cost, Rate, CurrencyCode, TotalCurrency, TotalCurrencyMain, "
           "AddDate)\n"
           "Values (:SaleType, :BranchCode, :SaleDocNo, :SaleDate, :ProdCode, :BarCode, "
           ":Quantity, :UOM,\n"
           ":Price, :Discount, :Cost, :Rate, :CurrencyCode, :TotalCurrency, "
           ":TotalCurrencyMain, GetDate()) ";
}

}  // namespace statements::soldout
