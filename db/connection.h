#pragma once
// A named connection to one database: the embedded server or a SQL Server, chosen by the
// server name in its parameter list. It opens on first use, runs statements with :name
// parameters, calls procedures by name and carries the program's transactions.
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

#include "db/connection_params.h"
#include "db/database_error.h"
#include "db/result_set.h"

namespace db {

class Driver;

class Connection {
public:
    explicit Connection(const QString& name = {});
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    const QString& name() const { return name_; }  // "DMDATA", "DmCfg", ...

    // The connection parameter list, read at each connect (see connectionParameterList).
    QStringList& params() { return params_; }
    const QStringList& params() const { return params_; }
    void setParams(const QStringList& list) { params_ = list; }

    // Run at every connect: before it (to build the parameter list afresh) and after it.
    void setBeforeConnect(std::function<void(Connection&)> handler) {
        beforeConnect_ = std::move(handler);
    }
    void setAfterConnect(std::function<void(Connection&)> handler) {
        afterConnect_ = std::move(handler);
    }

    // Connects unless connected. Every statement, call and transaction below opens the
    // connection itself when it is closed.
    void open();
    void close();  // an open transaction is rolled back
    bool isOpen() const { return driver_ != nullptr; }
    ServerKind serverKind() const { return kind_; }

    // The first result set of the batch (an empty one when it returns none).
    ResultSet query(const QString& sql, const Params& params = {});
    QList<ResultSet> queryAll(const QString& sql, const Params& params = {});
    // Rows inserted, updated and deleted by the batch; -1 when it reported none.
    qint64 execute(const QString& sql, const Params& params = {});
    ProcResult callProcedure(const QString& name, const QList<ProcParam>& params = {});

    // Statements commit on their own unless a transaction was started. Rolling back with no
    // transaction active does nothing, and rolling back never throws (a failed rollback drops
    // the session), so failure paths may always roll back.
    void startTransaction();
    void commit();
    void rollback();
    bool inTransaction() const;

    // Seconds a statement may run before it fails (0 = no limit). Unless set here, the
    // parameter list's "MAX QUERY TIME" of the last connect applies.
    void setTimeout(int seconds);
    int timeout() const;

private:
    Driver& driver();

    QString name_;
    QStringList params_;
    std::function<void(Connection&)> beforeConnect_;
    std::function<void(Connection&)> afterConnect_;
    std::unique_ptr<Driver> driver_;
    ServerKind kind_ = ServerKind::Embedded;
    int listTimeout_ = 0;
    std::optional<int> timeout_;
};

}  // namespace db
