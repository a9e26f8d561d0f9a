// Golden-file language tests: each tests/tsqlite/golden/input/NAME.sql runs through the tsqlite
// shell on a fresh server, and the output must equal tests/tsqlite/golden/expected/NAME.out,
// which holds what sqlcmd prints for the same script against SQL Server.
//
// The shell runs with -W -s "|" so the files do not depend on column widths.
//
// On a mismatch the actual output is written to golden-actual/NAME.out beside the shell binary
// and a line diff is printed. GOLDEN_UPDATE=1 rewrites the expected files from the actual output
// instead (review the result with git diff: the expected files state what SQL Server prints,
// not what the engine happens to print).
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

fs::path goldenDir() {
    return fs::path(TSQLITE_TEST_DATA_DIR).parent_path() / "golden";
}

std::vector<std::string> goldenNames() {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(goldenDir() / "input", ec))
        if (entry.is_regular_file() && entry.path().extension() == ".sql")
            names.push_back(entry.path().stem().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string readFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void writeFile(const fs::path& p, const std::string& text) {
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << text;
}

std::string shellQuote(const std::string& s) {
    std::string q = "'";
    for (char c : s) {
        if (c == '\'')
            q += "'\\''";
        else
            q += c;
    }
    return q + "'";
}

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::string::size_type start = 0;
    while (start < text.size()) {
        auto nl = text.find('\n', start);
        if (nl == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, nl - start));
        start = nl + 1;
    }
    return lines;
}

// A unified-style line diff (longest common subsequence), with a few lines of context around
// each change and the line numbers of both files in the hunk headers.
std::string lineDiff(const std::string& expected, const std::string& actual) {
    const std::vector<std::string> a = splitLines(expected), b = splitLines(actual);
    const std::size_t n = a.size(), m = b.size();
    std::vector<std::vector<unsigned>> lcs(n + 1, std::vector<unsigned>(m + 1, 0));
    for (std::size_t i = n; i-- > 0;)
        for (std::size_t j = m; j-- > 0;)
            lcs[i][j] =
                a[i] == b[j] ? lcs[i + 1][j + 1] + 1 : std::max(lcs[i + 1][j], lcs[i][j + 1]);

    struct Line {
        char tag;  // ' ', '-' or '+'
        std::size_t ai, bi;
    };
    std::vector<Line> script;
    std::size_t i = 0, j = 0;
    while (i < n || j < m) {
        if (i < n && j < m && a[i] == b[j]) {
            script.push_back({' ', i++, j++});
        } else if (i < n && (j == m || lcs[i + 1][j] >= lcs[i][j + 1])) {
            script.push_back({'-', i++, j});
        } else {
            script.push_back({'+', i, j++});
        }
    }

    const std::size_t context = 3;
    std::string out = "--- expected\n+++ actual\n";
    std::size_t k = 0;
    while (k < script.size()) {
        if (script[k].tag == ' ') {
            ++k;
            continue;
        }
        std::size_t begin = k >= context ? k - context : 0, end = k;
        // Extend the hunk while the next change is within twice the context.
        while (end < script.size()) {
            if (script[end].tag != ' ') {
                ++end;
                continue;
            }
            std::size_t run = end;
            while (run < script.size() && script[run].tag == ' ') ++run;
            if (run < script.size() && run - end <= 2 * context) {
                end = run;
                continue;
            }
            end = std::min(run, end + context);
            break;
        }
        out += "@@ -" + std::to_string(script[begin].ai + 1) + " +" +
               std::to_string(script[begin].bi + 1) + " @@\n";
        for (std::size_t t = begin; t < end; ++t) {
            const Line& l = script[t];
            out += l.tag;
            out += l.tag == '+' ? b[l.bi] : a[l.ai];
            out += '\n';
        }
        k = end;
    }
    return out;
}

class Golden : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        std::string tmpl = (fs::temp_directory_path() / "tsqlite-golden-XXXXXX").string();
        ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
        dir_ = tmpl;
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }

    // Runs the script on a new server and returns standard output and standard error together.
    std::string runScript(const fs::path& script) {
        std::string cmd = shellQuote(TSQLITE_SHELL_PATH) + " -S " +
                          shellQuote((dir_ / "server").string()) + " --create-server -W -s '|'" +
                          " -i " + shellQuote(script.string()) + " < /dev/null 2>&1";
        std::string out;
        FILE* p = popen(cmd.c_str(), "r");
        if (!p) {
            ADD_FAILURE() << "cannot run " << cmd;
            return out;
        }
        char buf[4096];
        std::size_t got;
        while ((got = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, got);
        // Without -b the shell exits with 0 even after SQL errors; anything else (a crash shows
        // as 128 + the signal number through sh) is a fault of its own.
        int status = pclose(p);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
            << "the shell ended with exit code " << (WIFEXITED(status) ? WEXITSTATUS(status) : -1)
            << "; the output stops where it ended";
        return out;
    }

    fs::path dir_;
};

TEST_P(Golden, Script) {
    const std::string name = GetParam();
    const fs::path input = goldenDir() / "input" / (name + ".sql");
    const fs::path expectedFile = goldenDir() / "expected" / (name + ".out");
    const std::string actual = runScript(input);

    const char* update = std::getenv("GOLDEN_UPDATE");
    if (update && std::string(update) == "1") {
        writeFile(expectedFile, actual);
        std::cout << "rewrote " << expectedFile.string() << "\n";
        return;
    }

    ASSERT_TRUE(fs::exists(expectedFile))
        << expectedFile.string() << " is missing; GOLDEN_UPDATE=1 writes it from this output:\n"
        << actual;
    const std::string expected = readFile(expectedFile);
    if (actual == expected) return;

    const fs::path actualFile =
        fs::path(TSQLITE_SHELL_PATH).parent_path() / "golden-actual" / (name + ".out");
    writeFile(actualFile, actual);
    ADD_FAILURE() << name << ".sql: the output differs from " << expectedFile.string()
                  << "\nactual output written to " << actualFile.string() << "\n"
                  << lineDiff(expected, actual);
}

INSTANTIATE_TEST_SUITE_P(, Golden, ::testing::ValuesIn(goldenNames()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                             std::string id;
                             for (char c : info.param)
                                 id += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                             return id;
                         });

// Without this an empty or missing input folder would pass silently.
TEST(GoldenInput, FolderHasScripts) {
    EXPECT_FALSE(goldenNames().empty()) << "no scripts in " << (goldenDir() / "input").string();
}

}  // namespace
