#include "arquorel/platform/device/Device.h"

#include <sys/utsname.h>

#include <cstring>
#include <limits>

#include "arquorel/platform/runtime/NotificationCenter.h"

namespace arquorel {

std::string kernelMachineIdentifier() {
    struct utsname info {};
    if (uname(&info) != 0) return {};
    return std::string(info.machine, strnlen(info.machine, sizeof info.machine));
}

Device::Device(NotificationCenter& notifications)
    : notifications_(notifications), machine_(kernelMachineIdentifier()) {}

int Device::systemMajorVersion() const {
    constexpr int kMax = std::numeric_limits<int>::max();
    int major = 0;
    for (char ch : systemVersion_) {
        if (ch < '0' || ch > '9') break;
        const int digit = ch - '0';
        // Absurdly long numbers saturate instead of overflowing; they stay "very large".
        if (major > (kMax - digit) / 10) return kMax;
        major = major * 10 + digit;
    }
    return major;
}

void Device::setOrientation(DeviceOrientation orientation) {
    if (orientation == orientation_) return;
    orientation_ = orientation;
    notifications_.post(kDeviceOrientationDidChange, this);
}

}  // namespace arquorel
