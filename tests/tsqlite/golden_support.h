#pragma once
// What the golden-file tests share, whichever way they run the scripts: the list of scripts,
// file reading and writing, and a line diff for a mismatch.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace golden {

namespace fs = std::filesystem;

inline std::vector<std::string> goldenNames(const fs::path& goldenDir) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(goldenDir / "input", ec))
        if (entry.is_regular_file() && entry.path().extension() == ".sql")
            names.push_back(entry.path().stem().string());
    std::sort(names.begin(), names.end());
    return names;
}

inline std::string readFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void writeFile(const fs::path& p, const std::string& text) {
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << text;
}

inline std::vector<std::string> splitLines(const std::string& text) {
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
inline std::string lineDiff(const std::string& expected, const std::string& actual) {
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

}  // namespace golden
