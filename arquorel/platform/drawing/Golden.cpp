#include "arquorel/platform/drawing/Golden.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

namespace arquorel {

namespace fs = std::filesystem;

namespace {

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

bool updating() {
    const char* v = std::getenv("ARQUOREL_UPDATE_GOLDENS");
    return v && std::string(v) == "1";
}

}  // namespace

std::string lineDiff(const std::string& expected, const std::string& actual) {
    const auto a = splitLines(expected), b = splitLines(actual);
    const std::size_t n = a.size(), m = b.size();
    // Longest common subsequence table, suffix form.
    std::vector<std::vector<unsigned>> lcs(n + 1, std::vector<unsigned>(m + 1, 0));
    for (std::size_t i = n; i-- > 0;)
        for (std::size_t j = m; j-- > 0;)
            lcs[i][j] =
                a[i] == b[j] ? lcs[i + 1][j + 1] + 1 : std::max(lcs[i + 1][j], lcs[i][j + 1]);
    struct Row {
        char mark;
        std::string text;
    };
    std::vector<Row> rows;
    std::size_t i = 0, j = 0;
    while (i < n || j < m) {
        if (i < n && j < m && a[i] == b[j]) {
            rows.push_back({' ', a[i++]});
            ++j;
        } else if (i < n && (j == m || lcs[i + 1][j] >= lcs[i][j + 1])) {
            rows.push_back({'-', a[i++]});
        } else {
            rows.push_back({'+', b[j++]});
        }
    }
    std::string out;
    constexpr std::size_t kContext = 2;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        bool near = false;
        for (std::size_t k = (r >= kContext ? r - kContext : 0);
             k < std::min(rows.size(), r + kContext + 1); ++k)
            near |= rows[k].mark != ' ';
        if (!near) continue;
        out += rows[r].mark;
        out += ' ';
        out += rows[r].text + "\n";
    }
    return out;
}

fs::path goldenPath(const char* sourceFile, const std::string& name) {
    return fs::path(sourceFile).parent_path() / "goldens" / (name + ".txt");
}

GoldenCheck checkGolden(const fs::path& golden, const std::string& actual) {
    if (updating()) {
        std::error_code ec;
        fs::create_directories(golden.parent_path(), ec);
        std::ofstream out(golden, std::ios::binary | std::ios::trunc);
        out << actual;
        if (!out) return {false, "could not write golden " + golden.string()};
        return {false, "golden " + golden.string() +
                           " rewritten (ARQUOREL_UPDATE_GOLDENS=1); run again without it"};
    }
    std::ifstream in(golden, std::ios::binary);
    if (!in) {
        return {false,
                "golden " + golden.string() +
                    " is missing; run with ARQUOREL_UPDATE_GOLDENS=1 to write it. Actual:\n" +
                    actual};
    }
    std::ostringstream expected;
    expected << in.rdbuf();
    if (expected.str() == actual) return {true, {}};
    return {false, "output differs from golden " + golden.string() + " (- golden, + actual):\n" +
                       lineDiff(expected.str(), actual)};
}

}  // namespace arquorel
