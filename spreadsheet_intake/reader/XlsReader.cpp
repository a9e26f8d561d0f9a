// .xls: Excel 97-2003 workbooks, BIFF8 records in the "Workbook" stream of an OLE2 compound
// file. The compound file also carries password-protected .xlsx files (an encrypted package),
// which are told apart here. Every length and sector number comes from the file, so each is
// checked against what is there before use: a damaged file gives a SheetError, never a read
// past the end or an endless chain.
#include <cmath>
#include <cstring>

#include "spreadsheet_intake/reader/Sheet.h"

namespace intake {
namespace {

class Failure {
public:
    explicit Failure(const std::string& name) : name_(name) {}
    [[noreturn]] void operator()(const std::string& why) const {
        throw SheetError("Cannot read " + name_ + ": " + why);
    }

private:
    const std::string& name_;
};

std::uint16_t u16(std::string_view b, std::size_t at) {
    return std::uint16_t(std::uint8_t(b[at]) | std::uint8_t(b[at + 1]) << 8);
}

std::uint32_t u32(std::string_view b, std::size_t at) {
    return std::uint32_t(u16(b, at)) | std::uint32_t(u16(b, at + 2)) << 16;
}

double f64(std::string_view b, std::size_t at) {
    double v;
    std::memcpy(&v, b.data() + at, sizeof v);  // little-endian, like the machines we build for
    return v;
}

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

// ---- the compound file ------------------------------------------------------------------------

constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;

class CompoundFile {
public:
    CompoundFile(std::string_view file, const Failure& fail) : file_(file), fail_(fail) {
        if (file.size() < 512) fail_("it is truncated (no compound file header)");
        const unsigned shift = u16(file, 0x1E);
        if (shift != 9 && shift != 12) fail_("its compound file header is damaged");
        sectorSize_ = std::size_t(1) << shift;
        miniCutoff_ = u32(file, 0x38);
        const std::uint32_t fatSectors = u32(file, 0x2C);
        // Each table sector is a sector of the file: more would only fill memory.
        if (fatSectors > sectorCount()) {
            fail_("it is truncated, or its allocation table is damaged");
        }
        // Sector numbers of the allocation table: 109 in the header, the rest in DIFAT sectors.
        std::vector<std::uint32_t> fatList;
        for (std::size_t i = 0; i < 109 && fatList.size() < fatSectors; ++i) {
            fatList.push_back(u32(file, 0x4C + 4 * i));
        }
        std::uint32_t difat = u32(file, 0x44);
        const std::size_t perDifat = sectorSize_ / 4 - 1;
        std::size_t guard = sectorCount() + 1;
        while (fatList.size() < fatSectors && difat < kEndOfChain) {
            if (guard-- == 0) fail_("its allocation table is damaged (a loop)");
            const std::string_view s = sector(difat);
            for (std::size_t i = 0; i < perDifat && fatList.size() < fatSectors; ++i) {
                fatList.push_back(u32(s, 4 * i));
            }
            difat = u32(s, 4 * perDifat);
        }
        if (fatList.size() < fatSectors) fail_("it is truncated (allocation table incomplete)");
        for (std::uint32_t n : fatList) {
            const std::string_view s = sector(n);
            for (std::size_t i = 0; i < sectorSize_ / 4; ++i) fat_.push_back(u32(s, 4 * i));
        }
        directory_ = chain(u32(file, 0x30), fat_, sectorSize_, std::string_view(), SIZE_MAX);
        if (directory_.size() < 128) fail_("its directory is damaged");
    }

    struct Entry {
        std::string name;  // UTF-8
        int type = 0;      // 1 storage, 2 stream, 5 root
        std::uint32_t start = 0;
        std::uint32_t size = 0;
    };

    std::vector<Entry> entries() const {
        std::vector<Entry> list;
        for (std::size_t at = 0; at + 128 <= directory_.size(); at += 128) {
            Entry e;
            const std::size_t nameBytes = std::min<std::size_t>(u16(directory_, at + 0x40), 64);
            for (std::size_t i = 0; i + 1 < nameBytes; i += 2) {
                const char16_t c = u16(directory_, at + i);
                if (c == 0) break;
                appendUtf8(e.name, c < 0xD800 || c > 0xDFFF ? c : 0xFFFD);
            }
            e.type = std::uint8_t(directory_[at + 0x42]);
            e.start = u32(directory_, at + 0x74);
            e.size = u32(directory_, at + 0x78);
            list.push_back(std::move(e));
        }
        return list;
    }

    // The bytes of a stream entry.
    std::string stream(const Entry& e) {
        if (e.size < miniCutoff_) {
            loadMiniStream();
            return chain(e.start, miniFat_, 64, miniStream_, e.size);
        }
        return chain(e.start, fat_, sectorSize_, std::string_view(), e.size);
    }

private:
    std::size_t sectorCount() const {
        return file_.size() > sectorSize_ ? file_.size() / sectorSize_ - 1 : 0;
    }

    std::string_view sector(std::uint32_t n) const {
        const std::size_t at = (std::size_t(n) + 1) * sectorSize_;
        if (n >= kEndOfChain - 5 || at + sectorSize_ > file_.size()) {
            fail_("it is truncated (a sector lies past the end of the file)");
        }
        return file_.substr(at, sectorSize_);
    }

    // Follows a chain of `unit`-sized pieces through `table`, from the file (`from` empty) or
    // from the mini stream; stops at `size` bytes, which the chain must reach (unless SIZE_MAX).
    std::string chain(std::uint32_t start, const std::vector<std::uint32_t>& table,
                      std::size_t unit, std::string_view from, std::size_t size) const {
        std::string out;
        std::uint32_t n = start;
        // A chain visits each piece at most once; more steps mean a loop.
        std::size_t guard = (from.empty() ? sectorCount() : from.size() / unit) + 1;
        while (n < kEndOfChain - 5 && out.size() < size) {
            if (guard-- == 0) fail_("its allocation table is damaged (a loop)");
            if (from.empty()) {
                out += sector(n);
            } else {
                const std::size_t at = std::size_t(n) * unit;
                if (at + unit > from.size()) fail_("it is truncated (mini stream)");
                out += from.substr(at, unit);
            }
            if (n >= table.size()) fail_("its allocation table is damaged");
            n = table[n];
        }
        if (size != SIZE_MAX) {
            if (out.size() < size) fail_("it is truncated (a stream ends early)");
            out.resize(size);
        }
        return out;
    }

    void loadMiniStream() {
        if (miniLoaded_) return;
        miniLoaded_ = true;
        const std::string table =
            chain(u32(file_, 0x3C), fat_, sectorSize_, std::string_view(), SIZE_MAX);
        for (std::size_t i = 0; i + 4 <= table.size(); i += 4) miniFat_.push_back(u32(table, i));
        const Entry root = entries().front();
        miniStream_ = chain(root.start, fat_, sectorSize_, std::string_view(), root.size);
        if (miniStream_.empty()) miniStream_.assign(1, '\0');  // `from` must not be empty
    }

    std::string_view file_;
    const Failure& fail_;
    std::size_t sectorSize_ = 512;
    std::uint32_t miniCutoff_ = 4096;
    std::vector<std::uint32_t> fat_, miniFat_;
    std::string directory_, miniStream_;
    bool miniLoaded_ = false;
};

// ---- BIFF8 records ------------------------------------------------------------------------

enum : std::uint16_t {
    kFormula = 0x0006,
    kEof = 0x000A,
    kFilePass = 0x002F,
    kContinue = 0x003C,
    kBoundSheet = 0x0085,
    kMulRk = 0x00BD,
    kMulBlank = 0x00BE,
    kRString = 0x00D6,
    kSst = 0x00FC,
    kLabelSst = 0x00FD,
    kBlank = 0x0201,
    kNumber = 0x0203,
    kLabel = 0x0204,
    kBoolErr = 0x0205,
    kString = 0x0207,
    kRk = 0x027E,
    kBof = 0x0809,
};

struct Record {
    std::uint16_t type = 0;
    std::string_view data;
};

class Records {
public:
    Records(std::string_view stream, std::size_t at, const Failure& fail)
        : stream_(stream), at_(at), fail_(fail) {}
    // The next record, or false at the end of the stream.
    bool next(Record& r) {
        if (at_ + 4 > stream_.size()) return false;
        r.type = u16(stream_, at_);
        const std::size_t length = u16(stream_, at_ + 2);
        if (at_ + 4 + length > stream_.size()) fail_("it is truncated (a record is cut off)");
        r.data = stream_.substr(at_ + 4, length);
        at_ += 4 + length;
        return true;
    }
    // The record after the current one has this type (a CONTINUE).
    bool nextIs(std::uint16_t type) const {
        return at_ + 4 <= stream_.size() && u16(stream_, at_) == type;
    }

private:
    std::string_view stream_;
    std::size_t at_;
    const Failure& fail_;
};

// Reads across a record and its CONTINUE records. Where the characters of a string cross into
// a CONTINUE record, that record begins with a fresh option byte (compressed or UTF-16).
class Segments {
public:
    explicit Segments(const Failure& fail) : fail_(fail) {}
    void add(std::string_view data) { parts_.push_back(data); }
    bool atEnd() {
        while (part_ < parts_.size() && pos_ >= parts_[part_].size()) advance();
        return part_ >= parts_.size();
    }
    std::uint8_t byte() {
        if (atEnd()) fail_("it is truncated (a string is cut off)");
        return std::uint8_t(parts_[part_][pos_++]);
    }
    std::uint16_t word() { return std::uint16_t(byte() | byte() << 8); }
    std::uint32_t dword() { return std::uint32_t(word()) | std::uint32_t(word()) << 16; }
    void skip(std::size_t n) {
        while (n > 0) {
            if (atEnd()) fail_("it is truncated (a string is cut off)");
            const std::size_t take = std::min(n, parts_[part_].size() - pos_);
            pos_ += take;
            n -= take;
        }
    }

    // An XLUnicodeRichExtendedString (the shared strings' and LABEL's form of text).
    std::string string(bool rich = true) {
        const std::size_t count = word();
        std::uint8_t flags = byte();
        std::size_t runs = 0, ext = 0;
        if (rich && (flags & 0x08)) runs = word();
        if (rich && (flags & 0x04)) ext = dword();
        std::string text;
        std::size_t left = count;
        char16_t pendingHigh = 0;
        while (left > 0) {
            if (pos_ >= currentSize()) {
                advance();
                if (part_ >= parts_.size()) fail_("it is truncated (a string is cut off)");
                flags = std::uint8_t(parts_[part_][pos_++]);  // the CONTINUE's option byte
                continue;
            }
            if (flags & 0x01) {
                if (pos_ + 2 > currentSize()) fail_("a string is damaged");
                const char16_t c = u16(parts_[part_], pos_);
                pos_ += 2;
                if (c >= 0xD800 && c <= 0xDBFF) {
                    if (pendingHigh) appendUtf8(text, 0xFFFD);
                    pendingHigh = c;
                } else if (c >= 0xDC00 && c <= 0xDFFF) {
                    appendUtf8(text, pendingHigh
                                         ? 0x10000 + ((pendingHigh - 0xD800) << 10) + (c - 0xDC00)
                                         : 0xFFFD);
                    pendingHigh = 0;
                } else {
                    if (pendingHigh) appendUtf8(text, 0xFFFD);
                    pendingHigh = 0;
                    appendUtf8(text, c);
                }
            } else {
                if (pendingHigh) appendUtf8(text, 0xFFFD);
                pendingHigh = 0;
                appendUtf8(text, std::uint8_t(parts_[part_][pos_++]));
            }
            --left;
        }
        if (pendingHigh) appendUtf8(text, 0xFFFD);
        skip(4 * runs);
        skip(ext);
        return text;
    }

private:
    std::size_t currentSize() const { return part_ < parts_.size() ? parts_[part_].size() : 0; }
    void advance() {
        ++part_;
        pos_ = 0;
    }

    const Failure& fail_;
    std::vector<std::string_view> parts_;
    std::size_t part_ = 0, pos_ = 0;
};

double rkValue(std::uint32_t rk) {
    double v;
    if (rk & 0x02) {
        v = double(std::int32_t(rk) >> 2);
    } else {
        const std::uint64_t bits = std::uint64_t(rk & 0xFFFFFFFCu) << 32;
        std::memcpy(&v, &bits, sizeof v);
    }
    return (rk & 0x01) ? v / 100 : v;
}

void readSharedStrings(Records& records, const Record& sst, Sheet& sheet, const Failure& fail) {
    Segments in(fail);
    in.add(sst.data);
    Record r;
    while (records.nextIs(kContinue) && records.next(r)) in.add(r.data);
    if (sst.data.size() < 8) fail("its shared strings are damaged");
    in.skip(4);
    const std::uint32_t unique = in.dword();
    for (std::uint32_t i = 0; i < unique && !in.atEnd(); ++i) sheet.addSharedText(in.string());
}

void readCells(Records& records, Sheet& sheet, const Failure& fail) {
    Record r;
    if (!records.next(r) || r.type != kBof) fail("its first sheet is damaged (no BOF)");
    int pendingRow = -1, pendingColumn = -1;  // a formula whose text follows in STRING
    auto need = [&](std::size_t n) {
        if (r.data.size() < n) fail("a cell record is too short");
    };
    auto number = [&](int row, int column, double v) {
        if (!std::isfinite(v)) fail("a cell holds no number");
        sheet.addNumber(row, column, v);
    };
    bool ended = false;
    while (records.next(r)) {
        if (r.type == kEof) {
            ended = true;
            break;
        }
        if (r.type == kBof) fail("its first sheet is damaged (a nested BOF)");
        if (r.type == kString) {
            Segments in(fail);
            in.add(r.data);
            Record c;
            while (records.nextIs(kContinue) && records.next(c)) in.add(c.data);
            if (pendingRow >= 0) sheet.addText(pendingRow, pendingColumn, in.string(false));
            pendingRow = -1;
            continue;
        }
        if (r.type != kNumber && r.type != kRk && r.type != kMulRk && r.type != kLabelSst &&
            r.type != kLabel && r.type != kRString && r.type != kBoolErr && r.type != kFormula &&
            r.type != kBlank && r.type != kMulBlank) {
            continue;
        }
        need(6);
        const int row = u16(r.data, 0) + 1;
        const int column = u16(r.data, 2) + 1;
        switch (r.type) {
            case kNumber:
                need(14);
                number(row, column, f64(r.data, 6));
                break;
            case kRk:
                need(10);
                number(row, column, rkValue(u32(r.data, 6)));
                break;
            case kMulRk: {
                const std::size_t count = (r.data.size() - 6) / 6;
                for (std::size_t i = 0; i < count; ++i) {
                    number(row, column + int(i), rkValue(u32(r.data, 4 + 6 * i + 2)));
                }
                break;
            }
            case kBlank:
                sheet.addBlank(row, column);
                break;
            case kMulBlank: {
                const std::size_t count = (r.data.size() - 6) / 2;
                for (std::size_t i = 0; i < count; ++i) sheet.addBlank(row, column + int(i));
                break;
            }
            case kLabelSst:
                need(10);
                sheet.addSharedTextCell(row, column, u32(r.data, 6));
                break;
            case kLabel:
            case kRString: {
                Segments in(fail);
                in.add(r.data.substr(6));
                sheet.addText(row, column, in.string(false));
                break;
            }
            case kBoolErr:
                need(8);
                if (r.data[7]) {
                    sheet.addBlank(row, column);  // an error value
                } else {
                    sheet.addBoolean(row, column, r.data[6] != 0);
                }
                break;
            case kFormula: {
                need(14);
                if (u16(r.data, 12) != 0xFFFF) {
                    number(row, column, f64(r.data, 6));
                    break;
                }
                switch (std::uint8_t(r.data[6])) {
                    case 0:  // the text is in the STRING record that follows
                        pendingRow = row;
                        pendingColumn = column;
                        sheet.addBlank(row, column);
                        break;
                    case 1:
                        sheet.addBoolean(row, column, r.data[8] != 0);
                        break;
                    case 3:
                        sheet.addText(row, column, "");
                        break;
                    default:
                        sheet.addBlank(row, column);
                        break;  // an error value
                }
                break;
            }
        }
    }
    if (!ended) fail("it is truncated (the first sheet ends early)");
}

}  // namespace

namespace {

Sheet readXlsUnchecked(std::string_view bytes, const std::string& name) {
    const Failure fail(name);
    CompoundFile file(bytes, fail);
    const auto entries = file.entries();
    const CompoundFile::Entry* workbook = nullptr;
    for (const auto& e : entries) {
        if (e.name == "EncryptionInfo" || e.name == "EncryptedPackage") {
            fail("it is password-protected; save it without a password and try again");
        }
        if (e.type == 2 && (e.name == "Workbook" || e.name == "Book")) workbook = &e;
    }
    if (!workbook) fail("it is not an Excel workbook (no workbook stream)");
    if (workbook->name == "Book") fail("it is an Excel 5.0/95 workbook; save it as .xlsx or .xls");
    const std::string stream = file.stream(*workbook);

    Records globals(stream, 0, fail);
    Record r;
    if (!globals.next(r) || r.type != kBof || r.data.size() < 4) {
        fail("its workbook stream is damaged (no BOF)");
    }
    if (u16(r.data, 0) != 0x0600) {
        fail("it is not an Excel 97-2003 workbook; save it as .xlsx or .xls");
    }
    Sheet sheet;
    std::int64_t firstSheet = -1;
    bool ended = false;
    while (globals.next(r)) {
        if (r.type == kEof) {
            ended = true;
            break;
        }
        if (r.type == kFilePass) {
            fail("it is password-protected; save it without a password and try again");
        } else if (r.type == kBoundSheet && r.data.size() >= 6) {
            if (firstSheet < 0 && std::uint8_t(r.data[5]) == 0) firstSheet = u32(r.data, 0);
        } else if (r.type == kSst) {
            readSharedStrings(globals, r, sheet, fail);
        }
    }
    if (!ended) fail("it is truncated (the workbook globals end early)");
    if (firstSheet < 0) fail("the workbook has no worksheet");
    if (std::size_t(firstSheet) >= stream.size())
        fail("it is truncated (the first sheet is missing)");
    Records cells(stream, std::size_t(firstSheet), fail);
    readCells(cells, sheet, fail);
    sheet.finish();
    return sheet;
}

}  // namespace

Sheet readXlsBytes(std::string_view bytes, const std::string& name) {
    try {
        return readXlsUnchecked(bytes, name);
    } catch (const SheetError& e) {
        // The sheet's own checks (a cell outside the sheet, an unknown shared text) know no
        // file name.
        const std::string what = e.what();
        if (what.starts_with("Cannot read ")) throw;
        throw SheetError("Cannot read " + name + ": " + what);
    }
}

}  // namespace intake
