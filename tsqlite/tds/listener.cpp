#include "tsqlite/tds/listener.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <iostream>
#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <vector>

#include "tsqlite/session.h"
#include "tsqlite/tds/connection.h"
#include "tsqlite/tds/values.h"
#include "tsqlite/tds/wire.h"

namespace tsqlite::tds {

struct Listener::Shared {
    std::mutex mutex;
    std::set<int> fds;  // the open connections, shut down on stop()
    std::list<std::thread> threads;
    std::list<std::thread::id> finished;
};

bool parseListenAddress(const std::string& text, std::string& host, int& port, std::string& error) {
    std::string portText = text;
    host = "127.0.0.1";
    if (!text.empty() && text[0] == '[') {
        auto close = text.find(']');
        if (close == std::string::npos || close + 1 >= text.size() || text[close + 1] != ':') {
            error = "'" + text + "': expected [ADDRESS]:PORT";
            return false;
        }
        host = text.substr(1, close - 1);
        portText = text.substr(close + 2);
    } else if (auto colon = text.rfind(':'); colon != std::string::npos) {
        host = text.substr(0, colon);
        portText = text.substr(colon + 1);
        if (host.empty()) {
            error = "'" + text + "': no host before the port";
            return false;
        }
    }
    if (portText.empty() || portText.size() > 5 ||
        portText.find_first_not_of("0123456789") != std::string::npos) {
        error = "'" + text + "': the port must be a number from 0 to 65535";
        return false;
    }
    port = std::stoi(portText);
    if (port > 65535) {
        error = "'" + text + "': the port must be a number from 0 to 65535";
        return false;
    }
    return true;
}

Listener::Listener(ListenOptions options) : options_(std::move(options)) {
    if (!serverExists(options_.serverDir))
        throw std::runtime_error(serverFolderProblem(options_.serverDir));
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
    addrinfo* found = nullptr;
    std::string portText = std::to_string(options_.port);
    int rc = getaddrinfo(options_.host.c_str(), portText.c_str(), &hints, &found);
    if (rc != 0)
        throw std::runtime_error("cannot listen on " + options_.host + ": " + gai_strerror(rc));
    std::string why = "no address";
    for (addrinfo* a = found; a; a = a->ai_next) {
        int fd = socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol);
        if (fd < 0) continue;
        int one = 1;
        setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        if (bind(fd, a->ai_addr, a->ai_addrlen) == 0 && listen(fd, 64) == 0) {
            listenFd_ = fd;
            break;
        }
        why = std::strerror(errno);
        close(fd);
    }
    freeaddrinfo(found);
    if (listenFd_ < 0)
        throw std::runtime_error("cannot listen on " + options_.host + ":" + portText + ": " + why);
    sockaddr_storage bound{};
    socklen_t len = sizeof bound;
    getsockname(listenFd_, reinterpret_cast<sockaddr*>(&bound), &len);
    port_ = ntohs(bound.ss_family == AF_INET6 ? reinterpret_cast<sockaddr_in6*>(&bound)->sin6_port
                                              : reinterpret_cast<sockaddr_in*>(&bound)->sin_port);
    if (pipe2(wakePipe_, O_CLOEXEC) != 0) {
        close(listenFd_);
        throw std::runtime_error("cannot listen: no pipe");
    }
    shared_ = std::make_shared<Shared>();
}

Listener::~Listener() {
    stop();
    if (listenFd_ >= 0) close(listenFd_);
    for (int fd : wakePipe_)
        if (fd >= 0) close(fd);
}

void Listener::log(const std::string& text) const {
    if (options_.log)
        options_.log(text);
    else
        std::cerr << "tsqlite: " << text << std::endl;
}

void Listener::start() {
    thread_ = std::thread([this] { run(); });
}

void Listener::run() {
    auto reap = [this] {
        std::lock_guard<std::mutex> lock(shared_->mutex);
        for (auto id : shared_->finished) {
            for (auto it = shared_->threads.begin(); it != shared_->threads.end(); ++it)
                if (it->get_id() == id) {
                    it->join();
                    shared_->threads.erase(it);
                    break;
                }
        }
        shared_->finished.clear();
    };
    while (!stopping_) {
        pollfd fds[2] = {{listenFd_, POLLIN, 0}, {wakePipe_[0], POLLIN, 0}};
        int n = poll(fds, 2, 1000);
        reap();
        if (n < 0 && errno != EINTR) break;
        if (stopping_ || (fds[1].revents & POLLIN)) break;
        if (n <= 0 || !(fds[0].revents & POLLIN)) continue;
        sockaddr_storage peer{};
        socklen_t len = sizeof peer;
        int fd = accept4(listenFd_, reinterpret_cast<sockaddr*>(&peer), &len, SOCK_CLOEXEC);
        if (fd < 0) continue;
        char host[NI_MAXHOST] = "?", serv[NI_MAXSERV] = "?";
        getnameinfo(reinterpret_cast<sockaddr*>(&peer), len, host, sizeof host, serv, sizeof serv,
                    NI_NUMERICHOST | NI_NUMERICSERV);
        std::string who = std::string(host) + ":" + serv;
        if (active_ >= options_.maxConnections) {
            log("refused " + who + ": " + std::to_string(options_.maxConnections) +
                " connections are open already");
            close(fd);
            continue;
        }
        int one = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        ++active_;
        ++accepted_;
        std::lock_guard<std::mutex> lock(shared_->mutex);
        shared_->fds.insert(fd);
        auto shared = shared_;
        shared_->threads.emplace_back([this, fd, who, shared] {
            ConnectionSettings settings;
            settings.serverDir = options_.serverDir;
            settings.user = options_.user;
            settings.password = options_.password;
            settings.loginTimeoutMs = options_.loginTimeoutMs;
            settings.messageTimeoutMs = options_.messageTimeoutMs;
            settings.log = [this, who](const std::string& text) { log(who + ": " + text); };
            serveConnection(fd, settings);
            std::lock_guard<std::mutex> lock(shared->mutex);
            shared->fds.erase(fd);
            close(fd);
            shared->finished.push_back(std::this_thread::get_id());
            --active_;
        });
    }
}

void Listener::stop() {
    if (!stopping_.exchange(true)) {
        char b = 1;
        if (write(wakePipe_[1], &b, 1) < 0) {
        }
    }
    if (thread_.joinable()) thread_.join();
    std::list<std::thread> threads;
    {
        std::lock_guard<std::mutex> lock(shared_->mutex);
        // Their reads end at once; each thread closes its session, which rolls back what
        // is open.
        for (int fd : shared_->fds) shutdown(fd, SHUT_RDWR);
        threads.swap(shared_->threads);
        shared_->finished.clear();
    }
    for (auto& t : threads)
        if (t.joinable()) t.join();
}

}  // namespace tsqlite::tds
