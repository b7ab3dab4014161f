#include "sim/host/Soak.h"

#include <gtest/gtest.h>

#include <sstream>

#include "arquorel/places/PlacesFile.h"
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

TEST(SoakTest, TenMinutesOfUseKeepEveryCountBounded) {
    SoakOptions options;
    options.seconds = 600;
    options.seed = 3;
    options.emptyScreenChance = 0.6;
    const auto report = runSoak(options, monacoSample());
    EXPECT_TRUE(report.ok()) << report.violation;
    const auto& a = report.activity;
    EXPECT_EQ(a.steps, 600u);
    // The run did what a person does, screens closed and new ones came.
    EXPECT_GT(a.taps, 5u);
    EXPECT_GT(a.delegateCalls, 0u);
    EXPECT_GT(a.swipes, 0u);
    EXPECT_GT(a.reloadNotifications, 0u);
    EXPECT_GT(a.backgrounds, 0u);
    EXPECT_GE(a.screensPresented, 2u);
    EXPECT_GT(a.alertsAnswered, 0u);
    EXPECT_GT(a.closedScreensWatched, 0u);
    EXPECT_GT(a.metresWalked, 200);
    EXPECT_GT(report.peaks.views, 30u);
    EXPECT_EQ(report.peaks.closedScreenSteps, 0u);
}

TEST(SoakTest, ABrokenBoundStopsTheRunAndIsNamed) {
    const std::pair<void (*)(SoakBounds&), const char*> cases[] = {
        {[](SoakBounds& b) { b.views = 10; }, "at 1.0 s: live views "},
        {[](SoakBounds& b) { b.observers = 0; }, "at 1.0 s: notification observers "},
        // Loading leaves the reload's 2 s and 3 s steps waiting.
        {[](SoakBounds& b) { b.pendingSteps = 0; }, "at 1.0 s: delayed steps of the shown screen "},
    };
    for (const auto& [tighten, message] : cases) {
        SoakOptions options;
        options.seconds = 30;
        tighten(options.bounds);
        const auto report = runSoak(options, monacoSample());
        EXPECT_EQ(report.violation.rfind(message, 0), 0u) << report.violation;
        EXPECT_EQ(report.activity.steps, 1u);
    }
    std::ostringstream out, err;
    EXPECT_EQ(runCli({"soak", "--hours", "0"}, out, err), 2);
    EXPECT_NE(err.str().find("--hours must be a number above 0 and at most 1000: 0"),
              std::string::npos);
    EXPECT_EQ(runCli({"soak", "--seed", "1.5"}, out, err), 2);
    EXPECT_NE(err.str().find("--seed must be a whole number"), std::string::npos);
}

}  // namespace
}  // namespace arquorel::sim
