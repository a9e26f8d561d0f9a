#include "statements/Lines.h"

namespace statements {

std::string lines(std::initializer_list<std::string_view> parts) {
    std::string out;
    bool first = true;
    for (auto p : parts) {
        if (!first) out += '\n';
        out += p;
        first = false;
    }
    return out;
}

}  // namespace statements
