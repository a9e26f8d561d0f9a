// Types, CAST/CONVERT and display: the C++ face of the runtime.
#include <gtest/gtest.h>

#include "tsqlite/decimal.h"
#include "tsqlite/runtime.h"
#include "tsqlite/session.h"
#include "tsqlite/types.h"

using namespace tsqlite;

namespace {

SqlType T(const char* name) {
    auto t = SqlType::parse(name);
    EXPECT_TRUE(t.has_value()) << name;
    return t.value_or(SqlType{});
}

std::string str(const Value& v) {
    switch (v.kind) {
        case Value::Kind::Null:
            return "NULL";
        case Value::Kind::Int:
            return std::to_string(v.i);
        case Value::Kind::Float:
            return displayText(v, T("float"));
        default:
            return v.s;
    }
}

std::string conv(const Value& v, const char* from, const char* to, int style = -1,
                 bool assign = false) {
    const Value r = convertValue(v, T(from), T(to), style, assign);
    // A scaled decimal as the number it stands for.
    if (dec::isScaled(T(to)) && r.kind == Value::Kind::Int)
        return str(Value::real(dec::toDouble(r.i, dec::scaleOf(T(to)))));
    return str(r);
}

std::string conv(const char* text, const char* to, int style = -1) {
    return conv(Value::text(text), "varchar(100)", to, style);
}

// Runs a conversion that must fail and returns the error.
Error convError(const Value& v, const char* from, const char* to, int style = -1,
                bool assign = false) {
    try {
        convertValue(v, T(from), T(to), style, assign);
    } catch (const Error& e) {
        return e;
    }
    ADD_FAILURE() << "no error converting " << from << " to " << to;
    return Error(0, "");
}

}  // namespace

// ---- types -------------------------------------------------------------------------------

TEST(RuntimeTypes, ParsesTypeNamesWithSqlServerDefaults) {
    EXPECT_EQ(T("varchar(20)").base, BaseType::VarChar);
    EXPECT_EQ(T("varchar(20)").length, 20);
    EXPECT_EQ(T("char").length, 1);
    EXPECT_EQ(T("nvarchar(max)").length, -1);
    SqlType d = T("DECIMAL(18, 2)");
    EXPECT_EQ(d.base, BaseType::Decimal);
    EXPECT_EQ(d.precision, 18);
    EXPECT_EQ(d.scale, 2);
    EXPECT_EQ(T("numeric").precision, 18);
    EXPECT_EQ(T("numeric").scale, 0);
    EXPECT_EQ(T("float(24)").base, BaseType::Real);
    EXPECT_EQ(T("float").base, BaseType::Float);
    EXPECT_EQ(T("[int]").base, BaseType::Int);
    EXPECT_FALSE(SqlType::parse("varchar(20").has_value());
    EXPECT_FALSE(SqlType::parse("IdNo").has_value());
    for (const char* s : {"int", "varchar(20)", "decimal(18,2)", "nvarchar(max)", "char(10)",
                          "money", "datetime", "bit", "float", "date", "varbinary(16)"})
        EXPECT_EQ(T(s).toString(), s);
}

TEST(RuntimeTypes, PrecedenceFollowsSqlServer) {
    const char* order[] = {
        "datetime",   "smalldatetime", "date",     "float",      "real",    "decimal(5,2)", "money",
        "smallmoney", "bigint",        "int",      "smallint",   "tinyint", "bit",          "ntext",
        "text",       "nvarchar(5)",   "nchar(5)", "varchar(5)", "char(5)", "varbinary(5)"};
    for (size_t i = 1; i < std::size(order); ++i)
        EXPECT_GT(T(order[i - 1]).precedence(), T(order[i]).precedence()) << order[i];
}

TEST(RuntimeTypes, ArithmeticResultTypes) {
    EXPECT_EQ(resultTypeOfArithmetic(T("decimal(5,2)"), T("decimal(7,3)"), '+').toString(),
              "decimal(8,3)");
    EXPECT_EQ(resultTypeOfArithmetic(T("decimal(10,2)"), T("decimal(5,1)"), '*').toString(),
              "decimal(16,3)");
    EXPECT_EQ(resultTypeOfArithmetic(T("int"), T("decimal(5,2)"), '+').toString(), "decimal(13,2)");
    // Precision over 38 gives up scale, keeping at least what the integral part needs.
    EXPECT_EQ(resultTypeOfArithmetic(T("decimal(38,10)"), T("decimal(10,2)"), '/').toString(),
              "decimal(38,8)");
    EXPECT_EQ(resultTypeOfArithmetic(T("decimal(30,10)"), T("decimal(30,10)"), '*').toString(),
              "decimal(38,6)");
    EXPECT_EQ(resultTypeOfArithmetic(T("int"), T("int"), '/').toString(), "int");
    EXPECT_EQ(resultTypeOfArithmetic(T("int"), T("varchar(5)"), '+').toString(), "int");
    EXPECT_EQ(resultTypeOfArithmetic(T("money"), T("int"), '*').toString(), "money");
    EXPECT_EQ(resultTypeOfArithmetic(T("float"), T("decimal(5,2)"), '-').toString(), "float");
    EXPECT_EQ(resultTypeOfArithmetic(T("datetime"), T("int"), '-').toString(), "datetime");
    EXPECT_EQ(resultTypeOfArithmetic(T("varchar(10)"), T("varchar(5)"), '+').toString(),
              "varchar(15)");
    EXPECT_EQ(resultTypeOfArithmetic(T("varchar(10)"), T("nvarchar(5)"), '+').toString(),
              "nvarchar(15)");
    EXPECT_EQ(resultTypeOfArithmetic(T("varchar(8000)"), T("varchar(10)"), '+').toString(),
              "varchar(8000)");
}

TEST(RuntimeTypes, DominantType) {
    EXPECT_EQ(dominantType(T("int"), T("decimal(5,2)")).toString(), "decimal(12,2)");
    EXPECT_EQ(dominantType(T("varchar(5)"), T("nvarchar(3)")).toString(), "nvarchar(5)");
    EXPECT_EQ(dominantType(T("char(5)"), T("varchar(8)")).toString(), "varchar(8)");
    EXPECT_EQ(dominantType(T("varchar(5)"), T("datetime")).toString(), "datetime");
    EXPECT_EQ(dominantType(SqlType{}, T("money")).toString(), "money");
}

// ---- to integers -------------------------------------------------------------------------

TEST(RuntimeConvert, StringToIntAcceptsOnlyWholeNumbers) {
    EXPECT_EQ(conv("12", "int"), "12");
    EXPECT_EQ(conv(" 12 ", "int"), "12");
    EXPECT_EQ(conv("-12", "int"), "-12");
    EXPECT_EQ(conv("", "int"), "0");
    EXPECT_EQ(conv("-", "int"), "0");
    EXPECT_EQ(convError(Value::text("12\n"), "varchar(10)", "int").number, 245);
    Error e = convError(Value::text("a"), "varchar(10)", "int");
    EXPECT_EQ(e.number, 245);
    EXPECT_EQ(e.message,
              "Conversion failed when converting the varchar value 'a' to data type int.");
    EXPECT_EQ(convError(Value::text("12.5"), "varchar(10)", "int").number, 245);
    EXPECT_EQ(convError(Value::text("x"), "nvarchar(10)", "int").message,
              "Conversion failed when converting the nvarchar value 'x' to data type int.");
}

TEST(RuntimeConvert, StringToIntOverflowMessagesDependOnTarget) {
    Error e = convError(Value::text("3000000000"), "varchar(20)", "int");
    EXPECT_EQ(e.number, 248);
    EXPECT_EQ(e.message,
              "The conversion of the varchar value '3000000000' overflowed an int column.");
    e = convError(Value::text("99999"), "varchar(20)", "smallint");
    EXPECT_EQ(e.number, 244);
    EXPECT_EQ(e.message,
              "The conversion of the varchar value '99999' overflowed an INT2 column. "
              "Use a larger integer column.");
    EXPECT_EQ(convError(Value::text("256"), "varchar(20)", "tinyint").number, 244);
    EXPECT_EQ(conv("9223372036854775807", "bigint"), "9223372036854775807");
}

TEST(RuntimeConvert, NumberToIntTruncatesExceptMoneyWhichRounds) {
    EXPECT_EQ(conv(Value::real(12.9), "decimal(5,1)", "int"), "12");
    EXPECT_EQ(conv(Value::real(-12.9), "decimal(5,1)", "int"), "-12");
    EXPECT_EQ(conv(Value::real(12.9), "float", "int"), "12");
    EXPECT_EQ(conv(Value::real(2.5), "money", "int"), "3");
    EXPECT_EQ(conv(Value::real(-2.5), "money", "int"), "-3");
}

TEST(RuntimeConvert, IntegerOverflowErrors) {
    Error e = convError(Value::integer(3000000000), "bigint", "int");
    EXPECT_EQ(e.number, 8115);
    EXPECT_EQ(e.message, "Arithmetic overflow error converting expression to data type int.");
    e = convError(Value::integer(300), "int", "tinyint");
    EXPECT_EQ(e.number, 220);
    EXPECT_EQ(e.message, "Arithmetic overflow error for data type tinyint, value = 300.");
    e = convError(Value::real(1e10), "float", "int");
    EXPECT_EQ(e.number, 232);
    EXPECT_EQ(e.message, "Arithmetic overflow error for type int, value = 10000000000.000000.");
    EXPECT_EQ(convError(Value::real(3e9), "decimal(10,0)", "int").number, 8115);
}

TEST(RuntimeConvert, Bit) {
    EXPECT_EQ(conv("TRUE", "bit"), "1");
    EXPECT_EQ(conv(" false ", "bit"), "0");
    EXPECT_EQ(conv("1", "bit"), "1");
    EXPECT_EQ(conv("0", "bit"), "0");
    EXPECT_EQ(conv(Value::integer(-7), "int", "bit"), "1");
    EXPECT_EQ(conv(Value::real(0.25), "decimal(5,2)", "bit"), "1");
    EXPECT_EQ(conv(Value::real(0), "float", "bit"), "0");
    EXPECT_EQ(convError(Value::text("yes"), "varchar(5)", "bit").message,
              "Conversion failed when converting the varchar value 'yes' to data type bit.");
}

// ---- to decimal, money, float --------------------------------------------------------------

TEST(RuntimeConvert, DecimalRoundsHalfAwayFromZeroOnTheDecimalDigits) {
    EXPECT_EQ(conv("12.5", "decimal(5,1)"), "12.5");
    EXPECT_EQ(conv("12.345", "decimal(5,2)"), "12.35");
    EXPECT_EQ(conv("-12.345", "decimal(5,2)"), "-12.35");
    // 2.675 is 2.67499999... as a double; the decimal it came from decides.
    EXPECT_EQ(conv(Value::real(2.675), "decimal(4,3)", "decimal(5,2)"), "2.68");
    EXPECT_EQ(conv(Value::real(-2.675), "float", "decimal(5,2)"), "-2.68");
    EXPECT_EQ(conv(Value::real(0.1 + 0.2), "float", "decimal(18,2)"), "0.3");
    EXPECT_EQ(conv(Value::real(10.6496), "decimal(6,4)", "decimal(18,0)"), "11");
    EXPECT_EQ(conv(Value::real(-10.6496), "decimal(6,4)", "decimal(18,0)"), "-11");
    EXPECT_EQ(conv(Value::integer(7), "int", "decimal(5,2)"), "7");
}

TEST(RuntimeConvert, DecimalErrors) {
    Error e = convError(Value::text("x"), "varchar(10)", "decimal(10,2)");
    EXPECT_EQ(e.number, 8114);
    EXPECT_EQ(e.message, "Error converting data type varchar to numeric.");
    EXPECT_EQ(convError(Value::text(""), "varchar(10)", "decimal(10,2)").number, 8114);
    EXPECT_EQ(convError(Value::text("1e5"), "varchar(10)", "decimal(10,2)").number, 8114);
    e = convError(Value::real(1234.5), "decimal(5,1)", "decimal(4,1)");
    EXPECT_EQ(e.number, 8115);
    EXPECT_EQ(e.message, "Arithmetic overflow error converting numeric to data type numeric.");
    EXPECT_EQ(convError(Value::integer(123456), "int", "decimal(5,0)").message,
              "Arithmetic overflow error converting int to data type numeric.");
    EXPECT_EQ(convError(Value::text("123.45"), "varchar(10)", "decimal(4,2)").message,
              "Arithmetic overflow error converting varchar to data type numeric.");
    // Rounding can overflow too: 99.995 becomes 100.00.
    EXPECT_EQ(convError(Value::text("99.995"), "varchar(10)", "decimal(4,2)").number, 8115);
}

TEST(RuntimeConvert, MoneyAndFloatFromStrings) {
    EXPECT_EQ(conv("$1,234.56", "money"), "1234.56");
    EXPECT_EQ(conv("-1234.56789", "money"), "-1234.5679");
    EXPECT_EQ(conv("", "money"), "0");
    Error e = convError(Value::text("abc"), "varchar(10)", "money");
    EXPECT_EQ(e.number, 235);
    EXPECT_EQ(e.message,
              "Cannot convert a char value to money. The char value has incorrect syntax.");
    EXPECT_EQ(conv("1e3", "float"), "1000");
    EXPECT_EQ(conv(" -12.5 ", "float"), "-12.5");
    e = convError(Value::text("x"), "varchar(10)", "float");
    EXPECT_EQ(e.number, 8114);
    EXPECT_EQ(e.message, "Error converting data type varchar to float.");
    EXPECT_EQ(conv(Value::real(0.1), "float", "real"), str(Value::real(static_cast<float>(0.1))));
}

// ---- to strings ----------------------------------------------------------------------------

TEST(RuntimeConvert, NumbersToStrings) {
    EXPECT_EQ(conv(Value::integer(-42), "int", "varchar(10)"), "-42");
    EXPECT_EQ(conv(Value::real(5), "decimal(10,2)", "varchar(20)"), "5.00");
    EXPECT_EQ(conv(Value::real(-0.5), "decimal(10,3)", "varchar(20)"), "-0.500");
    EXPECT_EQ(conv(Value::integer(500), "decimal(10,2)", "varchar(20)"), "5.00");
    EXPECT_EQ(conv(Value::integer(-123456789012345678), "decimal(18,2)", "varchar(30)"),
              "-1234567890123456.78");
    EXPECT_EQ(conv(Value::integer(1), "bit", "varchar(5)"), "1");
    EXPECT_EQ(conv(Value::text("abc"), "char(5)", "varchar(10)"), "abc");
}

TEST(RuntimeConvert, NumberTooLongForTheString) {
    // int, smallint and tinyint show '*'; the rest raise an error.
    EXPECT_EQ(conv(Value::integer(123), "int", "char(2)"), "* ");
    EXPECT_EQ(conv(Value::integer(123), "int", "varchar(2)"), "*");
    Error e = convError(Value::integer(123), "int", "nvarchar(2)");
    EXPECT_EQ(e.number, 8115);
    EXPECT_EQ(e.message, "Arithmetic overflow error converting expression to data type nvarchar.");
    e = convError(Value::real(1234.5), "decimal(10,2)", "varchar(3)");
    EXPECT_EQ(e.message, "Arithmetic overflow error converting numeric to data type varchar.");
    e = convError(Value::real(1234.5), "money", "varchar(3)", 0);
    EXPECT_EQ(e.number, 234);
    EXPECT_EQ(e.message, "There is insufficient result space to convert a money value to varchar.");
}

TEST(RuntimeConvert, MoneyStyles) {
    Value m = Value::real(1234567.891);
    EXPECT_EQ(conv(m, "money", "varchar(30)"), "1234567.89");
    EXPECT_EQ(conv(m, "money", "varchar(30)", 0), "1234567.89");
    EXPECT_EQ(conv(m, "money", "varchar(30)", 1), "1,234,567.89");
    EXPECT_EQ(conv(m, "money", "varchar(30)", 2), "1234567.8910");
    EXPECT_EQ(conv(m, "money", "varchar(30)", 126), "1234567.8910");
    // Styles money does not know are taken as 0.
    EXPECT_EQ(conv(m, "money", "varchar(30)", 3), "1234567.89");
    EXPECT_EQ(conv(Value::real(-1234.5), "money", "varchar(30)", 1), "-1,234.50");
    EXPECT_EQ(conv(Value::real(0.005), "money", "varchar(30)"), "0.01");
    EXPECT_EQ(conv(Value::real(123), "money", "varchar(30)", 1), "123.00");
}

TEST(RuntimeConvert, FloatStyles) {
    EXPECT_EQ(conv(Value::real(1234567), "float", "varchar(30)"), "1.23457e+006");
    EXPECT_EQ(conv(Value::real(123456), "float", "varchar(30)"), "123456");
    EXPECT_EQ(conv(Value::real(0.5), "float", "varchar(30)"), "0.5");
    EXPECT_EQ(conv(Value::real(0.00001), "float", "varchar(30)"), "1e-005");
    EXPECT_EQ(conv(Value::real(-1.5), "float", "varchar(30)", 0), "-1.5");
    EXPECT_EQ(conv(Value::real(1234567), "float", "varchar(30)", 1), "1.2345670e+006");
    EXPECT_EQ(conv(Value::real(1234567), "float", "varchar(30)", 2), "1.234567000000000e+006");
    EXPECT_EQ(conv(Value::real(0.1), "float", "varchar(30)", 3), "1.0000000000000001e-001");
    EXPECT_EQ(convError(Value::real(1234567), "float", "varchar(5)").number, 8115);
}

TEST(RuntimeConvert, StringLengthsCountCharactersAndPadChar) {
    EXPECT_EQ(conv("abcdef", "varchar(3)"), "abc");
    EXPECT_EQ(conv("ab", "char(4)"), "ab  ");
    EXPECT_EQ(conv("กขคง", "nvarchar(3)"), "กขค");
    EXPECT_EQ(conv("กขคง", "varchar(3)"), "กขค");
    EXPECT_EQ(conv("ก", "nchar(3)"), "ก  ");
    EXPECT_EQ(conv("abc", "varchar(max)"), "abc");
}

TEST(RuntimeConvert, AssignmentRaisesTruncationButIgnoresTrailingBlanks) {
    Error e = convError(Value::text("abcdef"), "varchar(10)", "varchar(3)", -1, true);
    EXPECT_EQ(e.number, 8152);
    EXPECT_EQ(e.message, "String or binary data would be truncated.");
    EXPECT_EQ(conv(Value::text("abc   "), "varchar(10)", "varchar(3)", -1, true), "abc");
    EXPECT_EQ(conv(Value::text("ไทย"), "nvarchar(10)", "nvarchar(3)", -1, true), "ไทย");
}

// ---- dates ---------------------------------------------------------------------------------

TEST(RuntimeConvertDate, StringFormatsToDatetime) {
    EXPECT_EQ(conv("", "datetime"), "1900-01-01 00:00:00.000");
    EXPECT_EQ(conv("20240214", "datetime"), "2024-02-14 00:00:00.000");
    EXPECT_EQ(conv("2024-02-14", "datetime"), "2024-02-14 00:00:00.000");
    EXPECT_EQ(conv("2024-02-14 13:45:30", "datetime"), "2024-02-14 13:45:30.000");
    EXPECT_EQ(conv("2024-02-14 13:45:30.123", "datetime"), "2024-02-14 13:45:30.123");
    EXPECT_EQ(conv("2024-02-14T13:45:30", "datetime"), "2024-02-14 13:45:30.000");
    EXPECT_EQ(conv("02/14/2024", "datetime"), "2024-02-14 00:00:00.000");
    EXPECT_EQ(conv("2/4/24", "datetime"), "2024-02-04 00:00:00.000");
    EXPECT_EQ(conv("Feb 14 2024  1:30PM", "datetime"), "2024-02-14 13:30:00.000");
    EXPECT_EQ(conv("14 February 2024", "datetime"), "2024-02-14 00:00:00.000");
    EXPECT_EQ(conv("February 14, 2024 12:15 AM", "datetime"), "2024-02-14 00:15:00.000");
    EXPECT_EQ(conv("13:45", "datetime"), "1900-01-01 13:45:00.000");
    EXPECT_EQ(conv("2024-02-14 13:45:30:5", "datetime"), "2024-02-14 13:45:30.007");
}

TEST(RuntimeConvertDate, StylesPickTheDayMonthOrder) {
    EXPECT_EQ(conv("14/02/2024", "datetime", 103), "2024-02-14 00:00:00.000");
    EXPECT_EQ(conv("14.02.2024", "datetime", 104), "2024-02-14 00:00:00.000");
    EXPECT_EQ(conv("02/14/2024", "datetime", 101), "2024-02-14 00:00:00.000");
    EXPECT_EQ(conv("20240214", "datetime", 112), "2024-02-14 00:00:00.000");
    EXPECT_EQ(conv("2024-02-14 10:11:12", "datetime", 120), "2024-02-14 10:11:12.000");
    EXPECT_EQ(conv("2024-02-14 10:11:12.347", "datetime", 121), "2024-02-14 10:11:12.347");
    EXPECT_EQ(conv("24.02.14", "datetime", 2), "2024-02-14 00:00:00.000");
    EXPECT_EQ(conv("14/02/49", "datetime", 3), "2049-02-14 00:00:00.000");
    EXPECT_EQ(conv("14/02/50", "datetime", 3), "1950-02-14 00:00:00.000");
}

TEST(RuntimeConvertDate, BadStringsAndOutOfRangeDates) {
    Error e = convError(Value::text("abc"), "varchar(10)", "datetime");
    EXPECT_EQ(e.number, 241);
    EXPECT_EQ(e.message,
              "Conversion failed when converting date and/or time from character string.");
    // It parses, but there is no 14th month (mdy) or 30th of February.
    e = convError(Value::text("14/02/2024"), "varchar(10)", "datetime");
    EXPECT_EQ(e.number, 242);
    EXPECT_EQ(e.message,
              "The conversion of a varchar data type to a datetime data type resulted "
              "in an out-of-range value.");
    EXPECT_EQ(convError(Value::text("2024-02-30"), "varchar(10)", "datetime").number, 242);
    EXPECT_EQ(convError(Value::text("1752-12-31"), "varchar(10)", "datetime").number, 242);
    EXPECT_EQ(convError(Value::text("2024-02-30"), "varchar(10)", "date").number, 241);
    EXPECT_EQ(convError(Value::text("2024-02-14 25:00"), "varchar(20)", "datetime").number, 241);
    EXPECT_EQ(conv("1752-12-31", "date"), "1752-12-31");
    // datetime has no room for a fourth fraction digit; date takes datetime2-style text.
    EXPECT_EQ(convError(Value::text("2024-02-14 10:00:00.1234"), "varchar(30)", "datetime").number,
              241);
    EXPECT_EQ(conv("2024-02-14 10:00:00.1234567", "date"), "2024-02-14");
}

TEST(RuntimeConvertDate, MillisecondsRoundToThreeHundredthsOfASecond) {
    EXPECT_EQ(conv("2024-02-14 10:00:00.001", "datetime"), "2024-02-14 10:00:00.000");
    EXPECT_EQ(conv("2024-02-14 10:00:00.002", "datetime"), "2024-02-14 10:00:00.003");
    EXPECT_EQ(conv("2024-02-14 10:00:00.994", "datetime"), "2024-02-14 10:00:00.993");
    EXPECT_EQ(conv("2024-02-14 10:00:00.995", "datetime"), "2024-02-14 10:00:00.997");
    EXPECT_EQ(conv("2024-02-14 23:59:59.999", "datetime"), "2024-02-15 00:00:00.000");
    EXPECT_EQ(conv("2024-02-14 10:20:29.999", "smalldatetime"), "2024-02-14 10:21:00.000");
    EXPECT_EQ(conv("2024-02-14 10:20:29.998", "smalldatetime"), "2024-02-14 10:20:00.000");
}

TEST(RuntimeConvertDate, DatetimeToStringStyles) {
    Value dt = Value::text("2024-02-14 13:45:30.123");
    auto style = [&](int s) { return conv(dt, "datetime", "varchar(40)", s); };
    EXPECT_EQ(conv(dt, "datetime", "varchar(40)"), "Feb 14 2024  1:45PM");
    EXPECT_EQ(style(0), "Feb 14 2024  1:45PM");
    EXPECT_EQ(style(100), "Feb 14 2024  1:45PM");
    EXPECT_EQ(style(1), "02/14/24");
    EXPECT_EQ(style(101), "02/14/2024");
    EXPECT_EQ(style(102), "2024.02.14");
    EXPECT_EQ(style(103), "14/02/2024");
    EXPECT_EQ(style(104), "14.02.2024");
    EXPECT_EQ(style(105), "14-02-2024");
    EXPECT_EQ(style(106), "14 Feb 2024");
    EXPECT_EQ(style(107), "Feb 14, 2024");
    EXPECT_EQ(style(108), "13:45:30");
    EXPECT_EQ(style(109), "Feb 14 2024  1:45:30:123PM");
    EXPECT_EQ(style(110), "02-14-2024");
    EXPECT_EQ(style(111), "2024/02/14");
    EXPECT_EQ(style(112), "20240214");
    EXPECT_EQ(style(113), "14 Feb 2024 13:45:30:123");
    EXPECT_EQ(style(114), "13:45:30:123");
    EXPECT_EQ(style(120), "2024-02-14 13:45:30");
    EXPECT_EQ(style(121), "2024-02-14 13:45:30.123");
    EXPECT_EQ(style(126), "2024-02-14T13:45:30.123");
    EXPECT_EQ(style(23), "2024-02-14");
    EXPECT_EQ(conv(Value::text("2024-02-04 00:00:00.000"), "datetime", "varchar(30)", 0),
              "Feb  4 2024 12:00AM");
    EXPECT_EQ(conv(Value::text("2024-02-14 13:45:30.000"), "datetime", "varchar(30)", 126),
              "2024-02-14T13:45:30");
    Error e = convError(dt, "datetime", "varchar(30)", 15);
    EXPECT_EQ(e.number, 281);
    EXPECT_EQ(e.message,
              "15 is not a valid style number when converting from datetime to a "
              "character string.");
}

TEST(RuntimeConvertDate, ReportIdiomsTruncateAndPad) {
    // CONVERT(char(20), '', 103): '' is 1900-01-01, then style 103 padded to 20.
    Value empty = convertValue(Value::text(""), T("varchar(1)"), T("datetime"));
    EXPECT_EQ(conv(empty, "datetime", "char(20)", 103), "01/01/1900          ");
    EXPECT_EQ(conv(Value::text("2024-02-14 13:45:30.123"), "datetime", "varchar(10)", 120),
              "2024-02-14");
    EXPECT_EQ(conv(Value::text("2024-02-14"), "date", "varchar(30)"), "2024-02-14");
}

TEST(RuntimeConvertDate, NumbersAreDaysSince1900) {
    EXPECT_EQ(conv(Value::integer(1), "int", "datetime"), "1900-01-02 00:00:00.000");
    EXPECT_EQ(conv(Value::integer(-1), "int", "datetime"), "1899-12-31 00:00:00.000");
    EXPECT_EQ(conv(Value::real(1.5), "float", "datetime"), "1900-01-02 12:00:00.000");
    EXPECT_EQ(conv(Value::real(1.25), "decimal(5,2)", "datetime"), "1900-01-02 06:00:00.000");
    EXPECT_EQ(conv(Value::text("1900-01-02 12:00:00.000"), "datetime", "float"), "1.5");
    // datetime -> int rounds: noon and later count as the next day.
    EXPECT_EQ(conv(Value::text("1900-01-02 11:59:59.997"), "datetime", "int"), "1");
    EXPECT_EQ(conv(Value::text("1900-01-02 12:00:00.000"), "datetime", "int"), "2");
    EXPECT_EQ(convError(Value::integer(3000000), "int", "datetime").number, 8115);
    Error e = convError(Value::integer(1), "int", "date");
    EXPECT_EQ(e.number, 529);
    EXPECT_EQ(e.message, "Explicit conversion from data type int to date is not allowed.");
}

TEST(RuntimeConvertDate, BetweenDateTypes) {
    EXPECT_EQ(conv(Value::text("2024-02-14 13:45:30.123"), "datetime", "date"), "2024-02-14");
    EXPECT_EQ(conv(Value::text("2024-02-14"), "date", "datetime"), "2024-02-14 00:00:00.000");
    EXPECT_EQ(conv(Value::text("2024-02-14 13:45:30.123"), "datetime", "smalldatetime"),
              "2024-02-14 13:46:00.000");
    EXPECT_EQ(convError(Value::text("2080-01-01 00:00:00.000"), "datetime", "smalldatetime").number,
              242);
}

TEST(RuntimeConvert, BinaryAndGuid) {
    EXPECT_EQ(convertValue(Value::text("Name"), T("varchar(10)"), T("binary(8)")).s,
              std::string("Name\0\0\0\0", 8));
    EXPECT_EQ(convertValue(Value::integer(1), T("int"), T("binary(4)")).s,
              std::string("\0\0\0\1", 4));
    EXPECT_EQ(conv(Value::blob("Name"), "varbinary(4)", "char(8)", 1), "0x4E616D");
    EXPECT_EQ(conv(Value::blob("Name"), "varbinary(4)", "char(8)", 2), "4E616D65");
    EXPECT_EQ(conv(Value::blob("Name"), "varbinary(4)", "varchar(8)", 0), "Name");
    EXPECT_EQ(convertValue(Value::text("0x4E61"), T("varchar(10)"), T("varbinary(4)"), 1).s, "Na");
    EXPECT_EQ(conv(Value::blob(std::string("\0\0\1\0", 4)), "varbinary(4)", "int"), "256");
    EXPECT_EQ(conv("6f9619ff-8b86-d011-b42d-00c04fc964ff", "uniqueidentifier"),
              "6F9619FF-8B86-D011-B42D-00C04FC964FF");
    EXPECT_EQ(convError(Value::text("nope"), "varchar(10)", "uniqueidentifier").number, 8169);
}

TEST(RuntimeConvert, NullStaysNull) {
    for (const char* to : {"int", "varchar(5)", "datetime", "decimal(5,2)", "bit", "money"})
        EXPECT_TRUE(convertValue(Value::null(), T("varchar(5)"), T(to)).isNull()) << to;
}

// ---- display ---------------------------------------------------------------------------------

TEST(RuntimeDisplay, SqlcmdText) {
    EXPECT_EQ(displayText(Value::null(), T("int")), "NULL");
    EXPECT_EQ(displayText(Value::integer(42), T("int")), "42");
    EXPECT_EQ(displayText(Value::integer(1), T("bit")), "1");
    EXPECT_EQ(displayText(Value::real(5), T("decimal(10,2)")), "5.00");
    EXPECT_EQ(displayText(Value::integer(500), T("decimal(10,2)")), "5.00");
    EXPECT_EQ(displayText(Value::integer(-5), T("decimal(10,2)")), "-0.05");
    EXPECT_EQ(displayText(Value::integer(INT64_MAX), T("money")), "922337203685477.5807");
    EXPECT_EQ(displayText(Value::real(2.675), T("decimal(10,2)")), "2.68");
    EXPECT_EQ(displayText(Value::real(1.5), T("money")), "1.5000");
    EXPECT_EQ(displayText(Value::real(1.5), T("float")), "1.5");
    EXPECT_EQ(displayText(Value::real(0.1 + 0.2), T("float")), "0.30000000000000004");
    EXPECT_EQ(displayText(Value::real(static_cast<float>(0.1)), T("real")), "0.1");
    EXPECT_EQ(displayText(Value::text("2024-02-14 13:45:30.123"), T("datetime")),
              "2024-02-14 13:45:30.123");
    EXPECT_EQ(displayText(Value::text("2024-02-14 13:45:00.000"), T("smalldatetime")),
              "2024-02-14 13:45:00");
    EXPECT_EQ(displayText(Value::text("2024-02-14"), T("datetime")), "2024-02-14 00:00:00.000");
    EXPECT_EQ(displayText(Value::text("2024-02-14"), T("date")), "2024-02-14");
    EXPECT_EQ(displayText(Value::blob(std::string("\x0a\x1b", 2)), T("varbinary(2)")), "0x0A1B");
    EXPECT_EQ(displayText(Value::text("ไทย "), T("char(4)")), "ไทย ");
}
