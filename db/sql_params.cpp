#include "db/sql_params.h"

namespace db {

namespace {

// The characters of a parameter name, as the embedded server's lexer reads them.
bool isNameChar(QChar c) {
    char16_t u = c.unicode();
    return (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') || (u >= u'0' && u <= u'9') ||
           u == u'_' || u >= 0x80;
}

enum class Target { Names, Odbc, Embedded };

DriverStatement rewrite(const QString& sql, Target target) {
    DriverStatement out;
    const qsizetype n = sql.size();
    auto at = [&](qsizetype k) { return k < n ? sql[k] : QChar(); };
    // Copies a quoted run from its opening character up to the closing one; a doubled closing
    // character stands for itself. An unclosed run takes the rest of the text.
    auto copyQuoted = [&](qsizetype& i, QChar close) {
        qsizetype from = i++;
        while (i < n) {
            if (sql[i] == close) {
                if (at(i + 1) == close) {
                    i += 2;
                    continue;
                }
                ++i;
                break;
            }
            ++i;
        }
        out.text += QStringView(sql).mid(from, i - from);
    };
    auto isParamStart = [&](qsizetype k) {
        return at(k) == u':' && at(k + 1) != u':' && isNameChar(at(k + 1));
    };

    qsizetype i = 0;
    while (i < n) {
        QChar c = sql[i];
        if (c == u'\'' || c == u'"') {
            copyQuoted(i, c);
        } else if (c == u'[') {
            copyQuoted(i, QLatin1Char(']'));
        } else if (c == u'-' && at(i + 1) == u'-') {
            qsizetype from = i;
            while (i < n && sql[i] != u'\n') ++i;
            out.text += QStringView(sql).mid(from, i - from);
        } else if (c == u'/' && at(i + 1) == u'*') {
            // Block comments nest, as in SQL Server.
            qsizetype from = i;
            int depth = 0;
            while (i < n) {
                if (sql[i] == u'/' && at(i + 1) == u'*') {
                    ++depth;
                    i += 2;
                } else if (sql[i] == u'*' && at(i + 1) == u'/') {
                    i += 2;
                    if (--depth == 0) break;
                } else {
                    ++i;
                }
            }
            out.text += QStringView(sql).mid(from, i - from);
        } else if (c == u':' && at(i + 1) == u':') {
            i += 2;
            out.text += QLatin1Char(':');
            if (target == Target::Embedded && (isNameChar(at(i)) || isParamStart(i)))
                out.text += QLatin1Char(' ');
        } else if (c == u':' && isNameChar(at(i + 1))) {
            qsizetype from = ++i;
            while (i < n && isNameChar(sql[i])) ++i;
            QString name = sql.mid(from, i - from);
            if (target == Target::Odbc) {
                out.text += QLatin1Char('?');
                out.names += name;
            } else {
                out.text += QLatin1Char(':') + name;
                bool seen = false;
                for (const QString& s : out.names)
                    if (s.compare(name, Qt::CaseInsensitive) == 0) seen = true;
                if (!seen) out.names += name;
            }
        } else {
            out.text += c;
            ++i;
        }
    }
    return out;
}

}  // namespace

QStringList parameterNames(const QString& sql) {
    return rewrite(sql, Target::Names).names;
}

DriverStatement odbcStatement(const QString& sql) {
    return rewrite(sql, Target::Odbc);
}

DriverStatement embeddedStatement(const QString& sql) {
    return rewrite(sql, Target::Embedded);
}

}  // namespace db
