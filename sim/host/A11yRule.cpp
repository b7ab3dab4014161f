#include "sim/host/A11yRule.h"

#include <algorithm>
#include <map>
#include <set>

#include "arquorel/platform/ui/Accessibility.h"
#include "arquorel/platform/ui/Control.h"
#include "arquorel/platform/ui/GestureRecognizer.h"
#include "arquorel/platform/ui/HitTest.h"
#include "arquorel/platform/ui/ScrollView.h"
#include "arquorel/platform/ui/Window.h"

namespace arquorel::sim {

namespace {

bool reactsToTap(const View& view) {
    // A scrolling container's taps act on its rows, which are asked for themselves.
    if (dynamic_cast<const ScrollView*>(&view)) return false;
    if (const auto* control = dynamic_cast<const Control*>(&view)) return control->isEnabled();
    return std::any_of(
        view.gestureRecognizers().begin(), view.gestureRecognizers().end(), [](const auto& r) {
            return dynamic_cast<const TapGestureRecognizer*>(r.get()) && r->isEnabled();
        });
}

void collectTappable(View& view, Window& window, std::vector<View*>& out) {
    if (view.isHidden() || !(view.alpha() >= 0.01) || !view.isUserInteractionEnabled()) return;
    if (reactsToTap(view) && &view != &window) {
        const Rect b = view.bounds();
        const Point centre = convertToRoot(view, {b.midX(), b.midY()});
        auto hit = hitTest(window, centre);
        if (hit && (hit.get() == &view || hit->isDescendantOf(view))) out.push_back(&view);
    }
    for (const auto& child : view.subviews()) collectTappable(*child, window, out);
}

}  // namespace

std::vector<std::string> accessibilityProblems(Window& window) {
    std::vector<std::string> problems;
    const auto tree = AccessibilityTree::build(window);
    const auto elements = tree.elements();
    std::set<const View*> elementViews;
    std::map<std::string, std::vector<const AccessibilityNode*>> byText;
    for (const auto* e : elements) {
        auto view = e->view.lock();
        if (view) elementViews.insert(view.get());
        const std::string name = view ? describeView(*view) : "an element";
        if (e->label.empty()) problems.push_back(name + " reads nothing");
        byText[spokenText(*e)].push_back(e);
    }
    for (const auto& [text, same] : byText) {
        if (same.size() < 2) continue;
        const std::string& identity = same.front()->identity;
        const bool onePlace = !identity.empty() &&
                              std::all_of(same.begin(), same.end(),
                                          [&](const auto* e) { return e->identity == identity; });
        if (!onePlace)
            problems.push_back(std::to_string(same.size()) + " elements read \"" + text + "\"");
    }
    std::vector<View*> tappable;
    collectTappable(window, window, tappable);
    for (View* view : tappable) {
        const bool reached =
            std::any_of(elementViews.begin(), elementViews.end(), [&](const View* e) {
                return e == view || view->isDescendantOf(*e) || e->isDescendantOf(*view);
            });
        if (!reached) problems.push_back(describeView(*view) + " can be tapped but not reached");
    }
    return problems;
}

}  // namespace arquorel::sim
