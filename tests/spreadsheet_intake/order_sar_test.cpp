// The SAR order screen on a distribution centre built from sql/: loading a replenishment
// spreadsheet for the branches of the delivery day, creating the order in one transaction,
// its number per delivery week, and its hand-over to the lines pick planning takes up. The
// sheets are written by the program's own export (.xlsx and .xls) from cells the test gives.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <memory>

#include "data/Messages.h"
#include "spreadsheet_intake/Fr_OrderSar.h"
#include "statements/PickProduct.h"
#include "tests/common/client_fixture.h"
#include "ui/DBGrid.h"
#include "ui/DateEdit.h"
#include "ui/SpreadsheetExport.h"

namespace {

using testing_support::ClientServer;
using testing_support::DataModules;

const QString kNotFound = QStringLiteral("ไม่พบ File ที่ต้องการ กรุณาตรวจสอบอีกครั้ง");
const QString kLoaded = QStringLiteral("Load ข้อมูลเรียบร้อยแล้ว");
const QString kAdded = QStringLiteral("เพิ่ม Order เรียบร้อยแล้ว");
const QString kNotSaved = QStringLiteral("ไม่สามารถ บันทึกได้ ");

const QDate kWednesday(2024, 2, 14);  // week 7: branches 0001 and "B 07"
const QDate kThursday(2024, 2, 15);   // 0001 and 0003
const QDate kFriday(2024, 2, 16);     // 0001 only
const QDate kSunday(2024, 2, 18);     // nobody

const char* const kSuffixes[] = {"MinQnty",     "MaxQnty",    "StoreCurrentStock",
                                 "SAROnSystem", "SARSuggest", "AdjustOrder",
                                 "TTOrder",     "StoreDOH",   "DeliveryRate"};

// One product row of a sheet: its unit, barcode, DC stock and per branch the nine values.
struct Product {
    QVariant unit;
    QVariant barcode;
    QVariant dcStock;
    std::vector<std::vector<QVariant>> branches;  // nine values each
    QVariant picking;
    QString description = QStringLiteral("Fish sauce น้ำปลา");
};

std::vector<QVariant> nine(QVariant min, QVariant max, QVariant stock, QVariant order,
                           QVariant doh = 2.5) {
    return {min, max, stock, 4, 5, 0, order, doh, 0.95};
}

class OrderSarTest : public ::testing::Test {
protected:
    void SetUp() override {
        server.createConfig();
        config()->execute(QStringLiteral(
            "INSERT INTO Branch (BranchNo, BranchCode, BranchName, StopDatabase, Storeregion, "
            "ServerName, Serverbranch) VALUES ('001', '0001', 'สาขา 1', 'N', 'Central', "
            "'BR0001', 'SRV1')"));
        server.createCompany(QStringLiteral("NWX"), QDate::currentDate().year());
        for (const char* script :
             {"company/product_tables.sql", "company/picking_tables.sql", "company/sar_tables.sql"})
            server.runScript(QStringLiteral("NWX"), QString::fromLatin1(script));
        db()->execute(
            QStringLiteral("INSERT INTO BranchPick (Days, BranchCode) VALUES ('WED', '0001') "
                           "INSERT INTO BranchPick (Days, BranchCode) VALUES ('WED', 'B 07') "
                           "INSERT INTO BranchPick (Days, BranchCode) VALUES ('THU', '0001') "
                           "INSERT INTO BranchPick (Days, BranchCode) VALUES ('THU', '0003') "
                           "INSERT INTO BranchPick (Days, BranchCode) VALUES ('FRI', '0001')"));
        unitA = product(QStringLiteral("A100"));
        unitB = product(QStringLiteral("A200"));
        modules.dm.setDatabaseParameter(QStringLiteral("NWX"));
        modules.config.GetCompanyConfig(QStringLiteral("NWX"));
        modules.config.UserId = 1;
        modules.config.MenuId = 1600;
        screen = std::make_unique<TFrOrderSar>();
        screen->show();
        messages.clear();
    }
    void TearDown() override { TFrOrderSar::setOpenDialogHook({}); }

    std::unique_ptr<db::Connection> db() { return server.connect(QStringLiteral("NWX")); }
    std::unique_ptr<db::Connection> config() {
        return server.connect(QString::fromLatin1(kConfigDatabaseNwx));
    }
    qlonglong count(const QString& sql) { return db()->query(sql).value(0, 0).toLongLong(); }
    qlonglong stored() {
        return count(
            QStringLiteral("SELECT (SELECT COUNT(*) FROM OrderSarHd) + (SELECT COUNT(*) "
                           "FROM OrderSarDt) + (SELECT COUNT(*) FROM TranBranch)"));
    }

    // A product of the ordinary division with one unit, barcode "B" + code; its unit's Id.
    qlonglong product(const QString& code) {
        return db()
            ->query(QStringLiteral(
                        "INSERT INTO Product (Code, ThaiName, Blocked, Negative, Useserial, "
                        "locationassign, Division) VALUES (:Code, 'สินค้า ' + :Code, 'N', 'N', "
                        "'N', 'L-1', (SELECT Id FROM Misc WHERE GroupCode = 'DIVISION' AND Code "
                        "= '10')) INSERT INTO ProductUnits (Product, BarCode, UnitName, Fraction) "
                        "VALUES (SCOPE_IDENTITY(), 'B' + :Code, 'ชิ้น', 1) "
                        "SELECT CONVERT(int, SCOPE_IDENTITY())"),
                    {{QStringLiteral("Code"), code}})
            .value(0, 0)
            .toLongLong();
    }

    static ui::ExportColumn column(const QString& title, ui::ColumnKind kind) {
        ui::ExportColumn c;
        c.title = title;
        c.kind = kind;
        return c;
    }

    // A SAR sheet for `branches` (headings, then one row per product), written by the export
    // in the format of the extension.
    QString sheet(const QString& name, const QStringList& branches,
                  const std::vector<Product>& products, int dropColumns = 0) {
        ui::ExportTable table;
        const QStringList head = {
            QStringLiteral("MainGoup"),          QStringLiteral("Division"),
            QStringLiteral("Category"),          QStringLiteral("SubCategory"),
            QStringLiteral("Itemcode"),          QStringLiteral("ProductUnits"),
            QStringLiteral("BarCode"),           QStringLiteral("DescriptionEng"),
            QStringLiteral("BuyingStatus"),      QStringLiteral("CategorySaleStatus"),
            QStringLiteral("CompanySaleStatus"), QStringLiteral("UnitOfPicking"),
            QStringLiteral("DCCurrentStock")};
        for (int i = 0; i < head.size(); ++i)
            table.columns.append(column(head[i], (i == 5 || i == 6 || i >= 11)
                                                     ? ui::ColumnKind::Float
                                                     : ui::ColumnKind::Text));
        for (const QString& b : branches)
            for (const char* s : kSuffixes)
                table.columns.append(column(b + QString::fromLatin1(s), ui::ColumnKind::Float));
        table.columns.append(column(QStringLiteral("TTPickingOrder"), ui::ColumnKind::Float));
        for (int i = 0; i < dropColumns; ++i) table.columns.removeLast();
        for (const Product& p : products) {
            QVariantList row = {QStringLiteral("Food"),
                                QStringLiteral("Grocery"),
                                QStringLiteral("Sauce"),
                                QStringLiteral("  Fish sauce  "),
                                QStringLiteral("000123"),
                                p.unit,
                                p.barcode,
                                p.description,
                                QStringLiteral("YES"),
                                QStringLiteral("A"),
                                QStringLiteral("B"),
                                6,
                                p.dcStock};
            for (const auto& values : p.branches)
                for (const QVariant& v : values) row.append(v);
            row.append(p.picking);
            while (row.size() > table.columns.size()) row.removeLast();
            table.rows.push_back(row);
        }
        const QString path = QDir(server.folder()).filePath(name);
        ui::exportSpreadsheet(path, table, {});
        return path;
    }

    void load(const QDate& delivery, const QString& file) {
        screen->DbDeliveryDate->setDate(delivery);
        screen->EdFileName->setText(file);
        screen->BLoadClick();
    }

    // Loads and creates an order of one product for the delivery day's branches; its number.
    QString createFor(const QDate& delivery, const QStringList& branches) {
        std::vector<std::vector<QVariant>> values(branches.size(), nine(1, 9, 2, 3));
        load(delivery, sheet(QStringLiteral("one.xlsx"), branches, {{unitA, 1, 5, values, 3}}));
        screen->BCreateOrderClick();
        return db()
            ->query(QStringLiteral("SELECT TOP 1 DocNo FROM OrderSarHd ORDER BY Id DESC"))
            .value(0, 0)
            .toString();
    }

    ClientServer server;
    DataModules modules{server};
    RecordingMessageService messages{true};
    ScopedMessageService scoped{messages};
    std::unique_ptr<TFrOrderSar> screen;
    qlonglong unitA = 0, unitB = 0;
};

TEST_F(OrderSarTest, LoadTypesTheRowsOfTheDayBranchesInBothFormats) {
    const QStringList branches = {QStringLiteral("0001"), QStringLiteral("B 07")};
    const std::vector<Product> products = {
        {unitA, 8850123456789.0, 120.5, {nine(2, 10, 1.5, 6), nine(1, 5, QVariant(), 0)}, 6},
        {unitB, QStringLiteral("B-200"), QVariant(), {nine(0, 0, 0, 0), nine(3, 8, 2.25, 4)}, 4},
    };
    for (const char* ext : {"xlsx", "xls"}) {
        SCOPED_TRACE(ext);
        messages.clear();
        load(kWednesday,
             sheet(QStringLiteral("day.") + QString::fromLatin1(ext), branches, products));
        EXPECT_EQ(messages.messages(), QStringList{kLoaded});
        const db::DataSet& set = screen->SarImportSet;
        ASSERT_EQ(set.columnCount(), 15 + 9 * 2);
        EXPECT_EQ(screen->LoadedBranches, branches);
        // Aliases of codes that begin with a digit or hold a blank keep their exact names.
        EXPECT_EQ(set.columns().at(13).name, QStringLiteral("0001MinQnty"));
        EXPECT_EQ(set.columns().at(22).name, QStringLiteral("B 07MinQnty"));
        EXPECT_EQ(screen->ColumnNames.size(), set.columnCount());
        ASSERT_EQ(set.rowCount(), 2);
        EXPECT_EQ(set.value(0, QStringLiteral("BarCode")).toString(),
                  QStringLiteral("8850123456789"))
            << "a barcode stored as a number stays its 13 digits";
        EXPECT_EQ(set.value(0, QStringLiteral("SubCategory")).toString(),
                  QStringLiteral("  Fish sauce  "));
        EXPECT_EQ(set.value(0, QStringLiteral("Itemcode")).toString(), QStringLiteral("000123"));
        EXPECT_EQ(set.value(0, QStringLiteral("DescriptionEng")).toString(),
                  QStringLiteral("Fish sauce น้ำปลา"));
        EXPECT_EQ(set.value(0, QStringLiteral("BuyingStatus")).toString(), QStringLiteral("Y"))
            << "cut to the column's width";
        EXPECT_EQ(set.value(0, QStringLiteral("ProductUnits")).toLongLong(), unitA);
        EXPECT_EQ(set.value(0, QStringLiteral("0001StoreCurrentStock")).toString(),
                  QStringLiteral("1.50"));
        EXPECT_TRUE(set.value(0, QStringLiteral("B 07StoreCurrentStock")).isNull());
        EXPECT_TRUE(set.value(1, QStringLiteral("DCCurrentStock")).isNull());
        EXPECT_EQ(set.value(1, QStringLiteral("TTPickingOrder")).toString(),
                  QStringLiteral("4.00"));
        EXPECT_TRUE(set.value(0, QStringLiteral("TTDeliveryRate")).isNull())
            << "the last column is never read";
        EXPECT_EQ(screen->ProgressBar1->maximum(), 2);
        EXPECT_EQ(screen->ProgressBar1->value(), 2);
        EXPECT_TRUE(screen->BLoad->isEnabled());
        EXPECT_TRUE(screen->BCreateOrder->isEnabled());
    }
}

TEST_F(OrderSarTest, CreateOrderStoresOneLinePerProductAndBranchAndHandsItToPicking) {
    const QStringList branches = {QStringLiteral("0001"), QStringLiteral("B 07")};
    load(kWednesday,
         sheet(QStringLiteral("day.xlsx"), branches,
               {{unitA, 1, 120.5, {nine(2, 10, 1.5, 6, 3.25), nine(1, 5, QVariant(), 0)}, 6},
                {unitB, 2, 7, {nine(0, 0, 0, 0), nine(3, 8, 2.25, 4)}, 4}}));
    // What the grid holds at Create is what is stored.
    screen->SarImportSet.setValue(1, QStringLiteral("0001TTOrder"), 2);
    messages.clear();
    screen->BCreateOrderClick();
    EXPECT_EQ(messages.messages(), QStringList{kAdded});

    auto hd = db()->query(QStringLiteral(
        "SELECT DocNo, Delflag, Approved, DeliveryDate, ReplenishmentType, SCAUserCode, "
        "RetailPrice FROM OrderSarHd"));
    ASSERT_EQ(hd.rowCount(), 1);
    EXPECT_EQ(hd.value(0, 0).toString(), QStringLiteral("SAR2470001"));
    EXPECT_EQ(hd.value(0, 1).toString(), QStringLiteral("N"));
    EXPECT_EQ(hd.value(0, 2).toString(), QStringLiteral("N"));
    EXPECT_EQ(hd.value(0, 3).toDate(), kWednesday);
    EXPECT_EQ(hd.value(0, 4).toString(), QStringLiteral("DC Item"));
    EXPECT_EQ(hd.value(0, 5).toString(), QString());
    EXPECT_EQ(hd.value(0, 6).toInt(), 0);

    auto dt = db()->query(QStringLiteral(
        "SELECT RecNo, BranchCode, ProductUnits, MinQnty, TTOrder, StoreCurrentStock, StoreDOH, "
        "DCCurrentStock, TTPickingOrder, TTDeliveryRate, AvgsalesAmountPerDay, AddDate "
        "FROM OrderSarDt ORDER BY RecNo"));
    ASSERT_EQ(dt.rowCount(), 4);
    const QStringList codes = {QStringLiteral("0001"), QStringLiteral("B 07"),
                               QStringLiteral("0001"), QStringLiteral("B 07")};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(dt.value(i, 0).toInt(), i + 1);
        EXPECT_EQ(dt.value(i, 1).toString(), codes[i]);
        EXPECT_EQ(dt.value(i, 2).toLongLong(), i < 2 ? unitA : unitB);
        EXPECT_EQ(dt.value(i, 9).toDouble(), 0.0) << "TTDeliveryRate";
        EXPECT_EQ(dt.value(i, 10).toDouble(), 0.0);
        EXPECT_FALSE(dt.value(i, 11).isNull());
    }
    EXPECT_EQ(dt.value(0, 3).toInt(), 2);
    EXPECT_EQ(dt.value(0, 4).toInt(), 6);
    EXPECT_DOUBLE_EQ(dt.value(0, 5).toDouble(), 1.5);
    EXPECT_DOUBLE_EQ(dt.value(0, 6).toDouble(), 3.25);
    EXPECT_DOUBLE_EQ(dt.value(0, 7).toDouble(), 120.5);
    EXPECT_DOUBLE_EQ(dt.value(1, 5).toDouble(), 0.0) << "an empty value goes in as 0";
    EXPECT_EQ(dt.value(2, 4).toInt(), 2) << "the grid's edit";
    EXPECT_DOUBLE_EQ(dt.value(3, 8).toDouble(), 4.0);

    // Lines with a quantity reached the centre's order lines, open and not yet picked.
    auto tb =
        db()->query(QStringLiteral("SELECT OrderNO, BranchCode, ProdCode, BarCode, OrderQnty, "
                                   "CloseOrder, Transfer, OrderType, "
                                   "PickNo FROM TranBranch ORDER BY Id"));
    ASSERT_EQ(tb.rowCount(), 3);
    EXPECT_EQ(tb.value(0, 0).toString(), QStringLiteral("SAR2470001"));
    EXPECT_EQ(tb.value(0, 1).toString(), QStringLiteral("0001"));
    EXPECT_EQ(tb.value(0, 2).toString(), QStringLiteral("A100"));
    EXPECT_EQ(tb.value(0, 3).toString(), QStringLiteral("BA100"));
    EXPECT_EQ(tb.value(0, 4).toInt(), 6);
    EXPECT_EQ(tb.value(1, 1).toString(), QStringLiteral("0001"));
    EXPECT_EQ(tb.value(1, 4).toInt(), 2);
    EXPECT_EQ(tb.value(2, 1).toString(), QStringLiteral("B 07"));
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(tb.value(i, 5).toString(), QStringLiteral("N"));
        EXPECT_EQ(tb.value(i, 6).toString(), QStringLiteral("N"));
        EXPECT_EQ(tb.value(i, 7).toString(), QStringLiteral("SAR"));
        EXPECT_TRUE(tb.value(i, 8).isNull());
    }
    // Pick planning's load of branch 0001 offers both lines.
    auto offered = db()->query(QString::fromStdString(statements::pick_product::load({"0001"}, {})),
                               {{QStringLiteral("PickNo"), QString()}});
    EXPECT_EQ(offered.rowCount(), 2);

    // The screen is new again.
    EXPECT_FALSE(screen->BCreateOrder->isEnabled());
    EXPECT_TRUE(screen->BLoad->isEnabled());
    EXPECT_TRUE(screen->EdFileName->text().isEmpty());
    EXPECT_EQ(screen->SarImportSet.columnCount(), 1);
}

TEST_F(OrderSarTest, NumbersCountPerDeliveryWeekAndIgnoreOtherStoredNumbers) {
    // Numbers another series or a hand left behind: too short, letters at the end, another
    // prefix, the week's prefix with a non-digit. None may stop the numbering or count.
    db()->execute(QStringLiteral(
        "INSERT INTO OrderSarHd (Delflag, Approved, DocNo) VALUES ('N', 'N', 'SAR') "
        "INSERT INTO OrderSarHd (Delflag, Approved, DocNo) VALUES ('N', 'N', 'SA') "
        "INSERT INTO OrderSarHd (Delflag, Approved, DocNo) VALUES ('N', 'N', 'SAR247ABCD') "
        "INSERT INTO OrderSarHd (Delflag, Approved, DocNo) VALUES ('N', 'N', 'SAR2470x09') "
        "INSERT INTO OrderSarHd (Delflag, Approved, DocNo) VALUES ('N', 'N', 'PO2470009') "
        "INSERT INTO OrderSarHd (Delflag, Approved, DocNo) VALUES ('N', 'N', 'SAR24700099')"));
    const QStringList wed = {QStringLiteral("0001"), QStringLiteral("B 07")};
    EXPECT_EQ(createFor(kWednesday, wed), QStringLiteral("SAR2470001"));
    EXPECT_EQ(createFor(kWednesday, wed), QStringLiteral("SAR2470002"));
    EXPECT_EQ(createFor(QDate(2024, 2, 11), {}), QStringLiteral("SAR2470003"))
        << "Sunday begins the week";
    EXPECT_EQ(createFor(QDate(2024, 2, 10), {}), QStringLiteral("SAR2460001"));
    EXPECT_EQ(createFor(QDate(2024, 4, 10), wed), QStringLiteral("SAR24150001"));
    EXPECT_EQ(createFor(QDate(2024, 4, 11), {QStringLiteral("0001"), QStringLiteral("0003")}),
              QStringLiteral("SAR24150002"));
    EXPECT_EQ(createFor(QDate(2025, 1, 1), wed), QStringLiteral("SAR2510001"));
    EXPECT_EQ(messages.messages().count(kAdded), 7);
    EXPECT_EQ(messages.messages().count(kNotSaved), 0);
}

TEST_F(OrderSarTest, DeliveryDateChangedAfterLoad) {
    const QStringList wed = {QStringLiteral("0001"), QStringLiteral("B 07")};
    const std::vector<Product> one = {{unitA, 1, 5, {nine(1, 9, 2, 3), nine(1, 9, 2, 4)}, 7}};
    // Thursday picks 0003, which the sheet of Wednesday does not have: nothing is stored.
    load(kWednesday, sheet(QStringLiteral("wed.xlsx"), wed, one));
    screen->DbDeliveryDate->setDate(kThursday);
    messages.clear();
    screen->BCreateOrderClick();
    EXPECT_EQ(messages.messages(), QStringList{kNotSaved});
    EXPECT_EQ(stored(), 0);
    EXPECT_FALSE(screen->BCreateOrder->isEnabled());

    // Friday picks 0001 only: B 07's columns are skipped.
    load(kWednesday, sheet(QStringLiteral("wed.xlsx"), wed, one));
    screen->DbDeliveryDate->setDate(kFriday);
    screen->BCreateOrderClick();
    EXPECT_EQ(db()->query(QStringLiteral("SELECT DocNo, DeliveryDate FROM OrderSarHd"))
                  .value(0, 1)
                  .toDate(),
              kFriday);
    auto dt = db()->query(QStringLiteral("SELECT BranchCode, TTOrder FROM OrderSarDt"));
    ASSERT_EQ(dt.rowCount(), 1);
    EXPECT_EQ(dt.value(0, 0).toString(), QStringLiteral("0001"));
    EXPECT_EQ(dt.value(0, 1).toInt(), 3);
}

TEST_F(OrderSarTest, NoBranchOnTheDayAndHeadingsOnly) {
    // Sunday: the set has the 15 product columns; the order is a header without lines.
    load(kSunday, sheet(QStringLiteral("sun.xls"), {}, {{unitA, 1, 5, {}, 3}}));
    EXPECT_EQ(screen->SarImportSet.columnCount(), 15);
    EXPECT_EQ(screen->SarImportSet.rowCount(), 1);
    screen->BCreateOrderClick();
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM OrderSarHd")), 1);
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM OrderSarDt")), 0);
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM TranBranch")), 0);

    // Headings only, even narrower than the set: nothing to read, and still reported loaded.
    messages.clear();
    load(kWednesday, sheet(QStringLiteral("head.xlsx"), {QStringLiteral("0001")}, {}));
    EXPECT_EQ(messages.messages(), QStringList{kLoaded});
    EXPECT_EQ(screen->SarImportSet.rowCount(), 0);
    EXPECT_EQ(screen->SarImportSet.columnCount(), 33);
    EXPECT_EQ(screen->ProgressBar1->maximum(), 0);
}

TEST_F(OrderSarTest, ACellThatDoesNotConvertNamesRowColumnAndText) {
    const QStringList wed = {QStringLiteral("0001"), QStringLiteral("B 07")};
    try {
        load(kWednesday,
             sheet(QStringLiteral("bad.xlsx"), wed,
                   {{unitA, 1, 5, {nine(1, 9, 2, 3), nine(1, 9, 2, 4)}, 7},
                    {unitB, 2, 5, {nine(QStringLiteral("สิบ"), 9, 2, 3), nine(1, 9, 2, 4)}, 7}}));
        FAIL() << "loaded";
    } catch (const db::DatabaseError& error) {
        EXPECT_TRUE(error.message().contains(QStringLiteral("Row 3"))) << error.what();
        EXPECT_TRUE(error.message().contains(QStringLiteral("0001MinQnty"))) << error.what();
        EXPECT_TRUE(error.message().contains(QStringLiteral("'สิบ'"))) << error.what();
        EXPECT_TRUE(error.message().contains(QStringLiteral("cell N3"))) << error.what();
    }
    EXPECT_TRUE(messages.messages().isEmpty());
    EXPECT_EQ(screen->SarImportSet.rowCount(), 2);
    EXPECT_EQ(screen->DBGSar->model()->rowCount(), 2) << "rows read so far stay in view";
    EXPECT_FALSE(screen->BLoad->isEnabled());
    EXPECT_FALSE(screen->BCreateOrder->isEnabled());
    EXPECT_TRUE(screen->AcNew->isEnabled()) << "New is the way on";
    EXPECT_TRUE(screen->AcExit->isEnabled());

    // A number no int holds.
    screen->AcNewExecute();
    EXPECT_THROW(load(kWednesday, sheet(QStringLiteral("big.xls"), wed,
                                        {{1e12, 1, 5, {nine(1, 9, 2, 3), nine(1, 9, 2, 4)}, 7}})),
                 db::DatabaseError);

    // A sheet narrower than the day's columns.
    screen->AcNewExecute();
    EXPECT_THROW(load(kWednesday, sheet(QStringLiteral("narrow.xlsx"), {QStringLiteral("0001")},
                                        {{unitA, 1, 5, {nine(1, 9, 2, 3)}, 7}})),
                 std::runtime_error);
}

TEST_F(OrderSarTest, AFailedCreateLeavesNothingStored) {
    const QStringList wed = {QStringLiteral("0001"), QStringLiteral("B 07")};
    // A unit the centre does not know: the hand-over fails after every line was written.
    load(kWednesday, sheet(QStringLiteral("x.xlsx"), wed,
                           {{unitA, 1, 5, {nine(1, 9, 2, 3), nine(1, 9, 2, 4)}, 7},
                            {9999, 1, 5, {nine(1, 9, 2, 3), nine(1, 9, 2, 4)}, 7}}));
    messages.clear();
    screen->BCreateOrderClick();
    EXPECT_EQ(messages.messages(), QStringList{kNotSaved});
    EXPECT_EQ(stored(), 0);

    // An order quantity an int line cannot hold is refused, not wrapped around.
    load(kWednesday, sheet(QStringLiteral("x.xlsx"), wed,
                           {{unitA, 1, 5, {nine(1, 9, 2, 3), nine(1, 9, 2, 4)}, 7}}));
    screen->SarImportSet.setValue(0, QStringLiteral("B 07TTOrder"), 3000000000.0);
    messages.clear();
    screen->BCreateOrderClick();
    EXPECT_EQ(messages.messages(), QStringList{kNotSaved});
    EXPECT_EQ(stored(), 0);
    EXPECT_FALSE(db()->query(QStringLiteral("SELECT @@TRANCOUNT")).value(0, 0).toBool());

    // The next order of the week still draws the first number.
    EXPECT_EQ(createFor(kWednesday, wed), QStringLiteral("SAR2470001"));
}

TEST_F(OrderSarTest, FileNameRulesAndUnreadableFiles) {
    const QString good = sheet(QStringLiteral("good.xlsx"), {QStringLiteral("0001")},
                               {{unitA, 1, 5, {nine(1, 9, 2, 3)}, 7}});
    const QString dir = server.folder();
    QFile::copy(good, dir + QStringLiteral("/upper.XLSX"));
    QFile::copy(good, dir + QStringLiteral("/plainxls"));
    for (const QString& name :
         {dir + QStringLiteral("/missing.xlsx"), dir + QStringLiteral("/upper.XLSX"), QString()}) {
        messages.clear();
        load(kFriday, name);
        EXPECT_EQ(messages.messages(), QStringList{kNotFound}) << name.toStdString();
        EXPECT_TRUE(screen->BLoad->isEnabled());
    }
    // The name only has to end in "xls"; the content decides the format.
    messages.clear();
    load(kFriday, dir + QStringLiteral("/plainxls"));
    EXPECT_EQ(messages.messages(), QStringList{kLoaded});
    EXPECT_EQ(screen->SarImportSet.rowCount(), 1);

    // Not a workbook: the reader's error reaches the error report.
    QFile text(dir + QStringLiteral("/notes.xls"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("MinQnty;MaxQnty\n1;2\n");
    text.close();
    screen->AcNewExecute();
    EXPECT_ANY_THROW(load(kFriday, text.fileName()));

    // The browse button takes the dialog's choice; cancel keeps the name.
    TFrOrderSar::setOpenDialogHook([&](QWidget*, const QString&) { return good; });
    screen->BtBrowseClick();
    EXPECT_EQ(QDir::fromNativeSeparators(screen->EdFileName->text()), good);
    TFrOrderSar::setOpenDialogHook([](QWidget*, const QString&) { return QString(); });
    screen->BtBrowseClick();
    EXPECT_EQ(QDir::fromNativeSeparators(screen->EdFileName->text()), good);
}

TEST_F(OrderSarTest, KeyboardFlowFromDeliveryDateToLoad) {
    screen->activateWindow();
    screen->DbDeliveryDate->setFocus();
    QApplication::processEvents();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), static_cast<QWidget*>(screen->EdFileName))
        << (QApplication::focusWidget() ? QApplication::focusWidget()->metaObject()->className()
                                        : "none");
    // Enter on the file name leads to Load; after the load the order is the next step.
    QTest::keyClick(screen->EdFileName, Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), static_cast<QWidget*>(screen->BLoad));
    // F4 in the file name opens the file dialog.
    TFrOrderSar::setOpenDialogHook(
        [](QWidget*, const QString&) { return QStringLiteral("/x.xls"); });
    screen->EdFileName->setFocus();
    QTest::keyClick(screen->EdFileName, Qt::Key_F4);
    EXPECT_EQ(QDir::fromNativeSeparators(screen->EdFileName->text()), QStringLiteral("/x.xls"));
    load(kFriday, sheet(QStringLiteral("k.xlsx"), {QStringLiteral("0001")},
                        {{unitA, 1, 5, {nine(1, 9, 2, 3)}, 7}}));
    EXPECT_EQ(QApplication::focusWidget(), static_cast<QWidget*>(screen->BCreateOrder));
}

}  // namespace
