// The procedures of the configuration and company databases.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <set>

#include "sql_test_support.h"

using namespace sqltest;

namespace {

void addSeries(tsqlite::Session& s, const std::string& code, int year, const std::string& prefix,
               int lastNo, int length) {
    s.query(
        "INSERT INTO DocumentNo (Code, DocYear, Prefix, LastNo, DocumentLength, AutoRun) "
        "VALUES ('" +
        code + "', " + std::to_string(year) + ", '" + prefix + "', " + std::to_string(lastNo) +
        ", " + std::to_string(length) + ", 'Y')");
}

std::string lastNo(tsqlite::Session& s, const std::string& code) {
    return scalar(s, "SELECT SUM(LastNo) FROM DocumentNo WHERE Code = '" + code + "'");
}

class Numbering : public ::testing::Test {
protected:
    ScriptedServer server{"NWX", kCompanyScripts};
    tsqlite::Session& db = *server.db;
    const int year = currentYear();
};

TEST_F(Numbering, DrawsPrefixAndZeroFilledCounterOfTheCodeAndYear) {
    addSeries(db, "ORD-BRANCH", year, "No", 0, 12);
    addSeries(db, "ORD-BRANCH", year + 1, "No", 41, 12);
    addSeries(db, "PRODUCTMANAGE", year, "PM  ", 0, 10);  // trailing blanks do not count
    addSeries(db, "ROLL", year, "R", 999998, 8);
    addSeries(db, "SHORT", year, "AB", 9, 3);

    // The order screen previews the next number; the draw must give that very number.
    const std::string preview =
        "Select LTrim(RTrim(Prefix)) + Right(('0000000000' + Ltrim(rtrim(Str((Case When LastNo "
        "= 999999 Then 0 Else LastNo End)+1)))),DocumentLength - Len(Prefix)) DocNo\n"
        "From DocumentNo Where Code = 'ORD-BRANCH' And DocYear = Year(:GetDate)";
    EXPECT_EQ(scalar(db, preview, {{"GetDate", Value::text(std::to_string(year) + "-03-01")}}),
              "No0000000001");
    EXPECT_EQ(draw(db, "ORD-BRANCH", year), "No0000000001");
    EXPECT_EQ(draw(db, "ORD-BRANCH", year), "No0000000002");
    EXPECT_EQ(draw(db, "ORD-BRANCH", year + 1), "No0000000042");
    EXPECT_EQ(lastNo(db, "ORD-BRANCH"), "44");
    EXPECT_EQ(draw(db, "PRODUCTMANAGE", year), "PM00000001");

    EXPECT_EQ(draw(db, "ROLL", year), "R0999999");
    EXPECT_EQ(draw(db, "ROLL", year), "R0000001");
    // A counter wider than the room the prefix leaves is written whole, never cut to an
    // earlier number.
    EXPECT_EQ(draw(db, "SHORT", year), "AB10");
}

TEST_F(Numbering, LongSeriesKeepEveryDigitAndTooLongOnesAreRefused) {
    addSeries(db, "LONG", year, "PK", 0, 15);
    addSeries(db, "LONGER", year, "PK", 0, 50);
    addSeries(db, "TOOLONG", year, "PK", 0, 51);
    EXPECT_EQ(draw(db, "LONG", year), "PK0000000000001");
    EXPECT_EQ(draw(db, "LONG", year), "PK0000000000002");
    EXPECT_EQ(draw(db, "LONGER", year), "PK" + std::string(47, '0') + "1");
    EXPECT_THROW(draw(db, "TOOLONG", year), tsqlite::Error);
    EXPECT_EQ(lastNo(db, "TOOLONG"), "0");  // nothing consumed
}

TEST_F(Numbering, FollowsARedirectionFailsWithoutASeriesAndRollsBackWithTheCaller) {
    addSeries(db, "TRANOUT", year, "TO", 41, 10);
    db.query(
        "INSERT INTO DocNoConvert (Code, DocYear, DocumentNo) SELECT 'TRANBRANCH', DocYear, "
        "Id FROM DocumentNo");
    EXPECT_EQ(draw(db, "TRANBRANCH", year), "TO00000042");
    EXPECT_THROW(draw(db, "TRANBRANCH", year - 1), tsqlite::Error);
    EXPECT_THROW(draw(db, "NOSUCH", year), tsqlite::Error);
    EXPECT_EQ(lastNo(db, "TRANOUT"), "42");
    EXPECT_EQ(db.tranCount(), 0);

    // Drawn inside a save that then fails: the number goes back to the series.
    db.query("BEGIN TRANSACTION");
    EXPECT_EQ(draw(db, "TRANOUT", year), "TO00000043");
    EXPECT_EQ(db.tranCount(), 1) << "the caller's transaction stays open";
    db.query("ROLLBACK TRANSACTION");
    EXPECT_EQ(draw(db, "TRANOUT", year), "TO00000043");
}

TEST(NumberingProcesses, TwoProcessesDrawingAtOnceNeverGetTheSameNumber) {
    const int year = currentYear();
    ScriptedServer server("NWX", kCompanyScripts);
    addSeries(*server.db, "PICKORDER", year, "PK", 0, 12);
    server.db.reset();  // SQLite connections must not cross a fork
    constexpr int kDraws = 40;

    int go[2];
    ASSERT_EQ(pipe(go), 0);
    std::vector<pid_t> children;
    for (int p = 0; p < 2; ++p) {
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            close(go[1]);
            char c;
            int rc = read(go[0], &c, 1) == 0 ? 0 : 3;  // starts when the parent closes the pipe
            try {
                tsqlite::Session s(server.dir, "NWX");
                s.setTimeout(60);
                std::ofstream out(server.server.root() / ("numbers" + std::to_string(p)));
                for (int n = 0; n < kDraws; ++n) out << draw(s, "PICKORDER", year) << "\n";
            } catch (...) {
                rc = 2;
            }
            _exit(rc);
        }
        children.push_back(pid);
    }
    close(go[0]);
    close(go[1]);
    for (pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }

    std::set<std::string> all;
    for (int p = 0; p < 2; ++p) {
        std::istringstream in(readFile(server.server.root() / ("numbers" + std::to_string(p))));
        for (std::string line; std::getline(in, line);) all.insert(line);
    }
    EXPECT_EQ(all.size(), 2u * kDraws) << "a number was given twice";
    EXPECT_EQ(*all.rbegin(), "PK0000000080");
    tsqlite::Session db(server.dir, "NWX");
    EXPECT_EQ(lastNo(db, "PICKORDER"), "80");
}

TEST(CompanyProcedures, UserAddLogAppendsAndServerTimeIsTheServerClock) {
    ScriptedServer server("NWX", kCompanyScripts);
    auto& db = *server.db;
    for (auto [action, remark] : {std::pair{1, ""}, {2, "No0000000001"}})
        db.callProcedure("UserAddLog", {{"@UserId", Value::integer(1)},
                                        {"@MenuId", Value::integer(1001)},
                                        {"@FunctionListId", Value::integer(action)},
                                        {"@DocumentId", Value::integer(0)},
                                        {"@Remark", Value::text(remark)}});
    EXPECT_EQ(scalar(db,
                     "SELECT COUNT(*) FROM UserLog WHERE UserId = 1 AND MenuId = 1001 AND "
                     "DocumentId = 0 AND ABS(DATEDIFF(second, LogDate, GETDATE())) < 60"),
              "2");
    EXPECT_EQ(scalar(db,
                     "SELECT CONVERT(varchar(9), FunctionListId) + Remark FROM UserLog "
                     "WHERE Id = (SELECT MAX(Id) FROM UserLog)"),
              "2No0000000001");

    auto t = db.callProcedure("ServerTime", {{"@ServerTime", Value::null(), true}});
    EXPECT_EQ(scalar(db, "SELECT ABS(DATEDIFF(second, :T, GETDATE()))",
                     {{"T", t.outputs.at("@ServerTime")}}),
              "0");
}

TEST(ConfigProcedures, MenuCaptionGivesCaptionUserAndRightsOfKnownEntriesAndUsers) {
    ScriptedServer server("QARN_CONFIG_NWX", kConfigScripts);
    auto& db = *server.db;
    db.query(
        "INSERT INTO Menu (Id, Caption, Command) VALUES (20, '  สั่งสินค้าสาขา  ', 'B.exe'), "
        "(31, 'สั่งจัดสินค้า', 'B.exe')");
    db.query(
        "INSERT INTO UserName (Id, Code, LanguageNo, Saleman) VALUES (7, 'SOMCHAI', 1, 12), "
        "(8, 'JOHN', 2, NULL)");
    db.query(
        "INSERT INTO UserRight (UserId, MenuId, Access_R, Add_R, Modify_R, Delete_R) VALUES "
        "(7, 20, 'Y', 'Y', 'Y', 'N'), (8, 31, 'Y', NULL, 'y', 'Y'), (9, 31, 'Y', 'Y', 'Y', "
        "'Y'), (7, 99, 'Y', 'Y', 'Y', 'Y')");
    // caption | user code | salesman | access add modify delete
    auto call = [&](int menu, int user) {
        auto r = menuCaption(db, menu, user);
        return output(r, "@CAPTION") + "|" + output(r, "@USERCODE") + "|" + output(r, "@SALESID") +
               "|" + output(r, "@ACCESS_R") + output(r, "@ADD_R") + output(r, "@MODIFY_R") +
               output(r, "@DELETE_R");
    };
    EXPECT_EQ(call(20, 7), "  สั่งสินค้าสาขา  |SOMCHAI|12|YYYN");
    EXPECT_EQ(call(31, 8), "สั่งจัดสินค้า|JOHN|0|YNyY") << "as stored; a right not set is N";
    EXPECT_EQ(call(31, 7), "สั่งจัดสินค้า|SOMCHAI|12|NNNN") << "no rights row";
    EXPECT_EQ(call(31, 9), "สั่งจัดสินค้า||0|NNNN") << "rights row of a user who is gone";
    EXPECT_EQ(call(99, 7), "|SOMCHAI|12|NNNN") << "rights row of an entry that is gone";
}

TEST(ConfigProcedures, AddErrorLogKeepsWholeMessagesAndCopesWithLongNames) {
    ScriptedServer server("QARN_CONFIG_NWX", kConfigScripts);
    auto& db = *server.db;
    const std::string message = "Cannot insert duplicate key.\r\nคลังสินค้า " + std::string(6000, 'x');
    auto log = [&](const std::string& computer, int user, const std::string& text) {
        db.callProcedure("AddErrorLog", {{"@CompName", Value::text(computer)},
                                         {"@LogName", Value::text("SOMSRI")},
                                         {"@UserId", Value::integer(user)},
                                         {"@MenuId", Value::integer(1001)},
                                         {"@ErrorMsg", Value::text(text)}});
    };
    log("POS-01", 1, message);
    log(std::string(300, 'C'), 2, "second");  // the error handler must not fail here
    auto r = db.query("SELECT CompName, UserId, MenuId, ErrorMsg FROM ErrorLog ORDER BY Id").at(0);
    ASSERT_EQ(r.rows.size(), 2u);
    EXPECT_EQ(r.rows[0][0].s, "POS-01");
    EXPECT_EQ(r.rows[0][1].i, 1);
    EXPECT_EQ(r.rows[0][2].i, 1001);
    EXPECT_EQ(r.rows[0][3].s, message);
    EXPECT_EQ(r.rows[1][0].s, std::string(128, 'C'));
    EXPECT_EQ(scalar(db,
                     "SELECT COUNT(*) FROM ErrorLog WHERE ABS(DATEDIFF(second, LogDate, "
                     "GETDATE())) < 60"),
              "2");
}

}  // namespace
