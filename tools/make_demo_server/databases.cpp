// What the demo server holds. A new module adds its scripts (and its demo rows) here, to the
// databases that need them; the order within a database is the order they run in.
#include "make_demo_server.h"

namespace demo {

namespace {

const std::vector<std::string> kCompanyTables = {
    "company/common_tables.sql", "company/common_procedures.sql", "company/product_tables.sql",
    "company/sales_tables.sql",  "company/print_tables.sql",      "company/transfer_tables.sql",
};

// A branch's company database: the tables, products, stock and six weeks of sales.
std::vector<std::string> branchScripts(std::vector<std::string> more) {
    std::vector<std::string> scripts = kCompanyTables;
    for (const char* s : {"demo/company.sql", "demo/company_branch.sql", "demo/branch_products.sql",
                          "demo/branch_stock.sql", "demo/branch_sales.sql", "demo/print_forms.sql"})
        scripts.push_back(s);
    scripts.insert(scripts.end(), more.begin(), more.end());
    return scripts;
}

// The distribution centre: the chain's products, the picking tables, the picking demo rows and
// the vehicle trips.
std::vector<std::string> dcScripts() {
    std::vector<std::string> scripts = kCompanyTables;
    for (const char* s : {"company/picking_tables.sql", "company/sar_tables.sql",
                          "demo/company.sql", "demo/branch_products.sql", "demo/dc_picking.sql",
                          "demo/dc_transfers.sql", "demo/print_forms.sql"})
        scripts.push_back(s);
    return scripts;
}

}  // namespace

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
         "company database of the distribution centre: products, stock by location, branch "
         "order lines and picks",
         dcScripts(),
         {{"BranchCode", "DC001"}}},
        {"BR0001",
         "company database of branch 0001: products, stock, sales, orders",
         branchScripts({"demo/branch_orders.sql"}),
         {{"BranchCode", "0001"}}},
        {"BR0002",
         "company database of branch 0002: products, stock, sales",
         branchScripts({}),
         {{"BranchCode", "0002"}}},
        // The sold-out upload only takes the branches whose database name the configuration
        // server knows; branches 0003 and 0004 keep theirs on servers of their own.
        {"BR0003", "name only: branch 0003's database is on its own server", {}},
        {"BR0004", "name only: branch 0004's server is out of reach", {}},
        {"NWXBranch",
         "branch report database: sales per year (SoldOut)",
         {"report/soldout_tables.sql"}},
        {"BR0003",
         "company database of branch 0003 on its own server: products, stock, sales",
         branchScripts({}),
         {{"BranchCode", "0003"}},
         kRemoteBranchFolder},
    };
    return databases;
}

}  // namespace demo
