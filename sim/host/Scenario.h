#pragma once
// A scenario: what a person does with the simulated phone, as a text file of one command a
// line, played by ScenarioPlayer. Setup commands (places, screen, lang, camera,
// location-services, delegate, units, apps, mail...) describe the device and the host; timed
// commands ("at T ...") happen at T seconds of virtual time after the start. '#' starts a comment
// outside quotes; texts with spaces are quoted ("Casino de Monte-Carlo", with \" and \\ inside).

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "arquorel/platform/geometry/Geometry.h"
#include "arquorel/platform/sensors/Location.h"
#include "arquorel/platform/sensors/Readings.h"
#include "arquorel/platform/ui/GestureRecognizer.h"
#include "arquorel/platform/ui/Touch.h"
#include "sim/device/SimDirections.h"

namespace arquorel::sim {

// The camera the phone has and the user's permission for it.
enum class ScenarioCamera {
    authorized,  // allowed before
    denied,      // refused before
    undecided,   // the user is asked and allows it after a second
    none,        // the device has no camera
};

namespace scenario {
struct Fix {
    Coordinate coordinate;
    double accuracy = 5;  // metres
    double age = 0;       // seconds
};
// The compass from now on; a negative accuracy makes the readings invalid.
struct Heading {
    double degrees = 0;
    double accuracy = 5;
};
// The compass turns by the shorter way to `degrees` over `seconds`.
struct Turn {
    double degrees = 0;
    double seconds = 0;
};
struct Pitch {
    double degrees = 0;
};
// One compass reading, delivered once at its time (a recorded reading); a heading, turn or walk
// before it stops sending readings.
struct Compass {
    double degrees = 0;
    double accuracy = 5;
};
// One accelerometer sample in g along the device's axes; a pitch before it stops sending samples.
struct Accel {
    Acceleration sample;
};
// The device turned into another physical orientation.
struct Rotate {
    DeviceOrientation orientation = DeviceOrientation::portrait;
};
// Nothing happens; the scenario runs at least until then (the end of a recording).
struct End {};
// One step of a finger's path at a point of the window: down, move, up or cancel.
struct TouchPath {
    TouchPhase phase = TouchPhase::began;
    Point point;
};
// Fixes along a GPX track at `speed` times walking pace, facing the way of travel.
struct Walk {
    std::filesystem::path gpx;
    double speed = 1;
};
struct Present {};
struct Background {};
struct Foreground {};
struct ReloadNotification {};
struct TapPoint {
    Point point;
};
// A finger held still at a point of the window for a second.
struct LongPress {
    Point point;
};
struct TapCard {
    std::string name;
};
struct TapView {
    std::string identifier;
};
struct SwipeCard {
    SwipeDirection direction = SwipeDirection::left;
    std::string name;
};
// Presses the button of the alert on top, named by its key or its text.
struct AlertButton {
    std::string button;
};
// The main screen opens its places list ("pointTable").
struct OpenList {};
// The phone is raised upright from now on (pitch 0), which closes the list.
struct Raise {};
// A finger scrolls the list's content by `dy` points (positive: further down the list).
struct ScrollList {
    double dy = 0;
};
// A tap on a row of the list, by its number from 0 or by its place's name.
struct TapRow {
    std::optional<int> row;
    std::string name;
};
// The device's network from now on: a route to the internet and pages that load, or neither.
struct Network {
    bool on = true;
};
// The host opens the in-app web page screen for an address over the screen on top.
struct Browse {
    std::string url;
    std::string title;
};
// The map applications installed from now on (schemes of SimURLOpener::mapApps(); empty: none).
struct MapApps {
    std::vector<std::string> schemes;
};
// Whether the device has a mail account from now on.
struct Mail {
    bool on = true;
};
// Opens the details screen of the place of that name: a row tap while the list is shown, else
// a tap on the place's card.
struct OpenDetails {
    std::string name;
};
// Presses the button with that title (or localisation key) of the action sheet or alert on top.
struct SheetButton {
    std::string button;
};
// A tap at a point of the map on top: the details screen's map holder or the debug map, in
// that view's own coordinates.
struct TapMap {
    Point point;
};
// A finger scrolls the details screen's content by `dy` points (positive: further down).
struct ScrollDetails {
    double dy = 0;
};
// A screen reader's gesture: move to the next or previous element, activate the focused one,
// escape (back or dismiss), adjust it up or down, or run its custom action of that name.
enum class A11yGesture { next, previous, activate, escape, adjustUp, adjustDown, action };
struct A11y {
    A11yGesture gesture = A11yGesture::next;
    std::string action;
};
struct Shot {
    std::string name;  // letters, digits, '-' and '_': the file names NAME.png and NAME.tree
    std::string caption;
};
}  // namespace scenario

using ScenarioAction =
    std::variant<scenario::Fix, scenario::Heading, scenario::Turn, scenario::Pitch, scenario::Walk,
                 scenario::Present, scenario::Background, scenario::Foreground,
                 scenario::ReloadNotification, scenario::TapPoint, scenario::TapCard,
                 scenario::TapView, scenario::SwipeCard, scenario::AlertButton, scenario::OpenList,
                 scenario::Raise, scenario::ScrollList, scenario::TapRow, scenario::Network,
                 scenario::Browse, scenario::LongPress, scenario::MapApps, scenario::Mail,
                 scenario::OpenDetails, scenario::SheetButton, scenario::TapMap,
                 scenario::ScrollDetails, scenario::Shot, scenario::Compass, scenario::Accel,
                 scenario::Rotate, scenario::TouchPath, scenario::End, scenario::A11y>;

struct ScenarioEvent {
    double time = 0;  // seconds after the start
    int line = 0;     // in the scenario file, from 1
    ScenarioAction action;
};

// The phone and the host a scenario runs on.
struct DeviceSetup {
    Size screen{375, 812};
    double scale = 2;
    std::string language = "en";
    ScenarioCamera camera = ScenarioCamera::authorized;
    bool locationServices = true;
    bool delegate = true;
    // Distances in feet and miles (the setting "isMyleType" stored).
    bool imperial = false;
    // The device's network at the start.
    bool network = true;
    // The folder the simulated web serves pages from (https://HOST/PATH is DIR/HOST/PATH);
    // empty: no pages.
    std::filesystem::path pages;
    // The small print the main screen shows (the places' data attribution).
    std::string attribution;
    // How the device's directions service answers.
    SimDirectionsMode directions = SimDirectionsMode::answer;
    // Debugging aids of the main screen: the debug map button, the debug label.
    bool debugMap = false;
    bool debugLabel = false;
    // The map applications installed besides the system's own (SimURLOpener::mapApps()).
    std::vector<std::string> mapApps;
    // Whether a mail account is set up.
    bool mail = true;
    // Whether the main screen shows its first-use hints.
    bool hints = true;
};

struct Scenario {
    // Files are taken relative to the scenario file's folder. The host's places are the records
    // of every places file in order; none: the host has none.
    std::vector<std::filesystem::path> places;
    // Places given in the scenario itself (a places JSON text), read after the files'.
    std::string inlinePlaces;
    int placesLine = 0;
    int pagesLine = 0;
    // The map pack maps draw and routes walk over (a pack file, or an OSM extract made into a
    // pack at load); empty: none.
    std::filesystem::path mapPack;
    int mapPackLine = 0;
    DeviceSetup device;
    // In time order (times never go backwards in the file).
    std::vector<ScenarioEvent> events;
};

struct ScenarioParse {
    std::optional<Scenario> scenario;
    // "line 7: heading must be a number of degrees in [0, 360): abc"; empty when parsed.
    std::string error;
};

// Parses a scenario text; relative file names are resolved against `folder`.
ScenarioParse parseScenario(std::string_view text, const std::filesystem::path& folder);
// Reads and parses a scenario file.
ScenarioParse readScenarioFile(const std::filesystem::path& path);

// The command word of an action ("tap card"), for logs.
std::string describeAction(const ScenarioAction& action);

}  // namespace arquorel::sim
