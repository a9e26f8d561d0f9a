#include "ui/report/Preview.h"

#include <QAction>
#include <QComboBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QTextStream>
#include <QToolBar>
#include <QVBoxLayout>
#include <cmath>

#include "ui/report/Render.h"

namespace report {

namespace {
constexpr int kGap = 12;  // pixels between pages and around them
}

PreviewButtons previewButtonsFor(bool canPrint) {
    PreviewButtons b =
        PreviewButton::Zoom | PreviewButton::Find | PreviewButton::Help | PreviewButton::Exit;
    if (canPrint) b |= PreviewButton::Print | PreviewButton::PageSetup | PreviewButton::Save;
    return b;
}

PreviewButtons previewButtonsForLayout(const QString& showPrintPreview) {
    return previewButtonsFor(showPrintPreview == u"Y");
}

// The pages one under the other; only those in view are painted.
class PagesView : public QWidget {
public:
    PagesView(const PreparedReport& report, QWidget* parent) : QWidget(parent), report_(report) {
        setAutoFillBackground(true);
        QPalette pal = palette();
        pal.setColor(QPalette::Window, QColor(128, 128, 128));
        setPalette(pal);
        tops_.resize(report_.pages.size());
    }

    void setScale(double pixelsPerMm) {
        scale_ = pixelsPerMm;
        double y = kGap;
        double width = 0;
        for (size_t i = 0; i < report_.pages.size(); ++i) {
            tops_[i] = int(y);
            y += report_.pages[i].size.height() * scale_ + kGap;
            width = std::max(width, report_.pages[i].size.width() * scale_);
        }
        setFixedSize(int(width) + 2 * kGap, int(y));
        update();
    }
    double scale() const { return scale_; }
    int pageTop(int page) const { return tops_.empty() ? 0 : tops_.at(page); }
    int pageAt(int y) const {
        int page = 0;
        for (size_t i = 0; i < tops_.size(); ++i)
            if (tops_[i] <= y + kGap) page = static_cast<int>(i);
        return page;
    }
    void setHighlights(std::vector<PreparedReport::Hit> hits) {
        hits_ = std::move(hits);
        update();
    }

protected:
    void paintEvent(QPaintEvent* event) override {
        QPainter p(this);
        for (size_t i = 0; i < report_.pages.size(); ++i) {
            const Page& page = report_.pages[i];
            const QRectF r((width() - page.size.width() * scale_) / 2, tops_[i],
                           page.size.width() * scale_, page.size.height() * scale_);
            if (!event->rect().intersects(r.toAlignedRect().adjusted(0, 0, 3, 3))) continue;
            p.fillRect(r.translated(3, 3), QColor(60, 60, 60));
            p.fillRect(r, Qt::white);
            std::vector<QRectF> marks;
            for (const auto& h : hits_)
                if (h.page == static_cast<int>(i)) marks.push_back(h.rect);
            p.save();
            p.setClipRect(r);
            p.translate(r.topLeft());
            p.scale(scale_, scale_);
            paintPage(p, page, marks);
            p.restore();
        }
    }

private:
    const PreparedReport& report_;
    std::vector<int> tops_;
    std::vector<PreparedReport::Hit> hits_;
    double scale_ = 3;
};

PreviewWindow::PreviewWindow(PreparedReport report, PreviewButtons buttons, QWidget* parent)
    : QDialog(parent),
      report_(std::move(report)),
      buttons_(buttons),
      printer_(std::make_unique<QPrinter>(QPrinter::HighResolution)) {
    setWindowTitle(report_.tpl && !report_.tpl->name.isEmpty() ? report_.tpl->name
                                                               : QStringLiteral("Preview"));
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    toolBar_ = new QToolBar(this);
    layout->addWidget(toolBar_);
    scroll_ = new QScrollArea(this);
    scroll_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    scroll_->setBackgroundRole(QPalette::Dark);
    view_ = new PagesView(report_, scroll_);
    scroll_->setWidget(view_);
    scroll_->viewport()->installEventFilter(this);
    layout->addWidget(scroll_, 1);

    auto add = [&](PreviewButton b, const QString& text, const QKeySequence& key, auto slot) {
        QAction* a = toolBar_->addAction(text, this, slot);
        if (!key.isEmpty()) a->setShortcut(key);
        a->setToolTip(key.isEmpty() ? text
                                    : text + QStringLiteral(" (") +
                                          key.toString(QKeySequence::NativeText) + u')');
        a->setVisible(buttons_.testFlag(b));
        actions_.insert(int(b), a);
        return a;
    };

    zoomBox_ = new QComboBox(this);
    zoomBox_->addItems({QStringLiteral("Whole page"), QStringLiteral("Page width"),
                        QStringLiteral("50%"), QStringLiteral("75%"), QStringLiteral("100%"),
                        QStringLiteral("150%"), QStringLiteral("200%")});
    zoomBox_->setCurrentIndex(1);
    zoomBox_->setToolTip(QStringLiteral("Zoom (+ and -)"));
    QAction* zoomAction = toolBar_->addWidget(zoomBox_);
    zoomAction->setVisible(buttons_.testFlag(PreviewButton::Zoom));
    actions_.insert(int(PreviewButton::Zoom), zoomAction);
    connect(zoomBox_, &QComboBox::currentIndexChanged, this, [this](int i) {
        if (i == 0)
            setZoom(ZoomMode::WholePage);
        else if (i == 1)
            setZoom(ZoomMode::PageWidth);
        else
            setZoom(ZoomMode::Percent, zoomBox_->itemText(i).chopped(1).toInt());
    });
    toolBar_->addSeparator();

    toolBar_->addAction(QStringLiteral("|<"), this, [this] { goToPage(0); })
        ->setToolTip(QStringLiteral("First page (Home)"));
    toolBar_->addAction(QStringLiteral("<"), this, [this] { goToPage(currentPage() - 1); })
        ->setToolTip(QStringLiteral("Previous page (Page Up)"));
    pageBox_ = new QSpinBox(this);
    pageBox_->setRange(1, std::max(1, pageCount()));
    pageBox_->setToolTip(QStringLiteral("Page"));
    toolBar_->addWidget(pageBox_);
    pageCountLabel_ = new QLabel(QStringLiteral(" / %1 ").arg(pageCount()), this);
    toolBar_->addWidget(pageCountLabel_);
    connect(pageBox_, &QSpinBox::editingFinished, this,
            [this] { goToPage(pageBox_->value() - 1); });
    toolBar_->addAction(QStringLiteral(">"), this, [this] { goToPage(currentPage() + 1); })
        ->setToolTip(QStringLiteral("Next page (Page Down)"));
    toolBar_->addAction(QStringLiteral(">|"), this, [this] { goToPage(pageCount() - 1); })
        ->setToolTip(QStringLiteral("Last page (End)"));
    toolBar_->addSeparator();

    findEdit_ = new QLineEdit(this);
    findEdit_->setPlaceholderText(QStringLiteral("Find"));
    findEdit_->setMaximumWidth(180);
    QAction* findField = toolBar_->addWidget(findEdit_);
    findField->setVisible(buttons_.testFlag(PreviewButton::Find));
    connect(findEdit_, &QLineEdit::returnPressed, this, &PreviewWindow::onFindNext);
    add(PreviewButton::Find, QStringLiteral("Find next"), QKeySequence(Qt::Key_F3),
        &PreviewWindow::onFindNext);
    toolBar_->addSeparator();
    add(PreviewButton::PageSetup, QStringLiteral("Page setup"), QKeySequence(),
        &PreviewWindow::onPageSetup);
    add(PreviewButton::Print, QStringLiteral("Print"), QKeySequence::Print,
        &PreviewWindow::onPrint);
    add(PreviewButton::Save, QStringLiteral("Save as PDF"), QKeySequence::Save,
        &PreviewWindow::onSave);
    add(PreviewButton::Help, QStringLiteral("Help"), QKeySequence(Qt::Key_F1),
        &PreviewWindow::onHelp);
    add(PreviewButton::Exit, QStringLiteral("Exit"), QKeySequence(), &QDialog::accept);

    // Keys that work wherever the focus is, except where a field needs them itself.
    auto key = [this](const QKeySequence& seq, auto slot) {
        auto* a = new QAction(this);
        a->setShortcut(seq);
        a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        connect(a, &QAction::triggered, this, slot);
        addAction(a);
    };
    key(QKeySequence(Qt::Key_PageDown), [this] { goToPage(currentPage() + 1); });
    key(QKeySequence(Qt::Key_PageUp), [this] { goToPage(currentPage() - 1); });
    key(QKeySequence(Qt::Key_Home), [this] { goToPage(0); });
    key(QKeySequence(Qt::Key_End), [this] { goToPage(pageCount() - 1); });
    if (buttons_.testFlag(PreviewButton::Zoom)) {
        auto zoomBy = [this](double factor) {
            setZoom(ZoomMode::Percent, int(std::lround(zoomPercent() * factor)));
        };
        key(QKeySequence(Qt::Key_Plus), [zoomBy] { zoomBy(1.25); });
        key(QKeySequence(Qt::Key_Minus), [zoomBy] { zoomBy(1 / 1.25); });
    }
    if (buttons_.testFlag(PreviewButton::Find)) {
        key(QKeySequence::Find, [this] {
            findEdit_->setFocus();
            findEdit_->selectAll();
        });
    }
    scroll_->setFocusPolicy(Qt::StrongFocus);
    scroll_->setFocus();

    connect(scroll_->verticalScrollBar(), &QScrollBar::valueChanged, this,
            [this] { updatePageControls(); });
    resize(900, 1000);
    if (const QScreen* s = screen()) {
        const QRect avail = s->availableGeometry();
        resize(std::min(900, avail.width()), std::min(1000, avail.height()));
    }
    updateZoom();
    updatePageControls();
}

PreviewWindow::~PreviewWindow() = default;

QAction* PreviewWindow::action(PreviewButton button) const {
    return actions_.value(int(button), nullptr);
}

int PreviewWindow::currentPage() const {
    return view_->pageAt(scroll_->verticalScrollBar()->value());
}

void PreviewWindow::goToPage(int page) {
    if (pageCount() == 0) return;
    page = std::clamp(page, 0, pageCount() - 1);
    scroll_->verticalScrollBar()->setValue(view_->pageTop(page) - kGap);
    updatePageControls();
}

void PreviewWindow::setZoom(ZoomMode mode, int percent) {
    zoomMode_ = mode;
    percent_ = std::clamp(percent, 10, 800);
    const int page = currentPage();
    updateZoom();
    goToPage(page);
}

double PreviewWindow::zoomPercent() const {
    return view_->scale() / (logicalDpiX() / 25.4) * 100;
}

void PreviewWindow::updateZoom() {
    const double screenPerMm = logicalDpiX() / 25.4;
    double scale = screenPerMm * percent_ / 100.0;
    if (!report_.pages.empty() && zoomMode_ != ZoomMode::Percent) {
        const QSizeF page = report_.pages.front().size;
        const QSize room = scroll_->viewport()->size() - QSize(2 * kGap + 4, 2 * kGap + 4);
        const double byWidth = room.width() / page.width();
        const double byHeight = room.height() / page.height();
        scale = zoomMode_ == ZoomMode::PageWidth ? byWidth : std::min(byWidth, byHeight);
        scale = std::max(scale, 0.2);
    }
    view_->setScale(scale);
}

void PreviewWindow::updatePageControls() {
    const QSignalBlocker block(pageBox_);
    pageBox_->setValue(currentPage() + 1);
}

bool PreviewWindow::eventFilter(QObject* watched, QEvent* event) {
    // The fitting zooms follow the room the pages have.
    if (watched == scroll_->viewport() && event->type() == QEvent::Resize &&
        zoomMode_ != ZoomMode::Percent) {
        const int page = currentPage();
        updateZoom();
        goToPage(page);
    }
    return QDialog::eventFilter(watched, event);
}

void PreviewWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        reject();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool PreviewWindow::find(const QString& text) {
    if (text != lastFind_) {
        lastFind_ = text;
        hits_ = report_.find(text);
        hit_ = -1;
        view_->setHighlights(hits_);
    }
    if (hits_.empty()) return false;
    hit_ = (hit_ + 1) % static_cast<int>(hits_.size());
    const auto& h = hits_[hit_];
    const int y = view_->pageTop(h.page) + int(h.rect.top() * view_->scale());
    scroll_->ensureVisible(scroll_->horizontalScrollBar()->value(), y, 0,
                           scroll_->viewport()->height() / 3);
    updatePageControls();
    return true;
}

void PreviewWindow::onFindNext() {
    const QString text = findEdit_->text().trimmed();
    if (text.isEmpty()) {
        findEdit_->setFocus();
        return;
    }
    if (!find(text))
        QMessageBox::information(this, windowTitle(),
                                 QStringLiteral("\"%1\" is not in the document.").arg(text));
}

void PreviewWindow::showError(const QString& message) {
    QTextStream(stderr) << message << '\n';
    QMessageBox::warning(this, windowTitle(), message);
}

void PreviewWindow::printTo(QPrinter& printer) {
    printReport(report_, printer);
}

void PreviewWindow::saveAsPdf(const QString& path) {
    writePdf(report_, path);
}

void PreviewWindow::onPrint() {
    if (!buttons_.testFlag(PreviewButton::Print)) return;
    QPrintDialog dialog(printer_.get(), this);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    if (dialog.exec() != QDialog::Accepted) return;
    try {
        printTo(*printer_);
    } catch (const std::exception& e) {
        showError(QString::fromUtf8(e.what()));
    }
}

void PreviewWindow::onPageSetup() {
    if (!buttons_.testFlag(PreviewButton::PageSetup)) return;
    QPageSetupDialog dialog(printer_.get(), this);
    dialog.exec();
}

void PreviewWindow::onSave() {
    if (!buttons_.testFlag(PreviewButton::Save)) return;
    QString name = report_.tpl ? report_.tpl->name : QString();
    if (name.contains(u'.')) name = name.left(name.lastIndexOf(u'.'));
    const QString path =
        QFileDialog::getSaveFileName(this, QStringLiteral("Save as PDF"),
                                     name + QStringLiteral(".pdf"), QStringLiteral("PDF (*.pdf)"));
    if (path.isEmpty()) return;
    try {
        saveAsPdf(path);
    } catch (const std::exception& e) {
        showError(QString::fromUtf8(e.what()));
    }
}

void PreviewWindow::onHelp() {
    QStringList keys = {QStringLiteral("Page Down / Page Up: next / previous page"),
                        QStringLiteral("Home / End: first / last page")};
    if (buttons_.testFlag(PreviewButton::Zoom)) keys << QStringLiteral("+ / -: zoom in / out");
    if (buttons_.testFlag(PreviewButton::Find))
        keys << QStringLiteral("Ctrl+F: find, Enter or F3: next place found");
    if (buttons_.testFlag(PreviewButton::Print)) keys << QStringLiteral("Ctrl+P: print");
    if (buttons_.testFlag(PreviewButton::Save)) keys << QStringLiteral("Ctrl+S: save as PDF");
    keys << QStringLiteral("Esc: close the preview");
    QMessageBox::information(this, windowTitle(), keys.join(u'\n'));
}

void showPreview(PreparedReport report, PreviewButtons buttons, QWidget* parent) {
    PreviewWindow window(std::move(report), buttons, parent);
    window.exec();
}

}  // namespace report
