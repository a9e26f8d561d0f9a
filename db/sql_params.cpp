#include "db/sql_params.h"

#include "tsqlite/scanner.h"

namespace db {

namespace {

enum class Target { Names, Odbc, Embedded };

// The engine's reader finds the parameters; the text is read as UTF-8, which is what the
// embedded server is given, so that every driver sees the same marks.
DriverStatement rewrite(const QString& sql, Target target) {
    DriverStatement out;
    const QByteArray utf8 = sql.toUtf8();
    const std::string_view text(utf8.constData(), static_cast<size_t>(utf8.size()));
    const std::vector<tsqlite::ColonMark> marks = tsqlite::colonMarks(text);
    if (marks.empty()) {
        out.text = sql;
        return out;
    }
    std::string rewritten;
    rewritten.reserve(text.size());
    size_t copied = 0;
    for (size_t k = 0; k < marks.size(); ++k) {
        const tsqlite::ColonMark& mark = marks[k];
        rewritten.append(text.substr(copied, mark.offset - copied));
        copied = mark.end;
        if (mark.literal) {
            rewritten += ':';
            // Keeps the engine from reading the colon as the start of a parameter or of "::".
            if (target == Target::Embedded && mark.end < text.size() &&
                (tsqlite::isParameterNameByte(text[mark.end]) ||
                 (k + 1 < marks.size() && marks[k + 1].offset == mark.end &&
                  !marks[k + 1].literal)))
                rewritten += ' ';
            continue;
        }
        const QString name = QString::fromUtf8(mark.name(text));
        if (target == Target::Odbc) {
            rewritten += '?';
            out.names += name;
            continue;
        }
        rewritten.append(text.substr(mark.offset, mark.end - mark.offset));
        bool seen = false;
        for (const QString& s : out.names)
            if (s.compare(name, Qt::CaseInsensitive) == 0) seen = true;
        if (!seen) out.names += name;
    }
    rewritten.append(text.substr(copied));
    out.text = QString::fromUtf8(rewritten);
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
