#include "db/result_set.h"

#include "db/database_error.h"

namespace db {

int ResultSet::columnIndex(const QString& name) const {
    for (int i = 0; i < columns_.size(); ++i)
        if (columns_[i].name.compare(name, Qt::CaseInsensitive) == 0) return i;
    return -1;
}

int ResultSet::fieldIndex(const QString& name) const {
    int i = columnIndex(name);
    if (i < 0) throw DatabaseError(QStringLiteral("Field '%1' not found.").arg(name));
    return i;
}

const QVariant* findParam(const Params& params, const QString& name) {
    auto exact = params.constFind(name);
    if (exact != params.constEnd()) return &exact.value();
    for (auto it = params.constBegin(); it != params.constEnd(); ++it)
        if (it.key().compare(name, Qt::CaseInsensitive) == 0) return &it.value();
    return nullptr;
}

QVariant ProcResult::output(const QString& name) const {
    QString key = name.startsWith(QLatin1Char('@')) ? name : QLatin1Char('@') + name;
    for (auto it = outputs.constBegin(); it != outputs.constEnd(); ++it)
        if (it.key().compare(key, Qt::CaseInsensitive) == 0) return it.value();
    return {};
}

}  // namespace db
