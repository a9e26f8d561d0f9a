// The branch order status report: every ordered row of one order, one barcode or all orders,
// with its status text and rank.
#include <gtest/gtest.h>

#include "conformance_support.h"
#include "statements/BranchOrder.h"

using namespace conformance;

namespace {

const std::string& kReport = statements::branch_order::statusReport();

class ConformanceStatusReport : public ::testing::Test {
protected:
    void SetUp() override { db = openBranchDatabase(server, "BR0029"); }

    Rows report(const std::string& docNo, const std::string& barCode) {
        return query(*db, kReport, {{"DocNo", T(docNo)}, {"BarCode", T(barCode)}});
    }
    static std::vector<std::string> keys(const Rows& r) {
        std::vector<std::string> out;
        for (size_t i = 0; i < r.size(); ++i)
            out.push_back(rtrim(r.str(i, "OrderNo")).substr(10) + ":" +
                          std::to_string(r.integer(i, "ProductUnits")));
        return out;
    }

    TempServer server;
    std::unique_ptr<tsqlite::Session> db;
};

TEST_F(ConformanceStatusReport, EmptyFieldsListEveryOrderedRowByOrderRankAndBarcode) {
    Rows r = report("", "");
    // Rows ordered with quantity 0 never show; an unknown code has no rank and comes first.
    EXPECT_EQ(keys(r),
              (std::vector<std::string>{"01:101", "02:102", "02:110", "02:111", "02:101", "03:107",
                                        "04:104", "04:110", "04:111", "04:109"}));
}

TEST_F(ConformanceStatusReport, OneOrderShowsStatusTextsRanksAndNoNegativeAwaitedQuantity) {
    Rows r = report("No0000000004", "   ");  // a blank barcode means every product
    ASSERT_EQ(r.size(), 4u);

    EXPECT_EQ(r.str(0, "CloseOrder"), "Z");
    EXPECT_TRUE(r.isNull(0, "Stratus"));
    EXPECT_TRUE(r.isNull(0, "OrderBy"));

    EXPECT_EQ(r.str(1, "Stratus"), "จัดสินค้าได้บางส่วน");
    EXPECT_EQ(r.integer(1, "OrderBy"), 3);
    EXPECT_EQ(r.integer(1, "BackOrder"), 2);

    EXPECT_EQ(r.str(3, "Stratus"), "ได้สินค้าครบแล้ว");
    EXPECT_EQ(r.integer(3, "OrderBy"), 6);
    EXPECT_EQ(r.integer(3, "BackOrder"), 0) << "received more than ordered: shown as 0";
    EXPECT_EQ(r.integer(3, "ReceivedQnty"), 7);
    EXPECT_EQ(r.str(3, "Remark"), "รับเกิน");
    EXPECT_EQ(r.str(3, "OrderDate").substr(0, 10), isoDate(today(-50)));

    Rows second = report("No0000000002", "");
    ASSERT_EQ(second.size(), 4u);
    EXPECT_EQ(second.str(0, "Stratus"), "กำลังส่งข้อมูลไปยังส่วนกลาง");
    EXPECT_EQ(second.str(1, "Stratus"), "สินค้าหมด");
    EXPECT_EQ(second.str(2, "Stratus"), "สินค้าหมด");
    EXPECT_EQ(second.str(3, "Stratus"), "กำลังขนส่งไปยังสาขา");
    EXPECT_EQ(second.str(3, "Transfer"), "Y");
    EXPECT_NEAR(second.num(3, "Price"), 35.5, 1e-9);
    EXPECT_EQ(second.str(3, "UOM"), "ขวด");
}

TEST_F(ConformanceStatusReport, BarcodeAloneListsThatProductInAllOrders) {
    Rows r = report("", "8850000000101");
    EXPECT_EQ(keys(r), (std::vector<std::string>{"01:101", "02:101"}));
    EXPECT_EQ(report("No0000000002", "8850000000110").size(), 1u);
    // The value the screen opens the report with matches nothing.
    EXPECT_EQ(report("M0066", "M0066").size(), 0u);
}

}  // namespace
