#include "fixtures.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <stdexcept>

namespace fixtures {
namespace {

std::string escape(const std::string& s) {
    std::string out;
    for (char c : s) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

// Cell text in ODF paragraphs: blanks would collapse, so each is written as <text:s/>; tabs
// as <text:tab/>; a line feed starts a new paragraph.
std::string paragraphs(const std::string& s) {
    std::string out = "<text:p>";
    for (char c : s) {
        if (c == ' ') {
            out += "<text:s/>";
        } else if (c == '\t') {
            out += "<text:tab/>";
        } else if (c == '\n') {
            out += "</text:p><text:p>";
        } else {
            out += escape(std::string(1, c));
        }
    }
    return out + "</text:p>";
}

std::string number(double v) {
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.17g", v);
    return buffer;
}

std::string cell(const Value& v) {
    struct {
        std::string operator()(std::monostate) const { return "<table:table-cell/>"; }
        std::string operator()(double d) const {
            return "<table:table-cell office:value-type=\"float\" office:value=\"" + number(d) +
                   "\"/>";
        }
        std::string operator()(const std::string& s) const {
            return "<table:table-cell office:value-type=\"string\">" + paragraphs(s) +
                   "</table:table-cell>";
        }
        std::string operator()(const Date& d) const {
            return "<table:table-cell office:value-type=\"date\" office:date-value=\"" + d.iso +
                   "\"/>";
        }
        std::string operator()(const Formula& f) const {
            std::string c = "<table:table-cell table:formula=\"" + escape(f.formula) + "\" ";
            if (!f.text.empty()) {
                return c + "office:value-type=\"string\" office:string-value=\"" + escape(f.text) +
                       "\">" + paragraphs(f.text) + "</table:table-cell>";
            }
            return c + "office:value-type=\"float\" office:value=\"" + number(f.number) + "\"/>";
        }
        std::string operator()(const Boolean& b) const {
            return std::string(
                       "<table:table-cell office:value-type=\"boolean\" "
                       "office:boolean-value=\"") +
                   (b.value ? "true" : "false") + "\"/>";
        }
    } visitor;
    return std::visit(visitor, v);
}

std::string fods(const Book& book) {
    std::ostringstream out;
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<office:document xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
           "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
           "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" "
           "xmlns:of=\"urn:oasis:names:tc:opendocument:xmlns:of:1.2\" office:version=\"1.2\" "
           "office:mimetype=\"application/vnd.oasis.opendocument.spreadsheet\">"
           "<office:body><office:spreadsheet>\n";
    for (const SheetSpec& sheet : book.sheets) {
        out << "<table:table table:name=\"" << escape(sheet.name) << "\">";
        if (sheet.rows.empty()) out << "<table:table-row><table:table-cell/></table:table-row>";
        if (sheet.firstRow > 1) {
            out << "<table:table-row table:number-rows-repeated=\"" << sheet.firstRow - 1
                << "\"><table:table-cell/></table:table-row>";
        }
        for (const auto& row : sheet.rows) {
            out << "<table:table-row>";
            if (sheet.firstColumn > 1) {
                out << "<table:table-cell table:number-columns-repeated=\"" << sheet.firstColumn - 1
                    << "\"/>";
            }
            for (const Value& v : row) out << cell(v);
            out << "</table:table-row>\n";
        }
        out << "</table:table>\n";
    }
    out << "</office:spreadsheet></office:body></office:document>\n";
    return out.str();
}

}  // namespace

std::string soffice() {
    for (const char* candidate : {"/usr/bin/soffice", "/usr/lib/libreoffice/program/soffice"}) {
        if (std::filesystem::exists(candidate)) return candidate;
    }
    return {};
}

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void writeFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string make(const std::filesystem::path& dir, const std::vector<Book>& books) {
    const std::string program = soffice();
    if (program.empty()) return "LibreOffice (soffice) is not installed";
    std::filesystem::create_directories(dir);
    std::string inputs;
    for (const Book& book : books) {
        const auto path = dir / (book.name + ".fods");
        writeFile(path, fods(book));
        inputs += " '" + path.string() + "'";
    }
    const std::string profile = "file://" + (dir / "profile").string();
    for (const char* format : {"xlsx", "xls"}) {
        const std::string command = "'" + program + "' -env:UserInstallation=" + profile +
                                    " --headless --norestore --convert-to " + format +
                                    " --outdir '" + dir.string() + "'" + inputs + " > '" +
                                    (dir / "soffice.log").string() + "' 2>&1";
        if (std::system(command.c_str()) != 0) {
            return "soffice failed: " + readFile(dir / "soffice.log");
        }
        for (const Book& book : books) {
            if (!std::filesystem::exists(dir / (book.name + "." + format))) {
                return "soffice wrote no " + book.name + "." + format + ": " +
                       readFile(dir / "soffice.log");
            }
        }
    }
    return {};
}

std::filesystem::path makeCached(const std::filesystem::path& cacheDir,
                                 const std::vector<Book>& books) {
    std::string all;
    for (const Book& book : books) all += book.name + '\n' + fods(book);
    const auto final = cacheDir / std::to_string(std::hash<std::string>()(all));
    if (std::filesystem::exists(final)) return final;
    std::filesystem::create_directories(cacheDir);
    std::string pattern = (cacheDir / "making_XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot create " + pattern);
    const std::filesystem::path making = pattern;
    const std::string error = make(making, books);
    if (!error.empty()) {
        std::filesystem::remove_all(making);
        throw std::runtime_error(error);
    }
    std::filesystem::remove_all(making / "profile");
    std::error_code ec;
    std::filesystem::rename(making, final, ec);
    if (ec) std::filesystem::remove_all(making);  // another process was first
    return final;
}

}  // namespace fixtures
