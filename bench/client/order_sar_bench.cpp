// order_sar_bench: a SAR order of 2,000 product units for 20 branches (40,000 lines) created
// through the SAR order screen on the embedded server, against a plain loop of the same line
// inserts on the same engine, in the same run.
//
//   Load       the screen's load of the 2,000-row sheet (.xlsx, 193 columns) into its set
//   Create     the screen's Create order: number, header, 40,000 line inserts, hand-over of
//              the lines with a quantity to the centre's order lines, commit, New
//   Baseline   the same 40,000 inserts with the same values, already in memory, sent with
//              tsqlite::Session::query (its statement cache keeps them prepared) in one
//              transaction
//
// Each side runs three times, interleaved; the figures are the medians.
#include <QApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/client/client_support.h"
#include "data/Dm_Config.h"
#include "data/Messages.h"
#include "data/U_DM.h"
#include "spreadsheet_intake/Fr_OrderSar.h"
#include "statements/OrderSar.h"
#include "tsqlite/parser.h"
#include "tsqlite/session.h"
#include "ui/DateEdit.h"
#include "ui/SpreadsheetExport.h"

namespace {

int kProducts = 2000;  // or the first argument
constexpr int kBranches = 20;
const QDate kDelivery(2024, 2, 14);  // a Wednesday

using bench_client::Clock;
using bench_client::median;
using bench_client::runScript;
using bench_client::seconds;

std::string branchCode(int b) {
    char code[8];
    std::snprintf(code, sizeof code, "%04d", b + 1);
    return code;
}

void build(const std::string& server, const QString& folder) {
    tsqlite::createServer(server);
    tsqlite::Session master(server, "master");
    for (const char* db : {"QARN_CONFIG_NWX", "NWX"})
        master.query(std::string("CREATE DATABASE ") + db);
    runScript(server, "QARN_CONFIG_NWX", "config/tables.sql");
    runScript(server, "QARN_CONFIG_NWX", "config/procedures.sql");
    for (const char* script :
         {"company/common_tables.sql", "company/common_procedures.sql",
          "company/product_tables.sql", "company/picking_tables.sql", "company/sar_tables.sql"})
        runScript(server, "NWX", script);
    tsqlite::Session(server, "QARN_CONFIG_NWX")
        .query(
            "INSERT INTO Company (Id, Code, NameThai, RunYear) VALUES (1, 'NWX', 'ศูนย์', "
            "YEAR(GETDATE())) INSERT INTO DatabaseList (Company, DatabaseName) VALUES (1, 'NWX') "
            "INSERT INTO CompanyConfig (Company, DefaultWh) VALUES (1, 1)");
    tsqlite::Session nwx(server, "NWX");
    nwx.query(
        "SET NOCOUNT ON BEGIN TRANSACTION DECLARE @i int, @Code varchar(15) SET @i = 1 "
        "WHILE @i <= " +
        std::to_string(kProducts) +
        " BEGIN SET @Code = 'M' + RIGHT('000000' + CONVERT(varchar(6), @i), 6) "
        "INSERT INTO Product (Code, ThaiName, Blocked) VALUES (@Code, 'สินค้า ' + @Code, 'N') "
        "INSERT INTO ProductUnits (Product, BarCode, UnitName, Fraction) "
        "VALUES (SCOPE_IDENTITY(), 'B' + @Code, 'ชิ้น', 1) SET @i = @i + 1 END COMMIT");
    for (int b = 0; b < kBranches; ++b)
        nwx.query("INSERT INTO BranchPick (Days, BranchCode) VALUES ('WED', '" + branchCode(b) +
                  "')");
    QFile dat(QDir(folder).filePath(QStringLiteral("Server.Dat")));
    if (!dat.open(QIODevice::WriteOnly)) throw std::runtime_error("Server.Dat");
    dat.write(QByteArray::fromStdString(server) + "\r\n");
}

// The replenishment sheet: every fourth line of a product has a quantity to send.
QString writeSheet(const QString& folder) {
    ui::ExportTable table;
    auto add = [&](const QString& title, ui::ColumnKind kind) {
        ui::ExportColumn c;
        c.title = title;
        c.kind = kind;
        table.columns.append(c);
    };
    for (const char* t : {"MainGoup", "Division", "Category", "SubCategory", "Itemcode"})
        add(QString::fromLatin1(t), ui::ColumnKind::Text);
    add(QStringLiteral("ProductUnits"), ui::ColumnKind::Integer);
    for (const char* t :
         {"BarCode", "DescriptionEng", "BuyingStatus", "CategorySaleStatus", "CompanySaleStatus"})
        add(QString::fromLatin1(t), ui::ColumnKind::Text);
    add(QStringLiteral("UnitOfPicking"), ui::ColumnKind::Integer);
    add(QStringLiteral("DCCurrentStock"), ui::ColumnKind::Float);
    for (int b = 0; b < kBranches; ++b)
        for (const std::string& s : statements::order_sar::branchSuffixes())
            add(QString::fromStdString(branchCode(b) + s), ui::ColumnKind::Float);
    add(QStringLiteral("TTPickingOrder"), ui::ColumnKind::Float);
    for (int p = 1; p <= kProducts; ++p) {
        const QString code = QStringLiteral("M%1").arg(p, 6, 10, QLatin1Char('0'));
        QVariantList row = {QStringLiteral("Food"),
                            QStringLiteral("Grocery"),
                            QStringLiteral("Sauce"),
                            QStringLiteral("Fish sauce"),
                            code,
                            p,
                            QStringLiteral("B") + code,
                            QStringLiteral("สินค้า ") + code,
                            QStringLiteral("Y"),
                            QStringLiteral("A"),
                            QStringLiteral("A"),
                            12,
                            p * 1.5};
        for (int b = 0; b < kBranches; ++b)
            row << 2 << 10 << 3.5 << 1 << 6 << 0 << ((p + b) % 4 == 0 ? 6 : 0) << 2.75 << 0.9;
        row << 42;
        table.rows.push_back(row);
    }
    const QString path = QDir(folder).filePath(QStringLiteral("sar.xlsx"));
    ui::exportSpreadsheet(path, table, {});
    return path;
}

long long number(tsqlite::Session& s, const std::string& sql) {
    return s.query(sql).at(0).rows.at(0).at(0).i;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    if (argc > 1) kProducts = std::atoi(argv[1]);
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    try {
        QTemporaryDir tmp;
        const std::string server = tmp.filePath(QStringLiteral("server")).toStdString();
        std::printf("building a centre with %d product units and %d branches...\n", kProducts,
                    kBranches);
        build(server, tmp.path());
        const QString sheet = writeSheet(tmp.path());

        RecordingMessageService messages(true);
        ScopedMessageService scoped(messages);
        TDM dm;
        TDMConfig config;
        dm.setServerDatFolder(tmp.path());
        config.setServerDatFolder(tmp.path());
        dm.setDatabaseParameter(QStringLiteral("NWX"));
        config.GetCompanyConfig(QStringLiteral("NWX"));
        config.UserId = 1;
        TFrOrderSar screen;
        screen.show();
        tsqlite::Session nwx(server, "NWX");
        const std::string reset =
            "DELETE FROM TranBranch DELETE FROM OrderSarDt DELETE FROM OrderSarHd";

        std::vector<double> load, create, baseline;
        long long lines = 0, handed = 0;
        for (int round = 0; round < 3; ++round) {
            nwx.query(reset);
            screen.AcNewExecute();
            screen.DbDeliveryDate->setDate(kDelivery);
            screen.EdFileName->setText(sheet);
            const auto t0 = Clock::now();
            screen.BLoadClick();
            load.push_back(seconds(t0));
            const auto t1 = Clock::now();
            screen.BCreateOrderClick();
            create.push_back(seconds(t1));
            lines = number(nwx, "SELECT COUNT(*) FROM OrderSarDt");
            handed = number(nwx, "SELECT COUNT(*) FROM TranBranch");

            // The same inserts with the same values, by the plainest loop the engine allows.
            tsqlite::ResultSet written =
                nwx.query(
                       "SELECT OrderSarHd, RecNo, ProductUnits, DCCurrentStock, BranchCode, "
                       "MinQnty, MaxQnty, StoreCurrentStock, SAROnSystem, SARSuggest, "
                       "AdjustOrder, TTOrder, StoreDOH, DeliveryRate, TTPickingOrder, "
                       "TTDeliveryRate FROM OrderSarDt ORDER BY RecNo")
                    .at(0);
            nwx.query("DELETE FROM OrderSarDt");
            static const char* const kNames[] = {
                "OrderSarHd",  "RecNo",        "ProductUnits",   "DCCurrentStock",
                "BranchCode",  "MinQnty",      "MaxQnty",        "StoreCurrentStock",
                "SAROnSystem", "SARSuggest",   "AdjustOrder",    "TTOrder",
                "StoreDOH",    "DeliveryRate", "TTPickingOrder", "TTDeliveryRate"};
            const auto t2 = Clock::now();
            nwx.query("BEGIN TRANSACTION");
            for (const auto& row : written.rows) {
                tsqlite::Params params{{"AvgsalesAmountPerDay", tsqlite::Value::real(0)},
                                       {"TTStoreStockAmount", tsqlite::Value::real(0)},
                                       {"TTSARSuggest", tsqlite::Value::real(0)},
                                       {"TTSAROnSystem", tsqlite::Value::real(0)}};
                for (size_t i = 0; i < row.size(); ++i) params[kNames[i]] = row[i];
                nwx.query(statements::order_sar::insertLine(), params);
            }
            nwx.query("COMMIT");
            baseline.push_back(seconds(t2));
            std::printf("round %d: %lld lines, load %.2f s, create %.2f s, baseline %.2f s\n",
                        round + 1, lines, load.back(), create.back(), baseline.back());
        }
        const double l = median(load), c = median(create), b = median(baseline);
        std::printf(
            "OrderSar/Create  lines %lld  handed over %lld  create %.2f s  baseline %.2f s  "
            "ratio %.2f\n"
            "OrderSar/Load    rows %d  load %.2f s\n",
            lines, handed, c, b, c / b, kProducts, l);
        return lines == static_cast<long long>(kProducts) * kBranches ? 0 : 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "order_sar_bench: %s\n", e.what());
        return 1;
    }
}
