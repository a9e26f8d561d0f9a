#pragma once
// Errors as SQL Server reports them: number, severity, state, line and text.
#include <stdexcept>
#include <string>

namespace tsqlite {

class Error : public std::runtime_error {
public:
    Error(int number, std::string message, int severity = 16, int state = 1, int line = 0)
        : std::runtime_error(message),
          number(number),
          severity(severity),
          state(state),
          line(line),
          message(std::move(message)) {}

    int number;
    int severity;
    int state;
    int line;  // 1-based line within the batch (or procedure), 0 when unknown
    std::string message;
    std::string procedure;  // the procedure the error was raised in, if any
    // Statement-level errors end only the statement; the batch goes on (SQL Server's default
    // with XACT_ABORT OFF). Batch-level errors end the batch.
    bool abortsBatch = true;
    // The line is already right (0 for errors raised at a procedure's call).
    bool lineFixed = false;

    // The same error in another state: SQL Server tells the places that raise a message apart
    // by their state.
    Error& withState(int s) {
        state = s;
        return *this;
    }
    Error& withSeverity(int s) {
        severity = s;
        return *this;
    }
};

// Common errors, with SQL Server's numbers and texts.
namespace errors {
Error syntax(const std::string& near, int line);  // 102 Incorrect syntax near '...'.
Error syntaxAtEnd(int line);                      // 102 ... near the end of the batch
Error invalidObject(const std::string& name);     // 208 Invalid object name '...'.
Error invalidColumn(const std::string& name);     // 207 Invalid column name '...'.
Error conversion(const std::string& fromType, const std::string& value,
                 const std::string& toType);        // 245 Conversion failed when converting ...
Error divideByZero();                               // 8134
Error cannotOpenDatabase(const std::string& name);  // 4060
}  // namespace errors

// Runtime functions registered on SQLite report errors through sqlite3_result_error with
// the text produced here; the engine turns such a text back into an Error.
std::string encodeError(const Error& e);
bool decodeError(const std::string& text, Error& out);

}  // namespace tsqlite
