#include "arquorel/platform/device/Device.h"

#include <sys/utsname.h>

#include <cstring>

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
    int major = 0;
    for (char ch : systemVersion_) {
        if (ch < '0' || ch > '9') break;
        if (major > 100000) break;  // absurdly long numbers stop growing instead of overflowing
        major = major * 10 + (ch - '0');
    }
    return major;
}

void Device::setOrientation(DeviceOrientation orientation) {
    if (orientation == orientation_) return;
    orientation_ = orientation;
    notifications_.post(kDeviceOrientationDidChange, this);
}

}  // namespace arquorel
