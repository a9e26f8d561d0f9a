#pragma once
// The main data module: the connection to the company's own database ("DMDATA"), its settings
// row, document numbering, the server's clock, the save question, the user log and the one
// handler of errors that escape a screen. There is one per run, reachable as DM.
#include <QColor>
#include <QDate>
#include <QDateTime>
#include <QObject>
#include <QString>
#include <exception>
#include <functional>

#include "data/DocumentNumbering.h"
#include "data/QuantityText.h"
#include "data/SettingsRow.h"
#include "db/connection.h"

class TDM : public QObject {
    Q_OBJECT
    // Declared first: the settings row and the numbering below work on it.
    db::Connection DMdata_{QStringLiteral("DMDATA")};

public:
    // Becomes DM until destroyed. Connects nothing.
    explicit TDM(QObject* parent = nullptr);
    ~TDM() override;

    // The main database's name: command-line parameter 3, trimmed at each connect.
    void setDatabaseParameter(const QString& parameter) { databaseParameter_ = parameter; }
    // Where "Server.Dat" is read; the current directory unless set.
    void setServerDatFolder(const QString& folder) { serverDatFolder_ = folder; }

    db::Connection& DMdata() { return DMdata_; }

    // The server's present date and time (procedure ServerTime).
    QDateTime GetServerTime();
    // A Yes/No question in white on ConfirmColor; true only on Yes.
    bool ConfirmDialog(const QString& message);

    // Document numbering (settings year, series look-up, number drawn at save).
    int GetDocumentLength(const QString& code) { return numbering_.GetDocumentLength(code); }
    QString GetNewDocNo(const QString& code, const QDate& date) {
        return numbering_.GetNewDocNo(code, date);
    }
    bool DocAutoRun() const { return numbering_.DocAutoRun(); }
    DocumentNumbering& numbering() { return numbering_; }

    // Quantity texts in a product's units for printed documents (see data/QuantityText.h).
    // FracSmallByStock takes a quantity of the unit `unitId`; the other two a quantity in
    // smallest units. Database errors of the look-ups propagate.
    QString FracSmallByStock(int unitId, double quantity);
    QString OnhandQuantity(int unitId, double quantity);
    QString OnhandQuantityLSUnit(int unitId, int part, double quantity);
    static const QString kUnitFractionSql;   // QUnitFraction, parameter GetUnit
    static const QString kStockUnitQntySql;  // QStockUnitQnty, parameter GetProduct

    // One entry of the user log for the run's user and menu entry.
    void AddUserLog(int actionCode, int documentId, const QString& remark);

    // The handler of every error that reaches the event loop: error log, Thai explanation,
    // error report dialog. Never throws.
    void ApplicationEvents1Exception(const std::exception& error);
    // How the report text is shown. Start-up sets the red report dialog (ui/Fr_ShowError.h)
    // or, in an unattended run, a printer; unset, the report goes to standard error.
    using ReportPresenter = std::function<void(const QString& reportText)>;
    void setReportPresenter(ReportPresenter presenter) { presentReport_ = std::move(presenter); }

    QString DatabaseCode;
    SettingsRow QConfig{DMdata_};
    const QColor ConfirmColor{0, 0, 255};
    static constexpr int LogAdd = 1;
    static constexpr int LogEdit = 2;
    static constexpr int LogPrint = 5;
    static constexpr int LogPreview = 10;

private:
    UnitFractionRow QUnitFraction(int unitId);
    QuantitySettings quantitySettings();

    void DMdataBeforeConnect(db::Connection& connection);
    void DMdataAfterConnect(db::Connection& connection);

    DocumentNumbering numbering_{DMdata_, QConfig};
    QString databaseParameter_;
    QString serverDatFolder_;
    ReportPresenter presentReport_;
    bool reporting_ = false;  // a report is on screen
};

// The main data module of the run; null before start-up creates it.
extern TDM* DM;
