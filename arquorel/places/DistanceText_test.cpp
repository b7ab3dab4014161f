#include "arquorel/places/DistanceText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "arquorel/places/CategoryColor.h"
#include "arquorel/platform/resources/Bundle.h"
#include "sim/device/SimPlatform.h"

namespace arquorel {
namespace {

class DistanceTextTest : public ::testing::Test {
  protected:
    void SetUp() override {
        Bundle::framework().setLanguage("en");
        rereadUnitSetting();
    }
    void TearDown() override {
        Bundle::framework().setLanguage("");
        rereadUnitSetting();
    }
    sim::SimPlatform device;
};

TEST_F(DistanceTextTest, MetricAndImperialEdges) {
    const struct {
        double metres;
        bool imperial;
        const char* text;
    } cases[] = {
        {0, false, "0m"},
        {999.4, false, "999m"},
        {999.5, false, "1000m"},  // halves away from zero
        {999.6, false, "1000m"},
        {1000, false, "1km"},
        {1049, false, "1km"},
        {1050, false, "1.1km"},
        {12345, false, "12.3km"},
        {304.7, true, "1000ft"},  // 999.67 ft
        {304.79999024640034, true, "0.2mi"},
        {304.8, true, "0.2mi"},
        {1608, true, "1mi"},  // a mile is 1608 m here
        {1609.344, true, "1mi"},
        {0.15, true, "0ft"},
        {0.16, true, "1ft"},
        {8040, true, "5mi"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(distanceText(c.metres, c.imperial), c.text) << c.metres << " " << c.imperial;
}

TEST_F(DistanceTextTest, NonFiniteDistancesGiveNoText) {
    for (double d : {std::nan(""), std::numeric_limits<double>::infinity(),
                     -std::numeric_limits<double>::infinity()}) {
        EXPECT_EQ(distanceText(d, false), "");
        EXPECT_EQ(distanceText(d, true), "");
    }
    // Far beyond any integer type, still a plain number.
    EXPECT_EQ(distanceText(1e30, false).substr(0, 3), "100");
}

TEST_F(DistanceTextTest, UnitTextsAreLocalised) {
    Bundle::framework().setLanguage("fr");
    EXPECT_EQ(distanceText(100, true), "328pi");
    EXPECT_EQ(distanceText(100, false), "100m");
}

TEST_F(DistanceTextTest, AnyStoredSettingSwitchesToImperialReadOnce) {
    EXPECT_EQ(distanceText(1608), "1.6km");
    // Read once: storing the key later changes nothing until the setting is read again.
    device.context().userDefaults().set(kImperialUnitsKey, false);
    EXPECT_EQ(distanceText(1608), "1.6km");
    rereadUnitSetting();
    EXPECT_EQ(distanceText(1608), "1mi");  // false still counts: presence is what matters
    device.context().userDefaults().removeObject(kImperialUnitsKey);
    rereadUnitSetting();
    EXPECT_FALSE(usesImperialUnits());
}

TEST(CategoryColorTest, LenientHexText) {
    const struct {
        const char* text;
        double alpha;
        Color color;
    } cases[] = {
        {"#17A2B8", 1, {0x17 / 255.0, 0xA2 / 255.0, 0xB8 / 255.0, 1}},
        {"17a2b8", 0.5, {0x17 / 255.0, 0xA2 / 255.0, 0xB8 / 255.0, 0.5}},
        {" \n#FF0000\t\r\n", 1, {1, 0, 0, 1}},
        {"", 1, {0, 0, 0, 1}},
        {"#", 1, {0, 0, 0, 1}},
        {"zz", 1, {0, 0, 0, 1}},
        {"##FF0000", 1, {0, 0, 0, 1}},              // only one "#" is skipped
        {"#FF00", 1, {0, 1, 0, 1}},                 // short: the low bits
        {"#12FF0000", 1, {1, 0, 0, 1}},             // long: bits above 23 are ignored
        {"#00FF00 and more", 1, {0, 1, 0, 1}},      // digits up to the first other character
        {"FFFFFFFFFFFFFFFFFFFF", 1, {1, 1, 1, 1}},  // overflow saturates
    };
    for (const auto& c : cases) EXPECT_EQ(colorFromHexText(c.text, c.alpha), c.color) << c.text;
}

}  // namespace
}  // namespace arquorel
