#include "arquorel/platform/ui/ScrollView.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "arquorel/platform/ui/Window.h"
#include "sim/device/SimPlatform.h"
#include "sim/device/TouchDriver.h"

namespace arquorel {
namespace {

struct Recorder : ScrollViewDelegate {
    std::vector<Point> offsets;
    void scrollViewDidScroll(ScrollView& view) override { offsets.push_back(view.contentOffset()); }
};

struct Scene {
    sim::SimPlatform device;
    std::shared_ptr<Window> window = std::make_shared<Window>(Rect{0, 0, 200, 400});
    std::shared_ptr<ScrollView> scroll = std::make_shared<ScrollView>(Rect{0, 0, 200, 300});
    std::shared_ptr<Recorder> recorder = std::make_shared<Recorder>();
    sim::TouchDriver finger{device, window};
    Scene() {
        window->addSubview(scroll);
        scroll->setDelegate(recorder);
    }
};

TEST(ScrollViewTest, PanScrollsOnlyTheAxesWhoseContentIsLargerWithinTheInset) {
    struct Case {
        const char* name;
        Size content;
        Insets inset;
        Point from, to;
        Point expected;
    };
    const Case cases[] = {
        {"up by 100", {200, 1000}, {}, {100, 250}, {100, 150}, {0, 100}},
        {"sideways ignored on a tall content", {200, 1000}, {}, {150, 150}, {50, 150}, {0, 0}},
        {"clamped at the far end", {200, 400}, {}, {100, 290}, {100, 10}, {0, 100}},
        {"clamped at the start with an inset",
         {200, 1000},
         {20, 0, 0, 0},
         {100, 10},
         {100, 200},
         {0, -20}},
        {"bottom inset adds room", {200, 400}, {0, 0, 50, 0}, {100, 290}, {100, 10}, {0, 150}},
        {"content that fits stays", {200, 250}, {}, {100, 250}, {100, 50}, {0, 0}},
        {"wide content scrolls sideways",
         {600, 300},
         {0, 15, 0, 0},
         {150, 150},
         {10, 150},
         {140, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Scene s;
        s.scroll->setContentSize(c.content);
        s.scroll->setContentInset(c.inset);
        s.finger.drag(c.from, c.to, 0.3, 10);
        EXPECT_EQ(s.scroll->contentOffset(), c.expected);
        // The content view moves opposite to the offset.
        EXPECT_EQ(s.scroll->contentView()->frame().origin, (Point{-c.expected.x, -c.expected.y}));
    }
}

TEST(ScrollViewTest, DelegateHearsEveryChangeAndIndicatorsShowOnlyWhileDragging) {
    Scene s;
    s.scroll->setContentSize({200, 900});
    s.scroll->setContentOffset({0, 30});
    s.scroll->setContentOffset({0, 30});  // no change, no call
    ASSERT_EQ(s.recorder->offsets, (std::vector<Point>{{0, 30}}));

    bool shownWhileDragging = false;
    struct Watcher : ScrollViewDelegate {
        bool* seen;
        void scrollViewDidScroll(ScrollView& v) override {
            if (!isEmpty(v.verticalIndicatorRect())) *seen = true;
            EXPECT_TRUE(isEmpty(v.horizontalIndicatorRect()));  // content is not wider
        }
    };
    auto watcher = std::make_shared<Watcher>();
    watcher->seen = &shownWhileDragging;
    s.scroll->setDelegate(watcher);
    s.finger.drag({100, 200}, {100, 100}, 0.3, 5);
    EXPECT_TRUE(shownWhileDragging);
    EXPECT_FALSE(s.scroll->isDragging());
    EXPECT_TRUE(isEmpty(s.scroll->verticalIndicatorRect()));
    EXPECT_EQ(s.scroll->contentOffset(), (Point{0, 130}));

    s.scroll->setShowsVerticalScrollIndicator(false);
    shownWhileDragging = false;
    s.finger.drag({100, 200}, {100, 150}, 0.3, 5);
    EXPECT_FALSE(shownWhileDragging);

    s.scroll->setScrollEnabled(false);
    s.finger.drag({100, 200}, {100, 100}, 0.3, 5);
    EXPECT_EQ(s.scroll->contentOffset(), (Point{0, 180}));
}

// Each indicator runs along its edge, as long as the visible share of the content (never
// shorter than the minimum), and moves from the track's start to its end as the content scrolls.
TEST(ScrollViewTest, IndicatorsShowTheVisibleShareAndWhereItIs) {
    struct Last : ScrollViewDelegate {
        Rect horizontal, vertical;
        void scrollViewDidScroll(ScrollView& v) override {
            horizontal = v.horizontalIndicatorRect();
            vertical = v.verticalIndicatorRect();
        }
    };
    struct Case {
        const char* name;
        Size content;
        Insets inset;
        Point from, to;
        Rect horizontal, vertical;  // while the finger is still down
    };
    // The scroll view is 200x300; an indicator's track is its edge less 3 points at each end.
    const Case cases[] = {
        {"both axes, a third of the content seen",
         {600, 900},
         {},
         {150, 250},
         {50, 150},
         {3 + 0.25 * (194 - 194.0 / 3), 294.5, 194.0 / 3, 2.5},
         {194.5, 3 + (294 - 98) / 6.0, 2.5, 98}},
        {"a long content gets the shortest indicator",
         {200, 20000},
         {},
         {100, 250},
         {100, 50},
         {},
         {194.5, 3 + 200 / 19700.0 * (294 - 36), 2.5, 36}},
        {"at the far end the indicator ends at the track's end",
         {200, 400},
         {},
         {100, 290},
         {100, 10},
         {},
         {194.5, 3 + 294 - 220.5, 2.5, 220.5}},
        {"at the start with an inset the indicator starts at the track's start",
         {200, 1000},
         {20, 0, 0, 0},
         {100, 10},
         {100, 200},
         {},
         {194.5, 3, 2.5, 294 * 300 / 1020.0}},
    };
    const auto expectNear = [](Rect actual, Rect expected) {
        EXPECT_NEAR(actual.x(), expected.x(), 1e-9);
        EXPECT_NEAR(actual.y(), expected.y(), 1e-9);
        EXPECT_NEAR(actual.width(), expected.width(), 1e-9);
        EXPECT_NEAR(actual.height(), expected.height(), 1e-9);
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Scene s;
        auto last = std::make_shared<Last>();
        s.scroll->setDelegate(last);
        s.scroll->setContentSize(c.content);
        s.scroll->setContentInset(c.inset);
        s.finger.drag(c.from, c.to, 0.3, 10);
        expectNear(last->horizontal, c.horizontal);
        expectNear(last->vertical, c.vertical);
    }
}

}  // namespace
}  // namespace arquorel
