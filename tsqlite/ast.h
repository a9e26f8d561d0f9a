#pragma once
// Syntax tree of T-SQL batches. The parser knows syntax only: names are kept as written
// (brackets removed), nothing is resolved against a catalog.
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tsqlite::ast {

struct Expr;
struct SelectStmt;
struct Stmt;
struct TableRef;
using ExprPtr = std::unique_ptr<Expr>;
using StmtPtr = std::unique_ptr<Stmt>;
using SelectPtr = std::unique_ptr<SelectStmt>;
using TableRefPtr = std::unique_ptr<TableRef>;

struct Pos {
    int line = 1;    // 1-based line within the batch
    int column = 1;  // 1-based
    int offset = 0;  // byte offset within the batch text
};

// A multi-part object name: db.schema.object, db..object, schema.object, object.
// Parts are stored left to right as written, empty for an omitted middle part ("db..t").
struct ObjectName {
    std::vector<std::string> parts;
    const std::string& name() const { return parts.back(); }
    std::string database() const { return parts.size() >= 3 ? parts[parts.size() - 3] : ""; }
    bool isTemp() const {
        return !parts.empty() && !parts.back().empty() && parts.back()[0] == '#';
    }
};

// A type as written: name plus up to two numeric arguments; -1 means "max".
struct TypeName {
    std::string name;       // as written, e.g. "varchar", "IdNo", "decimal"
    std::vector<int> args;  // (20) or (18,2) or (max) -> {-1}
    Pos pos;
};

enum class ExprKind {
    Null,        // NULL literal
    Integer,     // 12  (text holds the digits)
    Decimal,     // 12.50 (text holds the literal)
    Float,       // 1e3
    String,      // 'abc' (text holds the unescaped value)
    NString,     // N'abc'
    Binary,      // 0x1F (text holds the hex digits)
    Money,       // $12.5
    Column,      // name parts: [db.][schema.][table.]column ; Star when column is "*"
    Star,        // * or t.* (parts hold the qualifier, if any)
    Variable,    // @name (text keeps the leading '@'); also @@ROWCOUNT etc. (text "@@ROWCOUNT")
    Parameter,   // :name client parameter (text holds the name without ':')
    Unary,       // op: "-", "+", "~", "NOT"; args[0]
    Binary_,     // op: + - * / % & | ^ = <> != < > <= >= !< !> AND OR; args[0], args[1]
    Function,    // name (upper case); args; distinct for aggregates; star for COUNT(*)
    Case,        // args: [operand?] then when/then pairs then [else]; see hasOperand/hasElse
    Cast,        // CAST(args[0] AS type)
    Convert,     // CONVERT(type, args[0] [, args[1] = style])
    Subquery,    // (SELECT ...) as a scalar
    Exists,      // EXISTS (select)
    InList,      // args[0] IN (args[1..])
    InSubquery,  // args[0] IN (select)
    Between,     // args[0] BETWEEN args[1] AND args[2]
    Like,        // args[0] LIKE args[1] [ESCAPE args[2]]
    IsNull,      // args[0] IS [NOT] NULL
    Default,     // DEFAULT in INSERT VALUES rows and UPDATE SET values
};

struct Expr {
    ExprKind kind = ExprKind::Null;
    Pos pos;
    std::string text;  // literal text, variable/parameter name, operator, function name
    std::vector<std::string> parts;  // Column and Star names
    std::vector<ExprPtr> args;
    SelectPtr select;         // Subquery, Exists, InSubquery
    TypeName type;            // Cast, Convert
    bool negated = false;     // NOT IN, NOT LIKE, NOT BETWEEN, IS NOT NULL, NOT EXISTS
    bool distinct = false;    // COUNT(DISTINCT x)
    bool star = false;        // COUNT(*)
    bool hasOperand = false;  // simple CASE
    bool hasElse = false;     // CASE ... ELSE
    bool parenthesized = false;
    int sourceEnd = 0;      // byte offset just past the expression
    std::string collation;  // expr COLLATE name
};

struct SelectItem {
    ExprPtr expr;           // Star kind for * and t.*
    std::string alias;      // AS alias, alias = expr, or 'alias' string form
    std::string assignVar;  // SELECT @v = expr  (holds "@v")
};

enum class JoinType { None, Inner, Left, Right, Full, Cross };

struct TableRef {
    enum class Kind { Named, Derived, Join, Values };
    Kind kind = Kind::Named;
    Pos pos;
    ObjectName name;  // Named
    std::string alias;
    SelectPtr derived;               // Derived: (SELECT ...) alias
    JoinType join = JoinType::None;  // Join
    TableRefPtr left, right;
    ExprPtr on;
};

struct OrderItem {
    ExprPtr expr;
    bool desc = false;
};

enum class SetOp { UnionAll, Union, Except, Intersect };

struct SelectCore {
    Pos pos;
    bool distinct = false;
    ExprPtr top;  // TOP n / TOP (n)
    bool topPercent = false;
    std::vector<SelectItem> items;
    std::optional<ObjectName> into;  // SELECT ... INTO table
    std::vector<TableRefPtr> from;   // comma-separated list of table references (joins nest)
    ExprPtr where;
    std::vector<ExprPtr> groupBy;
    ExprPtr having;
};

struct SelectStmt {
    Pos pos;
    std::vector<SelectCore> cores;  // cores[0] op[0] cores[1] op[1] cores[2] ...
    std::vector<SetOp> ops;         // evaluated left to right: the parser already made
                                    // INTERSECT groups and parenthesised terms derived tables
    std::vector<OrderItem> orderBy;
};

// CHECK (expr), named or not; a column's own constraint notes its column.
struct CheckDef {
    std::string name;  // may be empty
    ExprPtr expr;
    std::string column;  // the column it was written on, empty for a table constraint
};

struct ColumnDef {
    Pos pos;
    std::string name;
    TypeName type;
    std::optional<bool> nullable;  // NULL / NOT NULL as written
    bool identity = false;
    long long identitySeed = 1, identityStep = 1;
    ExprPtr defaultValue;
    bool primaryKey = false;
    bool unique = false;
    std::string constraintName;  // CONSTRAINT name before PRIMARY KEY / UNIQUE / DEFAULT
    std::string collation;
    std::vector<CheckDef> checks;
};

struct TableConstraint {
    std::string name;         // may be empty
    bool primaryKey = false;  // else UNIQUE
    std::vector<std::string> columns;
    std::vector<bool> descending;
};

struct ExecArg {
    std::string name;  // "@param" for named arguments, empty for positional
    ExprPtr value;     // null when DEFAULT
    bool output = false;
};

struct VarDecl {
    std::string name;  // "@v"
    TypeName type;
    ExprPtr init;
};

struct ProcParam {
    std::string name;  // "@p"
    TypeName type;
    ExprPtr defaultValue;
    bool output = false;
};

struct SetClause {
    std::vector<std::string> column;  // column name parts; empty when only a variable is set
    std::string variable;             // "@v" for SET @v = expr or SET @v = col = expr
    ExprPtr value;
};

enum class StmtKind {
    Select,  // select (possibly with INTO)
    Insert,
    Update,
    Delete,
    Truncate,
    CreateTable,
    AlterTable,  // ADD columns / ALTER COLUMN / DROP COLUMN
    DropTable,
    CreateIndex,
    DropIndex,
    CreateDatabase,
    DropDatabase,
    Use,
    CreateProcedure,  // also ALTER PROCEDURE (isAlter)
    DropProcedure,
    CreateType,  // CREATE TYPE name FROM base [NULL|NOT NULL]
    Declare,
    SetVariable,  // SET @v = expr
    SetOption,    // SET NOCOUNT ON, SET DATEFORMAT dmy, ...
    If,
    While,
    Block,  // BEGIN ... END
    Return,
    Break,
    Continue,
    Exec,         // EXEC proc args, or a bare procedure call as the first statement
    ExecDynamic,  // EXEC(@sql) / EXEC('...' + ...)
    BeginTran,
    CommitTran,
    RollbackTran,
    SaveTran,
    Raiserror,
    Print,
    TryCatch,  // BEGIN TRY body END TRY BEGIN CATCH catchBody END CATCH
    Throw,     // THROW [number, message, state] (raiserrorArgs hold the three)
    Empty,     // a lone semicolon
};

struct Stmt {
    StmtKind kind = StmtKind::Empty;
    Pos pos;
    int sourceEnd = 0;  // byte offset just past the statement in the batch text

    // Select, Insert source, If/While conditions use these:
    SelectPtr select;

    // Insert / Update / Delete / Truncate / CreateTable / AlterTable / DropTable /
    // CreateIndex (table) / DropIndex / CreateProcedure / DropProcedure / Exec (procedure)
    ObjectName target;
    std::string targetAlias;  // UPDATE alias SET ... FROM t alias
    std::vector<std::string>
        columns;                   // INSERT column list; CREATE INDEX columns; ALTER DROP COLUMN
    std::vector<bool> descending;  // CREATE INDEX column order
    std::vector<std::vector<ExprPtr>> values;  // INSERT VALUES rows
    StmtPtr insertExec;                        // INSERT ... EXEC proc (an Exec or ExecDynamic)
    bool defaultValues = false;                // INSERT ... DEFAULT VALUES
    std::vector<SetClause> sets;               // UPDATE SET list
    std::vector<TableRefPtr> from;             // UPDATE/DELETE ... FROM
    ExprPtr where;
    ExprPtr top;  // UPDATE/DELETE TOP (n)

    // CreateTable / AlterTable ADD / ALTER COLUMN
    std::vector<ColumnDef> columnDefs;
    std::vector<TableConstraint> constraints;
    std::vector<CheckDef> checks;  // table CHECK constraints (CREATE TABLE, ALTER TABLE ADD)
    bool noCheck = false;          // ALTER TABLE ... WITH NOCHECK: existing rows are not checked
    // EnableConstraints / DisableConstraints: ALTER TABLE [WITH CHECK] CHECK CONSTRAINT and
    // NOCHECK CONSTRAINT, the names in `columns`, or every constraint when allConstraints.
    enum class AlterAction {
        Add,
        AlterColumn,
        DropColumn,
        AddConstraint,
        DropConstraint,
        EnableConstraints,
        DisableConstraints
    };
    AlterAction alterAction = AlterAction::Add;
    bool allConstraints = false;

    // CreateIndex / DropIndex / CreateDatabase / DropDatabase / Use / CreateType / SetOption
    std::string name;     // index name, database name, type name, option name
    bool unique = false;  // CREATE UNIQUE INDEX
    bool clustered = false;
    TypeName baseType;             // CreateType
    std::optional<bool> nullable;  // CreateType
    std::string optionValue;       // SetOption: "ON", "OFF", or the value as written
                                   // (SET IDENTITY_INSERT t ON: table in target; SET DATEFORMAT @v:
    // the variable also in value); Raiserror: WITH options, "NOWAIT,LOG"
    bool ifExists = false;  // DROP ... IF EXISTS

    // Declare
    std::vector<VarDecl> vars;
    // SetVariable
    std::string variable;  // "@v"
    ExprPtr value;         // SET value; RETURN value; RAISERROR message; PRINT value;
                           // ExecDynamic text; IF/WHILE condition
    // If / While / Block / CreateProcedure body
    StmtPtr thenStmt, elseStmt;      // If (elseStmt may be null); While body in thenStmt
    std::vector<StmtPtr> body;       // Block; CreateProcedure; TryCatch's TRY part
    std::vector<StmtPtr> catchBody;  // TryCatch's CATCH part
    // CreateProcedure
    bool isAlter = false;
    std::vector<ProcParam> params;
    int bodyOffset = 0;  // byte offset of the CREATE keyword (the procedure text runs to sourceEnd)
    // Exec
    std::vector<ExecArg> args;
    std::string returnVar;  // EXEC @rc = proc
    // Raiserror: value = message; raiserrorArgs = severity, state, then substitution args
    std::vector<ExprPtr> raiserrorArgs;
    // BeginTran / CommitTran / RollbackTran / SaveTran: optional transaction name in name
};

struct Batch {
    std::string text;  // the batch as given
    std::vector<StmtPtr> statements;
};

}  // namespace tsqlite::ast
