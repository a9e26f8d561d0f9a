#pragma once
// QConfig: the company database's settings row (table Config, id 1) with the main currency's
// code and name. It is read on first use and again after every connect of the main
// connection; a missing row reads as empty values.
#include <QString>
#include <QVariant>
#include <optional>

#include "db/result_set.h"

namespace db {
class Connection;
}

class SettingsRow {
public:
    static const QString kSql;

    // Not owned; the connection outlives this object.
    explicit SettingsRow(db::Connection& connection) : connection_(connection) {}

    bool isOpen() const { return row_.has_value(); }
    void open();    // reads the row unless it is open
    void reopen();  // reads it again
    void close() { row_.reset(); }

    // The column's value (name in any letter case); null when the row or column is missing.
    // Opens the row first.
    QVariant value(const QString& column);
    // Config.RunYear; 0 when missing.
    int runYear() { return value(QStringLiteral("RunYear")).toInt(); }

    const db::ResultSet& rows();

private:
    db::Connection& connection_;
    std::optional<db::ResultSet> row_;
};
