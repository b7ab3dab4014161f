#include "arquorel/platform/runtime/SessionRecorder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <sstream>
#include <vector>

namespace arquorel {
namespace {

constexpr double kStart = 1.8e9;  // seconds since 1970

// The timed lines of a recording whose command starts with `word`.
std::vector<std::string> linesOf(const SessionRecorder& r, const std::string& word) {
    std::vector<std::string> out;
    std::istringstream in(r.text());
    for (std::string line; std::getline(in, line);) {
        const auto space = line.find(' ', 3);
        if (line.rfind("at ", 0) == 0 && line.compare(space + 1, word.size(), word) == 0)
            out.push_back(line);
    }
    return out;
}

TEST(SessionRecorderTest, TheHeadHoldsTheSetupAndTimesCountFromTheStartWithoutGoingBack) {
    SessionRecorder r(kStart);
    r.setPlacesFile("places.json");
    r.setMapPack("monaco latest.pbf");
    r.setScreen({412, 915}, 2.625);
    r.setLanguage("fr");
    r.setImperial(true);
    r.setDelegate(false);
    r.setHints(false);
    r.fix(kStart - 3, {43.7393682, 7.4272085}, 12, 0.4);  // before the start: at 0
    r.presented(kStart + 0.5);
    r.visible(kStart + 2.004, false);
    r.visible(kStart + 1.5, true);  // a clock that stepped back: not before the line before
    r.network(kStart + 3, false);
    r.openedList(kStart + 4);
    r.mark(kStart + 5.25, "");
    r.mark(kStart + 6, "the \"harbour\"\nview");
    EXPECT_EQ(r.text(),
              "# A recorded session: the positions, compass, tilt, touches and screen changes the\n"
              "# application received, at their times in seconds from the start of the "
              "recording.\n"
              "places places.json\nmap-pack \"monaco latest.pbf\"\nscreen 412x915@2.625\nlang "
              "fr\nunits imperial\n"
              "delegate off\nhints off\n\n"
              "at 0 fix 43.7393682 7.4272085 accuracy 12 age 0.4\n"
              "at 0.5 present\n"
              "at 2 background\n"
              "at 2 foreground\n"
              "at 3 network off\n"
              "at 4 open list\n"
              "at 5.25 shot mark-1 \"5.25 s\"\n"
              "at 6 shot mark-2 \"the \\\"harbour\\\" view\"\n");
    EXPECT_DOUBLE_EQ(r.elapsed(kStart + 42), 42);
}

// Samples come tens of times a second; the recording keeps at most one every 0.05 s, and an
// accelerometer sample only when it turned by more than a degree from the last kept.
TEST(SessionRecorderTest, SensorStreamsAreThinnedWithoutLosingATurnOfMoreThanADegree) {
    SessionRecorder r(kStart);
    const double g = 1;
    const auto tilted = [&](double degrees) {
        const double a = degrees * 3.14159265358979323846 / 180;
        return Acceleration{0, -g * std::cos(a), g * std::sin(a)};
    };
    r.acceleration(kStart + 0.00, tilted(0));
    r.acceleration(kStart + 0.10, tilted(0.9));   // within a degree: dropped
    r.acceleration(kStart + 0.20, tilted(1.2));   // 1.2 degrees from the last kept
    r.acceleration(kStart + 0.22, tilted(10));    // too soon after it
    r.acceleration(kStart + 0.27, tilted(10.5));  // 0.07 s later: kept
    r.acceleration(kStart + 0.30, {std::nan(""), 0, 0});
    EXPECT_EQ(linesOf(r, "accel"),
              (std::vector<std::string>{"at 0 accel 0 -1 0", "at 0.2 accel 0 -1 0.021",
                                        "at 0.27 accel 0 -0.983 0.182"}));

    r.heading(kStart + 1.00, 90, 10);
    r.heading(kStart + 1.02, 91, 10);     // too soon
    r.heading(kStart + 1.10, 90.01, 10);  // the same tenth of a degree
    r.heading(kStart + 1.20, 359.97, 10);
    r.heading(kStart + 1.30, -1, -1);  // a negative heading wraps; an invalid accuracy stays
    // The last reading of a quick burst is held, and written at its time when the stream stops.
    r.heading(kStart + 1.32, 350, 10);
    r.heading(kStart + 1.34, 340, 10);
    r.acceleration(kStart + 1.35, tilted(30));
    r.acceleration(kStart + 1.36, tilted(40));  // too soon after the one before
    r.stopped(kStart + 3);
    EXPECT_EQ(linesOf(r, "compass"),
              (std::vector<std::string>{"at 1 compass 90 10", "at 1.2 compass 0 10",
                                        "at 1.3 compass 359 -1", "at 1.34 compass 340 10"}));
    EXPECT_EQ(linesOf(r, "accel").back(), "at 1.36 accel 0 -0.766 0.643");
}

TEST(SessionRecorderTest, TouchesStayOnTheScreenAndAFingerGoesDownBeforeItMoves) {
    SessionRecorder r(kStart);
    r.setScreen({375, 812}, 2);
    r.touch(kStart + 1, TouchPhase::moved, {10, 10});  // no finger down: nothing
    r.touch(kStart + 2, TouchPhase::began, {100, 200}, "AnnnotationView \"Casino\"");
    r.touch(kStart + 2.1, TouchPhase::moved, {-20, 900});
    r.touch(kStart + 2.2, TouchPhase::began, {50, 60});  // a new finger cancels the first
    r.touch(kStart + 2.3, TouchPhase::ended, {50.04, 60});
    r.touch(kStart + 2.4, TouchPhase::ended, {50, 60});  // already up
    EXPECT_EQ(linesOf(r, "touch"),
              (std::vector<std::string>{"at 2 touch down 100 200  # AnnnotationView \"Casino\"",
                                        "at 2.1 touch move 0 812", "at 2.2 touch cancel 50 60",
                                        "at 2.2 touch down 50 60", "at 2.3 touch up 50 60"}));
}

// Ten minutes of walking with the phone in hand: the compass and the accelerometer at 60 Hz,
// jittering as real ones do, a fix a second and a tap now and then.
TEST(SessionRecorderTest, TenMinutesOfWalkingTakeLessThanAMegabyte) {
    SessionRecorder r(kStart);
    r.setPlacesFile("places.json");
    r.setScreen({375, 812}, 3);
    std::mt19937 random(7);
    std::normal_distribution<double> jitter(0, 2);
    for (int i = 0; i < 600 * 60; ++i) {
        const double t = kStart + i / 60.0;
        const double step = std::sin(i / 60.0 * 2 * 3.14159265358979323846 * 1.8);
        r.heading(t, 120 + 30 * std::sin(i / 3000.0) + jitter(random), 15);
        r.acceleration(t,
                       {0.05 * jitter(random), -0.95 + 0.15 * step, 0.25 + 0.05 * jitter(random)});
        if (i % 60 == 0) r.fix(t, {43.7393682 + i * 1e-7, 7.4272085 + i * 1e-7}, 4 + i % 7, 0.3);
        if (i % 1800 == 0) {
            r.touch(t, TouchPhase::began, {187, 406});
            r.touch(t + 0.05, TouchPhase::ended, {187, 406});
        }
    }
    EXPECT_LE(r.text().size(), 1000u * 1000u);
    RecordProperty("bytes", std::to_string(r.text().size()));
    EXPECT_GT(r.text().size(), 300u * 1000u);  // the streams were kept, not dropped
}

}  // namespace
}  // namespace arquorel
