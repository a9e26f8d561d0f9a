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

// The console output as usual, plus the real time per iteration of every benchmark, kept by
// name for the summary. With repetitions the median is used.
class PairReporter : public benchmark::ConsoleReporter {
public:
    PairReporter() : ConsoleReporter(OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs) {
            if (r.error_occurred) continue;
            const std::string name = r.run_name.function_name;
            const double ns = toNanoseconds(r.GetAdjustedRealTime(), r.time_unit);
            if (r.run_type == Run::RT_Iteration) {
                samples_[name].push_back(ns);
                if (std::find(order_.begin(), order_.end(), name) == order_.end())
                    order_.push_back(name);
            } else if (r.aggregate_name == "median") {
                medians_[name] = ns;
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    bool timeOf(const std::string& name, double& ns) const {
        if (auto m = medians_.find(name); m != medians_.end()) {
            ns = m->second;
            return true;
        }
        auto s = samples_.find(name);
        if (s == samples_.end() || s->second.empty()) return false;
        std::vector<double> v = s->second;
        std::sort(v.begin(), v.end());
        ns = v[v.size() / 2];
        return true;
    }

    void summary() const {
        std::printf("\nratio engine/sqlite (real time per iteration; lower is better, 1.00 = as "
                    "fast as hand-written SQLite)\n");
        bool any = false;
        for (const std::string& name : order_) {
            const std::string suffix = "/engine";
            if (name.size() <= suffix.size() ||
                name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
                continue;
            const std::string pair = name.substr(0, name.size() - suffix.size());
            double engine = 0, sqlite = 0;
            if (!timeOf(name, engine) || !timeOf(pair + "/sqlite", sqlite) || sqlite <= 0)
                continue;
            std::printf("ratio engine/sqlite %-36s %8.2f   (engine %s, sqlite %s)\n", pair.c_str(),
                        engine / sqlite, humanTime(engine).c_str(), humanTime(sqlite).c_str());
            any = true;
        }
        if (!any) std::printf("(no pair ran on both sides)\n");
        for (const std::string& n : notes()) std::printf("%s\n", n.c_str());
        std::fflush(stdout);
    }

private:
    std::vector<std::string> order_;
    std::map<std::string, std::vector<double>> samples_;
    std::map<std::string, double> medians_;
};

benchmark::internal::Benchmark* registerGuarded(const std::string& name,
                                                std::function<void(benchmark::State&)> fn) {
    // Three repetitions, reported as their median: the machine is shared, and a single run
    // of either side can land on a busy moment.
    return benchmark::RegisterBenchmark(name.c_str(),
                                        [fn](benchmark::State& state) {
                                            try {
                                                fn(state);
                                            } catch (const tsqlite::Error& e) {
                                                state.SkipWithError(
                                                    ("Msg " + std::to_string(e.number) + ": " +
                                                     e.message)
                                                        .c_str());
                                            } catch (const std::exception& e) {
                                                state.SkipWithError(e.what());
                                            }
                                        })
        ->Repetitions(3)
        ->DisplayAggregatesOnly(true);
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
    Stmt st(db_,
            "UPDATE __tsq_columns SET last = (SELECT max(\"" + column + "\") FROM \"" + table +
                "\") WHERE id = (SELECT id FROM __tsq_objects WHERE name = ?1 COLLATE NOCASE "
                "AND xtype = 'U') AND name = ?2 COLLATE NOCASE AND isidentity = 1");
    st.bind(1, table).bind(2, column);
    st.step();
    if (sqlite3_changes(db_) != 1)
        throw std::runtime_error("no identity column " + table + "." + column);
}

std::string lines(std::initializer_list<std::string_view> parts) {
    std::string out;
    bool first = true;
    for (auto p : parts) {
        if (!first) out += '\n';
        out += p;
        first = false;
    }
    return out;
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
