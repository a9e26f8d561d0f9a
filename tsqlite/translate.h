#pragma once
// Binder and translator: resolves names against the catalog, types every expression with SQL
// Server's rules, and writes SQLite SQL that calls the tsq_* runtime where SQLite's own
// semantics differ.
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "tsqlite/engine.h"
#include "tsqlite/parser.h"

namespace tsqlite {

namespace translation {
struct Call;
}

// What the translator needs from the session.
class TranslateContext {
public:
    virtual ~TranslateContext() = default;
    virtual const std::string& currentDatabase() = 0;
    // Resolves a table name (throws 208 when unknown). May attach the table's database.
    virtual std::shared_ptr<TableInfo> findTable(const ast::ObjectName& name) = 0;
    virtual std::shared_ptr<TableInfo> tryFindTable(const ast::ObjectName& name) = 0;
    // Type of a declared variable ("@v", any case); throws 137 when undeclared.
    virtual SqlType variableType(const std::string& name) = 0;
    // Type of a client parameter (":name"), from its bound value; throws when unbound.
    virtual SqlType parameterType(const std::string& name) = 0;
    // SQLite schema alias of a database by name (attaching it when needed); throws 4060/911.
    virtual std::string schemaOf(const std::string& database) = 0;
    // Resolves a user type name in the current database.
    virtual std::optional<SqlType> userType(const std::string& name) = 0;
    // The column lists (lower case) of the table's unique indexes and keys.
    virtual std::vector<std::vector<std::string>> uniqueKeys(const TableInfo&) { return {}; }
};

// A translated expression.
struct Tx {
    std::string sql;
    SqlType type;
    bool constant = false;  // a literal whose value is known now
    Value value;            // when constant
    bool collated = false;  // carries the TSQL collation already (a table's text column)
    const ColumnInfo* origin = nullptr;  // a base table's column, selected as it is
    bool outerSide = false;              // from the outer side of a LEFT/FULL JOIN
    bool wideLiteral = false;            // a whole-number literal beyond int's range
};

struct Source {
    std::string alias;     // name used to qualify columns (alias or table name)
    std::string sqlAlias;  // quoted alias in the SQL
    std::vector<Column> columns;
    std::shared_ptr<TableInfo> table;  // for base tables
    bool nullable = false;             // the outer side of a LEFT JOIN
};

struct Scope {
    std::vector<Source> sources;
    Scope* parent = nullptr;
    // Select-list aliases visible to ORDER BY.
    const std::vector<std::pair<std::string, Tx>>* selectAliases = nullptr;
};

struct SelectTx {
    std::string sql;
    std::vector<Column> columns;
    std::vector<std::string> assignVars;     // SELECT @v = ...
    std::vector<const ColumnInfo*> origins;  // per column: the base column it copies, if any
    bool singleTable = false;                // one base table, no join, grouping or set operator
};

class Translator {
public:
    explicit Translator(TranslateContext& ctx) : ctx_(ctx) {}

    // SELECT (without INTO); outer is the enclosing scope for correlated subqueries.
    SelectTx select(const ast::SelectStmt& s, Scope* outer = nullptr, bool positionalNames = false);
    // A scalar expression outside any query (IF, SET, RETURN...): "SELECT <expr>".
    Tx expression(const ast::Expr& e, Scope* scope = nullptr);
    // Converts to a type: implicit (comparison, arithmetic) or explicit (CAST, assignment).
    Tx tryConvert(const Tx& x, const SqlType& to, int style);
    Tx convert(const Tx& x, const SqlType& to, bool explicitConversion, int style = -1,
               bool assign = false);
    Tx boolean(const ast::Expr& e, Scope* scope);

    // Statement translations. Each returns SQLite SQL using ?N binds collected in binds().
    std::string insert(const ast::Stmt& s, const TableInfo& t, bool identityInsert,
                       std::vector<int>* targetColumns);
    std::string update(const ast::Stmt& s, const TableInfo& t);
    std::string del(const ast::Stmt& s, const TableInfo& t);

    SqlType resolveType(const ast::TypeName& t, bool castContext);

    const std::vector<std::string>& binds() const { return binds_; }
    bool grouped() const { return grouped_; }
    std::string bindRef(const std::string& name);  // ?N for a variable or parameter

private:
    friend struct translation::Call;  // the built-in functions' emitters

    Tx expr(const ast::Expr& e, Scope* scope);
    Tx function(const ast::Expr& e, Scope* scope);
    Tx column(const ast::Expr& e, Scope* scope);
    Tx binary(const ast::Expr& e, Scope* scope);
    Tx scaledArithmetic(const std::string& op, Tx a, Tx b, const SqlType& type);
    Tx compare(const std::string& op, Tx a, Tx b);
    std::string from(const ast::TableRef& r, Scope& scope);
    Source sourceOf(const std::shared_ptr<TableInfo>& t, const std::string& alias);
    // The rows of an INSERT ... SELECT that go straight into the table: the select list
    // converts each column to the type of the column it fills and adds the defaulted ones.
    struct InsertTarget {
        std::vector<SqlType> types;
        std::vector<std::string> extra;
    };
    std::string core(const ast::SelectCore& c, Scope* outer, std::vector<Column>& cols,
                     std::vector<std::string>& assign, bool positionalNames,
                     const std::vector<ast::OrderItem>* orderBy, std::string* orderSql,
                     const InsertTarget* target = nullptr);
    std::string datePart(const ast::Expr& e);
    Tx toTextForLike(Tx x);
    bool returnsOneRow(const ast::SelectStmt& s);
    bool readsByUniqueKey(const ast::SelectCore& c);
    // An item (SELECT v FROM T WHERE key = outer value) of a core that neither groups nor
    // aggregates, read as T LEFT JOIN'ed to the core's FROM: appends the join to fromSql and
    // gives the item's value. Nothing for any other item.
    std::optional<Tx> lookupJoin(const ast::Expr& e, const ast::SelectCore& outer, Scope& scope,
                                 std::string& fromSql);
    void checkGrouping(const ast::SelectCore& c, Scope& scope);
    std::string defaultSql(const ColumnInfo& c);
    std::string rowLimited(const TableInfo& t, const std::string& where, const ast::Expr& top,
                           const std::string& alias, const std::string& verb,
                           const std::vector<std::string>& sets);
    std::map<std::string, std::unique_ptr<ast::Batch>> defaults_;

    TranslateContext& ctx_;
    std::vector<std::string> binds_;
    std::vector<std::string> bindKeys_;  // binds_ in lower case, to find one again
    // Variables that the select being translated assigns, by lower name: they are read from
    // the session row by row (tsq_var) instead of being bound once.
    std::set<std::string> liveVars_;
    bool grouped_ = false;                        // the select core being translated has a GROUP BY
    int lookupJoins_ = 0;                         // look-ups made joins, to name them
    std::vector<const ColumnInfo*> origins_;      // of the core being translated
    const InsertTarget* insertTarget_ = nullptr;  // for the next select() only
};

}  // namespace tsqlite
