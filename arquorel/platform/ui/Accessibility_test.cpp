#include "arquorel/platform/ui/Accessibility.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "arquorel/platform/resources/Image.h"
#include "arquorel/platform/ui/Button.h"
#include "arquorel/platform/ui/ImageView.h"
#include "arquorel/platform/ui/Label.h"
#include "arquorel/platform/ui/Slider.h"
#include "arquorel/platform/ui/TableViewCell.h"
#include "arquorel/platform/ui/ViewController.h"
#include "arquorel/platform/ui/Window.h"
#include "sim/device/SimPlatform.h"

namespace arquorel {
namespace {

std::shared_ptr<Label> label(Rect frame, std::string text) {
    return std::make_shared<Label>(frame, std::move(text));
}

std::shared_ptr<const Image> closeIcon() {
    return Image::fromSvg("ovin_close",
                          R"(<svg xmlns="http://www.w3.org/2000/svg" width="20" height="20"/>)");
}

std::vector<std::string> labels(const AccessibilityTree& tree) {
    std::vector<std::string> out;
    for (const auto* e : tree.elements()) out.push_back(e->label);
    return out;
}

TEST(AccessibilityTreeTest, ReadsTopToBottomThenLeftToRightKeepingGroupsTogether) {
    sim::SimPlatform device;
    device.estimateTextMetrics();
    auto root = std::make_shared<View>(Rect{0, 0, 400, 800});
    auto group = std::make_shared<View>(Rect{0, 100, 200, 300});
    group->accessibility().groupsChildren = true;
    group->setIdentifier("card");
    // Added out of order: the tree reads by position, not by subview order.
    group->addSubview(label({0, 200, 100, 20}, "group bottom"));
    group->addSubview(label({0, 0, 100, 20}, "group top"));
    root->addSubview(label({300, 150, 50, 20}, "right, below the group's top"));
    root->addSubview(group);
    root->addSubview(label({200, 10, 50, 20}, "top right"));
    root->addSubview(label({10, 10, 50, 20}, "top left"));
    const auto tree = AccessibilityTree::build(*root);
    EXPECT_EQ(labels(tree),
              (std::vector<std::string>{"top left", "top right", "group top", "group bottom",
                                        "right, below the group's top"}));
    EXPECT_EQ(tree.dump(),
              "text \"top left\" (10.0, 10.0, 50.0, 20.0)\n"
              "text \"top right\" (200.0, 10.0, 50.0, 20.0)\n"
              "group #card (0.0, 100.0, 200.0, 300.0)\n"
              "  text \"group top\" (0.0, 100.0, 100.0, 20.0)\n"
              "  text \"group bottom\" (0.0, 300.0, 100.0, 20.0)\n"
              "text \"right, below the group's top\" (300.0, 150.0, 50.0, 20.0)\n");
}

TEST(AccessibilityTreeTest, LeavesOutWhatAPersonCannotSee) {
    sim::SimPlatform device;
    device.estimateTextMetrics();
    auto root = std::make_shared<View>(Rect{0, 0, 400, 800});
    auto hidden = label({0, 0, 100, 20}, "hidden");
    hidden->setHidden(true);
    auto clear = label({0, 30, 100, 20}, "transparent");
    clear->setAlpha(0);
    auto decorative = label({0, 60, 100, 20}, "left out by its screen");
    decorative->accessibility().elementsHidden = true;
    auto clipper = std::make_shared<View>(Rect{0, 100, 100, 50});
    clipper->setClipsToBounds(true);
    clipper->addSubview(label({0, 60, 100, 20}, "clipped away"));
    clipper->addSubview(label({0, 10, 100, 20}, "inside the clip"));
    auto covered = label({200, 200, 50, 20}, "under an opaque panel");
    auto panel = std::make_shared<View>(Rect{150, 150, 200, 200});
    panel->setBackgroundColor(Color::white());
    auto translucent = std::make_shared<View>(Rect{0, 400, 400, 100});
    translucent->setBackgroundColor(Color::white().withAlpha(0.5));
    auto seenThrough = label({10, 420, 100, 20}, "under a translucent panel");
    for (const auto& v : std::vector<std::shared_ptr<View>>{
             hidden, clear, decorative, clipper, covered, panel, seenThrough, translucent})
        root->addSubview(v);
    panel->addSubview(label({10, 10, 100, 20}, "on the panel"));
    root->addSubview(label({500, 10, 50, 20}, "off screen"));
    EXPECT_EQ(
        labels(AccessibilityTree::build(*root)),
        (std::vector<std::string>{"inside the clip", "on the panel", "under a translucent panel"}));
}

TEST(AccessibilityTreeTest, AnElementReadsItsViewsTextsAndHidesThemAsElements) {
    sim::SimPlatform device;
    device.estimateTextMetrics();
    auto root = std::make_shared<View>(Rect{0, 0, 400, 800});
    auto cell = std::make_shared<TableViewCell>("row");
    cell->setFrame({0, 100, 400, 60});
    cell->contentView()->addSubview(label({10, 30, 100, 20}, "Monaco"));
    cell->contentView()->addSubview(label({10, 5, 100, 20}, "Casino"));
    auto icon = std::make_shared<ImageView>(Rect{300, 5, 20, 20});
    cell->contentView()->addSubview(icon);
    root->addSubview(cell);
    EXPECT_EQ(labels(AccessibilityTree::build(*root)), std::vector<std::string>{"Casino, Monaco"});
    icon->accessibility().label = "favourite";  // a meaningful image is read in its place
    cell->setSelected(true);
    const auto tree = AccessibilityTree::build(*root);
    ASSERT_EQ(tree.elements().size(), 1u);
    EXPECT_EQ(spokenText(*tree.elements()[0]), "Casino, favourite, Monaco, selected");
}

TEST(AccessibilityTreeTest, ToolkitViewsReadTheirOwnDefaults) {
    sim::SimPlatform device;
    device.estimateTextMetrics();
    auto root = std::make_shared<View>(Rect{0, 0, 400, 800});
    auto titled = std::make_shared<Button>(Rect{0, 0, 100, 40});
    titled->setTitle("Route");
    auto iconOnly = std::make_shared<Button>(Rect{0, 50, 40, 40});
    iconOnly->setImage(closeIcon());
    auto relabelled = std::make_shared<Button>(Rect{0, 100, 40, 40});
    relabelled->setImage(closeIcon());
    relabelled->accessibility().label = "Close";
    relabelled->setEnabled(false);
    auto empty = label({0, 150, 100, 20}, "");
    auto picture = std::make_shared<ImageView>(Rect{0, 200, 40, 40});
    auto slider = std::make_shared<Slider>(Rect{0, 250, 200, 40});
    slider->setValue(0.25);
    for (const auto& v :
         std::vector<std::shared_ptr<View>>{titled, iconOnly, relabelled, empty, picture, slider})
        root->addSubview(v);
    std::vector<std::string> said;
    const auto tree = AccessibilityTree::build(*root);
    for (const auto* e : tree.elements()) said.push_back(spokenText(*e));
    EXPECT_EQ(said, (std::vector<std::string>{"Route, button", "ovin close, button",
                                              "Close, button, dimmed", "25%, adjustable"}));
    EXPECT_TRUE(slider->accessibilityAdjust(true));
    EXPECT_DOUBLE_EQ(slider->value(), 0.35);
    slider->setValue(1);
    EXPECT_FALSE(slider->accessibilityAdjust(true));  // nothing left to step
}

TEST(AccessibilityTreeTest, APresentedScreenOrAModalViewHidesWhatIsUnderIt) {
    sim::SimPlatform device;
    device.estimateTextMetrics();
    auto window = std::make_shared<Window>();
    auto root = std::make_shared<ViewController>();
    window->setRootViewController(root);
    window->makeKeyAndVisible();
    device.runPending();
    root->view()->addSubview(label({10, 10, 100, 20}, "root screen"));
    auto overlay = std::make_shared<View>(Rect{0, 400, 375, 100});
    overlay->addSubview(label({10, 10, 100, 20}, "hint"));
    root->view()->addSubview(overlay);
    EXPECT_EQ(labels(AccessibilityTree::build(*window)),
              (std::vector<std::string>{"root screen", "hint"}));
    overlay->accessibility().isModal = true;
    EXPECT_EQ(labels(AccessibilityTree::build(*window)), std::vector<std::string>{"hint"});

    auto presented = std::make_shared<ViewController>();
    presented->setModalPresentationStyle(ModalPresentationStyle::overFullScreen);
    presented->view()->addSubview(label({10, 300, 100, 20}, "presented"));
    root->present(presented, false);
    device.advance(0.1);
    EXPECT_EQ(labels(AccessibilityTree::build(*window)), std::vector<std::string>{"presented"});
}

}  // namespace
}  // namespace arquorel
