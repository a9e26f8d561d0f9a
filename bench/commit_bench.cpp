// What a commit costs: a small transaction (one inserted row per database) on one database and
// on two, through the engine, against the same transactions on plain SQLite files in WAL mode
// (each file atomic on its own, no journal shared by the two).
//
//   Commit/OneDatabase    BEGIN TRAN, one INSERT, COMMIT
//   Commit/TwoDatabases   BEGIN TRAN, one INSERT into each of two databases, COMMIT
#include <memory>
#include <stdexcept>
#include <string>

#include "bench_support.h"

namespace {

const std::string kOne =
    "BEGIN TRAN INSERT INTO Commit1..T (Id, Note) VALUES (:Id, 'order saved') COMMIT";
const std::string kTwo =
    "BEGIN TRAN INSERT INTO Commit1..T (Id, Note) VALUES (:Id, 'order saved') "
    "INSERT INTO Commit2..T (Id, Note) VALUES (:Id, 'order saved') COMMIT";

void check(sqlite3* db, int rc, const char* what) {
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW)
        throw std::runtime_error(std::string(what) + ": " + sqlite3_errmsg(db));
}

struct CommitFixture {
    CommitFixture() {
        for (const char* name : {"Commit1", "Commit2"}) {
            bench::createDatabase(name);
            tsqlite::Session s(bench::serverDir(), name);
            s.query("CREATE TABLE T (Id int NOT NULL, Note varchar(40) NULL)");
        }
        session = std::make_unique<tsqlite::Session>(bench::serverDir(), "Commit1");
        // The baseline: two WAL files beside the server's, not listed by it.
        std::string w1 = bench::serverDir() + "/wal_baseline_1.db";
        std::string w2 = bench::serverDir() + "/wal_baseline_2.db";
        check(raw, sqlite3_open(w1.c_str(), &raw), "open baseline");
        const std::string setup = "PRAGMA journal_mode=WAL; ATTACH '" + w2 +
                                  "' AS second; PRAGMA second.journal_mode=WAL;"
                                  "CREATE TABLE main.T (Id INTEGER NOT NULL, Note TEXT);"
                                  "CREATE TABLE second.T (Id INTEGER NOT NULL, Note TEXT);";
        check(raw, sqlite3_exec(raw, setup.c_str(), nullptr, nullptr, nullptr), "baseline setup");
    }
    ~CommitFixture() { sqlite3_close(raw); }

    static CommitFixture& get() {
        static CommitFixture f;
        return f;
    }

    std::unique_ptr<tsqlite::Session> session;
    sqlite3* raw = nullptr;
};

void runEngine(benchmark::State& state, const std::string& batch) {
    auto& f = CommitFixture::get();
    tsqlite::Params params{{"Id", tsqlite::Value::integer(0)}};
    tsqlite::Value& id = params["Id"];
    f.session->query(batch, params);
    for (auto _ : state) {
        ++id.i;
        f.session->query(batch, params);
    }
    state.SetItemsProcessed(state.iterations());
}

void runSqlite(benchmark::State& state, bool twoDatabases) {
    auto& f = CommitFixture::get();
    bench::Stmt begin(f.raw, "BEGIN");
    bench::Stmt first(f.raw, "INSERT INTO main.T (Id, Note) VALUES (?1, 'order saved')");
    bench::Stmt second(f.raw, "INSERT INTO second.T (Id, Note) VALUES (?1, 'order saved')");
    bench::Stmt commit(f.raw, "COMMIT");
    long long id = 0;
    for (auto _ : state) {
        ++id;
        begin.step();
        begin.reset();
        first.bind(1, id).step();
        first.reset();
        if (twoDatabases) {
            second.bind(1, id).step();
            second.reset();
        }
        commit.step();
        commit.reset();
    }
    state.SetItemsProcessed(state.iterations());
}

[[maybe_unused]] const bool registered = [] {
    bench::registerSqlite("Commit/OneDatabase", [](benchmark::State& s) {
        runSqlite(s, false);
    })->Unit(benchmark::kMicrosecond);
    bench::registerEngine("Commit/OneDatabase", [](benchmark::State& s) {
        runEngine(s, kOne);
    })->Unit(benchmark::kMicrosecond);
    bench::registerSqlite("Commit/TwoDatabases", [](benchmark::State& s) {
        runSqlite(s, true);
    })->Unit(benchmark::kMicrosecond);
    bench::registerEngine("Commit/TwoDatabases", [](benchmark::State& s) {
        runEngine(s, kTwo);
    })->Unit(benchmark::kMicrosecond);
    return true;
}();

}  // namespace
