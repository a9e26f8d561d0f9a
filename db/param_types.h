#pragma once
// The SQL type a parameter travels with, from its Qt value. Both drivers bind by this one
// mapping, so a statement types its parameters alike on the embedded server and on SQL Server
// (CONVERT(char(10), :Date, 103), :Date + 1, an int compared with a varchar column).
#include <QString>
#include <QVariant>

namespace db {

enum class ParamKind { Bit, Int, BigInt, Decimal, Float, DateTime, NVarChar, VarBinary };

struct ParamType {
    ParamKind kind = ParamKind::NVarChar;
    int length = 0;  // nvarchar: 4000 or -1 for max; varbinary: 8000 or -1 for max
    int precision = 0;
    int scale = 0;

    bool operator==(const ParamType&) const = default;
    // As T-SQL declares it: "datetime", "decimal(5,2)", "nvarchar(4000)", "varbinary(max)".
    QString toString() const;
};

// The type of a parameter value, NULLs included: a NULL made as QVariant(QMetaType) has its
// type; a NULL with no type at all travels as a text does.
ParamType parameterType(const QVariant& v);
// Whether the value is a NULL for the server: an empty or typed null QVariant, or a date that
// is not one (QDateTime() from an empty date field).
bool isNullParameter(const QVariant& v);

// The declaration each driver gives a parameter, for comparing the two: the ODBC driver's
// from the SQL type and size it binds (empty in a build without ODBC), the embedded driver's
// from the type it hands the engine.
QString odbcParameterDeclaration(const QVariant& v);
QString embeddedParameterDeclaration(const QVariant& v);

}  // namespace db
