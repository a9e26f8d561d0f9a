#include "data/U_DM.h"

#include <QScopeGuard>
#include <QTextStream>

#include "data/Dm_Config.h"
#include "data/ErrorTranslation.h"
#include "data/Fr_ShowError.h"
#include "data/Messages.h"
#include "db/connection_params.h"

TDM* DM = nullptr;

TDM::TDM(QObject* parent) : QObject(parent) {
    DMdata_.setBeforeConnect([this](db::Connection& c) { DMdataBeforeConnect(c); });
    DMdata_.setAfterConnect([this](db::Connection& c) { DMdataAfterConnect(c); });
    DM = this;
}

TDM::~TDM() {
    if (DM == this) DM = nullptr;
}

void TDM::DMdataBeforeConnect(db::Connection& connection) {
    DatabaseCode = databaseParameter_.trimmed();
    connection.params().clear();
    connection.setParams(db::connectionParameterList(
        DatabaseCode, serverNameOrDefault(serverDatFolder_), kMainQueryTime));
}

void TDM::DMdataAfterConnect(db::Connection&) {
    QConfig.reopen();
}

QDateTime TDM::GetServerTime() {
    const db::ProcResult result = DMdata_.callProcedure(
        QStringLiteral("ServerTime"),
        {db::ProcParam::out(QStringLiteral("@ServerTime"), db::FieldType::DateTime)});
    return result.output(QStringLiteral("@ServerTime")).toDateTime();
}

bool TDM::ConfirmDialog(const QString& message) {
    return MessageService::current().confirm(message, {ConfirmColor, QColor(Qt::white)});
}

void TDM::AddUserLog(int actionCode, int documentId, const QString& remark) {
    const int userId = DmConfig ? DmConfig->UserId : 0;
    const int menuId = DmConfig ? DmConfig->MenuId : 0;
    DMdata_.callProcedure(QStringLiteral("UserAddLog"),
                          {db::ProcParam::in(QStringLiteral("@UserId"), userId),
                           db::ProcParam::in(QStringLiteral("@MenuId"), menuId),
                           db::ProcParam::in(QStringLiteral("@FunctionListId"), actionCode),
                           db::ProcParam::in(QStringLiteral("@DocumentId"), documentId),
                           db::ProcParam::in(QStringLiteral("@Remark"), remark)});
}

void TDM::ApplicationEvents1Exception(const std::exception& error) {
    const QString message = errorMessageOf(error);
    QString report = errorReportText(message);
    // The log comes first. When the configuration database cannot take it either (the usual
    // case when the network is down), the report still has to reach the user: say so in it.
    try {
        if (DmConfig) DmConfig->WriteErrorLog(message);
    } catch (const std::exception& logError) {
        const QString why = errorMessageOf(logError);
        QTextStream(stderr) << "error log not written: " << why << '\n';
        report += QStringLiteral("(error log not written: ") + why + u')' + u'\r';
    }
    // An error that recurs while the report is on screen (a timer, a repaint) is logged but
    // opens no second report: reports stacking up without end would bury the program.
    if (reporting_) {
        QTextStream(stderr) << report << '\n';
        return;
    }
    reporting_ = true;
    const auto done = qScopeGuard([this] { reporting_ = false; });
    try {
        if (presentReport_) {
            presentReport_(report);
        } else {
            TFrShowError dialog;
            dialog.setReportText(report);
            dialog.exec();
        }
    } catch (const std::exception& showError) {
        QTextStream(stderr) << report << '\n' << errorMessageOf(showError) << '\n';
    }
}
