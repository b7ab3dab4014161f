#include "sim/host/RegionPlaces.h"

#include <gtest/gtest.h>

#include <cmath>

#include "arquorel/places/PlacesFile.h"
#include "arquorel/platform/sensors/Geodesy.h"

namespace arquorel::sim {
namespace {

// A region loads as described: every element read, the invalid ones left out with their
// problem, the others scattered over the square; the same spec gives the same bytes.
TEST(RegionPlacesTest, ARegionLoadsAsDescribedAndRepeatsExactly) {
    RegionSpec spec;
    spec.count = 2000;
    spec.invalidEvery = 100;
    const std::string text = regionPlacesText(spec);
    EXPECT_EQ(text, regionPlacesText(spec));
    spec.seed = 2;
    EXPECT_NE(text, regionPlacesText(spec));

    const auto file = PlacesFile::fromText(text);
    ASSERT_FALSE(file.error) << file.error->message;
    EXPECT_EQ(file.elementCount, 2000u);
    EXPECT_EQ(regionInvalidCount(spec), 20u);
    EXPECT_EQ(file.leftOutCount(), 20u);
    ASSERT_EQ(file.problems.size(), 20u);
    EXPECT_EQ(file.problems[0].text(),
              R"(record 99 (id "r99-n1872534060"): lat: not a number: string "43.7280963" )"
              R"((record left out))");
    double farthest = 0;
    for (const auto& r : file.records) {
        const double north = std::abs(r->lat - spec.centre.latitude) * 111320;
        const double east = std::abs(r->lng - spec.centre.longitude) * 111320 *
                            std::cos(spec.centre.latitude * M_PI / 180);
        farthest = std::max({farthest, north, east});
    }
    EXPECT_LE(farthest, spec.halfSide);
    EXPECT_GT(farthest, spec.halfSide * 0.98);
    EXPECT_EQ(file.records[0]->name, "Parking du Chemin des Pêcheurs");  // the first template
}

}  // namespace
}  // namespace arquorel::sim
