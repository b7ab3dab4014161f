#pragma once
// arquorel-sim details: the details screen of one place for a position and compass heading, as
// a picture. The screen is presented in a window of the simulated device with the shared
// location manager knowing the position and heading; the map draws the pack given (a pack file
// or an OSM extract made into one) with the walking route on it, or the large arrow offline.

#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "arquorel/placelist/PlaceVC.h"
#include "arquorel/places/QuorelProperty.h"
#include "arquorel/platform/maps/pack/MapPack.h"
#include "arquorel/platform/ui/Window.h"
#include "sim/device/SensorScript.h"
#include "sim/device/SimPlatform.h"
#include "sim/host/CliArgs.h"

namespace arquorel::sim {

inline constexpr std::string_view kDetailsSynopsis =
    "details --places FILE --id ID --at LAT,LNG [--heading DEG] [--offline] [--pack FILE] "
    "[--screen WxH[@S]] [--lang en|fr] --png OUT.png [--tree] [--a11y]";

struct DetailsRequest : PictureRequest {
    std::string id;
    bool offline = false;
    std::string pack;
};

// The details screen of a place on a simulated device of its own, shown in a window over a host
// screen, the directions answered and the heading reported.
class DetailsScene {
  public:
    DetailsScene(const DetailsRequest& request, std::shared_ptr<QuorelProperty> record,
                 std::shared_ptr<const MapPack> pack);
    ~DetailsScene();
    DetailsScene(const DetailsScene&) = delete;
    DetailsScene& operator=(const DetailsScene&) = delete;

    SimPlatform& device() { return device_; }
    Window& window() { return *window_; }
    PlaceVC& details() { return *details_; }

  private:
    SimPlatform device_;
    SimSensors sensors_;
    std::shared_ptr<Window> window_;
    std::shared_ptr<PlaceVC> details_;
};

std::optional<DetailsRequest> parseDetailsRequest(std::vector<std::string> args,
                                                  std::string& error);

int runDetailsCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace arquorel::sim
