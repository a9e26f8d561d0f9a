// client_bench: the sold-out upload of one branch with 200,000 sales rows, through the screen
// itself, on the embedded server; against the same rows inserted by a plain loop of one
// prepared INSERT on the same engine, in the same run.
//
//   Upload     the screen's Load: branch list, sales read, deletes, one INSERT per row
//              through the script runner, the date update
//   Baseline   the same rows, already in memory, inserted with tsqlite::Session::query (its
//              statement cache keeps the INSERT prepared), all in one transaction
//
// Each side runs five times, interleaved (BENCH_ROUNDS changes the count); the times are the
// medians, the ratio is the median of the rounds' own ratios: a round's two sides run seconds
// apart, so a busy spell of a shared machine falls on both or is one round out of five.
#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "bench/client/client_support.h"
#include "data/Dm_Config.h"
#include "data/Messages.h"
#include "data/U_DM.h"
#include "soldout/Fr_SoldOut2NwxBranch.h"
#include "tsqlite/parser.h"
#include "tsqlite/session.h"

namespace {

constexpr int kReceipts = 20000;
constexpr int kLinesPerReceipt = 10;

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
    for (const char* db : {"QARN_CONFIG_NWX", "NWX", "NWXBranch", "BR0100"})
        master.query(std::string("CREATE DATABASE ") + db);
    runScript(server, "QARN_CONFIG_NWX", "config/tables.sql");
    runScript(server, "QARN_CONFIG_NWX", "config/procedures.sql");
    for (const char* db : {"NWX", "BR0100"}) {
        runScript(server, db, "company/common_tables.sql");
        runScript(server, db, "company/common_procedures.sql");
    }
    runScript(server, "BR0100", "company/product_tables.sql");
    runScript(server, "BR0100", "company/sales_tables.sql");
    runScript(server, "NWXBranch", "report/soldout_tables.sql");

    tsqlite::Session branch(server, "BR0100");
    branch.query(R"(
SET NOCOUNT ON
CREATE TABLE #N (n int NOT NULL)
DECLARE @i int
SET @i = 0
BEGIN TRAN
WHILE @i < 1000
BEGIN
    INSERT INTO #N (n) VALUES (@i)
    SET @i = @i + 1
END
COMMIT
INSERT INTO Misc (GroupCode, Code, Description) VALUES ('CURRENCY', 'THB', 'บาท')
INSERT INTO Product (Code, ThaiName) SELECT 'P' + CONVERT(varchar(10), n), 'สินค้า ' + CONVERT(varchar(10), n) FROM #N
INSERT INTO ProductUnits (Product, BarCode, UnitName, Fraction) SELECT Id, '885' + RIGHT('0000000' + CONVERT(varchar(10), Id), 7), 'ชิ้น', 1 FROM Product
INSERT INTO PosHeader (PosNo, PosDate, CurrencyId, Rate, Total, DelFlag)
SELECT 'R' + CONVERT(varchar(10), a.n * 1000 + b.n),
       DATEADD(minute, (a.n * 1000 + b.n) % 600, CONVERT(datetime, CONVERT(date, GETDATE())) - 1 - (a.n * 1000 + b.n) % 20 + 0.375),
       1, 1, 100.25, 'N'
  FROM #N a, #N b WHERE a.n < 20
INSERT INTO PosDetail (PosHeader, Product, ProductUnits, Quantity, Price, DiscAmount)
SELECT H.Id, U.Product, U.Id, 1 + d.n, 10.5, 0
  FROM PosHeader H, #N d, ProductUnits U
 WHERE d.n < 10 AND U.Id = 1 + (H.Id * 10 + d.n) % 1000
)");
    tsqlite::Session(server, "QARN_CONFIG_NWX")
        .query(
            "INSERT INTO Branch (BranchNo, BranchCode, BranchName, StopDatabase, ServerName,"
            " Server) VALUES ('100', '0100', 'สาขาทดสอบ', 'N', 'BR0100', '" +
            server + "')");
    QFile dat(QDir(folder).filePath(QStringLiteral("Server.Dat")));
    if (!dat.open(QIODevice::WriteOnly)) throw std::runtime_error("Server.Dat");
    dat.write(QByteArray::fromStdString(server) + "\r\n");
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    try {
        QTemporaryDir tmp;
        // BENCH_KEEP_SERVER=1 keeps the server for a look with the shell.
        if (qEnvironmentVariableIntValue("BENCH_KEEP_SERVER") == 1) {
            tmp.setAutoRemove(false);
            std::printf("server kept in %s\n", qPrintable(tmp.path()));
        }
        const std::string server = tmp.filePath(QStringLiteral("server")).toStdString();
        std::printf("building a branch with %d sales rows...\n", kReceipts * kLinesPerReceipt);
        build(server, tmp.path());

        TDM dm;
        TDMConfig config;
        dm.setServerDatFolder(tmp.path());
        config.setServerDatFolder(tmp.path());
        dm.setDatabaseParameter(QStringLiteral("NWX"));
        RecordingMessageService messages;
        ScopedMessageService scoped(messages);
        TFrSoldOut2NwxBranchAUTO screen;
        screen.show();

        const int year = QDate::currentDate().year();
        const std::string table = "SoldOut" + std::to_string(year);
        tsqlite::Session configSession(server, "QARN_CONFIG_NWX");
        tsqlite::Session report(server, "NWXBranch");
        const std::string start =
            QDate::currentDate().addDays(-25).toString(QStringLiteral("yyyy-MM-dd")).toStdString();

        std::vector<double> upload, baseline, uploadCpu, baselineCpu;
        long long rows = 0;
        const int rounds = qEnvironmentVariableIsSet("BENCH_ROUNDS")
                               ? std::max(1, qEnvironmentVariableIntValue("BENCH_ROUNDS"))
                               : 5;
        std::vector<double> ratios, cpuRatios;
        for (int round = 0; round < rounds; ++round) {
            configSession.query("UPDATE Branch SET SoldOutLastUpdate = '" + start + "'");
            const auto t0 = Clock::now();
            const double c0 = cpuSeconds();
            screen.BLoadClick();
            upload.push_back(std::chrono::duration<double>(Clock::now() - t0).count());
            uploadCpu.push_back(cpuSeconds() - c0);
            rows = report.query("SELECT COUNT(*) FROM " + table).at(0).rows.at(0).at(0).i;

            // The same rows, inserted by the plainest loop the engine allows.
            tsqlite::ResultSet stored =
                report
                    .query(
                        "SELECT SaleType, BranchCode, SaleDocNo, SaleDate, ProdCode, BarCode, "
                        "Quantity,"
                        " UOM, Price, Discount, Cost, Rate, CurrencyCode, TotalCurrency,"
                        " TotalCurrencyMain FROM " +
                        table + " ORDER BY Id")
                    .at(0);
            report.query("DELETE FROM " + table);
            const std::string insert =
                "insert into " + table +
                " (SaleType, BranchCode, SaleDocNo, SaleDate, ProdCode,"
                " BarCode, Quantity, UOM, Price, Discount, Cost, Rate, CurrencyCode,"
                " TotalCurrency, TotalCurrencyMain, AddDate) Values (:P1, :P2, :P3, :P4, :P5,"
                " :P6, :P7, :P8, :P9, :P10, :P11, :P12, :P13, :P14, :P15, GetDate())";
            const auto t1 = Clock::now();
            const double c1 = cpuSeconds();
            report.query("BEGIN TRANSACTION");
            for (const auto& row : stored.rows) {
                tsqlite::Params params;
                for (size_t c = 0; c < row.size(); ++c)
                    params["P" + std::to_string(c + 1)] = row[c];
                report.query(insert, params);
            }
            report.query("COMMIT TRANSACTION");
            baseline.push_back(std::chrono::duration<double>(Clock::now() - t1).count());
            baselineCpu.push_back(cpuSeconds() - c1);
            ratios.push_back(upload.back() / baseline.back());
            cpuRatios.push_back(uploadCpu.back() / baselineCpu.back());
            std::printf("round %d: upload %.2f s, baseline %.2f s, ratio %.2f\n", round + 1,
                        upload.back(), baseline.back(), ratios.back());
        }
        const double u = median(upload), b = median(baseline);
        std::printf(
            "SoldOut/Upload200k  rows %lld  upload %.2f s (%.0f rows/s)  baseline %.2f s"
            " (%.0f rows/s)  ratio %.2f  (cpu %.2f)\n",
            rows, u, rows / u, b, rows / b, median(ratios), median(cpuRatios));
        return rows == kReceipts * kLinesPerReceipt ? 0 : 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "client_bench: %s\n", e.what());
        return 1;
    }
}
