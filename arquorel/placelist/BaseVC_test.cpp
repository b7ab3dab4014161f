#include "arquorel/placelist/BaseVC.h"

#include <gtest/gtest.h>

#include <memory>

#include "arquorel/platform/ui/Window.h"
#include "sim/device/SimPlatform.h"

namespace arquorel {
namespace {

TEST(BaseVCTest, HidesTheHomeIndicatorOnAppearingAndAgainAfterAMoment) {
    sim::SimPlatform device;
    auto window = std::make_shared<Window>();
    auto root = std::make_shared<ViewController>();
    window->setRootViewController(root);
    window->makeKeyAndVisible();
    device.runPending();
    auto screen = std::make_shared<BaseVC>();
    root->present(screen, false);
    device.runPending();
    EXPECT_EQ(screen->homeIndicatorUpdates(), 1);
    EXPECT_TRUE(screen->isHomeIndicatorHidden());
    EXPECT_EQ(screen->backItemTitle(), " ");
    device.advance(0.19);
    EXPECT_EQ(screen->homeIndicatorUpdates(), 1);
    device.advance(0.02);
    EXPECT_EQ(screen->homeIndicatorUpdates(), 2);

    // A screen that leaves before the delayed step: the step asks nothing for it, and holds
    // it only weakly.
    root->dismiss(false);
    device.runPending();
    root->present(screen, false);
    device.runPending();
    EXPECT_EQ(screen->homeIndicatorUpdates(), 3);
    root->dismiss(false);
    device.runPending();
    device.advance(1);
    EXPECT_EQ(screen->homeIndicatorUpdates(), 3);
    std::weak_ptr<BaseVC> weak = screen;
    root->present(screen, false);
    device.runPending();
    root->dismiss(false);
    device.runPending();
    screen.reset();
    EXPECT_TRUE(weak.expired());
    device.advance(1);
}

}  // namespace
}  // namespace arquorel
