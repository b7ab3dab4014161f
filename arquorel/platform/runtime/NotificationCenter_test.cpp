#include "arquorel/platform/runtime/NotificationCenter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace arquorel {
namespace {

struct NotificationCenterTest : ::testing::Test {
    NotificationCenter center;
    std::vector<std::string> log;
    int ownerA = 0, ownerB = 0;  // addresses used as owners

    NotificationCenter::Handler record(std::string who) {
        return [this, who](const Notification& n) { log.push_back(who + ":" + n.name); };
    }
};

TEST_F(NotificationCenterTest, DeliversByNameInRegistrationOrderWithUserInfo) {
    center.addObserver(&ownerA, "ping", record("a1"));
    center.addObserver(&ownerB, "pong", record("b"));
    center.addObserver(&ownerA, "ping", record("a2"));
    EXPECT_EQ(center.observerCount("ping"), 2u);

    const void* seenSender = nullptr;
    double radius = 0;
    center.addObserver(&ownerB, "searchForRadius", [&](const Notification& n) {
        seenSender = n.sender;
        radius = std::any_cast<double>(n.userInfo.at("radius"));
    });

    center.post("ping");
    EXPECT_EQ(log, (std::vector<std::string>{"a1:ping", "a2:ping"}));
    center.post("nobody listens");
    EXPECT_EQ(log.size(), 2u);
    center.post("searchForRadius", &ownerA, {{"radius", 1500.0}});
    EXPECT_EQ(seenSender, &ownerA);
    EXPECT_EQ(radius, 1500.0);
}

TEST_F(NotificationCenterTest, RemovalByTokenOwnerAndOwnerWithName) {
    const auto t1 = center.addObserver(&ownerA, "x", record("a"));
    center.addObserver(&ownerA, "y", record("a"));
    center.addObserver(&ownerB, "x", record("b"));
    center.addObserver(&ownerB, "y", record("b"));

    center.removeObserver(t1);
    center.removeObserver(t1);  // twice is harmless
    center.post("x");
    EXPECT_EQ(log, (std::vector<std::string>{"b:x"}));

    log.clear();
    center.removeObserver(&ownerB, "x");
    center.post("x");
    center.post("y");
    EXPECT_EQ(log, (std::vector<std::string>{"a:y", "b:y"}));

    log.clear();
    center.removeObserver(&ownerA);
    center.post("x");
    center.post("y");
    EXPECT_EQ(log, (std::vector<std::string>{"b:y"}));
}

TEST_F(NotificationCenterTest, ObserversMayChangeRegistrationsDuringAPost) {
    NotificationCenter::Token self = 0, victim = 0;
    self = center.addObserver(&ownerA, "n", [&](const Notification&) {
        log.push_back("self");
        center.removeObserver(self);                       // removes itself while running
        center.removeObserver(victim);                     // and one that has not run yet
        center.addObserver(&ownerA, "n", record("late"));  // not part of this post
    });
    victim = center.addObserver(&ownerB, "n", record("victim"));
    center.addObserver(&ownerB, "n", record("last"));

    center.post("n");
    EXPECT_EQ(log, (std::vector<std::string>{"self", "last:n"}));
    log.clear();
    center.post("n");
    EXPECT_EQ(log, (std::vector<std::string>{"last:n", "late:n"}));
}

TEST_F(NotificationCenterTest, AnObserverWithoutAHandlerIsSkipped) {
    center.addObserver(&ownerA, "n", {});
    center.addObserver(&ownerB, "n", record("b"));
    center.post("n");
    EXPECT_EQ(log, (std::vector<std::string>{"b:n"}));
}

}  // namespace
}  // namespace arquorel
