// Running the sql/ scripts on the embedded server the way sqlcmd -b runs them.
#include <fstream>
#include <sstream>

#include "make_demo_server.h"
#include "tsqlite/parser.h"
#include "tsqlite/session.h"

namespace demo {

namespace {

std::string upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

int lineAt(const std::string& text, size_t pos) {
    int line = 1;
    for (size_t i = 0; i < pos && i < text.size(); ++i)
        if (text[i] == '\n') ++line;
    return line;
}

}  // namespace

std::string substituteVariables(const std::string& text, const std::string& shownName,
                                const Variables& variables) {
    Variables byName;
    for (const auto& [name, value] : variables) byName[upper(name)] = value;
    std::string out;
    size_t i = 0;
    while (i < text.size()) {
        const size_t start = text.find("$(", i);
        if (start == std::string::npos) {
            out.append(text, i, std::string::npos);
            break;
        }
        const size_t end = text.find(')', start + 2);
        if (end == std::string::npos) {
            out.append(text, i, std::string::npos);
            break;
        }
        const std::string name = text.substr(start + 2, end - start - 2);
        const auto it = byName.find(upper(name));
        if (it == byName.end())
            throw ScriptError(shownName + ":" + std::to_string(lineAt(text, start)) +
                              ": scripting variable '" + name + "' is not defined");
        out.append(text, i, start - i);
        out += it->second;
        i = end + 1;
    }
    return out;
}

void runScriptFile(tsqlite::Session& session, const std::string& path, const std::string& shownName,
                   const Variables& variables) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw ScriptError(shownName + ": cannot read " + path);
    std::ostringstream content;
    content << in.rdbuf();
    const std::string script = substituteVariables(content.str(), shownName, variables);

    for (const auto& batch : tsqlite::splitScript(script)) {
        for (int n = 0; n < batch.repeat; ++n) {
            try {
                session.query(batch.text);
            } catch (const tsqlite::Error& e) {
                // An error inside a procedure carries the procedure's line; the batch's line
                // in the file is where the call is.
                const bool inBatch = e.procedure.empty() && e.line > 0;
                const int line = batch.firstLine + (inBatch ? e.line - 1 : 0);
                std::string where = shownName + ":" + std::to_string(line) + ": ";
                if (!e.procedure.empty())
                    where +=
                        "in procedure " + e.procedure + ", line " + std::to_string(e.line) + ": ";
                throw ScriptError(where + "Msg " + std::to_string(e.number) + ", Level " +
                                  std::to_string(e.severity) + ": " + e.message);
            }
        }
    }
}

}  // namespace demo
