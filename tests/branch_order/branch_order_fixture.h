#pragma once
// A branch company database with stock, sales and earlier orders (branch 0029's fixture of
// the statement tests), the configuration database listing it as BR0001, and the order screen
// on it for user 7.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

#include "branch_order/BranchOrderSql.h"
#include "branch_order/Fr_BranchOrder.h"
#include "data/Messages.h"
#include "data/ScriptRunner.h"
#include "lookup/Fr_Search.h"
#include "lookup/Fr_SearchBarCode.h"
#include "tests/common/client_fixture.h"
#include "ui/DBGrid.h"

namespace testing_support {

class BranchOrderTest : public ::testing::Test {
protected:
    void SetUp() override {
        server.createConfig();
        server.createDatabase(QStringLiteral("BR0001"));
        server.runScripts(QStringLiteral("BR0001"), testsupport::kCompanyScripts);
        server.runScriptFile(QStringLiteral("BR0001"),
                             QStringLiteral(CONFORMANCE_DATA_DIR "/settings_data.sql"));
        auto c = db();
        TSQLScript(BranchOrderSql::SQLCreateBranchOrder).execute(*c);
        server.runScriptFile(QStringLiteral("BR0001"),
                             QStringLiteral(CONFORMANCE_DATA_DIR "/branch_order_data.sql"));
        modules.dm.setDatabaseParameter(QStringLiteral("BR0001"));
        modules.config.GetCompanyConfig(QStringLiteral("BR0001"));
        modules.config.UserId = 7;
        modules.config.MenuId = 1001;
        modules.config.UserCode = QStringLiteral("SOMSRI");
        modules.config.UserFullName = QStringLiteral("สมศรี รักงาน");
        modules.config.ThaiLanguage = true;
        TFrSearch::ResetSortState();
        TFrSearchBarCode::ResetProgramState();
    }

    void openScreen() {
        screen = std::make_unique<TFrBranchOrder>();
        screen->show();
        QApplication::setActiveWindow(screen.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(screen.get()));
    }

    std::unique_ptr<db::Connection> db() { return server.connect(QStringLiteral("BR0001")); }
    qlonglong count(const QString& sql) { return server.count(QStringLiteral("BR0001"), sql); }

    // The row of the working set holding a barcode; -1 when none does.
    int rowOf(const QString& barCode) const {
        for (int r = 0; r < screen->QBranchOrder.rowCount(); ++r)
            if (screen->QBranchOrder.value(r, QStringLiteral("BarCode")).toString() == barCode)
                return r;
        return -1;
    }

    ClientServer server;
    DataModules modules{server};
    RecordingMessageService messages;
    ScopedMessageService scoped{messages};
    std::unique_ptr<TFrBranchOrder> screen;
};

}  // namespace testing_support
