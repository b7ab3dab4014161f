// Every scenario bundled with the product plays to its end, and each of its shots shows the
// screen its caption speaks of: a screen added later that changes where a tap or a raise leads
// cannot silently turn a demo's pictures into something else. Each shot's screen also keeps the
// screen-reader rule.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "arquorel/platform/drawing/Golden.h"
#include "arquorel/platform/ui/Accessibility.h"
#include "sim/host/A11yRule.h"
#include "sim/host/Scenario.h"
#include "sim/host/ScenarioPlayer.h"

namespace arquorel::sim {
namespace {

namespace fs = std::filesystem;

// The screen on top at each shot, in order, then at the end of the scenario.
struct Expected {
    std::vector<std::string> shots;
    std::string end;
};

const std::map<std::string, Expected>& expectations() {
    static const std::map<std::string, Expected> table = {
        // Hints closed, the turn, the Casino's card, its details, the route, back.
        {"monaco/a11y.scenario", {{"QuorelVC", "QuorelVC", "PlaceVC", "QuorelVC"}, "QuorelVC"}},
        {"monaco/debugmap.scenario",
         {{"QuorelVC", "DebugMapViewController", "DebugMapViewController", "DebugMapViewController",
           "DebugMapViewController", "QuorelVC", "QuorelVC", "QuorelVC"},
          "QuorelVC"}},
        {"monaco/details.scenario",
         {{"PlaceVC", "PlaceVC", "AlertController", "PlaceVC", "PlaceVC", "AlertController",
           "PlaceVC", "AlertController", "ShareSheetController", "WebViewVC", "PlaceVC", "PlaceVC",
           "DebugMapViewController", "QuorelVC"},
          "QuorelVC"}},
        {"monaco/list-empty.scenario", {{"PointsVC", "PointsVC", "QuorelVC"}, "QuorelVC"}},
        {"monaco/list-small.scenario", {{"PointsVC", "PointsVC", "PointsVC"}, "PointsVC"}},
        // Rows open the details over the list; back returns to it; the raise closes it.
        {"monaco/list.scenario",
         {{"PointsVC", "PointsVC", "PointsVC", "PointsVC", "PointsVC", "PointsVC", "PlaceVC",
           "PlaceVC", "PointsVC", "QuorelVC"},
          "QuorelVC"}},
        // The main screen throughout; its back button leaves the host's own screen.
        // Recorded in the browser: a card's details, then the list, then the main screen.
        {"monaco/recorded-walk.scenario",
         {{"QuorelVC", "PlaceVC", "PointsVC", "QuorelVC"}, "QuorelVC"}},
        {"monaco/tour.scenario",
         {{"QuorelVC", "QuorelVC", "QuorelVC", "QuorelVC", "QuorelVC", "QuorelVC", "QuorelVC",
           "QuorelVC", "QuorelVC", "QuorelVC", "QuorelVC", "QuorelVC", "ViewController"},
          "ViewController"}},
        {"monaco/walk.scenario", {{}, "QuorelVC"}},
        {"web/web.scenario",
         {{"WebViewVC", "WebViewVC", "AlertController", "WebViewVC", "AlertController",
           "AlertController"},
          "AlertController"}},
    };
    return table;
}

// Shots whose accessibility tree is pinned by a golden (goldens/a11y/SCENARIO-SHOT.txt): the
// main screen, the list and its hint, the details screen, alerts and sheets, the web page
// screen and the debug map.
const std::map<std::string, std::set<std::string>>& pinnedTrees() {
    static const std::map<std::string, std::set<std::string>> table = {
        {"monaco/a11y.scenario", {"a11y-start", "a11y-ahead", "a11y-details"}},
        {"monaco/details.scenario",
         {"casino", "no-mail", "route-sheet", "call-choice", "share", "web-page", "debug-map"}},
        {"monaco/list.scenario", {"list-hint", "list-casino"}},
        {"monaco/debugmap.scenario", {"callout"}},
    };
    return table;
}

std::vector<std::string> bundledScenarios() {
    std::vector<std::string> names;
    for (const char* folder : {"monaco", "web"})
        for (const auto& entry : fs::directory_iterator(fs::path(ARQUOREL_DATA_DIR) / folder))
            if (entry.path().extension() == ".scenario")
                names.push_back(std::string(folder) + "/" + entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class BundledScenariosTest : public ::testing::TestWithParam<std::string> {};

TEST_P(BundledScenariosTest, EachShotShowsTheScreenItsCaptionSpeaksOf) {
    const std::string& name = GetParam();
    auto parsed = readScenarioFile(fs::path(ARQUOREL_DATA_DIR) / name);
    ASSERT_TRUE(parsed.scenario) << parsed.error;
    std::ostringstream log;
    ScenarioPlayer player(*parsed.scenario, log);
    // Every screen shown keeps the screen-reader rule (A11yRule.h).
    std::vector<std::string> unreadable;
    const auto pinned = pinnedTrees().find(name);
    player.onShot = [&](const ScenarioShot& shot) {
        for (const auto& problem : accessibilityProblems(player.host().window()))
            unreadable.push_back(shot.name + ": " + problem);
        if (pinned == pinnedTrees().end() || !pinned->second.count(shot.name)) return;
        const std::string stem = fs::path(name).stem().string();
        const auto check = checkGolden(goldenPath(__FILE__, "a11y/" + stem + "-" + shot.name),
                                       AccessibilityTree::build(player.host().window()).dump());
        EXPECT_TRUE(check.passed) << check.message;
    };
    ASSERT_EQ(player.load(), "");
    ASSERT_TRUE(player.play({})) << log.str();
    std::vector<std::string> tops;
    std::string listed;
    for (const auto& shot : player.shots()) {
        tops.push_back(shot.top);
        listed += "\"" + shot.top + "\", ";
    }
    const auto top = player.host().window().topViewController();
    const std::string end = top ? top->typeName() : "";
    const auto it = expectations().find(name);
    ASSERT_TRUE(it != expectations().end())
        << "a bundled scenario without its screens in this test's table: {\"" << name << "\", {{"
        << listed << "}, \"" << end << "\"}},";
    EXPECT_EQ(tops, it->second.shots) << log.str();
    EXPECT_EQ(end, it->second.end) << log.str();
    EXPECT_EQ(unreadable, std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(Data, BundledScenariosTest, ::testing::ValuesIn(bundledScenarios()),
                         [](const ::testing::TestParamInfo<std::string>& param) {
                             std::string name = param.param;
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });

}  // namespace
}  // namespace arquorel::sim
