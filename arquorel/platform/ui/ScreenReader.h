#pragma once
// A screen reader over one window: it keeps a focused element and moves it with the gestures
// a reader offers (next, previous, activate, escape, adjust, custom actions), says what it
// lands on, and speaks the announcements screens post (see Accessibility.h).
//
// What it says goes to onSpeak and to spoken(): an utterance has a kind ("focus", "screen",
// "layout", "announcement", "polite", "action") and the text. The tree is rebuilt on every
// call; refresh() (after each step of time) notices a new screen on top: the focus moves to its
// first heading (else its first element), which is said. Polite announcements are said at most one
// every kPoliteAnnouncementInterval seconds; one posted while another waits replaces it.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "arquorel/platform/ui/Accessibility.h"

namespace arquorel {

class ViewController;

struct Utterance {
    double time = 0;
    std::string kind;
    std::string text;
};

class ScreenReader {
  public:
    explicit ScreenReader(std::shared_ptr<Window> window);
    ~ScreenReader();
    ScreenReader(const ScreenReader&) = delete;
    ScreenReader& operator=(const ScreenReader&) = delete;

    // Each says what it did and returns that text; on an empty screen, or with nothing to do,
    // it says why ("no element", "nothing to adjust").
    std::string next();
    std::string previous();
    // Runs the focused element's activate action, or taps its activation point.
    std::string activate();
    // Asks the focused view and its ancestors to go back; without one that does, dismisses the
    // top presented screen or pops its navigation stack.
    std::string escape();
    std::string adjust(bool up);
    // Runs the focused element's custom action of that name.
    std::string perform(const std::string& actionName);
    // Notices a new screen on top (see above).
    void refresh();

    // The focused element in the current tree, if it is still there.
    std::optional<AccessibilityNode> focused() const;
    AccessibilityTree tree() const;
    const std::vector<Utterance>& spoken() const { return spoken_; }
    std::function<void(const Utterance&)> onSpeak;

  private:
    void say(const std::string& kind, const std::string& text);
    void focus(const AccessibilityNode& node);
    std::string move(int step);
    // Index of the focused element among `elements`, none when it left.
    std::optional<std::size_t> focusIndex(
        const std::vector<const AccessibilityNode*>& elements) const;
    const void* screenKey() const;
    void screenCameOn(const std::string& text);
    void politeArrived(const std::string& text);
    void sayWaitingPolite();

    std::weak_ptr<Window> window_;
    std::weak_ptr<View> focusView_;
    std::string focusLabel_;
    const void* screen_ = nullptr;
    std::vector<Utterance> spoken_;
    std::optional<double> lastPolite_;
    std::optional<std::string> waitingPolite_;
    bool politeScheduled_ = false;
    std::shared_ptr<char> alive_ = std::make_shared<char>();  // expires with the reader
};

}  // namespace arquorel
