#pragma once
// The frame of the module screens: the toolbar of actions with their shortcuts, two status
// panels, Enter to the next field, Escape to leave, and the exit question before the window
// closes. A screen derives from it, adds its controls to centralArea() and connects the
// actions it uses.
#include <QAction>
#include <QLineEdit>
#include <QMainWindow>
#include <QTimer>

class QLabel;
class QToolButton;

class TFrForm : public QMainWindow {
    Q_OBJECT
public:
    explicit TFrForm(QWidget* parent = nullptr);
    ~TFrForm() override;

    // Where the screen puts its controls.
    QWidget* centralArea() const { return central_; }
    QLabel* statusPanel(int index) const { return index == 0 ? panel0_ : panel1_; }

    // A widget (or any of its ancestors) marked with this property keeps Enter for itself,
    // e.g. a grid that moves to its next column.
    static constexpr const char* kKeepsEnterProperty = "keepsEnter";
    // The same for Escape (a grid whose keys act inside it while it has the focus).
    static constexpr const char* kKeepsEscapeProperty = "keepsEscape";

    QAction* AcNew;
    QAction* AcDel;
    QAction* AcSave;
    QAction* AcChgCode;
    QAction* AcHist;
    QAction* AcCopy;
    QAction* AcPrint;
    QAction* AcApporved;
    QAction* AcExit;

    QToolButton* BNew;
    QToolButton* BDel;
    QToolButton* BSave;
    QToolButton* BChgCode;
    QToolButton* BHist;
    QToolButton* BCopy;
    QToolButton* BPrint;
    QToolButton* BApporved;
    QToolButton* BExit;

    QLineEdit* ChgCode;

protected:
    // Run when the window is first shown: the caption becomes the application's title (and
    // keeps following it), buttons, then New. Screens that override it call this first.
    virtual void FormShow();
    // The frame's New; screens that override it call this first.
    virtual void AcNewExecute();

    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // Keys and hints of this window, seen before its controls get them.
    bool previewEvent(QObject* watched, QEvent* event);

private:
    // `storesEdits`: a cell still being typed in is stored before the action runs.
    QAction* makeAction(const QString& caption, const QString& hint, const QKeySequence& key,
                        bool storesEdits = true);
    void takeCaptionAsTitle();
    QToolButton* makeButton(QAction* action);
    bool ownsKeyOf(QObject* watched) const;
    void showHint(QWidget* widget, const QString& text);

    QWidget* central_;
    QLabel* panel0_;
    QLabel* panel1_;
    QLabel* hint_ = nullptr;
    QTimer hintTimer_;
    bool shown_ = false;
    bool followCaption_ = false;  // shown: the application's title follows the caption
    class KeyPreview;
    KeyPreview* keyPreview_ = nullptr;
};
