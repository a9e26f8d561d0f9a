#include "ui/Fr_Form.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QToolTip>
#include <QValidator>
#include <QWindow>

#include "data/Dm_Config.h"
#include "data/Messages.h"
#include "ui/DBGrid.h"

namespace {

// A button without a hint of its own reports its caption as its tooltip: no hint then.
QString buttonCaption(QWidget* widget) {
    auto* button = qobject_cast<QToolButton*>(widget);
    return button ? button->text() : QString();
}

// Turns typed letters into capitals, as the change-code field expects codes.
class UpperCaseValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override {
        input = input.toUpper();
        return Acceptable;
    }
};

}  // namespace

// Sees every event of the application first; hands this window's on to the form. A helper
// object rather than the form itself, so a screen's own event filters see only what they
// were installed on.
class TFrForm::KeyPreview : public QObject {
public:
    explicit KeyPreview(TFrForm* form) : QObject(form), form_(form) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        return form_->previewEvent(watched, event);
    }

private:
    TFrForm* form_;
};

TFrForm::TFrForm(QWidget* parent) : QMainWindow(parent) {
    AcNew = makeAction(QStringLiteral("New"), QStringLiteral("New Record"), Qt::Key_F3);
    AcDel = makeAction(QStringLiteral("Delete"), QStringLiteral("Delete Record"), Qt::Key_F8);
    AcSave = makeAction(QStringLiteral("Save"), QStringLiteral("Save Record"), Qt::Key_F10);
    AcChgCode = makeAction(QStringLiteral("Chg Code"), {}, Qt::Key_F12);
    AcHist = makeAction(QStringLiteral("Hist."), QStringLiteral("Show History"),
                        QKeySequence(Qt::CTRL | Qt::Key_H));
    AcCopy = makeAction(QStringLiteral("Copy"), QStringLiteral("Copy Record"), Qt::Key_F6);
    AcPrint = makeAction(QStringLiteral("Print"), QStringLiteral("Print Record"),
                         QKeySequence(Qt::CTRL | Qt::Key_P));
    AcApporved = makeAction(QStringLiteral("Apporved"), {}, {});
    // Leaving stores nothing: the exit question comes first, and No must find the cell being
    // typed in as it was.
    AcExit = makeAction(QStringLiteral("Exit"), QStringLiteral("Exit Program"),
                        QKeySequence(Qt::CTRL | Qt::Key_X), false);
    connect(AcNew, &QAction::triggered, this, [this] { AcNewExecute(); });
    connect(AcExit, &QAction::triggered, this, &QWidget::close);

    // The buttons sit in one panel of the toolbar so that each can be hidden on its own
    // while its action (and shortcut) stays.
    auto* toolbar = new QToolBar(this);
    toolbar->setObjectName(QStringLiteral("ToolBar1"));
    toolbar->setMovable(false);
    toolbar->setFloatable(false);
    toolbar->toggleViewAction()->setEnabled(false);
    auto* buttons = new QWidget(toolbar);
    auto* row = new QHBoxLayout(buttons);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(2);
    BNew = makeButton(AcNew);
    BDel = makeButton(AcDel);
    BSave = makeButton(AcSave);
    BChgCode = makeButton(AcChgCode);
    BHist = makeButton(AcHist);
    BCopy = makeButton(AcCopy);
    BPrint = makeButton(AcPrint);
    // Only a caption: the approve action is not behind this button.
    BApporved = new QToolButton;
    BApporved->setText(QStringLiteral("Apporved"));
    BApporved->setAutoRaise(true);
    BApporved->setFocusPolicy(Qt::NoFocus);
    BExit = makeButton(AcExit);
    for (QToolButton* b : {BNew, BDel, BSave, BChgCode, BHist, BCopy, BPrint, BApporved, BExit})
        row->addWidget(b);
    ChgCode = new QLineEdit(QStringLiteral("CHGCODE"));
    ChgCode->setValidator(new UpperCaseValidator(ChgCode));
    ChgCode->setMaximumWidth(160);
    row->addWidget(ChgCode);
    row->addStretch(1);
    toolbar->addWidget(buttons);
    addToolBar(Qt::TopToolBarArea, toolbar);

    central_ = new QWidget(this);
    setCentralWidget(central_);

    panel0_ = new QLabel(this);
    panel1_ = new QLabel(this);
    // Empty panels keep a line's height: the window does not jump when a text comes or goes.
    for (QLabel* panel : {panel0_, panel1_})
        panel->setMinimumHeight(QFontMetrics(panel->font()).height());
    statusBar()->addWidget(panel0_, 1);
    statusBar()->addWidget(panel1_, 2);
    statusBar()->setSizeGripEnabled(false);
}

TFrForm::~TFrForm() {
    if (keyPreview_) qApp->removeEventFilter(keyPreview_);
}

QAction* TFrForm::makeAction(const QString& caption, const QString& hint, const QKeySequence& key,
                             bool storesEdits) {
    auto* action = new QAction(caption, this);
    if (!hint.isEmpty()) {
        action->setToolTip(hint);
        action->setStatusTip(hint);
    }
    if (!key.isEmpty()) action->setShortcut(key);
    action->setShortcutContext(Qt::WindowShortcut);
    // Toolbar buttons and shortcuts leave the focus where it is: a cell still being typed in
    // is stored first, so that Save saves what the user sees. Connected before the screen's
    // own handler, so it runs first.
    if (storesEdits)
        connect(action, &QAction::triggered, this, [this] {
            for (DBGrid* grid : findChildren<DBGrid*>()) grid->commitEdit();
        });
    // Held by the window, so the shortcut works while its button is hidden.
    addAction(action);
    return action;
}

QToolButton* TFrForm::makeButton(QAction* action) {
    auto* button = new QToolButton;
    button->setDefaultAction(action);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setObjectName(QStringLiteral("B") + action->text().remove(u' ').remove(u'.'));
    return button;
}

void TFrForm::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (shown_) return;
    shown_ = true;
    FormShow();
}

void TFrForm::FormShow() {
    // The screen's caption becomes the application's title, which message boxes carry.
    followCaption_ = true;
    takeCaptionAsTitle();
    for (QToolButton* b : {BHist, BCopy, BPrint, BChgCode, BApporved}) b->setVisible(false);
    TFrForm::AcNewExecute();  // the frame's own New; a screen runs its New itself
}

void TFrForm::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    // A screen sets its full caption after the frame's show: the title follows it.
    if (event->type() == QEvent::WindowTitleChange && followCaption_) takeCaptionAsTitle();
}

void TFrForm::takeCaptionAsTitle() {
    if (windowTitle().isEmpty() || QGuiApplication::applicationDisplayName() == windowTitle())
        return;
    QGuiApplication::setApplicationDisplayName(windowTitle());
    // The window system's title was made with the old application title; make it again, so
    // the caption is not followed by that title.
    if (QWindow* window = windowHandle()) window->setTitle(windowTitle());
}

void TFrForm::AcNewExecute() {
    ChgCode->setVisible(false);
    AcSave->setEnabled(false);
    AcDel->setEnabled(false);
    AcChgCode->setEnabled(false);
    // The window sees every key before its controls do.
    if (!keyPreview_) {
        keyPreview_ = new KeyPreview(this);
        qApp->installEventFilter(keyPreview_);
    }
}

bool TFrForm::ownsKeyOf(QObject* watched) const {
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != this) return false;
    QWidget* focus = QApplication::focusWidget();
    return widget == focus || (!focus && widget == this);
}

void TFrForm::showHint(QWidget* widget, const QString& text) {
    if (!hint_) {
        hint_ = new QLabel(this, Qt::ToolTip | Qt::FramelessWindowHint);
        hint_->setObjectName(QStringLiteral("HintWindow"));
        hint_->setMargin(4);
        hint_->setFrameShape(QFrame::Box);
        hint_->setAutoFillBackground(true);
        hint_->setPalette(QToolTip::palette());
        hint_->setWindowOpacity(0.8);  // 20 percent transparent
        hintTimer_.setSingleShot(true);
        hintTimer_.setInterval(5000);
        connect(&hintTimer_, &QTimer::timeout, hint_, &QWidget::hide);
    }
    hint_->setText(text);
    hint_->adjustSize();
    // Centred on the control it explains.
    const QPoint centre = widget->mapToGlobal(widget->rect().center());
    hint_->move(centre - QPoint(hint_->width() / 2, hint_->height() / 2));
    hint_->show();
    hintTimer_.start();
}

bool TFrForm::previewEvent(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget && widget->window() == this) {
            QString text = widget->toolTip();
            if (auto* button = qobject_cast<QToolButton*>(widget);
                button && button->defaultAction())
                text = button->defaultAction()->toolTip();
            if (text.isEmpty() || text == buttonCaption(widget)) {
                if (hint_) hint_->hide();
            } else {
                showHint(widget, text);
            }
            return true;
        }
    }
    if (event->type() == QEvent::Leave && hint_ && hint_->isVisible()) hint_->hide();
    if (event->type() == QEvent::ShortcutOverride && ownsKeyOf(watched)) {
        // The window's shortcuts come before the control's own use of the key (Ctrl+X exits
        // rather than cuts): keep the control from claiming it.
        const auto* key = static_cast<QKeyEvent*>(event);
        const QKeySequence pressed(key->keyCombination());
        for (const QAction* action : actions())
            if (action->isEnabled() && action->shortcut() == pressed) return true;
    }
    if (event->type() != QEvent::KeyPress || !ownsKeyOf(watched)) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    auto* focused = static_cast<QWidget*>(watched);
    const bool plain = (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && plain) {
        for (QWidget* w = focused; w && w != this; w = w->parentWidget())
            if (w->property(kKeepsEnterProperty).toBool()) return false;
        if (focused->isEnabled() && focused->focusPolicy() != Qt::NoFocus) focusNextChild();
        return true;  // no control gets the Enter itself
    }
    if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier) {
        for (QWidget* w = focused; w && w != this; w = w->parentWidget())
            if (w->property(kKeepsEscapeProperty).toBool()) return false;
        AcExit->trigger();
        return true;
    }
    return false;
}

void TFrForm::closeEvent(QCloseEvent* event) {
    const bool thai = DmConfig && DmConfig->ThaiLanguage;
    if (confirmExit(thai))
        event->accept();
    else
        event->ignore();
}
