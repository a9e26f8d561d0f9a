// CREATE, ALTER and DROP: tables with their columns and constraints, indexes, types and
// procedures.
#include "tsqlite/messages.h"
#include "tsqlite/parser_internal.h"

namespace tsqlite::parsing {

StmtPtr Parser::createStatement(bool first, bool isAlter) {
    const Token& t = cur();
    advance();
    if (atKw("TABLE")) {
        advance();
        StmtPtr s = makeStmt(StmtKind::CreateTable, t);
        s->target = objectName();
        expectOp("(");
        do {
            if (atOp(")")) break;  // a trailing comma is accepted
            tableElement(*s, false);
        } while (acceptOp(","));
        expectOp(")");
        storageClauses();
        return s;
    }
    if (atAnyKw({"UNIQUE", "CLUSTERED", "NONCLUSTERED", "INDEX"})) return createIndex(t);
    if (atKw("PROC") || atKw("PROCEDURE")) return createProcedure(t, first, isAlter);
    if (atKw("DATABASE")) {
        advance();
        StmtPtr s = makeStmt(StmtKind::CreateDatabase, t);
        s->name = name();
        return s;
    }
    if (atKw("TYPE")) {
        advance();
        StmtPtr s = makeStmt(StmtKind::CreateType, t);
        s->name = objectName(2).name();
        expectKw("FROM");
        s->baseType = typeName();
        if (acceptKw("NULL"))
            s->nullable = true;
        else if (atKw("NOT") && isKw(peek(), "NULL")) {
            advance();
            advance();
            s->nullable = false;
        }
        return s;
    }
    fail();
}

void Parser::storageClauses() {
    while (true) {
        if (atKw("ON") || atKw("TEXTIMAGE_ON") || atKw("FILESTREAM_ON")) {
            advance();
            if (cur().kind == Tok::Ident || cur().kind == Tok::String)
                advance();
            else
                fail();
            if (atOp("(")) skipParens();
        } else if (atKw("WITH") && isOp(peek(), "(")) {
            advance();
            skipParens();
        } else if (atKw("WITH") && isKw(peek(), "FILLFACTOR")) {
            advance();
            advance();
            expectOp("=");
            integerLiteral();
        } else {
            return;
        }
    }
}

void Parser::indexColumns(std::vector<std::string>& cols, std::vector<bool>& desc) {
    expectOp("(");
    do {
        cols.push_back(name());
        bool d = false;
        if (acceptKw("DESC"))
            d = true;
        else
            acceptKw("ASC");
        desc.push_back(d);
    } while (acceptOp(","));
    expectOp(")");
}

bool Parser::clusteredOption(bool dflt) {
    if (acceptKw("CLUSTERED")) return true;
    if (acceptKw("NONCLUSTERED")) return false;
    return dflt;
}

bool Parser::tableElement(Stmt& s, bool alter) {
    if (atAnyKw({"CONSTRAINT", "PRIMARY", "UNIQUE", "FOREIGN", "CHECK"}) ||
        (alter && atKw("DEFAULT"))) {
        tableConstraint(s, alter);
        return false;
    }
    s.columnDefs.push_back(columnDef());
    return true;
}

void Parser::tableConstraint(Stmt& s, bool alter) {
    std::string cname;
    if (acceptKw("CONSTRAINT")) cname = name();
    if (atKw("PRIMARY") || atKw("UNIQUE")) {
        TableConstraint tc;
        tc.name = cname;
        if (acceptKw("PRIMARY")) {
            expectKw("KEY");
            tc.primaryKey = true;
        } else {
            advance();
        }
        clusteredOption(tc.primaryKey);
        indexColumns(tc.columns, tc.descending);
        storageClauses();
        s.constraints.push_back(std::move(tc));
    } else if (acceptKw("FOREIGN")) {
        // Foreign keys are not enforced; the syntax is accepted.
        expectKw("KEY");
        skipParens();
        references();
    } else if (acceptKw("CHECK")) {
        s.checks.push_back({cname, checkConstraint(), ""});
    } else if (alter && acceptKw("DEFAULT")) {
        ColumnDef d;
        d.pos = posOf(toks_[p_ - 1]);
        d.constraintName = cname;
        d.defaultValue = expr();
        expectKw("FOR");
        d.name = name();
        s.columnDefs.push_back(std::move(d));
    } else {
        fail();
    }
}

void Parser::references() {
    expectKw("REFERENCES");
    objectName();
    if (atOp("(")) skipParens();
    while (atKw("ON") && (isKw(peek(), "DELETE") || isKw(peek(), "UPDATE"))) {
        advance();
        advance();
        if (acceptKw("CASCADE")) continue;
        if (acceptKw("NO")) {
            if (!acceptKw("ACTION")) fail();
            continue;
        }
        expectKw("SET");
        if (!acceptKw("NULL")) expectKw("DEFAULT");
    }
    notForReplication();
}

void Parser::notForReplication() {
    if (atKw("NOT") && isKw(peek(), "FOR")) {
        advance();
        advance();
        expectKw("REPLICATION");
    }
}

ExprPtr Parser::checkConstraint() {
    notForReplication();
    expectOp("(");
    ExprPtr e = expr();
    expectOp(")");
    return e;
}

ColumnDef Parser::columnDef() {
    ColumnDef c;
    c.pos = posOf(cur());
    c.name = name();
    if (atKw("AS")) fail();  // computed columns are not supported
    c.type = typeName();
    // CONSTRAINT name names the one constraint that follows it.
    std::string pending;
    while (true) {
        if (acceptKw("COLLATE")) {
            c.collation = name();
        } else if (acceptKw("IDENTITY")) {
            c.identity = true;
            if (acceptOp("(")) {
                c.identitySeed = integerLiteral();
                expectOp(",");
                c.identityStep = integerLiteral();
                expectOp(")");
            }
            notForReplication();
        } else if (acceptKw("NULL")) {
            c.nullable = true;
        } else if (atKw("NOT") && isKw(peek(), "NULL")) {
            advance();
            advance();
            c.nullable = false;
        } else if (acceptKw("CONSTRAINT")) {
            c.constraintName = name();
            pending = c.constraintName;
            continue;
        } else if (atKw("PRIMARY")) {
            advance();
            expectKw("KEY");
            c.primaryKey = true;
            clusteredOption(true);
            storageClauses();
        } else if (acceptKw("UNIQUE")) {
            c.unique = true;
            clusteredOption(false);
            storageClauses();
        } else if (acceptKw("DEFAULT")) {
            c.defaultValue = expr();
        } else if (atKw("REFERENCES") || atKw("FOREIGN")) {
            if (acceptKw("FOREIGN")) expectKw("KEY");
            references();
        } else if (acceptKw("CHECK")) {
            c.checks.push_back({pending, checkConstraint(), c.name});
        } else if (atAnyKw({"ROWGUIDCOL", "SPARSE", "FILESTREAM"})) {
            advance();
        } else {
            break;
        }
        pending.clear();
    }
    return c;
}

StmtPtr Parser::createIndex(const Token& t) {
    StmtPtr s = makeStmt(StmtKind::CreateIndex, t);
    s->unique = acceptKw("UNIQUE");
    s->clustered = clusteredOption(false);
    expectKw("INDEX");
    s->name = name();
    expectKw("ON");
    s->target = objectName();
    indexColumns(s->columns, s->descending);
    if (atKw("INCLUDE")) {
        advance();
        skipParens();
    }
    if (acceptKw("WHERE")) expr();  // filtered indexes are kept whole
    storageClauses();
    return s;
}

StmtPtr Parser::createProcedure(const Token& t, bool first, bool isAlter) {
    if (!first) throw raise(111, {}, t.line);
    advance();
    StmtPtr s = makeStmt(StmtKind::CreateProcedure, t);
    s->isAlter = isAlter;
    s->bodyOffset = t.offset;
    s->target = objectName(3);
    if (atOp(";") && peek().kind == Tok::Integer) {  // numbered procedures: name;1
        advance();
        advance();
    }
    bool paren = acceptOp("(");
    if (cur().kind == Tok::Variable) {
        do {
            if (cur().kind != Tok::Variable) fail();
            ProcParam prm;
            prm.name = cur().text;
            advance();
            acceptKw("AS");
            prm.type = typeName();
            acceptKw("VARYING");
            if (acceptOp("=")) prm.defaultValue = expr();
            if (atKw("OUT") || atKw("OUTPUT")) {
                advance();
                prm.output = true;
            }
            acceptKw("READONLY");
            s->params.push_back(std::move(prm));
        } while (acceptOp(","));
    }
    if (paren) expectOp(")");
    if (acceptKw("WITH")) {
        do {
            if (acceptKw("EXECUTE") || acceptKw("EXEC")) {
                expectKw("AS");
                if (cur().kind == Tok::Ident || cur().kind == Tok::String)
                    advance();
                else
                    fail();
            } else if (cur().kind == Tok::Ident) {
                advance();  // RECOMPILE, ENCRYPTION, ...
            } else {
                fail();
            }
        } while (acceptOp(","));
    }
    if (atKw("FOR") && isKw(peek(), "REPLICATION")) {
        advance();
        advance();
    }
    expectKw("AS");
    // The body runs to the end of the batch.
    while (cur().kind != Tok::End) s->body.push_back(statement(false));
    s->sourceEnd = static_cast<int>(text_.size());
    return s;
}

StmtPtr Parser::alterStatement(bool first) {
    const Token& t = cur();
    if (isKw(peek(), "PROC") || isKw(peek(), "PROCEDURE")) return createStatement(first, true);
    advance();
    expectKw("TABLE");
    StmtPtr s = makeStmt(StmtKind::AlterTable, t);
    s->target = objectName();
    bool withOption = false;
    if (atKw("WITH") && (isKw(peek(), "CHECK") || isKw(peek(), "NOCHECK"))) {
        advance();
        s->noCheck = atKw("NOCHECK");
        withOption = true;
        advance();
    }
    if ((atKw("CHECK") || atKw("NOCHECK")) && isKw(peek(), "CONSTRAINT")) {
        const bool enable = atKw("CHECK");
        advance();
        advance();
        s->alterAction =
            enable ? Stmt::AlterAction::EnableConstraints : Stmt::AlterAction::DisableConstraints;
        // A constraint enabled again trusts the rows already there unless WITH CHECK says
        // otherwise.
        if (enable && !withOption) s->noCheck = true;
        if (acceptKw("ALL")) {
            s->allConstraints = true;
        } else {
            do s->columns.push_back(name());
            while (acceptOp(","));
        }
    } else if (acceptKw("ADD")) {
        bool anyColumn = false, anyDefault = false;
        do {
            size_t defaults = s->columnDefs.size();
            bool col = tableElement(*s, true);
            anyColumn |= col;
            anyDefault |= !col && s->columnDefs.size() > defaults;
        } while (acceptOp(","));
        if (anyColumn && anyDefault) fail();
        s->alterAction = anyColumn ? Stmt::AlterAction::Add : Stmt::AlterAction::AddConstraint;
    } else if (atKw("ALTER")) {
        advance();
        expectKw("COLUMN");
        s->alterAction = Stmt::AlterAction::AlterColumn;
        s->columnDefs.push_back(columnDef());
    } else if (acceptKw("DROP")) {
        if (acceptKw("COLUMN")) {
            s->alterAction = Stmt::AlterAction::DropColumn;
            do s->columns.push_back(name());
            while (acceptOp(","));
        } else {
            acceptKw("CONSTRAINT");
            s->alterAction = Stmt::AlterAction::DropConstraint;
            s->name = name();
        }
    } else {
        fail();
    }
    return s;
}

bool Parser::ifExists() {
    if (atKw("IF") && isKw(peek(), "EXISTS")) {
        advance();
        advance();
        return true;
    }
    return false;
}

StmtPtr Parser::dropStatement() {
    const Token& t = cur();
    advance();
    StmtKind kind;
    if (acceptKw("TABLE"))
        kind = StmtKind::DropTable;
    else if (acceptKw("INDEX"))
        kind = StmtKind::DropIndex;
    else if (acceptKw("PROC") || acceptKw("PROCEDURE"))
        kind = StmtKind::DropProcedure;
    else if (acceptKw("DATABASE"))
        kind = StmtKind::DropDatabase;
    else
        fail();
    bool exists = ifExists();
    std::vector<StmtPtr> list;
    do {
        StmtPtr s = makeStmt(kind, t);
        s->ifExists = exists;
        if (kind == StmtKind::DropDatabase) {
            s->name = name();
        } else if (kind == StmtKind::DropIndex) {
            ObjectName n = objectName();
            if (acceptKw("ON")) {
                if (n.parts.size() != 1) fail();
                s->name = n.name();
                s->target = objectName();
            } else {
                if (n.parts.size() < 2) fail();
                s->name = n.name();
                n.parts.pop_back();
                s->target = std::move(n);
            }
        } else {
            s->target = objectName();
        }
        list.push_back(std::move(s));
    } while (acceptOp(","));
    for (auto& s : list) s->sourceEnd = prevEnd_;
    return blockOf(std::move(list), t);
}

}  // namespace tsqlite::parsing
