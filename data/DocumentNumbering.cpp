#include "data/DocumentNumbering.h"

#include "data/Messages.h"
#include "data/Workstation.h"

namespace {

const QString kGetCode = QStringLiteral("GetCode");
const QString kGetYear = QStringLiteral("GetYear");

}  // namespace

const QString DocumentNumbering::kConfigSql = QStringLiteral(
    "SELECT *\n"
    "       ,(Select M.Code From Misc M Where M.Id = MainCurrencyId) MainCurrencyCode\n"
    "       ,(Select M.Description From Misc M Where M.Id = MainCurrencyId) MainCurrencyName\n"
    "FROM Config\n"
    "Where id=1");

const QString DocumentNumbering::kDocConvertSql = QStringLiteral(
    "SELECT D.Id, D.Code, D.Description, D.Prefix, D.LastNo, D.DocumentLength,\n"
    "  D.AutoRun, D.DocType\n"
    "FROM DocNoConvert V\n"
    "Inner Join DocumentNo D On (V.DocumentNo = D.Id)\n"
    "WHERE (V.Code = :GetCode) And (V.DocYear=:GetYear)");

const QString DocumentNumbering::kDocumentNoSql = QStringLiteral(
    "SELECT D.Code, D.Description, D.Prefix, D.LastNo, D.DocumentLength, D.AutoRun\n"
    "FROM DocumentNo D\n"
    "WHERE (D.Code = :GetCode) And (DocYear=:GetYear)");

const QString DocumentNumbering::kNewDocumentNoProc = QStringLiteral("NewDocumentNo");

DocumentNumbering::DocumentNumbering(db::Connection& connection) : connection_(connection) {}

void DocumentNumbering::openConfig() {
    if (!config_) config_ = connection_.query(kConfigSql);
}

void DocumentNumbering::reopenConfig() {
    config_.reset();
    openConfig();
}

int DocumentNumbering::runYear() const {
    if (!config_ || config_->isEmpty()) return 0;
    const int column = config_->columnIndex(QStringLiteral("RunYear"));
    if (column < 0) return 0;
    return config_->value(0, column).toInt();
}

int DocumentNumbering::GetDocumentLength(const QString& code) {
    openConfig();
    const int year = runYear();
    const db::Params params{{kGetCode, code}, {kGetYear, year}};

    docConvert_ = db::ResultSet();
    docConvert_ = connection_.query(kDocConvertSql, params);
    if (!docConvert_.isEmpty())
        return docConvert_.value(0, QStringLiteral("DocumentLength")).toInt();

    documentNo_ = db::ResultSet();
    documentNo_ = connection_.query(kDocumentNoSql, params);
    if (documentNo_.isEmpty()) {
        MessageService::current().message(QStringLiteral("ไม่พบรหัสเอกสาร ") + code + u'\r' +
                                          QStringLiteral("ปี ") + QString::number(year));
        docAutoRun_ = false;
        return 0;
    }
    docAutoRun_ = documentNo_.value(0, QStringLiteral("AutoRun")).toString() == u"Y";
    return documentNo_.value(0, QStringLiteral("DocumentLength")).toInt();
}

QString DocumentNumbering::GetNewDocNo(const QString& code, const QDate& date) {
    const db::ProcResult result = connection_.callProcedure(
        kNewDocumentNoProc, {db::ProcParam::in(QStringLiteral("@DocCode"), code),
                             db::ProcParam::in(QStringLiteral("@DocYear"), YearOfDate(date)),
                             db::ProcParam::out(QStringLiteral("@NewNo"), db::FieldType::String)});
    return result.output(QStringLiteral("@NewNo")).toString();
}
