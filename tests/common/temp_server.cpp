#include "tests/common/temp_server.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "tsqlite/parser.h"

namespace testsupport {

namespace fs = std::filesystem;

const std::vector<std::string> kConfigScripts = {"config/tables.sql", "config/procedures.sql"};
const std::vector<std::string> kCompanyScripts = {
    "company/common_tables.sql", "company/common_procedures.sql", "company/product_tables.sql",
    "company/sales_tables.sql"};
const std::vector<std::string> kReportScripts = {"report/soldout_tables.sql"};
const std::vector<std::string> kDistributionCentreScripts = {
    "company/common_tables.sql",  "company/common_procedures.sql", "company/product_tables.sql",
    "company/sales_tables.sql",   "company/print_tables.sql",      "company/transfer_tables.sql",
    "company/picking_tables.sql", "company/sar_tables.sql"};

TempFolder::TempFolder() {
    std::string pattern = (fs::temp_directory_path() / "backoffice-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot create a temporary folder");
    path_ = pattern;
}

TempFolder::~TempFolder() {
    if (const char* keep = std::getenv("KEEP_TEST_SERVERS"); keep && *keep == '1') {
        std::fprintf(stderr, "kept %s\n", path_.c_str());
        return;
    }
    std::error_code ec;
    fs::remove_all(path_, ec);
}

TempServer::TempServer() : serverDir_((root_.path() / "server").string()) {
    tsqlite::createServer(serverDir_);
}

void TempServer::createDatabase(const std::string& name) {
    tsqlite::Session(serverDir_, "master").query("CREATE DATABASE [" + name + "]");
}

void TempServer::createDatabase(const std::string& name, const std::vector<std::string>& scripts,
                                const Variables& variables) {
    createDatabase(name);
    runScripts(name, scripts, variables);
}

std::unique_ptr<tsqlite::Session> TempServer::open(const std::string& database) const {
    return std::make_unique<tsqlite::Session>(serverDir_, database);
}

void TempServer::runScripts(const std::string& database, const std::vector<std::string>& scripts,
                            const Variables& variables) const {
    tsqlite::Session session(serverDir_, database);
    testsupport::runScripts(session, scripts, variables);
}

std::string sqlPath(const std::string& relativePath) {
    return (fs::path(BACKOFFICE_SQL_DIR) / relativePath).string();
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path.string());
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string substituted(std::string text, const Variables& variables) {
    for (const auto& [name, value] : variables) {
        const std::string ref = "$(" + name + ")";
        for (size_t at = text.find(ref); at != std::string::npos;
             at = text.find(ref, at + value.size()))
            text.replace(at, ref.size(), value);
    }
    return text;
}

void runScriptText(tsqlite::Session& session, const std::string& text, const std::string& name) {
    for (const auto& batch : tsqlite::splitScript(text)) {
        for (int n = 0; n < batch.repeat; ++n) {
            try {
                session.query(batch.text);
            } catch (const tsqlite::Error& e) {
                throw std::runtime_error(name + ":" + std::to_string(batch.firstLine) + ": Msg " +
                                         std::to_string(e.number) + ", line " +
                                         std::to_string(e.line) + ": " + e.message);
            }
        }
    }
}

void runScripts(tsqlite::Session& session, const std::vector<std::string>& scripts,
                const Variables& variables) {
    for (const auto& script : scripts)
        runScriptText(session, substituted(readFile(sqlPath(script)), variables), script);
}

}  // namespace testsupport
