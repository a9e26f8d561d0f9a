#pragma once
// The preview window of a prepared report: zoom (whole page, page width, percentages), page
// navigation, find (the texts found are highlighted), page setup, print, save as PDF, help and
// exit. The caller chooses which of the buttons it offers; a preview that may not print offers
// neither print nor page setup nor save.
#include <QDialog>
#include <QFlags>
#include <QPrinter>
#include <memory>

#include "ui/report/Document.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QScrollArea;
class QSpinBox;
class QToolBar;
class QAction;

namespace report {

enum class PreviewButton {
    Zoom = 0x01,
    Load = 0x02,  // not offered: prepared reports are not stored
    Save = 0x04,
    Print = 0x08,
    Find = 0x10,
    Help = 0x20,
    Exit = 0x40,
    PageSetup = 0x80,
};
Q_DECLARE_FLAGS(PreviewButtons, PreviewButton)
Q_DECLARE_OPERATORS_FOR_FLAGS(PreviewButtons)

// The buttons of a layout: with printing allowed, zoom, print, find, help, exit, page setup
// and save as PDF; without, zoom, find, help and exit only.
PreviewButtons previewButtonsFor(bool canPrint);
// For a layout's ShowPrintPreview: exactly "Y" lets the preview print.
PreviewButtons previewButtonsForLayout(const QString& showPrintPreview);

class PagesView;

class PreviewWindow : public QDialog {
    Q_OBJECT
public:
    enum class ZoomMode { WholePage, PageWidth, Percent };

    PreviewWindow(PreparedReport report, PreviewButtons buttons, QWidget* parent = nullptr);
    ~PreviewWindow() override;

    int pageCount() const { return static_cast<int>(report_.pages.size()); }
    int currentPage() const;  // 0-based: the page at the top of the view
    void goToPage(int page);
    void setZoom(ZoomMode mode, int percent = 100);
    double zoomPercent() const;  // of the page's real size at the screen's resolution

    // Highlights every place of the text and shows the next one; false when there is none.
    bool find(const QString& text);
    int hitCount() const { return static_cast<int>(hits_.size()); }

    // Prints on the printer set up here (page setup), all pages, one copy, collated.
    void printTo(QPrinter& printer);
    void saveAsPdf(const QString& path);

    QAction* action(PreviewButton button) const;
    QPrinter& printer() { return *printer_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void updateZoom();
    void updatePageControls();
    void showError(const QString& message);
    void onPrint();
    void onPageSetup();
    void onSave();
    void onHelp();
    void onFindNext();

    PreparedReport report_;
    PreviewButtons buttons_;
    std::unique_ptr<QPrinter> printer_;
    QToolBar* toolBar_ = nullptr;
    QComboBox* zoomBox_ = nullptr;
    QSpinBox* pageBox_ = nullptr;
    QLabel* pageCountLabel_ = nullptr;
    QLineEdit* findEdit_ = nullptr;
    QScrollArea* scroll_ = nullptr;
    PagesView* view_ = nullptr;
    QMap<int, QAction*> actions_;
    ZoomMode zoomMode_ = ZoomMode::PageWidth;
    int percent_ = 100;
    std::vector<PreparedReport::Hit> hits_;
    int hit_ = -1;
    QString lastFind_;
};

// Shows the report modally.
void showPreview(PreparedReport report, PreviewButtons buttons, QWidget* parent = nullptr);

}  // namespace report
