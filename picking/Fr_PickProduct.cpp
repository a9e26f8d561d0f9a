#include "picking/Fr_PickProduct.h"

#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "data/Dm_Config.h"
#include "data/Messages.h"
#include "data/U_DM.h"
#include "lookup/Fa_GetDocNo.h"
#include "lookup/Fr_SearchBranchPickNo.h"
#include "picking/PickRules.h"
#include "statements/PickProduct.h"
#include "ui/DBGrid.h"
#include "ui/DateEdit.h"
#include "ui/SpreadsheetExport.h"

const QString TFrPickProduct::kDocCode = QStringLiteral("PICKORDER");
const QString TFrPickProduct::kSheetCode = QStringLiteral("PRODUCTMANAGE");
const QString TFrPickProduct::kNoPick = QStringLiteral("MMMMMMMMMM");

namespace {

namespace sql = statements::pick_product;

const QString kPick = QStringLiteral("Pick");
const QString kBranchCode = QStringLiteral("BranchCode");
const QString kFrozen = QStringLiteral("FROZEN");
const QStringList kDays = {QStringLiteral("SUN"), QStringLiteral("MON"), QStringLiteral("TUE"),
                           QStringLiteral("WED"), QStringLiteral("THU"), QStringLiteral("FRI"),
                           QStringLiteral("SAT")};

QString q(const std::string& text) {
    return QString::fromStdString(text);
}

db::Connection& mainConnection() {
    return DM->DMdata();
}

int userId() {
    return DmConfig ? DmConfig->UserId : 0;
}

GridColumn column(const char* field, const char* title, int width, bool readOnly = true) {
    return GridColumn{
        QString::fromLatin1(field), QString::fromUtf8(title), width, readOnly, QString(), true};
}

// The branch grid's "Pick" column: a check box ticked when the value is "Y".
class CheckBoxDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem background(option);
        initStyleOption(&background, index);
        background.text.clear();
        const QWidget* widget = option.widget;
        QStyle* style = widget ? widget->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &background, painter, widget);
        QStyleOptionButton box;
        box.state =
            QStyle::State_Enabled |
            (index.data(Qt::EditRole).toString() == u"Y" ? QStyle::State_On : QStyle::State_Off);
        box.rect = option.rect;
        QRect indicator = style->subElementRect(QStyle::SE_CheckBoxIndicator, &box, widget);
        indicator.moveCenter(option.rect.center());
        box.rect = indicator;
        style->drawPrimitive(QStyle::PE_IndicatorCheckBox, &box, painter, widget);
    }
};

}  // namespace

TFrPickProduct::TFrPickProduct(QWidget* parent) : TFrForm(parent) {
    setWindowTitle(QStringLiteral("โปรแกรมสั่งจัดสินค้า (24.11.25)"));
    PageControl1 = new QTabWidget(centralArea());
    auto* layout = new QVBoxLayout(centralArea());
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(PageControl1);
    buildBranchTab();
    buildPickTab();
    connect(PageControl1, &QTabWidget::currentChanged, this, [this] { PageControl1Change(); });

    // The export sits in the toolbar before Exit.
    AcSaveExcel = new QAction(QStringLiteral("SaveExcel"), this);
    addAction(AcSaveExcel);
    BSaveExcel = new QToolButton;
    BSaveExcel->setObjectName(QStringLiteral("BSaveExcel"));
    BSaveExcel->setDefaultAction(AcSaveExcel);
    BSaveExcel->setToolButtonStyle(BExit->toolButtonStyle());
    BSaveExcel->setFocusPolicy(BExit->focusPolicy());
    if (auto* box = qobject_cast<QBoxLayout*>(BExit->parentWidget()->layout()))
        box->insertWidget(box->indexOf(BExit), BSaveExcel);
    connect(AcSaveExcel, &QAction::triggered, this, [this] { AcSaveExcelExecute(); });
    connect(AcSave, &QAction::triggered, this, [this] { AcSaveExecute(); });
    resize(1100, 700);
}

TFrPickProduct::~TFrPickProduct() = default;

void TFrPickProduct::buildBranchTab() {
    TabBranch = new QWidget;
    PageControl1->addTab(TabBranch, QStringLiteral("สาขา"));
    DayBy = new QComboBox(TabBranch);
    DayBy->addItems(kDays);
    connect(DayBy, &QComboBox::activated, this, [this] { DayByChange(); });
    LDate = new QLabel(TabBranch);
    DbGirdBranch = new DBGrid(TabBranch);
    DbGirdBranch->setDataSet(&QBranch);
    DbGirdBranch->setReadOnly(true);
    DbGirdBranch->setItemDelegateForColumn(0, new CheckBoxDelegate(DbGirdBranch));
    connect(DbGirdBranch, &DBGrid::titleClicked, this,
            [this](const QString& field) { DbGirdBranchTitleClick(field); });
    connect(DbGirdBranch, &QAbstractItemView::clicked, this, [this](const QModelIndex& index) {
        if (index.column() == DbGirdBranch->columnOf(kPick)) TogglePick(index.row());
    });

    auto* top = new QHBoxLayout;
    top->addWidget(DayBy);
    top->addWidget(LDate, 1);
    auto* tab = new QVBoxLayout(TabBranch);
    tab->addLayout(top);
    tab->addWidget(DbGirdBranch, 1);
}

void TFrPickProduct::buildPickTab() {
    TabPick = new QWidget;
    PageControl1->addTab(TabPick, QStringLiteral("สั่งจัดสินค้า"));
    FaGetDocNo1 = new TFaGetDocNo(TabPick);
    FaGetDocNo1->setSearchHandler([this] { FaGetDocNo1BtSearchClick(); });
    FaGetDocNo1->setLeaveHandler([this] {
        if (FaGetDocNo1->DocNo->isEnabled()) LoadLines();
    });
    auto* dateLabel = new QLabel(QStringLiteral("วันที่ทำรายการ"), TabPick);
    DbPickDate = new DateEdit(TabPick);
    DbPickDate->setEnabled(false);
    LStatus = new QLabel(TabPick);
    LGroup = new QLabel(TabPick);
    DBGridTranBranch = new DBGrid(TabPick);
    DBGridTranBranch->setDataSet(&QTranBranch);
    DBGridTranBranch->setReadOnly(true);

    auto* top = new QHBoxLayout;
    top->addWidget(FaGetDocNo1);
    top->addWidget(dateLabel);
    top->addWidget(DbPickDate);
    top->addWidget(LStatus, 1);
    top->addWidget(LGroup, 1);
    auto* tab = new QVBoxLayout(TabPick);
    tab->addLayout(top);
    tab->addWidget(DBGridTranBranch, 1);
    setTabOrder(FaGetDocNo1->DocNo, DBGridTranBranch);
}

void TFrPickProduct::showStatus(const QString& text) {
    LStatus->setText(text);
    QCoreApplication::processEvents();
}

// Progress of a long run: the labels change and the window repaints at most every 50 ms, so
// ten thousand lines do not spend their time painting. Callers ask progressDue() first and
// build the texts only when they are shown.
bool TFrPickProduct::progressDue(bool force) {
    // The clock is read every 16th row: a row takes far less than a millisecond.
    if (!force && (++progressCalls_ & 15) != 0) return false;
    if (!progressClock_.isValid()) progressClock_.start();
    const qint64 now = progressClock_.elapsed();
    if (!force && now - lastPaint_ < 50) return false;
    lastPaint_ = now;
    return true;
}

void TFrPickProduct::showProgress(const QString& status, const QString& group) {
    LStatus->setText(status);
    if (!group.isNull()) LGroup->setText(group);
    QCoreApplication::processEvents();
}

// ---- opening and New -------------------------------------------------------------------------

void TFrPickProduct::FormShow() {
    TFrForm::FormShow();
    setWindowTitle(QStringLiteral("โปรแกรมสั่งจัดสินค้า (24.11.25)"));
    DbPickDate->setEnabled(false);
    NewPick = true;
    if (DmConfig) DmConfig->connection().open();
    mainConnection().open();
    DM->GetDocumentLength(kDocCode);
    AcNewExecute();
}

void TFrPickProduct::AcNewExecute() {
    TFrForm::AcNewExecute();
    FocusDocNo = true;
    PageControl1->setCurrentWidget(TabBranch);
    AcSave->setEnabled(false);

    const QDateTime now = DM->GetServerTime();
    // The weekday in Thai whatever the workstation's locale: the label reads "วันพุธ ที่ ...".
    static const char* const kThaiDays[] = {"จันทร์", "อังคาร", "พุธ",   "พฤหัสบดี",
                                            "ศุกร์",  "เสาร์",  "อาทิตย์"};
    LDate->setText(QStringLiteral("วัน") + QString::fromUtf8(kThaiDays[now.date().dayOfWeek() - 1]) +
                   QStringLiteral(" ที่ ") + now.date().toString(QStringLiteral("dd/MM/yyyy")));
    LGroup->clear();
    LStatus->clear();

    readBranchList();
    const db::ResultSet day = mainConnection().query(q(sql::weekday()));
    const int dw = day.isEmpty() ? 1 : day.value(0, QStringLiteral("Dw")).toInt();
    DayBy->setCurrentIndex(qBound(0, dw - 1, 6));
    tickDay(day.isEmpty() ? QString() : day.value(0, QStringLiteral("Days")).toString());

    openEmptyPick();
    DBGridTranBranch->setColumns({
        column("BranchCode", "รหัสสาขา", 8),
        column("BranchName", "ชื่อสาขา", 20),
        column("OrderNo", "เลขที่ Order", 13),
        column("OrderDate", "วันที่ Order", 11),
        column("ProdCode", "รหัสสินค้า", 10),
        column("BarCode", "BarCode", 14),
        column("UOM", "UOM", 6),
        column("OrderQnty", "Order", 7),
        column("Onhand40", "คงเหลือ DC", 9),
        column("ProdName", "ชื่อสินค้า", 30),
        column("locationassign", "Location Assign", 12),
    });

    FaGetDocNo1->DocNo->setEnabled(true);
    FaGetDocNo1->BtSearch->setEnabled(true);
    DbPickDate->setDate(now.date());
    PickDate = now;
    AcSaveExcel->setEnabled(false);
    BSaveExcel->setVisible(false);
}

void TFrPickProduct::readBranchList() {
    QBranch.open(mainConnection(), q(sql::branchList()));
    DbGirdBranch->setColumns({
        column("Pick", "Pick", 5),
        column("BranchCode", "รหัสสาขา", 10),
        column("BranchName", "ชื่อสาขา", 30),
    });
}

void TFrPickProduct::tickDay(const QString& days) {
    const db::ResultSet plan =
        mainConnection().query(q(sql::branchPlan()), {{QStringLiteral("Days"), days}});
    for (int i = 0; i < plan.rowCount(); ++i) {
        const QString code = plan.value(i, kBranchCode).toString();
        for (int row = 0; row < QBranch.rowCount(); ++row)
            if (QBranch.value(row, kBranchCode).toString() == code)
                QBranch.setValue(row, kPick, QStringLiteral("Y"));
    }
}

// The load with a number no pick has: no rows, and one empty line whose number is typed.
void TFrPickProduct::openEmptyPick() {
    CurrentPickNo = kNoPick;
    QTranBranch.open(mainConnection(), q(sql::load({}, {})),
                     {{QStringLiteral("PickNo"), CurrentPickNo}});
    const int row = QTranBranch.appendRow();
    QTranBranch.setValue(row, QStringLiteral("PickDate"), QDateTime::currentDateTime());
    FaGetDocNo1->setText(QString());
}

void TFrPickProduct::DayByChange() {
    readBranchList();
    tickDay(DayBy->currentText());
    openEmptyPick();
}

void TFrPickProduct::DbGirdBranchTitleClick(const QString& field) {
    if (field.compare(kPick, Qt::CaseInsensitive) != 0) return;
    for (int row = 0; row < QBranch.rowCount(); ++row)
        QBranch.setValue(row, kPick, QStringLiteral("N"));
    if (!QBranch.isEmpty()) DbGirdBranch->setCurrentRow(0);
}

void TFrPickProduct::TogglePick(int row) {
    if (row < 0 || row >= QBranch.rowCount()) return;
    const bool ticked = QBranch.value(row, kPick).toString() == u"Y";
    QBranch.setValue(row, kPick, ticked ? QStringLiteral("N") : QStringLiteral("Y"));
}

void TFrPickProduct::PageControl1Change() {
    if (PageControl1->currentWidget() == TabPick && FocusDocNo && FaGetDocNo1->DocNo->isEnabled())
        FaGetDocNo1->DocNo->setFocus();
}

// ---- Load ------------------------------------------------------------------------------------

void TFrPickProduct::LoadLines() {
    if (loading_) return;
    loading_ = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{loading_};

    FocusDocNo = false;
    std::vector<std::string> ticked, frozen;
    bool frozenTicked = false;
    for (int row = 0; row < QBranch.rowCount(); ++row) {
        if (QBranch.value(row, kPick).toString() != u"Y") continue;
        const QString code = QBranch.value(row, kBranchCode).toString();
        if (code == kFrozen)
            frozenTicked = true;
        else
            ticked.push_back(code.toStdString());
    }
    if (frozenTicked && DmConfig) {
        const db::ResultSet central = DmConfig->connection().query(q(sql::frozenBranches()));
        for (int i = 0; i < central.rowCount(); ++i)
            frozen.push_back(central.value(i, 0).toString().toStdString());
    }
    const QString typed = FaGetDocNo1->text().trimmed();
    if (!DM->DocAutoRun() && typed.isEmpty()) {
        MessageService::current().message(QStringLiteral("จะต้องป้อนเลขที่เอกสาร !"));
        FaGetDocNo1->DocNo->setFocus();
        return;
    }
    CurrentPickNo = typed;
    showStatus(QStringLiteral("กำลัง Load ข้อมูล"));
    QTranBranch.open(mainConnection(), q(sql::load(ticked, frozen)),
                     {{QStringLiteral("PickNo"), CurrentPickNo}});
    const QString first = QTranBranch.isEmpty()
                              ? QString()
                              : QTranBranch.value(0, QStringLiteral("NewRecord")).toString();
    NewPick = first == u"Y";
    AcSave->setEnabled(true);
    PickDate = DM->GetServerTime();
    DbPickDate->setDate(PickDate.date());
    showStatus(QStringLiteral("กำลังดึงข้อมูล"));
    if (first == u"T")
        LStatus->setText(QStringLiteral("อยู่ระหว่างการจัดสินค้า"));
    else
        LStatus->clear();
    FaGetDocNo1->DocNo->setEnabled(false);
    FaGetDocNo1->BtSearch->setEnabled(false);
    MessageService::current().message(QStringLiteral("Load เรียบร้อยแล้ว"));
    AcSaveExcel->setEnabled(!NewPick);
    BSaveExcel->setVisible(!NewPick);
}

void TFrPickProduct::FaGetDocNo1BtSearchClick() {
    TFrSearchBranchPickNo dialog(this);
    if (dialog.exec() == QDialog::Accepted) {
        FaGetDocNo1->setText(dialog.ChosenValue);
        FaGetDocNo1->DocNo->setFocus();
    }
}

// ---- Save ------------------------------------------------------------------------------------

void TFrPickProduct::releaseRunLock() {
    mainConnection().execute(q(sql::setRunLock()),
                             {{QStringLiteral("RunConsoFlag"), QStringLiteral("N")}});
}

void TFrPickProduct::AcSaveExecute() {
    MessageService& messages = MessageService::current();
    const QString lockMessage = QStringLiteral("ไม่สามารถรันโปรแกรมมากว่า 1 โปรแกรมได้");
    ErrorText.clear();
    DM->QConfig.reopen();
    if (DM->QConfig.value(QStringLiteral("RunConsoFlag")).toString() == u"Y") {
        messages.message(lockMessage);
        return;
    }
    if (!DM->ConfirmDialog(QStringLiteral("จัดเก็บข้อมูล ?"))) return;
    // Another workstation may have taken the lock since it was read: the test and the set are
    // one statement, and only the workstation that changed the row runs.
    if (mainConnection().execute(q(sql::takeRunLock())) != 1) {
        messages.message(lockMessage);
        return;
    }

    for (QAction* a : {AcNew, AcSave, AcExit}) a->setEnabled(false);
    std::exception_ptr failure;
    try {
        showStatus(QStringLiteral("กำลังบันทึกข้อมูล"));
        if (NewPick) writeNewPick();
        if (!ErrorText.isEmpty()) messages.message(ErrorText);

        showStatus(QStringLiteral("กำลังดึง ProductOnhandSendDayly"));
        try {
            mainConnection().execute(q(sql::locationSummary()));
        } catch (...) {
            // The script's own transaction must not stay open on the connection.
            try {
                mainConnection().execute(QStringLiteral("If @@TranCount > 0 Rollback"));
            } catch (...) {
            }
            throw;
        }
        LStatus->clear();

        const db::ResultSet counts =
            mainConnection().query(q(sql::counts()), {{QStringLiteral("PickNo"), CurrentPickNo}});
        auto count = [&](const char* name) {
            return counts.isEmpty() ? QStringLiteral("0")
                                    : counts.value(0, QString::fromLatin1(name)).toString();
        };
        messages.message(QStringLiteral("เลขที่ ConsoNo : ") + CurrentPickNo +
                         QStringLiteral("\n\rจำนวนสาขาทั้งหมด : ") + count("CountBranch") +
                         QStringLiteral(" รายการ\n\rจำนวนรายการทั้งหมด : ") + count("CountTotal") +
                         QStringLiteral(" รายการ\n\rจำนวนรายการที่จัดได้ : ") + count("CountP") +
                         QStringLiteral(" รายการ"));
    } catch (...) {
        failure = std::current_exception();
    }
    QTranBranch.clear();
    AcNew->setEnabled(true);
    AcExit->setEnabled(true);
    // The lock goes whatever ended the run; a failure to release it must not hide why the run
    // ended.
    try {
        releaseRunLock();
    } catch (...) {
        if (!failure) failure = std::current_exception();
    }
    try {
        AcNewExecute();
    } catch (...) {
        if (!failure) failure = std::current_exception();
    }
    if (failure) std::rethrow_exception(failure);
}

// The new pick is written in one transaction: its number, the sheet numbers and every line
// update are stored together or not at all, so a run stopped part-way leaves neither a half
// pick nor numbers that point at one. A line whose update fails keeps its earlier values and
// is reported after the walk; the other lines are still written.
void TFrPickProduct::writeNewPick() {
    db::Connection& connection = mainConnection();
    const QDate date = PickDate.isValid() ? PickDate.date() : QDate::currentDate();
    connection.startTransaction();
    try {
        const QString pickNo = DM->GetNewDocNo(kDocCode, date);

        const int n = QTranBranch.rowCount();
        std::vector<pick_rules::MemoryRow> memory;
        memory.reserve(n);
        const int id = QTranBranch.fieldIndex(QStringLiteral("Id"));
        const int group = QTranBranch.fieldIndex(QStringLiteral("ResponsProdGroup"));
        const int sortGroup = QTranBranch.fieldIndex(QStringLiteral("SortGroup"));
        const int onhand40 = QTranBranch.fieldIndex(QStringLiteral("Onhand40"));
        const int onhandDC = QTranBranch.fieldIndex(QStringLiteral("OnhandDC"));
        const int negative = QTranBranch.fieldIndex(QStringLiteral("Negative"));
        for (int i = 0; i < n; ++i) {
            if (progressDue(i + 1 == n))
                showProgress(QStringLiteral("กำลังบันทึก Memory %1 / %2").arg(i + 1).arg(n),
                             QString());
            memory.push_back(pick_rules::memoryRow(
                QTranBranch.at(i, id).toLongLong(), QTranBranch.at(i, group).toString(),
                pick_rules::lineStatus(QTranBranch.at(i, onhand40), QTranBranch.at(i, onhandDC),
                                       QTranBranch.at(i, negative).toString()),
                QTranBranch.at(i, sortGroup).toString()));
        }
        if (static_cast<int>(memory.size()) != n)
            MessageService::current().message(QStringLiteral("จำนวนรายการไม่ครบ"));
        pick_rules::sortMemory(memory);
        const std::vector<pick_rules::LineWrite> writes =
            pick_rules::walk(memory, [&] { return DM->GetNewDocNo(kSheetCode, date); });

        const QString picked = q(sql::pickedLine());
        const QString closing = q(sql::closingLine());
        // One map per statement, its values replaced row by row.
        db::Params pickedParams{{QStringLiteral("PickNo"), pickNo},
                                {QStringLiteral("UserPick"), userId()},
                                {QStringLiteral("ResponsProdGroup"), QString()},
                                {QStringLiteral("ProductManageNo"), QString()},
                                {QStringLiteral("Id"), 0}};
        db::Params closingParams{{QStringLiteral("PickNo"), pickNo},
                                 {QStringLiteral("UserPick"), userId()},
                                 {QStringLiteral("Status"), QString()},
                                 {QStringLiteral("ResponsProdGroup"), QString()},
                                 {QStringLiteral("Id"), 0}};
        QVariant& pickedGroup = pickedParams[QStringLiteral("ResponsProdGroup")];
        QVariant& pickedSheet = pickedParams[QStringLiteral("ProductManageNo")];
        QVariant& pickedId = pickedParams[QStringLiteral("Id")];
        QVariant& closingStatus = closingParams[QStringLiteral("Status")];
        QVariant& closingId = closingParams[QStringLiteral("Id")];

        // The rows are written in the order of their keys, not in the walk's: the table and
        // its indexes are then changed page after page instead of all over. Rows of one line
        // keep the walk's order among themselves, so the row that comes later in sort order
        // still decides the line's final values, and the error text is the one the walk's
        // later failure gives.
        const int m = static_cast<int>(memory.size());
        std::vector<int> order(m);
        for (int k = 0; k < m; ++k) order[k] = k;
        std::stable_sort(order.begin(), order.end(),
                         [&](int a, int b) { return memory[a].id < memory[b].id; });
        int walked = 0;
        int failedAt = -1;
        for (int step = 0; step < m; ++step) {
            const int k = order[step];
            const pick_rules::MemoryRow& row = memory[k];
            const pick_rules::LineWrite& w = writes[k];
            ++walked;
            if (progressDue(step + 1 == m))
                showProgress(QStringLiteral("กำลังบันทึกข้อมูล %1 / %2").arg(step + 1).arg(m),
                             QString::number(w.item) + QStringLiteral(" => ") + row.group + u'#' +
                                 pick_rules::sheetText(w.sheet));
            try {
                if (w.kind == pick_rules::LineWrite::Picked) {
                    pickedGroup = w.group;
                    pickedSheet = w.sheetNo;
                    pickedId = row.id;
                    connection.execute(picked, pickedParams);
                } else if (w.kind == pick_rules::LineWrite::Closing) {
                    closingStatus = row.status;
                    closingId = row.id;
                    connection.execute(closing, closingParams);
                }
            } catch (const db::DatabaseError&) {
                if (k > failedAt) {
                    failedAt = k;
                    ErrorText = w.kind == pick_rules::LineWrite::Picked
                                    ? QStringLiteral("Update Error #P กรุณายกเลิกแล้วสร้างใหม่")
                                    : QStringLiteral("Update Error #Close กรุณายกเลิกแล้วสร้างใหม่");
                }
            }
        }
        if (walked != m)
            MessageService::current().message(QStringLiteral("จำนวนรายการใน Memory ไม่ครบ"));
        connection.commit();
        CurrentPickNo = pickNo;
    } catch (...) {
        connection.rollback();
        throw;
    }
}

// ---- Export ----------------------------------------------------------------------------------

void TFrPickProduct::AcSaveExcelExecute() {
    const QString directory = QDir::currentPath();
    const ui::ExportTable table = ui::exportTableFromView(DBGridTranBranch);
    const QString file = ui::askExportFileName(this, directory);
    bool written = false;
    if (!file.isEmpty()) written = ui::exportSpreadsheetWithProgress(this, file, table, {});
    QDir::setCurrent(directory);
    if (written) MessageService::current().message(QStringLiteral("บันทึกเรียบเร้อยแล้ว\n\r") + file);
}
