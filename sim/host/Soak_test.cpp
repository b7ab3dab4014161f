#include "sim/host/Soak.h"

#include <gtest/gtest.h>

#include <sstream>

#include "arquorel/places/PlacesFile.h"
#include "sim/host/MapCommands.h"
#include "sim/host/SimCli.h"

namespace arquorel::sim {
namespace {

// Every eighth Monaco place: the whole town, at an eighth of the radar's work.
std::vector<std::shared_ptr<QuorelProperty>> monacoSample() {
    const auto file = PlacesFile::fromPath(ARQUOREL_DATA_DIR "/monaco/places.json");
    std::vector<std::shared_ptr<QuorelProperty>> records;
    for (std::size_t i = 0; i < file.records.size(); i += 8) records.push_back(file.records[i]);
    return records;
}

SoakOptions monacoOptions() {
    SoakOptions options;
    options.pages = ARQUOREL_DATA_DIR "/web";
    std::string error;
    options.mapPack =
        loadMapPackOrExtract(ARQUOREL_DATA_DIR "/monaco/monaco-latest.osm.pbf", error);
    EXPECT_TRUE(options.mapPack) << error;
    return options;
}

// An hour of a person's use of every screen holds every bound, and the hour did go through
// every screen and every step.
TEST(SoakTest, AnHourThroughEveryScreenKeepsEveryCountBounded) {
    SoakOptions options = monacoOptions();
    options.seconds = 3600;
    options.seed = 3;
    const auto report = runSoak(options, monacoSample());
    std::ostringstream printed;
    printSoakReport(options, monacoSample().size(), report, printed);
    EXPECT_TRUE(report.ok()) << printed.str();
    EXPECT_TRUE(report.stuck.empty()) << printed.str();
    const auto& a = report.activity;
    EXPECT_EQ(a.steps, 3600u);
    const std::pair<const char*, std::size_t> done[] = {
        {"taps on cards", a.taps},
        {"swipes", a.swipes},
        {"reload notifications", a.reloadNotifications},
        {"trips to the background", a.backgrounds},
        {"alerts answered", a.alertsAnswered},
        {"closed screens watched", a.closedScreensWatched},
        {"lists opened", a.listsOpened},
        {"list scrolls", a.listScrolls},
        {"details from rows", a.detailsFromRows},
        {"details from cards", a.detailsFromCards},
        {"maps enlarged", a.mapsEnlarged},
        {"map gestures", a.mapGestures},
        {"hand-offs", a.handOffs},
        {"share sheets cancelled", a.sharesCancelled},
        {"web pages", a.pagesOpened},
        {"hostile pages", a.hostilePagesOpened},
        {"debug maps", a.debugMaps},
        {"rotations", a.rotations},
        {"fingers held", a.fingersHeld},
        {"network drops", a.networkDrops},
        {"compass drops", a.compassDrops},
    };
    for (const auto& [what, n] : done) EXPECT_GT(n, 0u) << what << "\n" << printed.str();
    EXPECT_GT(a.metresWalked, 1000);
    EXPECT_EQ(report.peaks.closedScreenSteps, 0u);
    // The maps drew their pins and the routes their lines.
    EXPECT_GT(report.peaks.mapFeatures, 2u);
    EXPECT_GT(report.peaks.cells, 0u);
}

TEST(SoakTest, ABrokenBoundStopsTheRunAndIsNamed) {
    struct Case {
        void (*tighten)(SoakCounts&);
        const char* message;
        bool places = true;
    };
    const Case cases[] = {
        {[](SoakCounts& b) { b.views = 10; }, "at 1.0 s: live views in the window "},
        // With no places the bound is the number given.
        {[](SoakCounts& b) { b.liveViews = 10; }, "at 1.0 s: live views ", false},
        {[](SoakCounts& b) { b.observers = 0; }, "at 1.0 s: notification observers "},
        {[](SoakCounts& b) { b.mainLoopSteps = 0; }, "at 1.0 s: main loop steps waiting "},
        // Loading leaves the reload's 2 s and 3 s steps waiting.
        {[](SoakCounts& b) { b.shownScreenSteps = 0; },
         "at 1.0 s: delayed steps of the shown screen "},
        {[](SoakCounts& b) { b.layerBytes = 1000; }, "at 1.0 s: bytes of drawing layers "},
    };
    for (const auto& c : cases) {
        SoakOptions options;
        options.seconds = 30;
        c.tighten(options.bounds);
        const auto report = runSoak(
            options, c.places ? monacoSample() : std::vector<std::shared_ptr<QuorelProperty>>{});
        EXPECT_EQ(report.violation.rfind(c.message, 0), 0u) << report.violation;
        EXPECT_EQ(report.activity.steps, 1u);
    }
    std::ostringstream out, err;
    EXPECT_EQ(runCli({"soak", "--hours", "0"}, out, err), 2);
    EXPECT_NE(err.str().find("--hours must be a number above 0 and at most 1000: 0"),
              std::string::npos);
    EXPECT_EQ(runCli({"soak", "--seed", "1.5"}, out, err), 2);
    EXPECT_NE(err.str().find("--seed must be a whole number"), std::string::npos);
    EXPECT_EQ(runCli({"soak", "--without", "hostile-pages,fingers"}, out, err), 2);
    EXPECT_NE(err.str().find("--without takes hostile-pages and held-fingers: fingers"),
              std::string::npos);
}

}  // namespace
}  // namespace arquorel::sim
