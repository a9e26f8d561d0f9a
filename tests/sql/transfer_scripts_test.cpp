// The transfer tables and the demo's vehicle trips, read with the transfer-document screen's
// own statement: each vehicle shows what its latest trip says.
#include <gtest/gtest.h>

#include "sql_test_support.h"
#include "statements/TransferCar.h"

using namespace sqltest;

namespace {

// The box list of a vehicle as "DocNo BranchCode=CountBoxNO" lines.
std::string boxList(tsqlite::Session& s, const std::string& carNo) {
    std::string out;
    const auto sets =
        s.query(::statements::transfer_car::boxList(), {{"CarNo", tsqlite::Value::text(carNo)}});
    const auto& rs = sets.at(0);
    for (const auto& row : rs.rows)
        out += row[column(rs, "DocNo")].s + " " + row[column(rs, "BranchCode")].s + "=" +
               std::to_string(row[column(rs, "CountBoxNO")].i) + ";";
    return out;
}

TEST(TransferScripts, DemoTripsShowTheLatestClosedTripOfEachVehicleAndChangeNothingWhenRunAgain) {
    std::vector<std::string> scripts = kCompanyScripts;
    scripts.push_back("company/transfer_tables.sql");
    ScriptedServer dc("NWX", scripts);
    const std::vector<std::string> demo = {"demo/company.sql", "demo/dc_transfers.sql"};
    runScripts(*dc.db, demo, {{"BranchCode", "DC001"}});

    // BX2600014 holds lines of 0001 and 0002 and counts for each; the returned BX2600015 and
    // the earlier trip TC26-00001 are not counted.
    EXPECT_EQ(boxList(*dc.db, "C01"), "TC26-00004 0001=3;TC26-00004 0002=2;");
    EXPECT_EQ(boxList(*dc.db, "C02"), "") << "its latest trip is still loading";
    EXPECT_EQ(boxList(*dc.db, "C03"), "TC26-00003 0003=3;TC26-00003 0004=2;");
    EXPECT_EQ(boxList(*dc.db, "C04"), "");
    EXPECT_EQ(scalar(*dc.db, "SELECT COUNT(*) FROM Misc WHERE GroupCode = 'CARNO'"), "4");

    const std::string before = snapshot(*dc.db);
    runScripts(*dc.db, scripts);
    runScripts(*dc.db, demo, {{"BranchCode", "DC001"}});
    EXPECT_EQ(snapshot(*dc.db), before);
}

}  // namespace
