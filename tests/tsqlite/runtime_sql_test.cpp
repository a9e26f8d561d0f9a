// The runtime as the engine uses it: tsq_* functions and the TSQL collation on a real SQLite
// connection, plus collateCompare and likeMatch directly.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <random>
#include <regex>

#include "tsqlite/error.h"
#include "tsqlite/runtime.h"
#include "tsqlite/runtime_internal.h"

using namespace tsqlite;

namespace {

class RuntimeSql : public ::testing::Test {
protected:
    sqlite3* db = nullptr;

    void SetUp() override {
        ASSERT_EQ(sqlite3_open(":memory:", &db), SQLITE_OK);
        registerRuntime(db);
    }
    void TearDown() override { sqlite3_close(db); }

    // First column of the first row as text ("NULL" for NULL); fails the test on error.
    std::string q(const std::string& sql) {
        sqlite3_stmt* st = nullptr;
        EXPECT_EQ(sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr), SQLITE_OK)
            << sqlite3_errmsg(db);
        std::string out = "<no row>";
        int rc = sqlite3_step(st);
        if (rc == SQLITE_ROW) {
            const unsigned char* t = sqlite3_column_text(st, 0);
            out = t ? reinterpret_cast<const char*>(t) : "NULL";
        } else if (rc != SQLITE_DONE) {
            ADD_FAILURE() << sql << ": " << sqlite3_errmsg(db);
        }
        sqlite3_finalize(st);
        return out;
    }

    // The error a statement raises, decoded as the engine decodes it.
    Error err(const std::string& sql) {
        sqlite3_stmt* st = nullptr;
        Error e(0, "");
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
            ADD_FAILURE() << sql << ": " << sqlite3_errmsg(db);
            return e;
        }
        int rc = sqlite3_step(st);
        if (rc == SQLITE_ROW || rc == SQLITE_DONE)
            ADD_FAILURE() << sql << " did not fail";
        else
            EXPECT_TRUE(decodeError(sqlite3_errmsg(db), e)) << sqlite3_errmsg(db);
        sqlite3_finalize(st);
        return e;
    }

    void exec(const std::string& sql) {
        char* msg = nullptr;
        EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &msg), SQLITE_OK)
            << (msg ? msg : "");
        sqlite3_free(msg);
    }
};

int sign(int x) {
    return (x > 0) - (x < 0);
}

}  // namespace

// ---- tsq_convert and errors --------------------------------------------------------------------

TEST_F(RuntimeSql, ConvertThroughSqlite) {
    EXPECT_EQ(q("SELECT tsq_convert(' 12 ', 'varchar(10)', 'int', NULL, 0)"), "12");
    EXPECT_EQ(q("SELECT typeof(tsq_convert('12', 'varchar(10)', 'int', NULL, 0))"), "integer");
    // decimal(5,2) is kept in hundredths; a REAL decimal(4,3) is one stored before scaling.
    EXPECT_EQ(q("SELECT tsq_convert(2.675, 'decimal(4,3)', 'decimal(5,2)', NULL, 0)"), "268");
    EXPECT_EQ(q("SELECT tsq_convert(2675, 'decimal(4,3)', 'decimal(5,2)', NULL, 0)"), "268");
    EXPECT_EQ(q("SELECT tsq_convert(1234.5, 'money', 'varchar(30)', 1, 0)"), "1,234.50");
    EXPECT_EQ(q("SELECT tsq_convert('ab', 'varchar(2)', 'char(5)', NULL, 0) || '|'"), "ab   |");
    EXPECT_EQ(q("SELECT tsq_convert('', 'varchar(1)', 'datetime', NULL, 0)"),
              "1900-01-01 00:00:00.000");
    EXPECT_EQ(q("SELECT tsq_convert(tsq_convert('', 'varchar(1)', 'datetime', NULL, 0), "
                "'datetime', 'char(20)', 103, 0) || '|'"),
              "01/01/1900          |");
    EXPECT_EQ(q("SELECT tsq_convert('14/02/2024', 'varchar(10)', 'datetime', 103, 0)"),
              "2024-02-14 00:00:00.000");
    EXPECT_EQ(q("SELECT tsq_convert(NULL, 'int', 'varchar(5)', NULL, 0)"), "NULL");
    EXPECT_EQ(q("SELECT tsq_convert(300, 'int', 'varchar(2)', NULL, 0)"), "*");
    EXPECT_EQ(q("SELECT tsq_convert(1234567e0, 'float', 'varchar(30)', NULL, 0)"), "1.23457e+006");
}

TEST_F(RuntimeSql, ConvertCachesTypesPerStatementWithoutMixingThemUp) {
    exec("CREATE TABLE t(v TEXT, ty TEXT)");
    exec("INSERT INTO t VALUES ('1.25', 'decimal(5,1)'), ('1.25', 'int'), ('1.25', 'float')");
    // The target type varies per row here, so nothing may be cached for it.
    sqlite3_stmt* st = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db,
                                 "SELECT tsq_convert(v, 'varchar(10)', ty, NULL, 0) FROM t "
                                 "WHERE ty <> 'int' ORDER BY rowid",
                                 -1, &st, nullptr),
              SQLITE_OK);
    std::vector<std::string> got;
    while (sqlite3_step(st) == SQLITE_ROW)
        got.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
    sqlite3_finalize(st);
    // decimal(5,1) is kept as tenths.
    EXPECT_EQ(got, (std::vector<std::string>{"13", "1.25"}));
}

TEST_F(RuntimeSql, ErrorsSurfaceAsDecodableServerErrors) {
    Error e = err("SELECT tsq_convert('a', 'varchar(10)', 'int', NULL, 0)");
    EXPECT_EQ(e.number, 245);
    EXPECT_EQ(e.severity, 16);
    EXPECT_EQ(e.message,
              "Conversion failed when converting the varchar value 'a' to data type int.");
    e = err("SELECT tsq_convert('abcdef', 'varchar(10)', 'varchar(3)', NULL, 1)");
    EXPECT_EQ(e.number, 8152);
    EXPECT_EQ(q("SELECT tsq_convert('abcdef', 'varchar(10)', 'varchar(3)', NULL, 0)"), "abc");
    e = err("SELECT 10 / tsq_nz(0)");
    EXPECT_EQ(e.number, 8134);
    EXPECT_EQ(e.message, "Divide by zero error encountered.");
    EXPECT_EQ(err("SELECT 10 % tsq_nz(0.0)").number, 8134);
    EXPECT_EQ(q("SELECT 10 / tsq_nz(4)"), "2");
    EXPECT_EQ(q("SELECT tsq_nz(NULL)"), "NULL");
    EXPECT_EQ(q("SELECT tsq_convert(1, 'int', 'varchar(5)', 4, 0)"), "1");
    EXPECT_EQ(err("SELECT tsq_convert(1, 'int', 'IdNo', NULL, 0)").number, 243);
}

// ---- dates -----------------------------------------------------------------------------------

TEST_F(RuntimeSql, DatePartAndDateNameUnderDateFirst7) {
    EXPECT_EQ(q("SELECT tsq_datepart('dw', '2024-02-14')"), "4");
    EXPECT_EQ(q("SELECT tsq_datepart('WEEKDAY', '2024-02-14 00:00:00.000')"), "4");
    EXPECT_EQ(q("SELECT tsq_datepart('week', '2024-02-14')"), "7");
    EXPECT_EQ(q("SELECT tsq_datepart('wk', '2024-01-06')"), "1");  // Saturday of week 1
    EXPECT_EQ(q("SELECT tsq_datepart('ww', '2024-01-07')"), "2");  // first Sunday starts week 2
    EXPECT_EQ(q("SELECT tsq_datepart('dy', '2024-02-14')"), "45");
    EXPECT_EQ(q("SELECT tsq_datepart('qq', '2024-05-01')"), "2");
    EXPECT_EQ(q("SELECT tsq_datepart('yyyy', '2024-02-14')"), "2024");
    EXPECT_EQ(q("SELECT tsq_datepart('m', '2024-02-14')"), "2");
    EXPECT_EQ(q("SELECT tsq_datepart('d', '2024-02-14')"), "14");
    EXPECT_EQ(q("SELECT tsq_datepart('hh', '2024-02-14 13:45:30.123')"), "13");
    EXPECT_EQ(q("SELECT tsq_datepart('n', '2024-02-14 13:45:30.123')"), "45");
    EXPECT_EQ(q("SELECT tsq_datepart('ss', '2024-02-14 13:45:30.123')"), "30");
    EXPECT_EQ(q("SELECT tsq_datepart('ms', '2024-02-14 13:45:30.123')"), "123");
    EXPECT_EQ(q("SELECT tsq_datepart('iso_week', '2021-01-03')"), "53");
    EXPECT_EQ(q("SELECT tsq_datename('weekday', '2024-02-14')"), "Wednesday");
    EXPECT_EQ(q("SELECT tsq_datename('month', '2024-02-14')"), "February");
    EXPECT_EQ(q("SELECT tsq_datename('day', '2024-02-14')"), "14");
    EXPECT_EQ(q("SELECT tsq_datepart('dw', NULL)"), "NULL");
    Error e = err("SELECT tsq_datepart('fortnight', '2024-02-14')");
    EXPECT_EQ(e.number, 155);
    EXPECT_EQ(e.message, "'fortnight' is not a recognized datepart option.");
}

TEST_F(RuntimeSql, DateDiffCountsBoundaries) {
    EXPECT_EQ(q("SELECT tsq_datediff('day', '2024-01-01 23:59:00.000', '2024-01-02 00:01:00.000')"),
              "1");
    EXPECT_EQ(q("SELECT tsq_datediff('year', '2023-12-31 23:59:59.997', '2024-01-01')"), "1");
    EXPECT_EQ(q("SELECT tsq_datediff('month', '2024-01-31', '2024-02-01')"), "1");
    EXPECT_EQ(q("SELECT tsq_datediff('quarter', '2024-03-31', '2024-04-01')"), "1");
    EXPECT_EQ(q("SELECT tsq_datediff('week', '2024-02-17', '2024-02-18')"), "1");  // Sat -> Sun
    EXPECT_EQ(q("SELECT tsq_datediff('week', '2024-02-18', '2024-02-24')"), "0");  // Sun -> Sat
    EXPECT_EQ(
        q("SELECT tsq_datediff('hour', '2024-01-01 10:59:59.997', '2024-01-01 11:00:00.000')"),
        "1");
    EXPECT_EQ(
        q("SELECT tsq_datediff('minute', '2024-01-01 11:00:00.000', '2024-01-01 10:00:00.000')"),
        "-60");
    EXPECT_EQ(q("SELECT tsq_datediff('dd', '2024-02-14', '2023-02-14')"), "-365");
    Error e = err("SELECT tsq_datediff('ms', '1900-01-01', '2024-01-01')");
    EXPECT_EQ(e.number, 535);
}

TEST_F(RuntimeSql, DateAddClampsMonthEnds) {
    EXPECT_EQ(q("SELECT tsq_dateadd('month', 1, '2024-01-31 00:00:00.000')"),
              "2024-02-29 00:00:00.000");
    EXPECT_EQ(q("SELECT tsq_dateadd('mm', 1, '2023-01-31 10:00:00.000')"),
              "2023-02-28 10:00:00.000");
    EXPECT_EQ(q("SELECT tsq_dateadd('year', 1, '2024-02-29')"), "2025-02-28");
    EXPECT_EQ(q("SELECT tsq_dateadd('qq', -1, '2024-05-31 00:00:00.000')"),
              "2024-02-29 00:00:00.000");
    EXPECT_EQ(q("SELECT tsq_dateadd('day', -15, '2024-03-01 08:00:00.000')"),
              "2024-02-15 08:00:00.000");
    EXPECT_EQ(q("SELECT tsq_dateadd('wk', 2, '2024-02-14 00:00:00.000')"),
              "2024-02-28 00:00:00.000");
    EXPECT_EQ(q("SELECT tsq_dateadd('hour', 25, '2024-02-14 00:00:00.000')"),
              "2024-02-15 01:00:00.000");
    EXPECT_EQ(q("SELECT tsq_dateadd('mi', -1, '2024-01-01 00:00:00.000')"),
              "2023-12-31 23:59:00.000");
    EXPECT_EQ(q("SELECT tsq_dateadd('ms', 998, '2024-01-01 00:00:00.000')"),
              "2024-01-01 00:00:00.997");
    EXPECT_EQ(q("SELECT tsq_dateadd('day', 1.9, '2024-01-01 00:00:00.000')"),
              "2024-01-02 00:00:00.000");
    EXPECT_EQ(err("SELECT tsq_dateadd('year', 9000, '2024-01-01 00:00:00.000')").number, 517);
    // 'YYYY-MM-DD' is a date column's value: it stays a date, and has no hours.
    Error e = err("SELECT tsq_dateadd('hour', 1, '2024-01-01')");
    EXPECT_EQ(e.number, 9810);
    EXPECT_EQ(e.message,
              "The datepart hour is not supported by date function dateadd for data type date.");
    EXPECT_EQ(err("SELECT tsq_datepart('mi', '2024-01-01')").number, 9810);
}

TEST_F(RuntimeSql, DatetimeArithmeticInDays) {
    EXPECT_EQ(q("SELECT tsq_dtadd('2024-02-14 00:00:00.000', -30)"), "2024-01-15 00:00:00.000");
    EXPECT_EQ(q("SELECT tsq_dtadd('2024-02-14 00:00:00.000', 0.5)"), "2024-02-14 12:00:00.000");
    EXPECT_EQ(q("SELECT tsq_dtadd('2024-02-14 06:00:00.000', -0.5)"), "2024-02-13 18:00:00.000");
    EXPECT_EQ(q("SELECT tsq_dtadd('2024-02-14', 1)"), "2024-02-15 00:00:00.000");
    std::string now = q("SELECT tsq_getdate()");
    EXPECT_TRUE(std::regex_match(now, std::regex(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d\d[037])")))
        << now;
}

// ---- strings -----------------------------------------------------------------------------------

TEST_F(RuntimeSql, SubstringsCountThaiCharacters) {
    EXPECT_EQ(q("SELECT tsq_left('ภาษาไทย', 3)"), "ภาษ");
    EXPECT_EQ(q("SELECT tsq_right('ภาษาไทย', 3)"), "ไทย");
    EXPECT_EQ(q("SELECT tsq_right('ab', 5)"), "ab");
    EXPECT_EQ(q("SELECT tsq_substring('ภาษาไทย', 2, 3)"), "าษา");
    EXPECT_EQ(q("SELECT tsq_substring('abc', 0, 2)"), "a");
    EXPECT_EQ(q("SELECT tsq_substring('abc', -1, 5)"), "abc");
    EXPECT_EQ(q("SELECT tsq_substring('abc', 5, 2)"), "");
    EXPECT_EQ(q("SELECT tsq_left(NULL, 2)"), "NULL");
    Error e = err("SELECT tsq_left('abc', -1)");
    EXPECT_EQ(e.number, 537);
    EXPECT_EQ(e.message, "Invalid length parameter passed to the LEFT or SUBSTRING function.");
    EXPECT_EQ(err("SELECT tsq_substring('abc', 1, -1)").number, 537);
    e = err("SELECT tsq_right('abc', -1)");
    EXPECT_EQ(e.number, 536);
    EXPECT_EQ(e.message, "Invalid length parameter passed to the right function.");
}

TEST_F(RuntimeSql, LengthsAndTrims) {
    EXPECT_EQ(q("SELECT tsq_len('ไทย  ')"), "3");
    EXPECT_EQ(q("SELECT tsq_len('  a')"), "3");
    EXPECT_EQ(q("SELECT tsq_len('')"), "0");
    EXPECT_EQ(q("SELECT tsq_len(NULL)"), "NULL");
    EXPECT_EQ(q("SELECT tsq_datalength('ไทย ')"), "4");
    EXPECT_EQ(q("SELECT tsq_ltrim('  a ') || '|'"), "a |");
    EXPECT_EQ(q("SELECT tsq_rtrim(' a  ') || '|'"), " a|");
    EXPECT_EQ(q("SELECT tsq_upper('abcé ไทย')"), "ABCÉ ไทย");
    EXPECT_EQ(q("SELECT tsq_lower('ÀBC')"), "àbc");
    EXPECT_EQ(q("SELECT tsq_space(3) || '|'"), "   |");
    EXPECT_EQ(q("SELECT tsq_replicate('ไท', 3)"), "ไทไทไท");
    EXPECT_EQ(q("SELECT tsq_replicate('a', -1)"), "NULL");
    EXPECT_EQ(q("SELECT tsq_reverse('ไทย')"), "ยทไ");
}

TEST_F(RuntimeSql, SearchAndReplaceIgnoreCase) {
    EXPECT_EQ(q("SELECT tsq_replace('Hello hello HELLO', 'hello', 'bye')"), "bye bye bye");
    EXPECT_EQ(q("SELECT tsq_replace('ภาษาไทย', 'ไทย', 'ลาว')"), "ภาษาลาว");
    EXPECT_EQ(q("SELECT tsq_replace('abc', '', 'x')"), "abc");
    EXPECT_EQ(q("SELECT tsq_replace('abc', 'b', NULL)"), "NULL");
    EXPECT_EQ(q("SELECT tsq_charindex('B', 'abcb')"), "2");
    EXPECT_EQ(q("SELECT tsq_charindex('b', 'abcb', 3)"), "4");
    EXPECT_EQ(q("SELECT tsq_charindex('z', 'abcb')"), "0");
    EXPECT_EQ(q("SELECT tsq_charindex('ไทย', 'ภาษาไทย')"), "5");
    EXPECT_EQ(q("SELECT tsq_charindex('É', 'cafe café')"), "9");
    EXPECT_EQ(q("SELECT tsq_stuff('abcdef', 2, 3, 'ijklmn')"), "aijklmnef");
    EXPECT_EQ(q("SELECT tsq_stuff('abc', 0, 1, 'x')"), "NULL");
    EXPECT_EQ(q("SELECT tsq_stuff('ภาษาไทย', 5, 3, '')"), "ภาษา");
    EXPECT_EQ(q("SELECT tsq_patindex('%ter%', 'interesting')"), "3");
    EXPECT_EQ(q("SELECT tsq_patindex('%[0-9]%', 'abc123')"), "4");
    EXPECT_EQ(q("SELECT tsq_patindex('%ไทย%', 'ภาษาไทย')"), "5");
    EXPECT_EQ(q("SELECT tsq_patindex('%xyz%', 'abc')"), "0");
}

TEST_F(RuntimeSql, StrRightJustifiesAndRounds) {
    EXPECT_EQ(q("SELECT tsq_str(12)"), "        12");
    EXPECT_EQ(q("SELECT tsq_str(123.45, 6, 1)"), " 123.5");
    EXPECT_EQ(q("SELECT tsq_str(123.45, 2, 2)"), "**");
    EXPECT_EQ(q("SELECT tsq_str(1223, 2)"), "**");
    EXPECT_EQ(q("SELECT tsq_str(123.456, 5, 2)"), "123.5");
    EXPECT_EQ(q("SELECT tsq_str(123.456, 4, 2)"), " 123");
    EXPECT_EQ(q("SELECT tsq_str(2.5)"), "         3");
    EXPECT_EQ(q("SELECT tsq_str(-2.5)"), "        -3");
    EXPECT_EQ(q("SELECT tsq_str(123, 8, 3)"), " 123.000");
    EXPECT_EQ(q("SELECT tsq_str(NULL)"), "NULL");
}

TEST_F(RuntimeSql, RoundOnTheDecimalRepresentation) {
    EXPECT_EQ(q("SELECT tsq_round(2.675, 2)"), "2.68");
    EXPECT_EQ(q("SELECT tsq_round(-2.675, 2)"), "-2.68");
    EXPECT_EQ(q("SELECT tsq_round(0.285, 2)"), "0.29");
    EXPECT_EQ(q("SELECT tsq_round(123.9995, 3)"), "124.0");
    EXPECT_EQ(q("SELECT tsq_round(123.4545, 2)"), "123.45");
    EXPECT_EQ(q("SELECT tsq_round(748.58, -1)"), "750.0");
    EXPECT_EQ(q("SELECT tsq_round(748.58, -4)"), "0.0");
    EXPECT_EQ(q("SELECT tsq_round(150.75, 0, 1)"), "150.0");
    EXPECT_EQ(q("SELECT tsq_round(0.29, 2, 1)"), "0.29");
    EXPECT_EQ(q("SELECT tsq_round(125, -1)"), "130");
    EXPECT_EQ(q("SELECT tsq_round(-125, -1)"), "-130");
    EXPECT_EQ(q("SELECT tsq_round(129, -1, 1)"), "120");
    EXPECT_EQ(q("SELECT typeof(tsq_round(125, -1))"), "integer");
}

TEST_F(RuntimeSql, MiscStringFunctions) {
    EXPECT_EQ(q("SELECT tsq_isnumeric('12')"), "1");
    EXPECT_EQ(q("SELECT tsq_isnumeric(' -12.5 ')"), "1");
    EXPECT_EQ(q("SELECT tsq_isnumeric('$')"), "1");
    EXPECT_EQ(q("SELECT tsq_isnumeric('1e5')"), "1");
    EXPECT_EQ(q("SELECT tsq_isnumeric('1,000')"), "1");
    EXPECT_EQ(q("SELECT tsq_isnumeric('abc')"), "0");
    EXPECT_EQ(q("SELECT tsq_isnumeric('')"), "0");
    EXPECT_EQ(q("SELECT tsq_isnumeric(NULL)"), "0");
    EXPECT_EQ(q("SELECT tsq_char(65)"), "A");
    EXPECT_EQ(q("SELECT tsq_char(161)"), "ก");  // code page 874
    EXPECT_EQ(q("SELECT tsq_char(300)"), "NULL");
    EXPECT_EQ(q("SELECT tsq_ascii('ก')"), "161");
    EXPECT_EQ(q("SELECT tsq_ascii('Abc')"), "65");
    EXPECT_EQ(q("SELECT tsq_ascii('')"), "NULL");
    std::string a = q("SELECT tsq_newid()"), b = q("SELECT tsq_newid()");
    EXPECT_TRUE(std::regex_match(
        a, std::regex("[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}")))
        << a;
    EXPECT_NE(a, b);
}

// ---- collation ---------------------------------------------------------------------------------

TEST(RuntimeCollation, CaseInsensitiveAccentSensitiveTrailingBlanksIgnored) {
    EXPECT_EQ(collateCompare("abc", "ABC"), 0);
    EXPECT_EQ(collateCompare("a ", "A"), 0);
    EXPECT_EQ(collateCompare("", "   "), 0);
    EXPECT_LT(collateCompare("a", "b"), 0);
    EXPECT_GT(collateCompare("B", "a"), 0);
    EXPECT_LT(collateCompare("abc", "abcd"), 0);
    EXPECT_LT(collateCompare(" a", "a"), 0);  // leading blanks count
    EXPECT_NE(collateCompare("e", "é"), 0);
    EXPECT_EQ(collateCompare("É", "é"), 0);
    EXPECT_LT(collateCompare("1", "a"), 0);
    EXPECT_LT(collateCompare("z", "ก"), 0);  // Latin before Thai
}

TEST(RuntimeCollation, ThaiWordsSortByConsonantBeforeLeadingVowel) {
    std::vector<std::string> words = {"ขาว", "ไก่", "โกง", "กา", "แกง", "เกม", "กิน", "กข", "คน"};
    std::sort(words.begin(), words.end(),
              [](const std::string& a, const std::string& b) { return collateCompare(a, b) < 0; });
    EXPECT_EQ(words,
              (std::vector<std::string>{"กข", "กา", "กิน", "เกม", "แกง", "โกง", "ไก่", "ขาว", "คน"}));
}

TEST(RuntimeCollation, AsciiShortcutAgreesWithIcu) {
    std::mt19937 gen(7);
    const std::string alphabet = "aAbBzZ09 -_.,'!~`^\x01\x1f\t";
    std::uniform_int_distribution<size_t> pick(0, alphabet.size() - 1), len(0, 6);
    auto word = [&] {
        std::string s;
        for (size_t n = len(gen); n > 0; --n) s.push_back(alphabet[pick(gen)]);
        return s;
    };
    for (int i = 0; i < 20000; ++i) {
        std::string a = word(), b = word();
        ASSERT_EQ(sign(collateCompare(a, b)), sign(rt::icuCompare(a, b)))
            << "'" << a << "' vs '" << b << "'";
    }
}

// Index seeks compare keys that share long prefixes; what follows the shared part (a blank, an
// ignorable hyphen, a combining mark, a Thai letter, a case change) must still decide as ICU does.
TEST(RuntimeCollation, SharedPrefixesDecideAsIcu) {
    const std::vector<std::string> tails = {"",  "1",      "A",       "a", "a ", "-", "-a", "'b",
                                            " ", "\u0301", "e\u0301", "é", "ก",  "ก่", "\t"};
    for (const std::string prefix : {"PK000000000", "ab-", "Zz"}) {
        for (const std::string& x : tails)
            for (const std::string& y : tails) {
                const std::string a = prefix + x, b = prefix + y;
                ASSERT_EQ(sign(collateCompare(a, b)), sign(rt::icuCompare(a, b)))
                    << "'" << a << "' vs '" << b << "'";
            }
    }
}

TEST(RuntimeCollation, IsATotalOrderOverMixedText) {
    std::vector<std::string> v = {"abc", "ABC ", "abd",   "ไทย",   "ไท",   "เกม", "é",       "e",
                                  "E ",  "a-b",  "ab",    "a b",   "10",   "9",   "",        "ก",
                                  "ก่",   "ก้",    "Zebra", "zebra", "ภาษา", "áb",  "ab\u0301"};
    std::sort(v.begin(), v.end(),
              [](const std::string& a, const std::string& b) { return collateCompare(a, b) < 0; });
    for (size_t i = 0; i < v.size(); ++i)
        for (size_t j = i; j < v.size(); ++j) {
            EXPECT_LE(collateCompare(v[i], v[j]), 0) << v[i] << " / " << v[j];
            EXPECT_EQ(sign(collateCompare(v[i], v[j])), -sign(collateCompare(v[j], v[i])));
        }
}

TEST_F(RuntimeSql, CollationInIndexesAndOrdering) {
    exec("CREATE TABLE t(x TEXT COLLATE TSQL UNIQUE)");
    exec("INSERT INTO t VALUES ('abc'), ('ไก่'), ('เกม'), ('Abd')");
    char* msg = nullptr;
    EXPECT_NE(sqlite3_exec(db, "INSERT INTO t VALUES ('ABC  ')", nullptr, nullptr, &msg),
              SQLITE_OK);
    sqlite3_free(msg);
    EXPECT_EQ(q("SELECT group_concat(x, ',') FROM (SELECT x FROM t ORDER BY x)"), "abc,Abd,เกม,ไก่");
    EXPECT_EQ(q("SELECT count(*) FROM t WHERE x = 'ABC'"), "1");
}

TEST_F(RuntimeSql, JoinsMatchStringsThatDifferOnlyInPadding) {
    // A char(10) code against a varchar code: the join runs through an automatic index.
    exec("CREATE TABLE a(g TEXT COLLATE TSQL, u INT); CREATE TABLE b(g TEXT COLLATE TSQL, id INT)");
    exec("INSERT INTO a VALUES ('G1        ', 7), ('g2        ', 8)");
    exec("INSERT INTO b VALUES ('G1', 1), ('G2', 2), ('G3', 3)");
    EXPECT_EQ(q("SELECT count(*) FROM a JOIN b ON (a.g = b.g)"), "2");
    EXPECT_EQ(q("SELECT count(*) FROM b JOIN a ON (b.g = a.g)"), "2");
}

// ---- LIKE --------------------------------------------------------------------------------------

TEST(RuntimeLike, Wildcards) {
    EXPECT_TRUE(likeMatch("abc", "a%"));
    EXPECT_TRUE(likeMatch("ABC", "a_c"));
    EXPECT_FALSE(likeMatch("abbc", "a_c"));
    EXPECT_TRUE(likeMatch("aXbXc", "a%b%c"));
    EXPECT_TRUE(likeMatch("abcabd", "%abd"));
    EXPECT_TRUE(likeMatch("mississippi", "%iss%ipp%"));
    EXPECT_FALSE(likeMatch("mississippi", "%iss%ipx%"));
    EXPECT_TRUE(likeMatch("", "%"));
    EXPECT_FALSE(likeMatch("", "_"));
}

TEST(RuntimeLike, BracketSetsUseTheCollation) {
    EXPECT_TRUE(likeMatch("abc", "[a-c]bc"));
    EXPECT_TRUE(likeMatch("Bbc", "[a-c]bc"));
    EXPECT_FALSE(likeMatch("dbc", "[a-c]bc"));
    EXPECT_TRUE(likeMatch("xbc", "[^a]bc"));
    EXPECT_FALSE(likeMatch("Abc", "[^a]bc"));
    EXPECT_TRUE(likeMatch("5", "[0-9]"));
    EXPECT_TRUE(likeMatch("b", "[xyzB]"));
    EXPECT_FALSE(likeMatch("ก", "[a-z]"));
    EXPECT_TRUE(likeMatch("ข", "[ก-ค]"));
    EXPECT_TRUE(likeMatch("[abc", "[abc"));  // no closing bracket: literal
}

TEST(RuntimeLike, CaseAccentBlanksAndEscape) {
    EXPECT_TRUE(likeMatch("É", "é"));
    EXPECT_FALSE(likeMatch("é", "e"));
    // Trailing blanks of the value do not count; those of the pattern do.
    EXPECT_TRUE(likeMatch("abc   ", "abc"));
    EXPECT_TRUE(likeMatch("abc ", "abc "));
    EXPECT_FALSE(likeMatch("abc", "abc "));
    EXPECT_TRUE(likeMatch("abc  ", "%c"));
    EXPECT_FALSE(likeMatch(" abc", "abc"));
    EXPECT_TRUE(likeMatch("10%", "10!%", U'!'));
    EXPECT_FALSE(likeMatch("100", "10!%", U'!'));
    EXPECT_TRUE(likeMatch("a_b", "a!_b", U'!'));
}

TEST(RuntimeLike, ThaiCharactersAreSingleCharacters) {
    EXPECT_TRUE(likeMatch("ภาษาไทย", "%ไทย"));
    EXPECT_TRUE(likeMatch("ภาษาไทย", "ภา_าไทย"));
    EXPECT_TRUE(likeMatch("ไก่", "ไก_"));
    EXPECT_FALSE(likeMatch("ไก่", "ไก"));
}

TEST_F(RuntimeSql, LikeThroughSqlite) {
    EXPECT_EQ(q("SELECT tsq_like('ABC', 'a%')"), "1");
    EXPECT_EQ(q("SELECT tsq_like('ABC', 'b%')"), "0");
    EXPECT_EQ(q("SELECT tsq_like(NULL, 'b%')"), "NULL");
    EXPECT_EQ(q("SELECT tsq_like('5%', '5!%', '!')"), "1");
    EXPECT_EQ(err("SELECT tsq_like('a', 'a', '!!')").number, 506);
    exec("CREATE TABLE n(v TEXT)");
    exec("INSERT INTO n VALUES ('apple'), ('Banana'), ('avocado'), ('ไก่ย่าง')");
    EXPECT_EQ(q("SELECT count(*) FROM n WHERE tsq_like(v, 'A%')"), "2");
    EXPECT_EQ(q("SELECT count(*) FROM n WHERE tsq_like(v, '%ย่าง')"), "1");
}
