#include "arquorel/platform/runtime/Timer.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "arquorel/platform/runtime/DisplayLink.h"
#include "sim/device/SimPlatform.h"

namespace arquorel {
namespace {

// Reachable without captures, so an action can check its captures even if they were released.
std::weak_ptr<int> probe;

struct TimerTest : ::testing::Test {
    sim::SimPlatform device;
    double start = device.now();
    std::shared_ptr<int> payload = std::make_shared<int>(7);  // captured by the callbacks
    std::weak_ptr<int> watch = payload;
};

TEST_F(TimerTest, OneShotFiresOnceAtItsTimeAndReleasesItsAction) {
    std::vector<double> firedAt;
    auto record = [&](Timer& t) {
        firedAt.push_back(device.now() - start);
        EXPECT_FALSE(t.isValid());  // done while its action runs
    };
    auto timer = Timer::scheduled(0.2, false, [=, p = std::move(payload)](Timer& t) { record(t); });
    Timer::scheduled(0, false, record);   // no minimum interval for a one-shot timer
    Timer::scheduled(-1, false, record);  // a negative interval means now
    device.advance(0.199);
    EXPECT_EQ(firedAt, (std::vector{0.0, 0.0}));
    device.advance(0.001);
    EXPECT_TRUE(watch.expired());
    device.advance(10);
    ASSERT_EQ(firedAt.size(), 3u);
    EXPECT_NEAR(firedAt[2], 0.2, 1e-6);
}

TEST_F(TimerTest, RepeatingFiresUntilInvalidatedInsideItsActionThenReleasesIt) {
    std::vector<double> firedAt;
    probe = payload;
    Timer::scheduled(0.5, true, [&, p = std::move(payload)](Timer& t) {  // reference dropped
        firedAt.push_back(device.now() - start);
        if (firedAt.size() < 4) return;
        t.invalidate();
        EXPECT_FALSE(probe.expired());  // the captures live until the action returns
        EXPECT_EQ(*p, 7);
    });
    device.advance(10);
    ASSERT_EQ(firedAt.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i) EXPECT_NEAR(firedAt[i], 0.5 * double(i + 1), 1e-6);
    EXPECT_TRUE(watch.expired());
}

TEST_F(TimerTest, ARepeatingTimerWithoutAnIntervalDoesNotSpin) {
    int fired = 0;
    auto timer = Timer::scheduled(0, true, [&, p = std::move(payload)](Timer&) { ++fired; });
    device.advance(0.0105);
    EXPECT_EQ(fired, 10);
    timer->invalidate();  // from outside its action: released at once
    EXPECT_TRUE(watch.expired());
}

TEST_F(TimerTest, DisplayLinkFiresSixtyTimesASecondFromAddUntilInvalidated) {
    int frames = 0;
    DisplayLink link([&] { ++frames; }), empty({});
    empty.add();  // an empty target is never called
    device.advance(1);
    EXPECT_FALSE(link.isRunning());
    link.add();
    EXPECT_TRUE(link.isRunning());
    link.add();  // adding twice does not double the rate
    device.advance(1);
    EXPECT_EQ(frames, 60);
    for (int i = 0; i < 600; ++i) device.advance(0.1);
    for (int i = 0; i < 60; ++i) device.advance(1.0 / 60);
    EXPECT_EQ(frames, 60 + 3600 + 60);
    link.invalidate();
    link.add();  // an invalidated link cannot be restarted
    EXPECT_FALSE(link.isRunning());
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
