// backoffice: the menu host starts it with the menu entry, the user, the company database and
// the module number, and it opens that module's screen.
#include "startup/Startup.h"

int main(int argc, char** argv) {
    ModuleTable modules;
    return runBackOffice(argc, argv, modules);
}
