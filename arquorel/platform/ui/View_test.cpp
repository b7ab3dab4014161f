#include "arquorel/platform/ui/View.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <tuple>
#include <utility>
#include <vector>

#include "arquorel/platform/runtime/PlatformContext.h"
#include "sim/device/SimPlatform.h"

namespace arquorel {
namespace {

using Views = std::vector<std::shared_ptr<View>>;

const auto makeView = [](Rect frame = {}) { return std::make_shared<View>(frame); };

// Adds its content in the constructor, before anything holds it in a shared_ptr.
struct CardView : View {
    CardView() { addSubview(title); }
    std::shared_ptr<View> title = makeView();
};

TEST(ViewHierarchyTest, AddInsertReorderAndRemove) {
    auto parent = makeView(), other = makeView();
    auto a = makeView(), b = makeView(), c = makeView(), d = makeView();
    parent->addSubview(a);
    parent->addSubview(b);
    parent->insertSubview(c, 0);
    parent->insertSubview(d, 99);  // past the end: appended
    EXPECT_EQ(parent->subviews(), (Views{c, a, b, d}));
    parent->insertSubviewAbove(c, *b);  // moves an existing child
    parent->insertSubviewAbove(b, *b);  // above itself: no-op
    EXPECT_EQ(parent->subviews(), (Views{a, b, c, d}));
    parent->bringSubviewToFront(*a);
    parent->addSubview(c);  // re-adding moves it to the top, without duplicates
    EXPECT_EQ(parent->subviews(), (Views{b, d, a, c}));

    other->addSubview(a);  // taken away from the first parent
    b->removeFromSuperview();
    EXPECT_EQ(parent->subviews(), (Views{d, c}));
    EXPECT_EQ(a->superview(), other);
    other.reset();
    EXPECT_EQ(a->superview(), nullptr);  // a parent that is gone is forgotten
}

TEST(ViewHierarchyTest, AViewCannotBecomeItsOwnAncestor) {
    auto root = makeView(), middle = makeView(), leaf = makeView();
    root->addSubview(middle);
    middle->addSubview(leaf);
    leaf->addSubview(root);
    leaf->addSubview(middle);
    middle->addSubview(middle);
    root->insertSubviewAbove(root, *middle);
    leaf->addSubview(nullptr);
    EXPECT_EQ(root->superview(), nullptr);
    EXPECT_EQ((std::vector{root->subviews(), middle->subviews(), leaf->subviews()}),
              (std::vector<Views>{{middle}, {leaf}, {}}));

    auto card = std::make_shared<CardView>();
    EXPECT_EQ(card->title->superview(), card);
}

TEST(ViewTest, OnScreenNeedsAnAreaSharedWithTheMainScreen) {
    sim::SimPlatform device;
    const Rect screen{0, 0, 375, 812};
    platformContext().device().setMainScreenBounds(screen);
    // Touching edges or corners, empty rectangles and NaN coordinates share no area.
    const std::pair<Rect, bool> cases[] = {
        {{370, 800, 10, 10}, true},   {{-100, -100, 1000, 1000}, true},
        {{100, 100, -50, -50}, true}, {{375, 0, 10, 10}, false},
        {{-10, -10, 10, 10}, false},  {{0, 812, 10, 10}, false},
        {{100, 100, 0, 50}, false},   {{100, 100, 50, 0}, false},
        {{NAN, 100, 50, 50}, false},  {{100, NAN, 50, 50}, false},
        {{100, 100, NAN, 50}, false}, {{100, 100, 50, NAN}, false}};
    for (const auto& [rect, expected] : cases) {
        EXPECT_EQ(isOnScreen(rect), expected) << rect;
        EXPECT_EQ(intersects(rect, screen), expected) << rect;
    }
}

// The frame is the box around the transformed bounds, as on the phone platforms: a card
// enlarged by a scale transform and then given the enlarged frame is drawn 1.5 times its size,
// not 1.5 x 1.5.
TEST(ViewGeometryTest, FrameUnderATransformIsTheBoxTheViewTakesOnScreen) {
    auto view = makeView({100, 100, 100, 50});
    view->setTransform(Transform::scale(1.5, 1.5));
    EXPECT_EQ(view->frame(), (Rect{75, 87.5, 150, 75}));
    EXPECT_EQ(view->bounds(), (Rect{0, 0, 100, 50}));
    view->setFrame({0, 0, 300, 150});
    EXPECT_EQ(view->bounds(), (Rect{0, 0, 200, 100}));
    view->setTransform(Transform::identity());
    EXPECT_EQ(view->frame(), (Rect{50, 25, 200, 100}));
    // A quarter turn stands the box upright about the same centre; turning back lays it down.
    view->setFrame({-31, 406, 772, 20});
    view->setTransform(Transform::rotation(-1.5707963267948966));
    EXPECT_NEAR(view->frame().x(), 345, 1e-9);
    EXPECT_NEAR(view->frame().y(), 30, 1e-9);
    EXPECT_NEAR(view->frame().width(), 20, 1e-9);
    EXPECT_NEAR(view->frame().height(), 772, 1e-9);
    EXPECT_EQ(view->bounds(), (Rect{0, 0, 772, 20}));
    view->setTransform(Transform::identity());
    EXPECT_NEAR(view->frame().x(), -31, 1e-9);
    EXPECT_NEAR(view->frame().width(), 772, 1e-9);
}

TEST(ViewAnimationTest, ModelChangesAtOnceTheChangeIsRecordedAndTheCompletionWaits) {
    sim::SimPlatform device;
    auto view = makeView({0, 0, 100, 50});
    std::vector<bool> completions;
    auto complete = [&](bool finished) { completions.push_back(finished); };
    view->setAlpha(0.8);  // outside an animation block: not recorded
    auto changes = [&] {
        view->setAlpha(0.5);
        EXPECT_EQ(view->alpha(), 0.5);
        View::animate(0.25, [&] { view->setFrame({10, 20, 150, 75}); });
        view->setTransform(Transform::scale(2, 2));
        view->setTransform(Transform::scale(2, 2));  // unchanged: no second record
    };
    View::animate(1.0, changes, complete);
    EXPECT_EQ(view->bounds(), (Rect{0, 0, 150, 75}));
    EXPECT_EQ(view->frame(), (Rect{-65, -17.5, 300, 150}));  // the doubled box, same centre
    using V = AnimationRecord::Value;
    const std::tuple<AnimatedProperty, V, V, double> expected[] = {
        {AnimatedProperty::alpha, 0.8, 0.5, 1.0},
        {AnimatedProperty::frame, Rect{0, 0, 100, 50}, Rect{10, 20, 150, 75}, 0.25},
        {AnimatedProperty::transform, Transform{}, Transform::scale(2, 2), 1.0}};
    ASSERT_EQ(view->animations().size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        const auto& r = view->animations()[i];
        EXPECT_EQ(std::tie(r.property, r.from, r.to, r.duration), expected[i]) << i;
        EXPECT_EQ(r.startTime, device.now());
    }

    device.advance(0.999);
    EXPECT_TRUE(completions.empty());
    device.advance(0.001);
    EXPECT_EQ(completions, std::vector<bool>{true});
    View::animate(0, {}, complete);  // without a duration it still waits for the main loop
    EXPECT_EQ(completions.size(), 1u);
    device.advance(5);
    EXPECT_EQ(completions, (std::vector<bool>{true, true}));
}

TEST(ViewLayerTest, KeyedAnimationsReplaceByKeyAndKeepTheModel) {
    sim::SimPlatform device;
    View view({0, 0, 10, 10});
    view.addAnimation("spin", {"transform.rotation", 0, 6.28, 2, INFINITY});
    device.advance(1);
    view.addAnimation("spin", {"transform.rotation", 0, 3.14, 1});
    view.addAnimation("fade", {"opacity", 1, 0, 0.5, 0, true, 5.0});
    ASSERT_NE(view.animation("spin"), nullptr);
    EXPECT_EQ(view.animation("spin")->to, 3.14);
    EXPECT_EQ(view.animation("spin")->beginTime, device.now());
    EXPECT_EQ(view.animation("fade")->beginTime, 5.0);
    EXPECT_TRUE(view.transform().isIdentity());
    view.removeAnimation("spin");
    EXPECT_EQ(view.animation("spin"), nullptr);
    view.removeAllAnimations();
    EXPECT_TRUE(view.layer().animations.empty());
}

}  // namespace
}  // namespace arquorel
