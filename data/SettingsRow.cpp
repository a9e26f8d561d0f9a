#include "data/SettingsRow.h"

#include "db/connection.h"
#include "statements/Startup.h"

const QString SettingsRow::kSql = QString::fromStdString(statements::shared_data::settingsRow());

void SettingsRow::open() {
    if (!row_) row_ = connection_.query(kSql);
}

void SettingsRow::reopen() {
    row_.reset();
    open();
}

const db::ResultSet& SettingsRow::rows() {
    open();
    return *row_;
}

QVariant SettingsRow::value(const QString& column) {
    const db::ResultSet& r = rows();
    const int index = r.columnIndex(column);
    if (r.isEmpty() || index < 0) return {};
    return r.value(0, index);
}
