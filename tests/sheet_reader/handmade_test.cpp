// Workbooks written by hand, for what LibreOffice never writes (inline strings, booleans and
// error cells, ISO dates, rows without numbers, a wrong dimension, parts in unusual places) and
// for damaged files: each must give a SheetError naming the file, never a crash.
#include <gtest/gtest.h>
#include <zip.h>

#include <cstdlib>
#include <filesystem>
#include <map>

#include "fixtures.h"
#include "spreadsheet_intake/reader/Sheet.h"

namespace {

namespace fs = std::filesystem;

class TempDir {
public:
    TempDir() {
        char pattern[] = "/tmp/sheet_handmade_XXXXXX";
        if (!mkdtemp(pattern)) std::abort();
        path_ = pattern;
    }
    ~TempDir() { fs::remove_all(path_); }
    fs::path operator/(const std::string& name) const { return path_ / name; }

private:
    fs::path path_;
};

// A zip archive of the given parts (name -> content).
std::string zipOf(const std::map<std::string, std::string>& parts) {
    TempDir dir;
    const std::string path = (dir / "a.zip").string();
    int error = 0;
    zip_t* zip = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!zip) std::abort();
    for (const auto& [name, content] : parts) {
        zip_source_t* source = zip_source_buffer(zip, content.data(), content.size(), 0);
        if (!source || zip_file_add(zip, name.c_str(), source, ZIP_FL_ENC_UTF_8) < 0) {
            std::abort();
        }
    }
    if (zip_close(zip) != 0) std::abort();
    return fixtures::readFile(path);
}

const std::string kNs =
    R"( xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main")"
    R"( xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships")";
const std::string kRelNs =
    R"( xmlns="http://schemas.openxmlformats.org/package/2006/relationships")";
const std::string kRelType = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";

std::string rel(const std::string& id, const std::string& type, const std::string& target) {
    return "<Relationship Id=\"" + id + "\" Type=\"" + kRelType + type + "\" Target=\"" + target +
           "\"/>";
}

// A workbook at xl/book.xml whose first sheet is a chart sheet, the worksheet second, with the
// given worksheet and shared strings.
std::map<std::string, std::string> workbookParts(const std::string& sheetData,
                                                 const std::string& sharedStrings) {
    return {
        {"_rels/.rels", "<Relationships" + kRelNs + ">" +
                            rel("rId1", "officeDocument", "xl/book.xml") + "</Relationships>"},
        {"xl/book.xml", "<workbook" + kNs +
                            "><sheets><sheet name=\"Chart\" sheetId=\"1\" r:id=\"rId7\"/>"
                            "<sheet name=\"Data\" sheetId=\"2\" r:id=\"rId3\"/></sheets>"
                            "</workbook>"},
        {"xl/_rels/book.xml.rels",
         "<Relationships" + kRelNs + ">" + rel("rId7", "chartsheet", "charts/c1.xml") +
             rel("rId3", "worksheet", "/xl/sheets/../sheets/data.xml") +
             rel("rId4", "sharedStrings", "strings.xml") + "</Relationships>"},
        {"xl/charts/c1.xml", "<chartsheet" + kNs + "/>"},
        {"xl/sheets/data.xml", "<worksheet" + kNs + "><dimension ref=\"A1\"/><sheetData>" +
                                   sheetData + "</sheetData></worksheet>"},
        {"xl/strings.xml", "<sst" + kNs + ">" + sharedStrings + "</sst>"},
    };
}

intake::Sheet read(const std::map<std::string, std::string>& parts) {
    return intake::readWorkbookBytes(zipOf(parts), "book.xlsx");
}

TEST(HandmadeXlsx, CellKindsWrongDimensionAndUnnumberedRows) {
    const std::string cells =
        R"(<row r="4"><c r="C4" t="inlineStr"><is><t xml:space="preserve"> tab	here </t></is></c>)"
        R"(<c t="b"><v>1</v></c></row>)"
        R"(<row><c r="B5" t="e"><v>#N/A</v></c><c r="C5" t="s"><v>0</v></c>)"
        R"(<c r="E5" t="d"><v>2024-01-31T12:00:00</v></c></row>)"
        R"(<row r="2"><c r="F2"><v>1E+20</v></c><c r="G2" s="1"/><c r="E2" t="str"><f>A1</f>)"
        R"(<v>back\slash</v></c><c r="D2"><v>0.30000000000000004</v></c></row>)";
    const std::string strings =
        R"(<si><r><t>Rich</t></r><r><t xml:space="preserve"> text&#13;&#10;</t></r>)"
        R"(<rPh sb="0" eb="1"><t>phonetic</t></rPh></si>)";
    // The dimension says A1; the cells say B2:G5 (G2 a formatted blank, B5 an error value).
    EXPECT_EQ(intake::dumpSheet(read(workbookParts(cells, strings))),
              "rows=4 cols=6 used=B2:G5\n"
              "\t\tn:0.30000000000000004\ts:back\\\\slash\tn:100000000000000000000\t\n"
              "\t\t\t\t\t\n"
              "\ts: tab\\there \tb:TRUE\t\t\t\n"
              "\ts:Rich text\\r\\n\t\tn:45322.5\t\t\n");
}

TEST(HandmadeXlsx, LaterCellAtOnePlaceWinsAndEmptySheetIsA1) {
    const intake::Sheet twice =
        read(workbookParts(R"(<row r="1"><c r="A1"><v>1</v></c><c r="A1"><v>2</v></c></row>)", ""));
    EXPECT_EQ(intake::dumpSheet(twice), "rows=1 cols=1 used=A1:A1\nn:2\n");
    EXPECT_EQ(intake::dumpSheet(read(workbookParts("", ""))), "rows=1 cols=1 used=A1:A1\n\n");
}

// Parts that only expat reads (another encoding; a name in Thai after the cells) are read
// again from the start: the cells and inline texts of the first reading do not stay twice.
TEST(HandmadeXlsx, PartsLeftToExpatAreReadOnceWhole) {
    const std::string cells = R"(<row r="1"><c r="A1" t="inlineStr"><is><t>a</t></is></c>)"
                              R"(<c r="B1" t="s"><v>0</v></c></row>)";
    auto parts = workbookParts(cells, "<si><t>x</t></si>");
    const std::string expected = "rows=1 cols=2 used=A1:B1\ns:a\ts:x\n";
    EXPECT_EQ(intake::dumpSheet(read(parts)), expected);
    parts["xl/sheets/data.xml"] = "<worksheet" + kNs + "><sheetData>" + cells +
                                  "</sheetData><extLst><\xE0\xB8\x81/></extLst></worksheet>";
    EXPECT_EQ(intake::dumpSheet(read(parts)), expected);
    parts["xl/strings.xml"] =
        "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><sst" + kNs + "><si><t>\xE9</t></si></sst>";
    EXPECT_EQ(intake::dumpSheet(read(parts)), "rows=1 cols=2 used=A1:B1\ns:a\ts:\xC3\xA9\n");
    // Shared texts given up late are not counted twice: index 1 of one text is still wrong.
    parts["xl/strings.xml"] = "<sst" + kNs + "><si><t>x</t></si><\xE0\xB8\x81/></sst>";
    parts["xl/sheets/data.xml"] = "<worksheet" + kNs +
                                  R"(><sheetData><row r="1"><c r="A1" t="s"><v>1</v></c></row>)"
                                  "</sheetData></worksheet>";
    EXPECT_THROW(read(parts), intake::SheetError);
}

// The error text of reading `bytes`, or "no error".
std::string errorOf(const std::string& bytes) {
    try {
        intake::readWorkbookBytes(bytes, "book.xlsx");
    } catch (const intake::SheetError& e) {
        return e.what();
    }
    return "no error";
}

void expectError(const std::string& bytes, const std::string& part) {
    const std::string text = errorOf(bytes);
    EXPECT_TRUE(text.starts_with("Cannot read book.xlsx: ")) << text;
    EXPECT_NE(text.find(part), std::string::npos) << text;
}

TEST(HandmadeXlsx, DamagedFilesGiveErrors) {
    expectError("", "not an Excel workbook");
    expectError("Barcode,Qty\n885,1\n", "not an Excel workbook");
    const std::string good = zipOf(workbookParts(R"(<row r="1"><c r="A1"><v>1</v></c></row>)", ""));
    for (std::size_t cut : {std::size_t(10), good.size() / 2, good.size() - 1}) {
        expectError(good.substr(0, cut), "truncated or damaged");
    }
    expectError(zipOf({{"hello.txt", "hi"}}), "no workbook part");

    auto with = [](const std::string& cells, const std::string& strings = "") {
        return zipOf(workbookParts(cells, strings));
    };
    expectError(with(R"(<row r="1"><c r="A1"><v>1</v></row>)"), "not well-formed XML");
    expectError(with(R"(<row r="1"><c r="A1" t="s"><v>3</v></c></row>)", "<si><t>a</t></si>"),
                "shared text 3 of only 1");
    // A cell's own text is no shared text, though both are kept together.
    expectError(with(R"(<row r="1"><c r="A1" t="inlineStr"><is><t>b</t></is></c>)"
                     R"(<c r="B1" t="s"><v>1</v></c></row>)",
                     "<si><t>a</t></si>"),
                "shared text 1 of only 1");
    expectError(with(R"(<row r="1"><c r="XFE1"><v>1</v></c></row>)"), "\"XFE1\"");
    expectError(with(R"(<row r="1048577"><c><v>1</v></c></row>)"), "outside the sheet");
    expectError(with(R"(<row r="1"><c r="A1"><v>12abc</v></c></row>)"), "holds \"12abc\"");
    expectError(with(R"(<row r="1"><c r="A1"><v>nan</v></c></row>)"), "holds \"nan\"");
    expectError(with(R"(<row r="1"><c r="A1" t="b"><v>2</v></c></row>)"), "holds \"2\"");

    auto parts = workbookParts("", "");
    parts["xl/book.xml"] = "<workbook" + kNs +
                           "><sheets><sheet name=\"Chart\" sheetId=\"1\" r:id=\"rId7\"/>"
                           "</sheets></workbook>";
    expectError(zipOf(parts), "has no worksheet");
    parts.erase("xl/sheets/data.xml");
    parts["xl/book.xml"] = "<workbook" + kNs +
                           "><sheets><sheet name=\"D\" sheetId=\"1\" r:id=\"rId3\"/></sheets>" +
                           "</workbook>";
    expectError(zipOf(parts), "xl/sheets/data.xml is missing");
}

// A compound file holding the streams of an encrypted package: what a password-protected
// .xlsx is. Sector 0 holds the allocation table, sector 1 the directory.
std::string encryptedPackage() {
    std::string file(512 * 3, '\0');
    auto put16 = [&](std::size_t at, std::uint16_t v) {
        file[at] = char(v & 0xFF);
        file[at + 1] = char(v >> 8);
    };
    auto put32 = [&](std::size_t at, std::uint32_t v) {
        put16(at, std::uint16_t(v & 0xFFFF));
        put16(at + 2, std::uint16_t(v >> 16));
    };
    file.replace(0, 8, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    put16(0x18, 0x3E);
    put16(0x1A, 3);
    put16(0x1C, 0xFFFE);
    put16(0x1E, 9);
    put16(0x20, 6);
    put32(0x2C, 1);           // one FAT sector
    put32(0x30, 1);           // directory at sector 1
    put32(0x38, 4096);        // mini stream cutoff
    put32(0x3C, 0xFFFFFFFE);  // no mini FAT
    put32(0x44, 0xFFFFFFFE);  // no DIFAT sectors
    for (int i = 0; i < 109; ++i) put32(0x4C + 4 * i, i == 0 ? 0 : 0xFFFFFFFF);
    const std::size_t fat = 512, dir = 1024;
    for (int i = 0; i < 128; ++i) put32(fat + 4 * i, 0xFFFFFFFF);
    put32(fat, 0xFFFFFFFD);
    put32(fat + 4, 0xFFFFFFFE);
    auto entry = [&](int index, const std::u16string& name, int type) {
        const std::size_t at = dir + 128 * std::size_t(index);
        for (std::size_t i = 0; i < name.size(); ++i) put16(at + 2 * i, name[i]);
        put16(at + 0x40, std::uint16_t(2 * (name.size() + 1)));
        file[at + 0x42] = char(type);
        put32(at + 0x44, 0xFFFFFFFF);
        put32(at + 0x48, 0xFFFFFFFF);
        put32(at + 0x4C, 0xFFFFFFFF);
        put32(at + 0x74, 0xFFFFFFFE);
    };
    entry(0, u"Root Entry", 5);
    entry(1, u"EncryptionInfo", 2);
    entry(2, u"EncryptedPackage", 2);
    return file;
}

TEST(HandmadeCompoundFile, PasswordProtectedAndDamaged) {
    expectError(encryptedPackage(), "password-protected");
    std::string noWorkbook = encryptedPackage();
    noWorkbook.replace(1024 + 128 + 2 * 3, 8, "\0x\0x\0x\0x", 8);  // renames the streams
    noWorkbook.replace(1024 + 256 + 2 * 3, 8, "\0x\0x\0x\0x", 8);
    expectError(noWorkbook, "no workbook stream");
    expectError(encryptedPackage().substr(0, 600), "truncated");
    std::string loop = encryptedPackage();
    loop[512 + 4] = 1;  // the directory's chain points at itself
    loop[512 + 5] = loop[512 + 6] = loop[512 + 7] = 0;
    expectError(loop, "a loop");
}

TEST(SheetDump, PrintsTheSheetOrTheError) {
    TempDir dir;
    const auto good = dir / "good.xls";  // the format comes from the content, not the name
    fixtures::writeFile(
        good, zipOf(workbookParts(R"(<row r="2"><c r="B2"><v>-2.5</v></c><c r="C2" t="b">)"
                                  R"(<v>0</v></c></row>)",
                                  "")));
    const auto out = dir / "out.txt", err = dir / "err.txt";
    auto run = [&](const fs::path& file) {
        const std::string command = std::string("'") + SHEET_DUMP_PATH + "' '" + file.string() +
                                    "' > '" + out.string() + "' 2> '" + err.string() + "'";
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    EXPECT_EQ(run(good), 0);
    EXPECT_EQ(fixtures::readFile(out), "rows=1 cols=2 used=B2:C2\nn:-2.5\tb:FALSE\n");
    EXPECT_EQ(fixtures::readFile(err), "");

    const auto bad = dir / "bad.xlsx";
    fixtures::writeFile(bad, "not a workbook");
    EXPECT_EQ(run(bad), 1);
    EXPECT_EQ(fixtures::readFile(out), "");
    EXPECT_NE(fixtures::readFile(err).find("bad.xlsx: it is not an Excel workbook"),
              std::string::npos);
    EXPECT_EQ(run(dir / "missing.xlsx"), 1);
    EXPECT_NE(fixtures::readFile(err).find("Cannot open"), std::string::npos);
}

}  // namespace

namespace {

// The fuzzers' seeds are workbooks LibreOffice wrote; a seed the reader refuses would fuzz
// nothing but the error path.
TEST(FuzzSeeds, AllRead) {
    int seen = 0;
    for (const char* folder : {"corpus_xlsx", "corpus_xls"}) {
        for (const auto& entry :
             fs::directory_iterator(fs::path(SHEET_READER_CORPUS_DIR) / folder)) {
            EXPECT_NO_THROW(intake::ReadUsedRange(entry.path().string())) << entry.path();
            ++seen;
        }
    }
    EXPECT_GE(seen, 4);
}

}  // namespace
