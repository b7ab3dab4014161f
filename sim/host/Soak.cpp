#include "sim/host/Soak.h"

#include <unistd.h>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <random>

#include "arquorel/arcore/ARStatus.h"
#include "arquorel/arscreen/ARViewController.h"
#include "arquorel/arscreen/DebugMapViewController.h"
#include "arquorel/arscreen/LocationManager.h"
#include "arquorel/placelist/PlaceVC.h"
#include "arquorel/placelist/PointsVC.h"
#include "arquorel/placelist/WebViewVC.h"
#include "arquorel/places/QuorelVC.h"
#include "arquorel/platform/drawing/DisplayList.h"
#include "arquorel/platform/maps/Directions.h"
#include "arquorel/platform/maps/MapView.h"
#include "arquorel/platform/resources/Bundle.h"
#include "arquorel/platform/runtime/NotificationCenter.h"
#include "arquorel/platform/runtime/PlatformContext.h"
#include "arquorel/platform/ui/AlertController.h"
#include "arquorel/platform/ui/HitTest.h"
#include "arquorel/platform/ui/ViewCount.h"
#include "arquorel/platform/web/ShareSheet.h"
#include "arquorel/platform/web/WebView.h"
#include "sim/device/SimDataLoader.h"
#include "sim/host/CliArgs.h"
#include "sim/host/MapCommands.h"
#include "sim/host/ScenarioPlayer.h"

#ifndef ARQUOREL_DATA_DIR
#define ARQUOREL_DATA_DIR ""
#endif

namespace arquorel::sim {

namespace {

namespace fs = std::filesystem;

constexpr double kStep = 1.0;            // seconds between fixes and checks
constexpr std::size_t kStepsAFrame = 5;  // steps between the frames drawn
constexpr double kSensorPeriod = 0.1;    // compass and accelerometer readings
constexpr double kMetresPerDegree = 111132.954;
constexpr double kScreenPitch = -50;  // the phone held looking down at a screen
// A screen other than the main screen shown this long with no way found out of it is closed
// by the host and reported.
constexpr double kStuckAfter = 180;

// The hostile pages, each under the loader's 1 MB cap.
constexpr const char* kNestedPage = "https://hostile.example/nested.html";
constexpr const char* kUnbrokenPage = "https://hostile.example/unbroken.html";
constexpr std::size_t kNestedDivs = 199000;      // 995,000 bytes of "<div>"
constexpr std::size_t kUnbrokenRun = 64 * 1024;  // letters without a space
// Pages the host opens now and then besides those of the places.
constexpr const char* kOrdinaryPages[] = {
    "https://casino.example/",
    "https://oceanographic.example/",
    "https://missing.example/none.html",
};

// The notifications the screens, their engine and the host observe.
constexpr const char* kObservedNames[] = {
    kReloadOnBecomeActive,        kApplicationDidEnterBackground, kApplicationWillEnterForeground,
    kApplicationWillResignActive, kApplicationDidBecomeActive,    kDeviceOrientationDidChange,
    kAskForLocationNotification,  kNotificationLocationSet,       kFromSiriNotification,
    kSearchForRadiusNotification,
};

// The device's directions, counting the requests whose answer has not come yet.
class CountedDirections final : public Directions {
  public:
    CountedDirections(std::shared_ptr<Directions> inner, std::shared_ptr<std::size_t> inFlight)
        : inner_(std::move(inner)), inFlight_(std::move(inFlight)) {}
    void calculate(const DirectionsRequest& request, Completion completion) override {
        ++*inFlight_;
        inner_->calculate(request, [inFlight = inFlight_, completion = std::move(completion)](
                                       const DirectionsResponse& response) {
            --*inFlight;
            if (completion) completion(response);
        });
    }

  private:
    std::shared_ptr<Directions> inner_;
    std::shared_ptr<std::size_t> inFlight_;
};

// The simulated web, counting the loads whose answer has not come yet.
class CountedLoader final : public DataLoader {
  public:
    explicit CountedLoader(std::shared_ptr<SimDataLoader> inner) : inner_(std::move(inner)) {}
    std::size_t inFlight() const { return *inFlight_; }

  protected:
    void fetch(const std::string& address, std::size_t maxBytes, Completion completion) override {
        ++*inFlight_;
        inner_->setMaxBytes(maxBytes);
        inner_->load(address, [inFlight = inFlight_,
                               completion = std::move(completion)](const DataLoadResult& result) {
            --*inFlight;
            completion(result);
        });
    }

  private:
    std::shared_ptr<SimDataLoader> inner_;
    std::shared_ptr<std::size_t> inFlight_ = std::make_shared<std::size_t>(0);
};

std::size_t countViews(const View& view) {
    std::size_t n = 1;
    for (const auto& child : view.subviews()) n += countViews(*child);
    return n;
}

std::size_t countMapFeatures(const View& view) {
    std::size_t n = 0;
    if (const auto* map = dynamic_cast<const MapView*>(&view))
        n += map->annotations().size() + map->overlayCount();
    for (const auto& child : view.subviews()) n += countMapFeatures(*child);
    return n;
}

// The process's resident memory now and at its peak, from /proc ("" where unknown).
std::string residentMemory() {
    std::ifstream status("/proc/self/status");
    std::string line, now, peak;
    const auto megabytes = [](const std::string& l) {
        return formatFixed(std::atof(l.substr(l.find(':') + 1).c_str()) / 1024, 0) + " MB";
    };
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) now = megabytes(line);
        if (line.rfind("VmHWM:", 0) == 0) peak = megabytes(line);
    }
    if (now.empty()) return "";
    return ", " + now + " resident at the end, " + peak + " at the peak";
}

double wrap(double degrees) {
    double d = std::fmod(degrees, 360.0);
    return d < 0 ? d + 360 : d;
}

// The folder the simulated web serves during a run: the given pages and the hostile ones,
// removed when the run ends.
class PagesFolder {
  public:
    PagesFolder(const fs::path& pages, std::uint64_t seed) {
        static std::atomic<int> made{0};
        root_ = fs::temp_directory_path() / ("arquorel-soak-" + std::to_string(::getpid()) + "-" +
                                             std::to_string(seed) + "-" + std::to_string(made++));
        fs::remove_all(root_);
        fs::create_directories(root_ / "hostile.example");
        if (!pages.empty() && fs::is_directory(pages))
            fs::copy(pages, root_, fs::copy_options::recursive | fs::copy_options::skip_existing);
        std::ofstream nested(root_ / "hostile.example" / "nested.html", std::ios::binary);
        for (std::size_t i = 0; i < kNestedDivs; ++i) nested << "<div>";
        std::ofstream unbroken(root_ / "hostile.example" / "unbroken.html", std::ios::binary);
        unbroken << "<html><head><title>Unbroken</title></head><body><p>"
                 << std::string(kUnbrokenRun, 'w') << "</p></body></html>";
    }
    ~PagesFolder() {
        std::error_code ignored;
        fs::remove_all(root_, ignored);
    }
    PagesFolder(const PagesFolder&) = delete;
    PagesFolder& operator=(const PagesFolder&) = delete;
    const fs::path& root() const { return root_; }

  private:
    fs::path root_;
};

// A person walking about: where they are, the way they walk, the way the phone faces and its
// tilt, with the random choices of one seed.
class Walker {
  public:
    Walker(const SoakOptions& options) : options_(options), rng_(options.seed) {
        position_ = options.start;
        course_ = uniform(0, 360);
    }

    std::mt19937_64& rng() { return rng_; }
    double uniform(double low, double high) {
        return std::uniform_real_distribution<double>(low, high)(rng_);
    }
    bool chance(double p) { return uniform(0, 1) < p; }
    std::size_t pick(std::size_t n) {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng_);
    }

    // One second of walking.
    double step() {
        if (chance(0.1)) course_ = wrap(course_ + uniform(-60, 60));
        const auto& sw = options_.southWest;
        const auto& ne = options_.northEast;
        const bool outside = position_.latitude < sw.latitude || position_.latitude > ne.latitude ||
                             position_.longitude < sw.longitude ||
                             position_.longitude > ne.longitude;
        if (outside) {
            // Back towards the start.
            course_ = bearing(Location(position_.latitude, position_.longitude),
                              Location(options_.start.latitude, options_.start.longitude));
        }
        const double metres = walking_ ? kWalkingSpeed : 0;
        const double r = course_ * kDegreesToRadians;
        position_.latitude += metres * std::cos(r) / kMetresPerDegree;
        position_.longitude +=
            metres * std::sin(r) /
            (kMetresPerDegree * std::cos(position_.latitude * kDegreesToRadians));
        if (chance(0.02)) walking_ = !walking_;
        // The phone looks about around the way of walking and tilts now and then.
        if (chance(0.2)) look_ = uniform(-120, 120);
        if (chance(0.05)) pitch_ = uniform(-60, 40);
        return metres;
    }

    Coordinate position() const { return position_; }
    double heading() const { return wrap(course_ + look_); }
    // The tilt: held still while a screen is read, else the walk's own.
    double pitch() const { return held_.value_or(pitch_); }
    void holdPitch(std::optional<double> pitch) { held_ = pitch; }

  private:
    const SoakOptions& options_;
    std::mt19937_64 rng_;
    Coordinate position_;
    double course_ = 0;
    double look_ = 0;
    double pitch_ = 0;
    std::optional<double> held_;
    bool walking_ = true;
};

class Soak {
  public:
    Soak(const SoakOptions& options, std::vector<std::shared_ptr<QuorelProperty>> records,
         std::ostream* progress)
        : options_(options),
          progress_(progress),
          walker_(options),
          pages_(options.pages, options.seed),
          records_(std::move(records)) {
        ScenarioHost::Setup setup;
        setup.screen = options.screen;
        setup.debugMap = true;
        setup.mapApps = {"comgooglemaps", "waze"};
        host_ = std::make_unique<ScenarioHost>(setup, nullptr);
        auto& context = host_->device().context();
        loader_ = std::make_shared<SimDataLoader>(pages_.root());
        counted_ = std::make_shared<CountedLoader>(loader_);
        context.setDataLoader(counted_);
        if (options.mapPack) host_->device().installMapPack(options.mapPack);
        context.directionsFactory = [inner = context.directionsFactory, inFlight = routes_] {
            return std::make_shared<CountedDirections>(inner(), inFlight);
        };
    }

    SoakReport run() {
        auto& host = *host_;
        host.sensors().apply({0, FixEvent{walker_.position(), 5, 0}});
        feed();
        present();
        const auto steps = static_cast<std::size_t>(std::ceil(options_.seconds / kStep));
        for (std::size_t i = 0; i < steps && report_.ok(); ++i) {
            const auto started = std::chrono::steady_clock::now();
            report_.activity.metresWalked += walker_.step();
            host.sensors().apply({0, FixEvent{walker_.position(), 5, 0}});
            world();
            act();
            for (double t = 0; t < kStep - 1e-9; t += kSensorPeriod) {
                feed();
                host.advance(kSensorPeriod);
            }
            const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - started;
            if (wall.count() > report_.activity.longestSecondWall) {
                report_.activity.longestSecondWall = wall.count();
                report_.activity.longestSecondAt = host.time();
            }
            ++report_.activity.steps;
            // Every few seconds a frame through the phone's layers, as the display draws them.
            if (i % kStepsAFrame == 0) {
                frame_.clear();
                host.phone().drawFrame(frame_);
            }
            check();
            if (progress_ && (i + 1) % 3600 == 0) {
                *progress_ << "hour " << (i + 1) / 3600 << ": " << host.screens().size()
                           << " main screens made; peaks:";
                for (const auto& [name, member] : kSoakCountNames)
                    *progress_ << " " << name << " " << report_.peaks.*member << ";";
                *progress_ << " the longest second "
                           << formatFixed(report_.activity.longestSecondWall * 1000, 0)
                           << " ms wall\n"
                           << std::flush;
            }
        }
        report_.activity.delegateCalls = host.delegateCalls();
        return report_;
    }

  private:
    void feed() {
        auto& phone = host_->phone();
        phone.setHeading(walker_.heading(), compassBackAt_ ? -1 : 5);
        phone.setPitch(walker_.pitch());
    }

    // A new main screen; now and then the host has no places for it, which brings the screen's
    // alert and its buttons into play, and now and then a delegate takes its taps.
    void present() {
        host_->records =
            walker_.chance(options_.emptyScreenChance) ? decltype(records_){} : records_;
        host_->present();
        if (auto screen = host_->screen(); screen && !walker_.chance(options_.delegateChance))
            screen->delegate.reset();
        ++report_.activity.screensPresented;
    }

    // What happens to the phone whatever screen is shown: the network and the compass come and
    // go, the phone is turned, the mail account and the map applications change.
    void world() {
        auto& host = *host_;
        auto& activity = report_.activity;
        if (networkBackAt_ && host.time() >= *networkBackAt_) {
            setNetwork(true);
            networkBackAt_.reset();
        } else if (!networkBackAt_ && walker_.chance(1 / 400.0)) {
            setNetwork(false);
            networkBackAt_ = host.time() + walker_.uniform(5, 90);
            ++activity.networkDrops;
        }
        if (compassBackAt_ && host.time() >= *compassBackAt_) {
            compassBackAt_.reset();
        } else if (!compassBackAt_ && walker_.chance(1 / 300.0)) {
            compassBackAt_ = host.time() + walker_.uniform(5, 60);
            ++activity.compassDrops;
        }
        if (walker_.chance(1 / 150.0)) {
            static constexpr DeviceOrientation kWays[] = {
                DeviceOrientation::portrait,       DeviceOrientation::landscapeLeft,
                DeviceOrientation::landscapeRight, DeviceOrientation::portraitUpsideDown,
                DeviceOrientation::faceUp,         DeviceOrientation::portrait,
            };
            host.device().context().device().setOrientation(kWays[walker_.pick(std::size(kWays))]);
            host.device().runPending();
            ++activity.rotations;
        }
        if (walker_.chance(1 / 900.0)) host.setMail(walker_.chance(0.7));
        if (walker_.chance(1 / 900.0)) {
            static const std::vector<std::string> kApps[] = {
                {}, {"comgooglemaps"}, {"comgooglemaps", "waze", "yandexmaps", "mapsme"}};
            host.setMapApps(kApps[walker_.pick(std::size(kApps))]);
        }
    }

    void setNetwork(bool on) {
        host_->setNetwork(on);
        loader_->setOffline(!on);
    }

    // The random things a person does in one second, on the screen on top.
    void act() {
        auto& host = *host_;
        if (backgroundUntil_) {
            if (host.time() >= *backgroundUntil_) {
                host.foreground();
                backgroundUntil_.reset();
            }
            return;
        }
        if (held_) {
            if (host.time() >= held_->liftAt) lift();
            return;
        }
        const auto top = host.window().topViewController();
        remember(top);
        if (top.get() != lastTop_) {
            lastTop_ = top.get();
            topSince_ = host.time();
        }
        // Screens are read with the phone tilted down; the main screen follows the walk.
        if (!raising_)
            walker_.holdPitch(std::dynamic_pointer_cast<QuorelVC>(top) || !top
                                  ? std::nullopt
                                  : std::optional<double>(kScreenPitch));
        if (raising_ && (!std::dynamic_pointer_cast<PointsVC>(top) || host.time() > *raising_)) {
            raising_.reset();
        }
        if (presentAt_) {
            if (host.time() >= *presentAt_) {
                present();
                presentAt_.reset();
            }
            return;
        }
        if (!top || top == host.root()) {
            // Left by an alert's "back": the host shows a new screen a little later.
            watchClosed();
            presentAt_ = host.time() + walker_.uniform(1, 10);
            return;
        }
        if (!std::dynamic_pointer_cast<QuorelVC>(top) && host.time() - topSince_ > kStuckAfter) {
            forceClose(*top);
            return;
        }
        if (auto share = std::dynamic_pointer_cast<ShareSheetController>(top)) {
            if (walker_.chance(0.4) && host.pressSheetButton("Cancel"))
                ++report_.activity.sharesCancelled;
        } else if (auto alert = std::dynamic_pointer_cast<AlertController>(top)) {
            onAlert(*alert);
        } else if (auto list = std::dynamic_pointer_cast<PointsVC>(top)) {
            onList(list);
        } else if (auto details = std::dynamic_pointer_cast<PlaceVC>(top)) {
            onDetails(details);
        } else if (auto page = std::dynamic_pointer_cast<WebViewVC>(top)) {
            onWebPage(page);
        } else if (auto map = std::dynamic_pointer_cast<DebugMapViewController>(top)) {
            onDebugMap(map);
        } else if (auto screen = std::dynamic_pointer_cast<QuorelVC>(top)) {
            onMainScreen(screen);
        }
    }

    // Read for a few seconds, then a button; for the main screen's alert, mostly "retry".
    void onAlert(AlertController& alert) {
        if (!walker_.chance(0.3) || alert.actions().empty()) return;
        const auto& actions = alert.actions();
        std::string button = actions[walker_.pick(actions.size())].title;
        for (const auto& action : actions)
            if (action.title == localized("retry") && walker_.chance(0.5)) button = action.title;
        if (host_->pressAlertButton(button)) ++report_.activity.alertsAnswered;
    }

    void onMainScreen(const std::shared_ptr<QuorelVC>& screen) {
        auto& host = *host_;
        auto& activity = report_.activity;
        if (screen->visibleHint() != 0) {
            if (walker_.chance(0.2)) {
                host.tapAt({options_.screen.width / 2, options_.screen.height / 2});
                ++activity.hintTaps;
            }
            return;
        }
        // Per second: a tap on a card one time in 25, a swipe one in 70, the list one in 40, a
        // reload notification one in 120, the debug map and a web page each one in 100, a trip
        // to the background, a finger held while the screen closes and a new screen each one in
        // 300.
        const double roll = walker_.uniform(0, 1);
        constexpr double kTap = 0.04, kSwipe = kTap + 1 / 70.0, kList = kSwipe + 1 / 40.0,
                         kReload = kList + 1 / 120.0, kDebugMap = kReload + 1 / 100.0,
                         kPage = kDebugMap + 1 / 100.0, kBackground = kPage + 1 / 300.0,
                         kHold = kBackground + 1 / 300.0, kBack = kHold + 1 / 300.0;
        if (roll < kTap) {
            if (auto card = randomCard()) {
                ++activity.taps;
                opener_ = Opener::card;
                if (!host.tap(*card)) ++activity.tapsMissed;
            }
        } else if (roll < kSwipe) {
            if (auto card = randomCard()) {
                static constexpr SwipeDirection kWays[] = {
                    SwipeDirection::left, SwipeDirection::right, SwipeDirection::up};
                host.swipe(*card, kWays[walker_.pick(3)]);
                ++activity.swipes;
            }
        } else if (roll < kList) {
            // Tilted down first, or the list would close itself at once.
            walker_.holdPitch(kScreenPitch);
            feed();
            host.openList();
            if (host.list()) ++activity.listsOpened;
        } else if (roll < kReload) {
            host.postReloadNotification();
            ++activity.reloadNotifications;
            // Leaving at once sometimes, while the reload's delayed steps wait.
            if (walker_.chance(0.3)) leave(*screen);
        } else if (roll < kDebugMap) {
            if (host.tapView("debugMapButton")) ++activity.debugMaps;
        } else if (roll < kPage) {
            browse();
        } else if (roll < kBackground) {
            host.background();
            ++activity.backgrounds;
            backgroundUntil_ = host.time() + walker_.uniform(2, 120);
        } else if (roll < kHold) {
            if (auto card = randomCard()) {
                const auto b = card->bounds();
                hold(convertToRoot(*card, {b.midX(), b.midY()}), [this, screen] {
                    screen->back();
                    watchClosed();
                    presentAt_ = host_->time() + walker_.uniform(3, 10);
                });
            }
        } else if (roll < kBack) {
            leave(*screen);
        }
    }

    void onList(const std::shared_ptr<PointsVC>& list) {
        auto& host = *host_;
        auto& activity = report_.activity;
        if (list->hintView && !list->hintView->isHidden() && list->hintView->superview()) {
            if (walker_.chance(0.3)) host.tapView("closeHintButton");
            return;
        }
        const double roll = walker_.uniform(0, 1);
        constexpr double kScroll = 0.25, kRow = kScroll + 0.08, kRaise = kRow + 0.04,
                         kBack = kRaise + 0.02, kHold = kBack + 0.01;
        if (roll < kScroll) {
            host.scrollList(walker_.uniform(-800, 1500));
            ++activity.listScrolls;
        } else if (roll < kRow) {
            const auto& shown = list->tableView->visibleCells();
            if (shown.empty()) return;
            auto it = shown.begin();
            std::advance(it, static_cast<std::ptrdiff_t>(walker_.pick(shown.size())));
            const int row = it->first;
            ++activity.rowsTapped;
            opener_ = Opener::row;
            host.tapRow(row, "");
        } else if (roll < kRaise) {
            // Raising closes a list of places; an empty one is left by its back button.
            if (list->tableData.empty())
                host.tapView("backButton");
            else
                raise();
        } else if (roll < kBack) {
            host.tapView("backButton");
        } else if (roll < kHold) {
            const auto& shown = list->tableView->visibleCells();
            if (shown.empty()) return;
            const auto& cell =
                *std::next(shown.begin(), static_cast<std::ptrdiff_t>(walker_.pick(shown.size())))
                     ->second;
            const auto b = cell.bounds();
            const Point at = convertToRoot(cell, {b.midX(), b.midY()});
            // Raised with a finger on a row: the list closes under it (or, holding no places,
            // stays and is left by its back button).
            hold(at, [this, list] {
                raise();
                if (list->tableData.empty()) list->backClicked();
            });
        }
    }

    // The phone raised upright: the list closes itself.
    void raise() {
        raising_ = host_->time() + 5;
        walker_.holdPitch(0.0);
    }

    void onDetails(const std::shared_ptr<PlaceVC>& details) {
        auto& host = *host_;
        auto& activity = report_.activity;
        const auto map = details->mapHolderView;
        if (details->isMapEnlarged()) {
            const double roll = walker_.uniform(0, 1);
            if (roll < 0.3 && map) {
                const auto b = map->bounds();
                const Point from = convertToRoot(*map, {walker_.uniform(0.2, 0.8) * b.width(),
                                                        walker_.uniform(0.2, 0.8) * b.height()});
                const Point to = {from.x + walker_.uniform(-150, 150),
                                  from.y + walker_.uniform(-200, 200)};
                host.phone().finger().drag(from, to, 0.3, 8);
                ++activity.mapGestures;
            } else if (roll < 0.4 && map) {
                const auto b = map->bounds();
                const Point at = convertToRoot(*map, {b.midX(), b.midY()});
                host.phone().finger().tapAt(at);
                host.phone().advance(0.1);
                host.phone().finger().tapAt(at);
                ++activity.mapGestures;
            } else if (roll < 0.55) {
                host.tapView("backButton");
            }
            return;
        }
        const double roll = walker_.uniform(0, 1);
        constexpr double kScroll = 0.15, kMap = kScroll + 0.05, kRoute = kMap + 0.04,
                         kCall = kRoute + 0.04, kMail = kCall + 0.03, kShare = kMail + 0.04,
                         kSite = kShare + 0.04, kWiki = kSite + 0.02, kPage = kWiki + 0.01,
                         kBack = kPage + 0.08, kSiri = kBack + 0.01, kHold = kSiri + 0.01;
        if (roll < kScroll) {
            host.scrollDetails(walker_.uniform(-600, 900));
            ++activity.detailScrolls;
        } else if (roll < kMap) {
            if (map && map->superview() && !map->isHidden()) {
                const auto b = map->bounds();
                host.tapMap({b.midX(), b.midY()});
                if (details->isMapEnlarged()) ++activity.mapsEnlarged;
            }
        } else if (roll < kWiki) {
            static constexpr const char* kHandOffs[] = {"routeButton", "phoneButton", "emailRow",
                                                        "shareButton", "websiteRow"};
            const char* which = roll < kRoute   ? kHandOffs[0]
                                : roll < kCall  ? kHandOffs[1]
                                : roll < kMail  ? kHandOffs[2]
                                : roll < kShare ? kHandOffs[3]
                                : roll < kSite  ? kHandOffs[4]
                                                : "wikipediaRow";
            if (host.tapView(which)) ++activity.handOffs;
        } else if (roll < kPage) {
            browse();
        } else if (roll < kBack) {
            host.tapView("backButton");
        } else if (roll < kSiri) {
            host.device().context().notificationCenter().post(kFromSiriNotification);
            host.device().runPending();
        } else if (roll < kHold) {
            if (!details->scrollView) return;
            const auto b = details->scrollView->bounds();
            hold(convertToRoot(*details->scrollView, {b.midX(), b.midY()}), [this] {
                host_->device().context().notificationCenter().post(kFromSiriNotification);
            });
        }
    }

    void onWebPage(const std::shared_ptr<WebViewVC>& page) {
        auto& host = *host_;
        if (host.time() - topSince_ < 2) return;
        const double roll = walker_.uniform(0, 1);
        if (roll < 0.25) {
            host.tapView("doneButton");
        } else if (roll < 0.45 && page->webView) {
            const auto b = page->webView->bounds();
            const Point at = convertToRoot(*page->webView, {b.midX(), b.midY()});
            host.phone().finger().drag(at, {at.x, at.y - walker_.uniform(-300, 300)}, 0.2, 5);
        } else if (roll < 0.47 && page->webView) {
            const auto b = page->webView->bounds();
            hold(convertToRoot(*page->webView, {b.midX(), b.midY()}), [page] { page->done(); });
        }
    }

    void onDebugMap(const std::shared_ptr<DebugMapViewController>& debug) {
        auto& host = *host_;
        auto& activity = report_.activity;
        const auto map = debug->mapView();
        const double roll = walker_.uniform(0, 1);
        if (!map) {
            if (roll < 0.2) debug->closeButtonTap();
            return;
        }
        const auto b = map->bounds();
        const Point point{walker_.uniform(0.1, 0.9) * b.width(),
                          walker_.uniform(0.2, 0.9) * b.height()};
        if (roll < 0.2) {
            host.tapMap(point);
            ++activity.debugMapTouches;
        } else if (roll < 0.3) {
            const Point from = convertToRoot(*map, point);
            host.phone().finger().drag(
                from, {from.x + walker_.uniform(-120, 120), from.y + walker_.uniform(-120, 120)},
                0.3, 6);
            ++activity.debugMapTouches;
        } else if (roll < 0.45) {
            host.tapView("debugMapClose");
        } else if (roll < 0.47) {
            hold(convertToRoot(*map, point), [debug] { debug->closeButtonTap(); });
        }
    }

    // The host opens a web page over the screen on top: one of its own, or a hostile one.
    void browse() {
        const bool hostile = options_.hostilePages && walker_.chance(0.4);
        const std::string url = hostile ? (walker_.chance(0.5) ? kNestedPage : kUnbrokenPage)
                                        : kOrdinaryPages[walker_.pick(std::size(kOrdinaryPages))];
        host_->browse(url, "Page");
        ++report_.activity.pagesOpened;
        if (hostile) ++report_.activity.hostilePagesOpened;
    }

    // A finger put down at `at` (window coordinates) and kept there while `close` closes the
    // screen under it; lifted a second or two later.
    void hold(Point at, std::function<void()> close) {
        if (!options_.heldFingers) return;
        auto& host = *host_;
        host.window().sendTouch(TouchPhase::began, at);
        host.phone().advance(0.2);
        close();
        host.device().runPending();
        held_ = Held{at, host.time() + walker_.uniform(1, 2.5)};
        ++report_.activity.fingersHeld;
    }

    void lift() {
        auto& host = *host_;
        host.window().sendTouch(TouchPhase::ended, held_->at);
        host.device().runPending();
        held_.reset();
    }

    // Back to the host's screen; a new main screen comes a little later.
    void leave(QuorelVC& screen) {
        if (!host_->tapView("backbutton")) screen.back();
        watchClosed();
        presentAt_ = host_->time() + walker_.uniform(1, 10);
    }

    // A screen shown for minutes with no way out found: the host takes it off and it is
    // reported.
    void forceClose(ViewController& top) {
        auto& host = *host_;
        report_.stuck.push_back("at " + formatFixed(host.time(), 1) + " s: " + describe(top) +
                                " shown for " + formatFixed(host.time() - topSince_, 0) +
                                " s with no way out; the host closed it");
        ++report_.activity.screensForcedClosed;
        if (auto presenting = top.presentingViewController())
            presenting->dismiss(false);
        else
            top.dismiss(false);
        host.device().runPending();
        topSince_ = host.time();
    }

    static std::string describe(const ViewController& screen) {
        if (dynamic_cast<const ShareSheetController*>(&screen)) return "the share sheet";
        if (const auto* alert = dynamic_cast<const AlertController*>(&screen))
            return "the alert \"" + printable(alert->title()) + "\"";
        if (dynamic_cast<const PointsVC*>(&screen)) return "the list";
        if (dynamic_cast<const PlaceVC*>(&screen)) return "the details screen";
        if (const auto* page = dynamic_cast<const WebViewVC*>(&screen))
            return "the web page " + printable(page->url);
        if (dynamic_cast<const DebugMapViewController*>(&screen)) return "the debug map";
        return "a screen";
    }

    // Keeps the screen just left alive a while, to see that none of its delayed steps runs:
    // no reload, no alert.
    void watchClosed() {
        auto screen = host_->screen();
        if (!screen || closed_) return;
        closed_ = Closed{screen, screen->reloadCount(), host_->time() + QuorelVC::kAlertDelay + 2};
    }

    // Every screen other than the main screen that came on top, to count those that outlive
    // their place in the window.
    // A details screen new on top is counted for what opened it.
    void remember(const std::shared_ptr<ViewController>& top) {
        if (!top || top == host_->root() || std::dynamic_pointer_cast<QuorelVC>(top)) return;
        for (const auto& weak : seen_)
            if (weak.lock() == top) return;
        seen_.push_back(top);
        if (std::dynamic_pointer_cast<PlaceVC>(top)) {
            if (opener_ == Opener::card) ++report_.activity.detailsFromCards;
            if (opener_ == Opener::row) ++report_.activity.detailsFromRows;
        }
        opener_ = Opener::none;
    }

    std::shared_ptr<AnnnotationView> randomCard() {
        const auto cards = host_->cardsOnScreen();
        if (cards.empty()) return nullptr;
        return cards[walker_.pick(cards.size())];
    }

    SoakCounts count() {
        auto& host = *host_;
        SoakCounts c;
        c.views = countViews(host.window());
        c.liveViews = liveViewCount();
        auto& context = host.device().context();
        for (const char* name : kObservedNames)
            c.observers += context.notificationCenter().observerCount(name);
        c.mainLoopSteps = context.mainLoop().pendingCount();
        c.layerBytes = host.phone().layers().bytes();
        c.routeRequests = *routes_;
        c.pageLoads = counted_->inFlight();
        c.mapFeatures = countMapFeatures(host.window());
        const auto stack = host.window().presentationStack();
        for (const auto& controller : stack) {
            if (const auto list = std::dynamic_pointer_cast<PointsVC>(controller);
                list && list->tableView)
                c.cells +=
                    list->tableView->visibleCells().size() + list->tableView->pooledCellCount();
        }
        // Each list cell follows the heading for its arrow: the rest are the screens'.
        const std::size_t subscriptions = LocationManager::sharedInstance()->headingCallbackCount();
        c.headingSubscriptions = subscriptions - std::min(subscriptions, c.cells);
        std::erase_if(seen_, [](const auto& weak) { return weak.expired(); });
        for (const auto& weak : seen_) {
            const auto screen = weak.lock();
            if (screen && std::find(stack.begin(), stack.end(), screen) == stack.end())
                ++c.closedScreens;
        }
        const auto current = host.screen();
        for (const auto& weak : host.screens()) {
            auto screen = weak.lock();
            if (!screen) continue;
            ++c.liveMainScreens;
            if (screen == current && !screen->isClosed())
                c.shownScreenSteps = screen->pendingDelayedSteps();
            else
                c.closedScreenSteps += screen->pendingDelayedSteps();
        }
        return c;
    }

    void check() {
        auto& host = *host_;
        const auto breaks = [&](const std::string& what, std::size_t value, std::size_t bound) {
            if (value <= bound || !report_.ok()) return;
            report_.violation = "at " + formatFixed(host.time(), 1) + " s: " + what + " " +
                                std::to_string(value) + " above the bound " + std::to_string(bound);
        };
        const SoakCounts c = count();
        for (const auto& [name, member] : kSoakCountNames) {
            report_.peaks.*member = std::max(report_.peaks.*member, c.*member);
            breaks(name, c.*member, soakBound(options_.bounds, member, records_.size()));
        }
        if (closed_) {
            const auto& screen = *closed_->screen;
            if (screen.isViewLoaded() && !screen.isClosed() && host.screen().get() != &screen)
                breaks("closed screens not torn down", 1, 0);
            breaks("reloads run by a closed screen",
                   static_cast<std::size_t>(std::max(0, screen.reloadCount() - closed_->reloads)),
                   0);
            breaks("alerts shown over a closed screen", screen.presentedViewController() ? 1 : 0,
                   0);
            if (host.time() >= closed_->until) {
                closed_.reset();
                ++report_.activity.closedScreensWatched;
            }
        }
    }

    const SoakOptions& options_;
    std::ostream* progress_;
    Walker walker_;
    PagesFolder pages_;
    std::vector<std::shared_ptr<QuorelProperty>> records_;
    std::unique_ptr<ScenarioHost> host_;
    DisplayList frame_;
    std::shared_ptr<SimDataLoader> loader_;
    std::shared_ptr<CountedLoader> counted_;
    std::shared_ptr<std::size_t> routes_ = std::make_shared<std::size_t>(0);
    SoakReport report_;
    std::optional<double> backgroundUntil_;
    std::optional<double> presentAt_;
    std::optional<double> networkBackAt_;
    std::optional<double> compassBackAt_;
    std::optional<double> raising_;  // until when the phone is held upright
    struct Held {
        Point at;
        double liftAt = 0;
    };
    std::optional<Held> held_;
    enum class Opener { none, card, row };
    Opener opener_ = Opener::none;  // what the last tap that may open the details touched
    const ViewController* lastTop_ = nullptr;  // compared only, never followed
    double topSince_ = 0;
    std::vector<std::weak_ptr<ViewController>> seen_;
    struct Closed {
        std::shared_ptr<QuorelVC> screen;
        int reloads = 0;
        double until = 0;
    };
    std::optional<Closed> closed_;
};

}  // namespace

std::size_t soakBound(const SoakCounts& bounds, std::size_t SoakCounts::*count,
                      std::size_t places) {
    if (count == &SoakCounts::mapFeatures) return bounds.mapFeatures + places;
    if (count == &SoakCounts::liveViews) return bounds.liveViews + kSoakViewsAPlace * places;
    return bounds.*count;
}

SoakReport runSoak(const SoakOptions& options,
                   const std::vector<std::shared_ptr<QuorelProperty>>& records,
                   std::ostream* progress) {
    return Soak(options, records, progress).run();
}

void printSoakReport(const SoakOptions& options, std::size_t places, const SoakReport& report,
                     std::ostream& out) {
    std::vector<std::vector<std::string>> rows{{"peak", "count", "bound"}};
    for (const auto& [name, member] : kSoakCountNames) {
        const std::size_t bound = soakBound(options.bounds, member, places);
        rows.push_back({name, std::to_string(report.peaks.*member), std::to_string(bound)});
    }
    printTable(rows, {false, true, true}, out);
    const auto& a = report.activity;
    out << a.steps << " s of virtual time, " << formatFixed(a.metresWalked / 1000, 2)
        << " km walked.\nMain screen: " << a.screensPresented << " presented, " << a.taps
        << " taps on cards (" << a.tapsMissed << " missed), " << a.delegateCalls
        << " delegate calls, " << a.swipes << " swipes, " << a.reloadNotifications
        << " reload notifications, " << a.backgrounds << " trips to the background, "
        << a.alertsAnswered << " alerts and sheets answered, " << a.hintTaps << " taps on hints, "
        << a.closedScreensWatched << " closed screens watched for 5 s.\nList: " << a.listsOpened
        << " opened, " << a.listScrolls << " scrolls, " << a.rowsTapped
        << " rows tapped.\nDetails: " << a.detailsFromRows << " from rows, " << a.detailsFromCards
        << " from cards, " << a.detailScrolls << " scrolls, " << a.mapsEnlarged
        << " maps enlarged, " << a.mapGestures << " drags and double taps on them, " << a.handOffs
        << " hand-offs, " << a.sharesCancelled
        << " share sheets cancelled.\nWeb pages: " << a.pagesOpened << " opened by the host, "
        << a.hostilePagesOpened << " of them hostile.\nDebug map: " << a.debugMaps << " opened, "
        << a.debugMapTouches << " touches.\nPhone: " << a.rotations << " rotations, "
        << a.fingersHeld << " fingers held while a screen closed, " << a.networkDrops
        << " network drops, " << a.compassDrops << " compass drops.\n";
    for (const auto& line : report.stuck) out << "Stuck " << line << "\n";
    if (report.ok()) {
        out << "Every bound held.\n";
    } else {
        out << "Bound broken " << report.violation << "\n";
    }
}

int runSoakCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const CommandUsage command("soak", kSoakSynopsis, err);
    if (command.helpAsked(
            args,
            "Uses the whole product for H hours of virtual time (default 4) on the simulated\n"
            "phone, from seed N (default 1): a random walk through the places (default: the\n"
            "bundled Monaco places) with the main screen's cards, the list, the details screen\n"
            "and its hand-offs and map, web pages (DIR, default the bundled example pages, and\n"
            "two hostile ones), the debug map, rotations, a finger held while a screen closes,\n"
            "and the network and the compass lost and regained. The map pack (default: made\n"
            "from the bundled Monaco extract) draws the maps and walks the routes. After every\n"
            "second it checks what the screens leave behind against fixed bounds; it prints\n"
            "the peaks and exits with status 1 when a bound was broken. --without leaves out\n"
            "the hostile pages or the held fingers (comma-separated).\n",
            out))
        return kExitOk;
    std::string error;
    const auto flags = Flags::parse(
        args, {{"hours"}, {"seed"}, {"places"}, {"pages"}, {"map-pack"}, {"without"}}, error);
    if (!flags) return command.fail(error);
    SoakOptions options;
    if (const auto text = flags->value("hours")) {
        const auto hours = parseNumber(*text);
        if (!hours || *hours <= 0 || *hours > 1000)
            return command.fail("--hours must be a number above 0 and at most 1000: " +
                                printable(*text));
        options.seconds = *hours * 3600;
    }
    if (const auto text = flags->value("seed")) {
        const auto seed = parseNumber(*text);
        if (!seed || *seed < 0 || *seed > 4294967295.0 || *seed != std::floor(*seed))
            return command.fail("--seed must be a whole number from 0 to 4294967295: " +
                                printable(*text));
        options.seed = static_cast<std::uint64_t>(*seed);
    }
    if (const auto text = flags->value("without")) {
        std::size_t start = 0;
        while (start <= text->size()) {
            const auto end = std::min(text->find(',', start), text->size());
            const std::string step = text->substr(start, end - start);
            if (step == "hostile-pages")
                options.hostilePages = false;
            else if (step == "held-fingers")
                options.heldFingers = false;
            else
                return command.fail("--without takes hostile-pages and held-fingers: " +
                                    printable(step));
            start = end + 1;
        }
    }
    options.pages = std::string(ARQUOREL_DATA_DIR) + "/web";
    if (const auto text = flags->value("pages")) {
        if (!fs::is_directory(*text))
            return command.fail("--pages must name a folder: " + printable(*text));
        options.pages = *text;
    }
    std::string pack = std::string(ARQUOREL_DATA_DIR) + "/monaco/monaco-latest.osm.pbf";
    if (const auto text = flags->value("map-pack")) pack = *text;
    options.mapPack = loadMapPackOrExtract(pack, error);
    if (!options.mapPack) return command.fail("--map-pack: " + error);
    std::string places = std::string(ARQUOREL_DATA_DIR) + "/monaco/places.json";
    if (const auto text = flags->value("places")) places = *text;
    const auto file = readPlacesFile(places, err);
    if (!file) return kExitUsage;
    const auto started = std::chrono::steady_clock::now();
    const auto report = runSoak(options, file->records, &out);
    const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - started;
    out << "Soak of " << formatFixed(options.seconds / 3600, 2) << " h, seed " << options.seed
        << ", " << file->records.size() << " places, " << formatFixed(wall.count(), 1)
        << " s wall time" << residentMemory() << "; the longest virtual second took "
        << formatFixed(report.activity.longestSecondWall * 1000, 0) << " ms of wall time (at "
        << formatFixed(report.activity.longestSecondAt, 0) << " s)\n";
    printSoakReport(options, file->records.size(), report, out);
    printDataSource(places, out);
    return report.ok() ? kExitOk : 1;
}

}  // namespace arquorel::sim
