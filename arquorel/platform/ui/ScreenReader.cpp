#include "arquorel/platform/ui/ScreenReader.h"

#include <any>

#include "arquorel/platform/runtime/PlatformContext.h"
#include "arquorel/platform/ui/NavigationController.h"
#include "arquorel/platform/ui/View.h"
#include "arquorel/platform/ui/ViewController.h"
#include "arquorel/platform/ui/Window.h"

namespace arquorel {

namespace {

std::string textOf(const Notification& n) {
    auto it = n.userInfo.find("text");
    if (it == n.userInfo.end()) return {};
    const auto* text = std::any_cast<std::string>(&it->second);
    return text ? *text : std::string{};
}

// The innermost screen shown on top: the window's top screen, then its last child whose view
// shows in the window, and so on.
std::shared_ptr<ViewController> innermostScreen(const Window& window) {
    auto c = window.topViewController();
    for (int depth = 0; c && depth < 32; ++depth) {
        std::shared_ptr<ViewController> shown;
        for (const auto& child : c->children()) {
            auto v = child->viewIfLoaded();
            if (v && !v->isHidden() && v->isDescendantOf(window)) shown = child;
        }
        if (!shown) break;
        c = shown;
    }
    return c;
}

}  // namespace

ScreenReader::ScreenReader(std::shared_ptr<Window> window) : window_(window) {
    auto& center = platformContext().notificationCenter();
    center.addObserver(this, kAccessibilityAnnouncement,
                       [this](const Notification& n) { say("announcement", textOf(n)); });
    center.addObserver(this, kAccessibilityPoliteAnnouncement,
                       [this](const Notification& n) { politeArrived(textOf(n)); });
    center.addObserver(this, kAccessibilityScreenChanged, [this](const Notification& n) {
        screen_ = screenKey();
        screenCameOn(textOf(n));
    });
    center.addObserver(this, kAccessibilityLayoutChanged, [this](const Notification&) {
        const auto t = tree();
        const auto elements = t.elements();
        if (focusIndex(elements)) return;
        if (!elements.empty()) {
            focus(*elements.front());
            say("layout", spokenText(*elements.front()));
        }
    });
    screen_ = screenKey();
}

ScreenReader::~ScreenReader() {
    platformContext().notificationCenter().removeObserver(this);
}

AccessibilityTree ScreenReader::tree() const {
    auto window = window_.lock();
    return window ? AccessibilityTree::build(*window) : AccessibilityTree{};
}

void ScreenReader::say(const std::string& kind, const std::string& text) {
    if (text.empty()) return;
    Utterance u{platformContext().now(), kind, text};
    spoken_.push_back(u);
    if (onSpeak) onSpeak(u);
}

void ScreenReader::focus(const AccessibilityNode& node) {
    focusView_ = node.view;
    focusLabel_ = node.label;
}

std::optional<std::size_t> ScreenReader::focusIndex(
    const std::vector<const AccessibilityNode*>& elements) const {
    auto view = focusView_.lock();
    if (!view) return std::nullopt;
    for (std::size_t i = 0; i < elements.size(); ++i)
        if (elements[i]->view.lock() == view) return i;
    return std::nullopt;
}

std::optional<AccessibilityNode> ScreenReader::focused() const {
    const auto t = tree();
    const auto elements = t.elements();
    auto i = focusIndex(elements);
    if (!i) return std::nullopt;
    return *elements[*i];
}

std::string ScreenReader::move(int step) {
    const auto t = tree();
    const auto elements = t.elements();
    if (elements.empty()) {
        say("focus", "no element");
        return "no element";
    }
    const auto i = focusIndex(elements);
    std::size_t target;
    if (!i) {
        target = step > 0 ? 0 : elements.size() - 1;
    } else if (step > 0) {
        target = *i + 1 < elements.size() ? *i + 1 : *i;
    } else {
        target = *i > 0 ? *i - 1 : 0;
    }
    if (i && target == *i) {
        // At either end the reader stays and says so, as phones' readers do with a sound.
        const std::string text = step > 0 ? "last element" : "first element";
        say("focus", text);
        return text;
    }
    focus(*elements[target]);
    const auto text = spokenText(*elements[target]);
    say("focus", text);
    return text;
}

std::string ScreenReader::next() {
    return move(1);
}

std::string ScreenReader::previous() {
    return move(-1);
}

std::string ScreenReader::activate() {
    auto window = window_.lock();
    const auto node = focused();
    if (!window || !node) {
        say("action", "no element");
        return "no element";
    }
    auto view = node->view.lock();
    std::string text = "activate " + node->label;
    if (hasTrait(node->traits, AccessibilityTrait::notEnabled)) {
        text += ": dimmed";
        say("action", text);
        return text;
    }
    say("action", text);
    if (view && view->accessibility().activate && view->accessibility().activate()) return text;
    window->sendTouch(TouchPhase::began, node->activationPoint);
    window->sendTouch(TouchPhase::ended, node->activationPoint);
    return text;
}

std::string ScreenReader::escape() {
    auto window = window_.lock();
    if (!window) return {};
    auto start = focusView_.lock();
    if (!start || !start->isDescendantOf(*window)) {
        auto screen = innermostScreen(*window);
        start = screen ? screen->viewIfLoaded() : nullptr;
    }
    for (auto v = start; v; v = v->superview()) {
        const auto& handler = v->accessibility().escape;
        if (handler && handler()) {
            say("action", "escape");
            return "escape";
        }
    }
    // No view handled it: pop the innermost navigation stack, else dismiss the top screen.
    for (auto c = innermostScreen(*window); c; c = c->parent()) {
        auto nav = std::dynamic_pointer_cast<NavigationController>(c);
        if (nav && nav->viewControllers().size() > 1) {
            nav->popViewController(true);
            say("action", "escape");
            return "escape";
        }
    }
    auto top = window->topViewController();
    if (top && top->presentingViewController()) {
        top->dismiss(true);
        say("action", "escape");
        return "escape";
    }
    say("action", "nothing to escape");
    return "nothing to escape";
}

std::string ScreenReader::adjust(bool up) {
    const auto node = focused();
    auto view = node ? node->view.lock() : nullptr;
    bool done = false;
    if (view && view->accessibility().adjust) {
        view->accessibility().adjust(up);
        done = true;
    } else if (view) {
        done = view->accessibilityAdjust(up);
    }
    if (!done) {
        say("action", "nothing to adjust");
        return "nothing to adjust";
    }
    // Readers say the new value after a swipe.
    const auto after = focused();
    const std::string text = after ? (after->value.empty() ? after->label : after->value) : "";
    say("focus", text);
    return text;
}

std::string ScreenReader::perform(const std::string& actionName) {
    const auto node = focused();
    auto view = node ? node->view.lock() : nullptr;
    if (view) {
        for (const auto& a : view->accessibility().customActions) {
            if (a.name != actionName || !a.handler) continue;
            a.handler();
            say("action", actionName);
            return actionName;
        }
    }
    const std::string text = "no action " + actionName;
    say("action", text);
    return text;
}

const void* ScreenReader::screenKey() const {
    auto window = window_.lock();
    return window ? innermostScreen(*window).get() : nullptr;
}

void ScreenReader::refresh() {
    const void* key = screenKey();
    if (key == screen_) return;
    screen_ = key;
    screenCameOn({});
}

void ScreenReader::screenCameOn(const std::string& text) {
    focusView_.reset();
    const auto t = tree();
    const auto elements = t.elements();
    std::string said = text;
    if (!elements.empty()) {
        // A screen is read from its heading when it has one, as its title.
        const auto* first = elements.front();
        for (const auto* e : elements) {
            if (hasTrait(e->traits, AccessibilityTrait::header)) {
                first = e;
                break;
            }
        }
        focus(*first);
        if (said.empty()) said = spokenText(*first);
    }
    say("screen", said);
}

void ScreenReader::politeArrived(const std::string& text) {
    if (text.empty()) return;
    const double now = platformContext().now();
    if (!lastPolite_ || now - *lastPolite_ >= kPoliteAnnouncementInterval) {
        lastPolite_ = now;
        say("polite", text);
        return;
    }
    waitingPolite_ = text;  // the newest wins
    if (politeScheduled_) return;
    politeScheduled_ = true;
    std::weak_ptr<char> alive = alive_;
    platformContext().mainLoop().asyncAfter(*lastPolite_ + kPoliteAnnouncementInterval - now,
                                            [this, alive] {
                                                if (alive.expired()) return;
                                                sayWaitingPolite();
                                            });
}

void ScreenReader::sayWaitingPolite() {
    politeScheduled_ = false;
    if (!waitingPolite_) return;
    lastPolite_ = platformContext().now();
    say("polite", *waitingPolite_);
    waitingPolite_.reset();
}

}  // namespace arquorel
