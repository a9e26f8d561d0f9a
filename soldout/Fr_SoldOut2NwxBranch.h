#pragma once
// Module 15: copies each active branch's sales since its last upload into the per-year
// SoldOut tables of the branch report database (NWXBranch), then moves the branch's upload
// date on, each branch in one transaction of the report database. Run by a person with the
// Load button, or unattended (--autorun): the screen presses Load itself, prints the outcome
// and ends the program.
#include <QDate>
#include <QDateTime>
#include <QStringList>
#include <QWidget>

#include "data/ScriptRunner.h"
#include "db/connection.h"
#include "db/result_set.h"

class QLabel;
class QProgressBar;
class QPushButton;

class TFrSoldOut2NwxBranchAUTO : public QWidget {
    Q_OBJECT
public:
    static const QString kBranchListSql;
    static const QString kYearTableSql;
    static const QString kSoldOutSql;
    static const QString kUpdateDateSql;
    // Reaches the configuration database from the report database's connection.
    static const QString kConfigProbeSql;
    static QString deleteSql(int year);
    static QString insertSql(int year);
    // The parameter list of the report database.
    static QStringList reportParameterList(const QString& serverName);
    // The start time shown: parameter 6 trimmed + ":00", or "12:12:12" when it is empty. A
    // parameter too long for the label is cut, and control characters are escaped.
    static QString startTimeText(const QString& parameter);

    // arguments: the command-line parameters without the program's name.
    explicit TFrSoldOut2NwxBranchAUTO(const QStringList& arguments = {}, QWidget* parent = nullptr);

    // Fills DBBranch's parameter list for a branch database.
    void SetDBServer(const QString& server, const QString& database);

    // Whether a run may start (set while no run goes).
    bool runFlag() const { return runFlag_; }
    // Branch codes whose database could not be opened in the last run, separated by ", ".
    const QString& failedBranches() const { return failed_; }
    // The closing message of the last finished run.
    const QString& closingMessage() const { return closing_; }
    bool autoRun() const { return autoRun_; }

    QLabel* LDate;
    QLabel* LStartDate;
    QLabel* LStatus;
    QLabel* LUpdate;
    QProgressBar* ProgressBar1;
    QPushButton* BLoad;
    QPushButton* BClose;

    db::Connection DBBranch{QStringLiteral("DBBranch")};
    db::Connection DBNWXBranch{QStringLiteral("DBNWXBranch")};

public slots:
    void BLoadClick();

signals:
    // A run ended; `error` is empty unless an error ended it.
    void runFinished(const QString& error);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void FormShow();
    void run();
    void uploadBranch(const db::ResultSet& branches, int row);
    // Deletes the branch's report rows from the start date on, in every year's table.
    void clearBranch(const QString& code, const QDateTime& start);
    void storeBranch(const QString& code, const QString& name, const QString& prefix,
                     const QDateTime& start, const db::ResultSet& sales);
    void showProgress(QLabel* label, const QString& text, bool force = true);
    // Whether the window is due a repaint of the progress.
    bool paintDue() const;
    void finishAutoRun(const QString& error);

    QString startTime_;
    bool runFlag_ = false;
    bool running_ = false;
    bool shown_ = false;
    bool autoRun_ = false;
    QString failed_;
    QString closing_;
    TSQLScript yearTable_;
    TSQLScript delete_;
    TSQLScript insert_;
    TSQLScript updateDate_;
    qint64 lastPaint_ = 0;
};
