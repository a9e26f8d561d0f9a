#include "ui/Fr_ShowError.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "data/Dm_Config.h"
#include "data/ErrorTranslation.h"
#include "data/Workstation.h"

TFrShowError::TFrShowError(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::MSWindowsFixedSizeDialogHint) {
    setWindowTitle(QStringLiteral("Windows Error Message"));
    setModal(true);
    QPalette red = palette();
    red.setColor(QPalette::Window, QColor(255, 0, 0));
    red.setColor(QPalette::Base, QColor(255, 0, 0));
    red.setColor(QPalette::Text, Qt::white);
    red.setColor(QPalette::WindowText, Qt::white);
    setPalette(red);
    setAutoFillBackground(true);

    ErrorBox = new QPlainTextEdit(this);
    ErrorBox->setReadOnly(true);
    ErrorBox->setPalette(red);
    ErrorBox->setMinimumSize(480, 200);
    TimeCount = new QLabel(this);
    BOk = new QPushButton(QStringLiteral("Send Error"), this);
    BCancel = new QPushButton(QStringLiteral("Don't Send"), this);
    BOk->setAutoDefault(false);
    BCancel->setDefault(true);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(TimeCount, 1);
    buttons->addWidget(BOk);
    buttons->addWidget(BCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(ErrorBox, 1);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(BOk, &QPushButton::clicked, this, &TFrShowError::BOkClick);
    connect(BCancel, &QPushButton::clicked, this, &TFrShowError::BCancelClick);
    Timer1.setInterval(1000);
    connect(&Timer1, &QTimer::timeout, this, &TFrShowError::Timer1Timer);
}

void TFrShowError::showReport(const QString& report) {
    TFrShowError dialog;
    dialog.setReportText(report);
    dialog.exec();
}

void TFrShowError::setReportText(const QString& text) {
    // The report's line breaks are carriage returns; the box breaks lines at each of them.
    ErrorBox->setPlainText(QString(text).replace(u'\r', u'\n'));
}

QString TFrShowError::reportText() const {
    return ErrorBox->toPlainText();
}

void TFrShowError::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    const QPoint origin = screen ? screen->geometry().topLeft() : QPoint();
    move(origin + QPoint(50, 100));
    TimeCount->clear();
    BCancel->setFocus();
    countdown_ = 10;
    stopMark_ = false;
    Timer1.start();
}

void TFrShowError::Timer1Timer() {
    if (stopMark_) return;
    --countdown_;
    TimeCount->setText(QString::number(countdown_ - 1));
    if (countdown_ <= 1) BCancelClick();
}

void TFrShowError::BCancelClick() {
    Timer1.stop();
    reject();
}

void TFrShowError::BOkClick() {
    stopMark_ = true;
    sendChosen_ = true;
    Timer1.stop();
    if (DmConfig) {
        const QString report = ErrorBox->toPlainText().replace(u'\n', u'\r');
        DmConfig->SendErrorMail(errorMailSubject(DmConfig->CompanyCode, DmConfig->MenuCaption),
                                errorMailBody(DmConfig->UserCode, LocalIPAddress(), report));
    }
    accept();
}
