#include "db/data_set_model.h"

#include "db/database_error.h"

namespace db {

DataSetModel::DataSetModel(DataSet* dataSet, QObject* parent)
    : QAbstractTableModel(parent), dataSet_(dataSet) {
    connect(dataSet, &DataSet::aboutToReset, this, [this] { beginResetModel(); });
    connect(dataSet, &DataSet::reset, this, [this] { endResetModel(); });
    connect(dataSet, &DataSet::valueChanged, this, [this](int row, int column) {
        QModelIndex i = index(row, column);
        emit dataChanged(i, i, {Qt::DisplayRole, Qt::EditRole});
    });
    connect(dataSet, &DataSet::aboutToInsertRow, this,
            [this](int row) { beginInsertRows({}, row, row); });
    connect(dataSet, &DataSet::rowInserted, this, [this] { endInsertRows(); });
    connect(dataSet, &DataSet::aboutToRemoveRow, this,
            [this](int row) { beginRemoveRows({}, row, row); });
    connect(dataSet, &DataSet::rowRemoved, this, [this] { endRemoveRows(); });
}

int DataSetModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() || !dataSet_ ? 0 : dataSet_->rowCount();
}

int DataSetModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() || !dataSet_ ? 0 : dataSet_->columnCount();
}

QVariant DataSetModel::data(const QModelIndex& index, int role) const {
    if (!dataSet_ || !index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    QVariant v = dataSet_->value(index.row(), index.column());
    // Views show what toString() gives; exact decimals keep their digits that way.
    if (role == Qt::DisplayRole && v.metaType() == QMetaType::fromType<Decimal>())
        return v.value<Decimal>().toString();
    return v;
}

QVariant DataSetModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || !dataSet_) return {};
    if (orientation == Qt::Horizontal && section < dataSet_->columnCount())
        return dataSet_->columns().at(section).name;
    return orientation == Qt::Vertical ? QVariant(section + 1) : QVariant();
}

Qt::ItemFlags DataSetModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (dataSet_ && index.isValid() &&
        !readOnly_.contains(dataSet_->columns().at(index.column()).name, Qt::CaseInsensitive))
        f |= Qt::ItemIsEditable;
    return f;
}

bool DataSetModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!dataSet_ || !index.isValid() || role != Qt::EditRole) return false;
    try {
        dataSet_->setValue(index.row(), index.column(), value);
    } catch (const DatabaseError&) {
        // Exceptions must not cross Qt's event handling; the view keeps the old value.
        return false;
    }
    return true;
}

}  // namespace db
