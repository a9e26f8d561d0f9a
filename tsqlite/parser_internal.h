#pragma once
// The T-SQL parser's internals, shared by its source files: the recursive-descent Parser over
// the lexer's tokens, with its nesting limits.
// parser.cpp              tokens, names, types, the statement dispatch, parseBatch
// parser_expressions.cpp  expressions, from OR down to literals, CASE, CAST and CONVERT
// parser_queries.cpp      SELECT: set operations, select lists, FROM and joins
// parser_dml.cpp          INSERT, UPDATE, DELETE, TRUNCATE
// parser_ddl.cpp          CREATE, ALTER and DROP of tables, indexes, types and procedures
// parser_control.cpp      DECLARE, SET, IF, WHILE, transactions, TRY/CATCH, RAISERROR, EXEC
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "tsqlite/ast.h"
#include "tsqlite/error.h"
#include "tsqlite/lexer.h"

namespace tsqlite::parsing {

using namespace ast;

// Recursion through nested parentheses, subqueries and joins; bounds the C++ stack.
constexpr int kMaxNesting = 128;
// Nested statements (IF, WHILE, BEGIN...END) cost little stack each, and long ELSE IF chains
// nest one level per branch, so they get a budget of their own.
constexpr int kMaxStatementNesting = 512;
// Height of expression trees; SQLite refuses deeper ones anyway, and consumers walk the tree
// recursively. Long AND/OR chains count here even though they do not nest in the text.
constexpr int kMaxHeight = 1000;

Error tooDeep(int line);
std::string upper(std::string s);
bool iequals(std::string_view a, std::string_view b);
bool isTableHint(const std::string& u);

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
    [[noreturn]] void failAt(const Token& t);

    std::string name();

    // db.schema.object, db..object, schema.object, object. Words after a dot may be keywords.
    ObjectName objectName(size_t maxParts = 4);

    long long integerLiteral();

    TypeName typeName();

    // Skips a parenthesised run, nesting included.
    void skipParens();

    // ---- expressions ----

    int heightOf(const Expr* e) const;

    ExprPtr node(ExprKind kind, const Token& at);

    // Completes a node: its end offset and its height. minHeight covers nested queries.
    ExprPtr done(ExprPtr e, int minHeight = 1);

    ExprPtr binary(std::string op, ExprPtr l, ExprPtr r);

    ExprPtr expr();

    ExprPtr orExpr();

    ExprPtr andExpr();

    ExprPtr notExpr();

    static const char* comparisonOp(const Token& t);

    ExprPtr comparison();

    ExprPtr inTail(ExprPtr l, bool negated);

    ExprPtr additive();

    ExprPtr multiplicative();

    ExprPtr unary();

    ExprPtr literal(ExprKind kind);

    ExprPtr primary();

    // Column reference, t.*, or a function call (possibly schema-qualified).
    ExprPtr nameExpr();

    ExprPtr functionCall(const Token& first, std::vector<std::string> parts);

    // IDENTITY(type [, seed, step]) in SELECT ... INTO: Function "IDENTITY" with the type.
    ExprPtr identityFunction();

    ExprPtr castExpr();

    ExprPtr convertExpr();

    ExprPtr caseExpr();

    static bool isSetOpKw(const Token& t);

    // "(" already current: a scalar subquery or a parenthesised expression.
    ExprPtr parenthesized();

    // ---- queries ----

    // Is the "(" at token index i the start of a parenthesised query?
    bool queryInParens(size_t i) const;

    SelectPtr query(int* height = nullptr);

    SelectPtr queryTerm();

    // term { UNION [ALL] | EXCEPT | INTERSECT term } [ORDER BY ...]
    SelectPtr queryBody(SelectPtr first);

    // Flattens terms into one compound select evaluated left to right. INTERSECT binds tighter
    // than UNION and EXCEPT, and parenthesised compounds keep their grouping: such groups
    // become derived tables unless they lead the chain, where left-to-right order already
    // gives the right grouping.
    SelectPtr combine(std::vector<SelectPtr> terms, const std::vector<SetOp>& ops);

    void appendTerm(SelectStmt& into, SelectPtr term, bool mayFlattenCompound);

    // SELECT * FROM (term) AS __derivedN
    SelectCore derivedCore(SelectPtr term);

    ExprPtr topClause();

    SelectCore selectCore();

    // "+=" and friends: an operator immediately followed by "=".
    const char* compoundAssign() const;

    // Reads "=" or a compound assignment; the value is then built around `target`.
    ExprPtr assignedValue(ExprPtr target);

    bool atAssignment(size_t k) const;

    SelectItem selectItem();

    std::vector<TableRefPtr> fromList();

    // Joins, left-associative; the right side may itself hold joins whose ON comes later
    // ("a JOIN b JOIN c ON c.k = b.k ON b.k = a.k").
    TableRefPtr tableRef();

    TableRefPtr joinNode(TableRefPtr left, JoinType jt);

    // WITH (NOLOCK, ...) and the older bare (NOLOCK): locking hints mean nothing here.
    void skipTableHints();

    std::string optionalAlias();

    TableRefPtr tablePrimary();

    // ---- statements ----

    StmtPtr makeStmt(StmtKind kind, const Token& at);

    // Several statements written as one (DROP TABLE a, b) run as a block.
    StmtPtr blockOf(std::vector<StmtPtr> list, const Token& at);

    StmtPtr statement(bool first);

    StmtPtr keywordStatement(const Token& t, bool first);

    StmtPtr wordStatement(StmtKind kind);

    StmtPtr useStatement();

    StmtPtr returnStatement();

    StmtPtr printStatement();

    StmtPtr saveStatement();

    bool canStartExpr(const Token& t) const;

    StmtPtr selectStatement();

    // OPTION (query hints) changes nothing here.
    void optionClause();

    ExprPtr topOfDml();

    StmtPtr insertStatement();

    ExprPtr valueOrDefault();

    // Finds the table a single-part name stands for when it is an alias in FROM.
    static const TableRef* findAlias(const std::vector<TableRefPtr>& from, const std::string& a);
    static const TableRef* findAlias(const TableRef* r, const std::string& a);

    // UPDATE x ... FROM t x: the target is t, written through its alias.
    static void resolveTargetAlias(Stmt& s);

    StmtPtr updateStatement();

    SetClause setClause();

    StmtPtr deleteStatement();

    StmtPtr truncateStatement();

    StmtPtr createStatement(bool first, bool isAlter);

    // ON filegroup, TEXTIMAGE_ON filegroup, WITH (options): storage details we do not keep.
    void storageClauses();

    void indexColumns(std::vector<std::string>& cols, std::vector<bool>& desc);

    bool clusteredOption(bool dflt);

    // A column definition or a table constraint, inside CREATE TABLE or ALTER TABLE ADD.
    // Returns false when it was a constraint.
    bool tableElement(Stmt& s, bool alter);

    void tableConstraint(Stmt& s, bool alter);

    void references();

    void notForReplication();

    // CHECK constraints are parsed for errors but not kept.
    ExprPtr checkConstraint();

    ColumnDef columnDef();

    StmtPtr createIndex(const Token& t);

    StmtPtr createProcedure(const Token& t, bool first, bool isAlter);

    StmtPtr alterStatement(bool first);

    bool ifExists();

    StmtPtr dropStatement();

    StmtPtr declareStatement();

    StmtPtr setStatement();

    StmtPtr ifStatement();

    StmtPtr whileStatement();

    // Optional transaction name: a name or a variable.
    std::string tranName();

    StmtPtr beginStatement();

    // BEGIN TRY ... END TRY BEGIN CATCH ... END CATCH
    StmtPtr tryCatch();

    // THROW; or THROW number, message, state
    StmtPtr throwStatement();

    StmtPtr commitRollback();

    StmtPtr raiserror();

    static bool canStartExecArg(const Token& t);
    // A literal, a variable or a parameter: a value on its own, wherever one may stand.
    static bool isValueToken(const Token& t);

    // After EXEC/EXECUTE, or at a bare procedure name: EXEC(...) or a procedure call.
    StmtPtr execBody(const Token& t);

    ExecArg execArg();

    // Procedure arguments are constants or variables, not expressions; a bare word is a
    // string, as in EXEC sp_help Orders.
    ExprPtr execValue();
};

}  // namespace tsqlite::parsing
