#include "arquorel/platform/ui/LayoutConstraint.h"

#include <gtest/gtest.h>

#include <memory>

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

TEST(LayoutConstraintTest, PinnedEdgesSizesAndCentresPlaceSubviewsWithoutASolver) {
    using A = LayoutAttribute;
    sim::SimPlatform device;
    auto box = std::make_shared<View>(Rect{0, 0, 300, 200});
    auto fill = add(box, "fill", {});
    pinEdges(fill, {10, 20, 30, 40});
    auto badge = add(box, "badge", {0, 0, 1, 1});
    LayoutConstraint::activate({LayoutConstraint::make(badge, A::width, 50),
                                LayoutConstraint::make(badge, A::height, 20),
                                LayoutConstraint::make(badge, A::centerX, box, A::centerX),
                                LayoutConstraint::make(badge, A::bottom, box, A::bottom, -5)});
    auto label = add(box, "label", {0, 0, 100, 30});
    auto hint = LayoutConstraint::make(label, A::left, badge, A::right, 8);
    hint->setIdentifier("hintLabelConst");
    hint->setActive(true);
    auto half = add(box, "half", {0, 0, 10, 10});
    LayoutConstraint::make(half, A::width, box, A::width, 0, 0.5)->setActive(true);
    auto stranger = std::make_shared<View>();
    auto lost = add(box, "lost", {1, 2, 3, 4});
    LayoutConstraint::make(lost, A::left, stranger, A::left, 5)->setActive(true);  // ignored

    box->layoutIfNeeded();
    EXPECT_EQ(fill->frame(), (Rect{20, 10, 240, 160}));
    EXPECT_EQ(badge->frame(), (Rect{125, 175, 50, 20}));
    EXPECT_EQ(label->frame(), (Rect{183, 0, 100, 30}));
    EXPECT_EQ(half->frame(), (Rect{0, 0, 150, 10}));
    EXPECT_EQ(lost->frame(), (Rect{1, 2, 3, 4}));

    // A changed constant applies at the next layout; inside an animation block it is recorded.
    hint->setConstant(60);
    EXPECT_TRUE(box->needsLayout());
    View::animate(0.2, [&] { box->layoutIfNeeded(); });
    ASSERT_EQ(label->animations().size(), 1u);
    const auto& record = label->animations().front();
    EXPECT_EQ(record.property, AnimatedProperty::frame);
    EXPECT_EQ(std::get<Rect>(record.from), (Rect{183, 0, 100, 30}));
    EXPECT_EQ(std::get<Rect>(record.to), (Rect{235, 0, 100, 30}));
    EXPECT_EQ(record.duration, 0.2);

    hint->setActive(false);
    EXPECT_TRUE(label->constraints().empty());
    box->setFrame({0, 0, 100, 100});  // a resized container lays its subviews out again
    box->layoutIfNeeded();
    EXPECT_EQ(fill->frame(), (Rect{20, 10, 40, 60}));
    EXPECT_EQ(label->frame().x(), 235);
}

}  // namespace
}  // namespace arquorel
