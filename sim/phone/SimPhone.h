#pragma once
// The simulated phone, for hosts and tests: a device (SimPlatform) with scripted sensors and a
// camera, held in a pose whose readings keep flowing while time passes, a window to show the
// host's screens in, pictures of that window, and a finger that taps the card of a place.
//
//   arquorel::sim::SimPhone phone;                  // 375 x 812 points at scale 2, English
//   phone.setPose(43.7393682, 7.4272085, 80, 0);    // a fix; compass at 80 degrees, upright
//   phone.show(std::make_shared<arquorel::ViewController>());   // the window's root screen
//   phone.advance(3);                               // readings every 0.05 s meanwhile
//   phone.tapCard("Casino de Monte-Carlo");
//   phone.writePng("screen.png");
//
// The phone makes the shared LocationManager start afresh on its sensors (when it is made and
// when it goes); starting it is the host's part. Screens may outlive the phone.

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "arquorel/platform/drawing/LayerStore.h"
#include "arquorel/platform/geometry/Geometry.h"
#include "arquorel/platform/sensors/Readings.h"
#include "sim/device/SensorScript.h"
#include "sim/device/SimCamera.h"
#include "sim/device/SimPlatform.h"
#include "sim/device/TouchDriver.h"

namespace arquorel {
class AnnnotationView;
class QuorelVC;
class Timer;
class ViewController;
class Window;
}  // namespace arquorel

namespace arquorel::sim {

struct SimPhoneSetup {
    // The screen in points (100 to 10000 each way); wider than high: the phone is held in
    // landscape, turned left. Scale 1 to 4. Other values give a console line and the defaults.
    Size screen{375, 812};
    double scale = 2;
    // The language of the texts; empty follows the device's preferred languages.
    std::string language = "en";
    bool locationServices = true;
    // The user-defaults file; empty keeps the settings in memory.
    std::filesystem::path settingsFile;
    // Compass and accelerometer readings of the pose every kReadingPeriod and its position
    // fix every second while time passes; off, a reading comes only when the pose changes
    // (for drivers with their own timing).
    bool steadyReadings = true;
};

class SimPhone {
  public:
    static constexpr double kReadingPeriod = 0.05;  // seconds
    static constexpr int kReadingsPerFix = 20;      // a fix every second

    explicit SimPhone(SimPhoneSetup setup = {});
    ~SimPhone();
    SimPhone(const SimPhone&) = delete;
    SimPhone& operator=(const SimPhone&) = delete;

    const SimPhoneSetup& setup() const { return setup_; }
    SimPlatform& device() { return device_; }
    PlatformContext& context() { return device_.context(); }
    SimSensors& sensors() { return sensors_; }
    // Its settings: cameras, permission, the answer to the permission prompt.
    SimCamera& camera() { return camera_; }
    TouchDriver& finger() { return finger_; }
    double now() const { return device_.now(); }
    bool landscape() const { return setup_.screen.width > setup_.screen.height; }

    // Where the user stands and how the phone is held: a position fix at (lat, lng) now, the
    // compass at `heading` degrees from true north and the phone tilted by `pitch` degrees
    // (0 upright, negative towards the ground, -90 to 90). The camera picture follows.
    // Headings are taken modulo 360; another value out of range (or not a number) changes
    // nothing and gives a console line naming it. The result says whether it was taken.
    bool setPose(double lat, double lng, double heading, double pitch);
    // A fix, `accuracy` metres, now (and again every second with steady readings), without
    // changing the heading or the tilt.
    bool setPosition(double lat, double lng, double accuracy = 5);
    // The compass from now on; a negative accuracy makes its readings invalid.
    bool setHeading(double heading, double accuracy = 5);
    bool setPitch(double pitch);
    // One accelerometer sample as a real device gives it (in g, each axis within 16); the
    // camera picture takes the tilt it shows.
    bool deliverAcceleration(Acceleration sample);
    CameraPose pose() const { return pose_; }
    // The accelerometer's sample for a phone tilted by `pitch` degrees.
    static Acceleration gravityAt(double pitch, bool landscape);

    // A window over the whole screen, made key and visible, with `root` as its root screen;
    // runs the pending work. Replaces the window shown before.
    Window& show(std::shared_ptr<ViewController> root);
    // The window shown, or none.
    const std::shared_ptr<Window>& window() const { return window_; }
    // Lets the window go (and the screens only it holds).
    void closeWindow();

    // Moves virtual time on, the readings flowing meanwhile (SimPlatform::advance).
    void advance(double seconds) { device_.advance(seconds); }
    void runPending() { device_.runPending(); }

    // Draws the window into a PNG file at the screen's scale; the problem, or none when written.
    std::optional<std::string> writePng(const std::filesystem::path& file) const;
    // Draws a frame of the window into `painter` (at the screen's scale) with the phone's
    // retained layers, as a display does; false when nothing changed since the last frame and
    // nothing was drawn.
    bool drawFrame(Painter& painter);
    // The retained layers: Cairo surfaces at the screen's scale, freed with the window.
    LayerStore& layers() { return *layers_; }
    // The window's view tree (dumpViewTree), empty without a window.
    std::string viewTree() const;

    // The top main screen of the window, or none.
    std::shared_ptr<QuorelVC> mainScreen() const;
    // The cards of `screen` (by default the top main screen) whose place has that name, those
    // with their centre on screen first, nearest first.
    std::vector<std::shared_ptr<AnnnotationView>> cardsNamed(
        const std::string& name, const QuorelVC* screen = nullptr) const;
    // The cards of `screen` (by default the top main screen) with their centre on screen.
    std::vector<std::shared_ptr<AnnnotationView>> cardsOnScreen(
        const QuorelVC* screen = nullptr) const;
    // The place name a card shows ("" without one).
    static std::string placeName(const AnnnotationView& card);
    // A tap on the first of cardsNamed(name); fails, naming the reason, when there is none or
    // the finger would hit something else.
    TouchResult tapCard(const std::string& name);
    // A tap on the view with that identifier (`backbutton`, ...).
    TouchResult tapView(const std::string& identifier) { return finger_.tap(identifier); }

  private:
    // Whether `value` lies in [low, high]; a console line naming it if not.
    bool accept(const char* what, double value, double low, double high);
    void feedReadings();
    void readingsFlow();

    std::vector<std::string> setupProblems_;
    SimPhoneSetup setup_;
    SimPlatform device_;
    SimSensors sensors_;
    SimCamera camera_;
    TouchDriver finger_;
    CameraPose pose_;
    double headingAccuracy_ = 5;
    std::optional<FixEvent> position_;
    int readingsSinceFix_ = 0;
    std::shared_ptr<Timer> readings_;
    std::shared_ptr<Window> window_;
    std::unique_ptr<LayerStore> layers_;
};

}  // namespace arquorel::sim
