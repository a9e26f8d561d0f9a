#pragma once
// The throw-away embedded server of every test program: a server folder in a fresh temporary
// folder, whose databases are made from the real scripts of sql/, so that a change to a script
// is tested wherever a test builds a database. No Qt: the engine's own tests use it too.
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "tsqlite/session.h"

namespace testsupport {

// Scripting variables of the demo scripts: $(Name) -> value.
using Variables = std::vector<std::pair<std::string, std::string>>;

// The scripts that make each kind of database, in the order they run.
extern const std::vector<std::string> kConfigScripts;   // the configuration database
extern const std::vector<std::string> kCompanyScripts;  // common, product and sales tables
extern const std::vector<std::string> kReportScripts;   // the branch report database
// Every table and procedure of sql/company: the distribution centre's company database
// (picking, transfers, SAR orders and print layouts on top of the common part).
extern const std::vector<std::string> kDistributionCentreScripts;

// A fresh temporary folder, removed with the object unless KEEP_TEST_SERVERS=1 asks to keep
// it for a look with the shell.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

class TempServer {
public:
    TempServer();
    TempServer(const TempServer&) = delete;
    TempServer& operator=(const TempServer&) = delete;

    // The server directory, and the folder around it (where "Server.Dat" and scratch files go).
    const std::string& dir() const { return serverDir_; }
    const std::filesystem::path& root() const { return root_.path(); }

    void createDatabase(const std::string& name);
    // Creates the database and runs the scripts of sql/ in it.
    void createDatabase(const std::string& name, const std::vector<std::string>& scripts,
                        const Variables& variables = {});
    std::unique_ptr<tsqlite::Session> open(const std::string& database) const;

    // Runs scripts of sql/ in an existing database.
    void runScripts(const std::string& database, const std::vector<std::string>& scripts,
                    const Variables& variables = {}) const;

private:
    TempFolder root_;
    std::string serverDir_;
};

// The path of a script of sql/.
std::string sqlPath(const std::string& relativePath);
std::string readFile(const std::filesystem::path& path);
std::string substituted(std::string text, const Variables& variables);

// Runs a GO-separated script batch by batch (a batch with "GO n" n times). A failing batch
// throws std::runtime_error naming `name`, the line the batch starts at and the server's error.
void runScriptText(tsqlite::Session& session, const std::string& text, const std::string& name);
// Runs scripts of sql/ (paths relative to it) in the session's database.
void runScripts(tsqlite::Session& session, const std::vector<std::string>& scripts,
                const Variables& variables = {});

}  // namespace testsupport
