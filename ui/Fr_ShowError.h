#pragma once
// The error report dialog: white text on red, "Send Error" / "Don't Send", and a countdown
// that closes it by itself nine seconds after it appeared, so an unattended workstation goes
// on.
#include <QDialog>
#include <QTimer>

class QLabel;
class QPlainTextEdit;
class QPushButton;

class TFrShowError : public QDialog {
    Q_OBJECT
public:
    explicit TFrShowError(QWidget* parent = nullptr);

    // Shows a report and waits until it is closed: DM's report presenter in a run that a
    // person watches (start-up sets it).
    static void showReport(const QString& report);

    void setReportText(const QString& text);
    QString reportText() const;

    int countdown() const { return countdown_; }
    bool stopped() const { return stopMark_; }
    bool sendChosen() const { return sendChosen_; }

    QPlainTextEdit* ErrorBox;
    QLabel* TimeCount;
    QPushButton* BOk;
    QPushButton* BCancel;
    QTimer Timer1;

public slots:
    // One second of the countdown.
    void Timer1Timer();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void BOkClick();
    void BCancelClick();

    int countdown_ = 10;
    bool stopMark_ = false;
    bool sendChosen_ = false;
};
