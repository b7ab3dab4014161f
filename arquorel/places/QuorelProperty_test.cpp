#include "arquorel/places/QuorelProperty.h"

#include <gtest/gtest.h>

#include "sim/device/SimPlatform.h"

namespace arquorel {
namespace {

using namespace std::string_literals;
using Kind = MicroDataValue::Kind;

QuorelProperty withAddress(std::string housenumber, std::string street, std::string city,
                           std::string postcode) {
    QuorelProperty p;
    p.housenumber = std::move(housenumber);
    p.street = std::move(street);
    p.city = std::move(city);
    p.postcode = std::move(postcode);
    return p;
}

TEST(QuorelPropertyTest, NewRecordHasInitialValues) {
    const QuorelProperty p;
    for (const std::string* s : {&p.id,
                                 &p.category_color,
                                 &p.parent_category_title,
                                 &p.category,
                                 &p.brand_category_color,
                                 &p.name,
                                 &p.searchNames,
                                 &p.img,
                                 &p.logo,
                                 &p.elevation,
                                 &p.elevation_height,
                                 &p.housenumber,
                                 &p.street,
                                 &p.city,
                                 &p.postcode,
                                 &p.opening_hours,
                                 &p.phone,
                                 &p.link,
                                 &p.email,
                                 &p.facebook,
                                 &p.wikipedia,
                                 &p.shareText,
                                 &p.shareurl,
                                 &p.price,
                                 &p.squareMeters,
                                 &p.pieces})
        EXPECT_TRUE(s->empty());
    EXPECT_TRUE(p.names.empty());
    EXPECT_FALSE(p.micro_data.has_value());
    EXPECT_EQ(p.category_id, 0);
    EXPECT_EQ(p.rand_position, 0);
    EXPECT_EQ(p.package, 0);
    EXPECT_EQ(p.lat, 0);
    EXPECT_EQ(p.lng, 0);
    EXPECT_EQ(p.distance, 0);
    EXPECT_EQ(p.rand_main_poosition, 0);
    EXPECT_EQ(p.displayTitle(), "");
}

TEST(QuorelPropertyTest, DisplayAddressJoinsTheNonEmptyParts) {
    struct Case {
        QuorelProperty p;
        std::string expected;
    };
    const Case cases[] = {
        {withAddress("", "", "", ""), ""},
        {withAddress("12", "Main St", "", ""), "12 Main St"},
        // Without a house number the first part begins with the separating space.
        {withAddress("", "Main St", "Paris", "75001"), " Main St, Paris 75001"},
        {withAddress("12", "Main St", "Paris", "75001"), "12 Main St, Paris 75001"},
        {withAddress("12", "", "", ""), "12 "},
        {withAddress("", "", "Monaco", ""), "Monaco "},
        // One character, counted as one although it is two bytes.
        {withAddress("", "", "", "\xC3\xA9"), " \xC3\xA9"},
        {withAddress("", "", "", "7"), " 7"},
        {withAddress("", "Place du Casino", "Monaco", "98000"), " Place du Casino, Monaco 98000"},
        {withAddress("", "Rue Grimaldi", "", "98000"), " Rue Grimaldi,  98000"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.p.displayAddress(), c.expected);
}

TEST(QuorelPropertyTest, AddressComponentsHaveExactlyTheFourParts) {
    const auto parts = withAddress("", "Main St", "Paris", "").addressComponents();
    const std::map<std::string, std::string> expected = {
        {"housenumber", ""}, {"street", "Main St"}, {"city", "Paris"}, {"postcode", ""}};
    EXPECT_EQ(parts, expected);
}

class MicroDataTest : public ::testing::Test {
  protected:
    void SetUp() override { platformContext().console().startCapture(); }

    std::optional<std::vector<MicroDataValue>> entries(const std::string& text) {
        QuorelProperty p;
        p.micro_data.emplace(text.begin(), text.end());
        return p.microDataEntries();
    }
    std::size_t consoleLines() { return platformContext().console().lines().size(); }

    sim::SimPlatform device;
};

TEST_F(MicroDataTest, ArrayElementsKeepTheirKindAndCompactText) {
    const auto got =
        entries(R"([ {"name": "fee", "words": ["Yes"]}, [1, 2], "s", 1.5, true, null ])");
    ASSERT_TRUE(got.has_value());
    const std::vector<MicroDataValue> expected = {
        {Kind::object, R"({"name":"fee","words":["Yes"]})"},
        {Kind::array, "[1,2]"},
        {Kind::string, R"("s")"},
        {Kind::number, "1.5"},
        {Kind::boolean, "true"},
        {Kind::null, "null"},
    };
    EXPECT_EQ(*got, expected);
    EXPECT_EQ(entries(" [ ] "), std::vector<MicroDataValue>{});
    EXPECT_EQ(consoleLines(), 0u);
}

TEST_F(MicroDataTest, NoBlockOrANonArrayTopLevelGivesNoneSilently) {
    EXPECT_FALSE(QuorelProperty().microDataEntries().has_value());
    for (const char* text : {R"({"name": "fee"})", R"("fragment")", "42", "null"})
        EXPECT_FALSE(entries(text).has_value()) << text;
    EXPECT_EQ(consoleLines(), 0u);
}

TEST_F(MicroDataTest, TextThatIsNotJsonGivesNoneAndOneConsoleLine) {
    // After a NUL byte the parser alone would stop and accept "[1]"; nesting beyond 256 levels
    // would overflow the stack when the elements are written out.
    const std::string deep = std::string(100000, '[') + std::string(100000, ']');
    for (const std::string& text : {"not json"s, ""s, "[1,"s, "[\"\xFF\"]"s, "[1]\0[2]"s, deep}) {
        platformContext().console().clear();
        EXPECT_FALSE(entries(text).has_value()) << text.substr(0, 20);
        EXPECT_EQ(consoleLines(), 1u) << text.substr(0, 20);
    }
    EXPECT_TRUE(entries(std::string(256, '[') + std::string(256, ']')).has_value());
}

}  // namespace
}  // namespace arquorel
