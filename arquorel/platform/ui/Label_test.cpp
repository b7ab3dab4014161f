#include "arquorel/platform/ui/Label.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "arquorel/platform/drawing/DisplayList.h"
#include "arquorel/platform/runtime/PlatformContext.h"
#include "sim/device/SimPlatform.h"

namespace arquorel {
namespace {

using Entries = std::vector<std::pair<std::string, std::string>>;

TEST(LabelTest, SizeThatFitsWrapsAndTruncatesLikeTheDrawnText) {
    sim::SimPlatform device;
    device.estimateTextMetrics();
    struct Case {
        const char* text;
        int lines;
        double width;  // the limit handed to sizeThatFits
        Size size;
        std::vector<std::string> shown;  // the lines drawn in a label of that size
    };
    const Case cases[] = {
        {"Casino", 1, 0, {36, 12}, {"Casino"}},
        {"Place du Casino", 0, 50, {48, 24}, {"Place du", "Casino"}},
        {"Place du Casino", 1, 50, {48, 12}, {"Place d\u2026"}},
        {"Place du Casino de Monte-Carlo", 2, 50, {48, 24}, {"Place du", "Casino\u2026"}},
        {"Place du Casino", 0, 0, {90, 12}, {"Place du Casino"}},
        {"Port\nHercule", 0, 0, {42, 24}, {"Port", "Hercule"}},
        {"", 0, 100, {0, 0}, {}},
    };
    for (const auto& c : cases) {
        auto label = std::make_shared<Label>(Rect{}, c.text);
        label->setFont(Font::system(10));
        label->setNumberOfLines(c.lines);
        const Size size = label->sizeThatFits({c.width, 1000});
        EXPECT_EQ(size, c.size) << c.text << " / " << c.lines;
        label->setFrame({0, 0, size.width, size.height});
        DisplayList list;
        label->draw(list);
        std::vector<std::string> shown;
        for (const auto& step : list.steps()) {
            if (auto* text = std::get_if<step::DrawText>(&step)) {
                EXPECT_EQ(text->layout, label->textLayout()) << "draws the layout it measured";
                for (const auto& line : text->layout->lines()) shown.push_back(line.text);
            }
        }
        EXPECT_EQ(shown, c.shown) << c.text << " / " << c.lines;
    }
}

TEST(LabelTest, LinesBeyondTheHeightAreLeftOutAndTheTextIsCentredVertically) {
    sim::SimPlatform device;
    device.estimateTextMetrics();
    auto label = std::make_shared<Label>(Rect{0, 0, 50, 30}, "Place du Casino Monaco");
    label->setFont(Font::boldSystem(10));
    label->setNumberOfLines(0);
    label->setTextAlignment(TextAlignment::center);
    EXPECT_EQ(label->sizeThatFits({50, 0}).height, 36);  // three lines when nothing limits it
    const auto layout = label->textLayout();
    ASSERT_EQ(layout->lines().size(), 2u);
    EXPECT_EQ(layout->lines()[1].text, "Casino\u2026");
    EXPECT_TRUE(layout->isTruncated());
    DisplayList list;
    label->draw(list);
    EXPECT_EQ(list.descriptions().size(), 1u);
    EXPECT_EQ(std::get<step::DrawText>(list.steps()[0]).origin, (Point{0, 3}));
    label->sizeToFit();  // wraps at the current width when several lines are allowed
    EXPECT_EQ(label->frame(), (Rect{0, 0, 48, 36}));
    EXPECT_EQ(label->descriptionEntries(), (Entries{{"text", "Place du Casino Monaco"}}));
    EXPECT_FALSE(label->isUserInteractionEnabled());
}

}  // namespace
}  // namespace arquorel
