#include "lookup/Fr_SearchBranchOrderNo.h"

#include <QLabel>
#include <QLineEdit>

#include "statements/BranchOrder.h"

TFrSearchBranchOrderNo::TFrSearchBranchOrderNo(QWidget* parent) : TFrSearch(parent) {
    setObjectName(QStringLiteral("FrSearchBranchOrderNo"));
    setWindowTitle(QStringLiteral("ค้นหาข้อมูล ใบสั่งสินค้า"));
    LCode->setText(QStringLiteral("เลขที่"));
    DgSearchModel->setTitle(QStringLiteral("OrderNo"), QStringLiteral("เลขที่ Order"));
    DgSearchModel->setTitle(QStringLiteral("OrderDate"), QStringLiteral("วันที่ Order"));
    QSearch.sql = QString::fromStdString(statements::branch_order::orderNumbers()).split(u'\n');
}

void TFrSearchBranchOrderNo::FormShow() {
    TFrSearch::FormShow();
    ResultColumn = QStringLiteral("OrderNo");
    BtSearchClick();
}

void TFrSearchBranchOrderNo::BtSearchClick() {
    QSearch.close();
    QSearch.sql = {QString::fromStdString(
        statements::branch_order::orderNumberSearch(StatusFilter.toStdString()))};
    QSearch.params = {{QStringLiteral("GNO"), QStringLiteral("%") + Code->text() + u'%'}};
    RerunSearch();
}
