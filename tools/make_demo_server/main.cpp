// make_demo_server [--force] [--no-server-dat] [--sql-dir SQL] DIR
//
// Creates an embedded server in DIR with the configuration database and the company
// databases built from the sql/ scripts plus demo rows, and writes "Server.Dat" in the
// current directory so that the client started here uses that server.
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "make_demo_server.h"
#include "tsqlite/session.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kUsage =
    "usage: make_demo_server [--force] [--no-server-dat] [--sql-dir SQL] DIR\n"
    "\n"
    "Creates an embedded server in DIR with the back office's databases and demo rows,\n"
    "and writes Server.Dat (the server's name) in the current directory. Branch 0003 keeps\n"
    "its database on a server of its own, DIR/branch0003.\n"
    "\n"
    "  --force          replace DIR when it already holds an embedded server\n"
    "  --no-server-dat  do not write Server.Dat\n"
    "  --sql-dir SQL    run the scripts of the folder SQL instead of " BACKOFFICE_SQL_DIR "\n";

struct Options {
    bool force = false;
    bool serverDat = true;
    std::string sqlDir = BACKOFFICE_SQL_DIR;
    std::string dir;
};

bool parseArgs(int argc, char** argv, Options& opt) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--force")
            opt.force = true;
        else if (a == "--no-server-dat")
            opt.serverDat = false;
        else if (a == "--sql-dir" && i + 1 < argc)
            opt.sqlDir = argv[++i];
        else if (a == "-h" || a == "--help")
            return false;
        else if (!a.empty() && a[0] == '-')
            return false;
        else if (opt.dir.empty())
            opt.dir = a;
        else
            return false;
    }
    return !opt.dir.empty();
}

std::string text(const tsqlite::Value& v) {
    switch (v.kind) {
        case tsqlite::Value::Kind::Null:
            return "";
        case tsqlite::Value::Kind::Int:
            return std::to_string(v.i);
        case tsqlite::Value::Kind::Float:
            return std::to_string(v.f);
        default:
            return v.s;
    }
}

std::string rtrim(std::string s) {
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

std::string padded(const std::string& s, size_t width) {
    // Widths count bytes; Thai texts come last on a line, so nothing after them misaligns.
    return s.size() >= width ? s + " " : s + std::string(width - s.size(), ' ');
}

// Makes room for the server: nothing there, or an old server that --force may replace.
// Anything else is left alone.
bool prepareDir(const fs::path& dir, bool force) {
    std::error_code ec;
    if (!fs::exists(dir, ec)) return true;
    if (!force) {
        std::cerr << "make_demo_server: " << dir.string()
                  << " already exists; use --force to replace it\n";
        return false;
    }
    const bool empty = fs::is_directory(dir, ec) && fs::is_empty(dir, ec);
    if (!empty && !tsqlite::serverExists(dir.string())) {
        std::cerr << "make_demo_server: " << dir.string()
                  << " is not an embedded server; not replacing it\n";
        return false;
    }
    fs::remove_all(dir, ec);
    if (ec) {
        std::cerr << "make_demo_server: cannot remove " << dir.string() << ": " << ec.message()
                  << "\n";
        return false;
    }
    std::cout << "Removed the old server in " << dir.string() << "\n";
    return true;
}

void build(const fs::path& dir, const fs::path& sqlDir) {
    tsqlite::createServer(dir.string());
    const demo::Variables serverNames = {
        {"DemoServer", dir.string()},
        {"RemoteBranchServer", (dir / demo::kRemoteBranchFolder).string()},
        {"OfflineBranchServer", (dir / demo::kOfflineBranchFolder).string()},
    };

    for (const auto& db : demo::demoDatabases()) {
        const fs::path server = db.server.empty() ? dir : dir / db.server;
        tsqlite::createServer(server.string());
        tsqlite::Session(server.string(), "master").query("CREATE DATABASE [" + db.name + "]");
        tsqlite::Session session(server.string(), db.name);
        demo::Variables variables = serverNames;
        for (const auto& [name, value] : db.variables) variables[name] = value;
        std::cout << "  " << padded(db.server.empty() ? db.name : db.server + "/" + db.name, 20)
                  << db.role << "\n";
        for (const auto& script : db.scripts) {
            demo::runScriptFile(session, (sqlDir / script).string(), "sql/" + script, variables);
            std::cout << "  " << padded("", 20) << "  sql/" << script << "\n";
        }
    }
}

// Whether a branch's database can be opened where the configuration database says it is.
bool reachable(const std::string& server, const std::string& database) {
    if (!tsqlite::serverExists(server)) return false;
    tsqlite::Session master(server, "master");
    const auto rows = master
                          .query("SELECT name FROM sysdatabases WHERE name = :Name",
                                 {{"Name", tsqlite::Value::text(database)}})
                          .at(0)
                          .rows;
    return !rows.empty();
}

void printSummary(const fs::path& dir) {
    tsqlite::Session cfg(dir.string(), demo::kConfigDatabase);
    auto rowsOf = [&cfg](const std::string& sql) { return cfg.query(sql).at(0).rows; };

    std::cout << "\nCompany databases (DatabaseList):\n";
    for (const auto& r : rowsOf("SELECT O.DatabaseName, P.Code, P.NameEng, P.NameThai "
                                "FROM DatabaseList O INNER JOIN Company P ON (P.Id = O.Company) "
                                "ORDER BY O.Id"))
        std::cout << "  " << padded(text(r[0]), 10) << "company " << padded(rtrim(text(r[1])), 6)
                  << padded(text(r[2]), 36) << text(r[3]) << "\n";

    std::cout << "\nMenu entries (menu id, module):\n";
    for (const auto& r : rowsOf("SELECT Id, MenuOption, Caption FROM Menu "
                                "WHERE Command IS NOT NULL ORDER BY Id"))
        std::cout << "  " << padded(text(r[0]), 8) << "module " << padded(text(r[1]), 6)
                  << rtrim(text(r[2])) << "\n";

    std::cout << "\nBranches of the sold-out upload (code, database, last upload, server):\n";
    for (const auto& r : rowsOf("SELECT B.BranchCode, B.ServerName, B.Server, "
                                "COALESCE(CONVERT(varchar(10), B.SoldOutLastUpdate, 103), "
                                "'never'), B.BranchName FROM Branch B "
                                "WHERE B.StopDatabase = 'N' AND B.BranchCode <> 'DC001' "
                                "ORDER BY B.BranchCode")) {
        const std::string server = text(r[2]);
        std::string where = server == dir.string() ? "this server" : server;
        if (!reachable(server, rtrim(text(r[1])))) where += " (cannot be reached)";
        std::cout << "  " << padded(rtrim(text(r[0])), 6) << padded(rtrim(text(r[1])), 8)
                  << padded(text(r[3]), 12) << where << "  " << text(r[4]) << "\n";
    }

    std::cout << "\nUsers (user id, code, language):\n";
    for (const auto& r : rowsOf("SELECT U.Id, U.Code, U.LanguageNo, U.FullName, "
                                "(SELECT COUNT(*) FROM UserRight R WHERE R.UserId = U.Id "
                                "AND R.Access_R = 'Y'), "
                                "(SELECT COUNT(*) FROM UserRight R WHERE R.UserId = U.Id "
                                "AND R.Delete_R = 'Y') "
                                "FROM UserName U ORDER BY U.Id")) {
        const bool thai = r[2].kind == tsqlite::Value::Kind::Int && r[2].i == 1;
        std::cout << "  " << padded(text(r[0]), 4) << padded(rtrim(text(r[1])), 10)
                  << padded(thai ? "Thai" : "English", 9) << "access to " << text(r[4])
                  << " entries, delete on " << text(r[5]) << "  " << text(r[3]) << "\n";
    }
}

}  // namespace

int main(int argc, char** argv) {
    Options opt;
    if (!parseArgs(argc, argv, opt)) {
        std::cerr << kUsage;
        return 2;
    }
    std::error_code ec;
    const fs::path dir = fs::absolute(opt.dir, ec).lexically_normal();
    if (ec) {
        std::cerr << "make_demo_server: " << opt.dir << ": " << ec.message() << "\n";
        return 1;
    }
    std::string name = dir.string();
    while (name.size() > 1 && name.back() == '/') name.pop_back();  // "dir/" normalises so

    if (!prepareDir(name, opt.force)) return 1;

    std::cout << "Embedded server " << name << "\n  master\n";
    try {
        build(name, opt.sqlDir);
    } catch (const demo::ScriptError& e) {
        std::cerr << "make_demo_server: " << e.what() << "\n"
                  << "make_demo_server: stopped; the unfinished server is left in " << name << "\n";
        return 1;
    } catch (const std::exception& e) {
        std::cerr << "make_demo_server: " << e.what() << "\n";
        return 1;
    }

    if (opt.serverDat) {
        const fs::path datPath = fs::current_path() / "Server.Dat";
        std::ofstream dat(datPath, std::ios::binary | std::ios::trunc);
        dat << name << "\n";
        dat.close();
        if (!dat) {
            std::cerr << "make_demo_server: cannot write " << datPath.string() << "\n";
            return 1;
        }
        std::cout << "\nWrote " << datPath.string() << ": clients started in "
                  << fs::current_path().string() << " use this server.\n";
    }
    try {
        printSummary(name);
    } catch (const std::exception& e) {
        std::cerr << "make_demo_server: cannot list the demo rows: " << e.what() << "\n";
        return 1;
    }
    std::cout << "\nStart a module with: <menu id> <user id> <company database> 0 <module>, for "
                 "example\n"
                 "  1001 1 BR0001 0 1   branch order, Thai user\n"
                 "  1003 2 NWX 0 3      pick planning, English user\n"
                 "  1015 1 NWX 0 15     sold-out upload of branches 0001 to 0004\n";
    return 0;
}
