#include "lookup/Fr_SearchBarCode.h"

#include <QApplication>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include "data/Conventions.h"
#include "data/U_DM.h"

// clang-format off
const QStringList TFrSearchBarCode::kSearchSql = {
    /*  0 */ QStringLiteral("Select\tU.Id, U.BarCode, U.Product, U.UnitName, P.Code, P.ThaiName,"),
    /*  1 */ QStringLiteral("CONVERT(varchar(150), Cast(Coalesce((Select Sum(Quantity) From ProductOnHand Where BalanceYear = Year(GetDate()) And Product = P.Id), 0) As Money), 3) + '  ' +"),
    /*  2 */ QStringLiteral("(Select Top 1 UnitName From ProductUnits Where Product = P.Id And Fraction = (Select MIN(Fraction) From ProductUnits Where Product = P.Id)) OnHand ,"),
    /*  3 */ QStringLiteral("CONVERT(varchar(150), Cast(Coalesce(B.BackOrder, 0) As Money), 3)"),
    /*  4 */ QStringLiteral("+ '  ' + (Select Top 1 UnitName From ProductUnits Where Product = P.Id And Fraction = (Select MIN(Fraction) From ProductUnits Where Product = P.Id)) Backorder"),
    /*  5 */ QStringLiteral("From ProductUnits U"),
    /*  6 */ QStringLiteral("Inner Join Product P On (P.Id = U.Product)"),
    /*  7 */ QStringLiteral("Left Join (select M.Product, Sum(M.BackOrder) BackOrder"),
    /*  8 */ QStringLiteral("From("),
    /*  9 */ QStringLiteral("Select S.Product, (S.Quantity * S.Fraction) BackOrder -- So ที่ยังไม่ Clear (+)"),
    /* 10 */ QStringLiteral("From SoDt S"),
    /* 11 */ QStringLiteral("Where (S.Clear <> 'Y') And S.SoHd Not In (Select SoHd From PosHeader Where SoHd is Not Null)"),
    /* 12 */ QStringLiteral("Union All"),
    /* 13 */ QStringLiteral("Select V.Product, -(V.Quantity * V.Fraction) BackOrder -- Iv ที่อ้าง So ที่ยังไม่ Clear (-)"),
    /* 14 */ QStringLiteral("From IvDt V"),
    /* 15 */ QStringLiteral("Inner Join Ivhd H On (H.Id = V.Ivhd)"),
    /* 16 */ QStringLiteral("Where V.SoDt = (select S.Id from SoDt S Where S.Clear <> 'Y' And S.Id = V.SoDt)"),
    /* 17 */ QStringLiteral("Union All"),
    /* 18 */ QStringLiteral("Select V.Product, (V.Quantity * V.Fraction) BackOrder -- ออกใบกำกับแล้วแต่ยังไม่ส่งของ (+)"),
    /* 19 */ QStringLiteral("From IvDt V"),
    /* 20 */ QStringLiteral("Inner Join Ivhd H On (H.Id = V.Ivhd)"),
    /* 21 */ QStringLiteral("Where (H.NotCutStock = 'Y') And (H.IvType <> 'B') And (Coalesce(V.IvdtB,0) = 0)"),
    /* 22 */ QStringLiteral("Union All"),
    /* 23 */ QStringLiteral("Select V.Product, -(V.Quantity * V.Fraction) BackOrder -- ส่งสินค้าอ้างใบกำกับ (-)"),
    /* 24 */ QStringLiteral("From IvDt V"),
    /* 25 */ QStringLiteral("Inner Join Ivhd H On (H.Id = V.Ivhd)"),
    /* 26 */ QStringLiteral("Where (H.NotCutStock = 'N') And (H.IvType = 'B') And (Coalesce(V.IvdtB,0) > 0)"),
    /* 27 */ QStringLiteral(") As M"),
    /* 28 */ QStringLiteral("Group By M.Product"),
    /* 29 */ QStringLiteral(") As B On (B.Product = P.Id)"),
    /* 30 */ QStringLiteral("Where (U.BarCode Like :GetCode) And (P.ThaiName Like :GetName) And"),
    /* 31 */ QStringLiteral("Not (U.BarCode Is Null) And (U.BarCode <> '') And (P.Blocked <> 'Y') "),
    /* 32 */ QString(),
    /* 33 */ QStringLiteral("Order By U.BarCode"),
    /* 34 */ QStringLiteral("/* Don't Move SQL Lines */"),
    /* 35 */ QStringLiteral("/* SQL [31] ห้ามย้ายบรรทัด */"),
    /* 36 */ QStringLiteral(" "),
};
// clang-format on

void TFrSearchBarCode::ResetProgramState() {
    BarcodeSortOrder = 0;
    LastProductSearch.clear();
}

TFrSearchBarCode::TFrSearchBarCode(QWidget* parent) : TSearchDialog(parent) {
    setObjectName(QStringLiteral("FrSearchBarCode"));
    setWindowTitle(QStringLiteral("ค้นหา Barcode สินค้า"));
    setModal(true);

    LName = new QLabel(QStringLiteral("ชื่อสินค้า"));
    Name = new QLineEdit;
    Name->setObjectName(QStringLiteral("Name"));
    Name->setMaxLength(60);
    LName->setBuddy(Name);
    LCode = new QLabel(QStringLiteral("Barcode"));
    Code = new QLineEdit;
    Code->setObjectName(QStringLiteral("Code"));
    Code->setMaxLength(60);
    LCode->setBuddy(Code);
    SearchMethod = new QComboBox;
    SearchMethod->setObjectName(QStringLiteral("SearchMethod"));
    SearchMethod->addItems({QStringLiteral("ขึ้นต้นด้วย"), QStringLiteral("ประกอบด้วย")});
    BtSearch = new QPushButton(QStringLiteral("ค้นหา"));
    BtSearch->setObjectName(QStringLiteral("BtSearch"));
    Btok = new QPushButton(QStringLiteral("เลือก"));
    Btok->setObjectName(QStringLiteral("Btok"));
    BtCancel = new QPushButton(QStringLiteral("ไม่เลือก"));
    BtCancel->setObjectName(QStringLiteral("BtCancel"));
    for (QPushButton* b : {BtSearch, Btok, BtCancel}) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }

    DgSearch = new QTableView;
    setUpSearchGrid(DgSearch);
    DgSearchModel = new TSearchGridModel(&QSearch, this);
    DgSearchModel->setColumns({{QStringLiteral("BarCode"), QStringLiteral("รหัส")},
                               {QStringLiteral("Code"), QStringLiteral("รหัสสินค้า")},
                               {QStringLiteral("ThaiName"), QStringLiteral("ชื่อสินค้า")},
                               {QStringLiteral("UnitName"), QStringLiteral("หน่วยนับ")},
                               {QStringLiteral("OnHand"), QStringLiteral("คงเหลือ")},
                               {QStringLiteral("Backorder"), QStringLiteral("ค้างส่ง")}});
    DgSearch->setModel(DgSearchModel);
    hideStockColumns();
    DgSearch->setColumnWidth(0, 130);
    DgSearch->setColumnWidth(1, 100);
    DgSearch->setColumnWidth(2, 280);
    // A reset may bring hidden sections back.
    connect(DgSearchModel, &QAbstractItemModel::modelReset, this, [this] { hideStockColumns(); });

    auto* fields = new QGridLayout;
    fields->addWidget(LName, 0, 0);
    fields->addWidget(Name, 0, 1);
    fields->addWidget(SearchMethod, 0, 2);
    fields->addWidget(LCode, 1, 0);
    fields->addWidget(Code, 1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(BtSearch);
    buttons->addWidget(Btok);
    buttons->addWidget(BtCancel);
    fields->addLayout(buttons, 1, 2);
    fields->setColumnStretch(1, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(DgSearch, 1);
    resize(680, 440);

    QSearch.sql = kSearchSql;

    connect(BtSearch, &QPushButton::clicked, this, [this] { BtSearchClick(); });
    connect(Btok, &QPushButton::clicked, this, &QDialog::accept);
    connect(BtCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(DgSearch, &QTableView::doubleClicked, this, &QDialog::accept);
    connect(DgSearch->horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int column) { DgSearchTitleClick(column); });
}

void TFrSearchBarCode::hideStockColumns() {
    for (const char* field : {"OnHand", "Backorder"})
        DgSearch->setColumnHidden(DgSearchModel->gridColumn(QLatin1String(field)), true);
}

void TFrSearchBarCode::FormShow() {
    Code->clear();
    Name->clear();
    DM->QConfig.open();
    SearchMethod->setCurrentIndex(DM->QConfig.value(QStringLiteral("SearchProductMethod")).toInt());
    QSearch.close();
    if (isYes(DM->QConfig.value(QStringLiteral("ShowLastSearch"))))
        Name->setText(LastProductSearch);
    Name->setFocus();
}

void TFrSearchBarCode::BtSearchClick() {
    LastProductSearch = Name->text();
    QSearch.close();
    QSearch.sql[kConditionLine] =
        QStringLiteral("Not (U.BarCode Is Null) And (U.BarCode <> '') And (P.Blocked <> 'Y') ");
    QSearch.sql[kExtraConditionLine].clear();
    switch (BarcodeSortOrder) {
        case 0:
            QSearch.sql[kOrderLine] = QStringLiteral("Order By U.BarCode");
            break;
        case 1:
            QSearch.sql[kOrderLine] = QStringLiteral("Order By P.Code");
            break;
        case 2:
            QSearch.sql[kOrderLine] = QStringLiteral("Order By P.ThaiName");
            break;
    }
    const QString name = Name->text().trimmed();
    QSearch.params = {
        {QStringLiteral("GetCode"), Code->text().trimmed() + u'%'},
        {QStringLiteral("GetName"),
         SearchMethod->currentIndex() == 0 ? name + u'%' : QStringLiteral("%") + name + u'%'},
    };
    QSearch.open();
    focusFirstRow(DgSearch);
}

void TFrSearchBarCode::DgSearchTitleClick(int column) {
    const QString field = DgSearchModel->fieldName(column).toUpper();
    if (field == u"BARCODE")
        BarcodeSortOrder = 0;
    else if (field == u"THAINAME")
        BarcodeSortOrder = 2;
    else if (field == u"CODE")
        BarcodeSortOrder = 1;
    BtSearchClick();
}

void TFrSearchBarCode::done(int result) {
    const int row = currentRow(DgSearch);
    if (result != QDialog::Accepted || row < 0) {
        ChosenBarCode.clear();
        result = QDialog::Rejected;
    } else {
        ChosenBarCode = searchDisplayText(QSearch.value(row, QStringLiteral("BarCode")));
    }
    QSearch.close();
    QDialog::done(result);
}
