#pragma once
// Finds a branch order number among the orders stored in OrderBranch: the generic search
// dialog with its own statement. Showing lists at once every order that passes the filter.
//
// Use:
//   TFrSearchBranchOrderNo dlg(parent);
//   dlg.StatusFilter = "'N'";      // or "" for every order
//   if (dlg.exec() == QDialog::Accepted) field->setText(dlg.ChosenValue);
#include "lookup/Fr_Search.h"

class TFrSearchBranchOrderNo : public TFrSearch {
    Q_OBJECT
public:
    explicit TFrSearchBranchOrderNo(QWidget* parent = nullptr);

    // Quoted status codes separated by commas ("'N'", "'N','P'"), put into the statement as
    // they stand: callers pass constants, never what a user typed. Empty: no filter.
    QString StatusFilter;

    // Lists the orders whose number contains the search field's text, as typed.
    void BtSearchClick() override;

protected:
    void FormShow() override;
};
