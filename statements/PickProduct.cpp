// The statements of pick planning and pick confirmation, line by line as the screen holds
// them. The load's two parts for open lines differ only in the group, the sort key's location,
// the division condition and the branch list, so they are built by one function.
#include "statements/PickProduct.h"

#include "statements/Lines.h"

namespace statements::pick_product {

namespace {

const std::string& existingPickAtBranches() {
    static const std::string text = lines({
        "Select B.BranchNo, T.Id, T.PickNo, P.locationassign,",
        "Coalesce((Select Sum(O.Onhand) From ProductOnhandSend O Where O.ProdCode = T.ProdCode),0) "
        "OnhandDC, 0 SumQnty,",
        "T.PickDate, T.OrderNO, T.OrderDate, T.BranchCode, B.BranchName,",
        "T.ResponsProdGroup,",
        "'' SortGroup,",
        "P.Negative, T.ProdCode, P.ThaiName ProdName, T.BarCode, U.UnitName UOM,",
        "T.OrderQnty, T.UserPick, T.CloseOrder, T.OrderType, T.SendQnty,",
        "Coalesce((Select Sum(O.Onhand) From ProductOnhandSend O Where O.BarCode = T.BarCode),0) "
        "Onhand40,",
        "(Case When (Select Count(CloseOrder) From TranBranch T1 Where T1.PickNo = T.PickNo And "
        "T1.CloseOrder IN ('T','Y')) > 0 Then 'T' Else 'N' End) NewRecord, T.OrderBranchId, "
        "B.ServerName, B.Serverbranch",
        "From TranBranch T",
        "Inner Join Qarn_Config_Nwx.dbo.Branch B On (B.BranchCode = T.BranchCode) And "
        "(B.StopDatabase "
        "= 'N')",
        "Inner Join Nwx.dbo.Product P On (P.Code = T.ProdCode)",
        "Inner Join Nwx.dbo.ProductUnits U On (U.BarCode = T.BarCode)",
        "Where (T.PickNo = :PickNo)",
    });
    return text;
}

const std::string& existingPickAtCustomers() {
    static const std::string text = lines({
        "Select B.Code BranchNo, T.Id, T.PickNo,  P.locationassign,",
        "0 OnhandDC, 0 SumQnty,",
        "T.PickDate, T.OrderNO, T.OrderDate, T.BranchCode, B.Name BranchName,",
        "T.ResponsProdGroup,",
        "'' SortGroup,",
        "P.Negative, T.ProdCode, P.ThaiName ProdName, T.BarCode, U.UnitName UOM,",
        "T.OrderQnty, T.UserPick, T.CloseOrder, T.OrderType, T.SendQnty,",
        "Coalesce((Select Sum(O.Onhand) From ProductOnhandSend O Where O.ProdCode = T.ProdCode),0) "
        "Onhand40,",
        "(Case When (Select Count(CloseOrder) From TranBranch T1 Where T1.PickNo = T.PickNo And "
        "T1.CloseOrder IN ('T','Y')) > 0 Then 'T' Else 'N' End) NewRecord, T.OrderBranchId, '' "
        "ServerName, '' Serverbranch",
        "From TranBranch T",
        "Inner Join Customer B On (B.Code = T.BranchCode) And (B.Blocked = 'N')",
        "Inner Join Nwx.dbo.Product P On (P.Code = T.ProdCode)",
        "Inner Join Nwx.dbo.ProductUnits U On (U.BarCode = T.BarCode)",
        "Where T.PickNo = :PickNo",
    });
    return text;
}

// Open lines of the ticked branches (ordinary) or the central branches' frozen division.
std::string openLines(bool frozen, const std::string& inList) {
    const std::string group = frozen
                                  ? "(Case When Sum(Coalesce(R.Onhand,0) ) > 0 Then B.BranchCode + "
                                    "(Ltrim(Rtrim(Coalesce(R.WhZone,'GROUP')))) Else "
                                    "'D_'+Ltrim(Rtrim(Coalesce(R.WhZone,'GROUP'))) END)"
                                  : "B.BranchCode + (Ltrim(Rtrim(Coalesce(R.WhZone,'GROUP'))))";
    const std::string sortLocation =
        frozen ? "(Case When Sum(Coalesce(R.Onhand,0) ) > 0 Then B.BranchCode + "
                 "(Ltrim(Rtrim(Coalesce(R.WhCode,'GROUP')))) Else "
                 "'D_'+Ltrim(Rtrim(Coalesce(R.WhCode,'GROUP'))) END)"
               : "B.BranchCode + (Ltrim(Rtrim(Coalesce(R.WhCode,'GROUP'))))";
    const std::string division = frozen ? "Inner JOin Misc M On (M.GroupCode = 'DIVISION') And "
                                          "(M.Id = P.Division) And ((M.Code = '20') "
                                          "And (B.Storeregion = 'CENTRAL'))"
                                        : "Inner JOin Misc M On (M.GroupCode = 'DIVISION') And "
                                          "(M.Id = P.Division) And ((M.Code <> '20') "
                                          "Or (B.Storeregion <> 'CENTRAL'))";
    return lines({
        "Select B.BranchNo, T.Id, T.PickNo, P.locationassign,",
        "Sum(Coalesce(R.Onhand,0)) OnhandDC,",
        "0 SumQnty,",
        "GetDate() PickDate, T.OrderNO, T.OrderDate, T.BranchCode, B.BranchName,",
        group + " ResponsProdGroup,",
        "P.Useserial + ",
        sortLocation,
        "+'-'+(Case When Sum(Coalesce(R.Onhand,0) ) > 0 Then 'DC001'",
        "Else 'ZZZZZZ' End)",
        "+'-'+ Ltrim(Rtrim(T.ProdCode)) +'-'+ Ltrim(Rtrim(T.BarCode)) SortGroup,",
        "P.Negative, T.ProdCode, P.ThaiName ProdName, T.BarCode, U.UnitName UOM,",
        "T.OrderQnty, T.UserPick, T.CloseOrder, T.OrderType, T.SendQnty,",
        "Sum(Coalesce(R.Onhand,0) - Coalesce(O.BackOrder,0)) Onhand40,",
        "'Y' NewRecord, T.OrderBranchId, B.ServerName, B.Serverbranch",
        "From TranBranch T",
        "Inner Join Qarn_Config_Nwx.dbo.Branch B On (B.BranchCode = T.BranchCode)  And "
        "(B.StopDatabase = 'N')",
        "Inner Join NWX.dbo.Product P On (P.Code = T.ProdCode)",
        "Inner Join NWX.dbo.ProductUnits U On (U.BarCode = T.BarCode)",
        division,
        "Left Join ProductOnhandSend R On (R.ProdCode = T.ProdCode)",
        "Left Join (",
        "Select B.BarCode, 0 Onhand, Sum(B.OrderQnty - B.SendQnty) BackOrder ",
        "From TranBranch B ",
        "Where (B.CloseOrder = 'P') ",
        "Group By B.BarCode",
        ") As O On (O.BarCode = T.BarCode)",
        "Where ((Case When ((T.CloseOrder = 'N') Or (T.CloseOrder = 'B') Or (T.CloseOrder = 'A') "
        "Or (T.CloseOrder = 'O')) Then 'Y' Else 'N' End) = 'Y') And (T.Transfer = 'N')",
        "     And (:PickNo = '')",
        "  And T." + inList + "And (T.BranchCode <> '' )",
        "Group By B.BranchNo, B.BranchCode , T.Id, T.PickNo, B.StopDatabase, T.BarCode, T.OrderNo, "
        "T.OrderDate,",
        "T.BranchCode, B.BranchName, R.WhZone, R.WhCode, P.Negative, T.ProdCode,",
        "P.ThaiName, U.UnitName, T.OrderQnty, T.UserPick, T.CloseOrder,",
        "T.OrderType, T.SendQnty, T.OrderBranchId, B.ServerName, B.ServerBranch, P.Useserial, "
        "P.locationassign",
    });
}

}  // namespace

const std::string& weekday() {
    static const std::string text =
        "Select DATEPART(Dw, GetDate()) Dw,  Left(UPPER(DateName(weekday,GetDate())),3) Days";
    return text;
}

const std::string& branchPlan() {
    static const std::string text = lines({"Select Days, BranchCode", "From BranchPick",
                                           "Where Days = :Days ", "Order By BranchCode"});
    return text;
}

const std::string& branchList() {
    static const std::string text = lines({
        "Declare @Date DateTime ",
        "Set @Date = Convert(DateTime,Convert(Date,GetDate()))",
        "Select  M.Pick, M.BranchNo, M.BranchCode, M. BranchName",
        "From (",
        "Select 'N' Pick, '000' BranchNo, 'FROZEN' BranchCode, 'FROZEN' BranchName",
        "Union All",
        "Select 'N' Pick, BranchNo, BranchCode, BranchName",
        "From QARN_Config_NWX.dbo.Branch",
        "Where (StopDatabase = 'N') And (BranchCode <> 'DC001')",
        ") As M",
        " Where M.BranchCode Not IN ",
        " (Select Distinct 'FROZEN' BranchCode",
        "From TranBranch T",
        "Inner Join Product P ON (P.Code = T.ProdCode)",
        "Inner JOin Misc M On (M.GroupCode = 'DIVISION') And (M.Id = P.Division) ",
        "Inner Join QARN_Config_NWX.dbo.Branch B ON (B.BranchCode = T.BranchCode)",
        "Where ((M.Code = '20') And (B.Storeregion = 'CENTRAL')) And (T.PickNo <> T.OrderNo)",
        "  And (T.PickDate >= @Date) And (@Date <= T.PickDate)",
        "Union All",
        "Select Distinct T.BranchCode",
        "From TranBranch T",
        "Inner Join Product P ON (P.Code = T.ProdCode)",
        "Inner JOin Misc M On (M.GroupCode = 'DIVISION') And (M.Id = P.Division) ",
        "Inner Join QARN_Config_NWX.dbo.Branch B ON (B.BranchCode = T.BranchCode)",
        "Where ((M.Code <> '20') /*And (B.Storeregion <> 'CENTRAL')*/) And (T.PickNo <> T.OrderNo) "
        " ",
        "  And (T.PickDate >= @Date) And (@Date <= T.PickDate))",
        "Order by M.BranchNo",
    });
    return text;
}

const std::string& frozenBranches() {
    static const std::string text =
        "Select BranchCode from Branch Where Storeregion = 'Central' And (BranchCode <> 'DC001') "
        "Order by BranchNo";
    return text;
}

const std::string& pickNumberSearch() {
    static const std::string text = lines({
        "Select Distinct PickNo, CAST(PickDate AS DATE) AS PickDate From TranBranch Where (PickNo "
        "is Not Null) ",
        " And PickNo Like :GNo ",
        "Order BY PickDate Desc, PickNO Desc  ",
    });
    return text;
}

const std::string& miscSearch() {
    static const std::string text = lines({
        "Select Id,GroupCode,Code,Description",
        "From Misc",
        "Where (GroupCode = :GetGroup) And (Description Like :GetCode)",
        "Order By Description",
    });
    return text;
}

std::string branchInList(const std::vector<std::string>& codes) {
    std::string s = "BranchCode In (''";
    for (const auto& code : codes) {
        s += ",'";
        for (char c : code) {
            if (c == '\'') s += '\'';
            s += c;
        }
        s += '\'';
    }
    return s + ")";
}

std::string load(const std::vector<std::string>& ticked, const std::vector<std::string>& frozen) {
    return lines({existingPickAtBranches(), "Union All", openLines(false, branchInList(ticked)),
                  "Union All", openLines(true, branchInList(frozen)), "Union All",
                  existingPickAtCustomers(), "Order by BranchNo, BarCode"});
}

const std::string& takeRunLock() {
    // Test and set in one statement: of two workstations only one changes the row.
    static const std::string text =
        "Update Config Set RunConsoFlag = 'Y' Where (Id = 1) And (Coalesce(RunConsoFlag,'N') <> "
        "'Y')";
    return text;
}

const std::string& setRunLock() {
    static const std::string text = "Update Config Set RunConsoFlag = :RunConsoFlag";
    return text;
}

const std::string& pickedLine() {
    static const std::string text = lines({
        "Update TranBranch",
        "Set PickNo = :PickNo,",
        "PickDate = GetDate(),",
        "UserPick = :UserPick,",
        "ResponsProdGroup = :ResponsProdGroup,",
        "TranSendQnty = 0 ,",
        "BoxNo = '' ,",
        "remark = '' ,",
        "CloseOrder = 'P',",
        "UpdateBranch = 'N',",
        "Locations = '',",
        "ProductManageNo = :ProductManageNo",
        "Where Id = :Id",
    });
    return text;
}

const std::string& closingLine() {
    static const std::string text = lines({
        "Update TranBranch",
        "Set PickNo = :PickNo,",
        "PickDate = GetDate(),",
        "UserPick = :UserPick,",
        "ResponsProdGroup = :ResponsProdGroup,",
        "CloseOrder = :Status,",
        "UpdateBranch = (Case When CloseOrder = :Status Then UpdateBranch Else 'N' End),",
        "Locations = ''",
        "Where Id = :Id",
    });
    return text;
}

const std::string& locationSummary() {
    static const std::string text = lines({
        "Begin Transaction",
        "Delete From ProductOnhandSendDayly",
        "Insert Into ProductOnhandSendDayly (ProdCode, WhStart, WhStop, CountWH, AddDate)",
        "(Select ProdCode, Min(R.WhCode) WhStart, Max(R.WhCode) WhStop, Count(Distinct R.WhCode) "
        "CountWH, GetDate()",
        "From ProductOnhandSend R",
        "Group By ProdCode)",
        "Commit",
    });
    return text;
}

const std::string& counts() {
    static const std::string text = lines({
        "select :PickNo PickNo,",
        "(Select Count(Distinct BranchCode) From TranBranch Where PickNo = :PickNo )CountBranch,",
        "(Select Count(Distinct BarCode) From TranBranch Where PickNo = :PickNo )CountTotal,",
        "(Select Count(Distinct BarCode) From TranBranch Where PickNo = :PickNo And CloseOrder = "
        "'P')CountP",
    });
    return text;
}

}  // namespace statements::pick_product
