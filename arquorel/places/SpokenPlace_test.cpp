#include "arquorel/places/SpokenPlace.h"

#include <gtest/gtest.h>

#include <cmath>

#include "arquorel/places/DistanceText.h"
#include "arquorel/platform/resources/Bundle.h"
#include "sim/device/SimPlatform.h"

namespace arquorel {
namespace {

TEST(SpokenPlaceTest, DirectionsFromTheWayThePhoneLooksAcrossNorth) {
    sim::SimPlatform device;
    Bundle::framework().setLanguage("en");
    const struct {
        double azimuth;
        double heading;
        const char* words;
    } cases[] = {
        {5, 355, "ahead"},
        {355, 5, "ahead"},
        {90, 80, "ahead"},
        {90, 79, "slightly right"},
        {70, 80, "ahead"},
        {69, 80, "slightly left"},
        {125, 80, "slightly right"},
        {126, 80, "to the right"},
        {350, 80, "to the left"},
        {215, 80, "to the right"},
        {216, 80, "behind"},
        {260, 80, "behind"},
        {NAN, 80, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(directionWords(c.azimuth, c.heading), c.words) << c.azimuth << " " << c.heading;
    Bundle::framework().setLanguage("fr");
    EXPECT_EQ(directionWords(300, 0), "à gauche");
    Bundle::framework().setLanguage("");
}

TEST(SpokenPlaceTest, ReadingsSpaceTheUnitAndSkipWhatIsUnknown) {
    sim::SimPlatform device;
    Bundle::framework().setLanguage("en");
    rereadUnitSetting();
    EXPECT_EQ(placeReading("Casino de Monte Carlo", "Casino", 70.2, "ahead"),
              "Casino de Monte Carlo, Casino, 70 m, ahead");
    EXPECT_EQ(placeReading("Chanel", "", NAN, ""), "Chanel");
    EXPECT_EQ(spokenDistance(1050), "1.1 km");
    EXPECT_EQ(localizedFormat("a11yWalkingRoute", "1.1 km", "{1} Cathédrale"),
              "Walking route of 1.1 km to {1} Cathédrale");
    Bundle::framework().setLanguage("");
}

}  // namespace
}  // namespace arquorel
