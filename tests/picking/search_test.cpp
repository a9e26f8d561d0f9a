// The pick number search and the code-table search on the distribution centre's database.
#include <QPushButton>

#include "lookup/Fr_SearchBranchPickNo.h"
#include "lookup/Fr_SearchMisc.h"
#include "pick_fixture.h"

namespace {

using testing_support::PickProductTest;

QStringList rows(TFrSearch& dialog, const QString& field) {
    QStringList out;
    for (int r = 0; r < dialog.QSearch.rowCount(); ++r)
        out << dialog.QSearch.value(r, field).toString().left(10);
    return out;
}

TEST_F(PickProductTest, PickNumberSearchNeedsTextAndListsEachPickOncePerDay) {
    product(QStringLiteral("A1"));
    line(QStringLiteral("0029"), QStringLiteral("A1"), QStringLiteral("P"), 1,
         QStringLiteral("PK0000000001"), 0);
    line(QStringLiteral("0036"), QStringLiteral("A1"), QStringLiteral("P"), 1,
         QStringLiteral("PK0000000001"), 1);
    line(QStringLiteral("0041"), QStringLiteral("A1"), QStringLiteral("T"), 1,
         QStringLiteral("PK0000000002"), 3);
    line(QStringLiteral("0041"), QStringLiteral("A1"));  // open: no number
    TFrSearchBranchPickNo dialog;
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("ค้นหาข้อมูล ใบสั่งสินค้า"));
    EXPECT_EQ(dialog.QSearch.rowCount(), 0) << "the first search waits for the user";

    QTest::keyClicks(dialog.Code, QStringLiteral("  "));
    QTest::mouseClick(dialog.BtSearch, Qt::LeftButton);
    EXPECT_EQ(messages.messages(), QStringList{QStringLiteral("กรุณาป้อนข้อมูลที่ต้องการค้น")});
    EXPECT_EQ(dialog.QSearch.rowCount(), 0);

    dialog.Code->setText(QStringLiteral("PK"));
    QTest::mouseClick(dialog.BtSearch, Qt::LeftButton);
    EXPECT_EQ(rows(dialog, QStringLiteral("PickNo")),
              (QStringList{"PK00000000", "PK00000000", "PK00000000"}));
    const QDate today = QDate::currentDate();
    EXPECT_EQ(dialog.QSearch.value(0, QStringLiteral("PickDate")).toDate(), today);
    EXPECT_EQ(dialog.QSearch.value(1, QStringLiteral("PickDate")).toDate(), today.addDays(-1));
    EXPECT_EQ(dialog.QSearch.value(2, QStringLiteral("PickNo")).toString(),
              QStringLiteral("PK0000000002"));

    dialog.Code->setText(QStringLiteral(" PK"));  // blanks stay in the pattern
    QTest::mouseClick(dialog.BtSearch, Qt::LeftButton);
    EXPECT_EQ(dialog.QSearch.rowCount(), 0);

    dialog.Code->setText(QStringLiteral("02"));
    QTest::mouseClick(dialog.BtSearch, Qt::LeftButton);
    dialog.done(QDialog::Accepted);
    EXPECT_EQ(dialog.ChosenValue, QStringLiteral("PK0000000002"));
}

TEST_F(PickProductTest, CodeTableSearchListsTheGroupByDescription) {
    db()->execute(QStringLiteral(
        "INSERT INTO Misc (GroupCode, Code, Description) VALUES ('CARNO', 'C02', 'รถ 4 ล้อ') "
        "INSERT INTO Misc (GroupCode, Code, Description) VALUES ('CARNO', 'C01', 'รถ 6 ล้อ') "
        "INSERT INTO Misc (GroupCode, Code, Description) VALUES ('CARNO', 'C03', 'รถ 10 ล้อ') "
        "INSERT INTO Misc (GroupCode, Code, Description) VALUES ('PRODGROUP', 'G1', 'รถของเล่น')"));
    TFrSearchMisc dialog;
    dialog.setWindowTitle(QStringLiteral("ค้นหา รหัสรถ"));
    dialog.MiscGroup = QStringLiteral("CARNO");
    dialog.ResultField = QStringLiteral("Code");
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    EXPECT_EQ(rows(dialog, QStringLiteral("Code")), (QStringList{"C03", "C02", "C01"}));
    EXPECT_TRUE(dialog.Code->hasFocus());

    dialog.Code->setText(QStringLiteral(" 6 "));
    QTest::mouseClick(dialog.BtSearch, Qt::LeftButton);
    EXPECT_EQ(rows(dialog, QStringLiteral("Code")), (QStringList{"C01"}))
        << "matched in the description, trimmed";
    dialog.Code->clear();
    QTest::mouseClick(dialog.BtSearch, Qt::LeftButton);
    EXPECT_EQ(dialog.QSearch.rowCount(), 3);
    dialog.done(QDialog::Accepted);
    EXPECT_EQ(dialog.ChosenValue, QStringLiteral("C03"));
}

}  // namespace
