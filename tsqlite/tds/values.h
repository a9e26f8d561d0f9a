#pragma once
// The engine's types and values as TDS 7.4 carries them: TYPE_INFO and the data of a
// column, a RETURNVALUE or an RPC parameter.
#include <string>

#include "tsqlite/tds/wire.h"
#include "tsqlite/types.h"

namespace tsqlite::tds {

// The collation every string column is sent with: Thai_CI_AS (LCID 0x041E, case-insensitive,
// code page 874).
extern const char kCollation[5];

inline SqlType sqlType(BaseType base, int length = 0, int precision = 0, int scale = 0) {
    return SqlType::of(base, length, precision, scale);
}

void writeTypeInfo(Writer& w, const SqlType& type);
// text, ntext and image columns carry a table name in COLMETADATA.
bool hasTableName(const SqlType& type);
void writeValue(Writer& w, const SqlType& type, const Value& v);
bool isNullOnWire(const Value& v);

// An RPC parameter as sent by the client.
struct RpcParam {
    std::string name;  // "@P1", or empty when positional
    bool output = false;
    SqlType type;
    Value value;
};

RpcParam readParam(Reader& r);

// The T-SQL declaration of a parameter's type ("nvarchar(4000)", "decimal(18,2)").
std::string declaration(const SqlType& type);

}  // namespace tsqlite::tds
