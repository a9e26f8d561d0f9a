// One statement run many times: what the engine adds to a statement whose translation is
// already cached (parameter binding, the interpreter, result rows as Values) against the
// same statement prepared once on SQLite.
//
//   Statement/SelectByCode   SELECT of one row by an indexed code, a different code each time
//   Statement/InsertOneRow   INSERT of one log row, each in its own (autocommit) transaction
#include <memory>
#include <string>
#include <vector>

#include "bench_support.h"

namespace {

constexpr int kProducts = 20000;

const char* const kSchema[] = {
    "CREATE TABLE Product (\n"
    "    Id int IDENTITY(1,1) NOT NULL PRIMARY KEY,\n"
    "    Code varchar(20) NOT NULL,\n"
    "    Name nvarchar(100) NULL,\n"
    "    Price money NULL\n"
    ")",
    "CREATE UNIQUE INDEX ProductCode ON Product (Code)",
    "CREATE TABLE UserLog (\n"
    "    Id int IDENTITY(1,1) NOT NULL PRIMARY KEY,\n"
    "    LogDate datetime NOT NULL,\n"
    "    UserId int NULL,\n"
    "    MenuId int NULL,\n"
    "    FunctionListId int NULL,\n"
    "    DocumentId int NULL,\n"
    "    Remark varchar(100) NULL\n"
    ")",
};

const std::string kSelectByCode = "SELECT Name, Price FROM Product WHERE Code = :Code";
const std::string kSelectByCodeSqlite = "SELECT Name, Price FROM Product WHERE Code = ?1";

const std::string kInsertLog =
    "INSERT INTO UserLog (LogDate, UserId, MenuId, FunctionListId, DocumentId, Remark) "
    "VALUES (:LogDate, :UserId, :MenuId, :FunctionListId, :DocumentId, :Remark)";
const std::string kInsertLogSqlite =
    "INSERT INTO UserLog (LogDate, UserId, MenuId, FunctionListId, DocumentId, Remark) "
    "VALUES (?1, ?2, ?3, ?4, ?5, ?6)";

std::string productCode(int n) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "P%06d", n);
    return buf;
}

// Database "Bench": a 20,000-row product table with a unique code, and an empty log table.
struct StatementFixture {
    StatementFixture() {
        bench::createDatabase("Bench");
        {
            tsqlite::Session s(bench::serverDir(), "Bench");
            for (const char* ddl : kSchema) s.query(ddl);
        }
        raw = std::make_unique<bench::RawDb>(bench::databaseFile("Bench"));
        raw->exec("BEGIN");
        raw->exec(
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
            std::to_string(kProducts) +
            ")\n"
            "INSERT INTO Product (Id, Code, Name, Price)\n"
            "SELECT i, printf('P%06d', i), 'สินค้าทดสอบ ' || i, round((i * 37 % 100000) / 100.0, 4) "
            "FROM n");
        raw->syncIdentity("Product");
        raw->exec("COMMIT");
        for (int i = 0; i < kProducts; ++i)
            codes.push_back(productCode(1 + (i * 7919) % kProducts));
        session = std::make_unique<tsqlite::Session>(bench::serverDir(), "Bench");
    }

    static StatementFixture& get() {
        static StatementFixture f;
        return f;
    }

    // Removes the log rows a benchmark added, so that both sides start from the same table.
    void clearLog() { raw->exec("DELETE FROM UserLog"); }

    std::vector<std::string> codes;  // visited in a scattered order
    std::unique_ptr<bench::RawDb> raw;
    std::unique_ptr<tsqlite::Session> session;
};

void selectByCodeEngine(benchmark::State& state) {
    auto& f = StatementFixture::get();
    tsqlite::Params params{{"Code", tsqlite::Value::text(f.codes[0])}};
    tsqlite::Value& code = params["Code"];
    // The first run translates and caches the statement; the loop measures the cached path.
    if (f.session->query(kSelectByCode, params).at(0).rows.size() != 1)
        throw std::runtime_error("code lookup did not find one row");
    size_t i = 0;
    for (auto _ : state) {
        code.s = f.codes[i++ % f.codes.size()];
        auto sets = f.session->query(kSelectByCode, params);
        benchmark::DoNotOptimize(sets);
    }
    state.SetItemsProcessed(state.iterations());
}

void selectByCodeSqlite(benchmark::State& state) {
    auto& f = StatementFixture::get();
    bench::Stmt st(f.raw->get(), kSelectByCodeSqlite);
    size_t i = 0;
    std::string name;
    double price = 0;
    for (auto _ : state) {
        st.bind(1, f.codes[i++ % f.codes.size()]);
        int rows = 0;
        while (st.step()) {
            auto text = reinterpret_cast<const char*>(sqlite3_column_text(st.get(), 0));
            name.assign(text ? text : "", static_cast<size_t>(sqlite3_column_bytes(st.get(), 0)));
            price = sqlite3_column_double(st.get(), 1);
            ++rows;
        }
        st.reset();
        benchmark::DoNotOptimize(name);
        benchmark::DoNotOptimize(price);
        benchmark::DoNotOptimize(rows);
    }
    state.SetItemsProcessed(state.iterations());
}

const std::string kLogDate = "2024-03-15 10:42:17.250";

void insertOneRowEngine(benchmark::State& state) {
    auto& f = StatementFixture::get();
    f.clearLog();
    using tsqlite::Value;
    tsqlite::Params params{
        {"LogDate", Value::text(kLogDate)}, {"UserId", Value::integer(7)},
        {"MenuId", Value::integer(12)},     {"FunctionListId", Value::integer(3)},
        {"DocumentId", Value::integer(0)},  {"Remark", Value::text("")}};
    Value& document = params["DocumentId"];
    Value& remark = params["Remark"];
    f.session->query(kInsertLog, params);
    long long n = 0;
    for (auto _ : state) {
        document.i = ++n;
        remark.s = "บันทึกใบสั่ง " + std::to_string(n);
        f.session->query(kInsertLog, params);
    }
    state.SetItemsProcessed(state.iterations());
    f.clearLog();
}

void insertOneRowSqlite(benchmark::State& state) {
    auto& f = StatementFixture::get();
    f.clearLog();
    bench::Stmt st(f.raw->get(), kInsertLogSqlite);
    long long n = 0;
    std::string remark;
    for (auto _ : state) {
        ++n;
        remark = "บันทึกใบสั่ง " + std::to_string(n);
        st.bind(1, kLogDate).bind(2, 7LL).bind(3, 12LL).bind(4, 3LL).bind(5, n).bind(6, remark);
        st.step();
        st.reset();
    }
    state.SetItemsProcessed(state.iterations());
    f.clearLog();
}

[[maybe_unused]] const bool registered = [] {
    bench::registerSqlite("Statement/SelectByCode", selectByCodeSqlite)
        ->Unit(benchmark::kMicrosecond);
    bench::registerEngine("Statement/SelectByCode", selectByCodeEngine)
        ->Unit(benchmark::kMicrosecond);
    bench::registerSqlite("Statement/InsertOneRow", insertOneRowSqlite)
        ->Unit(benchmark::kMicrosecond);
    bench::registerEngine("Statement/InsertOneRow", insertOneRowEngine)
        ->Unit(benchmark::kMicrosecond);
    return true;
}();

}  // namespace
