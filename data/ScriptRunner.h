#pragma once

#include <QChar>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include "db/result_set.h"
#include "tsqlite/scanner.h"

namespace db {
class Connection;
}

// How a script's text is cut into statements: by default at lines holding "/" alone and at
// semicolons.
using ScriptSyntax = tsqlite::ScriptRules;

struct ScriptStatement {
    QString text;  // its lines, trimmed, joined with "\n"
    int line = 0;  // 1-based number of the line that ended it (errors quote it)
};

// Cuts a script into its statements as tsqlite::splitStatements does: at lines holding only
// the terminator and at semicolons, where the server reads them as code (not inside strings,
// quoted or bracketed names, or comments). A "--" comment stays in its statement and, the
// lines being joined with line breaks, comments out only the rest of its own line.
QList<ScriptStatement> splitScriptStatements(const QString& script,
                                             const ScriptSyntax& syntax = {});

// The statements' texts alone.
QStringList splitScript(const QString& script);

// A script of statements run one after another on one connection (TSQLScript). Each statement
// gets the values of the :name parameters it uses; a name used by several statements takes the
// same value in all of them.
class TSQLScript {
public:
    TSQLScript() = default;
    explicit TSQLScript(const QString& sql) : sql_(sql) {}

    const QString& sql() const { return sql_; }
    // Values already given to parameters are kept for the new text.
    void setSql(const QString& sql) {
        sql_ = sql;
        split_.clear();
    }

    // The parameters the text uses, in order of first use, each once (see db::parameterNames).
    QStringList paramNames() const;
    // Names ignore letter case, as on the server.
    void setParam(const QString& name, const QVariant& value);
    // The parameter's value in place (added as NULL when not set yet), for a script run once
    // per row: assigning to it is setParam without the search. Valid while the script lives
    // and is not copied.
    QVariant& paramRef(const QString& name);
    QVariant param(const QString& name) const;

    // Whether execute() wraps the script in a transaction of its own when the connection has
    // none active. Off by default: the script then runs in the caller's transaction, if any,
    // or each statement commits on its own.
    bool transaction() const { return transaction_; }
    void setTransaction(bool on) { transaction_ = on; }

    const ScriptSyntax& syntax() const { return syntax_; }
    void setSyntax(const ScriptSyntax& syntax) {
        syntax_ = syntax;
        split_.clear();
    }

    // Runs the statements in order. An empty text, or one without any statement, is an
    // error. The first statement that fails ends the script: its db::DatabaseError is thrown
    // with the number of the line that ended the statement added to the message, and no
    // further statement runs. Statements already run stay applied, except under the script's
    // own transaction, which is then rolled back. A parameter without a value fails its
    // statement.
    void execute(db::Connection& connection) const;

private:
    // The statements of sql_ with their parameter names, cut once: scripts that run once per
    // row (the sold-out upload's insert) would otherwise be cut again for every row.
    struct Prepared {
        ScriptStatement statement;
        QStringList names;
    };
    const QList<Prepared>& prepared() const;

    QString sql_;
    mutable QList<Prepared> split_;
    db::Params values_;
    bool transaction_ = false;
    ScriptSyntax syntax_;
};
