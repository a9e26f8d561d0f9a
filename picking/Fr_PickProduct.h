#pragma once
// Module 3: pick planning and pick confirmation at the distribution centre. The branch page
// chooses the branches whose open order lines are picked today (ticked from the weekly plan);
// leaving the number field on the pick page loads those lines with the centre's stock, or a
// stored pick by its number; Save numbers the new pick, decides line by line whether it is
// picked, out of stock or left for later, and cuts the picked lines into numbered sheets.
#include <QDateTime>
#include <QElapsedTimer>
#include <QString>
#include <vector>

#include "db/data_set.h"
#include "ui/Fr_Form.h"

class DateEdit;
class DBGrid;
class QComboBox;
class QLabel;
class QTabWidget;
class QToolButton;
class TFaGetDocNo;

class TFrPickProduct : public TFrForm {
    Q_OBJECT
public:
    static const QString kDocCode;    // "PICKORDER"
    static const QString kSheetCode;  // "PRODUCTMANAGE"
    // Opens no stored pick: New and the weekday change load with it.
    static const QString kNoPick;  // "MMMMMMMMMM"

    explicit TFrPickProduct(QWidget* parent = nullptr);
    ~TFrPickProduct() override;

    QTabWidget* PageControl1;
    QWidget* TabBranch;
    QWidget* TabPick;
    QComboBox* DayBy;
    QLabel* LDate;
    DBGrid* DbGirdBranch;
    TFaGetDocNo* FaGetDocNo1;
    DateEdit* DbPickDate;
    QLabel* LStatus;
    QLabel* LGroup;
    DBGrid* DBGridTranBranch;
    QAction* AcSaveExcel;
    QToolButton* BSaveExcel;

    db::DataSet QBranch;      // the branch list with its ticks, in memory only
    db::DataSet QTranBranch;  // the loaded lines

    // Screen state
    bool NewPick = true;
    QString CurrentPickNo;
    QDateTime PickDate;  // the server's time at the last load: the year of the numbers
    bool FocusDocNo = false;
    QString ErrorText;

    // Commands
    void AcNewExecute() override;
    void DayByChange();
    void DbGirdBranchTitleClick(const QString& field);
    void TogglePick(int row);
    void LoadLines();  // leaving the number field
    void FaGetDocNo1BtSearchClick();
    void AcSaveExecute();
    void AcSaveExcelExecute();
    void PageControl1Change();

protected:
    void FormShow() override;

private:
    void buildBranchTab();
    void buildPickTab();
    void readBranchList();
    void tickDay(const QString& days);
    void openEmptyPick();
    void showStatus(const QString& text);
    bool progressDue(bool force);
    void showProgress(const QString& status, const QString& group);
    void writeNewPick();
    void releaseRunLock();

    bool loading_ = false;
    QElapsedTimer progressClock_;
    qint64 lastPaint_ = 0;
    unsigned progressCalls_ = 0;
};
