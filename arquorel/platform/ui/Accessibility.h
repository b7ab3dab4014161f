#pragma once
// What a screen reader knows of the views: per view, the properties a screen sets (label,
// value, hint, traits, custom actions, grouping, modality); the accessibility tree built from
// a window's views in reading order, with its text dump; and the announcements screens post.
//
// Which views are elements: a view is one when its properties say so, otherwise when its class
// says so (accessibilityDefaults: buttons, labels with text, sliders, table cells). An
// element's subviews are not walked: an element without its own label reads the texts of its
// subviews instead (a table cell reads its labels). Hidden views, views with alpha below 0.01,
// views outside their clipping ancestors or the window, and views covered by an opaque view
// drawn above them are left out. A modal view (and every screen shown above the window's root
// screen: a presented screen, an alert, a sheet) hides what is under it.
//
// Reading order: top to bottom, then left to right, by each element's frame; a view that
// groups its children is placed as one block, by its own frame, and read through before what
// follows it.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "arquorel/platform/geometry/Geometry.h"

namespace arquorel {

class View;
class Window;

enum class AccessibilityTrait : unsigned {
    none = 0,
    button = 1u << 0,
    header = 1u << 1,
    image = 1u << 2,
    staticText = 1u << 3,
    adjustable = 1u << 4,
    selected = 1u << 5,
    notEnabled = 1u << 6,
};
constexpr AccessibilityTrait operator|(AccessibilityTrait a, AccessibilityTrait b) {
    return static_cast<AccessibilityTrait>(static_cast<unsigned>(a) | static_cast<unsigned>(b));
}
constexpr bool hasTrait(AccessibilityTrait set, AccessibilityTrait trait) {
    return (static_cast<unsigned>(set) & static_cast<unsigned>(trait)) != 0;
}
// The traits as words, in a fixed order ("button selected"); empty for none.
std::string traitNames(AccessibilityTrait traits);

// A named action a screen reader offers beside activation ("Favourite", "Share"). The
// handler answers whether it did something.
struct AccessibilityCustomAction {
    std::string name;
    std::function<bool()> handler;
};

// What a view's class reads when its screen sets nothing (see View::accessibilityDefaults).
struct AccessibilityDefaults {
    bool isElement = false;
    std::string label;
    std::string value;
    AccessibilityTrait traits = AccessibilityTrait::none;
};

// What a screen says about one of its views. Unset values fall back to the class's defaults.
struct AccessibilityProperties {
    std::optional<bool> isElement;
    std::optional<std::string> label;
    std::optional<std::string> value;
    std::string hint;
    std::optional<AccessibilityTrait> traits;
    std::vector<AccessibilityCustomAction> customActions;
    // The subviews are read together, as one block placed by this view's frame.
    bool groupsChildren = false;
    // Leaves this view and its subviews out of the tree (decorative, or duplicated elsewhere).
    bool elementsHidden = false;
    // Hides the views under this one: its earlier siblings, and theirs up to the window.
    bool isModal = false;
    // Two elements with the same non-empty identity stand for the same thing (one place shown
    // twice) and may read the same.
    std::string identity;
    // Replaces the tap at the activation point; answers whether it did something.
    std::function<bool()> activate;
    // Goes back or dismisses; asked from the focused view up to the window.
    std::function<bool()> escape;
    // Steps the value up (true) or down; replaces the class's own adjustment.
    std::function<void(bool up)> adjust;
    // Where activation taps, in the view's bounds coordinates; the centre by default.
    std::optional<Point> activationPoint;
};

// One node of the tree: an element, or a group of nodes read together.
struct AccessibilityNode {
    bool isGroup = false;
    std::string label;
    std::string value;
    std::string hint;
    AccessibilityTrait traits = AccessibilityTrait::none;
    std::vector<std::string> customActions;  // names, in order
    std::string identity;
    Rect frame;                  // in window coordinates, clipped to what is visible
    Point activationPoint;       // in window coordinates
    std::string viewIdentifier;  // the view's identifier, for dumps and tests
    std::weak_ptr<View> view;
    std::vector<AccessibilityNode> children;  // groups only, in reading order
    std::size_t drawOrder = 0;                // the view's place in drawing order
};

// What a screen reader says when it lands on an element: label, value, traits (as a reader
// says them: "button", "heading", "adjustable", "selected", "dimmed"), then the hint.
std::string spokenText(const AccessibilityNode& element);

class AccessibilityTree {
  public:
    // The tree of what is on screen in the window: its topmost screen and what shows with it.
    static AccessibilityTree build(const Window& window);
    // The tree of one view and its subviews, as if it filled a window of its own bounds.
    static AccessibilityTree build(const View& root);

    // The top-level nodes in reading order.
    const std::vector<AccessibilityNode>& nodes() const { return nodes_; }
    // Every element, groups flattened, in reading order. The pointers live as long as the
    // tree, so a temporary tree cannot hand them out.
    std::vector<const AccessibilityNode*> elements() const&;
    std::vector<const AccessibilityNode*> elements() && = delete;
    // One line a node, indented by group depth:
    //   button #closeButton "Close" (339.0, 44.0, 28.0, 28.0) hint="Closes the list."
    //   group #tableView (0.0, 88.0, 375.0, 724.0)
    //     element "Casino, Monaco, 70 m, ahead" actions="Favourite|Share"
    std::string dump() const;

    // A tree of these nodes (a backend's copy, a test's expectation).
    static AccessibilityTree fromNodes(std::vector<AccessibilityNode> nodes);

  private:
    std::vector<AccessibilityNode> nodes_;
};

// --- Announcements ----------------------------------------------------------------------------
// Screens post these through the platform's notification centre; a screen reader (the
// simulated one, the browser's live region) speaks them. userInfo["text"] holds the text
// (a std::string), empty when there is nothing to say beyond the change itself.
inline constexpr const char* kAccessibilityAnnouncement = "accessibilityAnnouncement";
// Said when the reader is free, and at most one every kPoliteAnnouncementInterval seconds:
// one posted while waiting replaces the one waiting (the newest wins).
inline constexpr const char* kAccessibilityPoliteAnnouncement = "accessibilityPoliteAnnouncement";
// A new screen came on (the reader moves to its first element) / the layout changed (the reader
// keeps its element when it is still there).
inline constexpr const char* kAccessibilityScreenChanged = "accessibilityScreenChanged";
inline constexpr const char* kAccessibilityLayoutChanged = "accessibilityLayoutChanged";
inline constexpr double kPoliteAnnouncementInterval = 3;

void postAccessibilityAnnouncement(const std::string& text);
void postPoliteAccessibilityAnnouncement(const std::string& text);
void postAccessibilityScreenChanged(const std::string& text = {});
void postAccessibilityLayoutChanged();

}  // namespace arquorel
