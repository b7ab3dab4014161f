#include "arquorel/platform/browser/AccessibilityMirror.h"

#include <gtest/gtest.h>

#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "arquorel/platform/ui/Button.h"
#include "arquorel/platform/ui/Label.h"
#include "arquorel/platform/ui/Slider.h"
#include "arquorel/platform/ui/ViewController.h"
#include "arquorel/platform/ui/Window.h"
#include "sim/device/SimPlatform.h"

namespace arquorel::browser {
namespace {

// A key window whose root screen holds a title, a button that logs its taps, a dimmed button
// and a slider.
struct Page {
    sim::SimPlatform device;
    std::shared_ptr<Window> window = std::make_shared<Window>(Rect{0, 0, 375, 812});
    std::shared_ptr<ViewController> root = std::make_shared<ViewController>();
    std::shared_ptr<Label> title = std::make_shared<Label>(Rect{20, 40, 200, 30}, "Places");
    std::shared_ptr<Button> open = std::make_shared<Button>(Rect{20, 100, 100, 44});
    std::shared_ptr<Button> off = std::make_shared<Button>(Rect{20, 200, 100, 44});
    std::shared_ptr<Slider> range = std::make_shared<Slider>(Rect{20, 300, 200, 30});
    std::vector<std::string> taps;
    std::vector<std::string> said;

    Page() {
        device.estimateTextMetrics();
        platformContext().console().startCapture();
        window->setRootViewController(root);
        window->makeKeyAndVisible();
        device.runPending();
        root->view()->addSubview(title);
        open->setTitle("Open");
        off->setTitle("Off");
        off->setEnabled(false);
        for (const auto& b : {open, off}) {
            b->addAction(ControlEvent::touchUpInside, [this, button = b.get()](Control&) {
                taps.push_back(button->currentTitle());
            });
            root->view()->addSubview(b);
        }
        range->setValue(0.5);
        root->view()->addSubview(range);
    }
    void listen(AccessibilityMirror& mirror) {
        mirror.onAnnounce = [this](const std::string& text, bool screen) {
            said.push_back((screen ? "screen: " : "") + text);
        };
    }
    static int idOf(const AccessibilityMirror& mirror, const std::string& label) {
        for (const auto& e : mirror.elements())
            if (e.label == label) return e.id;
        return -1;
    }
};

TEST(AccessibilityMirrorTest, ElementsCarryRolesTextAndFramesAndOnlyRealChangesCount) {
    Page p;
    AccessibilityMirror mirror(p.window);
    ASSERT_TRUE(mirror.update());
    auto json = nlohmann::json::parse(mirror.json());
    ASSERT_EQ(json.size(), 4u);
    EXPECT_EQ(json[0]["role"], "text");
    EXPECT_EQ(json[0]["label"], "Places");
    EXPECT_EQ(json[1]["role"], "button");
    EXPECT_EQ(json[1]["x"], 20);
    EXPECT_EQ(json[1]["y"], 100);
    EXPECT_EQ(json[1]["w"], 100);
    EXPECT_EQ(json[1]["h"], 44);
    EXPECT_EQ(json[2]["disabled"], true);
    EXPECT_EQ(json[3]["role"], "slider");
    EXPECT_FALSE(mirror.update());  // nothing changed: the page keeps its DOM

    // Sub-pixel drift is no change; a move of a few pixels is.
    p.open->setFrame({20.3, 100.2, 100, 44});
    EXPECT_FALSE(mirror.update());
    p.open->setFrame({25, 100, 100, 44});
    EXPECT_TRUE(mirror.update());

    // Text of any kind reaches the page as valid JSON, unchanged.
    const std::string odd = "Caf\xC3\xA9 \"Le Nord\"\\\n\t\x01";
    p.title->setText(odd);
    EXPECT_TRUE(mirror.update());
    json = nlohmann::json::parse(mirror.json());
    EXPECT_EQ(json[0]["label"], odd);
}

TEST(AccessibilityMirrorTest, AnElementKeepsItsIdWhileItsViewStaysAndLosesItAfter) {
    Page p;
    AccessibilityMirror mirror(p.window);
    mirror.update();
    const int open = Page::idOf(mirror, "Open"), title = Page::idOf(mirror, "Places");
    ASSERT_NE(open, title);
    // Moved above the title: read first, same id.
    p.open->setFrame({20, 10, 100, 20});
    mirror.update();
    EXPECT_EQ(mirror.elements()[0].label, "Open");
    EXPECT_EQ(mirror.elements()[0].id, open);
    EXPECT_EQ(Page::idOf(mirror, "Places"), title);
    // A new view with the same text is another element.
    p.open->removeFromSuperview();
    mirror.update();
    auto again = std::make_shared<Button>(Rect{20, 100, 100, 44});
    again->setTitle("Open");
    p.root->view()->addSubview(again);
    p.open.reset();
    mirror.update();
    EXPECT_NE(Page::idOf(mirror, "Open"), open);
    EXPECT_FALSE(mirror.activate(open));  // the old id leads nowhere
}

TEST(AccessibilityMirrorTest, ActivationTapsTheElementUnlessItIsDimmedOrGone) {
    Page p;
    AccessibilityMirror mirror(p.window);
    mirror.update();
    EXPECT_TRUE(mirror.activate(Page::idOf(mirror, "Open")));
    EXPECT_FALSE(mirror.activate(Page::idOf(mirror, "Off")));
    EXPECT_FALSE(mirror.activate(12345));
    EXPECT_EQ(p.taps, std::vector<std::string>{"Open"});
    // Hidden since the page's last copy: not tapped through whatever is there now.
    p.open->setHidden(true);
    EXPECT_FALSE(mirror.activate(Page::idOf(mirror, "Open")));
    EXPECT_EQ(p.taps.size(), 1u);

    const int range = Page::idOf(mirror, "");
    ASSERT_GT(range, 0);
    const double before = p.range->value();
    EXPECT_TRUE(mirror.adjust(range, true));
    EXPECT_GT(p.range->value(), before);
    EXPECT_FALSE(mirror.adjust(Page::idOf(mirror, "Places"), true));
}

TEST(AccessibilityMirrorTest, ANewScreenIsAnnouncedAndEscapeTriesTheElementFirst) {
    Page p;
    AccessibilityMirror mirror(p.window);
    p.listen(mirror);
    auto details = std::make_shared<ViewController>();
    auto back = std::make_shared<Button>(Rect{20, 60, 100, 44});
    back->setTitle("Back");
    auto map = std::make_shared<Button>(Rect{20, 160, 300, 200});
    map->setTitle("Map");
    details->view()->addSubview(back);
    details->view()->addSubview(map);
    p.root->present(details, true);
    p.device.advance(0.5);
    mirror.refresh();
    mirror.update();
    // An enlarged map shrinks on escape before the screen goes (from the map, not from the
    // first element, where the screen's reader stands).
    int escapes = 0;
    map->accessibility().escape = [&] { return ++escapes == 1; };  // handles the first only
    EXPECT_TRUE(mirror.escape(Page::idOf(mirror, "Map")));
    EXPECT_EQ(escapes, 1);
    EXPECT_EQ(p.window->topViewController(), details);
    EXPECT_TRUE(mirror.escape(Page::idOf(mirror, "Map")));  // not handled: dismissed
    p.device.advance(0.5);
    mirror.refresh();
    EXPECT_EQ(p.window->topViewController(), p.root);
    EXPECT_FALSE(mirror.escape(-1));  // the root screen stays

    postAccessibilityAnnouncement("Casino, ahead");
    postPoliteAccessibilityAnnouncement("Port, ahead");
    EXPECT_EQ(p.said, (std::vector<std::string>{"screen: Back, button", "screen: Places",
                                                "Casino, ahead", "Port, ahead"}));
}

}  // namespace
}  // namespace arquorel::browser
