#pragma once
// arquorel-sim screen: the AR screen for one pose, as a picture. An AR view controller with
// simple labelled cards is presented in a window of the simulated device, runs until the
// filters have settled, and is drawn into a PNG; the view tree can be printed as well.

#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "arquorel/arscreen/ARViewController.h"
#include "arquorel/platform/geometry/Geometry.h"
#include "arquorel/platform/sensors/Location.h"

namespace arquorel::sim {

inline constexpr std::string_view kScreenSynopsis =
    "screen --places FILE --at LAT,LNG --heading DEG --pitch DEG [--screen WxH[@S]] "
    "[--lang en|fr] [--options debugLabel,debugSliders,debugMap,noCloseButton] "
    "[--camera back|front|none] --png OUT.png [--tree]";

enum class CameraChoice { back, front, none };

struct ScreenRequest {
    std::string places;
    Coordinate at;
    double heading = 0;
    double pitch = 0;
    Size screen{375, 812};
    double scale = 2;
    std::string language = "en";
    UiOptions options;
    CameraChoice camera = CameraChoice::back;
    std::string png;
    bool tree = false;
};

// The request of a command line; none, with `error` set, when a flag is missing or malformed.
std::optional<ScreenRequest> parseScreenRequest(const std::vector<std::string>& args,
                                                std::string& error);

int runScreenCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace arquorel::sim
