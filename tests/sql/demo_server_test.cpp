// make_demo_server, run as the built program: the server it makes, how it treats an existing
// folder, and a failing script.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>

#include "sql_test_support.h"

using namespace sqltest;

namespace {

class DemoServer : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::string(MAKE_DEMO_SERVER_PATH).empty())
            GTEST_SKIP() << "make_demo_server not built";
        fs::create_directories(cwd);
    }

    // Runs the tool in cwd; returns its exit code, its output in `said`.
    int make(const std::string& args) {
        const fs::path log = tmp.path() / "said.txt";
        const int status =
            std::system(("cd " + shellQuoted(cwd) + " && " + shellQuoted(MAKE_DEMO_SERVER_PATH) +
                         " " + args + " > " + shellQuoted(log) + " 2>&1")
                            .c_str());
        said = readFile(log);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    TempDir tmp;
    fs::path cwd = tmp.path() / "client";
    std::string dir = (tmp.path() / "demo").string();
    std::string said;
};

TEST_F(DemoServer, BuildsTheDatabasesAndPointsServerDatAtThem) {
    ASSERT_EQ(make(shellQuoted(dir)), 0) << said;
    EXPECT_NE(said.find("1   SOMSRI    Thai"), std::string::npos) << said;
    EXPECT_NE(said.find("2   JOHN      English"), std::string::npos) << said;
    EXPECT_EQ(readFile(cwd / "Server.Dat"), dir + "\n");
    // The summary tells which branch the sold-out upload will not reach.
    EXPECT_NE(said.find("(cannot be reached)  สาขา 0004"), std::string::npos) << said;
    EXPECT_EQ(said.find("(cannot be reached)"), said.rfind("(cannot be reached)")) << said;

    tsqlite::Session cfg(dir, "QARN_CONFIG_NWX");
    EXPECT_EQ(scalar(cfg,
                     "Select COUNT(*) From master..SysDatabases Where Name = "
                     "'QARN_Config_NWX' Or Name = 'NWX' Or Name = 'BR0001'"),
              "3");
    // Both companies are found by their database code, with their settings and branches.
    EXPECT_EQ(scalar(cfg,
                     "SELECT COUNT(*) FROM DatabaseList O INNER JOIN Company P ON (P.Id = "
                     "O.Company) INNER JOIN CompanyConfig C ON (C.Company = O.Company) "
                     "INNER JOIN Branch B ON (B.ServerName = O.DatabaseName) "
                     "WHERE O.DatabaseName IN ('nwx', 'BR0001') AND B.Server = :Dir",
                     {{"Dir", Value::text(dir)}}),
              "2");

    // The Thai user may do everything; the English user may not delete, nor upload sales.
    std::string modules;
    for (const auto& m :
         rowsOf(cfg, "SELECT Id, MenuOption FROM Menu WHERE Command IS NOT NULL ORDER BY Id")) {
        modules += m[1].s + " ";
        const int menu = static_cast<int>(m[0].i);
        auto thai = menuCaption(cfg, menu, 1);
        auto english = menuCaption(cfg, menu, 2);
        EXPECT_EQ(output(thai, "@ACCESS_R") + output(thai, "@DELETE_R"), "YY") << menu;
        EXPECT_EQ(output(english, "@ACCESS_R") + output(english, "@DELETE_R"),
                  m[1].s == "15" ? "NN" : "YN")
            << menu;
    }
    EXPECT_EQ(modules, "1 3 14 15 600 601 ");
    EXPECT_EQ(scalar(cfg, "SELECT CONVERT(varchar(9), SUM(LanguageNo * Id)) FROM UserName"), "5");

    const int year = currentYear();
    tsqlite::Session branch(dir, "BR0001");
    tsqlite::Session dc(dir, "NWX");
    EXPECT_EQ(draw(dc, "PICKORDER", year), "PK0000000005") << "after the demo picks";
    EXPECT_EQ(draw(dc, "PRODUCTMANAGE", year + 1), "PM00000001");
    for (auto* db : {&branch, &dc})
        EXPECT_EQ(scalar(*db,
                         "SELECT (Select M.Code From Misc M Where M.Id = MainCurrencyId) "
                         "FROM Config Where id=1"),
                  "THB");
}

TEST_F(DemoServer, ReplacesOnlyAnEmbeddedServerAndOnlyWithForce) {
    auto errorLog = [&] {
        tsqlite::Session cfg(dir, "QARN_CONFIG_NWX");
        return scalar(cfg, "SELECT COUNT(*) FROM ErrorLog");
    };
    ASSERT_EQ(make("--no-server-dat " + shellQuoted(dir)), 0) << said;
    EXPECT_FALSE(fs::exists(cwd / "Server.Dat"));
    tsqlite::Session(dir, "QARN_CONFIG_NWX").query("INSERT INTO ErrorLog (ErrorMsg) VALUES ('x')");

    EXPECT_EQ(make(shellQuoted(dir)), 1);
    EXPECT_NE(said.find("--force"), std::string::npos) << said;
    EXPECT_EQ(errorLog(), "1") << "left untouched";

    ASSERT_EQ(make("--force " + shellQuoted(dir)), 0) << said;
    EXPECT_EQ(errorLog(), "0") << "built afresh";

    // A folder that is not a server is never removed.
    const fs::path other = tmp.path() / "documents";
    fs::create_directories(other);
    std::ofstream(other / "letter.txt") << "keep me";
    EXPECT_EQ(make("--force " + shellQuoted(other)), 1);
    EXPECT_TRUE(fs::exists(other / "letter.txt"));
}

TEST_F(DemoServer, StopsAtTheFirstErrorNamingFileAndLine) {
    const fs::path sql = tmp.path() / "sql";
    fs::copy(BACKOFFICE_SQL_DIR, sql, fs::copy_options::recursive);
    const fs::path broken = sql / "company" / "common_procedures.sql";
    std::string script = readFile(broken);
    const auto line = 2 + std::count(script.begin(), script.end(), '\n');
    std::ofstream(broken, std::ios::app) << "SELECT 1 AS One\nSELECT * FROM NoSuchTable\nGO\n";

    EXPECT_EQ(make("--sql-dir " + shellQuoted(sql) + " " + shellQuoted(dir)), 1);
    EXPECT_NE(said.find("sql/company/common_procedures.sql:" + std::to_string(line) +
                        ": Msg 208, Level 16: Invalid object name 'NoSuchTable'."),
              std::string::npos)
        << said;
    EXPECT_FALSE(fs::exists(cwd / "Server.Dat"));
}

}  // namespace
