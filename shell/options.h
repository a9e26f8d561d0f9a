#pragma once
// Command line of the tsqlite shell: sqlcmd's flags, plus --create-server.
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace shell {

struct Options {
    std::string server = "server";    // -S: the server directory
    std::string database = "master";  // -d
    std::string query;                // -Q
    bool hasQuery = false;
    std::vector<std::string> inputFiles;           // -i, in order
    std::map<std::string, std::string> variables;  // -v, keys upper-cased
    bool exitOnError = false;                      // -b
    int headers = 0;              // -h: -1 none, 0 once per result set, N every N rows
    bool trimSpaces = false;      // -W
    std::string separator = " ";  // -s
    std::string outputFile;       // -o
    int timeout = 0;              // -t seconds
    bool createServer = false;    // --create-server
    std::string listen;           // --listen HOST:PORT: serve the directory over TDS
    std::string user, password;   // -U, -P: the login the listener asks of its clients
    bool help = false;
};

class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Parses argv[1..]; throws UsageError for an unknown flag or a bad value.
Options parseOptions(const std::vector<std::string>& args);

const char* usageText();

}  // namespace shell
