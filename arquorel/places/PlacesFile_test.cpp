#include "arquorel/places/PlacesFile.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <tuple>

#include "sim/device/SimPlatform.h"

namespace arquorel {
namespace {

using namespace std::string_literals;
using ErrorKind = PlacesFileError::Kind;

const std::string kDataDir = ARQUOREL_DATA_DIR;

std::string bytes(const std::optional<std::vector<std::uint8_t>>& block) {
    return block ? std::string(block->begin(), block->end()) : "<none>";
}

std::string problemTexts(const PlacesFile& file) {
    std::string texts;
    for (const auto& p : file.problems) texts += "\n" + p.text();
    return texts;
}

TEST(PlacesFileTest, LoadsTheMonacoPlaces) {
    const auto file = PlacesFile::fromPath(kDataDir + "/monaco/places.json");
    ASSERT_FALSE(file.error) << file.error->message;
    EXPECT_EQ(std::tuple(file.elementCount, file.records.size(), file.problems.size()),
              std::tuple(612u, 612u, 0u));
    const QuorelProperty& casino = *file.records.at(224);
    EXPECT_EQ(casino.id + " " + casino.name + " " + casino.names.back(),
              "n4416197079 Casino de Monte Carlo 몬테 카를로 카지노");
    EXPECT_EQ(std::pair(casino.lat, casino.lng), std::pair(43.7391605, 7.428023));
    EXPECT_EQ(bytes(casino.micro_data),
              R"([{"name":"wheelchair","words":["Limited"]},)"
              R"({"name":"operator","words":["Société des bains de mer de Monaco"]}])");
}

TEST(PlacesFileTest, UnusableTextsGiveOneErrorWithLineAndColumn) {
    const std::pair<std::string, std::string> cases[] = {
        {"[\n {\"lat\": 1,\n  \"lng\": x}\n]", "notJson 3:10"},
        {"[\"\xC3\xA9\", x]", "notJson 1:7"},  // columns count characters
        {"[{\"name\": \"caf\xE9\"}]", "notJson 1:16"},
        {"[\n  1e400]", "notJson 2:7"},
        // The parser alone would take the NUL for the end and accept the array before it.
        {"[]\n \0[{\"id\":1}]"s, "notJson 2:2"},
        {std::string(100000, '['), "notJson 1:257"},
        {"\n  {\"lat\": 1, \"lng\": 2}", "notArray 2:3"},
        {"\xEF\xBB\xBF[]", ""},
    };
    for (const auto& [text, expected] : cases) {
        const auto e = PlacesFile::fromText(text).error;
        EXPECT_EQ(e ? (e->kind == ErrorKind::notArray ? "notArray " : "notJson ") +
                          std::to_string(e->line) + ":" + std::to_string(e->column)
                    : "",
                  expected);
    }
    const auto file = PlacesFile::fromText("[\"\xE9\", 1e400]");
    EXPECT_THAT(file.error->message, ::testing::StartsWith("line 1, column 4: not JSON: "));
    EXPECT_EQ(file.error->message.find('\xE9'), std::string::npos) << "printable message";

    // Brackets inside strings do not count towards the nesting.
    const std::string name = std::string(300, '[');
    const auto deep = PlacesFile::fromText(R"([{"lat": 0, "lng": 0, "name": ")" + name + R"("}])");
    EXPECT_EQ(deep.records.at(0)->name, name);
}

TEST(PlacesFileTest, FieldsAreCheckedAndProblemsReportedWithIndexAndId) {
    const auto file = PlacesFile::fromText(
        R"([{"id": "p1", "lat": 90, "lng": -180, "name": 5, "category_id": "7", "package": 4.0,)"
        R"( "names": ["a", 3, "b"], "rand_position": 2.5, "phone": null, "distance": "far",)"
        R"( "city": "Monaco", "unknown_key": [1]}, 1,)"
        R"( {"lat": -90, "lng": 180, "id": 7, "category_id": 9223372036854775808,)"
        R"(  "package": 1e30, "rand_position": -9223372036854775808},)"
        R"( {"id": "north", "lat": 90.5, "lng": 0}, {"id": "west", "lat": 0, "lng": -180.0001},)"
        R"( {"id": "text", "lat": "43.7", "lng": 7.4}, {"id": "none", "lng": 7.4},)"
        R"( {"id": "null", "lat": 1, "lng": null},)"
        R"( {"lat": 0, "lng": 0, "micro_data": "[{\"name\": \"fee\"}]"},)"
        R"( {"lat": 0, "lng": 0, "micro_data": [ {"name": "fee", "words": ["Oui", "\u00e9"]} ]},)"
        R"( {"lat": 0, "lng": 0, "micro_data": null}])");
    EXPECT_EQ(file.elementCount, 11u);
    EXPECT_EQ(file.leftOutCount(), 6u);
    ASSERT_EQ(file.records.size(), 5u);
    const auto& r = *file.records[0];  // fields of the wrong type keep their initial values
    EXPECT_EQ(std::tuple(r.name, r.category_id, r.rand_position, r.package, r.city, r.names),
              std::tuple(""s, 0, 0, 4, "Monaco"s, std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(std::pair(file.records[1]->package, file.records[1]->rand_position),
              std::pair(std::int64_t{0}, INT64_MIN));
    // micro_data is kept as given when it is text, as compact JSON otherwise.
    EXPECT_EQ(bytes(file.records[2]->micro_data) + bytes(file.records[3]->micro_data) +
                  bytes(file.records[4]->micro_data),
              R"([{"name": "fee"}][{"name":"fee","words":["Oui","é"]}]<none>)");
    EXPECT_EQ(problemTexts(file), R"(
record 0 (id "p1"): category_id: expected a whole number, got string "7"
record 0 (id "p1"): name: expected a string, got number 5
record 0 (id "p1"): names[1]: expected a string, got number 3
record 0 (id "p1"): rand_position: not a whole number: number 2.5
record 0 (id "p1"): distance: expected a number, got string "far"
record 1: not an object: number 1 (record left out)
record 2: id: expected a string, got number 7
record 2: category_id: out of the 64-bit integer range: number 9223372036854775808
record 2: package: out of the 64-bit integer range: number 1e+30
record 3 (id "north"): lat: out of range -90..90: number 90.5 (record left out)
record 4 (id "west"): lng: out of range -180..180: number -180.0001 (record left out)
record 5 (id "text"): lat: not a number: string "43.7" (record left out)
record 6 (id "none"): lat: missing (record left out)
record 7 (id "null"): lng: missing: null (record left out))");
}

// Both JSON decoders against the parsing test suite: "y" texts must be accepted, "n" texts
// rejected, "i" texts either way but alike, and none may crash.
TEST(JsonTestSuite, LoaderAndMicroDataAgreeWithTheSuite) {
    sim::SimPlatform device;
    auto& console = platformContext().console();
    console.startCapture();
    std::map<char, int> counts;
    for (const auto& entry :
         std::filesystem::directory_iterator(kDataDir + "/JSONTestSuite/test_parsing")) {
        const std::string name = entry.path().filename().string();
        ++counts[name[0]];
        std::ifstream in(entry.path(), std::ios::binary);
        const std::string text{std::istreambuf_iterator<char>(in), {}};
        const auto file = PlacesFile::fromText(text);
        QuorelProperty record;
        record.micro_data.emplace(text.begin(), text.end());
        console.clear();
        const auto entries = record.microDataEntries();
        const bool parsed = !file.error || file.error->kind == ErrorKind::notArray;
        EXPECT_EQ(parsed, console.lines().empty()) << name;
        EXPECT_TRUE(name[0] == 'i' || parsed == (name[0] == 'y')) << name;
        EXPECT_EQ(entries ? int(entries->size()) : -1, file.error ? -1 : int(file.elementCount))
            << name;
    }
    EXPECT_EQ(counts, (std::map<char, int>{{'i', 35}, {'n', 188}, {'y', 95}}));
}

}  // namespace
}  // namespace arquorel
