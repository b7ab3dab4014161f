#pragma once
// A long run of the whole product: a seeded person walks through the places for hours with
// the phone, and uses every screen as a person does. On the main screen: turns, tilts, taps and
// swipes on cards, reloads, trips to the background, new screens. The places list: opened,
// scrolled, rows tapped, closed by raising the phone. The details screen, from rows and from
// cards: scrolled, the map enlarged, dragged and double-tapped, the route sheet, calls, mail,
// share and the web page. Web pages opened and left, hostile ones among them (a deep nest of
// elements, one huge unbroken run). The debug map: tapped, dragged, long-pressed, closed. And
// the phone rotated, a finger held on a screen while that screen closes, the network and the
// compass lost and regained.
//
// After every virtual second the run counts what the screens leave behind (the counts of
// SoakCounts) and compares them with fixed bounds; the first bound broken ends the run with a
// message naming the count, its value and the virtual time.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "arquorel/places/QuorelProperty.h"
#include "arquorel/platform/geometry/Geometry.h"
#include "arquorel/platform/sensors/Location.h"

namespace arquorel {
class MapPack;
}

namespace arquorel::sim {

// What a long run counts every second: as bounds, what it may never exceed; as peaks, the
// highest values seen.
struct SoakCounts {
    std::size_t views = 0;                 // in the window's view tree
    std::size_t liveViews = 0;             // alive in the process, in a window or not
    std::size_t cells = 0;                 // of the list: shown and waiting for reuse
    std::size_t headingSubscriptions = 0;  // of the shared location manager, besides one a cell
    std::size_t observers = 0;             // of the notifications the screens and the host use
    std::size_t liveMainScreens = 0;       // main screens alive (one leaving, one shown)
    std::size_t closedScreens = 0;         // other screens alive after they left the window
    std::size_t mapFeatures = 0;           // pins and lines on the maps in the window
    std::size_t routeRequests = 0;         // asked of the directions service, not answered
    std::size_t pageLoads = 0;             // asked of the data loader, not answered
    std::size_t mainLoopSteps = 0;         // waiting on the main loop (delayed steps, timers)
    std::size_t shownScreenSteps = 0;      // delayed steps of the main screen shown
    std::size_t closedScreenSteps = 0;     // delayed steps of closed main screens still alive
    std::size_t layerBytes = 0;            // of the retained layers a frame was drawn with
};

struct SoakCountName {
    const char* name;
    std::size_t SoakCounts::*count;
};
inline constexpr SoakCountName kSoakCountNames[] = {
    {"live views in the window", &SoakCounts::views},
    {"live views", &SoakCounts::liveViews},
    {"list cells", &SoakCounts::cells},
    {"heading subscriptions besides the cells'", &SoakCounts::headingSubscriptions},
    {"notification observers", &SoakCounts::observers},
    {"live main screens", &SoakCounts::liveMainScreens},
    {"closed screens alive", &SoakCounts::closedScreens},
    {"map features", &SoakCounts::mapFeatures},
    {"route requests in flight", &SoakCounts::routeRequests},
    {"page loads in flight", &SoakCounts::pageLoads},
    {"main loop steps waiting", &SoakCounts::mainLoopSteps},
    {"delayed steps of the shown screen", &SoakCounts::shownScreenSteps},
    {"delayed steps of closed screens", &SoakCounts::closedScreenSteps},
    {"bytes of drawing layers", &SoakCounts::layerBytes},
};

// The bounds of a run with no places; each place adds one map feature (its pin on the debug
// map) and kSoakViewsAPlace live views (its card).
inline constexpr std::size_t kSoakViewsAPlace = 6;
inline constexpr SoakCounts kSoakBounds{
    .views = 1500,
    .liveViews = 1500,
    .cells = 40,
    .headingSubscriptions = 4,
    .observers = 48,
    .liveMainScreens = 2,
    .closedScreens = 2,
    .mapFeatures = 16,
    .routeRequests = 2,
    .pageLoads = 8,
    .mainLoopSteps = 64,
    .shownScreenSteps = 8,
    .closedScreenSteps = 0,
    .layerBytes = std::size_t(32) << 20,  // the layers' budget at 3 pixels a point
};

// What the run did.
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
    std::size_t alertsAnswered = 0;  // alerts and action sheets
    std::size_t hintTaps = 0;
    // Screens kept alive after they were left, to see that their delayed steps do nothing.
    std::size_t closedScreensWatched = 0;
    std::size_t listsOpened = 0;
    std::size_t listScrolls = 0;
    std::size_t rowsTapped = 0;
    std::size_t detailsFromRows = 0;
    std::size_t detailsFromCards = 0;
    std::size_t detailScrolls = 0;
    std::size_t mapsEnlarged = 0;
    std::size_t mapGestures = 0;  // drags and double taps on the enlarged map
    std::size_t handOffs = 0;     // route, call, mail, share and web site buttons pressed
    std::size_t sharesCancelled = 0;
    std::size_t pagesOpened = 0;
    std::size_t hostilePagesOpened = 0;
    std::size_t debugMaps = 0;
    std::size_t debugMapTouches = 0;
    std::size_t rotations = 0;
    std::size_t fingersHeld = 0;  // a finger on a screen while that screen closed
    std::size_t networkDrops = 0;
    std::size_t compassDrops = 0;
    // Screens that offered no way out: taken off by the host (each also a line in `stuck`).
    std::size_t screensForcedClosed = 0;
    // The longest wall time one virtual second took (the person's step and the screens' work),
    // for the command's report only: wall time differs from machine to machine.
    double longestSecondWall = 0;
    double longestSecondAt = 0;  // its virtual time
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
    // How often a new screen has a host delegate (which takes card and row taps instead of the
    // details screen).
    double delegateChance = 0.3;
    // The folder the simulated web serves pages from (its pages are copied next to the hostile
    // ones); empty: only the hostile pages.
    std::filesystem::path pages;
    // The map the details screen and the routes use; none: maps without streets, no routes.
    std::shared_ptr<const MapPack> mapPack;
    // Steps that can be left out while the product cannot take them.
    bool hostilePages = true;  // web pages of a 199,000-deep nest and of a 64 KB unbroken run
    bool heldFingers = true;   // a finger resting on a screen while that screen closes
    SoakCounts bounds = kSoakBounds;
};

struct SoakReport {
    SoakCounts peaks;
    SoakActivity activity;
    // The first bound broken, with its virtual time; empty when none was.
    std::string violation;
    // Screens the person could not leave, with their virtual time.
    std::vector<std::string> stuck;
    bool ok() const { return violation.empty(); }
};

// The bound of one count for a run with that many places.
std::size_t soakBound(const SoakCounts& bounds, std::size_t SoakCounts::*count, std::size_t places);

// Runs the soak on a simulated phone of its own. `progress`, when given, gets a line every
// virtual hour.
SoakReport runSoak(const SoakOptions& options,
                   const std::vector<std::shared_ptr<QuorelProperty>>& records,
                   std::ostream* progress = nullptr);

void printSoakReport(const SoakOptions& options, std::size_t places, const SoakReport& report,
                     std::ostream& out);

inline constexpr std::string_view kSoakSynopsis =
    "soak [--hours H] [--seed N] [--places FILE] [--pages DIR] [--map-pack FILE] "
    "[--without hostile-pages|held-fingers]";

int runSoakCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace arquorel::sim
