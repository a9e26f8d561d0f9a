// The engine's readers of statement text against the texts every reader must read alike: the
// lexer, the parameter finder and the runner split the test support and the benchmarks use.
#include <gtest/gtest.h>
#include <strings.h>

#include "conformance_support.h"
#include "statements/Lines.h"
#include "tests/common/tricky_texts.h"
#include "tsqlite/lexer.h"
#include "tsqlite/scanner.h"

using namespace tsqlite;

namespace {

// The :name parameters the lexer finds, each once, ignoring ASCII case as binding does.
std::vector<std::string> lexedParameters(const std::string& statement) {
    LexResult lexed = lex(statement);
    EXPECT_FALSE(lexed.error) << statement << ": " << lexed.error->message;
    std::vector<std::string> names;
    for (const Token& t : lexed.tokens) {
        if (t.kind != Tok::Parameter) continue;
        bool seen = false;
        for (const auto& n : names) seen = seen || strcasecmp(n.c_str(), t.text.c_str()) == 0;
        if (!seen) names.push_back(t.text);
    }
    return names;
}

class TrickyText : public ::testing::TestWithParam<tricky::Text> {};

TEST_P(TrickyText, RunnerSplitParametersAndLexerAgree) {
    const tricky::Text& c = GetParam();
    const std::vector<std::string> split = statements::runnerStatements(c.script);
    ASSERT_EQ(split, c.statements);
    for (size_t k = 0; k < split.size(); ++k) {
        EXPECT_EQ(tsqlite::parameterNames(split[k]), c.parameters[k]) << split[k];
        EXPECT_EQ(lexedParameters(split[k]), c.parameters[k]) << split[k];
    }
}

INSTANTIATE_TEST_SUITE_P(Readers, TrickyText, ::testing::ValuesIn(tricky::texts()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Scanner, RunsEndWhereTheServerEndsThem) {
    struct Case {
        std::string text;
        Region region;
        size_t end;
        bool closed;
    };
    const Case cases[] = {
        {"'it''s' x", Region::String, 7, true},
        {"[a]]b] x", Region::BracketName, 6, true},
        {"\"a\"\"b\" x", Region::QuotedName, 6, true},
        {"-- c\nx", Region::LineComment, 4, true},
        {"/* a /* b */ c */ x", Region::BlockComment, 17, true},
        {"/* a /* b */ c", Region::BlockComment, 14, false},
        {"'open", Region::String, 5, false},
        {"x 'a'", Region::Code, 0, true},
        {"-x", Region::Code, 0, true},
    };
    for (const Case& c : cases) {
        Span run = runAt(c.text, 0);
        EXPECT_EQ(run.region, c.region) << c.text;
        EXPECT_EQ(run.end, c.end) << c.text;
        EXPECT_EQ(run.closed, c.closed) << c.text;
    }
    EXPECT_EQ(unquote("'it''s'"), "it's");
    EXPECT_EQ(unquote("[a]]b]"), "a]b");
    EXPECT_EQ(unquote("'open"), "open");
}

TEST(Scanner, RunnerSplitTrimsUnicodeBlanksAsTheClientDoes) {
    // A no-break space and an ideographic space around the slash and the statement.
    EXPECT_EQ(statements::runnerStatements("\xC2\xA0Select 1\xE3\x80\x80\n\xC2\xA0/\nSelect 2"),
              (std::vector<std::string>{"Select 1", "Select 2"}));
    // Thai letters are not blanks, though their bytes resemble the blanks' lead bytes.
    EXPECT_EQ(statements::runnerStatements("Select N'ก'\n/"),
              (std::vector<std::string>{"Select N'ก'"}));
}

// The test support runs the real split and the real parameter finder: a semicolon inside a
// string reaches the engine as text, and each statement gets the values of its own names.
TEST(Scanner, TestSupportRunsScriptsAsTheClientSendsThem) {
    conformance::TempServer server;
    server.createDatabase("Texts");
    auto db = server.open("Texts");
    auto results = conformance::runScript(
        *db, "Select 'a;b' As s, :A As a /* ; :B */\n/\nSelect :b As b; Select [x;y] = 1",
        {{"a", tsqlite::Value::integer(7)}, {"B", tsqlite::Value::text("bee")}});
    ASSERT_EQ(results.size(), 3u);
    conformance::Rows first(results[0]);
    EXPECT_EQ(first.str(0, "s"), "a;b");
    EXPECT_EQ(first.str(0, "a"), "7");
    EXPECT_EQ(conformance::Rows(results[1]).str(0, "b"), "bee");
    EXPECT_EQ(conformance::Rows(results[2]).str(0, "x;y"), "1");
}

}  // namespace
