// Text of a value as sqlcmd prints it.
#include <cmath>

#include "tsqlite/decimal.h"
#include "tsqlite/runtime.h"
#include "tsqlite/runtime_internal.h"
#include "tsqlite/session.h"

namespace tsqlite {

namespace {

std::string hex(std::string_view bytes) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out = "0x";
    for (unsigned char c : bytes) {
        out.push_back(kHex[c >> 4]);
        out.push_back(kHex[c & 15]);
    }
    return out;
}

double number(const Value& v) {
    if (v.kind == Value::Kind::Int) return static_cast<double>(v.i);
    if (v.kind == Value::Kind::Float) return v.f;
    return std::strtod(v.s.c_str(), nullptr);
}

std::string fixed(const Value& v, int scale) {
    rt::Digits d = v.kind == Value::Kind::Int ? rt::toDigits(v.i) : rt::toDigits(number(v));
    rt::roundDigits(d, scale);
    return rt::fixedText(d, scale);
}

}  // namespace

std::string displayText(const Value& v, const SqlType& type) {
    if (v.isNull()) return "NULL";
    switch (type.base) {
        case BaseType::Bit:
            return number(v) != 0 || v.s == "1" ? "1" : "0";
        case BaseType::TinyInt:
        case BaseType::SmallInt:
        case BaseType::Int:
        case BaseType::BigInt:
            if (v.kind == Value::Kind::Int) return std::to_string(v.i);
            return std::to_string(static_cast<long long>(number(v)));
        case BaseType::Decimal: {
            dec::Wide x = 0;
            if (dec::scaledOf(v, x)) return dec::text(x, type.scale);
            return fixed(v, type.scale);
        }
        case BaseType::Money:
        case BaseType::SmallMoney:
            if (v.kind == Value::Kind::Int) return dec::text(v.i, 4);
            return fixed(v, 4);
        case BaseType::Float:
            if (v.kind == Value::Kind::Text) return v.s;
            return rt::shortestText(number(v));
        case BaseType::Real: {
            if (v.kind == Value::Kind::Text) return v.s;
            // Shortest digits that identify the single-precision value.
            float f = static_cast<float>(number(v));
            char buf[32];
            for (int prec = 1; prec <= 9; ++prec) {
                std::snprintf(buf, sizeof buf, "%.*g", prec, static_cast<double>(f));
                if (std::strtof(buf, nullptr) == f) break;
            }
            return buf;
        }
        case BaseType::DateTime:
        case BaseType::SmallDateTime:
        case BaseType::Date:
        case BaseType::Time: {
            if (v.kind != Value::Kind::Text) break;
            rt::DateTime dt;
            bool hasDate = false;
            if (!rt::parseCanonical(v.s, dt) &&
                rt::parseDateTime(v.s, -1, dt, hasDate) != rt::ParseResult::Ok)
                return v.s;
            char buf[32];
            if (type.base == BaseType::Date) return std::string(buf, rt::formatDateOnly(dt, buf));
            if (type.base == BaseType::Time) return rt::formatDateTimeStyle(dt, -1, BaseType::Time);
            int n = rt::formatCanonical(dt, buf);
            if (type.base == BaseType::SmallDateTime) n = 19;
            return std::string(buf, n);
        }
        case BaseType::Binary:
        case BaseType::VarBinary:
        case BaseType::Image:
            if (v.kind == Value::Kind::Blob || v.kind == Value::Kind::Text) return hex(v.s);
            break;
        default:
            break;
    }
    switch (v.kind) {
        case Value::Kind::Int:
            return std::to_string(v.i);
        case Value::Kind::Float:
            return rt::shortestText(v.f);
        case Value::Kind::Blob:
            return hex(v.s);
        default:
            return v.s;
    }
}

}  // namespace tsqlite
