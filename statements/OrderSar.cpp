// The statements of the SAR order screen, line by line as the screen holds them.
#include "statements/OrderSar.h"

#include "statements/Lines.h"

namespace statements::order_sar {

namespace {

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// Texts the statements are built from are made on first use, as the statements are: a caller
// may read a statement while the program's statics are still being made.
const std::string& sarPrefix() {
    static const std::string text =
        "'SAR' + Right(Convert(Char(4),:DocDate,112),2) + DateName(WEEK,:DocDate)";
    return text;
}
// Four digits written out: a range such as [0-9] takes the collation's order, which may hold
// other digit characters (Thai ones) that do not convert to int.
const std::string& fourDigits() {
    static const std::string text = "'[0123456789][0123456789][0123456789][0123456789]'";
    return text;
}

}  // namespace

const std::vector<std::string>& branchSuffixes() {
    static const std::vector<std::string> suffixes = {
        "MinQnty",     "MaxQnty", "StoreCurrentStock", "SAROnSystem", "SARSuggest",
        "AdjustOrder", "TTOrder", "StoreDOH",          "DeliveryRate"};
    return suffixes;
}

const std::string& deliveryBranches() {
    static const std::string text = lines({
        "Select BranchCode ",
        "From BranchPick ",
        "Where DAYS = (Select Left(UPPER(DateName(weekday,:DeliveryDate)),3))",
        "ORder by BranchCode ",
    });
    return text;
}

std::vector<std::string> importColumns(const std::vector<std::string>& branchCodes) {
    std::vector<std::string> names = {
        "MainGoup",      "Division",           "Category",          "SubCategory",
        "Itemcode",      "ProductUnits",       "BarCode",           "DescriptionEng",
        "BuyingStatus",  "CategorySaleStatus", "CompanySaleStatus", "UnitOfPicking",
        "DCCurrentStock"};
    for (const std::string& code : branchCodes)
        for (const std::string& suffix : branchSuffixes()) names.push_back(trimmed(code) + suffix);
    names.push_back("TTPickingOrder");
    names.push_back("TTDeliveryRate");
    return names;
}

std::string quotedName(const std::string& name) {
    std::string quoted = "[";
    for (char c : name) {
        quoted += c;
        if (c == ']') quoted += ']';
    }
    return quoted + ']';
}

std::string importSet(const std::vector<std::string>& branchCodes) {
    std::string text =
        "Select Convert(VarChar(50),'') MainGoup, Convert(VarChar(50),'')Division, "
        "Convert(VarChar(50),'')Category, Convert(VarChar(50),'')SubCategory \n"
        "    , Convert(VarChar(20),'')Itemcode,  Convert(Int,0)ProductUnits, "
        "Convert(VarChar(30),'')BarCode \n"
        "    , Convert(VarChar(160),'')DescriptionEng , Convert(VarChar(1),'')BuyingStatus, "
        "Convert(VarChar(1),'')CategorySaleStatus \n"
        "   , Convert(VarChar(1),'')CompanySaleStatus , Convert(Int,0)UnitOfPicking, "
        "Convert(Decimal(30,2),0) DCCurrentStock \n";
    for (const std::string& code : branchCodes)
        for (const std::string& suffix : branchSuffixes())
            text += ", Convert(Decimal(30,2),0)" + quotedName(trimmed(code) + suffix) + "\n";
    text += "   , Convert(Decimal(30,2),0)TTPickingOrder , Convert(Decimal(30,2),0)TTDeliveryRate ";
    return text;
}

const std::string& sarNumber() {
    static const std::string text = lines({
        "Declare @DocNo VarChar(15)",
        "Declare @LastNo Int",
        "Set @LastNo = (Select Max(Case When DocNo Like " + sarPrefix() + " + " + fourDigits() +
            " Then Convert(Int,Right(DocNo,4)) End) From OrderSarHd Where DocNo Like " +
            sarPrefix() + " + " + fourDigits() + ")",
        "Set @DocNo = 'SAR' + Right(Convert(Char(4), :DocDate,112),2) + DateName(WEEK,:DocDate) + "
        "Right('000' + Convert(VarChar(4), (Coalesce(@LastNo,0) + 1)),4)",
        "Select @DocNo DocNo",
    });
    return text;
}

const std::string& headerByNumber() {
    static const std::string text = lines({
        "Select H.Id, H.Delflag, H.Approved, H.DocNo, H.DocDate, H.SCAUserCode, H.DeliveryDate, ",
        "H.RetailPrice, H.ReplenishmentType, H.CreateDate, H.LastUpdate",
        "From OrderSarHd H",
        "Where H.DocNo = :DocNo",
    });
    return text;
}

const std::string& saveHeader() {
    static const std::string text = lines({
        "If Not Exists (Select Id From OrderSarHd Where DocNo = :DocNo)",
        "Insert Into OrderSarHd (Delflag, Approved, DocNo, DocDate, SCAUserCode, DeliveryDate, "
        "RetailPrice, ReplenishmentType, CreateDate, LastUpdate)",
        "Values ('N', 'N', :DocNo, :DocDate, :SCAUserCode, :DeliveryDate, :RetailPrice, "
        ":ReplenishmentType, GetDate(), GetDate())",
        "Else",
        "Update OrderSarHd",
        "Set SCAUserCode = :SCAUserCode,",
        "DeliveryDate  = :DeliveryDate,",
        "RetailPrice  = :RetailPrice,",
        "ReplenishmentType  = :ReplenishmentType,",
        "LastUpdate  = GetDate()",
        "Where DocNo = :DocNo",
    });
    return text;
}

const std::string& removeLines() {
    static const std::string text = "Delete From OrderSarDt Where OrderSarHd = :OrderSarHd";
    return text;
}

const std::string& insertLine() {
    static const std::string text = lines({
        "Insert Into OrderSarDt (OrderSarHd, RecNo, AvgsalesAmountPerDay, TTStoreStockAmount, "
        "TTSARSuggest, TTSAROnSystem, ProductUnits, DCCurrentStock, BranchCode, MinQnty, MaxQnty, "
        "StoreCurrentStock, SAROnSystem, SARSuggest, AdjustOrder, TTOrder, StoreDOH, DeliveryRate, "
        "TTPickingOrder, TTDeliveryRate, AddDate)",
        "Values(:OrderSarHd, :RecNo, :AvgsalesAmountPerDay, :TTStoreStockAmount, :TTSARSuggest, "
        ":TTSAROnSystem, :ProductUnits, :DCCurrentStock, :BranchCode, :MinQnty, :MaxQnty, "
        ":StoreCurrentStock, :SAROnSystem, :SARSuggest, :AdjustOrder, :TTOrder, :StoreDOH, "
        ":DeliveryRate, :TTPickingOrder, :TTDeliveryRate, GetDate())",
    });
    return text;
}

const std::string& handOver() {
    static const std::string text = "AddOrderSarHd2TranBranch :DocNo";
    return text;
}

const std::string& placeholder() {
    static const std::string text = "select 0 Id";
    return text;
}

}  // namespace statements::order_sar
