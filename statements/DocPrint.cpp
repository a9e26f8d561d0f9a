#include "statements/DocPrint.h"

#include "statements/Lines.h"

namespace statements::doc_print {

const std::string& layouts() {
    static const std::string text = lines({
        "Select FormOrderNo,FormCode,FormDesc,FrfName,SpName,DocCode,DocParaName, ShowPrintPreview",
        "From  SystemForm",
        "Where LTrim(RTrim(FormCode))=LTrim(RTrim(:PrintCode))",
        "Order By FormOrderNo",
    });
    return text;
}

}  // namespace statements::doc_print
