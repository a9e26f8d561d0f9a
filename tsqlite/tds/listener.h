#pragma once
// The embedded server on the network: a listener that speaks SQL Server's wire protocol
// (TDS 7.2 to 7.4), so ODBC with FreeTDS and other SQL Server clients reach a server
// directory as they would reach SQL Server. One thread and one engine session per connection;
// sessions share the directory through the engine's own locking.
#include <atomic>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace tsqlite::tds {

struct ListenOptions {
    std::string serverDir;
    std::string host = "127.0.0.1";  // loopback unless asked otherwise
    int port = 1433;                 // 0: any free port (see Listener::port)
    // The login the connections must give: the client's own fixed login.
    std::string user = "qarn";
    std::string password = "mirabelt";
    int maxConnections = 64;
    int loginTimeoutMs = 30000;    // to finish PRELOGIN and LOGIN7 after connecting
    int messageTimeoutMs = 60000;  // for the rest of a message once it has begun
    // Where the listener reports connections refused or dropped (default: standard error).
    std::function<void(const std::string&)> log;
};

// "HOST:PORT", "[::1]:PORT" or "PORT" (loopback). False with the reason for anything else.
bool parseListenAddress(const std::string& text, std::string& host, int& port, std::string& error);

class Listener {
public:
    // Binds the address; throws std::runtime_error when it cannot (in use, bad host, no
    // server in the directory).
    explicit Listener(ListenOptions options);
    ~Listener();
    Listener(const Listener&) = delete;
    Listener& operator=(const Listener&) = delete;

    int port() const { return port_; }
    // Serves in the calling thread until stop().
    void run();
    // Serves in a thread of its own.
    void start();
    // Stops accepting, closes every connection (open transactions roll back) and waits for
    // their threads. Safe from any thread but not from a signal handler.
    void stop();

    int activeConnections() const { return active_.load(); }
    // Connections accepted since the start.
    long acceptedConnections() const { return accepted_.load(); }

    struct Shared;

private:
    void log(const std::string& text) const;

    ListenOptions options_;
    int listenFd_ = -1;
    int wakePipe_[2] = {-1, -1};
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<int> active_{0};
    std::atomic<long> accepted_{0};
    std::thread thread_;
    std::shared_ptr<Shared> shared_;
};

}  // namespace tsqlite::tds
