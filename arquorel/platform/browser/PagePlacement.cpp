#include "arquorel/platform/browser/PagePlacement.h"

#include <algorithm>

#include "arquorel/platform/ui/AlertController.h"
#include "arquorel/platform/ui/HitTest.h"
#include "arquorel/platform/ui/View.h"
#include "arquorel/platform/ui/ViewController.h"
#include "arquorel/platform/ui/Window.h"

namespace arquorel::browser {

namespace {

// The presented screen whose view holds `view`, if any: the last of the stack that does.
std::size_t owningLevel(const std::vector<std::shared_ptr<ViewController>>& stack, const View& view,
                        bool& found) {
    found = false;
    for (std::size_t i = stack.size(); i-- > 0;) {
        const auto root = stack[i]->viewIfLoaded();
        if (root && (root.get() == &view || view.isDescendantOf(*root))) {
            found = true;
            return i;
        }
    }
    return 0;
}

}  // namespace

PagePlacement placeOnPage(const View& view) {
    PagePlacement placement;
    const auto window = Window::keyWindow();
    if (!window) return placement;
    if (&view != window.get() && !view.isDescendantOf(*window)) return placement;
    for (const View* v = &view; v;) {
        if (v->isHidden() || v->alpha() < 0.01) return placement;
        const auto parent = v->superview();
        v = parent.get();
    }
    const Rect b = view.bounds();
    const Point corners[] = {
        convertToRoot(view, {b.minX(), b.minY()}), convertToRoot(view, {b.maxX(), b.minY()}),
        convertToRoot(view, {b.minX(), b.maxY()}), convertToRoot(view, {b.maxX(), b.maxY()})};
    double minX = corners[0].x, maxX = corners[0].x, minY = corners[0].y, maxY = corners[0].y;
    for (const auto& p : corners) {
        minX = std::min(minX, p.x);
        maxX = std::max(maxX, p.x);
        minY = std::min(minY, p.y);
        maxY = std::max(maxY, p.y);
    }
    placement.frame = {{minX, minY}, {maxX - minX, maxY - minY}};
    if (!(placement.frame.width() >= 1) || !(placement.frame.height() >= 1)) return placement;
    placement.onScreen = true;

    const auto stack = window->presentationStack();
    bool found = false;
    const std::size_t level = owningLevel(stack, view, found);
    if (found && level + 1 < stack.size()) {
        placement.covered = true;
        const auto& top = stack.back();
        placement.noticeOver =
            level + 2 == stack.size() && dynamic_cast<const AlertController*>(top.get()) != nullptr;
    }
    return placement;
}

}  // namespace arquorel::browser
