// An Excel 97-2003 workbook written record by record, for the records LibreOffice does not
// write (BOOLERR, a formula's text in STRING, LABEL) and for a shared string whose characters
// change from 8-bit to UTF-16 where a CONTINUE record begins.
#include <gtest/gtest.h>

#include <cstring>

#include "spreadsheet_intake/reader/Sheet.h"

namespace {

void put16(std::string& b, std::size_t at, std::uint16_t v) {
    b[at] = char(v & 0xFF);
    b[at + 1] = char(v >> 8);
}

void put32(std::string& b, std::size_t at, std::uint32_t v) {
    put16(b, at, std::uint16_t(v & 0xFFFF));
    put16(b, at + 2, std::uint16_t(v >> 16));
}

std::string le16(std::uint16_t v) {
    return {char(v & 0xFF), char(v >> 8)};
}
std::string le32(std::uint32_t v) {
    return le16(std::uint16_t(v & 0xFFFF)) + le16(std::uint16_t(v >> 16));
}
std::string f64(double v) {
    std::string b(8, '\0');
    std::memcpy(b.data(), &v, 8);
    return b;
}

std::string record(std::uint16_t type, const std::string& data) {
    return le16(type) + le16(std::uint16_t(data.size())) + data;
}

std::string cellHead(int row, int column) {
    return le16(std::uint16_t(row)) + le16(std::uint16_t(column)) + le16(15);
}

// A compound file (512-byte sectors) whose root holds `stream` as "Workbook": sector 0 the
// allocation table, sector 1 the directory, the stream from sector 2 on.
std::string compoundFile(std::string stream) {
    if (stream.size() < 4096) stream.resize(4096, '\0');  // no mini stream to keep
    const std::size_t sectors = (stream.size() + 511) / 512;
    std::string file(512 * 3, '\0');
    file.replace(0, 8, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    put16(file, 0x18, 0x3E);
    put16(file, 0x1A, 3);
    put16(file, 0x1C, 0xFFFE);
    put16(file, 0x1E, 9);
    put16(file, 0x20, 6);
    put32(file, 0x2C, 1);
    put32(file, 0x30, 1);
    put32(file, 0x38, 4096);
    put32(file, 0x3C, 0xFFFFFFFE);
    put32(file, 0x44, 0xFFFFFFFE);
    for (int i = 0; i < 109; ++i) put32(file, 0x4C + 4 * i, i == 0 ? 0 : 0xFFFFFFFF);
    for (int i = 0; i < 128; ++i) put32(file, 512 + 4 * i, 0xFFFFFFFF);
    put32(file, 512, 0xFFFFFFFD);
    put32(file, 512 + 4, 0xFFFFFFFE);
    for (std::size_t i = 0; i < sectors; ++i) {
        put32(file, 512 + 4 * (2 + i), i + 1 == sectors ? 0xFFFFFFFE : std::uint32_t(3 + i));
    }
    auto entry = [&](int index, const std::u16string& name, int type, std::uint32_t start,
                     std::uint32_t size) {
        const std::size_t at = 1024 + 128 * std::size_t(index);
        for (std::size_t i = 0; i < name.size(); ++i) put16(file, at + 2 * i, name[i]);
        put16(file, at + 0x40, std::uint16_t(2 * (name.size() + 1)));
        file[at + 0x42] = char(type);
        put32(file, at + 0x44, 0xFFFFFFFF);
        put32(file, at + 0x48, 0xFFFFFFFF);
        put32(file, at + 0x4C, index == 0 ? 1 : 0xFFFFFFFF);
        put32(file, at + 0x74, start);
        put32(file, at + 0x78, size);
    };
    entry(0, u"Root Entry", 5, 0xFFFFFFFE, 0);
    entry(1, u"Workbook", 2, 2, std::uint32_t(stream.size()));
    stream.resize(sectors * 512, '\0');
    return file + stream;
}

std::string workbook() {
    const std::string bof = le16(0x0600) + le16(0x0005) + std::string(12, '\0');
    // "ABกข": four characters, two 8-bit ones in the SST record, two UTF-16 ones in the
    // CONTINUE record after its option byte; then "x".
    const std::string sst = le32(2) + le32(2) + le16(4) + '\0' + "AB";
    const std::string continued =
        std::string("\x01", 1) + "\x01\x0E\x02\x0E" + le16(1) + '\0' + "x";
    std::string sheet = record(0x0809, le16(0x0600) + le16(0x0010) + std::string(12, '\0'));
    sheet += record(0x00FD, cellHead(0, 0) + le32(0));
    sheet += record(0x00FD, cellHead(0, 1) + le32(1));
    sheet += record(0x0205, cellHead(1, 0) + "\x01" + std::string(1, '\0'));
    sheet += record(0x0205, cellHead(1, 1) + "\x07\x01");  // #DIV/0!
    const std::string textResult = std::string(1, '\0') + std::string(5, '\0') + "\xFF\xFF";
    sheet += record(0x0006, cellHead(1, 2) + textResult + std::string(6, '\0'));
    sheet += record(0x0207, le16(3) + '\0' + "f\tx");
    const std::string boolResult = std::string("\x01\0\0\0\0\0\xFF\xFF", 8);
    sheet += record(0x0006, cellHead(1, 3) + boolResult + std::string(6, '\0'));
    sheet += record(0x0006, cellHead(1, 4) + f64(2.5) + std::string(6, '\0'));
    sheet += record(0x027E, cellHead(2, 0) + le32(100 << 2 | 2));
    sheet += record(0x027E, cellHead(2, 1) + le32(123 << 2 | 3));
    sheet += record(0x00BD, le16(2) + le16(2) + le16(15) + le32(7 << 2 | 2) + le16(15) +
                                le32(8 << 2 | 2) + le16(3));
    sheet += record(0x0203, cellHead(2, 4) + f64(-0.5));
    sheet += record(0x0204, cellHead(3, 0) + le16(3) + "\x01" + "\x44\x0E\x17\x0E\x22\x0E");
    sheet += record(0x00BE, le16(4) + le16(0) + le16(15) + le16(15) + le16(15) + le16(15) +
                                le16(15) + le16(15) + le16(5));
    sheet += record(0x000A, "");

    std::string boundSheet = le32(0) + '\0' + '\0' + '\x05' + '\0' + "Sheet";
    std::string globals = record(0x0809, bof) + record(0x0085, boundSheet) + record(0x00FC, sst) +
                          record(0x003C, continued) + record(0x000A, "");
    put32(globals, 4 + 16 + 4, std::uint32_t(globals.size()));  // the sheet's BOF follows
    return globals + sheet;
}

TEST(BiffRecords, CellRecordsAndStringAcrossContinue) {
    const intake::Sheet sheet = intake::readXlsBytes(compoundFile(workbook()), "records.xls");
    EXPECT_EQ(intake::dumpSheet(sheet),
              "rows=5 cols=6 used=A1:F5\n"
              "s:ABกข\ts:x\t\t\t\t\n"
              "b:TRUE\t\ts:f\\tx\tb:FALSE\tn:2.5\t\n"
              "n:100\tn:1.23\tn:7\tn:8\tn:-0.5\t\n"
              "s:ไทย\t\t\t\t\t\n"
              "\t\t\t\t\t\n");
}

TEST(BiffRecords, DamagedRecordsGiveErrors) {
    auto errorOf = [](const std::string& stream) -> std::string {
        try {
            intake::readXlsBytes(compoundFile(stream), "records.xls");
        } catch (const intake::SheetError& e) {
            return e.what();
        }
        return "no error";
    };
    const std::string good = workbook();
    ASSERT_EQ(errorOf(good), "no error");
    // The first cell record's length grown past the end of the stream.
    std::string cut = good.substr(0, good.size() - 30);
    EXPECT_NE(errorOf(cut).find("truncated"), std::string::npos) << errorOf(cut);
    // An SST whose string says it is longer than the records hold.
    std::string longer = good;
    const auto at =
        longer.find(std::string("\x04\x00\x00"
                                "AB",
                                5));
    ASSERT_NE(at, std::string::npos);
    longer[at] = 40;
    EXPECT_NE(errorOf(longer).find("a string is cut off"), std::string::npos) << errorOf(longer);
    // A shared text index past the table.
    std::string index = good;
    const auto label = index.find(std::string("\xFD\x00\x0A\x00", 4) + cellHead(0, 1));
    ASSERT_NE(label, std::string::npos);
    index[label + 4 + 6] = 9;
    EXPECT_EQ(errorOf(index), "Cannot read records.xls: a cell refers to shared text 9 of only 2");
}

}  // namespace
