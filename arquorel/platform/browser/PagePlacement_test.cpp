#include "arquorel/platform/browser/PagePlacement.h"

#include <gtest/gtest.h>

#include "arquorel/platform/ui/AlertController.h"
#include "arquorel/platform/ui/View.h"
#include "arquorel/platform/ui/ViewController.h"
#include "arquorel/platform/ui/Window.h"
#include "sim/device/SimPlatform.h"

namespace arquorel::browser {
namespace {

// A key window with a screen whose view holds a panel holding the placed view.
struct Stage {
    sim::SimPlatform device;
    std::shared_ptr<Window> window = std::make_shared<Window>(Rect{0, 0, 375, 812});
    std::shared_ptr<ViewController> screen = std::make_shared<ViewController>();
    std::shared_ptr<View> panel = std::make_shared<View>(Rect{0, 100, 375, 600});
    std::shared_ptr<View> page = std::make_shared<View>(Rect{10, 20, 300, 400});
    std::shared_ptr<Window> other;

    Stage() {
        window->setRootViewController(screen);
        window->makeKeyAndVisible();
        device.runPending();
        screen->view()->addSubview(panel);
        panel->addSubview(page);
    }
    void present(const std::shared_ptr<ViewController>& by,
                 const std::shared_ptr<ViewController>& shown) {
        by->present(shown, false);
        device.advance(1);
    }
};

TEST(PagePlacementTest, TheBoxInTheWindow) {
    Stage s;
    EXPECT_EQ(placeOnPage(*s.page), (PagePlacement{true, false, false, {10, 120, 300, 400}}));
    // A turned or scaled parent: the box around the turned view.
    s.panel->setTransform(Transform::scale(0.5, 0.5));
    const auto half = placeOnPage(*s.page);
    EXPECT_TRUE(half.onScreen);
    EXPECT_NEAR(half.frame.width(), 150, 1e-9);
    EXPECT_NEAR(half.frame.height(), 200, 1e-9);
    EXPECT_NEAR(half.frame.minX(), 187.5 - 93.75 + 5, 1e-9);
    EXPECT_NEAR(half.frame.minY(), 400 - 150 + 10, 1e-9);
}

TEST(PagePlacementTest, OffScreenViews) {
    struct Case {
        const char* what;
        void (*change)(Stage&);
    };
    const Case cases[] = {
        {"hidden", [](Stage& s) { s.page->setHidden(true); }},
        {"its parent hidden", [](Stage& s) { s.panel->setHidden(true); }},
        {"its parent transparent", [](Stage& s) { s.panel->setAlpha(0); }},
        {"of no size",
         [](Stage& s) {
             s.page->setFrame({10, 20, 0, 400});
         }},
        {"out of the window", [](Stage& s) { s.panel->removeFromSuperview(); }},
        {"in a window that is no longer key",
         [](Stage& s) {
             s.other = std::make_shared<Window>(Rect{0, 0, 375, 812});
             s.other->setRootViewController(std::make_shared<ViewController>());
             s.other->makeKeyAndVisible();
             s.device.runPending();
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Stage s;
        ASSERT_TRUE(placeOnPage(*s.page).onScreen);
        c.change(s);
        EXPECT_FALSE(placeOnPage(*s.page).onScreen);
    }
}

TEST(PagePlacementTest, ScreensAndNoticesOverTheView) {
    struct Case {
        const char* what;
        void (*change)(Stage&);
        bool content, controls;
    };
    const Case cases[] = {
        {"nothing over it", [](Stage&) {}, true, true},
        {"another screen over the view's screen",
         [](Stage& s) { s.present(s.screen, std::make_shared<ViewController>()); }, false, false},
        {"a notice of the view's own screen",
         [](Stage& s) { s.present(s.screen, AlertController::create("Not loaded", "Retry?")); },
         false, true},
        {"a notice of a screen over the view's",
         [](Stage& s) {
             auto over = std::make_shared<ViewController>();
             s.present(s.screen, over);
             s.present(over, AlertController::create("Elsewhere", ""));
         },
         false, false},
        {"a notice over a screen presented over the view's",
         [](Stage& s) {
             auto over = AlertController::create("First", "");
             s.present(s.screen, over);
             s.present(over, AlertController::create("Second", ""));
         },
         false, false},
        {"the view on a presented screen, nothing over it",
         [](Stage& s) {
             auto over = std::make_shared<ViewController>();
             s.present(s.screen, over);
             over->view()->addSubview(s.page);
         },
         true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Stage s;
        c.change(s);
        const auto p = placeOnPage(*s.page);
        EXPECT_EQ(p.showsContent(), c.content);
        EXPECT_EQ(p.showsControls(), c.controls);
    }
}

}  // namespace
}  // namespace arquorel::browser
