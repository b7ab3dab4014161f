#pragma once
// Golden-file checks for text outputs such as view-tree dumps. A golden is a file kept beside
// the test (goldens/<name>.txt) holding the expected text exactly.
//
//   const auto check = checkGolden(goldenPath(__FILE__, "ar_screen"), dumpViewTree(roots));
//   EXPECT_TRUE(check.passed) << check.message;
//
// A missing golden fails. A different text fails with a line diff. To accept new output on
// purpose, run the tests with ARQUOREL_UPDATE_GOLDENS=1: every checked golden is rewritten and
// its test fails with a note saying so, so an update run never passes by accident; run again
// without the variable and review the change with git diff.

#include <filesystem>
#include <string>

namespace arquorel {

struct GoldenCheck {
    bool passed = false;
    std::string message;  // empty when passed
};

GoldenCheck checkGolden(const std::filesystem::path& golden, const std::string& actual);
// <folder of sourceFile>/goldens/<name>.txt
std::filesystem::path goldenPath(const char* sourceFile, const std::string& name);
// The differing lines of two texts: "-" expected, "+" actual, with two lines of context.
std::string lineDiff(const std::string& expected, const std::string& actual);

}  // namespace arquorel
