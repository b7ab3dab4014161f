#include "arquorel/places/DistanceText.h"

#include <gtest/gtest.h>

#include <cmath>

#include "arquorel/places/CategoryColor.h"
#include "arquorel/platform/resources/Bundle.h"
#include "sim/device/SimPlatform.h"

namespace arquorel {
namespace {

TEST(DistanceTextTest, BothUnitSystemsAndTheSetting) {
    sim::SimPlatform device;
    Bundle::framework().setLanguage("en");
    rereadUnitSetting();
    const struct {
        double metres;
        bool imperial;
        const char* text;
    } cases[] = {
        {999.4, false, "999m"},  {999.5, false, "1000m"}, {999.6, false, "1000m"},
        {1000, false, "1km"},    {1049, false, "1km"},    {1050, false, "1.1km"},
        {304.7, true, "1000ft"}, {304.8, true, "0.2mi"},  {1608, true, "1mi"},
        {0.16, true, "1ft"},     {NAN, false, ""},        {INFINITY, true, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(distanceText(c.metres, c.imperial), c.text) << c.metres << " " << c.imperial;
    Bundle::framework().setLanguage("fr");
    EXPECT_EQ(distanceText(100, true), "328pi");

    // Any stored value, false included, switches to imperial; the setting is read once.
    EXPECT_EQ(distanceText(1608), "1.6km");
    device.context().userDefaults().set(kImperialUnitsKey, false);
    EXPECT_EQ(distanceText(1608), "1.6km");
    rereadUnitSetting();
    EXPECT_EQ(distanceText(1608), "1mi");
    Bundle::framework().setLanguage("");
    rereadUnitSetting();
}

TEST(CategoryColorTest, LenientHexText) {
    const struct {
        const char* text;
        Color color;
    } cases[] = {
        {"#17A2B8", {0x17 / 255.0, 0xA2 / 255.0, 0xB8 / 255.0, 1}},
        {" \n#ff0000\t\r\n", {1, 0, 0, 1}},
        {"", {0, 0, 0, 1}},
        {"##FF0000", {0, 0, 0, 1}},              // one "#" is skipped
        {"#FF00", {0, 1, 0, 1}},                 // short: the low bits
        {"#12FF0000", {1, 0, 0, 1}},             // bits above 23 are ignored
        {"#00FF00 and more", {0, 1, 0, 1}},      // digits up to the first other character
        {"FFFFFFFFFFFFFFFFFFFF", {1, 1, 1, 1}},  // overflow saturates
    };
    for (const auto& c : cases) EXPECT_EQ(colorFromHexText(c.text), c.color) << c.text;
    EXPECT_EQ(colorFromHexText("#FFFFFF", 0.5).alpha, 0.5);
}

}  // namespace
}  // namespace arquorel
