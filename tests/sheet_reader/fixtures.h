#pragma once
// Workbooks written by another program: the test describes each sheet's cells, writes them as
// a flat OpenDocument spreadsheet, and LibreOffice (headless) converts them to .xlsx and .xls,
// all files of a format in one run, with a private profile so that it starts fast and leaves
// the user's own alone.
#include <filesystem>
#include <string>
#include <variant>
#include <vector>

namespace fixtures {

struct Date {
    std::string iso;  // "2024-01-31"
};
struct Formula {
    std::string formula;  // OpenFormula, "of:=1+1"
    std::string text;     // the result when it is a text, else empty
    double number = 0;
};
struct Boolean {
    bool value;
};
using Value = std::variant<std::monostate, double, std::string, Date, Formula, Boolean>;

struct SheetSpec {
    std::string name = "Sheet1";
    int firstRow = 1;     // where rows[0][0] goes, from 1
    int firstColumn = 1;  // from 1
    std::vector<std::vector<Value>> rows;
};

struct Book {
    std::string name;  // file name without extension
    std::vector<SheetSpec> sheets;
};

// The path of the program, or empty when LibreOffice is not installed.
std::string soffice();

// Writes `books` as .fods into `dir` and converts them to .xlsx and .xls there. Returns an
// error text, or empty on success.
std::string make(const std::filesystem::path& dir, const std::vector<Book>& books);

// The same, kept under `cacheDir` for the next test process: ctest runs each test in a
// process of its own, and LibreOffice takes seconds to start. The folder is named after the
// books' content; it is made under another name and renamed when complete, so that processes
// running at once never see half of it. Returns the folder, or throws std::runtime_error.
std::filesystem::path makeCached(const std::filesystem::path& cacheDir,
                                 const std::vector<Book>& books);

// Bytes of a file.
std::string readFile(const std::filesystem::path& path);
void writeFile(const std::filesystem::path& path, const std::string& bytes);

}  // namespace fixtures
