// Sold-out upload: the branch list of the configuration database, the yearly report table,
// the branch's sales read, and the delete, insert and upload-date update of each branch.
#include <gtest/gtest.h>

#include <cmath>

#include "conformance_support.h"
#include "statements/SoldOut.h"

using namespace conformance;

namespace {

namespace soldOut = statements::soldout;

const std::string& kBranchList = soldOut::branchList();
const std::string& kYearlyTable = soldOut::yearTable();
const std::string& kSalesRead = soldOut::sales();
const std::string& kUploadDate = soldOut::updateDate();

int yearOf(const std::string& datetime) {
    return std::stoi(datetime.substr(0, 4));
}

// The day before a 'YYYY-MM-DD ...' date, as the upload date of a branch without sales.
std::string dayBefore(const std::string& datetime) {
    std::tm tm{};
    std::sscanf(datetime.c_str(), "%d-%d-%d", &tm.tm_year, &tm.tm_mon, &tm.tm_mday);
    tm.tm_year -= 1900;
    tm.tm_mon -= 1;
    tm.tm_mday -= 1;
    tm.tm_hour = 12;
    std::mktime(&tm);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d 00:00:00.000", tm.tm_year + 1900, tm.tm_mon + 1,
                  tm.tm_mday);
    return buf;
}

class ConformanceSoldOut : public ::testing::Test {
protected:
    void SetUp() override {
        server.createDatabase("QARN_CONFIG_NWX");
        cfg = server.open("QARN_CONFIG_NWX");
        runConfigScripts(*cfg);
        runFixture(*cfg, "config_data.sql");
        for (const char* name : {"NWX", "BR0029", "BR0036", "BR0040"}) {
            server.createDatabase(name);
            auto db = server.open(name);
            runCompanyScripts(*db);
        }
        branch36 = server.open("BR0036");
        runFixture(*branch36, "soldout_branch_data.sql");
        server.createDatabase("NWXBranch");
        report = server.open("NWXBranch");
        testsupport::runScripts(*report, testsupport::kReportScripts);
    }

    Rows sales(tsqlite::Session& branch, const std::string& code, const std::string& begin) {
        return query(branch, kSalesRead, {{"BranchCode", T(code)}, {"BeginDate", T(begin)}});
    }

    // One run of the upload, statement by statement as the screen sends them.
    void upload() {
        runScript(*report, kYearlyTable);
        const int year = currentYear();
        Rows branches = query(*cfg, kBranchList);
        for (size_t b = 0; b < branches.size(); ++b) {
            const std::string code = branches.str(b, "BranchCode");
            const std::string begin = branches.str(b, "SoldOutLastUpdate");
            auto branch = server.open(branches.str(b, "ServerName"));
            Rows s = sales(*branch, code, begin);
            const Params range = {{"Begindate", T(begin)}, {"BranchCode", T(code)}};
            // Earlier years' tables are cleared too, those that exist: the report database
            // has tables from 2022 on only, and a branch's date may go back before that.
            for (int y = yearOf(begin); y < year; ++y) {
                const std::string table = "SoldOut" + std::to_string(y);
                if (!query(*report, soldOut::tableId(), {{"Name", T(table)}}).empty())
                    runScript(*report, soldOut::deleteFor(y), range);
            }
            runScript(*report, soldOut::deleteFor(year), range);
            std::string last = dayBefore(begin);
            for (size_t i = 0; i < s.size(); ++i) {
                last = s.str(i, "SaleDate");
                runScript(*report, soldOut::insertFor(yearOf(last)),
                          {{"SaleType", T(s.str(i, "SaleType"))},
                           {"BranchCode", T(code)},
                           {"SaleDocNo", T(s.str(i, "SaleDocNo"))},
                           {"SaleDate", T(last)},
                           {"ProdCode", T(s.str(i, "ProdCode"))},
                           {"BarCode", T(s.str(i, "BarCode"))},
                           {"Quantity", F(s.num(i, "Quantity"))},
                           {"UOM", T(s.str(i, "UOM"))},
                           {"Price", F(s.num(i, "Price"))},
                           {"Discount", F(s.num(i, "Discount"))},
                           {"Rate", F(s.num(i, "Rate"))},
                           {"CurrencyCode", T(s.str(i, "CurrencyCode"))},
                           {"TotalCurrency", F(s.num(i, "TotalCurrency"))},
                           {"TotalCurrencyMain", F(s.num(i, "TotalCurrencyMain"))}});
            }
            runScript(*cfg, kUploadDate, {{"SoldOutLastUpdate", T(last)}, {"BranchCode", T(code)}});
        }
    }

    long long soldOutRows(const std::string& branchCode) {
        const int y = currentYear();
        return count(*report,
                     "SELECT (SELECT COUNT(*) FROM SoldOut" + std::to_string(y) +
                         " WHERE BranchCode = :b) + (SELECT COUNT(*) FROM SoldOut" +
                         std::to_string(y - 1) + " WHERE BranchCode = :b)",
                     {{"b", T(branchCode)}});
    }

    TempServer server;
    std::unique_ptr<tsqlite::Session> cfg, branch36, report;
};

TEST_F(ConformanceSoldOut, BranchListHasActiveBranchesWhoseDatabaseExists) {
    Rows r = query(*cfg, kBranchList);
    // DC001 is the centre, 0040 is closed, 0041's database is not on the server.
    EXPECT_EQ(r.strings("BranchCode"), (std::vector<std::string>{"0029", "0036"}));
    if (r.size() != 2) return;
    EXPECT_EQ(r.str(0, "SoldOutLastUpdate"), "2022-01-01 00:00:00.000") << "never uploaded";
    EXPECT_EQ(r.str(1, "SoldOutLastUpdate"), midnight(today(-3))) << "cut to midnight";
    EXPECT_EQ(r.str(1, "ServerName"), "BR0036");
    EXPECT_EQ(r.str(1, "Server"), "");
}

TEST_F(ConformanceSoldOut, YearlyScriptCopiesLastYearsTableOnce) {
    const std::string thisYear = "SoldOut" + std::to_string(currentYear());
    const std::string lastYear = "SoldOut" + std::to_string(currentYear() - 1);
    EXPECT_EQ(count(*report, "SELECT COUNT(*) FROM sysobjects WHERE name = '" + thisYear + "'"), 0);
    runScript(*report, kYearlyTable);
    EXPECT_EQ(count(*report, "SELECT COUNT(*) FROM sysobjects WHERE name = '" + thisYear + "'"), 1);

    Rows copy = query(*report, "SELECT * FROM " + thisYear);
    Rows original = query(*report, "SELECT * FROM " + lastYear);
    ASSERT_EQ(copy.raw().columns.size(), original.raw().columns.size());
    for (size_t i = 0; i < copy.raw().columns.size(); ++i) {
        EXPECT_EQ(copy.raw().columns[i].name, original.raw().columns[i].name);
        EXPECT_EQ(copy.raw().columns[i].type.toString(), original.raw().columns[i].type.toString());
    }
    // The identity comes along, so inserts need no Id.
    runScript(*report, soldOut::insertFor(currentYear()),
              {{"SaleType", T("POS")},
               {"BranchCode", T("0036")},
               {"SaleDocNo", T("X")},
               {"SaleDate", T(isoDate(today()))},
               {"Quantity", F(1)}});
    EXPECT_EQ(count(*report, "SELECT COUNT(*) FROM " + thisYear + " WHERE Id IS NOT NULL"), 1);

    // A second run keeps the table and its rows.
    runScript(*report, kYearlyTable);
    EXPECT_EQ(count(*report, "SELECT COUNT(*) FROM " + thisYear), 1);
}

TEST_F(ConformanceSoldOut, SalesReadCoversTheWindowUpToTonightInSaleOrder) {
    Rows s = sales(*branch36, "0036", midnight(today(-3)));
    EXPECT_EQ(s.strings("SaleDocNo"),
              (std::vector<std::string>{"SR0002", "POS0001", "POS0001", "IV0001", "IV0001",
                                        "IV0001", "PR0001", "SR0001"}));
    EXPECT_EQ(s.strings("SaleType"),
              (std::vector<std::string>{"SRTD", "POS", "POS", "IV", "IV", "IV", "POSR", "SRTD"}));
    if (s.size() != 8) return;
    for (size_t i = 0; i < s.size(); ++i) EXPECT_EQ(s.str(i, "BranchCode"), "0036");

    EXPECT_DOUBLE_EQ(s.num(0, "Quantity"), -1) << "returns are negative";
    EXPECT_EQ(s.str(1, "ProdCode"), "A100");
    EXPECT_EQ(s.str(1, "UOM"), "ถุง");
    EXPECT_DOUBLE_EQ(s.num(1, "Quantity"), 2);
    EXPECT_EQ(s.str(1, "CurrencyCode"), "THB");
    EXPECT_EQ(s.integer(1, "Cost"), 0);
    // Every invoice line carries the invoice total, and its value in baht.
    for (size_t i = 3; i < 6; ++i) {
        EXPECT_DOUBLE_EQ(s.num(i, "TotalCurrency"), 300);
        EXPECT_DOUBLE_EQ(s.num(i, "TotalCurrencyMain"), 10500);
        EXPECT_EQ(s.str(i, "CurrencyCode"), "USD");
    }
    EXPECT_DOUBLE_EQ(s.num(6, "Quantity"), -1);
    EXPECT_DOUBLE_EQ(s.num(6, "Discount"), -5);
    EXPECT_EQ(s.str(7, "SaleDate"), midnight(today()));

    EXPECT_EQ(sales(*branch36, "0036", midnight(today())).strings("SaleDocNo"),
              (std::vector<std::string>{"SR0001"}));
}

TEST_F(ConformanceSoldOut, UploadCopiesSalesAndMovesTheUploadDate) {
    upload();
    EXPECT_EQ(soldOutRows("0036"), 8);
    EXPECT_EQ(soldOutRows("0029"), 0);

    Rows dates = query(
        *cfg,
        "SELECT BranchCode, SoldOutLastUpdate FROM Branch WHERE BranchCode IN ('0029', '0036', "
        "'0041') ORDER BY BranchCode");
    ASSERT_EQ(dates.size(), 3u);
    EXPECT_EQ(dates.str(0, "SoldOutLastUpdate"), "2021-12-31 00:00:00.000")
        << "no sales: one day back";
    EXPECT_EQ(dates.str(1, "SoldOutLastUpdate"), midnight(today())) << "the latest sale read";
    EXPECT_TRUE(dates.isNull(2, "SoldOutLastUpdate")) << "branch without database untouched";

    if (today(-3).year == currentYear()) {
        Rows iv = query(*report,
                        "SELECT BranchCode, SaleDocNo, TotalCurrencyMain, Cost, AddDate, Quantity "
                        "FROM SoldOut" +
                            std::to_string(currentYear()) + " WHERE SaleType = 'IV' ORDER BY Id");
        ASSERT_EQ(iv.size(), 3u);
        EXPECT_EQ(rtrim(iv.str(0, "BranchCode")), "0036");
        EXPECT_EQ(rtrim(iv.str(0, "SaleDocNo")), "IV0001");
        EXPECT_DOUBLE_EQ(iv.num(0, "TotalCurrencyMain"), 10500);
        EXPECT_TRUE(iv.isNull(0, "Cost")) << "the upload gives Cost no value";
        EXPECT_LT(std::abs(secondsFromNow(iv.str(0, "AddDate"))), 120);
    }

    // The next run reads the last day again after deleting it: nothing doubles.
    upload();
    EXPECT_EQ(soldOutRows("0036"), 8);
    EXPECT_EQ(query(*cfg, "SELECT SoldOutLastUpdate FROM Branch WHERE BranchCode = '0029'")
                  .str(0, "SoldOutLastUpdate"),
              "2021-12-30 00:00:00.000");
}

TEST_F(ConformanceSoldOut, DeleteAndDateUpdateTouchOnlyTheirBranch) {
    runScript(*report, kYearlyTable);
    const int y = currentYear();
    for (const char* code : {"0029", "0036"})
        for (int d : {-2, 0})
            runScript(*report, soldOut::insertFor(y),
                      {{"SaleType", T("POS")},
                       {"BranchCode", T(code)},
                       {"SaleDocNo", T("P")},
                       {"SaleDate", T(midnight(today(d)))},
                       {"Quantity", F(1)}});
    runScript(*report, soldOut::deleteFor(y),
              {{"Begindate", T(midnight(today(-1)))}, {"BranchCode", T("0036")}});
    EXPECT_EQ(count(*report, "SELECT COUNT(*) FROM SoldOut" + std::to_string(y) +
                                 " WHERE BranchCode = '0036'"),
              today(-2).year == y ? 1 : 0);
    EXPECT_EQ(count(*report, "SELECT COUNT(*) FROM SoldOut" + std::to_string(y) +
                                 " WHERE BranchCode = '0029'"),
              today(-2).year == y ? 2 : 1);

    // A NULL date keeps the stored one.
    runScript(*cfg, kUploadDate, {{"SoldOutLastUpdate", Null()}, {"BranchCode", T("0036")}});
    EXPECT_EQ(text(scalar(*cfg, "SELECT SoldOutLastUpdate FROM Branch WHERE BranchCode = '0036'"))
                  .substr(0, 10),
              isoDate(today(-3)));
    runScript(*cfg, kUploadDate,
              {{"SoldOutLastUpdate", T("2024-05-06 17:30:00.000")}, {"BranchCode", T("0036")}});
    EXPECT_EQ(text(scalar(*cfg, "SELECT SoldOutLastUpdate FROM Branch WHERE BranchCode = '0036'")),
              "2024-05-06 17:30:00.000");
    EXPECT_EQ(count(*cfg, "SELECT COUNT(*) FROM Branch WHERE SoldOutLastUpdate IS NOT NULL"), 1);
}

}  // namespace
