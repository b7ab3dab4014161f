#include "arquorel/platform/runtime/Timer.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "arquorel/platform/runtime/PlatformContext.h"
#include "sim/device/SimPlatform.h"

namespace arquorel {
namespace {

struct TimerTest : ::testing::Test {
    sim::SimPlatform device;
    double start = device.now();
};

TEST_F(TimerTest, OneShotFiresOnceAtItsTime) {
    std::vector<double> firedAt;
    auto timer = Timer::scheduled(0.2, false, [&](Timer& t) {
        firedAt.push_back(device.now());
        EXPECT_FALSE(t.isValid());  // a one-shot timer is done while its action runs
    });
    EXPECT_TRUE(timer->isValid());
    device.advance(0.199);
    EXPECT_TRUE(firedAt.empty());
    device.advance(0.001);
    ASSERT_EQ(firedAt.size(), 1u);
    EXPECT_NEAR(firedAt[0] - start, 0.2, 1e-6);
    EXPECT_FALSE(timer->isValid());
    device.advance(10);
    EXPECT_EQ(firedAt.size(), 1u);
}

TEST_F(TimerTest, RepeatingFiresEveryIntervalUntilInvalidated) {
    std::vector<double> firedAt;
    auto timer = Timer::scheduled(0.5, true, [&](Timer&) { firedAt.push_back(device.now()); });
    device.advance(2.2);
    ASSERT_EQ(firedAt.size(), 4u);
    for (std::size_t i = 0; i < firedAt.size(); ++i)
        EXPECT_NEAR(firedAt[i] - start, 0.5 * double(i + 1), 1e-6) << i;
    timer->invalidate();
    EXPECT_FALSE(timer->isValid());
    device.advance(5);
    EXPECT_EQ(firedAt.size(), 4u);
}

TEST_F(TimerTest, InvalidatingInsideTheActionStopsIt) {
    int fired = 0;
    auto timer = Timer::scheduled(0.1, true, [&](Timer& t) {
        if (++fired == 3) t.invalidate();
    });
    device.advance(1);
    EXPECT_EQ(fired, 3);
    EXPECT_FALSE(timer->isValid());
}

TEST_F(TimerTest, ADroppedReferenceStillFiresUntilInvalidated) {
    int fired = 0;
    Timer::scheduled(0.1, true, [&](Timer& t) {
        if (++fired == 5) t.invalidate();
    });  // result dropped at once
    device.advance(0.35);
    EXPECT_EQ(fired, 3);
    device.advance(10);
    EXPECT_EQ(fired, 5);
}

TEST_F(TimerTest, OwnerMayDropItsTimerFromTheAction) {
    std::shared_ptr<Timer> owned;
    int fired = 0;
    owned = Timer::scheduled(0.1, true, [&](Timer& t) {
        ++fired;
        t.invalidate();
        owned.reset();  // the last outside reference goes while the action runs
    });
    device.advance(1);
    EXPECT_EQ(fired, 1);
    EXPECT_EQ(owned, nullptr);
}

// An object that keeps its timer and whose timer action keeps the object: the usual shape of a
// controller with a refresh timer. Invalidating must break the cycle.
struct Refresher {
    std::shared_ptr<Timer> timer;
    int ticks = 0;
};

TEST_F(TimerTest, InvalidationReleasesWhatTheActionCaptured) {
    auto refresher = std::make_shared<Refresher>();
    std::weak_ptr<Refresher> watch = refresher;
    refresher->timer = Timer::scheduled(0.1, true, [r = refresher](Timer&) { ++r->ticks; });
    device.advance(0.25);
    EXPECT_EQ(refresher->ticks, 2);

    refresher->timer->invalidate();
    refresher.reset();
    device.advance(1);  // the queued firing finds the timer invalid and lets it go
    EXPECT_TRUE(watch.expired());
}

TEST_F(TimerTest, AFiredOneShotReleasesWhatTheActionCaptured) {
    auto payload = std::make_shared<int>(7);
    std::weak_ptr<int> watch = payload;
    auto timer = Timer::scheduled(0.1, false, [p = std::move(payload)](Timer&) {});
    device.advance(0.1);
    EXPECT_TRUE(watch.expired());
}

TEST_F(TimerTest, IntervalsAreSanitised) {
    int fired = 0;
    auto oneShot = Timer::scheduled(-1, false, [&](Timer&) { ++fired; });
    EXPECT_EQ(oneShot->interval(), 0);
    device.runPending();
    EXPECT_EQ(fired, 1);

    // A repeating timer with no interval would spin for ever within one step.
    auto spinning = Timer::scheduled(0, true, [&](Timer&) { ++fired; });
    EXPECT_EQ(spinning->interval(), Timer::kMinimumRepeatInterval);
    device.advance(0.0105);
    EXPECT_EQ(fired, 1 + 10);
    spinning->invalidate();
}

}  // namespace
}  // namespace arquorel
