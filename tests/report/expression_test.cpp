// The expression language on its own: operators, functions, errors, and the application's
// functions reached through the handler.
#include <gtest/gtest.h>

#include <QDateTime>

#include "db/decimal.h"
#include "ui/report/Report.h"

using report::Report;
using report::ReportError;

namespace {

QString eval(Report& r, const QString& text) {
    return report::displayText(r.evaluate(text));
}

QString failure(Report& r, const QString& text) {
    try {
        r.evaluate(text);
    } catch (const ReportError& e) {
        return e.message();
    }
    return QStringLiteral("(no error)");
}

TEST(ReportExpression, ArithmeticFollowsPrecedenceAndBrackets) {
    Report r;
    EXPECT_EQ(eval(r, "1 + 2 * 3"), "7");
    EXPECT_EQ(eval(r, "(1 + 2) * 3"), "9");
    EXPECT_EQ(eval(r, "[1 + 2] * 3"), "9");
    EXPECT_EQ(eval(r, "10 / 4"), "2.5");
    EXPECT_EQ(eval(r, "10 - 2 - 3"), "5");
    EXPECT_EQ(eval(r, "-2 * -3"), "6");
    EXPECT_EQ(eval(r, "7 mod 3"), "1");
    EXPECT_EQ(eval(r, "7 div 2"), "3");
    EXPECT_EQ(eval(r, "0.1 + 0.2"), "0.3");
}

TEST(ReportExpression, ComparisonsAndLogic) {
    Report r;
    EXPECT_EQ(eval(r, "1 < 2"), "True");
    EXPECT_EQ(eval(r, "2 <= 2"), "True");
    EXPECT_EQ(eval(r, "3 > 4"), "False");
    EXPECT_EQ(eval(r, "3 >= 4"), "False");
    EXPECT_EQ(eval(r, "'a' = 'a'"), "True");
    EXPECT_EQ(eval(r, "'a' <> 'b'"), "True");
    EXPECT_EQ(eval(r, "'abc' < 'abd'"), "True");
    EXPECT_EQ(eval(r, "'10' = 10"), "True");  // a text holding a number compares as one
    EXPECT_EQ(eval(r, "(1 = 1) and not (2 = 3)"), "True");
    EXPECT_EQ(eval(r, "(1 = 2) or (2 = 3)"), "False");
}

TEST(ReportExpression, PlusJoinsTexts) {
    Report r;
    EXPECT_EQ(eval(r, "'Page ' + 3"), "Page 3");
    EXPECT_EQ(eval(r, "'it''s' + ' ' + 'ok'"), "it's ok");
    EXPECT_EQ(eval(r, "'ยอด' + 'รวม'"), "ยอดรวม");
}

TEST(ReportExpression, IfEvaluatesOnlyTheChosenBranch) {
    Report r;
    EXPECT_EQ(eval(r, "IF(1 > 0, 'yes', 1 / 0)"), "yes");
    EXPECT_EQ(eval(r, "if(1 < 0, 1 / 0, 'no')"), "no");
}

TEST(ReportExpression, VariablesAreExpressionTexts) {
    Report r;
    r.setVariable("DocNo", "'ORD0001'");
    r.setVariable("DocYear", "2026");
    r.setVariable("Next", "[DocYear] + 1");
    EXPECT_EQ(eval(r, "[DocNo]"), "ORD0001");
    EXPECT_EQ(eval(r, "docno + '/' + DocYear"), "ORD0001/2026");
    EXPECT_EQ(eval(r, "Next"), "2027");
    r.setVariable("Loop", "[Loop] + 1");
    EXPECT_TRUE(failure(r, "Loop").contains("refers to itself"));
    // After a failure the variables still work.
    EXPECT_EQ(eval(r, "Next"), "2027");
    r.setVariable("Broken", "[DocYear] / 0");
    EXPECT_TRUE(
        failure(r, "Broken").contains("in variable Broken = [DocYear] / 0: division by zero"));
}

TEST(ReportExpression, FormatFloatUsesTheNumberPatterns) {
    Report r;
    EXPECT_EQ(eval(r, "FORMATFLOAT('#,##0.00', 1234567.5)"), "1,234,567.50");
    EXPECT_EQ(eval(r, "FORMATFLOAT('#,##0.00;(#,##0.00)', -12.345)"), "(12.35)");
    EXPECT_EQ(eval(r, "FORMATFLOAT('0.###', 2.5)"), "2.5");
    EXPECT_EQ(eval(r, "formatfloat('#', 0)"), "");
    EXPECT_TRUE(failure(r, "FORMATFLOAT('0', 'abc')").contains("not a number"));
}

TEST(ReportExpression, FormatDateTime) {
    Report r;
    r.setVariable("When", "FORMATDATETIME('yyyy-mm-dd', '09/12/2026')");
    EXPECT_EQ(eval(r, "When"), "2026-12-09");
    EXPECT_EQ(eval(r, "FORMATDATETIME('dd/mm/yy', '2026-01-05')"), "05/01/26");
    const QDateTime t(QDate(2026, 3, 4), QTime(7, 8, 9));
    EXPECT_EQ(report::formatDateTime("d/m/yyyy hh:mm:ss", t), "4/3/2026 07:08:09");
    EXPECT_EQ(report::formatDateTime("hh:nn 'at' dddd", t), "07:08 at Wednesday");
    EXPECT_EQ(report::formatDateTime("mmm yyyy", t), "Mar 2026");
    EXPECT_TRUE(failure(r, "FORMATDATETIME('dd', 'tomorrow')").contains("not a date"));
}

TEST(ReportExpression, TextFunctions) {
    Report r;
    EXPECT_EQ(eval(r, "UPPERCASE('abc')"), "ABC");
    EXPECT_EQ(eval(r, "TRIM('  x  ')"), "x");
    EXPECT_EQ(eval(r, "COPY('abcdef', 2, 3)"), "bcd");
    EXPECT_EQ(eval(r, "COPY('abc', 5, 3)"), "");
    EXPECT_EQ(eval(r, "LENGTH('สวัสดี')"), "6");
    EXPECT_EQ(eval(r, "ROUND(0.125, 2)"), "0.13");
    EXPECT_EQ(eval(r, "ROUND(-2.5)"), "-3");
    EXPECT_EQ(eval(r, "INT(-7.9)"), "-7");
}

TEST(ReportExpression, ErrorsSayWhatIsWrong) {
    Report r;
    EXPECT_TRUE(failure(r, "1 / 0").contains("division by zero"));
    EXPECT_TRUE(failure(r, "5 mod 0").contains("division by zero"));
    EXPECT_TRUE(failure(r, "1 +").contains("expression expected"));
    EXPECT_TRUE(failure(r, "(1 + 2").contains("\")\" expected"));
    EXPECT_TRUE(failure(r, "'open").contains("unclosed quote"));
    EXPECT_TRUE(failure(r, "Nobody").contains("unknown name Nobody"));
    EXPECT_TRUE(failure(r, "NOSUCH(1)").contains("unknown function NOSUCH"));
    EXPECT_TRUE(failure(r, "'a' * 2").contains("'a' is not a number"));
    EXPECT_TRUE(failure(r, "IF('maybe', 1, 2)").contains("neither true nor false"));
    EXPECT_TRUE(failure(r, "1e308 * 1e308").contains("overflow"));
    EXPECT_TRUE(failure(r, "IF(1, 2)").contains("IF takes 3"));
    EXPECT_TRUE(failure(r, "SUM(1)").contains("footer"));
    EXPECT_TRUE(failure(r, "1 @ 2").contains("unexpected character"));
    // Deep nesting is an error, not a crash.
    EXPECT_TRUE(failure(r, QString(5000, u'(') + "1" + QString(5000, u')')).contains("deeply"));
    EXPECT_TRUE(failure(r, QString(5000, u'-') + "1").contains("deeply"));
    EXPECT_TRUE(failure(r, "1" + QString("+1").repeated(5000)).contains("deeply"));
    EXPECT_EQ(eval(r, "1" + QString("+1").repeated(500)), "501");
}

TEST(ReportExpression, UnknownFunctionsGoToTheHandlerWithTheirArguments) {
    Report r;
    r.setVariable("Total", "1500.5");
    QString seenName;
    int seenCount = -1;
    r.setUserFunctionHandler(
        [&](const QString& name, int count,
            const report::ArgumentEvaluator& argument) -> std::optional<QVariant> {
            seenName = name;
            seenCount = count;
            if (name.toUpper() == u"TELL_TWICE")
                return report::displayText(argument(0)) + "|" + report::displayText(argument(1));
            if (name.toUpper() == u"SECOND_ONLY") return argument(1);
            return std::nullopt;
        });
    EXPECT_EQ(eval(r, "tell_twice([Total] * 2, 'x' + 'y')"), "3001|xy");
    EXPECT_EQ(seenName, "tell_twice");
    EXPECT_EQ(seenCount, 2);
    EXPECT_EQ(eval(r, "Tell_Twice(1, 2)"), "1|2");
    // Only the arguments the handler asks for are computed.
    EXPECT_EQ(eval(r, "SECOND_ONLY(1 / 0, 7)"), "7");
    // A failing argument stops with the engine's error; a name the handler does not serve
    // is an unknown function.
    EXPECT_TRUE(failure(r, "TELL_TWICE(1 / 0, 2)").contains("division by zero"));
    EXPECT_TRUE(failure(r, "TELL_TWICE(1)").contains("has no argument 2"));
    EXPECT_TRUE(failure(r, "OTHER(1, 2, 3)").contains("unknown function OTHER"));
    EXPECT_EQ(seenCount, 3);
}

TEST(ReportExpression, DisplayOfDatabaseValues) {
    EXPECT_EQ(report::displayText(QVariant()), "");
    EXPECT_EQ(report::displayText(QVariant::fromValue(*db::Decimal::parse(u"1234.50"))), "1234.50");
    EXPECT_EQ(report::displayText(QVariant::fromValue(*db::Decimal::parse(u"1234.5")), "#,##0.00"),
              "1,234.50");
    EXPECT_EQ(report::displayText(QVariant(qlonglong(9007199254740993))), "9007199254740993");
    EXPECT_EQ(report::displayText(QDateTime(QDate(2026, 12, 9), QTime(0, 0))), "09/12/2026");
    EXPECT_EQ(report::displayText(QDateTime(QDate(2026, 12, 9), QTime(8, 5))),
              "09/12/2026 08:05:00");
}

TEST(ReportExpression, TextsCutIntoLiteralsAndExpressions) {
    const auto parts = report::parseText("Total: [SUM([Lines.\"Amount\"])] baht [']']");
    ASSERT_EQ(parts.size(), 4u);
    EXPECT_EQ(parts[0].literal, "Total: ");
    EXPECT_EQ(parts[1].source, "SUM([Lines.\"Amount\"])");
    EXPECT_EQ(parts[2].literal, " baht ");
    EXPECT_EQ(parts[3].source, "']'");
    EXPECT_THROW(report::parseText("open [1 + 2"), ReportError);
    EXPECT_EQ(report::parseText("no brackets ]").size(), 1u);
}

}  // namespace
