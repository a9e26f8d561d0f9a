#include "lookup/Fr_SearchBranchOrderNo.h"

#include <QLabel>
#include <QLineEdit>

TFrSearchBranchOrderNo::TFrSearchBranchOrderNo(QWidget* parent) : TFrSearch(parent) {
    setObjectName(QStringLiteral("FrSearchBranchOrderNo"));
    setWindowTitle(QStringLiteral("ค้นหาข้อมูล ใบสั่งสินค้า"));
    LCode->setText(QStringLiteral("เลขที่"));
    DgSearchModel->setTitle(QStringLiteral("OrderNo"), QStringLiteral("เลขที่ Order"));
    DgSearchModel->setTitle(QStringLiteral("OrderDate"), QStringLiteral("วันที่ Order"));
    QSearch.sql = {QStringLiteral("Select Distinct OrderNo, OrderDate"),
                   QStringLiteral("from OrderBranch"), QStringLiteral("Order BY OrderNO")};
}

void TFrSearchBranchOrderNo::FormShow() {
    TFrSearch::FormShow();
    ResultColumn = QStringLiteral("OrderNo");
    BtSearchClick();
}

void TFrSearchBranchOrderNo::BtSearchClick() {
    const QString filter = StatusFilter.isEmpty()
                               ? QString()
                               : QStringLiteral("And CloseOrder In (") + StatusFilter + ") ";
    QSearch.close();
    // One line holding "ORDER BY ", so a title click reorders it and keeps filter and text.
    QSearch.sql = {
        QStringLiteral("Select Distinct OrderNo, OrderDate From OrderBranch Where OrderNo Like "
                       ":GNo ") +
        filter + QStringLiteral(" ") + QStringLiteral("Order BY OrderNO ")};
    QSearch.params = {{QStringLiteral("GNO"), QStringLiteral("%") + Code->text() + u'%'}};
    RerunSearch();
}
