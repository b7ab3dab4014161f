#include "sim/device/TouchDriver.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "arquorel/platform/ui/Control.h"
#include "arquorel/platform/ui/GestureRecognizer.h"
#include "arquorel/platform/ui/Window.h"
#include "sim/device/SimPlatform.h"

namespace arquorel::sim {
namespace {

using Log = std::vector<std::string>;

const char* stateName(GestureState s) {
    const char* names[] = {"possible", "began", "changed", "ended", "cancelled", "failed"};
    return names[static_cast<int>(s)];
}

struct Board {
    SimPlatform device;
    Log log;
    std::shared_ptr<Window> window = std::make_shared<Window>(Rect{0, 0, 400, 400});
    std::shared_ptr<View> pad = std::make_shared<View>(Rect{0, 0, 400, 300});
    std::shared_ptr<Control> button = std::make_shared<Control>(Rect{20, 20, 60, 40});
    TouchDriver finger{device, window};

    Board() {
        pad->setIdentifier("pad");
        button->setIdentifier("button");
        window->addSubview(pad);
        pad->addSubview(button);
        for (auto event : {ControlEvent::touchDown, ControlEvent::touchUpInside,
                           ControlEvent::touchUpOutside, ControlEvent::touchCancel}) {
            button->addAction(event, [this, event](Control&) {
                log.push_back("button " + std::to_string(static_cast<unsigned>(event)));
            });
        }
    }
    // Adds a recogniser to the pad that logs its states (with the pan's translation).
    template <class R, class... Args>
    std::shared_ptr<R> watch(const std::string& name, Args... args) {
        auto r = std::make_shared<R>(
            [this, name](GestureRecognizer& g) {
                // Appended piece by piece: g++ 12 at -O3 warns wrongly (-Wrestrict) about
                // "literal" + std::string temporaries.
                std::string line = name;
                line += ' ';
                line += stateName(g.state());
                if (auto* pan = dynamic_cast<PanGestureRecognizer*>(&g);
                    pan && g.state() == GestureState::ended) {
                    line += ' ';
                    line += std::to_string(static_cast<int>(pan->translation().x));
                }
                log.push_back(line);
            },
            args...);
        pad->addGestureRecognizer(r);
        return r;
    }
};

// Which recogniser wins each touch, and what the touched control sees.
TEST(TouchDriverTest, GestureArena) {
    struct Case {
        std::function<void(Board&)> setup;
        std::function<void(Board&)> gesture;
        std::string log;
    };
    const auto all = [](Board& b) {
        b.watch<TapGestureRecognizer>("tap");
        b.watch<PanGestureRecognizer>("pan");
        b.watch<LongPressGestureRecognizer>("press");
    };
    const auto swipes = [](Board& b) {
        b.watch<TapGestureRecognizer>("tap");
        b.watch<SwipeGestureRecognizer>("right", SwipeDirection::right);
        b.watch<SwipeGestureRecognizer>("left", SwipeDirection::left);
    };
    const auto offTap = [](Board& b) { b.watch<TapGestureRecognizer>("tap")->setEnabled(false); };
    const auto tap = [](Point p) { return [p](Board& b) { b.finger.tapAt(p); }; };
    const auto drag = [](Point from, Point to, double seconds, int steps) {
        return [=](Board& b) { b.finger.drag(from, to, seconds, steps); };
    };
    const auto hold = [](Board& b) { b.finger.longPressAt({200, 200}, 1.0); };
    const auto swipeLeft = [](Board& b) { b.finger.swipeAt({300, 200}, SwipeDirection::left); };
    const std::string pan = "pan began, pan changed, pan changed, pan changed, pan ended 100";
    const Case cases[] = {
        {all, tap({200, 200}), "tap ended"},                  // a short touch is a tap
        {all, drag({200, 200}, {300, 200}, 0.2, 4), pan},     // past the slop: a pan, not a tap
        {all, hold, "press began, press ended"},              // held still: a long press
        {swipes, swipeLeft, "left ended"},                    // the right swipe and the tap fail
        {swipes, drag({300, 200}, {150, 200}, 2.0, 10), ""},  // too slow for a swipe
        {swipes, drag({300, 250}, {240, 150}, 0.2, 4), ""},   // mostly up: neither side
        {swipes, drag({200, 250}, {260, 150}, 0.2, 4), ""},
        {all, tap({50, 40}), "button 1, button 64"},  // the pad's tap recogniser stays out
        {all, drag({50, 40}, {150, 40}, 0.2, 4), "button 1, button 256, " + pan},  // cancelled
        {{}, drag({50, 40}, {50, 290}, 0.2, 4), "button 1, button 128"},           // lifted outside
        {offTap, tap({200, 200}), ""},  // a disabled recogniser takes no part
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        Board b;
        if (c.setup) c.setup(b);
        c.gesture(b);
        std::string log;
        for (const auto& line : b.log) log += (log.empty() ? "" : ", ") + line;
        EXPECT_EQ(log, c.log);
        for (const auto& r : b.pad->gestureRecognizers())
            EXPECT_EQ(r->state(), GestureState::possible) << "reset after the touch";
    }
}

TEST(TouchDriverTest, AimedTouchesNameWhatTheyWouldHitInstead) {
    Board b;
    auto tap = b.watch<TapGestureRecognizer>("tap");
    EXPECT_TRUE(b.finger.tap("button"));
    EXPECT_EQ(b.log, (Log{"button 1", "button 64"}));  // its ancestor's tap stayed out
    b.finger.tapAt({200, 150});
    EXPECT_EQ(tap->locationInView().x, 200);
    EXPECT_EQ(tap->locationInView(b.button.get()).x, 180);

    auto cover = std::make_shared<View>(Rect{0, 0, 100, 100});
    cover->setIdentifier("overlay");
    b.pad->addSubview(cover);
    b.log.clear();
    const auto missed = b.finger.tap(*b.button);
    EXPECT_FALSE(missed);
    EXPECT_EQ(missed.message, "tap on 'button' at (50.0, 40.0) would hit 'overlay' instead");
    EXPECT_TRUE(b.log.empty());  // nothing was touched

    cover->setUserInteractionEnabled(false);
    EXPECT_TRUE(b.finger.tap(*b.button));  // a view that takes no touches is not in the way

    b.button->setHidden(true);
    EXPECT_EQ(b.finger.longPress(*b.button).message,
              "long press on 'button' at (50.0, 40.0) would hit 'pad' instead");
    auto loose = std::make_shared<View>(Rect{0, 0, 10, 10});
    EXPECT_EQ(b.finger.swipe(*loose, SwipeDirection::up).message,
              "swipe on View (0.0, 0.0, 10.0, 10.0): the view is not in a window");
    EXPECT_EQ(b.finger.tap("nobody").message, "tap on 'nobody': no view has that identifier");
    b.pad->setHidden(true);
    EXPECT_EQ(b.finger.tap(*b.pad).message,
              "tap on 'pad' at (200.0, 150.0) would hit Window (0.0, 0.0, 400.0, 400.0) instead");
}

}  // namespace
}  // namespace arquorel::sim
