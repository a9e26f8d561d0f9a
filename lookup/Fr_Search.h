#pragma once
// The generic search dialog: a search field, Search / Choose / Do not choose, and a read-only
// grid over a statement's rows. It hands back one column's value of the chosen row.
//
// Use:
//   TFrSearch dlg(parent);               // or a specialised dialog
//   dlg.QSearch.sql = {...};             // lines; a specialised dialog builds its own
//   dlg.QSearch.params = {{"Name", v}};
//   dlg.ResultColumn = "Code";
//   if (dlg.exec() == QDialog::Accepted) use(dlg.ChosenValue);   // "" on Cancel
//
// Showing clears the field and closes the rows; the user searches with Enter or Search.
// Clicking a column title reorders by rewriting the statement's "ORDER BY " lines (see
// DgSearchTitleBtnClick) and runs it again with the same parameters.
#include <QString>

#include "lookup/SearchGrid.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;

class TFrSearch : public TSearchDialog {
    Q_OBJECT
public:
    static const QString kGridHint;

    explicit TFrSearch(QWidget* parent = nullptr);

    // Sort state of every search dialog for the whole run: the last title clicked (in
    // capitals) and whether the next click on it sorts descending.
    static inline QString LastSortField;
    static inline bool SortDescending = false;
    static void ResetSortState();

    QLabel* LCode;
    QLineEdit* Code;
    QPushButton* BtSearch;
    QPushButton* BtOk;
    QPushButton* BtCancel;
    QTableView* DgSearch;
    TSearchGridModel* DgSearchModel;
    TSearchQuery QSearch;

    QString ResultColumn;  // the column whose value Choose hands back
    QString ChosenValue;   // the answer; "" unless closed with Choose on a row

    // The search step: Search button and Enter outside the grid. Specialised dialogs build
    // their statement here and then call RerunSearch().
    void BtSearchClick() override;
    // Reopens the rows with the present statement and parameters; when there are rows the
    // grid takes the focus on the first one.
    void RerunSearch();
    // A click on the title of a grid column: reorders by that column and runs again.
    void DgSearchTitleBtnClick(int column);

    // Closing with Accepted is Choose; it becomes Cancel when there is no row.
    void done(int result) override;

protected:
    // Run each time the dialog is shown. Specialised dialogs call this first.
    void FormShow() override;
    // Down in the search field moves to the grid.
    bool FormKeyDown(QWidget* focused, QKeyEvent* key) override;

    void showEvent(QShowEvent* event) override;
};
