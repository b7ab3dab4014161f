#include "arquorel/platform/runtime/NotificationCenter.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace arquorel {
namespace {

using Log = std::vector<std::string>;

struct NotificationCenterTest : ::testing::Test {
    NotificationCenter center;
    Log log;
    int ownerA = 0, ownerB = 0;  // addresses used as owners

    NotificationCenter::Handler record(std::string who) {
        return [this, who](const Notification& n) { log.push_back(who + ":" + n.name); };
    }
};

TEST_F(NotificationCenterTest, DeliversByNameInOrderWithUserInfo) {
    center.addObserver(&ownerA, "ping", record("a1"));
    center.addObserver(&ownerB, "pong", record("b"));
    center.addObserver(&ownerA, "ping", {});  // no handler: skipped
    center.addObserver(&ownerA, "ping", record("a2"));
    center.addObserver(&ownerB, "radius", [&](const Notification& n) {
        EXPECT_EQ(n.sender, &ownerA);
        log.push_back(std::to_string(std::any_cast<double>(n.userInfo.at("radius"))));
    });
    center.post("ping");
    center.post("radius", &ownerA, {{"radius", 1500.5}});
    EXPECT_EQ(log, (Log{"a1:ping", "a2:ping", "1500.500000"}));
}

TEST_F(NotificationCenterTest, RemovalByTokenOwnerAndOwnerWithName) {
    const auto token = center.addObserver(&ownerA, "x", record("a"));
    center.addObserver(&ownerA, "y", record("a"));
    center.addObserver(&ownerB, "x", record("b"));
    center.addObserver(&ownerB, "y", record("b"));
    EXPECT_EQ(std::tuple(center.observerCount("x"), center.observerCount("z")), std::tuple(2u, 0u));
    center.removeObserver(token);
    center.removeObserver(token);  // twice is harmless
    center.post("x");
    center.removeObserver(&ownerB, "x");
    center.post("x");
    center.post("y");
    center.removeObserver(&ownerA);
    center.post("y");
    EXPECT_EQ(log, (Log{"b:x", "a:y", "b:y", "b:y"}));
}

TEST_F(NotificationCenterTest, ObserversMayChangeRegistrationsDuringAPost) {
    NotificationCenter::Token self = 0, victim = 0;
    self = center.addObserver(&ownerA, "n", [&](const Notification&) {
        log.push_back("self");
        center.removeObserver(self);                       // itself, while running
        center.removeObserver(victim);                     // one that has not run yet
        center.addObserver(&ownerA, "n", record("late"));  // not part of this post
    });
    victim = center.addObserver(&ownerB, "n", record("victim"));
    center.addObserver(&ownerB, "n", record("last"));
    center.post("n");
    center.post("n");
    // The one removed may also be the last one registered.
    NotificationCenter::Token lastOfAll = 0;
    center.addObserver(&ownerA, "m",
                       [&](const Notification&) { center.removeObserver(lastOfAll); });
    lastOfAll = center.addObserver(&ownerB, "m", record("removed"));
    center.post("m");
    EXPECT_EQ(log, (Log{"self", "last:n", "last:n", "late:n"}));
}

}  // namespace
}  // namespace arquorel
