// pick_bench: pick confirmation of a new pick of 10,000 order lines (20 picking groups, about
// 350 sheets) through the screen itself, on the embedded server; against a plain loop of the
// same line updates on the same engine, in the same run.
//
//   Load       the screen's load of the ticked branch's open lines with the centre's stock
//   Save       the screen's Save: lock, pick number, statuses, sort, sheet numbers, one
//              update per line in one transaction, the stock-location summary, the counts
//   Baseline   the same updates with the same values, already in memory, sent with
//              tsqlite::Session::query (its statement cache keeps them prepared) in one
//              transaction
//
// Each side runs three times, interleaved; the figures are the medians.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "bench/client/client_support.h"
#include "data/Dm_Config.h"
#include "data/Messages.h"
#include "data/U_DM.h"
#include "picking/Fr_PickProduct.h"
#include "statements/PickProduct.h"
#include "tsqlite/parser.h"
#include "tsqlite/session.h"

namespace {

int kLines = 10000;  // or the first argument
constexpr int kGroups = 20;

using bench_client::Clock;
using bench_client::median;
using bench_client::runScript;
using bench_client::seconds;

// The process's processor time: on a machine shared with other work the wall-clock ratio
// swings, this one much less (it leaves out waits for the disk).
double cpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

void build(const std::string& server, const QString& folder) {
    tsqlite::createServer(server);
    tsqlite::Session master(server, "master");
    for (const char* db : {"QARN_CONFIG_NWX", "NWX"})
        master.query(std::string("CREATE DATABASE ") + db);
    runScript(server, "QARN_CONFIG_NWX", "config/tables.sql");
    runScript(server, "QARN_CONFIG_NWX", "config/procedures.sql");
    for (const char* script : {"company/common_tables.sql", "company/common_procedures.sql",
                               "company/product_tables.sql", "company/picking_tables.sql"})
        runScript(server, "NWX", script);
    tsqlite::Session(server, "QARN_CONFIG_NWX")
        .query(
            "INSERT INTO Company (Id, Code, NameThai, RunYear) VALUES (1, 'NWX', 'ศูนย์', "
            "YEAR(GETDATE())) INSERT INTO DatabaseList (Company, DatabaseName) VALUES (1, 'NWX') "
            "INSERT INTO CompanyConfig (Company, DefaultWh) VALUES (1, 1) "
            "INSERT INTO Branch (BranchNo, BranchCode, BranchName, StopDatabase, Storeregion, "
            "ServerName) VALUES ('029', '0029', 'สาขา 29', 'N', 'Central', 'BR0029')");
    tsqlite::Session(server, "NWX")
        .query(R"(
SET NOCOUNT ON
BEGIN TRANSACTION
DECLARE @i int, @Code varchar(15), @Division int
SELECT @Division = Id FROM Misc WHERE GroupCode = 'DIVISION' AND Code = '10'
SET @i = 1
WHILE @i <= )" +
               std::to_string(kLines) + R"(
BEGIN
    SET @Code = 'M' + RIGHT('000000' + CONVERT(varchar(6), @i), 6)
    INSERT INTO Product (Code, ThaiName, Blocked, Negative, Useserial, locationassign, Division)
    VALUES (@Code, 'สินค้า ' + @Code, 'N', CASE WHEN @i % 7 = 0 THEN 'Y' ELSE 'N' END, 'N', 'L-01', @Division)
    INSERT INTO ProductUnits (Product, BarCode, UnitName, Fraction)
    VALUES (SCOPE_IDENTITY(), 'B' + @Code, 'ชิ้น', 1)
    IF @i % 13 <> 0
        INSERT INTO ProductOnhandSend (ProdCode, BarCode, Onhand, WhZone, WhCode)
        VALUES (@Code, 'B' + @Code, CASE WHEN @i % 10 = 0 THEN 0 ELSE 5 END,
                'Z' + CONVERT(varchar(3), @i % )" +
               std::to_string(kGroups) + R"(),
                'Z' + CONVERT(varchar(3), @i % )" +
               std::to_string(kGroups) + R"() + '-' + CONVERT(varchar(3), @i % 7))
    INSERT INTO TranBranch (OrderNO, OrderDate, BranchCode, ProdCode, BarCode, OrderQnty, SendQnty,
                            CloseOrder, OrderType, Transfer, OrderBranchId, UpdateBranch)
    VALUES ('No0000000001', GETDATE() - 1, '0029', @Code, 'B' + @Code, 2, 0, 'N', '2', 'N', @i, 'Y')
    SET @i = @i + 1
END
COMMIT
)");
    QFile dat(QDir(folder).filePath(QStringLiteral("Server.Dat")));
    if (!dat.open(QIODevice::WriteOnly)) throw std::runtime_error("Server.Dat");
    dat.write(QByteArray::fromStdString(server) + "\r\n");
}

const char* const kReset =
    "UPDATE TranBranch SET PickNo = NULL, PickDate = NULL, CloseOrder = 'N', ResponsProdGroup = "
    "NULL, ProductManageNo = NULL, UserPick = NULL, UpdateBranch = 'Y', TranSendQnty = NULL "
    "UPDATE DocumentNo SET LastNo = 0 UPDATE Config SET RunConsoFlag = 'N'";

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    if (argc > 1) kLines = std::atoi(argv[1]);
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    try {
        QTemporaryDir tmp;
        // BENCH_KEEP_SERVER=1 keeps the server for a look with the shell.
        if (qEnvironmentVariableIntValue("BENCH_KEEP_SERVER") == 1) {
            tmp.setAutoRemove(false);
            std::printf("server kept in %s\n", qPrintable(tmp.path()));
        }
        const std::string server = tmp.filePath(QStringLiteral("server")).toStdString();
        std::printf("building a distribution centre with %d open order lines...\n", kLines);
        build(server, tmp.path());

        RecordingMessageService messages(true);
        ScopedMessageService scoped(messages);
        TDM dm;
        TDMConfig config;
        dm.setServerDatFolder(tmp.path());
        config.setServerDatFolder(tmp.path());
        dm.setDatabaseParameter(QStringLiteral("NWX"));
        config.GetCompanyConfig(QStringLiteral("NWX"));
        config.UserId = 7;
        TFrPickProduct screen;
        screen.show();
        tsqlite::Session nwx(server, "NWX");
        namespace sql = statements::pick_product;

        std::vector<double> load, save, baseline, saveCpu, baselineCpu, driverLoop;
        long long stored = 0, sheets = 0;
        for (int round = 0; round < 3; ++round) {
            nwx.query(kReset);
            screen.AcNewExecute();
            for (int r = 0; r < screen.QBranch.rowCount(); ++r)
                if (screen.QBranch.value(r, QStringLiteral("BranchCode")).toString() == u"0029")
                    screen.TogglePick(r);
            const auto t0 = Clock::now();
            screen.LoadLines();
            load.push_back(seconds(t0));
            const int loaded = screen.QTranBranch.rowCount();
            const auto t1 = Clock::now();
            const double c1 = cpuSeconds();
            screen.AcSaveExecute();
            save.push_back(seconds(t1));
            saveCpu.push_back(cpuSeconds() - c1);
            stored = nwx.query("SELECT COUNT(*) FROM TranBranch WHERE PickNo = 'PK0000000001'")
                         .at(0)
                         .rows.at(0)
                         .at(0)
                         .i;
            sheets = nwx.query("SELECT COUNT(DISTINCT ProductManageNo) FROM TranBranch")
                         .at(0)
                         .rows.at(0)
                         .at(0)
                         .i;

            // The same updates with the same values, by the plainest loop the engine allows.
            tsqlite::ResultSet written =
                nwx.query(
                       "SELECT Id, PickNo, UserPick, ResponsProdGroup, ProductManageNo, "
                       "CloseOrder FROM TranBranch WHERE PickNo = 'PK0000000001' ORDER BY Id")
                    .at(0);
            nwx.query(kReset);
            const auto t2 = Clock::now();
            const double c2 = cpuSeconds();
            nwx.query("BEGIN TRANSACTION");
            for (const auto& row : written.rows) {
                const bool picked = row[5].s == "P";
                tsqlite::Params params{{"Id", row[0]},
                                       {"PickNo", row[1]},
                                       {"UserPick", row[2]},
                                       {"ResponsProdGroup", row[3]}};
                if (picked) {
                    params["ProductManageNo"] = row[4];
                    nwx.query(sql::pickedLine(), params);
                } else {
                    params["Status"] = row[5];
                    nwx.query(sql::closingLine(), params);
                }
            }
            nwx.query("COMMIT");
            baseline.push_back(seconds(t2));
            baselineCpu.push_back(cpuSeconds() - c2);

            // The same loop once more through the client's own driver, as a screen sends
            // statements: it tells the driver's share from the screen's own work.
            nwx.query(kReset);
            db::Connection& connection = DM->DMdata();
            const QString picked = QString::fromStdString(sql::pickedLine());
            const QString closing = QString::fromStdString(sql::closingLine());
            const auto t3 = Clock::now();
            connection.startTransaction();
            for (const auto& row : written.rows) {
                db::Params params{
                    {QStringLiteral("Id"), static_cast<qlonglong>(row[0].i)},
                    {QStringLiteral("PickNo"), QString::fromStdString(row[1].s)},
                    {QStringLiteral("UserPick"), static_cast<qlonglong>(row[2].i)},
                    {QStringLiteral("ResponsProdGroup"), QString::fromStdString(row[3].s)}};
                if (row[5].s == "P") {
                    params[QStringLiteral("ProductManageNo")] = QString::fromStdString(row[4].s);
                    connection.execute(picked, params);
                } else {
                    params[QStringLiteral("Status")] = QString::fromStdString(row[5].s);
                    connection.execute(closing, params);
                }
            }
            connection.commit();
            driverLoop.push_back(seconds(t3));
            std::printf(
                "round %d: %d lines, load %.2f s, save %.2f s, baseline %.2f s, through the "
                "driver %.2f s\n",
                round + 1, loaded, load.back(), save.back(), baseline.back(), driverLoop.back());
        }
        const double l = median(load), s = median(save), b = median(baseline),
                     d = median(driverLoop);
        std::printf(
            "Pick/Save10k  lines %lld  sheets %lld  save %.2f s  baseline %.2f s  ratio %.2f"
            "  (cpu %.2f)\n"
            "Pick/Save10k  against the loop through the client's driver %.2f s  ratio %.2f\n"
            "Pick/Load10k  load %.2f s\n",
            stored, sheets, s, b, s / b, median(saveCpu) / median(baselineCpu), d, s / d, l);
        return stored == kLines ? 0 : 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "pick_bench: %s\n", e.what());
        return 1;
    }
}
