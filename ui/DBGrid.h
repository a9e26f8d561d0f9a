#pragma once
// A grid over a data set with cached changes. The screen lists the columns it shows (field,
// title, width in characters, read-only, display pattern), chooses each cell's colours while
// the grid paints, and hears of every change of a value in the data set at the moment it is
// made, so it can correct the value before the row is left.
//
// Keys: Enter moves to the next column (committing an edit first); typing starts editing an
// editable cell; Escape while editing cancels the edit, but in a module frame it asks to leave
// the window first and No leaves the edit open. There is no key that inserts or deletes rows:
// rows come from the data set alone. An editor refuses, with a message, a number its column's
// type cannot hold, and stays open while the window loses the focus to a question.
#include <QColor>
#include <QList>
#include <QPointer>
#include <QTableView>
#include <functional>

namespace db {
class DataSet;
}

class GridModel;

struct GridColumn {
    QString field;
    QString title;  // empty: the field's name
    int width = 0;  // in characters; 0 keeps the grid's default
    bool readOnly = false;
    // Numbers: a display pattern of formatValue ("#,##0.00"); dates: a QDateTime format
    // (default DD/MM/YYYY). Empty shows numbers plainly.
    QString pattern;
    bool visible = true;
};

// What a cell is painted with. The grid fills in its ordinary colours (the base colour, or
// the alternate one on odd rows, and the text colour) before asking the screen.
struct CellColors {
    QColor background;
    QColor foreground;
    bool bold = false;
};

class DBGrid : public QTableView {
    Q_OBJECT
public:
    using CalcCellColors = std::function<void(int row, const QString& field, CellColors& colors)>;

    explicit DBGrid(QWidget* parent = nullptr);
    ~DBGrid() override;

    // The data set shown; not owned. Without a column list every column of the data set is
    // shown under its own name.
    void setDataSet(db::DataSet* dataSet);
    db::DataSet* dataSet() const;

    // The columns shown, in this order; fields not listed are not shown. A listed field the
    // data set lacks shows empty cells.
    void setColumns(const QList<GridColumn>& columns);
    // The columns in effect (the listed ones, or the data set's when none are listed).
    QList<GridColumn> columns() const;
    // The visible ones in display order: what an export writes.
    QList<GridColumn> visibleColumns() const;
    void setColumnVisible(const QString& field, bool visible);
    // The grid's column of a field, -1 when it has none.
    int columnOf(const QString& field) const;
    // The cell's text as the grid shows it (patterns and dates applied).
    QString displayText(int row, const QString& field) const;

    // Whole grid read-only, whatever the columns say.
    void setReadOnly(bool readOnly);
    bool isReadOnly() const { return readOnly_; }

    // Called for every cell while it is painted.
    void setCalcCellColors(CalcCellColors calc) { calcCellColors_ = std::move(calc); }
    // The colours a cell is painted with: the ordinary ones as changed by the screen.
    CellColors cellColors(int row, const QString& field) const;

    // The current row of the data set, -1 when there is none. A row the data set appends
    // becomes current; after the data set is reloaded the first row is.
    int currentRow() const;
    void setCurrentRow(int row);
    // Goes to the first row, so that edits and fields bound to the current row work on it.
    // False when there are no rows.
    bool editFirstRow();
    // Makes the field's column current (on the current row, or the first) and takes the focus.
    void focusColumn(const QString& field);
    QString currentField() const;

    // The width in pixels of a column `characters` wide in the grid's font.
    int widthForCharacters(int characters) const;

    // Stores what is being typed into a cell, as leaving the cell would, and closes the
    // editor; nothing when no cell is being edited. Actions call it before they run.
    void commitEdit();

signals:
    // A column title was clicked.
    void titleClicked(const QString& field);
    void currentRowChanged(int row);
    // A value of the data set changed: typed into the grid (when the edit is committed) or
    // set by the program. `field` is the data set's column name. The receiver may correct the
    // value with DataSet::setValue; that correction is not reported again while this report
    // runs, other fields' changes are.
    void fieldChanged(int row, const QString& field);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    // One commit at a time: a message shown from the change report takes the focus from the
    // editor, whose focus-out would commit again and delete the editor under the commit.
    void commitData(QWidget* editor) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;

private:
    friend class GridDelegate;
    void moveToNextColumn();
    void commitAndClose(QWidget* editor);
    void applyWidths();
    void applyVisibility();
    void reportChange(int row, int column);
    void followCurrentRow();

    GridModel* model_;
    CalcCellColors calcCellColors_;
    bool readOnly_ = false;
    int lastRow_ = -1;
    QList<std::pair<int, int>> reporting_;  // cells whose change is being reported
    QMetaObject::Connection changeConnection_;
    QWidget* committing_ = nullptr;  // the editor whose value is being stored
    bool closePending_ = false;      // its closing, asked for while it was stored
};
