#pragma once
// The document print dialog: the print layouts registered for a form code (table SystemForm),
// shown, printed or handed to the external print library for one document. There is one per
// run (FrDocPrintForm, made at its first use); the caller sets DocNo, DocYear and PrintCode and
// shows it modally. Closing it is followed by the journal voucher dialog when the company's
// settings ask for it (Config.AutoGenGL "Y").
#include <QDialog>
#include <QPrinter>
#include <QString>
#include <memory>
#include <optional>
#include <vector>

class QGroupBox;
class QLabel;
class QPushButton;
class QTreeWidget;
class TFrDocPrintFormGLAuto;

namespace report {
class Report;
}

// The text the dialog shows when a layout's template file is missing (or its name is refused).
extern const char kNoLayoutMessage[];

// The template file of a stored name: the current directory joined with the name ("\" or "/"
// between folders). A name that leaves the current directory (a ".." folder, a drive letter,
// a "\\server" share) gives an empty path: layouts read from the database do not reach files
// elsewhere.
QString layoutFilePath(const QString& storedName);

// A procedure name as the layouts may give one: one or two dotted identifiers, each
// optionally in brackets ("CarTranPrint", "dbo.[Car Tran]").
bool isPlainProcedureName(const QString& name);

// A report variable's expression text for a text: the text in single quotes.
QString quotedLiteral(const QString& text);

class TFrDocPrintForm : public QDialog {
    Q_OBJECT
public:
    static const QString kLayoutSql;
    static constexpr const char* kVersionTag = "MFG18.06.14";

    explicit TFrDocPrintForm(QWidget* parent = nullptr);
    ~TFrDocPrintForm() override;

    QString DocNo;
    int DocYear = 0;
    QString PrintCode;

    // The layouts found at the last showing; shared with the journal dialog, which sets it 0.
    static int FormCount;

    // Shows the dialog modally after the show step; a form code without layouts closes it at
    // once (the close step still runs).
    int exec() override;
    // Every way of closing (Esc, Do not print, a finished print) ends here.
    void done(int result) override;

    // The printer that Print uses and Printer setup sets up.
    QPrinter& printer() { return printer_; }
    // The journal dialog, once a close made it.
    TFrDocPrintFormGLAuto* journalDialog() const { return journal_.get(); }

    QTreeWidget* FormList = nullptr;
    QLabel* Heading = nullptr;  // the journal dialog's title in place of the list
    QPushButton* BDisplay = nullptr;
    QPushButton* BPrint = nullptr;
    QPushButton* BSetup = nullptr;
    QPushButton* BCancel = nullptr;
    QGroupBox* ApprovalBox = nullptr;
    QPushButton* BApproval = nullptr;

    // The layout row under the cursor, as read from SystemForm.
    struct Layout {
        QString formDesc;
        QString frfName;
        QString spName;
        QString docCode;
        QString showPrintPreview;
    };
    const std::vector<Layout>& layouts() const { return layouts_; }
    std::optional<Layout> currentLayout() const;

    // The buttons' work, also reached from the keys.
    virtual void AcDisplay();
    virtual void AcPrint();
    void AcPrinterSetup();
    void ShowFrfName();
    void DesignForm();

protected:
    // The show step; false when the dialog closes at once.
    virtual bool FormShow();
    // The close step, run by every way of closing.
    virtual void FormClose();

    void placeTopRight();
    void setCaptions();
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

    // The report with the application's functions, made at first use.
    report::Report& reportEngine();
    // Prepares and previews; `buttons` as report::PreviewButtons. Errors propagate.
    void previewReport(int buttons);
    // Prepares, and only when that succeeded logs and prints. False when nothing printed.
    bool printReport();
    // Hands an error to the application's error report.
    static void reportError(const std::exception& error);

private:
    void openLayouts();
    void RunReportForm(int mode);
    void callLayoutProcedure(const Layout& layout);
    void runLibrary(const Layout& layout, int mode);

    std::vector<Layout> layouts_;
    std::unique_ptr<report::Report> report_;
    std::unique_ptr<TFrDocPrintFormGLAuto> journal_;
    QPrinter printer_;
};

// The run's print dialog; null before the first print.
extern TFrDocPrintForm* FrDocPrintForm;
