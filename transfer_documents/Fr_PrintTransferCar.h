#pragma once
// Module 14: the transfer document of a delivery vehicle. The user names the vehicle; leaving
// the field lists, for the vehicle's latest trip when it is closed, how many boxes go to each
// branch, and Print hands that trip's document number to the document print dialog with the
// form code "CARTRANNO". Nothing is written.
#include <QString>
#include <functional>

#include "db/data_set.h"
#include "ui/Fr_Form.h"

class DBGrid;
class QGroupBox;
class QLabel;
class QLineEdit;
class QToolButton;

class TFrPrintTransferCar : public TFrForm {
    Q_OBJECT
public:
    static const QString kPrintCode;  // "CARTRANNO"
    static const QString kCarGroup;   // "CARNO": the vehicles' group of Misc

    // Shows the document print dialog for a document: number, year, form code. The run's one
    // print dialog unless replaced (tests).
    using PrintHandler =
        std::function<void(const QString& docNo, int docYear, const QString& printCode)>;

    explicit TFrPrintTransferCar(QWidget* parent = nullptr);
    ~TFrPrintTransferCar() override;

    void setPrintHandler(PrintHandler handler) { print_ = std::move(handler); }

    QGroupBox* GroupBox1;
    QLabel* LCarNo;
    QLineEdit* CarNo;
    QToolButton* BtSearchCarNo;
    QGroupBox* GroupBox2;
    DBGrid* wwDBGrid1;

    db::DataSet QBranchBox;
    // The trip printed: the document number of the box list's first row at the last load,
    // empty when that load found nothing.
    QString DocNo;

    void AcNewExecute() override;
    void CarNoExit();  // leaving the vehicle field: the load
    void BtSearchCarNoClick();
    void AcPrintExecute();

protected:
    void FormShow() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void readBoxList(const QString& carNo);
    void focusChanged(QWidget* old, QWidget* now);

    PrintHandler print_;
    bool loading_ = false;
};
