#include "ui/DBGrid.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>
#include <QRegularExpressionValidator>
#include <QScopeGuard>
#include <QStyledItemDelegate>
#include <QtGlobal>

#include "data/Conventions.h"
#include "data/Messages.h"
#include "data/NumberFormat.h"
#include "db/data_set.h"
#include "db/database_error.h"
#include "ui/DateEdit.h"
#include "ui/Fr_Form.h"
#include "ui/SpreadsheetExport.h"
#include "ui/ValueLimits.h"

namespace {

using db::FieldType;

bool isNumeric(FieldType type) {
    return type == FieldType::Integer || type == FieldType::Decimal || type == FieldType::Float;
}

QString shownText(const QVariant& value, const db::Column& column, const QString& pattern) {
    if (value.isNull()) return {};
    if (isNumeric(column.type)) return formatValue(value, pattern);
    if (column.type == FieldType::DateTime)
        return pattern.isEmpty() ? formatDate(value.toDateTime())
                                 : value.toDateTime().toString(pattern);
    return value.toString();
}

// What the editor starts with: the plain value, without thousands groups or a pattern's text.
QString editedText(const QVariant& value, const db::Column& column) {
    if (value.isNull()) return {};
    if (isNumeric(column.type)) return formatValue(value, QString());
    if (column.type == FieldType::DateTime) {
        const QDateTime dt = value.toDateTime();
        return dt.time() == QTime(0, 0) ? formatDate(dt) : formatDateTime(dt);
    }
    return value.toString();
}

}  // namespace

// The grid's columns over the data set's: one model column per listed field, in the listed
// order, with the titles and texts the grid shows.
class GridModel : public QAbstractTableModel {
public:
    struct Entry {
        GridColumn def;
        int source = -1;  // the data set's column
    };

    explicit GridModel(QObject* parent) : QAbstractTableModel(parent) {}

    void setDataSet(db::DataSet* dataSet) {
        beginResetModel();
        if (dataSet_) dataSet_->disconnect(this);
        dataSet_ = dataSet;
        if (dataSet) {
            connect(dataSet, &db::DataSet::aboutToReset, this, [this] { beginResetModel(); });
            connect(dataSet, &db::DataSet::reset, this, [this] {
                resolve();
                endResetModel();
            });
            // A change can recolour the whole row, so the whole row is repainted.
            connect(dataSet, &db::DataSet::valueChanged, this, [this](int row, int) {
                if (!entries_.isEmpty())
                    emit dataChanged(index(row, 0), index(row, columnCount() - 1));
            });
            connect(dataSet, &db::DataSet::aboutToInsertRow, this,
                    [this](int row) { beginInsertRows({}, row, row); });
            connect(dataSet, &db::DataSet::rowInserted, this, [this] { endInsertRows(); });
            connect(dataSet, &db::DataSet::aboutToRemoveRow, this,
                    [this](int row) { beginRemoveRows({}, row, row); });
            connect(dataSet, &db::DataSet::rowRemoved, this, [this] { endRemoveRows(); });
            connect(dataSet, &QObject::destroyed, this, [this] {
                beginResetModel();
                entries_.clear();
                endResetModel();
            });
        }
        resolve();
        endResetModel();
    }
    db::DataSet* dataSet() const { return dataSet_; }

    void setColumns(const QList<GridColumn>& columns) {
        beginResetModel();
        listed_ = columns;
        resolve();
        endResetModel();
    }
    const QList<Entry>& entries() const { return entries_; }
    void setVisible(int column, bool visible) { entries_[column].def.visible = visible; }
    void setReadOnly(bool readOnly) { readOnly_ = readOnly; }

    int columnOf(const QString& field) const {
        for (int i = 0; i < entries_.size(); ++i)
            if (entries_[i].def.field.compare(field, Qt::CaseInsensitive) == 0) return i;
        return -1;
    }
    // The data set's column under a grid column, -1 when it has none.
    int sourceOf(int column) const {
        return column >= 0 && column < entries_.size() ? entries_[column].source : -1;
    }

    QString text(int row, int column) const {
        const int source = sourceOf(column);
        if (source < 0 || row < 0 || row >= rowCount()) return {};
        return shownText(dataSet_->value(row, source), dataSet_->columns().at(source),
                         entries_[column].def.pattern);
    }
    QString editText(const QModelIndex& index) const {
        const int source = sourceOf(index.column());
        if (source < 0) return {};
        return editedText(dataSet_->value(index.row(), source), dataSet_->columns().at(source));
    }
    FieldType typeOf(int column) const {
        const int source = sourceOf(column);
        return source < 0 ? FieldType::Unknown : dataSet_->columns().at(source).type;
    }

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() || !dataSet_ || entries_.isEmpty() ? 0 : dataSet_->rowCount();
    }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : static_cast<int>(entries_.size());
    }

    QVariant data(const QModelIndex& index, int role) const override {
        const int source = sourceOf(index.column());
        if (!index.isValid() || source < 0) return {};
        switch (role) {
            case Qt::DisplayRole:
                return text(index.row(), index.column());
            case Qt::EditRole:
                return dataSet_->value(index.row(), source);
            case Qt::TextAlignmentRole:
                if (isNumeric(typeOf(index.column())))
                    return static_cast<int>(Qt::AlignRight | Qt::AlignVCenter);
                return {};
            default:
                return {};
        }
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        const bool asked = role == Qt::DisplayRole || role == ui::DisplayPatternRole;
        if (orientation != Qt::Horizontal || !asked || section < 0 || section >= entries_.size())
            return QAbstractTableModel::headerData(section, orientation, role);
        if (role == ui::DisplayPatternRole) {
            // Numbers only: a date column's pattern is a date format, which the export's own
            // date settings replace.
            return isNumeric(typeOf(section)) ? QVariant(entries_[section].def.pattern)
                                              : QVariant();
        }
        return entries_[section].def.title;
    }

    Qt::ItemFlags flags(const QModelIndex& index) const override {
        Qt::ItemFlags f = QAbstractTableModel::flags(index);
        if (index.isValid() && !readOnly_ && sourceOf(index.column()) >= 0 &&
            !entries_[index.column()].def.readOnly)
            f |= Qt::ItemIsEditable;
        return f;
    }

    bool setData(const QModelIndex& index, const QVariant& value, int role) override {
        const int source = sourceOf(index.column());
        if (!index.isValid() || role != Qt::EditRole || source < 0) return false;
        QVariant converted;
        try {
            converted = db::DataSet::convert(value, dataSet_->columns().at(source));
        } catch (const db::DatabaseError&) {
            // Text that is not a value of the column is refused; the cell keeps its value.
            return false;
        }
        // Outside the try: what the change report raises belongs to the screen, not here.
        dataSet_->setValue(index.row(), source, converted);
        return true;
    }

private:
    void resolve() {
        entries_.clear();
        if (!dataSet_) return;
        if (listed_.isEmpty()) {
            for (int i = 0; i < dataSet_->columnCount(); ++i) {
                GridColumn c;
                c.field = c.title = dataSet_->columns().at(i).name;
                entries_.append({c, i});
            }
            return;
        }
        for (const GridColumn& c : listed_) {
            Entry e{c, dataSet_->columnIndex(c.field)};
            if (e.def.title.isEmpty()) e.def.title = c.field;
            if (e.source < 0 && dataSet_->columnCount() > 0)
                qWarning("DBGrid: the data set has no field %s", qPrintable(c.field));
            entries_.append(e);
        }
    }

    QPointer<db::DataSet> dataSet_;
    QList<GridColumn> listed_;
    QList<Entry> entries_;
    bool readOnly_ = false;
};

// Plain line editors that take only what the column can hold, Enter to the next column, and
// the screen's colours while painting.
class GridDelegate : public QStyledItemDelegate {
public:
    explicit GridDelegate(DBGrid* grid) : QStyledItemDelegate(grid), grid_(grid) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&,
                          const QModelIndex& index) const override {
        auto* editor = new QLineEdit(parent);
        editor->setFrame(false);
        const int source = grid_->model_->sourceOf(index.column());
        const db::Column& column = grid_->dataSet()->columns().at(source);
        QString allowed;
        if (column.type == FieldType::Integer)
            allowed = QStringLiteral("-?\\d*");
        else if (column.type == FieldType::Decimal || column.type == FieldType::Float)
            allowed = QStringLiteral("-?\\d*\\.?\\d*");
        else if (column.type == FieldType::DateTime)
            allowed = QStringLiteral("[\\d/: ]*");
        if (!allowed.isEmpty())
            editor->setValidator(
                new QRegularExpressionValidator(QRegularExpression(allowed), editor));
        if (column.type == FieldType::String && column.size > 0) editor->setMaxLength(column.size);
        return editor;
    }

    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        static_cast<QLineEdit*>(editor)->setText(grid_->model_->editText(index));
    }

    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override {
        const QString text = static_cast<QLineEdit*>(editor)->text();
        const int source = grid_->model_->sourceOf(index.column());
        if (source >= 0) {
            // A number the column cannot hold is refused with a word why; the cell keeps its
            // value rather than take one cut short or wrapped round.
            const QString refusal =
                columnRangeRefusal(text, grid_->dataSet()->columns().at(source));
            if (!refusal.isEmpty()) {
                MessageService::current().message(refusal);
                return;
            }
        }
        if (!model->setData(index, text, Qt::EditRole) && source >= 0 &&
            grid_->dataSet()->columns().at(source).type == FieldType::DateTime &&
            !text.trimmed().isEmpty()) {
            // A date typed wrong is an error the report explains, as in a date field; raised
            // once the edit has ended, outside the grid's own handling of it.
            QMetaObject::invokeMethod(
                grid_, [text] { throw DateConvertError(text.trimmed()); }, Qt::QueuedConnection);
        }
    }

protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        auto* editor = qobject_cast<QWidget*>(object);
        // The window losing the focus to a question or a message box (or to another program)
        // is no end of the edit: the cell is still being typed in when the window comes back.
        if (editor && event->type() == QEvent::FocusOut) {
            const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
            if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason)
                return false;
        }
        if (editor && event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                grid_->commitAndClose(editor);
                grid_->moveToNextColumn();
                return true;
            }
        }
        return QStyledItemDelegate::eventFilter(object, event);
    }

    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        const int column = index.column();
        if (column < 0 || column >= grid_->model_->entries().size()) return;
        const CellColors colors =
            grid_->cellColors(index.row(), grid_->model_->entries()[column].def.field);
        option->backgroundBrush = colors.background;
        option->palette.setColor(QPalette::Text, colors.foreground);
        option->font.setBold(colors.bold);
    }

private:
    DBGrid* grid_;
};

DBGrid::DBGrid(QWidget* parent) : QTableView(parent), model_(new GridModel(this)) {
    setModel(model_);
    setItemDelegate(new GridDelegate(this));
    setSelectionMode(SingleSelection);
    setSelectionBehavior(SelectItems);
    setEditTriggers(AnyKeyPressed | EditKeyPressed | DoubleClicked);
    setAlternatingRowColors(true);
    QPalette p = palette();
    p.setColor(QPalette::Base, Qt::white);
    p.setColor(QPalette::AlternateBase, QColor(228, 237, 239));
    setPalette(p);
    verticalHeader()->hide();
    horizontalHeader()->setSectionsClickable(true);
    horizontalHeader()->setHighlightSections(false);
    // The module frame lets a control that uses Enter itself keep it.
    setProperty(TFrForm::kKeepsEnterProperty, true);

    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int section) {
        if (section >= 0 && section < model_->entries().size())
            emit titleClicked(model_->entries()[section].def.field);
    });
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this] { followCurrentRow(); });
    connect(model_, &QAbstractItemModel::modelReset, this, [this] {
        applyWidths();
        applyVisibility();
        if (model_->rowCount() > 0) setCurrentRow(0);
        followCurrentRow();
    });
    connect(model_, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex&, int first, int) { setCurrentRow(first); });
    connect(model_, &QAbstractItemModel::rowsRemoved, this, [this] { followCurrentRow(); });
}

DBGrid::~DBGrid() = default;

void DBGrid::setDataSet(db::DataSet* dataSet) {
    disconnect(changeConnection_);
    model_->setDataSet(dataSet);
    if (dataSet)
        changeConnection_ = connect(dataSet, &db::DataSet::valueChanged, this,
                                    [this](int row, int column) { reportChange(row, column); });
}

db::DataSet* DBGrid::dataSet() const {
    return model_->dataSet();
}

void DBGrid::setColumns(const QList<GridColumn>& columns) {
    model_->setColumns(columns);
}

QList<GridColumn> DBGrid::columns() const {
    QList<GridColumn> out;
    for (const GridModel::Entry& e : model_->entries()) out.append(e.def);
    return out;
}

QList<GridColumn> DBGrid::visibleColumns() const {
    QList<GridColumn> out;
    const QList<GridModel::Entry>& entries = model_->entries();
    for (int visual = 0; visual < entries.size(); ++visual) {
        const int logical = horizontalHeader()->logicalIndex(visual);
        if (logical >= 0 && entries[logical].def.visible) out.append(entries[logical].def);
    }
    return out;
}

void DBGrid::setColumnVisible(const QString& field, bool visible) {
    const int column = model_->columnOf(field);
    if (column < 0) return;
    model_->setVisible(column, visible);
    setColumnHidden(column, !visible);
}

int DBGrid::columnOf(const QString& field) const {
    return model_->columnOf(field);
}

QString DBGrid::displayText(int row, const QString& field) const {
    return model_->text(row, model_->columnOf(field));
}

void DBGrid::setReadOnly(bool readOnly) {
    readOnly_ = readOnly;
    model_->setReadOnly(readOnly);
}

CellColors DBGrid::cellColors(int row, const QString& field) const {
    CellColors colors;
    const QPalette& p = palette();
    colors.background = alternatingRowColors() && row % 2 == 1 ? p.color(QPalette::AlternateBase)
                                                               : p.color(QPalette::Base);
    colors.foreground = p.color(QPalette::Text);
    if (calcCellColors_) calcCellColors_(row, field, colors);
    return colors;
}

int DBGrid::currentRow() const {
    const QModelIndex current = currentIndex();
    return current.isValid() ? current.row() : -1;
}

void DBGrid::setCurrentRow(int row) {
    if (row < 0 || row >= model_->rowCount()) return;
    int column = currentIndex().isValid() ? currentIndex().column() : -1;
    if (column < 0 || isColumnHidden(column)) {
        column = 0;
        while (column < model_->columnCount() && isColumnHidden(column)) ++column;
    }
    if (column >= model_->columnCount()) return;
    setCurrentIndex(model_->index(row, column));
}

bool DBGrid::editFirstRow() {
    if (model_->rowCount() == 0) return false;
    setCurrentRow(0);
    return true;
}

void DBGrid::focusColumn(const QString& field) {
    const int column = model_->columnOf(field);
    if (column >= 0 && model_->rowCount() > 0) {
        const int row = currentRow() < 0 ? 0 : currentRow();
        setCurrentIndex(model_->index(row, column));
        scrollTo(currentIndex());
    }
    setFocus();
}

QString DBGrid::currentField() const {
    const int column = currentIndex().column();
    return column >= 0 && column < model_->entries().size() ? model_->entries()[column].def.field
                                                            : QString();
}

int DBGrid::widthForCharacters(int characters) const {
    const QFontMetrics fm(font());
    // Digits are often wider than the average letter; a column of n characters holds n digits.
    const int charWidth = qMax(fm.averageCharWidth(), fm.horizontalAdvance(QLatin1Char('0')));
    const int margin = style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1;
    return characters * charWidth + 2 * margin + (showGrid() ? 1 : 0);
}

void DBGrid::commitEdit() {
    if (state() != QAbstractItemView::EditingState) return;
    if (QWidget* editor = indexWidget(currentIndex())) commitAndClose(editor);
}

void DBGrid::commitAndClose(QWidget* editor) {
    QPointer<QWidget> alive(editor);
    commitData(editor);
    if (alive && state() == QAbstractItemView::EditingState)
        closeEditor(editor, QAbstractItemDelegate::NoHint);
}

void DBGrid::commitData(QWidget* editor) {
    if (committing_) return;
    committing_ = editor;
    closePending_ = false;
    QPointer<QWidget> alive(editor);
    const auto done = qScopeGuard([this] { committing_ = nullptr; });
    QTableView::commitData(editor);
    if (closePending_ && alive) {
        closePending_ = false;
        committing_ = nullptr;
        QTableView::closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
}

void DBGrid::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
    if (editor && editor == committing_) {
        closePending_ = true;  // closed once its value is stored
        return;
    }
    QTableView::closeEditor(editor, hint);
}

void DBGrid::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        moveToNextColumn();
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

void DBGrid::changeEvent(QEvent* event) {
    QTableView::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) applyWidths();
}

void DBGrid::moveToNextColumn() {
    const QModelIndex current = currentIndex();
    if (!current.isValid()) return;
    const QHeaderView* header = horizontalHeader();
    const int columns = model_->columnCount();
    for (int visual = header->visualIndex(current.column()) + 1; visual < columns; ++visual) {
        const int logical = header->logicalIndex(visual);
        if (!isColumnHidden(logical)) {
            setCurrentIndex(model_->index(current.row(), logical));
            return;
        }
    }
    // Past the last column: the first column of the next row; the last row ends here, as no
    // key adds rows.
    if (current.row() + 1 >= model_->rowCount()) return;
    for (int visual = 0; visual < columns; ++visual) {
        const int logical = header->logicalIndex(visual);
        if (!isColumnHidden(logical)) {
            setCurrentIndex(model_->index(current.row() + 1, logical));
            return;
        }
    }
}

void DBGrid::applyWidths() {
    const QList<GridModel::Entry>& entries = model_->entries();
    for (int i = 0; i < entries.size(); ++i)
        if (entries[i].def.width > 0) {
            // Never narrower than the title: a title cut short names no column.
            const int width = qMax(widthForCharacters(entries[i].def.width),
                                   horizontalHeader()->sectionSizeHint(i));
            horizontalHeader()->resizeSection(i, width);
        }
}

void DBGrid::applyVisibility() {
    const QList<GridModel::Entry>& entries = model_->entries();
    for (int i = 0; i < entries.size(); ++i) setColumnHidden(i, !entries[i].def.visible);
}

void DBGrid::reportChange(int row, int column) {
    const std::pair<int, int> cell{row, column};
    if (reporting_.contains(cell)) return;
    reporting_.append(cell);
    const auto done = qScopeGuard([this, cell] { reporting_.removeOne(cell); });
    emit fieldChanged(row, dataSet()->columns().at(column).name);
}

void DBGrid::followCurrentRow() {
    const int row = currentRow();
    if (row == lastRow_) return;
    lastRow_ = row;
    emit currentRowChanged(row);
}
