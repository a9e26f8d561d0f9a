#include "transfer_documents/Fr_PrintTransferCar.h"

#include <QApplication>
#include <QDebug>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>

#include "data/Messages.h"
#include "data/U_DM.h"
#include "lookup/Fr_SearchMisc.h"
#include "lookup/SearchGrid.h"
#include "printing/DocPrint.h"
#include "statements/TransferCar.h"
#include "ui/DBGrid.h"

const QString TFrPrintTransferCar::kPrintCode = QStringLiteral("CARTRANNO");
const QString TFrPrintTransferCar::kCarGroup = QStringLiteral("CARNO");

namespace {

// TransferCarHd.CarNo and Misc.Code are both varchar(20).
constexpr int kCarNoWidth = 20;

GridColumn column(const char* field, const char* title, int width, const char* pattern = "") {
    return GridColumn{QString::fromLatin1(field),
                      QString::fromUtf8(title),
                      width,
                      true,
                      QString::fromLatin1(pattern),
                      true};
}

}  // namespace

TFrPrintTransferCar::TFrPrintTransferCar(QWidget* parent)
    : TFrForm(parent), print_(ShowDocPrintForm) {
    setObjectName(QStringLiteral("FrPrintTransferCar"));
    setWindowTitle(QStringLiteral("พิมพ์ใบโอนจ่ายจากรหัสรถ"));

    GroupBox1 = new QGroupBox(QStringLiteral("กำหนดรหัสรถ"), centralArea());
    LCarNo = new QLabel(QStringLiteral("รหัสรถ"));
    CarNo = new QLineEdit;
    CarNo->setObjectName(QStringLiteral("CarNo"));
    CarNo->setMaxLength(kCarNoWidth);
    upperCaseTyping(CarNo);
    LCarNo->setBuddy(CarNo);
    BtSearchCarNo = new QToolButton;
    BtSearchCarNo->setObjectName(QStringLiteral("BtSearchCarNo"));
    BtSearchCarNo->setText(QStringLiteral("..."));
    BtSearchCarNo->setToolTip(QStringLiteral("ค้นหา รหัสรถ (F5)"));
    // Enter in the field moves on to the grid, not to the button.
    BtSearchCarNo->setFocusPolicy(Qt::NoFocus);
    auto* top = new QHBoxLayout(GroupBox1);
    top->addWidget(LCarNo);
    top->addWidget(CarNo);
    top->addWidget(BtSearchCarNo);
    top->addStretch(1);

    GroupBox2 = new QGroupBox(QStringLiteral("รายละเอียด"), centralArea());
    wwDBGrid1 = new DBGrid(GroupBox2);
    wwDBGrid1->setObjectName(QStringLiteral("wwDBGrid1"));
    wwDBGrid1->setDataSet(&QBranchBox);
    wwDBGrid1->setReadOnly(true);
    auto* detail = new QVBoxLayout(GroupBox2);
    detail->addWidget(wwDBGrid1);

    auto* layout = new QVBoxLayout(centralArea());
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(GroupBox1);
    layout->addWidget(GroupBox2, 1);
    setTabOrder(CarNo, wwDBGrid1);

    CarNo->installEventFilter(this);
    connect(BtSearchCarNo, &QToolButton::clicked, this, [this] { BtSearchCarNoClick(); });
    connect(AcPrint, &QAction::triggered, this, [this] { AcPrintExecute(); });
    connect(qApp, &QApplication::focusChanged, this, &TFrPrintTransferCar::focusChanged);
    resize(640, 480);
}

TFrPrintTransferCar::~TFrPrintTransferCar() = default;

void TFrPrintTransferCar::FormShow() {
    TFrForm::FormShow();
    AcNewExecute();
    for (QAction* action : {AcSave, AcDel}) action->setVisible(false);
    for (QToolButton* button : {BSave, BDel}) button->setVisible(false);
    BPrint->setVisible(true);
}

void TFrPrintTransferCar::AcNewExecute() {
    TFrForm::AcNewExecute();
    AcPrint->setEnabled(false);
    CarNo->clear();
    CarNo->setEnabled(true);
    BtSearchCarNo->setEnabled(true);
    // An empty vehicle code lists nothing, but gives the grid its columns.
    readBoxList(QString());
    DocNo.clear();
    CarNo->setFocus();
}

void TFrPrintTransferCar::readBoxList(const QString& carNo) {
    QBranchBox.open(DM->DMdata(), QString::fromStdString(statements::transfer_car::boxList()),
                    {{QStringLiteral("CarNo"), carNo}});
    wwDBGrid1->setColumns({
        column("BranchCode", "รหัสสาขา", 10),
        column("BranchName", "ชื่อสาขา", 40),
        column("CountBoxNO", "จำนวนกล่อง", 10, "#,##0"),
    });
    if (!QBranchBox.isEmpty()) wwDBGrid1->setCurrentRow(0);
}

void TFrPrintTransferCar::CarNoExit() {
    if (loading_ || CarNo->text().isEmpty()) return;
    loading_ = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{loading_};
    CarNo->setEnabled(false);
    BtSearchCarNo->setEnabled(false);
    readBoxList(CarNo->text());
    AcPrint->setEnabled(true);
    DocNo =
        QBranchBox.isEmpty() ? QString() : QBranchBox.value(0, QStringLiteral("DocNo")).toString();
}

void TFrPrintTransferCar::BtSearchCarNoClick() {
    TFrSearchMisc dialog(this);
    dialog.setWindowTitle(QStringLiteral("ค้นหา รหัสรถ"));
    dialog.MiscGroup = kCarGroup;
    dialog.ResultField = QStringLiteral("Code");
    if (dialog.exec() != QDialog::Accepted) return;
    CarNo->setFocus();
    CarNo->setText(dialog.ChosenValue);
}

void TFrPrintTransferCar::AcPrintExecute() {
    if (!AcPrint->isEnabled()) return;
    print_(DocNo, DM->GetServerTime().date().year(), kPrintCode);
}

bool TFrPrintTransferCar::eventFilter(QObject* watched, QEvent* event) {
    if (watched == CarNo && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_F5) {
        if (BtSearchCarNo->isEnabled()) BtSearchCarNoClick();
        return true;
    }
    return TFrForm::eventFilter(watched, event);
}

void TFrPrintTransferCar::focusChanged(QWidget* old, QWidget* now) {
    // Leaving is a move to another control of this window: a search dialog opening over the
    // field is not.
    if (old != CarNo || !now || now->window() != this) return;
    CarNoExit();
}
