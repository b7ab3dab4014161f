#include "arquorel/platform/ui/Button.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "arquorel/platform/drawing/DisplayList.h"
#include "arquorel/platform/runtime/PlatformContext.h"
#include "arquorel/platform/ui/Window.h"
#include "sim/device/SimPlatform.h"
#include "sim/device/TouchDriver.h"

namespace arquorel {
namespace {

using Entries = std::vector<std::pair<std::string, std::string>>;

std::shared_ptr<const Image> image(const char* name, double w, double h) {
    return std::make_shared<Image>(name, Size{w, h}, "<svg/>");
}

TEST(ButtonTest, ShowsTheValuesOfItsCurrentStateWithFallbacks) {
    sim::SimPlatform device;
    device.estimateTextMetrics();
    auto button = std::make_shared<Button>(Rect{0, 0, 100, 40}, Button::Type::system);
    button->setTitle("Go");
    button->setTitle("Going", ControlState::highlighted);
    button->setTitle("On", ControlState::selected);
    button->setImage(image("arrow", 20, 20));
    button->setImage(image("arrow_on", 20, 20), ControlState::selected);
    struct Case {
        bool enabled, selected, highlighted;
        const char* title;
        const char* image;
        Color color;
    };
    const Case cases[] = {
        {true, false, false, "Go", "arrow", kSystemBlue},
        {true, false, true, "Going", "arrow", kSystemBlue},
        {true, true, false, "On", "arrow_on", kSystemBlue},
        {true, true, true, "Going", "arrow_on", kSystemBlue},  // highlighted before selected
        {false, false, false, "Go", "arrow", kLightGray},      // no disabled title: normal
    };
    for (const auto& c : cases) {
        button->setEnabled(c.enabled);
        button->setSelected(c.selected);
        button->setHighlighted(c.highlighted);
        EXPECT_EQ(button->currentTitle(), c.title);
        EXPECT_EQ(button->currentImage()->name(), c.image);
        EXPECT_EQ(button->currentTitleColor(), c.color) << c.title;
    }
    button->setEnabled(true);
    button->setSelected(false);
    button->setHighlighted(false);
    // Image then title, the pair centred: 20 + 12 points wide in 100.
    button->setTitleFont(Font::system(10));
    EXPECT_EQ(button->imageRect(), (Rect{34, 10, 20, 20}));
    EXPECT_EQ(button->titleRect(), (Rect{54, 14, 12, 12}));
    EXPECT_EQ(button->sizeThatFits({}), (Size{32, 20}));
    DisplayList list;
    button->draw(list);
    const auto& drawn = std::get<step::DrawImage>(list.steps()[1]);
    EXPECT_EQ(drawn.tint, kSystemBlue);  // system buttons tint their images
    button->setSelected(true);
    button->setEnabled(false);
    EXPECT_EQ(
        button->descriptionEntries(),
        (Entries{
            {"title", "On"}, {"image", "arrow_on"}, {"selected", "true"}, {"enabled", "false"}}));
}

TEST(ButtonTest, TapsRunTheTargetActionOnTouchUpInside) {
    sim::SimPlatform device;
    device.estimateTextMetrics();
    auto window = std::make_shared<Window>(Rect{0, 0, 300, 300});
    auto button = std::make_shared<Button>(Rect{10, 10, 80, 40});
    window->addSubview(button);
    int taps = 0;
    button->addAction(ControlEvent::touchUpInside, [&](Control& sender) {
        ++taps;
        sender.setSelected(!sender.isSelected());
    });
    sim::TouchDriver finger(device, window);
    EXPECT_TRUE(finger.tap(*button));
    EXPECT_TRUE(button->isSelected());
    finger.drag({50, 30}, {250, 250});  // lifted far away: touch up outside
    button->setEnabled(false);
    EXPECT_TRUE(finger.tap(*button));  // it is hit, but a disabled control ignores touches
    EXPECT_EQ(taps, 1);
    EXPECT_FALSE(button->isHighlighted());
}

}  // namespace
}  // namespace arquorel
