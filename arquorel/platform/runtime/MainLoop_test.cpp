#include "arquorel/platform/runtime/MainLoop.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "sim/device/SimClock.h"

namespace arquorel {
namespace {

using Log = std::vector<std::string>;

struct LoopFixture : ::testing::Test {
    sim::SimClock clock{1780308000.0};  // today's wall time
    double start = clock.now();
    MainLoop loop{clock};
    Log ran;
    auto log(std::string name) {
        return [this, name] { ran.push_back(name); };
    }
};

TEST_F(LoopFixture, RunsByDueTimeThenSubmissionOrder) {
    loop.asyncAfter(0.2, log("late"));
    loop.asyncAfter(0.1, log("t1"));
    loop.async(log("now1"));
    loop.asyncAfter(0.1, log("t2"));
    loop.async([&] {
        ran.push_back("now2");
        loop.async(log("inside"));  // due work queued while running runs in the same call
        loop.asyncAfter(-3, log("negative"));
        loop.asyncAfter(NAN, log("NaN"));
    });
    loop.async({});  // empty work is not queued
    EXPECT_EQ(loop.runDue(), 5u);
    EXPECT_EQ(loop.nextDueTime(), start + 0.1);
    clock.set(start + 0.099);
    EXPECT_EQ(loop.runDue(), 0u);
    clock.set(start + 0.5);
    EXPECT_EQ(loop.runDue(), 3u);
    EXPECT_EQ(ran, (Log{"now1", "now2", "inside", "negative", "NaN", "t1", "t2", "late"}));
    EXPECT_EQ(loop.nextDueTime(), std::nullopt);

    loop.asyncAfter(MainLoop::kDueTolerance, [] {});
    EXPECT_EQ(loop.runDue(), 1u);  // within the tolerance counts as due
    loop.asyncAfter(0.2, [] {});
    for (const std::size_t due : {0u, 1u}) {  // 0.1 + 0.1 lands one rounding step short of 0.2
        clock.set(clock.now() + 0.1);
        EXPECT_EQ(loop.runDue(), due);
    }
}

}  // namespace
}  // namespace arquorel
