#include "arquorel/platform/sensors/CountryAreas.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>

namespace arquorel {
namespace {

TEST(CountryAreasTest, TellsTheCountriesApart) {
    // Monaco lies inside France's outline; Menton is France, Ventimiglia Italy.
    const std::pair<Coordinate, const char*> cases[] = {
        {{43.7393682, 7.4272085}, "MC"}, {{43.7034, 7.2663}, "FR"},  {{43.7750, 7.5000}, "FR"},
        {{48.8566, 2.3522}, "FR"},       {{42.1500, 9.0800}, "FR"},  {{43.7900, 7.6100}, "IT"},
        {{41.9028, 12.4964}, "IT"},      {{37.5000, 14.0000}, "IT"}, {{47.1410, 9.5209}, "LI"},
        {{47.3769, 8.5417}, "CH"},       {{46.9480, 7.4474}, "CH"},  {{48.2082, 16.3738}, "AT"},
        {{47.2692, 11.4041}, "AT"},      {{52.5200, 13.4050}, "DE"}, {{48.1351, 11.5820}, "DE"},
        {{39.7392, -104.99}, "US"},      {{37.7749, -122.42}, "US"}, {{21.3069, -157.86}, "US"},
        {{40.0, 5.0}, nullptr},          {{0, 0}, nullptr},          {{NAN, 7.4}, nullptr},
        {{43.7, 200}, nullptr}};
    for (const auto& [c, code] : cases) {
        const CountryArea* found = countryAreaAt(c);
        EXPECT_STREQ(found ? found->code : "none", code ? code : "none")
            << c.latitude << "," << c.longitude;
    }
}

}  // namespace
}  // namespace arquorel
