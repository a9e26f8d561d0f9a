#include "db/connection.h"

#include <QDir>
#include <QFileInfo>
#include <QtGlobal>
#include <mutex>

#include "db/driver.h"
#include "db/shown_text.h"

namespace db {

namespace {

// Every datetime value read or written is a local-time conversion, and glibc reads the time
// zone file again at each one (a stat of /etc/localtime per value) unless TZ names the zone.
// Naming the zone the system already uses changes nothing else.
void nameTheLocalZone() {
#ifdef __GLIBC__
    static std::once_flag once;
    std::call_once(once, [] {
        if (qEnvironmentVariableIsSet("TZ")) return;
        if (QFileInfo::exists(QStringLiteral("/etc/localtime"))) qputenv("TZ", ":/etc/localtime");
    });
#endif
}

}  // namespace

Connection::Connection(const QString& name) : name_(name) {
    nameTheLocalZone();
}

Connection::~Connection() {
    try {
        close();
    } catch (...) {
        // Nothing is left to tell at destruction.
    }
}

void Connection::open() {
    if (driver_) return;
    if (beforeConnect_) beforeConnect_(*this);
    ConnectionParams p = ConnectionParams::fromList(params_);
    ServerAddress server = resolveServer(p.serverName);
    listTimeout_ = p.maxQueryTime;
    int seconds = timeout();
    if (server.kind == ServerKind::Embedded) {
        driver_ = openEmbeddedDriver(server.directory, p.databaseName, seconds);
    } else {
        try {
            driver_ = openOdbcDriver(p, server.host, seconds);
        } catch (DatabaseError& error) {
            // Hosts are names and folders are paths. Someone who wrote a folder of the current
            // directory without "./" meant the embedded server in it: say how to write it.
            if (QFileInfo(QDir::current(), server.host).isDir())
                error.appendText(QStringLiteral("\"%1\" is a folder here: to use the embedded "
                                                "server in it, write \"./%1\".")
                                     .arg(shownText(server.host)));
            throw;
        }
    }
    kind_ = server.kind;
    if (afterConnect_) {
        // A connect whose follow-up fails has failed: the next use connects again.
        try {
            afterConnect_(*this);
        } catch (...) {
            driver_.reset();
            throw;
        }
    }
}

void Connection::close() {
    if (!driver_) return;
    std::unique_ptr<Driver> d = std::move(driver_);
    if (d->inTransaction()) d->rollback();
}

Driver& Connection::driver() {
    open();
    return *driver_;
}

ResultSet Connection::query(const QString& sql, const Params& params) {
    QList<ResultSet> all = queryAll(sql, params);
    // Moved out: a copy would touch every row of a large result once more.
    return all.isEmpty() ? ResultSet() : std::move(all.first());
}

QList<ResultSet> Connection::queryAll(const QString& sql, const Params& params) {
    return driver().run(sql, params).resultSets;
}

qint64 Connection::execute(const QString& sql, const Params& params) {
    return driver().run(sql, params).rowsAffected;
}

ProcResult Connection::callProcedure(const QString& name, const QList<ProcParam>& params) {
    return driver().callProcedure(name, params);
}

void Connection::startTransaction() {
    Driver& d = driver();
    if (d.inTransaction())
        throw DatabaseError(
            QStringLiteral("A transaction is already active on connection %1.").arg(name_));
    d.beginTransaction();
}

void Connection::commit() {
    if (!driver_ || !driver_->inTransaction())
        throw DatabaseError(
            QStringLiteral("No transaction is active on connection %1.").arg(name_));
    driver_->commit();
}

void Connection::rollback() {
    if (!driver_ || !driver_->inTransaction()) return;
    try {
        driver_->rollback();
    } catch (const DatabaseError&) {
        // A session whose rollback failed cannot be trusted: it is dropped, and the server
        // rolls back what it still holds when the session ends. The next use connects again,
        // and the caller's own error stays the one reported.
        driver_.reset();
    }
}

bool Connection::inTransaction() const {
    return driver_ && driver_->inTransaction();
}

void Connection::setTimeout(int seconds) {
    timeout_ = qMax(0, seconds);
    if (driver_) driver_->setTimeout(*timeout_);
}

int Connection::timeout() const {
    return timeout_ ? *timeout_ : listTimeout_;
}

}  // namespace db
