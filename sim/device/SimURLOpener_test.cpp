#include "sim/device/SimURLOpener.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace arquorel::sim {
namespace {

TEST(SimURLOpenerTest, MapApplicationsAreChosenAsAWholeAndOnlyAmongTheKnownOnes) {
    SimURLOpener opener;
    for (const auto& app : SimURLOpener::mapApps()) EXPECT_FALSE(opener.canOpen(app, app + ":"));
    struct Step {
        std::vector<std::string> apps;
        bool accepted;
        std::vector<std::string> installed;  // the map applications afterwards
    };
    const Step steps[] = {
        {{"waze", "MAPSME"}, true, {"mapsme", "waze"}},
        {{"comgooglemaps"}, true, {"comgooglemaps"}},
        {{"waze", "telegram"}, false, {"comgooglemaps"}},
        {{}, true, {}},
    };
    for (const auto& step : steps) {
        EXPECT_EQ(opener.setInstalledMapApps(step.apps), step.accepted);
        std::vector<std::string> installed;
        for (const auto& app : SimURLOpener::mapApps()) {
            if (opener.canOpen(app, app + "://")) installed.push_back(app);
        }
        std::sort(installed.begin(), installed.end());
        EXPECT_EQ(installed, step.installed);
        // The phone's own applications stay.
        EXPECT_TRUE(opener.canOpen("tel", "tel:+37793152000"));
        EXPECT_TRUE(opener.canOpen("https", "https://x.mc"));
    }
}

}  // namespace
}  // namespace arquorel::sim
