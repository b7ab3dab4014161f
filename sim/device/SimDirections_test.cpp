#include "sim/device/SimDirections.h"

#include <gtest/gtest.h>

#include <optional>

#include "arquorel/platform/maps/pack/MapPack.h"
#include "arquorel/platform/runtime/PlatformContext.h"
#include "sim/device/SimPlatform.h"

namespace arquorel::sim {
namespace {

// One straight street of three points, 200 m long, inside a small box.
std::shared_ptr<const MapPack> street() {
    WalkGraph graph;
    const double dLng = 100 / 80'400.0;
    for (int i = 0; i < 3; ++i) graph.nodes.push_back({43.73, 7.42 + i * dLng});
    graph.segments = {{0, 1}, {1, 2}};
    return std::make_shared<MapPack>(MapBox{{43.72, 7.41}, {43.74, 7.43}},
                                     std::vector<MapFeature>{}, std::move(graph));
}

const DirectionsRequest kAlongTheStreet{{43.73, 7.42}, {43.73, 7.42 + 200 / 80'400.0}};

struct Answer {
    int calls = 0;
    DirectionsResponse response;
};

// Asks the device's directions service and returns what came back synchronously and after the
// main loop ran.
std::pair<Answer, Answer> ask(SimPlatform& device, const DirectionsRequest& request) {
    auto answer = std::make_shared<Answer>();
    platformContext().makeDirections()->calculate(request, [answer](const auto& response) {
        ++answer->calls;
        answer->response = response;
    });
    const Answer before = *answer;
    device.advance(30);
    return {before, *answer};
}

TEST(SimDirectionsTest, EachModeAnswersOnTheMainLoopOrNever) {
    struct Case {
        const char* name;
        SimDirectionsMode mode;
        bool pack;
        DirectionsRequest request;
        int calls;
        std::optional<double> length;  // metres of the one route, none: no route
        bool error;
    };
    const DirectionsRequest farAway{{48.85, 2.35}, {48.86, 2.35}};
    const Case cases[] = {
        {"route", SimDirectionsMode::answer, true, kAlongTheStreet, 1, 200, false},
        {"outside the pack", SimDirectionsMode::answer, true, farAway, 1, std::nullopt, false},
        {"no pack", SimDirectionsMode::answer, false, kAlongTheStreet, 1, std::nullopt, false},
        {"error", SimDirectionsMode::error, true, kAlongTheStreet, 1, std::nullopt, true},
        {"none", SimDirectionsMode::none, true, kAlongTheStreet, 1, std::nullopt, false},
        {"offline", SimDirectionsMode::offline, true, kAlongTheStreet, 0, std::nullopt, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SimPlatform device;
        if (c.pack) device.installMapPack(street());
        device.directions().mode = c.mode;
        const auto [before, after] = ask(device, c.request);
        EXPECT_EQ(before.calls, 0);  // never inside calculate()
        EXPECT_EQ(after.calls, c.calls);
        EXPECT_EQ(device.directions().requests, 1);
        EXPECT_EQ(device.directions().unanswered, c.mode == SimDirectionsMode::offline ? 1 : 0);
        EXPECT_EQ(after.response.error.has_value(), c.error);
        if (c.error) {
            EXPECT_EQ(*after.response.error, kSimDirectionsError);
        }
        ASSERT_EQ(after.response.routes.size(), c.length ? 1u : 0u);
        if (c.length) {
            EXPECT_NEAR(after.response.routes[0].distance, *c.length, 0.5);
        }
    }
}

TEST(SimDirectionsTest, InstallingAPackFeedsMapsAndRoutesAndNoneTakesBothAway) {
    SimPlatform device;
    const auto pack = street();
    device.installMapPack(pack);
    EXPECT_EQ(device.context().mapData, pack);
    EXPECT_EQ(ask(device, kAlongTheStreet).second.response.routes.size(), 1u);
    device.installMapPack(nullptr);
    EXPECT_EQ(device.context().mapData, nullptr);
    EXPECT_TRUE(ask(device, kAlongTheStreet).second.response.routes.empty());
}

TEST(SimDirectionsTest, WithoutAFactoryEveryRequestFails) {
    SimPlatform device;
    device.context().directionsFactory = [] { return nullptr; };
    const auto [before, after] = ask(device, kAlongTheStreet);
    EXPECT_EQ(before.calls, 0);
    EXPECT_EQ(after.calls, 1);
    EXPECT_TRUE(after.response.error && after.response.routes.empty());
}

}  // namespace
}  // namespace arquorel::sim
