#pragma once
// make_demo_server: builds an embedded server with the back office's databases and demo rows.
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace tsqlite {
class Session;
}

namespace demo {

// Scripting variables: $(Name) in a script is replaced by the value before it runs, as
// sqlcmd -v does. Names are matched without regard to case.
using Variables = std::map<std::string, std::string>;

// One database of the demo server and the scripts that build it, in order. Script paths are
// relative to the sql/ folder.
struct DemoDatabase {
    std::string name;
    std::string role;  // one line for the summary
    std::vector<std::string> scripts;
    Variables variables = {};  // this database's own scripting variables
    std::string server = {};   // sub-folder of the demo server holding a server of its own
};

// The configuration database the client looks for first.
inline constexpr const char* kConfigDatabase = "QARN_CONFIG_NWX";

// Sub-folders of the demo server: the server of a branch that keeps its database on a server
// of its own, and the server of a branch that is out of reach (never created). Scripts see
// their paths as $(RemoteBranchServer) and $(OfflineBranchServer), the demo server's own as
// $(DemoServer).
inline constexpr const char* kRemoteBranchFolder = "branch0003";
inline constexpr const char* kOfflineBranchFolder = "branch0004";

// Every database of the demo server, in the order they are built (databases.cpp).
const std::vector<DemoDatabase>& demoDatabases();

// A script that failed: what() names the file, the line and the server's message.
class ScriptError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Runs a script file batch by batch (batches end at GO lines) on the session's current
// database, stopping at the first error of any kind. shownName is how messages name the file.
void runScriptFile(tsqlite::Session& session, const std::string& path, const std::string& shownName,
                   const Variables& variables);

// The script text with $(Name) references replaced; throws ScriptError for an undefined one.
std::string substituteVariables(const std::string& text, const std::string& shownName,
                                const Variables& variables);

}  // namespace demo
