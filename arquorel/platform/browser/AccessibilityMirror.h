#pragma once
// The accessibility tree of a window as the page mirrors it in its DOM: one entry an element,
// in reading order, with the role the page gives it, its text and its frame in window
// coordinates (the page's CSS pixels), and the gestures the page forwards (activate, escape,
// adjust). Announcements go to onAnnounce, as a screen reader would say them: polite ones at
// most one every few seconds (the ScreenReader's queue), and a new screen's first element.
//
// An element keeps its id as long as its view stays in the tree, so that the page updates the
// DOM element it already has (and keeps the keyboard's focus on it) when the tree changes.

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "arquorel/platform/ui/ScreenReader.h"

namespace arquorel {
class View;
class Window;
}  // namespace arquorel

namespace arquorel::browser {

struct MirrorElement {
    int id = 0;
    // "button", "heading", "img", "slider", or "text" (read from its content, no role).
    std::string role;
    std::string label;
    std::string value;
    std::string hint;
    bool disabled = false;
    bool selected = false;
    std::vector<std::string> actions;
    Rect frame;
};

// The role the page gives an element of these traits.
std::string mirrorRole(AccessibilityTrait traits);

class AccessibilityMirror {
  public:
    explicit AccessibilityMirror(std::shared_ptr<Window> window);

    const std::shared_ptr<Window> window() const { return window_.lock(); }

    // Reads the window's tree again; true when what the page shows of it changed since the
    // last call (frames are compared in whole pixels, so sub-pixel drift is no change).
    bool update();
    const std::vector<MirrorElement>& elements() const { return elements_; }
    // The elements as a JSON array of objects:
    //   {"id":3,"role":"button","label":"Close","value":"","hint":"","disabled":false,
    //    "selected":false,"actions":[],"x":339,"y":44,"w":28,"h":28}
    const std::string& json() const { return json_; }

    // Runs the element's activate action, or taps its activation point; false when the element
    // is gone or dimmed.
    bool activate(int id);
    // Goes back from the element (or from the screen when `id` is no element): the element's
    // and its ancestors' escape actions first, then the reader's own escape (back, dismiss).
    bool escape(int id);
    // Steps an adjustable element's value; false when it has nothing to step.
    bool adjust(int id, bool up);
    // Notices a new screen (call once a frame): its first element is announced.
    void refresh() { reader_.refresh(); }

    // Text to say, and whether a new screen came on (the page then moves its focus to the
    // first element, as a reader does).
    std::function<void(const std::string& text, bool newScreen)> onAnnounce;

  private:
    std::shared_ptr<View> viewOf(int id) const;
    const AccessibilityNode* nodeOf(int id, const std::vector<const AccessibilityNode*>&) const;
    int idFor(const std::shared_ptr<View>& view);

    std::weak_ptr<Window> window_;
    ScreenReader reader_;
    AccessibilityTree tree_;
    std::vector<MirrorElement> elements_;
    std::vector<std::pair<std::weak_ptr<View>, int>> ids_;
    int nextId_ = 1;
    std::string json_ = "[]";
};

}  // namespace arquorel::browser
