#include "arquorel/toolkit/InsetsLabel.h"

#include <gtest/gtest.h>

#include <memory>

#include "arquorel/platform/resources/Bundle.h"
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
        EXPECT_EQ(label->text(), "ABC");
    }
}

}  // namespace
}  // namespace arquorel
