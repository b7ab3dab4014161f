#include "arquorel/arcore/ARAnnotationView.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "arquorel/platform/runtime/PlatformContext.h"
#include "sim/device/SimPlatform.h"

namespace arquorel {
namespace {

// Records its hooks; builds a subview in initialize(), as card views do.
class HookView : public ARAnnotationView {
  public:
    explicit HookView(Rect frame = {}) : ARAnnotationView(frame) {}
    std::vector<std::string> calls;
    std::shared_ptr<View> content;
    void initialize() override {
        calls.push_back("initialize");
        content = std::make_shared<View>(bounds());
        addSubview(content);
    }
    void bindUi() override { calls.push_back("bindUi"); }
};

TEST(ARAnnotationViewTest, ANewViewHasItsInitialValues) {
    auto view = ARAnnotationView::create();
    EXPECT_EQ(view->frame(), Rect{});
    EXPECT_EQ(view->centerOffset(), (Point{0.5, 0.5}));
    EXPECT_EQ(view->annotation(), nullptr);
    EXPECT_EQ(view->arStackOffset, Point{});
    EXPECT_EQ(view->arStackAlternateFrame, Rect{});
    EXPECT_EQ(view->arZeroPoint, Point{});
    EXPECT_EQ(view->initialFrame, Rect{});
    EXPECT_FALSE(view->disableMove);
    EXPECT_FALSE(view->isMainAnn);
    EXPECT_TRUE(view->initialized());
    EXPECT_EQ(view->alpha(), 1);
    EXPECT_TRUE(view->transform().isIdentity());
    EXPECT_EQ(ARAnnotationView::create({1, 2, 3, 4})->frame(), (Rect{1, 2, 3, 4}));
}

TEST(ARAnnotationViewTest, InitializeRunsOnceHoweverTheViewIsBuilt) {
    auto framed = ARAnnotationView::make<HookView>(Rect{0, 0, 120, 66});
    EXPECT_EQ(framed->calls, std::vector<std::string>{"initialize"});
    EXPECT_TRUE(framed->initialized());
    // The subview made in initialize() is properly attached.
    EXPECT_EQ(framed->content->superview(), framed);
    EXPECT_EQ(framed->content->frame(), (Rect{0, 0, 120, 66}));

    auto archived = ARAnnotationView::fromArchive<HookView>();
    EXPECT_EQ(archived->calls, (std::vector<std::string>{"initialize", "bindUi"}));
    EXPECT_EQ(archived->frame(), Rect{});
}

// A view in a window-sized parent on a 375 x 812 screen, last placed at `initial`.
struct MainStateTest : ::testing::Test {
    sim::SimPlatform device;
    std::shared_ptr<View> parent = std::make_shared<View>(Rect{0, 0, 375, 812});
    std::shared_ptr<ARAnnotationView> view = ARAnnotationView::create();

    void SetUp() override {
        platformContext().device().setMainScreenBounds({0, 0, 375, 812});
        platformContext().device().setSystemVersion("17.0");
        parent->addSubview(view);
    }
    void place(Rect current, Rect initial) {
        view->setFrame(current);
        view->initialFrame = initial;
        view->clearAnimations();
    }
    const AnimationRecord* recorded(AnimatedProperty property) const {
        for (const auto& r : view->animations())
            if (r.property == property) return &r;
        return nullptr;
    }
};

TEST_F(MainStateTest, NormalStateOffScreenIsAppliedAtOnceEvenWhenAnimated) {
    place({-500, 100, 100, 50}, {-400, 100, 100, 50});
    view->setTransform(Transform::scale(1.5, 1.5));
    view->clearAnimations();
    view->updateMainState(true);
    EXPECT_EQ(view->frame(), (Rect{-400, 100, 100, 50}));
    EXPECT_EQ(view->alpha(), 0.5);
    EXPECT_TRUE(view->transform().isIdentity());
    EXPECT_TRUE(view->animations().empty());
}

TEST_F(MainStateTest, NormalStateOnScreenAnimatesOverHalfASecond) {
    // Either end on screen is enough.
    for (const auto& [current, target] :
         {std::pair{Rect{10, 10, 100, 50}, Rect{20, 10, 100, 50}},
          std::pair{Rect{-500, 10, 100, 50}, Rect{0, 10, 100, 50}},
          std::pair{Rect{300, 10, 100, 50}, Rect{400, 10, 100, 50}}}) {
        place(current, target);
        view->setAlpha(1);
        view->setTransform(Transform::scale(1.5, 1.5));
        view->clearAnimations();
        view->updateMainState(true);
        EXPECT_EQ(view->frame(), target);  // the model changes at once
        EXPECT_EQ(view->alpha(), 0.5);
        EXPECT_TRUE(view->transform().isIdentity());
        const AnimationRecord* alpha = recorded(AnimatedProperty::alpha);
        const AnimationRecord* frame = recorded(AnimatedProperty::frame);
        ASSERT_NE(alpha, nullptr);
        ASSERT_NE(frame, nullptr);
        EXPECT_EQ(alpha->duration, 0.5);
        EXPECT_EQ(alpha->to, AnimationRecord::Value(0.5));
        EXPECT_EQ(frame->duration, 0.5);
        EXPECT_EQ(frame->from, AnimationRecord::Value(current));
        EXPECT_EQ(frame->to, AnimationRecord::Value(target));
        EXPECT_EQ(recorded(AnimatedProperty::transform), nullptr);  // reset outside the block
    }
}

TEST_F(MainStateTest, NormalStateWithoutAnimationIsImmediate) {
    place({10, 10, 100, 50}, {20, 10, 100, 50});
    view->updateMainState(false);
    EXPECT_EQ(view->frame(), (Rect{20, 10, 100, 50}));
    EXPECT_EQ(view->alpha(), 0.5);
    EXPECT_TRUE(view->animations().empty());
}

TEST_F(MainStateTest, MainStateEnlargesAroundTheInitialFrame) {
    view->isMainAnn = true;
    place({100, 100, 100, 50}, {100, 100, 100, 50});
    view->setAlpha(0.5);
    view->clearAnimations();
    view->updateMainState(true);
    EXPECT_EQ(view->frame(), (Rect{75, 87.5, 150, 75}));
    EXPECT_EQ(view->alpha(), 1);
    EXPECT_EQ(view->transform(), Transform::scale(1.5, 1.5));
    ASSERT_NE(recorded(AnimatedProperty::frame), nullptr);
    EXPECT_EQ(recorded(AnimatedProperty::frame)->duration, 0.5);
    EXPECT_EQ(recorded(AnimatedProperty::alpha)->duration, 0.5);

    // Off screen: at once.
    place({-900, 100, 100, 50}, {-800, 100, 100, 50});
    view->updateMainState(true);
    EXPECT_EQ(view->frame(), (Rect{-825, 87.5, 150, 75}));
    EXPECT_EQ(recorded(AnimatedProperty::frame), nullptr);
}

TEST_F(MainStateTest, ScaleTransformOnlyUnderItsConditions) {
    view->isMainAnn = true;
    const Rect initial{100, 100, 100, 50};  // enlarged height 75
    struct Case {
        const char* what;
        double currentHeight;
        bool attached;
        const char* version;
        bool scaled;
    };
    const Case cases[] = {
        {"normal size", 50, true, "17.0", true},
        {"rounded heights differ", 75.01, true, "17.0", true},
        {"already enlarged", 75, true, "17.0", false},
        {"enlarged to two decimals", 75.004, true, "17.0", false},
        {"zero height", 0, true, "17.0", false},
        {"no superview", 50, false, "17.0", false},
        {"system 10", 50, true, "10.3", false},
        {"system 11", 50, true, "11", true},
        {"system 9 (numeric, not textual)", 50, true, "9.0", false},
        {"no version", 50, true, "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.attached)
            parent->addSubview(view);
        else
            view->removeFromSuperview();
        platformContext().device().setSystemVersion(c.version);
        place({100, 100, 100, c.currentHeight}, initial);
        view->setTransform(Transform::identity());
        view->clearAnimations();
        view->updateMainState(false);
        EXPECT_EQ(!view->transform().isIdentity(), c.scaled);
        EXPECT_EQ(view->frame(), (Rect{75, 87.5, 150, 75}));
        EXPECT_EQ(view->alpha(), 1);
    }
}

TEST_F(MainStateTest, SwitchingBackToNormalUndoesTheEmphasis) {
    view->isMainAnn = true;
    place({100, 100, 100, 50}, {100, 100, 100, 50});
    view->updateMainState(false);
    view->isMainAnn = false;
    view->updateMainState(false);
    EXPECT_EQ(view->frame(), (Rect{100, 100, 100, 50}));
    EXPECT_EQ(view->alpha(), 0.5);
    EXPECT_TRUE(view->transform().isIdentity());
}

}  // namespace
}  // namespace arquorel
