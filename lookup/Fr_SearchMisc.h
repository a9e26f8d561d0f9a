#pragma once
// Finds a code of one group of the code table Misc by its description: the generic search
// dialog with its own statement. Showing lists the whole group at once.
//
// Use:
//   TFrSearchMisc dlg(parent);
//   dlg.setWindowTitle("ค้นหา รหัสรถ");
//   dlg.MiscGroup = "CARNO";
//   dlg.ResultField = "Code";
//   if (dlg.exec() == QDialog::Accepted) field->setText(dlg.ChosenValue);
#include "lookup/Fr_Search.h"

class TFrSearchMisc : public TFrSearch {
    Q_OBJECT
public:
    explicit TFrSearchMisc(QWidget* parent = nullptr);

    QString MiscGroup;    // Misc.GroupCode searched
    QString ResultField;  // the column handed back

    // Lists the group's codes whose description contains the trimmed search text.
    void BtSearchClick() override;

protected:
    void FormShow() override;
};
