// Feeds arbitrary bytes to the script splitter and the batch parser: every input must end in
// a tree or a tsqlite::Error, never a crash, a hang or unbounded recursion.
#include <cstddef>
#include <cstdint>
#include <string>

#include "tsqlite/parser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    try {
        tsqlite::parseBatch(text);
    } catch (const tsqlite::Error&) {
    }
    for (const auto& batch : tsqlite::splitScript(text)) {
        if (batch.text.size() == text.size()) continue;  // already parsed above
        try {
            tsqlite::parseBatch(batch.text);
        } catch (const tsqlite::Error&) {
        }
    }
    return 0;
}
