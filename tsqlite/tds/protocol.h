#pragma once
// What clients send, read from their messages: packet headers, PRELOGIN, LOGIN7, SQL batches,
// RPC requests and transaction manager requests. Every reader throws ProtocolError for a
// message that does not follow the protocol (lengths or offsets beyond it, unknown fields).
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tsqlite/tds/values.h"
#include "tsqlite/tds/wire.h"

namespace tsqlite::tds {

constexpr size_t kMaxPacket = 32767;
constexpr size_t kMaxMessage = 64u << 20;  // a request larger than this is refused

struct PacketHeader {
    uint8_t type = 0;
    uint8_t status = 0;
    size_t length = 0;  // including the header
};

// Checks a header's type and length (8 .. maxPacket).
PacketHeader parseHeader(std::string_view eightBytes, size_t maxPacket = kMaxPacket);

struct Message {
    uint8_t type = 0;
    std::string payload;
};

// Joins a byte stream of packets into messages (what the connection does on its socket);
// bytes after the last complete message are left out.
std::vector<Message> splitMessages(std::string_view stream, size_t maxPacket = kMaxPacket);

enum Encryption : uint8_t { kEncryptOff = 0, kEncryptOn = 1, kEncryptNotSup = 2, kEncryptReq = 3 };

struct Prelogin {
    uint8_t encryption = kEncryptOff;
    bool mars = false;
};
Prelogin parsePrelogin(std::string_view payload);
// The answer: version, ENCRYPT_NOT_SUP, no instance, thread id, MARS off.
std::string preloginResponse();

struct Login7 {
    uint32_t tdsVersion = 0;
    uint32_t packetSize = 0;
    std::string hostName, userName, password, appName, serverName, library, language, database;
};
Login7 parseLogin7(std::string_view payload);
// LOGIN7's password obfuscation, both ways (for tests and clients).
std::string obfuscatePassword(std::string_view utf16);

// Skips the ALL_HEADERS block of a batch, RPC or transaction manager request (TDS 7.2+).
void skipAllHeaders(Reader& r);

std::string parseSqlBatch(std::string_view payload);

struct RpcCall {
    int procId = 0;    // 10 sp_executesql, 11 sp_prepare, 12 sp_execute, 13 sp_prepexec...
    std::string name;  // when called by name
    std::vector<RpcParam> params;
};
std::vector<RpcCall> parseRpc(std::string_view payload);

struct TmRequest {
    enum Kind { Begin = 5, Promote = 6, Commit = 7, Rollback = 8, Save = 9, Other } kind = Other;
    bool beginAfter = false;  // commit or roll back, then begin a new transaction
    std::string name;
};
TmRequest parseTransactionRequest(std::string_view payload);

}  // namespace tsqlite::tds
