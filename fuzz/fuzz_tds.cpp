// Feeds arbitrary bytes to the TDS listener's readers as a client's byte stream: packets
// joined into messages, then each message read as what its type says. Every input must end
// in values or a ProtocolError (or the engine's Error for an unknown parameter type), never a
// crash, a read beyond the message or a hang.
#include <cstddef>
#include <cstdint>
#include <string>

#include "tsqlite/error.h"
#include "tsqlite/tds/protocol.h"

using namespace tsqlite::tds;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string stream(reinterpret_cast<const char*>(data), size);
    std::vector<Message> messages;
    try {
        messages = splitMessages(stream);
    } catch (const ProtocolError&) {
        return 0;
    }
    for (const auto& m : messages) {
        try {
            switch (m.type) {
                case kPrelogin:
                    parsePrelogin(m.payload);
                    break;
                case kLogin7:
                    parseLogin7(m.payload);
                    break;
                case kSqlBatch:
                    parseSqlBatch(m.payload);
                    break;
                case kRpc:
                    parseRpc(m.payload);
                    break;
                case kTransactionManager:
                    parseTransactionRequest(m.payload);
                    break;
                default:
                    break;
            }
        } catch (const ProtocolError&) {
        } catch (const tsqlite::Error&) {
        }
    }
    return 0;
}
