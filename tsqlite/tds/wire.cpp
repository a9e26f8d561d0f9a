#include "tsqlite/tds/wire.h"

#include "tsqlite/runtime_internal.h"

namespace tsqlite::tds {

void Reader::seek(size_t pos) {
    if (pos > data_.size()) throw ProtocolError("offset beyond the end of the message");
    pos_ = pos;
}

std::string_view Reader::bytes(size_t n) {
    if (n > remaining()) throw ProtocolError("length beyond the end of the message");
    std::string_view out = data_.substr(pos_, n);
    pos_ += n;
    return out;
}

uint8_t Reader::u8() {
    return static_cast<uint8_t>(bytes(1)[0]);
}

uint16_t Reader::u16() {
    auto b = bytes(2);
    return static_cast<uint16_t>(static_cast<uint8_t>(b[0]) | static_cast<uint8_t>(b[1]) << 8);
}

uint16_t Reader::u16be() {
    auto b = bytes(2);
    return static_cast<uint16_t>(static_cast<uint8_t>(b[0]) << 8 | static_cast<uint8_t>(b[1]));
}

uint32_t Reader::u32() {
    auto b = bytes(4);
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<uint8_t>(b[static_cast<size_t>(i)]);
    return v;
}

uint64_t Reader::u64() {
    uint64_t lo = u32();
    uint64_t hi = u32();
    return hi << 32 | lo;
}

std::string Reader::ucs2(size_t chars) {
    return utf16ToUtf8(bytes(chars * 2));
}

void Writer::u16(uint16_t v) {
    u8(static_cast<uint8_t>(v));
    u8(static_cast<uint8_t>(v >> 8));
}

void Writer::u16be(uint16_t v) {
    u8(static_cast<uint8_t>(v >> 8));
    u8(static_cast<uint8_t>(v));
}

void Writer::u32(uint32_t v) {
    u16(static_cast<uint16_t>(v));
    u16(static_cast<uint16_t>(v >> 16));
}

void Writer::u64(uint64_t v) {
    u32(static_cast<uint32_t>(v));
    u32(static_cast<uint32_t>(v >> 32));
}

void Writer::bVarchar(std::string_view utf8) {
    std::string w = utf8ToUtf16(utf8);
    // B_VARCHAR holds at most 255 code units: longer names are cut, never a pair split.
    size_t units = std::min<size_t>(w.size() / 2, 255);
    if (units == 255 && units < w.size() / 2) {
        uint16_t last =
            static_cast<uint16_t>(static_cast<uint8_t>(w[508]) | static_cast<uint8_t>(w[509]) << 8);
        if (last >= 0xD800 && last < 0xDC00) --units;
    }
    u8(static_cast<uint8_t>(units));
    buf_.append(w, 0, units * 2);
}

void Writer::usVarchar(std::string_view utf8) {
    std::string w = utf8ToUtf16(utf8);
    size_t units = std::min<size_t>(w.size() / 2, 0xFFFF);
    u16(static_cast<uint16_t>(units));
    buf_.append(w, 0, units * 2);
}

void Writer::put16At(size_t pos, uint16_t v) {
    buf_[pos] = static_cast<char>(v & 0xFF);
    buf_[pos + 1] = static_cast<char>(v >> 8);
}

namespace {

// Decodes one UTF-8 character; a broken sequence gives U+FFFD and moves one byte on.
char32_t next(std::string_view s, size_t& i) {
    auto b = static_cast<unsigned char>(s[i]);
    if (b < 0x80) {
        ++i;
        return b;
    }
    size_t extra = (b & 0xE0) == 0xC0 ? 1 : (b & 0xF0) == 0xE0 ? 2 : (b & 0xF8) == 0xF0 ? 3 : 0;
    if (extra == 0 || i + extra >= s.size()) {
        ++i;
        return 0xFFFD;
    }
    char32_t c = b & (0x3F >> extra);
    for (size_t k = 1; k <= extra; ++k) {
        auto cb = static_cast<unsigned char>(s[i + k]);
        if ((cb & 0xC0) != 0x80) {
            ++i;
            return 0xFFFD;
        }
        c = c << 6 | (cb & 0x3F);
    }
    i += extra + 1;
    return c;
}

void append(std::string& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | c >> 6));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | c >> 12));
        out.push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | c >> 18));
        out.push_back(static_cast<char>(0x80 | (c >> 12 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

}  // namespace

std::string utf8ToUtf16(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size() * 2);
    auto put = [&](uint32_t u) {
        out.push_back(static_cast<char>(u & 0xFF));
        out.push_back(static_cast<char>(u >> 8));
    };
    for (size_t i = 0; i < utf8.size();) {
        char32_t c = next(utf8, i);
        if (c >= 0x10000) {
            put(0xD800 + ((c - 0x10000) >> 10));
            put(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            put(c);
        }
    }
    return out;
}

std::string utf16ToUtf8(std::string_view b) {
    std::string out;
    out.reserve(b.size());
    for (size_t i = 0; i + 1 < b.size(); i += 2) {
        char32_t u = static_cast<unsigned char>(b[i]) | static_cast<unsigned char>(b[i + 1]) << 8;
        if (u >= 0xD800 && u < 0xDC00 && i + 3 < b.size()) {
            char32_t lo =
                static_cast<unsigned char>(b[i + 2]) | static_cast<unsigned char>(b[i + 3]) << 8;
            if (lo >= 0xDC00 && lo < 0xE000) {
                u = 0x10000 + ((u - 0xD800) << 10) + (lo - 0xDC00);
                i += 2;
            } else {
                u = 0xFFFD;
            }
        } else if (u >= 0xD800 && u < 0xE000) {
            u = 0xFFFD;
        }
        append(out, u);
    }
    return out;
}

std::string utf8ToCp874(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();) {
        char32_t c = next(utf8, i);
        int b = c < 0x80 ? static_cast<int>(c) : rt::unicodeToCp874(c);
        out.push_back(static_cast<char>(b < 0 ? '?' : b));
    }
    return out;
}

std::string cp874ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() * 3);
    for (unsigned char c : bytes) {
        char32_t u = c < 0x80 ? c : rt::cp874ToUnicode(c);
        append(out, u ? u : 0xFFFD);
    }
    return out;
}

}  // namespace tsqlite::tds
