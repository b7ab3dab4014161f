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
#include "arquorel/places/QuorelProperty.h"
#include "arquorel/platform/geometry/Geometry.h"
#include "arquorel/platform/sensors/Location.h"
#include "arquorel/platform/ui/Window.h"
#include "sim/device/SensorScript.h"
#include "sim/device/SimCamera.h"
#include "sim/device/SimPlatform.h"
#include "sim/host/ArDemo.h"
#include "sim/host/CliArgs.h"

namespace arquorel::sim {

inline constexpr std::string_view kScreenSynopsis =
    "screen --places FILE --at LAT,LNG --heading DEG --pitch DEG [--screen WxH[@S]] "
    "[--lang en|fr] [--options debugLabel,debugSliders,debugMap,noCloseButton] "
    "[--camera back|front|none] --png OUT.png [--tree] [--a11y]";

enum class CameraChoice { back, front, none };

struct ScreenRequest : PictureRequest {
    double pitch = 0;
    UiOptions options;
    CameraChoice camera = CameraChoice::back;
};

// The AR screen of a request with the given places, on a simulated device of its own: presented
// in a window over a host screen and run until the filters settled for the requested pose.
class ScreenScene {
  public:
    ScreenScene(const ScreenRequest& request, std::vector<std::shared_ptr<QuorelProperty>> records);
    ~ScreenScene();
    ScreenScene(const ScreenScene&) = delete;
    ScreenScene& operator=(const ScreenScene&) = delete;

    SimPlatform& device() { return device_; }
    Window& window() { return *window_; }
    ArDemo& screen() { return *screen_; }

  private:
    SimPlatform device_;
    SimSensors sensors_;
    SimCamera camera_;
    std::shared_ptr<Window> window_;
    std::shared_ptr<ArDemo> screen_;
};

// The request of a command line; none, with `error` set, when a flag is missing or malformed.
std::optional<ScreenRequest> parseScreenRequest(const std::vector<std::string>& args,
                                                std::string& error);

int runScreenCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace arquorel::sim
