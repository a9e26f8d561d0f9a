#include "data/U_DM.h"

#include <QScopeGuard>
#include <QTextStream>

#include "data/Dm_Config.h"
#include "data/ErrorTranslation.h"
#include "data/Messages.h"
#include "db/connection_params.h"
#include "db/shown_text.h"
#include "statements/Startup.h"

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

const QString TDM::kUnitFractionSql =
    QString::fromStdString(statements::shared_data::unitFraction());

const QString TDM::kStockUnitQntySql =
    QString::fromStdString(statements::shared_data::stockUnitQnty());

UnitFractionRow TDM::QUnitFraction(int unitId) {
    const db::ResultSet rows =
        DMdata_.query(kUnitFractionSql, {{QStringLiteral("GetUnit"), unitId}});
    UnitFractionRow unit;
    if (rows.isEmpty()) return unit;
    unit.found = true;
    unit.lUnit = rows.value(0, QStringLiteral("LUnit")).toString();
    unit.fraction = rows.value(0, QStringLiteral("Fraction")).toLongLong();
    unit.sUnit = rows.value(0, QStringLiteral("SUnit")).toString();
    unit.product = rows.value(0, QStringLiteral("IdProd")).toLongLong();
    return unit;
}

QuantitySettings TDM::quantitySettings() {
    QuantitySettings settings;
    // Empty (NULL) decimals read as 0: what is significant is shown.
    settings.onhandDecimal = QConfig.value(QStringLiteral("OnhandDecimal")).toInt();
    settings.unitLeft = QConfig.value(QStringLiteral("UnitLeft")).toString();
    settings.unitRight = QConfig.value(QStringLiteral("UnitRight")).toString();
    return settings;
}

QString TDM::FracSmallByStock(int unitId, double quantity) {
    // Without a unit row the fraction is 0, and so is the quantity in smallest units.
    const UnitFractionRow unit = QUnitFraction(unitId);
    const std::int32_t n = smallUnitsOf(quantity, unit.fraction);
    const db::ResultSet rows =
        DMdata_.query(kStockUnitQntySql, {{QStringLiteral("GetProduct"), unit.product}});
    StockUnitRow stock;
    if (!rows.isEmpty()) {
        stock.found = true;
        stock.fraction = rows.value(0, QStringLiteral("Fraction")).toLongLong();
        stock.unitName = rows.value(0, QStringLiteral("UnitName")).toString();
    }
    return fracSmallByStockText(n, stock, unit.sUnit);
}

QString TDM::OnhandQuantity(int unitId, double quantity) {
    const UnitFractionRow unit = QUnitFraction(unitId);
    return onhandQuantityText(unit, quantitySettings(), quantity);
}

QString TDM::OnhandQuantityLSUnit(int unitId, int part, double quantity) {
    return onhandQuantityLSUnitText(QUnitFraction(unitId), part, quantity);
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
        // Without a presenter (a tool, a test) the report still reaches whoever reads the
        // output; start-up gives a run with a person the red report dialog.
        if (presentReport_)
            presentReport_(report);
        else
            QTextStream(stderr) << "error: " << db::oneLine(report) << '\n';
    } catch (const std::exception& showError) {
        QTextStream(stderr) << report << '\n' << errorMessageOf(showError) << '\n';
    }
}
