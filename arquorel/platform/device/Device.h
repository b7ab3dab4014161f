#pragma once
// What the device tells about itself. Every value can be overridden by a simulated device.

#include <string>
#include <vector>

#include "arquorel/platform/geometry/Geometry.h"
#include "arquorel/platform/sensors/Readings.h"

namespace arquorel {

class NotificationCenter;

enum class InterfaceIdiom { unspecified = -1, phone = 0, pad = 1, tv = 2, carPlay = 3 };

// Orientation of the user interface (the status bar), as opposed to the physical one.
enum class InterfaceOrientation {
    unknown = 0,
    portrait = 1,
    portraitUpsideDown = 2,
    landscapeRight = 3,
    landscapeLeft = 4,
};

constexpr bool isLandscape(InterfaceOrientation o) {
    return o == InterfaceOrientation::landscapeLeft || o == InterfaceOrientation::landscapeRight;
}

// The kernel's machine identifier (uname's machine field, up to the first NUL).
std::string kernelMachineIdentifier();

class Device {
  public:
    explicit Device(NotificationCenter& notifications);

    InterfaceIdiom interfaceIdiom() const { return idiom_; }
    void setInterfaceIdiom(InterfaceIdiom idiom) { idiom_ = idiom; }

    Rect mainScreenBounds() const { return screenBounds_; }
    void setMainScreenBounds(Rect bounds) { screenBounds_ = bounds; }
    double screenScale() const { return screenScale_; }
    void setScreenScale(double scale) { screenScale_ = scale; }

    const std::string& systemVersion() const { return systemVersion_; }
    void setSystemVersion(std::string version) { systemVersion_ = std::move(version); }
    // The numeric major part of the system version ("11.4" gives 11; no digits give 0).
    int systemMajorVersion() const;

    const std::string& machineIdentifier() const { return machine_; }
    void setMachineIdentifier(std::string machine) { machine_ = std::move(machine); }

    DeviceOrientation orientation() const { return orientation_; }
    // Stores the physical orientation and, when it changed, posts kDeviceOrientationDidChange.
    void setOrientation(DeviceOrientation orientation);

    // The user's languages, most preferred first, as language tags ("fr-MC", "en").
    const std::vector<std::string>& preferredLanguages() const { return languages_; }
    void setPreferredLanguages(std::vector<std::string> languages) {
        languages_ = std::move(languages);
    }

    InterfaceOrientation interfaceOrientation() const { return interfaceOrientation_; }
    void setInterfaceOrientation(InterfaceOrientation o) { interfaceOrientation_ = o; }

  private:
    NotificationCenter& notifications_;
    InterfaceIdiom idiom_ = InterfaceIdiom::phone;
    Rect screenBounds_{0, 0, 375, 812};
    double screenScale_ = 3;
    std::string systemVersion_ = "17.0";
    std::string machine_;
    DeviceOrientation orientation_ = DeviceOrientation::portrait;
    InterfaceOrientation interfaceOrientation_ = InterfaceOrientation::portrait;
    std::vector<std::string> languages_{"en"};
};

}  // namespace arquorel
