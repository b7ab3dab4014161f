#include "arquorel/toolkit/TagCloud.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "arquorel/platform/ui/Window.h"
#include "sim/device/SimPlatform.h"
#include "sim/device/TouchDriver.h"

namespace arquorel {
namespace {

// With estimated text metrics a character of size 10 is 6 points wide and 12 high.
TagStyle style(Size extra = {8, 8}) {
    TagStyle s;
    s.font = Font::system(10);
    s.extraSpace = extra;
    return s;
}

std::vector<Rect> frames(const TagCloud& cloud) {
    std::vector<Rect> out;
    for (std::size_t i = 0; i < cloud.tagCount(); ++i) out.push_back(cloud.tag(i)->frame());
    return out;
}

TEST(TagCloudTest, LaysTagsOutLeftToRightWithExtraSpaceAndSpacing) {
    sim::SimPlatform device;
    device.estimateTextMetrics();
    struct Case {
        const char* name;
        TagScrollDirection direction;
        TagAlignment alignment;
        double width;
        std::vector<Rect> expected;
        Size tags;
    };
    // Tags "ABCD" (32 x 20), "EF" (20 x 20), "GHIJKL" (44 x 20), spacing 5 and 10.
    const Case cases[] = {
        {"sideways: one line, centred in the height",
         TagScrollDirection::horizontal,
         TagAlignment::left,
         60,
         {{0, 5, 32, 20}, {37, 5, 20, 20}, {62, 5, 44, 20}},
         {106, 20}},
        {"vertical: a line filled exactly keeps its last tag",
         TagScrollDirection::vertical,
         TagAlignment::left,
         57,
         {{0, 0, 32, 20}, {37, 0, 20, 20}, {0, 30, 44, 20}},
         {57, 50}},
        {"vertical, centred lines",
         TagScrollDirection::vertical,
         TagAlignment::center,
         60,
         {{1.5, 0, 32, 20}, {38.5, 0, 20, 20}, {8, 30, 44, 20}},
         {57, 50}},
        {"vertical, right-aligned, a tag wider than the line keeps a line of its own",
         TagScrollDirection::vertical,
         TagAlignment::right,
         30,
         {{0, 0, 32, 20}, {10, 30, 20, 20}, {0, 60, 44, 20}},
         {44, 80}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto cloud = std::make_shared<TagCloud>(Rect{0, 0, c.width, 30});
        cloud->setScrollDirection(c.direction);
        cloud->setAlignment(c.alignment);
        cloud->setHorizontalSpacing(5);
        cloud->setVerticalSpacing(10);
        for (const char* text : {"ABCD", "EF", "GHIJKL"}) cloud->addTag(text, style());
        cloud->reload();
        EXPECT_EQ(frames(*cloud), c.expected);
        EXPECT_EQ(cloud->tagsSize(), c.tags);
        const Size content = cloud->scrollView()->contentSize();
        const Size expected = c.direction == TagScrollDirection::horizontal
                                  ? Size{c.tags.width, 30}  // scrolls only sideways
                                  : Size{c.width, c.tags.height};
        EXPECT_EQ(content, expected);
    }
}

TEST(TagCloudTest, RemovingTagsEmptiesTheContentAndSelectionFollowsTheSwitch) {
    sim::SimPlatform device;
    device.estimateTextMetrics();
    auto window = std::make_shared<Window>(Rect{0, 0, 200, 100});
    auto cloud = std::make_shared<TagCloud>(Rect{0, 0, 200, 40});
    window->addSubview(cloud);
    TagStyle s = style({10, 20});
    // Every part of the selected style applies while a tag is selected, and only then.
    s.backgroundColor = s.textColor = s.borderColor = Color::black();
    s.selectedBackgroundColor = s.selectedTextColor = s.selectedBorderColor = Color::white();
    s.borderWidth = 1;
    s.selectedBorderWidth = 2;
    s.cornerRadius = 3;
    s.selectedCornerRadius = 9;
    const auto look = [&cloud] {
        const auto& tag = *cloud->tag(0);
        return std::vector<double>{tag.backgroundColor() == Color::white() ? 1.0 : 0.0,
                                   tag.textColor() == Color::white() ? 1.0 : 0.0,
                                   tag.layer().borderColor == Color::white() ? 1.0 : 0.0,
                                   tag.layer().borderWidth, tag.layer().cornerRadius};
    };
    cloud->addTag("AB", s);
    cloud->reload();
    EXPECT_EQ(cloud->tag(0)->frame(), (Rect{0, 0, 22, 32}));
    EXPECT_EQ(cloud->heightForWidth(10), 32);

    sim::TouchDriver finger(device, window);
    cloud->setTagSelectionEnabled(false);
    finger.tapAt({10, 10});
    EXPECT_FALSE(cloud->tag(0)->isSelected());
    cloud->setTagSelectionEnabled(true);
    finger.tapAt({10, 10});
    ASSERT_TRUE(cloud->tag(0)->isSelected());
    EXPECT_EQ(look(), (std::vector<double>{1, 1, 1, 2, 9}));
    finger.tapAt({100, 10});  // beside the tag: nothing changes
    EXPECT_TRUE(cloud->tag(0)->isSelected());
    finger.tapAt({10, 10});  // a second tap: back to the plain style
    EXPECT_FALSE(cloud->tag(0)->isSelected());
    EXPECT_EQ(look(), (std::vector<double>{0, 0, 0, 1, 3}));
    cloud->setTagSelected(0, true);
    cloud->setTagSelected(5, true);  // no such tag: nothing happens
    EXPECT_TRUE(cloud->tag(0)->isSelected());

    cloud->removeAllTags();
    cloud->reload();
    EXPECT_EQ(cloud->tagCount(), 0u);
    EXPECT_TRUE(cloud->scrollView()->contentView()->subviews().empty());
    EXPECT_EQ(cloud->tagsSize(), (Size{0, 0}));
}

// Changes take effect at the next layout; the height for a width is measured at that width;
// a tap finds its tag in the scrolled content.
TEST(TagCloudTest, LayoutFollowsChangesAndTapsFindTagsInScrolledContent) {
    sim::SimPlatform device;
    device.estimateTextMetrics();
    auto window = std::make_shared<Window>(Rect{0, 0, 200, 100});
    auto cloud = std::make_shared<TagCloud>(Rect{0, 0, 60, 30});
    window->addSubview(cloud);
    for (const char* text : {"ABCD", "EF", "GHIJKL"}) cloud->addTag(text, style());
    cloud->setHorizontalSpacing(5);
    cloud->setVerticalSpacing(10);
    window->layoutIfNeeded();
    EXPECT_EQ(frames(*cloud),
              (std::vector<Rect>{{0, 0, 32, 20}, {37, 0, 20, 20}, {0, 30, 44, 20}}));
    EXPECT_EQ(cloud->tagTexts(), (std::vector<std::string>{"ABCD", "EF", "GHIJKL"}));
    // Measured at the width asked for, not the cloud's own.
    EXPECT_EQ(cloud->heightForWidth(60), 50);
    EXPECT_EQ(cloud->heightForWidth(200), 20);
    EXPECT_EQ(cloud->heightForWidth(20), 80);

    cloud->setHorizontalSpacing(1);
    window->layoutIfNeeded();
    EXPECT_EQ(cloud->tag(1)->frame(), (Rect{33, 0, 20, 20}));
    cloud->setVerticalSpacing(2);
    window->layoutIfNeeded();
    EXPECT_EQ(cloud->tag(2)->frame(), (Rect{0, 22, 44, 20}));
    cloud->setAlignment(TagAlignment::right);
    window->layoutIfNeeded();
    EXPECT_EQ(cloud->tag(2)->frame(), (Rect{16, 22, 44, 20}));
    cloud->setScrollDirection(TagScrollDirection::horizontal);
    window->layoutIfNeeded();
    EXPECT_EQ(cloud->tag(2)->frame(), (Rect{54, 5, 44, 20}));

    // Scrolled 30 points sideways, the third tag (54 to 98 in the content) is under x = 40.
    cloud->scrollView()->setContentOffset({30, 0});
    sim::TouchDriver finger(device, window);
    finger.tapAt({40, 15});
    EXPECT_TRUE(cloud->tag(2)->isSelected());
    EXPECT_FALSE(cloud->tag(0)->isSelected());
}

// A finger resting on a tag while the cloud is taken away and freed: the lift selects
// nothing and reaches no freed cloud.
TEST(TagCloudTest, ACloudFreedUnderAFingerIsNotReached) {
    sim::SimPlatform device;
    device.estimateTextMetrics();
    auto window = std::make_shared<Window>(Rect{0, 0, 200, 100});
    auto cloud = std::make_shared<TagCloud>(Rect{0, 0, 200, 40});
    window->addSubview(cloud);
    cloud->addTag("AB", style());
    window->layoutIfNeeded();
    const auto tag = cloud->tag(0);
    window->sendTouch(TouchPhase::began, {10, 10});
    std::weak_ptr<TagCloud> weak = cloud;
    cloud->removeFromSuperview();
    cloud.reset();
    ASSERT_TRUE(weak.expired());
    window->sendTouch(TouchPhase::ended, {10, 10});
    EXPECT_FALSE(tag->isSelected());
    EXPECT_EQ(window->touchedView(), nullptr);
}

}  // namespace
}  // namespace arquorel
