#include "arquorel/platform/ui/ScreenReader.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "arquorel/platform/ui/AlertController.h"
#include "arquorel/platform/ui/Button.h"
#include "arquorel/platform/ui/Label.h"
#include "arquorel/platform/ui/ViewController.h"
#include "arquorel/platform/ui/Window.h"
#include "sim/device/SimPlatform.h"

namespace arquorel {
namespace {

// A window whose root screen holds a title and two buttons that log their taps.
struct Phone {
    sim::SimPlatform device;
    std::shared_ptr<Window> window = std::make_shared<Window>();
    std::shared_ptr<ViewController> root = std::make_shared<ViewController>();
    std::shared_ptr<Button> open = std::make_shared<Button>(Rect{20, 100, 100, 44});
    std::shared_ptr<Button> off = std::make_shared<Button>(Rect{20, 200, 100, 44});
    std::vector<std::string> taps;
    Phone() {
        device.estimateTextMetrics();
        platformContext().console().startCapture();
        window->setRootViewController(root);
        window->makeKeyAndVisible();
        device.runPending();
        root->view()->addSubview(std::make_shared<Label>(Rect{20, 40, 200, 30}, "Places"));
        open->setTitle("Open");
        off->setTitle("Off");
        off->setEnabled(false);
        for (const auto& b : {open, off}) {
            b->addAction(ControlEvent::touchUpInside, [this, button = b.get()](Control&) {
                taps.push_back(button->currentTitle());
            });
            root->view()->addSubview(b);
        }
    }
    std::vector<std::string> said(const ScreenReader& reader) const {
        std::vector<std::string> out;
        for (const auto& u : reader.spoken()) out.push_back(u.kind + ": " + u.text);
        return out;
    }
};

TEST(ScreenReaderTest, SwipesMoveThroughTheElementsAndActivationTapsTheFocusedOne) {
    Phone p;
    ScreenReader reader(p.window);
    EXPECT_EQ(reader.previous(), "Off, button, dimmed");  // from nowhere, back lands on the last
    EXPECT_EQ(reader.next(), "last element");
    EXPECT_EQ(reader.activate(), "activate Off: dimmed");  // a dimmed button is not tapped
    reader.previous();
    EXPECT_EQ(reader.previous(), "Places");
    EXPECT_EQ(reader.previous(), "first element");
    reader.next();
    reader.activate();
    EXPECT_EQ(p.taps, std::vector<std::string>{"Open"});
    // An activate action of the screen's own replaces the tap.
    p.open->accessibility().activate = [&] {
        p.taps.push_back("action");
        return true;
    };
    reader.activate();
    EXPECT_EQ(p.taps, (std::vector<std::string>{"Open", "action"}));
}

TEST(ScreenReaderTest, ANewScreenIsSaidFromItsFirstElementAndEscapeLeavesIt) {
    Phone p;
    ScreenReader reader(p.window);
    reader.next();
    auto details = std::make_shared<ViewController>();
    details->view()->addSubview(std::make_shared<Label>(Rect{20, 60, 200, 30}, "Details"));
    p.root->present(details, true);
    p.device.advance(0.5);
    reader.refresh();
    EXPECT_EQ(reader.focused()->label, "Details");
    EXPECT_EQ(reader.escape(), "escape");
    p.device.advance(0.5);
    reader.refresh();
    EXPECT_EQ(p.window->topViewController(), p.root);
    EXPECT_EQ(reader.escape(), "nothing to escape");  // the root screen stays
    EXPECT_EQ(p.said(reader),
              (std::vector<std::string>{"focus: Places", "screen: Details", "action: escape",
                                        "screen: Places", "action: nothing to escape"}));
}

TEST(ScreenReaderTest, EscapeOnAnAlertPicksItsCancelAction) {
    Phone p;
    ScreenReader reader(p.window);
    std::vector<std::string> picked;
    auto alert = AlertController::create("Weak GPS signal", "Go outside.");
    alert->addAction({"Retry", AlertActionStyle::defaultStyle,
                      [&](const AlertAction& a) { picked.push_back(a.title); }});
    alert->addAction({"Back", AlertActionStyle::cancel,
                      [&](const AlertAction& a) { picked.push_back(a.title); }});
    p.root->present(alert, true);
    p.device.advance(0.5);
    reader.refresh();
    std::vector<std::string> elements;
    const auto tree = reader.tree();
    for (const auto* e : tree.elements()) elements.push_back(spokenText(*e));
    EXPECT_EQ(elements, (std::vector<std::string>{"Weak GPS signal, heading", "Go outside.",
                                                  "Retry, button", "Back, button"}));
    reader.escape();
    p.device.advance(0.5);
    EXPECT_EQ(picked, std::vector<std::string>{"Back"});
}

TEST(ScreenReaderTest, PoliteAnnouncementsWaitTheirTurnAndTheNewestWins) {
    Phone p;
    ScreenReader reader(p.window);
    postAccessibilityAnnouncement("now");
    postPoliteAccessibilityAnnouncement("first");
    p.device.advance(1);
    postPoliteAccessibilityAnnouncement("second");  // replaced before its turn
    postPoliteAccessibilityAnnouncement("third");
    p.device.advance(1.9);
    EXPECT_EQ(reader.spoken().size(), 2u);
    p.device.advance(0.2);
    ASSERT_EQ(reader.spoken().size(), 3u);
    EXPECT_EQ(p.said(reader),
              (std::vector<std::string>{"announcement: now", "polite: first", "polite: third"}));
    EXPECT_NEAR(reader.spoken()[2].time - reader.spoken()[1].time, kPoliteAnnouncementInterval,
                1e-9);
}

}  // namespace
}  // namespace arquorel
