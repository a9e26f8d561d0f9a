#pragma once
// Engine tests on a throw-away server.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "tests/common/temp_server.h"
#include "tsqlite/decimal.h"
#include "tsqlite/session.h"

namespace tsqlite::testing {

// The throw-away server folder of every test program (tests/common).
using TempServer = testsupport::TempServer;

// Two processes each call the database Nwx's procedure Draw `each` times (inside a transaction
// of their own when `ownTransaction`); together they must have drawn 1 to 2 * each, every
// number once, in the table Drawn.
inline void expectTwoProcessesDrawEveryNumberOnce(const TempServer& server, int each,
                                                  bool ownTransaction) {
    pid_t kids[2];
    for (int k = 0; k < 2; ++k) {
        kids[k] = fork();
        if (kids[k] == 0) {
            int rc = 0;
            try {
                Session s(server.dir(), "Nwx");
                s.setTimeout(30);
                for (int i = 0; i < each; ++i) {
                    if (ownTransaction) s.query("BEGIN TRAN");
                    s.callProcedure("Draw",
                                    {{"@Who", Value::integer(k)}, {"@No", Value::null(), true}});
                    if (ownTransaction) s.query("COMMIT");
                }
            } catch (...) {
                rc = 1;
            }
            _exit(rc);
        }
    }
    for (pid_t p : kids) {
        int status = 0;
        waitpid(p, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    Session s(server.dir(), "Nwx");
    auto rs = s.query("SELECT COUNT(*), COUNT(DISTINCT No), MAX(No) FROM Drawn");
    EXPECT_EQ(rs[0].rows[0][0].i, 2 * each);
    EXPECT_EQ(rs[0].rows[0][1].i, 2 * each);
    EXPECT_EQ(rs[0].rows[0][2].i, 2 * each);
}

// A session on a fresh server with one database "Shop" as the current database.
class EngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        Session master(server.dir(), "master");
        master.query("CREATE DATABASE Shop");
        session = std::make_unique<Session>(server.dir(), "Shop");
    }

    std::vector<ResultSet> q(const std::string& sql, const Params& p = {}) {
        return session->query(sql, p);
    }
    // The single value of a one-row, one-column query.
    Value scalar(const std::string& sql, const Params& p = {}) {
        auto rs = q(sql, p);
        EXPECT_FALSE(rs.empty());
        if (rs.empty() || rs.back().rows.empty()) return Value::null();
        return tsqlite::dec::plain(rs.back().rows[0][0], rs.back().columns[0].type);
    }
    std::string text(const std::string& sql, const Params& p = {}) {
        Value v = scalar(sql, p);
        return v.isNull()                    ? "<NULL>"
               : v.kind == Value::Kind::Text ? v.s
                                             : displayText(v, SqlType{});
    }
    long long integer(const std::string& sql, const Params& p = {}) {
        Value v = scalar(sql, p);
        return v.kind == Value::Kind::Float ? static_cast<long long>(v.f) : v.i;
    }
    // Runs a batch expected to fail and returns the error.
    Error error(const std::string& sql, const Params& p = {}) {
        try {
            session->query(sql, p);
        } catch (const Error& e) {
            return e;
        }
        ADD_FAILURE() << "no error from: " << sql;
        return Error(0, "");
    }

    TempServer server;
    std::unique_ptr<Session> session;
};

}  // namespace tsqlite::testing
