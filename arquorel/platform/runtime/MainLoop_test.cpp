#include "arquorel/platform/runtime/MainLoop.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "arquorel/platform/runtime/OperationQueue.h"
#include "arquorel/platform/runtime/PlatformContext.h"
#include "sim/device/SimClock.h"
#include "sim/device/SimPlatform.h"

namespace arquorel {
namespace {

// A loop on its own clock, moved by hand.
struct LoopFixture : ::testing::Test {
    sim::SimClock clock{1000.0};
    MainLoop loop{clock};
    std::vector<std::string> ran;
    std::function<void()> log(std::string name) {
        return [this, name] { ran.push_back(name); };
    }
};

TEST_F(LoopFixture, RunsByDueTimeThenSubmissionOrder) {
    loop.asyncAfter(0.2, log("late"));
    loop.asyncAfter(0.1, log("t0.1 first"));
    loop.async(log("now first"));
    loop.asyncAfter(0.1, log("t0.1 second"));
    loop.async(log("now second"));
    EXPECT_EQ(loop.pendingCount(), 5u);
    EXPECT_EQ(loop.nextDueTime(), 1000.0);

    EXPECT_EQ(loop.runDue(), 2u);
    EXPECT_EQ(ran, (std::vector<std::string>{"now first", "now second"}));
    EXPECT_EQ(loop.nextDueTime(), 1000.1);

    clock.set(1000.099);
    EXPECT_EQ(loop.runDue(), 0u);  // not before its time
    clock.set(1000.5);
    EXPECT_EQ(loop.runDue(), 3u);
    EXPECT_EQ(ran, (std::vector<std::string>{"now first", "now second", "t0.1 first", "t0.1 second",
                                             "late"}));
    EXPECT_EQ(loop.nextDueTime(), std::nullopt);
}

TEST_F(LoopFixture, WorkQueuedWhileRunningThatIsDueRunsInTheSameCall) {
    loop.async([&] {
        ran.push_back("outer");
        loop.async(log("queued inside"));
        loop.asyncAfter(-3, log("negative delay"));
        loop.asyncAfter(NAN, log("NaN delay"));
        loop.asyncAfter(0.5, log("later"));
    });
    EXPECT_EQ(loop.runDue(), 4u);
    EXPECT_EQ(ran,
              (std::vector<std::string>{"outer", "queued inside", "negative delay", "NaN delay"}));
    EXPECT_EQ(loop.pendingCount(), 1u);
    EXPECT_EQ(loop.nextDueTime(), 1000.5);
}

TEST_F(LoopFixture, EmptyWorkIsNotQueued) {
    loop.async({});
    loop.asyncAfter(1, {});
    EXPECT_EQ(loop.pendingCount(), 0u);
    EXPECT_EQ(loop.runDue(), 0u);
}

TEST_F(LoopFixture, ADelayReachedInStepsIsDue) {
    // At today's wall time 0.1 + 0.1 lands one rounding step short of 0.2.
    sim::SimClock wall{1780308000.0};
    MainLoop wallLoop{wall};
    bool fired = false;
    wallLoop.asyncAfter(0.2, [&] { fired = true; });
    wall.set(wall.now() + 0.1);
    wallLoop.runDue();
    EXPECT_FALSE(fired);
    wall.set(wall.now() + 0.1);
    wallLoop.runDue();
    EXPECT_TRUE(fired);
}

TEST(OperationQueueTest, RunsOperationsOnTheMainLoopInOrder) {
    sim::SimPlatform device;
    std::vector<int> ran;
    auto& queue = platformContext().backgroundQueue();
    queue.addOperation([&] {
        ran.push_back(1);
        platformContext().mainLoop().async([&] { ran.push_back(3); });
    });
    queue.addOperation([&] { ran.push_back(2); });
    EXPECT_TRUE(ran.empty());  // nothing runs synchronously
    device.runPending();
    EXPECT_EQ(ran, (std::vector<int>{1, 2, 3}));
}

}  // namespace
}  // namespace arquorel
