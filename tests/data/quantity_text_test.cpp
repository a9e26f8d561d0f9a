// Quantity texts in product units: the texts from given unit rows, then the look-ups of the
// main data module on a company database.
#include "data/QuantityText.h"

#include <gtest/gtest.h>

#include <limits>

#include "data/ConvertError.h"
#include "tests/common/client_fixture.h"
#include "tests/db/printers.h"

namespace {

QString u(const char* text) {
    return QString::fromUtf8(text);
}

// A case of 12 bottles, and a product stocked by the dozen.
UnitFractionRow caseOf12() {
    return {true, u("ลัง"), 12, u("ขวด"), 1};
}
UnitFractionRow bottle() {
    return {true, u("ขวด"), 1, u("ขวด"), 1};
}
const StockUnitRow kDozen{true, 12, u("โหล")};
const QuantitySettings kBrackets{0, u("("), u(")")};

QString frac(double quantity, qint64 fraction, const StockUnitRow& stock = kDozen) {
    return fracSmallByStockText(smallUnitsOf(quantity, fraction), stock, u("ฟอง"));
}

TEST(FracSmallByStock, WholeStockUnitsAndAFractionInLowestTerms) {
    EXPECT_EQ(frac(30, 1), u("2;1/2  โหล"));
    EXPECT_EQ(frac(24, 1), u("2;โหล"));
    EXPECT_EQ(frac(0, 1), u(";0  โหล"));
    EXPECT_EQ(frac(8, 1), u(";2/3  โหล"));
    EXPECT_EQ(frac(1, 1), u(";1/12  โหล"));
    EXPECT_EQ(frac(1.5, 6), u(";3/4  โหล"))
        << "a quantity of another unit is counted in its pieces";
    EXPECT_EQ(frac(13.25, 12), u("13;1/4  โหล"));
    EXPECT_EQ(frac(12000, 12), u("12,000;โหล"));
    EXPECT_EQ(frac(2.99, 1), u(";1/6  โหล")) << "pieces are truncated, not rounded";
}

TEST(FracSmallByStock, NegativeQuantitiesKeepTheirFractionUnreduced) {
    EXPECT_EQ(frac(-30, 1), u("-2;-6/12  โหล"));
    EXPECT_EQ(frac(-6, 1), u(";-6/12  โหล")) << "not a half: the half test sees -2";
    EXPECT_EQ(frac(-24, 1), u("-2;โหล"));
}

TEST(FracSmallByStock, WithoutAUnitRowEverythingIsZero) {
    EXPECT_EQ(fracSmallByStockText(smallUnitsOf(30, 0), StockUnitRow{}, QString()), u(";0"));
}

TEST(FracSmallByStock, WithoutAStockUnitTheQuantityStaysInSmallestUnits) {
    EXPECT_EQ(frac(30, 1, StockUnitRow{}), u("30;ฟอง"));
    EXPECT_EQ(frac(-7, 1, StockUnitRow{true, 0, u("โหล")}), u("-7;ฟอง"));
    EXPECT_EQ(frac(0, 1, StockUnitRow{}), u(";0"));
}

TEST(FracSmallByStock, PiecesBeyondThirtyTwoBitsAreAConversionError) {
    EXPECT_EQ(smallUnitsOf(2147483647, 1), 2147483647);
    EXPECT_EQ(smallUnitsOf(-2147483648.0, 1), std::numeric_limits<std::int32_t>::min());
    EXPECT_THROW(smallUnitsOf(2147483648.0, 1), ConvertError);
    EXPECT_THROW(smallUnitsOf(200000000, 12), ConvertError);
    EXPECT_THROW(smallUnitsOf(std::numeric_limits<double>::quiet_NaN(), 1), ConvertError);
    EXPECT_THROW(smallUnitsOf(-std::numeric_limits<double>::infinity(), 1), ConvertError);
}

TEST(OnhandQuantity, WholeLargerUnitsAndThePiecesLeftOver) {
    EXPECT_EQ(onhandQuantityText(caseOf12(), kBrackets, 30), u("2 (ลัง) 6 (ขวด)"));
    EXPECT_EQ(onhandQuantityText(caseOf12(), kBrackets, 24), u("2 (ลัง)"));
    EXPECT_EQ(onhandQuantityText(caseOf12(), kBrackets, 6), u("6 (ขวด)"));
    EXPECT_EQ(onhandQuantityText(caseOf12(), kBrackets, 30.5), u("2 (ลัง) 6.5 (ขวด)"));
    EXPECT_EQ(onhandQuantityText(caseOf12(), kBrackets, 18000), u("1,500 (ลัง)"));
    EXPECT_EQ(onhandQuantityText(caseOf12(), kBrackets, 0), u("0 (ลัง)"));
    EXPECT_EQ(onhandQuantityText(caseOf12(), QuantitySettings{}, 30), u("2 ลัง 6 ขวด"));
}

TEST(OnhandQuantity, ASignGoesBeforeTheWholeTextOnly) {
    EXPECT_EQ(onhandQuantityText(caseOf12(), kBrackets, -30), u("- 2 (ลัง) 6 (ขวด)"));
    // The decimal pattern's own leading blank follows the sign's.
    EXPECT_EQ(onhandQuantityText(caseOf12(), kBrackets, -6), u("-  6 (ขวด)"));
    EXPECT_EQ(onhandQuantityText(bottle(), kBrackets, -1.25), u("-  1.25 (ขวด)"));
}

TEST(OnhandQuantity, UnitsOfOneShowTheQuantityInTheDecimalPattern) {
    EXPECT_EQ(onhandQuantityText(bottle(), kBrackets, 1234.5), u("1,234.5 (ขวด)"));
    EXPECT_EQ(onhandQuantityText(bottle(), kBrackets, 0), u("(ขวด)"))
        << "without decimals set, zero prints no digit";
    const QuantitySettings twoDecimals{2, u("("), u(")")};
    EXPECT_EQ(onhandQuantityText(bottle(), twoDecimals, 1234.5), u("1,234.50 (ขวด)"));
    EXPECT_EQ(onhandQuantityText(bottle(), twoDecimals, 0), u("0.00 (ขวด)"));
    EXPECT_EQ(onhandQuantityText(caseOf12(), twoDecimals, 13), u("1 (ลัง) 1.00 (ขวด)"));
    // Far more decimals than a double holds is no reason to run out of memory.
    const QuantitySettings huge{std::numeric_limits<int>::max(), QString(), QString()};
    EXPECT_EQ(onhandQuantityText(bottle(), huge, 1), u("1.") + QString(255, u'0') + u(" ขวด"));
}

TEST(OnhandQuantity, AFractionOfZeroPrintsTheQuantityTwice) {
    UnitFractionRow unit = caseOf12();
    unit.fraction = 0;
    EXPECT_EQ(onhandQuantityText(unit, kBrackets, 5), u("5 (ลัง) 5 (ขวด)"));
}

TEST(OnhandQuantity, AMissingUnitSaysErrorWithoutSign) {
    EXPECT_EQ(onhandQuantityText(UnitFractionRow{}, kBrackets, -3.5), u("3.5 ERROR"));
    EXPECT_EQ(onhandQuantityText(UnitFractionRow{}, kBrackets, 0), u("ERROR"));
}

TEST(OnhandQuantity, WholeUnitsBeyondSixtyFourBitsAreAConversionError) {
    EXPECT_THROW(onhandQuantityText(caseOf12(), kBrackets, 1e300), ConvertError);
    EXPECT_THROW(
        onhandQuantityText(caseOf12(), kBrackets, std::numeric_limits<double>::quiet_NaN()),
        ConvertError);
    EXPECT_EQ(onhandQuantityText(caseOf12(), kBrackets, 1.2e19),
              u("1,000,000,000,000,000,000 (ลัง)"));
}

TEST(OnhandQuantityLSUnit, EachPieceAloneAndUntrimmed) {
    EXPECT_EQ(onhandQuantityLSUnitText(caseOf12(), 1, 30), u("2 ลัง"));
    EXPECT_EQ(onhandQuantityLSUnitText(caseOf12(), 2, 30), u(" 6 ขวด"));
    EXPECT_EQ(onhandQuantityLSUnitText(caseOf12(), 1, 6), QString());
    EXPECT_EQ(onhandQuantityLSUnitText(caseOf12(), 2, 24), QString());
    EXPECT_EQ(onhandQuantityLSUnitText(caseOf12(), 2, 12.5), u(" .5 ขวด"));
    EXPECT_EQ(onhandQuantityLSUnitText(bottle(), 2, 7), u("7 ขวด"));
    EXPECT_EQ(onhandQuantityLSUnitText(bottle(), 1, 7), QString());
}

TEST(OnhandQuantityLSUnit, SignsAndErrors) {
    EXPECT_EQ(onhandQuantityLSUnitText(caseOf12(), 1, -6), u("- "));
    EXPECT_EQ(onhandQuantityLSUnitText(caseOf12(), 2, -30), u("-  6 ขวด"));
    EXPECT_EQ(onhandQuantityLSUnitText(caseOf12(), 3, -30), u("30 IDERROR"));
    EXPECT_EQ(onhandQuantityLSUnitText(caseOf12(), 0, 1234), u("1,234 IDERROR"));
    EXPECT_EQ(onhandQuantityLSUnitText(UnitFractionRow{}, 1, -7), u("7 ERROR"));
}

// The routines of the main data module on a company database built from sql/.
class QuantityLookups : public ::testing::Test {
protected:
    void SetUp() override {
        server.createCompany(QStringLiteral("NWX"));
        server.runScript(QStringLiteral("NWX"), QStringLiteral("company/product_tables.sql"));
        company = server.connect(QStringLiteral("NWX"));
        // Eggs (Id 1) stocked by the dozen; water (Id 2) in bottles with a case of 12; a
        // product (Id 3) with no stock unit marked.
        company->execute(QStringLiteral(R"(
SET IDENTITY_INSERT ProductUnits ON
INSERT INTO ProductUnits (Id, Product, UnitName, Fraction, SmallUnitFlag, StockUnitFlag) VALUES (1, 1, 'ฟอง', 1, 'Y', 'N')
INSERT INTO ProductUnits (Id, Product, UnitName, Fraction, SmallUnitFlag, StockUnitFlag) VALUES (2, 1, 'แผง', 30, 'N', 'N')
INSERT INTO ProductUnits (Id, Product, UnitName, Fraction, SmallUnitFlag, StockUnitFlag) VALUES (3, 1, 'โหล', 12, 'N', 'Y')
INSERT INTO ProductUnits (Id, Product, UnitName, Fraction, SmallUnitFlag, StockUnitFlag) VALUES (4, 2, 'ขวด', 1, 'Y', 'Y')
INSERT INTO ProductUnits (Id, Product, UnitName, Fraction, SmallUnitFlag, StockUnitFlag) VALUES (5, 2, 'ลัง', 12, 'N', 'N')
INSERT INTO ProductUnits (Id, Product, UnitName, Fraction, SmallUnitFlag, StockUnitFlag) VALUES (6, 3, 'ชิ้น', 1, 'Y', 'N')
SET IDENTITY_INSERT ProductUnits OFF
UPDATE Config SET OnhandDecimal = NULL, UnitLeft = '(', UnitRight = ')' WHERE Id = 1
)"));
        modules.dm.setDatabaseParameter(QStringLiteral("NWX"));
    }

    testing_support::ClientServer server;
    testing_support::DataModules modules{server};
    std::unique_ptr<db::Connection> company;
};

TEST_F(QuantityLookups, FracSmallByStockCountsInTheProductsStockUnit) {
    TDM& dm = modules.dm;
    EXPECT_EQ(dm.FracSmallByStock(1, 30), u("2;1/2  โหล"));
    EXPECT_EQ(dm.FracSmallByStock(2, 1), u("2;1/2  โหล")) << "a tray of 30 eggs";
    EXPECT_EQ(dm.FracSmallByStock(1, 8), u(";2/3  โหล"));
    EXPECT_EQ(dm.FracSmallByStock(5, 0.5), u("6;ขวด")) << "stocked in bottles";
    EXPECT_EQ(dm.FracSmallByStock(99, 30), u(";0"));
    EXPECT_EQ(dm.FracSmallByStock(6, 4), u("4;ชิ้น"));
    EXPECT_THROW(dm.FracSmallByStock(2, 1e8), ConvertError);
}

TEST_F(QuantityLookups, OnhandQuantityReadsTheSettingsRow) {
    TDM& dm = modules.dm;
    EXPECT_EQ(dm.OnhandQuantity(5, 30), u("2 (ลัง) 6 (ขวด)"));
    EXPECT_EQ(dm.OnhandQuantity(4, 0), u("(ขวด)"));
    EXPECT_EQ(dm.OnhandQuantity(99, 12), u("12 ERROR"));

    company->execute(QStringLiteral(
        "UPDATE Config SET OnhandDecimal = 2, UnitLeft = NULL, UnitRight = ' ' WHERE Id = 1"));
    dm.QConfig.reopen();
    EXPECT_EQ(dm.OnhandQuantity(4, 2.5), u("2.50 ขวด"));
    EXPECT_EQ(dm.OnhandQuantity(5, -13), u("- 1 ลัง  1.00 ขวด"));
}

TEST_F(QuantityLookups, OnhandQuantityLSUnitGivesOnePiece) {
    TDM& dm = modules.dm;
    EXPECT_EQ(dm.OnhandQuantityLSUnit(3, 1, 30), u("2 โหล"));
    EXPECT_EQ(dm.OnhandQuantityLSUnit(3, 2, 30), u(" 6 ฟอง"));
    EXPECT_EQ(dm.OnhandQuantityLSUnit(99, 2, 30), u("30 ERROR"));
}

}  // namespace
