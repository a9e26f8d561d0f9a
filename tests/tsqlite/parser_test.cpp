#include <gtest/gtest.h>

#include <random>

#include "tsqlite/lexer.h"
#include "tsqlite/parser.h"

using namespace tsqlite;
using namespace tsqlite::ast;

namespace {

std::string join(const std::vector<std::string>& parts, const char* sep = ".") {
    std::string r;
    for (size_t i = 0; i < parts.size(); ++i) r += (i ? sep : "") + parts[i];
    return r;
}

// Compact prefix form of an expression, so expected trees fit on one line.
std::string sx(const Expr* e) {
    if (!e) return "<null>";
    auto args = [&](size_t from = 0) {
        std::string r;
        for (size_t i = from; i < e->args.size(); ++i) r += " " + sx(e->args[i].get());
        return r;
    };
    std::string neg = e->negated ? "NOT " : "";
    switch (e->kind) {
        case ExprKind::Null:
            return "NULL";
        case ExprKind::String:
            return "'" + e->text + "'";
        case ExprKind::NString:
            return "N'" + e->text + "'";
        case ExprKind::Binary:
            return "0x" + e->text;
        case ExprKind::Money:
            return "$" + e->text;
        case ExprKind::Column:
            return join(e->parts);
        case ExprKind::Star:
            return e->parts.empty() ? "*" : join(e->parts) + ".*";
        case ExprKind::Parameter:
            return ":" + e->text;
        case ExprKind::Unary:
        case ExprKind::Binary_:
            return "(" + e->text + args() + ")";
        case ExprKind::Function:
            return e->text + "(" + (e->distinct ? "DISTINCT" : "") + (e->star ? "*" : "") +
                   args().substr(e->args.empty() || e->distinct ? 0 : 1) + ")";
        case ExprKind::Case:
            return std::string("(CASE") + (e->hasOperand ? "/op" : "") +
                   (e->hasElse ? "/else" : "") + args() + ")";
        case ExprKind::Cast:
            return "(CAST" + args() + " " + e->type.name + ")";
        case ExprKind::Convert:
            return "(CONVERT " + e->type.name + args() + ")";
        case ExprKind::Subquery:
            return "(SUBQ)";
        case ExprKind::Exists:
            return "(" + neg + "EXISTS)";
        case ExprKind::InList:
            return "(" + neg + "IN" + args() + ")";
        case ExprKind::InSubquery:
            return "(" + neg + "IN" + args() + " SUBQ)";
        case ExprKind::Between:
            return "(" + neg + "BETWEEN" + args() + ")";
        case ExprKind::Like:
            return "(" + neg + "LIKE" + args() + ")";
        case ExprKind::IsNull:
            return "(IS " + neg + "NULL" + args() + ")";
        case ExprKind::Default:
            return "DEFAULT";
        default:
            return e->text;
    }
}

std::unique_ptr<Batch> parse(const std::string& sql) {
    return parseBatch(sql);
}

const Stmt& only(const Batch& b) {
    EXPECT_EQ(b.statements.size(), 1u);
    return *b.statements.at(0);
}

// The first select item of "SELECT <expr>".
std::string expr(const std::string& text) {
    auto b = parse("SELECT " + text);
    return sx(only(*b).select->cores.at(0).items.at(0).expr.get());
}

Error errorOf(const std::string& sql) {
    try {
        parseBatch(sql);
    } catch (const Error& e) {
        return e;
    }
    ADD_FAILURE() << "no error for: " << sql;
    return Error(0, "");
}

}  // namespace

TEST(ParserLexer, NamesAndLiterals) {
    EXPECT_EQ(expr("[my]]col]"), "my]col");
    EXPECT_EQ(expr("\"Order Date\""), "Order Date");
    EXPECT_EQ(expr("#t.x"), "#t.x");
    EXPECT_EQ(expr("##g.x"), "##g.x");
    EXPECT_EQ(expr("@@ROWCOUNT"), "@@ROWCOUNT");
    EXPECT_EQ(expr("@Var1"), "@Var1");
    EXPECT_EQ(expr("'it''s'"), "'it's'");
    EXPECT_EQ(expr("N'ไทย'"), "N'ไทย'");
    EXPECT_EQ(expr("0x1F"), "0x1F");
    EXPECT_EQ(expr("$12.50"), "$12.50");
    auto kinds = [](const std::string& lit) {
        return parse("SELECT " + lit)->statements[0]->select->cores[0].items[0].expr->kind;
    };
    EXPECT_EQ(kinds("12"), ExprKind::Integer);
    EXPECT_EQ(kinds("12.5"), ExprKind::Decimal);
    EXPECT_EQ(kinds(".5"), ExprKind::Decimal);
    EXPECT_EQ(kinds("1e3"), ExprKind::Float);
    EXPECT_EQ(kinds("2.5E-3"), ExprKind::Float);
}

TEST(ParserLexer, ParametersOnlyOutsideStringsAndComments) {
    EXPECT_EQ(expr(":DocNo + ':x' /* :y */ -- :z"), "(+ :DocNo ':x')");
    auto b = parse("SELECT 1 /* outer /* nested :p */ still comment */ + :q");
    EXPECT_EQ(sx(b->statements[0]->select->cores[0].items[0].expr.get()), "(+ 1 :q)");
    // "::" is not a parameter marker.
    EXPECT_EQ(errorOf("SELECT a::b").number, 102);
    EXPECT_EQ(errorOf("SELECT ::b").number, 102);
}

TEST(ParserLexer, ReservedWordTable) {
    EXPECT_TRUE(isReservedKeyword("SELECT"));
    EXPECT_TRUE(isReservedKeyword("IDENTITY_INSERT"));
    EXPECT_FALSE(isReservedKeyword("NOLOCK"));
    EXPECT_FALSE(isReservedKeyword("select"));  // callers pass upper case
}

TEST(ParserExpr, Precedence) {
    EXPECT_EQ(expr("1 + 2 * 3"), "(+ 1 (* 2 3))");
    EXPECT_EQ(expr("1 - 2 - 3"), "(- (- 1 2) 3)");
    EXPECT_EQ(expr("~a * b"), "(* (~ a) b)");
    EXPECT_EQ(expr("-a * b + c % d"), "(+ (* (- a) b) (% c d))");
    EXPECT_EQ(expr("a | b & c + d"), "(+ (& (| a b) c) d)");
    EXPECT_EQ(expr("(1 + 2) * 3"), "(* (+ 1 2) 3)");
    auto b = parse("SELECT 1 WHERE a = 1 OR b = 2 AND NOT c = 3");
    EXPECT_EQ(sx(b->statements[0]->select->cores[0].where.get()),
              "(OR (= a 1) (AND (= b 2) (NOT (= c 3))))");
    b = parse("SELECT 1 WHERE x BETWEEN 1 AND 2 AND y NOT LIKE 'a%' ESCAPE '!' or z is not null");
    EXPECT_EQ(sx(b->statements[0]->select->cores[0].where.get()),
              "(OR (AND (BETWEEN x 1 2) (NOT LIKE y 'a%' '!')) (IS NOT NULL z))");
    b = parse("SELECT 1 WHERE a != 1 AND b !< 2 AND c NOT IN (1, 2) AND d IN (SELECT 1)");
    EXPECT_EQ(sx(b->statements[0]->select->cores[0].where.get()),
              "(AND (AND (AND (<> a 1) (!< b 2)) (NOT IN c 1 2)) (IN d SUBQ))");
    EXPECT_EQ(errorOf("SELECT 1 WHERE a = b = c").number, 102);
}

TEST(ParserExpr, FunctionsAndSpecialForms) {
    EXPECT_EQ(expr("count(*)"), "COUNT(*)");
    EXPECT_EQ(expr("Count(Distinct x)"), "COUNT(DISTINCT x)");
    EXPECT_EQ(expr("dbo.MyFn(1, 'a')"), "MYFN(1 'a')");
    EXPECT_EQ(expr("GetDate() - 30"), "(- GETDATE() 30)");
    EXPECT_EQ(expr("CURRENT_TIMESTAMP"), "GETDATE()");
    EXPECT_EQ(expr("Left(name, 3) + Right(name, 2)"), "(+ LEFT(name 3) RIGHT(name 2))");
    EXPECT_EQ(expr("IsNull(NullIf(a, 0), Coalesce(b, c))"), "ISNULL(NULLIF(a 0) COALESCE(b c))");
    EXPECT_EQ(expr("CAST(a AS decimal(18,2))"), "(CAST a decimal)");
    EXPECT_EQ(expr("CONVERT(varchar(10), d, 103)"), "(CONVERT varchar d 103)");
    EXPECT_EQ(expr("CASE x WHEN 1 THEN 'a' ELSE 'b' END"), "(CASE/op/else x 1 'a' 'b')");
    EXPECT_EQ(expr("CASE WHEN a > 1 THEN 2 END"), "(CASE (> a 1) 2)");
    EXPECT_EQ(expr("db.dbo.t.col"), "db.dbo.t.col");
    EXPECT_EQ(expr("name COLLATE Latin1_General_CS_AS"), "name");
    EXPECT_EQ(expr("IDENTITY(int, 100, 1)"), "IDENTITY(100 1)");
    auto b = parse("SELECT CAST(a AS nvarchar(max)), name COLLATE Thai_CI_AS");
    const auto& items = b->statements[0]->select->cores[0].items;
    EXPECT_EQ(items[0].expr->type.args, std::vector<int>{-1});
    EXPECT_EQ(items[1].expr->collation, "Thai_CI_AS");
    b = parse("IF NOT EXISTS (SELECT 1) PRINT 'x'");
    EXPECT_EQ(sx(b->statements[0]->value.get()), "(NOT EXISTS)");
}

TEST(ParserExpr, PositionsAndExtent) {
    std::string sql = "SELECT 1,\n  a + (b)";
    auto b = parse(sql);
    const Expr& e = *b->statements[0]->select->cores[0].items[1].expr;
    EXPECT_EQ(e.pos.line, 2);
    EXPECT_EQ(e.pos.column, 3);
    EXPECT_EQ(sql.substr(e.pos.offset, e.sourceEnd - e.pos.offset), "a + (b)");
    EXPECT_TRUE(e.args[1]->parenthesized);
}

TEST(ParserSelect, ItemsTopIntoAndClauses) {
    auto b = parse(
        "SELECT DISTINCT TOP (5) PERCENT a AS x, b y, c 'z', w = d, @v = e, t.*, * INTO #r "
        "FROM t WHERE a > 0 GROUP BY a, b HAVING COUNT(*) > 1 ORDER BY 2 DESC, a");
    const SelectStmt& s = *only(*b).select;
    const SelectCore& c = s.cores.at(0);
    EXPECT_TRUE(c.distinct);
    EXPECT_TRUE(c.topPercent);
    EXPECT_EQ(sx(c.top.get()), "5");
    ASSERT_EQ(c.items.size(), 7u);
    EXPECT_EQ(c.items[0].alias, "x");
    EXPECT_EQ(c.items[1].alias, "y");
    EXPECT_EQ(c.items[2].alias, "z");
    EXPECT_EQ(c.items[3].alias, "w");
    EXPECT_EQ(sx(c.items[3].expr.get()), "d");
    EXPECT_EQ(c.items[4].assignVar, "@v");
    EXPECT_EQ(sx(c.items[5].expr.get()), "t.*");
    EXPECT_EQ(sx(c.items[6].expr.get()), "*");
    EXPECT_EQ(c.into->name(), "#r");
    EXPECT_EQ(c.groupBy.size(), 2u);
    EXPECT_EQ(sx(c.having.get()), "(> COUNT(*) 1)");
    ASSERT_EQ(s.orderBy.size(), 2u);
    EXPECT_TRUE(s.orderBy[0].desc);
    EXPECT_FALSE(s.orderBy[1].desc);
}

TEST(ParserSelect, FromJoinsHintsAndDerivedTables) {
    auto b = parse(
        "SELECT * FROM a WITH (NOLOCK) INNER JOIN b x (NOLOCK) ON x.k = a.k "
        "LEFT OUTER JOIN (SELECT k FROM c) AS d ON d.k = a.k CROSS JOIN e, f");
    const SelectCore& c = only(*b).select->cores[0];
    ASSERT_EQ(c.from.size(), 2u);
    const TableRef& cross = *c.from[0];
    EXPECT_EQ(cross.join, JoinType::Cross);
    const TableRef& left = *cross.left;
    EXPECT_EQ(left.join, JoinType::Left);
    EXPECT_EQ(left.right->kind, TableRef::Kind::Derived);
    EXPECT_EQ(left.right->alias, "d");
    const TableRef& inner = *left.left;
    EXPECT_EQ(inner.join, JoinType::Inner);
    EXPECT_EQ(inner.left->name.name(), "a");
    EXPECT_EQ(inner.right->alias, "x");
    EXPECT_EQ(sx(inner.on.get()), "(= x.k a.k)");
    EXPECT_EQ(c.from[1]->name.name(), "f");

    // Nested join whose ON comes after the inner join's.
    b = parse("SELECT * FROM a JOIN b JOIN c ON c.k = b.k ON b.k = a.k");
    const TableRef& j = *only(*b).select->cores[0].from[0];
    EXPECT_EQ(j.right->kind, TableRef::Kind::Join);
    EXPECT_EQ(sx(j.on.get()), "(= b.k a.k)");

    b = parse("select * from master..sysdatabases where name = 'X'");
    EXPECT_EQ(only(*b).select->cores[0].from[0]->name.parts,
              (std::vector<std::string>{"master", "", "sysdatabases"}));
}

TEST(ParserSelect, SetOperations) {
    auto b = parse("SELECT 1 UNION ALL SELECT 2 EXCEPT SELECT 3 UNION SELECT 4 ORDER BY 1");
    const SelectStmt& s = *only(*b).select;
    EXPECT_EQ(s.cores.size(), 4u);
    EXPECT_EQ(s.ops, (std::vector<SetOp>{SetOp::UnionAll, SetOp::Except, SetOp::Union}));
    EXPECT_EQ(s.orderBy.size(), 1u);

    // INTERSECT binds tighter: the right-hand group becomes a derived table.
    b = parse("SELECT 1 UNION SELECT 2 INTERSECT SELECT 3");
    const SelectStmt& u = *only(*b).select;
    ASSERT_EQ(u.cores.size(), 2u);
    EXPECT_EQ(u.ops, std::vector<SetOp>{SetOp::Union});
    const TableRef& d = *u.cores[1].from.at(0);
    ASSERT_EQ(d.kind, TableRef::Kind::Derived);
    EXPECT_EQ(d.derived->ops, std::vector<SetOp>{SetOp::Intersect});

    // Parenthesised terms, as a statement and as a subquery.
    b = parse("(SELECT 1) UNION (SELECT 2 UNION ALL SELECT 3)");
    EXPECT_EQ(only(*b).select->cores.size(), 2u);
    EXPECT_EQ(only(*b).select->cores[1].from.at(0)->kind, TableRef::Kind::Derived);
    EXPECT_EQ(expr("((SELECT 1) UNION (SELECT 2))"), "(SUBQ)");
}

TEST(ParserSelect, RealWorldStatements) {
    auto b = parse("Select Top 0 * Into #Tmp From QARN_Config_NWX.dbo.Branch");
    const SelectCore& c = only(*b).select->cores[0];
    EXPECT_EQ(sx(c.top.get()), "0");
    EXPECT_TRUE(c.into->isTemp());
    EXPECT_EQ(c.from[0]->name.database(), "QARN_Config_NWX");

    b = parse(
        "If Not Exists(Select * From SysColumns Where Id = Object_Id('Menu') And Name = "
        "'Version') Alter Table Menu Add Version Int Null");
    const Stmt& s = only(*b);
    EXPECT_EQ(s.kind, StmtKind::If);
    EXPECT_EQ(sx(s.value.get()), "(NOT EXISTS)");
    EXPECT_EQ(s.thenStmt->kind, StmtKind::AlterTable);
    EXPECT_EQ(s.thenStmt->columnDefs.at(0).name, "Version");
    EXPECT_EQ(s.thenStmt->columnDefs[0].nullable, std::optional<bool>(true));

    b = parse(
        "SELECT a.x, (SELECT MAX(b.y) FROM b WHERE b.k = a.k) AS m FROM a LEFT OUTER JOIN c ON "
        "c.k = a.k WHERE a.d >= GetDate()-30 GROUP BY a.x HAVING COUNT(*) > (SELECT 1) ORDER BY 2 "
        "DESC");
    const SelectStmt& q = *only(*b).select;
    EXPECT_EQ(q.cores[0].items[1].alias, "m");
    EXPECT_EQ(q.cores[0].items[1].expr->select->cores[0].items[0].expr->text, "MAX");
    EXPECT_EQ(sx(q.cores[0].where.get()), "(>= a.d (- GETDATE() 30))");
    EXPECT_EQ(sx(q.cores[0].having.get()), "(> COUNT(*) (SUBQ))");
    EXPECT_TRUE(q.orderBy[0].desc);
}

TEST(ParserDml, Insert) {
    auto b = parse("INSERT INTO t (a, [b]) VALUES (1, DEFAULT), (-2, :p)");
    const Stmt& s = only(*b);
    EXPECT_EQ(s.columns, (std::vector<std::string>{"a", "b"}));
    ASSERT_EQ(s.values.size(), 2u);
    EXPECT_EQ(sx(s.values[0][1].get()), "DEFAULT");
    EXPECT_EQ(sx(s.values[1][0].get()), "(- 2)");
    b = parse("INSERT t SELECT * FROM u INSERT INTO t (SELECT 1) INSERT t DEFAULT VALUES");
    ASSERT_EQ(b->statements.size(), 3u);
    EXPECT_TRUE(b->statements[0]->select);
    EXPECT_TRUE(b->statements[1]->select);
    EXPECT_TRUE(b->statements[1]->columns.empty());
    EXPECT_TRUE(b->statements[2]->defaultValues);
    b = parse("INSERT INTO #r EXEC sp_who 1");
    EXPECT_EQ(only(*b).insertExec->target.name(), "sp_who");
}

TEST(ParserDml, UpdateDeleteTruncate) {
    auto b = parse(
        "UPDATE TOP (10) x SET a = 1, x.b += 2, @v = c = c + 1, @w = 5 FROM Orders x "
        "JOIN d ON d.k = x.k WHERE x.k > 0");
    const Stmt& u = only(*b);
    EXPECT_EQ(u.target.name(), "Orders");
    EXPECT_EQ(u.targetAlias, "x");
    EXPECT_EQ(sx(u.top.get()), "10");
    ASSERT_EQ(u.sets.size(), 4u);
    EXPECT_EQ(sx(u.sets[1].value.get()), "(+ x.b 2)");
    EXPECT_EQ(u.sets[2].variable, "@v");
    EXPECT_EQ(u.sets[2].column, std::vector<std::string>{"c"});
    EXPECT_EQ(sx(u.sets[2].value.get()), "(+ c 1)");
    EXPECT_TRUE(u.sets[3].column.empty());

    b = parse("DELETE FROM t WHERE a = 1 DELETE a FROM t a JOIN u ON u.k = a.k TRUNCATE TABLE t");
    ASSERT_EQ(b->statements.size(), 3u);
    EXPECT_EQ(b->statements[0]->target.name(), "t");
    EXPECT_EQ(b->statements[1]->target.name(), "t");
    EXPECT_EQ(b->statements[1]->targetAlias, "a");
    EXPECT_EQ(b->statements[2]->kind, StmtKind::Truncate);
}

TEST(ParserDdl, CreateTable) {
    auto b = parse(
        "CREATE TABLE dbo.T (Id int IDENTITY(100, -1) NOT NULL CONSTRAINT PK_T PRIMARY KEY "
        "CLUSTERED, Code varchar(20) COLLATE Thai_CI_AS NULL UNIQUE, Amt decimal(18,2) DEFAULT "
        "(0), Who IdNo, Ref int REFERENCES U(Id) ON DELETE CASCADE, CHECK (Amt >= 0), "
        "CONSTRAINT UQ UNIQUE NONCLUSTERED (Code DESC, Id)) ON [PRIMARY]");
    const Stmt& s = only(*b);
    ASSERT_EQ(s.columnDefs.size(), 5u);
    const ColumnDef& id = s.columnDefs[0];
    EXPECT_TRUE(id.identity);
    EXPECT_EQ(id.identitySeed, 100);
    EXPECT_EQ(id.identityStep, -1);
    EXPECT_EQ(id.nullable, std::optional<bool>(false));
    EXPECT_TRUE(id.primaryKey);
    EXPECT_EQ(id.constraintName, "PK_T");
    EXPECT_EQ(s.columnDefs[1].collation, "Thai_CI_AS");
    EXPECT_TRUE(s.columnDefs[1].unique);
    EXPECT_EQ(s.columnDefs[2].type.args, (std::vector<int>{18, 2}));
    EXPECT_EQ(sx(s.columnDefs[2].defaultValue.get()), "0");
    EXPECT_EQ(s.columnDefs[3].type.name, "IdNo");
    ASSERT_EQ(s.constraints.size(), 1u);
    EXPECT_FALSE(s.constraints[0].primaryKey);
    EXPECT_EQ(s.constraints[0].columns, (std::vector<std::string>{"Code", "Id"}));
    EXPECT_EQ(s.constraints[0].descending, (std::vector<bool>{true, false}));
}

TEST(ParserDdl, IndexAlterDropAndOthers) {
    auto b = parse(
        "CREATE UNIQUE NONCLUSTERED INDEX ix ON t (a DESC, b) WITH (FILLFACTOR = 80) ON [PRIMARY]\n"
        "ALTER TABLE t ADD c int NULL, d varchar(5)\n"
        "ALTER TABLE t ALTER COLUMN c bigint NOT NULL\n"
        "ALTER TABLE t DROP COLUMN c, d\n"
        "ALTER TABLE t ADD CONSTRAINT df DEFAULT 0 FOR c\n"
        "ALTER TABLE t ADD CONSTRAINT pk PRIMARY KEY (a)\n"
        "DROP TABLE IF EXISTS t, #u\n"
        "DROP INDEX t.ix\n"
        "DROP INDEX ix ON t\n"
        "CREATE TYPE IdNo FROM varchar(20) NOT NULL\n"
        "CREATE DATABASE Shop DROP DATABASE Shop USE [Shop]");
    const auto& st = b->statements;
    ASSERT_EQ(st.size(), 13u);
    EXPECT_TRUE(st[0]->unique);
    EXPECT_FALSE(st[0]->clustered);
    EXPECT_EQ(st[0]->descending, (std::vector<bool>{true, false}));
    EXPECT_EQ(st[1]->alterAction, Stmt::AlterAction::Add);
    EXPECT_EQ(st[1]->columnDefs.size(), 2u);
    EXPECT_EQ(st[2]->alterAction, Stmt::AlterAction::AlterColumn);
    EXPECT_EQ(st[3]->columns, (std::vector<std::string>{"c", "d"}));
    EXPECT_EQ(st[4]->alterAction, Stmt::AlterAction::AddConstraint);
    EXPECT_EQ(st[4]->columnDefs.at(0).name, "c");
    EXPECT_EQ(st[4]->columnDefs[0].constraintName, "df");
    EXPECT_EQ(st[5]->constraints.at(0).columns, std::vector<std::string>{"a"});
    ASSERT_EQ(st[6]->kind, StmtKind::Block);  // one DROP per table
    EXPECT_EQ(st[6]->body.size(), 2u);
    EXPECT_TRUE(st[6]->body[1]->ifExists);
    EXPECT_EQ(st[6]->body[1]->target.name(), "#u");
    EXPECT_EQ(st[7]->name, "ix");
    EXPECT_EQ(st[7]->target.name(), "t");
    EXPECT_EQ(st[8]->name, "ix");
    EXPECT_EQ(st[8]->target.name(), "t");
    EXPECT_EQ(st[9]->baseType.args, std::vector<int>{20});
    EXPECT_EQ(st[9]->nullable, std::optional<bool>(false));
    EXPECT_EQ(st[11]->kind, StmtKind::DropDatabase);
    EXPECT_EQ(st[12]->kind, StmtKind::Use);
    EXPECT_EQ(st[12]->name, "Shop");
}

TEST(ParserProc, CreateProcedureBodyRunsToBatchEnd) {
    std::string sql =
        "-- header\nCREATE PROCEDURE dbo.AddOrder (@No varchar(20), @Qty int = -1, @Id int "
        "OUTPUT)\n"
        "AS\nSET NOCOUNT ON\nIF @Qty < 0 RETURN 1\nSELECT @Id = 5\n";
    auto b = parse(sql);
    const Stmt& p = only(*b);
    EXPECT_EQ(p.kind, StmtKind::CreateProcedure);
    EXPECT_EQ(p.target.name(), "AddOrder");
    EXPECT_EQ(p.bodyOffset, static_cast<int>(sql.find("CREATE")));
    EXPECT_EQ(p.sourceEnd, static_cast<int>(sql.size()));
    ASSERT_EQ(p.params.size(), 3u);
    EXPECT_EQ(sx(p.params[1].defaultValue.get()), "(- 1)");
    EXPECT_TRUE(p.params[2].output);
    EXPECT_EQ(p.body.size(), 3u);
    EXPECT_EQ(p.body[1]->thenStmt->kind, StmtKind::Return);

    b = parse("ALTER PROC p @a int AS SELECT @a");
    EXPECT_TRUE(only(*b).isAlter);
    EXPECT_EQ(only(*b).params.size(), 1u);
    EXPECT_EQ(errorOf("SELECT 1\nCREATE PROC p AS SELECT 1").number, 111);
}

TEST(ParserProc, ExecForms) {
    auto b = parse(
        "EXEC @rc = dbo.p 1, -2.5, @a = @b OUTPUT, @c = DEFAULT, N'x', Orders, NULL\n"
        "EXECUTE sp_addtype IdNo, 'varchar(20)', 'NOT NULL'\n"
        "EXEC ('SELECT ' + @col)");
    ASSERT_EQ(b->statements.size(), 3u);
    const Stmt& e = *b->statements[0];
    EXPECT_EQ(e.returnVar, "@rc");
    EXPECT_EQ(e.target.name(), "p");
    ASSERT_EQ(e.args.size(), 7u);
    EXPECT_EQ(sx(e.args[1].value.get()), "(- 2.5)");
    EXPECT_EQ(e.args[2].name, "@a");
    EXPECT_TRUE(e.args[2].output);
    EXPECT_EQ(e.args[3].value, nullptr);
    EXPECT_EQ(sx(e.args[5].value.get()), "'Orders'");
    EXPECT_EQ(b->statements[1]->args.size(), 3u);
    EXPECT_EQ(b->statements[2]->kind, StmtKind::ExecDynamic);
    EXPECT_EQ(sx(b->statements[2]->value.get()), "(+ 'SELECT ' @col)");
}

TEST(ParserProc, BareProcedureCallOnlyFirst) {
    auto b = parse("AddOrderSarHd2TranBranch :DocNo");
    const Stmt& s = only(*b);
    EXPECT_EQ(s.kind, StmtKind::Exec);
    EXPECT_EQ(sx(s.args.at(0).value.get()), ":DocNo");
    b = parse("MyProc 1, 'x'\nSELECT 2");
    EXPECT_EQ(b->statements.size(), 2u);
    EXPECT_EQ(b->statements[0]->args.size(), 2u);
    EXPECT_EQ(errorOf("SELECT 1\nMyProc 1").line, 2);
}

TEST(ParserControl, StatementsWithoutSeparators) {
    std::string sql = "SELECT 1 SELECT 2;\n;PRINT 'a'";
    auto b = parse(sql);
    ASSERT_EQ(b->statements.size(), 4u);
    EXPECT_EQ(b->statements[2]->kind, StmtKind::Empty);
    const Stmt& second = *b->statements[1];
    EXPECT_EQ(sql.substr(second.pos.offset, second.sourceEnd - second.pos.offset), "SELECT 2");
    EXPECT_EQ(b->statements[3]->pos.line, 2);
}

TEST(ParserControl, DeclareSetAndFlow) {
    auto b = parse(
        "DECLARE @a int = 1, @b AS varchar(10)\n"
        "SET @a += 2 SET NOCOUNT ON SET DATEFORMAT dmy SET ANSI_NULLS, QUOTED_IDENTIFIER OFF\n"
        "SET TRANSACTION ISOLATION LEVEL READ UNCOMMITTED SET IDENTITY_INSERT t ON\n"
        "WHILE @a < 10 BEGIN SET @a = @a + 1 IF @a = 5 BREAK ELSE CONTINUE END\n"
        "IF (@a > 1) SELECT 1; ELSE BEGIN RETURN END");
    const auto& st = b->statements;
    ASSERT_EQ(st.size(), 9u);
    EXPECT_EQ(st[0]->vars.size(), 2u);
    EXPECT_EQ(sx(st[0]->vars[0].init.get()), "1");
    EXPECT_EQ(st[0]->vars[1].type.args, std::vector<int>{10});
    EXPECT_EQ(sx(st[1]->value.get()), "(+ @a 2)");
    EXPECT_EQ(st[2]->name, "NOCOUNT");
    EXPECT_EQ(st[2]->optionValue, "ON");
    EXPECT_EQ(st[3]->optionValue, "DMY");
    ASSERT_EQ(st[4]->kind, StmtKind::Block);
    EXPECT_EQ(st[4]->body[1]->name, "QUOTED_IDENTIFIER");
    EXPECT_EQ(st[4]->body[1]->optionValue, "OFF");
    EXPECT_EQ(st[5]->optionValue, "READ UNCOMMITTED");
    EXPECT_EQ(st[6]->target.name(), "t");
    const Stmt& w = *st[7];
    EXPECT_EQ(w.kind, StmtKind::While);
    ASSERT_EQ(w.thenStmt->body.size(), 2u);
    EXPECT_EQ(w.thenStmt->body[1]->elseStmt->kind, StmtKind::Continue);
    EXPECT_EQ(st[8]->elseStmt->body.at(0)->kind, StmtKind::Return);
    EXPECT_EQ(st[8]->elseStmt->body[0]->value, nullptr);
}

TEST(ParserControl, TransactionsRaiserrorPrint) {
    auto b = parse(
        "BEGIN TRAN t1 SAVE TRANSACTION sp ROLLBACK TRAN sp COMMIT WORK COMMIT\n"
        "RAISERROR('Bad %s', 16, 1, @x) WITH NOWAIT, SETERROR\nPRINT 'a' + @b");
    const auto& st = b->statements;
    ASSERT_EQ(st.size(), 7u);
    EXPECT_EQ(st[0]->kind, StmtKind::BeginTran);
    EXPECT_EQ(st[0]->name, "t1");
    EXPECT_EQ(st[1]->kind, StmtKind::SaveTran);
    EXPECT_EQ(st[2]->name, "sp");
    EXPECT_EQ(st[3]->kind, StmtKind::CommitTran);
    EXPECT_EQ(st[4]->name, "");
    EXPECT_EQ(st[5]->raiserrorArgs.size(), 3u);
    EXPECT_EQ(st[5]->optionValue, "NOWAIT,SETERROR");
    EXPECT_EQ(sx(st[6]->value.get()), "(+ 'a' @b)");
}

TEST(ParserErrors, NumbersAndLines) {
    Error e = errorOf("SELECT 1\nSELECT *\nFORM t\n");
    EXPECT_EQ(e.number, 102);
    EXPECT_EQ(e.line, 3);
    EXPECT_EQ(e.message, "Incorrect syntax near 'FORM'.");
    e = errorOf("SELECT a\nFROM");
    EXPECT_EQ(e.number, 102);
    EXPECT_EQ(e.line, 2);
    e = errorOf("SELECT 1 FROM t WHERE\nFROM x");
    EXPECT_EQ(e.number, 156);
    EXPECT_EQ(e.message, "Incorrect syntax near the keyword 'FROM'.");
    e = errorOf("SELECT 1\nPRINT 'abc");
    EXPECT_EQ(e.number, 105);
    EXPECT_EQ(e.message, "Unclosed quotation mark after the character string 'abc'.");
    EXPECT_EQ(e.line, 2);
    EXPECT_EQ(errorOf("SELECT [abc").number, 105);
    EXPECT_EQ(errorOf("SELECT 1 /* /* */").number, 113);
    EXPECT_EQ(errorOf("SELECT " + std::string(129, 'a')).number, 103);
    // A syntax error before a lexical one is reported first.
    EXPECT_EQ(errorOf("SELECT FROM 'abc").number, 156);
}

TEST(ParserErrors, NestingIsBounded) {
    EXPECT_EQ(errorOf("SELECT " + std::string(5000, '(') + "1" + std::string(5000, ')')).number,
              191);
    EXPECT_EQ(errorOf("SELECT " + std::string(5000, '~') + "1").number, 191);
    std::string chain = "SELECT 1 WHERE a = 0";
    for (int i = 0; i < 3000; ++i) chain += " OR a = 1";
    EXPECT_EQ(errorOf(chain).number, 191);
    std::string blocks;
    for (int i = 0; i < 1000; ++i) blocks += "IF 1 = 1 BEGIN ";
    EXPECT_EQ(errorOf(blocks).number, 191);
    // Long flat lists and long ELSE IF chains are fine.
    std::string elseIfs = "IF @a = 0 PRINT 0";
    for (int i = 1; i < 300; ++i) elseIfs += " ELSE IF @a = 1 PRINT 1";
    EXPECT_NO_THROW(parse(elseIfs));
    std::string list = "SELECT 1 WHERE a IN (0";
    for (int i = 0; i < 5000; ++i) list += ", 1";
    EXPECT_NO_THROW(parse(list + ")"));
}

// Mutations of valid statements must end in a tree or an Error, never a crash or a hang.
TEST(ParserErrors, GarbageNeverCrashes) {
    const std::vector<std::string> seeds = {
        "SELECT a.x, (SELECT MAX(y) FROM b) m FROM a LEFT JOIN c ON c.k = a.k WHERE x IN (1,2)",
        "CREATE PROC p @a int = 1 OUTPUT AS BEGIN IF @a > 1 RETURN 2 ELSE EXEC q @a END",
        "CREATE TABLE t (a int IDENTITY(1,1) PRIMARY KEY, b varchar(10) DEFAULT 'x')",
        "UPDATE t SET a = CASE WHEN b = 1 THEN 'a' END FROM t JOIN u ON u.k = t.k",
        "INSERT INTO t (a) VALUES (N'x', 0x1F, $1.5, :p) /* c */ -- d"};
    std::mt19937 rng(7);
    const std::string alphabet = "()[]'\",.;:@#$-+*/=<>!N0x \n/*-";
    for (const auto& seed : seeds) {
        for (int round = 0; round < 400; ++round) {
            std::string s = seed;
            int edits = 1 + static_cast<int>(rng() % 4);
            for (int k = 0; k < edits && !s.empty(); ++k) {
                size_t at = rng() % s.size();
                switch (rng() % 3) {
                    case 0:
                        s.erase(at, 1 + rng() % 3);
                        break;
                    case 1:
                        s.insert(at, 1, alphabet[rng() % alphabet.size()]);
                        break;
                    default:
                        s.resize(at);
                        break;
                }
            }
            try {
                parseBatch(s);
            } catch (const Error&) {
            }
        }
    }
}

TEST(ParserSplitScript, SplitsAtGoLines) {
    auto batches = splitScript(
        "SELECT 1\ngo\n\n  GO  \nSELECT 'x\nGO\ny'\nGo 3\n/* GO\nGO */ SELECT 2\r\nGO -- end\n"
        "SELECT [a\nGO\n]\nGOTO x\nGO");
    ASSERT_EQ(batches.size(), 4u);
    EXPECT_EQ(batches[0].text, "SELECT 1\n");
    EXPECT_EQ(batches[0].firstLine, 1);
    EXPECT_EQ(batches[1].text, "SELECT 'x\nGO\ny'\n");
    EXPECT_EQ(batches[1].firstLine, 5);
    EXPECT_EQ(batches[1].repeat, 3);
    EXPECT_EQ(batches[2].text, "/* GO\nGO */ SELECT 2\r\n");
    EXPECT_EQ(batches[2].firstLine, 9);
    EXPECT_EQ(batches[3].text, "SELECT [a\nGO\n]\nGOTO x\n");
    EXPECT_EQ(batches[3].repeat, 1);
    EXPECT_TRUE(splitScript("GO\n  \nGO").empty());
}
