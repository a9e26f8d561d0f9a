// sheet_dump FILE: what the spreadsheet reader finds in a workbook's first worksheet, as text,
// for support staff and for the tests. Exit 1, with the reason on standard error, for a file
// it cannot read.
#include <cstdio>
#include <exception>
#include <string>

#include "spreadsheet_intake/reader/Sheet.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: sheet_dump FILE\n");
        return 2;
    }
    try {
        const std::string text = intake::dumpSheet(intake::ReadUsedRange(argv[1]));
        if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() ||
            std::fflush(stdout) != 0) {
            std::fprintf(stderr, "sheet_dump: cannot write the output\n");
            return 1;
        }
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "sheet_dump: %s\n", e.what());
        return 1;
    }
}
