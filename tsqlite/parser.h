#pragma once
#include <memory>
#include <string>

#include "tsqlite/ast.h"
#include "tsqlite/error.h"

namespace tsqlite {

// Parses one batch (no GO separators inside). Throws Error 102 (or 156, 103...) with the line
// of the offending token on malformed input; never crashes, never loops on any input.
std::unique_ptr<ast::Batch> parseBatch(const std::string& text);

// Splits a script into batches at lines holding only GO (any case, optional blanks and a
// trailing count are allowed as sqlcmd does: "GO 2" repeats the batch). Returns the batches
// with the line number each starts at.
struct ScriptBatch {
    std::string text;
    int firstLine = 1;
    int repeat = 1;
};
std::vector<ScriptBatch> splitScript(const std::string& script);

}  // namespace tsqlite
