#include "sim/host/A11yRule.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "arquorel/platform/ui/Button.h"
#include "arquorel/platform/ui/GestureRecognizer.h"
#include "arquorel/platform/ui/Label.h"
#include "arquorel/platform/ui/ViewController.h"
#include "arquorel/platform/ui/Window.h"
#include "sim/device/SimPlatform.h"

namespace arquorel::sim {
namespace {

struct Phone {
    SimPlatform device;
    std::shared_ptr<Window> window = std::make_shared<Window>();
    std::shared_ptr<ViewController> root = std::make_shared<ViewController>();
    Phone() {
        device.estimateTextMetrics();
        window->setRootViewController(root);
        window->makeKeyAndVisible();
        device.runPending();
    }
    std::shared_ptr<Button> button(Rect frame, const std::string& title) {
        auto b = std::make_shared<Button>(frame);
        b->setTitle(title);
        root->view()->addSubview(b);
        return b;
    }
};

TEST(A11yRuleTest, ATappableViewMustBeReachableAndEveryElementMustReadSomething) {
    Phone p;
    p.button({10, 10, 100, 40}, "Route");
    EXPECT_EQ(accessibilityProblems(*p.window), std::vector<std::string>{});

    auto silent = p.button({10, 60, 40, 40}, "");
    silent->setIdentifier("silent");
    auto pad = std::make_shared<View>(Rect{10, 110, 100, 100});
    pad->setIdentifier("pad");
    pad->addGestureRecognizer(std::make_shared<TapGestureRecognizer>([](GestureRecognizer&) {}));
    p.root->view()->addSubview(pad);
    EXPECT_EQ(accessibilityProblems(*p.window),
              (std::vector<std::string>{"'silent' reads nothing",
                                        "'pad' can be tapped but not reached"}));

    // A label inside the pad makes it reachable; a covered pad is not asked for.
    silent->accessibility().label = "Close";
    pad->addSubview(std::make_shared<Label>(Rect{0, 0, 100, 20}, "Hints"));
    EXPECT_EQ(accessibilityProblems(*p.window), std::vector<std::string>{});
}

TEST(A11yRuleTest, TwoElementsMayReadTheSameOnlyWhenTheyStandForOnePlace) {
    Phone p;
    auto a = p.button({10, 10, 100, 40}, "Chanel, 61 m");
    auto b = p.button({10, 60, 100, 40}, "Chanel, 61 m");
    EXPECT_EQ(accessibilityProblems(*p.window),
              std::vector<std::string>{"2 elements read \"Chanel, 61 m, button\""});
    a->accessibility().identity = "n1";
    b->accessibility().identity = "n2";
    EXPECT_EQ(accessibilityProblems(*p.window).size(), 1u);
    b->accessibility().identity = "n1";
    EXPECT_EQ(accessibilityProblems(*p.window), std::vector<std::string>{});
}

}  // namespace
}  // namespace arquorel::sim
