#include "arquorel/platform/ui/HitTest.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <numbers>
#include <string>

#include "arquorel/platform/ui/View.h"
#include "sim/device/SimPlatform.h"

namespace arquorel {
namespace {

std::shared_ptr<View> add(const std::shared_ptr<View>& parent, const char* name, Rect frame) {
    auto v = std::make_shared<View>(frame);
    v->setIdentifier(name);
    parent->addSubview(v);
    return v;
}

TEST(HitTestTest, FrontToBackThroughTransformsSkippingWhatCannotBeTouched) {
    auto root = std::make_shared<View>(Rect{0, 0, 400, 400});
    root->setIdentifier("root");
    // A 100 x 20 bar turned a quarter turn about its centre (150, 60): it covers x 140..160,
    // y 10..110.
    auto bar = add(root, "bar", {100, 50, 100, 20});
    bar->setTransform(Transform::rotation(std::numbers::pi / 2));
    // Doubled in size about its centre (300, 50): covers 260..340 x 10..90.
    auto big = add(root, "big", {280, 30, 40, 40});
    big->setTransform(Transform::scale(2, 2));
    auto inner = add(big, "inner", {0, 0, 10, 10});  // covers 260..280 x 10..30 on screen
    auto hidden = add(root, "hidden", {0, 200, 100, 100});
    hidden->setHidden(true);
    auto faint = add(root, "faint", {0, 200, 100, 100});
    faint->setAlpha(0.005);
    auto inert = add(root, "inert", {100, 200, 100, 100});
    inert->setUserInteractionEnabled(false);
    add(inert, "inertChild", {0, 0, 50, 50});
    auto back = add(root, "back", {200, 200, 100, 100});
    add(root, "front", {250, 250, 100, 100});
    auto squashed = add(root, "squashed", {0, 320, 50, 50});
    squashed->setTransform(Transform::scale(0, 1));
    add(back, "outsideParent", {90, -50, 40, 40});  // pokes out of `back`

    const std::pair<Point, const char*> cases[] = {
        {{150, 100}, "bar"},   // inside only once turned
        {{180, 60}, "root"},   // inside the untransformed frame, outside the turned one
        {{335, 85}, "big"},    // inside only once scaled
        {{265, 15}, "inner"},  // subview of a scaled view
        {{50, 250}, "root"},   // hidden and nearly transparent views are skipped
        {{110, 210}, "root"},  // a view that takes no touches hides its subviews too
        {{220, 220}, "back"}, {{260, 260}, "front"},  // overlap: the later sibling is in front
        {{10, 330}, "root"},                          // a squashed view cannot be hit
        {{295, 155}, "root"},                         // outside its parent's bounds: not reached
        {{-1, 10}, ""},                               // outside the root
        {{NAN, 10}, ""},
    };
    for (const auto& [point, expected] : cases) {
        auto hit = hitTest(*root, point);
        EXPECT_EQ(hit ? hit->identifier() : "", expected) << point.x << ", " << point.y;
    }
}

TEST(HitTestTest, ConversionsRoundTripAndNameViews) {
    auto root = std::make_shared<View>(Rect{0, 0, 400, 400});
    auto card = add(root, "card", {100, 100, 80, 40});
    card->setTransform(Transform::rotation(std::numbers::pi));
    auto label = std::make_shared<View>(Rect{10, 5, 20, 10});
    card->addSubview(label);
    // Half a turn about (140, 120): the label's top-left (110, 105) lands at (170, 135).
    const auto p = convertToRoot(*label, {0, 0});
    EXPECT_NEAR(p.x, 170, 1e-9);
    EXPECT_NEAR(p.y, 135, 1e-9);
    const auto back = convertPoint(p, *root, *label);
    ASSERT_TRUE(back);
    EXPECT_NEAR(back->x, 0, 1e-9);
    EXPECT_NEAR(back->y, 0, 1e-9);
    EXPECT_EQ(describeView(*card), "'card'");
    EXPECT_EQ(describeView(*label), "View (10.0, 5.0, 20.0, 10.0)");
}

}  // namespace
}  // namespace arquorel
