#pragma once
// The embedded server's public interface: a server directory, sessions on it, batches,
// parameters, procedure calls and result sets.
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "tsqlite/error.h"
#include "tsqlite/types.h"

namespace tsqlite {

struct Column {
    std::string name;
    SqlType type;
    bool nullable = true;
};

struct ResultSet {
    std::vector<Column> columns;
    std::vector<std::vector<Value>> rows;
};

// Receives what a batch produces, in order. Errors that end only their statement arrive
// through error() and the batch goes on; an error that ends the batch is thrown by execute().
class Sink {
public:
    virtual ~Sink() = default;
    virtual void beginResultSet(const std::vector<Column>& columns) {}
    virtual void row(const std::vector<Value>& values) {}
    // The same row, for a sink that keeps it: it may move the values out (a large text is then
    // not copied). The default hands it to row().
    virtual void takeRow(std::vector<Value>& values) { row(values); }
    virtual void endResultSet() {}
    // Rows affected by an INSERT, UPDATE, DELETE or SELECT, unless SET NOCOUNT ON.
    virtual void rowsAffected(long long n) {}
    virtual void message(const std::string& text) {}  // PRINT, and RAISERROR below severity 11
    // A numbered informational message (a context change, RAISERROR below severity 11): a
    // client that shows only texts gets the text; the TDS listener sends the number too.
    virtual void info(const Error& e) { message(e.message); }
    virtual void error(const Error& e) {}
};

// Collects everything; convenient for tests and the client driver.
class CollectingSink : public Sink {
public:
    std::vector<ResultSet> resultSets;
    std::vector<long long> counts;
    std::vector<std::string> messages;
    std::vector<Error> errors;

    void beginResultSet(const std::vector<Column>& columns) override;
    void row(const std::vector<Value>& values) override;
    void takeRow(std::vector<Value>& values) override;
    void rowsAffected(long long n) override { counts.push_back(n); }
    void message(const std::string& text) override { messages.push_back(text); }
    void error(const Error& e) override { errors.push_back(e); }
};

// Client parameters (:name), keyed by name without the colon, case-insensitively.
using Params = std::map<std::string, Value>;
// The types parameters are declared with, by the same names: a declared parameter is typed
// so, as SQL Server types a parameter its client bound with a type; any other by its value.
using ParamTypes = std::map<std::string, SqlType>;

struct ProcArgument {
    ProcArgument() = default;
    ProcArgument(std::string name, Value value, bool output = false, SqlType type = {})
        : name(std::move(name)), value(std::move(value)), output(output), type(std::move(type)) {}

    std::string name;  // "@Param"
    Value value;       // input value (ignored for pure output)
    bool output = false;
    // The value's type, as a client declares a parameter's type (a scaled decimal's value is its
    // scaled integer). Unknown: typed by its value's kind.
    SqlType type;
};

struct ProcResult {
    int returnValue = 0;
    // "@Param" (as declared by the procedure) -> value, in the form its type in outputTypes
    // stores it: a decimal as its scaled integer (dec::plain gives the number), so that every
    // digit comes back.
    std::map<std::string, Value> outputs;
    std::map<std::string, SqlType> outputTypes;
    std::vector<ResultSet> resultSets;
};

class Server;

class Session {
public:
    // Opens a session on the server in serverDir with database as the current one. Throws
    // Error 4060 when the directory or the database does not exist.
    Session(const std::string& serverDir, const std::string& database = "master");
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    const std::string& currentDatabase() const;
    void use(const std::string& database);

    // Query time-out in seconds (0 = none): a statement that runs longer, or waits longer
    // for another writer, fails.
    void setTimeout(int seconds);
    int timeout() const;
    // Asked now and then while a statement runs; true ends it as a time-out does. A network
    // listener uses it to notice a client's cancel while the engine works (may be empty).
    void setCancelCheck(std::function<bool()> check);

    // Runs a batch. Throws Error for a batch-ending error; statement errors go to the sink.
    void execute(const std::string& batch, Sink& sink, const Params& params = {});
    void execute(const std::string& batch, Sink& sink, const Params& params,
                 const ParamTypes& types);
    // Runs a batch and throws its first error of any kind; returns all result sets.
    std::vector<ResultSet> query(const std::string& batch, const Params& params = {});
    // Calls a stored procedure with named arguments.
    ProcResult callProcedure(const std::string& name, const std::vector<ProcArgument>& args);

    int tranCount() const;

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

// Creates an empty server directory with its master database (used by tools and tests).
void createServer(const std::string& serverDir);
bool serverExists(const std::string& serverDir);
// Why serverDir is not a server, in words for the user (the folder is missing, or holds no
// master database); empty when it is one.
std::string serverFolderProblem(const std::string& serverDir);

// Text of a value as sqlcmd shows it for a column of the given type: datetime as
// "YYYY-MM-DD HH:MM:SS.mmm", decimal with its scale, money with 4 places, bit as 0/1.
std::string displayText(const Value& v, const SqlType& type);

}  // namespace tsqlite
