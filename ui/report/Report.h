#pragma once
// The report engine: load a template, set its variables, prepare it against the database into
// pages, then preview, print or write it as PDF (Render.h, Preview.h).
//
// Preparing runs the template's bands: the report title on the first page; the page header at
// the top of every page and the page footer at its bottom; the column header under the page
// header on every page that shows data, and the column footer after the data of each page;
// each master data band once per record of its data set, with its group headers and footers
// around it and its detail data bands (queried again for every master record) under it; the
// report summary after all data. A band that does not fit on what is left of the page begins a
// new one.
#include <QMap>
#include <QString>
#include <exception>
#include <functional>
#include <memory>

#include "db/result_set.h"
#include "ui/report/Document.h"
#include "ui/report/UserFunctions.h"

namespace db {
class Connection;
}

namespace report {

class Report {
public:
    // Queries run on `connection` (not owned; may be null when every data set is given).
    explicit Report(db::Connection* connection = nullptr);
    ~Report();

    void setConnection(db::Connection* connection) { connection_ = connection; }

    // Empties the report: no template, no variables, no data sets given.
    void clear();
    void loadFromFile(const QString& path);
    void load(Template tpl);
    const Template* currentTemplate() const { return tpl_.get(); }

    // A report variable holds an expression text: "'ORD0001'" is a text, "2024" a number.
    void setVariable(const QString& name, const QString& expressionText);
    // Rows for a data set instead of its query (tests, benchmarks, callers with rows at hand);
    // a detail band's given rows serve every master record.
    void setDataSet(const QString& name, db::ResultSet rows);

    // Functions of the application, asked for every function name the engine does not know.
    void setUserFunctionHandler(UserFunctionHandler handler) { handler_ = std::move(handler); }

    // Runs the template into pages; throws ReportError.
    PreparedReport prepare();

    // As prepare, for callers that print only a report that prepared: true and the pages kept
    // (prepared()), or false after handing the error to `onError` (the application's error
    // report) with nothing kept.
    bool prepareReport(const std::function<void(const std::exception&)>& onError);
    const PreparedReport* prepared() const { return prepared_.get(); }

    // One expression outside any band: variables, functions and the application's handler.
    QVariant evaluate(const QString& expressionText);

private:
    class Run;
    db::Connection* connection_ = nullptr;
    std::shared_ptr<Template> tpl_;
    std::vector<std::pair<QString, QString>> variables_;
    QMap<QString, db::ResultSet> givenData_;  // by upper-case name
    UserFunctionHandler handler_;
    std::unique_ptr<PreparedReport> prepared_;
};

}  // namespace report
