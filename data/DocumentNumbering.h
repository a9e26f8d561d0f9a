#pragma once
// Document numbering on the main company connection: the series a screen looks up when it
// opens (GetDocumentLength, which also decides DocAutoRun) and the number drawn for good when
// a new document is saved (GetNewDocNo, through the server procedure NewDocumentNo).
//
// A series is the DocumentNo row of a document code and a year; a DocNoConvert row sends a
// code and year to another series. The look-up takes its year from Config.RunYear, the drawn
// number from the date of the document being saved.
#include <QDate>
#include <QString>
#include <optional>

#include "data/SettingsRow.h"
#include "db/connection.h"
#include "db/result_set.h"

class DocumentNumbering {
public:
    // QDocConvert: the series a code and year are redirected to (:GetCode, :GetYear).
    static const QString kDocConvertSql;
    // QDocumentNo: the code's own series of the year (:GetCode, :GetYear).
    static const QString kDocumentNoSql;
    // The procedure that draws and consumes the next number of a series.
    static const QString kNewDocumentNoProc;

    // Not owned; both outlive this object. The settings row gives the running year.
    DocumentNumbering(db::Connection& connection, SettingsRow& config);

    // Looks up the series of the code for Config.RunYear and returns its DocumentLength.
    // A redirected code (DocNoConvert) leaves DocAutoRun as it was. A code's own series sets
    // DocAutoRun to whether its AutoRun is "Y". Without a series the user is told through
    // MessageService, DocAutoRun becomes false and the result is 0.
    int GetDocumentLength(const QString& code);

    // Draws the next number of the code's series for the calendar year of the date. Runs inside
    // the caller's transaction when one is active; a database error reaches the caller.
    QString GetNewDocNo(const QString& code, const QDate& date);

    // Whether the series looked up last numbers automatically; false until a look-up says so.
    bool DocAutoRun() const { return docAutoRun_; }
    void setDocAutoRun(bool autoRun) { docAutoRun_ = autoRun; }

    // The two look-up results as the last GetDocumentLength left them (they stay open).
    const db::ResultSet& docConvert() const { return docConvert_; }
    const db::ResultSet& documentNo() const { return documentNo_; }

private:
    db::Connection& connection_;
    SettingsRow& config_;
    db::ResultSet docConvert_;
    db::ResultSet documentNo_;
    bool docAutoRun_ = false;
};
