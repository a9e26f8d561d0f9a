// The product barcode search on the products of lookup_data.sql: units of blocked products
// and units without a barcode never show; name and barcode matching; order and last name
// remembered across uses.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTimer>

#include "lookup/Fr_SearchBarCode.h"
#include "tests/lookup/lookup_fixture.h"

namespace {

using lookup_testing::columnValues;
using lookup_testing::gridTexts;

class FrSearchBarCodeTest : public lookup_testing::LookupTest {
protected:
    void search(TFrSearchBarCode& dialog, const QString& name, const QString& code = {}) {
        dialog.Name->setFocus();
        dialog.Name->setText(name);
        dialog.Code->setText(code);
        QTest::keyClick(dialog.Name, Qt::Key_Return);
    }
    void setConfig(const QString& assignments) {
        execute(QStringLiteral("UPDATE Config SET ") + assignments + " WHERE Id = 1");
        modules.dm.QConfig.reopen();
    }
};

TEST_F(FrSearchBarCodeTest, EmptyFieldsListEveryUnitWithABarcodeOfProductsNotBlocked) {
    TFrSearchBarCode dialog;
    showActive(dialog);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("ค้นหา Barcode สินค้า"));
    EXPECT_EQ(QApplication::focusWidget(), dialog.Name);
    search(dialog, {});
    EXPECT_EQ(columnValues(dialog, "BarCode"),
              QStringList({"6660001", "7770001", "8850001", "8850002", "8850003"}));
    EXPECT_EQ(QApplication::focusWidget(), dialog.DgSearch);

    // Grid columns: barcode, code, name, unit shown; stock and awaited quantity hidden.
    QAbstractItemModel* grid = dialog.DgSearch->model();
    ASSERT_EQ(grid->columnCount(), 6);
    EXPECT_EQ(grid->headerData(0, Qt::Horizontal).toString(), QStringLiteral("รหัส"));
    EXPECT_EQ(grid->headerData(3, Qt::Horizontal).toString(), QStringLiteral("หน่วยนับ"));
    EXPECT_EQ(gridTexts(*dialog.DgSearch, 2)[2], QStringLiteral("ปลากระป๋อง"));
    EXPECT_FALSE(dialog.DgSearch->isColumnHidden(3));
    EXPECT_TRUE(dialog.DgSearch->isColumnHidden(4));
    EXPECT_TRUE(dialog.DgSearch->isColumnHidden(5));
    // This year's stock and the customers' open quantity, in the smallest unit.
    EXPECT_EQ(gridTexts(*dialog.DgSearch, 4)[2], QStringLiteral("30.00  กระป๋อง"));
    EXPECT_EQ(gridTexts(*dialog.DgSearch, 5)[2], QStringLiteral("8.00  กระป๋อง"));
    EXPECT_EQ(dialog.QSearch.sql.size(), 37);
}

TEST_F(FrSearchBarCodeTest, NameMatchesByMethodAndBarcodeOnlyAsPrefix) {
    TFrSearchBarCode dialog;
    showActive(dialog);
    EXPECT_EQ(dialog.SearchMethod->currentIndex(), 0);
    search(dialog, QStringLiteral(" ปลา "));  // trimmed
    EXPECT_EQ(columnValues(dialog, "BarCode"), QStringList({"7770001", "8850001", "8850002"}));
    search(dialog, QStringLiteral("fish"));  // letter case follows the collation
    EXPECT_EQ(columnValues(dialog, "BarCode"), QStringList({"8850003"}));

    dialog.SearchMethod->setCurrentIndex(1);
    search(dialog, QStringLiteral("ปลา"));
    EXPECT_EQ(columnValues(dialog, "BarCode"),
              QStringList({"6660001", "7770001", "8850001", "8850002"}));

    search(dialog, {}, QStringLiteral(" 885 "));
    EXPECT_EQ(columnValues(dialog, "BarCode"), QStringList({"8850001", "8850002", "8850003"}));
    search(dialog, {}, QStringLiteral("0001"));
    EXPECT_EQ(dialog.QSearch.rowCount(), 0);
    EXPECT_EQ(QApplication::focusWidget(), dialog.Name);

    // Choose on an empty grid answers Cancel with an empty barcode.
    dialog.Btok->click();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_TRUE(dialog.ChosenBarCode.isEmpty());
}

TEST_F(FrSearchBarCodeTest, TitleClicksSetTheOrderForTheRestOfTheRun) {
    {
        TFrSearchBarCode dialog;
        showActive(dialog);
        search(dialog, {});
        dialog.DgSearchTitleClick(2);  // product name
        EXPECT_EQ(TFrSearchBarCode::BarcodeSortOrder, 2);
        EXPECT_EQ(dialog.QSearch.sql[33], QStringLiteral("Order By P.ThaiName"));
        const QStringList byName = columnValues(dialog, "ThaiName");
        EXPECT_EQ(byName,
                  QStringList({"Fish Sauce", "น้ำมะปลาง", "ปลากระป๋อง", "ปลากระป๋อง", "ปลาร้าต้มสุก"}));
        dialog.DgSearchTitleClick(3);  // unit: order stays, search runs
        EXPECT_EQ(TFrSearchBarCode::BarcodeSortOrder, 2);
        EXPECT_EQ(columnValues(dialog, "ThaiName"), byName);
        dialog.reject();

        showActive(dialog);
        search(dialog, {});
        EXPECT_EQ(columnValues(dialog, "ThaiName"), byName);
    }
    TFrSearchBarCode later;
    showActive(later);
    search(later, {});
    EXPECT_EQ(later.QSearch.sql[33], QStringLiteral("Order By P.ThaiName"));
    later.DgSearchTitleClick(1);  // product code
    EXPECT_EQ(columnValues(later, "Code"), QStringList({"A001", "A001", "A002", "B001", "C001"}));
    // The statement's fixed lines are untouched by the rewriting.
    for (int line : {30, 34, 35, 36})
        EXPECT_EQ(later.QSearch.sql[line], TFrSearchBarCode::kSearchSql[line]) << line;
}

TEST_F(FrSearchBarCodeTest, SettingsChooseTheMethodAndWhetherTheLastNameComesBack) {
    setConfig(QStringLiteral("SearchProductMethod = 1, ShowLastSearch = 'N'"));
    {
        TFrSearchBarCode dialog;
        showActive(dialog);
        EXPECT_EQ(dialog.SearchMethod->currentIndex(), 1);
        search(dialog, QStringLiteral("ปลา"));
        dialog.reject();
        showActive(dialog);
        EXPECT_TRUE(dialog.Name->text().isEmpty());
    }
    EXPECT_EQ(TFrSearchBarCode::LastProductSearch, QStringLiteral("ปลา"));

    setConfig(QStringLiteral("SearchProductMethod = 0, ShowLastSearch = 'Y'"));
    TFrSearchBarCode dialog;
    showActive(dialog);
    EXPECT_EQ(dialog.SearchMethod->currentIndex(), 0);
    EXPECT_EQ(dialog.Name->text(), QStringLiteral("ปลา"));  // from the earlier dialog
    EXPECT_EQ(QApplication::focusWidget(), dialog.Name);
    EXPECT_FALSE(dialog.QSearch.isActive());
    search(dialog, QStringLiteral("น้ำ"));
    dialog.reject();
    showActive(dialog);
    EXPECT_EQ(dialog.Name->text(), QStringLiteral("น้ำ"));
    EXPECT_TRUE(dialog.Code->text().isEmpty());
}

TEST_F(FrSearchBarCodeTest, ExecChoosesTheCurrentRowsBarcodeAndEscapeCancels) {
    TFrSearchBarCode dialog;
    lookup_testing::closeAfterTimeout(dialog);
    QTimer::singleShot(0, &dialog, [&dialog] {
        QApplication::setActiveWindow(&dialog);
        if (!QTest::qWaitForWindowActive(&dialog)) return dialog.done(-1);
        dialog.Code->setFocus();
        QTest::keyClicks(dialog.Code, QStringLiteral("885"));
        QTest::keyClick(dialog.Code, Qt::Key_Return);
        QTest::keyClick(dialog.DgSearch, Qt::Key_Down);
        QTest::keyClick(dialog.DgSearch, Qt::Key_Return);
    });
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
    EXPECT_EQ(dialog.ChosenBarCode, QStringLiteral("8850002"));
    EXPECT_FALSE(dialog.QSearch.isActive());

    showActive(dialog);
    search(dialog, {});
    QTest::keyClick(dialog.DgSearch, Qt::Key_Escape);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_TRUE(dialog.ChosenBarCode.isEmpty());
}

}  // namespace
