#include "arquorel/places/PlacesFile.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
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
    // Appended piece by piece: g++ 12 at -O3 warns wrongly (-Wrestrict) about "literal" +
    // std::string temporaries.
    for (const auto& p : file.problems) {
        texts += '\n';
        texts += p.text();
    }
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

// An error points at the start of the offending token and names the record it interrupts.
TEST(PlacesFileTest, UnusableTextsGiveOneErrorAtTheOffendingToken) {
    const std::tuple<std::string, std::string, std::string> cases[] = {
        {"[\n {\"lat\": 1,\n  \"lng\": x}\n]", "notJson 3:10 in record 0", "invalid literal"},
        {"[\"\xC3\xA9\", x]", "notJson 1:7 after record 0", ""},  // columns count characters
        {"[{\"id\": \"p\", \"name\": \"caf\xE9\"}]", "notJson 1:22 in record 0 (id \"p\")",
         "UTF-8"},
        {R"([{"id": "a", "lat": 0, "lng": 0}, {"id": "b", "lat": tru}])",
         "notJson 1:54 in record 1 (id \"b\")", ""},
        {R"([{"id": "a", "lat": 0, "lng": 0} {"lat": 1}])",
         "notJson 1:34 after record 0 (id \"a\")", "unexpected '{'"},
        {"[{\"lat\": 1, \"names\": [1, -]}]", "notJson 1:26 in record 0", "after '-'"},
        {"[[1, 2.]]", "notJson 1:6 in record 0", ""},
        {"[1e-x]", "notJson 1:2", "after exponent sign"},
        {"[12 34]", "notJson 1:5 after record 0", "number literal"},
        {"[{\"lat\": 1, \"x\": \"abc", "notJson 1:18 in record 0", "closing quote"},
        {"[1,\n", "notJson 2:1 after record 0", "end of input"},
        {"[1e400 x]", "notJson 1:8 after record 0", ""},  // the error after an out-of-range number
        {"{1e400: 0}", "notJson 1:2", ""},
        // The parser alone would take the NUL for the end and accept the array before it.
        {"[]\n \0[{\"id\":1}]"s, "notJson 2:2", "not JSON: NUL byte"},
        {"[\"\xE9\", \0"s, "notJson 1:7", "NUL byte"},  // a bad byte counts as a character
        {std::string(100000, '['), "notJson 1:257", "not JSON: nested deeper than 256 levels"},
        {"\n  {\"lat\": 1, \"lng\": 2}", "notArray 2:3",
         "not a JSON array: the top level is object"},
        {"1e400", "notArray 1:1", "the top level is number"},
        {"\xEF\xBB\xBF[]", "", ""},
    };
    for (const auto& [text, where, what] : cases) {
        const auto e = PlacesFile::fromText(text).error;
        std::string got;
        if (e) {
            const std::string position = std::to_string(e->line) + ":" + std::to_string(e->column);
            const std::string prefix =
                "line " + std::to_string(e->line) + ", column " + std::to_string(e->column) + ": ";
            EXPECT_THAT(e->message, ::testing::StartsWith(prefix));
            EXPECT_THAT(e->message, ::testing::HasSubstr(what));
            const auto context = e->message.rfind("; ");
            const bool named =
                context != std::string::npos && (e->message.compare(context + 2, 3, "in ") == 0 ||
                                                 e->message.compare(context + 2, 6, "after ") == 0);
            got = e->kind == ErrorKind::notArray ? "notArray " : "notJson ";
            got += position;
            if (named) {
                got += ' ';
                got += e->message.substr(context + 2);
            }
        }
        EXPECT_EQ(got, where) << text.substr(0, 40);
    }
    const auto file = PlacesFile::fromText("[\"\xE9\", 1]");
    EXPECT_EQ(file.error->message,
              "line 1, column 2: not JSON: syntax error while parsing value - invalid string: "
              "ill-formed UTF-8 byte")
        << "printable, without the parser's own position and excerpt";
}

// The nesting check skips strings, escaped quotes included: brackets inside never count.
TEST(PlacesFileTest, BracketsInsideStringsDoNotCountTowardsTheNesting) {
    for (const std::string inner : {"", "\\\"", "\\\\\\\""}) {
        const std::string name = inner + std::string(300, '[');
        const auto file =
            PlacesFile::fromText(R"([{"lat": 0, "lng": 0, "name": ")" + name + R"("}])");
        ASSERT_FALSE(file.error) << inner << ": " << file.error->message;
        EXPECT_EQ(file.records.at(0)->name.size(), name.size() - inner.size() / 2);
    }
    EXPECT_TRUE(PlacesFile::fromText(R"(["\\")" + std::string(300, '[')).error);
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

// A number beyond the range of a double is a problem of its record's field, never of the file:
// the field counts as missing (inside a container the number is kept as null) and every other
// value is read.
TEST(PlacesFileTest, NumbersBeyondADoubleAreProblemsOfTheirField) {
    const auto file = PlacesFile::fromText(
        R"([{"id": "a", "lat": 1, "lng": 2e-1, "distance": 1.7976931348623159e308,)"
        R"(   "rand_main_poosition": -1.7976931348623157e308, "unknown": 1e400, "price": "9"},)"
        R"( {"id": "b", "lat": -123123e100000, "lng": 2}, 1.5e+9999,)"
        R"( {"lat": 1, "lng": 2, "rand_position": 100000000000000000000000000000000000000000e400,)"
        R"(  "names": ["x", 1E999],)"
        R"(  "micro_data": [{"words": [1e309]}], "category_id": 123e-10000000},)"
        R"( {"id": "c", "lat": 0.4e0066999, "lng": 1e-400}, {"id": "d", "lat": 1, "lng": 2}])");
    ASSERT_FALSE(file.error) << file.error->message;
    EXPECT_EQ(file.elementCount, 6u);
    ASSERT_EQ(file.records.size(), 3u);
    const auto& a = *file.records.at(0);
    EXPECT_EQ(std::tuple(a.distance, a.rand_main_poosition, a.price),
              std::tuple(0.0, -1.7976931348623157e308, "9"s));
    const auto& r = *file.records.at(1);
    EXPECT_EQ(std::tuple(r.rand_position, r.names, bytes(r.micro_data), r.category_id),
              std::tuple(std::int64_t{0}, std::vector<std::string>{"x"}, R"([{"words":[null]}])"s,
                         std::int64_t{0}));
    EXPECT_EQ(file.records.at(2)->id, "d");
    EXPECT_EQ(problemTexts(file), R"(
record 0 (id "a"): distance: number out of the range of a double: 1.7976931348623159e308
record 1 (id "b"): lat: number out of the range of a double: -123123e100000 (record left out)
record 2: not an object: number 1.5e+9999 (record left out)
record 3: names: number out of the range of a double: 1E999 (read as null)
record 3: names[1]: expected a string, got null
record 3: micro_data: number out of the range of a double: 1e309 (read as null)
record 3: rand_position: number out of the range of a double: 1000000000000000000000000000000000000000…
record 4 (id "c"): lat: number out of the range of a double: 0.4e0066999 (record left out))");

    // The micro-data block reads such numbers as null too, with one line.
    sim::SimPlatform device;
    auto& console = platformContext().console();
    console.startCapture();
    QuorelProperty record;
    const std::string block = R"([{"words": [1e309, -1e400]}, 2, 1e-400])";
    record.micro_data.emplace(block.begin(), block.end());
    using Kind = MicroDataValue::Kind;
    EXPECT_EQ(record.microDataEntries(),
              (std::vector<MicroDataValue>{{Kind::object, R"({"words":[null,null]})"},
                                           {Kind::number, "2"},
                                           {Kind::number, "0.0"}}));
    EXPECT_EQ(console.lines(),
              (std::vector<std::string>{"micro_data: 2 number(s) out of the range of a double read "
                                        "as null, the first at byte 13"}));
}

// Whole-number fields take exactly the 64-bit range; a wider value is a problem, never rounded.
TEST(PlacesFileTest, WholeNumberFieldsHoldExactly64Bits) {
    const std::pair<std::string, std::string> cases[] = {
        {"9223372036854775807", "9223372036854775807"},
        {"-9223372036854775808", "-9223372036854775808"},
        {"-9.223372036854775808e18", "-9223372036854775808"},
        {"4.5e15", "4500000000000000"},
        {"-0.0", "0"},
        {"1e-400", "0"},
        {"9223372036854775808", "out of the 64-bit integer range: number 9223372036854775808"},
        {"-9223372036854775809", "out of the 64-bit integer range: number -9223372036854775809"},
        {"18446744073709551616", "out of the 64-bit integer range: number 18446744073709551616"},
        {"9223372036854775807.0", "out of the 64-bit integer range: number 9.223372036854776e+18"},
        {"-2.5", "not a whole number: number -2.5"},
        {"1E19", "out of the 64-bit integer range: number 1e+19"},
        {"100000000000000000000, \"category_id\": 5", "5"},  // the last value counts
    };
    for (const auto& [number, expected] : cases) {
        const auto file =
            PlacesFile::fromText(R"([{"lat": 0, "lng": 0, "category_id": )" + number + "}]");
        ASSERT_EQ(file.records.size(), 1u) << number;
        EXPECT_EQ(file.problems.empty() ? std::to_string(file.records[0]->category_id)
                                        : file.problems.at(0).message,
                  expected);
    }
}

// Everything a load gives, for comparing two loads.
std::string summary(const PlacesFile& file) {
    std::string out = file.error ? file.error->message : "ok";
    out += " elements " + std::to_string(file.elementCount) + problemTexts(file);
    for (const auto& r : file.records) {
        out += "\n" + r->id + "|" + r->name + "|" + std::to_string(r->lat) + "|" +
               std::to_string(r->lng) + "|" + std::to_string(r->category_id) + "|" +
               bytes(r->micro_data);
        for (const auto& n : r->names) out += "|" + n;
    }
    return out;
}

// A file is read in blocks and cut into elements as it goes; whatever the text, the result is
// the one of the same text in memory (with the path before an error's message).
TEST(PlacesFileTest, AFileReadInBlocksLoadsLikeItsText) {
    const std::string record = R"({"id": "a]\"}", "lat": 1, "lng": 2, "names": ["[", "{\\"],)"
                               R"( "micro_data": [{"name": "x", "words": ["]"]}]})";
    const std::string big(1'500'000, 'x');  // an element across blocks
    std::vector<std::string> texts = {
        "[" + record + ",\n" + record + "]\n",
        "\xEF\xBB\xBF \r\n\t[ " + record + " , 1 , \"s]\" , true , null , [1, {\"a\": []}] ]",
        "[]",
        "[ ]",
        "[\n]\n\n",
        "",
        "  ",
        "{}",
        "7",
        "[" + record,
        "[" + record + ",]",
        "[" + record + "] x",
        "[" + record + "][]",
        "[1 2]",
        "[" + record + "\0]"s,
        "[" + record + "]\0"s,
        R"([{"lat": 1e400, "lng": 2}, {"lat": 1, "lng": 2}])",
        "[" + std::string(300, '[') + std::string(300, ']') + "]",
        "[\"\xE9\"]",
        R"([{"id": "b", "lat": 1, "lng": 2, "name": ")" + big + R"("}, 5])",
        "[" + record + ", {\"lat\": tru}]",
        "[\"a\\\"]",
        "[\"\\\\\", 1]",
        "[\xEF\xBB\xBF\"name\"]",
        "[1, \xEF\xBB\xBF{\"lat\": 1, \"lng\": 2}]"};
    for (const auto& entry :
         std::filesystem::directory_iterator(kDataDir + "/JSONTestSuite/test_parsing")) {
        std::ifstream in(entry.path(), std::ios::binary);
        texts.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    const auto path = std::filesystem::temp_directory_path() / "arquorel-blocks-test.json";
    for (const auto& text : texts) {
        std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
        auto expected = PlacesFile::fromText(text);
        const std::string plain = summary(expected);
        // A source handing out a few bytes at a time cuts elements, strings and UTF-8
        // sequences anywhere.
        for (const std::size_t most : {1u, 7u, 4096u}) {
            const auto file =
                PlacesFile::fromSource("", [&](std::uint64_t offset, char* into, std::size_t size) {
                    const std::size_t n = std::min({size, most, text.size() - offset});
                    text.copy(into, n, offset);
                    return n;
                });
            EXPECT_EQ(summary(file), plain) << most << " " << text.substr(0, 60);
        }
        if (expected.error)
            expected.error->message = path.string() + ": " + expected.error->message;
        EXPECT_EQ(summary(PlacesFile::fromPath(path)), summary(expected)) << text.substr(0, 60);
    }
    std::filesystem::remove(path);
}

// A good text is read once, in order, so that it never has to be held whole; a bad one is read
// again from the start to be reported exactly. A failing source ends the load with its reason.
TEST(PlacesFileTest, ASourceIsReadOnceUnlessTheTextIsBadAndItsFailuresAreReported) {
    std::string good = "[";
    for (int i = 0; i < 2000; ++i)
        good += (i ? "," : "") + R"({"id": "r)"s + std::to_string(i) + R"(", "lat": 1, "lng": 2})";
    good += "]";
    const std::string bad = good.substr(0, good.size() - 1) + ",]";
    struct Reads {
        std::vector<std::uint64_t> offsets;
        std::uint64_t bytes = 0;
    };
    // Fails at the read numbered `failAt` (from 0); claims `extra` bytes more than asked for.
    const auto from = [](const std::string& text, Reads& reads, std::size_t failAt = SIZE_MAX,
                         std::size_t extra = 0) {
        return PlacesFile::fromSource(
            "picked.json",
            [&text, &reads, failAt, extra](std::uint64_t offset, char* into,
                                           std::size_t size) -> std::size_t {
                reads.offsets.push_back(offset);
                if (reads.offsets.size() > failAt) throw std::runtime_error("the file went away");
                const std::size_t n = std::min<std::size_t>(size, text.size() - offset);
                text.copy(into, n, offset);
                reads.bytes += n;
                return extra != 0 ? size + extra : n;
            });
    };
    Reads once;
    const auto file = from(good, once);
    ASSERT_FALSE(file.error) << file.error->message;
    EXPECT_EQ(file.records.size(), 2000u);
    EXPECT_EQ(once.bytes, good.size());
    EXPECT_TRUE(std::is_sorted(once.offsets.begin(), once.offsets.end()));

    Reads twice;
    const auto refused = from(bad, twice);
    EXPECT_EQ(refused.error->message,
              PlacesFile::fromText(bad).error->message.insert(0, "picked.json: "));
    EXPECT_EQ(twice.bytes, 2 * bad.size());

    for (const std::size_t failAt : {0u, 1u}) {
        Reads failing;
        const auto failed = from(good, failing, failAt);
        ASSERT_TRUE(failed.error);
        EXPECT_EQ(failed.error->kind, ErrorKind::unreadable);
        EXPECT_EQ(failed.error->message, "cannot read picked.json: the file went away");
        EXPECT_TRUE(failed.records.empty());
    }
    Reads inTheRetry;
    const auto retry = std::find(twice.offsets.begin() + 1, twice.offsets.end(), 0u);
    EXPECT_EQ(from(bad, inTheRetry, std::size_t(retry - twice.offsets.begin()) + 1).error->message,
              "cannot read picked.json: the file went away");

    Reads overlong;
    EXPECT_EQ(from(good, overlong, SIZE_MAX, 1).error->message,
              "cannot read picked.json: the source returned more bytes than asked for");
}

// Every field of a record, doubles to the bit.
std::string everything(const QuorelProperty& r) {
    std::string out;
    for (const PlaceText* t : {&r.id,
                               &r.category_color,
                               &r.parent_category_title,
                               &r.category,
                               &r.brand_category_color,
                               &r.name,
                               &r.searchNames,
                               &r.img,
                               &r.logo,
                               &r.elevation,
                               &r.elevation_height,
                               &r.housenumber,
                               &r.street,
                               &r.city,
                               &r.postcode,
                               &r.opening_hours,
                               &r.phone,
                               &r.link,
                               &r.email,
                               &r.facebook,
                               &r.wikipedia,
                               &r.shareText,
                               &r.shareurl,
                               &r.price,
                               &r.squareMeters,
                               &r.pieces}) {
        out += t->view();
        out += '|';
    }
    for (const std::int64_t n : {r.category_id, r.rand_position, r.package})
        out += std::to_string(n) + "|";
    for (const double d : {r.lat, r.lng, r.distance, r.rand_main_poosition}) {
        char hex[64];
        std::snprintf(hex, sizeof hex, "%a|", d);
        out += hex;
    }
    for (const auto& n : r.names) out += n + "|";
    return out + bytes(r.micro_data);
}

// Records read straight from a streamed text must come out as the parser reads them: every
// kind of value in every field, a record's keys in any order, duplicates, unknown keys, and
// records with problems between them.
TEST(PlacesFileTest, StreamedRecordsReadExactlyAsTheParserReadsThem) {
    const std::string plain =
        R"("id":"r1","lat":43.7453475,"lng":7.4577678,"category":"Parking","category_id":80,)"
        R"("city":"","distance":0,"micro_data":[{"name":"fee","words":["Yes"]}],)"
        R"("name":"Parking du Chemin des Pêcheurs","names":[],"package":0)";
    const std::vector<std::string> fields = {
        R"("name": "a\"b\\c\/d\n\t\b\f\r")",
        R"("name": "\u00e9t\u00E9")",
        R"("name": "몬테 카를로 😀 )"
        "\x7F"
        R"(")",
        R"("micro_data": [{"words": ["x"], "name": "n"}])",
        R"("micro_data": [ {"name": "n"} ])",
        R"("micro_data": [{"a": "1", "a": "2"}])",
        R"("micro_data":[{"a":"1","a":"2"}])",
        R"("micro_data": [{"b": {"z": "1", "a": "2"}}, [], {}, [[]]])",
        R"("micro_data": [1, 2.50, -0, 1E2, true, null, "é\"\/"])",
        R"("micro_data": ["a\/b", {"c\"": "d"}])",
        R"("micro_data": ["a\/b"])",
        R"("micro_data": "a text \"quoted\"")",
        R"("micro_data": {})",
        R"("micro_data": [])",
        R"("micro_data": false)",
        R"("micro_data": null)",
        R"("micro_data": [{"name":"x","words":["Ü","ü"]},{"name":"y"}])",
        R"("lat": 43, "lng": -0)",
        R"("lat": -0.0, "lng": 1e1)",
        R"("lat": 4.37E+1, "lng": 7.4577678000000000000000000000000001)",
        R"("lat": 90, "lng": -180)",
        // Halfway between two doubles (to even), just above it, and the smallest normal.
        R"("lat": 1.00000000000000011102230246251565404236316680908203125)",
        R"("lat": 1.00000000000000011102230246251565404236316680908203126)",
        R"("lat": 2.2250738585072011e-308, "lng": 0.000000000000000000000000000000001e34)",
        R"("lat": 90.0000001)",
        R"("lat": "43.7")",
        R"("lat": null)",
        R"("lat": "x", "lat": 12.5)",
        R"("lng": 1e-400)",
        R"("category_id": -5, "rand_position": 9223372036854775807)",
        R"("category_id": 9223372036854775808)",
        R"("category_id": -9223372036854775809)",
        R"("category_id": 1.0)",
        R"("category_id": "5")",
        R"("distance": 123456789012345678901234567890, "rand_main_poosition": 0.1)",
        R"("distance": 2.5e-310)",
        R"("name": null, "names": null, "category_id": null, "distance": null)",
        R"("names": ["a", "b\"c", "é"])",
        R"("names": ["a", 1])",
        R"("names": "a")",
        R"("name": 5)",
        R"("name": 1, "name": "kept")",
        R"("extra": {"deep": [1, {"x": null}], "e": 1e5}, "more": true, "most": [])",
        R"("extra": -1)",
        R"("n\u0061me": "escaped key")",
        R"("id": "i\"d")",
        " \"name\"\t:\n\"spaced\" \r",
    };
    // Fields that make the whole text unusable or have it read again by the parser (a number
    // beyond a double): compared alone.
    const std::vector<std::string> alone = {
        R"("lat": 1e400, "lat": 12.5)",
        R"("lat": 12.5, "lat": 1e400)",
        R"("extra": [1e400])",
        R"("extra": 1e400)",
        "\"name\": \"a\tb\"",
        "\"name\": \"\xC0\xAF\"",
        "\"name\": \"\xED\xA0\x80\"",
        "\"name\": \"\xF4\x90\x80\x80\"",
        "\"name\": \"\xE0\x9F\xBF\"",
        R"("name": "\x")",
        R"("lat": 01)",
        R"("lat": 1.)",
        R"("lat": nul)",
        R"("a" 1)",
    };
    // Compares the loads of a text; returns whether the stream was read once (whether it was
    // not handed to the parser whole).
    const auto compare = [](const std::string& text) {
        const auto expected = PlacesFile::fromText(text);
        std::size_t bytes = 0;
        const auto file =
            PlacesFile::fromSource("", [&](std::uint64_t offset, char* into, std::size_t size) {
                const std::size_t n = text.copy(into, size, offset);
                bytes += n;
                return n;
            });
        EXPECT_EQ(file.error ? file.error->message : "",
                  expected.error ? expected.error->message : "");
        EXPECT_EQ(file.elementCount, expected.elementCount);
        EXPECT_EQ(problemTexts(file), problemTexts(expected));
        if (file.records.size() != expected.records.size()) {
            ADD_FAILURE() << file.records.size() << " records, not " << expected.records.size();
            return false;
        }
        for (std::size_t i = 0; i < file.records.size(); ++i)
            EXPECT_EQ(everything(*file.records[i]), everything(*expected.records[i])) << i;
        return bytes == text.size();
    };
    const auto records = [&](const std::string& field) {
        return "{" + plain + "," + field + "},\n{" + field + "," + plain + "}";
    };
    for (const auto& field : alone) {
        SCOPED_TRACE(field);
        compare("[" + records(field) + "]");
    }
    std::string text = "[";
    for (const auto& field : fields) {
        text += records(field) + ",\n";
        EXPECT_TRUE(compare("[" + records(field) + "]")) << field;
    }
    text += R"({"lng": 2, "id": "b", "lat": 1}, {"lat": 1, "id": "c", "lng": 2}, {}, 5, "s", [],)";
    text += R"({"lat": 1, "lng": 2}])";
    ASSERT_FALSE(PlacesFile::fromText(text).error);
    EXPECT_TRUE(compare(text));
}

// Both JSON decoders against the parsing test suite: "y" texts must be accepted, "n" texts
// rejected, "i" texts either way but alike (numbers out of range accepted), and none may crash.
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
        EXPECT_TRUE(name[0] == 'i' || parsed == console.lines().empty()) << name;
        EXPECT_TRUE(name[0] == 'i' || parsed == (name[0] == 'y')) << name;
        // Numbers beyond the range of a double never refuse a text.
        EXPECT_TRUE(parsed || !name.starts_with("i_number_")) << name;
        EXPECT_EQ(entries ? int(entries->size()) : -1, file.error ? -1 : int(file.elementCount))
            << name;
    }
    EXPECT_EQ(counts, (std::map<char, int>{{'i', 35}, {'n', 188}, {'y', 95}}));
}

}  // namespace
}  // namespace arquorel
