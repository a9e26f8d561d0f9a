// The tsqlite shell, run as a program on a temporary server: output layout, flags, scripts
// and exit codes as sqlcmd users expect them.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct ShellRun {
    std::string out;  // standard output and standard error together
    int exitCode = -1;
};

std::string shellQuote(const std::string& s) {
    std::string q = "'";
    for (char c : s) {
        if (c == '\'')
            q += "'\\''";
        else
            q += c;
    }
    return q + "'";
}

class ShellTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string tmpl = (fs::temp_directory_path() / "tsqlite-shell-XXXXXX").string();
        ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
        dir_ = tmpl;
        server_ = (dir_ / "server").string();
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }

    std::string writeFile(const std::string& name, const std::string& text) {
        fs::path p = dir_ / name;
        std::ofstream(p, std::ios::binary) << text;
        return p.string();
    }

    // Runs the shell with the given arguments; input, when given, is its standard input.
    ShellRun run(const std::vector<std::string>& args, const std::string& input = {}) {
        std::string cmd = shellQuote(TSQLITE_SHELL_PATH);
        for (const auto& a : args) cmd += " " + shellQuote(a);
        cmd += " < " + shellQuote(input.empty() ? "/dev/null" : writeFile("stdin.sql", input));
        cmd += " 2>&1";
        ShellRun r;
        FILE* p = popen(cmd.c_str(), "r");
        if (!p) return r;
        char buf[4096];
        std::size_t n;
        while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
        int status = pclose(p);
        r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return r;
    }

    // A server with database Shop and a small table Item.
    void createShop() {
        ShellRun r = run({"-S", server_, "--create-server", "-b", "-i", writeFile("shop.sql", R"(
CREATE DATABASE Shop
GO
USE Shop
GO
CREATE TABLE Item (Id int NOT NULL, Name varchar(8) NOT NULL, Price decimal(6, 2) NULL)
INSERT INTO Item (Id, Name, Price) VALUES (1, 'Pen', 12.5)
INSERT INTO Item (Id, Name, Price) VALUES (2, 'Notebook', NULL)
)")});
        ASSERT_EQ(r.exitCode, 0) << r.out;
    }

    // Runs a query in Shop with the extra flags given.
    ShellRun shop(const std::string& query, std::vector<std::string> flags = {}) {
        std::vector<std::string> args = {"-S", server_, "-d", "Shop", "-Q", query};
        args.insert(args.end(), flags.begin(), flags.end());
        return run(args);
    }

    fs::path dir_;
    std::string server_;
};

// ---- result layout ----------------------------------------------------------------------

using ShellOutput = ShellTest;

TEST_F(ShellOutput, PadsEachColumnToTheWidthOfItsType) {
    createShop();
    ShellRun r = shop("SELECT Id, Name, Price FROM Item ORDER BY Id");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out,
              "Id          Name     Price   \n"
              "----------- -------- --------\n"
              "1           Pen      12.50   \n"
              "2           Notebook NULL    \n"
              "\n"
              "(2 rows affected)\n");
}

TEST_F(ShellOutput, ColumnNameLongerThanTheTypeSetsTheWidth) {
    createShop();
    ShellRun r = shop("SELECT Id AS Identifier_Of_Item FROM Item WHERE Id = 1");
    EXPECT_EQ(r.out,
              "Identifier_Of_Item\n"
              "------------------\n"
              "1                 \n"
              "\n"
              "(1 row affected)\n");
}

TEST_F(ShellOutput, WidthsCountCharactersNotBytes) {
    ASSERT_EQ(run({"-S", server_, "--create-server", "-Q", "PRINT 'ready'"}).exitCode, 0);
    ShellRun r = run({"-S", server_, "-Q", "SELECT CAST(N'ไทย' AS nvarchar(4)) AS T, 1 AS N"});
    EXPECT_EQ(r.out,
              "T    N          \n"
              "---- -----------\n"
              "ไทย  1          \n"
              "\n"
              "(1 row affected)\n");
}

TEST_F(ShellOutput, DateTimeAndCharColumns) {
    createShop();
    ShellRun r = shop("SELECT CAST('20240115 09:30' AS datetime) AS D, CAST('ab' AS char(4)) AS C");
    EXPECT_EQ(r.out,
              "D                       C   \n"
              "----------------------- ----\n"
              "2024-01-15 09:30:00.000 ab  \n"
              "\n"
              "(1 row affected)\n");
}

TEST_F(ShellOutput, HeaderOption) {
    createShop();
    ShellRun r = shop("SELECT Name FROM Item ORDER BY Id", {"-h", "-1"});
    EXPECT_EQ(r.out, "Pen     \nNotebook\n\n(2 rows affected)\n");
    // sqlcmd also takes the value glued to the flag.
    EXPECT_EQ(shop("SELECT Name FROM Item ORDER BY Id", {"-h-1"}).out, r.out);
    // -h N repeats the headers every N rows.
    EXPECT_EQ(shop("SELECT Id FROM Item ORDER BY Id", {"-W", "-h", "1"}).out,
              "Id\n--\n1\n\nId\n--\n2\n\n(2 rows affected)\n");
}

TEST_F(ShellOutput, TrimmedValuesWithSeparator) {
    createShop();
    ShellRun r = shop("SELECT Id, Name, Price, CAST('ab' AS char(6)) AS C FROM Item ORDER BY Id",
                      {"-W", "-s", ","});
    EXPECT_EQ(r.out,
              "Id,Name,Price,C\n"
              "--,----,-----,-\n"
              "1,Pen,12.50,ab\n"
              "2,Notebook,NULL,ab\n"
              "\n"
              "(2 rows affected)\n");
}

TEST_F(ShellOutput, RowCountsOfChangesAndNocount) {
    createShop();
    ShellRun r = shop(
        "INSERT INTO Item (Id, Name) VALUES (3, 'Ink')\n"
        "UPDATE Item SET Price = 1 WHERE Price IS NULL\n"
        "DELETE FROM Item WHERE Id > 5\n"
        "SET NOCOUNT ON\n"
        "DELETE FROM Item WHERE Id = 3\n"
        "SELECT COUNT(*) AS N FROM Item");
    EXPECT_EQ(r.out,
              "\n(1 row affected)\n"
              "\n(2 rows affected)\n"
              "\n(0 rows affected)\n"
              "N          \n"
              "-----------\n"
              "2          \n");
}

TEST_F(ShellOutput, PrintAndSeveralResultSetsInOrder) {
    createShop();
    ShellRun r = shop("PRINT 'first'\nSELECT 1 AS A\nPRINT 'second'\nSELECT 2 AS B", {"-W"});
    EXPECT_EQ(r.out,
              "first\n"
              "A\n-\n1\n\n(1 row affected)\n"
              "second\n"
              "B\n-\n2\n\n(1 row affected)\n");
    // Without row counts a blank line still keeps two result sets apart.
    r = shop("SET NOCOUNT ON\nSELECT 1 AS A\nSELECT 2 AS B\nPRINT 'end'", {"-W"});
    EXPECT_EQ(r.out, "A\n-\n1\n\nB\n-\n2\nend\n");
}

TEST_F(ShellOutput, OutputFile) {
    createShop();
    std::string file = (dir_ / "out.txt").string();
    ShellRun r = shop("SELECT Name FROM Item WHERE Id = 1", {"-W", "-h", "-1", "-o", file});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "");
    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str(), "Pen\n\n(1 row affected)\n");
}

// ---- errors and exit codes --------------------------------------------------------------

using ShellErrors = ShellTest;

TEST_F(ShellErrors, MessageFormatAndExitCodeWithAndWithoutB) {
    createShop();
    const std::string expected =
        "Msg 208, Level 16, State 1, Server tsqlite, Line 2\n"
        "Invalid object name 'NoSuchTable'.\n";
    ShellRun plain = shop("PRINT 'x'\nSELECT * FROM NoSuchTable");
    EXPECT_EQ(plain.out, "x\n" + expected);
    EXPECT_EQ(plain.exitCode, 0);
    ShellRun withB = shop("PRINT 'x'\nSELECT * FROM NoSuchTable", {"-b"});
    EXPECT_EQ(withB.out, "x\n" + expected);
    EXPECT_EQ(withB.exitCode, 1);
}

TEST_F(ShellErrors, ErrorInsideProcedureNamesIt) {
    createShop();
    ShellRun r = run({"-S", server_, "-d", "Shop", "-i", writeFile("p.sql", R"(
CREATE PROCEDURE Boom AS
BEGIN
    RAISERROR('boom', 16, 1)
END
GO
EXEC Boom
)")});
    EXPECT_NE(r.out.find("Msg 50000, Level 16, State 1, Server tsqlite, Procedure Boom, Line "),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("\nboom\n"), std::string::npos) << r.out;
}

TEST_F(ShellErrors, BStopsAfterTheFailingBatch) {
    createShop();
    std::string script = writeFile("s.sql",
                                   "PRINT 'one'\nGO\nSELECT * FROM Nope\nPRINT 'same batch'\n"
                                   "GO\nPRINT 'next batch'\n");
    ShellRun withB = run({"-S", server_, "-b", "-i", script});
    EXPECT_EQ(withB.exitCode, 1);
    EXPECT_NE(withB.out.find("one\n"), std::string::npos);
    EXPECT_EQ(withB.out.find("next batch"), std::string::npos) << withB.out;

    ShellRun without = run({"-S", server_, "-i", script});
    EXPECT_EQ(without.exitCode, 0);
    EXPECT_NE(without.out.find("next batch\n"), std::string::npos) << without.out;
}

TEST_F(ShellErrors, MissingServerIsCreatedOnlyWhenAsked) {
    ShellRun r = run({"-S", server_, "-Q", "SELECT 1 AS A"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_FALSE(r.out.empty());
    EXPECT_FALSE(fs::exists(server_));

    r = run({"-S", server_, "--create-server", "-W", "-h", "-1", "-Q", "SELECT 1 AS A"});
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_EQ(r.out, "1\n\n(1 row affected)\n");
}

TEST_F(ShellErrors, UnknownDatabaseFailsToStart) {
    createShop();
    ShellRun r = run({"-S", server_, "-d", "NoSuchDb", "-Q", "PRINT 'never'"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out.rfind("Msg 4060, ", 0), 0u) << r.out;
    EXPECT_EQ(r.out.find("never"), std::string::npos);
}

TEST_F(ShellErrors, BadFlagsAndMissingFiles) {
    createShop();
    EXPECT_EQ(run({"-S", server_, "-Z"}).exitCode, 1);
    EXPECT_EQ(run({"-S", server_, "-h", "many"}).exitCode, 1);
    EXPECT_EQ(run({"-S", server_, "-Q", "PRINT 1", "-i", "x.sql"}).exitCode, 1);
    ShellRun r = run({"-S", server_, "-i", (dir_ / "absent.sql").string()});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.out.find("absent.sql"), std::string::npos);
}

// ---- scripts, batches, variables, standard input ----------------------------------------

using ShellScripts = ShellTest;

TEST_F(ShellScripts, GoSeparatesBatches) {
    createShop();
    // A variable lives in its batch only; GO 2 runs the batch twice; NOCOUNT carries over.
    ShellRun r = run(
        {"-S", server_, "-d", "Shop", "-W", "-h", "-1", "-i", writeFile("go.sql", R"(DECLARE @x int
SET @x = 1
go
SELECT @x
GO
CREATE TABLE Hit (N int)
SET NOCOUNT ON
GO
INSERT INTO Hit VALUES (1)
GO 2
SELECT COUNT(*) FROM Hit
)")});
    EXPECT_EQ(r.out.rfind("Msg 137, Level 15, State ", 0), 0u) << r.out;
    EXPECT_NE(r.out.find(", Server tsqlite, Line 1\n"
                         "Must declare the scalar variable \"@x\".\n"
                         "2\n"),
              std::string::npos)
        << r.out;
}

TEST_F(ShellScripts, UseCarriesOverToLaterBatches) {
    createShop();
    ShellRun r = run({"-S", server_, "-W", "-h", "-1"},
                     "USE Shop\nGO\nSET NOCOUNT ON\nSELECT COUNT(*) FROM Item\n");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.out.size() >= 2 && r.out.compare(r.out.size() - 2, 2, "2\n") == 0) << r.out;
    EXPECT_EQ(r.out.find("Msg "), std::string::npos) << r.out;
}

TEST_F(ShellScripts, SeveralInputFilesRunInOrder) {
    createShop();
    std::string a = writeFile("a.sql", "PRINT 'a'\n");
    std::string b = writeFile("b.sql", "PRINT 'b'\n");
    std::string c = writeFile("c.sql", "PRINT 'c'\n");
    ShellRun r = run({"-S", server_, "-i", b, "-i", a + "," + c});
    EXPECT_EQ(r.out, "b\na\nc\n");
}

TEST_F(ShellScripts, VariablesAreSubstitutedBeforeTheScriptRuns) {
    createShop();
    setenv("TSQLITE_SHELL_TEST_ENV", "from the environment", 1);
    ShellRun r = run({"-S", server_, "-d", "Shop", "-W", "-h", "-1", "-v", "Table=Item", "minid=1",
                      "-v", "Greeting=hello world", "-i",
                      writeFile("v.sql",
                                "SET NOCOUNT ON\n"
                                "SELECT Name FROM $(table) WHERE Id > $(MinId)\n"
                                "PRINT '$(Greeting)'\n"
                                "PRINT '$(TSQLITE_SHELL_TEST_ENV)'\n"
                                "PRINT '$(not a name) $()'\n")});
    unsetenv("TSQLITE_SHELL_TEST_ENV");
    EXPECT_EQ(r.out, "Notebook\nhello world\nfrom the environment\n$(not a name) $()\n");
}

TEST_F(ShellScripts, UndefinedVariableStopsTheScript) {
    createShop();
    std::string script = writeFile("u.sql", "PRINT 'before'\nGO\nPRINT '$(NoSuchVar_7f3a)'\n");
    ShellRun r = run({"-S", server_, "-i", script});
    EXPECT_EQ(r.out, "'NoSuchVar_7f3a' scripting variable not defined.\n");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(run({"-S", server_, "-b", "-i", script}).exitCode, 1);
}

TEST_F(ShellScripts, StandardInputRunsBatchesUntilExit) {
    createShop();
    ShellRun r = run({"-S", server_, "-d", "Shop", "-W", "-h", "-1"},
                     "SET NOCOUNT ON\nSELECT Name FROM Item WHERE Id = 1\nGO\n"
                     "PRINT 'last batch runs at the end of input'\n");
    EXPECT_EQ(r.out, "Pen\nlast batch runs at the end of input\n");

    r = run({"-S", server_}, "PRINT 'run'\nGO\nPRINT 'dropped'\nexit\nPRINT 'never'\nGO\n");
    EXPECT_EQ(r.out, "run\n");
}

}  // namespace
