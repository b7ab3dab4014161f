#include "sim/host/Soak.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <random>

#include "arquorel/arcore/ARStatus.h"
#include "arquorel/arscreen/LocationManager.h"
#include "arquorel/platform/runtime/NotificationCenter.h"
#include "arquorel/platform/runtime/PlatformContext.h"
#include "arquorel/platform/ui/AlertController.h"
#include "sim/host/CliArgs.h"
#include "sim/host/ScenarioPlayer.h"

#include "arquorel/places/QuorelVC.h"

#ifndef ARQUOREL_DATA_DIR
#define ARQUOREL_DATA_DIR ""
#endif

namespace arquorel::sim {

namespace {

constexpr double kStep = 1.0;          // seconds between fixes and checks
constexpr double kSensorPeriod = 0.1;  // compass and accelerometer readings
constexpr double kMetresPerDegree = 111132.954;

// The notifications the screens and their engine observe.
constexpr const char* kObservedNames[] = {
    kReloadOnBecomeActive,        kApplicationDidEnterBackground, kApplicationWillEnterForeground,
    kApplicationWillResignActive, kApplicationDidBecomeActive,    kDeviceOrientationDidChange,
    kAskForLocationNotification,
};

std::size_t countViews(const View& view) {
    std::size_t n = 1;
    for (const auto& child : view.subviews()) n += countViews(*child);
    return n;
}

double wrap(double degrees) {
    double d = std::fmod(degrees, 360.0);
    return d < 0 ? d + 360 : d;
}

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
    double pitch() const { return pitch_; }

  private:
    const SoakOptions& options_;
    std::mt19937_64 rng_;
    Coordinate position_;
    double course_ = 0;
    double look_ = 0;
    double pitch_ = 0;
    bool walking_ = true;
};

class Soak {
  public:
    Soak(const SoakOptions& options, std::vector<std::shared_ptr<QuorelProperty>> records,
         std::ostream* progress)
        : options_(options), progress_(progress), walker_(options) {
        ScenarioHost::Setup setup;
        setup.screen = options.screen;
        host_ = std::make_unique<ScenarioHost>(setup, nullptr);
        records_ = std::move(records);
    }

    SoakReport run() {
        auto& host = *host_;
        host.sensors().apply({0, FixEvent{walker_.position(), 5, 0}});
        feed();
        host.records = records_;
        host.present();
        ++report_.activity.screensPresented;
        const auto steps = static_cast<std::size_t>(std::ceil(options_.seconds / kStep));
        for (std::size_t i = 0; i < steps && report_.ok(); ++i) {
            report_.activity.metresWalked += walker_.step();
            host.sensors().apply({0, FixEvent{walker_.position(), 5, 0}});
            act();
            for (double t = 0; t < kStep - 1e-9; t += kSensorPeriod) {
                feed();
                host.advance(kSensorPeriod);
            }
            ++report_.activity.steps;
            check();
            if (progress_ && (i + 1) % 3600 == 0) {
                *progress_ << "hour " << (i + 1) / 3600 << ": " << host.screens().size()
                           << " screens made, peak views " << report_.peaks.views << "\n";
            }
        }
        report_.activity.delegateCalls = host.delegateCalls();
        return report_;
    }

  private:
    void feed() {
        auto& host = *host_;
        const double heading = walker_.heading();
        host.phone().setHeading(heading);
        host.phone().setPitch(walker_.pitch());
    }

    // A new screen; now and then the host has no places for it, which brings the screen's
    // alert and its buttons into play.
    void present() {
        host_->records =
            walker_.chance(options_.emptyScreenChance) ? decltype(records_){} : records_;
        host_->present();
        ++report_.activity.screensPresented;
    }

    // The random things a person does in one second.
    void act() {
        auto& host = *host_;
        auto& activity = report_.activity;
        if (backgroundUntil_) {
            if (host.time() >= *backgroundUntil_) {
                host.foreground();
                backgroundUntil_.reset();
            }
            return;
        }
        if (presentAt_) {
            if (host.time() >= *presentAt_) {
                present();
                presentAt_.reset();
            }
            return;
        }
        if (std::dynamic_pointer_cast<AlertController>(host.window().topViewController())) {
            // Read it for a few seconds, then answer.
            if (walker_.chance(0.3)) {
                host.pressAlertButton(walker_.chance(0.7) ? "retry" : "back");
                ++activity.alertsAnswered;
            }
            return;
        }
        auto screen = host.screen();
        if (!screen || !host.screenOnTop()) {
            // Left by an alert's "back": the host shows a new screen a little later.
            if (!host.root()->presentedViewController()) {
                watchClosed();
                presentAt_ = host.time() + walker_.uniform(1, 10);
            }
            return;
        }
        if (screen->visibleHint() != 0) {
            if (walker_.chance(0.2)) {
                host.tapAt({options_.screen.width / 2, options_.screen.height / 2});
                ++activity.hintTaps;
            }
            return;
        }
        // Per second: a tap on a card one time in 25, a swipe one in 70, a reload notification
        // one in 120, a trip to the background and a new screen each one in 300.
        const double roll = walker_.uniform(0, 1);
        constexpr double kTap = 0.04, kSwipe = kTap + 1 / 70.0, kReload = kSwipe + 1 / 120.0,
                         kBackground = kReload + 1 / 300.0, kBack = kBackground + 1 / 300.0;
        if (roll < kTap) {
            if (auto card = randomCard()) {
                ++activity.taps;
                if (!host.tap(*card)) ++activity.tapsMissed;
            }
        } else if (roll < kSwipe) {
            if (auto card = randomCard()) {
                static constexpr SwipeDirection kWays[] = {
                    SwipeDirection::left, SwipeDirection::right, SwipeDirection::up};
                host.swipe(*card, kWays[std::uniform_int_distribution<int>(0, 2)(walker_.rng())]);
                ++activity.swipes;
            }
        } else if (roll < kReload) {
            host.postReloadNotification();
            ++activity.reloadNotifications;
            // Leaving at once sometimes, while the reload's delayed steps wait.
            if (walker_.chance(0.3)) leave(*screen);
        } else if (roll < kBackground) {
            host.background();
            ++activity.backgrounds;
            backgroundUntil_ = host.time() + walker_.uniform(2, 120);
        } else if (roll < kBack) {
            leave(*screen);
        }
    }

    // Back to the host's screen; a new main screen comes a little later.
    void leave(QuorelVC& screen) {
        if (!host_->tapView("backbutton")) screen.back();
        watchClosed();
        presentAt_ = host_->time() + walker_.uniform(1, 10);
    }

    // Keeps the screen just left alive a while, to see that none of its delayed steps runs:
    // no reload, no alert.
    void watchClosed() {
        auto screen = host_->screen();
        if (!screen || closed_) return;
        closed_ = Closed{screen, screen->reloadCount(), host_->time() + QuorelVC::kAlertDelay + 2};
    }

    std::shared_ptr<AnnnotationView> randomCard() {
        const auto cards = host_->cardsOnScreen();
        if (cards.empty()) return nullptr;
        return cards[std::uniform_int_distribution<std::size_t>(0,
                                                                cards.size() - 1)(walker_.rng())];
    }

    void check() {
        auto& host = *host_;
        auto& peaks = report_.peaks;
        const auto& bounds = options_.bounds;
        const auto breaks = [&](const std::string& what, std::size_t value, std::size_t bound) {
            if (value <= bound || !report_.ok()) return;
            report_.violation = "at " + formatFixed(host.time(), 1) + " s: " + what + " " +
                                std::to_string(value) + " above the bound " + std::to_string(bound);
        };
        const std::size_t views = countViews(host.window());
        peaks.views = std::max(peaks.views, views);
        breaks("live views", views, bounds.views);

        const std::size_t subscriptions = LocationManager::sharedInstance()->headingCallbackCount();
        peaks.headingSubscriptions = std::max(peaks.headingSubscriptions, subscriptions);
        breaks("heading subscriptions", subscriptions, bounds.headingSubscriptions);

        const auto& center = host.device().context().notificationCenter();
        std::size_t observers = 0;
        for (const char* name : kObservedNames) observers += center.observerCount(name);
        peaks.observers = std::max(peaks.observers, observers);
        breaks("notification observers", observers, bounds.observers);

        std::size_t live = 0;
        std::size_t closedSteps = 0;
        const auto current = host.screen();
        for (const auto& weak : host.screens()) {
            auto screen = weak.lock();
            if (!screen) continue;
            ++live;
            const bool shown = screen == current && !screen->isClosed();
            if (!shown) {
                closedSteps += screen->pendingDelayedSteps();
            } else {
                peaks.pendingSteps = std::max(peaks.pendingSteps, screen->pendingDelayedSteps());
                breaks("delayed steps of the shown screen", screen->pendingDelayedSteps(),
                       bounds.pendingSteps);
            }
        }
        peaks.liveScreens = std::max(peaks.liveScreens, live);
        breaks("live main screens", live, bounds.liveScreens);
        peaks.closedScreenSteps = std::max(peaks.closedScreenSteps, closedSteps);
        breaks("delayed steps waiting on closed screens", closedSteps, 0);

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
    std::unique_ptr<ScenarioHost> host_;
    std::vector<std::shared_ptr<QuorelProperty>> records_;
    SoakReport report_;
    std::optional<double> backgroundUntil_;
    std::optional<double> presentAt_;
    struct Closed {
        std::shared_ptr<QuorelVC> screen;
        int reloads = 0;
        double until = 0;
    };
    std::optional<Closed> closed_;
};

}  // namespace

SoakReport runSoak(const SoakOptions& options,
                   const std::vector<std::shared_ptr<QuorelProperty>>& records,
                   std::ostream* progress) {
    return Soak(options, records, progress).run();
}

void printSoakReport(const SoakOptions& options, const SoakReport& report, std::ostream& out) {
    const auto& p = report.peaks;
    const auto& b = options.bounds;
    const auto& a = report.activity;
    printTable(
        {
            {"peak", "count", "bound"},
            {"live views", std::to_string(p.views), std::to_string(b.views)},
            {"heading subscriptions", std::to_string(p.headingSubscriptions),
             std::to_string(b.headingSubscriptions)},
            {"notification observers", std::to_string(p.observers), std::to_string(b.observers)},
            {"live main screens", std::to_string(p.liveScreens), std::to_string(b.liveScreens)},
            {"delayed steps of the shown screen", std::to_string(p.pendingSteps),
             std::to_string(b.pendingSteps)},
            {"delayed steps of closed screens", std::to_string(p.closedScreenSteps), "0"},
        },
        {false, true, true}, out);
    out << a.steps << " s of virtual time, " << formatFixed(a.metresWalked / 1000, 2)
        << " km walked: " << a.taps << " taps on cards (" << a.tapsMissed << " missed), "
        << a.delegateCalls << " delegate calls, " << a.swipes << " swipes, "
        << a.reloadNotifications << " reload notifications, " << a.backgrounds
        << " trips to the background, " << a.screensPresented << " screens presented, "
        << a.alertsAnswered << " alerts answered, " << a.hintTaps << " taps on hints, "
        << a.closedScreensWatched << " closed screens watched for 5 s\n";
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
            "Runs the main screen for H hours of virtual time (default 4) on the simulated\n"
            "phone: a random walk through the places (default: the bundled Monaco places) with\n"
            "turns, tilts, taps, swipes, reload notifications, trips to the background and new\n"
            "screens, from seed N (default 1). After every second it checks the live views, the\n"
            "heading subscriptions, the notification observers, the live screens and the\n"
            "delayed steps against fixed bounds; it prints the peaks and exits with status 1\n"
            "when a bound was broken.\n",
            out))
        return kExitOk;
    std::string error;
    const auto flags = Flags::parse(args, {{"hours"}, {"seed"}, {"places"}}, error);
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
    std::string places = std::string(ARQUOREL_DATA_DIR) + "/monaco/places.json";
    if (const auto text = flags->value("places")) places = *text;
    const auto file = readPlacesFile(places, err);
    if (!file) return kExitUsage;
    const auto started = std::chrono::steady_clock::now();
    const auto report = runSoak(options, file->records, &out);
    const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - started;
    out << "Soak of " << formatFixed(options.seconds / 3600, 2) << " h, seed " << options.seed
        << ", " << file->records.size() << " places, " << formatFixed(wall.count(), 1)
        << " s wall time\n";
    printSoakReport(options, report, out);
    printDataSource(places, out);
    return report.ok() ? kExitOk : 1;
}

}  // namespace arquorel::sim
