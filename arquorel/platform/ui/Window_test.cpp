#include "arquorel/platform/ui/Window.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "arquorel/platform/ui/GestureRecognizer.h"
#include "arquorel/platform/ui/ScrollView.h"
#include "arquorel/platform/ui/TableView.h"
#include "sim/device/SimPlatform.h"

namespace arquorel {
namespace {

using Log = std::shared_ptr<std::vector<std::string>>;

std::string stateName(GestureState s) {
    static const char* const kNames[] = {"possible", "began",     "changed",
                                         "ended",    "cancelled", "failed"};
    return kNames[static_cast<int>(s)];
}

// A view with a tap, a pan and a long press made in its constructor, as the platform's own
// views make theirs; their actions reach the pad through the recogniser only. It logs what its
// gestures and its own touch handling see.
class Pad : public View {
  public:
    Pad(Rect frame, Log log) : View(frame), log_(std::move(log)) {
        for (const auto& r : std::vector<std::shared_ptr<GestureRecognizer>>{
                 std::make_shared<PanGestureRecognizer>(GestureRecognizer::forView(&Pad::pan)),
                 std::make_shared<LongPressGestureRecognizer>(
                     GestureRecognizer::forView(&Pad::press)),
                 std::make_shared<TapGestureRecognizer>(GestureRecognizer::forView(&Pad::tap)),
             }) {
            r->setCancelsTouchesInView(false);
            addGestureRecognizer(r);
        }
    }
    void touchesBegan(const Touch&) override { log_->push_back("touch began"); }
    void touchesEnded(const Touch&) override { log_->push_back("touch ended"); }
    void touchesCancelled(const Touch&) override { log_->push_back("touch cancelled"); }

  private:
    void pan(GestureRecognizer& r) { log_->push_back("pan " + stateName(r.state())); }
    void press(GestureRecognizer& r) { log_->push_back("press " + stateName(r.state())); }
    void tap(GestureRecognizer& r) { log_->push_back("tap " + stateName(r.state())); }
    Log log_;
};

struct Stage {
    sim::SimPlatform device;
    std::shared_ptr<Window> window = std::make_shared<Window>(Rect{0, 0, 300, 300});
    std::shared_ptr<View> screen = std::make_shared<View>(Rect{0, 0, 300, 300});
    Log log = std::make_shared<std::vector<std::string>>();
    std::shared_ptr<Pad> pad = std::make_shared<Pad>(Rect{50, 50, 200, 200}, log);
    Stage() {
        window->addSubview(screen);
        screen->addSubview(pad);
    }
};

// A finger rests on a view whose screen closes: whether the screen is only taken off the
// window or freed, the rest of the touch reaches none of its gestures but as a cancellation,
// and the window does not keep the view alive.
TEST(WindowTouchTest, ATouchWhoseViewLeftTheWindowIsCancelled) {
    for (const bool freed : {false, true}) {
        SCOPED_TRACE(freed ? "the screen is freed" : "the screen is taken off the window");
        Stage s;
        std::weak_ptr<Pad> weakPad = s.pad;
        s.window->sendTouch(TouchPhase::began, {100, 100});
        s.window->sendTouch(TouchPhase::moved, {130, 100});  // past the pan's slop
        EXPECT_EQ(*s.log, (std::vector<std::string>{"touch began", "pan began"}));
        s.log->clear();

        s.screen->removeFromSuperview();
        if (freed) {
            s.screen.reset();
            s.pad.reset();
            EXPECT_TRUE(weakPad.expired()) << "the touch keeps the view alive";
            EXPECT_EQ(s.window->touchedView(), nullptr);
        }
        s.window->sendTouch(TouchPhase::moved, {160, 100});
        s.window->sendTouch(TouchPhase::ended, {160, 100});
        // Taken off the window, the pad still hears that its gesture and touch ended as
        // cancelled; freed, it hears nothing.
        const std::vector<std::string> expected =
            freed ? std::vector<std::string>{}
                  : std::vector<std::string>{"pan cancelled", "touch cancelled"};
        EXPECT_EQ(*s.log, expected);
        EXPECT_EQ(s.window->touchedView(), nullptr);
    }
}

// A tap held on a view whose screen closes is not a tap on it when the finger lifts, and a
// long press whose screen closed before its time does not begin.
TEST(WindowTouchTest, NoGestureIsRecognisedOnAViewThatLeftTheWindow) {
    Stage s;
    s.window->sendTouch(TouchPhase::began, {100, 100});
    s.screen->removeFromSuperview();
    s.device.advance(1);  // the long press's time passes
    s.window->sendTouch(TouchPhase::ended, {100, 100});
    EXPECT_EQ(*s.log, (std::vector<std::string>{"touch began", "touch cancelled"}));

    // Back in the window, the same pad is tapped and long-pressed as before.
    s.window->addSubview(s.screen);
    s.log->clear();
    s.window->sendTouch(TouchPhase::began, {100, 100});
    s.window->sendTouch(TouchPhase::ended, {100, 100});
    s.window->sendTouch(TouchPhase::began, {100, 100});
    s.device.advance(1);
    s.window->sendTouch(TouchPhase::ended, {100, 100});
    EXPECT_EQ(*s.log,
              (std::vector<std::string>{"touch began", "tap ended", "touch ended", "touch began",
                                        "press began", "press ended", "touch ended"}));
}

// A recogniser taken off its view mid-touch leaves the touch: its actions stop at once (even
// one that does not go through its view), while the view keeps its own touch handling.
TEST(WindowTouchTest, ARecognizerDetachedMidTouchLeavesTheTouch) {
    Stage s;
    s.pad->gestureRecognizers().front()->setEnabled(false);  // the pad's own pan
    auto drag = std::make_shared<PanGestureRecognizer>(
        [log = s.log](GestureRecognizer& r) { log->push_back("drag " + stateName(r.state())); });
    drag->setCancelsTouchesInView(false);
    s.pad->addGestureRecognizer(drag);
    s.window->sendTouch(TouchPhase::began, {100, 100});
    s.window->sendTouch(TouchPhase::moved, {130, 100});
    ASSERT_EQ(s.log->back(), "drag began");
    s.pad->removeGestureRecognizer(*drag);
    s.log->clear();
    s.window->sendTouch(TouchPhase::moved, {160, 100});
    EXPECT_EQ(drag->state(), GestureState::possible);  // reset at once, ready for another view
    s.window->sendTouch(TouchPhase::ended, {160, 100});
    EXPECT_EQ(*s.log, (std::vector<std::string>{"touch ended"}));
}

// The platform's scrolling and table views under a finger when their screen goes.
TEST(WindowTouchTest, ScrollAndTableViewsFreedUnderAFingerAreNotReached) {
    struct Rows : TableViewDataSource, TableViewDelegate {
        std::vector<int> selected;
        int numberOfRows(TableView&) override { return 20; }
        std::shared_ptr<TableViewCell> cellForRow(TableView& table, int) override {
            return table.dequeueReusableCell("row");
        }
        void didSelectRow(TableView&, int row) override { selected.push_back(row); }
    };
    sim::SimPlatform device;
    auto window = std::make_shared<Window>(Rect{0, 0, 300, 300});
    auto rows = std::make_shared<Rows>();
    auto table = std::make_shared<TableView>(Rect{0, 0, 300, 300});
    table->registerCell("row", [] { return std::make_shared<TableViewCell>("row"); });
    table->setDataSource(rows);
    table->setTableDelegate(rows);
    table->setRowHeight(50);
    table->reloadData();
    window->addSubview(table);

    // A row held, then the table freed: lifting the finger selects nothing.
    window->sendTouch(TouchPhase::began, {100, 75});
    std::weak_ptr<TableView> weakTable = table;
    table->removeFromSuperview();
    table.reset();
    ASSERT_TRUE(weakTable.expired());
    window->sendTouch(TouchPhase::ended, {100, 75});
    EXPECT_TRUE(rows->selected.empty());

    // A scroll view being dragged when its window goes stops dragging.
    auto scroll = std::make_shared<ScrollView>(Rect{0, 0, 300, 300});
    scroll->setContentSize({300, 1000});
    window->addSubview(scroll);
    window->sendTouch(TouchPhase::began, {100, 200});
    window->sendTouch(TouchPhase::moved, {100, 150});
    ASSERT_TRUE(scroll->isDragging());
    window.reset();
    EXPECT_FALSE(scroll->isDragging());
    EXPECT_EQ(scroll->contentOffset(), (Point{0, 50}));  // where the finger left it
}

// Counts its layouts; `then` runs inside the layout.
struct Box : View {
    using View::View;
    int layouts = 0;
    std::function<void()> then;
    void layoutSubviews() override {
        ++layouts;
        if (then) then();
    }
};

// A layout pass visits only the subtrees holding a view marked for layout, so every way of
// marking one must reach the window: marking it, resizing it, and adding a view not laid out.
TEST(WindowLayoutTest, EveryViewMarkedForLayoutIsLaidOutInTheNextPass) {
    sim::SimPlatform device;
    auto window = std::make_shared<Window>(Rect{0, 0, 300, 300});
    window->makeKeyAndVisible();
    auto screen = std::make_shared<Box>(Rect{0, 0, 300, 300});
    auto card = std::make_shared<Box>(Rect{10, 10, 100, 40});
    auto label = std::make_shared<Box>(Rect{4, 4, 50, 20});
    card->addSubview(label);
    screen->addSubview(card);
    window->addSubview(screen);
    Window::layoutAllWindows();
    EXPECT_EQ(label->layouts, 1);
    EXPECT_FALSE(window->layoutPending());
    Window::layoutAllWindows();
    EXPECT_EQ(screen->layouts, 1);

    label->setNeedsLayout();
    EXPECT_TRUE(window->layoutPending());
    Window::layoutAllWindows();
    EXPECT_EQ(label->layouts, 2);
    EXPECT_EQ(card->layouts, 1);

    label->setFrame({4, 4, 60, 20});
    Window::layoutAllWindows();
    EXPECT_EQ(label->layouts, 3);

    // A view made and laid out apart, then marked, then added.
    auto badge = std::make_shared<Box>(Rect{0, 0, 10, 10});
    badge->layoutIfNeeded();
    badge->setNeedsLayout();
    card->addSubview(badge);
    Window::layoutAllWindows();
    EXPECT_EQ(badge->layouts, 2);

    // A layout marking a view not yet visited in the pass has it laid out in the same pass;
    // one marking a view already visited, in the next.
    screen->then = [&] { label->setNeedsLayout(); };
    card->then = [&] { screen->setNeedsLayout(); };
    screen->setNeedsLayout();
    Window::layoutAllWindows();
    EXPECT_EQ(label->layouts, 4);
    EXPECT_EQ(screen->layouts, 2);
    screen->then = nullptr;
    card->setNeedsLayout();
    Window::layoutAllWindows();
    EXPECT_TRUE(window->layoutPending());
    Window::layoutAllWindows();
    EXPECT_EQ(screen->layouts, 3);
    EXPECT_FALSE(window->layoutPending());
}

}  // namespace
}  // namespace arquorel
