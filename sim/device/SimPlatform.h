#pragma once
// A simulated device: virtual time and a fresh platform context, installed for the lifetime
// of the object. Tests create one per test; the demo host creates one per run. Its text is
// measured by the native drawing backend (Pango on the pinned fonts); pictures are drawn with
// arquorel::cairo::CairoCanvas and arquorel::Renderer. Web views are sim::SimWebView (pages
// through the installed data loader), reachability, sharing and
// directions are simulated.

#include <filesystem>
#include <memory>

#include "arquorel/platform/runtime/PlatformContext.h"
#include "sim/device/SimClock.h"
#include "sim/device/SimDirections.h"
#include "sim/device/SimMailService.h"
#include "sim/device/SimMapsApplication.h"
#include "sim/device/SimReachability.h"
#include "sim/device/SimShareService.h"
#include "sim/device/SimURLOpener.h"

namespace arquorel {
class MapPack;
}

namespace arquorel::sim {

class SimPlatform {
  public:
    explicit SimPlatform(std::filesystem::path settingsFile = {},
                         double startTime = SimClock::kDefaultStart);
    ~SimPlatform();
    SimPlatform(const SimPlatform&) = delete;
    SimPlatform& operator=(const SimPlatform&) = delete;

    PlatformContext& context() { return *context_; }
    SimClock& clock() { return clock_; }
    // The other applications of the device: installed URL schemes and opened URLs.
    SimURLOpener& urlOpener() { return *urlOpener_; }
    // The network's reachability flags (connected at start) and what share sheets shared.
    SimReachability& reachability() { return *reachability_; }
    SimShareService& shareService() { return *shareService_; }
    // The system map application's launches.
    SimMapsApplication& mapsApplication() { return *mapsApplication_; }
    // The mail account (set up at start), how composers end and the drafts they were given.
    SimMailService& mailService() { return *mailService_; }
    double now() const { return clock_.now(); }
    // How the device's directions service answers (through the installed pack's router by
    // default) and how many requests it had.
    SimDirectionsState& directions() { return *directions_; }
    // Installs a map pack: map views draw it and directions are walked over its graph. None
    // takes both away.
    void installMapPack(std::shared_ptr<const MapPack> pack);
    // Measures text with the estimating engine instead of the pinned fonts: at font size 10
    // every Latin character is 6 points wide and every line 12 points high.
    void estimateTextMetrics();

    // Moves time forward by `seconds`, running every piece of due work in time order, each at
    // its own due time (timers, display frames, delayed main-queue work), then lays out the
    // windows' views that need it.
    void advance(double seconds);
    // Runs the work that is due now without moving time, then lays out the windows.
    void runPending();

  private:
    SimClock clock_;
    std::unique_ptr<PlatformContext> context_;
    std::shared_ptr<SimURLOpener> urlOpener_ = std::make_shared<SimURLOpener>();
    std::shared_ptr<SimReachability> reachability_ = std::make_shared<SimReachability>();
    std::shared_ptr<SimShareService> shareService_ = std::make_shared<SimShareService>();
    std::shared_ptr<SimDirectionsState> directions_ = std::make_shared<SimDirectionsState>();
    std::shared_ptr<SimMailService> mailService_;
    std::shared_ptr<SimMapsApplication> mapsApplication_ = std::make_shared<SimMapsApplication>();
    PlatformContext* previous_ = nullptr;
};

}  // namespace arquorel::sim
