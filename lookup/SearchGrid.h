#pragma once
// Pieces shared by the lookup dialogs: the search statement with its rows, the read-only grid
// model over them, and the key routing that lets a dialog see keys before its controls.
#include <QAbstractTableModel>
#include <QDialog>
#include <QList>
#include <QMap>
#include <QPointer>
#include <QString>
#include <QStringList>

#include "db/data_set.h"
#include "db/result_set.h"

class QKeyEvent;
class QLineEdit;
class QTableView;
class QWidget;
class QObject;

namespace db {
class Connection;
}

// A search statement held line by line (dialogs rewrite single lines of it), its :name
// parameters, and the rows of its last run. It runs on the main company connection.
class TSearchQuery : public db::DataSet {
    Q_OBJECT
public:
    explicit TSearchQuery(QObject* parent = nullptr) : db::DataSet(parent) {}

    QStringList sql;  // the statement's lines; joined with line breaks when it runs
    db::Params params;

    // The statement as the server receives it. Lines stay lines, so a trailing "--" comment
    // ends where its line ends.
    QString text() const { return sql.join(u'\n'); }

    // Runs the statement on DM's connection and holds its rows; a failing statement throws
    // and leaves the query closed.
    void open();
    void close();
    bool isActive() const { return active_; }

private:
    bool active_ = false;
};

// How a value is shown in a lookup grid and handed back as text: dates as DD/MM/YYYY (with the
// time only when there is one), exact decimals with their digits, NULL as "".
QString searchDisplayText(const QVariant& value);

// Memo, image and other blob columns: (var)char(max), text, ntext, image, varbinary(max).
bool isLargeObject(const db::Column& column);

// The read-only grid model of a lookup dialog. Without a fixed column list it shows every
// column of the data in order, titled by name unless a title is set for it.
class TSearchGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    struct GridColumn {
        QString field;
        QString title;
    };

    explicit TSearchGridModel(db::DataSet* data, QObject* parent = nullptr);

    // The grid's own columns, in this order, whatever the statement selects.
    void setColumns(const QList<GridColumn>& columns);
    void setTitle(const QString& field, const QString& title);

    // The field behind a grid column; "" when there is none.
    QString fieldName(int column) const;
    // The data column behind a grid column; -1 when the data has no such field.
    int dataColumn(int column) const;
    // The grid column showing a field (name in any letter case); -1 when none.
    int gridColumn(const QString& field) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    QPointer<db::DataSet> data_;
    QList<GridColumn> fixed_;
    QMap<QString, QString> titles_;  // by field name in capitals
};

// Grid settings of every lookup dialog: read-only, whole rows, one row at a time, the
// selection as visible without the focus as with it, titles clickable (not Qt's own sorting).
void setUpSearchGrid(QTableView* grid);
// Puts the grid's current row on the first row (when there is one) and gives it the focus.
void focusFirstRow(QTableView* grid);
// The grid's current row, the first when none is current; -1 when the grid has no rows.
int currentRow(const QTableView* grid);

// Turns the letters typed into the field into capitals (typing, pasting); text the program
// sets stays as it is.
void upperCaseTyping(QLineEdit* field);

// Whether a key event seen by an application-wide filter is one for the dialog to handle:
// delivered to the focused control of that window (or to the window itself when nothing has
// the focus), not a copy propagated to a parent.
bool isKeyForWindow(const QWidget* window, QObject* receiver);

// A search dialog that sees keys before its controls while it is on screen: Enter searches
// wherever it is typed, or chooses when the grid (named DgSearch) has the focus, and no control
// receives it; Escape cancels. Each showing runs FormShow.
class TSearchDialog : public QDialog {
    Q_OBJECT
public:
    using QDialog::QDialog;
    ~TSearchDialog() override;

    // The search step: the Search button and Enter outside the grid.
    virtual void BtSearchClick() = 0;

protected:
    virtual void FormShow() = 0;
    // Keys the dialog handles before the focused control; true when used up.
    virtual bool FormKeyDown(QWidget* focused, QKeyEvent* key);

    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool filtering_ = false;
};
