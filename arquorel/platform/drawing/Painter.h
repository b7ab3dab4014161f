#pragma once
// The canvas every view draws on. Coordinates are points; the current transform, alpha and
// clip are state that save()/restore() keep on a stack. Backends implement the pure virtual
// calls (the Cairo backend makes pixels, DisplayList records them for tests and replay).
//
// How a control draws:
//   - Override `void draw(Painter& painter) const` in the View subclass. The painter is already
//     in the view's own coordinates (origin at the top-left of bounds(), transform, alpha and
//     clip applied; the background, border, gradient and sublayers are drawn by the renderer
//     before it, the subviews after it). Draw only the view's own content, e.g. a Label:
//         auto layout = platformContext().textEngine().layout(text, style, bounds().width());
//         painter.drawText(layout, {0, (bounds().height() - layout->size().height) / 2});
//     Keep the layout that sizeThatFits() measured and draw that one, so the drawn lines are
//     the measured lines.
//   - Override `void describe(ViewDescription& d) const` to put what a user reads into the
//     view-tree dump: d.add("text", text_); d.add("image", image_ ? image_->name() : "");
//     Call the base class's describe() first.

#include <memory>
#include <optional>
#include <vector>

#include "arquorel/platform/drawing/LayerSurface.h"
#include "arquorel/platform/drawing/Path.h"
#include "arquorel/platform/drawing/TextLayout.h"
#include "arquorel/platform/geometry/Color.h"
#include "arquorel/platform/geometry/Geometry.h"
#include "arquorel/platform/resources/Image.h"

namespace arquorel {

struct GradientStop {
    double location = 0;  // 0 to 1
    Color color;
    friend bool operator==(const GradientStop&, const GradientStop&) = default;
};

// A linear gradient runs from `start` to `end`; an angle (conic) gradient turns once around
// `center`, location 0 at `startAngle` (radians, clockwise on screen) and 1 a full turn later.
// Points are in the painter's current coordinates. Stops are sorted by location.
struct Gradient {
    enum class Kind { linear, angle };
    Kind kind = Kind::linear;
    std::vector<GradientStop> stops;
    Point start;
    Point end;
    Point center;
    double startAngle = 0;

    static Gradient linear(Point start, Point end, std::vector<GradientStop> stops);
    static Gradient angle(Point center, double startAngle, std::vector<GradientStop> stops);
    // The colour at `location` (clamped to [0, 1]) between the surrounding stops.
    Color colorAt(double location) const;
    friend bool operator==(const Gradient&, const Gradient&) = default;
};

enum class LineCap { butt, round, square };
enum class LineJoin { miter, round, bevel };

struct StrokeStyle {
    double width = 1;
    LineCap cap = LineCap::butt;
    LineJoin join = LineJoin::miter;
    std::vector<double> dashes;  // on, off, on... lengths; empty: solid
    double dashPhase = 0;
    friend bool operator==(const StrokeStyle&, const StrokeStyle&) = default;
};

inline StrokeStyle lineWidth(double width) {
    StrokeStyle style;
    style.width = width;
    return style;
}

// A shadow cast by a shape: the shape moved by `offset`, blurred by `radius` points, in
// `color` (its alpha is the shadow's opacity).
struct Shadow {
    Color color = Color::black().withAlpha(1.0 / 3);
    Size offset{0, 3};
    double radius = 3;
    friend bool operator==(const Shadow&, const Shadow&) = default;
};

class Painter {
  public:
    virtual ~Painter() = default;

    virtual void save() = 0;
    virtual void restore() = 0;
    // Applies `t` before the current transform (to everything drawn from now on).
    virtual void concat(const Transform& t) = 0;
    // Multiplies the alpha of everything drawn from now on.
    virtual void multiplyAlpha(double alpha) = 0;
    // Intersects the clip with the filled area of `path` (under its fill rule).
    virtual void clip(const Path& path) = 0;

    virtual void fill(const Path& path, const Color& color) = 0;
    virtual void stroke(const Path& path, const Color& color, const StrokeStyle& style) = 0;
    virtual void fillGradient(const Path& area, const Gradient& gradient) = 0;
    // Draws only the shadow that `shape` would cast, not the shape.
    virtual void drawShadow(const Path& shape, const Shadow& shadow) = 0;
    // Draws the image scaled into `dest`; with a tint, the image's shape filled in that colour.
    virtual void drawImage(const std::shared_ptr<const Image>& image, const Rect& dest,
                           std::optional<Color> tint = std::nullopt) = 0;
    // Draws the lines of a layout with its top-left corner at `origin`.
    virtual void drawText(const std::shared_ptr<const TextLayout>& layout, Point origin) = 0;
    // Composites a retained layer, the current coordinates being those of the view it holds.
    // Backends with pixels copy the surface's pixels, which hold the content at the alpha it
    // is shown with (the current alpha does not apply), on whole device pixels when the
    // current transform only moves; this default replays the layer's kept steps.
    virtual void drawLayer(const std::shared_ptr<const LayerSurface>& layer);

    // Shorthands built on the calls above.
    void translate(double dx, double dy) { concat(Transform::translation(dx, dy)); }
    void scale(double sx, double sy) { concat(Transform::scale(sx, sy)); }
    void rotate(double radians) { concat(Transform::rotation(radians)); }
    void clipToRect(const Rect& r) { clip(Path::rect(r)); }
    void clipToRoundedRect(const Rect& r, double radius) { clip(Path::roundedRect(r, radius)); }
    void fillRect(const Rect& r, const Color& color) { fill(Path::rect(r), color); }
    void fillRoundedRect(const Rect& r, double radius, const Color& color) {
        fill(Path::roundedRect(r, radius), color);
    }
    void strokeRect(const Rect& r, const Color& color, double width = 1) {
        stroke(Path::rect(r), color, lineWidth(width));
    }
    void strokeRoundedRect(const Rect& r, double radius, const Color& color, double width = 1) {
        stroke(Path::roundedRect(r, radius), color, lineWidth(width));
    }
};

// Keeps the painter's state for a scope: save() now, restore() at the end.
class PainterStateSaver {
  public:
    explicit PainterStateSaver(Painter& painter) : painter_(painter) { painter_.save(); }
    ~PainterStateSaver() { painter_.restore(); }
    PainterStateSaver(const PainterStateSaver&) = delete;
    PainterStateSaver& operator=(const PainterStateSaver&) = delete;

  private:
    Painter& painter_;
};

}  // namespace arquorel
