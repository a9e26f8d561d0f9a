// The conformance tests' statements through the client's own database layer: a db::Connection
// that reaches a TDS listener on the test's server as it reaches a SQL Server (ODBC with
// FreeTDS), with parameters bound as the client binds them. Results come back as the engine
// gives them, so the same checks hold on both paths.
#include <QDateTime>
#include <QString>
#include <QVariant>
#include <stdexcept>

#include "../conformance_support.h"
#include "db/connection.h"
#include "db/connection_params.h"
#include "db/database_error.h"
#include "tsqlite/error.h"
#include "tsqlite/tds/listener.h"

namespace conformance {

namespace {

QVariant toVariant(const Value& v) {
    switch (v.kind) {
        case Value::Kind::Int:
            return qlonglong(v.i);
        case Value::Kind::Float:
            return v.f;
        case Value::Kind::Text:
            return QString::fromStdString(v.s);
        case Value::Kind::Blob:
            return QByteArray::fromStdString(v.s);
        case Value::Kind::Null:
            break;
    }
    return {};
}

// The engine's value for what the client read: numbers as numbers (decimals are doubles in
// the engine), dates as the engine's text of a datetime, the rest as text.
Value toValue(const QVariant& v, const db::Column& column) {
    if (v.isNull()) return Value::null();
    switch (column.type) {
        case db::FieldType::Integer:
            return Value::integer(v.toLongLong());
        case db::FieldType::Bool:
            return Value::integer(v.toBool() ? 1 : 0);
        case db::FieldType::Decimal:
            return Value::real(v.value<db::Decimal>().toString().toDouble());
        case db::FieldType::Float:
            return Value::real(v.toDouble());
        case db::FieldType::DateTime:
            return Value::text(
                v.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")).toStdString());
        case db::FieldType::Binary:
            return Value::blob(v.toByteArray().toStdString());
        default:
            return Value::text(v.toString().toStdString());
    }
}

// The engine's type for what the client learns of a column. The client knows a text column's
// length but not whether it is char or varchar, so text reads as varchar.
tsqlite::SqlType toSqlType(const db::Column& c) {
    QString name;
    switch (c.type) {
        case db::FieldType::Integer:
            name = c.precision == 3    ? QStringLiteral("tinyint")
                   : c.precision == 5  ? QStringLiteral("smallint")
                   : c.precision == 19 ? QStringLiteral("bigint")
                                       : QStringLiteral("int");
            break;
        case db::FieldType::Decimal:
            name = QStringLiteral("decimal(%1,%2)").arg(c.precision).arg(c.scale);
            break;
        case db::FieldType::Float:
            name = QStringLiteral("float");
            break;
        case db::FieldType::DateTime:
            name = QStringLiteral("datetime");
            break;
        case db::FieldType::Bool:
            name = QStringLiteral("bit");
            break;
        case db::FieldType::Binary:
            name = c.size < 0 ? QStringLiteral("varbinary(max)")
                              : QStringLiteral("varbinary(%1)").arg(c.size);
            break;
        case db::FieldType::String:
            name = c.size < 0 ? QStringLiteral("varchar(max)")
                              : QStringLiteral("varchar(%1)").arg(c.size);
            break;
        case db::FieldType::Unknown:
            return {};
    }
    auto t = tsqlite::SqlType::parse(name.toStdString());
    return t ? *t : tsqlite::SqlType{};
}

// An output parameter's value, by the type it came back as.
Value toValue(const QVariant& v) {
    db::Column c;
    switch (v.typeId()) {
        case QMetaType::LongLong:
        case QMetaType::Int:
            c.type = db::FieldType::Integer;
            break;
        case QMetaType::Double:
            c.type = db::FieldType::Float;
            break;
        case QMetaType::QDateTime:
            c.type = db::FieldType::DateTime;
            break;
        case QMetaType::Bool:
            c.type = db::FieldType::Bool;
            break;
        case QMetaType::QByteArray:
            c.type = db::FieldType::Binary;
            break;
        default:
            c.type = v.userType() == qMetaTypeId<db::Decimal>() ? db::FieldType::Decimal
                                                                : db::FieldType::String;
    }
    return toValue(v, c);
}

tsqlite::ResultSet toResultSet(const db::ResultSet& rs) {
    tsqlite::ResultSet out;
    for (const auto& c : rs.columns()) {
        tsqlite::Column col;
        col.name = c.name.toStdString();
        col.type = toSqlType(c);
        out.columns.push_back(std::move(col));
    }
    for (int r = 0; r < rs.rowCount(); ++r) {
        std::vector<Value> values;
        for (int i = 0; i < rs.columnCount(); ++i)
            values.push_back(toValue(rs.value(r, i), rs.columns().at(i)));
        out.rows.push_back(std::move(values));
    }
    return out;
}

class OdbcClient : public Client {
public:
    OdbcClient(const QString& server, const std::string& database)
        : conn_(QString::fromStdString(database)) {
        conn_.setParams(db::connectionParameterList(QString::fromStdString(database), server, 60));
        conn_.open();
    }
    std::vector<tsqlite::ResultSet> run(const std::string& sql, const Params& params) override {
        db::Params bound;
        for (const auto& [name, value] : params)
            bound.insert(QString::fromStdString(name), toVariant(value));
        try {
            std::vector<tsqlite::ResultSet> out;
            for (const auto& rs : conn_.queryAll(QString::fromStdString(sql), bound))
                out.push_back(toResultSet(rs));
            return out;
        } catch (const db::DatabaseError& e) {
            throw tsqlite::Error(e.number(), e.message().toStdString(), e.severity(), e.state(),
                                 e.line());
        }
    }
    tsqlite::ProcResult call(const std::string& name,
                             const std::vector<tsqlite::ProcArgument>& args) override {
        QList<db::ProcParam> params;
        for (const auto& a : args)
            params.append({QString::fromStdString(a.name), toVariant(a.value), a.output,
                           db::FieldType::Unknown});
        try {
            db::ProcResult r = conn_.callProcedure(QString::fromStdString(name), params);
            tsqlite::ProcResult out;
            out.returnValue = r.returnValue;
            for (auto it = r.outputs.cbegin(); it != r.outputs.cend(); ++it)
                out.outputs[it.key().toStdString()] = toValue(it.value());
            for (const auto& rs : r.resultSets) out.resultSets.push_back(toResultSet(rs));
            return out;
        } catch (const db::DatabaseError& e) {
            throw tsqlite::Error(e.number(), e.message().toStdString(), e.severity(), e.state(),
                                 e.line());
        }
    }

private:
    db::Connection conn_;
};

class ListenerEndpoint : public TdsEndpoint {
public:
    explicit ListenerEndpoint(const std::string& serverDir) {
        tsqlite::tds::ListenOptions options;
        options.serverDir = serverDir;
        options.port = 0;
        listener_ = std::make_unique<tsqlite::tds::Listener>(options);
        listener_->start();
    }
    ~ListenerEndpoint() override { listener_->stop(); }
    std::unique_ptr<Client> connect(const std::string& database) override {
        return std::make_unique<OdbcClient>(QStringLiteral("127.0.0.1,%1").arg(listener_->port()),
                                            database);
    }

private:
    std::unique_ptr<tsqlite::tds::Listener> listener_;
};

}  // namespace

std::unique_ptr<TdsEndpoint> startTdsEndpoint(const std::string& serverDir) {
    return std::make_unique<ListenerEndpoint>(serverDir);
}

}  // namespace conformance
