// The client's readers of statement text (the script runner's split, the :name parameters of
// both drivers) against the texts every reader must read alike, and against the engine's lexer,
// which reads what the embedded driver passes on.
#include <gtest/gtest.h>

#include "data/ScriptRunner.h"
#include "db/sql_params.h"
#include "tests/common/tricky_texts.h"
#include "tsqlite/lexer.h"

namespace {

QStringList qt(const std::vector<std::string>& v) {
    QStringList out;
    for (const auto& s : v) out.append(QString::fromStdString(s));
    return out;
}

// Every :name token the engine reads, in order, repeats included.
QStringList lexedParameters(const QString& text) {
    const tsqlite::LexResult lexed = tsqlite::lex(text.toStdString());
    EXPECT_FALSE(lexed.error) << text.toStdString();
    QStringList names;
    for (const tsqlite::Token& t : lexed.tokens)
        if (t.kind == tsqlite::Tok::Parameter) names.append(QString::fromStdString(t.text));
    return names;
}

class TrickyText : public ::testing::TestWithParam<tricky::Text> {};

TEST_P(TrickyText, RunnerSplitAndDriversReadAsTheEngineDoes) {
    const tricky::Text& c = GetParam();
    const QStringList split = splitScript(QString::fromStdString(c.script));
    ASSERT_EQ(split, qt(c.statements));
    for (qsizetype k = 0; k < split.size(); ++k) {
        const QString& statement = split[k];
        const QStringList expected = qt(c.parameters[static_cast<size_t>(k)]);
        EXPECT_EQ(db::parameterNames(statement), expected) << statement.toStdString();
        // The embedded driver passes the names on: the engine must find the same ones.
        const db::DriverStatement embedded = db::embeddedStatement(statement);
        EXPECT_EQ(embedded.names, expected);
        QStringList lexedOnce;
        for (const QString& name : lexedParameters(embedded.text))
            if (!lexedOnce.contains(name, Qt::CaseInsensitive)) lexedOnce.append(name);
        EXPECT_EQ(lexedOnce, expected) << embedded.text.toStdString();
        // ODBC binds one marker per place the engine reads a parameter.
        const db::DriverStatement odbc = db::odbcStatement(statement);
        EXPECT_EQ(odbc.names, lexedParameters(statement)) << statement.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Readers, TrickyText, ::testing::ValuesIn(tricky::texts()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(TextReaders, NonAsciiNamesSurviveTheRewriteForEitherDriver) {
    const QString sql = QStringLiteral("Select :ชื่อ, 'ก:ข', :ชื่อ::x");
    EXPECT_EQ(db::odbcStatement(sql).text, QStringLiteral("Select ?, 'ก:ข', ?:x"));
    EXPECT_EQ(db::embeddedStatement(sql).text, QStringLiteral("Select :ชื่อ, 'ก:ข', :ชื่อ: x"));
}

}  // namespace
