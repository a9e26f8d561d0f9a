// A stand-in for the external print library in the tests: it records each call, one line
// per call, in the file named by QARN_PRINT_LIBRARY_LOG:
//   DllPrintForm|database|template|user|document|mode|sixth
//   DllDesignForm|database|template
// The strings arrive as UTF-16 and are written as UTF-8, so a text passed in any other
// encoding shows up garbled. Built without DllDesignForm when STAND_IN_WITHOUT_DESIGN is set.
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::string utf8(const char16_t* s) {
    std::string out;
    if (!s) return "<null>";
    while (*s) {
        char32_t c = *s++;
        if (c >= 0xD800 && c <= 0xDBFF && *s >= 0xDC00 && *s <= 0xDFFF)
            c = 0x10000 + ((c - 0xD800) << 10) + (char32_t(*s++) - 0xDC00);
        if (c < 0x80) {
            out += char(c);
        } else if (c < 0x800) {
            out += char(0xC0 | (c >> 6));
            out += char(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += char(0xE0 | (c >> 12));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        } else {
            out += char(0xF0 | (c >> 18));
            out += char(0x80 | ((c >> 12) & 0x3F));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        }
    }
    return out;
}

void record(const std::string& line) {
    const char* path = std::getenv("QARN_PRINT_LIBRARY_LOG");
    if (!path) return;
    if (FILE* f = std::fopen(path, "ab")) {
        std::fputs((line + "\n").c_str(), f);
        std::fclose(f);
    }
}

}  // namespace

extern "C" __attribute__((visibility("default"))) int DllPrintForm(const char16_t* database,
                                                                   const char16_t* templateName,
                                                                   const char16_t* userCode,
                                                                   const char16_t* docNo, int mode,
                                                                   int sixth) {
    record("DllPrintForm|" + utf8(database) + "|" + utf8(templateName) + "|" + utf8(userCode) +
           "|" + utf8(docNo) + "|" + std::to_string(mode) + "|" + std::to_string(sixth));
    return 1;
}

#ifndef STAND_IN_WITHOUT_DESIGN
extern "C" __attribute__((visibility("default"))) int DllDesignForm(const char16_t* database,
                                                                    const char16_t* templateName) {
    record("DllDesignForm|" + utf8(database) + "|" + utf8(templateName));
    return 1;
}
#endif
