#include "arquorel/platform/device/Device.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "arquorel/platform/runtime/NotificationCenter.h"

namespace arquorel {
namespace {

struct DeviceTest : ::testing::Test {
    NotificationCenter center;
    Device device{center};
};

TEST_F(DeviceTest, SystemMajorVersionSaturatesAndRejectsNonDigits) {
    auto major = [&](const char* text) {
        device.setSystemVersion(text);
        return device.systemMajorVersion();
    };
    EXPECT_EQ((std::vector{major("11.4"), major("10.3.1"), major("9"), major("007")}),
              (std::vector{11, 10, 9, 7}));
    for (const char* bad : {"", "beta", ".5", " 11"}) EXPECT_EQ(major(bad), 0) << bad;
    EXPECT_EQ(major("2147483646"), INT_MAX - 1);
    for (const char* huge : {"2147483647", "2147483648.1", "99999999999999999999999999"})
        EXPECT_EQ(major(huge), INT_MAX) << huge;
    // The kernel's machine identifier stops at its first NUL.
    EXPECT_EQ(device.machineIdentifier(), kernelMachineIdentifier());
    EXPECT_FALSE(kernelMachineIdentifier().empty());
    EXPECT_EQ(kernelMachineIdentifier().find('\0'), std::string::npos);
}

TEST_F(DeviceTest, OrientationIsAnnouncedOnlyWhenItChanges) {
    std::vector<const void*> senders;
    center.addObserver(nullptr, kDeviceOrientationDidChange,
                       [&](const Notification& n) { senders.push_back(n.sender); });
    ASSERT_EQ(device.orientation(), DeviceOrientation::portrait);
    for (auto o : {DeviceOrientation::portrait, DeviceOrientation::landscapeLeft,
                   DeviceOrientation::landscapeLeft, DeviceOrientation::faceUp})
        device.setOrientation(o);
    EXPECT_EQ(senders, (std::vector<const void*>{&device, &device}));
}

}  // namespace
}  // namespace arquorel
