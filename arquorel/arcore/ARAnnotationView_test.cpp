#include "arquorel/arcore/ARAnnotationView.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "arquorel/platform/runtime/PlatformContext.h"
#include "sim/device/SimPlatform.h"

namespace arquorel {
namespace {

// Records its hooks; builds a subview in initialize(), as card views do.
class HookView : public ARAnnotationView {
  public:
    using ARAnnotationView::ARAnnotationView;
    std::vector<std::string> calls;
    std::shared_ptr<View> content;
    void initialize() override {
        calls.push_back("initialize");
        content = std::make_shared<View>(bounds());
        addSubview(content);
    }
    void bindUi() override { calls.push_back("bindUi"); }
};

TEST(ARAnnotationViewTest, InitializeRunsOnceHoweverTheViewIsBuilt) {
    auto framed = ARAnnotationView::make<HookView>(Rect{0, 0, 120, 66});
    EXPECT_EQ(framed->calls, std::vector<std::string>{"initialize"});
    EXPECT_EQ(framed->content->superview(), framed);
    EXPECT_EQ(framed->content->frame(), (Rect{0, 0, 120, 66}));
    auto archived = ARAnnotationView::fromArchive<HookView>();
    EXPECT_EQ(archived->calls, (std::vector<std::string>{"initialize", "bindUi"}));
}

// A view in a window-sized parent on a 375 x 812 screen.
struct MainStateTest : ::testing::Test {
    using V = AnimationRecord::Value;
    sim::SimPlatform device;
    std::shared_ptr<View> parent = std::make_shared<View>(Rect{0, 0, 375, 812});
    std::shared_ptr<ARAnnotationView> view = ARAnnotationView::create();

    void SetUp() override {
        platformContext().device().setMainScreenBounds({0, 0, 375, 812});
        platformContext().device().setSystemVersion("17.0");
        parent->addSubview(view);
    }
    // Frame `current`, last placed at `initial`, alpha and transform those of the other state.
    void place(Rect current, Rect initial) {
        view->setTransform(view->isMainAnn ? Transform::identity() : Transform::scale(1.5, 1.5));
        view->setFrame(current);
        view->initialFrame = initial;
        view->setAlpha(view->isMainAnn ? 0.5 : 1);
        view->clearAnimations();
    }
    // (from, to, duration) of the animation recorded for `property`.
    std::optional<std::tuple<V, V, double>> recorded(AnimatedProperty property) const {
        for (const auto& r : view->animations())
            if (r.property == property) return std::tuple(r.from, r.to, r.duration);
        return std::nullopt;
    }
};

TEST_F(MainStateTest, NormalStateAnimatesOnlyOnScreen) {
    const std::tuple<Rect, Rect, bool, bool> cases[] = {
        {{-500, 100, 100, 50}, {-400, 100, 100, 50}, true, false},  // off screen: at once
        {{10, 10, 100, 50}, {20, 10, 100, 50}, false, false},
        {{10, 10, 100, 50}, {20, 10, 100, 50}, true, true},
        {{-500, 10, 100, 50}, {0, 10, 100, 50}, true, true},  // either end on screen is enough
        {{300, 10, 100, 50}, {400, 10, 100, 50}, true, true},
    };
    for (const auto& [current, target, animated, expectAnimation] : cases) {
        SCOPED_TRACE(current.origin.x);
        place(current, target);
        view->updateMainState(animated);
        EXPECT_EQ(view->frame(), target);
        EXPECT_EQ(view->alpha(), 0.5);
        EXPECT_TRUE(view->transform().isIdentity());
        EXPECT_FALSE(recorded(AnimatedProperty::transform));
        if (expectAnimation) {
            EXPECT_EQ(recorded(AnimatedProperty::alpha), std::tuple(V(1.0), V(0.5), 0.5));
            // From the unscaled box: the scale is dropped before the move.
            const Rect unscaled{current.midX() - current.width() / 3,
                                current.midY() - current.height() / 3, current.width() / 1.5,
                                current.height() / 1.5};
            EXPECT_EQ(recorded(AnimatedProperty::frame), std::tuple(V(unscaled), V(target), 0.5));
        } else {
            EXPECT_TRUE(view->animations().empty());
        }
    }
}

TEST_F(MainStateTest, MainStateEnlargesAroundTheInitialFrame) {
    view->isMainAnn = true;
    place({100, 100, 100, 50}, {100, 100, 100, 50});
    view->updateMainState(true);
    EXPECT_EQ(view->frame(), (Rect{75, 87.5, 150, 75}));
    EXPECT_EQ(view->alpha(), 1);
    EXPECT_EQ(view->transform(), Transform::scale(1.5, 1.5));
    EXPECT_EQ(view->bounds(), (Rect{0, 0, 100, 50}));  // drawn 1.5 times, once
    EXPECT_EQ(recorded(AnimatedProperty::alpha), std::tuple(V(0.5), V(1.0), 0.5));

    place({-900, 100, 100, 50}, {-800, 100, 100, 50});
    view->updateMainState(true);
    EXPECT_EQ(view->frame(), (Rect{-825, 87.5, 150, 75}));
    EXPECT_TRUE(view->animations().empty());
}

TEST_F(MainStateTest, ScaleTransformOnlyUnderItsConditions) {
    view->isMainAnn = true;
    // (current height, has a superview, system version, scaled); the enlarged height is 75.
    const std::tuple<double, bool, const char*, bool> cases[] = {
        {50, true, "17.0", true},      {75.01, true, "17.0", true}, {75, true, "17.0", false},
        {75.004, true, "17.0", false}, {0, true, "17.0", false},    {50, false, "17.0", false},
        {50, true, "10.3", false},     {50, true, "11", true},      {50, true, "9.0", false},
        {50, true, "", false}};
    for (const auto& [height, attached, version, scaled] : cases) {
        SCOPED_TRACE(testing::Message() << height << " " << attached << " " << version);
        if (attached)
            parent->addSubview(view);
        else
            view->removeFromSuperview();
        platformContext().device().setSystemVersion(version);
        place({100, 100, 100, height}, {100, 100, 100, 50});
        view->updateMainState(false);
        EXPECT_EQ(!view->transform().isIdentity(), scaled);
        EXPECT_EQ(view->frame(), (Rect{75, 87.5, 150, 75}));
        EXPECT_EQ(view->alpha(), 1);
    }
}

}  // namespace
}  // namespace arquorel
