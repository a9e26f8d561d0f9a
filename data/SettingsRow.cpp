#include "data/SettingsRow.h"

#include "db/connection.h"

const QString SettingsRow::kSql = QStringLiteral(
    "SELECT *\n"
    "       ,(Select M.Code From Misc M Where M.Id = MainCurrencyId) MainCurrencyCode\n"
    "       ,(Select M.Description From Misc M Where M.Id = MainCurrencyId) MainCurrencyName\n"
    "FROM Config\n"
    "Where id=1");

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
