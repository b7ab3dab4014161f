#pragma once
// Plays a scenario on a simulated phone: a host application that embeds the main screen, a
// person's hand that holds, turns, tilts and touches the phone, and a log of what the host saw.
//
// ScenarioHost is the host on the simulated phone (SimPhone): a window with a root screen that
// presents the main screen modally, the shared location manager started before it, a delegate that
// logs the places the user opens, and the touches and application events a person causes. It logs,
// with the virtual time, the delegate calls, the alerts that appear and the console lines.
// ScenarioPlayer feeds it the sensor readings and actions of a Scenario at their times and
// writes a picture and a view tree at each shot, and an index.html of the shots at the end.

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "arquorel/placelist/PlaceVC.h"
#include "arquorel/placelist/PointsVC.h"
#include "arquorel/places/AnnnotationView.h"
#include "arquorel/places/QuorelProperty.h"
#include "arquorel/platform/ui/ScreenReader.h"
#include "arquorel/platform/ui/Window.h"
#include "sim/device/SimDataLoader.h"
#include "sim/host/Scenario.h"
#include "sim/host/SensorPlan.h"
#include "sim/phone/SimPhone.h"

namespace arquorel {
class AlertController;
class QuorelVC;
}  // namespace arquorel

namespace arquorel::sim {

// The attribution of the bundled places and walk, shown wherever their pictures are.
inline constexpr const char* kMapDataAttribution =
    "Map data \xC2\xA9 OpenStreetMap contributors, ODbL 1.0";
inline constexpr const char* kOnScreenAttribution = "\xC2\xA9 OpenStreetMap contributors";

// The simulated phone with the host application on it.
class ScenarioHost {
  public:
    using Setup = DeviceSetup;

    // `log`, when given, receives the host's log lines; it must outlive the host.
    ScenarioHost(const Setup& setup, std::ostream* log);
    ~ScenarioHost();
    ScenarioHost(const ScenarioHost&) = delete;
    ScenarioHost& operator=(const ScenarioHost&) = delete;

    SimPhone& phone() { return phone_; }
    SimPlatform& device() { return phone_.device(); }
    SimSensors& sensors() { return phone_.sensors(); }
    SimCamera& camera() { return phone_.camera(); }
    Window& window() { return *phone_.window(); }
    const std::shared_ptr<ViewController>& root() const { return root_; }
    // Seconds since the host started.
    double time() const;

    // The host's places, handed to every screen it presents.
    std::vector<std::shared_ptr<QuorelProperty>> records;

    // Makes a new main screen and presents it over the root screen, unless a screen is
    // presented there already.
    void present();
    // The screen last presented, while it lives.
    std::shared_ptr<QuorelVC> screen() const { return screen_.lock(); }
    // Whether the main screen is the top screen of the window.
    bool screenOnTop() const;
    // Every main screen made, whether it lives or not.
    const std::vector<std::weak_ptr<QuorelVC>>& screens() const { return screens_; }

    void background();
    void foreground();
    void postReloadNotification();

    // The cards in the main screen's presenter whose place has that name, those on screen
    // first, nearest first.
    std::vector<std::shared_ptr<AnnnotationView>> cardsNamed(const std::string& name) const;
    // Every card in the main screen's presenter whose centre lies on screen.
    std::vector<std::shared_ptr<AnnnotationView>> cardsOnScreen() const;
    // The place name a card shows ("" without one).
    static std::string placeName(const AnnnotationView& card);

    // Touches; a touch that misses is logged with what it hit instead.
    bool tapAt(Point point);
    // A finger held still at a point for a second.
    bool longPressAt(Point point);
    // One step of a recorded finger's path; a touch-down is logged with what it lands on.
    void touch(TouchPhase phase, Point point);
    // The device turned into another physical orientation.
    void rotate(DeviceOrientation orientation);
    bool tapCard(const std::string& name);
    bool tapView(const std::string& identifier);
    bool swipeCard(SwipeDirection direction, const std::string& name);
    bool swipe(AnnnotationView& card, SwipeDirection direction);
    bool tap(AnnnotationView& card);
    // Presses a button of the alert on top, named by its key or its text.
    bool pressAlertButton(const std::string& button);

    // The places list: opened from the main screen, the one on top of the window.
    void openList();
    std::shared_ptr<PointsVC> list() const;
    // A finger drags the list's content `dy` points up (positive) or down.
    bool scrollList(double dy);
    // A tap on a row, by number or by its place's name (the first row of that name); the list
    // is first scrolled so that the row is on screen.
    bool tapRow(std::optional<int> row, const std::string& name);
    // The device's network: a route to the internet and pages that load, or neither.
    void setNetwork(bool on);
    // Presents the in-app web page screen for `url` over the screen on top.
    void browse(const std::string& url, const std::string& title);
    // Exactly these map applications are installed from now on (none when empty).
    void setMapApps(const std::vector<std::string>& schemes);
    // Whether the device has a mail account from now on.
    void setMail(bool on);

    // The details screen of the place of that name: with the list on top as a tap on its first
    // row of that name, else as a tap on the place's card of the main screen on top (its
    // delegate gets the place, or without one the screen presents the details).
    bool openDetails(const std::string& name);
    // The details screen on top, if any.
    std::shared_ptr<PlaceVC> details() const;
    // A finger scrolls the details screen's content by `dy` points (positive: further down).
    bool scrollDetails(double dy);
    // A tap at a point of the details screen's map holder or of the debug map, in that view's
    // coordinates; refused (and logged) when another view would take the touch.
    bool tapMap(Point point);
    // Presses the button with that title or localisation key of the action sheet or alert on
    // top, or the cancel button of a share sheet.
    bool pressSheetButton(const std::string& button);

    // A screen reader, on from the first call: what it says is logged ("reader focus: ..."),
    // and it notices each new screen at every look.
    ScreenReader& screenReader();
    // Runs a screen reader's gesture, as a person who uses the phone by them does.
    void a11y(const scenario::A11y& gesture);

    // Logs what appeared since the last look: alerts, details and web page screens, console lines,
    // the main screen's reloads of its places, and what was handed to the device (links opened, the
    // system map application's launches, share sheets' items, mail drafts).
    void look();
    // Writes a line of the log with the current time.
    void note(const std::string& text);
    // Writes the line of numbers still being gathered.
    void flushCounters();

    // Lets `seconds` of virtual time pass, then looks.
    void advance(double seconds);

    std::size_t delegateCalls() const { return *delegateCalls_; }

  private:
    class Delegate;
    // Presses the button with that title or localisation key of `alert` (an "alert" or a
    // "sheet" in the log).
    bool pickButton(AlertController& alert, const std::string& button, const char* what);
    // A finger drags the content of `scroll` by `dy` points in strokes through its middle.
    void scrollBy(ScrollView& scroll, double dy);
    // Why a touch aimed at a card missed it.
    std::string missed(const AnnnotationView& card, const std::string& message) const;
    struct Counters {
        double start = 0;
        double end = 0;
        std::string first;
        std::string last;
        std::size_t lines = 0;
    };

    std::ostream* log_;
    Setup setup_;
    // Readings come from the player, at its own times.
    SimPhone phone_;
    double start_ = 0;
    std::shared_ptr<ViewController> root_;
    std::weak_ptr<QuorelVC> screen_;
    std::shared_ptr<SimDataLoader> pages_;
    std::vector<std::weak_ptr<QuorelVC>> screens_;
    std::vector<std::weak_ptr<ViewController>> alertsSeen_;
    std::vector<std::weak_ptr<ViewController>> screensSeen_;
    // What the device had been handed at the last look.
    std::size_t urlsSeen_ = 0, launchesSeen_ = 0, sharesSeen_ = 0, draftsSeen_ = 0;
    std::optional<Counters> counters_;
    int reloadsSeen_ = 0;  // by the screen last presented
    std::shared_ptr<std::size_t> delegateCalls_ = std::make_shared<std::size_t>(0);
    std::unique_ptr<ScreenReader> reader_;  // after phone_: it goes first
};

// One picture taken during a scenario.
struct ScenarioShot {
    double time = 0;
    std::string name;
    std::string caption;
    // The screen on top of the window when the shot was taken ("PointsVC"; "" for none).
    std::string top;
};

class ScenarioPlayer {
  public:
    static constexpr double kSensorPeriod = SimPhone::kReadingPeriod;

    // `log` receives the host's log lines.
    ScenarioPlayer(Scenario scenario, std::ostream& log);
    ~ScenarioPlayer();

    // Reads the places file and the tracks of the walks; the problem, naming its line, or "".
    std::string load();
    // Plays every event. Shots go into `out` (made when missing) as NAME.png and NAME.tree,
    // then index.html lists them; with an empty `out` shots are only logged.
    // False, with the reason logged, when a file cannot be written.
    bool play(const std::filesystem::path& out);

    ScenarioHost& host() { return *host_; }
    const std::vector<ScenarioShot>& shots() const { return shots_; }
    // Called at each shot, before anything is written (tests check every screen shown).
    std::function<void(const ScenarioShot&)> onShot;

  private:
    void run(const ScenarioEvent& event);
    void feedSensors(double t);
    bool shoot(const scenario::Shot& shot);
    bool writeIndex() const;

    Scenario scenario_;
    std::ostream& log_;
    std::unique_ptr<ScenarioHost> host_;
    std::map<std::size_t, std::vector<WalkFix>> walks_;
    std::unique_ptr<SensorPlan> plan_;
    std::vector<WalkFix> fixes_;  // every walk's, in time order
    std::filesystem::path out_;
    std::vector<ScenarioShot> shots_;
};

inline constexpr std::string_view kRunSynopsis = "run --scenario FILE --out DIR";

int runScenarioCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace arquorel::sim
