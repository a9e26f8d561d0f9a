#include "data/ScriptRunner.h"

#include "db/connection.h"
#include "db/sql_params.h"

namespace {

// Where the server's lexer is at a given point of the text.
enum class Lexical { Code, String, QuotedName, BracketName, LineComment, BlockComment };

struct Scanner {
    Lexical state = Lexical::Code;
    int commentDepth = 0;  // block comments nest in T-SQL

    // Moves over line[i] (and, for two-character tokens, the next character); returns the
    // index of the last character consumed.
    qsizetype step(QStringView line, qsizetype i) {
        const QChar c = line[i];
        const QChar next = i + 1 < line.size() ? line[i + 1] : QChar();
        switch (state) {
            case Lexical::Code:
                if (c == u'\'') {
                    state = Lexical::String;
                } else if (c == u'"') {
                    state = Lexical::QuotedName;
                } else if (c == u'[') {
                    state = Lexical::BracketName;
                } else if (c == u'-' && next == u'-') {
                    state = Lexical::LineComment;
                    return i + 1;
                } else if (c == u'/' && next == u'*') {
                    state = Lexical::BlockComment;
                    commentDepth = 1;
                    return i + 1;
                }
                break;
            // A doubled quote inside a string or name is the quote itself: leaving and
            // re-entering the state on the next character reads it correctly.
            case Lexical::String:
                if (c == u'\'') state = Lexical::Code;
                break;
            case Lexical::QuotedName:
                if (c == u'"') state = Lexical::Code;
                break;
            case Lexical::BracketName:
                if (c == u']') {
                    if (next == u']') return i + 1;
                    state = Lexical::Code;
                }
                break;
            case Lexical::LineComment:
                break;
            case Lexical::BlockComment:
                if (c == u'/' && next == u'*') {
                    ++commentDepth;
                    return i + 1;
                }
                if (c == u'*' && next == u'/') {
                    if (--commentDepth == 0) state = Lexical::Code;
                    return i + 1;
                }
                break;
        }
        return i;
    }

    void endLine() {
        if (state == Lexical::LineComment) state = Lexical::Code;
    }
};

}  // namespace

QList<ScriptStatement> splitScriptStatements(const QString& script, const ScriptSyntax& syntax) {
    QList<ScriptStatement> statements;
    QStringList current;
    auto finish = [&](int lineNo) {
        if (!current.isEmpty()) statements.append({current.join(u'\n'), lineNo});
        current.clear();
    };

    QString text = script;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(u'\r', u'\n');
    const QStringList lines = text.split(u'\n');
    const QString term(syntax.term);

    Scanner scanner;
    int lineNo = 0;
    int lastContentLine = 0;
    for (const QString& raw : lines) {
        ++lineNo;
        const QString line = raw.trimmed();
        if (line.isEmpty()) continue;
        if (line == term && scanner.state == Lexical::Code) {
            finish(lineNo);
            continue;
        }
        qsizetype semicolon = -1;
        for (qsizetype i = 0; i < line.size(); ++i) {
            if (semicolon < 0 && syntax.semicolonTerm && scanner.state == Lexical::Code &&
                line[i] == u';') {
                semicolon = i;
                continue;
            }
            i = scanner.step(line, i);
        }
        scanner.endLine();
        if (semicolon < 0) {
            current.append(line);
            lastContentLine = lineNo;
            continue;
        }
        const QString before = line.first(semicolon).trimmed();
        if (!before.isEmpty()) current.append(before);
        finish(lineNo);
        // Semicolons right after the first would only end empty statements.
        qsizetype rest = semicolon + 1;
        while (rest < line.size() && (line[rest] == u';' || line[rest].isSpace())) ++rest;
        const QString after = line.sliced(rest).trimmed();
        if (!after.isEmpty()) {
            current.append(after);
            lastContentLine = lineNo;
        }
    }
    finish(lastContentLine);
    return statements;
}

QStringList splitScript(const QString& script) {
    QStringList texts;
    for (const ScriptStatement& s : splitScriptStatements(script)) texts.append(s.text);
    return texts;
}

QStringList TSQLScript::paramNames() const {
    return db::parameterNames(sql_);
}

void TSQLScript::setParam(const QString& name, const QVariant& value) {
    paramRef(name) = value;
}

QVariant& TSQLScript::paramRef(const QString& name) {
    // A script run once per row sets the same names every time: found at once.
    auto exact = values_.find(name);
    if (exact != values_.end()) return exact.value();
    for (auto it = values_.begin(); it != values_.end(); ++it)
        if (it.key().compare(name, Qt::CaseInsensitive) == 0) return it.value();
    return values_.insert(name, QVariant()).value();
}

QVariant TSQLScript::param(const QString& name) const {
    const QVariant* v = db::findParam(values_, name);
    return v ? *v : QVariant();
}

namespace {

// The statement's error with its place in the script; a lost connection stays as it is.
db::DatabaseError atLine(const db::DatabaseError& e, int line) {
    if (e.isConnectionFailure()) return e;
    db::DatabaseError placed(
        QStringLiteral("%1\nScript statement ending at line %2").arg(e.message()).arg(line),
        e.number(), e.severity(), e.state(), e.line());
    placed.setProcedure(e.procedure());
    return placed;
}

}  // namespace

const QList<TSQLScript::Prepared>& TSQLScript::prepared() const {
    if (split_.isEmpty())
        for (const ScriptStatement& statement : splitScriptStatements(sql_, syntax_))
            split_.append({statement, db::parameterNames(statement.text)});
    return split_;
}

void TSQLScript::execute(db::Connection& connection) const {
    if (sql_.isEmpty()) throw db::DatabaseError(QStringLiteral("The script is empty."));
    connection.open();
    const QList<Prepared>& statements = prepared();
    if (statements.isEmpty())
        throw db::DatabaseError(QStringLiteral("The script holds no statement."));

    bool ownTransaction = false;
    if (transaction_ && !connection.inTransaction()) {
        try {
            connection.startTransaction();
            ownTransaction = true;
        } catch (const db::DatabaseError&) {
            // Without a transaction the script still runs, each statement on its own.
        }
    }

    for (const auto& [statement, names] : statements) {
        try {
            // The connection takes from the values only the names the statement uses; an
            // unset name fails the statement naming the parameter.
            connection.execute(statement.text, values_);
        } catch (const db::DatabaseError& e) {
            if (ownTransaction) connection.rollback();
            throw atLine(e, statement.line);
        }
    }
    if (ownTransaction) {
        try {
            connection.commit();
        } catch (const db::DatabaseError&) {
            // Not left holding the script's locks.
            connection.rollback();
            throw;
        }
    }
}
