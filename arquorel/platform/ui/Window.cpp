#include "arquorel/platform/ui/Window.h"

#include <algorithm>

#include "arquorel/platform/runtime/PlatformContext.h"
#include "arquorel/platform/ui/Control.h"
#include "arquorel/platform/ui/GestureRecognizer.h"
#include "arquorel/platform/ui/HitTest.h"
#include "arquorel/platform/ui/ViewController.h"

namespace arquorel {

namespace {

struct Windows {
    std::vector<std::weak_ptr<Window>> all;
    std::weak_ptr<Window> key;
};

Windows& windows() {
    static Windows registry;
    return registry;
}

void enroll(Window& window) {
    auto& list = windows().all;
    std::erase_if(list, [](const auto& w) { return w.expired(); });
    auto self = std::static_pointer_cast<Window>(window.shared_from_this());
    if (std::none_of(list.begin(), list.end(), [&](const auto& w) { return w.lock() == self; }))
        list.push_back(self);
}

}  // namespace

Window::Window() : Window(platformContext().device().mainScreenBounds()) {}

Window::Window(Rect frame) : View(frame) {}

Window::~Window() {
    // A finger still down when the window goes: its recognisers end their gesture as
    // cancelled (a pan stops dragging) instead of waiting for a lift that never comes.
    cancelTouch();
}

void Window::setRootViewController(std::shared_ptr<ViewController> controller) {
    if (controller == root_) return;
    if (weak_from_this().lock()) enroll(*this);
    // The old screens that are on screen leave, top first.
    std::vector<std::shared_ptr<ViewController>> leaving;
    for (const auto& c : presentationStack()) {
        if (c->appearance() == Appearance::appeared || c->appearance() == Appearance::appearing)
            leaving.insert(leaving.begin(), c);
    }
    if (root_) root_->rootOf_.reset();
    root_ = std::move(controller);
    if (root_) {
        root_->rootOf_ = std::static_pointer_cast<Window>(weak_from_this().lock());
        root_->view()->setFrame(bounds());
    }
    showControllerViews(root_ ? std::vector{root_}
                              : std::vector<std::shared_ptr<ViewController>>{});
    if (windows().key.lock().get() != this) {
        // Not on screen yet: makeKeyAndVisible brings the root on.
        for (const auto& c : leaving) {
            c->beginAppearanceTransition(false, false);
            c->endAppearanceTransition();
        }
        return;
    }
    std::weak_ptr<Window> weak = std::static_pointer_cast<Window>(shared_from_this());
    auto entering = root_;
    platformContext().mainLoop().async([weak, leaving, entering] {
        auto window = weak.lock();
        for (const auto& c : leaving) c->beginAppearanceTransition(false, false);
        if (entering && window && window->root_ == entering)
            entering->beginAppearanceTransition(true, false);
        if (window) window->layoutIfNeededRecursively();
        for (const auto& c : leaving) c->endAppearanceTransition();
        if (entering) entering->endAppearanceTransition();
    });
}

void Window::makeKeyAndVisible() {
    auto self = std::static_pointer_cast<Window>(shared_from_this());
    enroll(*this);
    windows().key = self;
    setHidden(false);
    std::weak_ptr<Window> weak = self;
    platformContext().mainLoop().async([weak] {
        auto window = weak.lock();
        if (!window || !window->root_) return;
        auto root = window->root_;
        root->beginAppearanceTransition(true, false);
        window->layoutIfNeededRecursively();
        root->endAppearanceTransition();
    });
}

bool Window::isKeyWindow() const {
    return windows().key.lock().get() == this;
}

std::shared_ptr<Window> Window::keyWindow() {
    return windows().key.lock();
}

std::vector<std::shared_ptr<ViewController>> Window::presentationStack() const {
    std::vector<std::shared_ptr<ViewController>> stack;
    for (auto c = root_; c; c = c->presentedViewController()) {
        stack.push_back(c);
        if (stack.size() > 1000) break;  // a cycle cannot be built, but never loop for ever
    }
    return stack;
}

std::shared_ptr<ViewController> Window::topViewController() const {
    auto stack = presentationStack();
    return stack.empty() ? nullptr : stack.back();
}

void Window::layoutIfNeededRecursively() {
    layoutIfNeeded();
}

void Window::layoutAllWindows() {
    // By index, without copying the list each frame: a layout may open or close a window.
    const auto& list = windows().all;
    for (std::size_t i = 0; i < list.size(); ++i)
        if (auto window = list[i].lock(); window && window->layoutPending())
            window->layoutIfNeededRecursively();
}

void Window::showControllerViews(const std::vector<std::shared_ptr<ViewController>>& controllers) {
    // Remove the views of screens that leave.
    for (const auto& w : shown_) {
        auto c = w.lock();
        if (!c || std::find(controllers.begin(), controllers.end(), c) != controllers.end())
            continue;
        if (auto v = c->viewIfLoaded(); v && v->superview().get() == this) v->removeFromSuperview();
    }
    shown_.clear();
    // Place the others in order, moving a view only when it is out of place.
    const View* previous = nullptr;
    for (const auto& c : controllers) {
        auto v = c->view();
        shown_.push_back(c);
        const auto& subs = subviews();
        auto index = [&](const View* x) {
            return std::find_if(subs.begin(), subs.end(),
                                [x](const auto& s) { return s.get() == x; }) -
                   subs.begin();
        };
        if (v->superview().get() != this) {
            if (previous) {
                insertSubviewAbove(v, *previous);
            } else {
                insertSubview(v, 0);
            }
        } else if (previous && index(v.get()) < index(previous)) {
            insertSubviewAbove(v, *previous);
        }
        previous = v.get();
    }
}

bool Window::rotate(InterfaceOrientation orientation) {
    auto top = topViewController();
    if (orientation == InterfaceOrientation::unknown || !top || !top->shouldAutorotate() ||
        !top->supportedInterfaceOrientations().contains(orientation))
        return false;
    auto& device = platformContext().device();
    const auto old = device.interfaceOrientation();
    device.setInterfaceOrientation(orientation);
    if (isLandscape(old) != isLandscape(orientation)) {
        auto screen = device.mainScreenBounds();
        std::swap(screen.size.width, screen.size.height);
        device.setMainScreenBounds(screen);
        auto f = frame();
        std::swap(f.size.width, f.size.height);
        setFrame(f);
    }
    for (const auto& c : presentationStack()) {
        if (auto v = c->viewIfLoaded()) {
            v->setFrame(bounds());
            v->setNeedsLayout();
        }
    }
    layoutIfNeededRecursively();
    return true;
}

// --- Touches -----------------------------------------------------------------------------

void Window::routeToRecognizers(TouchInProgress& t) {
    const auto arena = t.arena;  // an action may change the views' recognisers
    for (const auto& r : arena) {
        switch (t.touch.phase) {
            case TouchPhase::began:
                r->touchBegan(t.touch);
                break;
            case TouchPhase::moved:
                r->touchMoved(t.touch);
                break;
            case TouchPhase::ended:
                r->touchEnded(t.touch);
                break;
            case TouchPhase::cancelled:
                r->touchCancelled(t.touch);
                break;
        }
    }
}

bool Window::holds(const std::shared_ptr<View>& view) const {
    return view && windowOf(*view).get() == this;
}

void Window::dropOrphanedRecognizers(TouchInProgress& t) {
    std::vector<std::shared_ptr<GestureRecognizer>> gone;
    std::erase_if(t.arena, [&](const std::shared_ptr<GestureRecognizer>& r) {
        if (holds(r->view())) return false;
        gone.push_back(r);
        return true;
    });
    for (const auto& r : gone) {
        r->touchCancelled(t.touch);
        r->reset();
    }
}

void Window::cancelTouch() {
    if (!touch_) return;
    auto finished = std::move(*touch_);
    touch_.reset();
    finished.touch.phase = TouchPhase::cancelled;
    for (const auto& r : finished.arena) {
        r->touchCancelled(finished.touch);
        r->reset();
    }
    if (auto view = finished.view.lock(); view && !finished.viewCancelled)
        view->touchesCancelled(finished.touch);
}

void Window::sendTouch(TouchPhase phase, Point location) {
    auto self = shared_from_this();  // a touch may close the window's last screen
    const double now = platformContext().now();
    if (phase == TouchPhase::began) {
        if (touch_) sendTouch(TouchPhase::cancelled, touch_->touch.location);
        auto view = hitTest(*this, location);
        if (!view) return;
        TouchInProgress t;
        t.view = view;
        t.touch = Touch{TouchPhase::began, location, location, now, now};
        // The recognisers on the way from the view to the window, innermost first. A control
        // keeps its taps: tap recognisers of its ancestors do not take part.
        const bool control = dynamic_cast<Control*>(view.get()) != nullptr;
        for (auto v = view; v; v = v->superview()) {
            for (const auto& r : v->gestureRecognizers()) {
                if (!r->isEnabled()) continue;
                if (control && v != view && dynamic_cast<TapGestureRecognizer*>(r.get())) continue;
                r->reset();
                t.arena.push_back(r);
            }
        }
        touch_ = std::move(t);
        // The first recogniser to recognise wins; the others fail, and the view's own touch
        // handling is cancelled when the winner asks for it. Nothing is recognised once the
        // touched view or the candidate's view has left the window (a long press timer may
        // fire after the screen closed).
        std::weak_ptr<View> weakSelf = self;
        for (const auto& r : touch_->arena) {
            r->setArenaGate([weakSelf](GestureRecognizer& candidate) {
                auto window = std::static_pointer_cast<Window>(weakSelf.lock());
                if (!window || !window->touch_) return false;
                auto& current = *window->touch_;
                const auto touched = current.view.lock();
                if (!window->holds(touched) || !window->holds(candidate.view())) return false;
                if (current.winner) return current.winner.get() == &candidate;
                current.winner = candidate.shared_from_this();
                for (const auto& other : current.arena)
                    if (other.get() != &candidate) other->fail();
                if (candidate.cancelsTouchesInView() && !current.viewCancelled) {
                    current.viewCancelled = true;
                    touched->touchesCancelled(current.touch);
                }
                return true;
            });
        }
        routeToRecognizers(*touch_);
        if (touch_ && !touch_->viewCancelled && holds(view)) view->touchesBegan(touch_->touch);
        layoutIfNeededRecursively();
        return;
    }
    if (!touch_) return;
    touch_->touch.location = location;
    touch_->touch.timestamp = now;
    // The touched view has left the window (its screen closed, or was freed): the rest of
    // the touch is cancelled, whatever the finger does.
    auto view = touch_->view.lock();
    if (!holds(view)) {
        cancelTouch();
        layoutIfNeededRecursively();
        return;
    }
    touch_->touch.phase = phase;
    dropOrphanedRecognizers(*touch_);
    routeToRecognizers(*touch_);
    if (!touch_) return;
    auto& t = *touch_;
    if (!t.viewCancelled && !holds(view)) {
        // An action closed the view's screen: the view's own handling ends as cancelled.
        t.viewCancelled = true;
        view->touchesCancelled(t.touch);
    } else if (!t.viewCancelled) {
        switch (phase) {
            case TouchPhase::moved:
                view->touchesMoved(t.touch);
                break;
            case TouchPhase::ended:
                view->touchesEnded(t.touch);
                break;
            case TouchPhase::cancelled:
                view->touchesCancelled(t.touch);
                break;
            case TouchPhase::began:
                break;
        }
    }
    if (touch_ && (phase == TouchPhase::ended || phase == TouchPhase::cancelled)) {
        auto finished = std::move(*touch_);
        touch_.reset();
        for (const auto& r : finished.arena) r->reset();
    }
    layoutIfNeededRecursively();
}

void Window::sendPinch(TouchPhase phase, Point first, Point second) {
    auto self = shared_from_this();  // a pinch may close the window's last screen
    const double now = platformContext().now();
    const Point centre{(first.x + second.x) / 2, (first.y + second.y) / 2};
    if (phase == TouchPhase::began) {
        if (pinch_) sendPinch(TouchPhase::cancelled, first, second);
        if (touch_) sendTouch(TouchPhase::cancelled, touch_->touch.location);
        auto view = hitTest(*this, centre);
        if (!view) return;
        std::shared_ptr<PinchGestureRecognizer> recognizer;
        for (auto v = view; v && !recognizer; v = v->superview())
            for (const auto& r : v->gestureRecognizers())
                if (auto pinch = std::dynamic_pointer_cast<PinchGestureRecognizer>(r);
                    pinch && pinch->isEnabled()) {
                    recognizer = std::move(pinch);
                    break;
                }
        if (!recognizer) return;
        recognizer->reset();
        recognizer->setFingers(first, second);
        pinch_ = PinchInProgress{view, recognizer->view(), recognizer,
                                 Touch{phase, centre, centre, now, now}};
        recognizer->touchBegan(pinch_->touch);
        layoutIfNeededRecursively();
        return;
    }
    if (!pinch_) return;
    auto recognizer = pinch_->recognizer;
    auto view = pinch_->view.lock();
    auto owner = pinch_->owner.lock();
    if (!view || !owner) {
        // The views are gone: nothing is left to tell.
        pinch_.reset();
        recognizer->reset();
        return;
    }
    // The view left the window under the fingers: its recogniser hears no more than a cancel.
    if (windowOf(*view).get() != this) phase = TouchPhase::cancelled;
    pinch_->touch.phase = phase;
    pinch_->touch.location = centre;
    pinch_->touch.timestamp = now;
    const Touch touch = pinch_->touch;
    if (phase == TouchPhase::ended || phase == TouchPhase::cancelled) pinch_.reset();
    recognizer->setFingers(first, second);
    switch (phase) {
        case TouchPhase::moved:
            recognizer->touchMoved(touch);
            break;
        case TouchPhase::ended:
            recognizer->touchEnded(touch);
            break;
        case TouchPhase::cancelled:
            recognizer->touchCancelled(touch);
            break;
        case TouchPhase::began:
            break;
    }
    if (phase == TouchPhase::ended || phase == TouchPhase::cancelled) recognizer->reset();
    layoutIfNeededRecursively();
}

std::shared_ptr<Window> windowOf(const View& view) {
    const View* top = &view;
    while (auto parent = top->superview()) top = parent.get();
    auto* window = dynamic_cast<const Window*>(top);
    if (!window) return nullptr;
    return std::static_pointer_cast<Window>(const_cast<Window*>(window)->weak_from_this().lock());
}

}  // namespace arquorel
