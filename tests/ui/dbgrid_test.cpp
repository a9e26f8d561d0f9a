// The data grid driven with real key and mouse events: Enter walks the columns and commits,
// the screen's change report corrects values, no key adds or removes rows, the screen's
// colours are what gets painted.
#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>

#include "data/Dm_Config.h"
#include "data/Messages.h"
#include "db/data_set.h"
#include "tests/ui/caught_errors.h"
#include "ui/DBGrid.h"
#include "ui/Fr_Form.h"

using db::Column;
using db::FieldType;

namespace {

db::ResultSet orderRows() {
    QList<Column> columns{
        {"BarCode", FieldType::String, 15, 0, 0},      {"Price", FieldType::Decimal, 0, 18, 2},
        {"SaleQnty", FieldType::Integer, 0, 0, 0},     {"MinQnty", FieldType::Integer, 0, 0, 0},
        {"MaxStock", FieldType::Integer, 0, 0, 0},     {"Onhand", FieldType::Integer, 0, 0, 0},
        {"BackOrders", FieldType::Integer, 0, 0, 0},   {"OrderQnty", FieldType::Integer, 0, 0, 0},
        {"OLOrderDate", FieldType::DateTime, 0, 0, 0}, {"ProdName", FieldType::String, 30, 0, 0},
        {"Product", FieldType::Integer, 0, 0, 0}};
    const QVariant price = QVariant::fromValue(*db::Decimal::parse(u"1234.5"));
    const QDateTime date(QDate(2024, 3, 5), QTime(0, 0));
    std::vector<QVariantList> rows;
    for (int i = 0; i < 4; ++i)
        rows.push_back({QStringLiteral("88500000000%1").arg(i), price, i, 1, 10, 4, 3, 0, date,
                        QStringLiteral("Product %1").arg(i), 100 + i});
    return db::ResultSet(columns, rows);
}

QList<GridColumn> orderColumns() {
    return {{"BarCode", "BarCode", 15, true, {}, true},
            {"Price", "ราคาขาย", 8, true, "#,##0.00", true},
            {"Onhand", "คงเหลือ", 8, true, {}, true},
            {"BackOrders", "ค้างรับ", 8, true, {}, true},
            {"MaxStock", "MaxStock", 8, true, {}, false},
            {"OrderQnty", "จำนวนสั่ง", 8, false, "####", true},
            {"OLOrderDate", "วันที่สั่งล่าสุด", 11, true, {}, true},
            {"ProdName", "ชื่อสินค้า", 30, true, {}, true}};
}

class DBGridTest : public ::testing::Test {
protected:
    void SetUp() override {
        data.load(orderRows());
        grid = new DBGrid;
        other = new QLineEdit;
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(grid);
        layout->addWidget(other);
        grid->setDataSet(&data);
        grid->setColumns(orderColumns());
        window.resize(1000, 400);
        window.show();
        QApplication::setActiveWindow(&window);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        grid->focusColumn("OrderQnty");
    }

    // Keys go where the user's keys would go: to the focused widget, editor or grid.
    static void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(QApplication::focusWidget(), key, modifiers);
    }
    static void type(const QString& text) {
        for (QChar c : text) QTest::keyClicks(QApplication::focusWidget(), QString(c));
    }
    bool editing() const {
        return qobject_cast<QLineEdit*>(QApplication::focusWidget()) &&
               QApplication::focusWidget() != other;
    }

    QWidget window;
    db::DataSet data;
    DBGrid* grid;
    QLineEdit* other;
};

TEST_F(DBGridTest, ShowsTheListedColumnsWithTitlesPatternsAndWidthsInCharacters) {
    ASSERT_EQ(grid->model()->columnCount(), 8);
    EXPECT_EQ(grid->model()->headerData(1, Qt::Horizontal).toString(), QString("ราคาขาย"));
    EXPECT_EQ(grid->columnOf("Product"), -1);  // not listed, not shown
    EXPECT_EQ(grid->displayText(0, "Price"), QString("1,234.50"));
    EXPECT_EQ(grid->displayText(0, "OLOrderDate"), QString("05/03/2024"));
    EXPECT_EQ(grid->displayText(0, "OrderQnty"), QString());  // "####" leaves 0 blank
    data.setValue(0, "OrderQnty", 12);
    EXPECT_EQ(grid->displayText(0, "OrderQnty"), QString("12"));

    // The hidden column is neither shown nor exported.
    EXPECT_TRUE(grid->isColumnHidden(grid->columnOf("MaxStock")));
    QStringList exported;
    for (const GridColumn& c : grid->visibleColumns()) exported << c.field;
    EXPECT_EQ(exported, QStringList({"BarCode", "Price", "Onhand", "BackOrders", "OrderQnty",
                                     "OLOrderDate", "ProdName"}));

    // A column n characters wide holds n digits without eliding, and not much more.
    const QFontMetrics fm(grid->font());
    for (const char* field : {"BarCode", "ProdName"}) {
        const int n = field == QString("BarCode") ? 15 : 30;
        const int width = grid->columnWidth(grid->columnOf(field));
        EXPECT_GE(width, fm.horizontalAdvance(QString(n, '0')) + 4) << field;
        EXPECT_LT(width, 2 * fm.horizontalAdvance(QString(n, '0'))) << field;
    }
    // No column is narrower than its title.
    grid->setColumns({{"Onhand", "จำนวนสั่งล่าสุด", 3, true, {}, true}});
    const QFontMetrics header(grid->horizontalHeader()->font());
    EXPECT_GE(grid->columnWidth(0), header.horizontalAdvance("จำนวนสั่งล่าสุด"));
    grid->setColumns(orderColumns());

    // The widths follow the font.
    const int before = grid->columnWidth(0);
    QFont bigger = grid->font();
    bigger.setPointSize(bigger.pointSize() * 2);
    grid->setFont(bigger);
    EXPECT_GT(grid->columnWidth(0), before * 3 / 2);

    // Without a list the data set's columns are shown under their own names.
    DBGrid plain;
    plain.setDataSet(&data);
    EXPECT_EQ(plain.model()->columnCount(), data.columnCount());
    EXPECT_EQ(plain.model()->headerData(10, Qt::Horizontal).toString(), QString("Product"));
}

TEST_F(DBGridTest, EnterCommitsTheEditAndMovesToTheNextColumnWithoutAddingRows) {
    type("7");
    ASSERT_TRUE(editing());  // a digit starts editing
    press(Qt::Key_Return);
    EXPECT_FALSE(editing());
    EXPECT_EQ(data.value(0, "OrderQnty").toLongLong(), 7);
    EXPECT_EQ(grid->model()->data(grid->model()->index(0, grid->columnOf("OrderQnty"))),
              QVariant("7"));
    EXPECT_EQ(grid->currentField(), QString("OLOrderDate"));
    EXPECT_EQ(grid->currentRow(), 0);

    // Keypad Enter too; hidden columns are skipped, the last column wraps to the next row.
    grid->focusColumn("BackOrders");
    QTest::keyClick(grid, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(grid->currentField(), QString("OrderQnty"));
    grid->focusColumn("ProdName");
    press(Qt::Key_Return);
    EXPECT_EQ(grid->currentRow(), 1);
    EXPECT_EQ(grid->currentField(), QString("BarCode"));

    // The last cell is the end: Enter, Down, Insert and Ctrl+Delete add or remove nothing.
    grid->setCurrentRow(3);
    grid->focusColumn("ProdName");
    for (auto [key, modifiers] : {std::pair{Qt::Key_Return, Qt::NoModifier},
                                  {Qt::Key_Down, Qt::NoModifier},
                                  {Qt::Key_Insert, Qt::NoModifier},
                                  {Qt::Key_Delete, Qt::ControlModifier},
                                  {Qt::Key_Delete, Qt::NoModifier}})
        press(key, modifiers);
    EXPECT_EQ(data.rowCount(), 4);
    EXPECT_EQ(grid->currentRow(), 3);
    EXPECT_EQ(data.rowState(3), db::DataSet::RowState::Unchanged);

    // Escape while editing drops the edit and nothing else.
    grid->focusColumn("OrderQnty");
    type("95");
    press(Qt::Key_Escape);
    EXPECT_FALSE(editing());
    EXPECT_TRUE(data.value(3, "OrderQnty") == QVariant(0LL));
    EXPECT_TRUE(window.isVisible());
}

TEST_F(DBGridTest, AMessageShownFromTheChangeReportLeavesOneReportAndALiveGrid) {
    // The order screen tells the user why it corrects a quantity: a real message box, which
    // takes the focus from the open editor.
    int reports = 0;
    QObject::connect(grid, &DBGrid::fieldChanged, [&](int row, const QString& field) {
        if (field != "OrderQnty") return;
        ++reports;
        QMessageBox box(&window);
        box.setText(QStringLiteral("ไม่สามารถป้อนน้อยกว่า 0 ได้"));
        // What the window system does as the box comes up: the box is active and the open
        // editor loses the focus.
        QPointer<QWidget> editor = QApplication::focusWidget();
        QTimer::singleShot(0, &box, [&box, editor] {
            box.activateWindow();
            box.setFocus();
            if (!editor) return;
            QFocusEvent out(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
            QApplication::sendEvent(editor, &out);
        });
        QTimer::singleShot(50, &box, &QMessageBox::accept);
        box.exec();
        data.setValue(row, field, 0);
    });
    type("-1");
    press(Qt::Key_Return);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(reports, 1);
    EXPECT_FALSE(editing());
    EXPECT_TRUE(data.value(0, "OrderQnty") == QVariant(0LL));

    // A toolbar action while a cell is still being typed in stores the typed value first.
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    grid->focusColumn("OrderQnty");
    type("7");
    ASSERT_TRUE(editing());
    grid->commitEdit();
    EXPECT_FALSE(editing());
    EXPECT_TRUE(data.value(0, "OrderQnty") == QVariant(0LL));  // corrected again, reported
    EXPECT_EQ(reports, 2);
}

TEST_F(DBGridTest, RefusesTextThatIsNotAValueOfTheColumnAndEditsOnlyEditableColumns) {
    type("-1x2");  // the letter never reaches the editor
    press(Qt::Key_Return);
    EXPECT_TRUE(data.value(0, "OrderQnty") == QVariant(-12LL));

    grid->focusColumn("ProdName");
    type("9");
    EXPECT_FALSE(editing());
    grid->setReadOnly(true);
    grid->focusColumn("OrderQnty");
    type("9");
    EXPECT_FALSE(editing());
}

TEST_F(DBGridTest, ADateCellTypedWrongRaisesTheDateError) {
    QList<GridColumn> columns = orderColumns();
    columns[6].readOnly = false;  // OLOrderDate
    grid->setColumns(columns);
    caughtErrors().clear();
    grid->focusColumn("OLOrderDate");
    type("31/02/2024");
    press(Qt::Key_Return);
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(caughtErrors(), QStringList{"'31/02/2024' is not a valid date"});
    EXPECT_EQ(data.value(0, "OLOrderDate").toDateTime(), QDateTime(QDate(2024, 3, 5), QTime(0, 0)));

    caughtErrors().clear();
    grid->focusColumn("OLOrderDate");
    type("01/04/2024");
    press(Qt::Key_Return);
    QCoreApplication::sendPostedEvents();
    EXPECT_TRUE(caughtErrors().isEmpty());
    EXPECT_EQ(data.value(0, "OLOrderDate").toDateTime().date(), QDate(2024, 4, 1));
}

TEST_F(DBGridTest, TheScreenCorrectsAChangeFromItsReportAndTheCorrectionIsKept) {
    QStringList reports;
    // The order screen's quantity rule, in short.
    QObject::connect(grid, &DBGrid::fieldChanged, [&](int row, const QString& field) {
        reports << QStringLiteral("%1:%2=%3")
                       .arg(row)
                       .arg(field)
                       .arg(data.value(row, field).toString());
        if (field != "OrderQnty") return;
        const qlonglong qty = data.value(row, field).toLongLong();
        const qlonglong max = data.value(row, "MaxStock").toLongLong();
        const qlonglong held =
            data.value(row, "Onhand").toLongLong() + data.value(row, "BackOrders").toLongLong();
        if (qty < 0)
            data.setValue(row, field, 0);
        else if (max > 0 && qty != 0 && qty + held > max)
            data.setValue(row, field, qMax(max - held, 0LL));
    });

    type("-1");
    press(Qt::Key_Return);
    EXPECT_TRUE(data.value(0, "OrderQnty") == QVariant(0LL));
    EXPECT_EQ(reports, QStringList({"0:OrderQnty=-1"}));  // the correction is not re-reported

    grid->focusColumn("OrderQnty");
    type("5");
    press(Qt::Key_Return);
    EXPECT_TRUE(data.value(0, "OrderQnty") == QVariant(3LL));
    EXPECT_EQ(grid->displayText(0, "OrderQnty"), QString("3"));
    const QModelIndex cell = grid->model()->index(0, grid->columnOf("OrderQnty"));
    EXPECT_EQ(grid->model()->data(cell), QVariant("3"));

    // A value the program sets is reported and corrected alike, on any row.
    reports.clear();
    data.setValue(2, "OrderQnty", 50);
    EXPECT_TRUE(data.value(2, "OrderQnty") == QVariant(3LL));
    EXPECT_EQ(reports, QStringList({"2:OrderQnty=50"}));

    // Leaving the row afterwards changes nothing more.
    reports.clear();
    press(Qt::Key_Down);
    EXPECT_TRUE(reports.isEmpty());
}

TEST_F(DBGridTest, PaintsTheColoursTheScreenChoosesAndTheOrdinaryOnesElsewhere) {
    const QColor orange(255, 188, 121), yellow(255, 255, 0), red(255, 4, 4);
    const QColor alternate(228, 237, 239);
    grid->setCalcCellColors([&](int row, const QString& field, CellColors& colors) {
        if (data.value(row, "SaleQnty").toLongLong() == 1) colors.background = orange;
        if (field == "OrderQnty") {
            colors.background = yellow;
            colors.foreground = red;
            colors.bold = true;
        }
    });
    grid->setCurrentRow(0);
    grid->focusColumn("BarCode");
    grid->viewport()->update();
    const QImage painted = grid->viewport()->grab().toImage();
    // A point of the cell's background, clear of its text and the grid lines.
    auto background = [&](int row, const QString& field) {
        const QRect r = grid->visualRect(grid->model()->index(row, grid->columnOf(field)));
        const bool rightAligned = field == "OrderQnty" || field == "Onhand";
        const QPoint p = rightAligned ? QPoint(r.left() + 3, r.center().y())
                                      : QPoint(r.right() - 3, r.center().y());
        return QColor(painted.pixel(p * painted.devicePixelRatio()));
    };
    EXPECT_EQ(background(1, "BarCode"), orange);
    EXPECT_EQ(background(1, "Onhand"), orange);
    EXPECT_EQ(background(2, "OrderQnty"), yellow);
    EXPECT_EQ(background(2, "BarCode"), QColor(Qt::white));
    EXPECT_EQ(background(3, "BarCode"), alternate);
    // The current cell stays marked over the screen's colour.
    EXPECT_NE(background(0, "BarCode"), QColor(Qt::white));

    const CellColors qty = grid->cellColors(3, "OrderQnty");
    EXPECT_EQ(qty.foreground, red);
    EXPECT_TRUE(qty.bold);
}

TEST_F(DBGridTest, TitleClicksAndTheCurrentRowAreReported) {
    QSignalSpy titles(grid, &DBGrid::titleClicked);
    QHeaderView* header = grid->horizontalHeader();
    const int section = grid->columnOf("Onhand");
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(section) + 5, header->height() / 2));
    ASSERT_EQ(titles.count(), 1);
    EXPECT_EQ(titles.at(0).at(0).toString(), QString("Onhand"));

    QSignalSpy rows(grid, &DBGrid::currentRowChanged);
    press(Qt::Key_Down);
    EXPECT_EQ(grid->currentRow(), 1);
    // An appended row becomes current, as does the first row after a reload.
    const int added = data.appendRow();
    EXPECT_EQ(grid->currentRow(), added);
    EXPECT_TRUE(grid->editFirstRow());
    grid->setCurrentRow(2);
    data.load(orderRows());
    EXPECT_EQ(grid->currentRow(), 0);
    QList<int> seen;
    for (const QList<QVariant>& args : rows) seen << args.at(0).toInt();
    EXPECT_EQ(seen, QList<int>({1, 4, 0, 2, 0}));

    data.clear();
    EXPECT_EQ(grid->currentRow(), -1);
    EXPECT_FALSE(grid->editFirstRow());
}

TEST(DBGridInFrame, EnterStaysInTheGridAndLeavingAsksBeforeAnEditIsStored) {
    TDMConfig config;
    RecordingMessageService messages;
    ScopedMessageService scoped{messages};
    db::DataSet data;
    data.load(orderRows());
    TFrForm screen;
    auto* layout = new QVBoxLayout(screen.centralArea());
    auto* grid = new DBGrid;
    auto* after = new QLineEdit;
    layout->addWidget(grid);
    layout->addWidget(after);
    grid->setDataSet(&data);
    grid->setColumns(orderColumns());
    screen.show();
    QApplication::setActiveWindow(&screen);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&screen));

    grid->focusColumn("OrderQnty");
    QTest::keyClicks(grid, "4");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_TRUE(data.value(0, "OrderQnty") == QVariant(4LL));
    EXPECT_EQ(QApplication::focusWidget(), grid);
    EXPECT_EQ(grid->currentField(), QString("OLOrderDate"));
    EXPECT_TRUE(messages.questions().isEmpty());

    // Escape and the exit action while editing ask first, and store nothing before they do:
    // No leaves the cell being typed in as it was.
    grid->focusColumn("OrderQnty");
    QTest::keyClicks(grid, "9");
    auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    ASSERT_TRUE(editor && editor != after);
    messages.queueAnswers({false, false});
    QTest::keyClick(editor, Qt::Key_Escape);
    QTest::keyClick(editor, Qt::Key_X, Qt::ControlModifier);
    ASSERT_EQ(messages.questions().size(), 2);
    EXPECT_EQ(messages.questions()[0].text, QString("Exit Program ?"));
    EXPECT_TRUE(screen.isVisible());
    EXPECT_EQ(QApplication::focusWidget(), editor);
    EXPECT_EQ(editor->text(), QString("9"));
    EXPECT_TRUE(data.value(0, "OrderQnty") == QVariant(4LL));
    EXPECT_EQ(data.rowState(0), db::DataSet::RowState::Modified);  // from the 4 alone

    // The question box takes the window's focus from the editor: that ends no edit either.
    QFocusEvent out(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
    QApplication::sendEvent(editor, &out);
    ASSERT_EQ(grid->indexWidget(grid->currentIndex()), editor);
    EXPECT_EQ(editor->text(), QString("9"));

    // The edit goes on where it was.
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_TRUE(data.value(0, "OrderQnty") == QVariant(9LL));
}

TEST_F(DBGridTest, NumbersTheColumnCannotHoldAreRefusedWithAMessage) {
    RecordingMessageService messages;
    ScopedMessageService scoped{messages};
    db::DataSet numbers;
    numbers.load(db::ResultSet({{"Qty", FieldType::Integer, 0, 10, 0},
                                {"Small", FieldType::Integer, 0, 3, 0},
                                {"Amount", FieldType::Decimal, 0, 5, 2}},
                               {{7LL, 1LL, QVariant::fromValue(*db::Decimal::parse(u"1.50"))}}));
    grid->setDataSet(&numbers);
    grid->setColumns({{"Qty", "Qty", 12, false, {}, true},
                      {"Small", "Small", 4, false, {}, true},
                      {"Amount", "Amount", 8, false, "#,##0.00", true}});
    QStringList reports;
    QObject::connect(grid, &DBGrid::fieldChanged,
                     [&](int, const QString& field) { reports << field; });
    auto typeIn = [&](const char* field, const QString& text) {
        messages.clear();
        grid->focusColumn(field);
        type(text);
        press(Qt::Key_Return);
        EXPECT_FALSE(editing()) << text.toStdString();
    };
    const QString intRange =
        "ค่าที่ป้อนเกินกว่าที่ช่องนี้เก็บได้\n\r"
        "ป้อนได้ตั้งแต่ -2,147,483,648 ถึง 2,147,483,647";
    for (const char* typed : {"3000000000", "4294967297", "-2147483649", "99999999999999999999"}) {
        typeIn("Qty", typed);
        EXPECT_EQ(messages.messages(), QStringList{intRange}) << typed;
        EXPECT_TRUE(numbers.value(0, "Qty") == QVariant(7LL)) << typed;
    }
    EXPECT_TRUE(reports.isEmpty());
    typeIn("Qty", "2147483647");
    EXPECT_TRUE(messages.messages().isEmpty());
    EXPECT_TRUE(numbers.value(0, "Qty") == QVariant(2147483647LL));

    for (const char* typed : {"256", "-1"}) {
        typeIn("Small", typed);
        EXPECT_EQ(messages.messages(), QStringList{"ค่าที่ป้อนเกินกว่าที่ช่องนี้เก็บได้\n\rป้อนได้ตั้งแต่ 0 ถึง 255"})
            << typed;
    }
    typeIn("Amount", "1000");
    EXPECT_EQ(messages.messages(),
              QStringList{"ค่าที่ป้อนเกินกว่าที่ช่องนี้เก็บได้\n\rป้อนได้ตั้งแต่ -999.99 ถึง 999.99"});
    typeIn("Amount", "999.99");
    EXPECT_EQ(grid->displayText(0, "Amount"), QString("999.99"));
    EXPECT_EQ(reports, QStringList({"Qty", "Amount"}));
}

}  // namespace
