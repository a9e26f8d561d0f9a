// Control flow and everything else a batch runs: DECLARE, SET, IF, WHILE, BEGIN...END,
// transactions, TRY/CATCH, THROW, RAISERROR, PRINT, USE, RETURN and EXEC.
#include "tsqlite/parser_internal.h"

namespace tsqlite::parsing {

StmtPtr Parser::useStatement() {
    StmtPtr s = wordStatement(StmtKind::Use);
    s->name = name();
    return s;
}

StmtPtr Parser::returnStatement() {
    StmtPtr s = wordStatement(StmtKind::Return);
    if (canStartExpr(cur())) s->value = expr();
    return s;
}

StmtPtr Parser::printStatement() {
    StmtPtr s = wordStatement(StmtKind::Print);
    s->value = expr();
    return s;
}

StmtPtr Parser::saveStatement() {
    StmtPtr s = wordStatement(StmtKind::SaveTran);
    if (!acceptKw("TRAN")) expectKw("TRANSACTION");
    s->name = tranName();
    if (s->name.empty()) fail();
    return s;
}

StmtPtr Parser::declareStatement() {
    StmtPtr s = makeStmt(StmtKind::Declare, cur());
    advance();
    do {
        if (cur().kind != Tok::Variable) fail();
        VarDecl v;
        v.name = cur().text;
        advance();
        acceptKw("AS");
        if (atKw("TABLE") || atKw("CURSOR")) fail();  // not supported
        v.type = typeName();
        if (acceptOp("=")) v.init = expr();
        s->vars.push_back(std::move(v));
    } while (acceptOp(","));
    return s;
}

StmtPtr Parser::setStatement() {
    const Token& t = cur();
    advance();
    if (cur().kind == Tok::Variable) {
        StmtPtr s = makeStmt(StmtKind::SetVariable, t);
        s->variable = cur().text;
        ExprPtr var = literal(ExprKind::Variable);
        s->value = assignedValue(std::move(var));
        return s;
    }
    if (cur().kind != Tok::Ident || cur().quoted) fail();
    if (atKw("TRANSACTION")) {
        advance();
        expectKw("ISOLATION");
        expectKw("LEVEL");
        StmtPtr s = makeStmt(StmtKind::SetOption, t);
        s->name = "TRANSACTION ISOLATION LEVEL";
        if (atKw("READ") || atKw("REPEATABLE")) {
            s->optionValue = cur().upper + " ";
            advance();
        }
        if (cur().kind != Tok::Ident || cur().quoted) fail();
        s->optionValue += cur().upper;
        advance();
        return s;
    }
    if (atKw("IDENTITY_INSERT")) {
        advance();
        StmtPtr s = makeStmt(StmtKind::SetOption, t);
        s->name = "IDENTITY_INSERT";
        s->target = objectName();
        if (!atKw("ON") && !atKw("OFF")) fail();
        s->optionValue = cur().upper;
        advance();
        return s;
    }
    std::vector<std::string> names;
    do {
        if (cur().kind != Tok::Ident || cur().quoted) fail();
        std::string n = cur().upper;
        advance();
        if (n == "STATISTICS") {  // STATISTICS IO, STATISTICS TIME, ...
            if (cur().kind != Tok::Ident || cur().quoted) fail();
            n += " " + cur().upper;
            advance();
        }
        names.push_back(std::move(n));
    } while (acceptOp(","));
    std::string value;
    ExprPtr valueExpr;
    const Token& v = cur();
    if (v.kind == Tok::Ident) {
        value = v.quoted ? v.text : v.upper;
        advance();
    } else if (v.kind == Tok::Variable) {
        value = v.text;
        valueExpr = literal(ExprKind::Variable);
    } else if (v.kind == Tok::String || v.kind == Tok::NString) {
        value = upper(v.text);
        advance();
    } else if (v.kind == Tok::Integer || v.kind == Tok::Binary) {
        value = v.text;
        advance();
    } else if (atOp("-") && peek().kind == Tok::Integer) {
        advance();
        value = "-" + cur().text;
        advance();
    } else {
        fail();
    }
    std::vector<StmtPtr> list;
    for (auto& n : names) {
        StmtPtr s = makeStmt(StmtKind::SetOption, t);
        s->name = n;
        s->optionValue = value;
        if (valueExpr) {
            auto copy = std::make_unique<Expr>();
            copy->kind = valueExpr->kind;
            copy->pos = valueExpr->pos;
            copy->text = valueExpr->text;
            copy->sourceEnd = valueExpr->sourceEnd;
            s->value = std::move(copy);
        }
        s->sourceEnd = prevEnd_;
        list.push_back(std::move(s));
    }
    return blockOf(std::move(list), t);
}

StmtPtr Parser::ifStatement() {
    StmtPtr s = makeStmt(StmtKind::If, cur());
    advance();
    s->value = expr();
    s->thenStmt = statement(false);
    if (acceptKw("ELSE")) s->elseStmt = statement(false);
    return s;
}

StmtPtr Parser::whileStatement() {
    StmtPtr s = makeStmt(StmtKind::While, cur());
    advance();
    s->value = expr();
    s->thenStmt = statement(false);
    return s;
}

std::string Parser::tranName() {
    if (cur().kind == Tok::Variable || isName(cur())) {
        std::string n = cur().text;
        advance();
        return n;
    }
    return {};
}

StmtPtr Parser::beginStatement() {
    const Token& t = cur();
    if (isKw(peek(), "TRAN") || isKw(peek(), "TRANSACTION") || isKw(peek(), "DISTRIBUTED")) {
        advance();
        acceptKw("DISTRIBUTED");
        if (!acceptKw("TRAN")) expectKw("TRANSACTION");
        StmtPtr s = makeStmt(StmtKind::BeginTran, t);
        s->name = tranName();
        if (atKw("WITH") && isKw(peek(), "MARK")) {
            advance();
            advance();
            if (cur().kind == Tok::String || cur().kind == Tok::NString) advance();
        }
        return s;
    }
    if (isKw(peek(), "TRY")) return tryCatch();
    advance();
    StmtPtr s = makeStmt(StmtKind::Block, t);
    while (!atKw("END")) {
        if (cur().kind == Tok::End) fail();
        s->body.push_back(statement(false));
    }
    advance();
    return s;
}

StmtPtr Parser::tryCatch() {
    StmtPtr s = makeStmt(StmtKind::TryCatch, cur());
    advance();
    advance();
    auto until = [&](std::string_view kw, std::vector<StmtPtr>& into) {
        while (!(atKw("END") && isKw(peek(), kw))) {
            if (cur().kind == Tok::End) fail();
            into.push_back(statement(false));
        }
        advance();
        advance();
    };
    until("TRY", s->body);
    acceptOp(";");
    if (!(atKw("BEGIN") && isKw(peek(), "CATCH"))) fail();
    advance();
    advance();
    until("CATCH", s->catchBody);
    return s;
}

StmtPtr Parser::throwStatement() {
    StmtPtr s = makeStmt(StmtKind::Throw, cur());
    advance();
    if (atOp(";") || cur().kind == Tok::End || atKw("END")) return s;
    s->raiserrorArgs.push_back(expr());
    expectOp(",");
    s->raiserrorArgs.push_back(expr());
    expectOp(",");
    s->raiserrorArgs.push_back(expr());
    return s;
}

StmtPtr Parser::commitRollback() {
    const Token& t = cur();
    StmtPtr s = makeStmt(atKw("COMMIT") ? StmtKind::CommitTran : StmtKind::RollbackTran, t);
    advance();
    if (acceptKw("TRAN") || acceptKw("TRANSACTION"))
        s->name = tranName();
    else
        acceptKw("WORK");
    return s;
}

StmtPtr Parser::raiserror() {
    StmtPtr s = makeStmt(StmtKind::Raiserror, cur());
    advance();
    expectOp("(");
    s->value = expr();
    expectOp(",");
    s->raiserrorArgs.push_back(expr());
    expectOp(",");
    s->raiserrorArgs.push_back(expr());
    while (acceptOp(",")) s->raiserrorArgs.push_back(expr());
    expectOp(")");
    if (acceptKw("WITH")) {
        do {
            if (!atAnyKw({"NOWAIT", "LOG", "SETERROR"})) fail();
            if (!s->optionValue.empty()) s->optionValue += ",";
            s->optionValue += cur().upper;
            advance();
        } while (acceptOp(","));
    }
    return s;
}

bool Parser::canStartExecArg(const Token& t) {
    if (isValueToken(t)) return true;
    switch (t.kind) {
        case Tok::Op:
            return t.text == "-" || t.text == "+";
        case Tok::Ident:
            return isName(t) || t.upper == "DEFAULT" || t.upper == "NULL";
        default:
            return false;
    }
}

StmtPtr Parser::execBody(const Token& t) {
    if (atOp("(")) {
        StmtPtr s = makeStmt(StmtKind::ExecDynamic, t);
        advance();
        s->value = expr();
        expectOp(")");
        return s;
    }
    StmtPtr s = makeStmt(StmtKind::Exec, t);
    if (cur().kind == Tok::Variable && isOp(peek(), "=")) {
        s->returnVar = cur().text;
        advance();
        advance();
    }
    if (cur().kind == Tok::Variable) {  // EXEC @procName
        s->target.parts.push_back(cur().text);
        advance();
    } else {
        s->target = objectName();
    }
    if (atOp(";") && peek().kind == Tok::Integer) {
        advance();
        advance();
    }
    if (canStartExecArg(cur())) {
        do s->args.push_back(execArg());
        while (acceptOp(","));
    }
    if (atKw("WITH") && isKw(peek(), "RECOMPILE")) {
        advance();
        advance();
    }
    return s;
}

ExecArg Parser::execArg() {
    ExecArg a;
    if (cur().kind == Tok::Variable && isOp(peek(), "=")) {
        a.name = cur().text;
        advance();
        advance();
    }
    if (acceptKw("DEFAULT")) return a;
    a.value = execValue();
    if (atKw("OUTPUT") || atKw("OUT")) {
        advance();
        a.output = true;
    }
    return a;
}

ExprPtr Parser::execValue() {
    const Token& t = cur();
    if (atOp("-") || atOp("+")) {
        ExprPtr e = node(ExprKind::Unary, t);
        e->text = t.text;
        advance();
        switch (cur().kind) {
            case Tok::Integer:
                e->args.push_back(literal(ExprKind::Integer));
                break;
            case Tok::Decimal:
                e->args.push_back(literal(ExprKind::Decimal));
                break;
            case Tok::Float:
                e->args.push_back(literal(ExprKind::Float));
                break;
            case Tok::Money:
                e->args.push_back(literal(ExprKind::Money));
                break;
            default:
                fail();
        }
        return done(std::move(e));
    }
    if (t.kind == Tok::Ident) {
        if (isKw(t, "NULL")) {
            ExprPtr e = node(ExprKind::Null, t);
            advance();
            return done(std::move(e));
        }
        if (!isName(t) || isOp(peek(), "(") || isOp(peek(), ".")) fail();
        return literal(ExprKind::String);
    }
    return primary();
}

}  // namespace tsqlite::parsing
