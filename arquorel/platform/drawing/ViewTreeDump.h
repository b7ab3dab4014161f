#pragma once
// A text dump of view trees for golden-file tests and for people: one line a view, indented
// by depth, with no addresses, so it is the same on every run and every machine:
//
//   View #root (0.0, 0.0, 375.0, 812.0)
//     Label #title (16.0, 40.0, 343.0, 21.5) alpha=0.50 text="Casino"
//     [1] ImageView (0.0, 0.0, 40.0, 40.0) hidden image="ovin_close"
//
// Each line holds the class name (without namespaces), the identifier (#name) or else the
// index among its siblings ([i]), the frame to one decimal, then alpha when not 1, "hidden",
// the transform when not the identity, "noTouch" when user interaction is off, and what the
// view's describe() adds (texts, image names, alerts) as key="value" pairs.

#include <memory>
#include <string>
#include <vector>

namespace arquorel {

class View;

// Roots in drawing order, each as a tree.
std::string dumpViewTree(const std::vector<std::shared_ptr<View>>& roots);
std::string dumpViewTree(const View& root);
// The class name of a view as the dump shows it ("Label").
std::string viewClassName(const View& view);

}  // namespace arquorel
