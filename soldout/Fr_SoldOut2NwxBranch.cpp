#include "soldout/Fr_SoldOut2NwxBranch.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDateTime>
#include <QGridLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTextStream>
#include <algorithm>
#include <chrono>
#include <future>

#include "data/Conventions.h"
#include "data/Dm_Config.h"
#include "data/ErrorTranslation.h"
#include "data/Messages.h"
#include "data/U_DM.h"
#include "db/connection_params.h"
#include "db/database_error.h"
#include "db/shown_text.h"
#include "statements/SoldOut.h"

namespace {

const QString kAutoRunFlag = QStringLiteral("--autorun");

// Buttons and run flag come back however the run ends, so the user can run again.
class RunGuard {
public:
    explicit RunGuard(std::function<void()> end) : end_(std::move(end)) {}
    ~RunGuard() { end_(); }

private:
    std::function<void()> end_;
};

// A branch's empty (NULL) column goes to the report as an empty text or as 0.
void setTextOrEmpty(QVariant& target, const QVariant& value) {
    if (value.isNull())
        target = QVariant(QStringLiteral(""));
    else
        target = value;
}
void setNumberOrZero(QVariant& target, const QVariant& value) {
    if (value.isNull())
        target = QVariant(0);
    else
        target = value;
}

QString yearText(int year) {
    return QString::number(year).rightJustified(4, u'0');
}

}  // namespace

const QString TFrSoldOut2NwxBranchAUTO::kBranchListSql =
    QString::fromStdString(statements::soldout::branchList());
const QString TFrSoldOut2NwxBranchAUTO::kYearTableSql =
    QString::fromStdString(statements::soldout::yearTable());
const QString TFrSoldOut2NwxBranchAUTO::kSoldOutSql =
    QString::fromStdString(statements::soldout::sales());
const QString TFrSoldOut2NwxBranchAUTO::kConfigProbeSql =
    QStringLiteral("select Top 0 BranchCode From QARN_Config_NWX.Dbo.Branch");
const QString TFrSoldOut2NwxBranchAUTO::kUpdateDateSql =
    QString::fromStdString(statements::soldout::updateDate());

QString TFrSoldOut2NwxBranchAUTO::deleteSql(int year) {
    return QString::fromStdString(statements::soldout::deleteFor(year));
}

QString TFrSoldOut2NwxBranchAUTO::insertSql(int year) {
    return QString::fromStdString(statements::soldout::insertFor(year));
}

QStringList TFrSoldOut2NwxBranchAUTO::reportParameterList(const QString& serverName) {
    QStringList list = db::connectionParameterList(QStringLiteral("NWXBranch"), serverName, 300);
    for (QString& entry : list) {
        if (entry == u"DATE MODE=1")
            entry = QStringLiteral("DATE MODE=0");
        else if (entry == u"ENABLE BCD=True")
            entry = QStringLiteral("ENABLE BCD=TRUE");
        else if (entry == u"BLOBS TO CACHE=-1")
            entry = QStringLiteral("BLOBS TO CACHE=10000");
    }
    return list;
}

QString TFrSoldOut2NwxBranchAUTO::startTimeText(const QString& parameter) {
    const QString time = parameter.trimmed();
    // Shown as given, but never more of it than a label can carry: the window repaints it
    // while the rows go by.
    return time.isEmpty() ? QStringLiteral("12:12:12")
                          : db::shownText(time) + QStringLiteral(":00");
}

TFrSoldOut2NwxBranchAUTO::TFrSoldOut2NwxBranchAUTO(const QStringList& arguments, QWidget* parent)
    : QWidget(parent) {
    startTime_ = startTimeText(arguments.value(5));
    // The flag counts only after the six positional parameters.
    for (int i = 6; i < arguments.size(); ++i)
        if (arguments.at(i) == kAutoRunFlag) autoRun_ = true;

    setWindowTitle(QStringLiteral("ดึง SoldOut To NWXBranch AUTO (M22.03.09)"));
    LDate = new QLabel(this);
    LStartDate = new QLabel(this);
    LStatus = new QLabel(this);
    LUpdate = new QLabel(this);
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setTextVisible(false);
    BLoad = new QPushButton(QStringLiteral("ดึงข้อมูล"), this);
    BClose = new QPushButton(QStringLiteral("ปิด"), this);
    LStatus->setMinimumWidth(480);

    auto* layout = new QGridLayout(this);
    layout->addWidget(LDate, 0, 0);
    layout->addWidget(LStartDate, 0, 1);
    layout->addWidget(LStatus, 1, 0, 1, 2);
    layout->addWidget(LUpdate, 2, 0, 1, 2);
    layout->addWidget(ProgressBar1, 3, 0, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(BLoad);
    buttons->addWidget(BClose);
    layout->addLayout(buttons, 4, 0, 1, 2);

    connect(BLoad, &QPushButton::clicked, this, &TFrSoldOut2NwxBranchAUTO::BLoadClick);
    connect(BClose, &QPushButton::clicked, this, &QWidget::close);

    yearTable_.setSql(kYearTableSql);
    updateDate_.setSql(kUpdateDateSql);
}

void TFrSoldOut2NwxBranchAUTO::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (shown_) return;
    shown_ = true;
    FormShow();
    if (autoRun_) QMetaObject::invokeMethod(BLoad, &QPushButton::click, Qt::QueuedConnection);
}

void TFrSoldOut2NwxBranchAUTO::FormShow() {
    ProgressBar1->setValue(0);
    LStatus->clear();
    LUpdate->clear();
    LDate->setText(QStringLiteral("เวลา : ") + formatDateTime(QDateTime::currentDateTime()));
    LStartDate->setText(QStringLiteral("เริ่มเวลา : ") + startTime_);
    runFlag_ = true;
}

void TFrSoldOut2NwxBranchAUTO::closeEvent(QCloseEvent* event) {
    // The run lets the window process events; closing it under the run would leave the
    // branch half uploaded for no reason.
    if (running_)
        event->ignore();
    else
        event->accept();
}

void TFrSoldOut2NwxBranchAUTO::SetDBServer(const QString& server, const QString& database) {
    DBBranch.params().clear();
    DBBranch.setParams(
        db::connectionParameterList(database.trimmed(), server.trimmed(), kConfigQueryTime));
}

bool TFrSoldOut2NwxBranchAUTO::paintDue() const {
    return QDateTime::currentMSecsSinceEpoch() - lastPaint_ >= 40;
}

void TFrSoldOut2NwxBranchAUTO::showProgress(QLabel* label, const QString& text, bool force) {
    label->setText(text);
    // Repaint after each progress text, but not more often than the eye can follow: the row
    // loop would otherwise spend its time painting.
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (force || now - lastPaint_ >= 40) {
        lastPaint_ = now;
        QCoreApplication::processEvents();
    }
}

void TFrSoldOut2NwxBranchAUTO::BLoadClick() {
    if (autoRun_) {
        try {
            run();
        } catch (const std::exception& error) {
            const QString message = errorMessageOf(error);
            try {
                if (DmConfig) DmConfig->WriteErrorLog(message);
            } catch (const std::exception&) {
                // The text still goes out below.
            }
            finishAutoRun(errorLine(message));
            return;
        }
        finishAutoRun({});
        return;
    }
    try {
        run();
    } catch (const std::exception& error) {
        emit runFinished(errorMessageOf(error));
        throw;  // to the program's error handler
    }
    MessageService::current().message(closing_);
    emit runFinished({});
}

void TFrSoldOut2NwxBranchAUTO::finishAutoRun(const QString& error) {
    QTextStream out(stdout);
    if (error.isEmpty()) {
        out << closing_ << '\n';
    } else {
        out << QStringLiteral("error: ") << error << '\n';
        if (!failed_.isEmpty()) out << QStringLiteral("สาขาที่ database มีปัญหา ") << failed_ << '\n';
    }
    out.flush();
    emit runFinished(error);
    const int code = error.isEmpty() && failed_.isEmpty() ? 0 : 1;
    close();
    QCoreApplication::exit(code);
}

void TFrSoldOut2NwxBranchAUTO::run() {
    BLoad->setEnabled(false);
    BClose->setEnabled(false);
    failed_.clear();
    closing_.clear();
    if (!runFlag_) {
        BLoad->setEnabled(true);
        BClose->setEnabled(true);
        return;
    }
    runFlag_ = false;
    running_ = true;
    const RunGuard guard([this] {
        running_ = false;
        DBBranch.close();
        DBNWXBranch.close();
        runFlag_ = true;
        BLoad->setEnabled(true);
        BClose->setEnabled(true);
    });

    db::Connection& config = DmConfig->connection();
    config.close();
    config.open();
    const db::ResultSet branches = config.query(kBranchListSql);
    DBNWXBranch.close();
    DBNWXBranch.setParams(reportParameterList(serverNameOrDefault(DmConfig->serverDatFolder())));
    DBNWXBranch.open();
    DBBranch.close();
    yearTable_.execute(DBNWXBranch);

    for (int row = 0; row < branches.rowCount(); ++row) uploadBranch(branches, row);

    DBBranch.close();
    DBNWXBranch.close();
    closing_ = QStringLiteral("การส่ง SoldOut ") +
               DM->GetServerTime().toString(QStringLiteral("dd/MM/yyyy HH:mm")) +
               QStringLiteral(" เรียบร้อย");
    if (!failed_.isEmpty()) closing_ += QStringLiteral("\n\rสาขาที่ database มีปัญหา \n\r") + failed_;
}

void TFrSoldOut2NwxBranchAUTO::uploadBranch(const db::ResultSet& branches, int row) {
    const QString code = branches.value(row, QStringLiteral("BranchCode")).toString();
    const QString name = branches.value(row, QStringLiteral("BranchName")).toString();
    const QDateTime start = branches.value(row, QStringLiteral("SoldOutLastUpdate")).toDateTime();
    const QString prefix =
        QStringLiteral("สาขา : [%1 / %2]  ").arg(row + 1).arg(branches.rowCount());

    showProgress(LStatus, prefix + code + name + QStringLiteral(" Open"));
    DBBranch.close();
    SetDBServer(branches.value(row, QStringLiteral("Server")).toString(),
                branches.value(row, QStringLiteral("ServerName")).toString());
    try {
        DBBranch.open();
    } catch (const db::DatabaseError&) {
        // Codes are separated, or "0001" and "0004" would read as one code "00010004".
        if (!failed_.isEmpty()) failed_ += QStringLiteral(", ");
        failed_ += code;
        return;
    }

    showProgress(LStatus, prefix + code + QStringLiteral(" - ") + name + QStringLiteral(" ดึงยอด"));
    // The sales are read on another thread while this one clears the report's rows of the same
    // days: the two work on different databases through different connections, and nothing
    // else touches the branch's connection until the read is over. The rows are stored in the
    // read's order once it has ended.
    const db::Params salesParams{{QStringLiteral("BeginDate"), start},
                                 {QStringLiteral("BranchCode"), code}};
    std::future<db::ResultSet> reading = std::async(std::launch::async, [this, salesParams] {
        return DBBranch.query(kSoldOutSql, salesParams);
    });

    showProgress(LStatus,
                 prefix + code + QStringLiteral(" - ") + name + QStringLiteral(" Clear Soldout"));
    // The branch's deletes, inserts and date update form one transaction on the report
    // database: a reader sees the old rows or the new ones, a run stopped part-way leaves the
    // branch untouched with its date unmoved, and a second run that overlaps this one waits
    // for it instead of storing the rows again. The date goes through the same connection (the
    // statement names the configuration database); that database is opened before the
    // transaction begins so that it takes part in it.
    try {
        DBNWXBranch.execute(kConfigProbeSql);
        DBNWXBranch.startTransaction();
        clearBranch(code, start);
        // The window keeps repainting while the read goes on.
        while (reading.wait_for(std::chrono::milliseconds(40)) != std::future_status::ready)
            QCoreApplication::processEvents();
        const db::ResultSet sales = reading.get();
        storeBranch(code, name, prefix, start, sales);
        DBNWXBranch.commit();
    } catch (...) {
        // The read ends before the branch's connection is closed or used again.
        if (reading.valid()) reading.wait();
        DBNWXBranch.rollback();
        throw;
    }
}

void TFrSoldOut2NwxBranchAUTO::clearBranch(const QString& code, const QDateTime& start) {
    const int startYear = start.date().year();
    const int serverYear = DM->GetServerTime().date().year();
    // Every year's table from the start date's to this year's is cleared from the start date
    // on, so that a run that repeats a window never stores a row twice. A year without a
    // table has nothing stored.
    for (int year = startYear; year < serverYear; ++year) {
        const bool exists =
            !DBNWXBranch
                 .query(QString::fromStdString(statements::soldout::tableId()),
                        {{QStringLiteral("Name"), QStringLiteral("SoldOut") + yearText(year)}})
                 .isEmpty();
        if (!exists) continue;
        delete_.setSql(deleteSql(year));
        delete_.setParam(QStringLiteral("Begindate"), start);
        delete_.setParam(QStringLiteral("BranchCode"), code);
        delete_.execute(DBNWXBranch);
    }
    delete_.setSql(deleteSql(serverYear));
    delete_.setParam(QStringLiteral("Begindate"), start);
    delete_.setParam(QStringLiteral("BranchCode"), code);
    delete_.execute(DBNWXBranch);
}

void TFrSoldOut2NwxBranchAUTO::storeBranch(const QString& code, const QString& name,
                                           const QString& prefix, const QDateTime& start,
                                           const db::ResultSet& sales) {
    showProgress(LStatus, prefix + code + QStringLiteral(" - ") + name);
    QDateTime lastDate = start.addDays(-1);
    ProgressBar1->setValue(0);
    // A range of 0 to 0 would make the bar a busy animation; a branch without sales shows an
    // empty bar.
    ProgressBar1->setMaximum(std::max(sales.rowCount(), 1));

    const int cSaleType = sales.fieldIndex(QStringLiteral("SaleType"));
    const int cDocNo = sales.fieldIndex(QStringLiteral("SaleDocNo"));
    const int cDate = sales.fieldIndex(QStringLiteral("SaleDate"));
    const int cProd = sales.fieldIndex(QStringLiteral("ProdCode"));
    const int cBarCode = sales.fieldIndex(QStringLiteral("BarCode"));
    const int cQuantity = sales.fieldIndex(QStringLiteral("Quantity"));
    const int cUom = sales.fieldIndex(QStringLiteral("UOM"));
    const int cPrice = sales.fieldIndex(QStringLiteral("Price"));
    const int cDiscount = sales.fieldIndex(QStringLiteral("Discount"));
    const int cRate = sales.fieldIndex(QStringLiteral("Rate"));
    const int cCurrency = sales.fieldIndex(QStringLiteral("CurrencyCode"));
    const int cTotal = sales.fieldIndex(QStringLiteral("TotalCurrency"));
    const int cTotalMain = sales.fieldIndex(QStringLiteral("TotalCurrencyMain"));

    // The insert's values are set in place, row by row.
    QVariant& pSaleType = insert_.paramRef(QStringLiteral("SaleType"));
    QVariant& pBranchCode = insert_.paramRef(QStringLiteral("BranchCode"));
    QVariant& pSaleDocNo = insert_.paramRef(QStringLiteral("SaleDocNo"));
    QVariant& pSaleDate = insert_.paramRef(QStringLiteral("SaleDate"));
    QVariant& pProdCode = insert_.paramRef(QStringLiteral("ProdCode"));
    QVariant& pBarCode = insert_.paramRef(QStringLiteral("BarCode"));
    QVariant& pQuantity = insert_.paramRef(QStringLiteral("Quantity"));
    QVariant& pUom = insert_.paramRef(QStringLiteral("UOM"));
    QVariant& pPrice = insert_.paramRef(QStringLiteral("Price"));
    QVariant& pDiscount = insert_.paramRef(QStringLiteral("Discount"));
    QVariant& pCost = insert_.paramRef(QStringLiteral("Cost"));
    QVariant& pRate = insert_.paramRef(QStringLiteral("Rate"));
    QVariant& pCurrency = insert_.paramRef(QStringLiteral("CurrencyCode"));
    QVariant& pTotal = insert_.paramRef(QStringLiteral("TotalCurrency"));
    QVariant& pTotalMain = insert_.paramRef(QStringLiteral("TotalCurrencyMain"));
    pBranchCode = code;
    pCost = QVariant();

    // The year's first and last day: comparing dates costs less than working out each row's
    // year.
    QDate yearFirst, yearLast;
    for (int i = 0; i < sales.rowCount(); ++i) {
        const QVariant& dateValue = sales.value(i, cDate);
        const QDateTime saleDate = dateValue.toDateTime();
        // The row's text and the bar are set when the window can show them, not for every
        // row: nobody reads 50,000 texts a second, and building them costs more than the
        // insert.
        if (i + 1 == sales.rowCount() || paintDue()) {
            ProgressBar1->setValue(i + 1);
            showProgress(LUpdate, formatDate(saleDate) + QStringLiteral(" => ") +
                                      sales.value(i, cBarCode).toString());
        }
        lastDate = saleDate;
        const QDate saleDay = saleDate.date();
        if (!yearFirst.isValid() || saleDay < yearFirst || saleDay > yearLast) {
            const int insertYear = saleDay.year();
            yearFirst = QDate(insertYear, 1, 1);
            yearLast = QDate(insertYear, 12, 31);
            insert_.setSql(insertSql(insertYear));
        }
        // The values go as the branch holds them (exact decimals, not floating point), except
        // that an empty text goes as '' and an empty number as 0.
        setTextOrEmpty(pSaleType, sales.value(i, cSaleType));
        setTextOrEmpty(pSaleDocNo, sales.value(i, cDocNo));
        pSaleDate = saleDate;
        setTextOrEmpty(pProdCode, sales.value(i, cProd));
        pBarCode = sales.value(i, cBarCode).toString();
        setNumberOrZero(pQuantity, sales.value(i, cQuantity));
        setTextOrEmpty(pUom, sales.value(i, cUom));
        setNumberOrZero(pPrice, sales.value(i, cPrice));
        setNumberOrZero(pDiscount, sales.value(i, cDiscount));
        setNumberOrZero(pRate, sales.value(i, cRate));
        setTextOrEmpty(pCurrency, sales.value(i, cCurrency));
        setNumberOrZero(pTotal, sales.value(i, cTotal));
        setNumberOrZero(pTotalMain, sales.value(i, cTotalMain));
        insert_.execute(DBNWXBranch);
    }

    updateDate_.setParam(QStringLiteral("SoldOutLastUpdate"), lastDate);
    updateDate_.setParam(QStringLiteral("BranchCode"), code);
    updateDate_.execute(DBNWXBranch);
}
