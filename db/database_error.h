#pragma once
// The one error type of the database layer: what the server (or the driver) reported, with
// SQL Server's number, severity, state and line.
#include <QString>
#include <QStringList>
#include <exception>
#include <string>

namespace db {

// The words the error handler looks for to explain an unreachable server; every connection
// failure carries them at the start of its text, as SQL Server's client library writes them.
inline constexpr char kNetworkErrorFragment[] = "Possible network error";
// The same for a statement that ran past the connection's query time-out.
inline constexpr char kTimeoutFragment[] = "SQL Server connection timed out";

class DatabaseError : public std::exception {
public:
    explicit DatabaseError(const QString& message, int number = 0, int severity = 16, int state = 1,
                           int line = 0);

    // A server that cannot be reached: flagged, and with the network-error words in front of
    // the detail. `number` 17 is SQL Server's "does not exist or access denied".
    static DatabaseError connectionFailure(const QString& server, const QString& detail,
                                           int number = 17, int severity = 16, int state = 1);

    // A statement ended by the query time-out: SQL Server's number -2, with the time-out words
    // in front of the driver's text.
    static DatabaseError timeout(const QString& detail);

    const char* what() const noexcept override { return what_.c_str(); }

    const QString& message() const { return message_; }
    int number() const { return number_; }
    int severity() const { return severity_; }
    int state() const { return state_; }
    int line() const { return line_; }  // 1-based within the batch or procedure, 0 if unknown
    const QString& procedure() const { return procedure_; }
    bool isConnectionFailure() const { return connectionFailure_; }

    void setProcedure(const QString& name) { procedure_ = name; }
    // Adds a sentence of advice after the message.
    void appendText(const QString& text);

private:
    QString message_;
    std::string what_;
    int number_;
    int severity_;
    int state_;
    int line_;
    QString procedure_;
    bool connectionFailure_ = false;
};

// Whether the SQLSTATEs say a statement ran past its time-out (HYT00 outside a connect).
bool odbcStatesMeanTimeout(const QStringList& sqlStates, bool connecting);

// Whether an ODBC driver's SQLSTATEs say the server could not be reached or the link broke:
// any 08xxx, a connection time-out (HYT01), and a time-out while connecting (HYT00 is the login
// time-out then, but a statement's own time-out afterwards). A refused login or database
// (28000, 42000) is not a network failure.
bool odbcStatesMeanNetworkFailure(const QStringList& sqlStates, bool connecting);

}  // namespace db
