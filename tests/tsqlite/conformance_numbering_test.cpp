// Document numbering: the series look-ups a screen runs when it opens, and NewDocumentNo,
// which draws numbers at save time.
#include <gtest/gtest.h>

#include <set>
#include <thread>

#include "conformance_support.h"
#include "statements/Startup.h"

using namespace conformance;

namespace {

const std::string& kDocConvertQuery = statements::shared_data::docConvert();
const std::string& kDocumentNoQuery = statements::shared_data::documentNo();

std::string draw(tsqlite::Session& s, const std::string& code, int year) {
    auto r =
        callProcedure(s, "NewDocumentNo",
                      {{"@DocCode", T(code)}, {"@DocYear", I(year)}, {"@NewNo", Null(), true}});
    return text(output(r, "@NewNo"));
}

class ConformanceNumbering : public ::testing::Test {
protected:
    void SetUp() override {
        server.createDatabase("NWX");
        db = server.open("NWX");
        runCompanyScripts(*db);
        runFixture(*db, "settings_data.sql");
    }
    TempServer server;
    std::unique_ptr<tsqlite::Session> db;
    const int year = currentYear();
};

TEST_F(ConformanceNumbering, SeriesLookupPrefersTheRedirection) {
    Rows redirected =
        query(*db, kDocConvertQuery, {{"GetCode", T("TRANBRANCH")}, {"GetYear", I(year)}});
    ASSERT_EQ(redirected.size(), 1u);
    EXPECT_EQ(redirected.str(0, "Code"), "TRANOUT");
    EXPECT_EQ(rtrim(redirected.str(0, "Prefix")), "TO");
    EXPECT_EQ(redirected.integer(0, "DocumentLength"), 10);
    EXPECT_EQ(redirected.str(0, "AutoRun"), "N");

    EXPECT_EQ(query(*db, kDocConvertQuery, {{"GetCode", T("TRANBRANCH")}, {"GetYear", I(year - 1)}})
                  .size(),
              0u);
    EXPECT_EQ(
        query(*db, kDocConvertQuery, {{"GetCode", T("PICKORDER")}, {"GetYear", I(year)}}).size(),
        0u);

    Rows pick = query(*db, kDocumentNoQuery, {{"GetCode", T("PICKORDER")}, {"GetYear", I(year)}});
    ASSERT_EQ(pick.size(), 1u);
    EXPECT_EQ(pick.str(0, "AutoRun"), "Y");
    EXPECT_EQ(pick.integer(0, "DocumentLength"), 12);
    EXPECT_EQ(pick.integer(0, "LastNo"), 0);

    Rows lastYear =
        query(*db, kDocumentNoQuery, {{"GetCode", T("PICKORDER")}, {"GetYear", I(year - 1)}});
    ASSERT_EQ(lastYear.size(), 1u);
    EXPECT_EQ(lastYear.integer(0, "LastNo"), 730);

    EXPECT_EQ(query(*db, kDocumentNoQuery, {{"GetCode", T("NOSUCH")}, {"GetYear", I(year)}}).size(),
              0u);
}

TEST_F(ConformanceNumbering, NewDocumentNoGivesPrefixAndZeroFilledCounter) {
    EXPECT_EQ(draw(*db, "PICKORDER", year), "PK0000000001");
    EXPECT_EQ(draw(*db, "PICKORDER", year), "PK0000000002");
    // Each year has its own series.
    EXPECT_EQ(draw(*db, "PICKORDER", year - 1), "PK0000000731");
    EXPECT_EQ(draw(*db, "PRODUCTMANAGE", year), "PM00000001");
    // A redirected code draws from the series it points to.
    EXPECT_EQ(draw(*db, "TRANBRANCH", year), "TO00000042");
    EXPECT_EQ(count(*db, "SELECT LastNo FROM DocumentNo WHERE Code = 'TRANOUT'"), 42);

    // Parameter names are matched without regard to case.
    auto r = callProcedure(
        *db, "NewDocumentNo",
        {{"@DOCCODE", T("PICKORDER")}, {"@DocYear", I(year)}, {"@NEWNO", Null(), true}});
    EXPECT_EQ(text(output(r, "@NewNo")), "PK0000000003");
}

TEST_F(ConformanceNumbering, NewDocumentNoStartsAgainAtOneAfter999999) {
    EXPECT_EQ(draw(*db, "ROLLOVER", year), "R0999999");
    EXPECT_EQ(draw(*db, "ROLLOVER", year), "R0000001");
    EXPECT_EQ(draw(*db, "ROLLOVER", year), "R0000002");
}

TEST_F(ConformanceNumbering, NewDocumentNoFailsForAMissingSeries) {
    EXPECT_THROW(draw(*db, "NOSUCH", year), tsqlite::Error);
    EXPECT_THROW(draw(*db, "PRODUCTMANAGE", year - 1), tsqlite::Error);
}

TEST_F(ConformanceNumbering, NewDocumentNoNeverRepeatsAcrossSessions) {
    constexpr int kPerSession = 25;
    std::vector<std::string> numbers[2];
    std::string failure[2];
    auto worker = [&](int k) {
        try {
            tsqlite::Session s(server.dir(), "NWX");
            s.setTimeout(60);
            for (int n = 0; n < kPerSession; ++n) numbers[k].push_back(draw(s, "PICKORDER", year));
        } catch (const std::exception& e) {
            failure[k] = e.what();
        }
    };
    std::thread a(worker, 0), b(worker, 1);
    a.join();
    b.join();
    ASSERT_EQ(failure[0], "");
    ASSERT_EQ(failure[1], "");

    std::set<std::string> all(numbers[0].begin(), numbers[0].end());
    all.insert(numbers[1].begin(), numbers[1].end());
    EXPECT_EQ(all.size(), 2u * kPerSession);
    EXPECT_EQ(*all.begin(), "PK0000000001");
    EXPECT_EQ(*all.rbegin(), "PK0000000050");
    EXPECT_EQ(
        count(
            *db,
            "SELECT LastNo FROM DocumentNo WHERE Code = 'PICKORDER' AND DocYear = YEAR(GETDATE())"),
        50);
}

}  // namespace
