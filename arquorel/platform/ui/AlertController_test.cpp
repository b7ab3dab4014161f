#include "arquorel/platform/ui/AlertController.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "arquorel/platform/runtime/PlatformContext.h"
#include "arquorel/platform/ui/ViewController.h"
#include "arquorel/platform/ui/Window.h"
#include "sim/device/SimPlatform.h"
#include "sim/device/TouchDriver.h"

namespace arquorel {
namespace {

// A window showing a plain root screen, its text measured by estimate.
struct Screen {
    sim::SimPlatform device;
    std::shared_ptr<Window> window = std::make_shared<Window>();
    std::shared_ptr<ViewController> root = std::make_shared<ViewController>();
    Screen() {
        device.estimateTextMetrics();
        platformContext().console().startCapture();
        window->setRootViewController(root);
        window->makeKeyAndVisible();
        device.runPending();
    }
};

TEST(AlertControllerTest, PickingAnActionDismissesTheAlertThenRunsItsHandler) {
    Screen s;
    std::vector<std::string> log;
    auto alert = AlertController::create("BadGPSSignal", "BadGPSSignalDescription");
    alert->addAction({"back", AlertActionStyle::defaultStyle,
                      [&](const AlertAction& a) { log.push_back("picked " + a.title); }});
    alert->addAction({"retry", AlertActionStyle::cancel, {}});
    alert->addAction({"again", AlertActionStyle::cancel, {}});  // a second cancel is refused
    EXPECT_FALSE(alert->pickAction("back"));                    // not on screen yet
    s.root->present(alert, true);
    EXPECT_FALSE(alert->pickAction("forward"));
    EXPECT_TRUE(alert->pickAction("back"));
    s.device.advance(0.3);
    EXPECT_EQ(s.window->topViewController(), alert);  // the pick waits for the alert to show
    EXPECT_TRUE(log.empty());
    s.device.advance(0.3);
    EXPECT_EQ(s.window->topViewController(), s.root);
    EXPECT_EQ(log, std::vector<std::string>{"picked back"});
    EXPECT_EQ(s.root->appearance(), Appearance::appeared);  // it stayed on screen throughout
    EXPECT_EQ(alert->actions().size(), 2u);
    EXPECT_EQ(platformContext().console().lines(),
              (std::vector<std::string>{
                  "Alert 'BadGPSSignal' already has a cancel action; 'again' is not added",
                  "Alert 'BadGPSSignal' is not on screen; 'back' cannot be picked",
                  "Alert 'BadGPSSignal' has no action titled 'forward'"}));
}

// (The alert style's buttons: AlertButtonsSitSideBySideUpToTwoAndStackedBeyond.)
TEST(AlertControllerTest, TheActionSheetOffersItsActionsAsButtons) {
    Screen s;
    std::vector<std::string> picked;
    auto alert = AlertController::create("SelectMaps", "", AlertStyle::actionSheet);
    for (const char* title : {"Waze", "Maps.me"})
        alert->addAction({title, AlertActionStyle::defaultStyle,
                          [&](const AlertAction& a) { picked.push_back(a.title); }});
    alert->addAction({"cancel", AlertActionStyle::destructive, {}});
    s.root->present(alert, true);
    s.device.advance(0.3);
    sim::TouchDriver finger(s.device);
    ASSERT_TRUE(finger.find("actionSheet"));
    EXPECT_TRUE(finger.tap("alert.Maps.me"));
    s.device.advance(0.3);
    EXPECT_EQ(s.window->topViewController(), s.root);
    EXPECT_EQ(picked, (std::vector<std::string>{"Maps.me"}));
}

// One or two buttons sit side by side in an alert, three or more are stacked; every one is
// shown inside the alert and a tap on it picks its action.
TEST(AlertControllerTest, AlertButtonsSitSideBySideUpToTwoAndStackedBeyond) {
    const struct {
        std::size_t actions;
        std::size_t rows, columns;
    } cases[] = {{1, 1, 1}, {2, 1, 2}, {3, 3, 1}, {4, 4, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.actions);
        for (std::size_t tapped = 0; tapped < c.actions; ++tapped) {
            Screen s;
            std::vector<std::string> picked;
            auto alert = AlertController::create("SelectMaps", "");
            for (std::size_t i = 0; i < c.actions; ++i)
                alert->addAction({"app" + std::to_string(i), AlertActionStyle::defaultStyle,
                                  [&](const AlertAction& a) { picked.push_back(a.title); }});
            s.root->present(alert, true);
            s.device.advance(0.3);
            sim::TouchDriver finger(s.device);
            std::set<double> rows, columns;
            for (std::size_t i = 0; i < c.actions; ++i) {
                auto button = finger.find("alert.app" + std::to_string(i));
                ASSERT_TRUE(button) << i;
                const auto box = button->superview()->bounds();
                const auto frame = button->frame();
                EXPECT_TRUE(frame.minX() >= box.minX() && frame.maxX() <= box.maxX() &&
                            frame.minY() >= box.minY() && frame.maxY() <= box.maxY())
                    << i;
                rows.insert(frame.minY());
                columns.insert(frame.minX());
            }
            EXPECT_EQ(rows.size(), c.rows);
            EXPECT_EQ(columns.size(), c.columns);
            EXPECT_TRUE(finger.tap("alert.app" + std::to_string(tapped)));
            s.device.advance(0.3);
            EXPECT_EQ(picked, std::vector<std::string>{"app" + std::to_string(tapped)});
        }
    }
}

}  // namespace
}  // namespace arquorel
