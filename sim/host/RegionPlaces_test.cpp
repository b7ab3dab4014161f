#include "sim/host/RegionPlaces.h"

#include <gtest/gtest.h>

#include <cmath>

#include "arquorel/places/PlacesFile.h"
#include "arquorel/platform/sensors/Geodesy.h"

namespace arquorel::sim {
namespace {

// A region loads as described: every element read, the invalid ones left out with their
// problem, the others scattered over the square; the same recipe gives the same bytes.
TEST(RegionPlacesTest, ARegionLoadsAsDescribedAndRepeatsExactly) {
    RegionRecipe recipe;
    recipe.count = 2000;
    recipe.invalidEvery = 100;
    const std::string text = regionPlacesText(recipe);
    EXPECT_EQ(text, regionPlacesText(recipe));
    recipe.seed = 2;
    EXPECT_NE(text, regionPlacesText(recipe));

    const auto file = PlacesFile::fromText(text);
    ASSERT_FALSE(file.error) << file.error->message;
    EXPECT_EQ(file.elementCount, 2000u);
    EXPECT_EQ(regionInvalidCount(recipe), 20u);
    EXPECT_EQ(file.leftOutCount(), 20u);
    ASSERT_EQ(file.problems.size(), 20u);
    EXPECT_EQ(file.problems[0].text(),
              R"(record 99 (id "r99-n1872534060"): lat: not a number: string "43.7280963" )"
              R"((record left out))");
    double farthest = 0;
    for (const auto& r : file.records) {
        const double north = std::abs(r->lat - recipe.centre.latitude) * 111320;
        const double east = std::abs(r->lng - recipe.centre.longitude) * 111320 *
                            std::cos(recipe.centre.latitude * M_PI / 180);
        farthest = std::max({farthest, north, east});
    }
    EXPECT_LE(farthest, recipe.halfSide);
    EXPECT_GT(farthest, recipe.halfSide * 0.98);
    EXPECT_EQ(file.records[0]->name, "Parking du Chemin des Pêcheurs");  // the first template
}

}  // namespace
}  // namespace arquorel::sim
