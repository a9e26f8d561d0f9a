// The parameter list, where a server name leads, and the ODBC connection string.
#include <gtest/gtest.h>

#include <QDir>

#include "db/connection_params.h"
#include "printers.h"

using namespace db;

TEST(ConnectionParams, ListCarriesDatabaseServerTimeOutAndLogin) {
    QStringList list = connectionParameterList("QARN_CONFIG", "SRV01  ", 600);
    ASSERT_EQ(list.size(), 24);
    EXPECT_EQ(list[0], "DATABASE NAME=QARN_CONFIG");
    EXPECT_EQ(list[1], "SERVER NAME=SRV01  ");  // trailing blanks passed on
    EXPECT_EQ(list[2], "USER NAME=qarn");
    EXPECT_EQ(list[11], "MAX QUERY TIME=600");
    EXPECT_EQ(list[23], "PASSWORD=mirabelt");

    ConnectionParams p = ConnectionParams::fromList(list);
    EXPECT_EQ(p.databaseName, "QARN_CONFIG");
    EXPECT_EQ(p.serverName, "SRV01  ");
    EXPECT_EQ(p.userName, "qarn");
    EXPECT_EQ(p.password, "mirabelt");
    EXPECT_EQ(p.maxQueryTime, 600);
    EXPECT_EQ(p.packetSize, 4096);
    EXPECT_EQ(p.maxRows, -1);
    EXPECT_TRUE(p.autoCommit);
    EXPECT_TRUE(p.exactDecimals);

    // The configuration module clears the list and builds it again before each connect:
    // names in other letter cases still read, a list without a time-out has none.
    p = ConnectionParams::fromList({"database name=master", "Max Query Time=1200"});
    EXPECT_EQ(p.databaseName, "master");
    EXPECT_EQ(p.maxQueryTime, 1200);
    EXPECT_EQ(ConnectionParams::fromList({}).maxQueryTime, 0);
}

TEST(ConnectionParams, ServerNameChoosesTheServer) {
    const QString cwd = QDir::currentPath();
    ServerAddress a = resolveServer("");
    EXPECT_EQ(a.kind, ServerKind::Embedded);
    EXPECT_EQ(a.directory, cwd + "/server");
    EXPECT_EQ(resolveServer("./data/srv").directory, cwd + "/data/srv");
    EXPECT_EQ(resolveServer("/srv/backoffice").directory, "/srv/backoffice");
    EXPECT_EQ(resolveServer("file:data/srv").directory, cwd + "/data/srv");
    EXPECT_EQ(resolveServer("file:///srv/x").directory, "/srv/x");
    EXPECT_EQ(resolveServer("/srv/backoffice  ").directory, "/srv/backoffice");

    for (const char* host : {"SRV01", "SRV01\\SQL2019", "10.0.0.5,1433"}) {
        ServerAddress s = resolveServer(host);
        EXPECT_EQ(s.kind, ServerKind::Odbc) << host;
        EXPECT_EQ(s.host, host);
    }
    EXPECT_EQ(resolveServer("SRV01  ").host, "SRV01");
    // A relative name without "./" is a host name, not a folder.
    EXPECT_EQ(resolveServer("server").kind, ServerKind::Odbc);
}

TEST(ConnectionParams, OdbcConnectionStrings) {
    ConnectionParams cfg =
        ConnectionParams::fromList(connectionParameterList("QARN_CONFIG_NWX", "SRV01", 600));
    EXPECT_EQ(odbcConnectionString(cfg, "SRV01", "FreeTDS"),
              "Driver={FreeTDS};Server=SRV01;Database=QARN_CONFIG_NWX;UID=qarn;PWD=mirabelt;"
              "TDS_Version=7.4;ClientCharset=UTF-8;PacketSize=4096");
    EXPECT_EQ(odbcConnectionString(cfg, "SRV01\\SQL2019", "FreeTDS"),
              "Driver={FreeTDS};Server=SRV01\\SQL2019;Database=QARN_CONFIG_NWX;UID=qarn;"
              "PWD=mirabelt;TDS_Version=7.4;ClientCharset=UTF-8;PacketSize=4096");
    // FreeTDS takes the port apart; SQL Server's own drivers take "host,port".
    ConnectionParams main =
        ConnectionParams::fromList(connectionParameterList("CMP01", "10.0.0.5,1433", 2400));
    EXPECT_EQ(odbcConnectionString(main, "10.0.0.5,1433", "FreeTDS"),
              "Driver={FreeTDS};Server=10.0.0.5;Port=1433;Database=CMP01;UID=qarn;"
              "PWD=mirabelt;TDS_Version=7.4;ClientCharset=UTF-8;PacketSize=4096");
    EXPECT_EQ(odbcConnectionString(main, "10.0.0.5,1433", "ODBC Driver 17 for SQL Server"),
              "Driver={ODBC Driver 17 for SQL Server};Server=10.0.0.5,1433;Database=CMP01;"
              "UID=qarn;PWD=mirabelt");
    EXPECT_EQ(odbcConnectionString(main, "SRV", "/usr/lib/x86_64-linux-gnu/odbc/libtdsodbc.so")
                  .section(';', 0, 0),
              "Driver={/usr/lib/x86_64-linux-gnu/odbc/libtdsodbc.so}");

    // Separators inside a value are kept in braces.
    ConnectionParams odd = main;
    odd.databaseName = "a;b}";
    odd.password = "";
    EXPECT_EQ(odbcConnectionString(odd, "SRV", "SQL Server"),
              "Driver={SQL Server};Server=SRV;Database={a;b}}};UID=qarn;PWD=");
}
