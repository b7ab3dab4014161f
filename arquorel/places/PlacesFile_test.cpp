#include "arquorel/places/PlacesFile.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "sim/device/SimPlatform.h"

namespace arquorel {
namespace {

using namespace std::string_literals;
using ::testing::HasSubstr;
using ::testing::StartsWith;
using ErrorKind = PlacesFileError::Kind;

const std::string kDataDir = ARQUOREL_DATA_DIR;

std::string bytes(const std::optional<std::vector<std::uint8_t>>& block) {
    return block ? std::string(block->begin(), block->end()) : "<none>";
}

std::string readBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// One record with a valid coordinate plus the given members.
std::string one(const std::string& members) {
    return R"([{"id": "p1", "lat": 43.7, "lng": 7.4)" + (members.empty() ? "" : ", " + members) +
           "}]";
}

TEST(PlacesFileTest, LoadsTheMonacoPlaces) {
    const auto file = PlacesFile::fromPath(kDataDir + "/monaco/places.json");
    ASSERT_FALSE(file.error) << file.error->message;
    EXPECT_EQ(file.elementCount, 612u);
    EXPECT_EQ(file.records.size(), 612u);
    EXPECT_TRUE(file.problems.empty());

    std::size_t withBlock = 0, withNames = 0;
    for (const auto& r : file.records) {
        withBlock += r->micro_data.has_value();
        withNames += !r->names.empty();
    }
    EXPECT_EQ(withBlock, 191u);
    EXPECT_EQ(withNames, 40u);

    const QuorelProperty& casino = *file.records.at(224);
    EXPECT_EQ(casino.id, "n4416197079");
    EXPECT_EQ(casino.name, "Casino de Monte Carlo");
    EXPECT_EQ(casino.category_color, "#59A14F");
    EXPECT_EQ(casino.category_id, 23);
    EXPECT_EQ(casino.lat, 43.7391605);
    EXPECT_EQ(casino.lng, 7.428023);
    EXPECT_EQ(casino.displayAddress(), " Place du Casino, Monaco 98000");
    EXPECT_EQ(casino.opening_hours, "14:00-04:00");
    EXPECT_EQ(casino.names,
              (std::vector<std::string>{"Kasino Monte Carlo", "Monte-Carlo Casino and Opera House",
                                        "몬테 카를로 카지노"}));
    EXPECT_EQ(bytes(casino.micro_data),
              R"([{"name":"wheelchair","words":["Limited"]},)"
              R"({"name":"operator","words":["Société des bains de mer de Monaco"]}])");
}

// "notJson 3:10" for an unusable text, "" for a usable one.
std::string errorOf(std::string_view text) {
    const auto file = PlacesFile::fromText(text);
    if (!file.error) return "";
    EXPECT_TRUE(file.records.empty());
    const char* kinds[] = {"unreadable", "notJson", "notArray"};
    return kinds[static_cast<int>(file.error->kind)] + " "s + std::to_string(file.error->line) +
           ":" + std::to_string(file.error->column);
}

TEST(PlacesFileTest, UnusableTextsGiveOneErrorWithLineAndColumn) {
    EXPECT_EQ(errorOf("[\n {\"lat\": 1,\n  \"lng\": x}\n]"), "notJson 3:10");
    EXPECT_EQ(errorOf("[\"\xC3\xA9\", x]"), "notJson 1:7");  // columns count characters
    EXPECT_EQ(errorOf(""), "notJson 1:1");
    EXPECT_EQ(errorOf("[]\n]"), "notJson 2:1");
    EXPECT_EQ(errorOf("[{\"name\": \"caf\xE9\"}]"), "notJson 1:16");
    EXPECT_EQ(errorOf("[\n  1e400]"), "notJson 2:7");
    // The parser alone would take the NUL for the end and accept the array before it.
    EXPECT_EQ(errorOf("[]\n \0[{\"id\":1}]"s), "notJson 2:2");
    EXPECT_EQ(errorOf(std::string(100000, '[')), "notJson 1:257");
    EXPECT_EQ(errorOf("\n  {\"lat\": 1, \"lng\": 2}"), "notArray 2:3");
    EXPECT_EQ(errorOf("\xEF\xBB\xBF[]"), "");

    const auto file = PlacesFile::fromText("[\"\xE9\", 1e400]");
    EXPECT_THAT(file.error->message, StartsWith("line 1, column 4: not JSON: "));
    EXPECT_EQ(file.error->message.find('\xE9'), std::string::npos) << "printable message";
    EXPECT_THAT(PlacesFile::fromText("[\n  1e400]").error->message, HasSubstr("1e400"));
    EXPECT_THAT(PlacesFile::fromText("{}").error->message, HasSubstr("top level is object"));
    EXPECT_THAT(PlacesFile::fromText(std::string(300, '[')).error->message,
                HasSubstr("nested deeper than 256 levels"));

    // Brackets inside strings do not count towards the nesting.
    const auto deepText = PlacesFile::fromText(one(R"("name": ")" + std::string(300, '[') + "\"" +
                                                   R"(, "micro_data": )" + std::string(250, '[') +
                                                   std::string(250, ']')));
    ASSERT_FALSE(deepText.error) << deepText.error->message;
    EXPECT_EQ(deepText.records.at(0)->name, std::string(300, '['));
}

std::vector<std::string> problemTexts(const PlacesFile& file) {
    std::vector<std::string> texts;
    for (const auto& p : file.problems) texts.push_back(p.text());
    return texts;
}

TEST(PlacesFileTest, WrongTypesAreReportedAndTheRecordKept) {
    const auto file = PlacesFile::fromText(
        one(R"("name": 5, "category_id": "7", "names": ["a", 3, "b"], "rand_position": 2.5,)"
            R"( "package": 4.0, "phone": null, "distance": "far", "city": "Monaco",)"
            R"( "unknown_key": [1]}, 1, {"lat": 1, "lng": 2, "id": 7)"));
    ASSERT_FALSE(file.error);
    EXPECT_EQ(file.elementCount, 3u);
    ASSERT_EQ(file.records.size(), 2u);
    const auto& r = *file.records[0];
    EXPECT_EQ(r.name, "");
    EXPECT_EQ(r.category_id, 0);
    EXPECT_EQ(r.names, (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(r.rand_position, 0);
    EXPECT_EQ(r.package, 4);
    EXPECT_EQ(r.city, "Monaco");
    EXPECT_EQ(problemTexts(file),
              (std::vector<std::string>{
                  R"(record 0 (id "p1"): category_id: expected a whole number, got string "7")",
                  R"(record 0 (id "p1"): name: expected a string, got number 5)",
                  R"(record 0 (id "p1"): names[1]: expected a string, got number 3)",
                  R"(record 0 (id "p1"): rand_position: not a whole number: number 2.5)",
                  R"(record 0 (id "p1"): distance: expected a number, got string "far")",
                  R"(record 1: not an object: number 1 (record left out))",
                  R"(record 2: id: expected a string, got number 7)",
              }));
}

TEST(PlacesFileTest, WholeNumbersMustFitSixtyFourBits) {
    const auto file = PlacesFile::fromText(
        R"([{"lat": 0, "lng": 0, "category_id": 9223372036854775807, "package": 1e3,)"
        R"(  "rand_position": -9223372036854775808},)"
        R"( {"lat": 0, "lng": 0, "category_id": 9223372036854775808, "package": 1e30}])");
    ASSERT_FALSE(file.error);
    ASSERT_EQ(file.records.size(), 2u);
    EXPECT_EQ(file.records[0]->category_id, INT64_MAX);
    EXPECT_EQ(file.records[0]->package, 1000);
    EXPECT_EQ(file.records[0]->rand_position, INT64_MIN);
    EXPECT_EQ(problemTexts(file),
              (std::vector<std::string>{
                  "record 1: category_id: out of the 64-bit integer range: number "
                  "9223372036854775808",
                  "record 1: package: out of the 64-bit integer range: number 1e+30"}));
}

TEST(PlacesFileTest, RecordsWithoutAUsableCoordinateAreLeftOut) {
    const auto file = PlacesFile::fromText(R"([
        {"id": "ok", "lat": 90, "lng": -180},
        {"id": "north", "lat": 90.5, "lng": 0},
        {"id": "west", "lat": 0, "lng": -180.0001},
        {"id": "text", "lat": "43.7", "lng": 7.4, "name": 1},
        {"id": "nolat", "lng": 7.4},
        {"id": "nulls", "lat": null, "lng": null},
        {"id": "ok2", "lat": -90, "lng": 180}
    ])");
    ASSERT_FALSE(file.error);
    ASSERT_EQ(file.records.size(), 2u);
    EXPECT_EQ(file.records[0]->id, "ok");
    EXPECT_EQ(file.records[1]->id, "ok2");
    EXPECT_EQ(file.leftOutCount(), 5u);

    EXPECT_EQ(
        problemTexts(file),
        (std::vector<std::string>{
            R"(record 1 (id "north"): lat: out of range -90..90: number 90.5 (record left out))",
            R"(record 2 (id "west"): lng: out of range -180..180: number -180.0001 (record left out))",
            R"(record 3 (id "text"): name: expected a string, got number 1)",
            R"(record 3 (id "text"): lat: not a number: string "43.7" (record left out))",
            R"(record 4 (id "nolat"): lat: missing (record left out))",
            R"(record 5 (id "nulls"): lat: missing: null (record left out))",
            R"(record 5 (id "nulls"): lng: missing: null (record left out))",
        }));
}

TEST(PlacesFileTest, MicroDataTakesTextOrAnyJsonValue) {
    const auto file = PlacesFile::fromText(R"([
        {"lat": 0, "lng": 0, "micro_data": "[{\"name\": \"fee\"}]"},
        {"lat": 0, "lng": 0, "micro_data": [ {"name": "fee", "words": ["Oui", "\u00e9"]} ]},
        {"lat": 0, "lng": 0, "micro_data": null},
        {"lat": 0, "lng": 0},
        {"lat": 0, "lng": 0, "micro_data": {"a": 1.5}},
        {"lat": 0, "lng": 0, "micro_data": ""}
    ])");
    ASSERT_EQ(file.records.size(), 6u);
    EXPECT_TRUE(file.problems.empty());
    std::vector<std::string> blocks;
    for (const auto& r : file.records) blocks.push_back(bytes(r->micro_data));
    EXPECT_EQ(blocks, (std::vector<std::string>{R"([{"name": "fee"}])",
                                                "[{\"name\":\"fee\",\"words\":[\"Oui\",\"é\"]}]",
                                                "<none>", "<none>", R"({"a":1.5})", ""}));
}

TEST(PlacesFileTest, FromPathNamesTheFile) {
    const std::filesystem::path dir = ::testing::TempDir();
    const auto missing = dir / "arquorel_places_missing.json";
    EXPECT_EQ(PlacesFile::fromPath(missing).error->message,
              "cannot open " + missing.string() + ": No such file or directory");
    EXPECT_THAT(PlacesFile::fromPath(dir).error->message,
                StartsWith("cannot read " + dir.string()));

    const auto bad = dir / "arquorel_places_bad.json";
    std::ofstream(bad) << "[\n{]";
    EXPECT_THAT(PlacesFile::fromPath(bad).error->message,
                StartsWith(bad.string() + ": line 2, column 2: not JSON"));
    std::filesystem::remove(bad);
}

// Every decoder of JSON texts in this library against the parsing test suite: accepted texts
// must be accepted, rejected ones rejected, the rest handled either way without a crash.
TEST(JsonTestSuite, LoaderAndMicroDataAgreeWithTheSuite) {
    sim::SimPlatform device;
    auto& console = platformContext().console();
    console.startCapture();
    std::map<char, int> counts;
    for (const auto& entry :
         std::filesystem::directory_iterator(kDataDir + "/JSONTestSuite/test_parsing")) {
        const std::string name = entry.path().filename().string();
        const char expect = name[0];
        ++counts[expect];
        const std::string text = readBytes(entry.path());

        const auto file = PlacesFile::fromText(text);
        const bool loaderParsed = !file.error || file.error->kind == ErrorKind::notArray;

        QuorelProperty record;
        record.micro_data.emplace(text.begin(), text.end());
        console.clear();
        const auto entries = record.microDataEntries();
        const std::size_t lines = console.lines().size();
        const bool microParsed = lines == 0;
        EXPECT_LE(lines, 1u) << name;

        if (expect == 'y') {
            EXPECT_TRUE(loaderParsed) << name << ": " << file.error->message;
            EXPECT_TRUE(microParsed) << name << ": " << console.lines().front();
            EXPECT_EQ(entries.has_value(), !file.error) << name;
            if (entries && !file.error) {
                EXPECT_EQ(entries->size(), file.elementCount) << name;
            }
        } else if (expect == 'n') {
            EXPECT_FALSE(loaderParsed) << name;
            EXPECT_EQ(file.error ? file.error->kind : ErrorKind::unreadable, ErrorKind::notJson)
                << name;
            EXPECT_FALSE(microParsed) << name;
            EXPECT_FALSE(entries.has_value()) << name;
        } else {
            // Either way, but both decoders the same way.
            EXPECT_EQ(loaderParsed, microParsed) << name;
        }
    }
    EXPECT_EQ(counts['y'], 95);
    EXPECT_EQ(counts['n'], 188);
    EXPECT_EQ(counts['i'], 35);
}

}  // namespace
}  // namespace arquorel
