#pragma once
// Connection settings: the connection parameter list every connection of the program is
// opened with, what it asks of the database layer, where the server named in it lives, and
// the ODBC connection string for a SQL Server.
#include <QString>
#include <QStringList>

namespace db {

// The fixed login of the parameter list, used on every server.
inline constexpr char kUserName[] = "qarn";
inline constexpr char kPassword[] = "mirabelt";

// The parameter list, in its order, for one connect: "DATABASE NAME=" + database,
// "SERVER NAME=" + server, ..., "MAX QUERY TIME=" + seconds, ..., "PASSWORD=mirabelt".
QStringList connectionParameterList(const QString& databaseName, const QString& serverName,
                                    int maxQueryTime);

// What a parameter list asks of the connection.
struct ConnectionParams {
    QString databaseName;
    QString serverName;  // as the list gives it; see resolveServer
    QString userName;
    QString password;
    int maxQueryTime = 0;  // seconds a statement may run; 0 = no limit
    int packetSize = 4096;
    int maxRows = -1;           // -1 = no limit
    bool autoCommit = true;     // statements commit unless a transaction was started
    bool exactDecimals = true;  // numeric and decimal as exact values
    int loginTimeout = 15;      // seconds to reach a SQL Server; not part of the list

    // Reads "NAME=value" entries (names in any letter case); unknown entries are ignored.
    static ConnectionParams fromList(const QStringList& list);
};

enum class ServerKind { Embedded, Odbc };

struct ServerAddress {
    ServerKind kind = ServerKind::Embedded;
    QString directory;  // an embedded server's folder, absolute
    QString host;       // a SQL Server: "HOST", "HOST\INSTANCE" or "HOST,PORT"
};

// A name that is a folder path (absolute, "./...", or "file:...") is an embedded server;
// any other name is a SQL Server reached by ODBC; an empty name is the built-in default, the
// embedded server in the folder "server" of the current directory. Blanks around the name
// are dropped: neither host names nor our server folders carry them.
ServerAddress resolveServer(const QString& serverName);

// The ODBC driver for SQL Server on this platform: "FreeTDS" on Linux and other Unix,
// "ODBC Driver 17 for SQL Server" on Windows. A full path to the driver's library also works.
QString defaultOdbcDriver();
bool isFreeTdsDriver(const QString& driver);

// SQLDriverConnect's string for a SQL Server host. FreeTDS is asked for TDS 7.4 and UTF-8 on
// the client side, so Thai text (code page 874 on the server) arrives as Unicode.
QString odbcConnectionString(const ConnectionParams& params, const QString& host,
                             const QString& driver = defaultOdbcDriver());

}  // namespace db
