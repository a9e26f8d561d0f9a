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
#include "statements/BarcodeSearch.h"

const QStringList TFrSearchBarCode::kSearchSql = [] {
    QStringList lines;
    for (const std::string& line : statements::barcode_search::lines())
        lines << QString::fromStdString(line);
    return lines;
}();

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
    QSearch.sql[kConditionLine] = QString::fromStdString(statements::barcode_search::condition());
    QSearch.sql[kExtraConditionLine].clear();
    if (const std::string order = statements::barcode_search::orderLine(BarcodeSortOrder);
        !order.empty())
        QSearch.sql[kOrderLine] = QString::fromStdString(order);
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
