#pragma once
// What a Connection needs from the server it talks to. Internal to the database layer.
#include <QList>
#include <QString>
#include <memory>

#include "db/connection_params.h"
#include "db/database_error.h"
#include "db/result_set.h"

namespace db {

struct BatchResult {
    QList<ResultSet> resultSets;
    qint64 rowsAffected = -1;  // total of the inserts, updates and deletes; -1 when none said
};

class Driver {
public:
    virtual ~Driver() = default;
    // Runs a batch whose parameters are written :name (see sql_params.h).
    virtual BatchResult run(const QString& sql, const Params& params) = 0;
    virtual ProcResult callProcedure(const QString& name, const QList<ProcParam>& args) = 0;
    virtual void beginTransaction() = 0;
    virtual void commit() = 0;
    virtual void rollback() = 0;
    virtual bool inTransaction() const = 0;
    virtual void setTimeout(int seconds) = 0;
};

std::unique_ptr<Driver> openEmbeddedDriver(const QString& directory, const QString& database,
                                           int timeout);
std::unique_ptr<Driver> openOdbcDriver(const ConnectionParams& params, const QString& host,
                                       int timeout);

// The error for a parameter the statement names but the caller gave no value for; the same
// on both drivers.
DatabaseError missingParameter(const QString& name);

}  // namespace db
