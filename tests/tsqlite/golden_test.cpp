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

#include "golden_support.h"

namespace {

using namespace golden;

fs::path goldenDir() {
    return fs::path(TSQLITE_TEST_DATA_DIR).parent_path() / "golden";
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

INSTANTIATE_TEST_SUITE_P(, Golden, ::testing::ValuesIn(goldenNames(goldenDir())),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                             std::string id;
                             for (char c : info.param)
                                 id += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                             return id;
                         });

// Without this an empty or missing input folder would pass silently.
TEST(GoldenInput, FolderHasScripts) {
    EXPECT_FALSE(goldenNames(goldenDir()).empty())
        << "no scripts in " << (goldenDir() / "input").string();
}

}  // namespace
