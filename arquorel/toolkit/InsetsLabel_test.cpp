#include "arquorel/toolkit/InsetsLabel.h"

#include <gtest/gtest.h>

#include <memory>

#include "arquorel/platform/resources/Bundle.h"
#include "arquorel/platform/ui/HitTest.h"
#include "arquorel/platform/ui/Window.h"
#include "sim/device/SimPlatform.h"

namespace arquorel {
namespace {

TEST(InsetsLabelTest, ImageSitsBeforeOrAfterTheTextInsideThePadding) {
    sim::SimPlatform device;
    device.estimateTextMetrics();
    const auto image = Bundle::framework().image("clock_icon");
    ASSERT_NE(image, nullptr);
    struct Case {
        const char* name;
        std::shared_ptr<const Image> image;
        Size imageSize;
        ImagePosition position;
        Rect imageFrame;
        Rect textFrame;
        Size fits;
    };
    // "ABC" at size 10 is 18 x 12; padding 2 left, 3 right, 1 top and bottom; spacing 4.
    const Case cases[] = {
        {"before", image, {14, 14}, ImagePosition::left, {2, 8, 14, 14}, {20, 1, 75, 28}, {41, 16}},
        {"after", image, {14, 14}, ImagePosition::right, {81, 8, 14, 14}, {2, 1, 75, 28}, {41, 16}},
        {"no image", nullptr, {14, 14}, ImagePosition::left, {}, {2, 1, 93, 28}, {23, 14}},
        {"image of no size", image, {0, 0}, ImagePosition::left, {}, {2, 1, 93, 28}, {23, 14}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto label = std::make_shared<InsetsLabel>(Rect{0, 0, 98, 30});
        label->setFont(Font::system(10));
        label->setInsets({1, 2, 1, 3});
        label->setText("ABC", c.image, c.imageSize, c.position);
        label->layoutIfNeeded();
        EXPECT_EQ(label->imageView()->isHidden(), isEmpty(c.imageFrame));
        if (!isEmpty(c.imageFrame)) {
            EXPECT_EQ(label->imageView()->frame(), c.imageFrame);
        }
        EXPECT_EQ(label->label()->frame(), c.textFrame);
        EXPECT_EQ(label->sizeThatFits({0, 0}), c.fits);
        // Asked to fit a narrower width, the text gives way to the image and the padding.
        EXPECT_LE(label->sizeThatFits({30, 0}).width, 30);
    }
}

// Changes after the first layout move the text at the next one; a later plain text drops the
// image; a label smaller than its padding gives its text no room rather than a negative one.
TEST(InsetsLabelTest, LaterChangesLayOutAgainAndPlainTextDropsTheImage) {
    sim::SimPlatform device;
    device.estimateTextMetrics();
    const auto image = Bundle::framework().image("clock_icon");
    ASSERT_NE(image, nullptr);
    auto label = std::make_shared<InsetsLabel>(Rect{0, 0, 98, 30});
    label->setFont(Font::system(10));
    label->setText("ABC", image, {14, 14});
    label->layoutIfNeeded();
    EXPECT_EQ(label->label()->frame(), (Rect{18, 0, 80, 30}));
    label->setImageSpacing(10);
    label->layoutIfNeeded();
    EXPECT_EQ(label->label()->frame(), (Rect{24, 0, 74, 30}));
    label->setInsets({1, 2, 1, 3});
    label->layoutIfNeeded();
    EXPECT_EQ(label->label()->frame(), (Rect{26, 1, 69, 28}));
    EXPECT_EQ(label->imageView()->frame(), (Rect{2, 8, 14, 14}));

    label->setText("ABC");
    label->layoutIfNeeded();
    EXPECT_TRUE(label->imageView()->isHidden());
    EXPECT_EQ(label->label()->frame(), (Rect{2, 1, 93, 28}));

    label->setFrame({0, 0, 4, 1});
    label->layoutIfNeeded();
    EXPECT_EQ(label->label()->frame(), (Rect{2, 1, 0, 0}));
}

// Lines wrap at the width asked for less the padding and the image's share.
TEST(InsetsLabelTest, SizeThatFitsWrapsWithinTheWidthLeftForTheText) {
    sim::SimPlatform device;
    device.estimateTextMetrics();
    const auto image = Bundle::framework().image("clock_icon");
    ASSERT_NE(image, nullptr);
    InsetsLabel label;
    label.setFont(Font::system(10));
    label.setNumberOfLines(0);
    label.setInsets({1, 2, 1, 3});
    // "AB CD" is 30 points on one line, 12 each word: at 53 points wide (text 30 after the
    // padding and the image's 18) it fits on one line; at 52 it wraps onto two.
    label.setText("AB CD", image, {14, 10});
    EXPECT_EQ(label.sizeThatFits({53, 0}), (Size{53, 14}));
    EXPECT_EQ(label.sizeThatFits({52, 0}), (Size{35, 26}));
}

// A label does not take touches: a tap goes to what lies under it.
TEST(InsetsLabelTest, TouchesGoThroughToTheViewBelow) {
    sim::SimPlatform device;
    auto window = std::make_shared<Window>(Rect{0, 0, 100, 100});
    auto below = std::make_shared<View>(Rect{0, 0, 100, 100});
    window->addSubview(below);
    window->addSubview(std::make_shared<InsetsLabel>(Rect{0, 0, 100, 100}));
    EXPECT_EQ(hitTest(*window, {50, 50}), below);
}

}  // namespace
}  // namespace arquorel
