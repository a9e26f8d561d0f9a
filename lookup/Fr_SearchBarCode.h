#pragma once
// Finds a product unit by product name and barcode and hands back its barcode. Units without
// a barcode and blocked products are never listed. The order chosen by a title click and the
// name last searched are kept for the rest of the run, across uses of the dialog.
//
// Use (the branch order screen keeps one for the whole run):
//   if (!search) search = new TFrSearchBarCode(this);
//   if (search->exec() == QDialog::Accepted) barCode->setText(search->ChosenBarCode);
#include <QString>
#include <QStringList>

#include "lookup/SearchGrid.h"
#include "statements/BarcodeSearch.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;

class TFrSearchBarCode : public TSearchDialog {
    Q_OBJECT
public:
    // The statement, 37 lines. Lines 31 to 33 are rewritten before every search, so no line
    // may move.
    static const QStringList kSearchSql;
    static constexpr int kConditionLine = statements::barcode_search::kConditionLine;
    static constexpr int kExtraConditionLine = statements::barcode_search::kExtraConditionLine;
    static constexpr int kOrderLine = statements::barcode_search::kOrderLine;

    // Order of the rows: 0 barcode, 1 product code, 2 product name.
    static inline int BarcodeSortOrder = 0;
    // The name field of the last search, as typed.
    static inline QString LastProductSearch;
    static void ResetProgramState();

    explicit TFrSearchBarCode(QWidget* parent = nullptr);

    QLabel* LName;
    QLineEdit* Name;
    QLabel* LCode;
    QLineEdit* Code;
    QComboBox* SearchMethod;  // 0 name starts with, 1 name contains
    QPushButton* BtSearch;
    QPushButton* Btok;
    QPushButton* BtCancel;
    QTableView* DgSearch;
    TSearchGridModel* DgSearchModel;
    TSearchQuery QSearch;

    QString ChosenBarCode;  // "" unless closed with Choose on a row

    void BtSearchClick() override;
    // A click on the title of a grid column: barcode, product code and product name set the
    // order; every click searches again.
    void DgSearchTitleClick(int column);

    void done(int result) override;

protected:
    void FormShow() override;

private:
    void hideStockColumns();
};
