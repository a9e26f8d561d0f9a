#pragma once
// Named parameters in statement texts. A parameter is a colon followed by a name (letters,
// digits, "_", any non-ASCII letter): `:DocNo`. A name used several times in one statement
// takes one value in all its places. Two colons stand for one literal colon. Nothing inside
// '...' strings, "..." or [...] names, or -- and /* */ comments is a parameter.
#include <QString>
#include <QStringList>

namespace db {

// Parameter names in order of first use, each once (names differing only in letter case are
// one parameter).
QStringList parameterNames(const QString& sql);

// A statement in the form one driver takes, with the names of its parameters in the order the
// driver binds them.
struct DriverStatement {
    QString text;
    QStringList names;
};

// For ODBC: every :name becomes a "?" marker, bound in order of occurrence (so a repeated
// name is bound once per place); "::" becomes ":".
DriverStatement odbcStatement(const QString& sql);

// For the embedded server, which binds :name itself: names stay, each listed once. "::"
// becomes ":", followed by a blank wherever the engine would otherwise read the colon as the
// start of a parameter or of a "::" token; the tokens it sees are those SQL Server sees.
DriverStatement embeddedStatement(const QString& sql);

}  // namespace db
