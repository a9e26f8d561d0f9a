#include "branch_order/Fr_BranchOrder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFocusEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <cmath>

#include "branch_order/BranchOrderSql.h"
#include "data/Conventions.h"
#include "data/Dm_Config.h"
#include "data/Messages.h"
#include "data/NumberFormat.h"
#include "data/ScriptRunner.h"
#include "data/U_DM.h"
#include "lookup/Fa_GetDocNo.h"
#include "lookup/Fr_SearchBarCode.h"
#include "lookup/Fr_SearchBranchOrderNo.h"
#include "ui/DBGrid.h"
#include "ui/DateEdit.h"
#include "ui/NumberEdit.h"
#include "ui/SpreadsheetExport.h"

const QString TFrBranchOrder::kDocCode = QStringLiteral("ORD-BRANCH");

namespace {

const QString kOrderQnty = QStringLiteral("OrderQnty");

// A column value as a whole number, rounded as the order quantities are (halves away from
// zero); NULL is 0. 64 bits, so sums of quantities cannot overflow.
qint64 whole(const QVariant& value) {
    if (value.isNull()) return 0;
    if (value.typeId() == QMetaType::LongLong || value.typeId() == QMetaType::Int)
        return value.toLongLong();
    return std::llround(value.toDouble());
}

QString companyText(const char* column) {
    return DmConfig ? DmConfig->company(QString::fromLatin1(column)).toString() : QString();
}

int userId() {
    return DmConfig ? DmConfig->UserId : 0;
}

db::Connection& mainConnection() {
    return DM->DMdata();
}

// A grid column: title (Thai allowed) and width in characters; shown and read-only unless said.
GridColumn column(const char* field, const char* title, int width, bool readOnly = true,
                  const char* pattern = "") {
    return GridColumn{QString::fromLatin1(field),
                      QString::fromUtf8(title),
                      width,
                      readOnly,
                      QString::fromLatin1(pattern),
                      true};
}

// An empty label is a Latin line high, a line of Thai a little higher: a status line keeps
// the height of its Thai texts, so the grid below does not jump when one is cleared.
void keepLineHeight(QLabel* line) {
    const QString text = line->text();
    line->setText(QStringLiteral("กำลังดึงข้อมูล"));
    line->setMinimumHeight(line->sizeHint().height());
    line->setText(text);
}

}  // namespace

TFrBranchOrder::TFrBranchOrder(QWidget* parent) : TFrForm(parent) {
    setWindowTitle(QStringLiteral("โปรแกรมป้อน Order ของสาขา"));
    PageControl1 = new QTabWidget(centralArea());
    auto* layout = new QVBoxLayout(centralArea());
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(PageControl1);
    buildOrderTab();
    buildReportTab();
    connect(PageControl1, &QTabWidget::currentChanged, this, [this] { PageControl1Change(); });

    connect(AcSave, &QAction::triggered, this, [this] { AcSaveExecute(); });
    connect(AcCopy, &QAction::triggered, this, [this] { AcCopyExecute(); });
    resize(1100, 700);
}

TFrBranchOrder::~TFrBranchOrder() = default;

void TFrBranchOrder::buildOrderTab() {
    TabOrder = new QWidget;
    PageControl1->addTab(TabOrder, QStringLiteral("บันทึก Order"));

    FaGetDocNo1 = new TFaGetDocNo(TabOrder);
    FaGetDocNo1->setSearchHandler([this] { FaGetDocNo1BtSearchClick(); });
    FaGetDocNo1->setLeaveHandler([] {});
    DbOrderDate = new DateEdit(TabOrder);
    auto* dateLabel = new QLabel(QStringLiteral("วันที่ทำรายการ"), TabOrder);
    LStatus = new QLabel(TabOrder);
    LDateStart = new QLabel(TabOrder);
    BLoad = new QPushButton(TabOrder);
    connect(BLoad, &QPushButton::clicked, this, [this] { BLoadClick(); });

    DBGBranchOrder = new DBGrid(TabOrder);
    DBGBranchOrder->setDataSet(&QBranchOrder);
    DBGBranchOrder->setCalcCellColors([this](int row, const QString& field, CellColors& c) {
        DBGBranchOrderCalcCellColors(row, field, c);
    });
    connect(DBGBranchOrder, &DBGrid::fieldChanged, this,
            [this](int row, const QString& field) { DBGBranchOrderFieldChanged(row, field); });
    connect(DBGBranchOrder, &DBGrid::currentRowChanged, this, [this] { bindDocNoToCurrentRow(); });

    auto* barCodeLabel = new QLabel(QStringLiteral("BarCode"), TabOrder);
    BarCode = new QLineEdit(TabOrder);
    BarCode->installEventFilter(this);
    BtSearchBarCode = new QToolButton(TabOrder);
    BtSearchBarCode->setText(QStringLiteral("..."));
    BtSearchBarCode->setFocusPolicy(Qt::NoFocus);
    connect(BtSearchBarCode, &QToolButton::clicked, this, [this] { BtSearchBarCodeClick(); });
    auto* orderLabel = new QLabel(QStringLiteral("จำนวนOrder"), TabOrder);
    EOrder = new NumberEdit(TabOrder);
    EOrder->setDisplayFormat(QStringLiteral("####"));
    EOrder->setZeroShown(true);
    EOrder->setMaximumWidth(80);
    BADD = new QPushButton(QStringLiteral("Add"), TabOrder);
    connect(BADD, &QPushButton::clicked, this, [this] { BADDClick(); });
    LProductName = new QLabel(TabOrder);

    auto* top = new QHBoxLayout;
    top->addWidget(FaGetDocNo1);
    top->addWidget(dateLabel);
    top->addWidget(DbOrderDate);
    top->addWidget(BLoad, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(barCodeLabel);
    bottom->addWidget(BarCode);
    bottom->addWidget(BtSearchBarCode);
    bottom->addWidget(orderLabel);
    bottom->addWidget(EOrder);
    bottom->addWidget(BADD);
    bottom->addWidget(LProductName, 1);
    for (QLabel* line : {LStatus, LDateStart}) keepLineHeight(line);
    auto* tab = new QVBoxLayout(TabOrder);
    tab->addLayout(top);
    tab->addWidget(LStatus);
    tab->addWidget(LDateStart);
    tab->addWidget(DBGBranchOrder, 1);
    tab->addLayout(bottom);
    // Enter walks the header fields into the grid, then from the barcode to the quantity.
    setTabOrder(FaGetDocNo1->DocNo, BLoad);
    setTabOrder(BLoad, DBGBranchOrder);
    setTabOrder(DBGBranchOrder, BarCode);
    setTabOrder(BarCode, EOrder);
    setTabOrder(EOrder, BADD);
}

void TFrBranchOrder::buildReportTab() {
    TabReport = new QWidget;
    PageControl1->addTab(TabReport, QStringLiteral("รายงานสถานะ Order  ค้างรับ"));
    FaGetDocNo2 = new TFaGetDocNo(TabReport);
    FaGetDocNo2->setSearchHandler([this] { FaGetDocNo2BtSearchClick(); });
    FaGetDocNo2->setLeaveHandler([] {});
    auto* barCodeLabel = new QLabel(QStringLiteral("BarCode"), TabReport);
    BarCodeRp = new QLineEdit(TabReport);
    BarCodeRp->installEventFilter(this);
    BtSearchBarCodeRp = new QToolButton(TabReport);
    BtSearchBarCodeRp->setText(QStringLiteral("..."));
    BtSearchBarCodeRp->setFocusPolicy(Qt::NoFocus);
    connect(BtSearchBarCodeRp, &QToolButton::clicked, this, [this] { BtSearchBarCodeRpClick(); });
    BLoadRp = new QPushButton(TabReport);
    connect(BLoadRp, &QPushButton::clicked, this, [this] { BLoadRpClick(); });
    LStatusReport = new QLabel(TabReport);
    DBGReportOrder = new DBGrid(TabReport);
    DBGReportOrder->setDataSet(&QReport);
    DBGReportOrder->setReadOnly(true);
    // Enter and Escape act inside the report grid while it has the focus.
    DBGReportOrder->setProperty(kKeepsEscapeProperty, true);
    DBGReportOrder->setCalcCellColors([this](int row, const QString& field, CellColors& c) {
        DBGReportOrderCalcCellColors(row, field, c);
    });
    connect(DBGReportOrder, &DBGrid::currentRowChanged, this, [this] {
        if (!FaGetDocNo2->DocNo->isEnabled()) {
            const int row = DBGReportOrder->currentRow();
            if (row >= 0) FaGetDocNo2->bind(&QReport, row, QStringLiteral("OrderNo"));
        }
    });

    auto* top = new QHBoxLayout;
    top->addWidget(FaGetDocNo2);
    top->addWidget(barCodeLabel);
    top->addWidget(BarCodeRp);
    top->addWidget(BtSearchBarCodeRp);
    top->addWidget(BLoadRp, 1);
    keepLineHeight(LStatusReport);
    auto* tab = new QVBoxLayout(TabReport);
    tab->addLayout(top);
    tab->addWidget(LStatusReport);
    tab->addWidget(DBGReportOrder, 1);
}

void TFrBranchOrder::showStatus(const QString& text) {
    LStatus->setText(text);
    QCoreApplication::processEvents();
}

// ---- opening and New -----------------------------------------------------------------------

void TFrBranchOrder::FormShow() {
    TFrForm::FormShow();
    setWindowTitle(QStringLiteral("โปรแกรมป้อน Order ของสาขา (20090925) User : ") +
                   (DmConfig ? DmConfig->UserCode : QString()));
    BCopy->setVisible(true);
    mainConnection().open();
    TSQLScript script(BranchOrderSql::SQLCreateBranchOrder);
    script.execute(mainConnection());
    DM->GetDocumentLength(kDocCode);
    AcNewExecute();
}

void TFrBranchOrder::AcNewExecute() {
    TFrForm::AcNewExecute();
    const QString branch = companyText("Code") + QStringLiteral(" - ") + companyText("NameThai");
    BLoad->setText(QStringLiteral("แสดงข้อมูลการสั่งสินค้าของ สาขา : ") + branch);
    BLoadRp->setText(QStringLiteral("แสดงสถานะ Order สินค้า สาขา : ") + branch);

    BLoad->setEnabled(true);
    PageControl1->setCurrentWidget(TabOrder);
    FaGetDocNo1->unbind();
    FaGetDocNo1->setText(QString());
    FaGetDocNo1->DocNo->setEnabled(true);
    FaGetDocNo1->BtSearch->setEnabled(true);
    FaGetDocNo1->DocNo->setFocus();

    SavedSaveState = false;
    SavedCopyState = false;
    FirstReportVisit = true;
    IsStoredOrder = false;

    BADD->setEnabled(false);
    BtSearchBarCode->setEnabled(false);
    AcSave->setEnabled(false);
    AcCopy->setEnabled(false);
    DbOrderDate->setEnabled(false);
    DbOrderDate->setDate(QDate::currentDate());
    LStatus->setText(QStringLiteral("User : ") + (DmConfig ? DmConfig->UserFullName : QString()));
    BarCode->clear();
    // Cleared after the focus has left BarCode, whose leaving shows the product typed there.
    LastShownBarCode.clear();
    EOrder->setValue(1);

    SalesSpanStart = readSalesSpanStart();
    LDateStart->setText(QStringLiteral("วันที่สั่ง Order ล่าสุด : ") + formatDate(SalesSpanStart));
    LProductName->clear();

    openWorkingSet(QString());
    setOrderColumns();
    resetReport();
}

QDateTime TFrBranchOrder::readSalesSpanStart() {
    return mainConnection()
        .query(BranchOrderSql::QBranchOrderOld, {{QStringLiteral("UserId"), userId()}})
        .value(0, 0)
        .toDateTime();
}

void TFrBranchOrder::openWorkingSet(const QString& orderNo) {
    FaGetDocNo1->unbind();
    QBranchOrder.open(mainConnection(), BranchOrderSql::QBranchOrder,
                      {{QStringLiteral("DocNo"), orderNo}});
}

void TFrBranchOrder::setOrderColumns() {
    DBGBranchOrder->setColumns({
        column("BarCode", "BarCode", 15),
        column("Price", "ราคาขาย", 8, true, "#,##0.00"),
        column("UOM", "UOM", 5),
        column("MinStock", "MinStock", 8),
        column("MaxStock", "MaxStock", 8),
        column("SaleQnty", "ยอดขาย", 8),
        column("Onhand", "คงเหลือ", 8),
        column("BackOrders", "ค้างรับ", 8),
        column("OrderQnty", "จำนวนสั่ง", 8, false),
        column("OLOrderQnty", "จำนวนสั่งล่าสุด", 8),
        column("OLOrderDate", "วันที่สั่งล่าสุด", 11),
        column("Stratus", "สถานะ", 15),
        column("ProdName", "ชื่อสินค้า", 30),
    });
}

void TFrBranchOrder::bindDocNoToCurrentRow() {
    // The number field shows the current row's order number once an order is loaded.
    if (FaGetDocNo1->DocNo->isEnabled()) return;
    const int row = DBGBranchOrder->currentRow();
    if (row < 0) return;
    FaGetDocNo1->bind(&QBranchOrder, row, QStringLiteral("OrderNo"));
    const QVariant date = QBranchOrder.value(row, QStringLiteral("OrderDate"));
    DbOrderDate->setDate(date.isNull() ? QDate::currentDate() : date.toDate());
}

// ---- Load ------------------------------------------------------------------------------------

void TFrBranchOrder::BLoadClick() {
    BLoad->setEnabled(false);
    const QString typed = FaGetDocNo1->text().trimmed();
    if (!DM->DocAutoRun() && typed.isEmpty()) {
        MessageService::current().message(QStringLiteral("จะต้องป้อนเลขที่เอกสาร !"));
        FaGetDocNo1->DocNo->setFocus();
        return;
    }
    const bool hasGroups =
        !mainConnection()
             .query(BranchOrderSql::QProdGroup, {{QStringLiteral("UserId"), userId()}})
             .isEmpty();
    if (!hasGroups) {
        MessageService::current().message(
            QStringLiteral("ยังไม่กำหนดแผนกสินค้า\n\rกรุณากำหนดแผนกสินค้าก่อน"));
    } else {
        LoadedOrderNo = typed;
        RowOrderNo = typed;
        showStatus(QStringLiteral("กำลังดึงข้อมูล"));
        openWorkingSet(LoadedOrderNo);
        IsNewOrder = QBranchOrder.isEmpty();
        IsStoredOrder = !IsNewOrder;
        // The number field turns letters into capitals and the server compares without letter
        // case: rows added to a stored order take its number as stored, not as typed.
        if (IsStoredOrder) {
            LoadedOrderNo = QBranchOrder.value(0, QStringLiteral("OrderNo")).toString().trimmed();
            RowOrderNo = LoadedOrderNo;
        }

        const qint64 transferOK =
            IsNewOrder ? 0 : whole(QBranchOrder.value(0, QStringLiteral("TransferOK")));
        if (transferOK < 1) {
            AcSave->setEnabled(true);
            BADD->setEnabled(true);
            BtSearchBarCode->setEnabled(true);
        } else {
            MessageService::current().message(
                QStringLiteral("ไม่สามารถแก้ไขหรือส่งข้อมูลได้\n\rเนื่องจาก ส่งข้อมูลเข้าสำนักงานใหญ่แล้ว"));
        }
        SalesSpanStart = readSalesSpanStart();

        if (IsNewOrder) {
            const QDate serverDate = DM->GetServerTime().date();
            DbOrderDate->setDate(serverDate);
            AcSave->setEnabled(true);
            AcCopy->setEnabled(true);
            BADD->setEnabled(true);
            BtSearchBarCode->setEnabled(true);
            RowOrderNo = mainConnection()
                             .query(BranchOrderSql::QDocumenNo,
                                    {{QStringLiteral("GetDate"), QDateTime(serverDate, QTime())}})
                             .value(0, 0)
                             .toString();
            showStatus(QStringLiteral("กำลัง Load ข้อมูล"));
            const db::ResultSet proposal = mainConnection().query(
                BranchOrderSql::QLoad, {{QStringLiteral("GetDate"), SalesSpanStart},
                                        {QStringLiteral("UserId"), userId()}});
            for (int i = 0; i < proposal.rowCount(); ++i) appendRow(proposal, i, 0);
        }
    }
    AcCopy->setEnabled(true);
    FaGetDocNo1->DocNo->setEnabled(false);
    FaGetDocNo1->BtSearch->setEnabled(false);
    if (DBGBranchOrder->editFirstRow()) bindDocNoToCurrentRow();
    DBGBranchOrder->focusColumn(kOrderQnty);
    LStatus->clear();
}

void TFrBranchOrder::appendRow(const db::ResultSet& source, int sourceRow, int orderQnty) {
    auto from = [&](const char* column) {
        return source.value(sourceRow, QString::fromLatin1(column));
    };
    auto text = [&](const char* column) {
        const QVariant v = from(column);
        return v.isNull() ? QVariant() : QVariant(v.toString());
    };
    const int row = QBranchOrder.appendRow();
    QBranchOrder.setValue(row, QStringLiteral("OrderNo"), RowOrderNo);
    QBranchOrder.setValue(row, QStringLiteral("OrderDate"),
                          QDateTime(QDate::currentDate(), QTime()));
    QBranchOrder.setValue(row, QStringLiteral("TranBranchNo"), QString());
    QBranchOrder.setValue(row, QStringLiteral("Product"), from("Product"));
    QBranchOrder.setValue(row, QStringLiteral("ProductUnits"), from("ProductUnits"));
    QBranchOrder.setValue(row, QStringLiteral("ProdName"), text("ProdName"));
    QBranchOrder.setValue(row, QStringLiteral("UOM"), text("UOM"));
    QBranchOrder.setValue(row, QStringLiteral("BarCode"), text("BarCode"));
    QBranchOrder.setValue(row, QStringLiteral("Price"), from("Price"));
    for (const char* column :
         {"SaleQnty", "MinQnty", "MinStock", "MaxStock", "BackOrders", "Onhand"})
        QBranchOrder.setValue(row, QString::fromLatin1(column), whole(from(column)));
    QBranchOrder.setValue(row, kOrderQnty, orderQnty);
    QBranchOrder.setValue(row, QStringLiteral("OLOrderQnty"), whole(from("OLOrderQnty")));
    QBranchOrder.setValue(row, QStringLiteral("OLOrderDate"), text("OLOrderDate"));
    QBranchOrder.setValue(row, QStringLiteral("Stratus"), text("Stratus"));
    QBranchOrder.setValue(row, QStringLiteral("OLCloseOrder"), text("OLCloseOrder"));
    QBranchOrder.setValue(row, QStringLiteral("ReceivedQnty"), 0);
    QBranchOrder.setValue(row, QStringLiteral("Transfer"), QStringLiteral("N"));
    QBranchOrder.setValue(row, QStringLiteral("UserId"), userId());
    QBranchOrder.setValue(row, QStringLiteral("CloseOrder"), QStringLiteral("N"));
}

// ---- lookups ---------------------------------------------------------------------------------

void TFrBranchOrder::FaGetDocNo1BtSearchClick() {
    TFrSearchBranchOrderNo dialog(this);
    dialog.StatusFilter = QStringLiteral("'N'");
    if (dialog.exec() == QDialog::Accepted) {
        FaGetDocNo1->setText(dialog.ChosenValue);
        FaGetDocNo1->DocNo->setFocus();
    }
}

TFrSearchBarCode& TFrBranchOrder::barcodeSearch() {
    if (!barcodeSearch_) barcodeSearch_ = new TFrSearchBarCode(this);
    return *barcodeSearch_;
}

void TFrBranchOrder::BtSearchBarCodeClick() {
    TFrSearchBarCode& search = barcodeSearch();
    if (search.exec() == QDialog::Accepted) {
        BarCode->setFocus();
        BarCode->setText(search.ChosenBarCode);
    }
}

void TFrBranchOrder::BarCodeExit() {
    const QString barCode = BarCode->text().trimmed();
    if (barCode == LastShownBarCode) return;
    mainConnection().open();
    const db::ResultSet r = mainConnection().query(BranchOrderSql::QShowProduct,
                                                   {{QStringLiteral("BarCode"), barCode}});
    const QVariant onhand = r.isEmpty() ? QVariant(0) : r.value(0, QStringLiteral("Onhand"));
    const QString uom = r.isEmpty() ? QString() : r.value(0, QStringLiteral("UOM")).toString();
    const QString name =
        r.isEmpty() ? QString() : r.value(0, QStringLiteral("ProdName")).toString();
    LProductName->setText(QStringLiteral("Onhand : ") +
                          formatValue(onhand, QStringLiteral("#,##0")) + QStringLiteral(" [") +
                          uom + QStringLiteral("] ") + name);
    LastShownBarCode = barCode;
}

void TFrBranchOrder::BADDClick() {
    const QString barCode = BarCode->text().trimmed();
    MessageService& messages = MessageService::current();
    if (barCode.isEmpty()) {
        messages.message(QStringLiteral("กำหนดข้อมูลยังไม่ครบ"));
    } else if (EOrder->value() <= 0) {
        messages.message(QStringLiteral("ต้องกำหนดจำนวน Order มากกว่า 0 "));
    } else {
        const db::ResultSet product = mainConnection().query(
            BranchOrderSql::QSearchBarCode, {{QStringLiteral("GetDate"), SalesSpanStart},
                                             {QStringLiteral("BarCode"), barCode},
                                             {QStringLiteral("UserId"), userId()}});
        if (product.isEmpty()) {
            messages.message(QStringLiteral("ไม่พบรหัสสินค้า/ไม่มีสิทธิเพิ่มรายการสินค้านี้ได้"));
        } else {
            const QVariant unit = product.value(0, QStringLiteral("ProductUnits"));
            int found = -1;
            for (int row = 0; row < QBranchOrder.rowCount() && found < 0; ++row)
                if (QBranchOrder.value(row, QStringLiteral("ProductUnits")).toLongLong() ==
                    unit.toLongLong())
                    found = row;
            if (found >= 0) {
                messages.message(QStringLiteral("มีสินค้าซ้ำใน Order แล้ว"));
                DBGBranchOrder->setCurrentRow(found);
            } else {
                appendRow(product, 0, EOrder->value());
                EOrder->setValue(1);
                BarCode->clear();
                LastShownBarCode.clear();
            }
        }
    }
    BarCode->setFocus();
}

// ---- the grid --------------------------------------------------------------------------------

void TFrBranchOrder::DBGBranchOrderFieldChanged(int row, const QString& field) {
    if (field.compare(kOrderQnty, Qt::CaseInsensitive) != 0 || correcting_) return;
    // Each of these fits an int; their sum need not.
    const qint64 quantity = whole(QBranchOrder.value(row, kOrderQnty));
    const qint64 maxStock = whole(QBranchOrder.value(row, QStringLiteral("MaxStock")));
    const qint64 backOrders = whole(QBranchOrder.value(row, QStringLiteral("BackOrders")));
    const qint64 onhand = whole(QBranchOrder.value(row, QStringLiteral("Onhand")));
    qint64 corrected = quantity;
    if (quantity < 0) {
        MessageService::current().message(QStringLiteral("ไม่สามารถป้อนน้อยกว่า 0 ได้"));
        corrected = 0;
    } else if (maxStock > 0 && quantity != 0 && quantity + backOrders + onhand > maxStock) {
        MessageService::current().message(QStringLiteral("ไม่สามารถสั่ง Order ได้มากกว่าค่า Max"));
        const qint64 left = maxStock - onhand - backOrders;
        corrected = left >= 1 ? left : 0;
    } else {
        return;
    }
    // The correction passes the rule by construction; no second report is needed.
    correcting_ = true;
    QBranchOrder.setValue(row, kOrderQnty, corrected);
    correcting_ = false;
}

void TFrBranchOrder::DBGBranchOrderCalcCellColors(int row, const QString& field,
                                                  CellColors& colors) {
    const qint64 sale = whole(QBranchOrder.value(row, QStringLiteral("SaleQnty")));
    const qint64 shortfall = whole(QBranchOrder.value(row, QStringLiteral("MinQnty")));
    if (sale > 0 && shortfall > 0)
        colors.background = QColor(255, 188, 121);
    else if (sale == 0 && shortfall > 0)
        colors.background = QColor(224, 235, 237);
    else if (sale > 0 && shortfall == 0)
        colors.background = QColor(254, 158, 252);
    else
        colors.background = QColor(0, 255, 0);
    colors.foreground = palette().color(QPalette::WindowText);
    colors.bold = false;
    if (field.compare(kOrderQnty, Qt::CaseInsensitive) == 0) {
        colors.background = QColor(255, 255, 0);
        colors.foreground = QColor(255, 4, 4);
        colors.bold = true;
    }
}

// ---- Save ------------------------------------------------------------------------------------

void TFrBranchOrder::AcSaveExecute() {
    if (!DM->ConfirmDialog(QStringLiteral("จัดเก็บข้อมูล ?"))) return;
    DM->AddUserLog(TDM::LogAdd, 0, QString());
    db::Connection& connection = mainConnection();
    connection.startTransaction();
    // What a failed save puts back: the commands as they were, and the rows as typed.
    const QList<QObject*> commands{AcNew, AcSave, AcCopy, AcExit, BADD, BtSearchBarCode};
    QList<bool> enabled;
    for (QObject* c : commands) enabled << c->property("enabled").toBool();
    for (QObject* c : commands) c->setProperty("enabled", false);
    const QString loadedBefore = LoadedOrderNo;
    QList<QPair<QVariant, QVariant>> numbersBefore;  // OrderNo and UserId of each row

    std::exception_ptr failure;
    try {
        showStatus(QStringLiteral("กำลังบันทึกข้อมูล"));
        if (IsNewOrder) {
            const int current = DBGBranchOrder->currentRow();
            QDate date = current >= 0
                             ? QBranchOrder.value(current, QStringLiteral("OrderDate")).toDate()
                             : QDate();
            if (!date.isValid()) date = DbOrderDate->date();
            if (!date.isValid()) date = QDate::currentDate();
            LoadedOrderNo = DM->GetNewDocNo(kDocCode, date);
            DM->AddUserLog(TDM::LogAdd, 0, LoadedOrderNo);
        } else {
            DM->AddUserLog(TDM::LogEdit, 0, LoadedOrderNo);
        }
        if (RowOrderNo != LoadedOrderNo) {
            // Another workstation drew the previewed number: every row takes the drawn one.
            const int count = QBranchOrder.rowCount();
            DBGBranchOrder->setUpdatesEnabled(false);
            for (int row = 0; row < count; ++row) {
                numbersBefore.append({QBranchOrder.value(row, QStringLiteral("OrderNo")),
                                      QBranchOrder.value(row, QStringLiteral("UserId"))});
                QBranchOrder.setValue(row, QStringLiteral("OrderNo"), LoadedOrderNo);
                QBranchOrder.setValue(row, QStringLiteral("UserId"), userId());
                showStatus(QStringLiteral("กำลังบันทึกข้อมูล %1 / %2").arg(row + 1).arg(count));
            }
            DBGBranchOrder->setUpdatesEnabled(true);
        }
        QBranchOrder.applyUpdates(connection, {BranchOrderSql::UsBranchOrderModify,
                                               BranchOrderSql::UsBranchOrderInsert, QString()});
        connection.commit();
    } catch (const std::exception&) {
        failure = std::current_exception();
        connection.rollback();
    }
    DBGBranchOrder->setUpdatesEnabled(true);
    if (!failure) {
        QBranchOrder.clear();
        AcNew->setEnabled(true);
        AcExit->setEnabled(true);
        AcNewExecute();
        return;
    }
    // Nothing was stored: the order stays on screen as typed, with its rows still to be
    // written (their cached changes are kept), so that it can be saved again once the cause
    // is mended. The number drawn went back with the transaction; the next save draws again.
    LoadedOrderNo = loadedBefore;
    for (int row = 0; row < numbersBefore.size() && row < QBranchOrder.rowCount(); ++row) {
        QBranchOrder.setValue(row, QStringLiteral("OrderNo"), numbersBefore[row].first);
        QBranchOrder.setValue(row, QStringLiteral("UserId"), numbersBefore[row].second);
    }
    for (qsizetype i = 0; i < commands.size(); ++i) commands[i]->setProperty("enabled", enabled[i]);
    LStatus->clear();
    std::rethrow_exception(failure);  // to the error report
}

// ---- Copy ------------------------------------------------------------------------------------

void TFrBranchOrder::AcCopyExecute() {
    const QString directory = QDir::currentPath();
    const QString branchCode =
        mainConnection().query(BranchOrderSql::QBranchCode).value(0, 0).toString();
    const QString title = QStringLiteral("ดูรายงาน BracnhOrder สาขา : ") + branchCode +
                          (IsStoredOrder ? QString() : QStringLiteral(" (ยังไม่ได้ Save)")) +
                          QStringLiteral(" ณ.  ") + formatDateTime(QDateTime::currentDateTime());
    const ui::ExportTable table = ui::exportTableFromView(DBGBranchOrder);
    const QString file = ui::askExportFileName(this, directory);
    bool written = false;
    if (!file.isEmpty()) written = ui::exportSpreadsheetWithProgress(this, file, table, {title});
    QDir::setCurrent(directory);
    if (written) MessageService::current().message(QStringLiteral("บันทึกเรียบเร้อยแล้ว\n\r") + file);
}

// ---- tabs and the report ---------------------------------------------------------------------

void TFrBranchOrder::PageControl1Change() {
    if (PageControl1->currentWidget() == TabOrder) {
        AcSave->setEnabled(SavedSaveState);
        AcCopy->setEnabled(SavedCopyState);
    } else if (FirstReportVisit) {
        SavedSaveState = AcSave->isEnabled();
        SavedCopyState = AcCopy->isEnabled();
        AcSave->setEnabled(false);
        AcCopy->setEnabled(false);
        FirstReportVisit = false;
        FaGetDocNo2->DocNo->setFocus();
    }
}

void TFrBranchOrder::setReportColumns() {
    DBGReportOrder->setColumns({
        column("OrderNo", "OrderNo", 15),
        column("OrderDate", "OrderDate", 12),
        column("BarCode", "BarCode", 15),
        column("Price", "ราคาขาย", 8, true, "#,##0.00"),
        column("UOM", "UOM", 5),
        column("OrderQnty", "จำนวนสั่ง", 8),
        column("ReceivedQnty", "จำนวนรับ", 8),
        column("BackOrder", "ค้างรับ", 8),
        column("ProdName", "ชื่อสินค้า", 30),
        column("Stratus", "สถานะ", 15),
        column("Remark", "หมายเหตุ", 15),
    });
}

void TFrBranchOrder::resetReport() {
    FaGetDocNo2->unbind();
    FaGetDocNo2->setText(QString());
    FaGetDocNo2->DocNo->setEnabled(true);
    FaGetDocNo2->BtSearch->setEnabled(true);
    LStatusReport->clear();
    // "M0066" matches no order of the series: the grid starts empty.
    QReport.open(mainConnection(), BranchOrderSql::QReport,
                 {{QStringLiteral("DocNo"), QStringLiteral("M0066")},
                  {QStringLiteral("BarCode"), QStringLiteral("M0066")}});
    setReportColumns();
}

void TFrBranchOrder::BLoadRpClick() {
    BLoadRp->setEnabled(false);
    const QString orderNo = FaGetDocNo2->text().trimmed();
    LStatusReport->setText(QStringLiteral("กำลังดึงข้อมูล"));
    QCoreApplication::processEvents();
    FaGetDocNo2->unbind();
    QReport.open(
        mainConnection(), BranchOrderSql::QReport,
        {{QStringLiteral("DocNo"), orderNo}, {QStringLiteral("BarCode"), BarCodeRp->text()}});
    FaGetDocNo2->DocNo->setEnabled(false);
    FaGetDocNo2->BtSearch->setEnabled(false);
    // The number field follows the report's current row from here on; with no row it shows
    // the empty row the report stands on.
    if (DBGReportOrder->editFirstRow())
        FaGetDocNo2->bind(&QReport, DBGReportOrder->currentRow(), QStringLiteral("OrderNo"));
    else
        FaGetDocNo2->setText(QString());
    LStatusReport->clear();
    BLoadRp->setEnabled(true);
}

void TFrBranchOrder::FaGetDocNo2BtSearchClick() {
    TFrSearchBranchOrderNo dialog(this);
    dialog.StatusFilter.clear();
    if (dialog.exec() == QDialog::Accepted) {
        FaGetDocNo2->setText(dialog.ChosenValue);
        FaGetDocNo2->DocNo->setFocus();
    }
}

void TFrBranchOrder::BtSearchBarCodeRpClick() {
    TFrSearchBarCode& search = barcodeSearch();
    if (search.exec() == QDialog::Accepted) {
        BarCodeRp->setText(search.ChosenBarCode);
        BarCodeRp->setFocus();
    }
}

void TFrBranchOrder::DBGReportOrderCalcCellColors(int row, const QString& field,
                                                  CellColors& colors) {
    const QString code = QReport.value(row, QStringLiteral("CloseOrder")).toString();
    QColor background;
    if (code == u"N")
        background = QColor(214, 224, 218);
    else if (code == u"P")
        background = QColor(255, 255, 128);
    else if (code == u"A" || code == u"B" || code == u"X")
        background = QColor(135, 255, 15);
    else if (code == u"O" || code == u"C")
        background = QColor(255, 23, 23);
    else if (code == u"W" || code == u"T")
        background = QColor(226, 171, 250);
    else if (code == u"Y")
        background = QColor(64, 255, 255);
    if (background.isValid()) {
        colors.background = background;
        colors.foreground = palette().color(QPalette::WindowText);
        colors.bold = false;
    }
    if (field.compare(kOrderQnty, Qt::CaseInsensitive) == 0) {
        colors.background = QColor(255, 255, 0);
        colors.foreground = QColor(255, 4, 4);
        colors.bold = true;
    }
}

// ---- keys ------------------------------------------------------------------------------------

bool TFrBranchOrder::eventFilter(QObject* watched, QEvent* event) {
    if (watched == BarCode || watched == BarCodeRp) {
        if (event->type() == QEvent::KeyPress &&
            static_cast<QKeyEvent*>(event)->key() == Qt::Key_F5) {
            if (watched == BarCode && BtSearchBarCode->isEnabled())
                BtSearchBarCodeClick();
            else if (watched == BarCodeRp)
                BtSearchBarCodeRpClick();
            return true;
        }
        // Leaving the field for another of the window's controls, not for a dialog or another
        // window.
        if (event->type() == QEvent::FocusOut && watched == BarCode) {
            const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
            if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
                BarCodeExit();
        }
    }
    return TFrForm::eventFilter(watched, event);
}
