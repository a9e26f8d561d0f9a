// The date and whole-number fields, typed into with real keys.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include "db/data_set.h"
#include "ui/DateEdit.h"
#include "ui/NumberEdit.h"

namespace {

class EditorsTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(date = new DateEdit);
        layout->addWidget(number = new NumberEdit);
        layout->addWidget(other = new QLineEdit);
        window.show();
        QApplication::setActiveWindow(&window);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }

    // Replaces the field's text by typing, then leaves the field.
    void typeInto(QLineEdit* field, const QString& text) {
        field->setFocus();
        field->selectAll();
        QTest::keyClick(field, Qt::Key_Backspace);
        QTest::keyClicks(field, text);
        other->setFocus();
    }

    QWidget window;
    DateEdit* date;
    NumberEdit* number;
    QLineEdit* other;
};

TEST_F(EditorsTest, DateFieldTakesOnlyDaysMonthsAndFourDigitYears) {
    QSignalSpy changes(date, &DateEdit::dateChanged);
    EXPECT_TRUE(date->isEmpty());
    typeInto(date, "05/03/2024");
    EXPECT_EQ(date->date(), QDate(2024, 3, 5));
    EXPECT_EQ(date->text(), QString("05/03/2024"));
    EXPECT_EQ(changes.count(), 1);

    typeInto(date, "1/2/2024");  // single digits are padded
    EXPECT_EQ(date->date(), QDate(2024, 2, 1));
    EXPECT_EQ(date->text(), QString("01/02/2024"));

    // Refused: letters as they are typed, impossible dates and short years on leaving.
    typeInto(date, "0a5");
    EXPECT_EQ(date->text(), QString("01/02/2024"));
    for (const char* wrong : {"31/02/2024", "05/03/24", "05/13/2024", "2024-03-05"}) {
        typeInto(date, wrong);
        EXPECT_EQ(date->date(), QDate(2024, 2, 1)) << wrong;
        EXPECT_EQ(date->text(), QString("01/02/2024")) << wrong;
    }

    typeInto(date, "");  // empty is NULL
    EXPECT_TRUE(date->isEmpty());
    EXPECT_TRUE(date->date().isNull());

    date->setReadOnly(true);
    typeInto(date, "05/03/2024");
    EXPECT_TRUE(date->isEmpty());
}

TEST_F(EditorsTest, BoundDateFieldShowsAndStoresTheRowsValue) {
    db::DataSet data;
    data.load(db::ResultSet({{"OrderDate", db::FieldType::DateTime, 0, 0, 0}},
                            {{QDateTime(QDate(2024, 1, 31), QTime(10, 30))}, {QVariant()}}));
    date->setDataField(&data, "OrderDate");
    EXPECT_TRUE(date->isEmpty());  // no row yet
    date->setRow(0);
    EXPECT_EQ(date->text(), QString("31/01/2024"));
    date->setRow(1);
    EXPECT_TRUE(date->isEmpty());

    typeInto(date, "15/02/2024");
    EXPECT_EQ(data.value(1, "OrderDate").toDateTime(), QDateTime(QDate(2024, 2, 15), QTime(0, 0)));
    EXPECT_EQ(data.rowState(1), db::DataSet::RowState::Modified);

    data.setValue(1, "OrderDate", QDate(2024, 4, 1));
    EXPECT_EQ(date->date(), QDate(2024, 4, 1));
    data.deleteRow(0);  // the row number now shows nothing
    EXPECT_TRUE(date->isEmpty());
}

TEST_F(EditorsTest, NumberFieldEditsThePlainNumberAndShowsItThroughThePattern) {
    QSignalSpy changes(number, &NumberEdit::valueChanged);
    number->setDisplayFormat("#,##0");
    typeInto(number, "1234");
    EXPECT_EQ(number->value(), 1234);
    EXPECT_EQ(number->text(), QString("1,234"));
    EXPECT_EQ(changes.count(), 1);

    number->setFocus();
    EXPECT_EQ(number->text(), QString("1234"));  // editing shows the raw number
    number->selectAll();
    QTest::keyClicks(number, "-5x-6");  // only digits and a leading minus get in
    EXPECT_EQ(number->text(), QString("-56"));
    EXPECT_EQ(number->value(), -56);  // what is typed counts before leaving
    other->setFocus();
    EXPECT_EQ(number->text(), QString("-56"));

    typeInto(number, "99999999999");  // beyond an int: the last digits are refused
    EXPECT_EQ(number->value(), 999999999);
    typeInto(number, "-");
    EXPECT_EQ(number->value(), 0);
    EXPECT_EQ(number->text(), QString("0"));
}

TEST_F(EditorsTest, NumberFieldShowsZeroBlankOrAsZeroAsTheScreenChooses) {
    number->setDisplayFormat("####");
    number->setValue(0);
    EXPECT_EQ(number->text(), QString());
    number->setZeroShown(true);
    EXPECT_EQ(number->text(), QString("0"));
    number->setValue(1);
    EXPECT_EQ(number->text(), QString("1"));
    typeInto(number, "0");
    EXPECT_EQ(number->value(), 0);
    EXPECT_EQ(number->text(), QString("0"));
}

}  // namespace
