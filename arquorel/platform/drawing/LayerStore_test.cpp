#include "arquorel/platform/drawing/LayerStore.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <functional>
#include <new>
#include <optional>
#include <string>

#include "arquorel/platform/drawing/DisplayList.h"
#include "arquorel/platform/drawing/Renderer.h"
#include "arquorel/platform/ui/View.h"
#include "sim/device/SimPlatform.h"

// Allocations counted while `countingAllocations` is set.
namespace {
std::atomic<bool> countingAllocations{false};
std::atomic<std::size_t> allocations{0};
}  // namespace

// Every form is replaced, so that what one form allocates another may free (the sanitizer
// checks that new and delete match).
void* operator new(std::size_t size) {
    if (countingAllocations) ++allocations;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
    return operator new(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    if (countingAllocations) ++allocations;
    return std::malloc(size ? size : 1);
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept {
    return operator new(size, tag);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
    std::free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
    std::free(p);
}

namespace arquorel {
namespace {

const Color kRed{1, 0, 0, 1}, kBlue{0, 0, 1, 1};

// A layer-backed card with a coloured dot inside, over a plain screen.
struct Scene {
    sim::SimPlatform device;
    std::shared_ptr<View> screen = std::make_shared<View>(Rect{0, 0, 200, 300});
    std::shared_ptr<View> card = std::make_shared<View>(Rect{20, 30, 100, 40});
    std::shared_ptr<View> dot = std::make_shared<View>(Rect{5, 5, 10, 10});
    LayerStore layers{2};
    Scene() {
        screen->setBackgroundColor(kBlue);
        card->setLayerBacked(true);
        card->setBackgroundColor(kRed);
        card->addSubview(dot);
        screen->addSubview(card);
    }
    // Draws a frame; the steps drawn, empty when the frame drew nothing.
    std::vector<std::string> frame() {
        DisplayList list;
        Renderer().renderFrame(*screen, list, layers);
        return list.descriptions();
    }
    std::uint64_t redraws() const { return layers.stats().redraws; }
};

bool hasLayerStep(const std::vector<std::string>& steps, const View& view) {
    const std::string prefix = "layer #" + std::to_string(view.layerId()) + " ";
    for (const auto& s : steps)
        if (s.rfind(prefix, 0) == 0) return true;
    return false;
}

TEST(LayerStoreTest, AFrameWhereNothingChangedDrawsNothing) {
    Scene s;
    const auto first = s.frame();
    EXPECT_TRUE(hasLayerStep(first, *s.card));
    EXPECT_EQ(s.redraws(), 1u);
    EXPECT_TRUE(s.frame().empty());
    // Less than a tenth of a point, even when it builds up over frames, counts as still.
    s.card->setFrame(offsetBy(s.card->frame(), 0.06, 0));
    EXPECT_TRUE(s.frame().empty());
    s.card->setFrame(offsetBy(s.card->frame(), 0.06, 0));
    EXPECT_FALSE(s.frame().empty());
    EXPECT_EQ(s.layers.stats().idleFrames, 2u);
    // A view drawn in place that changed is drawn, though no layer changed.
    s.screen->setBackgroundColor(kRed);
    EXPECT_FALSE(s.frame().empty());
    EXPECT_EQ(s.redraws(), 1u);
}

// Most frames change nothing: telling them apart must cost next to nothing, however much is
// drawn in place around the layers.
TEST(LayerStoreTest, AFrameWhereNothingChangedAllocatesNothing) {
    Scene s;
    auto title = std::make_shared<View>(Rect{10, 200, 150, 30});
    title->setBackgroundColor(kRed);
    title->layer().cornerRadius = 6;
    title->layer().shadowOpacity = 0.5;
    s.screen->addSubview(title);
    s.frame();
    DisplayList list;
    allocations = 0;
    countingAllocations = true;
    const bool drew = Renderer().renderFrame(*s.screen, list, s.layers);
    countingAllocations = false;
    EXPECT_FALSE(drew);
    EXPECT_EQ(allocations.load(), 0u);
    EXPECT_EQ(s.layers.stats().idleFrames, 1u);
    EXPECT_EQ(s.layers.stats().frames, 2u);
}

// A view whose picture changes without a setter, as a camera's does, or that pans.
class LiveView : public View {
  public:
    using View::View;
    std::uint64_t key = 1;
    std::optional<PannedDrawing> panned;
    std::uint64_t liveContentKey() const override { return key; }
    std::optional<PannedDrawing> pannedDrawing() const override { return panned; }
    bool drawsWithoutSetters() const override { return true; }
};

// Once a frame found nothing changed, the next ones are told apart without walking the views,
// until any setter under the root changes something or a view drawing without setters
// changes its picture: each such change draws again.
TEST(LayerStoreTest, AQuietScreenIsToldApartWithoutAWalkUntilAnythingChanges) {
    struct Change {
        const char* what;
        std::function<void(Scene&, LiveView&)> apply;
    };
    const std::vector<Change> changes = {
        {"a subview inside a layer moves",
         [](Scene& s, LiveView&) { s.dot->setFrame(offsetBy(s.dot->frame(), 1, 0)); }},
        {"a subview inside a layer changes colour",
         [](Scene& s, LiveView&) { s.dot->setBackgroundColor(kBlue); }},
        {"a layer hides", [](Scene& s, LiveView&) { s.card->setHidden(true); }},
        {"a view fades", [](Scene&, LiveView& live) { live.setAlpha(0.5); }},
        {"a view is added",
         [](Scene& s, LiveView&) {
             auto extra = std::make_shared<View>(Rect{0, 250, 40, 40});
             extra->setBackgroundColor(kRed);
             s.screen->addSubview(extra);
         }},
        {"the root moves",
         [](Scene& s, LiveView&) { s.screen->setFrame(offsetBy(s.screen->frame(), 0, 20)); }},
        {"a live picture changes", [](Scene&, LiveView& live) { ++live.key; }},
        {"a panned drawing pans", [](Scene&, LiveView& live) { live.panned->offset.x += 3; }},
        {"a panned drawing changes", [](Scene&, LiveView& live) { ++live.panned->key; }},
    };
    for (const auto& change : changes) {
        SCOPED_TRACE(change.what);
        Scene s;
        auto live = std::make_shared<LiveView>(Rect{120, 200, 60, 60});
        live->setBackgroundColor(kRed);
        live->panned = View::PannedDrawing{7, {0, 0}, 10};
        s.screen->addSubview(live);
        ASSERT_FALSE(s.frame().empty());
        EXPECT_TRUE(s.frame().empty());  // found unchanged by walking the views
        EXPECT_TRUE(s.frame().empty());  // told at once
        EXPECT_EQ(s.layers.stats().quietFrames, 1u);
        change.apply(s, *live);
        EXPECT_FALSE(s.frame().empty());
        EXPECT_EQ(s.layers.stats().quietFrames, 1u);
        // Quiet again after a walk.
        EXPECT_TRUE(s.frame().empty());
        EXPECT_TRUE(s.frame().empty());
        EXPECT_EQ(s.layers.stats().quietFrames, 2u);
    }
}

// A view off the screen is left out unless what it draws reaches onto it: that extent follows
// its subviews as they move out and back, frame after frame.
TEST(LayerStoreTest, AViewIsLeftOutOnlyWhileNothingItDrawsIsOnTheScreen) {
    Scene s;
    s.card->setFrame({210, 30, 100, 40});  // right of the 200-point screen
    EXPECT_FALSE(hasLayerStep(s.frame(), *s.card));
    s.dot->setFrame({-30, 5, 10, 10});  // reaches back onto the screen
    EXPECT_TRUE(hasLayerStep(s.frame(), *s.card));
    s.dot->setFrame({5, 5, 10, 10});
    EXPECT_FALSE(hasLayerStep(s.frame(), *s.card));
    s.card->layer().shadowOpacity = 0.5;  // a shadow thrown far to the left
    s.card->layer().shadowOffset = {-40, 0};
    EXPECT_TRUE(hasLayerStep(s.frame(), *s.card));
}

// A view whose drawing sets every pixel of its bounds, as a camera's picture does.
class PictureView : public View {
  public:
    using View::View;
    bool covers = true;
    void draw(Painter& painter) const override { painter.fillRect(bounds(), kRed); }
    bool coversBounds() const override { return covers; }
};

// The screen's background under a first subview that hides it (a picture covering its
// bounds, or an opaque square background) is left out of the frame, only where that subview
// covers it, opaque, upright and on whole pixels (2 a point here).
TEST(LayerStoreTest, ABackgroundUnderAnOpaqueFirstSubviewIsLeftOut) {
    const std::string whole = "fill rect(0,0,200,300) #0000FF";
    struct Case {
        const char* what;
        Rect frame;
        std::vector<std::string> background;  // the screen's fills
        double alpha = 1;
        bool layered = false;
        bool covers = true;
        Color color = Color::clear();
        double cornerRadius = 0;
    };
    const Case cases[] = {
        {"the screen", {0, 0, 200, 300}, {}},
        {"past the screen on whole pixels", {-0.5, -10, 201, 320}, {}},
        {"short of the bottom", {0, 0, 200, 299.5}, {"fill rect(0,299.5,200,0.5) #0000FF"}},
        {"a band across",
         {-5, 100, 210, 50},
         {"fill rect(0,0,200,100) #0000FF", "fill rect(0,150,200,150) #0000FF"}},
        {"a band down",
         {50, 0, 100, 300},
         {"fill rect(0,0,50,300) #0000FF", "fill rect(150,0,50,300) #0000FF"}},
        {"a corner", {0, 0, 100, 100}, {whole}},
        {"an opaque list below a header",
         {0, 40, 200, 260},
         {"fill rect(0,0,200,40) #0000FF"},
         1,
         false,
         false,
         kRed},
        {"an opaque list with round corners", {0, 0, 200, 300}, {whole}, 1, false, false, kRed, 8},
        {"a half transparent list",
         {0, 0, 200, 300},
         {whole},
         1,
         false,
         false,
         kRed.withAlpha(0.5)},
        {"off the pixel grid", {-0.25, 0, 200.5, 300}, {whole}},
        {"not quite opaque", {0, 0, 200, 300}, {whole}, 0.99},
        {"in a layer", {0, 0, 200, 300}, {whole}, 1, true},
        {"not covering its bounds", {0, 0, 200, 300}, {whole}, 1, false, false},
    };
    const auto fills = [](const std::vector<std::string>& steps) {
        std::vector<std::string> found;
        for (const auto& s : steps)
            if (s.find("#0000FF") != std::string::npos) found.push_back(s);
        return found;
    };
    for (const auto& c : cases) {
        Scene s;
        auto picture = std::make_shared<PictureView>(c.frame);
        picture->setAlpha(c.alpha);
        picture->setLayerBacked(c.layered);
        picture->covers = c.covers;
        picture->setBackgroundColor(c.color);
        picture->layer().cornerRadius = c.cornerRadius;
        s.screen->insertSubview(picture, 0);
        const auto steps = s.frame();
        EXPECT_EQ(fills(steps), c.background) << c.what;
        EXPECT_TRUE(hasLayerStep(steps, *s.card)) << c.what;
        // Only the first subview hides what is under it.
        s.screen->insertSubview(std::make_shared<View>(Rect{0, 0, 10, 10}), 0);
        EXPECT_EQ(fills(s.frame()), std::vector<std::string>{whole}) << c.what;
    }
}

TEST(LayerStoreTest, ALayerIsDrawnAgainOnlyWhenWhatItShowsChanged) {
    Scene s;
    s.frame();
    // Moving and turning the card composites the same layer.
    s.card->setFrame(offsetBy(s.card->frame(), 7.25, 3));
    s.card->setTransform(Transform::rotation(0.3));
    EXPECT_TRUE(hasLayerStep(s.frame(), *s.card));
    EXPECT_EQ(s.redraws(), 1u);
    // Its colour, and a subview inside it moving or going, draw it again.
    s.card->setBackgroundColor(kBlue);
    s.frame();
    EXPECT_EQ(s.redraws(), 2u);
    s.card->setBackgroundColor(kBlue);  // the same colour: nothing to draw
    s.dot->setFrame(offsetBy(s.dot->frame(), 1, 0));
    s.frame();
    EXPECT_EQ(s.redraws(), 3u);
    s.dot->removeFromSuperview();
    s.frame();
    EXPECT_EQ(s.redraws(), 4u);
    // A change outside the card leaves its layer alone.
    s.screen->setBackgroundColor(kRed);
    s.frame();
    EXPECT_EQ(s.redraws(), 4u);
}

TEST(LayerStoreTest, LayersStayWithinTheBudgetAndGoWithTheirViews) {
    Scene s;
    // Two cards of 100x40 points at 2 pixels a point (with a margin) fit; a third does not.
    const std::size_t card = LayerShape{0, {-2, -2, 104, 44}, 2, 2, {}}.bytes();
    LayerStore small(2, {}, 2 * card + card / 2);
    auto second = std::make_shared<View>(Rect{20, 100, 100, 40});
    second->setLayerBacked(true);
    second->setBackgroundColor(kBlue);
    s.screen->addSubview(second);
    DisplayList list;
    Renderer().renderFrame(*s.screen, list, small);
    EXPECT_EQ(small.size(), 2u);
    EXPECT_LE(small.bytes(), small.budget());

    // A third card in the same frame is drawn in place, its steps in the frame.
    auto third = std::make_shared<View>(Rect{20, 170, 100, 40});
    third->setLayerBacked(true);
    third->setBackgroundColor(Color{0, 1, 0, 1});
    s.screen->addSubview(third);
    list.clear();
    Renderer().renderFrame(*s.screen, list, small);
    EXPECT_EQ(small.stats().unlayered, 1u);
    EXPECT_FALSE(hasLayerStep(list.descriptions(), *third));
    EXPECT_NE(std::find(list.descriptions().begin(), list.descriptions().end(),
                        "fill rect(0,0,100,40) #00FF00"),
              list.descriptions().end());
    EXPECT_LE(small.bytes(), small.budget());

    // Hidden for a frame, the first card is the least recently drawn and makes room.
    s.card->setHidden(true);
    Renderer().renderFrame(*s.screen, list, small);
    EXPECT_EQ(small.stats().evictions, 1u);
    EXPECT_EQ(small.size(), 2u);

    // A view that goes frees its layer at the next frame.
    third->removeFromSuperview();
    third.reset();
    Renderer().renderFrame(*s.screen, list, small);
    EXPECT_EQ(small.size(), 1u);
    EXPECT_EQ(small.bytes(), card);
}

TEST(LayerStoreTest, TheBudgetFollowsThePixelsAPointHolds) {
    EXPECT_EQ(LayerStore::defaultBudget(3), std::size_t(32) << 20);
    EXPECT_EQ(LayerStore::defaultBudget(1.5), std::size_t(8) << 20);
    EXPECT_EQ(LayerStore(2, {}, 1000).budget(), 1000u);
}

}  // namespace
}  // namespace arquorel
