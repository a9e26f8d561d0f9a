#include "lookup/Fr_SearchBranchPickNo.h"

#include <QLabel>
#include <QLineEdit>

#include "data/Messages.h"
#include "statements/PickProduct.h"

TFrSearchBranchPickNo::TFrSearchBranchPickNo(QWidget* parent) : TFrSearch(parent) {
    setObjectName(QStringLiteral("FrSearchBranchPickNo"));
    setWindowTitle(QStringLiteral("ค้นหาข้อมูล ใบสั่งสินค้า"));
    LCode->setText(QStringLiteral("เลขที่"));
    DgSearchModel->setTitle(QStringLiteral("PickNo"), QStringLiteral("เลขที่ Order"));
    DgSearchModel->setTitle(QStringLiteral("PickDate"), QStringLiteral("วันที่ Order"));
}

void TFrSearchBranchPickNo::FormShow() {
    TFrSearch::FormShow();
    ResultColumn = QStringLiteral("PickNo");
}

void TFrSearchBranchPickNo::BtSearchClick() {
    if (Code->text().trimmed().isEmpty()) {
        MessageService::current().message(QStringLiteral("กรุณาป้อนข้อมูลที่ต้องการค้น"));
        Code->setFocus();
        return;
    }
    QSearch.close();
    QSearch.sql = QString::fromStdString(statements::pick_product::pickNumberSearch()).split(u'\n');
    QSearch.params = {{QStringLiteral("GNO"), QStringLiteral("%") + Code->text() + u'%'}};
    RerunSearch();
}
