#pragma once
// Module 1: a branch's replenishment order to the distribution centre. The order tab proposes
// the units below their minimum stock, takes quantities and products by barcode and saves
// the order under an "ORD-BRANCH" number; the report tab follows the status of the orders.
#include <QDateTime>
#include <QString>

#include "db/data_set.h"
#include "ui/Fr_Form.h"

class DateEdit;
class DBGrid;
class NumberEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QToolButton;
class TFaGetDocNo;
class TFrSearchBarCode;
struct CellColors;

class TFrBranchOrder : public TFrForm {
    Q_OBJECT
public:
    static const QString kDocCode;  // "ORD-BRANCH"

    explicit TFrBranchOrder(QWidget* parent = nullptr);
    ~TFrBranchOrder() override;

    // Order tab
    QTabWidget* PageControl1;
    QWidget* TabOrder;
    QWidget* TabReport;
    TFaGetDocNo* FaGetDocNo1;
    DateEdit* DbOrderDate;
    QLabel* LStatus;
    QLabel* LDateStart;
    QPushButton* BLoad;
    DBGrid* DBGBranchOrder;
    QLineEdit* BarCode;
    QToolButton* BtSearchBarCode;
    NumberEdit* EOrder;
    QPushButton* BADD;
    QLabel* LProductName;

    // Report tab
    TFaGetDocNo* FaGetDocNo2;
    QLineEdit* BarCodeRp;
    QToolButton* BtSearchBarCodeRp;
    QPushButton* BLoadRp;
    QLabel* LStatusReport;
    DBGrid* DBGReportOrder;

    // The working set (order rows with cached changes) and the report rows.
    db::DataSet QBranchOrder;
    db::DataSet QReport;

    // Screen state
    QString LoadedOrderNo;
    QString RowOrderNo;
    bool IsNewOrder = false;
    bool IsStoredOrder = false;
    QDateTime SalesSpanStart;
    QString LastShownBarCode;
    bool SavedSaveState = false;
    bool SavedCopyState = false;
    bool FirstReportVisit = true;

    // Commands
    void AcNewExecute() override;
    void BLoadClick();
    void FaGetDocNo1BtSearchClick();
    void BtSearchBarCodeClick();
    void BarCodeExit();
    void BADDClick();
    void AcSaveExecute();
    void AcCopyExecute();
    void PageControl1Change();
    void BLoadRpClick();
    void FaGetDocNo2BtSearchClick();
    void BtSearchBarCodeRpClick();

    void DBGBranchOrderFieldChanged(int row, const QString& field);
    void DBGBranchOrderCalcCellColors(int row, const QString& field, CellColors& colors);
    void DBGReportOrderCalcCellColors(int row, const QString& field, CellColors& colors);

protected:
    void FormShow() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildOrderTab();
    void buildReportTab();
    void setOrderColumns();
    void setReportColumns();
    void resetReport();
    void openWorkingSet(const QString& orderNo);
    QDateTime readSalesSpanStart();
    void appendRow(const db::ResultSet& source, int sourceRow, int orderQnty);
    void bindDocNoToCurrentRow();
    void showStatus(const QString& text);
    TFrSearchBarCode& barcodeSearch();

    TFrSearchBarCode* barcodeSearch_ = nullptr;
    bool correcting_ = false;
};
