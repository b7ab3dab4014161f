#include "arquorel/platform/runtime/UserDefaults.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <tuple>
#include <vector>

#include "arquorel/platform/runtime/Console.h"

namespace arquorel {
namespace {

namespace fs = std::filesystem;
using V = UserDefaults::Value;

std::string readBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void writeBytes(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

// The settings file lives in a directory of its own that does not exist before the test.
struct UserDefaultsTest : ::testing::Test {
    fs::path dir = fs::temp_directory_path() /
                   ("arquorel-defaults-" + std::to_string(::getpid()) + "-" +
                    ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::path file = dir / "settings.json";
    Console console;

    void SetUp() override {
        fs::remove_all(dir);
        console.startCapture();
    }
    void TearDown() override { fs::remove_all(dir); }
    // No temporary file stays behind.
    bool onlyTheSettingsFileIsLeft() const {
        return std::distance(fs::directory_iterator(dir), fs::directory_iterator()) == 1;
    }
};

TEST_F(UserDefaultsTest, EveryTypeRoundTripsThroughANewInstance) {
    using Int = std::numeric_limits<std::int64_t>;
    const std::string text = "\"quoted\"\n\ttab \\ ünïcödé ✓";
    const V values[] = {true,         false,  std::int64_t{-42},       Int::max(), Int::min(),
                        0.1,          5e-324, -1.7976931348623157e308, 3.0,        text,
                        std::string()};  // 3.0 stays a double
    {
        UserDefaults defaults(file, console);
        EXPECT_FALSE(fs::exists(file));  // nothing is written before a change
        defaults.set("gone", true);
        const std::string first = readBytes(file);
        // A second name for the file keeps the old contents only if changes are renamed over it.
        fs::create_hard_link(file, dir / "old.json");
        writeBytes(dir / "settings.json.tmp", "stale leftover of an interrupted write");
        for (std::size_t i = 0; i < std::size(values); ++i)
            defaults.set(std::to_string(i), values[i]);
        defaults.set("literal", "from a literal");
        defaults.set("latin1", std::string("caf\xe9"));  // not UTF-8: must not throw
        defaults.removeObject("gone");
        EXPECT_EQ(readBytes(dir / "old.json"), first);
        fs::remove(dir / "old.json");
        EXPECT_TRUE(onlyTheSettingsFileIsLeft());
    }
    UserDefaults again(file, console);
    for (std::size_t i = 0; i < std::size(values); ++i)
        EXPECT_EQ(again.object(std::to_string(i)), values[i]) << i;
    EXPECT_EQ(again.object("literal"), V(std::string("from a literal")));
    EXPECT_EQ(again.stringForKey("latin1"), "caf\xef\xbf\xbd");  // U+FFFD for the bad byte
    EXPECT_FALSE(again.contains("gone"));
    EXPECT_TRUE(console.lines().empty());
}

TEST_F(UserDefaultsTest, ACorruptFileIsReportedOnceTreatedAsEmptyAndKeptUntilASet) {
    const std::pair<std::string, const char*> cases[] = {
        {std::string("\x00\xff\xfe garbage \x01", 13), "not valid JSON"},
        {R"(["country", "de"])", "not a JSON object"},
        {R"({"country": "de", "on": tr)", "not valid JSON"},
        {R"("country")", "not a JSON object"},
        {"", "not valid JSON"},
        {"{\"country\": \"\xc3\x28\"}", "not valid JSON"}};  // invalid UTF-8
    for (const auto& [bytes, reason] : cases) {
        SCOPED_TRACE(::testing::PrintToString(bytes));
        writeBytes(file, bytes);
        console.clear();
        {
            ::testing::internal::CaptureStdout();
            UserDefaults defaults(file, console);
            EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");  // the console captured it
            EXPECT_TRUE(defaults.loadFailed());
            ASSERT_EQ(console.lines().size(), 1u);
            for (const std::string& part : {file.string(), std::string(reason)})
                EXPECT_NE(console.lines()[0].find(part), std::string::npos) << part;
            defaults.removeObject("country");  // nothing to remove: no write
            EXPECT_EQ(readBytes(file), bytes);
            defaults.set("on", true);
            EXPECT_FALSE(defaults.loadFailed());
        }
        UserDefaults after(file, console);
        EXPECT_TRUE(after.boolForKey("on"));
        EXPECT_FALSE(after.contains("country"));
        EXPECT_EQ(console.lines().size(), 1u);
    }
}

TEST_F(UserDefaultsTest, ADirectoryInPlaceOfTheFileIsReportedAndNotReplaced) {
    fs::create_directories(file / "inside");
    UserDefaults defaults(file, console);
    EXPECT_EQ(console.lines().size(), 1u);
    defaults.set("k", true);  // cannot replace a directory: reported, kept in memory
    EXPECT_EQ(console.lines().size(), 2u);
    EXPECT_TRUE(defaults.boolForKey("k"));
    EXPECT_TRUE(fs::is_directory(file / "inside"));
    EXPECT_TRUE(onlyTheSettingsFileIsLeft());
}

TEST_F(UserDefaultsTest, TypedReadsConvertNumbersAndGiveZeroForAnythingElse) {
    using Int = std::numeric_limits<std::int64_t>;
    constexpr double kTwoTo63 = 9223372036854775808.0;
    const double kBelow = std::nextafter(kTwoTo63, 0.0);
    UserDefaults defaults({}, console);
    const auto reads = [&] {
        return std::tuple(defaults.boolForKey("k"), defaults.integerForKey("k"),
                          defaults.doubleForKey("k"), defaults.stringForKey("k"));
    };
    // stored -> bool, integer, double, string; doubles beyond the integers read as integer 0
    const std::tuple<V, bool, std::int64_t, double, std::string> cases[] = {
        {true, true, 1, 1, ""},
        {false, false, 0, 0, ""},
        {std::int64_t{-7}, true, -7, -7, ""},
        {std::int64_t{0}, false, 0, 0, ""},
        {-2.5, true, -2, -2.5, ""},
        {-1e300, true, 0, -1e300, ""},
        {-kTwoTo63, true, Int::min(), -kTwoTo63, ""},
        {kTwoTo63, true, 0, kTwoTo63, ""},
        {kBelow, true, Int::max() - 1023, kBelow, ""},
        {std::nan(""), true, 0, std::nan(""), ""},
        {std::string("1"), false, 0, 0, "1"}};
    for (const auto& [stored, asBool, asInteger, asDouble, asString] : cases) {
        defaults.set("k", stored);
        const auto [b, i, d, text] = reads();
        EXPECT_EQ(std::tuple(b, i, text), std::tuple(asBool, asInteger, asString));
        EXPECT_TRUE(d == asDouble || (std::isnan(d) && std::isnan(asDouble)));
    }
    defaults.removeObject("k");
    EXPECT_EQ(reads(), std::tuple(false, std::int64_t{0}, 0.0, std::string()));
}

TEST_F(UserDefaultsTest, ForeignKindsAreSkippedAndHugeNumbersKeptAsDoubles) {
    writeBytes(file,
               R"({"list": [1], "map": {}, "none": null, "n": 12, "big": 18446744073709551615})");
    UserDefaults defaults(file, console);
    EXPECT_TRUE(console.lines().empty());
    for (const char* skipped : {"list", "map", "none"}) EXPECT_FALSE(defaults.contains(skipped));
    EXPECT_EQ(defaults.integerForKey("n"), 12);
    EXPECT_EQ(defaults.object("big"), V(18446744073709551615.0));  // not wrapped to -1
}

}  // namespace
}  // namespace arquorel
