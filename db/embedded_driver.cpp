// The embedded server (tsqlite) as a driver: a session on the server folder.
#include <QDateTime>
#include <QDir>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <unordered_map>
#include <vector>

#include "db/driver.h"
#include "db/param_types.h"
#include "db/shown_text.h"
#include "db/sql_params.h"
#include "tsqlite/decimal.h"
#include "tsqlite/messages.h"
#include "tsqlite/session.h"

namespace db {

DatabaseError missingParameter(const QString& name) {
    const tsqlite::Error e = tsqlite::raise(8178, {name.toStdString()});
    return DatabaseError(QString::fromStdString(e.message), e.number, e.severity, e.state);
}

namespace {

DatabaseError fromEngine(const tsqlite::Error& e) {
    if (e.number == -2) return DatabaseError::timeout(QString::fromStdString(e.message));
    DatabaseError d(QString::fromStdString(e.message), e.number, e.severity, e.state, e.line);
    d.setProcedure(QString::fromStdString(e.procedure));
    return d;
}

FieldType fieldType(const tsqlite::SqlType& t) {
    using B = tsqlite::BaseType;
    switch (t.base) {
        case B::Bit:
            return FieldType::Bool;
        case B::TinyInt:
        case B::SmallInt:
        case B::Int:
        case B::BigInt:
            return FieldType::Integer;
        case B::Decimal:
        case B::Money:
        case B::SmallMoney:
            return FieldType::Decimal;
        case B::Float:
        case B::Real:
            return FieldType::Float;
        case B::Char:
        case B::VarChar:
        case B::NChar:
        case B::NVarChar:
        case B::Text:
        case B::NText:
        case B::UniqueIdentifier:
            return FieldType::String;
        case B::DateTime:
        case B::SmallDateTime:
        case B::Date:
        case B::Time:
            return FieldType::DateTime;
        case B::Binary:
        case B::VarBinary:
        case B::Image:
            return FieldType::Binary;
        case B::Unknown:
            break;
    }
    return FieldType::Unknown;
}

FieldType fieldTypeOfValue(const tsqlite::Value& v) {
    switch (v.kind) {
        case tsqlite::Value::Kind::Int:
            return FieldType::Integer;
        case tsqlite::Value::Kind::Float:
            return FieldType::Float;
        case tsqlite::Value::Kind::Text:
            return FieldType::String;
        case tsqlite::Value::Kind::Blob:
            return FieldType::Binary;
        case tsqlite::Value::Kind::Null:
            break;
    }
    return FieldType::Unknown;
}

double number(const tsqlite::Value& v) {
    if (v.kind == tsqlite::Value::Kind::Int) return static_cast<double>(v.i);
    if (v.kind == tsqlite::Value::Kind::Float) return v.f;
    return QString::fromStdString(v.s).trimmed().toDouble();
}

// Digits at s[at..at+n), or -1.
int digitsAt(const std::string& s, size_t at, size_t n) {
    if (at + n > s.size()) return -1;
    int v = 0;
    for (size_t i = at; i < at + n; ++i) {
        if (s[i] < '0' || s[i] > '9') return -1;
        v = v * 10 + (s[i] - '0');
    }
    return v;
}

// The engine's own forms, "YYYY-MM-DD HH:MM:SS.mmm" and "YYYY-MM-DD", read without the
// general date parser: every datetime value of a result set comes through here.
std::optional<QDateTime> parseCanonicalDateTime(const std::string& s) {
    if (s.size() != 10 && s.size() != 19 && s.size() != 23) return std::nullopt;
    if (s[4] != '-' || s[7] != '-') return std::nullopt;
    const QDate date(digitsAt(s, 0, 4), digitsAt(s, 5, 2), digitsAt(s, 8, 2));
    if (!date.isValid()) return std::nullopt;
    if (s.size() == 10) return QDateTime(date, QTime(0, 0));
    if (s[10] != ' ' || s[13] != ':' || s[16] != ':') return std::nullopt;
    const int ms = s.size() == 23 ? (s[19] == '.' ? digitsAt(s, 20, 3) : -1) : 0;
    const QTime time(digitsAt(s, 11, 2), digitsAt(s, 14, 2), digitsAt(s, 17, 2), ms);
    if (!time.isValid()) return std::nullopt;
    return QDateTime(date, time);
}

QDateTime parseDateTime(const std::string& s) {
    if (auto dt = parseCanonicalDateTime(s)) return *dt;
    QString text = QString::fromStdString(s);
    for (const char* format : {"yyyy-MM-dd HH:mm:ss.zzz", "yyyy-MM-dd HH:mm:ss", "yyyy-MM-dd"}) {
        QDateTime dt = QDateTime::fromString(text, QLatin1String(format));
        if (dt.isValid()) return dt;
    }
    // A time of day alone: on SQL Server's base date.
    QTime t = QTime::fromString(text.left(12), QStringLiteral("HH:mm:ss.zzz"));
    if (!t.isValid()) t = QTime::fromString(text.left(8), QStringLiteral("HH:mm:ss"));
    return t.isValid() ? QDateTime(QDate(1900, 1, 1), t) : QDateTime();
}

// A value as the column's type says to read it.
QVariant toVariant(const tsqlite::Value& v, FieldType type, const tsqlite::SqlType& sqlType) {
    using K = tsqlite::Value::Kind;
    if (v.isNull()) return {};
    switch (type) {
        case FieldType::Integer:
            return v.kind == K::Int ? qlonglong(v.i) : qlonglong(number(v));
        case FieldType::Bool:
            return number(v) != 0;
        case FieldType::Decimal: {
            // Decimals come as their scaled integer, in the wide form beyond 64 bits (read
            // through the engine's exact text); a double (a float expression typed decimal by
            // a caller) that sits on its scale is read straight from it: every row of a result
            // set comes through here.
            using B = tsqlite::BaseType;
            const int scale = sqlType.base == B::Decimal ? sqlType.scale
                              : sqlType.base == B::Money || sqlType.base == B::SmallMoney ? 4
                                                                                          : -1;
            if (v.kind == K::Int && scale >= 0 && tsqlite::dec::isScaled(sqlType))
                return QVariant::fromValue(Decimal::fromUnits(v.i, scale));
            if ((v.kind == K::Float || v.kind == K::Int) && scale >= 0 && scale <= 15) {
                static const double kPowers[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                                 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
                const double units = number(v) * kPowers[scale];
                const double whole = std::nearbyint(units);
                if (std::fabs(whole) < 9e15 && std::fabs(units - whole) < 1e-6)
                    return QVariant::fromValue(
                        Decimal::fromUnits(static_cast<qint64>(whole), scale));
            }
            auto d = Decimal::parse(QString::fromStdString(tsqlite::displayText(v, sqlType)));
            return d ? QVariant::fromValue(*d) : QVariant();
        }
        case FieldType::Float:
            return number(v);
        case FieldType::DateTime: {
            if (v.kind != K::Text) return {};
            QDateTime dt = parseDateTime(v.s);
            return dt.isValid() ? QVariant(dt) : QVariant();
        }
        case FieldType::Binary:
            return QByteArray::fromStdString(v.s);
        case FieldType::String:
            if (v.kind == K::Text) return QString::fromStdString(v.s);
            return QString::fromStdString(tsqlite::displayText(v, sqlType));
        case FieldType::Unknown:
            break;
    }
    switch (v.kind) {
        case K::Int:
            return qlonglong(v.i);
        case K::Float:
            return v.f;
        case K::Text:
            return QString::fromStdString(v.s);
        case K::Blob:
            return QByteArray::fromStdString(v.s);
        case K::Null:
            break;
    }
    return {};
}

// The engine's type for a parameter's mapped type. Each type is named and parsed once: an
// upload asks for the type of every amount of every row.
const tsqlite::SqlType& engineType(const ParamType& t) {
    thread_local std::map<std::tuple<int, int, int, int>, tsqlite::SqlType> parsed;
    const auto key = std::make_tuple(static_cast<int>(t.kind), t.length, t.precision, t.scale);
    auto it = parsed.find(key);
    if (it == parsed.end())
        it = parsed.emplace(key, *tsqlite::SqlType::parse(t.toString().toStdString())).first;
    return it->second;
}

// A text in UTF-8 into `out`, made at its final size and in the room `out` already has (a
// parameter's value is refilled row by row): QString::toStdString goes through a QByteArray,
// two copies of a text that may be a hundred megabytes.
void utf8Into(const QString& text, std::string& out) {
    const char16_t* p = reinterpret_cast<const char16_t*>(text.constData());
    const qsizetype n = text.size();
    // Codes, barcodes and document numbers, once per row of an upload: plain ASCII is copied
    // as it is.
    qsizetype ascii = 0;
    while (ascii < n && p[ascii] < 0x80) ++ascii;
    if (ascii == n) {
        out.resize(static_cast<size_t>(n));
        for (qsizetype i = 0; i < n; ++i) out[static_cast<size_t>(i)] = static_cast<char>(p[i]);
        return;
    }
    size_t bytes = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = p[i];
        if (c < 0x80) {
            bytes += 1;
        } else if (c < 0x800) {
            bytes += 2;
        } else if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(p[i + 1])) {
            bytes += 4;
            ++i;
        } else {
            bytes += 3;  // a lone surrogate becomes U+FFFD, three bytes too
        }
    }
    out.clear();
    out.reserve(bytes);
    // Piece by piece, never splitting a surrogate pair: each piece is encoded on its own.
    constexpr qsizetype kPiece = 1 << 16;
    for (qsizetype at = 0; at < n;) {
        qsizetype len = std::min(kPiece, n - at);
        if (at + len < n && QChar::isHighSurrogate(p[at + len - 1])) --len;
        const QByteArray piece = QStringView(text).mid(at, len).toUtf8();
        out.append(piece.constData(), static_cast<size_t>(piece.size()));
        at += len;
    }
}

std::string utf8Of(const QString& text) {
    std::string out;
    utf8Into(text, out);
    return out;
}

tsqlite::Value toEngine(const QVariant& v) {
    // The usual key, a row's id, read in place.
    if (v.typeId() == QMetaType::LongLong && !v.isNull())
        return tsqlite::Value::integer(*static_cast<const qlonglong*>(v.constData()));
    if (v.typeId() == QMetaType::Int && !v.isNull())
        return tsqlite::Value::integer(*static_cast<const int*>(v.constData()));
    if (isNullParameter(v)) return tsqlite::Value::null();
    switch (v.typeId()) {
        case QMetaType::Bool:
            return tsqlite::Value::integer(v.toBool() ? 1 : 0);
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::Long:
        case QMetaType::ULong:
        case QMetaType::LongLong:
        case QMetaType::Char:
        case QMetaType::SChar:
        case QMetaType::UChar:
            return tsqlite::Value::integer(v.toLongLong());
        case QMetaType::ULongLong:
            return tsqlite::Value::integer(static_cast<int64_t>(v.toULongLong()));
        case QMetaType::Double:
        case QMetaType::Float:
            return tsqlite::Value::real(v.toDouble());
        case QMetaType::QDateTime: {
            // The engine's canonical form, written without the general formatter.
            const QDateTime dt = v.toDateTime();
            // The date's parts worked out once: each of year(), month() and day() works out
            // all three.
            int year = 0, month = 0, day = 0;
            dt.date().getDate(&year, &month, &day);
            if (year < 1 || year > 9999)
                return tsqlite::Value::text(
                    dt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")).toStdString());
            const QTime t = dt.time();
            // yyyy-MM-dd HH:mm:ss.zzz, digit by digit: a row's date goes through here once per
            // row of an upload.
            std::string text = "0000-00-00 00:00:00.000";
            auto put = [&text](size_t end, int value, int digits) {
                for (int k = 0; k < digits; ++k, value /= 10)
                    text[end - static_cast<size_t>(k)] = static_cast<char>('0' + value % 10);
            };
            put(3, year, 4);
            put(6, month, 2);
            put(9, day, 2);
            put(12, t.hour(), 2);
            put(15, t.minute(), 2);
            put(18, t.second(), 2);
            put(22, t.msec(), 3);
            return tsqlite::Value::text(std::move(text));
        }
        case QMetaType::QDate:
            // A datetime at midnight, as the ODBC driver binds a date.
            return toEngine(QDateTime(v.toDate(), QTime(0, 0)));
        case QMetaType::QByteArray: {
            const QByteArray& bytes = *static_cast<const QByteArray*>(v.constData());
            return tsqlite::Value::blob(std::string(bytes.constData(), bytes.size()));
        }
        case QMetaType::QString:
            return tsqlite::Value::text(utf8Of(*static_cast<const QString*>(v.constData())));
        default:
            break;
    }
    // A decimal goes as a number, not a text, so that the server's type rules (COALESCE(:Qty,
    // 0), arithmetic) see a number as they would on SQL Server. A statement's parameter then
    // takes its exact scaled form (scaledDecimal); a procedure's argument, typed by its value,
    // stays the double.
    if (v.metaType() == QMetaType::fromType<Decimal>())
        return tsqlite::Value::real(static_cast<const Decimal*>(v.constData())->toDouble());
    return tsqlite::Value::text(v.toString().toStdString());
}

// A decimal parameter is declared by its digits (parameterType); a type the engine keeps scaled
// takes the scaled integer, so every digit goes in. Nothing when the type is not scaled or the
// value has more than 38 digits. Most values fit 64 bits and are read straight from the digits.
std::optional<tsqlite::Value> scaledDecimal(const Decimal& d, const tsqlite::SqlType& type) {
    if (!tsqlite::dec::isScaled(type)) return std::nullopt;
    if (const std::optional<qint64> units = d.units()) return tsqlite::Value::integer(*units);
    const QString text = d.toString();
    tsqlite::dec::Wide units = 0;
    int digits = 0;
    for (QChar c : text) {
        if (!c.isDigit()) continue;
        if (digits > 0 || c != QLatin1Char('0')) ++digits;
        if (digits > 38) return std::nullopt;
        units = units * 10 + (c.unicode() - '0');
    }
    return tsqlite::dec::scaledValue(d.isNegative() ? -units : units);
}

// Collects result sets and the counts of the statements that change rows.
class Sink : public tsqlite::Sink {
public:
    QList<ResultSet> resultSets;
    qint64 changed = -1;
    std::vector<tsqlite::Error> errors;

    void beginResultSet(const std::vector<tsqlite::Column>& columns) override {
        QList<Column> cols;
        types_.clear();
        sqlTypes_ = columns;
        for (const auto& c : columns) {
            Column col;
            col.name = QString::fromStdString(c.name);
            col.type = fieldType(c.type);
            col.size = c.type.length;
            col.precision = c.type.precision;
            col.scale = c.type.scale;
            if (col.type == FieldType::Integer) {
                using B = tsqlite::BaseType;
                col.precision = c.type.base == B::TinyInt    ? 3
                                : c.type.base == B::SmallInt ? 5
                                : c.type.base == B::Int      ? 10
                                                             : 19;
            }
            if (col.type == FieldType::Decimal && c.type.base != tsqlite::BaseType::Decimal) {
                col.precision = c.type.base == tsqlite::BaseType::Money ? 19 : 10;
                col.scale = 4;
            }
            cols << col;
            types_.push_back(col.type);
        }
        resultSets << ResultSet(cols, {});
        memory_.clear();
        memory_.resize(columns.size());
    }
    void row(const std::vector<tsqlite::Value>& values) override {
        ResultSet& rs = resultSets.last();
        const bool remember = rs.rowCount() >= kRowsBeforeRecent;
        const size_t n = std::min(values.size(), types_.size());
        numbers_.resize(n);
        for (size_t i = 0; i < n; ++i) {
            const tsqlite::Value& v = values[i];
            const int column = static_cast<int>(i);
            if (v.isNull()) {
                numbers_[i] = 0;
                continue;
            }
            // A number or a short text read before in the column (the branch code, the
            // receipt's date on each of its lines, a product's code, a price) is the value
            // read then instead of being decoded and held again: building one costs more
            // than reading the row.
            const bool shared =
                v.kind == tsqlite::Value::Kind::Text
                    ? v.s.size() <= kSharedText
                    : v.kind == tsqlite::Value::Kind::Int || v.kind == tsqlite::Value::Kind::Float;
            if (!shared) {
                numbers_[i] = rs.addValue(column, toVariant(v, types_[i], sqlTypes_[i].type));
                continue;
            }
            ColumnMemory& memory = memory_[i];
            if (memory.above.matches(v)) {
                numbers_[i] = memory.above.number;
                continue;
            }
            Seen* recent = nullptr;
            if (remember) {
                if (!memory.recent) memory.recent = std::make_unique<Seen[]>(kRecent);
                recent = &memory.recent[hashOf(v) % kRecent];
                if (recent->matches(v)) {
                    numbers_[i] = recent->number;
                    memory.above.take(v, recent->number);
                    continue;
                }
            }
            numbers_[i] = rs.addValue(column, toVariant(v, types_[i], sqlTypes_[i].type));
            memory.above.take(v, numbers_[i]);
            if (recent) recent->take(v, numbers_[i]);
        }
        std::copy(numbers_.begin(), numbers_.end(), rs.appendRow());
    }
    void endResultSet() override { afterResultSet_ = true; }
    void rowsAffected(long long n) override {
        // A SELECT reports its rows too; only changes count here.
        if (afterResultSet_) {
            afterResultSet_ = false;
            return;
        }
        changed = (changed < 0 ? 0 : changed) + n;
    }
    void error(const tsqlite::Error& e) override {
        afterResultSet_ = false;
        errors.push_back(e);
    }

private:
    static constexpr size_t kSharedText = 256;
    // Values remembered per column once a result is past its first rows, so that a small one
    // sets up nothing.
    static constexpr int kRowsBeforeRecent = 64;
    static constexpr size_t kRecent = 256;
    struct Seen {
        bool valid = false;
        tsqlite::Value::Kind kind = tsqlite::Value::Kind::Null;
        std::string text;
        int64_t i = 0;
        double f = 0;
        quint32 number = 0;  // the value's number in its column

        bool matches(const tsqlite::Value& v) const {
            if (!valid || kind != v.kind) return false;
            if (kind == tsqlite::Value::Kind::Text) return text == v.s;
            return i == v.i && std::memcmp(&f, &v.f, sizeof f) == 0;
        }
        void take(const tsqlite::Value& v, quint32 read) {
            valid = true;
            kind = v.kind;
            if (kind == tsqlite::Value::Kind::Text) {
                text = v.s;
            } else {
                i = v.i;
                f = v.f;
            }
            number = read;
        }
    };
    struct ColumnMemory {
        Seen above;                      // the value of the row above
        std::unique_ptr<Seen[]> recent;  // others by their hash, the last one of each kept
    };
    static size_t hashOf(const tsqlite::Value& v) {
        if (v.kind == tsqlite::Value::Kind::Text) return std::hash<std::string>()(v.s);
        uint64_t bits = 0;
        std::memcpy(&bits, &v.f, sizeof bits);
        return static_cast<size_t>((static_cast<uint64_t>(v.i) ^ bits) * 0x9E3779B97F4A7C15ull >>
                                   32);
    }
    std::vector<ColumnMemory> memory_;
    std::vector<quint32> numbers_;
    std::vector<FieldType> types_;
    std::vector<tsqlite::Column> sqlTypes_;
    bool afterResultSet_ = false;
};

class EmbeddedDriver : public Driver {
public:
    EmbeddedDriver(const QString& directory, const QString& database)
        : session_(QDir::toNativeSeparators(directory).toStdString(), database.toStdString()) {}

    BatchResult run(const QString& sql, const Params& params) override {
        Prepared& st = prepared(sql);
        // The map and the slots sorted by name are walked side by side: a statement run once
        // per row with fifteen parameters would otherwise search the map fifteen times.
        found_.assign(st.binds.size(), nullptr);
        auto it = params.constBegin();
        const auto end = params.constEnd();
        for (size_t i : st.byName) {
            Slot& slot = st.binds[i];
            // The map a screen refills row by row holds the very key strings of the last call:
            // the slot keeps a reference to them, so the same characters mean the same name.
            if (it != end && it.key().constData() == slot.key.constData() &&
                it.key().size() == slot.key.size()) {
                found_[i] = &it.value();
                ++it;
                continue;
            }
            const QString& name = slot.name;
            int order = 1;
            while (it != end && (order = it.key().compare(name)) < 0) ++it;
            // A name in other letters' case is looked for by findParam below.
            if (it != end && order == 0) {
                found_[i] = &it.value();
                slot.key = it.key();
            }
        }
        for (size_t i = 0; i < st.binds.size(); ++i) {
            Slot& slot = st.binds[i];
            const QVariant* v = found_[i] ? found_[i] : findParam(params, slot.name);
            if (!v) throw missingParameter(slot.name);
            const bool null = v->isNull();
            const bool text = v->typeId() == QMetaType::QString;
            const bool decimalType = !text && v->metaType() == QMetaType::fromType<Decimal>();
            // A statement run once per row often gets the same text again (the branch code
            // of every sales row): the value bound last time still holds it.
            if (text && !null && slot.last.typeId() == QMetaType::QString &&
                slot.value->kind == tsqlite::Value::Kind::Text &&
                *static_cast<const QString*>(v->constData()) ==
                    *static_cast<const QString*>(slot.last.constData()))
                continue;
            // So does a value shared with the one bound last time (a price or a rate copied
            // from the row above): the same object holds the same value. Values kept inside
            // the QVariant itself never match here, each QVariant has its own.
            if (!null && v->constData() == slot.last.constData() &&
                v->metaType() == slot.last.metaType())
                continue;
            // The engine types the parameter as the ODBC driver declares it to SQL Server.
            const ParamType type = parameterType(*v);
            if (slot.lastType != type) {
                *slot.type = engineType(type);
                slot.lastType = type;
            }
            const bool decimal = decimalType && !null;
            std::optional<tsqlite::Value> units;
            if (decimal)
                units = scaledDecimal(*static_cast<const Decimal*>(v->constData()), *slot.type);
            if (units) {
                *slot.value = *units;
            } else if (text && !null) {
                // Into the text bound last time, whose room is reused.
                slot.value->kind = tsqlite::Value::Kind::Text;
                slot.value->i = 0;
                slot.value->f = 0;
                utf8Into(*static_cast<const QString*>(v->constData()), slot.value->s);
            } else {
                *slot.value = toEngine(*v);
            }
            if (decimal && !units && tsqlite::dec::isScaled(*slot.type)) {
                // Beyond 38 digits: it goes as the number, which a decimal column then
                // refuses as an overflow rather than storing it short.
                *slot.type = *tsqlite::SqlType::parse("float");
                slot.lastType.reset();
            }
            // Kept only where a later call may match it: a text, or a value held outside
            // the QVariant (a decimal).
            if (text || decimalType)
                slot.last = *v;
            else if (!slot.last.isNull())
                slot.last = QVariant();
        }
        Sink sink;
        try {
            session_.execute(st.text, sink, st.values, st.types);
        } catch (const tsqlite::Error& e) {
            releaseLargeValues(st);
            throw fromEngine(e);
        }
        releaseLargeValues(st);
        if (!sink.errors.empty()) throw fromEngine(sink.errors.front());
        return {std::move(sink.resultSets), sink.changed};
    }

    ProcResult callProcedure(const QString& name, const QList<ProcParam>& args) override {
        std::vector<tsqlite::ProcArgument> engineArgs;
        for (const ProcParam& p : args) {
            tsqlite::ProcArgument a;
            a.name = (p.name.startsWith(QLatin1Char('@')) ? p.name : QLatin1Char('@') + p.name)
                         .toStdString();
            a.output = p.output;
            // A decimal goes with its type and every digit, as a statement's parameter does.
            const bool decimal =
                p.value.metaType() == QMetaType::fromType<Decimal>() && !p.value.isNull();
            std::optional<tsqlite::Value> units;
            if (decimal) {
                a.type = engineType(parameterType(p.value));
                units = scaledDecimal(*static_cast<const Decimal*>(p.value.constData()), a.type);
            }
            if (units)
                a.value = *units;
            else {
                a.value = toEngine(p.value);
                a.type = {};
            }
            engineArgs.push_back(std::move(a));
        }
        tsqlite::ProcResult r;
        try {
            r = session_.callProcedure(name.toStdString(), engineArgs);
        } catch (const tsqlite::Error& e) {
            throw fromEngine(e);
        }
        ProcResult out;
        out.returnValue = r.returnValue;
        for (qsizetype i = 0; i < args.size(); ++i) {
            if (!args[i].output) continue;
            auto it = r.outputs.find(engineArgs[static_cast<size_t>(i)].name);
            if (it == r.outputs.end()) continue;
            // The output is read through the parameter's declared type: a decimal exactly.
            tsqlite::SqlType sqlType = r.outputTypes[it->first];
            tsqlite::Value value = it->second;
            FieldType type = args[i].type != FieldType::Unknown ? args[i].type
                             : tsqlite::dec::isScaled(sqlType)  ? FieldType::Decimal
                                                                : fieldTypeOfValue(value);
            if (tsqlite::dec::isScaled(sqlType) && type != FieldType::Decimal &&
                type != FieldType::String) {
                // Asked as another kind of number: the number the scaled value stands for.
                value = tsqlite::dec::plain(value, sqlType);
                sqlType = *tsqlite::SqlType::parse("float");
            }
            QVariant v = toVariant(value, type, sqlType);
            out.outputs.insert(QString::fromStdString(it->first), v);
        }
        for (const auto& rs : r.resultSets) {
            Sink sink;
            sink.beginResultSet(rs.columns);
            for (const auto& row : rs.rows) sink.row(row);
            out.resultSets << sink.resultSets;
        }
        return out;
    }

    void beginTransaction() override { run(QStringLiteral("BEGIN TRANSACTION"), {}); }
    void commit() override { run(QStringLiteral("COMMIT TRANSACTION"), {}); }
    void rollback() override {
        // A failed statement may have ended the transaction already.
        if (session_.tranCount() > 0) run(QStringLiteral("ROLLBACK TRANSACTION"), {});
    }
    bool inTransaction() const override { return session_.tranCount() > 0; }
    void setTimeout(int seconds) override { session_.setTimeout(seconds); }

private:
    // One parameter of a prepared statement: its value's place in the statement's parameter
    // map, and the text last bound there.
    struct Slot {
        QString name;
        QString key;  // the caller's key string that named it last, shared, never compared
        tsqlite::Value* value = nullptr;
        tsqlite::SqlType* type = nullptr;
        QVariant last;
        std::optional<ParamType> lastType;
    };
    // A statement text as the engine takes it, rewritten once. The parameter map stays with
    // the statement and is refilled in place: a statement run once per row neither rebuilds
    // it nor converts a repeated text again.
    struct Prepared {
        std::string text;
        tsqlite::Params values;
        tsqlite::ParamTypes types;
        std::vector<Slot> binds;
        std::vector<size_t> byName;  // indexes of binds in the order of a Params map's keys
    };

    Prepared& prepared(const QString& sql) {
        // The screens send one text object again and again, or two in turn (a line's two
        // kinds of update): found without hashing it.
        for (const Recent& r : recent_)
            if (r.st && sql.size() == r.sql.size() &&
                (sql.constData() == r.sql.constData() || sql == r.sql))
                return *r.st;
        auto it = statements_.find(sql);
        if (it == statements_.end()) {
            // Texts built with values in them would otherwise pile up for as long as the
            // connection lives.
            if (statements_.size() >= kMaxStatements) {
                statements_.clear();
                recent_[0] = recent_[1] = Recent();
            }
            auto st = std::make_unique<Prepared>();
            const DriverStatement rewritten = embeddedStatement(sql);
            st->text = rewritten.text.toStdString();
            for (const QString& name : rewritten.names) {
                // Spelt as the statement spells it, as the engine looks a parameter up: it
                // then finds each value at once instead of comparing every name.
                const std::string key = name.toStdString();
                tsqlite::Value& value = st->values[key];
                st->binds.push_back({name, {}, &value, &st->types[key], {}, std::nullopt});
            }
            st->byName.resize(st->binds.size());
            for (size_t i = 0; i < st->byName.size(); ++i) st->byName[i] = i;
            std::sort(st->byName.begin(), st->byName.end(), [&](size_t a, size_t b) {
                return st->binds[a].name.compare(st->binds[b].name) < 0;
            });
            it = statements_.emplace(sql, std::move(st)).first;
        }
        recent_[1] = std::move(recent_[0]);
        recent_[0] = Recent{sql, it->second.get()};
        return *recent_[0].st;
    }

    // A statement keeps the values it bound last, to skip converting a repeated text; a large
    // one (a document, a picture) is let go at once rather than held until the statement runs
    // again.
    static void releaseLargeValues(Prepared& st) {
        for (Slot& slot : st.binds) {
            if (slot.value->s.size() <= kKeptValue) continue;
            *slot.value = tsqlite::Value::null();
            slot.last = QVariant();
        }
    }

    static constexpr size_t kKeptValue = 64 * 1024;
    static constexpr size_t kMaxStatements = 256;
    std::vector<const QVariant*> found_;

    tsqlite::Session session_;
    std::unordered_map<QString, std::unique_ptr<Prepared>> statements_;
    struct Recent {
        QString sql;
        Prepared* st = nullptr;
    };
    Recent recent_[2];
};

}  // namespace

QString embeddedParameterDeclaration(const QVariant& v) {
    return QString::fromStdString(engineType(parameterType(v)).toString());
}

std::unique_ptr<Driver> openEmbeddedDriver(const QString& directory, const QString& database,
                                           int timeout) {
    // A missing server folder is a server that cannot be reached (the error handler explains
    // that by the network-error words), with the folder named; a missing database on a server
    // that is there stays the server's own error 4060.
    const QString native = QDir::toNativeSeparators(directory);
    const std::string problem = tsqlite::serverFolderProblem(native.toStdString());
    if (!problem.empty())
        // The folder is named once, short and escaped, as the server the connection failed on:
        // it comes from Server.Dat like any outside input.
        throw DatabaseError::connectionFailure(
            directory,
            QStringLiteral("SQL Server does not exist or access denied. ") +
                QString::fromStdString(problem).remove(QStringLiteral("'%1' ").arg(native)));
    try {
        // No database named: the login's default, master, as on SQL Server.
        auto d = std::make_unique<EmbeddedDriver>(
            directory, database.isEmpty() ? QStringLiteral("master") : database);
        d->setTimeout(timeout);
        return d;
    } catch (const tsqlite::Error& e) {
        throw fromEngine(e);
    }
}

}  // namespace db
