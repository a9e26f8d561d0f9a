// input_bench: what outside input of an unusual size costs, against the same work with input
// of the usual size, in the same run. Both ratios should stay near 1: what is shown of the
// input is cut, and no more of it is read than a valid value can hold.
//
//   StartTime      the sold-out screen shown with a start time parameter of 3,000 and of
//                  20,000 characters, then 2,000 progress texts, each followed by the
//                  window's events as in the row loop; against a start time of "02:00"
//   ServerDat      reading the server's name from a Server.Dat of 100 MB on one line (refused);
//                  against one of "./server"
//
// Each side runs three times, interleaved; the figures are the medians.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <stdexcept>
#include <vector>

#include "data/Dm_Config.h"
#include "soldout/Fr_SoldOut2NwxBranch.h"

namespace {

using Clock = std::chrono::steady_clock;

double seconds(const std::function<void()>& work) {
    const auto t0 = Clock::now();
    work();
    return std::chrono::duration<double>(Clock::now() - t0).count();
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void showAndRepaint(const QString& startTime) {
    TFrSoldOut2NwxBranchAUTO screen({QStringLiteral("1015"), QStringLiteral("1"),
                                     QStringLiteral("NWX"), QString(), QStringLiteral("15"),
                                     startTime});
    screen.show();
    QCoreApplication::processEvents();
    // As the row loop does: a new progress text, then the window processes its events.
    for (int row = 0; row < 2000; ++row) {
        screen.LUpdate->setText(
            QStringLiteral("01/02/2026 => 885%1").arg(row, 10, 10, QLatin1Char('0')));
        QCoreApplication::processEvents();
    }
}

void readServerName(const QString& folder) {
    try {
        ReadServerName(folder);
    } catch (const std::runtime_error&) {
        // The large file is refused; what it costs to find out is what is measured.
    }
}

void report(const char* pair, const std::vector<double>& unusual,
            const std::vector<double>& usual) {
    const double u = median(unusual), b = median(usual);
    std::printf("ratio unusual/usual %-16s %6.2f   unusual %.3fs, usual %.3fs\n", pair, u / b, u,
                b);
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);

    std::vector<double> usual, long3000, long20000;
    for (int round = 0; round < 3; ++round) {
        usual.push_back(seconds([] { showAndRepaint(QStringLiteral("02:00")); }));
        long3000.push_back(seconds([] { showAndRepaint(QString(3000, u'1')); }));
        long20000.push_back(seconds([] { showAndRepaint(QString(20000, u'1')); }));
    }
    report("StartTime/3000", long3000, usual);
    report("StartTime/20000", long20000, usual);

    QTemporaryDir small, large;
    {
        QFile dat(QDir(small.path()).filePath(QStringLiteral("Server.Dat")));
        if (!dat.open(QIODevice::WriteOnly)) return 1;
        dat.write("./server\r\n");
    }
    {
        QFile dat(QDir(large.path()).filePath(QStringLiteral("Server.Dat")));
        if (!dat.open(QIODevice::WriteOnly)) return 1;
        const QByteArray block(1 << 20, 's');
        for (int i = 0; i < 100; ++i) dat.write(block);
    }
    std::vector<double> smallFile, largeFile;
    for (int round = 0; round < 3; ++round) {
        // Many reads per sample: one read of the small file is below the clock's resolution.
        smallFile.push_back(seconds([&] {
            for (int i = 0; i < 200; ++i) readServerName(small.path());
        }));
        largeFile.push_back(seconds([&] {
            for (int i = 0; i < 200; ++i) readServerName(large.path());
        }));
    }
    report("ServerDat/100MB", largeFile, smallFile);
    return 0;
}
