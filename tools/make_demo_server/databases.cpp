// What the demo server holds. A new module adds its scripts (and its demo rows) here, to the
// databases that need them; the order within a database is the order they run in.
#include "make_demo_server.h"

namespace demo {

const std::vector<DemoDatabase>& demoDatabases() {
    static const std::vector<DemoDatabase> databases = {
        {kConfigDatabase,
         "configuration database: companies, menu, users and rights, branches, error log",
         {
             "config/tables.sql",
             "config/procedures.sql",
             "demo/config.sql",
         }},
        {"NWX",
         "company database of the distribution centre",
         {
             "company/common_tables.sql",
             "company/common_procedures.sql",
             "demo/company.sql",
             "demo/company_dc.sql",
         }},
        {"BR0001",
         "company database of branch 0001",
         {
             "company/common_tables.sql",
             "company/common_procedures.sql",
             "demo/company.sql",
             "demo/company_branch.sql",
         }},
    };
    return databases;
}

}  // namespace demo
