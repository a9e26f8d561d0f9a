#pragma once
// What the client benchmarks share: building their server from the database scripts and
// reducing their rounds to one figure. Each benchmark is built with BACKOFFICE_SQL_DIR.
#include <QFile>
#include <QString>
#include <algorithm>
#include <chrono>
#include <stdexcept>
#include <string>
#include <vector>

#include "tsqlite/parser.h"
#include "tsqlite/session.h"

namespace bench_client {

using Clock = std::chrono::steady_clock;

// Runs one script of sql/ (batches separated by GO lines) on a database of the server.
inline void runScript(const std::string& server, const std::string& database, const char* path) {
    QFile file(QStringLiteral(BACKOFFICE_SQL_DIR "/") + QString::fromLatin1(path));
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error(std::string("cannot read ") + path);
    tsqlite::Session session(server, database);
    for (const auto& batch : tsqlite::splitScript(file.readAll().toStdString()))
        session.query(batch.text);
}

inline double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

inline double seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

}  // namespace bench_client
