#pragma once
// How a view's rectangle is drawn beyond its background colour: rounded corners, border,
// shadow, clipping, a mask, a gradient and simple sublayers. Plain values; the renderer reads
// them. Points are in the view's bounds coordinates (gradient points are unit coordinates of
// the bounds: (0, 0) top-left, (1, 1) bottom-right).

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "arquorel/platform/drawing/Path.h"
#include "arquorel/platform/geometry/Color.h"
#include "arquorel/platform/geometry/Geometry.h"

namespace arquorel {

struct LayerGradient {
    enum class Kind { linear, angle };
    Kind kind = Kind::linear;
    std::vector<Color> colors;
    // One location in [0, 1] per colour; empty spreads the colours evenly.
    std::vector<double> locations;
    // Linear: from start to end. Angle: turns once around `start`, beginning towards `end`.
    Point startPoint{0.5, 0};
    Point endPoint{0.5, 1};
    friend bool operator==(const LayerGradient&, const LayerGradient&) = default;
};

// A shape or gradient drawn above the view's background and below its content and subviews.
struct Sublayer {
    std::string name;  // shown in the view-tree dump when not empty
    Rect frame;        // in the view's bounds coordinates
    Color backgroundColor = Color::clear();
    double cornerRadius = 0;
    double opacity = 1;
    bool hidden = false;
    Transform transform;       // about the frame's centre
    std::optional<Path> path;  // in the sublayer's own coordinates (origin at frame's origin)
    Color fillColor = Color::clear();
    Color strokeColor = Color::clear();
    double lineWidth = 1;
    std::optional<LayerGradient> gradient;  // fills the frame, clipped by `path` when set
    friend bool operator==(const Sublayer&, const Sublayer&) = default;
};

// A keyed property animation on the layer (e.g. "transform.rotation" from 0 to 2π, repeated).
// Recorded for the renderer and for tests; it does not change the model.
struct LayerAnimation {
    std::string keyPath;
    double from = 0;
    double to = 0;
    double duration = 0;
    double repeatCount = 0;  // infinity: for ever
    bool autoreverses = false;
    double beginTime = 0;  // set to the clock's time when added, if left at 0
    friend bool operator==(const LayerAnimation&, const LayerAnimation&) = default;
};

struct LayerStyle {
    double cornerRadius = 0;
    double borderWidth = 0;
    Color borderColor = Color::black();
    Color shadowColor = Color::black();
    Size shadowOffset{0, -3};
    double shadowRadius = 3;
    double shadowOpacity = 0;  // no shadow until it is raised above 0
    // Only what lies inside the mask path (under its fill rule; use evenOdd to cut holes)
    // is drawn, the view's content and subviews included.
    std::optional<Path> mask;
    std::optional<LayerGradient> gradient;  // drawn over the background colour
    std::vector<Sublayer> sublayers;
    std::map<std::string, LayerAnimation> animations;
};

}  // namespace arquorel
