#pragma once
// Finds a pick number among the distribution centre's order lines (TranBranch): the generic
// search dialog with its own statement. The first search waits for the user's text.
//
// Use:
//   TFrSearchBranchPickNo dlg(parent);
//   if (dlg.exec() == QDialog::Accepted) field->setText(dlg.ChosenValue);
#include "lookup/Fr_Search.h"

class TFrSearchBranchPickNo : public TFrSearch {
    Q_OBJECT
public:
    explicit TFrSearchBranchPickNo(QWidget* parent = nullptr);

    // Lists the picks whose number contains the search field's text, as typed, once per day
    // of their lines, newest first. An empty (or blank) text is refused with a message.
    void BtSearchClick() override;

protected:
    void FormShow() override;
};
