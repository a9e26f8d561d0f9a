#pragma once
// One client connection of the listener: PRELOGIN, LOGIN7, then requests until the client
// leaves or the listener stops.
#include <functional>
#include <string>

namespace tsqlite::tds {

struct ConnectionSettings {
    std::string serverDir;
    std::string user, password;
    int loginTimeoutMs = 30000;
    int messageTimeoutMs = 60000;
    std::function<void(const std::string&)> log;
};

// Serves the connected socket fd until the client leaves; does not close it.
void serveConnection(int fd, const ConnectionSettings& settings);

}  // namespace tsqlite::tds
