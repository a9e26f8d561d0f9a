#pragma once
// Module 601: reads a buying spreadsheet into the list of lines to be ordered (vendor, item,
// barcode, final order quantity). Rows 1 to 6 are headings; a data row is taken when its
// quantity in column D is above 0, and its final order quantity is in column BEL (1,494), so
// a sheet of this layout never fits an .xls (256 columns). The lines stay in the grid:
// "สร้าง Pr" is offered but writes nothing yet.
#include <QString>
#include <functional>

#include "db/data_set.h"
#include "spreadsheet_intake/reader/Sheet.h"
#include "ui/Fr_Form.h"

class DBGrid;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QToolButton;

class TFrLoadSrrToPoRQ : public TFrForm {
    Q_OBJECT
public:
    // The in-memory import set: its columns and one placeholder row.
    static const QString kImportSetSql;

    // Where the layout's values are, counted from the used range's top-left cell.
    static constexpr int kFirstDataRow = 7;
    static constexpr int kQuantityColumn = 4;       // D: the row is taken when above 0
    static constexpr int kVendorColumn = 10;        // J
    static constexpr int kItemColumn = 18;          // R
    static constexpr int kBarcodeColumn = 19;       // S
    static constexpr int kFinalOrderColumn = 1494;  // BEL

    // The browse button's file chooser: gets the window and the name in the box, returns the
    // chosen file or "" when cancelled. The platform's open dialog unless one is set (tests).
    using FileChooser = std::function<QString(QWidget* parent, const QString& current)>;
    static void setFileChooser(FileChooser chooser);

    // The name in the box names a file that exists and ends in "xlsx" or "xls" (letter case
    // as written, no dot needed before it).
    static bool fileNameAccepted(const QString& name);
    // A cell as a text column takes it: text as it stands, a number as its decimal text with
    // up to 15 significant digits, TRUE/FALSE as "True"/"False", empty as "".
    static QString cellText(const intake::CellValue& cell);
    // Whether the row is taken: its quantity cell is a number above 0, or a text that reads
    // as one. Other texts, booleans and empty cells are not.
    static bool quantityAboveZero(const intake::CellValue& cell);

    explicit TFrLoadSrrToPoRQ(QWidget* parent = nullptr);
    ~TFrLoadSrrToPoRQ() override;

    QLabel* LFile;
    QLineEdit* EdFileName;
    QToolButton* BtBrowse;
    QPushButton* BLoad;
    QPushButton* BCreatePr;
    QProgressBar* ProgressBar1;
    DBGrid* DBGridPr;

    db::DataSet PrImportSet;

    void AcNewExecute() override;
    void BtBrowseClick();
    // Errors of the reading and of a cell (with its row, column and text) are thrown: they
    // reach the error report, the rows taken so far stay, and Load stays off until New.
    void BLoadClick();
    void BCreatePrClick();

    bool loading() const { return loading_; }

protected:
    void FormShow() override;
    void closeEvent(QCloseEvent* event) override;

private:
    void openImportSet();
    void takeRow(const intake::Sheet& sheet, int row);
    void showProgress(bool force);

    bool loading_ = false;
    qint64 lastPaint_ = -1;
};
