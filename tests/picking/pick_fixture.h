#pragma once
// The distribution centre NWX built from sql/ (common, product and picking tables), the
// configuration database with branches 0029 and 0041 (Central), 0036 (North), 0040 (closed)
// and the centre itself, and the pick screen on it for user 7. Each test adds the products,
// stock and order lines it needs.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDate>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

#include "data/Messages.h"
#include "lookup/Fa_GetDocNo.h"
#include "lookup/Fr_Search.h"
#include "picking/Fr_PickProduct.h"
#include "tests/common/client_fixture.h"
#include "ui/DBGrid.h"

namespace testing_support {

class PickProductTest : public ::testing::Test {
protected:
    void SetUp() override {
        server.createConfig();
        config()->execute(QStringLiteral(R"(
INSERT INTO Branch (BranchNo, BranchCode, BranchName, StopDatabase, Storeregion, ServerName, Serverbranch) VALUES ('001', 'DC001', 'ศูนย์กระจายสินค้า', 'N', 'Central', 'NWX', 'DC')
INSERT INTO Branch (BranchNo, BranchCode, BranchName, StopDatabase, Storeregion, ServerName, Serverbranch) VALUES ('029', '0029', 'สาขา 29 ลาดพร้าว', 'N', 'Central', 'BR0029', 'SRV29')
INSERT INTO Branch (BranchNo, BranchCode, BranchName, StopDatabase, Storeregion, ServerName, Serverbranch) VALUES ('036', '0036', 'สาขา 36 เชียงใหม่', 'N', 'North', 'BR0036', 'SRV36')
INSERT INTO Branch (BranchNo, BranchCode, BranchName, StopDatabase, Storeregion, ServerName, Serverbranch) VALUES ('040', '0040', 'สาขา 40 ลำปาง (ปิด)', 'Y', 'North', 'BR0040', 'SRV40')
INSERT INTO Branch (BranchNo, BranchCode, BranchName, StopDatabase, Storeregion, ServerName, Serverbranch) VALUES ('041', '0041', 'สาขา 41 บางนา', 'N', 'Central', 'BR0041', 'SRV41')
)"));
        server.createCompany(QStringLiteral("NWX"), QDate::currentDate().year());
        for (const char* script : {"company/product_tables.sql", "company/picking_tables.sql"})
            server.runScript(QStringLiteral("NWX"), QString::fromLatin1(script));
        db()->execute(QStringLiteral(
            "INSERT INTO Customer (Code, Name, Blocked) VALUES ('C001', 'ร้านค้าส่ง ก', 'N')"));
        modules.dm.setDatabaseParameter(QStringLiteral("NWX"));
        modules.config.GetCompanyConfig(QStringLiteral("NWX"));
        modules.config.UserId = 7;
        modules.config.MenuId = 1003;
        modules.config.ThaiLanguage = true;
        TFrSearch::ResetSortState();
    }

    std::unique_ptr<db::Connection> db() { return server.connect(QStringLiteral("NWX")); }
    std::unique_ptr<db::Connection> config() {
        return server.connect(QString::fromLatin1(kConfigDatabaseNwx));
    }
    QVariant value(const QString& sql, const db::Params& params = {}) {
        return db()->query(sql, params).value(0, 0);
    }
    qlonglong count(const QString& sql) { return value(sql).toLongLong(); }

    // A product with one unit, barcode "B" + code. Negative: "Y", "N" or anything else.
    void product(const QString& code, const QString& negative = QStringLiteral("N"),
                 bool frozen = false) {
        db()->execute(
            QStringLiteral("INSERT INTO Product (Code, ThaiName, Blocked, Negative, Useserial, "
                           "locationassign, Division) VALUES (:Code, :Name, 'N', :Negative, 'N', "
                           "'L-' + :Code, (SELECT Id FROM Misc WHERE GroupCode = 'DIVISION' AND "
                           "Code = :Division)) "
                           "INSERT INTO ProductUnits (Product, BarCode, UnitName, Fraction) VALUES "
                           "(SCOPE_IDENTITY(), 'B' + :Code, 'ชิ้น', 1)"),
            {{QStringLiteral("Code"), code},
             {QStringLiteral("Name"), QStringLiteral("สินค้า ") + code},
             {QStringLiteral("Negative"), negative},
             {QStringLiteral("Division"), frozen ? QStringLiteral("20") : QStringLiteral("10")}});
    }
    // Stock of a product at a location of a zone.
    void stock(const QString& code, double onhand, const QString& zone, const QString& location) {
        db()->execute(QStringLiteral("INSERT INTO ProductOnhandSend (ProdCode, BarCode, Onhand, "
                                     "WhZone, WhCode) VALUES (:Code, 'B' + :Code, :Onhand, :Zone, "
                                     ":Location)"),
                      {{QStringLiteral("Code"), code},
                       {QStringLiteral("Onhand"), onhand},
                       {QStringLiteral("Zone"), zone},
                       {QStringLiteral("Location"), location}});
    }
    // An order line of a branch (or customer); open (no pick number) unless a pick is given.
    qlonglong line(const QString& branch, const QString& code,
                   const QString& status = QStringLiteral("N"), int quantity = 1,
                   const QVariant& pickNo = QVariant(), int pickedDaysAgo = 0) {
        return db()
            ->query(QStringLiteral(
                        "INSERT INTO TranBranch (OrderNO, OrderDate, PickNo, PickDate, "
                        "BranchCode, ProdCode, BarCode, OrderQnty, SendQnty, CloseOrder, "
                        "OrderType, Transfer, OrderBranchId, UpdateBranch, ResponsProdGroup) "
                        "VALUES ('No0000000001', GETDATE() - 1, :PickNo, CASE WHEN :PickNo IS "
                        "NULL THEN NULL ELSE GETDATE() - :Age END, :Branch, :Code, 'B' + :Code, "
                        ":Qty, 0, :Status, '2', 'N', 1, 'Y', CASE WHEN :PickNo IS NULL THEN NULL "
                        "ELSE :Branch + 'A#001' END) SELECT CONVERT(int, SCOPE_IDENTITY())"),
                    {{QStringLiteral("PickNo"), pickNo},
                     {QStringLiteral("Age"), pickedDaysAgo},
                     {QStringLiteral("Branch"), branch},
                     {QStringLiteral("Code"), code},
                     {QStringLiteral("Qty"), quantity},
                     {QStringLiteral("Status"), status}})
            .value(0, 0)
            .toLongLong();
    }
    // Many open lines of one branch, one product each, in `groups` zones; every tenth product
    // has no stock left.
    void manyLines(const QString& branch, int lines, int groups) {
        db()->execute(QStringLiteral(R"(
BEGIN TRANSACTION
DECLARE @i int, @Code varchar(15), @Division int
SELECT @Division = Id FROM Misc WHERE GroupCode = 'DIVISION' AND Code = '10'
SET @i = 1
WHILE @i <= :Lines
BEGIN
    SET @Code = 'M' + RIGHT('000000' + CONVERT(varchar(6), @i), 6)
    INSERT INTO Product (Code, ThaiName, Blocked, Negative, Useserial, locationassign, Division)
    VALUES (@Code, 'สินค้า ' + @Code, 'N', 'N', 'N', 'L-01', @Division)
    INSERT INTO ProductUnits (Product, BarCode, UnitName, Fraction)
    VALUES (SCOPE_IDENTITY(), 'B' + @Code, 'ชิ้น', 1)
    INSERT INTO ProductOnhandSend (ProdCode, BarCode, Onhand, WhZone, WhCode)
    VALUES (@Code, 'B' + @Code, CASE WHEN @i % 10 = 0 THEN 0 ELSE 5 END,
            'Z' + CONVERT(varchar(3), @i % :Groups), 'W-' + CONVERT(varchar(6), @i % 97))
    INSERT INTO TranBranch (OrderNO, OrderDate, BranchCode, ProdCode, BarCode, OrderQnty, SendQnty,
                            CloseOrder, OrderType, Transfer, OrderBranchId, UpdateBranch)
    VALUES ('No0000000001', GETDATE() - 1, :Branch, @Code, 'B' + @Code, 2, 0, 'N', '2', 'N', @i, 'Y')
    SET @i = @i + 1
END
COMMIT
)"),
                      {{QStringLiteral("Lines"), lines},
                       {QStringLiteral("Groups"), groups},
                       {QStringLiteral("Branch"), branch}});
    }

    QString column(qlonglong id, const char* name) {
        return value(QStringLiteral("SELECT ") + QString::fromLatin1(name) +
                         QStringLiteral(" FROM TranBranch WHERE Id = :Id"),
                     {{QStringLiteral("Id"), id}})
            .toString();
    }

    void openScreen() {
        screen = std::make_unique<TFrPickProduct>();
        screen->show();
        QApplication::setActiveWindow(screen.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(screen.get()));
    }

    // The branch list's codes, and whether each is ticked.
    QStringList branches() const {
        QStringList out;
        for (int r = 0; r < screen->QBranch.rowCount(); ++r)
            out << screen->QBranch.value(r, QStringLiteral("BranchCode")).toString();
        return out;
    }
    QStringList ticked() const {
        QStringList out;
        for (int r = 0; r < screen->QBranch.rowCount(); ++r)
            if (screen->QBranch.value(r, QStringLiteral("Pick")).toString() == u"Y")
                out << screen->QBranch.value(r, QStringLiteral("BranchCode")).toString();
        return out;
    }
    // Clicks the check box of a branch in the grid.
    void tick(const QString& code) {
        const int row = branches().indexOf(code);
        ASSERT_GE(row, 0) << code.toStdString();
        DBGrid* grid = screen->DbGirdBranch;
        const QModelIndex index = grid->model()->index(row, grid->columnOf(QStringLiteral("Pick")));
        grid->scrollTo(index);
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(index).center());
    }
    // Goes to the pick page, types the number and leaves the field with Enter, which loads.
    void load(const QString& number = QString()) {
        screen->PageControl1->setCurrentWidget(screen->TabPick);
        QLineEdit* field = screen->FaGetDocNo1->DocNo;
        ASSERT_TRUE(field->hasFocus());
        field->selectAll();
        if (number.isEmpty())
            QTest::keyClick(field, Qt::Key_Delete);
        else
            QTest::keyClicks(field, number);
        QTest::keyClick(field, Qt::Key_Return);
    }
    // Save, answering Yes to the question.
    void save() {
        messages.queueAnswer(true);
        screen->AcSave->trigger();
    }
    QString lastMessage() const {
        return messages.messages().isEmpty() ? QString() : messages.messages().last();
    }
    QStringList column(const QString& field) const {
        QStringList out;
        for (int r = 0; r < screen->QTranBranch.rowCount(); ++r)
            out << screen->QTranBranch.value(r, field).toString();
        return out;
    }

    ClientServer server;
    DataModules modules{server};
    RecordingMessageService messages;
    ScopedMessageService scoped{messages};
    std::unique_ptr<TFrPickProduct> screen;
};

}  // namespace testing_support
