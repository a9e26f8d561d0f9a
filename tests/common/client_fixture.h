#pragma once
// The client's view of the throw-away server (tests/common/temp_server.h): a configuration
// database and company databases built from sql/, a "Server.Dat" naming the server, and the
// run's data modules DM and DmConfig reading it.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <memory>
#include <string>

#include "data/Dm_Config.h"
#include "data/U_DM.h"
#include "db/connection.h"
#include "db/connection_params.h"
#include "tests/common/temp_server.h"
#include "tsqlite/session.h"
#include "tsqlite/tds/listener.h"

namespace testing_support {

// With BACKOFFICE_TESTS_OVER_TDS=1 the run reaches the server as it reaches a SQL Server:
// "Server.Dat" names a TDS listener on it, so every connection goes through ODBC and FreeTDS.
class ClientServer {
public:
    ClientServer() {
        serverName = serverDir;
        if (qEnvironmentVariableIntValue("BACKOFFICE_TESTS_OVER_TDS") == 1) {
            tsqlite::tds::ListenOptions options;
            options.serverDir = serverDir.toStdString();
            options.port = 0;
            listener = std::make_unique<tsqlite::tds::Listener>(options);
            listener->start();
            serverName = QStringLiteral("127.0.0.1,%1").arg(listener->port());
        }
        writeServerDat(serverName);
    }

    // The folder the client reads "Server.Dat" from, free for a test's other files too.
    QString folder() const { return QString::fromStdString(server.root().string()); }

    void writeServerDat(const QString& firstLine) {
        QFile file(QDir(folder()).filePath(QStringLiteral("Server.Dat")));
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) ADD_FAILURE() << "Server.Dat";
        file.write(firstLine.toUtf8() + "\r\n");
    }

    void createDatabase(const QString& name) { server.createDatabase(name.toStdString()); }

    // Runs a script of sql/ (GO-separated batches) in the database; a failing batch throws.
    void runScript(const QString& database, const QString& relativePath) {
        server.runScripts(database.toStdString(), {relativePath.toStdString()});
    }
    void runScripts(const QString& database, const std::vector<std::string>& scripts) {
        server.runScripts(database.toStdString(), scripts);
    }
    // Runs a script file from elsewhere (a test's own rows).
    void runScriptFile(const QString& database, const QString& path) {
        const auto session = server.open(database.toStdString());
        testsupport::runScriptText(*session, testsupport::readFile(path.toStdString()),
                                   path.toStdString());
    }

    // A connection of its own to one database, to set up rows and look at results.
    std::unique_ptr<db::Connection> connect(const QString& database) {
        auto c = std::make_unique<db::Connection>(QStringLiteral("Test") + database);
        c->setParams(db::connectionParameterList(database, serverName, 60));
        return c;
    }
    qlonglong count(const QString& database, const QString& sql) {
        return connect(database)->query(sql).value(0, 0).toLongLong();
    }

    // A configuration database with companies NWX (id 1, also listed as NWX_TEST) and
    // branch 0001 (database BR0001), menu entries 1001 (module 1), 1003 (3) and 1015 (15),
    // user 1 (Thai, every right) and user 2 (English, no delete, no access to 1015).
    void createConfig(const QString& name = QString::fromLatin1(kConfigDatabaseNwx)) {
        createDatabase(name);
        runScript(name, QStringLiteral("config/tables.sql"));
        runScript(name, QStringLiteral("config/procedures.sql"));
        connect(name)->execute(QStringLiteral(R"(
INSERT INTO Company (Id, Code, NameThai, NameEng, RunYear) VALUES (1, 'NWX', 'ศูนย์กระจายสินค้า', 'DC', 2026)
INSERT INTO Company (Id, Code, NameThai, NameEng, RunYear) VALUES (2, '0001', 'สาขาลาดพร้าว', 'Ladprao', 2026)
INSERT INTO DatabaseList (Company, DatabaseName, YearNo) VALUES (1, 'NWX', 2026)
INSERT INTO DatabaseList (Company, DatabaseName, YearNo) VALUES (1, 'NWX_TEST', 2026)
INSERT INTO DatabaseList (Company, DatabaseName, YearNo) VALUES (2, 'BR0001', 2026)
INSERT INTO CompanyConfig (Company, DefaultWh) VALUES (1, 1)
INSERT INTO CompanyConfig (Company, DefaultWh) VALUES (2, 1)
INSERT INTO Menu (Id, ParentId, Caption, Command, MenuOption) VALUES (1001, NULL, '  สั่งสินค้าสาขา  ', 'BackOffice.exe', '1')
INSERT INTO Menu (Id, ParentId, Caption, Command, MenuOption) VALUES (1003, NULL, 'สั่งจัดสินค้า', 'BackOffice.exe', '3')
INSERT INTO Menu (Id, ParentId, Caption, Command, MenuOption) VALUES (1015, NULL, 'SoldOut', 'BackOffice.exe', '15')
INSERT INTO UserName (Id, Code, FullName, LanguageNo) VALUES (1, 'SOMSRI ', 'สมศรี รักงาน', 1)
INSERT INTO UserName (Id, Code, FullName, LanguageNo) VALUES (2, 'JOHN', 'John Carter', 2)
INSERT INTO UserRight (UserId, MenuId, Access_R, Add_R, Modify_R, Delete_R) VALUES (1, 1001, 'Y', 'Y', 'Y', 'Y')
INSERT INTO UserRight (UserId, MenuId, Access_R, Add_R, Modify_R, Delete_R) VALUES (1, 1003, 'Y', 'Y', 'Y', 'Y')
INSERT INTO UserRight (UserId, MenuId, Access_R, Add_R, Modify_R, Delete_R) VALUES (1, 1015, 'Y', 'Y', 'Y', 'Y')
INSERT INTO UserRight (UserId, MenuId, Access_R, Add_R, Modify_R, Delete_R) VALUES (2, 1001, 'Y', 'Y', 'Y', 'N')
INSERT INTO UserRight (UserId, MenuId, Access_R, Add_R, Modify_R, Delete_R) VALUES (2, 1015, 'N', 'N', 'N', 'N')
)"));
    }

    // A company database with the common tables and procedures and its settings row.
    void createCompany(const QString& name, int runYear = 2026) {
        createDatabase(name);
        runScript(name, QStringLiteral("company/common_tables.sql"));
        runScript(name, QStringLiteral("company/common_procedures.sql"));
        connect(name)->execute(QStringLiteral("IF NOT EXISTS (SELECT Id FROM Config WHERE Id = 1)"
                                              " INSERT INTO Config (Id) VALUES (1)"
                                              " UPDATE Config SET RunYear = :Year WHERE Id = 1"),
                               {{QStringLiteral("Year"), runYear}});
    }

    testsupport::TempServer server;
    const QString serverDir = QString::fromStdString(server.dir());
    QString serverName;  // what Server.Dat names: the folder, or the listener
    std::unique_ptr<tsqlite::tds::Listener> listener;
};

// DM and DmConfig of a run on the server, as start-up creates them.
struct DataModules {
    explicit DataModules(const ClientServer& server) {
        dm.setServerDatFolder(server.folder());
        config.setServerDatFolder(server.folder());
    }
    TDM dm;
    TDMConfig config;
};

}  // namespace testing_support
