// The application's functions for report templates, called as the report engine calls them:
// a name, the number of argument expressions and an evaluator for each.
#include "printing/ReportUserFunctions.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "data/ConvertError.h"
#include "db/decimal.h"
#include "tests/common/client_fixture.h"
#include "tests/db/printers.h"

namespace {

QString u(const char* text) {
    return QString::fromUtf8(text);
}

// Argument expressions already evaluated; an invalid QVariant stands for one the engine
// cannot compute. Remembers which ones were asked for.
struct FakeEngine {
    std::vector<QVariant> values;
    std::vector<int> evaluated;

    report::ArgumentEvaluator evaluator() {
        return [this](int index) {
            evaluated.push_back(index);
            const QVariant& value = values.at(static_cast<size_t>(index));
            if (!value.isValid()) throw std::runtime_error("unknown variable [Nothing]");
            return value;
        };
    }
};

class ReportUserFunctions : public ::testing::Test {
protected:
    std::optional<QVariant> call(const QString& name, std::vector<QVariant> args) {
        engine = FakeEngine{std::move(args), {}};
        return frfReportUserFunction(modules.dm, name, static_cast<int>(engine.values.size()),
                                     engine.evaluator());
    }
    QString text(const QString& name, std::vector<QVariant> args) {
        const std::optional<QVariant> result = call(name, std::move(args));
        EXPECT_TRUE(result.has_value()) << name.toStdString();
        return result ? result->toString() : QString();
    }
    // The message of the ConvertError the call throws; empty when it throws none.
    std::string failure(const QString& name, std::vector<QVariant> args) {
        try {
            call(name, std::move(args));
        } catch (const ConvertError& error) {
            return error.what();
        }
        return {};
    }

    testing_support::ClientServer server;
    testing_support::DataModules modules{server};
    FakeEngine engine;
};

TEST_F(ReportUserFunctions, AmountFunctionsInAnyLetterCase) {
    const QVariant amount(21.01);
    for (const char* name : {"TELL_REAL_THAI", "tell_real_thai", "Tell_Real_Thai"})
        EXPECT_EQ(text(QString::fromLatin1(name), {amount, 2}), u("ยี่สิบเอ็ดบาทหนึ่งสตางค์"));
    EXPECT_EQ(text(QStringLiteral("tell_real_thai2"), {amount, 2}), u("ยี่สิบเอ็ดจุดหนึ่ง"));
    EXPECT_EQ(text(QStringLiteral("Tell_Real_Eng"), {amount, 2}),
              u("TWENTY ONE  BAHT  AND ONE  SATANG"));
    EXPECT_EQ(text(QStringLiteral("TELL_REAL_ENG2"), {amount, 2}), u("TWENTY ONE   POINT ONE  "));
    EXPECT_EQ(text(QStringLiteral("tell_real_thai"), {1, 2}),
              text(QStringLiteral("TELL_REAL_THAI"), {1, 2}));
}

TEST_F(ReportUserFunctions, AZeroAmountIsEmptyTextForAllFour) {
    for (const char* name :
         {"TELL_REAL_THAI", "TELL_REAL_THAI2", "TELL_REAL_ENG", "TELL_REAL_ENG2"}) {
        const std::optional<QVariant> result = call(QString::fromLatin1(name), {0, 2});
        ASSERT_TRUE(result.has_value()) << name;
        EXPECT_EQ(result->typeId(), QMetaType::QString) << name;
        EXPECT_EQ(result->toString(), QString()) << name;
    }
}

TEST_F(ReportUserFunctions, UnknownNamesAreLeftToTheEngineWithoutEvaluatingAnything) {
    for (const char* name : {"TELL_REAL", "TELL_REAL_THAI3", "SUM", "", " TELL_REAL_THAI"}) {
        EXPECT_EQ(call(QString::fromLatin1(name), {1, 2, 3}), std::nullopt) << name;
        EXPECT_TRUE(engine.evaluated.empty()) << name;
    }
}

TEST_F(ReportUserFunctions, OnlyTheArgumentsAFunctionUsesAreEvaluated) {
    // A third argument the engine could not compute is never asked for.
    EXPECT_EQ(text(QStringLiteral("TELL_REAL_ENG"), {5, 0, QVariant()}), u("FIVE  BAHT  ONLY"));
    EXPECT_EQ(engine.evaluated, (std::vector<int>{0, 1}));
}

TEST_F(ReportUserFunctions, ArgumentsArriveAsNumbersTextOrExactDecimals) {
    const QString expected = u("หนึ่งพันสองร้อยสามสิบสี่บาทห้าสิบหกสตางค์");
    const QString name = QStringLiteral("TELL_REAL_THAI");
    EXPECT_EQ(text(name, {QStringLiteral(" 1234.56 "), QStringLiteral("2")}), expected);
    EXPECT_EQ(text(name, {QVariant::fromValue(*db::Decimal::parse(u"1234.560")), 2.0}), expected);
    EXPECT_EQ(text(name, {QVariant(qlonglong(1234)), QVariant(qlonglong(0))}),
              u("หนึ่งพันสองร้อยสามสิบสี่บาทถ้วน"));
}

TEST_F(ReportUserFunctions, AValueThatIsNoNumberNamesTheFunctionAndTheValue) {
    const QString name = QStringLiteral("tell_real_eng");
    EXPECT_EQ(failure(name, {QStringLiteral("abc"), 2}),
              "TELL_REAL_ENG: argument 1 (\"abc\") is not a number");
    EXPECT_EQ(failure(name, {QVariant(QMetaType(QMetaType::QString)), 2}),
              "TELL_REAL_ENG: argument 1 (NULL) is not a number");
    EXPECT_EQ(failure(name, {QStringLiteral(""), 2}),
              "TELL_REAL_ENG: argument 1 (\"\") is not a number");
    EXPECT_EQ(failure(name, {QStringLiteral("inf"), 2}),
              "TELL_REAL_ENG: argument 1 (\"inf\") is not a number");
    EXPECT_EQ(failure(name, {QDate(2026, 1, 1), 2}),
              "TELL_REAL_ENG: argument 1 (\"2026-01-01\") is not a number");
    EXPECT_EQ(failure(name, {1, 2.5}),
              "TELL_REAL_ENG: argument 2 (\"2.5\") is not a whole number of 32 bits");
    EXPECT_EQ(failure(name, {1, 4294967298.0}),
              "TELL_REAL_ENG: argument 2 (\"4294967298\") is not a whole number of 32 bits");
    EXPECT_EQ(failure(name, {1}), "TELL_REAL_ENG needs 2 arguments, 1 given");
}

TEST_F(ReportUserFunctions, RangeErrorsOfTheRoutinesNameTheFunction) {
    EXPECT_EQ(failure(QStringLiteral("TELL_REAL_THAI"), {1, 300}),
              "TELL_REAL_THAI: 300 decimals: a count of 0 to 255 is needed");
    EXPECT_EQ(failure(QStringLiteral("TELL_REAL_THAI2"), {3e9, 2}),
              "TELL_REAL_THAI2: '3000000000' is not a valid 32-bit integer");
}

TEST_F(ReportUserFunctions, AnArgumentTheEngineCannotComputeStopsTheCall) {
    EXPECT_THROW(call(QStringLiteral("TELL_REAL_THAI"), {QVariant(), 2}), std::runtime_error);
}

// The quantity functions read the company database through the main data module.
class ReportQuantityFunctions : public ReportUserFunctions {
protected:
    void SetUp() override {
        server.createCompany(QStringLiteral("NWX"));
        server.runScript(QStringLiteral("NWX"), QStringLiteral("company/product_tables.sql"));
        server.connect(QStringLiteral("NWX"))->execute(QStringLiteral(R"(
SET IDENTITY_INSERT ProductUnits ON
INSERT INTO ProductUnits (Id, Product, UnitName, Fraction, SmallUnitFlag, StockUnitFlag) VALUES (1, 1, 'ขวด', 1, 'Y', 'N')
INSERT INTO ProductUnits (Id, Product, UnitName, Fraction, SmallUnitFlag, StockUnitFlag) VALUES (2, 1, 'ลัง', 12, 'N', 'Y')
SET IDENTITY_INSERT ProductUnits OFF
UPDATE Config SET OnhandDecimal = 0, UnitLeft = '(', UnitRight = ')' WHERE Id = 1
)"));
        modules.dm.setDatabaseParameter(QStringLiteral("NWX"));
    }
};

TEST_F(ReportQuantityFunctions, QuantityFirstThenTheUnitThenThePart) {
    EXPECT_EQ(text(QStringLiteral("OnhandQuantity"), {30, 2}), u("2 (ลัง) 6 (ขวด)"));
    EXPECT_EQ(text(QStringLiteral("onhandquantitylsunit"), {30, QStringLiteral("2"), 1}),
              u("2 ลัง"));
    EXPECT_EQ(engine.evaluated, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(text(QStringLiteral("ONHANDQUANTITYLSUNIT"), {30, 2, 2}), u(" 6 ขวด"));
    EXPECT_EQ(text(QStringLiteral("FracSmallByStock"), {QStringLiteral("30"), 1}), u("2;1/2  ลัง"));
    EXPECT_EQ(failure(QStringLiteral("ONHANDQUANTITYLSUNIT"), {30, 2}),
              "ONHANDQUANTITYLSUNIT needs 3 arguments, 2 given");
    EXPECT_EQ(failure(QStringLiteral("FRACSMALLBYSTOCK"), {3e9, 1}),
              "FRACSMALLBYSTOCK: quantity 3e+09 x 1 is not a valid 32-bit integer");
}

TEST_F(ReportQuantityFunctions, TheHandlerForTheEngineServesTheSameFunctions) {
    const report::UserFunctionHandler handler = reportUserFunctionHandler(modules.dm);
    engine = FakeEngine{{30, 1}, {}};
    const std::optional<QVariant> result =
        handler(QStringLiteral("fracsmallbystock"), 2, engine.evaluator());
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(result->toString(), u("2;1/2  ลัง"));
    EXPECT_EQ(handler(QStringLiteral("PAGE"), 0, engine.evaluator()), std::nullopt);
}

}  // namespace
