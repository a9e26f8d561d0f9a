// The date and whole-number fields, typed into with real keys.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include "data/ErrorTranslation.h"
#include "data/Messages.h"
#include "db/data_set.h"
#include "tests/ui/caught_errors.h"
#include "ui/DateEdit.h"
#include "ui/NumberEdit.h"

namespace {

class EditorsTest : public ::testing::Test {
protected:
    void SetUp() override {
        caughtErrors().clear();
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

    RecordingMessageService messages;
    ScopedMessageService scoped{messages};
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

    // Letters never get in.
    date->setFocus();
    date->selectAll();
    QTest::keyClicks(date, "0a5");
    EXPECT_EQ(date->text(), QString("05"));
    typeInto(date, "01/02/2024");
    EXPECT_EQ(date->date(), QDate(2024, 2, 1));

    typeInto(date, "");  // empty is NULL
    EXPECT_TRUE(date->isEmpty());
    EXPECT_TRUE(date->date().isNull());

    date->setReadOnly(true);
    typeInto(date, "05/03/2024");
    EXPECT_TRUE(date->isEmpty());
}

TEST_F(EditorsTest, LeavingADateFieldWithTextThatIsNoDateRaisesTheDateError) {
    typeInto(date, "01/02/2024");
    for (const char* wrong : {"31/02/2024", "05/03/24", "05/13/2024", "5/3"}) {
        caughtErrors().clear();
        typeInto(date, wrong);
        QCoreApplication::sendPostedEvents();
        // The error report's first translation explains these words.
        ASSERT_EQ(caughtErrors(), QStringList{QString("'%1' is not a valid date").arg(wrong)});
        EXPECT_TRUE(errorReportText(caughtErrors()[0]).startsWith(u"ป้อนวันที่ไม่ถูกต้อง"));
        // Nothing taken; the field has the focus again with the text as typed, to mend it.
        EXPECT_EQ(date->date(), QDate(2024, 2, 1)) << wrong;
        EXPECT_EQ(date->text(), QString(wrong));
        EXPECT_EQ(QApplication::focusWidget(), date);
    }
    // Losing the window (to the report, to another program) raises nothing.
    caughtErrors().clear();
    QFocusEvent out(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
    QApplication::sendEvent(date, &out);
    QCoreApplication::sendPostedEvents();
    EXPECT_TRUE(caughtErrors().isEmpty());

    typeInto(date, "05/03/2024");
    QCoreApplication::sendPostedEvents();
    EXPECT_TRUE(caughtErrors().isEmpty());
    EXPECT_EQ(date->date(), QDate(2024, 3, 5));
    EXPECT_EQ(QApplication::focusWidget(), other);
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

    typeInto(number, "-");
    EXPECT_EQ(number->value(), 0);
    EXPECT_EQ(number->text(), QString("0"));
}

TEST_F(EditorsTest, NumberFieldRefusesWhatItsColumnCannotHoldAndSaysSo) {
    number->setValue(12);
    // Beyond an int, and far beyond any whole number: said, and the old value stays.
    for (const char* typed : {"3000000000", "4294967297", "-2147483649", "99999999999999999999"}) {
        messages.clear();
        typeInto(number, typed);
        EXPECT_EQ(messages.messages(), QStringList{"ค่าที่ป้อนเกินกว่าที่ช่องนี้เก็บได้\n\r"
                                                   "ป้อนได้ตั้งแต่ -2,147,483,648 ถึง 2,147,483,647"})
            << typed;
        EXPECT_EQ(number->value(), 12) << typed;
        EXPECT_EQ(number->text(), QString("12")) << typed;
    }
    messages.clear();
    typeInto(number, "2147483647");
    EXPECT_EQ(number->value(), 2147483647);
    number->setRange(0, 255);
    typeInto(number, "256");
    EXPECT_EQ(messages.messages(), QStringList{"ค่าที่ป้อนเกินกว่าที่ช่องนี้เก็บได้\n\rป้อนได้ตั้งแต่ 0 ถึง 255"});
    EXPECT_EQ(number->value(), 2147483647);
    // While typed, a number beyond the range does not count.
    number->setFocus();
    number->selectAll();
    QTest::keyClicks(number, "300");
    EXPECT_EQ(number->value(), 2147483647);
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
