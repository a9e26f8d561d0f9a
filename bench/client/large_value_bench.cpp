// large_value_bench: the memory one large value costs, as a multiple of its size, through the
// engine's session and through the client's connection on the embedded server.
//
//   large_value_bench [MB [CASE]]    (100 MB by default; CASE: the cases whose names hold it)
//
// Each case runs in a process of its own, so that one case's peak cannot hide another's: the
// process prepares its rows (and the value it binds, which its caller holds anyway), notes its
// resident memory, runs the one statement and reports
// the highest resident memory it reached above that mark, divided by the value's size. The
// statement's own answer is kept until the peak is read, as a caller would keep it.
//
//   memory/size <case>   <ratio>   peak <MB>, value <MB>
//
// A ratio of 1 means the statement cost no more than one copy of the value; the target for
// the common paths (insert, select, LEN, SUBSTRING, +) is at most 4.
#include <sys/wait.h>
#include <unistd.h>

#include <QByteArray>
#include <QCoreApplication>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "db/connection.h"
#include "db/connection_params.h"
#include "tsqlite/session.h"

namespace {

long long statusKb(const char* field) {
    std::ifstream in("/proc/self/status");
    std::string line;
    const std::string key = std::string(field) + ":";
    while (std::getline(in, line))
        if (line.compare(0, key.size(), key) == 0) return std::atoll(line.c_str() + key.size());
    return -1;
}

// Forgets the peak so far: the next VmHWM is the peak from here on.
void resetPeak() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

struct Case {
    const char* name;
    // Makes the rows the statement needs; runs before the mark.
    std::function<void(const QString& server)> prepare;
    // Runs the statement and returns something holding its answer.
    std::function<std::shared_ptr<void>(const QString& server)> run;
};

long long g_bytes = 0;

std::string text(long long n, char c = 'x') {
    return std::string(static_cast<size_t>(n), c);
}

void engine(const QString& server, const std::string& sql, const tsqlite::Params& params = {},
            const tsqlite::ParamTypes& types = {}) {
    tsqlite::Session s(server.toStdString(), "Shop");
    tsqlite::CollectingSink sink;
    s.execute(sql, sink, params, types);
    if (!sink.errors.empty()) throw std::runtime_error(sink.errors.front().what());
}

std::shared_ptr<void> engineQuery(const QString& server, const std::string& sql) {
    auto s = std::make_shared<tsqlite::Session>(server.toStdString(), "Shop");
    auto sink = std::make_shared<tsqlite::CollectingSink>();
    s->execute(sql, *sink);
    if (!sink->errors.empty()) throw std::runtime_error(sink->errors.front().what());
    return sink;
}

std::shared_ptr<void> clientQuery(const QString& server, const QString& sql,
                                  const db::Params& params = {}) {
    db::Connection c(QStringLiteral("DMDATA"));
    c.setParams(db::connectionParameterList(QStringLiteral("Shop"), server, 60));
    return std::make_shared<db::ResultSet>(c.query(sql, params));
}

// The parameter of an insert, made before the mark: the caller holds its value anyway.
tsqlite::Value g_engineParam;
QVariant g_clientParam;

void makeString(const QString&) {
    g_clientParam = QString(static_cast<qsizetype>(g_bytes), u'x');
}

std::shared_ptr<void> clientInsert(const QString& server, const char* column) {
    db::Connection c(QStringLiteral("DMDATA"));
    c.setParams(db::connectionParameterList(QStringLiteral("Shop"), server, 60));
    c.execute(QStringLiteral("INSERT INTO T (%1) VALUES (:v)").arg(QLatin1String(column)),
              {{QStringLiteral("v"), g_clientParam}});
    return {};
}

std::string n() {
    return std::to_string(g_bytes);
}

void insertLiteral(const QString& server, const char* type, const char* literal) {
    // Each type has its column: v varchar(max), w nvarchar(max), b varbinary(max).
    const std::string t = type;
    const char* column = t == "nvarchar(max)" ? "w" : t == "varbinary(max)" ? "b" : "v";
    // REPLICATE cuts a binary value at 8,000 bytes, as SQL Server does: the bytes are made as
    // text and converted.
    const char* made = t == "varbinary(max)" ? "varchar(max)" : type;
    std::string value =
        std::string("REPLICATE(CAST(") + literal + " AS " + made + "), " + n() + ")";
    if (t == "varbinary(max)") value = "CAST(" + value + " AS varbinary(max))";
    engine(server, std::string("INSERT INTO T (") + column + ") VALUES (" + value + ")");
}

std::vector<Case> cases() {
    auto none = [](const QString&) {};
    auto stored = [](const char* type, const char* literal) {
        return [type, literal](const QString& server) { insertLiteral(server, type, literal); };
    };
    return {
        {"engine/insert-literal varchar(max)", none,
         [](const QString& server) {
             insertLiteral(server, "varchar(max)", "'x'");
             return std::shared_ptr<void>();
         }},
        {"engine/insert-parameter varchar(max)",
         [](const QString&) { g_engineParam = tsqlite::Value::text(text(g_bytes)); },
         [](const QString& server) {
             tsqlite::Params p;
             p["v"] = std::move(g_engineParam);
             tsqlite::ParamTypes t{{"v", *tsqlite::SqlType::parse("varchar(max)")}};
             engine(server, "INSERT INTO T (v) VALUES (:v)", p, t);
             return std::shared_ptr<void>();
         }},
        {"engine/select varchar(max)", stored("varchar(max)", "'x'"),
         [](const QString& server) { return engineQuery(server, "SELECT v FROM T"); }},
        {"engine/LEN varchar(max)", stored("varchar(max)", "'x'"),
         [](const QString& server) { return engineQuery(server, "SELECT LEN(v) FROM T"); }},
        {"engine/SUBSTRING varchar(max)", stored("varchar(max)", "'x'"),
         [](const QString& server) {
             return engineQuery(server, "SELECT SUBSTRING(v, 2, " + n() + ") FROM T");
         }},
        {"engine/concatenation varchar(max)", stored("varchar(max)", "'x'"),
         [](const QString& server) { return engineQuery(server, "SELECT v + 'y' FROM T"); }},
        {"engine/insert-literal nvarchar(max)", none,
         [](const QString& server) {
             insertLiteral(server, "nvarchar(max)", "N'x'");
             return std::shared_ptr<void>();
         }},
        {"engine/select nvarchar(max)", stored("nvarchar(max)", "N'x'"),
         [](const QString& server) { return engineQuery(server, "SELECT w FROM T"); }},
        {"engine/insert-literal varbinary(max)", none,
         [](const QString& server) {
             insertLiteral(server, "varbinary(max)", "'x'");
             return std::shared_ptr<void>();
         }},
        {"engine/select varbinary(max)", stored("varbinary(max)", "'x'"),
         [](const QString& server) { return engineQuery(server, "SELECT b FROM T"); }},
        {"client/insert-parameter nvarchar(max)", makeString,
         [](const QString& server) { return clientInsert(server, "w"); }},
        {"client/insert-parameter varchar(max)", makeString,
         [](const QString& server) { return clientInsert(server, "v"); }},
        {"client/insert-parameter varbinary(max)",
         [](const QString&) { g_clientParam = QByteArray(static_cast<qsizetype>(g_bytes), 'x'); },
         [](const QString& server) { return clientInsert(server, "b"); }},
        {"client/select varchar(max)", stored("varchar(max)", "'x'"),
         [](const QString& server) {
             return clientQuery(server, QStringLiteral("SELECT v FROM T"));
         }},
        {"client/select varbinary(max)", stored("varbinary(max)", "'x'"),
         [](const QString& server) {
             return clientQuery(server, QStringLiteral("SELECT b FROM T"));
         }},
        {"client/LEN varchar(max)", stored("varchar(max)", "'x'"),
         [](const QString& server) {
             return clientQuery(server, QStringLiteral("SELECT LEN(v) FROM T"));
         }},
    };
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const long long mb = argc > 1 ? std::atoll(argv[1]) : 100;
    if (mb <= 0) {
        std::fprintf(stderr, "usage: large_value_bench [MB]\n");
        return 2;
    }
    g_bytes = mb * 1000 * 1000;
    int failures = 0;
    // A second argument runs only the cases whose names hold it.
    const std::string only = argc > 2 ? argv[2] : "";
    for (const Case& c : cases()) {
        if (!only.empty() && std::string(c.name).find(only) == std::string::npos) continue;
        std::fflush(stdout);
        const pid_t pid = fork();
        if (pid == 0) {
            try {
                QTemporaryDir tmp;
                const QString server = tmp.filePath(QStringLiteral("server"));
                tsqlite::createServer(server.toStdString());
                tsqlite::Session(server.toStdString(), "master").query("CREATE DATABASE Shop");
                tsqlite::Session(server.toStdString(), "Shop")
                    .query(
                        "CREATE TABLE T (v varchar(max) NULL, w nvarchar(max) NULL,"
                        " b varbinary(max) NULL)");
                c.prepare(server);
                resetPeak();
                const long long before = statusKb("VmRSS");
                auto answer = c.run(server);
                const long long peak = statusKb("VmHWM") - before;
                const double valueMb = static_cast<double>(g_bytes) / 1e6;
                const double peakMb = static_cast<double>(peak) * 1024 / 1e6;
                std::printf("memory/size %-40s %6.2f   peak %.0f MB, value %.0f MB\n", c.name,
                            peakMb / valueMb, peakMb, valueMb);
                std::fflush(stdout);
                _exit(0);
            } catch (const std::exception& e) {
                std::fprintf(stderr, "%s: %s\n", c.name, e.what());
            }
            std::fflush(stderr);
            _exit(1);
        }
        int status = 0;
        waitpid(pid, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            std::printf("memory/size %-40s failed\n", c.name);
            ++failures;
        }
    }
    return failures ? 1 : 0;
}
