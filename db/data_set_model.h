#pragma once
// A table model over a DataSet, for the grids: one column per data set column, edits go
// through DataSet::setValue.
#include <QAbstractTableModel>
#include <QPointer>

#include "db/data_set.h"

namespace db {

class DataSetModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit DataSetModel(DataSet* dataSet, QObject* parent = nullptr);

    DataSet* dataSet() const { return dataSet_; }
    // Columns shown read-only, by name.
    void setReadOnlyColumns(const QStringList& names) { readOnly_ = names; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // A value that does not convert to the column's type is refused (false).
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

private:
    QPointer<DataSet> dataSet_;
    QStringList readOnly_;
};

}  // namespace db
