#include "tsqlite/parser.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <initializer_list>
#include <unordered_map>

#include "tsqlite/lexer.h"
#include "tsqlite/scanner.h"

namespace tsqlite {

namespace {

using namespace ast;

// Recursion through nested parentheses, subqueries and joins; bounds the C++ stack.
constexpr int kMaxNesting = 128;
// Nested statements (IF, WHILE, BEGIN...END) cost little stack each, and long ELSE IF chains
// nest one level per branch, so they get a budget of their own.
constexpr int kMaxStatementNesting = 512;
// Height of expression trees; SQLite refuses deeper ones anyway, and consumers walk the tree
// recursively. Long AND/OR chains count here even though they do not nest in the text.
constexpr int kMaxHeight = 1000;

Error tooDeep(int line) {
    return Error(191,
                 "Some part of your SQL statement is nested too deeply. Rewrite the query or "
                 "break it up into smaller queries.",
                 15, 1, line);
}

std::string upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

bool iequals(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
        if (x != y) return false;
    }
    return true;
}

bool isTableHint(const std::string& u) {
    static constexpr std::string_view kHints =
        " NOLOCK READUNCOMMITTED UPDLOCK REPEATABLEREAD SERIALIZABLE READCOMMITTED TABLOCK"
        " TABLOCKX PAGLOCK ROWLOCK NOWAIT READPAST XLOCK HOLDLOCK NOEXPAND INDEX FASTFIRSTROW"
        " FORCESEEK FORCESCAN KEEPIDENTITY KEEPDEFAULTS SNAPSHOT IGNORE_CONSTRAINTS"
        " IGNORE_TRIGGERS READCOMMITTEDLOCK ";
    if (u.empty()) return false;
    return kHints.find(" " + u + " ") != std::string_view::npos;
}

class Parser {
public:
    explicit Parser(const std::string& text) : text_(text) {
        LexResult lx = lex(text);
        toks_ = std::move(lx.tokens);
        lexError_ = std::move(lx.error);
    }

    std::unique_ptr<Batch> run() {
        auto batch = std::make_unique<Batch>();
        batch->text = text_;
        bool first = true;
        while (cur().kind != Tok::End) {
            StmtPtr s = statement(first);
            if (s->kind != StmtKind::Empty) first = false;
            batch->statements.push_back(std::move(s));
        }
        return batch;
    }

private:
    const std::string& text_;
    std::vector<Token> toks_;
    std::optional<Error> lexError_;
    size_t p_ = 0;
    int prevEnd_ = 0;  // end offset of the last consumed token
    int depth_ = 0;
    int statementDepth_ = 0;
    int queryHeight_ = 0;                          // tallest expression in the current query
    std::unordered_map<const Expr*, int> height_;  // only nodes taller than 1
    int derivedCount_ = 0;

    struct Nest {
        int& depth;
        Nest(Parser& p, int& counter, int limit) : depth(counter) {
            if (++depth > limit) throw tooDeep(p.cur().line);
        }
        explicit Nest(Parser& p) : Nest(p, p.depth_, kMaxNesting) {}
        ~Nest() { --depth; }
    };

    // ---- token access ----

    const Token& cur() const { return toks_[p_]; }
    const Token& peek(size_t k = 1) const { return toks_[std::min(p_ + k, toks_.size() - 1)]; }
    void advance() {
        if (cur().kind != Tok::End && cur().kind != Tok::Error) {
            prevEnd_ = cur().end;
            ++p_;
        }
    }
    // Keyword and operator tests run for nearly every token; the first-character checks
    // keep them cheap.
    static bool isKw(const Token& t, std::string_view kw) {
        return t.kind == Tok::Ident && !t.quoted && t.upper.size() == kw.size() &&
               t.upper[0] == kw[0] && t.upper == kw;
    }
    static bool isOp(const Token& t, std::string_view op) {
        return t.kind == Tok::Op && t.text.size() == op.size() && t.text[0] == op[0] &&
               (op.size() == 1 || t.text[1] == op[1]);
    }
    bool atKw(std::string_view kw) const { return isKw(cur(), kw); }
    bool atOp(std::string_view op) const { return isOp(cur(), op); }
    bool atAnyKw(std::initializer_list<std::string_view> kws) const {
        for (auto k : kws)
            if (atKw(k)) return true;
        return false;
    }
    bool acceptKw(std::string_view kw) {
        if (!atKw(kw)) return false;
        advance();
        return true;
    }
    bool acceptOp(std::string_view op) {
        if (!atOp(op)) return false;
        advance();
        return true;
    }
    void expectKw(std::string_view kw) {
        if (!acceptKw(kw)) fail();
    }
    void expectOp(std::string_view op) {
        if (!acceptOp(op)) fail();
    }
    // A name the user may write: quoted, or any word that is not reserved.
    static bool isName(const Token& t) { return t.kind == Tok::Ident && (t.quoted || !t.reserved); }

    static Pos posOf(const Token& t) { return Pos{t.line, t.column, t.offset}; }

    [[noreturn]] void fail() { failAt(cur()); }
    [[noreturn]] void failAt(const Token& t) {
        if (t.kind == Tok::Error && lexError_) throw *lexError_;
        if (t.kind == Tok::End) {
            int line = p_ > 0 ? toks_[p_ - 1].line : t.line;
            throw errors::syntaxAtEnd(line);
        }
        if (t.kind == Tok::Ident && t.reserved)
            throw Error(156, "Incorrect syntax near the keyword '" + t.text + "'.", 15, 1, t.line);
        std::string near = (t.kind == Tok::String || t.kind == Tok::NString || t.kind == Tok::Ident)
                               ? t.text
                               : text_.substr(t.offset, t.end - t.offset);
        throw errors::syntax(near, t.line);
    }

    std::string name() {
        if (!isName(cur())) fail();
        std::string s = cur().text;
        advance();
        return s;
    }

    // db.schema.object, db..object, schema.object, object. Words after a dot may be keywords.
    ObjectName objectName(size_t maxParts = 4) {
        ObjectName n;
        n.parts.push_back(name());
        while (atOp(".")) {
            if (n.parts.size() >= maxParts) fail();
            advance();
            if (atOp(".")) {
                n.parts.emplace_back();
                continue;
            }
            if (cur().kind != Tok::Ident) fail();
            n.parts.push_back(cur().text);
            advance();
        }
        return n;
    }

    long long integerLiteral() {
        bool neg = false;
        if (atOp("-") || atOp("+")) {
            neg = atOp("-");
            advance();
        }
        if (cur().kind != Tok::Integer) fail();
        long long v = 0;
        const std::string& t = cur().text;
        auto [ptr, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
        if (ec != std::errc() || ptr != t.data() + t.size()) fail();
        advance();
        return neg ? -v : v;
    }

    TypeName typeName() {
        TypeName t;
        t.pos = posOf(cur());
        if (atKw("DOUBLE")) {
            advance();
            expectKw("PRECISION");
            t.name = "float";
            return t;
        }
        t.name = objectName(3).name();  // sys.int, dbo.IdNo
        if (atOp("(")) {
            advance();
            while (true) {
                if (atKw("MAX")) {
                    advance();
                    t.args.push_back(-1);
                } else {
                    long long v = integerLiteral();
                    if (v < INT_MIN || v > INT_MAX) fail();
                    t.args.push_back(static_cast<int>(v));
                }
                if (!acceptOp(",")) break;
            }
            expectOp(")");
        }
        return t;
    }

    // Skips a parenthesised run, nesting included.
    void skipParens() {
        expectOp("(");
        int level = 1;
        while (level > 0) {
            if (cur().kind == Tok::End || cur().kind == Tok::Error) fail();
            if (atOp("(")) ++level;
            if (atOp(")")) --level;
            advance();
        }
    }

    // ---- expressions ----

    int heightOf(const Expr* e) const {
        if (!e) return 0;
        auto it = height_.find(e);
        return it == height_.end() ? 1 : it->second;
    }

    ExprPtr node(ExprKind kind, const Token& at) {
        auto e = std::make_unique<Expr>();
        e->kind = kind;
        e->pos = posOf(at);
        return e;
    }

    // Completes a node: its end offset and its height. minHeight covers nested queries.
    ExprPtr done(ExprPtr e, int minHeight = 1) {
        e->sourceEnd = prevEnd_;
        int h = minHeight;
        for (const auto& a : e->args) h = std::max(h, heightOf(a.get()) + 1);
        if (h > kMaxHeight) throw tooDeep(e->pos.line);
        if (h > 1) height_[e.get()] = h;
        queryHeight_ = std::max(queryHeight_, h);
        return e;
    }

    ExprPtr binary(std::string op, ExprPtr l, ExprPtr r) {
        auto e = std::make_unique<Expr>();
        e->kind = ExprKind::Binary_;
        e->pos = l->pos;
        e->text = std::move(op);
        e->args.push_back(std::move(l));
        e->args.push_back(std::move(r));
        return done(std::move(e));
    }

    ExprPtr expr() {
        Nest n(*this);
        return orExpr();
    }

    ExprPtr orExpr() {
        ExprPtr l = andExpr();
        while (atKw("OR")) {
            advance();
            l = binary("OR", std::move(l), andExpr());
        }
        return l;
    }

    ExprPtr andExpr() {
        ExprPtr l = notExpr();
        while (atKw("AND")) {
            advance();
            l = binary("AND", std::move(l), notExpr());
        }
        return l;
    }

    ExprPtr notExpr() {
        if (!atKw("NOT")) return comparison();
        Nest n(*this);
        const Token& t = cur();
        advance();
        ExprPtr inner = notExpr();
        if (inner->kind == ExprKind::Exists && !inner->negated && !inner->parenthesized) {
            inner->negated = true;
            inner->pos = posOf(t);
            return inner;
        }
        ExprPtr e = node(ExprKind::Unary, t);
        e->text = "NOT";
        e->args.push_back(std::move(inner));
        return done(std::move(e));
    }

    static const char* comparisonOp(const Token& t) {
        if (t.kind != Tok::Op) return nullptr;
        for (const char* op : {"=", "<>", "<", ">", "<=", ">=", "!<", "!>"})
            if (t.text == op) return op;
        if (t.text == "!=") return "<>";
        return nullptr;
    }

    ExprPtr comparison() {
        ExprPtr l = additive();
        bool negated = false;
        if (atKw("NOT") &&
            (isKw(peek(), "IN") || isKw(peek(), "LIKE") || isKw(peek(), "BETWEEN"))) {
            negated = true;
            advance();
        }
        if (atKw("IN")) {
            advance();
            return inTail(std::move(l), negated);
        }
        if (atKw("LIKE")) {
            advance();
            auto e = std::make_unique<Expr>();
            e->kind = ExprKind::Like;
            e->pos = l->pos;
            e->negated = negated;
            e->args.push_back(std::move(l));
            e->args.push_back(additive());
            if (acceptKw("ESCAPE")) e->args.push_back(additive());
            return done(std::move(e));
        }
        if (atKw("BETWEEN")) {
            advance();
            auto e = std::make_unique<Expr>();
            e->kind = ExprKind::Between;
            e->pos = l->pos;
            e->negated = negated;
            e->args.push_back(std::move(l));
            e->args.push_back(additive());
            expectKw("AND");
            e->args.push_back(additive());
            return done(std::move(e));
        }
        if (atKw("IS")) {
            advance();
            auto e = std::make_unique<Expr>();
            e->kind = ExprKind::IsNull;
            e->pos = l->pos;
            e->negated = acceptKw("NOT");
            expectKw("NULL");
            e->args.push_back(std::move(l));
            return done(std::move(e));
        }
        if (const char* op = comparisonOp(cur())) {
            advance();
            return binary(op, std::move(l), additive());
        }
        return l;
    }

    ExprPtr inTail(ExprPtr l, bool negated) {
        auto e = std::make_unique<Expr>();
        e->pos = l->pos;
        e->negated = negated;
        e->args.push_back(std::move(l));
        expectOp("(");
        if (atKw("SELECT")) {
            e->kind = ExprKind::InSubquery;
            int h = 0;
            e->select = query(&h);
            expectOp(")");
            return done(std::move(e), h + 1);
        }
        e->kind = ExprKind::InList;
        do e->args.push_back(expr());
        while (acceptOp(","));
        expectOp(")");
        return done(std::move(e));
    }

    ExprPtr additive() {
        ExprPtr l = multiplicative();
        while (cur().kind == Tok::Op &&
               (atOp("+") || atOp("-") || atOp("&") || atOp("|") || atOp("^"))) {
            if (isOp(peek(), "=") && peek().offset == cur().end) break;  // "+=" in SET
            std::string op = cur().text;
            advance();
            l = binary(std::move(op), std::move(l), multiplicative());
        }
        return l;
    }

    ExprPtr multiplicative() {
        ExprPtr l = unary();
        while (atOp("*") || atOp("/") || atOp("%")) {
            if (isOp(peek(), "=") && peek().offset == cur().end) break;
            std::string op = cur().text;
            advance();
            l = binary(std::move(op), std::move(l), unary());
        }
        return l;
    }

    ExprPtr unary() {
        if (atOp("-") || atOp("+") || atOp("~")) {
            Nest n(*this);
            ExprPtr e = node(ExprKind::Unary, cur());
            e->text = cur().text;
            advance();
            e->args.push_back(unary());
            return done(std::move(e));
        }
        ExprPtr e = primary();
        if (atKw("COLLATE")) {
            advance();
            e->collation = name();
            e->sourceEnd = prevEnd_;
        }
        return e;
    }

    ExprPtr literal(ExprKind kind) {
        ExprPtr e = node(kind, cur());
        e->text = cur().text;
        advance();
        return done(std::move(e));
    }

    ExprPtr primary() {
        const Token& t = cur();
        switch (t.kind) {
            case Tok::Integer:
                return literal(ExprKind::Integer);
            case Tok::Decimal:
                return literal(ExprKind::Decimal);
            case Tok::Float:
                return literal(ExprKind::Float);
            case Tok::String:
                return literal(ExprKind::String);
            case Tok::NString:
                return literal(ExprKind::NString);
            case Tok::Binary:
                return literal(ExprKind::Binary);
            case Tok::Money:
                return literal(ExprKind::Money);
            case Tok::Variable:
                return literal(ExprKind::Variable);
            case Tok::Parameter:
                return literal(ExprKind::Parameter);
            case Tok::Op:
                if (t.text == "(") return parenthesized();
                fail();
            case Tok::Ident:
                break;
            default:
                fail();
        }
        if (!t.quoted && isOp(peek(), "(") && (isKw(t, "CAST") || isKw(t, "TRY_CAST")))
            return castExpr();
        if (!t.quoted && t.reserved) {
            const std::string& u = t.upper;
            if (u == "NULL") {
                ExprPtr e = node(ExprKind::Null, t);
                advance();
                return done(std::move(e));
            }
            if (u == "CASE") return caseExpr();
            if (u == "EXISTS") {
                ExprPtr e = node(ExprKind::Exists, t);
                advance();
                expectOp("(");
                int h = 0;
                e->select = query(&h);
                expectOp(")");
                return done(std::move(e), h + 1);
            }
            if ((u == "CONVERT" || u == "TRY_CONVERT") && isOp(peek(), "(")) return convertExpr();
            if (u == "CURRENT_TIMESTAMP" || u == "CURRENT_USER" || u == "SESSION_USER" ||
                u == "SYSTEM_USER" || u == "USER") {
                ExprPtr e = node(ExprKind::Function, t);
                e->text = u == "CURRENT_TIMESTAMP" ? "GETDATE" : u;
                advance();
                return done(std::move(e));
            }
            if (u == "IDENTITY" && isOp(peek(), "(")) return identityFunction();
            // Reserved words that are also function names.
            bool fn = (u == "LEFT" || u == "RIGHT" || u == "COALESCE" || u == "NULLIF") &&
                      isOp(peek(), "(");
            if (!fn) fail();
        }
        return nameExpr();
    }

    // Column reference, t.*, or a function call (possibly schema-qualified).
    ExprPtr nameExpr() {
        const Token& first = cur();
        std::vector<std::string> parts{first.text};
        advance();
        bool star = false;
        while (atOp(".")) {
            if (parts.size() >= 4) fail();
            advance();
            if (atOp(".")) {
                parts.emplace_back();
                continue;
            }
            if (atOp("*")) {
                advance();
                star = true;
                break;
            }
            if (cur().kind != Tok::Ident) fail();
            parts.push_back(cur().text);
            advance();
        }
        if (star) {
            if (parts.size() > 3) fail();
            ExprPtr e = node(ExprKind::Star, first);
            e->parts = std::move(parts);
            return done(std::move(e));
        }
        if (parts.back().empty()) fail();
        if (atOp("(")) return functionCall(first, std::move(parts));
        ExprPtr e = node(ExprKind::Column, first);
        e->parts = std::move(parts);
        return done(std::move(e));
    }

    ExprPtr functionCall(const Token& first, std::vector<std::string> parts) {
        Nest n(*this);
        ExprPtr e = node(ExprKind::Function, first);
        e->text = upper(parts.back());
        e->parts = std::move(parts);
        expectOp("(");
        if (atOp("*")) {
            advance();
            e->star = true;
        } else if (!atOp(")")) {
            if (acceptKw("DISTINCT"))
                e->distinct = true;
            else
                acceptKw("ALL");
            do e->args.push_back(expr());
            while (acceptOp(","));
        }
        expectOp(")");
        if (atKw("OVER")) fail();  // window functions are not supported
        return done(std::move(e));
    }

    // IDENTITY(type [, seed, step]) in SELECT ... INTO: Function "IDENTITY" with the type.
    ExprPtr identityFunction() {
        ExprPtr e = node(ExprKind::Function, cur());
        e->text = "IDENTITY";
        advance();
        expectOp("(");
        e->type = typeName();
        if (acceptOp(",")) {
            e->args.push_back(expr());
            expectOp(",");
            e->args.push_back(expr());
        }
        expectOp(")");
        return done(std::move(e));
    }

    ExprPtr castExpr() {
        Nest n(*this);
        ExprPtr e = node(ExprKind::Cast, cur());
        e->text = cur().upper;
        advance();
        expectOp("(");
        e->args.push_back(expr());
        expectKw("AS");
        e->type = typeName();
        expectOp(")");
        return done(std::move(e));
    }

    ExprPtr convertExpr() {
        Nest n(*this);
        ExprPtr e = node(ExprKind::Convert, cur());
        e->text = cur().upper;
        advance();
        expectOp("(");
        e->type = typeName();
        expectOp(",");
        e->args.push_back(expr());
        if (acceptOp(",")) e->args.push_back(expr());
        expectOp(")");
        return done(std::move(e));
    }

    ExprPtr caseExpr() {
        Nest n(*this);
        ExprPtr e = node(ExprKind::Case, cur());
        advance();
        if (!atKw("WHEN")) {
            e->hasOperand = true;
            e->args.push_back(expr());
        }
        if (!atKw("WHEN")) fail();
        while (acceptKw("WHEN")) {
            e->args.push_back(expr());
            expectKw("THEN");
            e->args.push_back(expr());
        }
        if (acceptKw("ELSE")) {
            e->hasElse = true;
            e->args.push_back(expr());
        }
        expectKw("END");
        return done(std::move(e));
    }

    static bool isSetOpKw(const Token& t) {
        return isKw(t, "UNION") || isKw(t, "EXCEPT") || isKw(t, "INTERSECT");
    }

    // "(" already current: a scalar subquery or a parenthesised expression.
    ExprPtr parenthesized() {
        Nest n(*this);
        const Token& open = cur();
        advance();
        if (atKw("SELECT")) {
            ExprPtr e = node(ExprKind::Subquery, open);
            int h = 0;
            e->select = query(&h);
            expectOp(")");
            e->parenthesized = true;
            return done(std::move(e), h + 1);
        }
        ExprPtr inner = expr();
        // "((SELECT 1) UNION (SELECT 2))": the first term was read as a scalar subquery.
        if (inner->kind == ExprKind::Subquery && inner->args.empty() && isSetOpKw(cur())) {
            ExprPtr e = node(ExprKind::Subquery, open);
            int saved = queryHeight_;
            queryHeight_ = 0;
            e->select = queryBody(std::move(inner->select));
            int h = queryHeight_ + 2;
            queryHeight_ = std::max(saved, h);
            expectOp(")");
            e->parenthesized = true;
            height_.erase(inner.get());  // freed below; its address may be reused
            return done(std::move(e), h + 1);
        }
        expectOp(")");
        inner->parenthesized = true;
        inner->pos = posOf(open);
        inner->sourceEnd = prevEnd_;
        return inner;
    }

    // ---- queries ----

    // Is the "(" at token index i the start of a parenthesised query?
    bool queryInParens(size_t i) const {
        // Deeper runs fail on nesting anyway; the cap keeps repeated scans linear.
        size_t end = std::min(toks_.size(), i + kMaxNesting);
        while (i < end && isOp(toks_[i], "(")) ++i;
        return i < end && isKw(toks_[i], "SELECT");
    }

    SelectPtr query(int* height = nullptr) {
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

    SelectPtr queryTerm() {
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

    // term { UNION [ALL] | EXCEPT | INTERSECT term } [ORDER BY ...]
    SelectPtr queryBody(SelectPtr first) {
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

    // Flattens terms into one compound select evaluated left to right. INTERSECT binds tighter
    // than UNION and EXCEPT, and parenthesised compounds keep their grouping: such groups
    // become derived tables unless they lead the chain, where left-to-right order already
    // gives the right grouping.
    SelectPtr combine(std::vector<SelectPtr> terms, const std::vector<SetOp>& ops) {
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

    void appendTerm(SelectStmt& into, SelectPtr term, bool mayFlattenCompound) {
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

    // SELECT * FROM (term) AS __derivedN
    SelectCore derivedCore(SelectPtr term) {
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

    ExprPtr topClause() {
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

    SelectCore selectCore() {
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

    // "+=" and friends: an operator immediately followed by "=".
    const char* compoundAssign() const {
        if (cur().kind != Tok::Op || !isOp(peek(), "=") || peek().offset != cur().end)
            return nullptr;
        for (const char* op : {"+", "-", "*", "/", "%", "&", "|", "^"})
            if (cur().text == op) return op;
        return nullptr;
    }

    // Reads "=" or a compound assignment; the value is then built around `target`.
    ExprPtr assignedValue(ExprPtr target) {
        if (const char* op = compoundAssign()) {
            advance();
            advance();
            return binary(op, std::move(target), expr());
        }
        expectOp("=");
        return expr();
    }

    bool atAssignment(size_t k) const {
        const Token& t = peek(k);
        if (isOp(t, "=")) return true;
        const Token& n = peek(k + 1);
        if (t.kind != Tok::Op || !isOp(n, "=") || n.offset != t.end) return false;
        for (const char* op : {"+", "-", "*", "/", "%", "&", "|", "^"})
            if (t.text == op) return true;
        return false;
    }

    SelectItem selectItem() {
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

    std::vector<TableRefPtr> fromList() {
        std::vector<TableRefPtr> from;
        do from.push_back(tableRef());
        while (acceptOp(","));
        return from;
    }

    // Joins, left-associative; the right side may itself hold joins whose ON comes later
    // ("a JOIN b JOIN c ON c.k = b.k ON b.k = a.k").
    TableRefPtr tableRef() {
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
                jt = atKw("LEFT")    ? JoinType::Left
                     : atKw("RIGHT") ? JoinType::Right
                                     : JoinType::Full;
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

    TableRefPtr joinNode(TableRefPtr left, JoinType jt) {
        auto j = std::make_unique<TableRef>();
        j->kind = TableRef::Kind::Join;
        j->pos = left->pos;
        j->join = jt;
        j->left = std::move(left);
        return j;
    }

    // WITH (NOLOCK, ...) and the older bare (NOLOCK): locking hints mean nothing here.
    void skipTableHints() {
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

    std::string optionalAlias() {
        if (acceptKw("AS")) return name();
        if (isName(cur())) return name();
        return {};
    }

    TableRefPtr tablePrimary() {
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

    // ---- statements ----

    StmtPtr makeStmt(StmtKind kind, const Token& at) {
        auto s = std::make_unique<Stmt>();
        s->kind = kind;
        s->pos = posOf(at);
        return s;
    }

    // Several statements written as one (DROP TABLE a, b) run as a block.
    StmtPtr blockOf(std::vector<StmtPtr> list, const Token& at) {
        if (list.size() == 1) return std::move(list[0]);
        StmtPtr b = makeStmt(StmtKind::Block, at);
        b->body = std::move(list);
        return b;
    }

    StmtPtr statement(bool first) {
        Nest n(*this, statementDepth_, kMaxStatementNesting);
        const Token& t = cur();
        size_t startTok = p_;
        queryHeight_ = 0;
        // Statements share no expressions: heights of earlier ones are no longer needed.
        if (!height_.empty()) height_.clear();
        StmtPtr s;
        if (atOp(";")) {
            s = makeStmt(StmtKind::Empty, t);
            advance();
            s->sourceEnd = prevEnd_;
            return s;
        }
        if (atOp("(")) {
            s = selectStatement();
        } else if (t.kind == Tok::Ident && !t.quoted && t.reserved) {
            s = keywordStatement(t, first);
        } else if (isKw(t, "THROW") && !isOp(peek(), ".") &&
                   (!first || peek().kind != Tok::Ident || isKw(peek(), "END"))) {
            s = throwStatement();
        } else if (first && isName(t)) {
            // A batch that starts with a bare name calls that procedure.
            s = execBody(t);
        } else {
            fail();
        }
        if (p_ == startTok) fail();  // never loop without progress
        if (s->kind != StmtKind::CreateProcedure) s->sourceEnd = prevEnd_;
        acceptOp(";");
        return s;
    }

    StmtPtr keywordStatement(const Token& t, bool first) {
        const std::string& u = t.upper;
        if (u == "SELECT") return selectStatement();
        if (u == "INSERT") return insertStatement();
        if (u == "UPDATE") return updateStatement();
        if (u == "DELETE") return deleteStatement();
        if (u == "TRUNCATE") return truncateStatement();
        if (u == "CREATE") return createStatement(first, false);
        if (u == "ALTER") return alterStatement(first);
        if (u == "DROP") return dropStatement();
        if (u == "USE") return useStatement();
        if (u == "DECLARE") return declareStatement();
        if (u == "SET") return setStatement();
        if (u == "IF") return ifStatement();
        if (u == "WHILE") return whileStatement();
        if (u == "BEGIN") return beginStatement();
        if (u == "BREAK") return wordStatement(StmtKind::Break);
        if (u == "CONTINUE") return wordStatement(StmtKind::Continue);
        if (u == "RETURN") return returnStatement();
        if (u == "EXEC" || u == "EXECUTE") {
            advance();
            return execBody(t);
        }
        if (u == "COMMIT" || u == "ROLLBACK") return commitRollback();
        if (u == "SAVE") return saveStatement();
        if (u == "RAISERROR") return raiserror();
        if (u == "PRINT") return printStatement();
        fail();
    }

    StmtPtr wordStatement(StmtKind kind) {
        StmtPtr s = makeStmt(kind, cur());
        advance();
        return s;
    }

    StmtPtr useStatement() {
        StmtPtr s = wordStatement(StmtKind::Use);
        s->name = name();
        return s;
    }

    StmtPtr returnStatement() {
        StmtPtr s = wordStatement(StmtKind::Return);
        if (canStartExpr(cur())) s->value = expr();
        return s;
    }

    StmtPtr printStatement() {
        StmtPtr s = wordStatement(StmtKind::Print);
        s->value = expr();
        return s;
    }

    StmtPtr saveStatement() {
        StmtPtr s = wordStatement(StmtKind::SaveTran);
        if (!acceptKw("TRAN")) expectKw("TRANSACTION");
        s->name = tranName();
        if (s->name.empty()) fail();
        return s;
    }

    bool canStartExpr(const Token& t) const {
        switch (t.kind) {
            case Tok::Integer:
            case Tok::Decimal:
            case Tok::Float:
            case Tok::String:
            case Tok::NString:
            case Tok::Binary:
            case Tok::Money:
            case Tok::Variable:
            case Tok::Parameter:
                return true;
            case Tok::Op:
                return t.text == "(" || t.text == "-" || t.text == "+" || t.text == "~";
            case Tok::Ident:
                if (t.quoted || !t.reserved) return true;
                for (const char* k : {"NULL", "CASE", "CONVERT", "COALESCE", "NULLIF", "EXISTS",
                                      "NOT", "LEFT", "RIGHT", "CURRENT_TIMESTAMP", "CURRENT_USER",
                                      "SESSION_USER", "SYSTEM_USER", "USER", "TRY_CONVERT"})
                    if (t.upper == k) return true;
                return false;
            default:
                return false;
        }
    }

    StmtPtr selectStatement() {
        StmtPtr s = makeStmt(StmtKind::Select, cur());
        s->select = query();
        optionClause();
        return s;
    }

    // OPTION (query hints) changes nothing here.
    void optionClause() {
        if (atKw("OPTION") && isOp(peek(), "(")) {
            advance();
            skipParens();
        }
    }

    ExprPtr topOfDml() {
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

    StmtPtr insertStatement() {
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

    ExprPtr valueOrDefault() {
        if (atKw("DEFAULT")) {
            ExprPtr e = node(ExprKind::Default, cur());
            advance();
            return done(std::move(e));
        }
        return expr();
    }

    // Finds the table a single-part name stands for when it is an alias in FROM.
    static const TableRef* findAlias(const std::vector<TableRefPtr>& from, const std::string& a) {
        for (const auto& r : from)
            if (const TableRef* hit = findAlias(r.get(), a)) return hit;
        return nullptr;
    }
    static const TableRef* findAlias(const TableRef* r, const std::string& a) {
        if (!r) return nullptr;
        if (r->kind == TableRef::Kind::Named) return iequals(r->alias, a) ? r : nullptr;
        if (r->kind != TableRef::Kind::Join) return nullptr;
        if (const TableRef* hit = findAlias(r->left.get(), a)) return hit;
        return findAlias(r->right.get(), a);
    }

    // UPDATE x ... FROM t x: the target is t, written through its alias.
    static void resolveTargetAlias(Stmt& s) {
        if (s.target.parts.size() != 1 || s.from.empty()) return;
        if (const TableRef* r = findAlias(s.from, s.target.parts[0])) {
            s.targetAlias = s.target.parts[0];
            s.target = r->name;
        }
    }

    StmtPtr updateStatement() {
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

    SetClause setClause() {
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

    StmtPtr deleteStatement() {
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

    StmtPtr truncateStatement() {
        StmtPtr s = makeStmt(StmtKind::Truncate, cur());
        advance();
        expectKw("TABLE");
        s->target = objectName();
        return s;
    }

    StmtPtr createStatement(bool first, bool isAlter) {
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

    // ON filegroup, TEXTIMAGE_ON filegroup, WITH (options): storage details we do not keep.
    void storageClauses() {
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

    void indexColumns(std::vector<std::string>& cols, std::vector<bool>& desc) {
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

    bool clusteredOption(bool dflt) {
        if (acceptKw("CLUSTERED")) return true;
        if (acceptKw("NONCLUSTERED")) return false;
        return dflt;
    }

    // A column definition or a table constraint, inside CREATE TABLE or ALTER TABLE ADD.
    // Returns false when it was a constraint.
    bool tableElement(Stmt& s, bool alter) {
        if (atAnyKw({"CONSTRAINT", "PRIMARY", "UNIQUE", "FOREIGN", "CHECK"}) ||
            (alter && atKw("DEFAULT"))) {
            tableConstraint(s, alter);
            return false;
        }
        s.columnDefs.push_back(columnDef());
        return true;
    }

    void tableConstraint(Stmt& s, bool alter) {
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
            checkConstraint();
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

    void references() {
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

    void notForReplication() {
        if (atKw("NOT") && isKw(peek(), "FOR")) {
            advance();
            advance();
            expectKw("REPLICATION");
        }
    }

    // CHECK constraints are parsed for errors but not kept.
    void checkConstraint() {
        notForReplication();
        expectOp("(");
        expr();
        expectOp(")");
    }

    ColumnDef columnDef() {
        ColumnDef c;
        c.pos = posOf(cur());
        c.name = name();
        if (atKw("AS")) fail();  // computed columns are not supported
        c.type = typeName();
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
                checkConstraint();
            } else if (atAnyKw({"ROWGUIDCOL", "SPARSE", "FILESTREAM"})) {
                advance();
            } else {
                break;
            }
        }
        return c;
    }

    StmtPtr createIndex(const Token& t) {
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

    StmtPtr createProcedure(const Token& t, bool first, bool isAlter) {
        if (!first)
            throw Error(111,
                        "'CREATE/ALTER PROCEDURE' must be the first statement in a query batch.",
                        15, 1, t.line);
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

    StmtPtr alterStatement(bool first) {
        const Token& t = cur();
        if (isKw(peek(), "PROC") || isKw(peek(), "PROCEDURE")) return createStatement(first, true);
        advance();
        expectKw("TABLE");
        StmtPtr s = makeStmt(StmtKind::AlterTable, t);
        s->target = objectName();
        if (atKw("WITH") && (isKw(peek(), "CHECK") || isKw(peek(), "NOCHECK"))) {
            advance();
            advance();
        }
        if (acceptKw("ADD")) {
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

    bool ifExists() {
        if (atKw("IF") && isKw(peek(), "EXISTS")) {
            advance();
            advance();
            return true;
        }
        return false;
    }

    StmtPtr dropStatement() {
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

    StmtPtr declareStatement() {
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

    StmtPtr setStatement() {
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

    StmtPtr ifStatement() {
        StmtPtr s = makeStmt(StmtKind::If, cur());
        advance();
        s->value = expr();
        s->thenStmt = statement(false);
        if (acceptKw("ELSE")) s->elseStmt = statement(false);
        return s;
    }

    StmtPtr whileStatement() {
        StmtPtr s = makeStmt(StmtKind::While, cur());
        advance();
        s->value = expr();
        s->thenStmt = statement(false);
        return s;
    }

    // Optional transaction name: a name or a variable.
    std::string tranName() {
        if (cur().kind == Tok::Variable || isName(cur())) {
            std::string n = cur().text;
            advance();
            return n;
        }
        return {};
    }

    StmtPtr beginStatement() {
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

    // BEGIN TRY ... END TRY BEGIN CATCH ... END CATCH
    StmtPtr tryCatch() {
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

    // THROW; or THROW number, message, state
    StmtPtr throwStatement() {
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

    StmtPtr commitRollback() {
        const Token& t = cur();
        StmtPtr s = makeStmt(atKw("COMMIT") ? StmtKind::CommitTran : StmtKind::RollbackTran, t);
        advance();
        if (acceptKw("TRAN") || acceptKw("TRANSACTION"))
            s->name = tranName();
        else
            acceptKw("WORK");
        return s;
    }

    StmtPtr raiserror() {
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

    static bool canStartExecArg(const Token& t) {
        switch (t.kind) {
            case Tok::Integer:
            case Tok::Decimal:
            case Tok::Float:
            case Tok::String:
            case Tok::NString:
            case Tok::Binary:
            case Tok::Money:
            case Tok::Variable:
            case Tok::Parameter:
                return true;
            case Tok::Op:
                return t.text == "-" || t.text == "+";
            case Tok::Ident:
                return isName(t) || t.upper == "DEFAULT" || t.upper == "NULL";
            default:
                return false;
        }
    }

    // After EXEC/EXECUTE, or at a bare procedure name: EXEC(...) or a procedure call.
    StmtPtr execBody(const Token& t) {
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

    ExecArg execArg() {
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

    // Procedure arguments are constants or variables, not expressions; a bare word is a
    // string, as in EXEC sp_help Orders.
    ExprPtr execValue() {
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
};

bool blankLine(std::string_view s) {
    for (char c : s)
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n' && c != '\f' && c != '\v') return false;
    return true;
}

// "GO", "go 3", "  GO  -- done": returns the repeat count, or 0 when the line is no GO line.
int goLine(std::string_view line) {
    size_t i = 0, n = line.size();
    auto blanks = [&] {
        while (i < n && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) ++i;
    };
    blanks();
    if (i + 2 > n || !iequals(line.substr(i, 2), "GO")) return 0;
    i += 2;
    size_t afterGo = i;
    blanks();
    bool comment = i + 1 < n && line[i] == '-' && line[i + 1] == '-';
    if (i == afterGo && i < n && !comment) return 0;  // GOTO, GO5: words, not separators
    int count = 1;
    if (i < n && line[i] >= '0' && line[i] <= '9') {
        long long v = 0;
        while (i < n && line[i] >= '0' && line[i] <= '9') {
            v = std::min<long long>(v * 10 + (line[i] - '0'), INT_MAX);
            ++i;
        }
        count = std::max<long long>(v, 1);
        blanks();
    }
    if (i < n && !(line[i] == '-' && i + 1 < n && line[i + 1] == '-')) return 0;
    return count;
}

}  // namespace

std::unique_ptr<ast::Batch> parseBatch(const std::string& text) {
    return Parser(text).run();
}

std::vector<ScriptBatch> splitScript(const std::string& script) {
    std::vector<ScriptBatch> out;
    size_t n = script.size(), i = 0, batchStart = 0;
    int line = 1, batchLine = 1;
    Scanner scanner;  // GO inside a string or comment is text, as sqlcmd reads it
    bool lineStart = true;
    auto flush = [&](size_t end, int repeat) {
        std::string_view text(script.data() + batchStart, end - batchStart);
        if (!blankLine(text)) out.push_back({std::string(text), batchLine, repeat});
    };
    while (i < n) {
        if (lineStart && scanner.inCode()) {
            size_t eol = script.find('\n', i);
            if (eol == std::string::npos) eol = n;
            if (int repeat = goLine(std::string_view(script).substr(i, eol - i))) {
                flush(i, repeat);
                i = eol < n ? eol + 1 : n;
                ++line;
                batchStart = i;
                batchLine = line;
                continue;
            }
        }
        lineStart = false;
        const size_t next = scanner.step(script, i);
        for (size_t k = i; k < next; ++k) {
            if (script[k] == '\n') {
                ++line;
                lineStart = true;
            }
        }
        i = next;
    }
    flush(n, 1);
    return out;
}

}  // namespace tsqlite
