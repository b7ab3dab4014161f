#include "arquorel/platform/runtime/Console.h"

#include <gtest/gtest.h>

#include "arquorel/platform/runtime/PlatformContext.h"
#include "sim/device/SimPlatform.h"

namespace arquorel {
namespace {

TEST(ConsoleTest, CapturedLinesAreKeptInsteadOfPrinted) {
    sim::SimPlatform device;
    Console& console = platformContext().console();
    console.startCapture();
    EXPECT_TRUE(console.capturing());
    ::testing::internal::CaptureStdout();
    console.writeLine("Accelerometer is not available");
    console.writeLine("");
    const std::string printed = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(printed, "");
    EXPECT_EQ(console.lines(), (std::vector<std::string>{"Accelerometer is not available", ""}));

    console.stopCapture();
    ::testing::internal::CaptureStdout();
    console.writeLine("after");
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "after\n");
    EXPECT_EQ(console.lines().size(), 2u);  // kept lines stay readable after stopping

    console.startCapture();  // a new capture starts empty
    EXPECT_TRUE(console.lines().empty());
}

}  // namespace
}  // namespace arquorel
