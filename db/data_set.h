#pragma once
// A result set held in memory with cached changes. Rows keep the values they were loaded with
// and a state; the changes reach the database only through the screen's write-back
// statements, inside the screen's transaction.
#include <QObject>
#include <QString>
#include <vector>

#include "db/result_set.h"

namespace db {

class Connection;

// Per-row statements that store cached changes. ":name" takes the row's current value of
// column "name", ":OLD_name" the value it was loaded with.
struct WriteBack {
    QString modifySql;  // for changed rows
    QString insertSql;  // for new rows
    QString deleteSql;  // for deleted rows; without it, deleting a loaded row is an error
};

class DataSet : public QObject {
    Q_OBJECT
public:
    enum class RowState { Unchanged, Modified, Inserted, Deleted };

    explicit DataSet(QObject* parent = nullptr);

    // Replaces the contents: the result set's columns and rows, all unchanged.
    void load(const ResultSet& rs);
    // Runs the query and loads its first result set.
    void open(Connection& connection, const QString& sql, const Params& params = {});
    void clear();

    const QList<Column>& columns() const { return columns_; }
    int columnCount() const { return static_cast<int>(columns_.size()); }
    int columnIndex(const QString& name) const;  // ignoring letter case; -1 when none
    int fieldIndex(const QString& name) const;   // as columnIndex; a missing column is an error

    // Rows on view: deleted rows are gone from here.
    int rowCount() const { return static_cast<int>(rows_.size()); }
    bool isEmpty() const { return rows_.empty(); }
    QVariant value(int row, int column) const { return rows_.at(row).current.at(column); }
    // The value itself, without a copy, for loops over many rows; valid until the data set
    // changes.
    const QVariant& at(int row, int column) const { return rows_.at(row).current.at(column); }
    QVariant value(int row, const QString& name) const { return value(row, fieldIndex(name)); }
    // The value as loaded; null for a new row.
    QVariant oldValue(int row, int column) const;
    QVariant oldValue(int row, const QString& name) const {
        return oldValue(row, fieldIndex(name));
    }
    RowState rowState(int row) const { return rows_.at(row).state; }

    // Sets a value converted to the column's type: text is cut to the column's width, empty
    // text in a non-text column is NULL, dates are read as DD/MM/YYYY (or ISO), decimals are
    // rounded to the column's scale. A value that does not convert is an error and changes
    // nothing. A loaded row whose value changes becomes modified.
    void setValue(int row, int column, const QVariant& value);
    void setValue(int row, const QString& name, const QVariant& value) {
        setValue(row, fieldIndex(name), value);
    }
    // Appends a new row of NULLs and returns its position.
    int appendRow();
    // A new row disappears; a loaded one is kept aside for the delete statement.
    void deleteRow(int row);

    bool hasChanges() const;

    // Runs the write-back statements on the connection, in the caller's transaction: deletes
    // first, then changed and new rows in their order. Changes nothing here; on failure the
    // caller rolls back and may apply again.
    void applyUpdates(Connection& connection, const WriteBack& writeBack) const;
    // After a successful commit: the current values become the loaded ones, states are cleared.
    void commitUpdates();
    // Drops every cached change.
    void cancelUpdates();

    // The value `value` becomes in a column of this type; throws DatabaseError when it does
    // not convert.
    static QVariant convert(const QVariant& value, const Column& column);

signals:
    void aboutToReset();
    void reset();
    void valueChanged(int row, int column);
    void aboutToInsertRow(int row);
    void rowInserted(int row);
    void aboutToRemoveRow(int row);
    void rowRemoved(int row);

private:
    struct Row {
        QVariantList current;
        QVariantList original;
        RowState state = RowState::Unchanged;
    };
    Params rowParams(const Row& row, const QString& sql) const;

    QList<Column> columns_;
    std::vector<Row> rows_;
    std::vector<Row> deleted_;
};

}  // namespace db
