#include "arquorel/platform/runtime/UserDefaults.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <nlohmann/json.hpp>
#include <sstream>

#include "arquorel/platform/runtime/Console.h"
#include "arquorel/platform/runtime/PlatformContext.h"
#include "sim/device/SimPlatform.h"

namespace arquorel {
namespace {

namespace fs = std::filesystem;

std::string readBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream buffer;
    buffer << in.rdbuf();
    return buffer.str();
}

void writeBytes(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

// A fresh directory per test, removed afterwards; the settings file lives inside it.
struct UserDefaultsTest : ::testing::Test {
    fs::path dir;
    fs::path file;
    Console console;

    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir = fs::temp_directory_path() /
              ("arquorel-defaults-" + std::to_string(::getpid()) + "-" + info->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        file = dir / "settings.json";
        console.startCapture();
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    bool onlyTheSettingsFileIsLeft() const {
        for (const auto& entry : fs::directory_iterator(dir))
            if (entry.path() != file) return false;
        return true;
    }
};

TEST_F(UserDefaultsTest, EveryTypeRoundTripsThroughTheFile) {
    {
        UserDefaults defaults(file, console);
        EXPECT_FALSE(defaults.loadFailed());
        EXPECT_FALSE(fs::exists(file));  // nothing is written before a change
        defaults.set("firstTimeQuorelHint", true);
        defaults.set("off", false);
        defaults.set("count", std::int64_t{-42});
        defaults.set("big", std::numeric_limits<std::int64_t>::max());
        defaults.set("small", std::numeric_limits<std::int64_t>::min());
        defaults.set("ratio", 0.1);
        defaults.set("tiny", 5e-324);
        defaults.set("huge", -1.7976931348623157e308);
        defaults.set("whole", 3.0);  // a double that looks integral stays a double
        defaults.set("country", std::string("de"));
        defaults.set("text", std::string("\"quoted\"\n\ttab \\ ünïcödé ✓"));
        defaults.set("empty", std::string());
        defaults.set("literal", "from a literal");
        EXPECT_TRUE(onlyTheSettingsFileIsLeft());  // no temporary file stays behind
    }
    UserDefaults again(file, console);
    EXPECT_FALSE(again.loadFailed());
    EXPECT_EQ(again.object("firstTimeQuorelHint"), UserDefaults::Value(true));
    EXPECT_EQ(again.object("off"), UserDefaults::Value(false));
    EXPECT_EQ(again.object("count"), UserDefaults::Value(std::int64_t{-42}));
    EXPECT_EQ(again.object("big"), UserDefaults::Value(std::numeric_limits<std::int64_t>::max()));
    EXPECT_EQ(again.object("small"), UserDefaults::Value(std::numeric_limits<std::int64_t>::min()));
    EXPECT_EQ(again.object("ratio"), UserDefaults::Value(0.1));
    EXPECT_EQ(again.object("tiny"), UserDefaults::Value(5e-324));
    EXPECT_EQ(again.object("huge"), UserDefaults::Value(-1.7976931348623157e308));
    EXPECT_EQ(again.object("whole"), UserDefaults::Value(3.0));
    EXPECT_EQ(again.object("country"), UserDefaults::Value(std::string("de")));
    EXPECT_EQ(again.stringForKey("text"), "\"quoted\"\n\ttab \\ ünïcödé ✓");
    EXPECT_EQ(again.object("empty"), UserDefaults::Value(std::string()));
    EXPECT_EQ(again.stringForKey("literal"), "from a literal");
    EXPECT_TRUE(console.lines().empty());
}

TEST_F(UserDefaultsTest, RemovalAndOverwritePersist) {
    {
        UserDefaults defaults(file, console);
        defaults.set("isMyleType", true);
        defaults.set("country", std::string("fr"));
        defaults.set("country", std::string("it"));
        defaults.removeObject("isMyleType");
        defaults.removeObject("never set");
    }
    UserDefaults again(file, console);
    EXPECT_FALSE(again.contains("isMyleType"));
    EXPECT_EQ(again.stringForKey("country"), "it");
}

TEST_F(UserDefaultsTest, TypedReadsConvertNumbersAndDefaultOtherwise) {
    UserDefaults defaults({}, console);  // in memory only
    defaults.set("b", true);
    defaults.set("i", std::int64_t{7});
    defaults.set("d", 2.75);
    defaults.set("s", std::string("12"));
    defaults.set("nan", std::nan(""));
    defaults.set("beyond", 1e300);

    EXPECT_EQ(defaults.integerForKey("b"), 1);
    EXPECT_EQ(defaults.doubleForKey("i"), 7.0);
    EXPECT_EQ(defaults.integerForKey("d"), 2);
    EXPECT_TRUE(defaults.boolForKey("d"));
    EXPECT_TRUE(defaults.boolForKey("i"));
    // Text never converts to numbers, numbers never to text.
    EXPECT_EQ(defaults.integerForKey("s"), 0);
    EXPECT_FALSE(defaults.boolForKey("s"));
    EXPECT_EQ(defaults.stringForKey("i"), "");
    // Doubles outside the integer range read as 0, not as an overflowed integer.
    EXPECT_EQ(defaults.integerForKey("nan"), 0);
    EXPECT_EQ(defaults.integerForKey("beyond"), 0);
    // Missing keys.
    EXPECT_FALSE(defaults.boolForKey("missing"));
    EXPECT_EQ(defaults.integerForKey("missing"), 0);
    EXPECT_EQ(defaults.doubleForKey("missing"), 0.0);
    EXPECT_EQ(defaults.stringForKey("missing"), "");
    EXPECT_EQ(defaults.object("missing"), std::nullopt);
}

TEST_F(UserDefaultsTest, ChangesReplaceTheFileRatherThanRewritingItInPlace) {
    UserDefaults defaults(file, console);
    defaults.set("country", std::string("de"));
    const std::string first = readBytes(file);
    // A second name for the current file keeps seeing the old contents after a change when
    // the change is written to a new file that is renamed over the old one.
    const fs::path oldName = dir / "old.json";
    fs::create_hard_link(file, oldName);
    writeBytes(dir / "settings.json.tmp", "stale leftover of an interrupted write");

    defaults.set("country", std::string("at"));
    EXPECT_EQ(readBytes(oldName), first);
    EXPECT_NE(readBytes(file), first);
    EXPECT_EQ(nlohmann::json::parse(readBytes(file)).at("country"), "at");
    EXPECT_FALSE(fs::exists(dir / "settings.json.tmp"));
}

TEST_F(UserDefaultsTest, MissingDirectoriesAreCreatedOnFirstWrite) {
    const fs::path nested = dir / "a" / "b" / "settings.json";
    UserDefaults defaults(nested, console);
    defaults.set("k", std::int64_t{1});
    EXPECT_EQ(UserDefaults(nested, console).integerForKey("k"), 1);
}

// Each of these files is reported once, read as empty and left as it is until a value is set.
TEST_F(UserDefaultsTest, ACorruptFileIsReportedTreatedAsEmptyAndKeptUntilASet) {
    const std::vector<std::pair<std::string, std::string>> corrupt{
        {"garbage bytes", std::string("\x00\xff\xfe garbage \x01", 13)},
        {"a JSON array", R"(["country", "de"])"},
        {"truncated JSON", R"({"country": "de", "isMyleType": tr)"},
        {"a JSON string", R"("country")"},
        {"an empty file", ""},
        {"invalid UTF-8 in a string", "{\"country\": \"\xc3\x28\"}"},
    };
    for (const auto& [what, bytes] : corrupt) {
        SCOPED_TRACE(what);
        writeBytes(file, bytes);
        console.clear();
        {
            UserDefaults defaults(file, console);
            EXPECT_TRUE(defaults.loadFailed());
            ASSERT_EQ(console.lines().size(), 1u);
            EXPECT_NE(console.lines()[0].find(file.string()), std::string::npos);
            EXPECT_FALSE(defaults.contains("country"));
            EXPECT_EQ(defaults.stringForKey("country"), "");
            defaults.removeObject("country");  // nothing to remove: no write
        }
        EXPECT_EQ(readBytes(file), bytes);
        {
            UserDefaults defaults(file, console);  // reported again, still untouched
            EXPECT_EQ(readBytes(file), bytes);
            defaults.set("isMyleType", true);
            EXPECT_FALSE(defaults.loadFailed());
        }
        EXPECT_EQ(console.lines().size(), 2u);
        UserDefaults after(file, console);
        EXPECT_FALSE(after.loadFailed());
        EXPECT_TRUE(after.boolForKey("isMyleType"));
        EXPECT_FALSE(after.contains("country"));
        EXPECT_EQ(console.lines().size(), 2u);
    }
}

TEST_F(UserDefaultsTest, ADirectoryInPlaceOfTheFileIsReportedAndNotReplaced) {
    fs::create_directories(file / "inside");
    UserDefaults defaults(file, console);
    EXPECT_TRUE(defaults.loadFailed());
    EXPECT_EQ(console.lines().size(), 1u);

    defaults.set("k", true);  // cannot replace a directory: reported, kept in memory
    EXPECT_EQ(console.lines().size(), 2u);
    EXPECT_TRUE(defaults.boolForKey("k"));
    EXPECT_TRUE(fs::is_directory(file / "inside"));
    EXPECT_TRUE(onlyTheSettingsFileIsLeft());
}

TEST_F(UserDefaultsTest, ValuesOfForeignKindsAreSkippedAndTheRestKept) {
    writeBytes(file,
               R"({"list": [1, 2], "map": {"a": 1}, "none": null, "country": "ch",
                   "n": 12, "beyondInt64": 18446744073709551615})");
    UserDefaults defaults(file, console);
    EXPECT_FALSE(defaults.loadFailed());
    EXPECT_TRUE(console.lines().empty());
    EXPECT_FALSE(defaults.contains("list"));
    EXPECT_FALSE(defaults.contains("map"));
    EXPECT_FALSE(defaults.contains("none"));
    EXPECT_EQ(defaults.stringForKey("country"), "ch");
    EXPECT_EQ(defaults.integerForKey("n"), 12);
    // Too large for a signed integer: kept as a (positive) double, not wrapped to -1.
    EXPECT_EQ(defaults.doubleForKey("beyondInt64"), 18446744073709551615.0);
}

TEST_F(UserDefaultsTest, TextThatIsNotUtf8IsStoredWithoutFailing) {
    {
        UserDefaults defaults(file, console);
        defaults.set("name", std::string("caf\xe9"));  // Latin-1, not UTF-8
        defaults.set("country", std::string("de"));
        EXPECT_EQ(defaults.stringForKey("name"), "caf\xe9");  // unchanged in memory
    }
    UserDefaults again(file, console);
    EXPECT_FALSE(again.loadFailed());
    EXPECT_EQ(again.stringForKey("name"), "caf\xef\xbf\xbd");  // U+FFFD for the bad byte
    EXPECT_EQ(again.stringForKey("country"), "de");
}

TEST_F(UserDefaultsTest, TheSimulatedDeviceKeepsItsSettingsInTheGivenFile) {
    {
        sim::SimPlatform device(file);
        platformContext().userDefaults().set("country", std::string("nl"));
    }
    sim::SimPlatform device(file);
    EXPECT_EQ(platformContext().userDefaults().stringForKey("country"), "nl");
}

}  // namespace
}  // namespace arquorel
