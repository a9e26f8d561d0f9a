#pragma once
// A throw-away embedded server with one database, "Shop", and a connection to it.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "db/connection.h"
#include "printers.h"
#include "tsqlite/session.h"

namespace db::testing {

class ServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tmp.isValid());
        serverDir = tmp.filePath(QStringLiteral("server"));
        tsqlite::createServer(serverDir.toStdString());
        tsqlite::Session(serverDir.toStdString(), "master").query("CREATE DATABASE Shop");
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

    QTemporaryDir tmp;
    QString serverDir;
    Connection conn{QStringLiteral("DMDATA")};
};

}  // namespace db::testing
