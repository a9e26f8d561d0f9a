#include "data/ErrorTranslation.h"

#include <array>

#include "db/database_error.h"
#include "db/shown_text.h"

namespace {

const std::array<ErrorTranslationRow, 14> kTable{{
    {"is not a valid date", "ป้อนวันที่ไม่ถูกต้อง"},
    {"Cannot insert the value NULL into column 'Transportation'", "ไม่ได้ป้อนข้อมูลการขนส่ง"},
    {"Cannot insert the value NULL into column 'Price'", "กำหนดราคาไม่ครบถ้วน"},
    {"Cannot insert the value NULL into column 'Warehouse'", "ไม่ได้ป้อนข้อมูลคลัง"},
    {"Cannot insert the value NULL into column 'Customer'", "ไม่ได้ป้อนข้อมูลลูกค้า"},
    {"Cannot insert the value NULL into column 'Vendor'", "ไม่ได้ป้อนข้อมูลเจ้าหนี้"},
    {"Cannot insert the value NULL into column 'Fraction'", "ไม่ได้ป้อนข้อมูลหน่วย หรือ ข้อมูลหน่วยผิดพลาด"},
    {"Cannot insert the value NULL into column 'Salesman'", "ไม่ได้ป้อนข้อมูลพนักงานขาย"},
    {db::kNetworkErrorFragment, "ระบบเครือข่าย หรือ คอมพิวเตอร์แม่ข่ายมีปัญหา ติดต่อเครื่องแม่ข่ายไม่ได้"},
    {"DELETE statement conflicted with COLUMN REFERENCE",
     "ข้อมูลที่ลบถูกอ้างโดยข้อมูลอื่น ไม่สามารถลบข้อมูลนี้ได้"},
    {"Printer selected is not valid", "ยังไม่ได้กำหนดเครื่องพิมพ์ หรือ เครื่องพิมพ์มีปัญหา"},
    {"Insufficient memory", "Memory หน่วยความจำของเครื่องไม่เพียงพอ"},
    {"SQL Server connection timed out", "เครื่องแม่ข่ายตัดการติดต่อ เพราะเครื่องนี้อาจเรียกข้อมูลปริมาณมากเกินไป"},
    {"Cannot insert duplicate", "ข้อมูลที่เพิ่มซ้ำกับข้อมูลที่มีอยู่แล้ว"},
}};

const QChar kCarriageReturn(u'\r');

}  // namespace

std::span<const ErrorTranslationRow> errorTranslationTable() {
    return kTable;
}

QString asciiUpperCase(const QString& text) {
    QString result = text;
    for (QChar& c : result)
        if (c >= u'a' && c <= u'z') c = QChar(c.unicode() - u'a' + u'A');
    return result;
}

QString errorTranslation(const QString& message) {
    const QString upper = asciiUpperCase(message);
    for (const ErrorTranslationRow& row : kTable)
        if (upper.contains(asciiUpperCase(QString::fromLatin1(row.fragment))))
            return QString::fromUtf8(row.message);
    return {};
}

QString errorLine(const QString& message) {
    const QString explanation = errorTranslation(message);
    return db::oneLine(explanation.isEmpty() ? message : explanation + u' ' + message);
}

QString errorReportText(const QString& message) {
    return errorTranslation(message) + kCarriageReturn + asciiUpperCase(message) + kCarriageReturn;
}

QString errorMessageOf(const std::exception& error) {
    if (const auto* dbError = dynamic_cast<const db::DatabaseError*>(&error))
        return dbError->message();
    return QString::fromUtf8(error.what());
}

QString errorMailBody(const QString& userCode, const QString& localIPAddress,
                      const QString& reportText) {
    return QStringLiteral("[User = ") + userCode.trimmed() + QStringLiteral("] ") +
           kCarriageReturn + QStringLiteral("Local IP = ") + localIPAddress + kCarriageReturn +
           reportText;
}

QString errorMailSubject(const QString& companyCode, const QString& menuCaption) {
    return QStringLiteral("Error ") + companyCode.trimmed() + QLatin1Char(' ') +
           menuCaption.trimmed();
}
