// SQL Server through ODBC (unixODBC with FreeTDS on Linux, the native driver on Windows).
// Texts go through the wide (UTF-16) functions, so Thai data arrives as Unicode whatever the
// server's code page.
#include <QDateTime>
#include <QFile>
#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>

#include "db/driver.h"
#include "db/param_types.h"
#include "db/shown_text.h"
#include "db/sql_params.h"

#if __has_include(<sqlext.h>)
#define DB_HAVE_ODBC 1
#ifdef _WIN32
#include <windows.h>
#pragma comment(lib, "odbc32")
#endif
#include <sql.h>
#include <sqlext.h>
#endif

namespace db {

#ifndef DB_HAVE_ODBC

QString odbcParameterDeclaration(const QVariant&) {
    return {};
}

std::unique_ptr<Driver> openOdbcDriver(const ConnectionParams&, const QString& host, int) {
    throw DatabaseError(QStringLiteral("This build cannot reach SQL Server %1: it has no ODBC.")
                            .arg(shownText(host)));
}

#else

namespace {

static_assert(sizeof(SQLWCHAR) == sizeof(char16_t), "ODBC wide characters must be UTF-16");

// SQL Server's own diagnostic fields (msodbcsql.h; FreeTDS answers them too).
constexpr SQLSMALLINT kDiagSsMsgState = -1150;
constexpr SQLSMALLINT kDiagSsSeverity = -1151;
constexpr SQLSMALLINT kDiagSsProcName = -1153;
constexpr SQLSMALLINT kDiagSsLine = -1154;

SQLWCHAR* wide(const QString& s) {
    return reinterpret_cast<SQLWCHAR*>(const_cast<ushort*>(s.utf16()));
}

QString fromWide(const SQLWCHAR* s, qsizetype length) {
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(s), length);
}

bool succeeded(SQLRETURN rc) {
    return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO;
}

struct DiagRecord {
    QString sqlState;
    int native = 0;
    QString message;
    int severity = 0;
    int state = 0;
    int line = 0;
    QString procedure;
};

// The driver manager and driver put "[vendor][driver][SQL Server]" in front of the text.
QString withoutVendorPrefix(QString text) {
    while (text.startsWith(QLatin1Char('['))) {
        qsizetype close = text.indexOf(QLatin1Char(']'));
        if (close < 0) break;
        text.remove(0, close + 1);
    }
    return text.trimmed();
}

QList<DiagRecord> diagnostics(SQLSMALLINT handleType, SQLHANDLE handle) {
    QList<DiagRecord> records;
    if (!handle) return records;
    for (SQLSMALLINT i = 1;; ++i) {
        SQLWCHAR state[6] = {};
        SQLINTEGER native = 0;
        std::vector<SQLWCHAR> message(1024);
        SQLSMALLINT length = 0;
        SQLRETURN rc = SQLGetDiagRecW(handleType, handle, i, state, &native, message.data(),
                                      static_cast<SQLSMALLINT>(message.size()), &length);
        if (!succeeded(rc)) break;
        if (length >= static_cast<SQLSMALLINT>(message.size())) {
            message.resize(static_cast<size_t>(length) + 1);
            SQLGetDiagRecW(handleType, handle, i, state, &native, message.data(),
                           static_cast<SQLSMALLINT>(message.size()), &length);
        }
        DiagRecord r;
        r.sqlState = fromWide(state, 5);
        r.native = native;
        r.message = withoutVendorPrefix(
            fromWide(message.data(), qMin<qsizetype>(length, message.size() - 1)));
        // Fixed-size fields still get their buffer's size: FreeTDS refuses the negative
        // SQL_IS_INTEGER lengths and would answer none of them.
        SQLINTEGER severity = 0, msgState = 0;
        SQLUSMALLINT line = 0;
        const bool hasSeverity = succeeded(SQLGetDiagFieldW(handleType, handle, i, kDiagSsSeverity,
                                                            &severity, sizeof severity, nullptr));
        const bool hasMsgState = succeeded(SQLGetDiagFieldW(handleType, handle, i, kDiagSsMsgState,
                                                            &msgState, sizeof msgState, nullptr));
        if (hasSeverity) {
            r.severity = severity;
            if (hasMsgState) r.state = msgState;
        } else if (hasMsgState) {
            // FreeTDS has no severity field and files the severity as the message state; the
            // state itself does not reach its clients.
            r.severity = msgState;
        }
        if (succeeded(
                SQLGetDiagFieldW(handleType, handle, i, kDiagSsLine, &line, sizeof line, nullptr)))
            r.line = line;
        SQLWCHAR proc[256] = {};
        SQLSMALLINT procLength = 0;
        if (succeeded(SQLGetDiagFieldW(handleType, handle, i, kDiagSsProcName, proc, sizeof proc,
                                       &procLength)))
            r.procedure = fromWide(proc, qMin<qsizetype>(procLength / 2, 255));
        records << r;
    }
    return records;
}

bool isInfo(const DiagRecord& r) {
    return r.sqlState.startsWith(QLatin1String("01"));
}

DatabaseError errorFrom(const QList<DiagRecord>& records, const QString& host,
                        const QString& fallback, bool connecting = false) {
    QStringList texts;
    const DiagRecord* first = nullptr;
    for (const DiagRecord& r : records) {
        if (isInfo(r)) continue;
        if (!first) first = &r;
        texts << r.message;
    }
    if (!first) return DatabaseError(fallback);
    QStringList states;
    for (const DiagRecord& r : records) states << r.sqlState;
    if (odbcStatesMeanTimeout(states, connecting)) return DatabaseError::timeout(texts.join(u' '));
    if (odbcStatesMeanNetworkFailure(states, connecting)) {
        int number = 0;
        for (const DiagRecord& r : records)
            if (!number && r.native) number = r.native;
        // One line of sentences: the driver's texts often lack their full stop.
        for (QString& t : texts)
            if (!t.isEmpty() && !t.endsWith(QLatin1Char('.'))) t += QLatin1Char('.');
        return DatabaseError::connectionFailure(host, texts.join(QLatin1Char(' ')),
                                                number ? number : 17);
    }
    DatabaseError e(texts.join(QLatin1Char('\n')), first->native,
                    first->severity ? first->severity : 16, first->state ? first->state : 1,
                    first->line);
    e.setProcedure(first->procedure);
    return e;
}

FieldType fieldTypeOf(SQLSMALLINT sqlType) {
    switch (sqlType) {
        case SQL_BIT:
            return FieldType::Bool;
        case SQL_TINYINT:
        case SQL_SMALLINT:
        case SQL_INTEGER:
        case SQL_BIGINT:
            return FieldType::Integer;
        case SQL_DECIMAL:
        case SQL_NUMERIC:
            return FieldType::Decimal;
        case SQL_REAL:
        case SQL_FLOAT:
        case SQL_DOUBLE:
            return FieldType::Float;
        case SQL_TYPE_TIMESTAMP:
        case SQL_TYPE_DATE:
        case SQL_TIMESTAMP:
        case SQL_DATE:
            return FieldType::DateTime;
        case SQL_BINARY:
        case SQL_VARBINARY:
        case SQL_LONGVARBINARY:
            return FieldType::Binary;
        default:
            // Texts, uniqueidentifier, and SQL Server's own types (time, sql_variant, xml)
            // come as text.
            return FieldType::String;
    }
}

QDateTime fromTimestamp(const SQL_TIMESTAMP_STRUCT& ts) {
    return QDateTime(QDate(ts.year, ts.month, ts.day),
                     QTime(ts.hour, ts.minute, ts.second, static_cast<int>(ts.fraction / 1000000)));
}

SQL_TIMESTAMP_STRUCT toTimestamp(const QDateTime& dt) {
    SQL_TIMESTAMP_STRUCT ts = {};
    QDate d = dt.date();
    QTime t = dt.time();
    ts.year = static_cast<SQLSMALLINT>(d.year());
    ts.month = static_cast<SQLUSMALLINT>(d.month());
    ts.day = static_cast<SQLUSMALLINT>(d.day());
    ts.hour = static_cast<SQLUSMALLINT>(t.hour());
    ts.minute = static_cast<SQLUSMALLINT>(t.minute());
    ts.second = static_cast<SQLUSMALLINT>(t.second());
    ts.fraction = static_cast<SQLUINTEGER>(t.msec()) * 1000000u;
    return ts;
}

// A statement handle that frees itself.
class Statement {
public:
    explicit Statement(SQLHDBC dbc) {
        if (!succeeded(SQLAllocHandle(SQL_HANDLE_STMT, dbc, &h_))) h_ = SQL_NULL_HSTMT;
    }
    ~Statement() {
        if (h_) SQLFreeHandle(SQL_HANDLE_STMT, h_);
    }
    Statement(Statement&& other) noexcept : h_(other.h_) { other.h_ = SQL_NULL_HSTMT; }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    SQLHSTMT handle() const { return h_; }

private:
    SQLHSTMT h_ = SQL_NULL_HSTMT;
};

// Memory for one bound parameter; it must stay put until the statement's results are read.
struct ParamBuffer {
    std::vector<char> data;
    SQLLEN indicator = 0;
    SQLSMALLINT cType = SQL_C_CHAR;
    SQLSMALLINT sqlType = SQL_VARCHAR;
    SQLULEN columnSize = 0;
    SQLSMALLINT digits = 0;
    FieldType type = FieldType::Unknown;

    template <typename T>
    void set(const T& value) {
        data.resize(sizeof(T));
        memcpy(data.data(), &value, sizeof(T));
        indicator = sizeof(T);
    }
    void setText(const QString& s, qsizetype capacityChars) {
        data.assign(static_cast<size_t>(qMax(capacityChars, s.size()) + 1) * 2, 0);
        memcpy(data.data(), s.utf16(), static_cast<size_t>(s.size()) * 2);
        indicator = static_cast<SQLLEN>(s.size() * 2);
    }
};

using ParamBuffers = std::vector<std::unique_ptr<ParamBuffer> >;

// Fills a buffer with an input value, its C and SQL types as the shared parameter mapping
// types the value (the embedded driver types it the same way).
void fillInput(ParamBuffer& b, const QVariant& v) {
    const ParamType type = parameterType(v);
    const bool null = isNullParameter(v);
    b.digits = 0;
    switch (type.kind) {
        case ParamKind::Bit:
            b.cType = SQL_C_BIT;
            b.sqlType = SQL_BIT;
            b.columnSize = 1;
            b.set(static_cast<unsigned char>(!null && v.toBool() ? 1 : 0));
            break;
        case ParamKind::Int:
        case ParamKind::BigInt:
            b.cType = SQL_C_SBIGINT;
            b.sqlType = type.kind == ParamKind::Int ? SQL_INTEGER : SQL_BIGINT;
            b.columnSize = type.kind == ParamKind::Int ? 10 : 19;
            b.set(static_cast<SQLBIGINT>(null ? 0 : v.toLongLong()));
            break;
        case ParamKind::Decimal: {
            const QByteArray text =
                null ? QByteArray("0") : v.value<Decimal>().toString().toLatin1();
            b.cType = SQL_C_CHAR;
            b.sqlType = SQL_DECIMAL;
            b.columnSize = static_cast<SQLULEN>(type.precision);
            b.digits = static_cast<SQLSMALLINT>(type.scale);
            b.data.assign(text.constData(), text.constData() + text.size() + 1);
            b.indicator = text.size();
            break;
        }
        case ParamKind::Float:
            b.cType = SQL_C_DOUBLE;
            b.sqlType = SQL_DOUBLE;
            b.columnSize = 15;
            b.set(null ? 0.0 : v.toDouble());
            break;
        case ParamKind::DateTime: {
            const QDateTime dt = null ? QDateTime()
                                 : v.typeId() == QMetaType::QDate
                                     ? QDateTime(v.toDate(), QTime(0, 0))
                                     : v.toDateTime();
            b.cType = SQL_C_TYPE_TIMESTAMP;
            b.sqlType = SQL_TYPE_TIMESTAMP;
            b.columnSize = 23;
            b.digits = 3;
            b.set(null ? SQL_TIMESTAMP_STRUCT{} : toTimestamp(dt));
            break;
        }
        case ParamKind::VarBinary: {
            const QByteArray bytes = null ? QByteArray() : v.toByteArray();
            b.cType = SQL_C_BINARY;
            b.sqlType = type.length < 0 ? SQL_LONGVARBINARY : SQL_VARBINARY;
            b.columnSize = static_cast<SQLULEN>(type.length < 0 ? bytes.size() : type.length);
            b.data.assign(bytes.constData(), bytes.constData() + bytes.size() + 1);
            b.indicator = bytes.size();
            break;
        }
        case ParamKind::NVarChar: {
            // Texts as nvarchar: the server converts them to its own code page where a column
            // needs.
            const QString s = null ? QString() : v.toString();
            b.cType = SQL_C_WCHAR;
            b.sqlType = type.length < 0 ? SQL_WLONGVARCHAR : SQL_WVARCHAR;
            b.columnSize = static_cast<SQLULEN>(type.length < 0 ? s.size() : type.length);
            b.setText(s, 0);
            break;
        }
    }
    if (null) b.indicator = SQL_NULL_DATA;
}

struct ProcColumn {
    QString name;  // "@DocCode"
    SQLSMALLINT kind = SQL_PARAM_INPUT;
    SQLSMALLINT sqlType = SQL_VARCHAR;
    SQLINTEGER size = 0;
    SQLSMALLINT digits = 0;
    int ordinal = 0;
};

// Prepares an output (or in/out) buffer for a procedure parameter of the declared type.
void fillOutput(ParamBuffer& b, const ProcColumn& c, const QVariant& start) {
    FieldType type = fieldTypeOf(c.sqlType);
    b.type = type;
    b.digits = c.digits;
    switch (type) {
        case FieldType::Integer:
            b.cType = SQL_C_SBIGINT;
            b.sqlType = c.sqlType;
            b.columnSize = static_cast<SQLULEN>(c.size);
            b.set(static_cast<SQLBIGINT>(start.toLongLong()));
            break;
        case FieldType::Bool:
            b.cType = SQL_C_BIT;
            b.sqlType = SQL_BIT;
            b.columnSize = 1;
            b.set(static_cast<unsigned char>(start.toBool() ? 1 : 0));
            break;
        case FieldType::Float:
            b.cType = SQL_C_DOUBLE;
            b.sqlType = c.sqlType;
            b.columnSize = 15;
            b.set(start.toDouble());
            break;
        case FieldType::Decimal: {
            b.cType = SQL_C_CHAR;
            b.sqlType = c.sqlType;
            b.columnSize = static_cast<SQLULEN>(c.size);
            b.data.assign(64, 0);
            QByteArray text = start.toString().toLatin1().left(62);
            memcpy(b.data.data(), text.constData(), static_cast<size_t>(text.size()));
            b.indicator = text.size();
            break;
        }
        case FieldType::DateTime:
            b.cType = SQL_C_TYPE_TIMESTAMP;
            b.sqlType = SQL_TYPE_TIMESTAMP;
            b.columnSize = static_cast<SQLULEN>(c.size > 0 ? c.size : 23);
            b.set(toTimestamp(start.toDateTime()));
            break;
        case FieldType::Binary: {
            qsizetype size = c.size > 0 && c.size <= 8000 ? c.size : 8000;
            b.cType = SQL_C_BINARY;
            b.sqlType = SQL_VARBINARY;
            b.columnSize = static_cast<SQLULEN>(size);
            QByteArray bytes = start.toByteArray().left(size);
            b.data.assign(static_cast<size_t>(size), 0);
            memcpy(b.data.data(), bytes.constData(), static_cast<size_t>(bytes.size()));
            b.indicator = bytes.size();
            break;
        }
        default: {
            qsizetype size = c.size > 0 && c.size <= 4000 ? c.size : 4000;
            b.cType = SQL_C_WCHAR;
            b.sqlType = SQL_WVARCHAR;
            b.columnSize = static_cast<SQLULEN>(size);
            b.setText(start.toString().left(size), size);
            break;
        }
    }
    if (start.isNull()) b.indicator = SQL_NULL_DATA;
}

QVariant outputValue(const ParamBuffer& b) {
    if (b.indicator == SQL_NULL_DATA) return {};
    switch (b.type) {
        case FieldType::Integer: {
            SQLBIGINT n;
            memcpy(&n, b.data.data(), sizeof n);
            return qlonglong(n);
        }
        case FieldType::Bool:
            return b.data[0] != 0;
        case FieldType::Float: {
            double d;
            memcpy(&d, b.data.data(), sizeof d);
            return d;
        }
        case FieldType::Decimal: {
            auto d = Decimal::parse(QString::fromLatin1(b.data.data()));
            return d ? QVariant::fromValue(*d) : QVariant();
        }
        case FieldType::DateTime: {
            SQL_TIMESTAMP_STRUCT ts;
            memcpy(&ts, b.data.data(), sizeof ts);
            return fromTimestamp(ts);
        }
        case FieldType::Binary:
            return QByteArray(b.data.data(),
                              qMin<qsizetype>(b.indicator, static_cast<qsizetype>(b.data.size())));
        default: {
            qsizetype chars =
                qMin<qsizetype>(b.indicator / 2, static_cast<qsizetype>(b.data.size() / 2) - 1);
            return QString::fromUtf16(reinterpret_cast<const char16_t*>(b.data.data()), chars);
        }
    }
}

class OdbcDriver : public Driver {
public:
    OdbcDriver(const ConnectionParams& params, const QString& host, int timeout)
        : host_(host), timeout_(timeout) {
        try {
            connect(params);
        } catch (...) {
            release();
            throw;
        }
    }

    ~OdbcDriver() override { release(); }

    void connect(const ConnectionParams& params) {
        if (!succeeded(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env_)))
            throw DatabaseError(QStringLiteral("The ODBC driver manager cannot be started."));
        SQLSetEnvAttr(env_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
        if (!succeeded(SQLAllocHandle(SQL_HANDLE_DBC, env_, &dbc_)))
            throw DatabaseError(QStringLiteral("The ODBC driver manager cannot be started."));
        SQLSetConnectAttrW(dbc_, SQL_ATTR_LOGIN_TIMEOUT,
                           reinterpret_cast<SQLPOINTER>(static_cast<intptr_t>(params.loginTimeout)),
                           SQL_IS_UINTEGER);
        SQLSetConnectAttrW(dbc_, SQL_ATTR_PACKET_SIZE,
                           reinterpret_cast<SQLPOINTER>(static_cast<intptr_t>(params.packetSize)),
                           SQL_IS_UINTEGER);
        QString connect = odbcConnectionString(params, host_, installedDriver());
        SQLSMALLINT outLength = 0;
        SQLRETURN rc = SQLDriverConnectW(dbc_, nullptr, wide(connect), SQL_NTS, nullptr, 0,
                                         &outLength, SQL_DRIVER_NOPROMPT);
        if (!succeeded(rc))
            throw errorFrom(diagnostics(SQL_HANDLE_DBC, dbc_), host_,
                            QStringLiteral("Unable to connect to server %1.").arg(shownText(host_)),
                            true);
        connected_ = true;
        SQLSetConnectAttrW(dbc_, SQL_ATTR_AUTOCOMMIT,
                           reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_ON), SQL_IS_UINTEGER);
    }

    void release() {
        if (connected_) {
            if (inTransaction_) SQLEndTran(SQL_HANDLE_DBC, dbc_, SQL_ROLLBACK);
            SQLDisconnect(dbc_);
            connected_ = false;
        }
        if (dbc_) SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
        if (env_) SQLFreeHandle(SQL_HANDLE_ENV, env_);
        dbc_ = SQL_NULL_HDBC;
        env_ = SQL_NULL_HENV;
    }

    BatchResult run(const QString& sql, const Params& params) override {
        DriverStatement st = odbcStatement(sql);
        Statement stmt = newStatement();
        ParamBuffers buffers;
        for (const QString& name : st.names) {
            const QVariant* v = findParam(params, name);
            if (!v) throw missingParameter(name);
            auto b = std::make_unique<ParamBuffer>();
            fillInput(*b, *v);
            bind(stmt, static_cast<SQLUSMALLINT>(buffers.size() + 1), SQL_PARAM_INPUT, *b);
            buffers.push_back(std::move(b));
        }
        SQLRETURN rc = SQLExecDirectW(stmt.handle(), wide(st.text), SQL_NTS);
        return readResults(stmt, rc);
    }

    // Procedures run through ODBC's call escape, "{? = call Name(?, ?)}": the one form every
    // SQL Server driver sends as a remote procedure call, with the return value and OUTPUT
    // parameters coming back in their bound buffers. It is positional, so the named arguments
    // are put in the procedure's order, read once per procedure from the server's catalog
    // (SQLProcedureColumns), which also gives each output's type and size.
    ProcResult callProcedure(const QString& name, const QList<ProcParam>& args) override {
        const QList<ProcColumn>& columns = procedureColumns(name);
        // Arguments go in the procedure's own order; a parameter not given keeps its default.
        std::vector<int> argAt(static_cast<size_t>(columns.size()), -1);
        int last = -1;
        for (qsizetype i = 0; i < args.size(); ++i) {
            QString argName = args[i].name.startsWith(QLatin1Char('@'))
                                  ? args[i].name
                                  : QLatin1Char('@') + args[i].name;
            int found = -1;
            for (qsizetype c = 0; c < columns.size(); ++c)
                if (columns[c].kind != SQL_RETURN_VALUE &&
                    columns[c].name.compare(argName, Qt::CaseInsensitive) == 0)
                    found = static_cast<int>(c);
            if (found < 0)
                throw DatabaseError(
                    QStringLiteral("%1 is not a parameter for procedure %2.").arg(argName, name),
                    8145, 16, 2);
            argAt[static_cast<size_t>(found)] = static_cast<int>(i);
            last = qMax(last, found);
        }
        QStringList markers;
        for (int c = 0; c <= last; ++c)
            if (columns[c].kind != SQL_RETURN_VALUE)
                markers << (argAt[static_cast<size_t>(c)] >= 0 ? QStringLiteral("?") : QString());
        QString call = QStringLiteral("{? = call %1(%2)}").arg(name, markers.join(u", "));
        if (markers.isEmpty()) call = QStringLiteral("{? = call %1}").arg(name);

        Statement stmt = newStatement();
        ParamBuffers buffers;
        auto returnValue = std::make_unique<ParamBuffer>();
        returnValue->cType = SQL_C_SBIGINT;
        returnValue->sqlType = SQL_INTEGER;
        returnValue->columnSize = 10;
        returnValue->set(SQLBIGINT(0));
        bind(stmt, 1, SQL_PARAM_OUTPUT, *returnValue);
        std::vector<std::pair<int, ParamBuffer*> > outputs;
        for (int c = 0; c <= last; ++c) {
            int a = argAt[static_cast<size_t>(c)];
            if (a < 0) continue;
            const ProcParam& p = args[a];
            auto b = std::make_unique<ParamBuffer>();
            if (p.output) {
                fillOutput(*b, columns[c], p.value);
                outputs.emplace_back(a, b.get());
            } else {
                fillInput(*b, p.value);
            }
            bind(stmt, static_cast<SQLUSMALLINT>(buffers.size() + 2),
                 p.output ? SQL_PARAM_INPUT_OUTPUT : SQL_PARAM_INPUT, *b);
            buffers.push_back(std::move(b));
        }
        SQLRETURN rc = SQLExecDirectW(stmt.handle(), wide(call), SQL_NTS);
        BatchResult batch = readResults(stmt, rc);
        // Output parameters and the return value arrive after the last result.
        ProcResult r;
        r.resultSets = batch.resultSets;
        if (returnValue->indicator != SQL_NULL_DATA) {
            SQLBIGINT n;
            memcpy(&n, returnValue->data.data(), sizeof n);
            r.returnValue = static_cast<int>(n);
        }
        for (const auto& [a, b] : outputs) {
            const QString& n = args[a].name;
            r.outputs.insert(n.startsWith(QLatin1Char('@')) ? n : QLatin1Char('@') + n,
                             outputValue(*b));
        }
        return r;
    }

    void beginTransaction() override {
        check(SQLSetConnectAttrW(dbc_, SQL_ATTR_AUTOCOMMIT,
                                 reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF), SQL_IS_UINTEGER),
              SQL_HANDLE_DBC, dbc_);
        inTransaction_ = true;
    }
    void commit() override {
        check(SQLEndTran(SQL_HANDLE_DBC, dbc_, SQL_COMMIT), SQL_HANDLE_DBC, dbc_);
        inTransaction_ = false;
        autoCommitOn();
    }
    void rollback() override {
        if (!inTransaction_) return;
        SQLRETURN rc = SQLEndTran(SQL_HANDLE_DBC, dbc_, SQL_ROLLBACK);
        // Autocommit back on would commit whatever is still open: after a failed rollback the
        // transaction stays marked, and the connection is dropped (see Connection::rollback).
        check(rc, SQL_HANDLE_DBC, dbc_);
        inTransaction_ = false;
        autoCommitOn();
    }
    bool inTransaction() const override { return inTransaction_; }
    void setTimeout(int seconds) override { timeout_ = seconds; }

private:
    // The configured driver when the driver manager knows it; otherwise FreeTDS's library
    // where the distributions install it.
    QString installedDriver() {
        QString wanted = defaultOdbcDriver();
        SQLWCHAR name[256];
        SQLWCHAR attributes[1024];
        SQLSMALLINT nameLength = 0, attributesLength = 0;
        SQLUSMALLINT direction = SQL_FETCH_FIRST;
        QStringList installed;
        while (succeeded(SQLDriversW(env_, direction, name, 256, &nameLength, attributes, 1024,
                                     &attributesLength))) {
            installed << fromWide(name, qMin<qsizetype>(nameLength, 255));
            direction = SQL_FETCH_NEXT;
        }
        if (installed.contains(wanted, Qt::CaseInsensitive)) return wanted;
#ifdef Q_OS_WIN
        if (!installed.isEmpty() &&
            !installed.contains(QStringLiteral("SQL Server"), Qt::CaseInsensitive)) {
            for (const QString& d : installed)
                if (d.contains(QLatin1String("for SQL Server"))) return d;
        }
        return QStringLiteral("SQL Server");
#else
        for (const char* path : {"/usr/lib/x86_64-linux-gnu/odbc/libtdsodbc.so",
                                 "/usr/lib/aarch64-linux-gnu/odbc/libtdsodbc.so",
                                 "/usr/lib64/libtdsodbc.so", "/usr/lib/libtdsodbc.so",
                                 "/usr/local/lib/libtdsodbc.so", "/opt/homebrew/lib/libtdsodbc.so"})
            if (QFile::exists(QLatin1String(path))) return QLatin1String(path);
        return wanted;
#endif
    }

    Statement newStatement() {
        Statement stmt(dbc_);
        if (!stmt.handle()) throw errorFrom(diagnostics(SQL_HANDLE_DBC, dbc_), host_, lost());
        SQLSetStmtAttrW(stmt.handle(), SQL_ATTR_QUERY_TIMEOUT,
                        reinterpret_cast<SQLPOINTER>(static_cast<intptr_t>(timeout_)),
                        SQL_IS_UINTEGER);
        return stmt;
    }

    QString lost() const {
        return QStringLiteral("The connection to server %1 failed.").arg(host_);
    }

    void check(SQLRETURN rc, SQLSMALLINT type, SQLHANDLE h) {
        if (!succeeded(rc) && rc != SQL_NO_DATA)
            throw errorFrom(diagnostics(type, h), host_, lost());
    }

    void autoCommitOn() {
        SQLSetConnectAttrW(dbc_, SQL_ATTR_AUTOCOMMIT,
                           reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_ON), SQL_IS_UINTEGER);
    }

    void bind(Statement& stmt, SQLUSMALLINT index, SQLSMALLINT io, ParamBuffer& b) {
        check(SQLBindParameter(stmt.handle(), index, io, b.cType, b.sqlType, b.columnSize, b.digits,
                               b.data.data(), static_cast<SQLLEN>(b.data.size()), &b.indicator),
              SQL_HANDLE_STMT, stmt.handle());
    }

    // Reads every result of an executed statement. Like the server, a batch goes on after a
    // statement's error; the first error is thrown once all results are read.
    BatchResult readResults(Statement& stmt, SQLRETURN rc) {
        BatchResult out;
        std::optional<DatabaseError> firstError;
        SQLHSTMT h = stmt.handle();
        for (int guard = 0; guard < 100000; ++guard) {
            if (rc == SQL_ERROR) {
                auto records = diagnostics(SQL_HANDLE_STMT, h);
                // A function sequence error only says that nothing more is to come.
                bool sequence = !records.isEmpty() && records.first().sqlState == u"HY010";
                if (!firstError && !sequence) firstError = errorFrom(records, host_, lost());
                if (sequence || firstError->isConnectionFailure()) break;
            } else if (succeeded(rc)) {
                SQLSMALLINT columns = 0;
                SQLNumResultCols(h, &columns);
                if (columns > 0) {
                    try {
                        out.resultSets << fetchResultSet(h, columns);
                    } catch (const DatabaseError& e) {
                        if (!firstError) firstError = e;
                        if (e.isConnectionFailure()) break;
                    }
                } else {
                    SQLLEN count = -1;
                    if (succeeded(SQLRowCount(h, &count)) && count >= 0)
                        out.rowsAffected = (out.rowsAffected < 0 ? 0 : out.rowsAffected) + count;
                }
            } else if (rc == SQL_NO_DATA && guard == 0) {
                // A statement that found no rows to change.
                if (out.rowsAffected < 0) out.rowsAffected = 0;
            } else if (rc != SQL_NO_DATA) {
                break;
            }
            rc = SQLMoreResults(h);
            if (rc == SQL_NO_DATA) break;
        }
        if (firstError) throw *firstError;
        return out;
    }

    ResultSet fetchResultSet(SQLHSTMT h, SQLSMALLINT count) {
        QList<Column> columns;
        for (SQLUSMALLINT c = 1; c <= count; ++c) {
            SQLWCHAR name[256] = {};
            SQLSMALLINT nameLength = 0, sqlType = 0, digits = 0, nullable = 0;
            SQLULEN size = 0;
            check(
                SQLDescribeColW(h, c, name, 256, &nameLength, &sqlType, &size, &digits, &nullable),
                SQL_HANDLE_STMT, h);
            Column col;
            col.name = fromWide(name, qMin<qsizetype>(nameLength, 255));
            col.type = fieldTypeOf(sqlType);
            bool huge = size == 0 || size > 0x7fffffff;
            col.size = huge ? -1 : static_cast<int>(size);
            // An integer's size is its type's digits (3, 5, 10, 19): what it can hold.
            if (col.type == FieldType::Decimal || col.type == FieldType::Integer) {
                col.precision = static_cast<int>(size);
                col.scale = digits;
            }
            columns << col;
        }
        ResultSet rs(columns, {});
        SQLRETURN rc;
        while (succeeded(rc = SQLFetch(h))) {
            QVariantList row;
            row.reserve(count);
            for (SQLUSMALLINT c = 1; c <= count; ++c) row << getData(h, c, columns[c - 1].type);
            rs.appendRow(std::move(row));
        }
        if (rc != SQL_NO_DATA) check(rc, SQL_HANDLE_STMT, h);
        return rs;
    }

    QVariant getData(SQLHSTMT h, SQLUSMALLINT c, FieldType type) {
        SQLLEN ind = 0;
        switch (type) {
            case FieldType::Integer: {
                SQLBIGINT n = 0;
                check(SQLGetData(h, c, SQL_C_SBIGINT, &n, sizeof n, &ind), SQL_HANDLE_STMT, h);
                return ind == SQL_NULL_DATA ? QVariant() : QVariant(qlonglong(n));
            }
            case FieldType::Bool: {
                unsigned char b = 0;
                check(SQLGetData(h, c, SQL_C_BIT, &b, sizeof b, &ind), SQL_HANDLE_STMT, h);
                return ind == SQL_NULL_DATA ? QVariant() : QVariant(b != 0);
            }
            case FieldType::Float: {
                double d = 0;
                check(SQLGetData(h, c, SQL_C_DOUBLE, &d, sizeof d, &ind), SQL_HANDLE_STMT, h);
                return ind == SQL_NULL_DATA ? QVariant() : QVariant(d);
            }
            case FieldType::Decimal: {
                // As text: the exact digits. SQL Server's drivers leave out the zero before
                // the point (".50"), which Decimal::parse accepts.
                char text[96] = {};
                check(SQLGetData(h, c, SQL_C_CHAR, text, sizeof text, &ind), SQL_HANDLE_STMT, h);
                if (ind == SQL_NULL_DATA) return {};
                auto d = Decimal::parse(QString::fromLatin1(text));
                return d ? QVariant::fromValue(*d) : QVariant();
            }
            case FieldType::DateTime: {
                SQL_TIMESTAMP_STRUCT ts = {};
                check(SQLGetData(h, c, SQL_C_TYPE_TIMESTAMP, &ts, sizeof ts, &ind), SQL_HANDLE_STMT,
                      h);
                return ind == SQL_NULL_DATA ? QVariant() : QVariant(fromTimestamp(ts));
            }
            case FieldType::Binary: {
                QByteArray bytes;
                char chunk[8192];
                for (;;) {
                    SQLRETURN rc = SQLGetData(h, c, SQL_C_BINARY, chunk, sizeof chunk, &ind);
                    if (rc == SQL_NO_DATA) break;
                    check(rc, SQL_HANDLE_STMT, h);
                    if (ind == SQL_NULL_DATA) return {};
                    bool more = ind == SQL_NO_TOTAL || ind > static_cast<SQLLEN>(sizeof chunk);
                    bytes.append(chunk, more ? static_cast<qsizetype>(sizeof chunk)
                                             : static_cast<qsizetype>(ind));
                    if (!more) break;
                }
                return bytes;
            }
            default: {
                QString text;
                SQLWCHAR chunk[4096];
                const SQLLEN chunkBytes = sizeof chunk;
                for (;;) {
                    SQLRETURN rc = SQLGetData(h, c, SQL_C_WCHAR, chunk, chunkBytes, &ind);
                    if (rc == SQL_NO_DATA) break;
                    check(rc, SQL_HANDLE_STMT, h);
                    if (ind == SQL_NULL_DATA) return {};
                    // Each part but the last fills the buffer less its terminating zero.
                    bool more = ind == SQL_NO_TOTAL || ind >= chunkBytes;
                    qsizetype chars = more ? 4095 : static_cast<qsizetype>(ind / 2);
                    text += fromWide(chunk, chars);
                    if (!more) break;
                }
                return text;
            }
        }
    }

    // The parameters of a procedure in their declared order, from the server's catalog.
    const QList<ProcColumn>& procedureColumns(const QString& name) {
        QString key = name.toLower();
        auto cached = procedures_.constFind(key);
        if (cached != procedures_.constEnd()) return cached.value();
        QStringList parts = name.split(QLatin1Char('.'));
        for (QString& p : parts) {
            if (p.startsWith(QLatin1Char('[')) && p.endsWith(QLatin1Char(']')))
                p = p.mid(1, p.size() - 2);
        }
        QString procName = parts.takeLast();
        QString schema = parts.isEmpty() ? QString() : parts.takeLast();
        QString catalog = parts.isEmpty() ? QString() : parts.takeLast();
        // Catalog function arguments are patterns: "_" and "%" must be taken as they are.
        auto pattern = [](QString s) {
            s.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
            s.replace(QLatin1Char('_'), QLatin1String("\\_"));
            s.replace(QLatin1Char('%'), QLatin1String("\\%"));
            return s;
        };
        QString schemaPattern = pattern(schema), procPattern = pattern(procName);
        Statement stmt = newStatement();
        SQLHSTMT h = stmt.handle();
        check(SQLProcedureColumnsW(
                  h, catalog.isEmpty() ? nullptr : wide(catalog), catalog.isEmpty() ? 0 : SQL_NTS,
                  schema.isEmpty() ? nullptr : wide(schemaPattern), schema.isEmpty() ? 0 : SQL_NTS,
                  wide(procPattern), SQL_NTS, nullptr, 0),
              SQL_HANDLE_STMT, h);
        SQLSMALLINT resultColumns = 0;
        SQLNumResultCols(h, &resultColumns);
        if (resultColumns < 18)
            throw DatabaseError(QStringLiteral("Could not find stored procedure '%1'.").arg(name),
                                2812, 16, 62);
        ResultSet rs = fetchResultSet(h, resultColumns);
        QMap<QString, QList<ProcColumn> > bySchema;
        for (int r = 0; r < rs.rowCount(); ++r) {
            QString proc = rs.value(r, 2).toString().section(QLatin1Char(';'), 0, 0);
            if (proc.compare(procName, Qt::CaseInsensitive) != 0) continue;
            ProcColumn c;
            c.name = rs.value(r, 3).toString();
            c.kind = static_cast<SQLSMALLINT>(rs.value(r, 4).toInt());
            c.sqlType = static_cast<SQLSMALLINT>(rs.value(r, 5).toInt());
            c.size = rs.value(r, 7).toInt();
            c.digits = static_cast<SQLSMALLINT>(rs.value(r, 9).toInt());
            c.ordinal = rs.value(r, 17).toInt();
            bySchema[rs.value(r, 1).toString().toLower()] << c;
        }
        if (bySchema.isEmpty())
            throw DatabaseError(QStringLiteral("Could not find stored procedure '%1'.").arg(name),
                                2812, 16, 62);
        QList<ProcColumn> columns = bySchema.contains(QStringLiteral("dbo"))
                                        ? bySchema.value(QStringLiteral("dbo"))
                                        : bySchema.first();
        std::sort(columns.begin(), columns.end(),
                  [](const ProcColumn& a, const ProcColumn& b) { return a.ordinal < b.ordinal; });
        return procedures_.insert(key, columns).value();
    }

    QString host_;
    int timeout_ = 0;
    SQLHENV env_ = SQL_NULL_HENV;
    SQLHDBC dbc_ = SQL_NULL_HDBC;
    bool connected_ = false;
    bool inTransaction_ = false;
    QMap<QString, QList<ProcColumn> > procedures_;
};

}  // namespace

// How SQL Server declares a parameter bound with the buffer's SQL type and size.
QString odbcParameterDeclaration(const QVariant& v) {
    ParamBuffer b;
    fillInput(b, v);
    switch (b.sqlType) {
        case SQL_BIT:
            return QStringLiteral("bit");
        case SQL_INTEGER:
            return QStringLiteral("int");
        case SQL_BIGINT:
            return QStringLiteral("bigint");
        case SQL_DECIMAL:
            return QStringLiteral("decimal(%1,%2)").arg(b.columnSize).arg(b.digits);
        case SQL_DOUBLE:
            return QStringLiteral("float");
        case SQL_TYPE_TIMESTAMP:
            return b.columnSize == 23 && b.digits == 3 ? QStringLiteral("datetime")
                                                       : QStringLiteral("datetime2");
        case SQL_WVARCHAR:
            return QStringLiteral("nvarchar(%1)").arg(b.columnSize);
        case SQL_WLONGVARCHAR:
            return QStringLiteral("nvarchar(max)");
        case SQL_VARBINARY:
            return QStringLiteral("varbinary(%1)").arg(b.columnSize);
        case SQL_LONGVARBINARY:
            return QStringLiteral("varbinary(max)");
        default:
            break;
    }
    return QStringLiteral("sql type %1").arg(b.sqlType);
}

std::unique_ptr<Driver> openOdbcDriver(const ConnectionParams& params, const QString& host,
                                       int timeout) {
    return std::make_unique<OdbcDriver>(params, host, timeout);
}

#endif

}  // namespace db
