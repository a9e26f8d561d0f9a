#pragma once
// The bytes of SQL Server's wire protocol (TDS 7.x): bounds-checked reading of a message,
// writing of tokens, and the texts as the protocol carries them (UTF-16LE, code page 874).
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace tsqlite::tds {

// A message that does not follow the protocol: the connection that sent it is dropped.
class ProtocolError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Packet types (the first byte of every packet's header).
enum PacketType : uint8_t {
    kSqlBatch = 1,
    kRpc = 3,
    kTabularResult = 4,
    kAttention = 6,
    kBulkLoad = 7,
    kTransactionManager = 14,
    kLogin7 = 16,
    kPrelogin = 18,
};

constexpr size_t kHeaderSize = 8;
constexpr uint8_t kStatusEom = 0x01;

// Reads a message's payload; every read checks that the bytes are there.
class Reader {
public:
    explicit Reader(std::string_view data) : data_(data) {}

    size_t position() const { return pos_; }
    size_t remaining() const { return data_.size() - pos_; }
    bool atEnd() const { return pos_ >= data_.size(); }
    void seek(size_t pos);

    uint8_t u8();
    uint16_t u16();    // little-endian
    uint16_t u16be();  // big-endian (packet headers, PRELOGIN offsets)
    uint32_t u32();
    uint64_t u64();
    std::string_view bytes(size_t n);
    void skip(size_t n) { bytes(n); }
    // n UTF-16 code units as UTF-8.
    std::string ucs2(size_t chars);
    std::string bVarchar() { return ucs2(u8()); }    // B_VARCHAR
    std::string usVarchar() { return ucs2(u16()); }  // US_VARCHAR

private:
    std::string_view data_;
    size_t pos_ = 0;
};

class Writer {
public:
    std::string& buffer() { return buf_; }
    size_t size() const { return buf_.size(); }

    void u8(uint8_t v) { buf_.push_back(static_cast<char>(v)); }
    void u16(uint16_t v);
    void u16be(uint16_t v);
    void u32(uint32_t v);
    void u64(uint64_t v);
    void bytes(std::string_view b) { buf_.append(b); }
    // Texts given as UTF-8, written as UTF-16LE with their length in code units.
    void bVarchar(std::string_view utf8);
    void usVarchar(std::string_view utf8);
    // Patches a little-endian 16-bit length at pos.
    void put16At(size_t pos, uint16_t v);

private:
    std::string buf_;
};

std::string utf8ToUtf16(std::string_view utf8);
std::string utf16ToUtf8(std::string_view bytes);
// varchar's bytes on the wire: the server's code page, 874 (Thai); characters it lacks
// become '?', as SQL Server converts them.
std::string utf8ToCp874(std::string_view utf8);
std::string cp874ToUtf8(std::string_view bytes);

}  // namespace tsqlite::tds
