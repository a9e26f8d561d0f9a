#pragma once
// A bare TDS client for the listener's tests: it sends what a test needs, well-formed or not,
// and walks the tokens of the login answers.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "tsqlite/tds/protocol.h"
#include "tsqlite/tds/wire.h"

namespace tds_test {

using namespace tsqlite::tds;

class RawClient {
public:
    explicit RawClient(int port) {
        fd_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(static_cast<uint16_t>(port));
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        connected_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    }
    ~RawClient() { close(fd_); }
    RawClient(const RawClient&) = delete;
    RawClient& operator=(const RawClient&) = delete;

    bool connected() const { return connected_; }

    void sendRaw(const std::string& bytes) {
        (void)::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    }

    void send(uint8_t type, const std::string& payload, size_t packetSize = 4096) {
        size_t room = packetSize - 8, at = 0;
        do {
            size_t n = std::min(room, payload.size() - at);
            bool last = at + n == payload.size();
            Writer h;
            h.u8(type);
            h.u8(last ? 1 : 0);
            h.u16be(static_cast<uint16_t>(n + 8));
            h.u16be(0);
            h.u8(1);
            h.u8(0);
            sendRaw(h.buffer() + payload.substr(at, n));
            at += n;
        } while (at < payload.size());
    }

    // The next message's payload; nothing when the server closed the connection or said
    // nothing for timeoutMs.
    std::optional<std::string> read(int timeoutMs = 5000) {
        std::string payload;
        for (;;) {
            std::string head = readExact(8, timeoutMs);
            if (head.size() < 8) return std::nullopt;
            size_t length = static_cast<uint8_t>(head[2]) << 8 | static_cast<uint8_t>(head[3]);
            if (length < 8) return std::nullopt;
            std::string body = readExact(length - 8, timeoutMs);
            if (body.size() < length - 8) return std::nullopt;
            payload += body;
            if (head[1] & 1) return payload;
        }
    }

    // True when the server closed the connection within timeoutMs.
    bool closedByServer(int timeoutMs = 5000) {
        for (;;) {
            pollfd p{fd_, POLLIN, 0};
            if (poll(&p, 1, timeoutMs) <= 0) return false;
            char b[512];
            ssize_t n = recv(fd_, b, sizeof b, 0);
            if (n <= 0) return true;
        }
    }

private:
    std::string readExact(size_t n, int timeoutMs) {
        std::string out;
        while (out.size() < n) {
            pollfd p{fd_, POLLIN, 0};
            if (poll(&p, 1, timeoutMs) <= 0) break;
            char b[4096];
            ssize_t got = recv(fd_, b, std::min(sizeof b, n - out.size()), 0);
            if (got <= 0) break;
            out.append(b, static_cast<size_t>(got));
        }
        return out;
    }

    int fd_ = -1;
    bool connected_ = false;
};

inline std::string preloginPayload(uint8_t encryption) {
    Writer head, body;
    const std::string version("\x0B\x00\x00\x00\x00\x00", 6);
    head.u8(0), head.u16be(11), head.u16be(6);
    head.u8(1), head.u16be(17), head.u16be(1);
    head.u8(0xFF);
    body.bytes(version);
    body.u8(encryption);
    return head.buffer() + body.buffer();
}

inline std::string login7Payload(const std::string& user, const std::string& password,
                                 const std::string& database, uint32_t version = 0x74000004) {
    const std::string fields[] = {"host", utf8ToUtf16(user), "pw", "app", "server", "", "lib",
                                  "",     database};
    std::vector<std::string> data;
    for (int i = 0; i < 9; ++i) {
        if (i == 0 || i == 3 || i == 4 || i == 6)
            data.push_back(utf8ToUtf16(fields[i]));
        else if (i == 1)
            data.push_back(fields[1]);
        else if (i == 2)
            data.push_back(obfuscatePassword(utf8ToUtf16(password)));
        else if (i == 8)
            data.push_back(utf8ToUtf16(database));
        else
            data.push_back("");
    }
    Writer w;
    const size_t fixed = 94;
    size_t total = fixed;
    for (auto& d : data) total += d.size();
    w.u32(static_cast<uint32_t>(total));
    w.u32(version);
    w.u32(4096);
    w.bytes(std::string(36 - 12, '\0'));
    size_t offset = fixed;
    for (int i = 0; i < 9; ++i) {
        w.u16(static_cast<uint16_t>(offset));
        w.u16(static_cast<uint16_t>(i == 5 ? 0 : data[static_cast<size_t>(i)].size() / 2));
        offset += data[static_cast<size_t>(i)].size();
    }
    w.bytes(std::string(6, '\0'));  // client id
    w.bytes(std::string(fixed - 78, '\0'));
    for (auto& d : data) w.bytes(d);
    return w.buffer();
}

inline std::string batchPayload(const std::string& text) {
    Writer w;
    w.u32(22);
    w.u32(18);
    w.u16(2);
    w.u64(0);
    w.u32(1);
    w.bytes(utf8ToUtf16(text));
    return w.buffer();
}

struct Token {
    uint8_t token = 0;
    int number = 0;
    std::string text;
    int state = 0, severity = 0, line = 0;  // of an ERROR or INFO
};

// The ERROR (0xAA), INFO (0xAB), LOGINACK (0xAD), ENVCHANGE (0xE3) and DONE (0xFD) tokens of
// an answer without result sets.
inline std::vector<Token> tokens(const std::string& payload) {
    std::vector<Token> out;
    Reader r(payload);
    while (!r.atEnd()) {
        uint8_t t = r.u8();
        if (t == 0xFD || t == 0xFE || t == 0xFF) {
            Token m;
            m.token = t;
            m.number = r.u16();  // status
            r.skip(10);
            out.push_back(m);
            continue;
        }
        uint16_t length = r.u16();
        Reader body(r.bytes(length));
        Token m;
        m.token = t;
        if (t == 0xAA || t == 0xAB) {
            m.number = static_cast<int>(body.u32());
            m.state = body.u8();
            m.severity = body.u8();
            m.text = body.usVarchar();
            body.bVarchar();  // server
            body.bVarchar();  // procedure
            m.line = static_cast<int>(body.u32());
        }
        out.push_back(m);
    }
    return out;
}

inline bool hasError(const std::vector<Token>& ms, int number) {
    for (const auto& m : ms)
        if (m.token == 0xAA && m.number == number) return true;
    return false;
}

}  // namespace tds_test
