// Feeds arbitrary bytes to the .xls reader (compound file, then BIFF8 records): every input must
// end in a sheet or a SheetError, never a crash, a hang or memory out of proportion to the input.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "spreadsheet_intake/reader/Sheet.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    try {
        const intake::Sheet sheet = intake::readXlsBytes(bytes, "fuzz.xls");
        // Every cell of a modest range is read back, as the screens do.
        if (double(sheet.rowCount()) * sheet.columnCount() <= 1e5) intake::dumpSheet(sheet);
    } catch (const intake::SheetError&) {
    }
    return 0;
}
