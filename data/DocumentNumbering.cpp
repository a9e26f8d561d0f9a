#include "data/DocumentNumbering.h"

#include "data/Messages.h"
#include "data/Workstation.h"
#include "statements/Startup.h"

namespace {

const QString kGetCode = QStringLiteral("GetCode");
const QString kGetYear = QStringLiteral("GetYear");

}  // namespace

const QString DocumentNumbering::kDocConvertSql =
    QString::fromStdString(statements::shared_data::docConvert());

const QString DocumentNumbering::kDocumentNoSql =
    QString::fromStdString(statements::shared_data::documentNo());

const QString DocumentNumbering::kNewDocumentNoProc = QStringLiteral("NewDocumentNo");

DocumentNumbering::DocumentNumbering(db::Connection& connection, SettingsRow& config)
    : connection_(connection), config_(config) {}

int DocumentNumbering::GetDocumentLength(const QString& code) {
    config_.open();
    const int year = config_.runYear();
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
    const QString number = result.output(QStringLiteral("@NewNo")).toString();
    // Stamping a document with no number would store it where nobody finds it again.
    if (number.trimmed().isEmpty())
        throw db::DatabaseError(
            QStringLiteral("%1 gave no number for %2 of %3.")
                .arg(kNewDocumentNoProc, code, QString::number(YearOfDate(date))));
    return number;
}
