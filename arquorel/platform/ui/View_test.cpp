#include "arquorel/platform/ui/View.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "arquorel/platform/runtime/PlatformContext.h"
#include "sim/device/SimPlatform.h"

namespace arquorel {
namespace {

using Views = std::vector<std::shared_ptr<View>>;

std::shared_ptr<View> makeView(Rect frame = {}) {
    return std::make_shared<View>(frame);
}

// Counts its hook calls.
class ProbeView : public View {
  public:
    using View::View;
    int moves = 0;
    int layouts = 0;

  protected:
    void didMoveToSuperview() override { ++moves; }
    void layoutSubviews() override { ++layouts; }
};

// Builds its content in the constructor, before anything holds it in a shared_ptr.
class CardView : public View {
  public:
    CardView() : title(std::make_shared<View>()) { addSubview(title); }
    std::shared_ptr<View> title;
};

TEST(ViewHierarchyTest, AddInsertAndReorder) {
    auto parent = makeView();
    auto a = makeView(), b = makeView(), c = makeView(), d = makeView();
    parent->addSubview(a);
    parent->addSubview(b);
    parent->insertSubview(c, 0);
    EXPECT_EQ(parent->subviews(), (Views{c, a, b}));
    EXPECT_EQ(a->superview(), parent);
    EXPECT_TRUE(c->hasSuperview());

    parent->insertSubview(d, 99);  // past the end: appended
    EXPECT_EQ(parent->subviews(), (Views{c, a, b, d}));
    parent->insertSubviewAbove(c, *b);  // moves an existing child
    EXPECT_EQ(parent->subviews(), (Views{a, b, c, d}));
    parent->insertSubviewAbove(d, *a);
    EXPECT_EQ(parent->subviews(), (Views{a, d, b, c}));
    parent->insertSubviewAbove(b, *b);  // above itself: stays where it is
    EXPECT_EQ(parent->subviews(), (Views{a, d, b, c}));
    parent->bringSubviewToFront(*a);
    EXPECT_EQ(parent->subviews(), (Views{d, b, c, a}));
    parent->addSubview(d);  // re-adding moves it to the top, without duplicates
    EXPECT_EQ(parent->subviews(), (Views{b, c, a, d}));
}

TEST(ViewHierarchyTest, MovingAndRemovingKeepBothSidesConsistent) {
    auto first = makeView(), second = makeView();
    auto child = std::make_shared<ProbeView>();
    std::weak_ptr<View> watch = child;

    first->addSubview(child);
    EXPECT_EQ(child->moves, 1);
    second->addSubview(child);  // taken away from the first parent
    EXPECT_TRUE(first->subviews().empty());
    EXPECT_EQ(child->superview(), second);
    EXPECT_EQ(child->moves, 2);

    child->removeFromSuperview();
    EXPECT_EQ(child->superview(), nullptr);
    EXPECT_TRUE(second->subviews().empty());
    EXPECT_EQ(child->moves, 3);
    child->removeFromSuperview();  // no parent: nothing happens
    EXPECT_EQ(child->moves, 3);

    // Owned by the parent alone, the view lives as long as it stays a subview.
    first->addSubview(child);
    child.reset();
    EXPECT_FALSE(watch.expired());
    watch.lock()->removeFromSuperview();
    EXPECT_TRUE(watch.expired());
}

TEST(ViewHierarchyTest, AViewCannotBecomeItsOwnAncestor) {
    auto root = makeView(), middle = makeView(), leaf = makeView();
    root->addSubview(middle);
    middle->addSubview(leaf);
    EXPECT_TRUE(leaf->isDescendantOf(*root));
    EXPECT_FALSE(root->isDescendantOf(*leaf));

    leaf->addSubview(root);
    leaf->addSubview(middle);
    middle->addSubview(middle);
    root->insertSubviewAbove(root, *middle);
    leaf->addSubview(nullptr);
    EXPECT_TRUE(leaf->subviews().empty());
    EXPECT_EQ(root->superview(), nullptr);
    EXPECT_EQ(middle->superview(), root);
    EXPECT_EQ(root->subviews(), (Views{middle}));
    EXPECT_EQ(middle->subviews(), (Views{leaf}));
}

TEST(ViewHierarchyTest, ChildrenForgetAParentThatIsGone) {
    auto child = makeView();
    {
        auto parent = makeView();
        parent->addSubview(child);
    }
    EXPECT_EQ(child->superview(), nullptr);
    EXPECT_FALSE(child->hasSuperview());
    auto other = makeView();
    other->addSubview(child);
    EXPECT_EQ(other->subviews(), (Views{child}));
}

TEST(ViewHierarchyTest, SubviewsAddedDuringConstructionKnowTheirParent) {
    auto card = std::make_shared<CardView>();
    EXPECT_EQ(card->title->superview(), card);
    EXPECT_TRUE(card->title->isDescendantOf(*card));
    card->title->removeFromSuperview();
    EXPECT_TRUE(card->subviews().empty());
    EXPECT_EQ(card->title->superview(), nullptr);
}

TEST(ViewTest, ResizingAsksForALayoutOnce) {
    ProbeView view(Rect{0, 0, 10, 10});
    view.layoutIfNeeded();
    EXPECT_EQ(view.layouts, 1);
    view.layoutIfNeeded();
    EXPECT_EQ(view.layouts, 1);
    view.setFrame({5, 5, 10, 10});  // moved only
    EXPECT_FALSE(view.needsLayout());
    view.setFrame({5, 5, 20, 10});
    EXPECT_TRUE(view.needsLayout());
    view.layoutIfNeeded();
    EXPECT_EQ(view.layouts, 2);
    EXPECT_EQ(view.bounds(), (Rect{0, 0, 20, 10}));
    EXPECT_EQ(view.center(), (Point{15, 10}));
}

TEST(ViewTest, OnScreenMeansIntersectingTheMainScreen) {
    sim::SimPlatform device;
    platformContext().device().setMainScreenBounds({0, 0, 320, 480});
    EXPECT_TRUE(isOnScreen({300, 460, 40, 40}));
    EXPECT_FALSE(isOnScreen({320, 0, 40, 40}));
    EXPECT_FALSE(isOnScreen({-40, -40, 40, 40}));
    platformContext().device().setMainScreenBounds({0, 0, 768, 1024});
    EXPECT_TRUE(isOnScreen({320, 0, 40, 40}));
}

TEST(ViewAnimationTest, ModelChangesAtOnceAndTheAnimationIsRecorded) {
    sim::SimPlatform device;
    auto view = makeView({0, 0, 100, 50});
    view->setAlpha(0.8);  // outside an animation block: not recorded
    EXPECT_TRUE(view->animations().empty());
    EXPECT_FALSE(View::isAnimating());

    View::animate(0.5, [&] {
        EXPECT_TRUE(View::isAnimating());
        view->setAlpha(0.5);
        EXPECT_EQ(view->alpha(), 0.5);  // final value at once
        view->setFrame({10, 20, 150, 75});
        view->setTransform(Transform::scale(1.5, 1.5));
        view->setTransform(Transform::scale(1.5, 1.5));  // unchanged: no second record
    });
    EXPECT_FALSE(View::isAnimating());
    EXPECT_EQ(view->alpha(), 0.5);
    EXPECT_EQ(view->frame(), (Rect{10, 20, 150, 75}));

    const auto& records = view->animations();
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].property, AnimatedProperty::alpha);
    EXPECT_EQ(records[0].from, AnimationRecord::Value(0.8));
    EXPECT_EQ(records[0].to, AnimationRecord::Value(0.5));
    EXPECT_EQ(records[0].duration, 0.5);
    EXPECT_EQ(records[0].startTime, device.now());
    EXPECT_EQ(records[1].property, AnimatedProperty::frame);
    EXPECT_EQ(records[1].from, AnimationRecord::Value(Rect{0, 0, 100, 50}));
    EXPECT_EQ(records[1].to, AnimationRecord::Value(Rect{10, 20, 150, 75}));
    EXPECT_EQ(records[2].property, AnimatedProperty::transform);
    EXPECT_EQ(records[2].to, AnimationRecord::Value(Transform::scale(1.5, 1.5)));
}

TEST(ViewAnimationTest, NestedBlocksRecordTheirOwnDuration) {
    sim::SimPlatform device;
    auto view = makeView();
    View::animate(1.0, [&] {
        View::animate(0.25, [&] { view->setAlpha(0.2); });
        view->setAlpha(0.4);
    });
    ASSERT_EQ(view->animations().size(), 2u);
    EXPECT_EQ(view->animations()[0].duration, 0.25);
    EXPECT_EQ(view->animations()[1].duration, 1.0);
}

TEST(ViewAnimationTest, CompletionRunsOnTheMainLoopOnceTheDurationHasPassed) {
    sim::SimPlatform device;
    auto view = makeView();
    std::vector<bool> completions;
    View::animate(
        0.5, [&] { view->setAlpha(0); }, [&](bool finished) { completions.push_back(finished); });
    EXPECT_TRUE(completions.empty());  // never synchronously
    device.runPending();
    EXPECT_TRUE(completions.empty());
    device.advance(0.499);
    EXPECT_TRUE(completions.empty());
    device.advance(0.001);
    EXPECT_EQ(completions, std::vector<bool>{true});
    device.advance(5);
    EXPECT_EQ(completions.size(), 1u);

    // Without a duration the completion still waits for the main loop.
    View::animate(0, {}, [&](bool finished) { completions.push_back(finished); });
    EXPECT_EQ(completions.size(), 1u);
    device.runPending();
    EXPECT_EQ(completions.size(), 2u);
}

}  // namespace
}  // namespace arquorel
