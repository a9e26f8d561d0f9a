#include "spreadsheet_intake/reader/XmlScan.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace intake {
namespace {

// Not in the plain corner: expat is to decide.
struct GiveUp {};

constexpr std::size_t kChunk = 1 << 16;
// A token (a tag, or the text between two tags) longer than this is left to expat; a cell's
// text is at most 32,767 characters.
constexpr std::size_t kMaxToken = 4 << 20;

bool isSpace(char c) {
    return c == ' ' || c == '\n' || c == '\r' || c == '\t';
}

bool isNameStart(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':';
}

bool isNameChar(unsigned char c) {
    return isNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

// Whether the code point is a character XML allows.
bool isXmlChar(std::uint32_t c) {
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
           (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

// The length of the well-formed UTF-8 sequence of an allowed character at p (its first byte
// is above 0x7F), or 0.
std::size_t utf8Length(const unsigned char* p, const unsigned char* end) {
    const unsigned char b = p[0];
    std::size_t n;
    std::uint32_t c;
    if (b >= 0xC2 && b <= 0xDF) {
        n = 2;
        c = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
        n = 3;
        c = b & 0x0F;
    } else if (b >= 0xF0 && b <= 0xF4) {
        n = 4;
        c = b & 0x07;
    } else {
        return 0;
    }
    if (std::size_t(end - p) < n) return 0;
    for (std::size_t i = 1; i < n; ++i) {
        if ((p[i] & 0xC0) != 0x80) return 0;
        c = (c << 6) | (p[i] & 0x3F);
    }
    // Overlong forms, surrogates and code points past U+10FFFF are not characters.
    if ((n == 3 && c < 0x800) || (n == 4 && c < 0x10000) || !isXmlChar(c)) return 0;
    return n;
}

char* putUtf8(char* out, std::uint32_t c) {
    if (c < 0x80) {
        *out++ = char(c);
    } else if (c < 0x800) {
        *out++ = char(0xC0 | (c >> 6));
        *out++ = char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        *out++ = char(0xE0 | (c >> 12));
        *out++ = char(0x80 | ((c >> 6) & 0x3F));
        *out++ = char(0x80 | (c & 0x3F));
    } else {
        *out++ = char(0xF0 | (c >> 18));
        *out++ = char(0x80 | ((c >> 12) & 0x3F));
        *out++ = char(0x80 | ((c >> 6) & 0x3F));
        *out++ = char(0x80 | (c & 0x3F));
    }
    return out;
}

// Resolves the reference at `p` ("&lt;", "&#65;", "&#x41;") into `out`; returns the byte after
// its ';'. Other entities are declared in a DTD, which the plain corner has none of.
const char* reference(const char* p, const char* end, char*& out) {
    const char* semi = static_cast<const char*>(std::memchr(p, ';', std::size_t(end - p)));
    if (!semi || semi - p > 12) throw GiveUp{};
    const std::string_view name(p + 1, std::size_t(semi - p - 1));
    if (name == "lt") {
        *out++ = '<';
    } else if (name == "gt") {
        *out++ = '>';
    } else if (name == "amp") {
        *out++ = '&';
    } else if (name == "quot") {
        *out++ = '"';
    } else if (name == "apos") {
        *out++ = '\'';
    } else if (name.size() >= 2 && name[0] == '#') {
        std::uint32_t c = 0;
        const bool hex = name[1] == 'x';
        const std::string_view digits = name.substr(hex ? 2 : 1);
        if (digits.empty() || digits.size() > 8) throw GiveUp{};
        for (char d : digits) {
            std::uint32_t v;
            if (d >= '0' && d <= '9') {
                v = std::uint32_t(d - '0');
            } else if (hex && d >= 'a' && d <= 'f') {
                v = std::uint32_t(d - 'a' + 10);
            } else if (hex && d >= 'A' && d <= 'F') {
                v = std::uint32_t(d - 'A' + 10);
            } else {
                throw GiveUp{};
            }
            c = c * (hex ? 16 : 10) + v;
        }
        if (!isXmlChar(c)) throw GiveUp{};
        out = putUtf8(out, c);
    } else {
        throw GiveUp{};
    }
    return semi + 1;
}

// Checks the characters of [p, end) without changing them: allowed characters, valid UTF-8.
void checkChars(const char* p, const char* end) {
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    const auto* e = reinterpret_cast<const unsigned char*>(end);
    while (u < e) {
        if (*u >= 0x20 && *u < 0x80) {
            ++u;
        } else if (*u < 0x20) {
            if (*u != '\t' && *u != '\n' && *u != '\r') throw GiveUp{};
            ++u;
        } else {
            const std::size_t n = utf8Length(u, e);
            if (n == 0) throw GiveUp{};
            u += n;
        }
    }
}

// Decodes [p, end) in place (the result is never longer) and returns its new end: references
// resolved, line ends ("\r\n", "\r") made "\n", and in an attribute value every blank made a
// space. Refuses what XML does not allow there.
char* decode(char* p, char* end, bool attribute) {
    char* out = p;
    while (p < end) {
        const auto c = static_cast<unsigned char>(*p);
        if (c >= 0x80) {
            const std::size_t n = utf8Length(reinterpret_cast<const unsigned char*>(p),
                                             reinterpret_cast<const unsigned char*>(end));
            if (n == 0) throw GiveUp{};
            if (out != p) std::memmove(out, p, n);
            out += n;
            p += n;
        } else if (c == '&') {
            p = const_cast<char*>(reference(p, end, out));
        } else if (c == '\r') {
            *out++ = attribute ? ' ' : '\n';
            ++p;
            if (p < end && *p == '\n') ++p;
        } else if (c < 0x20) {
            if (c != '\t' && c != '\n') throw GiveUp{};
            *out++ = attribute ? ' ' : char(c);
            ++p;
        } else if (attribute && c == '<') {
            throw GiveUp{};
        } else if (!attribute && c == ']' && end - p >= 3 && p[1] == ']' && p[2] == '>') {
            throw GiveUp{};  // "]]>" may not stand in text
        } else {
            *out++ = char(c);
            ++p;
        }
    }
    return out;
}

// Whether [p, end) needs decode: references, line ends or other control characters, bytes
// above 0x7F, "]" (the start of a "]]>") or, in attributes, "<".
bool plain(const char* p, const char* end) {
    for (; p < end; ++p) {
        const auto c = static_cast<unsigned char>(*p);
        if (c < 0x20 || c >= 0x80 || c == '&' || c == ']' || c == '<') return false;
    }
    return true;
}

std::string_view localName(std::string_view name) {
    const auto colon = name.rfind(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

class Scanner {
public:
    Scanner(const XmlSource& source, XmlHandler& handler) : source_(source), handler_(handler) {}

    void run() {
        // A byte-order mark for UTF-8 may come first; any other encoding is expat's.
        fill(3);
        if (buf_.compare(0, 3, "\xEF\xBB\xBF") == 0) pos_ = 3;
        for (;;) {
            if (pos_ == buf_.size() && !more()) break;
            if (buf_[pos_] == '<') {
                markup();
            } else {
                textRun();
            }
        }
        if (!rootSeen_ || depth_ != 0) throw GiveUp{};
    }

private:
    // Reads another chunk, keeping what is not yet consumed. False at the end.
    bool more() {
        if (eof_) return false;
        if (pos_ > 0) {
            buf_.erase(0, pos_);
            pos_ = 0;
        }
        if (buf_.size() > kMaxToken) throw GiveUp{};
        const std::size_t old = buf_.size();
        buf_.resize(old + kChunk);
        const std::size_t got = source_(buf_.data() + old, kChunk);
        buf_.resize(old + got);
        if (got == 0) eof_ = true;
        return got > 0;
    }

    // At least n bytes from pos_, unless the document ends first.
    bool fill(std::size_t n) {
        while (buf_.size() - pos_ < n) {
            if (!more()) return false;
        }
        return true;
    }

    // The position of `what` at or after `from`, reading on as needed; npos at the end.
    std::size_t find(std::string_view what, std::size_t from) {
        for (;;) {
            const std::size_t at = buf_.find(what, from);
            if (at != std::string::npos) return at;
            const std::size_t back = buf_.size() - pos_;
            const std::size_t keep = from - pos_;
            if (!more()) return std::string::npos;
            // The search goes on where it stopped, less what could be the start of `what`.
            from = pos_ + std::max(keep, back >= what.size() ? back - what.size() + 1 : 0);
        }
    }

    void textRun() {
        std::size_t lt = find("<", pos_);
        if (lt == std::string::npos) lt = buf_.size();
        char* p = buf_.data() + pos_;
        char* end = buf_.data() + lt;
        pos_ = lt;
        consumedStart_ = true;
        if (depth_ == 0) {
            // Outside the root only blanks may stand.
            for (; p < end; ++p) {
                if (!isSpace(*p)) throw GiveUp{};
            }
            return;
        }
        if (!plain(p, end)) end = decode(p, end, false);
        if (end > p) handler_.text(std::string_view(p, std::size_t(end - p)));
    }

    void markup() {
        if (!fill(2)) throw GiveUp{};
        const char second = buf_[pos_ + 1];
        if (second == '/') {
            endTag();
        } else if (second == '?') {
            instruction();
        } else if (second == '!') {
            if (!fill(4)) throw GiveUp{};
            if (buf_.compare(pos_, 4, "<!--") == 0) {
                comment();
            } else if (fill(9) && buf_.compare(pos_, 9, "<![CDATA[") == 0) {
                cdata();
            } else {
                throw GiveUp{};  // a DOCTYPE, or not XML
            }
        } else {
            startTag();
        }
        consumedStart_ = true;
    }

    // The name at p, up to a blank, "/", ">" or "=", checked; p moves past it.
    std::string_view name(char*& p, const char* end) {
        const char* begin = p;
        if (p >= end || !isNameStart(static_cast<unsigned char>(*p))) throw GiveUp{};
        while (p < end && isNameChar(static_cast<unsigned char>(*p))) ++p;
        if (p < end && static_cast<unsigned char>(*p) >= 0x80) throw GiveUp{};  // expat's
        return std::string_view(begin, std::size_t(p - begin));
    }

    struct Attribute {
        char* name;
        std::size_t nameSize;
        char* value;
        char* valueEnd;  // its closing quote
    };

    // Reads the start tag at pos_ into tag_ without changing the buffer (it is read again
    // when the buffer ends first: false then).
    bool readStartTag() {
        char* p = buf_.data() + pos_ + 1;
        char* const bufEnd = buf_.data() + buf_.size();
        // A name, checked; false when the buffer ends in it.
        auto readName = [&](std::string_view& out) {
            if (p == bufEnd) return false;
            if (!isNameStart(static_cast<unsigned char>(*p))) throw GiveUp{};
            char* begin = p;
            while (p < bufEnd && isNameChar(static_cast<unsigned char>(*p))) ++p;
            if (p == bufEnd) return false;
            if (static_cast<unsigned char>(*p) >= 0x80) throw GiveUp{};  // expat's
            out = std::string_view(begin, std::size_t(p - begin));
            return true;
        };
        auto skipSpace = [&] {
            while (p < bufEnd && isSpace(*p)) ++p;
            return p < bufEnd;
        };
        if (!readName(tagName_)) return false;
        tagAttrs_.clear();
        for (;;) {
            if (p == bufEnd) return false;
            if (*p == '>') {
                tagEnd_ = p;
                tagEmpty_ = false;
                return true;
            }
            if (*p == '/') {
                if (p + 1 == bufEnd) return false;
                if (p[1] != '>') throw GiveUp{};
                tagEnd_ = p + 1;
                tagEmpty_ = true;
                return true;
            }
            // Attributes stand apart from the name and from each other.
            if (!isSpace(*p)) throw GiveUp{};
            if (!skipSpace()) return false;
            if (*p == '>' || *p == '/') continue;
            Attribute a;
            a.name = p;
            std::string_view n;
            if (!readName(n)) return false;
            a.nameSize = n.size();
            if (!skipSpace()) return false;
            if (*p != '=') throw GiveUp{};
            ++p;
            if (!skipSpace()) return false;
            if (*p != '"' && *p != '\'') throw GiveUp{};
            const char quote = *p++;
            a.value = p;
            a.valueEnd = static_cast<char*>(std::memchr(p, quote, std::size_t(bufEnd - p)));
            if (!a.valueEnd) return false;
            p = a.valueEnd + 1;
            tagAttrs_.push_back(a);
        }
    }

    void startTag() {
        if (rootClosed_ || (depth_ == 0 && rootSeen_)) throw GiveUp{};
        while (!readStartTag()) {
            if (buf_.size() - pos_ > kMaxToken || !more()) throw GiveUp{};
        }
        attrs_.clear();
        for (std::size_t i = 0; i < tagAttrs_.size(); ++i) {
            const Attribute& a = tagAttrs_[i];
            const std::string_view n(a.name, a.nameSize);
            for (std::size_t k = 0; k < i; ++k) {
                if (std::string_view(tagAttrs_[k].name, tagAttrs_[k].nameSize) == n) throw GiveUp{};
            }
        }
        // The whole tag is read: the names and values end in place, the name where its "=" or
        // blank was, the value at its quote (a decoded value is never longer).
        for (const Attribute& a : tagAttrs_) {
            char* end = plain(a.value, a.valueEnd) ? a.valueEnd : decode(a.value, a.valueEnd, true);
            a.name[a.nameSize] = '\0';
            *end = '\0';
            attrs_.push_back(a.name);
            attrs_.push_back(a.value);
        }
        attrs_.push_back(nullptr);
        rootSeen_ = true;
        const std::string_view element = tagName_;
        const std::string_view local = localName(element);
        pos_ = std::size_t(tagEnd_ - buf_.data()) + 1;
        if (tagEmpty_) {
            handler_.start(local, attrs_.data());
            handler_.end(local);
            if (depth_ == 0) rootClosed_ = true;
        } else {
            open_.append(element);
            openEnds_.push_back(open_.size());
            ++depth_;
            handler_.start(local, attrs_.data());
        }
    }

    void endTag() {
        const std::size_t close = find(">", pos_);
        if (close == std::string::npos || depth_ == 0) throw GiveUp{};
        char* p = buf_.data() + pos_ + 2;
        char* end = buf_.data() + close;
        const std::string_view element = name(p, end);
        while (p < end && isSpace(*p)) ++p;
        if (p != end) throw GiveUp{};
        openEnds_.pop_back();
        const std::size_t from = openEnds_.empty() ? 0 : openEnds_.back();
        if (std::string_view(open_).substr(from) != element) throw GiveUp{};
        open_.resize(from);
        --depth_;
        if (depth_ == 0) rootClosed_ = true;
        pos_ = close + 1;
        handler_.end(localName(element));
    }

    void instruction() {
        const bool atStart = !consumedStart_;
        const std::size_t close = find("?>", pos_);
        if (close == std::string::npos) throw GiveUp{};
        char* p = buf_.data() + pos_ + 2;
        char* end = buf_.data() + close;
        const std::string_view target = name(p, end);
        if (p < end && !isSpace(*p)) throw GiveUp{};
        checkChars(p, end);
        if (target.size() == 3 && (target[0] | 0x20) == 'x' && (target[1] | 0x20) == 'm' &&
            (target[2] | 0x20) == 'l') {
            if (!atStart || target != "xml") throw GiveUp{};
            declaration(std::string_view(p, std::size_t(end - p)));
        }
        pos_ = close + 2;
    }

    // <?xml version="1.0" encoding="UTF-8" standalone="yes"?>: version 1.0 and UTF-8 only.
    static void declaration(std::string_view s) {
        int index = 0;
        while (!s.empty()) {
            while (!s.empty() && isSpace(s.front())) s.remove_prefix(1);
            if (s.empty()) break;
            const auto eq = s.find('=');
            if (eq == std::string_view::npos) throw GiveUp{};
            std::string_view key = s.substr(0, eq);
            while (!key.empty() && isSpace(key.back())) key.remove_suffix(1);
            s.remove_prefix(eq + 1);
            while (!s.empty() && isSpace(s.front())) s.remove_prefix(1);
            if (s.empty() || (s.front() != '"' && s.front() != '\'')) throw GiveUp{};
            const auto closeQuote = s.find(s.front(), 1);
            if (closeQuote == std::string_view::npos) throw GiveUp{};
            const std::string_view value = s.substr(1, closeQuote - 1);
            s.remove_prefix(closeQuote + 1);
            if (!s.empty() && !isSpace(s.front())) throw GiveUp{};
            if (index == 0) {
                if (key != "version" || value != "1.0") throw GiveUp{};
            } else if (key == "encoding") {
                if (value.size() != 5 || (value[0] | 0x20) != 'u' || (value[1] | 0x20) != 't' ||
                    (value[2] | 0x20) != 'f' || value[3] != '-' || value[4] != '8') {
                    throw GiveUp{};
                }
            } else if (key == "standalone") {
                if (value != "yes" && value != "no") throw GiveUp{};
            } else {
                throw GiveUp{};
            }
            ++index;
        }
        if (index == 0) throw GiveUp{};
    }

    void comment() {
        const std::size_t close = find("-->", pos_ + 4);
        if (close == std::string::npos) throw GiveUp{};
        const std::string_view body(buf_.data() + pos_ + 4, close - pos_ - 4);
        if (body.find("--") != std::string_view::npos || (!body.empty() && body.back() == '-')) {
            throw GiveUp{};
        }
        checkChars(body.data(), body.data() + body.size());
        pos_ = close + 3;
    }

    void cdata() {
        if (depth_ == 0) throw GiveUp{};
        const std::size_t close = find("]]>", pos_ + 9);
        if (close == std::string::npos) throw GiveUp{};
        char* p = buf_.data() + pos_ + 9;
        char* end = buf_.data() + close;
        pos_ = close + 3;
        // Verbatim, but for its line ends; a "&" or "<" is text here.
        checkChars(p, end);
        char* out = p;
        for (char* q = p; q < end; ++q) {
            if (*q == '\r') {
                *out++ = '\n';
                if (q + 1 < end && q[1] == '\n') ++q;
            } else {
                *out++ = *q;
            }
        }
        if (out > p) handler_.text(std::string_view(p, std::size_t(out - p)));
    }

    const XmlSource& source_;
    XmlHandler& handler_;
    std::string buf_;
    std::size_t pos_ = 0;
    bool consumedStart_ = false;  // a token was read: an XML declaration comes too late
    bool eof_ = false;
    bool rootSeen_ = false, rootClosed_ = false;
    int depth_ = 0;
    std::string open_;                   // names of the open elements, one after the other
    std::vector<std::size_t> openEnds_;  // where each ends in open_
    // The start tag being read.
    std::string_view tagName_;
    std::vector<Attribute> tagAttrs_;
    char* tagEnd_ = nullptr;  // its ">"
    bool tagEmpty_ = false;
    std::vector<const char*> attrs_;  // as the handler takes them
};

}  // namespace

bool scanPlainXml(const XmlSource& source, XmlHandler& handler) {
    try {
        Scanner(source, handler).run();
        return true;
    } catch (const GiveUp&) {
        return false;
    }
}

}  // namespace intake
