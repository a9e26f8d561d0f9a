#include "lookup/Fr_SearchMisc.h"

#include <QLabel>
#include <QLineEdit>

#include "statements/PickProduct.h"

TFrSearchMisc::TFrSearchMisc(QWidget* parent) : TFrSearch(parent) {
    setObjectName(QStringLiteral("FrSearchMisc"));
    LCode->setText(QStringLiteral("รายละเอียด"));
    DgSearchModel->setColumns({{QStringLiteral("Description"), QStringLiteral("รายละเอียด")},
                               {QStringLiteral("Code"), QStringLiteral("รหัส")}});
    QSearch.sql = QString::fromStdString(statements::pick_product::miscSearch()).split(u'\n');
}

void TFrSearchMisc::FormShow() {
    TFrSearch::FormShow();
    ResultColumn = ResultField;
    BtSearchClick();
    Code->setFocus();
}

void TFrSearchMisc::BtSearchClick() {
    QSearch.params = {
        {QStringLiteral("GetGroup"), MiscGroup},
        {QStringLiteral("GetCode"), QStringLiteral("%") + Code->text().trimmed() + u'%'}};
    RerunSearch();
}
