#pragma once
// Module 600: a SAR order from a replenishment spreadsheet. Load reads the sheet (one row per
// product unit, nine columns per branch picked on the delivery day) into a typed in-memory
// set shown in an editable grid; Create order stores it in one transaction as a numbered
// order with one line per product unit and branch, and hands it on to the centre's branch
// order lines, where pick planning takes it up.
#include <QDate>
#include <QString>
#include <QStringList>
#include <functional>

#include "db/data_set.h"
#include "ui/Fr_Form.h"

class DateEdit;
class DBGrid;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QToolButton;

class TFrOrderSar : public TFrForm {
    Q_OBJECT
public:
    explicit TFrOrderSar(QWidget* parent = nullptr);
    ~TFrOrderSar() override;

    // The browse button's file dialog: receives the window and the name in the box, returns
    // the chosen name or "" for cancel. Tests put their own in place; an empty function
    // restores the dialog.
    using OpenDialogHook = std::function<QString(QWidget* parent, const QString& current)>;
    static void setOpenDialogHook(OpenDialogHook hook);

    // The file-name rule of the import screens: the file exists and its name ends in "xlsx" or
    // "xls", letter case as written.
    static bool acceptableFileName(const QString& fileName);

    // Header fields that New hides; the delivery date is the one the user sees.
    QLabel* LDocNo;
    QLineEdit* DocNo;
    QLabel* LDocDate;
    QLineEdit* DocDate;
    QLabel* LSCAUserCode;
    QLineEdit* SCAUserCode;
    QLabel* LReplenishmentType;
    QLineEdit* ReplenishmentType;

    QLabel* LDeliveryDate;
    DateEdit* DbDeliveryDate;
    QLabel* LFileName;
    QLineEdit* EdFileName;
    QToolButton* BtBrowse;
    QPushButton* BLoad;
    QPushButton* BCreateOrder;
    QProgressBar* ProgressBar1;
    DBGrid* DBGSar;

    db::DataSet QOrderSarHd;   // the current order's header row, edited in memory
    db::DataSet SarImportSet;  // the loaded spreadsheet rows, typed
    QStringList ColumnNames;   // SarImportSet's columns in sheet order
    QStringList LoadedBranches;

    // Commands
    void AcNewExecute() override;
    void BtBrowseClick();
    void BLoadClick();
    void BCreateOrderClick();

    // The delivery date: the date box's date, today when it is empty.
    QDate deliveryDate() const;

protected:
    void FormShow() override;

private:
    void load();
    void createOrder();
    void openHeader(const QString& docNo);
};
