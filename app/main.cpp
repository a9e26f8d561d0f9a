// backoffice: the menu host starts it with the menu entry, the user, the company database and
// the module number, and it opens that module's screen.
#include <memory>

#include "branch_order/Fr_BranchOrder.h"
#include "picking/Fr_PickProduct.h"
#include "soldout/Fr_SoldOut2NwxBranch.h"
#include "spreadsheet_intake/Fr_LoadSrrToPoRQ.h"
#include "spreadsheet_intake/Fr_OrderSar.h"
#include "startup/Startup.h"
#include "transfer_documents/Fr_PrintTransferCar.h"

int main(int argc, char** argv) {
    ModuleTable modules;
    modules.add(1, [](const QStringList&) { return std::make_unique<TFrBranchOrder>(); });
    modules.add(3, [](const QStringList&) { return std::make_unique<TFrPickProduct>(); });
    modules.add(14, [](const QStringList&) { return std::make_unique<TFrPrintTransferCar>(); });
    modules.add(
        15,
        [](const QStringList& arguments) {
            return std::make_unique<TFrSoldOut2NwxBranchAUTO>(arguments);
        },
        true);  // --autorun presses Load, prints the outcome and ends the program
    modules.add(600, [](const QStringList&) { return std::make_unique<TFrOrderSar>(); });
    modules.add(601, [](const QStringList&) { return std::make_unique<TFrLoadSrrToPoRQ>(); });
    return runBackOffice(argc, argv, modules);
}
