// Orders from spreadsheets: the SAR order (branches of the delivery day, the typed import set,
// numbering by delivery week, header, lines and hand-over to the branch transfer lines) and
// the purchase requisition import set.
#include <gtest/gtest.h>

#include <cmath>

#include "conformance_support.h"
#include "statements/LoadSrr.h"
#include "statements/OrderSar.h"

using namespace conformance;

namespace {

namespace sar = statements::order_sar;

// The SAR order screen's own statements.
const std::string& kDeliveryBranches = sar::deliveryBranches();
const std::string& kSarNumber = sar::sarNumber();
const std::string& kHeaderByNumber = sar::headerByNumber();
const std::string& kSaveHeader = sar::saveHeader();
const std::string& kRemoveLines = sar::removeLines();
const std::string& kInsertLine = sar::insertLine();
const std::string& kHandOver = sar::handOver();

std::string importSetStatement(const std::vector<std::string>& branches) {
    return sar::importSet(branches);
}

// The purchase requisition screen's import set.
const std::string& kRequisitionSet = statements::load_srr::importSet();

class ConformanceSpreadsheetOrders : public ::testing::Test {
protected:
    void SetUp() override {
        server.createDatabase("NWX");
        db = server.open("NWX");
        runCompanyScripts(*db);
        runFixture(*db, "settings_data.sql");
        runFixture(*db, "pick_data.sql");
    }

    std::string sarNumber(const std::string& deliveryDate) {
        return text(scalar(*db, kSarNumber, {{"DocDate", T(deliveryDate)}}));
    }
    void saveHeader(const std::string& docNo, const std::string& deliveryDate,
                    const std::string& type = "DC Item") {
        runScript(*db, kSaveHeader,
                  {{"DocNo", T(docNo)},
                   {"DocDate", T(isoDate(today()) + " 10:15:00.000")},
                   {"SCAUserCode", T("")},
                   {"DeliveryDate", T(deliveryDate)},
                   {"RetailPrice", I(0)},
                   {"ReplenishmentType", T(type)}});
    }
    // Stores an order for the delivery day's branches: one line per product unit and branch.
    std::string createOrder(const std::string& deliveryDate, const std::vector<long long>& units) {
        const std::string docNo = sarNumber(deliveryDate);
        saveHeader(docNo, deliveryDate);
        Rows header = query(*db, kHeaderByNumber, {{"DocNo", T(docNo)}});
        if (header.size() != 1) throw std::runtime_error("header not stored");
        const long long hd = header.integer(0, "Id");
        runScript(*db, kRemoveLines, {{"OrderSarHd", I(hd)}});
        Rows branches = query(*db, kDeliveryBranches, {{"DeliveryDate", T(deliveryDate)}});
        long long recNo = 0;
        for (long long unit : units)
            for (size_t b = 0; b < branches.size(); ++b) {
                ++recNo;
                runScript(*db, kInsertLine,
                          {{"OrderSarHd", I(hd)},
                           {"RecNo", I(recNo)},
                           {"AvgsalesAmountPerDay", F(0)},
                           {"TTStoreStockAmount", F(0)},
                           {"TTSARSuggest", F(0)},
                           {"TTSAROnSystem", F(0)},
                           {"ProductUnits", I(unit)},
                           {"DCCurrentStock", F(120.5)},
                           {"BranchCode", T(branches.str(b, "BranchCode"))},
                           {"MinQnty", I(2)},
                           {"MaxQnty", I(10)},
                           {"StoreCurrentStock", F(1.5)},
                           {"SAROnSystem", I(0)},
                           {"SARSuggest", I(6)},
                           {"AdjustOrder", I(0)},
                           {"TTOrder", I(b == 0 ? 6 : 0)},
                           {"StoreDOH", F(3.25)},
                           {"DeliveryRate", F(0.9)},
                           {"TTPickingOrder", F(6)},
                           {"TTDeliveryRate", F(0)}});
            }
        runScript(*db, kHandOver, {{"DocNo", T(docNo)}});
        return docNo;
    }

    TempServer server;
    std::unique_ptr<tsqlite::Session> db;
};

TEST_F(ConformanceSpreadsheetOrders, DeliveryDayBranchesFollowTheWeekdayName) {
    EXPECT_EQ(
        query(*db, kDeliveryBranches, {{"DeliveryDate", T("2024-02-14")}}).strings("BranchCode"),
        (std::vector<std::string>{"B01", "B02"}));
    EXPECT_EQ(
        query(*db, kDeliveryBranches, {{"DeliveryDate", T("2024-02-15")}}).strings("BranchCode"),
        (std::vector<std::string>{"B03"}));
    EXPECT_EQ(
        query(*db, kDeliveryBranches, {{"DeliveryDate", T("2024-02-12")}}).strings("BranchCode"),
        (std::vector<std::string>{"0029", "0041"}));
    EXPECT_EQ(query(*db, kDeliveryBranches, {{"DeliveryDate", T("2024-02-18")}}).size(), 0u);
}

TEST_F(ConformanceSpreadsheetOrders, ImportSetsAreOneTypedRowOfEmptyValues) {
    Rows set = query(*db, importSetStatement({"B01", "B02"}));
    ASSERT_EQ(set.size(), 1u);
    const auto& cols = set.raw().columns;
    ASSERT_EQ(cols.size(), 15u + 9u * 2u);
    EXPECT_EQ(cols[0].name, "MainGoup");
    EXPECT_EQ(cols[0].type.toString(), "varchar(50)");
    EXPECT_EQ(cols[5].name, "ProductUnits");
    EXPECT_EQ(cols[5].type.base, tsqlite::BaseType::Int);
    EXPECT_EQ(cols[7].type.toString(), "varchar(160)");
    EXPECT_EQ(cols[12].type.toString(), "decimal(30,2)");
    EXPECT_EQ(cols[13].name, "B01MinQnty");
    EXPECT_EQ(cols[21].name, "B01DeliveryRate");
    EXPECT_EQ(cols[22].name, "B02MinQnty");
    EXPECT_EQ(cols[13].type.toString(), "decimal(30,2)");
    EXPECT_EQ(cols[32].name, "TTDeliveryRate");
    EXPECT_EQ(set.str(0, "MainGoup"), "");
    EXPECT_FALSE(set.isNull(0, "MainGoup"));
    EXPECT_EQ(set.integer(0, "ProductUnits"), 0);
    EXPECT_DOUBLE_EQ(set.num(0, "B02TTOrder"), 0);

    EXPECT_EQ(query(*db, importSetStatement({})).raw().columns.size(), 15u)
        << "no branch picks that day";
    Rows placeholder = query(*db, sar::placeholder());
    ASSERT_EQ(placeholder.size(), 1u);
    EXPECT_EQ(placeholder.integer(0, "Id"), 0);

    Rows pr = query(*db, kRequisitionSet);
    ASSERT_EQ(pr.size(), 1u);
    ASSERT_EQ(pr.raw().columns.size(), 4u);
    EXPECT_EQ(pr.raw().columns[0].type.toString(), "varchar(20)");
    EXPECT_EQ(pr.raw().columns[3].name, "FinalOrder");
    EXPECT_EQ(pr.raw().columns[3].type.toString(), "decimal(20,2)");
}

TEST_F(ConformanceSpreadsheetOrders, SarNumberCountsPerDeliveryWeek) {
    // kSarNumber was read while the program's statics were made: the statement must be whole
    // even then.
    EXPECT_NE(kSarNumber.find("Like 'SAR' + Right("), std::string::npos) << kSarNumber;
    EXPECT_EQ(sarNumber("2024-02-14"), "SAR2470001");
    saveHeader("SAR2470001", "2024-02-14");
    EXPECT_EQ(sarNumber("2024-02-14"), "SAR2470002");
    EXPECT_EQ(sarNumber("2024-02-11"), "SAR2470002") << "Sunday starts week 7";
    EXPECT_EQ(sarNumber("2024-02-10"), "SAR2460001");
    EXPECT_EQ(sarNumber("2024-04-10"), "SAR24150001");
    saveHeader("SAR2470002", "2024-02-15");
    saveHeader("SAR24150001", "2024-04-10");
    EXPECT_EQ(sarNumber("2024-02-17"), "SAR2470003");
    EXPECT_EQ(sarNumber("2024-04-10"), "SAR24150002");
    EXPECT_EQ(sarNumber("2025-01-01"), "SAR2510001");
    EXPECT_EQ(sarNumber("2024-02-14 00:00:00.000"), "SAR2470003");
}

TEST_F(ConformanceSpreadsheetOrders, CreateOrderStoresHeaderAndLinesAndHandsThemOver) {
    exec(*db, "BEGIN TRANSACTION");
    const std::string docNo = createOrder("2024-02-14", {1, 3});
    exec(*db, "COMMIT TRANSACTION");
    EXPECT_EQ(docNo, "SAR2470001");

    Rows header = query(*db, kHeaderByNumber, {{"DocNo", T(docNo)}});
    ASSERT_EQ(header.size(), 1u);
    EXPECT_EQ(header.str(0, "Delflag"), "N");
    EXPECT_EQ(header.str(0, "Approved"), "N");
    EXPECT_EQ(header.str(0, "DeliveryDate").substr(0, 10), "2024-02-14");
    EXPECT_EQ(header.str(0, "ReplenishmentType"), "DC Item");
    EXPECT_EQ(header.str(0, "SCAUserCode"), "");
    EXPECT_EQ(header.integer(0, "RetailPrice"), 0);
    EXPECT_LT(std::abs(secondsFromNow(header.str(0, "CreateDate"))), 120);

    Rows dt = query(
        *db,
        "SELECT RecNo, ProductUnits, BranchCode, TTOrder, StoreDOH, DCCurrentStock, TTDeliveryRate "
        "FROM OrderSarDt ORDER BY RecNo");
    ASSERT_EQ(dt.size(), 4u);
    EXPECT_EQ(dt.strings("BranchCode"), (std::vector<std::string>{"B01", "B02", "B01", "B02"}));
    EXPECT_EQ(dt.integer(2, "ProductUnits"), 3);
    EXPECT_DOUBLE_EQ(dt.num(0, "StoreDOH"), 3.25);
    EXPECT_DOUBLE_EQ(dt.num(0, "DCCurrentStock"), 120.5);

    // Branch B01's lines, those with a quantity, went to the transfer lines.
    Rows handed =
        query(*db,
              "SELECT BranchCode, ProdCode, BarCode, OrderQnty, CloseOrder FROM TranBranch "
              "WHERE OrderNO = :d ORDER BY ProdCode",
              {{"d", T(docNo)}});
    ASSERT_EQ(handed.size(), 2u);
    EXPECT_EQ(handed.str(0, "ProdCode"), "A100");
    EXPECT_EQ(handed.str(1, "BarCode"), "BA300");
    EXPECT_EQ(handed.integer(0, "OrderQnty"), 6);

    // Saving the same number again updates the header instead of adding one.
    saveHeader(docNo, "2024-02-15", "Store Item");
    Rows again = query(*db, kHeaderByNumber, {{"DocNo", T(docNo)}});
    ASSERT_EQ(again.size(), 1u);
    EXPECT_EQ(again.str(0, "ReplenishmentType"), "Store Item");
    EXPECT_EQ(again.str(0, "DeliveryDate").substr(0, 10), "2024-02-15");
    EXPECT_FALSE(again.isNull(0, "LastUpdate"));
}

TEST_F(ConformanceSpreadsheetOrders, FailingHandOverRollsTheWholeOrderBack) {
    const long long before = count(*db, "SELECT COUNT(*) FROM TranBranch");
    exec(*db, "BEGIN TRANSACTION");
    EXPECT_THROW(createOrder("2024-02-14", {1, 999}), tsqlite::Error) << "unknown product unit";
    EXPECT_EQ(count(*db, "SELECT @@TRANCOUNT"), 1)
        << "the error leaves the caller's transaction open";
    exec(*db, "ROLLBACK TRANSACTION");
    EXPECT_EQ(count(*db, "SELECT COUNT(*) FROM OrderSarHd"), 0);
    EXPECT_EQ(count(*db, "SELECT COUNT(*) FROM OrderSarDt"), 0);
    EXPECT_EQ(count(*db, "SELECT COUNT(*) FROM TranBranch"), before);
}

}  // namespace
