#include "spreadsheet_intake/Fr_OrderSar.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>
#include <climits>
#include <cmath>
#include <vector>

#include "data/Messages.h"
#include "data/ScriptRunner.h"
#include "data/U_DM.h"
#include "db/database_error.h"
#include "db/decimal.h"
#include "spreadsheet_intake/reader/Sheet.h"
#include "statements/OrderSar.h"
#include "ui/DBGrid.h"
#include "ui/DateEdit.h"

namespace {

namespace sql = statements::order_sar;

TFrOrderSar::OpenDialogHook& openDialogHook() {
    static TFrOrderSar::OpenDialogHook hook;
    return hook;
}

QString q(const std::string& text) {
    return QString::fromStdString(text);
}

db::Connection& mainConnection() {
    return DM->DMdata();
}

const QString kNotFound = QStringLiteral("ไม่พบ File ที่ต้องการ กรุณาตรวจสอบอีกครั้ง");

// A cell as the set takes it. A number going into a text column is written as the sheet
// shows it (a 13-digit barcode stays 13 digits, not 8.85e+12).
QVariant cellValue(const intake::CellValue& cell, const db::Column& column) {
    switch (cell.kind) {
        case intake::CellKind::Empty:
            return {};
        case intake::CellKind::Text:
            return QString::fromUtf8(cell.text.data(), static_cast<qsizetype>(cell.text.size()));
        case intake::CellKind::Number:
            if (column.type == db::FieldType::String)
                return QString::fromStdString(intake::formatNumber(cell.number));
            return cell.number;
        case intake::CellKind::Boolean:
            if (column.type == db::FieldType::String)
                return cell.number != 0 ? QStringLiteral("True") : QStringLiteral("False");
            return cell.number;
    }
    return {};
}

// The cell's text as the sheet holds it, for error messages.
QString cellText(const intake::CellValue& cell) {
    switch (cell.kind) {
        case intake::CellKind::Empty:
            return {};
        case intake::CellKind::Text:
            return QString::fromUtf8(cell.text.data(), static_cast<qsizetype>(cell.text.size()));
        case intake::CellKind::Number:
            return QString::fromStdString(intake::formatNumber(cell.number));
        case intake::CellKind::Boolean:
            return cell.number != 0 ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
    }
    return {};
}

double numberOf(const QVariant& value) {
    if (value.isNull()) return 0;
    if (value.metaType() == QMetaType::fromType<db::Decimal>())
        return value.value<db::Decimal>().toDouble();
    return value.toDouble();
}

// A column of the set as an int line value: empty is 0, a fraction is cut as the server's
// conversion cuts it, and what an int cannot hold stops the order rather than wrapping.
int integerOf(const QVariant& value, int record, const QString& field) {
    const double n = std::trunc(numberOf(value));
    if (n < double(INT_MIN) || n > double(INT_MAX))
        throw db::DatabaseError(
            QStringLiteral("Record %1, column %2: %3 is out of the range of an int line value.")
                .arg(record)
                .arg(field, QString::number(numberOf(value), 'f', 2)),
            8115);
    return static_cast<int>(n);
}

// While a load or an order runs, the window keeps processing events for its progress bar:
// New and Exit stay off so that nothing replaces the set or the header under the run.
class ToolbarPause {
public:
    explicit ToolbarPause(std::initializer_list<QAction*> actions) : actions_(actions) {
        for (QAction* a : actions_) a->setEnabled(false);
    }
    ~ToolbarPause() {
        for (QAction* a : actions_) a->setEnabled(true);
    }
    ToolbarPause(const ToolbarPause&) = delete;
    ToolbarPause& operator=(const ToolbarPause&) = delete;

private:
    std::vector<QAction*> actions_;
};

}  // namespace

void TFrOrderSar::setOpenDialogHook(OpenDialogHook hook) {
    openDialogHook() = std::move(hook);
}

bool TFrOrderSar::acceptableFileName(const QString& fileName) {
    if (fileName.isEmpty() || !QFileInfo(fileName).isFile()) return false;
    return fileName.endsWith(QLatin1String("xlsx")) || fileName.endsWith(QLatin1String("xls"));
}

TFrOrderSar::TFrOrderSar(QWidget* parent) : TFrForm(parent) {
    setWindowTitle(QStringLiteral("SAR Order"));
    QWidget* area = centralArea();

    auto hiddenField = [area](const char* caption, QLabel*& label, QLineEdit*& edit) {
        label = new QLabel(QString::fromUtf8(caption), area);
        edit = new QLineEdit(area);
        edit->setReadOnly(true);
    };
    hiddenField("เลขที่เอกสาร", LDocNo, DocNo);
    hiddenField("วันที่", LDocDate, DocDate);
    hiddenField("SCA User", LSCAUserCode, SCAUserCode);
    hiddenField("Replenishment Type", LReplenishmentType, ReplenishmentType);

    LDeliveryDate = new QLabel(QStringLiteral("วันที่ส่ง"), area);
    DbDeliveryDate = new DateEdit(area);
    DbDeliveryDate->setObjectName(QStringLiteral("DbDeliveryDate"));
    LDeliveryDate->setBuddy(DbDeliveryDate);
    LFileName = new QLabel(QStringLiteral("File ข้อมูล"), area);
    EdFileName = new QLineEdit(area);
    EdFileName->setObjectName(QStringLiteral("EdFileName"));
    EdFileName->setMinimumWidth(420);
    LFileName->setBuddy(EdFileName);
    BtBrowse = new QToolButton(area);
    BtBrowse->setText(QStringLiteral("..."));
    BtBrowse->setToolTip(QStringLiteral("เลือก File (F4)"));
    // Enter in the file name goes on to Load; F4 in the box opens the dialog.
    BtBrowse->setFocusPolicy(Qt::NoFocus);
    // Keyboard-first: F4 in the file-name box opens the dialog, as in a combo box.
    auto* browse = new QAction(EdFileName);
    browse->setShortcut(QKeySequence(Qt::Key_F4));
    browse->setShortcutContext(Qt::WidgetShortcut);
    EdFileName->addAction(browse);
    connect(browse, &QAction::triggered, this, [this] { BtBrowseClick(); });
    connect(BtBrowse, &QToolButton::clicked, this, [this] { BtBrowseClick(); });
    BLoad = new QPushButton(QStringLiteral("Load"), area);
    BLoad->setObjectName(QStringLiteral("BLoad"));
    BCreateOrder = new QPushButton(QStringLiteral("สร้าง Order"), area);
    BCreateOrder->setObjectName(QStringLiteral("BCreateOrder"));
    connect(BLoad, &QPushButton::clicked, this, [this] { BLoadClick(); });
    connect(BCreateOrder, &QPushButton::clicked, this, [this] { BCreateOrderClick(); });
    ProgressBar1 = new QProgressBar(area);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);

    DBGSar = new DBGrid(area);
    DBGSar->setObjectName(QStringLiteral("DBGSar"));
    DBGSar->setDataSet(&SarImportSet);

    auto* header = new QGridLayout;
    header->addWidget(LDocNo, 0, 0);
    header->addWidget(DocNo, 0, 1);
    header->addWidget(LDocDate, 0, 2);
    header->addWidget(DocDate, 0, 3);
    header->addWidget(LSCAUserCode, 1, 0);
    header->addWidget(SCAUserCode, 1, 1);
    header->addWidget(LReplenishmentType, 1, 2);
    header->addWidget(ReplenishmentType, 1, 3);
    auto* file = new QHBoxLayout;
    file->addWidget(LDeliveryDate);
    file->addWidget(DbDeliveryDate);
    file->addSpacing(16);
    file->addWidget(LFileName);
    file->addWidget(EdFileName, 1);
    file->addWidget(BtBrowse);
    file->addWidget(BLoad);
    file->addWidget(BCreateOrder);
    auto* layout = new QVBoxLayout(area);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(header);
    layout->addLayout(file);
    layout->addWidget(ProgressBar1);
    layout->addWidget(DBGSar, 1);
    setTabOrder(DbDeliveryDate, EdFileName);
    setTabOrder(EdFileName, BLoad);
    setTabOrder(BLoad, BCreateOrder);
    setTabOrder(BCreateOrder, DBGSar);
    resize(1100, 700);
}

TFrOrderSar::~TFrOrderSar() = default;

void TFrOrderSar::FormShow() {
    TFrForm::FormShow();
    setWindowTitle(QStringLiteral("SAR Order"));
    mainConnection().open();
    AcNewExecute();
}

QDate TFrOrderSar::deliveryDate() const {
    const QDate d = DbDeliveryDate->date();
    return d.isValid() ? d : QDate::currentDate();
}

void TFrOrderSar::openHeader(const QString& docNo) {
    QOrderSarHd.open(mainConnection(), q(sql::headerByNumber()),
                     {{QStringLiteral("DocNo"), docNo}});
    if (QOrderSarHd.isEmpty()) QOrderSarHd.appendRow();
    DbDeliveryDate->setDataField(&QOrderSarHd, QStringLiteral("DeliveryDate"));
    DbDeliveryDate->setRow(0);
}

void TFrOrderSar::AcNewExecute() {
    TFrForm::AcNewExecute();
    BLoad->setEnabled(true);
    BCreateOrder->setEnabled(false);
    for (QWidget* w :
         std::initializer_list<QWidget*>{LDocNo, DocNo, LDocDate, DocDate, LSCAUserCode,
                                         SCAUserCode, LReplenishmentType, ReplenishmentType})
        w->setVisible(false);
    EdFileName->clear();
    SarImportSet.open(mainConnection(), q(sql::placeholder()));
    ColumnNames.clear();
    LoadedBranches.clear();
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    openHeader(QString());
    if (DbDeliveryDate->isEmpty()) DbDeliveryDate->setDate(QDate::currentDate());
    DbDeliveryDate->setFocus();
}

void TFrOrderSar::BtBrowseClick() {
    const QString current = EdFileName->text();
    QString chosen;
    if (openDialogHook()) {
        chosen = openDialogHook()(this, current);
    } else {
        const QString start = current.isEmpty() ? QDir::currentPath() : QFileInfo(current).path();
        chosen = QFileDialog::getOpenFileName(this, QStringLiteral("File ข้อมูล"), start);
    }
    if (!chosen.isEmpty()) EdFileName->setText(QDir::toNativeSeparators(chosen));
    EdFileName->setFocus();
}

// ---- Load ------------------------------------------------------------------------------------

void TFrOrderSar::BLoadClick() {
    const QString fileName = EdFileName->text();
    if (!acceptableFileName(fileName)) {
        MessageService::current().message(kNotFound);
        EdFileName->setFocus();
        return;
    }
    // A load that fails leaves both buttons off until New: the rows read so far stay in view
    // but are not an order to create.
    BLoad->setEnabled(false);
    BCreateOrder->setEnabled(false);
    {
        const ToolbarPause pause{AcNew, AcExit};
        load();
    }
    if (!SarImportSet.isEmpty()) DBGSar->setCurrentRow(0);
    BLoad->setEnabled(true);
    BCreateOrder->setEnabled(true);
    MessageService::current().message(QStringLiteral("Load ข้อมูลเรียบร้อยแล้ว"));
    // The next step is usually the order; the grid is a Tab away (Shift+Tab).
    BCreateOrder->setFocus();
}

void TFrOrderSar::load() {
    const intake::Sheet sheet =
        intake::ReadUsedRange(QFile::encodeName(EdFileName->text()).toStdString());
    const int rows = sheet.rowCount();

    const db::ResultSet branches = mainConnection().query(
        q(sql::deliveryBranches()), {{QStringLiteral("DeliveryDate"), deliveryDate()}});
    std::vector<std::string> codes;
    LoadedBranches.clear();
    for (int i = 0; i < branches.rowCount(); ++i) {
        const QString code = branches.value(i, 0).toString();
        LoadedBranches << code;
        codes.push_back(code.toStdString());
    }
    ColumnNames.clear();
    for (const std::string& name : sql::importColumns(codes)) ColumnNames << q(name);

    SarImportSet.open(mainConnection(), q(sql::importSet(codes)));
    if (!SarImportSet.isEmpty()) SarImportSet.deleteRow(0);
    const int n = SarImportSet.columnCount();

    ProgressBar1->setRange(0, std::max(0, rows - 1));
    ProgressBar1->setValue(0);
    // The last column (TTDeliveryRate) is never read from the sheet.
    const int read = n - 1;
    if (rows >= 2 && sheet.columnCount() < read)
        throw std::runtime_error(
            QStringLiteral("The spreadsheet has %1 columns (%2); the order for the %3 branches "
                           "of %4 needs %5.")
                .arg(sheet.columnCount())
                .arg(QString::fromStdString(sheet.rangeA1()))
                .arg(LoadedBranches.size())
                .arg(deliveryDate().toString(QStringLiteral("dd/MM/yyyy")))
                .arg(read)
                .toStdString());
    // The grid takes the rows when the load ends (or fails), and the window repaints at most
    // every 50 ms: a grid laying out each new row of two hundred cells made a sheet of 2,000
    // rows take half a minute.
    struct Regrid {
        DBGrid* grid;
        db::DataSet* set;
        ~Regrid() { grid->setDataSet(set); }
    } regrid{DBGSar, &SarImportSet};
    DBGSar->setDataSet(nullptr);
    QElapsedTimer paint;
    paint.start();
    for (int r = 2; r <= rows; ++r) {
        ProgressBar1->setValue(ProgressBar1->value() + 1);
        const int record = SarImportSet.appendRow();
        for (int c = 1; c <= read; ++c) {
            const intake::CellValue cell = sheet.cell(r, c);
            if (cell.isEmpty()) continue;
            const db::Column& column = SarImportSet.columns().at(c - 1);
            try {
                SarImportSet.setValue(record, c - 1, cellValue(cell, column));
            } catch (const db::DatabaseError& error) {
                const int sheetRow = sheet.firstRow() + r - 1;
                throw db::DatabaseError(
                    QStringLiteral("Row %1, column %2 (cell %3), value '%4': %5")
                        .arg(sheetRow)
                        .arg(column.name,
                             QString::fromStdString(
                                 intake::columnLetters(sheet.firstColumn() + c - 1)) +
                                 QString::number(sheetRow),
                             cellText(cell), error.message()),
                    error.number());
            }
        }
        if (paint.elapsed() >= 50 || r == rows) {
            QCoreApplication::processEvents();
            paint.restart();
        }
    }
}

// ---- Create order ----------------------------------------------------------------------------

void TFrOrderSar::BCreateOrderClick() {
    DBGSar->commitEdit();
    BLoad->setEnabled(false);
    BCreateOrder->setEnabled(false);
    bool stored = false;
    {
        const ToolbarPause pause{AcNew, AcExit};
        try {
            createOrder();
            stored = true;
        } catch (const std::exception& error) {
            mainConnection().rollback();
            qWarning("SAR order not stored: %s", error.what());
        }
    }
    if (!stored) MessageService::current().message(QStringLiteral("ไม่สามารถ บันทึกได้ "));
    if (stored) MessageService::current().message(QStringLiteral("เพิ่ม Order เรียบร้อยแล้ว"));
    AcNewExecute();
}

void TFrOrderSar::createOrder() {
    db::Connection& connection = mainConnection();
    const QDate delivery = deliveryDate();
    connection.startTransaction();

    const db::ResultSet number =
        connection.query(q(sql::sarNumber()), {{QStringLiteral("DocDate"), delivery}});
    const QString docNo = number.isEmpty() ? QString() : number.value(0, 0).toString();
    if (docNo.isEmpty()) throw db::DatabaseError(QStringLiteral("No SAR number was drawn."));

    TSQLScript save(q(sql::saveHeader()));
    save.setParam(QStringLiteral("DocNo"), docNo);
    save.setParam(QStringLiteral("DocDate"), DM->GetServerTime());
    save.setParam(QStringLiteral("SCAUserCode"), QString());
    save.setParam(QStringLiteral("DeliveryDate"), delivery);
    save.setParam(QStringLiteral("RetailPrice"), 0);
    save.setParam(QStringLiteral("ReplenishmentType"), QStringLiteral("DC Item"));
    save.execute(connection);

    openHeader(docNo);
    if (QOrderSarHd.rowState(0) == db::DataSet::RowState::Inserted) {
        connection.commit();
        return;
    }
    const qlonglong hdId = QOrderSarHd.value(0, QStringLiteral("Id")).toLongLong();
    connection.execute(q(sql::removeLines()), {{QStringLiteral("OrderSarHd"), hdId}});

    const db::ResultSet branches =
        connection.query(q(sql::deliveryBranches()), {{QStringLiteral("DeliveryDate"), delivery}});
    const int records = SarImportSet.rowCount();
    ProgressBar1->setRange(0, records);
    ProgressBar1->setValue(0);

    // Each branch's nine columns, found once: a branch of the day that was not loaded has
    // none, and the order fails here rather than storing a part of it.
    struct BranchColumns {
        QString code;
        int columns[9];
    };
    static const char* const kIntegerFields[] = {"MinQnty",    "MaxQnty",     "SAROnSystem",
                                                 "SARSuggest", "AdjustOrder", "TTOrder"};
    static const char* const kFloatFields[] = {"StoreCurrentStock", "StoreDOH", "DeliveryRate"};
    const std::vector<std::string>& suffixes = sql::branchSuffixes();
    std::vector<BranchColumns> plan;
    for (int b = 0; b < branches.rowCount(); ++b) {
        BranchColumns bc;
        bc.code = branches.value(b, 0).toString();
        const QString trimmed = bc.code.trimmed();
        for (size_t s = 0; s < suffixes.size(); ++s)
            bc.columns[s] = SarImportSet.fieldIndex(trimmed + q(suffixes[s]));
        plan.push_back(bc);
    }
    auto suffixIndex = [&](const char* suffix) {
        for (size_t s = 0; s < suffixes.size(); ++s)
            if (suffixes[s] == suffix) return static_cast<int>(s);
        return -1;
    };
    const int productUnits = SarImportSet.fieldIndex(QStringLiteral("ProductUnits"));
    const int dcStock = SarImportSet.fieldIndex(QStringLiteral("DCCurrentStock"));
    const int picking = SarImportSet.fieldIndex(QStringLiteral("TTPickingOrder"));
    const int deliveryRate = SarImportSet.fieldIndex(QStringLiteral("TTDeliveryRate"));

    const QString insert = q(sql::insertLine());
    db::Params params;
    params[QStringLiteral("OrderSarHd")] = hdId;
    for (const char* zero :
         {"AvgsalesAmountPerDay", "TTStoreStockAmount", "TTSARSuggest", "TTSAROnSystem"})
        params[QString::fromLatin1(zero)] = 0.0;
    QElapsedTimer paint;
    paint.start();
    int recNo = 0;
    for (int record = 0; record < records; ++record) {
        ProgressBar1->setValue(record + 1);
        if (paint.elapsed() >= 50 || record + 1 == records) {
            QCoreApplication::processEvents();
            paint.restart();
        }
        params[QStringLiteral("ProductUnits")] = integerOf(
            SarImportSet.value(record, productUnits), record + 1, QStringLiteral("ProductUnits"));
        params[QStringLiteral("DCCurrentStock")] = numberOf(SarImportSet.value(record, dcStock));
        params[QStringLiteral("TTPickingOrder")] = numberOf(SarImportSet.value(record, picking));
        params[QStringLiteral("TTDeliveryRate")] =
            numberOf(SarImportSet.value(record, deliveryRate));
        for (const BranchColumns& bc : plan) {
            params[QStringLiteral("RecNo")] = ++recNo;
            params[QStringLiteral("BranchCode")] = bc.code;
            for (const char* field : kIntegerFields) {
                const int column = bc.columns[suffixIndex(field)];
                params[QString::fromLatin1(field)] =
                    integerOf(SarImportSet.value(record, column), record + 1,
                              SarImportSet.columns().at(column).name);
            }
            for (const char* field : kFloatFields)
                params[QString::fromLatin1(field)] =
                    numberOf(SarImportSet.value(record, bc.columns[suffixIndex(field)]));
            connection.execute(insert, params);
        }
    }
    connection.execute(q(sql::handOver()), {{QStringLiteral("DocNo"), docNo}});
    connection.commit();
}
