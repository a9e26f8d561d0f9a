#include "tsqlite/tds/connection.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <map>
#include <memory>
#include <optional>

#include "tsqlite/messages.h"
#include "tsqlite/scanner.h"
#include "tsqlite/session.h"
#include "tsqlite/tds/procedure_columns.h"
#include "tsqlite/tds/protocol.h"
#include "tsqlite/tds/values.h"
#include "tsqlite/tds/wire.h"

namespace tsqlite::tds {
namespace {

// The client left, or the listener is stopping.
struct Disconnected {};
// The client sent ATTENTION while its request was answered.
struct Cancelled {};

enum TokenType : uint8_t {
    kReturnStatus = 0x79,
    kColMetadata = 0x81,
    kError = 0xAA,
    kInfo = 0xAB,
    kReturnValue = 0xAC,
    kLoginAck = 0xAD,
    kRow = 0xD1,
    kNbcRow = 0xD2,
    kEnvChange = 0xE3,
    kDone = 0xFD,
    kDoneProc = 0xFE,
    kDoneInProc = 0xFF,
};

enum DoneStatus : uint16_t {
    kDoneFinal = 0x00,
    kDoneMore = 0x01,
    kDoneError = 0x02,
    kDoneCount = 0x10,
    kDoneAttn = 0x20,
};

constexpr uint32_t kTds72 = 0x72090002;
constexpr uint32_t kTds73 = 0x730B0003;
constexpr uint32_t kTds74 = 0x74000004;
constexpr char kServerName[] = "tsqlite";
// Column names of the statement that hands OUTPUT parameters and return values back.
constexpr char kOutColumn[] = "__tds_out";

std::string lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

class Socket {
public:
    explicit Socket(int fd) : fd_(fd) {}

    // Reads n bytes; waits at most timeoutMs (< 0: as long as it takes).
    void readExact(char* into, size_t n, int timeoutMs) {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (n > 0) {
            int wait = -1;
            if (timeoutMs >= 0) {
                auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                                deadline - std::chrono::steady_clock::now())
                                .count();
                if (left <= 0) throw ProtocolError("the client stopped half-way through a message");
                wait = static_cast<int>(left);
            }
            pollfd p{fd_, POLLIN, 0};
            int rc = poll(&p, 1, wait);
            if (rc < 0 && errno == EINTR) continue;
            if (rc < 0) throw Disconnected{};
            if (rc == 0) continue;
            ssize_t got = recv(fd_, into, n, 0);
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) throw Disconnected{};
            into += got;
            n -= static_cast<size_t>(got);
        }
    }

    void writeAll(const char* data, size_t n) {
        while (n > 0) {
            ssize_t sent = send(fd_, data, n, MSG_NOSIGNAL);
            if (sent < 0 && errno == EINTR) continue;
            if (sent <= 0) throw Disconnected{};
            data += sent;
            n -= static_cast<size_t>(sent);
        }
    }

    bool readable() {
        pollfd p{fd_, POLLIN, 0};
        return poll(&p, 1, 0) > 0 && (p.revents & (POLLIN | POLLHUP));
    }

private:
    int fd_;
};

struct Prepared {
    std::string declaration;
    std::string statement;
};

class Conn;
class TokenSink;

// The tokens of one answer, sent in packets as they fill (a long result streams).
class Response {
public:
    explicit Response(Conn& c) : c_(c) {}
    Writer& w() { return w_; }
    void flushFull();
    void finish();

private:
    Conn& c_;
    Writer w_;
};

class Conn {
public:
    Conn(int fd, const ConnectionSettings& s) : sock_(fd), s_(s) {}

    void serve();

    Socket sock_;
    const ConnectionSettings& s_;
    size_t packetSize_ = 4096;
    uint8_t packetId_ = 1;

    void sendPacket(std::string_view payload, bool last) {
        std::string packet;
        packet.reserve(payload.size() + kHeaderSize);
        Writer h;
        h.u8(kTabularResult);
        h.u8(last ? kStatusEom : 0);
        h.u16be(static_cast<uint16_t>(payload.size() + kHeaderSize));
        h.u16be(spid_);
        h.u8(packetId_++);
        h.u8(0);
        packet = h.buffer();
        packet.append(payload);
        sock_.writeAll(packet.data(), packet.size());
    }

    // While answering: an ATTENTION from the client cancels the answer.
    void checkAttention() {
        if (!sock_.readable()) return;
        Message m = readMessage(s_.messageTimeoutMs);
        if (m.type == kAttention) throw Cancelled{};
        throw ProtocolError("a new request before the answer to the last one");
    }

private:
    Message readMessage(int firstByteTimeoutMs) {
        Message m;
        bool first = true;
        for (;;) {
            char head[kHeaderSize];
            sock_.readExact(head, 1, first ? firstByteTimeoutMs : s_.messageTimeoutMs);
            sock_.readExact(head + 1, kHeaderSize - 1, s_.messageTimeoutMs);
            PacketHeader h = parseHeader({head, kHeaderSize});
            if (!first && h.type != m.type)
                throw ProtocolError("a packet of another message inside a message");
            m.type = h.type;
            size_t size = h.length - kHeaderSize;
            if (m.payload.size() + size > kMaxMessage) throw ProtocolError("message too large");
            size_t at = m.payload.size();
            m.payload.resize(at + size);
            sock_.readExact(m.payload.data() + at, size, s_.messageTimeoutMs);
            first = false;
            if (h.status & kStatusEom) return m;
        }
    }

    bool login();
    void loginFailed(Response& out, const Error& e, const std::string& user);
    void runBatch(const std::string& text);
    void runRpc(const std::vector<RpcCall>& calls);
    struct Returned {
        size_t ordinal;
        std::string name;
        SqlType type;
        Value value;
    };
    void runCall(Response& out, const RpcCall& call, bool more);
    void runParameterized(TokenSink& sink, const std::string& stmt, const std::string& decl,
                          const std::vector<RpcParam>& params, size_t from,
                          std::vector<Returned>& returns);
    void runProcedure(TokenSink& sink, const RpcCall& call, std::vector<Returned>& returns,
                      std::optional<int>& status);
    void runTransactionRequest(const TmRequest& t);
    void answerAttention();

    void writeDone(Writer& w, uint8_t token, uint16_t status, uint64_t count) {
        w.u8(token);
        w.u16(status);
        w.u16(0xC1);  // current command: SELECT, as clients do not look
        w.u64(count);
    }
    void writeEnvChange(Writer& w, uint8_t type, const std::string& newValue,
                        const std::string& oldValue, bool binary = false);
    void writeTransactionChange(Writer& w, int before, int after);

    uint16_t spid_ = 0;
    uint32_t version_ = kTds74;
    std::unique_ptr<Session> session_;
    std::map<int, Prepared> prepared_;
    int nextHandle_ = 1;
    uint64_t transaction_ = 0;  // the descriptor of the open transaction, 0 when none
    uint64_t nextTransaction_ = 1;

    friend class TokenSink;
};

void Response::flushFull() {
    const size_t room = c_.packetSize_ - kHeaderSize;
    if (w_.size() < room) return;
    std::string& buf = w_.buffer();
    size_t at = 0;
    while (buf.size() - at >= room) {
        c_.sendPacket(std::string_view(buf).substr(at, room), false);
        at += room;
    }
    buf.erase(0, at);
    c_.checkAttention();
}

void Response::finish() {
    const size_t room = c_.packetSize_ - kHeaderSize;
    std::string& buf = w_.buffer();
    size_t at = 0;
    while (buf.size() - at > room) {
        c_.sendPacket(std::string_view(buf).substr(at, room), false);
        at += room;
    }
    c_.sendPacket(std::string_view(buf).substr(at), true);
    buf.clear();
}

void writeMessageToken(Writer& w, uint8_t token, const Error& e) {
    w.u8(token);
    size_t lengthAt = w.size();
    w.u16(0);
    w.u32(static_cast<uint32_t>(e.number));
    w.u8(static_cast<uint8_t>(std::clamp(e.state, 0, 255)));
    w.u8(static_cast<uint8_t>(std::clamp(e.severity, 0, 25)));
    std::string text = e.message.size() > 4000 ? e.message.substr(0, 4000) : e.message;
    w.usVarchar(text);
    w.bVarchar(kServerName);
    w.bVarchar(e.procedure);
    w.u32(static_cast<uint32_t>(std::max(e.line, 0)));
    w.put16At(lengthAt, static_cast<uint16_t>(w.size() - lengthAt - 2));
}

// The engine's output as tokens: result sets, counts, messages and errors, with one DONE
// per statement held back until the next token tells whether more follows.
class TokenSink : public Sink {
public:
    TokenSink(Response& out, uint8_t doneToken) : out_(out), doneToken_(doneToken) {}

    void beginResultSet(const std::vector<Column>& columns) override {
        if (!columns.empty() && columns[0].name == kOutColumn) {
            capturing_ = true;
            outColumns_ = columns;
            return;
        }
        flushDone();
        columns_ = columns;
        Writer& w = out_.w();
        w.u8(kColMetadata);
        w.u16(static_cast<uint16_t>(columns.size()));
        for (const auto& c : columns) {
            w.u32(0);                         // user type
            w.u16(c.nullable ? 0x09 : 0x08);  // nullable; updatable unknown
            writeTypeInfo(w, c.type);
            if (hasTableName(c.type)) {
                w.u8(0);  // no table name parts
            }
            w.bVarchar(c.name);
        }
        pending_ = {kDoneMore, 0, false};
        hasPending_ = false;
        inResult_ = true;
        out_.flushFull();
    }

    void row(const std::vector<Value>& values) override {
        if (capturing_) {
            captured_ = values;
            return;
        }
        Writer& w = out_.w();
        bool anyNull = false;
        for (const auto& v : values) anyNull |= v.isNull();
        if (anyNull) {
            w.u8(kNbcRow);
            std::string bitmap((values.size() + 7) / 8, '\0');
            for (size_t i = 0; i < values.size(); ++i)
                if (values[i].isNull())
                    bitmap[i / 8] = static_cast<char>(bitmap[i / 8] | 1 << (i % 8));
            w.bytes(bitmap);
            for (size_t i = 0; i < values.size() && i < columns_.size(); ++i)
                if (!values[i].isNull()) writeValue(w, columns_[i].type, values[i]);
        } else {
            w.u8(kRow);
            for (size_t i = 0; i < values.size() && i < columns_.size(); ++i)
                writeValue(w, columns_[i].type, values[i]);
        }
        out_.flushFull();
    }

    void endResultSet() override {
        if (capturing_) return;
        // A result set ends with its DONE, with the count if one follows.
        hasPending_ = true;
        pending_ = {kDoneMore, 0, false};
    }

    void rowsAffected(long long n) override {
        if (capturing_) {
            capturing_ = false;
            return;
        }
        if (!(hasPending_ && inResult_)) {
            flushDone();
            pending_ = {kDoneMore, 0, false};
        }
        inResult_ = false;
        hasPending_ = true;
        pending_.status = static_cast<uint16_t>(pending_.status | kDoneCount);
        pending_.count = static_cast<uint64_t>(std::max(n, 0LL));
    }

    void message(const std::string& text) override {
        flushDone();
        Error info(0, text, 0, 1, 0);
        writeMessageToken(out_.w(), kInfo, info);
        out_.flushFull();
    }

    void info(const Error& e) override {
        flushDone();
        writeMessageToken(out_.w(), kInfo, e);
        out_.flushFull();
    }

    void error(const Error& e) override {
        if (capturing_) capturing_ = false;
        flushDone();
        writeMessageToken(out_.w(), e.severity <= 10 ? kInfo : kError, e);
        if (e.severity > 10) {
            hasPending_ = true;
            pending_ = {static_cast<uint16_t>(kDoneMore | kDoneError), 0, false};
            failed_ = true;
        }
        out_.flushFull();
    }

    // The statement DONE still held, sent as not the last.
    void flushDone() {
        if (!hasPending_) return;
        hasPending_ = false;
        inResult_ = false;
        Writer& w = out_.w();
        w.u8(doneToken_);
        w.u16(static_cast<uint16_t>(pending_.status | kDoneMore));
        w.u16(0xC1);
        w.u64(pending_.count);
    }

    // The request's last DONE: the held statement's, or an empty one; `token` is DONE for a
    // batch and DONEPROC for a procedure call.
    void finish(uint8_t token, bool more) {
        Writer& w = out_.w();
        uint16_t status = hasPending_ ? static_cast<uint16_t>(pending_.status & ~kDoneMore) : 0;
        uint64_t count = hasPending_ ? pending_.count : 0;
        if (hasPending_ && token != doneToken_) {
            // The statement keeps its own DONEINPROC; the call ends with DONEPROC.
            flushDone();
            status = 0;
            count = 0;
        }
        hasPending_ = false;
        if (more) status = static_cast<uint16_t>(status | kDoneMore);
        w.u8(token);
        w.u16(status);
        w.u16(0xC1);
        w.u64(count);
    }

    const std::vector<Value>& captured() const { return captured_; }
    const std::vector<Column>& capturedColumns() const { return outColumns_; }
    bool failed() const { return failed_; }

private:
    struct Done {
        uint16_t status;
        uint64_t count;
        bool unused;
    };
    Response& out_;
    uint8_t doneToken_;
    std::vector<Column> columns_;
    Done pending_{kDoneMore, 0, false};
    bool hasPending_ = false;
    bool inResult_ = false;
    bool failed_ = false;
    bool capturing_ = false;
    std::vector<Column> outColumns_;
    std::vector<Value> captured_;
};

void Conn::writeEnvChange(Writer& w, uint8_t type, const std::string& newValue,
                          const std::string& oldValue, bool binary) {
    w.u8(kEnvChange);
    size_t lengthAt = w.size();
    w.u16(0);
    w.u8(type);
    if (binary) {
        w.u8(static_cast<uint8_t>(newValue.size()));
        w.bytes(newValue);
        w.u8(static_cast<uint8_t>(oldValue.size()));
        w.bytes(oldValue);
    } else {
        w.bVarchar(newValue);
        w.bVarchar(oldValue);
    }
    w.put16At(lengthAt, static_cast<uint16_t>(w.size() - lengthAt - 2));
}

std::string descriptorBytes(uint64_t d) {
    Writer w;
    w.u64(d);
    return w.buffer();
}

// SQL Server tells the client when a transaction begins or ends, with the descriptor the
// client sends back in its requests' headers.
void Conn::writeTransactionChange(Writer& w, int before, int after) {
    if (before == 0 && after > 0) {
        transaction_ = nextTransaction_++;
        writeEnvChange(w, 8, descriptorBytes(transaction_), "", true);
    } else if (before > 0 && after == 0) {
        writeEnvChange(w, 9, "", descriptorBytes(transaction_), true);
        transaction_ = 0;
    }
}

void Conn::loginFailed(Response& out, const Error& e, const std::string& user) {
    Writer& w = out.w();
    if (e.number != 18456) writeMessageToken(w, kError, e);
    writeMessageToken(w, kError, raise(18456, {user}, 1));
    writeDone(w, kDone, kDoneError, 0);
    out.finish();
}

bool Conn::login() {
    static std::atomic<uint16_t> nextSpid{51};
    spid_ = nextSpid++;
    if (spid_ < 51) spid_ = nextSpid = 51;
    Message m = readMessage(s_.loginTimeoutMs);
    if (m.type == kPrelogin) {
        Prelogin p = parsePrelogin(m.payload);
        Response out(*this);
        out.w().bytes(preloginResponse());
        out.finish();
        if (p.encryption == kEncryptReq) {
            // The client will not go on without TLS, which this server does not speak.
            s_.log("refused: the client requires encryption, which this server does not offer");
            return false;
        }
        m = readMessage(s_.loginTimeoutMs);
    }
    if (m.type != kLogin7) throw ProtocolError("expected LOGIN7");
    Login7 l = parseLogin7(m.payload);
    Response out(*this);
    if (l.tdsVersion < 0x72000000) {
        // The tokens of TDS 7.0 and 7.1 differ from the ones this server writes.
        s_.log("refused: TDS version " + std::to_string(l.tdsVersion >> 24) + "." +
               std::to_string(l.tdsVersion >> 16 & 0xFF) + " (7.2 or later is needed)");
        return false;
    }
    version_ = l.tdsVersion >= 0x74000000 ? kTds74 : l.tdsVersion >= 0x73000000 ? kTds73 : kTds72;
    if (lower(l.userName) != lower(s_.user) || l.password != s_.password) {
        s_.log("login failed for user '" + l.userName + "'");
        loginFailed(out, raise(18456, {l.userName}), l.userName);
        return false;
    }
    std::string database = l.database.empty() ? "master" : l.database;
    try {
        session_ = std::make_unique<Session>(s_.serverDir, database);
        // While a request runs the client sends nothing but a cancel (or goes away): either
        // ends the statement, where a loop that writes no rows would never see it otherwise.
        session_->setCancelCheck([this] { return sock_.readable(); });
    } catch (const Error& e) {
        Error open = e;
        open.severity = 11;
        loginFailed(out, open, l.userName);
        return false;
    }
    if (l.packetSize >= 512 && l.packetSize <= kMaxPacket) packetSize_ = l.packetSize;
    Writer& w = out.w();
    writeEnvChange(w, 1, session_->currentDatabase(), "master");
    writeMessageToken(w, kInfo, raise(5701, {session_->currentDatabase()}));
    writeEnvChange(w, 7, std::string(kCollation, 5), "", true);
    writeEnvChange(w, 2, "us_english", "");
    writeMessageToken(w, kInfo, raise(5703, {"us_english"}));
    // LOGINACK: interface, TDS version (big-endian here), program name and version.
    w.u8(kLoginAck);
    size_t lengthAt = w.size();
    w.u16(0);
    w.u8(1);
    w.u8(static_cast<uint8_t>(version_ >> 24));
    w.u8(static_cast<uint8_t>(version_ >> 16));
    w.u8(static_cast<uint8_t>(version_ >> 8));
    w.u8(static_cast<uint8_t>(version_));
    w.bVarchar("Microsoft SQL Server");
    w.bytes(std::string("\x0F\x00\x07\xD0", 4));
    w.put16At(lengthAt, static_cast<uint16_t>(w.size() - lengthAt - 2));
    writeEnvChange(w, 4, std::to_string(packetSize_), "4096");
    writeDone(w, kDone, kDoneFinal, 0);
    out.finish();
    return true;
}

void Conn::answerAttention() {
    Response out(*this);
    writeDone(out.w(), kDone, kDoneAttn, 0);
    out.finish();
}

void Conn::runBatch(const std::string& text) {
    Response out(*this);
    TokenSink sink(out, kDone);
    const int tranBefore = session_->tranCount();
    const std::string dbBefore = session_->currentDatabase();
    try {
        try {
            session_->execute(text, sink);
        } catch (const Error& e) {
            sink.error(e);
        }
        // A cancel that came while the engine worked ends the answer here.
        checkAttention();
        sink.flushDone();
        writeTransactionChange(out.w(), tranBefore, session_->tranCount());
        // The engine has already said "Changed database context" where the USE ran; a second
        // message here would show twice.
        if (session_->currentDatabase() != dbBefore)
            writeEnvChange(out.w(), 1, session_->currentDatabase(), dbBefore);
        sink.finish(kDone, false);
        out.finish();
    } catch (const Cancelled&) {
        writeTransactionChange(out.w(), tranBefore, session_->tranCount());
        writeDone(out.w(), kDone, kDoneAttn, 0);
        out.finish();
    }
}

const char* procedureNameOf(int id) {
    static const char* const names[] = {"",
                                        "sp_cursor",
                                        "sp_cursoropen",
                                        "sp_cursorprepare",
                                        "sp_cursorexecute",
                                        "sp_cursorprepexec",
                                        "sp_cursorunprepare",
                                        "sp_cursorfetch",
                                        "sp_cursoroption",
                                        "sp_cursorclose",
                                        "sp_executesql",
                                        "sp_prepare",
                                        "sp_execute",
                                        "sp_prepexec",
                                        "sp_prepexecrpc",
                                        "sp_unprepare"};
    return id > 0 && id < 16 ? names[id] : "";
}

int procedureIdOf(const std::string& name) {
    std::string n = lower(name);
    for (const char* prefix : {"[sys].", "sys.", "[dbo].", "dbo.", "master..", "master.dbo."})
        if (n.rfind(prefix, 0) == 0) n = n.substr(std::string(prefix).size());
    if (n.size() > 2 && n.front() == '[' && n.back() == ']') n = n.substr(1, n.size() - 2);
    for (int id : {10, 11, 12, 13, 15})
        if (n == procedureNameOf(id)) return id;
    return 0;
}

// Parameter names go into the statement the engine runs: only a name, nothing else.
void checkParameterName(const std::string& name) {
    if (name.empty()) return;
    bool ok = name.size() > 1 && name.size() <= 128 && name[0] == '@';
    for (size_t i = 1; ok && i < name.size(); ++i) {
        auto c = static_cast<unsigned char>(name[i]);
        ok = std::isalnum(c) || c == '_' || c == '@' || c == '#' || c == '$' || c >= 0x80;
    }
    if (!ok) throw raiseVariant(8145, 1, {name});
}

void checkProcedureName(const std::string& name) {
    bool ok = !name.empty() && name.size() <= 512;
    bool bracket = false;
    for (size_t i = 0; ok && i < name.size(); ++i) {
        auto c = static_cast<unsigned char>(name[i]);
        if (c == '[') {
            ok = !bracket;
            bracket = true;
        } else if (c == ']') {
            ok = bracket;
            bracket = false;
        } else {
            ok = std::isalnum(c) || c == '_' || c == '.' || c == '#' || c == '$' || c == '@' ||
                 c >= 0x80 || (bracket && c == ' ');
        }
    }
    if (!ok || bracket) throw raise(2812, {name});
}

// A TDS client's T-SQL knows no ":name" parameters: a colon is only a colon, as on SQL
// Server, so one before a name is kept apart from it for the engine.
std::string plainColons(std::string text) {
    const auto marks = colonMarks(text);
    for (size_t k = marks.size(); k-- > 0;) {
        size_t colon = marks[k].end;
        while (colon > marks[k].offset && text[colon - 1] != ':') --colon;
        if (colon > marks[k].offset && colon < text.size() && isParameterNameByte(text[colon]))
            text.insert(colon, " ");
    }
    return text;
}

bool isProcedureColumns(const std::string& name) {
    std::string n = lower(name);
    for (const char* prefix : {"[sys].", "sys.", "[dbo].", "dbo.", "master..", "master.dbo."})
        if (n.rfind(prefix, 0) == 0) n = n.substr(std::string(prefix).size());
    return n == "sp_sproc_columns" || n == "[sp_sproc_columns]";
}

std::string textOf(const RpcParam& p) {
    return p.value.isNull() ? std::string() : p.value.s;
}

// An RPC call's arguments as the engine takes them: each a :parameter, or for an OUTPUT
// argument a variable declared from its value and passed OUTPUT, read back afterwards.
struct BoundArguments {
    Params values;
    ParamTypes types;
    std::string declare;             // the DECLAREs of the output variables
    std::vector<std::string> texts;  // each argument as written in the call, "@name = " first
    std::vector<size_t> outputs;     // the output arguments' positions
    std::vector<std::string> outputVariables;
};

BoundArguments bindArguments(const std::vector<RpcParam>& params, size_t from) {
    BoundArguments b;
    for (size_t i = from; i < params.size(); ++i) {
        const RpcParam& p = params[i];
        checkParameterName(p.name);
        std::string key = "__tds_" + std::to_string(i);
        b.values[key] = p.value;
        b.types[key] = p.type;
        std::string arg = ":" + key;
        if (p.output) {
            std::string var = "@__tds_o" + std::to_string(i);
            b.declare += "DECLARE " + var + " " + declaration(p.type) + " = :" + key + "; ";
            arg = var + " OUTPUT";
            b.outputs.push_back(i);
            b.outputVariables.push_back(var);
        }
        b.texts.push_back((p.name.empty() ? std::string() : p.name + " = ") + arg);
    }
    return b;
}

void Conn::runParameterized(TokenSink& sink, const std::string& stmt, const std::string& decl,
                            const std::vector<RpcParam>& params, size_t from,
                            std::vector<Returned>& returns) {
    BoundArguments b = bindArguments(params, from);
    const SqlType longText = sqlType(BaseType::NVarChar, -1);
    b.values["__tds_stmt"] = Value::text(plainColons(stmt));
    b.types["__tds_stmt"] = longText;
    b.values["__tds_decl"] = Value::text(plainColons(decl));
    b.types["__tds_decl"] = longText;
    std::string text = "EXEC sp_executesql :__tds_stmt, :__tds_decl", select;
    for (const auto& arg : b.texts) text += ", " + arg;
    for (const auto& var : b.outputVariables)
        select +=
            std::string(select.empty() ? "; SELECT " : ", ") + var + " AS [" + kOutColumn + "]";
    session_->execute(b.declare + text + select, sink, b.values, b.types);
    const auto& got = sink.captured();
    if (!b.outputs.empty() && got.size() == b.outputs.size())
        for (size_t k = 0; k < b.outputs.size(); ++k)
            returns.push_back(
                {b.outputs[k], params[b.outputs[k]].name, params[b.outputs[k]].type, got[k]});
}

void Conn::runProcedure(TokenSink& sink, const RpcCall& call, std::vector<Returned>& returns,
                        std::optional<int>& status) {
    if (isProcedureColumns(call.name)) {
        // sp_sproc_columns @procedure_name, @procedure_owner, @procedure_qualifier, ...
        static const char* const names[] = {"@procedure_name", "@procedure_owner",
                                            "@procedure_qualifier"};
        std::string args[3];
        for (size_t i = 0; i < call.params.size(); ++i) {
            const RpcParam& p = call.params[i];
            for (size_t k = 0; k < 3; ++k)
                if (p.name.empty() ? i == k : lower(p.name) == names[k])
                    args[k] = p.value.isNull() ? "" : p.value.s;
        }
        ResultSet rs =
            procedureColumns(s_.serverDir, args[2].empty() ? session_->currentDatabase() : args[2],
                             args[1], args[0]);
        sink.beginResultSet(rs.columns);
        for (const auto& row : rs.rows) sink.row(row);
        sink.endResultSet();
        sink.rowsAffected(static_cast<long long>(rs.rows.size()));
        status = 0;
        return;
    }
    checkProcedureName(call.name);
    BoundArguments b = bindArguments(call.params, 0);
    std::string args, select = "; SELECT @__tds_rv AS [" + std::string(kOutColumn) + "]";
    for (const auto& arg : b.texts) args += std::string(args.empty() ? " " : ", ") + arg;
    for (const auto& var : b.outputVariables) select += ", " + var;
    session_->execute(
        "DECLARE @__tds_rv int; " + b.declare + "EXEC @__tds_rv = " + call.name + args + select,
        sink, b.values, b.types);
    const auto& got = sink.captured();
    if (got.size() != b.outputs.size() + 1) return;
    if (!got[0].isNull()) status = static_cast<int>(got[0].i);
    for (size_t k = 0; k < b.outputs.size(); ++k)
        returns.push_back({b.outputs[k], call.params[b.outputs[k]].name,
                           call.params[b.outputs[k]].type, got[k + 1]});
}

void Conn::runCall(Response& out, const RpcCall& call, bool more) {
    TokenSink sink(out, kDoneInProc);
    const int tranBefore = session_->tranCount();
    const std::string dbBefore = session_->currentDatabase();
    std::optional<int> status;
    std::vector<Returned> returns;
    const int id = call.procId ? call.procId : procedureIdOf(call.name);
    const auto& ps = call.params;
    auto need = [&](size_t n) {
        if (ps.size() < n) throw raiseVariant(201, 1, {procedureNameOf(id)});
    };
    auto handleOf = [&](const RpcParam& p) {
        auto it = prepared_.find(static_cast<int>(p.value.i));
        if (p.value.isNull() || it == prepared_.end())
            throw raise(8179,
                        {p.value.isNull() ? std::string("(null)") : std::to_string(p.value.i)});
        return it;
    };
    try {
        switch (id) {
            case 0:
                runProcedure(sink, call, returns, status);
                break;
            case 10:
                need(1);
                runParameterized(sink, textOf(ps[0]), ps.size() > 1 ? textOf(ps[1]) : "", ps, 2,
                                 returns);
                status = 0;
                break;
            case 11:
            case 13: {
                need(3);
                int handle = nextHandle_++;
                prepared_[handle] = Prepared{textOf(ps[1]), textOf(ps[2])};
                returns.push_back({0, ps[0].name, sqlType(BaseType::Int), Value::integer(handle)});
                status = 0;
                if (id == 13) {
                    std::vector<Returned> more;
                    runParameterized(sink, textOf(ps[2]), textOf(ps[1]), ps, 3, more);
                    returns.insert(returns.end(), more.begin(), more.end());
                }
                break;
            }
            case 12: {
                need(1);
                Prepared p = handleOf(ps[0])->second;
                runParameterized(sink, p.statement, p.declaration, ps, 1, returns);
                status = 0;
                break;
            }
            case 15:
                need(1);
                prepared_.erase(handleOf(ps[0]));
                status = 0;
                break;
            default:
                throw raise(2812, {procedureNameOf(id)[0] ? std::string(procedureNameOf(id))
                                                          : std::to_string(id)});
        }
    } catch (const Error& e) {
        sink.error(e);
    }
    sink.flushDone();
    Writer& w = out.w();
    writeTransactionChange(w, tranBefore, session_->tranCount());
    if (session_->currentDatabase() != dbBefore)
        writeEnvChange(w, 1, session_->currentDatabase(), dbBefore);
    if (status) {
        w.u8(kReturnStatus);
        w.u32(static_cast<uint32_t>(*status));
    }
    for (const auto& r : returns) {
        w.u8(kReturnValue);
        w.u16(static_cast<uint16_t>(r.ordinal));
        w.bVarchar(r.name);
        w.u8(0x01);  // an output parameter
        w.u32(0);
        w.u16(0x09);
        writeTypeInfo(w, r.type);
        writeValue(w, r.type, r.value);
    }
    sink.finish(kDoneProc, more);
    out.flushFull();
}

void Conn::runRpc(const std::vector<RpcCall>& calls) {
    Response out(*this);
    const int tranBefore = session_->tranCount();
    try {
        for (size_t k = 0; k < calls.size(); ++k) {
            runCall(out, calls[k], k + 1 < calls.size());
            checkAttention();
        }
        out.finish();
    } catch (const Cancelled&) {
        writeTransactionChange(out.w(), tranBefore, session_->tranCount());
        writeDone(out.w(), kDone, kDoneAttn, 0);
        out.finish();
    }
}

void Conn::runTransactionRequest(const TmRequest& t) {
    Response out(*this);
    TokenSink sink(out, kDone);
    Writer& w = out.w();
    try {
        switch (t.kind) {
            case TmRequest::Begin:
                if (session_->tranCount() == 0) {
                    session_->execute("BEGIN TRANSACTION", sink);
                    writeTransactionChange(w, 0, session_->tranCount());
                } else {
                    session_->execute("BEGIN TRANSACTION", sink);
                }
                break;
            case TmRequest::Commit:
            case TmRequest::Rollback: {
                // With nothing open there is nothing to end: the client asks so when it
                // turns autocommit back on.
                if (session_->tranCount() > 0) {
                    const bool commit = t.kind == TmRequest::Commit;
                    session_->execute(commit ? "COMMIT TRANSACTION" : "ROLLBACK TRANSACTION", sink);
                    if (session_->tranCount() == 0) {
                        writeEnvChange(w, commit ? 9 : 10, "", descriptorBytes(transaction_), true);
                        transaction_ = 0;
                    }
                }
                if (t.beginAfter) {
                    int before = session_->tranCount();
                    session_->execute("BEGIN TRANSACTION", sink);
                    writeTransactionChange(w, before, session_->tranCount());
                }
                break;
            }
            case TmRequest::Save: {
                std::string name;
                for (char c : t.name) name += c == ']' ? std::string("]]") : std::string(1, c);
                session_->execute("SAVE TRANSACTION [" + name + "]", sink);
            } break;
            default:
                throw raiseVariant(8009, 1);
        }
    } catch (const Error& e) {
        sink.error(e);
    }
    sink.finish(kDone, false);
    out.finish();
}

void Conn::serve() {
    if (!login()) return;
    for (;;) {
        Message m = readMessage(-1);
        switch (m.type) {
            case kSqlBatch:
                runBatch(plainColons(parseSqlBatch(m.payload)));
                break;
            case kRpc: {
                std::vector<RpcCall> calls;
                try {
                    calls = parseRpc(m.payload);
                } catch (const Error& e) {
                    // A parameter of a type the server does not know: the request fails,
                    // the connection stays.
                    Response out(*this);
                    writeMessageToken(out.w(), kError, e);
                    writeDone(out.w(), kDone, kDoneError, 0);
                    out.finish();
                    break;
                }
                runRpc(calls);
                break;
            }
            case kTransactionManager:
                runTransactionRequest(parseTransactionRequest(m.payload));
                break;
            case kAttention:
                answerAttention();
                break;
            default:
                throw ProtocolError("unexpected message type " + std::to_string(m.type));
        }
    }
}

}  // namespace

void serveConnection(int fd, const ConnectionSettings& settings) {
    Conn c(fd, settings);
    try {
        c.serve();
    } catch (const Disconnected&) {
    } catch (const ProtocolError& e) {
        if (settings.log) settings.log(std::string("dropped: ") + e.what());
    } catch (const std::exception& e) {
        if (settings.log) settings.log(std::string("dropped: ") + e.what());
    }
}

}  // namespace tsqlite::tds
