#include "lookup/SearchGrid.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPalette>
#include <QTableView>
#include <QTime>

#include "data/Conventions.h"
#include "data/U_DM.h"
#include "db/decimal.h"

void TSearchQuery::open() {
    active_ = false;
    clear();
    db::DataSet::open(DM->DMdata(), text(), params);
    active_ = true;
}

void TSearchQuery::close() {
    active_ = false;
    clear();
}

QString searchDisplayText(const QVariant& value) {
    if (value.isNull()) return {};
    if (value.metaType() == QMetaType::fromType<db::Decimal>())
        return value.value<db::Decimal>().toString();
    if (value.typeId() == QMetaType::QDateTime) {
        const QDateTime dt = value.toDateTime();
        return dt.time() == QTime(0, 0) ? formatDate(dt) : formatDateTime(dt);
    }
    if (value.typeId() == QMetaType::QDate) return formatDate(value.toDate());
    return value.toString();
}

bool isLargeObject(const db::Column& column) {
    if (column.type != db::FieldType::String && column.type != db::FieldType::Binary) return false;
    // The server's largest in-row column is 8000 bytes; beyond it (or "max") is a blob.
    return column.size < 0 || column.size > 8000;
}

TSearchGridModel::TSearchGridModel(db::DataSet* data, QObject* parent)
    : QAbstractTableModel(parent), data_(data) {
    connect(data, &db::DataSet::aboutToReset, this, [this] { beginResetModel(); });
    connect(data, &db::DataSet::reset, this, [this] { endResetModel(); });
}

void TSearchGridModel::setColumns(const QList<GridColumn>& columns) {
    beginResetModel();
    fixed_ = columns;
    endResetModel();
}

void TSearchGridModel::setTitle(const QString& field, const QString& title) {
    titles_.insert(field.toUpper(), title);
    const int column = gridColumn(field);
    if (column >= 0) emit headerDataChanged(Qt::Horizontal, column, column);
}

QString TSearchGridModel::fieldName(int column) const {
    if (!fixed_.isEmpty()) return column >= 0 && column < fixed_.size() ? fixed_[column].field : "";
    if (!data_ || column < 0 || column >= data_->columnCount()) return {};
    return data_->columns().at(column).name;
}

int TSearchGridModel::dataColumn(int column) const {
    if (!data_) return -1;
    if (fixed_.isEmpty()) return column >= 0 && column < data_->columnCount() ? column : -1;
    const QString field = fieldName(column);
    return field.isEmpty() ? -1 : data_->columnIndex(field);
}

int TSearchGridModel::gridColumn(const QString& field) const {
    for (int c = 0; c < columnCount(); ++c)
        if (fieldName(c).compare(field, Qt::CaseInsensitive) == 0) return c;
    return -1;
}

int TSearchGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() || !data_ ? 0 : data_->rowCount();
}

int TSearchGridModel::columnCount(const QModelIndex& parent) const {
    if (parent.isValid()) return 0;
    if (!fixed_.isEmpty()) return static_cast<int>(fixed_.size());
    return data_ ? data_->columnCount() : 0;
}

QVariant TSearchGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    const int column = dataColumn(index.column());
    if (column < 0 || index.row() >= data_->rowCount()) return {};
    if (role == Qt::DisplayRole) return searchDisplayText(data_->value(index.row(), column));
    if (role == Qt::TextAlignmentRole) {
        switch (data_->columns().at(column).type) {
            case db::FieldType::Integer:
            case db::FieldType::Decimal:
            case db::FieldType::Float:
                return QVariant(Qt::AlignRight | Qt::AlignVCenter);
            default:
                return {};
        }
    }
    return {};
}

QVariant TSearchGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    if (!fixed_.isEmpty())
        return section >= 0 && section < fixed_.size() ? fixed_[section].title : QVariant();
    const QString field = fieldName(section);
    return titles_.value(field.toUpper(), field);
}

Qt::ItemFlags TSearchGridModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

void setUpSearchGrid(QTableView* grid) {
    grid->setObjectName(QStringLiteral("DgSearch"));
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setSortingEnabled(false);
    grid->setTabKeyNavigation(false);
    grid->horizontalHeader()->setSectionsClickable(true);
    grid->horizontalHeader()->setHighlightSections(false);
    grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 6);
    QPalette palette = grid->palette();
    for (QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText})
        palette.setColor(QPalette::Inactive, role, palette.color(QPalette::Active, role));
    grid->setPalette(palette);
}

void focusFirstRow(QTableView* grid) {
    QAbstractItemModel* model = grid->model();
    if (!model || model->rowCount() == 0) return;
    int column = 0;
    while (column < model->columnCount() && grid->isColumnHidden(column)) ++column;
    grid->setFocus();
    grid->setCurrentIndex(model->index(0, column < model->columnCount() ? column : 0));
}

int currentRow(const QTableView* grid) {
    const QAbstractItemModel* model = grid->model();
    if (!model || model->rowCount() == 0) return -1;
    const int row = grid->currentIndex().row();
    return row >= 0 ? row : 0;
}

void upperCaseTyping(QLineEdit* field) {
    QObject::connect(field, &QLineEdit::textEdited, field, [field](const QString& typed) {
        QString upper = typed;
        for (QChar& c : upper) c = c.toUpper();  // one for one: the cursor stays put
        if (upper == typed) return;
        const int cursor = field->cursorPosition();
        field->setText(upper);
        field->setCursorPosition(cursor);
    });
}

bool isKeyForWindow(const QWidget* window, QObject* receiver) {
    auto* widget = qobject_cast<QWidget*>(receiver);
    if (!widget || widget->window() != window) return false;
    const QWidget* focus = QApplication::focusWidget();
    return widget == focus || (!focus && widget == window);
}

TSearchDialog::~TSearchDialog() {
    if (filtering_) qApp->removeEventFilter(this);
}

void TSearchDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!filtering_) {
        qApp->installEventFilter(this);
        filtering_ = true;
    }
    // A window restored by the window system is not opened again: keep the rows.
    if (!event->spontaneous()) FormShow();
}

void TSearchDialog::hideEvent(QHideEvent* event) {
    if (filtering_) {
        qApp->removeEventFilter(this);
        filtering_ = false;
    }
    QDialog::hideEvent(event);
}

bool TSearchDialog::FormKeyDown(QWidget* focused, QKeyEvent* key) {
    const auto modifiers = key->modifiers() & ~Qt::KeypadModifier;
    if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
        modifiers == Qt::NoModifier) {
        if (focused->objectName().toUpper() == u"DGSEARCH")
            accept();
        else
            BtSearchClick();
        return true;
    }
    if (key->key() == Qt::Key_Escape && modifiers == Qt::NoModifier) {
        reject();
        return true;
    }
    return false;
}

bool TSearchDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && isKeyForWindow(this, watched) &&
        FormKeyDown(static_cast<QWidget*>(watched), static_cast<QKeyEvent*>(event)))
        return true;
    return QDialog::eventFilter(watched, event);
}
