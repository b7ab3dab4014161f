#include "arquorel/platform/device/Device.h"

#include <gtest/gtest.h>
#include <sys/utsname.h>

#include <climits>
#include <vector>

#include "arquorel/platform/runtime/NotificationCenter.h"

namespace arquorel {
namespace {

TEST(DeviceTest, SystemMajorVersion) {
    NotificationCenter center;
    Device device(center);
    const std::pair<const char*, int> cases[] = {
        {"11.4", 11},
        {"9", 9},
        {"10.3.1", 10},
        {"17.0", 17},
        {"", 0},
        {"beta", 0},
        {".5", 0},
        {" 11", 0},
        {"007", 7},
        {"2147483647", INT_MAX},
        {"2147483648.1", INT_MAX},  // one past the largest int: saturates
        {"99999999999999999999999999", INT_MAX},
    };
    for (const auto& [text, major] : cases) {
        device.setSystemVersion(text);
        EXPECT_EQ(device.systemMajorVersion(), major) << '"' << text << '"';
    }
}

TEST(DeviceTest, OrientationChangesAreAnnouncedOnlyWhenTheyChange) {
    NotificationCenter center;
    Device device(center);
    std::vector<const void*> senders;
    center.addObserver(nullptr, kDeviceOrientationDidChange,
                       [&](const Notification& n) { senders.push_back(n.sender); });

    ASSERT_EQ(device.orientation(), DeviceOrientation::portrait);
    device.setOrientation(DeviceOrientation::portrait);
    EXPECT_TRUE(senders.empty());
    device.setOrientation(DeviceOrientation::landscapeLeft);
    device.setOrientation(DeviceOrientation::landscapeLeft);
    device.setOrientation(DeviceOrientation::faceUp);
    EXPECT_EQ(senders, (std::vector<const void*>{&device, &device}));
    EXPECT_EQ(device.orientation(), DeviceOrientation::faceUp);
}

TEST(DeviceTest, MachineIdentifierComesFromTheKernelUnlessSet) {
    struct utsname info {};
    ASSERT_EQ(uname(&info), 0);
    NotificationCenter center;
    Device device(center);
    EXPECT_EQ(device.machineIdentifier(), std::string(info.machine));
    EXPECT_EQ(kernelMachineIdentifier(), std::string(info.machine));
    EXPECT_FALSE(device.machineIdentifier().empty());
    device.setMachineIdentifier("iPhone9,3");
    EXPECT_EQ(device.machineIdentifier(), "iPhone9,3");
}

}  // namespace
}  // namespace arquorel
