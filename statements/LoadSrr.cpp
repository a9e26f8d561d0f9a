#include "statements/LoadSrr.h"

namespace statements::load_srr {

const std::string& importSet() {
    static const std::string text =
        "Select Convert(VarChar(20),'') VenCode, Convert(VarChar(20),'')Itemcode, "
        "Convert(VarChar(20),'')BarCode, Convert(Decimal(20,2), 0)FinalOrder ";
    return text;
}

}  // namespace statements::load_srr
