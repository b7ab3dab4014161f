#pragma once
// One finger on the screen, in window coordinates.

#include "arquorel/platform/geometry/Geometry.h"

namespace arquorel {

class View;

enum class TouchPhase { began, moved, ended, cancelled };

struct Touch {
    TouchPhase phase = TouchPhase::began;
    Point location;       // where the finger is now
    Point startLocation;  // where it came down
    double timestamp = 0;
    double startTime = 0;

    // The current location in the view's bounds coordinates.
    Point locationIn(const View& view) const;
    double distanceMoved() const {
        return std::hypot(location.x - startLocation.x, location.y - startLocation.y);
    }
};

}  // namespace arquorel
