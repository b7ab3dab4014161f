#include "arquorel/platform/runtime/Timer.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "arquorel/platform/runtime/DisplayLink.h"
#include "sim/device/SimPlatform.h"

namespace arquorel {
namespace {

struct TimerTest : ::testing::Test {
    sim::SimPlatform device;
    double start = device.now();
    std::shared_ptr<int> payload = std::make_shared<int>(7);  // captured by the callbacks
    std::weak_ptr<int> watch = payload;
};

TEST_F(TimerTest, OneShotFiresOnceAtItsTimeAndReleasesItsAction) {
    int fired = 0;
    auto timer = Timer::scheduled(0.2, false, [&, p = std::move(payload)](Timer& t) {
        ++fired;
        EXPECT_FALSE(t.isValid());  // done while its action runs
    });
    device.advance(0.199);
    EXPECT_EQ(fired, 0);
    device.advance(0.001);
    EXPECT_TRUE(watch.expired());
    device.advance(10);
    EXPECT_EQ(fired, 1);
}

TEST_F(TimerTest, RepeatingFiresUntilInvalidatedInsideItsActionThenReleasesIt) {
    std::vector<double> firedAt;
    Timer::scheduled(0.5, true, [&, p = std::move(payload)](Timer& t) {  // reference dropped
        firedAt.push_back(device.now() - start);
        if (firedAt.size() == 4) t.invalidate();
    });
    device.advance(10);
    ASSERT_EQ(firedAt.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i) EXPECT_NEAR(firedAt[i], 0.5 * double(i + 1), 1e-6);
    EXPECT_TRUE(watch.expired());
}

TEST_F(TimerTest, ARepeatingTimerWithoutAnIntervalDoesNotSpin) {
    int fired = 0;
    auto timer = Timer::scheduled(0, true, [&](Timer&) { ++fired; });
    device.advance(0.0105);
    EXPECT_EQ(fired, 10);
    timer->invalidate();
}

TEST_F(TimerTest, DisplayLinkFiresSixtyTimesASecondFromAddUntilInvalidated) {
    int frames = 0;
    DisplayLink link([&] { ++frames; });
    device.advance(1);
    link.add();
    link.add();  // adding twice does not double the rate
    device.advance(1);
    EXPECT_EQ(frames, 60);
    for (int i = 0; i < 600; ++i) device.advance(0.1);
    for (int i = 0; i < 60; ++i) device.advance(1.0 / 60);
    EXPECT_EQ(frames, 60 + 3600 + 60);
    link.invalidate();
    link.add();  // an invalidated link cannot be restarted
    device.advance(1);
    EXPECT_EQ(frames, 3720);
}

TEST_F(TimerTest, ADisplayLinkMayBeDestroyedByItsOwnCallback) {
    int frames = 0;
    std::unique_ptr<DisplayLink> link;
    link = std::make_unique<DisplayLink>([&, p = std::move(payload)] {
        if (++frames == 3) link.reset();
        (void)*p;  // the captures are still alive after the reset
    });
    link->add();
    device.advance(1);
    EXPECT_EQ(frames, 3);
    EXPECT_TRUE(watch.expired());
}

}  // namespace
}  // namespace arquorel
