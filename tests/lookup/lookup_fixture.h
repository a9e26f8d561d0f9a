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
#include "lookup/Fr_Search.h"
#include "lookup/Fr_SearchBarCode.h"
#include "tests/common/client_fixture.h"

// Readable texts in failure messages.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace lookup_testing {

// Tables of the company database that the searches read, created only where the company
// scripts have not created them.
inline const char kSearchTables[] = R"(
IF NOT EXISTS (SELECT Id FROM SysObjects WHERE Name = 'Product')
CREATE TABLE Product (Id int NOT NULL PRIMARY KEY, Code varchar(20) NOT NULL,
    ThaiName varchar(120) NULL, Blocked char(1) NULL DEFAULT ('N'))
GO
IF NOT EXISTS (SELECT Id FROM SysObjects WHERE Name = 'ProductUnits')
CREATE TABLE ProductUnits (Id int NOT NULL PRIMARY KEY, Product int NOT NULL,
    BarCode varchar(20) NULL, UnitName varchar(20) NULL, Fraction int NULL,
    AutoOrder char(1) NULL, SmallUnitFlag char(1) NULL, StockUnitFlag char(1) NULL)
GO
IF NOT EXISTS (SELECT Id FROM SysObjects WHERE Name = 'ProductOnhand')
CREATE TABLE ProductOnhand (Id int IDENTITY(1,1) NOT NULL PRIMARY KEY, Product int NOT NULL,
    ProductUnits int NOT NULL, Warehouse int NOT NULL, BalanceYear int NOT NULL,
    PeriodNo int NOT NULL, Quantity decimal(18,4) NOT NULL DEFAULT (0))
GO
IF NOT EXISTS (SELECT Id FROM SysObjects WHERE Name = 'SoDt')
CREATE TABLE SoDt (Id int NOT NULL PRIMARY KEY, SoHd int NOT NULL, Product int NOT NULL,
    Quantity decimal(18,4) NOT NULL, Fraction int NOT NULL, Clear char(1) NULL)
GO
IF NOT EXISTS (SELECT Id FROM SysObjects WHERE Name = 'PosHeader')
CREATE TABLE PosHeader (Id int NOT NULL PRIMARY KEY, PosNo varchar(15) NOT NULL,
    PosDate datetime NOT NULL, Customer int NULL, SoHd int NULL,
    DelFlag char(1) NOT NULL DEFAULT ('N'))
GO
IF NOT EXISTS (SELECT Id FROM SysObjects WHERE Name = 'IvHd')
CREATE TABLE IvHd (Id int NOT NULL PRIMARY KEY, IvNo varchar(15) NOT NULL,
    IvDate datetime NOT NULL, IvType char(1) NULL DEFAULT ('A'),
    NotCutStock char(1) NULL DEFAULT ('N'), DelFlag char(1) NOT NULL DEFAULT ('N'))
GO
IF NOT EXISTS (SELECT Id FROM SysObjects WHERE Name = 'IvDt')
CREATE TABLE IvDt (Id int NOT NULL PRIMARY KEY, IvHd int NOT NULL, Product int NOT NULL,
    ProductUnits int NOT NULL, Quantity decimal(18,4) NOT NULL, Fraction int NULL,
    SoDt int NULL, IvdtB int NULL)
GO
IF NOT EXISTS (SELECT Id FROM SysObjects WHERE Name = 'OrderBranch')
CREATE TABLE OrderBranch (Id int IDENTITY(1,1) NOT NULL, OrderNO Char(15), OrderDate DateTime,
    TranBranchNo Char(15), Product int NOT NULL DEFAULT (0), ProductUnits int NOT NULL DEFAULT (0),
    OrderQnty Int, Transfer char(1), UserId int NOT NULL DEFAULT (0), CloseOrder char(1),
    Remark varchar(80) NULL)
GO
)";

class LookupTest : public ::testing::Test {
protected:
    void SetUp() override {
        server.createCompany(QStringLiteral("BR0001"));
        tsqlite::Session session(server.serverDir.toStdString(), "BR0001");
        for (const auto& batch : tsqlite::splitScript(kSearchTables)) session.query(batch.text);
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
