#include "db/data_set.h"

#include <QDateTime>

#include "db/connection.h"
#include "db/database_error.h"
#include "db/sql_params.h"

namespace db {

DataSet::DataSet(QObject* parent) : QObject(parent) {}

void DataSet::load(const ResultSet& rs) {
    emit aboutToReset();
    columns_ = rs.columns();
    rows_.clear();
    deleted_.clear();
    rows_.reserve(static_cast<size_t>(rs.rowCount()));
    for (int i = 0; i < rs.rowCount(); ++i) {
        QVariantList values = rs.row(i);
        rows_.push_back({values, values});
    }
    emit reset();
}

void DataSet::open(Connection& connection, const QString& sql, const Params& params) {
    load(connection.query(sql, params));
}

void DataSet::clear() {
    load(ResultSet());
}

int DataSet::columnIndex(const QString& name) const {
    for (int i = 0; i < columns_.size(); ++i)
        if (columns_[i].name.compare(name, Qt::CaseInsensitive) == 0) return i;
    return -1;
}

int DataSet::fieldIndex(const QString& name) const {
    int i = columnIndex(name);
    if (i < 0) throw DatabaseError(QStringLiteral("Field '%1' not found.").arg(name));
    return i;
}

QVariant DataSet::oldValue(int row, int column) const {
    const Row& r = rows_.at(row);
    return r.state == RowState::Inserted ? QVariant() : r.original.at(column);
}

namespace {

bool isEmptyText(const QVariant& v) {
    return v.typeId() == QMetaType::QString && v.toString().trimmed().isEmpty();
}

[[noreturn]] void notValid(const QVariant& value, const char* what) {
    throw DatabaseError(
        QStringLiteral("'%1' is not a valid %2").arg(value.toString(), QLatin1String(what)));
}

QDateTime toDateTime(const QVariant& value) {
    if (value.typeId() == QMetaType::QDateTime) return value.toDateTime();
    if (value.typeId() == QMetaType::QDate) return QDateTime(value.toDate(), QTime(0, 0));
    if (value.typeId() != QMetaType::QString) return {};
    QString text = value.toString().trimmed();
    for (const char* format :
         {"dd/MM/yyyy", "d/M/yyyy", "dd/MM/yyyy HH:mm:ss", "d/M/yyyy H:mm:ss", "dd/MM/yyyy HH:mm",
          "d/M/yyyy H:mm", "yyyy-MM-dd", "yyyy-MM-dd HH:mm:ss", "yyyy-MM-dd HH:mm:ss.zzz",
          "yyyy-MM-ddTHH:mm:ss", "yyyy-MM-ddTHH:mm:ss.zzz"}) {
        QDateTime dt = QDateTime::fromString(text, QLatin1String(format));
        if (dt.isValid()) return dt;
    }
    return {};
}

}  // namespace

QVariant DataSet::convert(const QVariant& value, const Column& column) {
    if (value.isNull()) return {};
    const bool decimal = value.metaType() == QMetaType::fromType<Decimal>();
    switch (column.type) {
        case FieldType::String: {
            QString s = value.toString();
            if (column.size > 0 && s.size() > column.size) s.truncate(column.size);
            return s;
        }
        case FieldType::Integer: {
            if (isEmptyText(value)) return {};
            bool ok = false;
            qlonglong n = 0;
            if (value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float ||
                decimal) {
                n = qRound64(value.toDouble());
                ok = true;
            } else if (value.typeId() == QMetaType::QString) {
                n = value.toString().trimmed().toLongLong(&ok);
            } else {
                n = value.toLongLong(&ok);
            }
            if (!ok) notValid(value, "integer value");
            // What the column's type cannot hold would be cut or refused on its way to the
            // server: refused here, where the value is set.
            if (!fitsColumn(n, column)) throw DatabaseError(overflowMessage(column), 8115);
            return n;
        }
        case FieldType::Decimal: {
            if (isEmptyText(value)) return {};
            std::optional<Decimal> d;
            if (decimal) {
                d = value.value<Decimal>();
            } else if (value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float) {
                double f = value.toDouble();
                int scale = column.scale;
                if (column.precision <= 0) {
                    // No declared scale: the fewest places that give the number back.
                    scale = 0;
                    while (scale < 10 && Decimal::fromDouble(f, scale).toDouble() != f) ++scale;
                }
                d = Decimal::fromDouble(f, scale);
            } else if (value.typeId() == QMetaType::QString) {
                d = Decimal::parse(value.toString());
            } else {
                bool ok = false;
                qlonglong n = value.toLongLong(&ok);
                if (ok) d = Decimal(n);
            }
            if (!d) notValid(value, "floating point value");
            if (column.precision > 0) d = d->rounded(column.scale);
            const QVariant v = QVariant::fromValue(*d);
            if (!fitsColumn(v, column)) throw DatabaseError(overflowMessage(column), 8115);
            return v;
        }
        case FieldType::Float: {
            if (isEmptyText(value)) return {};
            bool ok = false;
            double f = value.typeId() == QMetaType::QString
                           ? value.toString().trimmed().toDouble(&ok)
                           : value.toDouble(&ok);
            if (!ok) notValid(value, "floating point value");
            return f;
        }
        case FieldType::DateTime: {
            if (isEmptyText(value)) return {};
            QDateTime dt = toDateTime(value);
            if (!dt.isValid()) notValid(value, "date");
            return dt;
        }
        case FieldType::Bool: {
            if (isEmptyText(value)) return {};
            if (value.typeId() == QMetaType::QString) {
                QString s = value.toString().trimmed();
                if (s.compare(u"true", Qt::CaseInsensitive) == 0 || s == u"1") return true;
                if (s.compare(u"false", Qt::CaseInsensitive) == 0 || s == u"0") return false;
                notValid(value, "boolean value");
            }
            return value.toBool();
        }
        case FieldType::Binary:
            return value.toByteArray();
        case FieldType::Unknown:
            break;
    }
    return value;
}

void DataSet::setValue(int row, int column, const QVariant& value) {
    Row& r = rows_.at(row);
    QVariant v = convert(value, columns_.at(column));
    QVariant& cell = r.current[column];
    if (cell.isNull() == v.isNull() && cell == v) return;
    cell = v;
    if (r.state == RowState::Unchanged) r.state = RowState::Modified;
    emit valueChanged(row, column);
}

int DataSet::appendRow() {
    int row = rowCount();
    emit aboutToInsertRow(row);
    QVariantList empty;
    for (qsizetype i = 0; i < columns_.size(); ++i) empty << QVariant();
    rows_.push_back({empty, empty, RowState::Inserted});
    emit rowInserted(row);
    return row;
}

void DataSet::deleteRow(int row) {
    Row r = rows_.at(row);
    emit aboutToRemoveRow(row);
    rows_.erase(rows_.begin() + row);
    if (r.state != RowState::Inserted) {
        r.state = RowState::Deleted;
        deleted_.push_back(std::move(r));
    }
    emit rowRemoved(row);
}

bool DataSet::hasChanges() const {
    if (!deleted_.empty()) return true;
    for (const Row& r : rows_)
        if (r.state != RowState::Unchanged) return true;
    return false;
}

Params DataSet::rowParams(const Row& row, const QString& sql) const {
    Params params;
    for (const QString& name : parameterNames(sql)) {
        bool old = name.startsWith(QLatin1String("OLD_"), Qt::CaseInsensitive);
        int column = columnIndex(old ? name.mid(4) : name);
        // A name that is no column stays unbound: the statement then fails on it.
        if (column < 0) continue;
        if (old)
            params.insert(name,
                          row.state == RowState::Inserted ? QVariant() : row.original.at(column));
        else
            params.insert(name, row.current.at(column));
    }
    return params;
}

void DataSet::applyUpdates(Connection& connection, const WriteBack& writeBack) const {
    auto statementFor = [&](RowState state) -> const QString& {
        const QString& sql = state == RowState::Deleted    ? writeBack.deleteSql
                             : state == RowState::Inserted ? writeBack.insertSql
                                                           : writeBack.modifySql;
        if (sql.trimmed().isEmpty())
            throw DatabaseError(QStringLiteral("No %1 statement to store a %2 row.")
                                    .arg(state == RowState::Deleted    ? QLatin1String("delete")
                                         : state == RowState::Inserted ? QLatin1String("insert")
                                                                       : QLatin1String("update"),
                                         state == RowState::Deleted    ? QLatin1String("deleted")
                                         : state == RowState::Inserted ? QLatin1String("new")
                                                                       : QLatin1String("changed")));
        return sql;
    };
    // A statement that touches no row stored nothing: the row was changed or deleted by
    // another user since it was read. That fails the write-back rather than losing the change
    // unseen. (-1: the server did not count.)
    auto store = [&](const Row& r) {
        const QString& sql = statementFor(r.state);
        if (connection.execute(sql, rowParams(r, sql)) == 0)
            throw DatabaseError(
                QStringLiteral("Update failed: the row was changed or deleted by another user."));
    };
    for (const Row& r : deleted_) store(r);
    for (const Row& r : rows_)
        if (r.state != RowState::Unchanged) store(r);
}

void DataSet::commitUpdates() {
    deleted_.clear();
    for (Row& r : rows_) {
        r.original = r.current;
        r.state = RowState::Unchanged;
    }
}

void DataSet::cancelUpdates() {
    emit aboutToReset();
    std::vector<Row> kept;
    // Deleted rows come back at the end: their old positions are not kept.
    for (Row& r : rows_)
        if (r.state != RowState::Inserted) kept.push_back(std::move(r));
    for (Row& r : deleted_) kept.push_back(std::move(r));
    for (Row& r : kept) {
        r.current = r.original;
        r.state = RowState::Unchanged;
    }
    rows_ = std::move(kept);
    deleted_.clear();
    emit reset();
}

}  // namespace db
