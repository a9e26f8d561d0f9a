// sheet_reader_bench FILE.xlsx...: the spreadsheet reader against the floor of the same
// machine, in the same run: unzipping the workbook's shared strings and first sheet and
// scanning them with expat, building nothing. Each side runs five times, interleaved; the
// figures are the medians. bench/sheet/run.sh makes the workbooks with LibreOffice and adds
// openpyxl's time when it is installed.
#include <expat.h>
#include <zip.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "spreadsheet_intake/reader/Sheet.h"

namespace {

using Clock = std::chrono::steady_clock;

long long checksum = 0;  // keeps the work from being optimised away

void scanPart(zip_t* zip, const char* name) {
    zip_file_t* file = zip_fopen(zip, name, ZIP_FL_NOCASE);
    if (!file) return;
    XML_Parser parser = XML_ParserCreate(nullptr);
    XML_SetElementHandler(
        parser, [](void*, const XML_Char*, const XML_Char**) { ++checksum; },
        [](void*, const XML_Char*) {});
    XML_SetCharacterDataHandler(parser, [](void*, const XML_Char*, int len) { checksum += len; });
    for (;;) {
        void* buffer = XML_GetBuffer(parser, 1 << 16);
        const zip_int64_t got = zip_fread(file, buffer, 1 << 16);
        if (got < 0 || XML_ParseBuffer(parser, int(got), got == 0) == XML_STATUS_ERROR) {
            throw std::runtime_error(std::string("cannot scan ") + name);
        }
        if (got == 0) break;
    }
    XML_ParserFree(parser);
    zip_fclose(file);
}

void floorRead(const std::string& path) {
    int error = 0;
    zip_t* zip = zip_open(path.c_str(), ZIP_RDONLY, &error);
    if (!zip) throw std::runtime_error("cannot open " + path);
    scanPart(zip, "xl/sharedStrings.xml");
    scanPart(zip, "xl/worksheets/sheet1.xml");
    zip_discard(zip);
}

void readerRead(const std::string& path) {
    const intake::Sheet sheet = intake::ReadUsedRange(path);
    checksum += sheet.rowCount() * sheet.columnCount();
}

double seconds(void (*work)(const std::string&), const std::string& path) {
    const auto start = Clock::now();
    work(path);
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: sheet_reader_bench FILE.xlsx...\n");
        return 2;
    }
    try {
        for (int i = 1; i < argc; ++i) {
            const std::string path = argv[i];
            const intake::Sheet sheet = intake::ReadUsedRange(path);
            std::vector<double> reader, floor;
            for (int rep = 0; rep < 5; ++rep) {
                reader.push_back(seconds(readerRead, path));
                floor.push_back(seconds(floorRead, path));
            }
            const double r = median(reader), f = median(floor);
            std::printf(
                "%s: %d x %d cells  reader %.3f s  floor (unzip + expat scan) %.3f s  "
                "ratio reader/floor %.2f\n",
                path.c_str(), sheet.rowCount(), sheet.columnCount(), r, f, r / f);
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "sheet_reader_bench: %s\n", e.what());
        return 1;
    }
    return checksum == -1 ? 3 : 0;
}
