#include "data/ScriptRunner.h"

#include "db/connection.h"
#include "db/sql_params.h"

QList<ScriptStatement> splitScriptStatements(const QString& script, const ScriptSyntax& syntax) {
    QList<ScriptStatement> statements;
    const QByteArray utf8 = script.toUtf8();
    for (const tsqlite::ScriptStatement& s : tsqlite::splitStatements(
             std::string_view(utf8.constData(), static_cast<size_t>(utf8.size())), syntax))
        statements.append({QString::fromStdString(s.text), s.line});
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
