// The configuration upgrade on a configuration database built from sql/config.
#include <gtest/gtest.h>

#include "data/ConfigUpgrade.h"
#include "db/connection.h"
#include "db/connection_params.h"
#include "tests/common/temp_server.h"

namespace {

class ConfigUpgradeTest : public ::testing::Test {
protected:
    void SetUp() override {
        server.createDatabase("Config", {"config/tables.sql"});
        conn.setParams(db::connectionParameterList(QStringLiteral("Config"),
                                                   QString::fromStdString(server.dir()), 60));
    }

    // The table's columns as "Name type", in order.
    QStringList columns(const QString& table) {
        QStringList names;
        const db::ResultSet r = conn.query(
            QStringLiteral("SELECT C.Name, T.Name FROM SysColumns C"
                           " JOIN SysTypes T ON T.xtype = C.xtype"
                           " WHERE C.Id = (SELECT Id FROM SysObjects WHERE Name = :Table)"
                           " ORDER BY C.colid"),
            {{QStringLiteral("Table"), table}});
        for (int i = 0; i < r.rowCount(); ++i)
            names << r.value(i, 0).toString() + u' ' + r.value(i, 1).toString();
        return names;
    }

    // "Id:Version" of every menu entry, in id order.
    QStringList versions() {
        QStringList rows;
        const db::ResultSet r =
            conn.query(QStringLiteral("SELECT Id, Version FROM Menu ORDER BY Id"));
        for (int i = 0; i < r.rowCount(); ++i)
            rows << r.value(i, 0).toString() + u':' +
                        (r.value(i, 1).isNull() ? QStringLiteral("null")
                                                : r.value(i, 1).toString());
        return rows;
    }

    void addMenu(int id, const char* command) {
        conn.execute(QStringLiteral("INSERT INTO Menu (Id, Caption, Command) VALUES (:Id, 'M',"
                                    " :Command)"),
                     {{QStringLiteral("Id"), id},
                      {QStringLiteral("Command"),
                       command ? QVariant(QString::fromUtf8(command)) : QVariant()}});
    }

    testsupport::TempServer server;
    db::Connection conn{QStringLiteral("DmCfg")};
};

TEST_F(ConfigUpgradeTest, AddsTheColumnsOnceAndVersionsCommands) {
    const QStringList menuBefore = columns(QStringLiteral("Menu"));
    const QStringList usersBefore = columns(QStringLiteral("UserName"));
    ASSERT_FALSE(usersBefore.isEmpty());
    addMenu(1, nullptr);  // a submenu: no command, so no version
    addMenu(2, "POS.exe");

    upgradeConfiguration(conn);
    EXPECT_EQ(columns(QStringLiteral("Menu")), menuBefore + QStringList{"Version int"});
    EXPECT_EQ(columns(QStringLiteral("UserName")),
              usersBefore + QStringList({"UserSeeImport char", "UserSeeCost char"}));
    EXPECT_EQ(versions(), QStringList({"1:null", "2:3"}));

    // A second run changes nothing, not even a version set since.
    conn.execute(QStringLiteral("UPDATE Menu SET Version = 5 WHERE Id = 2"));
    upgradeConfiguration(conn);
    EXPECT_EQ(columns(QStringLiteral("Menu")), menuBefore + QStringList{"Version int"});
    EXPECT_EQ(columns(QStringLiteral("UserName")),
              usersBefore + QStringList({"UserSeeImport char", "UserSeeCost char"}));
    EXPECT_EQ(versions(), QStringList({"1:null", "2:5"}));
}

TEST_F(ConfigUpgradeTest, KeepsAVersionColumnInAnyLetterCase) {
    conn.execute(QStringLiteral("ALTER TABLE Menu ADD version int"));
    const QStringList menuBefore = columns(QStringLiteral("Menu"));
    addMenu(1, "A.exe");
    addMenu(2, "B.exe");
    addMenu(3, nullptr);
    conn.execute(QStringLiteral("UPDATE Menu SET version = 7 WHERE Id = 1"));

    upgradeConfiguration(conn);
    EXPECT_EQ(columns(QStringLiteral("Menu")), menuBefore);
    EXPECT_EQ(versions(), QStringList({"1:7", "2:3", "3:null"}));
}

}  // namespace
