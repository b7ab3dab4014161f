#include "arquorel/platform/runtime/DisplayLink.h"

#include <gtest/gtest.h>

#include <memory>

#include "sim/device/SimPlatform.h"

namespace arquorel {
namespace {

TEST(DisplayLinkTest, FiresSixtyTimesASecondOnceAdded) {
    sim::SimPlatform device;
    int frames = 0;
    DisplayLink link([&] { ++frames; });
    device.advance(1);
    EXPECT_EQ(frames, 0);  // not added yet
    EXPECT_FALSE(link.isRunning());

    link.add();
    link.add();  // adding twice does not double the rate
    EXPECT_TRUE(link.isRunning());
    device.advance(1);
    EXPECT_EQ(frames, 60);
    for (int i = 0; i < 600; ++i) device.advance(0.1);
    EXPECT_EQ(frames, 60 + 3600);
    for (int i = 0; i < 60; ++i) device.advance(1.0 / 60);
    EXPECT_EQ(frames, 60 + 3600 + 60);
}

TEST(DisplayLinkTest, InvalidateStopsForGood) {
    sim::SimPlatform device;
    int frames = 0;
    DisplayLink link([&] { ++frames; });
    link.add();
    device.advance(0.5);
    EXPECT_EQ(frames, 30);
    link.invalidate();
    EXPECT_FALSE(link.isRunning());
    link.add();  // an invalidated link cannot be restarted
    device.advance(1);
    EXPECT_EQ(frames, 30);
}

TEST(DisplayLinkTest, DestroyingTheLinkStopsTheFrames) {
    sim::SimPlatform device;
    int frames = 0;
    auto link = std::make_unique<DisplayLink>([&] { ++frames; });
    link->add();
    device.advance(0.1);
    EXPECT_EQ(frames, 6);
    link.reset();
    device.advance(1);
    EXPECT_EQ(frames, 6);
}

TEST(DisplayLinkTest, TheTargetMayDestroyItsOwnLink) {
    sim::SimPlatform device;
    int frames = 0;
    std::unique_ptr<DisplayLink> link;
    auto payload = std::make_shared<int>(1);
    std::weak_ptr<int> watch = payload;
    link = std::make_unique<DisplayLink>([&, p = std::move(payload)] {
        ++frames;
        if (frames == 3) link.reset();  // e.g. the screen closes from its frame callback
        (void)*p;                       // the target's captures are still alive here
    });
    link->add();
    device.advance(1);
    EXPECT_EQ(frames, 3);
    EXPECT_EQ(link, nullptr);
    EXPECT_TRUE(watch.expired());
}

}  // namespace
}  // namespace arquorel
