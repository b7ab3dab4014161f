#pragma once
// Where a view that the page draws itself (an element over the canvas, like the web view's
// frame) belongs: its box in the window's coordinates, whether it is on screen at all (in the
// key window, not hidden), and whether another screen lies over it. A notice that the view's
// own screen presented (an alert) covers it too, but the page may keep small controls of the
// view visible beside the notice.

#include "arquorel/platform/geometry/Geometry.h"

namespace arquorel {
class View;
}

namespace arquorel::browser {

struct PagePlacement {
    bool onScreen = false;    // in the key window, shown and of some size
    bool covered = false;     // a screen presented later lies over it
    bool noticeOver = false;  // ... and that screen is an alert of the view's own screen
    Rect frame;               // the box around the view in window coordinates

    // What the page shows: the view's content only when nothing lies over it; its small
    // controls also beside a notice of its own screen.
    bool showsContent() const { return onScreen && !covered; }
    bool showsControls() const { return onScreen && (!covered || noticeOver); }
    friend bool operator==(const PagePlacement&, const PagePlacement&) = default;
};

PagePlacement placeOnPage(const View& view);

}  // namespace arquorel::browser
