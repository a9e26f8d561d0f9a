// The product barcode search: its statement held line by line, and the three lines every
// search rewrites.
#include "statements/BarcodeSearch.h"

namespace statements::barcode_search {

const std::vector<std::string>& lines() {
    // clang-format off
    static const std::vector<std::string> text = {
        /*  0 */ "Select\tU.Id, U.BarCode, U.Product, U.UnitName, P.Code, P.ThaiName,",
        /*  1 */ "CONVERT(varchar(150), Cast(Coalesce((Select Sum(Quantity) From ProductOnHand Where BalanceYear = Year(GetDate()) And Product = P.Id), 0) As Money), 3) + '  ' +",
        /*  2 */ "(Select Top 1 UnitName From ProductUnits Where Product = P.Id And Fraction = (Select MIN(Fraction) From ProductUnits Where Product = P.Id)) OnHand ,",
        /*  3 */ "CONVERT(varchar(150), Cast(Coalesce(B.BackOrder, 0) As Money), 3)",
        /*  4 */ "+ '  ' + (Select Top 1 UnitName From ProductUnits Where Product = P.Id And Fraction = (Select MIN(Fraction) From ProductUnits Where Product = P.Id)) Backorder",
        /*  5 */ "From ProductUnits U",
        /*  6 */ "Inner Join Product P On (P.Id = U.Product)",
        /*  7 */ "Left Join (select M.Product, Sum(M.BackOrder) BackOrder",
        /*  8 */ "From(",
        /*  9 */ "Select S.Product, (S.Quantity * S.Fraction) BackOrder -- So ที่ยังไม่ Clear (+)",
        /* 10 */ "From SoDt S",
        /* 11 */ "Where (S.Clear <> 'Y') And S.SoHd Not In (Select SoHd From PosHeader Where SoHd is Not Null)",
        /* 12 */ "Union All",
        /* 13 */ "Select V.Product, -(V.Quantity * V.Fraction) BackOrder -- Iv ที่อ้าง So ที่ยังไม่ Clear (-)",
        /* 14 */ "From IvDt V",
        /* 15 */ "Inner Join Ivhd H On (H.Id = V.Ivhd)",
        /* 16 */ "Where V.SoDt = (select S.Id from SoDt S Where S.Clear <> 'Y' And S.Id = V.SoDt)",
        /* 17 */ "Union All",
        /* 18 */ "Select V.Product, (V.Quantity * V.Fraction) BackOrder -- ออกใบกำกับแล้วแต่ยังไม่ส่งของ (+)",
        /* 19 */ "From IvDt V",
        /* 20 */ "Inner Join Ivhd H On (H.Id = V.Ivhd)",
        /* 21 */ "Where (H.NotCutStock = 'Y') And (H.IvType <> 'B') And (Coalesce(V.IvdtB,0) = 0)",
        /* 22 */ "Union All",
        /* 23 */ "Select V.Product, -(V.Quantity * V.Fraction) BackOrder -- ส่งสินค้าอ้างใบกำกับ (-)",
        /* 24 */ "From IvDt V",
        /* 25 */ "Inner Join Ivhd H On (H.Id = V.Ivhd)",
        /* 26 */ "Where (H.NotCutStock = 'N') And (H.IvType = 'B') And (Coalesce(V.IvdtB,0) > 0)",
        /* 27 */ ") As M",
        /* 28 */ "Group By M.Product",
        /* 29 */ ") As B On (B.Product = P.Id)",
        /* 30 */ "Where (U.BarCode Like :GetCode) And (P.ThaiName Like :GetName) And",
        /* 31 */ "Not (U.BarCode Is Null) And (U.BarCode <> '') And (P.Blocked <> 'Y') ",
        /* 32 */ "",
        /* 33 */ "Order By U.BarCode",
        /* 34 */ "/* Don't Move SQL Lines */",
        /* 35 */ "/* SQL [31] ห้ามย้ายบรรทัด */",
        /* 36 */ " ",
    };
    // clang-format on
    return text;
}

const std::string& condition() {
    static const std::string text =
        "Not (U.BarCode Is Null) And (U.BarCode <> '') And (P.Blocked <> 'Y') ";
    return text;
}

std::string orderLine(int sortOrder) {
    switch (sortOrder) {
        case 0:
            return "Order By U.BarCode";
        case 1:
            return "Order By P.Code";
        case 2:
            return "Order By P.ThaiName";
    }
    return {};
}

std::string forSearch(int sortOrder) {
    std::vector<std::string> l = lines();
    l[kConditionLine] = condition();
    l[kExtraConditionLine].clear();
    l[kOrderLine] = orderLine(sortOrder);
    std::string out;
    for (size_t i = 0; i < l.size(); ++i) {
        if (i) out += '\n';
        out += l[i];
    }
    return out;
}

}  // namespace statements::barcode_search
