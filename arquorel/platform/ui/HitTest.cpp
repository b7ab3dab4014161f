#include "arquorel/platform/ui/HitTest.h"

#include <cstdio>

#include "arquorel/platform/ui/Touch.h"
#include "arquorel/platform/ui/View.h"
#include "arquorel/platform/ui/ViewController.h"

namespace arquorel {

Transform transformToSuperview(const View& view) {
    const auto& f = view.frame();
    const auto b = view.bounds();
    // Bounds point -> centred on the bounds' middle -> turned -> placed at the frame's centre.
    const auto toCentre =
        Transform::translation(-(b.x() + b.width() / 2), -(b.y() + b.height() / 2));
    const auto place = Transform::translation(f.x() + f.width() / 2, f.y() + f.height() / 2);
    return concat(concat(toCentre, view.transform()), place);
}

Transform transformToRoot(const View& view) {
    Transform t = Transform::identity();
    const View* v = &view;
    for (auto parent = v->superview(); parent; parent = v->superview()) {
        t = concat(t, transformToSuperview(*v));
        v = parent.get();
    }
    return t;
}

Point convertToRoot(const View& view, Point point) {
    return apply(transformToRoot(view), point);
}

std::optional<Point> convertFromRoot(const View& view, Point point) {
    auto inverse = inverted(transformToRoot(view));
    if (!inverse) return std::nullopt;
    return apply(*inverse, point);
}

std::optional<Point> convertPoint(Point point, const View& from, const View& to) {
    return convertFromRoot(to, convertToRoot(from, point));
}

Point Touch::locationIn(const View& view) const {
    return convertFromRoot(view, location).value_or(Point{NAN, NAN});
}

namespace {

bool inside(const Rect& r, Point p) {
    return p.x >= r.minX() && p.x < r.maxX() && p.y >= r.minY() && p.y < r.maxY();
}

std::shared_ptr<View> hit(View& view, Point point) {
    if (view.isHidden() || !(view.alpha() >= 0.01) || !view.isUserInteractionEnabled())
        return nullptr;
    if (!inside(view.bounds(), point)) return nullptr;
    const auto& subviews = view.subviews();
    for (auto it = subviews.rbegin(); it != subviews.rend(); ++it) {
        auto inverse = inverted(transformToSuperview(**it));
        if (!inverse) continue;
        if (auto found = hit(**it, apply(*inverse, point))) return found;
    }
    return view.shared_from_this();
}

}  // namespace

std::shared_ptr<View> hitTest(View& root, Point point) {
    return hit(root, point);
}

std::string describeView(const View& view) {
    if (!view.identifier().empty()) return "'" + view.identifier() + "'";
    const auto& f = view.frame();
    char frame[96];
    std::snprintf(frame, sizeof frame, " (%.1f, %.1f, %.1f, %.1f)", f.x(), f.y(), f.width(),
                  f.height());
    return shortTypeName(typeid(view)) + frame;
}

}  // namespace arquorel
