#pragma once
// A branch company database (BR0001) on a throw-away server with the tables the lookup
// dialogs read, DM connected to it, and helpers to show a dialog as the active window.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <ostream>

#include "data/Messages.h"
#include "data/ScriptRunner.h"
#include "lookup/Fr_Search.h"
#include "lookup/Fr_SearchBarCode.h"
#include "statements/BranchOrder.h"
#include "tests/common/client_fixture.h"

// Readable texts in failure messages.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace lookup_testing {

class LookupTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The tables the searches read: the company scripts, and the order table as the
        // branch order screen creates it.
        server.createCompany(QStringLiteral("BR0001"));
        server.runScripts(QStringLiteral("BR0001"),
                          {"company/product_tables.sql", "company/sales_tables.sql"});
        TSQLScript(QString::fromStdString(statements::branch_order::startupScript()))
            .execute(*server.connect(QStringLiteral("BR0001")));
        server.runScriptFile(QStringLiteral("BR0001"),
                             QStringLiteral(CONFORMANCE_DATA_DIR "/lookup_data.sql"));
        modules.dm.setDatabaseParameter(QStringLiteral("BR0001"));
        TFrSearch::ResetSortState();
        TFrSearchBarCode::ResetProgramState();
    }

    void execute(const QString& sql) { modules.dm.DMdata().execute(sql); }

    // Shows the dialog as the active window, as exec() would, without blocking.
    static void showActive(QDialog& dialog) {
        dialog.show();
        QApplication::setActiveWindow(&dialog);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    }

    testing_support::ClientServer server;
    testing_support::DataModules modules{server};
    RecordingMessageService messages;
    ScopedMessageService scopedMessages{messages};
};

// The values of one column of the dialog's rows, in order.
template <class Dialog>
QStringList columnValues(const Dialog& dialog, const QString& column) {
    QStringList values;
    for (int r = 0; r < dialog.QSearch.rowCount(); ++r)
        values << dialog.QSearch.value(r, column).toString().trimmed();
    return values;
}

// Ends a modal run that the test's keys failed to end, so that a fault fails the test
// instead of hanging it.
inline void closeAfterTimeout(QDialog& dialog) {
    QTimer::singleShot(5000, &dialog, [&dialog] {
        if (dialog.isVisible()) dialog.reject();
    });
}

// The texts a grid column shows, from the top.
inline QStringList gridTexts(const QTableView& grid, int column) {
    QStringList texts;
    for (int r = 0; r < grid.model()->rowCount(); ++r)
        texts << grid.model()->index(r, column).data().toString();
    return texts;
}

}  // namespace lookup_testing
