#include "tsqlite/tds/protocol.h"

namespace tsqlite::tds {

PacketHeader parseHeader(std::string_view b, size_t maxPacket) {
    Reader r(b);
    PacketHeader h;
    h.type = r.u8();
    h.status = r.u8();
    h.length = r.u16be();
    switch (h.type) {
        case kSqlBatch:
        case kRpc:
        case kAttention:
        case kBulkLoad:
        case kTransactionManager:
        case kLogin7:
        case kPrelogin:
            break;
        default:
            throw ProtocolError("unknown packet type " + std::to_string(h.type));
    }
    if (h.length < kHeaderSize || h.length > maxPacket)
        throw ProtocolError("packet length " + std::to_string(h.length) + " out of range");
    return h;
}

std::vector<Message> splitMessages(std::string_view stream, size_t maxPacket) {
    std::vector<Message> out;
    Message current;
    bool open = false;
    Reader r(stream);
    while (r.remaining() >= kHeaderSize) {
        PacketHeader h = parseHeader(r.bytes(kHeaderSize), maxPacket);
        if (open && h.type != current.type)
            throw ProtocolError("a packet of another message inside a message");
        if (h.length - kHeaderSize > r.remaining()) break;
        current.type = h.type;
        current.payload.append(r.bytes(h.length - kHeaderSize));
        if (current.payload.size() > kMaxMessage) throw ProtocolError("message too large");
        open = true;
        if (h.status & kStatusEom) {
            out.push_back(std::move(current));
            current = Message{};
            open = false;
        }
    }
    return out;
}

Prelogin parsePrelogin(std::string_view payload) {
    Prelogin p;
    Reader r(payload);
    for (int guard = 0; guard < 256; ++guard) {
        uint8_t token = r.u8();
        if (token == 0xFF) return p;
        uint16_t offset = r.u16be();
        uint16_t length = r.u16be();
        if (static_cast<size_t>(offset) + length > payload.size())
            throw ProtocolError("PRELOGIN option beyond the message");
        std::string_view data = payload.substr(offset, length);
        if (token == 1 && length >= 1) p.encryption = static_cast<uint8_t>(data[0]);
        if (token == 4) p.mars = length >= 1 && data[0] != 0;
    }
    throw ProtocolError("PRELOGIN without its terminator");
}

std::string preloginResponse() {
    // VERSION, ENCRYPTION, INSTOPT, THREADID, MARS and the terminator: 5 * 5 + 1 bytes.
    struct Option {
        uint8_t token;
        std::string data;
    };
    const Option options[] = {
        {0, std::string("\x0F\x00\x07\xD0\x00\x00", 6)},  // 15.0.2000
        {1, std::string(1, static_cast<char>(kEncryptNotSup))},
        {2, std::string(1, '\0')},
        {3, std::string()},
        // Without the MARS option newer FreeTDS drops to TDS 7.1.
        {4, std::string(1, '\0')},
    };
    Writer head, body;
    uint16_t offset = 5 * 5 + 1;
    for (const auto& o : options) {
        head.u8(o.token);
        head.u16be(offset);
        head.u16be(static_cast<uint16_t>(o.data.size()));
        body.bytes(o.data);
        offset = static_cast<uint16_t>(offset + o.data.size());
    }
    head.u8(0xFF);
    return head.buffer() + body.buffer();
}

std::string obfuscatePassword(std::string_view utf16) {
    std::string out(utf16);
    for (char& c : out) {
        auto b = static_cast<uint8_t>(c);
        b = static_cast<uint8_t>((b << 4 | b >> 4) ^ 0xA5);
        c = static_cast<char>(b);
    }
    return out;
}

namespace {

std::string clearPassword(std::string_view obfuscated) {
    std::string out(obfuscated);
    for (char& c : out) {
        auto b = static_cast<uint8_t>(static_cast<uint8_t>(c) ^ 0xA5);
        c = static_cast<char>(b << 4 | b >> 4);
    }
    return out;
}

}  // namespace

Login7 parseLogin7(std::string_view payload) {
    Reader r(payload);
    Login7 l;
    uint32_t length = r.u32();
    if (length != payload.size()) throw ProtocolError("LOGIN7 length differs from the message");
    l.tdsVersion = r.u32();
    l.packetSize = r.u32();
    r.skip(36 - 12);  // program version, process id, connection id, flags, time zone, LCID
    auto field = [&](std::string* into, bool password = false) {
        uint16_t offset = r.u16();
        uint16_t chars = r.u16();
        if (static_cast<size_t>(offset) + chars * 2u > payload.size())
            throw ProtocolError("LOGIN7 field beyond the message");
        if (!into) return;
        std::string_view raw = payload.substr(offset, chars * 2u);
        *into = utf16ToUtf8(password ? clearPassword(raw) : std::string(raw));
    };
    field(&l.hostName);
    field(&l.userName);
    field(&l.password, true);
    field(&l.appName);
    field(&l.serverName);
    r.skip(4);  // extension (its offset and length are bytes, not characters)
    field(&l.library);
    field(&l.language);
    field(&l.database);
    return l;
}

void skipAllHeaders(Reader& r) {
    size_t start = r.position();
    uint32_t total = r.u32();
    if (total < 4 || total - 4 > r.remaining())
        throw ProtocolError("ALL_HEADERS beyond the message");
    r.seek(start + total);
}

std::string parseSqlBatch(std::string_view payload) {
    Reader r(payload);
    skipAllHeaders(r);
    if (r.remaining() % 2) throw ProtocolError("SQL batch of an odd number of bytes");
    return r.ucs2(r.remaining() / 2);
}

std::vector<RpcCall> parseRpc(std::string_view payload) {
    Reader r(payload);
    skipAllHeaders(r);
    std::vector<RpcCall> calls;
    while (!r.atEnd()) {
        RpcCall call;
        uint16_t nameLength = r.u16();
        if (nameLength == 0xFFFF) {
            call.procId = r.u16();
        } else {
            if (nameLength == 0 || nameLength > 1000) throw ProtocolError("bad procedure name");
            call.name = r.ucs2(nameLength);
        }
        r.u16();  // option flags (with recompile, no metadata)
        bool separated = false;
        while (!r.atEnd()) {
            size_t at = r.position();
            uint8_t next = r.u8();
            if (next == 0x80 || next == 0xFF || next == 0xFE) {
                separated = true;
                break;
            }
            r.seek(at);
            call.params.push_back(readParam(r));
            if (call.params.size() > 2100) throw ProtocolError("too many parameters");
        }
        calls.push_back(std::move(call));
        if (separated && r.atEnd()) throw ProtocolError("RPC batch separator without a call");
    }
    if (calls.empty()) throw ProtocolError("RPC request without a call");
    return calls;
}

TmRequest parseTransactionRequest(std::string_view payload) {
    Reader r(payload);
    skipAllHeaders(r);
    TmRequest t;
    uint16_t type = r.u16();
    switch (type) {
        case TmRequest::Begin:
            t.kind = TmRequest::Begin;
            r.u8();  // isolation level
            t.name = r.bVarchar();
            break;
        case TmRequest::Commit:
        case TmRequest::Rollback: {
            t.kind = static_cast<TmRequest::Kind>(type);
            t.name = r.bVarchar();
            uint8_t flags = r.u8();
            t.beginAfter = flags & 0x01;
            if (t.beginAfter) {
                r.u8();
                r.bVarchar();
            }
            break;
        }
        case TmRequest::Save:
            t.kind = TmRequest::Save;
            t.name = r.bVarchar();
            break;
        default:
            t.kind = TmRequest::Other;
            break;
    }
    return t;
}

}  // namespace tsqlite::tds
