#include "shell/variables.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace shell {

std::string variableKey(const std::string& name) {
    std::string key = name;
    for (char& c : key) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return key;
}

Substitution substituteVariables(const std::string& text,
                                 const std::map<std::string, std::string>& vars) {
    Substitution result;
    result.text.reserve(text.size());
    std::size_t pos = 0;
    while (pos < text.size()) {
        auto start = text.find("$(", pos);
        if (start == std::string::npos) break;
        result.text.append(text, pos, start - pos);
        // A name runs to ')' and holds no blanks; anything else is not a reference.
        std::size_t end = start + 2;
        while (end < text.size() && text[end] != ')' &&
               !std::isspace(static_cast<unsigned char>(text[end])))
            ++end;
        if (end >= text.size() || text[end] != ')' || end == start + 2) {
            result.text.append(text, start, end - start);
            pos = end;
            continue;
        }
        std::string name = text.substr(start + 2, end - start - 2);
        auto found = vars.find(variableKey(name));
        if (found != vars.end()) {
            result.text += found->second;
        } else if (const char* env = std::getenv(name.c_str())) {
            result.text += env;
        } else {
            if (std::find(result.undefined.begin(), result.undefined.end(), name) ==
                result.undefined.end())
                result.undefined.push_back(name);
            result.text.append(text, start, end + 1 - start);
        }
        pos = end + 1;
    }
    if (pos < text.size()) result.text.append(text, pos, std::string::npos);
    return result;
}

}  // namespace shell
