#pragma once
// A long run of the main screen: a seeded random walk through the places with turns, tilts,
// taps, swipes, reloads, trips to the background and new screens, checked after every second
// of virtual time for what a long session must never do: grow the view tree, pile up heading
// subscriptions or notification observers, keep closed screens alive or let their delayed
// steps wait to run.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "arquorel/places/QuorelProperty.h"
#include "arquorel/platform/geometry/Geometry.h"
#include "arquorel/platform/sensors/Location.h"

namespace arquorel::sim {

// What a long run may never exceed.
struct SoakBounds {
    std::size_t views = 1500;              // in the window's view tree
    std::size_t headingSubscriptions = 4;  // of the shared location manager
    std::size_t observers = 24;            // of the notifications a screen observes
    std::size_t liveScreens = 2;           // main screens alive (one leaving, one shown)
    std::size_t pendingSteps = 8;          // delayed steps of the screen shown
};

// The highest counts seen, and what the run did.
struct SoakPeaks {
    std::size_t views = 0;
    std::size_t headingSubscriptions = 0;
    std::size_t observers = 0;
    std::size_t liveScreens = 0;
    std::size_t pendingSteps = 0;
    // Delayed steps waiting on closed screens that are still alive (must stay 0).
    std::size_t closedScreenSteps = 0;
};

struct SoakActivity {
    std::size_t steps = 0;  // seconds checked
    double metresWalked = 0;
    std::size_t taps = 0;        // taps on cards
    std::size_t tapsMissed = 0;  // the card moved away under the finger
    std::size_t swipes = 0;
    std::size_t delegateCalls = 0;
    std::size_t reloadNotifications = 0;
    std::size_t backgrounds = 0;
    std::size_t screensPresented = 0;
    std::size_t alertsAnswered = 0;
    std::size_t hintTaps = 0;
    // Screens kept alive after they were left, to see that their delayed steps do nothing.
    std::size_t closedScreensWatched = 0;
};

struct SoakOptions {
    double seconds = 4 * 3600.0;
    std::uint64_t seed = 1;
    Size screen{375, 812};
    Coordinate start{43.7393682, 7.4272085};
    // The walk turns back towards the start when it leaves this box.
    Coordinate southWest{43.7253, 7.4094};
    Coordinate northEast{43.7499, 7.4387};
    // How often a new screen gets no places from the host (which brings its alert).
    double emptyScreenChance = 0.25;
    SoakBounds bounds;
};

struct SoakReport {
    SoakPeaks peaks;
    SoakActivity activity;
    // The first bound broken, with its virtual time; empty when none was.
    std::string violation;
    bool ok() const { return violation.empty(); }
};

// Runs the soak on a simulated phone of its own. `progress`, when given, gets a line every
// virtual hour.
SoakReport runSoak(const SoakOptions& options,
                   const std::vector<std::shared_ptr<QuorelProperty>>& records,
                   std::ostream* progress = nullptr);

void printSoakReport(const SoakOptions& options, const SoakReport& report, std::ostream& out);

inline constexpr std::string_view kSoakSynopsis = "soak [--hours H] [--seed N] [--places FILE]";

int runSoakCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace arquorel::sim
