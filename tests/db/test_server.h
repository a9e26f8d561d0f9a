#pragma once
// A throw-away embedded server with one database, "Shop", and a connection to it.
#include <gtest/gtest.h>

#include "db/connection.h"
#include "printers.h"
#include "tests/common/temp_server.h"

namespace db::testing {

class ServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        server.createDatabase("Shop");
        conn.setParams(connectionParameterList(QStringLiteral("Shop"), serverDir, 60));
    }

    // A second connection, to see what others see.
    qlonglong countOf(const QString& table) {
        Connection other(QStringLiteral("Other"));
        other.setParams(connectionParameterList(QStringLiteral("Shop"), serverDir, 60));
        return other.query(QStringLiteral("SELECT COUNT(*) FROM ") + table)
            .value(0, 0)
            .toLongLong();
    }

    testsupport::TempServer server;
    const QString serverDir = QString::fromStdString(server.dir());
    Connection conn{QStringLiteral("DMDATA")};
};

}  // namespace db::testing
