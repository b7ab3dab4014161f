// A session recorded with SessionRecorder, replayed by the scenario player.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <unistd.h>

#include "arquorel/places/AnnnotationView.h"
#include "arquorel/places/QuorelVC.h"
#include "arquorel/platform/runtime/SessionRecorder.h"
#include "arquorel/platform/ui/HitTest.h"
#include "sim/host/ScenarioPlayer.h"
#include "sim/host/SimCli.h"

namespace arquorel::sim {
namespace {

namespace fs = std::filesystem;

constexpr double kStart = 1.8e9;
// "Est" 60 m east of the start, "Nord" 50 m north, "Ouest" 80 m west.
constexpr const char* kPlaces = R"([
    {"id": "e", "name": "Est", "lat": 43.7393682, "lng": 7.42795},
    {"id": "n", "name": "Nord", "lat": 43.73982, "lng": 7.4272085},
    {"id": "o", "name": "Ouest", "lat": 43.7393682, "lng": 7.42621}])";

Acceleration tilted(double pitch) {
    const double r = pitch * 3.14159265358979323846 / 180;
    return {0, -std::cos(r), std::sin(r)};
}

// A person at the start facing north with the phone tilted 10 degrees down, who turns to the
// east at 5 s: the compass and the accelerometer as a browser delivers them, 60 times a second.
SessionRecorder standing() {
    SessionRecorder r(kStart);
    r.setEmbeddedPlaces(kPlaces);
    r.setScreen({375, 812}, 2);
    r.setHints(false);
    r.setDelegate(true);
    r.fix(kStart, {43.7393682, 7.4272085}, 5, 0);
    r.presented(kStart + 0.5);
    for (int i = 0; i < 8 * 60; ++i) {
        const double t = kStart + i / 60.0;
        r.heading(t, t < kStart + 5 ? 0 : 90, 10);
        r.acceleration(t, tilted(-10));
    }
    r.stopped(kStart + 8);
    return r;
}

struct Replay {
    std::string log;
    std::string tree;
    double heading = 0;
    double pitch = 0;
    std::optional<Point> est;  // the centre of the card of "Est" at the end
};

Replay replay(const std::string& text) {
    Replay out;
    const auto parsed = parseScenario(text, ".");
    EXPECT_TRUE(parsed.scenario) << parsed.error;
    if (!parsed.scenario) return out;
    std::ostringstream log;
    ScenarioPlayer player(*parsed.scenario, log);
    EXPECT_EQ(player.load(), "");
    EXPECT_TRUE(player.play({}));
    out.log = log.str();
    out.tree = player.host().phone().viewTree();
    if (const auto screen = player.host().screen()) {
        out.heading = screen->arStatus().heading;
        out.pitch = screen->arStatus().pitch;
    }
    const auto cards = player.host().cardsNamed("Est");
    if (!cards.empty()) {
        const auto b = cards.front()->bounds();
        out.est = convertToRoot(*cards.front(), {b.midX(), b.midY()});
    }
    return out;
}

TEST(RecordingTest, ARecordedSessionReplaysItsReadingsAndTouchesWhereTheyHappened) {
    auto session = standing();
    const auto before = replay(session.text());
    // The recorded readings rule: facing east at the end, the phone tilted down.
    EXPECT_NEAR(before.heading, 90, 1) << before.log;
    EXPECT_NEAR(before.pitch, -10, 1);

    // A tap where the card of "Est" was, after a tap on nothing.
    session.touch(kStart + 12, TouchPhase::began, {0, 0});
    session.touch(kStart + 12.1, TouchPhase::ended, {0, 0});
    const auto east = replay(session.text());
    ASSERT_TRUE(east.est) << east.log;
    session.touch(kStart + 14, TouchPhase::began, *east.est);
    session.touch(kStart + 14.05, TouchPhase::ended, *east.est);
    session.mark(kStart + 15, "");
    const auto tapped = replay(session.text());
    EXPECT_NE(tapped.log.find("   14.00  user: finger down at ("), std::string::npos) << tapped.log;
    EXPECT_NE(tapped.log.find(") on ToolTipEstate #card \"Est\"\n"), std::string::npos)
        << tapped.log;
    EXPECT_NE(tapped.log.find("delegate: openElementDetails Est (id e)"), std::string::npos)
        << tapped.log;

    // Deterministic: the same recording gives the same screen.
    EXPECT_EQ(replay(session.text()).tree, tapped.tree);
}

// An edited recording: a hostile line late in the file stops the run before anything plays or
// a file is written.
TEST(RecordingTest, AnEditedRecordingIsRefusedWholeWithItsLineAndProblem) {
    const fs::path dir =
        fs::path(::testing::TempDir()) / ("arquorel_recording_" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    auto session = standing();
    session.mark(kStart + 8, "before the edit");
    const std::string text = session.text();
    const std::pair<const char*, const char*> edits[] = {
        {"at 9 compass 400 10\n", "compass must be a number of degrees in [0, 360): 400"},
        {"at 9 touch down 500 100\n", "touch at (500, 100) is outside the screen (375x812 points)"},
        {"at 1 fix 43.7 7.4\n", "time 1 s is before the time of the line before (8 s)"},
    };
    for (const auto& [edit, problem] : edits) {
        std::ofstream(dir / "edited.scenario") << text << edit;
        const auto lines = std::count(text.begin(), text.end(), '\n') + 1;
        std::ostringstream out, err;
        EXPECT_EQ(runCli({"run", "--scenario", (dir / "edited.scenario").string(), "--out",
                          (dir / "out").string()},
                         out, err),
                  2);
        EXPECT_EQ(err.str(), "arquorel-sim run: " + (dir / "edited.scenario").string() + ": line " +
                                 std::to_string(lines) + ": " + problem + "\n");
        EXPECT_EQ(out.str(), "");  // nothing played
        EXPECT_FALSE(fs::exists(dir / "out"));
    }
    fs::remove_all(dir);
}

}  // namespace
}  // namespace arquorel::sim
