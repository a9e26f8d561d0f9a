// .xlsx: a zip of XML parts. The parts are streamed from the archive in chunks, through our
// own scanner of plain XML and through expat when the scanner leaves a part to it, so a sheet
// of millions of cells never sits in memory as XML; only its values are kept.
#include <expat.h>
#include <zip.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <map>
#include <memory>
#include <optional>

#include "spreadsheet_intake/reader/Sheet.h"
#include "spreadsheet_intake/reader/XmlScan.h"

namespace intake {
namespace {

// A cell's text can be no longer than 32,767 characters; past this many bytes a part is not
// something a spreadsheet program wrote, and reading on would only fill memory.
constexpr std::size_t kMaxCollectedText = 1 << 20;

// The name without its namespace prefix; one pass, as it runs for every element.
std::string_view localName(const char* name) {
    const char* start = name;
    const char* p = name;
    for (; *p; ++p) {
        if (*p == ':') start = p + 1;
    }
    return std::string_view(start, std::size_t(p - start));
}

// The attribute `local` (any namespace prefix), or null.
const char* attribute(const char** attrs, std::string_view local, bool prefixed = false) {
    for (int i = 0; attrs[i]; i += 2) {
        std::string_view n(attrs[i]);
        const bool hasPrefix = n.find(':') != std::string_view::npos;
        if (localName(attrs[i]) == local && hasPrefix == prefixed) return attrs[i + 1];
    }
    return nullptr;
}

class Archive {
public:
    Archive(const std::string& name, zip_t* zip) : name_(name), zip_(zip) {}
    ~Archive() { zip_discard(zip_); }
    Archive(const Archive&) = delete;
    Archive& operator=(const Archive&) = delete;

    bool has(const std::string& part) const { return locate(part).has_value(); }

    // Streams `part` into `handler`: through the plain-XML scanner, and again through expat
    // when the scanner leaves the part to it.
    void parse(const std::string& part, XmlHandler& handler) const {
        const auto index = locate(part);
        if (!index) fail("its part " + part + " is missing");
        {
            const auto file = open(part, *index);
            struct ReadFailed {};
            const XmlSource source = [&](char* buffer, std::size_t size) {
                const zip_int64_t got = zip_fread(file.get(), buffer, size);
                if (got < 0) throw ReadFailed{};
                return std::size_t(got);
            };
            try {
                if (scanPlainXml(source, handler)) return;
            } catch (const ReadFailed&) {
                damaged(part, file.get());
            } catch (const std::exception& e) {
                fail(e.what());  // the handler's, as from expat below
            }
        }
        handler.reset();
        parseWithExpat(part, *index, handler);
    }

    [[noreturn]] void fail(const std::string& why) const {
        throw SheetError("Cannot read " + name_ + ": " + why);
    }

private:
    using File = std::unique_ptr<zip_file_t, int (*)(zip_file_t*)>;

    File open(const std::string& part, zip_uint64_t index) const {
        File file(zip_fopen_index(zip_, index, 0), zip_fclose);
        if (!file) fail("its part " + part + " cannot be opened (" + zip_strerror(zip_) + ")");
        return file;
    }

    [[noreturn]] void damaged(const std::string& part, zip_file_t* file) const {
        fail("its part " + part + " is damaged (" + zip_error_strerror(zip_file_get_error(file)) +
             ")");
    }

    void parseWithExpat(const std::string& part, zip_uint64_t index, XmlHandler& handler) const {
        const auto file = open(part, index);
        std::unique_ptr<XML_ParserStruct, void (*)(XML_Parser)> parser(XML_ParserCreate(nullptr),
                                                                       XML_ParserFree);
        if (!parser) throw std::bad_alloc();
        struct Context {
            XmlHandler* handler;
            std::string error;  // an exception from a callback, rethrown after expat returns
            XML_Parser parser;
        } context{&handler, {}, parser.get()};
        XML_SetUserData(parser.get(), &context);
        XML_SetElementHandler(
            parser.get(),
            [](void* data, const XML_Char* name, const XML_Char** attrs) {
                auto* c = static_cast<Context*>(data);
                try {
                    c->handler->start(localName(name), attrs);
                } catch (const std::exception& e) {
                    c->error = e.what();
                    XML_StopParser(c->parser, XML_FALSE);
                }
            },
            [](void* data, const XML_Char* name) {
                auto* c = static_cast<Context*>(data);
                try {
                    c->handler->end(localName(name));
                } catch (const std::exception& e) {
                    c->error = e.what();
                    XML_StopParser(c->parser, XML_FALSE);
                }
            });
        XML_SetCharacterDataHandler(parser.get(), [](void* data, const XML_Char* s, int len) {
            auto* c = static_cast<Context*>(data);
            try {
                c->handler->text(std::string_view(s, std::size_t(len)));
            } catch (const std::exception& e) {
                c->error = e.what();
                XML_StopParser(c->parser, XML_FALSE);
            }
        });
        constexpr int kChunk = 1 << 16;
        for (;;) {
            void* buffer = XML_GetBuffer(parser.get(), kChunk);
            if (!buffer) throw std::bad_alloc();
            const zip_int64_t got = zip_fread(file.get(), buffer, kChunk);
            if (got < 0) damaged(part, file.get());
            const bool last = got == 0;
            if (XML_ParseBuffer(parser.get(), int(got), last) == XML_STATUS_ERROR) {
                if (!context.error.empty()) fail(context.error);
                fail("its part " + part + " is not well-formed XML (" +
                     XML_ErrorString(XML_GetErrorCode(parser.get())) + ", line " +
                     std::to_string(XML_GetCurrentLineNumber(parser.get())) + ")");
            }
            if (last) break;
        }
    }

    std::optional<zip_uint64_t> locate(const std::string& part) const {
        // Part names compare without case in the package format.
        const zip_int64_t i = zip_name_locate(zip_, part.c_str(), ZIP_FL_NOCASE);
        if (i < 0) return std::nullopt;
        return zip_uint64_t(i);
    }

    std::string name_;
    zip_t* zip_;
};

struct Relationship {
    std::string type;
    std::string target;  // resolved to a part name
};

// The folder of a part name, with its slash ("xl/" of "xl/workbook.xml").
std::string folderOf(const std::string& part) {
    const auto slash = part.rfind('/');
    return slash == std::string::npos ? std::string() : part.substr(0, slash + 1);
}

// A relationship's target, relative to the source part's folder or absolute from the root.
std::string resolveTarget(const std::string& sourceFolder, std::string target) {
    std::string path = target.starts_with('/') ? target.substr(1) : sourceFolder + target;
    std::vector<std::string> segments;
    std::size_t start = 0;
    while (start <= path.size()) {
        auto slash = path.find('/', start);
        if (slash == std::string::npos) slash = path.size();
        std::string segment = path.substr(start, slash - start);
        if (segment == "..") {
            if (!segments.empty()) segments.pop_back();
        } else if (!segment.empty() && segment != ".") {
            segments.push_back(std::move(segment));
        }
        start = slash + 1;
    }
    std::string resolved;
    for (const auto& s : segments) resolved += (resolved.empty() ? "" : "/") + s;
    return resolved;
}

std::string relsPartOf(const std::string& part) {
    const auto folder = folderOf(part);
    return folder + "_rels/" + part.substr(folder.size()) + ".rels";
}

bool typeIs(const std::string& type, std::string_view suffix) {
    return type.size() >= suffix.size() &&
           std::string_view(type).substr(type.size() - suffix.size()) == suffix;
}

class RelationshipsHandler : public XmlHandler {
public:
    explicit RelationshipsHandler(std::string sourceFolder) : folder_(std::move(sourceFolder)) {}
    void start(std::string_view name, const char** attrs) override {
        if (name != "Relationship") return;
        const char* id = attribute(attrs, "Id");
        const char* type = attribute(attrs, "Type");
        const char* target = attribute(attrs, "Target");
        const char* mode = attribute(attrs, "TargetMode");
        if (!id || !type || !target || (mode && std::string_view(mode) == "External")) return;
        byId[id] = Relationship{type, resolveTarget(folder_, target)};
    }
    void end(std::string_view) override {}
    void reset() override { byId.clear(); }
    std::map<std::string, Relationship> byId;

private:
    std::string folder_;
};

class WorkbookHandler : public XmlHandler {
public:
    void start(std::string_view name, const char** attrs) override {
        if (name != "sheet") return;
        if (const char* id = attribute(attrs, "id", true)) sheetIds.emplace_back(id);
    }
    void end(std::string_view) override {}
    void reset() override { sheetIds.clear(); }
    std::vector<std::string> sheetIds;  // in the workbook's tab order
};

// Shared strings: each <si> is a plain <t> or rich-text runs <r><t>; phonetic guides <rPh>
// are not part of the cell's text.
class SharedStringsHandler : public XmlHandler {
public:
    explicit SharedStringsHandler(Sheet& sheet) : sheet_(sheet), mark_(sheet.mark()) {}
    void reset() override {
        sheet_.rollBack(mark_);
        current_.clear();
        inItem_ = inText_ = false;
        phonetic_ = 0;
    }
    void start(std::string_view name, const char**) override {
        if (name == "si") {
            inItem_ = true;
            current_.clear();
        } else if (name == "rPh") {
            ++phonetic_;
        } else if (name == "t" && inItem_ && phonetic_ == 0) {
            inText_ = true;
        }
    }
    void end(std::string_view name) override {
        if (name == "si") {
            sheet_.addSharedText(std::move(current_));
            current_ = std::string();
            inItem_ = false;
        } else if (name == "rPh") {
            if (phonetic_ > 0) --phonetic_;
        } else if (name == "t") {
            inText_ = false;
        }
    }
    void text(std::string_view s) override {
        if (!inText_) return;
        if (current_.size() + s.size() > kMaxCollectedText) {
            throw SheetError("a shared text is longer than any cell can hold");
        }
        current_ += s;
    }

private:
    Sheet& sheet_;
    Sheet::Mark mark_;
    std::string current_;
    bool inItem_ = false, inText_ = false;
    int phonetic_ = 0;
};

// Days from 1970-01-01 of a civil date (proleptic Gregorian).
long long daysFromCivil(long long y, unsigned m, unsigned d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = unsigned(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + (long long)doe - 719468;
}

// An ISO 8601 date-time cell (t="d") as the serial day number the spreadsheet application
// shows for it (days since 1899-12-30), or nothing when it is not one.
std::optional<double> isoDateSerial(std::string_view s) {
    int y = 0, mo = 0, d = 0, h = 0, mi = 0;
    double sec = 0;
    auto num = [&](std::size_t pos, std::size_t len, int& out) {
        if (pos + len > s.size()) return false;
        auto r = std::from_chars(s.data() + pos, s.data() + pos + len, out);
        return r.ec == std::errc() && r.ptr == s.data() + pos + len;
    };
    if (!num(0, 4, y) || s.size() < 10 || s[4] != '-' || !num(5, 2, mo) || s[7] != '-' ||
        !num(8, 2, d) || mo < 1 || mo > 12 || d < 1 || d > 31) {
        return std::nullopt;
    }
    if (s.size() > 10) {
        if (s[10] != 'T' || !num(11, 2, h) || s.size() < 16 || s[13] != ':' || !num(14, 2, mi)) {
            return std::nullopt;
        }
        if (s.size() > 16) {
            if (s[16] != ':') return std::nullopt;
            auto r = std::from_chars(s.data() + 17, s.data() + s.size(), sec);
            if (r.ec != std::errc() || (r.ptr != s.data() + s.size() && *r.ptr != 'Z')) {
                return std::nullopt;
            }
        }
    }
    const long long days =
        daysFromCivil(y, unsigned(mo), unsigned(d)) - daysFromCivil(1899, 12, 30);
    return double(days) + (h * 3600.0 + mi * 60.0 + sec) / 86400.0;
}

// "B3" as row 3, column 2.
bool parseReference(std::string_view ref, int& row, int& column) {
    std::size_t i = 0;
    long c = 0, r = 0;
    while (i < ref.size() && ref[i] >= 'A' && ref[i] <= 'Z' && c <= Sheet::kMaxColumns) {
        c = c * 26 + (ref[i] - 'A' + 1);
        ++i;
    }
    if (i == 0 || i == ref.size()) return false;
    while (i < ref.size() && ref[i] >= '0' && ref[i] <= '9' && r <= Sheet::kMaxRows) {
        r = r * 10 + (ref[i] - '0');
        ++i;
    }
    if (i != ref.size() || r < 1 || r > Sheet::kMaxRows || c > Sheet::kMaxColumns) return false;
    row = int(r);
    column = int(c);
    return true;
}

class WorksheetHandler : public XmlHandler {
public:
    explicit WorksheetHandler(Sheet& sheet) : sheet_(sheet), mark_(sheet.mark()) {}

    void reset() override {
        sheet_.rollBack(mark_);
        inData_ = inValue_ = inInline_ = hasValue_ = false;
        phonetic_ = 0;
        row_ = column_ = cellRow_ = 0;
        type_ = Type::Number;
        unknownType_.clear();
        value_.clear();
    }

    void start(std::string_view name, const char** attrs) override {
        if (!inData_) {
            if (name == "sheetData") {
                inData_ = true;
            } else if (name == "dimension") {
                reserveFor(attribute(attrs, "ref"));
            }
            return;
        }
        // Cells and values first: they are nearly all of a sheet's elements.
        if (name == "v") {
            inValue_ = true;
            hasValue_ = true;
        } else if (name == "c") {
            startCell(attrs);
        } else if (name == "row") {
            const char* r = attribute(attrs, "r");
            int number = row_ + 1;
            if (r) {
                std::string_view s(r);
                auto res = std::from_chars(s.data(), s.data() + s.size(), number);
                if (res.ec != std::errc() || res.ptr != s.data() + s.size()) {
                    throw SheetError(std::string("a row has the number \"") + r + "\"");
                }
            }
            if (number < 1 || number > Sheet::kMaxRows) {
                throw SheetError("a row number lies outside the sheet");
            }
            row_ = number;
            column_ = 0;
        } else if (name == "is") {
            inInline_ = true;
            hasValue_ = true;
        } else if (name == "rPh") {
            ++phonetic_;
        } else if (name == "t" && inInline_ && phonetic_ == 0) {
            inValue_ = true;
        }
    }

    void end(std::string_view name) override {
        if (name == "sheetData") {
            inData_ = false;
        } else if (!inData_) {
            return;
        } else if (name == "v" || name == "t") {
            inValue_ = false;
        } else if (name == "is") {
            inInline_ = false;
        } else if (name == "rPh") {
            if (phonetic_ > 0) --phonetic_;
        } else if (name == "c") {
            store();
        }
    }

    void text(std::string_view s) override {
        if (!inValue_) return;
        if (value_.size() + s.size() > kMaxCollectedText) {
            throw SheetError("a cell's text is longer than any cell can hold");
        }
        value_ += s;
    }

private:
    // Cell attributes are never prefixed; one pass finds both.
    void startCell(const char** attrs) {
        const char* r = nullptr;
        const char* t = nullptr;
        for (int i = 0; attrs[i]; i += 2) {
            const char* n = attrs[i];
            if (n[0] == 'r' && n[1] == '\0') {
                r = attrs[i + 1];
            } else if (n[0] == 't' && n[1] == '\0') {
                t = attrs[i + 1];
            }
        }
        if (row_ == 0) row_ = 1;
        int row = row_, column = column_ + 1;
        if (r && !parseReference(std::string_view(r), row, column)) {
            throw SheetError(std::string("a cell has the reference \"") + r + "\"");
        }
        if (column > Sheet::kMaxColumns) throw SheetError("a cell lies outside the sheet");
        cellRow_ = row;
        column_ = column;
        type_ = typeOf(t);
        value_.clear();
        hasValue_ = false;
    }

    // The dimension is not trusted for the range, but saves growing the cell list step by
    // step when it is right; a wrong one costs at most this much memory.
    void reserveFor(const char* ref) {
        if (!ref) return;
        const std::string_view s(ref);
        const auto colon = s.find(':');
        if (colon == std::string_view::npos) return;
        int r1 = 0, c1 = 0, r2 = 0, c2 = 0;
        if (!parseReference(s.substr(0, colon), r1, c1) ||
            !parseReference(s.substr(colon + 1), r2, c2) || r2 < r1 || c2 < c1) {
            return;
        }
        constexpr double kMaxReserved = 1 << 23;  // 8M cells, 192 MB
        sheet_.reserveCells(
            std::size_t(std::min(kMaxReserved, double(r2 - r1 + 1) * (c2 - c1 + 1))));
    }

    enum class Type { Number, Shared, Formula, Inline, Boolean, Error, Date, Unknown };

    // The cell's t attribute; mostly one letter, so no string is made for it.
    Type typeOf(const char* t) {
        if (!t) return Type::Number;
        const std::string_view v(t);
        if (v == "n") return Type::Number;
        if (v == "s") return Type::Shared;
        if (v == "str") return Type::Formula;
        if (v == "inlineStr") return Type::Inline;
        if (v == "b") return Type::Boolean;
        if (v == "e") return Type::Error;
        if (v == "d") return Type::Date;
        unknownType_ = v;
        return Type::Unknown;
    }

    std::string typeName() const {
        switch (type_) {
            case Type::Number:
                return "n";
            case Type::Shared:
                return "s";
            case Type::Formula:
                return "str";
            case Type::Inline:
                return "inlineStr";
            case Type::Boolean:
                return "b";
            case Type::Error:
                return "e";
            case Type::Date:
                return "d";
            case Type::Unknown:
                break;
        }
        return unknownType_;
    }

    void store() {
        const int row = cellRow_, column = column_;
        if (!hasValue_ || type_ == Type::Error) {
            // A formatted blank, or an error value: inside the used range, empty.
            sheet_.addBlank(row, column);
        } else if (type_ == Type::Shared) {
            std::uint32_t index = 0;
            const std::string_view v = trimmed();
            auto r = std::from_chars(v.data(), v.data() + v.size(), index);
            if (r.ec != std::errc() || r.ptr != v.data() + v.size()) badValue(row, column);
            sheet_.addSharedTextCell(row, column, index);
        } else if (type_ == Type::Formula || type_ == Type::Inline) {
            sheet_.addText(row, column, value_);
        } else if (type_ == Type::Boolean) {
            const std::string_view v = trimmed();
            if (v != "0" && v != "1" && v != "true" && v != "false") badValue(row, column);
            sheet_.addBoolean(row, column, v == "1" || v == "true");
        } else if (type_ == Type::Date) {
            const auto serial = isoDateSerial(trimmed());
            if (!serial) badValue(row, column);
            sheet_.addNumber(row, column, *serial);
        } else if (type_ == Type::Number) {
            const std::string_view v = trimmed();
            if (v.empty()) {
                sheet_.addBlank(row, column);
                return;
            }
            double number = 0;
            auto r = std::from_chars(v.data(), v.data() + v.size(), number);
            if (r.ec != std::errc() || r.ptr != v.data() + v.size() || !std::isfinite(number)) {
                badValue(row, column);
            }
            sheet_.addNumber(row, column, number);
        } else {
            throw SheetError("cell " + columnLetters(column) + std::to_string(row) +
                             " has the unknown type \"" + unknownType_ + "\"");
        }
    }

    std::string_view trimmed() const {
        std::string_view v(value_);
        while (!v.empty() &&
               (v.front() == ' ' || v.front() == '\n' || v.front() == '\r' || v.front() == '\t')) {
            v.remove_prefix(1);
        }
        while (!v.empty() &&
               (v.back() == ' ' || v.back() == '\n' || v.back() == '\r' || v.back() == '\t')) {
            v.remove_suffix(1);
        }
        return v;
    }

    [[noreturn]] void badValue(int row, int column) const {
        std::string shown = value_.substr(0, 40);
        throw SheetError("cell " + columnLetters(column) + std::to_string(row) + " of type \"" +
                         typeName() + "\" holds \"" + shown + "\"");
    }

    Sheet& sheet_;
    Sheet::Mark mark_;
    bool inData_ = false, inValue_ = false, inInline_ = false, hasValue_ = false;
    int phonetic_ = 0;
    int row_ = 0, column_ = 0, cellRow_ = 0;
    Type type_ = Type::Number;
    std::string unknownType_, value_;
};

Sheet readArchive(const Archive& archive) {
    RelationshipsHandler packageRels("");
    if (archive.has("_rels/.rels")) archive.parse("_rels/.rels", packageRels);
    std::string workbook = "xl/workbook.xml";
    for (const auto& [id, rel] : packageRels.byId) {
        if (typeIs(rel.type, "/officeDocument")) workbook = rel.target;
    }
    if (!archive.has(workbook)) archive.fail("it is not an Excel workbook (no workbook part)");
    WorkbookHandler book;
    archive.parse(workbook, book);
    RelationshipsHandler bookRels(folderOf(workbook));
    const std::string bookRelsPart = relsPartOf(workbook);
    if (archive.has(bookRelsPart)) archive.parse(bookRelsPart, bookRels);

    std::string worksheet;
    for (const auto& id : book.sheetIds) {
        auto it = bookRels.byId.find(id);
        if (it != bookRels.byId.end() && typeIs(it->second.type, "/worksheet")) {
            worksheet = it->second.target;
            break;
        }
    }
    if (worksheet.empty()) archive.fail("the workbook has no worksheet");

    Sheet sheet;
    for (const auto& [id, rel] : bookRels.byId) {
        if (typeIs(rel.type, "/sharedStrings")) {
            SharedStringsHandler strings(sheet);
            archive.parse(rel.target, strings);
            break;
        }
    }
    WorksheetHandler cells(sheet);
    archive.parse(worksheet, cells);
    sheet.finish();
    return sheet;
}

[[noreturn]] void openFailed(const std::string& name, zip_error_t* error) {
    const int code = zip_error_code_zip(error);
    std::string why =
        code == ZIP_ER_NOZIP || code == ZIP_ER_INCONS
            ? "it is truncated or damaged (" + std::string(zip_error_strerror(error)) + ")"
            : std::string(zip_error_strerror(error));
    zip_error_fini(error);
    throw SheetError("Cannot read " + name + ": " + why);
}

}  // namespace

Sheet readXlsx(const std::string& path) {
    int code = 0;
    zip_t* zip = zip_open(path.c_str(), ZIP_RDONLY, &code);
    if (!zip) {
        zip_error_t error;
        zip_error_init_with_code(&error, code);
        openFailed(path, &error);
    }
    Archive archive(path, zip);
    return readArchive(archive);
}

Sheet readXlsxBytes(std::string_view bytes, const std::string& name) {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
    if (!source) openFailed(name, &error);
    zip_t* zip = zip_open_from_source(source, ZIP_RDONLY, &error);
    if (!zip) {
        zip_source_free(source);
        openFailed(name, &error);
    }
    zip_error_fini(&error);
    Archive archive(name, zip);
    return readArchive(archive);
}

}  // namespace intake
