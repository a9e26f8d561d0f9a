#include "conformance_support.h"

#include <unistd.h>

#include <cctype>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>

#include "statements/BranchOrder.h"
#include "tsqlite/decimal.h"
#include "tsqlite/parser.h"
#include "tsqlite/scanner.h"

namespace conformance {

namespace fs = std::filesystem;

namespace {

bool equalsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

class SessionClient : public Client {
public:
    explicit SessionClient(tsqlite::Session& session) : session_(session) {}
    std::vector<tsqlite::ResultSet> run(const std::string& sql, const Params& params) override {
        return session_.query(sql, params);
    }
    tsqlite::ProcResult call(const std::string& name,
                             const std::vector<tsqlite::ProcArgument>& args) override {
        return session_.callProcedure(name, args);
    }

private:
    tsqlite::Session& session_;
};

// The ODBC connections of the servers alive, by the session each stands beside.
std::map<const tsqlite::Session*, Client*>& odbcClients() {
    static std::map<const tsqlite::Session*, Client*> clients;
    return clients;
}

}  // namespace

bool overTds() {
    const char* v = std::getenv("CONFORMANCE_OVER_TDS");
    return v && std::string(v) == "1";
}

Client& clientFor(tsqlite::Session& session) {
    auto it = odbcClients().find(&session);
    if (it != odbcClients().end()) return *it->second;
    // Session clients are cheap; one per call keeps no state behind a session's back.
    thread_local std::map<const tsqlite::Session*, std::unique_ptr<SessionClient>> own;
    auto& c = own[&session];
    c = std::make_unique<SessionClient>(session);
    return *c;
}

#ifndef CONFORMANCE_HAVE_ODBC
std::unique_ptr<TdsEndpoint> startTdsEndpoint(const std::string&) {
    throw std::runtime_error("CONFORMANCE_OVER_TDS=1, but these tests were built without ODBC");
}
#endif

struct TempServer::Tds {
    std::unique_ptr<TdsEndpoint> endpoint;
    std::vector<std::pair<const tsqlite::Session*, std::unique_ptr<Client>>> clients;
};

TempServer::TempServer() {
    if (overTds()) {
        tds_ = std::make_unique<Tds>();
        tds_->endpoint = startTdsEndpoint(server_.dir());
    }
}

TempServer::~TempServer() {
    if (tds_) {
        for (auto& [session, client] : tds_->clients) {
            auto it = odbcClients().find(session);
            if (it != odbcClients().end() && it->second == client.get()) odbcClients().erase(it);
        }
        tds_->clients.clear();
        tds_->endpoint.reset();
    }
}

std::unique_ptr<tsqlite::Session> TempServer::open(const std::string& database) {
    auto session = server_.open(database);
    if (tds_) {
        auto client = tds_->endpoint->connect(database);
        odbcClients()[session.get()] = client.get();
        tds_->clients.emplace_back(session.get(), std::move(client));
    }
    return session;
}

std::string fixturePath(const std::string& fileName) {
    return std::string(TSQLITE_TEST_DATA_DIR) + "/conformance/" + fileName;
}

std::string readFile(const std::string& path) {
    return testsupport::readFile(path);
}

void runFixture(tsqlite::Session& session, const std::string& fileName) {
    const std::string script = readFile(fixturePath(fileName));
    for (const auto& batch : tsqlite::splitScript(script)) {
        for (int n = 0; n < batch.repeat; ++n) {
            try {
                clientFor(session).run(batch.text, {});
            } catch (const tsqlite::Error& e) {
                throw std::runtime_error(fileName + ": batch at line " +
                                         std::to_string(batch.firstLine) + " failed: Msg " +
                                         std::to_string(e.number) + ", line " +
                                         std::to_string(e.line) + ": " + e.message);
            }
        }
    }
}

void runCompanyScripts(tsqlite::Session& session) {
    testsupport::runScripts(session, testsupport::kDistributionCentreScripts);
    runFixture(session, "print_request.sql");
}

void runConfigScripts(tsqlite::Session& session) {
    testsupport::runScripts(session, testsupport::kConfigScripts);
}

std::vector<tsqlite::ResultSet> runScript(tsqlite::Session& session, const std::string& script,
                                          const Params& params) {
    std::vector<tsqlite::ResultSet> all;
    for (const auto& statement : statements::runnerStatements(script)) {
        Params own;
        for (const auto& name : tsqlite::parameterNames(statement)) {
            bool found = false;
            for (const auto& [key, value] : params) {
                if (equalsNoCase(key, name)) {
                    own[name] = value;
                    found = true;
                    break;
                }
            }
            if (!found) own[name] = Value::null();  // an unassigned parameter goes as NULL
        }
        for (auto& rs : clientFor(session).run(statement, own)) all.push_back(std::move(rs));
    }
    return all;
}

std::string joinLines(const std::vector<std::string>& parts) {
    std::string out;
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i) out += '\n';
        out += parts[i];
    }
    return out;
}

int Rows::column(const std::string& name) const {
    for (size_t i = 0; i < rs_.columns.size(); ++i)
        if (equalsNoCase(rs_.columns[i].name, name)) return static_cast<int>(i);
    return -1;
}

const Value& Rows::at(size_t row, const std::string& name) const {
    const int c = column(name);
    if (c < 0) throw std::out_of_range("no column " + name + " in the result");
    if (row >= rs_.rows.size()) throw std::out_of_range("no row " + std::to_string(row));
    return rs_.rows[row][static_cast<size_t>(c)];
}

std::string Rows::str(size_t row, const std::string& name) const {
    return text(at(row, name));
}
double Rows::num(size_t row, const std::string& name) const {
    return conformance::num(tsqlite::dec::plain(at(row, name), rs_.columns[column(name)].type));
}
long long Rows::integer(size_t row, const std::string& name) const {
    const Value v = tsqlite::dec::plain(at(row, name), rs_.columns[column(name)].type);
    if (v.kind == Value::Kind::Int) return v.i;
    return static_cast<long long>(conformance::num(v));
}
bool Rows::isNull(size_t row, const std::string& name) const {
    return at(row, name).isNull();
}

std::vector<std::string> Rows::strings(const std::string& name) const {
    std::vector<std::string> out;
    for (size_t r = 0; r < size(); ++r) out.push_back(rtrim(str(r, name)));
    return out;
}

Rows query(tsqlite::Session& session, const std::string& sql, const Params& params) {
    auto sets = clientFor(session).run(sql, params);
    if (sets.size() != 1)
        throw std::runtime_error("expected one result set, got " + std::to_string(sets.size()));
    return Rows(std::move(sets.front()));
}

void exec(tsqlite::Session& session, const std::string& sql, const Params& params) {
    clientFor(session).run(sql, params);
}

Value scalar(tsqlite::Session& session, const std::string& sql, const Params& params) {
    Rows r = query(session, sql, params);
    if (r.size() != 1 || r.raw().columns.empty())
        throw std::runtime_error("expected one row, got " + std::to_string(r.size()));
    return tsqlite::dec::plain(r.raw().rows[0][0], r.raw().columns[0].type);
}

long long count(tsqlite::Session& session, const std::string& sql, const Params& params) {
    Value v = scalar(session, sql, params);
    return v.kind == Value::Kind::Int ? v.i : static_cast<long long>(num(v));
}

tsqlite::ProcResult callProcedure(tsqlite::Session& session, const std::string& name,
                                  const std::vector<tsqlite::ProcArgument>& args) {
    return clientFor(session).call(name, args);
}

std::string text(const Value& v) {
    switch (v.kind) {
        case Value::Kind::Null:
            return "";
        case Value::Kind::Int:
            return std::to_string(v.i);
        case Value::Kind::Float: {
            std::ostringstream s;
            s.precision(15);
            s << v.f;
            return s.str();
        }
        default:
            return v.s;
    }
}

double num(const Value& v) {
    switch (v.kind) {
        case Value::Kind::Int:
            return static_cast<double>(v.i);
        case Value::Kind::Float:
            return v.f;
        case Value::Kind::Text:
            return std::strtod(v.s.c_str(), nullptr);
        default:
            return 0;
    }
}

std::string rtrim(std::string s) {
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

const Value& output(const tsqlite::ProcResult& r, const std::string& name) {
    for (const auto& [key, value] : r.outputs)
        if (equalsNoCase(key, name)) return value;
    throw std::out_of_range("no output " + name);
}

std::unique_ptr<tsqlite::Session> openBranchDatabase(TempServer& server, const std::string& name) {
    server.createDatabase(name);
    auto db = server.open(name);
    runCompanyScripts(*db);
    runFixture(*db, "settings_data.sql");
    runScript(*db, statements::branch_order::startupScript());
    runFixture(*db, "branch_order_data.sql");
    return db;
}

Day today(int offsetDays) {
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    tm.tm_mday += offsetDays;
    tm.tm_hour = 12;  // clear of daylight-saving edges
    tm.tm_isdst = -1;
    std::mktime(&tm);
    return Day{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday};
}

std::string isoDate(const Day& d) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", d.year, d.month, d.day);
    return buf;
}

std::string dmyDate(const Day& d) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d/%02d/%04d", d.day, d.month, d.year);
    return buf;
}

std::string midnight(const Day& d) {
    return isoDate(d) + " 00:00:00.000";
}

int currentYear() {
    return today().year;
}

double secondsFromNow(const std::string& datetime) {
    std::tm tm{};
    if (std::sscanf(datetime.c_str(), "%d-%d-%d %d:%d:%d", &tm.tm_year, &tm.tm_mon, &tm.tm_mday,
                    &tm.tm_hour, &tm.tm_min, &tm.tm_sec) != 6)
        return 1e9;
    tm.tm_year -= 1900;
    tm.tm_mon -= 1;
    tm.tm_isdst = -1;
    return std::difftime(std::mktime(&tm), std::time(nullptr));
}

}  // namespace conformance
