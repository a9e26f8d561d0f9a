#include "printing/Fr_DocPrintForm.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPrintDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTextStream>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <stdexcept>

#include "data/Dm_Config.h"
#include "data/Messages.h"
#include "data/U_DM.h"
#include "printing/DocPrint.h"
#include "printing/Fr_DocPrintFormGLAuto.h"
#include "printing/PrintFormLibrary.h"
#include "printing/ReportUserFunctions.h"
#include "statements/DocPrint.h"
#include "ui/report/Preview.h"
#include "ui/report/Render.h"
#include "ui/report/Report.h"
#include "ui/report/Template.h"

const char kNoLayoutMessage[] = "ยังไม่ได้กำหนดรูปแบบเอกสาร เพื่อพิมพ์";

TFrDocPrintForm* FrDocPrintForm = nullptr;
int TFrDocPrintForm::FormCount = 0;

const QString TFrDocPrintForm::kLayoutSql =
    QString::fromStdString(statements::doc_print::layouts());

QString layoutFilePath(const QString& storedName) {
    QString name = storedName;
    name.replace(u'\\', u'/');
    // A drive ("C:\forms", "C:forms") or a share ("\\server\forms") is somewhere else.
    if (name.size() >= 2 && name[1] == u':') return {};
    if (name.startsWith(QStringLiteral("//"))) return {};
    const QStringList parts = name.split(u'/');
    for (const QString& part : parts)
        if (part == QStringLiteral("..")) return {};
    return report::templatePathFor(name);
}

bool isPlainProcedureName(const QString& name) {
    static const QRegularExpression plain(QStringLiteral(
        R"(^(?:[\p{L}_#][\p{L}\p{M}\p{N}_#@$]*|\[[^\]\x00-\x1f]+\])(?:\.(?:[\p{L}_][\p{L}\p{M}\p{N}_#@$]*|\[[^\]\x00-\x1f]+\]))?$)"));
    return plain.match(name).hasMatch();
}

QString quotedLiteral(const QString& text) {
    // A quote inside is doubled, as the expression language reads it, so that it stays text.
    QString inner = text;
    inner.replace(u'\'', QStringLiteral("''"));
    return u'\'' + inner + u'\'';
}

namespace {

bool thai() {
    return DmConfig && DmConfig->ThaiLanguage;
}

// A print library that cannot be used is a fault of the installation: it goes to the error
// output as well, for whoever looks after the workstation.
void libraryFailed(const QString& message) {
    QTextStream(stderr) << message << '\n';
    MessageService::current().message(message);
}

QString userCode() {
    return DmConfig ? DmConfig->UserCode.trimmed() : QString();
}

}  // namespace

TFrDocPrintForm::TFrDocPrintForm(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("พิมพ์เอกสาร"));
    auto* layout = new QVBoxLayout(this);

    Heading = new QLabel(this);
    Heading->setAlignment(Qt::AlignCenter);
    QFont headingFont = Heading->font();
    headingFont.setBold(true);
    headingFont.setPointSizeF(headingFont.pointSizeF() * 1.3);
    Heading->setFont(headingFont);
    Heading->hide();
    layout->addWidget(Heading);

    FormList = new QTreeWidget(this);
    FormList->setObjectName(QStringLiteral("FormList"));
    FormList->setColumnCount(1);
    FormList->setHeaderLabels({QStringLiteral("กรุณาเลือกฟอร์มที่ต้องการพิมพ์")});
    FormList->setRootIsDecorated(false);
    FormList->setSelectionBehavior(QAbstractItemView::SelectRows);
    FormList->setSelectionMode(QAbstractItemView::SingleSelection);
    FormList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    FormList->setToolTip(QStringLiteral("คลิ๊กฟอร์มที่จะพิมพ์"));
    FormList->setMinimumWidth(FormList->fontMetrics().averageCharWidth() * 60 + 24);
    FormList->setContextMenuPolicy(Qt::ActionsContextMenu);
    auto* showName = new QAction(QStringLiteral("แสดงชื่อฟอร์ม.frf"), FormList);
    showName->setObjectName(QStringLiteral("ShowFrfName"));
    FormList->addAction(showName);
    connect(showName, &QAction::triggered, this, &TFrDocPrintForm::ShowFrfName);
    FormList->installEventFilter(this);
    connect(FormList, &QTreeWidget::itemDoubleClicked, this, [this] { AcPrint(); });
    layout->addWidget(FormList);

    auto* buttons = new QHBoxLayout;
    auto button = [&](const char* objectName) {
        auto* b = new QPushButton(this);
        b->setObjectName(QString::fromLatin1(objectName));
        // Enter belongs to the list (print the layout), not to a default button.
        b->setAutoDefault(false);
        buttons->addWidget(b);
        return b;
    };
    BDisplay = button("BDisplay");
    BPrint = button("BPrint");
    BSetup = button("BSetup");
    BCancel = button("BCancel");
    layout->addLayout(buttons);
    connect(BDisplay, &QPushButton::clicked, this, [this] { AcDisplay(); });
    connect(BPrint, &QPushButton::clicked, this, [this] { AcPrint(); });
    connect(BSetup, &QPushButton::clicked, this, &TFrDocPrintForm::AcPrinterSetup);
    connect(BCancel, &QPushButton::clicked, this, &QDialog::reject);

    ApprovalBox = new QGroupBox(this);
    auto* approvalLayout = new QHBoxLayout(ApprovalBox);
    BApproval = new QPushButton(QStringLiteral("ส่งเรื่องขออนุมัติ"), ApprovalBox);
    BApproval->setObjectName(QStringLiteral("BApproval"));
    BApproval->setAutoDefault(false);
    approvalLayout->addWidget(BApproval);
    layout->addWidget(ApprovalBox);
    // No screen hands the dialog a Line token to send the request with.
    connect(BApproval, &QPushButton::clicked, this,
            [] { MessageService::current().message(QStringLiteral("ไม่ได้กำหนด LineToken")); });

    setCaptions();
}

TFrDocPrintForm::~TFrDocPrintForm() = default;

int TFrDocPrintForm::exec() {
    if (!FormShow()) {
        FormClose();
        return QDialog::Rejected;
    }
    return QDialog::exec();
}

void TFrDocPrintForm::done(int result) {
    QDialog::done(result);
    FormClose();
}

bool TFrDocPrintForm::FormShow() {
    placeTopRight();
    FormCount = 0;
    setCaptions();
    ApprovalBox->hide();
    try {
        openLayouts();
    } catch (const std::exception& e) {
        reportError(e);
        layouts_.clear();
        FormList->clear();
    }
    if (layouts_.empty()) return false;
    FormCount = static_cast<int>(layouts_.size());
    FormList->setCurrentItem(FormList->topLevelItem(0));
    FormList->setFocus();
    return true;
}

void TFrDocPrintForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // The list has the keys as soon as the dialog is up.
    if (FormList->isVisibleTo(this) && FormList->topLevelItemCount() > 0) FormList->setFocus();
}

void TFrDocPrintForm::FormClose() {
    layouts_.clear();
    FormList->clear();
    try {
        SettingsRow& config = DM->QConfig;
        if (!config.isOpen()) config.open();
        if (config.value(QStringLiteral("AutoGenGL")).toString() != QStringLiteral("Y")) return;
        if (!journal_) journal_ = std::make_unique<TFrDocPrintFormGLAuto>();
        journal_->DocNo = DocNo;
        journal_->DocYear = DocYear;
        journal_->PrintCode = PrintCode;
        journal_->exec();
    } catch (const std::exception& e) {
        reportError(e);
    }
}

void TFrDocPrintForm::placeTopRight() {
    adjustSize();
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect area = screen->availableGeometry();
    move(area.right() - frameGeometry().width() + 1, area.top());
}

void TFrDocPrintForm::setCaptions() {
    const bool th = thai();
    BDisplay->setText(th ? QStringLiteral("แสดง") : QStringLiteral("Preview"));
    BDisplay->setToolTip(th ? QStringLiteral("แสดงเอกสารบนจอภาพ")
                            : QStringLiteral("Display Document To Screen"));
    BPrint->setText(th ? QStringLiteral("พิมพ์") : QStringLiteral("Print"));
    BPrint->setToolTip(th ? QStringLiteral("พิมพ์เอกสารทางเครื่องพิมพ์")
                          : QStringLiteral("Print Document To Printer"));
    BSetup->setText(th ? QStringLiteral("กำหนดเครื่องพิมพ์") : QStringLiteral("Set Printer"));
    BSetup->setToolTip(th ? QStringLiteral("กำหนดเครื่องพิมพ์") : QStringLiteral("Setup Printer"));
    BCancel->setText(th ? QStringLiteral("ไม่พิมพ์") : QStringLiteral("Cancel"));
    BCancel->setToolTip(th ? QStringLiteral("ยกเลิก หรือ ไม่ต้องการพิมพ์")
                           : QStringLiteral("Cancel or don't want to print"));
    // Set whole at each showing, so the version tag appears once however often it is shown.
    setWindowTitle((th ? QStringLiteral("พิมพ์เอกสาร") : QStringLiteral("Print Document")) + u' ' +
                   QLatin1String(kVersionTag));
}

void TFrDocPrintForm::openLayouts() {
    layouts_.clear();
    FormList->clear();
    const db::ResultSet rows =
        DM->DMdata().query(kLayoutSql, {{QStringLiteral("PrintCode"), PrintCode}});
    for (int r = 0; r < rows.rowCount(); ++r) {
        Layout l;
        l.formDesc = rows.value(r, QStringLiteral("FormDesc")).toString();
        l.frfName = rows.value(r, QStringLiteral("FrfName")).toString();
        l.spName = rows.value(r, QStringLiteral("SpName")).toString();
        l.docCode = rows.value(r, QStringLiteral("DocCode")).toString();
        l.showPrintPreview = rows.value(r, QStringLiteral("ShowPrintPreview")).toString();
        layouts_.push_back(l);
        FormList->addTopLevelItem(new QTreeWidgetItem(QStringList{l.formDesc}));
    }
}

std::optional<TFrDocPrintForm::Layout> TFrDocPrintForm::currentLayout() const {
    const int row = FormList->indexOfTopLevelItem(FormList->currentItem());
    if (row < 0 || row >= static_cast<int>(layouts_.size())) return std::nullopt;
    return layouts_[static_cast<size_t>(row)];
}

bool TFrDocPrintForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == FormList && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            if (mods == (Qt::ControlModifier | Qt::ShiftModifier)) {
                DesignForm();
                return true;
            }
            if (mods == Qt::NoModifier) {
                AcPrint();
                return true;
            }
        } else if (key->key() == Qt::Key_F11 && mods == Qt::NoModifier) {
            ShowFrfName();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TFrDocPrintForm::ShowFrfName() {
    if (const auto layout = currentLayout()) MessageService::current().message(layout->frfName);
}

void TFrDocPrintForm::DesignForm() {
    const auto layout = currentLayout();
    if (!layout) return;
    const print_library::Failure f = print_library::designForm(DM->DatabaseCode, layout->frfName);
    if (!f.message.isEmpty()) libraryFailed(f.message);
}

void TFrDocPrintForm::AcPrinterSetup() {
    QPrintDialog dialog(&printer_, this);
    dialog.exec();
}

void TFrDocPrintForm::AcDisplay() {
    const auto layout = currentLayout();
    if (!layout) return;
    if (layout->frfName.contains(QStringLiteral("fr3")))
        runLibrary(*layout, 0);
    else
        RunReportForm(1);
}

void TFrDocPrintForm::AcPrint() {
    const auto layout = currentLayout();
    if (!layout) return;
    if (layout->frfName.contains(QStringLiteral("fr3")))
        runLibrary(*layout, 1);
    else
        RunReportForm(2);
}

void TFrDocPrintForm::runLibrary(const Layout& layout, int mode) {
    const QString path = layoutFilePath(layout.frfName);
    if (path.isEmpty() || !QFileInfo(path).isFile()) {
        MessageService::current().message(QString::fromUtf8(kNoLayoutMessage));
        return;
    }
    const print_library::Failure f = print_library::printForm(DM->DatabaseCode, layout.frfName,
                                                              userCode(), DocNo.trimmed(), mode);
    if (!f.message.isEmpty()) libraryFailed(f.message);
}

report::Report& TFrDocPrintForm::reportEngine() {
    if (!report_) {
        report_ = std::make_unique<report::Report>(&DM->DMdata());
        report_->setUserFunctionHandler(reportUserFunctionHandler(*DM));
    }
    return *report_;
}

void TFrDocPrintForm::reportError(const std::exception& error) {
    if (DM) DM->ApplicationEvents1Exception(error);
}

void TFrDocPrintForm::callLayoutProcedure(const Layout& layout) {
    const QString name = layout.spName.trimmed();
    // The name comes from the database and goes into the call's text: only a plain name runs.
    if (!isPlainProcedureName(name))
        throw std::runtime_error(
            QStringLiteral("The layout's procedure name \"%1\" is not a procedure name.")
                .arg(name)
                .toStdString());
    DM->DMdata().callProcedure(
        name, {db::ProcParam::in(QStringLiteral("@No"), DocNo),
               db::ProcParam::in(QStringLiteral("@DocYear"), DocYear),
               db::ProcParam::in(QStringLiteral("@DocCode"), layout.docCode),
               db::ProcParam::out(QStringLiteral("@NewDocNo"), db::FieldType::String, QString())});
}

void TFrDocPrintForm::previewReport(int buttons) {
    report::PreparedReport doc = reportEngine().prepare();
    report::showPreview(std::move(doc), report::PreviewButtons(buttons), this);
}

bool TFrDocPrintForm::printReport() {
    report::Report& r = reportEngine();
    if (!r.prepareReport(&TFrDocPrintForm::reportError)) return false;
    DM->AddUserLog(TDM::LogPrint, 0, DocNo);
    printer_.setCopyCount(1);
    printer_.setCollateCopies(true);
    printer_.setPrintRange(QPrinter::AllPages);
    report::printReport(*r.prepared(), printer_);
    return true;
}

void TFrDocPrintForm::RunReportForm(int mode) {
    const auto layout = currentLayout();
    if (!layout) return;
    try {
        const QString path = layoutFilePath(layout->frfName);
        if (path.isEmpty() || !QFileInfo(path).isFile()) {
            MessageService::current().message(QString::fromUtf8(kNoLayoutMessage));
            return;
        }
        if (!layout->spName.trimmed().isEmpty()) callLayoutProcedure(*layout);
        report::Report& r = reportEngine();
        r.clear();
        const report::PreviewButtons buttons =
            report::previewButtonsForLayout(layout->showPrintPreview);
        r.loadFromFile(path);
        r.setVariable(QStringLiteral("DocNo"), quotedLiteral(DocNo.trimmed()));
        r.setVariable(QStringLiteral("UserCode"), quotedLiteral(userCode()));
        if (mode == 1) {
            DM->AddUserLog(TDM::LogPreview, 0, DocNo);
            previewReport(static_cast<int>(buttons.toInt()));
            return;
        }
        if (!printReport()) return;
        const QString company = DmConfig ? DmConfig->CompanyCode.trimmed().toUpper() : QString();
        if (FormCount == 1 || company == QStringLiteral("ZELT_AS")) accept();
    } catch (const std::exception& e) {
        reportError(e);
    }
}

void ShowDocPrintForm(const QString& docNo, int docYear, const QString& printCode) {
    // One dialog for the run: made here at the first print and kept to the end of the process.
    if (!FrDocPrintForm) FrDocPrintForm = new TFrDocPrintForm;
    FrDocPrintForm->DocNo = docNo;
    FrDocPrintForm->DocYear = docYear;
    FrDocPrintForm->PrintCode = printCode;
    FrDocPrintForm->exec();
}
