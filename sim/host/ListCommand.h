#pragma once
// arquorel-sim list: the places list for one position and compass heading, as a picture. The
// list is presented in a window of the simulated device with the places of a file, the shared
// location manager knowing the position and heading, the hint overlay closed, and drawn into a
// PNG; the view tree can be printed as well.

#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "arquorel/placelist/PointsVC.h"
#include "arquorel/places/QuorelProperty.h"
#include "arquorel/platform/geometry/Geometry.h"
#include "arquorel/platform/sensors/Location.h"
#include "arquorel/platform/ui/Window.h"
#include "sim/device/SensorScript.h"
#include "sim/device/SimPlatform.h"
#include "sim/host/CliArgs.h"

namespace arquorel::sim {

inline constexpr std::string_view kListSynopsis =
    "list --places FILE --at LAT,LNG --heading DEG [--screen WxH[@S]] [--lang en|fr] "
    "[--units metric|imperial] --png OUT.png [--tree] [--a11y]";

struct ListRequest : PictureRequest {
    bool imperial = false;
};

// The list of a request with the given places, on a simulated device of its own, shown in a
// window over a host screen.
class ListScene {
  public:
    ListScene(const ListRequest& request, std::vector<std::shared_ptr<QuorelProperty>> records);
    ~ListScene();
    ListScene(const ListScene&) = delete;
    ListScene& operator=(const ListScene&) = delete;

    SimPlatform& device() { return device_; }
    Window& window() { return *window_; }
    PointsVC& list() { return *list_; }

  private:
    SimPlatform device_;
    SimSensors sensors_;
    std::shared_ptr<Window> window_;
    std::shared_ptr<PointsVC> list_;
};

// The request of a command line; none, with `error` set, when a flag is missing or malformed.
std::optional<ListRequest> parseListRequest(const std::vector<std::string>& args,
                                            std::string& error);

int runListCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace arquorel::sim
