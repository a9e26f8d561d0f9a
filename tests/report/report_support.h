#pragma once
// Rows and templates for the report tests.
#include <QString>
#include <QVariant>
#include <vector>

#include "db/result_set.h"
#include "ui/report/Report.h"

namespace reporttest {

inline db::ResultSet rows(const QStringList& names, const std::vector<QVariantList>& values) {
    QList<db::Column> columns;
    for (const QString& n : names) columns.push_back({n, db::FieldType::Unknown});
    return db::ResultSet(columns, values);
}

// Every text on a page, in the order placed.
inline QStringList texts(const report::Page& page) {
    QStringList out;
    for (const report::PageItem& item : page.items)
        if (item.kind == report::ObjectKind::Text) out << item.text;
    return out;
}

inline const report::PageItem* findItem(const report::Page& page, const QString& text) {
    for (const report::PageItem& item : page.items)
        if (item.text == text) return &item;
    return nullptr;
}

inline report::Template parse(const QString& xml, const QString& name = "test.frf") {
    return report::readTemplate(xml.toUtf8(), name);
}

}  // namespace reporttest
