#include "arquorel/platform/ui/ImageView.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "arquorel/platform/drawing/DisplayList.h"
#include "sim/device/SimPlatform.h"

namespace arquorel {
namespace {

using Entries = std::vector<std::pair<std::string, std::string>>;

std::shared_ptr<const Image> image(const char* name, double w, double h) {
    return std::make_shared<Image>(name, Size{w, h}, "<svg/>");
}

TEST(ImageViewTest, ContentModesPlaceTheImage) {
    const Rect box{0, 0, 200, 200};
    struct Case {
        Size image;
        ContentMode mode;
        Rect placed;
    };
    const Case cases[] = {
        {{100, 50}, ContentMode::scaleToFill, box},
        {{100, 50}, ContentMode::scaleAspectFit, {0, 50, 200, 100}},
        {{100, 50}, ContentMode::scaleAspectFill, {-100, 0, 400, 200}},
        {{100, 50}, ContentMode::center, {50, 75, 100, 50}},
        {{400, 800}, ContentMode::scaleAspectFit, {50, 0, 100, 200}},
        {{0, 50}, ContentMode::scaleAspectFit, {}},  // an image of no size is not drawn
        {{NAN, 50}, ContentMode::center, {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(placeImage(c.image, box, c.mode), c.placed) << static_cast<int>(c.mode);

    sim::SimPlatform device;
    auto view = std::make_shared<ImageView>(Rect{0, 0, 40, 40});
    DisplayList list;
    view->draw(list);
    EXPECT_TRUE(list.steps().empty());
    EXPECT_TRUE(view->descriptionEntries().empty());
    view->setImage(image("villa", 20, 10));
    view->setContentMode(ContentMode::scaleAspectFit);
    view->setTintColor(Color::white());
    view->draw(list);
    EXPECT_EQ(list.descriptions().size(), 1u);
    const auto& drawn = std::get<step::DrawImage>(list.steps()[0]);
    EXPECT_EQ(drawn.dest, (Rect{0, 10, 40, 20}));
    EXPECT_EQ(drawn.tint, Color::white());
    EXPECT_EQ(view->descriptionEntries(), (Entries{{"image", "villa"}}));
}

}  // namespace
}  // namespace arquorel
