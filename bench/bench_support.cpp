#include "bench_support.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <mutex>
#include <stdexcept>

#include "tsqlite/runtime.h"

namespace bench {

namespace fs = std::filesystem;

namespace {

class TempServerDir {
public:
    TempServerDir() {
        std::string pattern = (fs::temp_directory_path() / "tsqlite-bench-XXXXXX").string();
        if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot create a temporary folder");
        root_ = pattern;
        dir_ = (fs::path(root_) / "server").string();
        tsqlite::createServer(dir_);
    }
    ~TempServerDir() {
        if (const char* keep = std::getenv("BENCH_KEEP_SERVER"); keep && *keep == '1') {
            std::fprintf(stderr, "bench server kept in %s\n", dir_.c_str());
            return;
        }
        std::error_code ec;
        fs::remove_all(root_, ec);
    }
    const std::string& dir() const { return dir_; }

private:
    std::string root_;
    std::string dir_;
};

std::string lowerAscii(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

[[noreturn]] void fail(sqlite3* db, const std::string& what) {
    throw std::runtime_error(what + ": " + (db ? sqlite3_errmsg(db) : "no connection"));
}

std::vector<std::string>& notes() {
    static std::vector<std::string> n;
    return n;
}

double toNanoseconds(double v, benchmark::TimeUnit unit) {
    switch (unit) {
        case benchmark::kNanosecond:
            return v;
        case benchmark::kMicrosecond:
            return v * 1e3;
        case benchmark::kMillisecond:
            return v * 1e6;
        case benchmark::kSecond:
            return v * 1e9;
    }
    return v;
}

std::string humanTime(double ns) {
    char buf[32];
    if (ns >= 1e9)
        std::snprintf(buf, sizeof buf, "%.3f s", ns / 1e9);
    else if (ns >= 1e6)
        std::snprintf(buf, sizeof buf, "%.3f ms", ns / 1e6);
    else if (ns >= 1e3)
        std::snprintf(buf, sizeof buf, "%.2f us", ns / 1e3);
    else
        std::snprintf(buf, sizeof buf, "%.0f ns", ns);
    return buf;
}

struct Times {
    double real = 0;  // ns per iteration
    double cpu = 0;
};

// The console output as usual, plus the real and CPU time per iteration of every benchmark,
// kept by name for the summary. With repetitions the median is used.
class PairReporter : public benchmark::ConsoleReporter {
public:
    PairReporter() : ConsoleReporter(OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        std::vector<Run> shown;
        for (const Run& r : runs) {
            // Of the statistics over the repetitions the console shows the median and the
            // coefficient of variation.
            if (r.run_type == Run::RT_Iteration || r.aggregate_name == "median" ||
                r.aggregate_name == "cv")
                shown.push_back(r);
            if (r.error_occurred) continue;
            const std::string name = r.run_name.function_name;
            family_[name] = r.family_index;
            const Times t{toNanoseconds(r.GetAdjustedRealTime(), r.time_unit),
                          toNanoseconds(r.GetAdjustedCPUTime(), r.time_unit)};
            if (std::find(order_.begin(), order_.end(), name) == order_.end())
                order_.push_back(name);
            if (r.run_type == Run::RT_Iteration) {
                samples_[name].push_back(t);
            } else if (r.aggregate_name == "median") {
                medians_[name] = t;
            }
        }
        if (!shown.empty()) ConsoleReporter::ReportRuns(shown);
    }

    bool timeOf(const std::string& name, Times& t) const {
        if (auto m = medians_.find(name); m != medians_.end()) {
            t = m->second;
            return true;
        }
        auto s = samples_.find(name);
        if (s == samples_.end() || s->second.empty()) return false;
        std::vector<double> real, cpu;
        for (const Times& x : s->second) {
            real.push_back(x.real);
            cpu.push_back(x.cpu);
        }
        std::sort(real.begin(), real.end());
        std::sort(cpu.begin(), cpu.end());
        t = {real[real.size() / 2], cpu[cpu.size() / 2]};
        return true;
    }

    void summary() const {
        std::printf(
            "\nratio engine/sqlite: engine time / hand-written SQLite time per iteration, "
            "median of the repetitions (1.00 = as fast as SQLite; real time first, CPU "
            "time in brackets)\n");
        bool any = false;
        // In the order the benchmarks were registered, whatever order they ran in.
        std::vector<std::string> order = order_;
        std::stable_sort(order.begin(), order.end(), [&](const auto& a, const auto& b) {
            return family_.at(a) < family_.at(b);
        });
        for (const std::string& name : order) {
            const std::string suffix = "/engine";
            if (name.size() <= suffix.size() ||
                name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
                continue;
            const std::string pair = name.substr(0, name.size() - suffix.size());
            Times engine, sqlite;
            if (!timeOf(name, engine) || !timeOf(pair + "/sqlite", sqlite) || sqlite.real <= 0 ||
                sqlite.cpu <= 0)
                continue;
            std::printf("ratio engine/sqlite %-24s %6.2f  (cpu %5.2f)   engine %s, sqlite %s\n",
                        pair.c_str(), engine.real / sqlite.real, engine.cpu / sqlite.cpu,
                        humanTime(engine.real).c_str(), humanTime(sqlite.real).c_str());
            any = true;
        }
        if (!any) std::printf("(no pair ran on both sides)\n");
        for (const std::string& n : notes()) std::printf("%s\n", n.c_str());
        std::fflush(stdout);
    }

private:
    std::vector<std::string> order_;
    std::map<std::string, int64_t> family_;
    std::map<std::string, std::vector<Times>> samples_;
    std::map<std::string, Times> medians_;
};

benchmark::internal::Benchmark* registerGuarded(const std::string& name,
                                                std::function<void(benchmark::State&)> fn) {
    return benchmark::RegisterBenchmark(name.c_str(), [fn](benchmark::State& state) {
        try {
            fn(state);
        } catch (const tsqlite::Error& e) {
            state.SkipWithError(("Msg " + std::to_string(e.number) + ": " + e.message).c_str());
        } catch (const std::exception& e) {
            state.SkipWithError(e.what());
        }
    });
}

}  // namespace

const std::string& serverDir() {
    static TempServerDir server;
    return server.dir();
}

void createDatabase(const std::string& name) {
    tsqlite::Session master(serverDir(), "master");
    master.query("CREATE DATABASE " + name);
}

std::string databaseFile(const std::string& name) {
    return (fs::path(serverDir()) / (lowerAscii(name) + ".sqlite")).string();
}

// ---- Stmt ----

Stmt::Stmt(sqlite3* db, const std::string& sql) : db_(db) {
    if (sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &st_, nullptr) !=
        SQLITE_OK)
        fail(db, "prepare failed for\n" + sql + "\n");
}

Stmt::~Stmt() {
    sqlite3_finalize(st_);
}

Stmt& Stmt::bind(int index, long long v) {
    sqlite3_bind_int64(st_, index, v);
    return *this;
}

Stmt& Stmt::bind(int index, double v) {
    sqlite3_bind_double(st_, index, v);
    return *this;
}

Stmt& Stmt::bind(int index, const std::string& v) {
    sqlite3_bind_text(st_, index, v.data(), static_cast<int>(v.size()), SQLITE_STATIC);
    return *this;
}

Stmt& Stmt::bindNull(int index) {
    sqlite3_bind_null(st_, index);
    return *this;
}

bool Stmt::step() {
    const int rc = sqlite3_step(st_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    fail(db_, "step failed");
}

void Stmt::reset() {
    sqlite3_reset(st_);
}

// ---- RawDb ----

RawDb::RawDb(const std::string& path) {
    if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        std::string msg = db_ ? sqlite3_errmsg(db_) : "out of memory";
        sqlite3_close(db_);
        throw std::runtime_error("cannot open " + path + ": " + msg);
    }
    sqlite3_busy_timeout(db_, 30000);
    tsqlite::registerRuntime(db_);
}

RawDb::~RawDb() {
    sqlite3_close_v2(db_);
}

void RawDb::exec(const std::string& sql) {
    char* err = nullptr;
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
        std::string msg = err ? err : sqlite3_errmsg(db_);
        sqlite3_free(err);
        throw std::runtime_error(msg + "\nin\n" + sql);
    }
}

long long RawDb::scalar(const std::string& sql) {
    Stmt st(db_, sql);
    if (!st.step()) throw std::runtime_error("no row from " + sql);
    return sqlite3_column_int64(st.get(), 0);
}

std::string RawDb::scalarText(const std::string& sql) {
    Stmt st(db_, sql);
    if (!st.step()) throw std::runtime_error("no row from " + sql);
    auto text = reinterpret_cast<const char*>(sqlite3_column_text(st.get(), 0));
    return text ? text : "";
}

void RawDb::syncIdentity(const std::string& table, const std::string& column) {
    Stmt st(db_, "UPDATE __tsq_columns SET last = (SELECT max(\"" + column + "\") FROM \"" + table +
                     "\") WHERE id = (SELECT id FROM __tsq_objects WHERE name = ?1 COLLATE NOCASE "
                     "AND xtype = 'U') AND name = ?2 COLLATE NOCASE AND isidentity = 1");
    st.bind(1, table).bind(2, column);
    st.step();
    if (sqlite3_changes(db_) != 1)
        throw std::runtime_error("no identity column " + table + "." + column);
}

benchmark::internal::Benchmark* registerEngine(const std::string& pair,
                                               std::function<void(benchmark::State&)> fn) {
    return registerGuarded(pair + "/engine", std::move(fn));
}

benchmark::internal::Benchmark* registerSqlite(const std::string& pair,
                                               std::function<void(benchmark::State&)> fn) {
    return registerGuarded(pair + "/sqlite", std::move(fn));
}

void note(const std::string& text) {
    static std::mutex m;
    std::lock_guard<std::mutex> lock(m);
    if (std::find(notes().begin(), notes().end(), text) == notes().end()) notes().push_back(text);
}

size_t runAndSummarize() {
    PairReporter reporter;
    const size_t n = benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.summary();
    return n;
}

}  // namespace bench
