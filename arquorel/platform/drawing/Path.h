#pragma once
// A path made of sub-paths (lines, curves, arcs, rectangles) in points, with the rule that
// decides what is inside when it is filled or used as a clip. Paths are plain values.
//
// Angles are radians measured from the +x axis towards +y; because y grows downwards on
// screen, growing angles turn clockwise as seen by the user.

#include <string>
#include <vector>

#include "arquorel/platform/geometry/Geometry.h"

namespace arquorel {

enum class FillRule { nonZero, evenOdd };

struct PathElement {
    enum class Kind { moveTo, lineTo, quadTo, curveTo, arc, rect, close };
    Kind kind = Kind::moveTo;
    // moveTo/lineTo: points[0]; quadTo: control, end; curveTo: control 1, control 2, end;
    // arc: points[0] is the centre; rect: points[0] is the origin.
    Point points[3] = {};
    double radius = 0;      // arc
    double startAngle = 0;  // arc
    double endAngle = 0;    // arc
    bool clockwise = true;  // arc: direction of travel from start to end angle
    Size size;              // rect
    friend bool operator==(const PathElement&, const PathElement&) = default;
};

class Path {
  public:
    Path() = default;

    static Path rect(const Rect& r);
    // A rectangle with corners rounded by `radius`, clamped to half the shorter side.
    static Path roundedRect(const Rect& r, double radius);
    static Path ellipse(const Rect& r);
    static Path circle(Point center, double radius);

    Path& moveTo(Point p);
    Path& lineTo(Point p);
    Path& quadTo(Point control, Point end);
    Path& curveTo(Point control1, Point control2, Point end);
    // An arc around `center`; it is joined to the current point by a straight line.
    Path& arc(Point center, double radius, double startAngle, double endAngle,
              bool clockwise = true);
    Path& addRect(const Rect& r);
    Path& addRoundedRect(const Rect& r, double radius);
    Path& addEllipse(const Rect& r);
    // Appends the elements of another path (its fill rule is not taken).
    Path& addPath(const Path& other);
    Path& close();

    FillRule fillRule() const { return fillRule_; }
    Path& setFillRule(FillRule rule) {
        fillRule_ = rule;
        return *this;
    }

    const std::vector<PathElement>& elements() const { return elements_; }
    bool isEmpty() const { return elements_.empty(); }
    // The rectangle when the path is exactly one rectangle.
    bool isRect(Rect* out = nullptr) const;
    // A box holding every point and control point (exact for lines, rectangles and arcs'
    // full circles; curves may make it a little larger than the drawn shape).
    Rect bounds() const;
    // The path with every point mapped through `t` (arcs become curves when `t` is not a
    // translation).
    Path transformed(const Transform& t) const;
    // True when `p` is inside the filled path under its fill rule (curves are flattened).
    bool contains(Point p) const;

    // A short stable description, e.g. "rect(0,0,10,10)" or "M0,0 L10,0 Z evenOdd".
    std::string describe() const;

    friend bool operator==(const Path&, const Path&) = default;

  private:
    // Line segments approximating every sub-path, each closed.
    std::vector<std::vector<Point>> flatten() const;

    std::vector<PathElement> elements_;
    FillRule fillRule_ = FillRule::nonZero;
};

}  // namespace arquorel
