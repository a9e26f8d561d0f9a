// Transfer documents by vehicle and the document print dialog: the box list of a vehicle's
// latest closed trip, the print layouts of a form code and the layout's print procedure.
#include <gtest/gtest.h>

#include <cmath>

#include "conformance_support.h"
#include "statements/DocPrint.h"
#include "statements/Startup.h"
#include "statements/TransferCar.h"

using namespace conformance;

namespace {

const std::string& kBoxList = statements::transfer_car::boxList();
const std::string& kLayouts = statements::doc_print::layouts();
const std::string& kSettings = statements::shared_data::settingsRow();

class ConformanceTransferPrint : public ::testing::Test {
protected:
    void SetUp() override {
        server.createDatabase("NWX");
        db = server.open("NWX");
        runCompanyScripts(*db);
        runFixture(*db, "settings_data.sql");
        runFixture(*db, "transfer_data.sql");
    }
    TempServer server;
    std::unique_ptr<tsqlite::Session> db;
};

TEST_F(ConformanceTransferPrint, BoxListCountsDistinctBoxesPerBranchOfTheLatestClosedTrip) {
    Rows r = query(*db, kBoxList, {{"CarNo", T("70-1111")}});
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r.str(0, "DocNo"), "TC0002");
    EXPECT_EQ(r.str(0, "CarNo"), "70-1111");
    EXPECT_EQ(r.str(0, "CarDesc"), "รถบรรทุก 6 ล้อ");
    EXPECT_EQ(r.str(0, "BranchCode"), "0029");
    EXPECT_EQ(r.str(0, "BranchName"), "สาขา 29 ลาดพร้าว");
    // BX01 (two lines) and BX02; incoming BX04 and the earlier trip's BX05 are not counted.
    EXPECT_EQ(r.integer(0, "CountBoxNO"), 2);
    EXPECT_EQ(r.str(1, "BranchCode"), "0036");
    EXPECT_EQ(r.integer(1, "CountBoxNO"), 2) << "BX02 counts for both branches";
}

TEST_F(ConformanceTransferPrint, BoxListIsEmptyWhenTheLatestTripIsOpen) {
    EXPECT_EQ(query(*db, kBoxList, {{"CarNo", T("70-2222")}}).size(), 0u);
    EXPECT_EQ(query(*db, kBoxList, {{"CarNo", T("")}}).size(), 0u);
}

TEST_F(ConformanceTransferPrint, LayoutsOfAFormCodeIgnoreSurroundingBlanks) {
    Rows r = query(*db, kLayouts, {{"PrintCode", T("CARTRANNO ")}});
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r.integer(0, "FormOrderNo"), 1);
    EXPECT_EQ(r.str(0, "FrfName"), "Forms\\CarTran.frf");
    EXPECT_EQ(r.str(0, "SpName"), "SpPrintCarTran ");
    EXPECT_EQ(r.str(0, "ShowPrintPreview"), "Y");
    EXPECT_EQ(r.str(1, "FrfName"), "CarTran.fr3");
    EXPECT_EQ(query(*db, kLayouts, {{"PrintCode", T("NOFORM")}}).size(), 0u);

    // Closing the dialog reads AutoGenGL from the settings row.
    EXPECT_EQ(query(*db, kSettings).str(0, "AutoGenGL"), "N");
}

TEST_F(ConformanceTransferPrint, LayoutProcedureRunsWithTheDocumentBeforePrinting) {
    Rows layouts = query(*db, kLayouts, {{"PrintCode", T("CARTRANNO")}});
    ASSERT_GE(layouts.size(), 1u);
    std::string sp = rtrim(layouts.str(0, "SpName"));
    auto r = callProcedure(*db, sp,
                           {{"@No", T("TC0002")},
                            {"@DocYear", I(currentYear())},
                            {"@DocCode", T(layouts.str(0, "DocCode"))},
                            {"@NewDocNo", Null(), true}});
    EXPECT_EQ(text(output(r, "@NewDocNo")), "TC0002");
    Rows req = query(*db, "SELECT DocNo, DocYear, DocCode FROM PrintRequest");
    ASSERT_EQ(req.size(), 1u);
    EXPECT_EQ(req.integer(0, "DocYear"), currentYear());
    EXPECT_EQ(req.str(0, "DocCode"), "CARTRANNO");

    // Preview and print are logged with their action codes.
    for (int action : {10, 5})
        callProcedure(*db, "UserAddLog",
                      {{"@UserId", I(7)},
                       {"@MenuId", I(14)},
                       {"@FunctionListId", I(action)},
                       {"@DocumentId", I(0)},
                       {"@Remark", T("TC0002")}});
    EXPECT_EQ(
        count(*db,
              "SELECT COUNT(*) FROM UserLog WHERE Remark = 'TC0002' AND FunctionListId IN (5, 10)"),
        2);
}

}  // namespace
