#include "arquorel/places/QuorelProperty.h"

#include <gtest/gtest.h>

#include <array>
#include <tuple>

#include "sim/device/SimPlatform.h"

namespace arquorel {
namespace {

using namespace std::string_literals;
using Kind = MicroDataValue::Kind;

TEST(QuorelPropertyTest, AddressJoinsTheNonEmptyParts) {
    // house number, street, city, postcode -> display address
    const std::array<std::string, 5> cases[] = {
        {"", "", "", "", ""},
        {"12", "Main St", "", "", "12 Main St"},
        {"12", "Main St", "Paris", "75001", "12 Main St, Paris 75001"},
        {"", "Main St", "Paris", "75001", " Main St, Paris 75001"},
        {"", "", "", "7", " 7"},
        {"", "Main St", "", "7", " Main St,  7"},  // a second part of two characters
        {"1", "", "", "", "1 "},                   // a first part of two characters
        {"", "", "", "\xC3\xA9", " \xC3\xA9"},     // one character in two bytes
    };
    for (const auto& c : cases) {
        QuorelProperty p;
        std::tie(p.housenumber, p.street, p.city, p.postcode) = std::tie(c[0], c[1], c[2], c[3]);
        EXPECT_EQ(p.displayAddress(), c[4]);
    }
    QuorelProperty p;
    std::tie(p.housenumber, p.street, p.postcode) = std::tuple("12", "Main St", "75001");
    EXPECT_EQ(
        p.addressComponents(),
        (std::map<std::string, std::string>{
            {"housenumber", "12"}, {"street", "Main St"}, {"city", ""}, {"postcode", "75001"}}));
}

TEST(QuorelPropertyTest, MicroDataEntriesAreTheTopLevelArrayElements) {
    sim::SimPlatform device;
    auto& console = platformContext().console();
    console.startCapture();
    const auto entries = [](const std::string& text) {
        QuorelProperty p;
        p.micro_data.emplace(text.begin(), text.end());
        return p.microDataEntries();
    };
    EXPECT_EQ(entries(R"([ {"name": "fee", "words": ["Yes"]}, [1, 2], "s", 1.5, true, null ])"),
              (std::vector<MicroDataValue>{{Kind::object, R"({"name":"fee","words":["Yes"]})"},
                                           {Kind::array, "[1,2]"},
                                           {Kind::string, R"("s")"},
                                           {Kind::number, "1.5"},
                                           {Kind::boolean, "true"},
                                           {Kind::null, "null"}}));
    EXPECT_EQ(entries(" [ ] "), std::vector<MicroDataValue>{});
    EXPECT_TRUE(entries(std::string(256, '[') + std::string(256, ']')).has_value());
    EXPECT_FALSE(QuorelProperty().microDataEntries().has_value());
    EXPECT_TRUE(console.lines().empty());

    // None, with one console line when the text is not JSON. After a NUL byte the parser alone
    // would stop and accept "[1]"; nesting beyond 256 levels would overflow the stack.
    const std::string deep = std::string(100000, '[') + std::string(100000, ']');
    const std::pair<std::string, std::size_t> cases[] = {
        {"{\"a\": 1}", 0}, {"\"s\"", 0},      {"42", 0},        {"no", 1}, {"", 1},
        {"[1,", 1},        {"[\"\xFF\"]", 1}, {"[1]\0[2]"s, 1}, {deep, 1}};
    for (const auto& [text, lines] : cases) {
        console.clear();
        EXPECT_FALSE(entries(text).has_value()) << text.substr(0, 20);
        EXPECT_EQ(console.lines().size(), lines) << text.substr(0, 20);
    }
}

}  // namespace
}  // namespace arquorel
