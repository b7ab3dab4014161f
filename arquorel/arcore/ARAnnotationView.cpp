#include "arquorel/arcore/ARAnnotationView.h"

#include <cmath>
#include <functional>

#include "arquorel/arcore/ARAnnotation.h"
#include "arquorel/platform/runtime/PlatformContext.h"

namespace arquorel {

namespace {
double round2(double v) {
    return std::round(v * 100) / 100;
}
constexpr double kMainScale = 1.5;
constexpr double kStateAnimationDuration = 0.5;
}  // namespace

ARAnnotationView::ARAnnotationView(Rect frame) : View(frame) {
    setLayerBacked(true);
}

std::shared_ptr<ARAnnotationView> ARAnnotationView::create(Rect frame) {
    return make<ARAnnotationView>(frame);
}

void ARAnnotationView::finishConstruction() {
    if (initialized_) return;
    initialized_ = true;
    initialize();
}

void ARAnnotationView::prepareForReuse(const Rect& frame) {
    annotation_.reset();
    arStackOffset = {};
    arStackAlternateFrame = {};
    arZeroPoint = {};
    disableMove = false;
    initialFrame = {};
    isMainAnn = false;
    setTransform(Transform::identity());
    setAlpha(1);
    setHidden(false);
    setFrame(frame);
    clearAnimations();
    removeAllAnimations();
}

// Moves to `target` with `alpha`, animated only when asked and either end is on screen.
void ARAnnotationView::applyAppearance(double alpha, const Rect& target, bool animated) {
    const auto apply = [&] {
        setAlpha(alpha);
        setFrame(target);
    };
    if (animated && (isOnScreen(frame()) || isOnScreen(target))) {
        View::animate(kStateAnimationDuration, std::cref(apply));
    } else {
        apply();
    }
}

void ARAnnotationView::updateMainState(bool animated) {
    if (!isMainAnn) {
        // The scale goes first: set under it, the frame would shrink with it afterwards.
        setTransform(Transform::identity());
        applyAppearance(0.5, initialFrame, animated);
        return;
    }
    const double w = initialFrame.width() * kMainScale;
    const double h = initialFrame.height() * kMainScale;
    if (frame().height() != 0 && round2(frame().height()) != round2(h) && hasSuperview() &&
        platformContext().device().systemMajorVersion() >= 11) {
        setTransform(Transform::scale(kMainScale, kMainScale));
    }
    const Rect target{initialFrame.x() - (w - initialFrame.width()) / 2,
                      initialFrame.y() - (h - initialFrame.height()) / 2, w, h};
    applyAppearance(1.0, target, animated);
}

}  // namespace arquorel
