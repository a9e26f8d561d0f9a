#include "spreadsheet_intake/Fr_LoadSrrToPoRQ.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>
#include <cmath>
#include <stdexcept>

#include "data/Messages.h"
#include "data/U_DM.h"
#include "db/database_error.h"
#include "db/decimal.h"
#include "statements/LoadSrr.h"
#include "ui/DBGrid.h"

const QString TFrLoadSrrToPoRQ::kImportSetSql =
    QString::fromStdString(statements::load_srr::importSet());

namespace {

const QString kVenCode = QStringLiteral("VenCode");
const QString kItemcode = QStringLiteral("Itemcode");
const QString kBarCode = QStringLiteral("BarCode");
const QString kFinalOrder = QStringLiteral("FinalOrder");

TFrLoadSrrToPoRQ::FileChooser& fileChooser() {
    static TFrLoadSrrToPoRQ::FileChooser chooser;
    return chooser;
}

QString utf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Where a cell is in the sheet as the user sees it: "แถว 12 คอลัมน์ BEL".
QString cellPlace(const intake::Sheet& sheet, int row, int column) {
    return QStringLiteral("แถว %1 คอลัมน์ %2")
        .arg(sheet.firstRow() + row - 1)
        .arg(QString::fromStdString(intake::columnLetters(sheet.firstColumn() + column - 1)));
}

[[noreturn]] void cellError(const intake::Sheet& sheet, int row, int column, const QString& field,
                            const QString& text, const QString& reason) {
    throw std::runtime_error((cellPlace(sheet, row, column) + QStringLiteral(" (") + field +
                              QStringLiteral("): \"") + text + QStringLiteral("\" ") + reason)
                                 .toStdString());
}

}  // namespace

void TFrLoadSrrToPoRQ::setFileChooser(FileChooser chooser) {
    fileChooser() = std::move(chooser);
}

bool TFrLoadSrrToPoRQ::fileNameAccepted(const QString& name) {
    if (!QFileInfo(name).isFile()) return false;
    return name.endsWith(QStringLiteral("xlsx")) || name.endsWith(QStringLiteral("xls"));
}

QString TFrLoadSrrToPoRQ::cellText(const intake::CellValue& cell) {
    switch (cell.kind) {
        case intake::CellKind::Empty:
            return {};
        case intake::CellKind::Text:
            return utf8(cell.text);
        case intake::CellKind::Boolean:
            return cell.number != 0 ? QStringLiteral("True") : QStringLiteral("False");
        case intake::CellKind::Number:
            break;
    }
    const double v = cell.number;
    // Whole numbers up to 15 digits as plain digits: a 13-digit barcode keeps all its digits.
    if (v == std::trunc(v) && std::fabs(v) < 1e15) return QString::number(qint64(v));
    QString s = QString::number(v, 'g', 15);
    const qsizetype e = s.indexOf(u'e');
    if (e >= 0) s = s.left(e) + u'E' + QString::number(s.mid(e + 1).toInt());  // 1E15, 1.5E-7
    return s;
}

bool TFrLoadSrrToPoRQ::quantityAboveZero(const intake::CellValue& cell) {
    if (cell.kind == intake::CellKind::Number) return cell.number > 0;
    if (cell.kind != intake::CellKind::Text) return false;
    const std::optional<db::Decimal> d = db::Decimal::parse(utf8(cell.text).trimmed());
    return d && d->toDouble() > 0;
}

TFrLoadSrrToPoRQ::TFrLoadSrrToPoRQ(QWidget* parent) : TFrForm(parent) {
    setWindowTitle(QStringLiteral("ดึง Excel => Pr"));
    QWidget* area = centralArea();
    LFile = new QLabel(QStringLiteral("File ข้อมูล"), area);
    EdFileName = new QLineEdit(area);
    EdFileName->setObjectName(QStringLiteral("EdFileName"));
    LFile->setBuddy(EdFileName);
    BtBrowse = new QToolButton(area);
    BtBrowse->setObjectName(QStringLiteral("BtBrowse"));
    BtBrowse->setText(QStringLiteral("..."));
    BtBrowse->setToolTip(QStringLiteral("เลือก File (F2)"));
    BtBrowse->setFocusPolicy(Qt::StrongFocus);
    BLoad = new QPushButton(QStringLiteral("Load"), area);
    BLoad->setObjectName(QStringLiteral("BLoad"));
    BCreatePr = new QPushButton(QStringLiteral("สร้าง Pr"), area);
    BCreatePr->setObjectName(QStringLiteral("BCreatePr"));
    ProgressBar1 = new QProgressBar(area);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    DBGridPr = new DBGrid(area);
    DBGridPr->setObjectName(QStringLiteral("DBGridPr"));
    DBGridPr->setDataSet(&PrImportSet);

    auto* top = new QHBoxLayout;
    top->addWidget(LFile);
    top->addWidget(EdFileName, 1);
    top->addWidget(BtBrowse);
    top->addWidget(BLoad);
    top->addWidget(BCreatePr);
    auto* layout = new QVBoxLayout(area);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(top);
    layout->addWidget(ProgressBar1);
    layout->addWidget(DBGridPr, 1);
    setTabOrder(EdFileName, BtBrowse);
    setTabOrder(BtBrowse, BLoad);
    setTabOrder(BLoad, BCreatePr);
    setTabOrder(BCreatePr, DBGridPr);

    // The file-name box's browse key, as in the other file boxes of the suite.
    auto* browse = new QAction(this);
    browse->setShortcut(QKeySequence(Qt::Key_F2));
    addAction(browse);
    connect(browse, &QAction::triggered, this, [this] {
        if (BtBrowse->isEnabled()) BtBrowseClick();
    });
    connect(BtBrowse, &QToolButton::clicked, this, [this] { BtBrowseClick(); });
    connect(BLoad, &QPushButton::clicked, this, [this] { BLoadClick(); });
    connect(BCreatePr, &QPushButton::clicked, this, [this] { BCreatePrClick(); });
    resize(900, 600);
}

TFrLoadSrrToPoRQ::~TFrLoadSrrToPoRQ() = default;

void TFrLoadSrrToPoRQ::FormShow() {
    TFrForm::FormShow();
    setWindowTitle(QStringLiteral("ดึง Excel => Pr"));
    DM->DMdata().open();
    AcNewExecute();
    EdFileName->setFocus();
}

void TFrLoadSrrToPoRQ::openImportSet() {
    PrImportSet.open(DM->DMdata(), kImportSetSql);
    GridColumn vendor{kVenCode, QString(), 14, false, QString(), true};
    GridColumn item{kItemcode, QString(), 14, false, QString(), true};
    GridColumn barcode{kBarCode, QString(), 16, false, QString(), true};
    GridColumn quantity{kFinalOrder, QString(), 12, false, QString(), true};
    // Titles are the column names; the grid's own alternate row colour is the one wanted.
    DBGridPr->setColumns({vendor, item, barcode, quantity});
}

void TFrLoadSrrToPoRQ::AcNewExecute() {
    if (loading_) return;
    TFrForm::AcNewExecute();
    BLoad->setEnabled(true);
    BCreatePr->setEnabled(false);
    EdFileName->clear();
    openImportSet();
}

void TFrLoadSrrToPoRQ::BtBrowseClick() {
    QString chosen;
    if (fileChooser()) {
        chosen = fileChooser()(this, EdFileName->text());
    } else {
        const QFileInfo current(EdFileName->text());
        const QString folder =
            EdFileName->text().isEmpty() ? QDir::currentPath() : current.absolutePath();
        chosen = QFileDialog::getOpenFileName(this, QString(), folder);
    }
    if (!chosen.isEmpty()) EdFileName->setText(QDir::toNativeSeparators(chosen));
    EdFileName->setFocus();
}

void TFrLoadSrrToPoRQ::BCreatePrClick() {
    // Offered, but what a requisition made from these lines looks like is not settled yet.
}

void TFrLoadSrrToPoRQ::closeEvent(QCloseEvent* event) {
    // The rows are read while the window processes its events: it stays until the load ends.
    if (loading_) {
        event->ignore();
        return;
    }
    TFrForm::closeEvent(event);
}

// The window repaints its progress at most every 50 ms, so two thousand rows do not spend
// their time painting; the user's keys and clicks are seen as often.
void TFrLoadSrrToPoRQ::showProgress(bool force) {
    static QElapsedTimer clock;
    if (!clock.isValid()) clock.start();
    if (!force && lastPaint_ >= 0 && clock.elapsed() - lastPaint_ < 50) return;
    lastPaint_ = clock.elapsed();
    QCoreApplication::processEvents();
}

void TFrLoadSrrToPoRQ::takeRow(const intake::Sheet& sheet, int row) {
    if (sheet.columnCount() < kFinalOrderColumn)
        throw std::runtime_error((QStringLiteral("แถว %1: ข้อมูลมีถึงคอลัมน์ %2 เท่านั้น ไม่ถึงคอลัมน์ %3 (%4)")
                                      .arg(sheet.firstRow() + row - 1)
                                      .arg(QString::fromStdString(intake::columnLetters(
                                          sheet.firstColumn() + sheet.columnCount() - 1)))
                                      .arg(QString::fromStdString(intake::columnLetters(
                                          sheet.firstColumn() + kFinalOrderColumn - 1)))
                                      .arg(kFinalOrder))
                                     .toStdString());
    const int record = PrImportSet.appendRow();
    PrImportSet.setValue(record, kVenCode, cellText(sheet.cell(row, kVendorColumn)).left(20));
    PrImportSet.setValue(record, kItemcode, cellText(sheet.cell(row, kItemColumn)).left(20));
    PrImportSet.setValue(record, kBarCode, cellText(sheet.cell(row, kBarcodeColumn)).left(20));

    const intake::CellValue quantity = sheet.cell(row, kFinalOrderColumn);
    const QString text = cellText(quantity);
    QVariant value;
    switch (quantity.kind) {
        case intake::CellKind::Empty:
            return;  // stays NULL
        case intake::CellKind::Number:
            if (!std::isfinite(quantity.number))
                cellError(sheet, row, kFinalOrderColumn, kFinalOrder, text,
                          QStringLiteral("ไม่ใช่ตัวเลข"));
            value = quantity.number;
            break;
        case intake::CellKind::Text: {
            const std::optional<db::Decimal> d = db::Decimal::parse(text.trimmed());
            if (!d)
                cellError(sheet, row, kFinalOrderColumn, kFinalOrder, text,
                          QStringLiteral("ไม่ใช่ตัวเลข"));
            value = QVariant::fromValue(*d);
            break;
        }
        case intake::CellKind::Boolean:
            cellError(sheet, row, kFinalOrderColumn, kFinalOrder, text,
                      QStringLiteral("ไม่ใช่ตัวเลข"));
    }
    try {
        PrImportSet.setValue(record, kFinalOrder, value);
    } catch (const db::DatabaseError&) {
        cellError(sheet, row, kFinalOrderColumn, kFinalOrder, text,
                  QStringLiteral("เกินกว่าที่คอลัมน์เก็บได้ (Decimal(20,2))"));
    }
}

void TFrLoadSrrToPoRQ::BLoadClick() {
    if (loading_) return;
    BLoad->setEnabled(false);
    const QString name = EdFileName->text();
    if (!fileNameAccepted(name)) {
        MessageService::current().message(QStringLiteral("ไม่พบ File ที่ต้องการ กรุณาตรวจสอบอีกครั้ง"));
    } else {
        loading_ = true;
        AcNew->setEnabled(false);
        struct Done {
            TFrLoadSrrToPoRQ& screen;
            ~Done() {
                screen.loading_ = false;
                screen.AcNew->setEnabled(true);
            }
        } done{*this};

        intake::Sheet sheet;
        {
            QApplication::setOverrideCursor(Qt::WaitCursor);
            struct Cursor {
                ~Cursor() { QApplication::restoreOverrideCursor(); }
            } cursor;
            sheet = intake::ReadUsedRange(QFile::encodeName(name).toStdString());
        }
        const int rows = sheet.rowCount();
        ProgressBar1->setRange(0, rows - 1);
        ProgressBar1->setValue(0);
        // The set starts empty: the placeholder row goes, and so do the rows of an earlier
        // load, which would otherwise stay mixed with this file's.
        PrImportSet.load(db::ResultSet(PrImportSet.columns(), {}));
        lastPaint_ = -1;
        for (int row = kFirstDataRow; row <= rows; ++row) {
            ProgressBar1->setValue(ProgressBar1->value() + 1);
            if (sheet.columnCount() < kQuantityColumn)
                throw std::runtime_error(
                    (QStringLiteral("แถว %1: ข้อมูลมีถึงคอลัมน์ %2 เท่านั้น ไม่มีคอลัมน์จำนวน %3")
                         .arg(sheet.firstRow() + row - 1)
                         .arg(QString::fromStdString(
                             intake::columnLetters(sheet.firstColumn() + sheet.columnCount() - 1)))
                         .arg(QString::fromStdString(
                             intake::columnLetters(sheet.firstColumn() + kQuantityColumn - 1))))
                        .toStdString());
            if (quantityAboveZero(sheet.cell(row, kQuantityColumn))) {
                BCreatePr->setText(QStringLiteral("%1 / %2").arg(row).arg(rows));
                takeRow(sheet, row);
            }
            showProgress(row == rows);
        }
        if (!PrImportSet.isEmpty()) DBGridPr->setCurrentRow(0);
        MessageService::current().message(QStringLiteral("Load ข้อมูลเรียบร้อยแล้ว"));
    }
    BLoad->setEnabled(true);
    BCreatePr->setEnabled(true);
}
