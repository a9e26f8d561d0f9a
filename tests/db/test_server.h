#pragma once
// A throw-away embedded server with one database, "Shop", and a connection to it.
#include <gtest/gtest.h>

#include <memory>

#include "db/connection.h"
#include "printers.h"
#include "tests/common/temp_server.h"
#include "tsqlite/tds/listener.h"

namespace db::testing {

// With DB_TESTS_OVER_TDS=1 the connections reach the same server through ODBC and FreeTDS,
// by a TDS listener on it: the embedded path and the SQL Server path must answer alike.
inline bool overTds() {
    return qEnvironmentVariableIntValue("DB_TESTS_OVER_TDS") == 1;
}

class ServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        server.createDatabase("Shop");
        serverName = serverDir;
        if (overTds()) {
            tsqlite::tds::ListenOptions options;
            options.serverDir = serverDir.toStdString();
            options.port = 0;
            listener = std::make_unique<tsqlite::tds::Listener>(options);
            listener->start();
            serverName = QStringLiteral("127.0.0.1,%1").arg(listener->port());
        }
        conn.setParams(connectionParameterList(QStringLiteral("Shop"), serverName, 60));
    }

    void TearDown() override {
        conn.close();
        if (listener) listener->stop();
    }

    // A second connection, to see what others see.
    qlonglong countOf(const QString& table) {
        Connection other(QStringLiteral("Other"));
        other.setParams(connectionParameterList(QStringLiteral("Shop"), serverName, 60));
        return other.query(QStringLiteral("SELECT COUNT(*) FROM ") + table)
            .value(0, 0)
            .toLongLong();
    }

    testsupport::TempServer server;
    const QString serverDir = QString::fromStdString(server.dir());
    QString serverName;  // the folder, or "127.0.0.1,PORT" over TDS
    std::unique_ptr<tsqlite::tds::Listener> listener;
    Connection conn{QStringLiteral("DMDATA")};
};

}  // namespace db::testing
