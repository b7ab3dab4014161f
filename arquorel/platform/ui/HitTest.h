#pragma once
// Where views are on screen: conversions between a view's bounds coordinates and its window's,
// and the hit test that finds the view under a point.
//
// A view's transform turns it about its frame's centre.

#include <memory>
#include <optional>
#include <string>

#include "arquorel/platform/geometry/Geometry.h"

namespace arquorel {

class View;

// The transform from the view's bounds coordinates to its superview's.
Transform transformToSuperview(const View& view);
// The transform from the view's bounds coordinates to those of its outermost ancestor (the
// window, when the view is in one).
Transform transformToRoot(const View& view);
Point convertToRoot(const View& view, Point point);
// None when a transform on the way squashes the plane (a scale of 0).
std::optional<Point> convertFromRoot(const View& view, Point point);
// From one view's coordinates to another's; both must share the outermost ancestor.
std::optional<Point> convertPoint(Point point, const View& from, const View& to);

// The frontmost view under `point` (in `root`'s bounds coordinates): subviews are tried front
// to back through the inverse of their transforms; hidden views, views with alpha below 0.01,
// views that do not take touches and points outside a view's bounds are skipped (with the
// view's subviews). None when even `root` is missed.
std::shared_ptr<View> hitTest(View& root, Point point);

// How a view is named in messages: its identifier when it has one, otherwise its class and
// frame ("Label (5, 700, 365, 40)").
std::string describeView(const View& view);

}  // namespace arquorel
