#pragma once
// Shared pieces of the benchmarks: the throw-away server directory, a raw SQLite connection
// for the hand-written baselines and the data generators, and the engine/SQLite pairs whose
// ratio the program prints at the end.
//
// Every engine benchmark is registered as "<Group>/<Name>/engine" next to its baseline
// "<Group>/<Name>/sqlite": both run in the same process on the same database file, so the
// ratio of the two is what the figures mean; the absolute times depend on the machine.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <functional>
#include <string>
#include <vector>

#include "statements/Lines.h"
#include "tsqlite/session.h"

namespace bench {

// The server directory of this run: created by tsqlite::createServer on first use in a fresh
// temporary folder and removed when the program ends. BENCH_KEEP_SERVER=1 keeps it for a look
// with the shell.
const std::string& serverDir();

// Creates a database on the bench server (through the engine, as CREATE DATABASE does).
void createDatabase(const std::string& name);

// The SQLite file that holds a database of the bench server.
std::string databaseFile(const std::string& name);

// A prepared statement on a raw connection.
class Stmt {
public:
    Stmt(sqlite3* db, const std::string& sql);
    ~Stmt();
    Stmt(const Stmt&) = delete;
    Stmt& operator=(const Stmt&) = delete;

    sqlite3_stmt* get() const { return st_; }
    Stmt& bind(int index, long long v);
    Stmt& bind(int index, double v);
    // The text must outlive the statement's next step (bound without a copy).
    Stmt& bind(int index, const std::string& v);
    Stmt& bindNull(int index);
    bool step();  // true while there is a row; throws on an error
    void reset();

private:
    sqlite3* db_;
    sqlite3_stmt* st_ = nullptr;
};

// A raw SQLite connection on a database file of the bench server, with the engine's TSQL
// collation (and its tsq_* functions) registered, as the engine registers them on its own
// connections. The baselines run on it; so do the data generators.
class RawDb {
public:
    explicit RawDb(const std::string& path);
    ~RawDb();
    RawDb(const RawDb&) = delete;
    RawDb& operator=(const RawDb&) = delete;

    sqlite3* get() const { return db_; }
    void exec(const std::string& sql);
    long long scalar(const std::string& sql);
    std::string scalarText(const std::string& sql);

    // Rows added here bypass the engine's identity counter: sets it to the highest Id so
    // that later inserts through the engine go on from there.
    void syncIdentity(const std::string& table, const std::string& column = "Id");

private:
    sqlite3* db_ = nullptr;
};

// Joins lines with line breaks, as the client holds a statement as a list of lines.
using statements::lines;

// Registers a benchmark under "<pair>/engine" or "<pair>/sqlite". A benchmark that throws is
// reported as an error instead of ending the run.
benchmark::internal::Benchmark* registerEngine(const std::string& pair,
                                               std::function<void(benchmark::State&)> fn);
benchmark::internal::Benchmark* registerSqlite(const std::string& pair,
                                               std::function<void(benchmark::State&)> fn);

// A note printed with the summary (row counts that show both sides did the same work).
void note(const std::string& text);

// Runs the registered benchmarks with the console reporter, then prints one
// "ratio engine/sqlite" line per pair that ran on both sides. Returns the number run.
size_t runAndSummarize();

}  // namespace bench
