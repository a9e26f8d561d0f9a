#include "data/ScriptRunner.h"

#include <gtest/gtest.h>

namespace {

QStringList split(const char* script) {
    return splitScript(QString::fromUtf8(script));
}

TEST(SplitScript, SlashLinesEndStatements) {
    EXPECT_EQ(split("If Not Exists (Select * From SysObjects Where Name = 'T')\n"
                    "  Create Table T (Id int)  \n"
                    "/\n"
                    "Update T Set Id = 1\n"
                    "/  \n"
                    "Update T Set Id = 2\n"
                    " /\n"
                    "\t/\t\n"
                    "Delete T"),
              QStringList({"If Not Exists (Select * From SysObjects Where Name = 'T')\n"
                           "Create Table T (Id int)",
                           "Update T Set Id = 1", "Update T Set Id = 2", "Delete T"}));
    // Not a terminator line: only a line holding "/" alone ends a statement.
    EXPECT_EQ(split("Select 4\n/ 2\n//\n/"), QStringList({"Select 4\n/ 2\n//"}));
}

TEST(SplitScript, EmptyLinesAndEmptyStatementsAreDropped) {
    EXPECT_EQ(split("\n\n  Select 1\n\n   \n  From T  \n/\n/\n\n/\nSelect 2\n\n"),
              QStringList({"Select 1\nFrom T", "Select 2"}));
    EXPECT_TRUE(split("").isEmpty());
    EXPECT_TRUE(split("  \n/\n ; \n;;\n/").isEmpty());
}

TEST(SplitScript, SemicolonsEndStatements) {
    // A statement ending in a semicolon, then an insert over several lines ending in one.
    EXPECT_EQ(split("Delete From T Where Id = :Id;\n"
                    "Insert Into T (Id, Name)\n"
                    "Values (:Id, :Name);\n"),
              QStringList({"Delete From T Where Id = :Id",
                           "Insert Into T (Id, Name)\nValues (:Id, :Name)"}));
    // The rest of the line starts the next statement and is taken whole.
    EXPECT_EQ(split("Select 1; Select 2; Select 3\nFrom T"),
              QStringList({"Select 1", "Select 2; Select 3\nFrom T"}));
    EXPECT_EQ(split("Select 1;; ; Select 2; Select 3"),
              QStringList({"Select 1", "Select 2; Select 3"}));
    EXPECT_EQ(split("Select 1\n;Select 2"), QStringList({"Select 1", "Select 2"}));
    EXPECT_EQ(split("Select 1 ;   \n/\nSelect 2"), QStringList({"Select 1", "Select 2"}));
}

TEST(SplitScript, SemicolonTermCanBeTurnedOff) {
    ScriptSyntax slashOnly;
    slashOnly.semicolonTerm = false;
    QStringList texts;
    for (const auto& s : splitScriptStatements("Select 1; Select 2\n/\nSelect 3;", slashOnly))
        texts.append(s.text);
    EXPECT_EQ(texts, QStringList({"Select 1; Select 2", "Select 3;"}));
}

TEST(SplitScript, LineCommentsStayAndEndWithTheirLine) {
    EXPECT_EQ(split("Update T Set A = 1 -- every row\nWhere B = 2\n/"),
              QStringList({"Update T Set A = 1 -- every row\nWhere B = 2"}));
    // A semicolon in a comment is part of the comment.
    EXPECT_EQ(split("-- step 1; the table\nSelect 1 -- a; b\nFrom T;\nSelect 2"),
              QStringList({"-- step 1; the table\nSelect 1 -- a; b\nFrom T", "Select 2"}));
}

TEST(SplitScript, QuotedTextAndBlockCommentsDoNotSplit) {
    EXPECT_EQ(
        split("Insert T Values ('a;b', 'it''s; ok');\nSelect [x;y], \"p;q\" From T"),
        QStringList({"Insert T Values ('a;b', 'it''s; ok')", "Select [x;y], \"p;q\" From T"}));
    // A string over several lines: its "/" and ";" lines are text.
    EXPECT_EQ(split("Update T Set Note = 'first\n/\n;\nlast'\n/\nSelect 2"),
              QStringList({"Update T Set Note = 'first\n/\n;\nlast'", "Select 2"}));
    // Block comments nest; "--" inside a string is not a comment.
    EXPECT_EQ(split("/* a; /* b; */ c;\n/\n*/ Select '--'; Select 3"),
              QStringList({"/* a; /* b; */ c;\n/\n*/ Select '--'", "Select 3"}));
    EXPECT_EQ(split("Select [a]]; b]; Select 2"), QStringList({"Select [a]]; b]", "Select 2"}));
}

TEST(SplitScript, AnyLineEndWorksAndStatementsKnowTheLineThatEndedThem) {
    const QList<ScriptStatement> statements =
        splitScriptStatements("Select 1\r\nFrom T\r\n/\r\n\r\nSelect 2;\rSelect 3\n\nFrom U\n\n");
    ASSERT_EQ(statements.size(), 3);
    EXPECT_EQ(statements[0].text, "Select 1\nFrom T");
    EXPECT_EQ(statements[0].line, 3);
    EXPECT_EQ(statements[1].text, "Select 2");
    EXPECT_EQ(statements[1].line, 5);
    // Ended by the end of the text: its own last line.
    EXPECT_EQ(statements[2].text, "Select 3\nFrom U");
    EXPECT_EQ(statements[2].line, 8);
}

}  // namespace
