// The reader on workbooks that LibreOffice wrote from data the tests define, in both formats:
// the used range where it lies, values as they are stored (blanks, Thai text, long barcodes,
// dates as serial days, formulas' results), wide sheets and shared strings past one record.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "fixtures.h"
#include "spreadsheet_intake/reader/Sheet.h"

namespace {

using fixtures::Boolean;
using fixtures::Date;
using fixtures::Formula;
using fixtures::Value;

const std::string kLongThai = [] {
    std::string s;
    for (int i = 0; i < 2500; ++i) s += i % 2 ? "ก" : "ข";
    return s;
}();

std::string stringItem(int i) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "รายการที่ %04d", i);
    return buffer;
}

std::vector<fixtures::Book> books() {
    std::vector<fixtures::Book> list;
    fixtures::SheetSpec mixed;
    mixed.firstRow = 3;
    mixed.firstColumn = 2;
    mixed.rows = {
        {std::string("Barcode"), std::string(" name "), std::string("ชื่อสินค้า"), std::string("qty"),
         std::string("date"), std::string("formula"), std::string("flag")},
        {8851234567890.0, std::string("  padded  "), std::string("ข้าวหอมมะลิ ๕ กก."), 1.5,
         Date{"2024-01-31"}, Formula{"of:=[.E4]*2", "", 3}, Boolean{true}},
        {-0.1, std::string("a  b"), std::string("line1\nline2"), Value{}, Value{},
         Formula{"of:=[.E4]+[.F4]", "", 45323.5}, std::string("C:\\dir")},
        {Value{}, Value{}, 12345678.25},
    };
    list.push_back({"mixed", {mixed}});

    fixtures::SheetSpec wide;
    std::vector<Value> headings, first, second;
    for (int c = 1; c <= 1494; ++c) {
        headings.push_back("H" + std::to_string(c));
        first.push_back(double(10000 + c));
        second.push_back(c % 7 == 0 ? Value{} : Value{20000.5 + c});
    }
    wide.rows = {headings, first, second};
    list.push_back({"wide", {wide}});

    fixtures::SheetSpec strings;
    for (int i = 0; i < 1200; ++i) strings.rows.push_back({stringItem(i)});
    strings.rows.push_back({kLongThai});
    list.push_back({"strings", {strings}});

    fixtures::SheetSpec empty, other;
    other.name = "Second";
    other.rows = {{std::string("not the first sheet")}};
    list.push_back({"empty_first", {empty, other}});

    fixtures::SheetSpec headingsOnly;
    headingsOnly.rows = {{std::string("Code"), std::string("Name"), std::string("Qty")}};
    list.push_back({"headings", {headingsOnly}});

    fixtures::SheetSpec one;
    one.name = "Data";
    one.rows = {{1.0}};
    list.push_back({"one", {one}});
    return list;
}

// The workbooks of all tests, made on first use and kept in the build tree for the other
// test processes.
struct Made {
    std::filesystem::path dir;
    std::string error;
    Made() {
        try {
            dir = fixtures::makeCached(SHEET_FIXTURE_CACHE, books());
        } catch (const std::exception& e) {
            error = e.what();
        }
    }
};

const Made& made() {
    static const Made instance;
    return instance;
}

class LibreOfficeFixtures : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        if (fixtures::soffice().empty()) GTEST_SKIP() << "LibreOffice (soffice) is not installed";
        ASSERT_EQ(made().error, "");
    }
    std::string path(const std::string& book) const {
        return (made().dir / (book + "." + GetParam())).string();
    }
    std::string dump(const std::string& book) const {
        return intake::dumpSheet(intake::ReadUsedRange(path(book)));
    }
};

TEST_P(LibreOfficeFixtures, ValuesAndUsedRangeAwayFromA1) {
    // Dates are serial days; the boolean is stored as a number with a TRUE/FALSE format.
    EXPECT_EQ(dump("mixed"),
              "rows=4 cols=7 used=B3:H6\n"
              "s:Barcode\ts: name \ts:ชื่อสินค้า\ts:qty\ts:date\ts:formula\ts:flag\n"
              "n:8851234567890\ts:  padded  \ts:ข้าวหอมมะลิ ๕ กก.\tn:1.5\tn:45322\tn:3\tn:1\n"
              "n:-0.1\ts:a  b\ts:line1\\nline2\t\t\tn:45323.5\ts:C:\\\\dir\n"
              "\t\tn:12345678.25\t\t\t\t\n");
    const intake::Sheet sheet = intake::ReadUsedRange(path("mixed"));
    EXPECT_EQ(sheet.firstRow(), 3);
    EXPECT_EQ(sheet.firstColumn(), 2);
    EXPECT_EQ(sheet.cell(2, 1).number, 8851234567890.0);
    EXPECT_TRUE(sheet.cell(4, 1).isEmpty());
    EXPECT_THROW(sheet.cell(5, 1), std::out_of_range);
    EXPECT_THROW(sheet.cell(1, 8), std::out_of_range);
}

TEST_P(LibreOfficeFixtures, SharedStringsPastOneRecord) {
    // About 40 KB of shared strings: the .xls holds them in an SST record and its CONTINUE
    // records, the long text itself crossing at least one of them.
    const intake::Sheet sheet = intake::ReadUsedRange(path("strings"));
    ASSERT_EQ(sheet.rowCount(), 1201);
    ASSERT_EQ(sheet.columnCount(), 1);
    for (int i = 0; i < 1200; ++i) {
        ASSERT_EQ(sheet.cell(i + 1, 1).text, stringItem(i)) << "row " << i + 1;
    }
    EXPECT_EQ(sheet.cell(1201, 1).text, kLongThai);
}

TEST_P(LibreOfficeFixtures, EmptyFirstSheetAndHeadingsOnly) {
    // The first sheet counts even when a later one has data; empty, it is A1 alone.
    EXPECT_EQ(dump("empty_first"), "rows=1 cols=1 used=A1:A1\n\n");
    EXPECT_EQ(dump("headings"), "rows=1 cols=3 used=A1:C1\ns:Code\ts:Name\ts:Qty\n");
}

TEST_P(LibreOfficeFixtures, WideSheet) {
    const intake::Sheet sheet = intake::ReadUsedRange(path("wide"));
    // Excel 97-2003 sheets end at column 256 (IV): LibreOffice drops the rest when it saves.
    const int columns = GetParam() == "xlsx" ? 1494 : 256;
    ASSERT_EQ(sheet.rowCount(), 3);
    ASSERT_EQ(sheet.columnCount(), columns);
    EXPECT_EQ(sheet.rangeA1(), GetParam() == "xlsx" ? "A1:BEL3" : "A1:IV3");
    for (int c = 1; c <= columns; ++c) {
        ASSERT_EQ(sheet.cell(1, c).text, "H" + std::to_string(c));
        ASSERT_EQ(sheet.cell(2, c).number, 10000 + c);
        if (c % 7 == 0) {
            ASSERT_TRUE(sheet.cell(3, c).isEmpty()) << c;
        } else {
            ASSERT_EQ(sheet.cell(3, c).number, 20000.5 + c) << c;
        }
    }
}

// Every cut of a real file gives an error, never a crash or a half-read sheet.
TEST_P(LibreOfficeFixtures, TruncatedFilesGiveErrors) {
    const std::string bytes = fixtures::readFile(path("strings"));
    for (std::size_t cut : {std::size_t(0), std::size_t(7), std::size_t(600), bytes.size() / 3,
                            bytes.size() / 2, bytes.size() - 100, bytes.size() - 1}) {
        try {
            intake::readWorkbookBytes(bytes.substr(0, cut), "cut." + GetParam());
            ADD_FAILURE() << "no error at " << cut << " of " << bytes.size() << " bytes";
        } catch (const intake::SheetError& e) {
            EXPECT_TRUE(std::string(e.what()).starts_with("Cannot read cut.")) << e.what();
        }
    }
}

// An .xls whose globals announce encryption (FILEPASS), or whose only sheet is not a
// worksheet: the record after the globals' BOF, or the sheet's type, changed in place.
TEST(LibreOfficeXls, PasswordProtectedAndNoWorksheet) {
    if (fixtures::soffice().empty()) GTEST_SKIP() << "LibreOffice (soffice) is not installed";
    ASSERT_EQ(made().error, "");
    const std::string bytes = fixtures::readFile(made().dir / "one.xls");
    auto errorOf = [](const std::string& file) -> std::string {
        try {
            intake::readWorkbookBytes(file, "one.xls");
        } catch (const intake::SheetError& e) {
            return e.what();
        }
        return "no error";
    };
    ASSERT_EQ(errorOf(bytes), "no error");

    const std::string globalsBof("\x09\x08\x10\x00\x00\x06\x05\x00", 8);
    const auto bof = bytes.find(globalsBof);
    ASSERT_NE(bof, std::string::npos);
    std::string locked = bytes;
    locked[bof + 20] = 0x2F;  // FILEPASS
    locked[bof + 21] = 0;
    EXPECT_EQ(errorOf(locked),
              "Cannot read one.xls: it is password-protected; save it without a password and "
              "try again");

    // The sheet's name, in 8-bit or in UTF-16 form, follows its type byte and length.
    auto name =
        bytes.find(std::string("\x04\x00"
                               "Data",
                               6));
    if (name == std::string::npos)
        name =
            bytes.find(std::string("\x04\x01"
                                   "D\0a\0t\0a\0",
                                   10));
    ASSERT_NE(name, std::string::npos);
    std::string chartOnly = bytes;
    chartOnly[name - 1] = 2;  // the sheet is a chart
    EXPECT_EQ(errorOf(chartOnly), "Cannot read one.xls: the workbook has no worksheet");
}

INSTANTIATE_TEST_SUITE_P(Formats, LibreOfficeFixtures, ::testing::Values("xlsx", "xls"),
                         [](const auto& info) { return info.param; });

}  // namespace
