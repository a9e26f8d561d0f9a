// INSERT, UPDATE (with SET clauses and FROM aliases), DELETE and TRUNCATE.
#include "tsqlite/parser_internal.h"

namespace tsqlite::parsing {

ExprPtr Parser::topOfDml() {
    if (!acceptKw("TOP")) return nullptr;
    expectOp("(");
    const Token& open = toks_[p_ - 1];
    ExprPtr e = expr();
    expectOp(")");
    e->parenthesized = true;
    e->pos = posOf(open);
    e->sourceEnd = prevEnd_;
    if (atKw("PERCENT")) fail();
    return e;
}

StmtPtr Parser::insertStatement() {
    StmtPtr s = makeStmt(StmtKind::Insert, cur());
    advance();
    s->top = topOfDml();
    acceptKw("INTO");
    s->target = objectName();
    skipTableHints();
    if (atOp("(") && !queryInParens(p_)) {
        advance();
        do s->columns.push_back(objectName().name());
        while (acceptOp(","));
        expectOp(")");
    }
    if (acceptKw("VALUES")) {
        do {
            expectOp("(");
            std::vector<ExprPtr> row;
            do row.push_back(valueOrDefault());
            while (acceptOp(","));
            expectOp(")");
            s->values.push_back(std::move(row));
        } while (acceptOp(","));
    } else if (atKw("DEFAULT")) {
        advance();
        expectKw("VALUES");
        s->defaultValues = true;
    } else if (atKw("SELECT") || atOp("(")) {
        s->select = query();
        optionClause();
    } else if (atKw("EXEC") || atKw("EXECUTE")) {
        const Token& t = cur();
        advance();
        s->insertExec = execBody(t);
        s->insertExec->sourceEnd = prevEnd_;
    } else {
        fail();
    }
    return s;
}

ExprPtr Parser::valueOrDefault() {
    if (atKw("DEFAULT")) {
        ExprPtr e = node(ExprKind::Default, cur());
        advance();
        return done(std::move(e));
    }
    return expr();
}

const TableRef* Parser::findAlias(const std::vector<TableRefPtr>& from, const std::string& a) {
    for (const auto& r : from)
        if (const TableRef* hit = findAlias(r.get(), a)) return hit;
    return nullptr;
}

const TableRef* Parser::findAlias(const TableRef* r, const std::string& a) {
    if (!r) return nullptr;
    if (r->kind == TableRef::Kind::Named) return iequals(r->alias, a) ? r : nullptr;
    if (r->kind != TableRef::Kind::Join) return nullptr;
    if (const TableRef* hit = findAlias(r->left.get(), a)) return hit;
    return findAlias(r->right.get(), a);
}

void Parser::resolveTargetAlias(Stmt& s) {
    if (s.target.parts.size() != 1 || s.from.empty()) return;
    if (const TableRef* r = findAlias(s.from, s.target.parts[0])) {
        s.targetAlias = s.target.parts[0];
        s.target = r->name;
    }
}

StmtPtr Parser::updateStatement() {
    StmtPtr s = makeStmt(StmtKind::Update, cur());
    advance();
    s->top = topOfDml();
    s->target = objectName();
    skipTableHints();
    expectKw("SET");
    do s->sets.push_back(setClause());
    while (acceptOp(","));
    if (acceptKw("FROM")) s->from = fromList();
    if (acceptKw("WHERE")) s->where = expr();
    optionClause();
    resolveTargetAlias(*s);
    return s;
}

SetClause Parser::setClause() {
    SetClause c;
    if (cur().kind == Tok::Variable) {
        c.variable = cur().text;
        ExprPtr var = literal(ExprKind::Variable);
        // @v = col = expr sets both.
        if (isOp(cur(), "=") && peek().kind == Tok::Ident) {
            size_t k = 1;
            while (peek(k).kind == Tok::Ident && isOp(peek(k + 1), ".")) k += 2;
            if (peek(k).kind == Tok::Ident && isOp(peek(k + 1), "=")) {
                advance();
                c.column = objectName().parts;
                advance();
                c.value = valueOrDefault();
                return c;
            }
        }
        c.value = assignedValue(std::move(var));
        return c;
    }
    const Token& t = cur();
    c.column = objectName().parts;
    if (compoundAssign()) {
        ExprPtr col = node(ExprKind::Column, t);
        col->parts = c.column;
        c.value = assignedValue(done(std::move(col)));
    } else {
        expectOp("=");
        c.value = valueOrDefault();
    }
    return c;
}

StmtPtr Parser::deleteStatement() {
    StmtPtr s = makeStmt(StmtKind::Delete, cur());
    advance();
    s->top = topOfDml();
    acceptKw("FROM");
    s->target = objectName();
    skipTableHints();
    if (acceptKw("FROM")) s->from = fromList();
    if (acceptKw("WHERE")) s->where = expr();
    optionClause();
    resolveTargetAlias(*s);
    return s;
}

StmtPtr Parser::truncateStatement() {
    StmtPtr s = makeStmt(StmtKind::Truncate, cur());
    advance();
    expectKw("TABLE");
    s->target = objectName();
    return s;
}

}  // namespace tsqlite::parsing
