// Queries: set operations, select lists with assignments, TOP, FROM with joins and hints.
#include "tsqlite/parser_internal.h"

namespace tsqlite::parsing {

bool Parser::queryInParens(size_t i) const {
    // Deeper runs fail on nesting anyway; the cap keeps repeated scans linear.
    size_t end = std::min(toks_.size(), i + kMaxNesting);
    while (i < end && isOp(toks_[i], "(")) ++i;
    return i < end && isKw(toks_[i], "SELECT");
}

SelectPtr Parser::query(int* height) {
    Nest n(*this);
    int saved = queryHeight_;
    queryHeight_ = 0;
    SelectPtr s = queryBody(nullptr);
    int h = queryHeight_ + 2;
    if (h > kMaxHeight) throw tooDeep(s->pos.line);
    queryHeight_ = std::max(saved, h);
    if (height) *height = h;
    return s;
}

SelectPtr Parser::queryTerm() {
    if (atKw("SELECT")) {
        auto s = std::make_unique<SelectStmt>();
        s->pos = posOf(cur());
        s->cores.push_back(selectCore());
        return s;
    }
    if (atOp("(")) {
        Nest n(*this);
        Pos pos = posOf(cur());
        advance();
        SelectPtr s = queryBody(nullptr);
        expectOp(")");
        s->pos = pos;
        return s;
    }
    fail();
}

SelectPtr Parser::queryBody(SelectPtr first) {
    std::vector<SelectPtr> terms;
    std::vector<SetOp> ops;
    terms.push_back(first ? std::move(first) : queryTerm());
    while (isSetOpKw(cur())) {
        if (acceptKw("UNION"))
            ops.push_back(acceptKw("ALL") ? SetOp::UnionAll : SetOp::Union);
        else if (acceptKw("EXCEPT"))
            ops.push_back(SetOp::Except);
        else {
            advance();
            ops.push_back(SetOp::Intersect);
        }
        terms.push_back(queryTerm());
    }
    std::vector<OrderItem> order;
    if (atKw("ORDER")) {
        advance();
        expectKw("BY");
        do {
            OrderItem it;
            it.expr = expr();
            if (acceptKw("DESC"))
                it.desc = true;
            else
                acceptKw("ASC");
            order.push_back(std::move(it));
        } while (acceptOp(","));
    }
    if (terms.size() == 1 && (order.empty() || terms[0]->orderBy.empty())) {
        SelectPtr s = std::move(terms[0]);
        if (!order.empty()) s->orderBy = std::move(order);
        return s;
    }
    SelectPtr s = combine(std::move(terms), ops);
    s->orderBy = std::move(order);
    return s;
}

SelectPtr Parser::combine(std::vector<SelectPtr> terms, const std::vector<SetOp>& ops) {
    auto out = std::make_unique<SelectStmt>();
    out->pos = terms[0]->pos;
    size_t i = 0;
    bool leading = true;
    while (i < terms.size()) {
        size_t j = i + 1;
        while (j < terms.size() && ops[j - 1] == SetOp::Intersect) ++j;
        if (i > 0) out->ops.push_back(ops[i - 1]);
        if (leading || j == i + 1) {
            for (size_t k = i; k < j; ++k) {
                if (k > i) out->ops.push_back(SetOp::Intersect);
                // A leading compound keeps its grouping only when no INTERSECT follows.
                appendTerm(*out, std::move(terms[k]), leading && k == i && j == i + 1);
            }
        } else {
            auto group = std::make_unique<SelectStmt>();
            group->pos = terms[i]->pos;
            for (size_t k = i; k < j; ++k) {
                if (k > i) group->ops.push_back(SetOp::Intersect);
                appendTerm(*group, std::move(terms[k]), false);
            }
            out->cores.push_back(derivedCore(std::move(group)));
        }
        leading = false;
        i = j;
    }
    return out;
}

void Parser::appendTerm(SelectStmt& into, SelectPtr term, bool mayFlattenCompound) {
    bool simple = term->cores.size() == 1 && term->orderBy.empty();
    bool flat = simple || (mayFlattenCompound && into.cores.empty() && term->orderBy.empty());
    if (!flat) {
        into.cores.push_back(derivedCore(std::move(term)));
        return;
    }
    for (size_t k = 0; k < term->cores.size(); ++k) {
        if (k > 0) into.ops.push_back(term->ops[k - 1]);
        into.cores.push_back(std::move(term->cores[k]));
    }
}

SelectCore Parser::derivedCore(SelectPtr term) {
    SelectCore core;
    core.pos = term->pos;
    SelectItem star;
    star.expr = std::make_unique<Expr>();
    star.expr->kind = ExprKind::Star;
    star.expr->pos = term->pos;
    core.items.push_back(std::move(star));
    auto ref = std::make_unique<TableRef>();
    ref->kind = TableRef::Kind::Derived;
    ref->pos = term->pos;
    ref->alias = "__derived" + std::to_string(++derivedCount_);
    ref->derived = std::move(term);
    core.from.push_back(std::move(ref));
    return core;
}

ExprPtr Parser::topClause() {
    if (atOp("(")) {
        const Token& open = cur();
        advance();
        ExprPtr e = expr();
        expectOp(")");
        e->parenthesized = true;
        e->pos = posOf(open);
        e->sourceEnd = prevEnd_;
        return e;
    }
    if (cur().kind == Tok::Integer) return literal(ExprKind::Integer);
    if (cur().kind == Tok::Decimal) return literal(ExprKind::Decimal);
    if (cur().kind == Tok::Parameter) return literal(ExprKind::Parameter);
    fail();
}

SelectCore Parser::selectCore() {
    SelectCore c;
    c.pos = posOf(cur());
    expectKw("SELECT");
    if (acceptKw("DISTINCT"))
        c.distinct = true;
    else
        acceptKw("ALL");
    if (acceptKw("TOP")) {
        c.top = topClause();
        c.topPercent = acceptKw("PERCENT");
        if (atKw("WITH")) fail();  // WITH TIES is not supported
    }
    do c.items.push_back(selectItem());
    while (acceptOp(","));
    if (acceptKw("INTO")) c.into = objectName();
    if (acceptKw("FROM")) c.from = fromList();
    if (acceptKw("WHERE")) c.where = expr();
    if (atKw("GROUP")) {
        advance();
        expectKw("BY");
        do c.groupBy.push_back(expr());
        while (acceptOp(","));
    }
    if (acceptKw("HAVING")) c.having = expr();
    return c;
}

const char* Parser::compoundAssign() const {
    if (cur().kind != Tok::Op || !isOp(peek(), "=") || peek().offset != cur().end) return nullptr;
    for (const char* op : {"+", "-", "*", "/", "%", "&", "|", "^"})
        if (cur().text == op) return op;
    return nullptr;
}

ExprPtr Parser::assignedValue(ExprPtr target) {
    if (const char* op = compoundAssign()) {
        advance();
        advance();
        return binary(op, std::move(target), expr());
    }
    expectOp("=");
    return expr();
}

bool Parser::atAssignment(size_t k) const {
    const Token& t = peek(k);
    if (isOp(t, "=")) return true;
    const Token& n = peek(k + 1);
    if (t.kind != Tok::Op || !isOp(n, "=") || n.offset != t.end) return false;
    for (const char* op : {"+", "-", "*", "/", "%", "&", "|", "^"})
        if (t.text == op) return true;
    return false;
}

SelectItem Parser::selectItem() {
    SelectItem it;
    const Token& t = cur();
    if (atOp("*")) {
        it.expr = node(ExprKind::Star, t);
        advance();
        it.expr = done(std::move(it.expr));
        return it;
    }
    if (t.kind == Tok::Variable && atAssignment(1)) {
        it.assignVar = t.text;
        ExprPtr var = literal(ExprKind::Variable);
        it.expr = assignedValue(std::move(var));
        return it;
    }
    if ((isName(t) || t.kind == Tok::String || t.kind == Tok::NString) && isOp(peek(), "=")) {
        it.alias = t.text;
        advance();
        advance();
        it.expr = expr();
        return it;
    }
    it.expr = expr();
    if (acceptKw("AS")) {
        if (!isName(cur()) && cur().kind != Tok::String && cur().kind != Tok::NString) fail();
        it.alias = cur().text;
        advance();
    } else if (isName(cur()) || cur().kind == Tok::String || cur().kind == Tok::NString) {
        it.alias = cur().text;
        advance();
    }
    return it;
}

std::vector<TableRefPtr> Parser::fromList() {
    std::vector<TableRefPtr> from;
    do from.push_back(tableRef());
    while (acceptOp(","));
    return from;
}

TableRefPtr Parser::tableRef() {
    Nest n(*this);
    TableRefPtr left = tablePrimary();
    while (true) {
        JoinType jt;
        if (atKw("CROSS")) {
            if (!isKw(peek(), "JOIN")) fail();  // CROSS APPLY is not supported
            advance();
            advance();
            auto j = joinNode(std::move(left), JoinType::Cross);
            j->right = tablePrimary();
            left = std::move(j);
            continue;
        }
        if (atKw("JOIN")) {
            jt = JoinType::Inner;
        } else if (atKw("INNER")) {
            jt = JoinType::Inner;
            advance();
        } else if (atKw("LEFT") || atKw("RIGHT") || atKw("FULL")) {
            jt = atKw("LEFT") ? JoinType::Left : atKw("RIGHT") ? JoinType::Right : JoinType::Full;
            advance();
            acceptKw("OUTER");
        } else {
            break;
        }
        if (atAnyKw({"LOOP", "HASH", "MERGE", "REMOTE"})) advance();  // join hints
        expectKw("JOIN");
        auto j = joinNode(std::move(left), jt);
        j->right = tableRef();
        expectKw("ON");
        j->on = expr();
        left = std::move(j);
    }
    return left;
}

TableRefPtr Parser::joinNode(TableRefPtr left, JoinType jt) {
    auto j = std::make_unique<TableRef>();
    j->kind = TableRef::Kind::Join;
    j->pos = left->pos;
    j->join = jt;
    j->left = std::move(left);
    return j;
}

void Parser::skipTableHints() {
    while (true) {
        if (atKw("WITH") && isOp(peek(), "(")) {
            advance();
            skipParens();
        } else if (atOp("(") && peek().kind == Tok::Ident && !peek().quoted &&
                   isTableHint(peek().upper)) {
            skipParens();
        } else {
            return;
        }
    }
}

std::string Parser::optionalAlias() {
    if (acceptKw("AS")) return name();
    if (isName(cur())) return name();
    return {};
}

TableRefPtr Parser::tablePrimary() {
    auto ref = std::make_unique<TableRef>();
    ref->pos = posOf(cur());
    if (atOp("(")) {
        Nest n(*this);
        if (queryInParens(p_)) {
            advance();
            ref->kind = TableRef::Kind::Derived;
            ref->derived = query();
            expectOp(")");
            ref->alias = optionalAlias();
            return ref;
        }
        advance();
        TableRefPtr inner = tableRef();
        expectOp(")");
        return inner;
    }
    ref->kind = TableRef::Kind::Named;
    ref->name = objectName();
    if (atOp("(") && !(peek().kind == Tok::Ident && isTableHint(peek().upper)))
        fail();  // table-valued functions are not supported
    skipTableHints();
    ref->alias = optionalAlias();
    skipTableHints();
    return ref;
}

StmtPtr Parser::selectStatement() {
    StmtPtr s = makeStmt(StmtKind::Select, cur());
    s->select = query();
    optionClause();
    return s;
}

void Parser::optionClause() {
    if (atKw("OPTION") && isOp(peek(), "(")) {
        advance();
        skipParens();
    }
}

}  // namespace tsqlite::parsing
