#pragma once
// Readable Qt values in test failure messages.
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <ostream>

inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}
inline void PrintTo(const QStringList& l, std::ostream* os) {
    *os << '[' << l.join(QStringLiteral(", ")).toStdString() << ']';
}
inline void PrintTo(const QVariant& v, std::ostream* os) {
    *os << v.metaType().name() << '(' << (v.isNull() ? "null" : v.toString().toStdString()) << ')';
}
inline void PrintTo(const QDateTime& d, std::ostream* os) {
    *os << d.toString(Qt::ISODateWithMs).toStdString();
}
