#include "arquorel/platform/ui/View.h"

#include <algorithm>
#include <atomic>
#include <cmath>

#include "arquorel/platform/drawing/ViewDescription.h"
#include "arquorel/platform/runtime/PlatformContext.h"
#include "arquorel/platform/ui/GestureRecognizer.h"
#include "arquorel/platform/ui/LayoutConstraint.h"
#include "arquorel/platform/ui/ViewController.h"
#include "arquorel/platform/ui/ViewCount.h"

namespace arquorel {

namespace {

constexpr std::size_t kKeptAnimations = 16;

std::atomic<std::size_t> liveViews{0};

// Generations and layer ids come from one counter, so that a value is never seen twice.
std::uint64_t nextGeneration() {
    static std::atomic<std::uint64_t> counter{0};
    return ++counter;
}

// The duration of the innermost View::animate block being run, or none outside blocks.
std::vector<double>& animationStack() {
    static std::vector<double> stack;
    return stack;
}

}  // namespace

namespace {

// The box around a rectangle of `size` centred on `centre` and turned by `t` about its centre.
// A transform that only scales, by factors other than zero.
bool scalesOnly(const Transform& t) {
    return t.b == 0 && t.c == 0 && t.tx == 0 && t.ty == 0 && t.a != 0 && t.d != 0;
}

Rect transformedBox(Point centre, Size size, const Transform& t) {
    const double hw = size.width / 2, hh = size.height / 2;
    const double w = std::fabs(t.a * hw) + std::fabs(t.c * hh);
    const double h = std::fabs(t.b * hw) + std::fabs(t.d * hh);
    return {centre.x - w, centre.y - h, 2 * w, 2 * h};
}

}  // namespace

View::View(Rect frame)
    : frame_(frame),
      boundsSize_(frame.size),
      layerId_(nextGeneration()),
      displayGeneration_(layerId_),
      contentGeneration_(layerId_) {
    ++liveViews;
}

View::~View() {
    --liveViews;
    for (auto& child : subviews_) child->superview_ = nullptr;
    for (auto& r : recognizers_) r->attach({});
}

std::size_t liveViewCount() {
    return liveViews.load();
}

std::shared_ptr<View> View::superview() const {
    return superview_ ? superview_->weak_from_this().lock() : nullptr;
}

void View::setFrame(const Rect& frame) {
    if (frame == frame_) return;
    if (isAnimating()) record(AnimatedProperty::frame, frame_, frame);
    Size size = frame.size;
    // Under a scale the frame is the scaled box; the bounds keep the unscaled size.
    if (scalesOnly(transform_))
        size = {frame.size.width / std::fabs(transform_.a),
                frame.size.height / std::fabs(transform_.d)};
    const bool resized = size != boundsSize_;
    frame_ = frame;
    boundsSize_ = size;
    placementChanged();
    if (resized) {
        setNeedsLayout();
        setNeedsDisplay();
    }
}

void View::setAlpha(double alpha) {
    if (alpha == alpha_) return;
    if (isAnimating()) record(AnimatedProperty::alpha, alpha_, alpha);
    alpha_ = alpha;
    placementChanged();
}

void View::setTransform(const Transform& transform) {
    if (transform == transform_) return;
    if (isAnimating()) record(AnimatedProperty::transform, transform_, transform);
    transform_ = transform;
    // The centre and the bounds stay; the frame becomes the box around them.
    frame_ = transformedBox(center(), boundsSize_, transform_);
    placementChanged();
}

void View::setNeedsDisplay() {
    displayGeneration_ = nextGeneration();
    subtreeChanged();
}

void View::subtreeChanged() {
    const std::uint64_t generation = nextGeneration();
    for (View* v = this; v; v = v->superview_) v->contentGeneration_ = generation;
}

void View::setNeedsLayout() {
    needsLayout_ = true;
    markLayoutPending();
}

void View::markLayoutPending() {
    for (View* v = this; v; v = v->superview_) v->layoutPending_ = true;
}

void View::placementChanged() {
    if (superview_) superview_->subtreeChanged();
}

void View::record(AnimatedProperty property, AnimationRecord::Value from,
                  AnimationRecord::Value to) {
    auto& stack = animationStack();
    if (stack.empty()) return;
    if (animations_.size() >= kKeptAnimations) animations_.erase(animations_.begin());
    animations_.push_back(
        AnimationRecord{property, from, to, stack.back(), platformContext().now()});
}

void View::animate(double duration, const std::function<void()>& changes,
                   std::function<void(bool)> completion) {
    auto& stack = animationStack();
    stack.push_back(duration);
    if (changes) changes();
    stack.pop_back();
    if (completion) {
        platformContext().mainLoop().asyncAfter(
            duration, [completion = std::move(completion)] { completion(true); });
    }
}

bool View::isAnimating() {
    return !animationStack().empty();
}

void View::detachFromParent() {
    if (!superview_) return;
    auto& siblings = superview_->subviews_;
    superview_->subtreeChanged();
    superview_ = nullptr;
    // The caller holds a reference, so erasing the parent's one does not destroy this view.
    std::erase_if(siblings, [this](const std::shared_ptr<View>& v) { return v.get() == this; });
}

void View::addSubview(const std::shared_ptr<View>& view) {
    insertSubview(view, subviews_.size());
}

void View::insertSubview(const std::shared_ptr<View>& view, std::size_t index) {
    if (!view || view.get() == this || isDescendantOf(*view)) return;
    auto keep = view;  // detaching may drop the last other reference
    keep->detachFromParent();
    index = std::min(index, subviews_.size());
    subviews_.insert(subviews_.begin() + static_cast<std::ptrdiff_t>(index), keep);
    keep->superview_ = this;
    subtreeChanged();
    if (keep->layoutPending_) markLayoutPending();
    keep->didMoveToSuperview();
}

void View::insertSubviewAbove(const std::shared_ptr<View>& view, const View& sibling) {
    auto it = std::find_if(subviews_.begin(), subviews_.end(),
                           [&](const std::shared_ptr<View>& v) { return v.get() == &sibling; });
    if (it == subviews_.end()) return addSubview(view);
    if (view.get() == &sibling) return;  // already right where it would go
    // Index after the sibling, counted without `view` itself if it is already a child here.
    std::size_t index = static_cast<std::size_t>(it - subviews_.begin()) + 1;
    if (view && view->superview_ == this) {
        auto own = std::find(subviews_.begin(), subviews_.end(), view);
        if (own < it) --index;
    }
    insertSubview(view, index);
}

void View::bringSubviewToFront(const View& view) {
    auto it = std::find_if(subviews_.begin(), subviews_.end(),
                           [&](const std::shared_ptr<View>& v) { return v.get() == &view; });
    if (it == subviews_.end()) return;
    auto keep = *it;
    subviews_.erase(it);
    subviews_.push_back(std::move(keep));
    subtreeChanged();
}

void View::bringSubviewsToFront(const std::vector<const View*>& views) {
    std::vector<const View*> sorted(views);
    std::sort(sorted.begin(), sorted.end());
    const auto listed = [&](const std::shared_ptr<View>& v) {
        return std::binary_search(sorted.begin(), sorted.end(), v.get());
    };
    std::vector<std::shared_ptr<View>> front;
    front.reserve(views.size());
    for (const View* view : views) {
        auto it = std::find_if(subviews_.begin(), subviews_.end(),
                               [&](const std::shared_ptr<View>& v) { return v.get() == view; });
        if (it != subviews_.end()) front.push_back(*it);
    }
    std::erase_if(subviews_, listed);
    for (auto& view : front) subviews_.push_back(std::move(view));
    if (!front.empty()) subtreeChanged();
}

void View::removeFromSuperview() {
    if (!superview_) return;
    auto self = shared_from_this();  // stay alive through the call
    detachFromParent();
    didMoveToSuperview();
}

bool View::isDescendantOf(const View& other) const {
    for (const View* v = superview_; v; v = v->superview_)
        if (v == &other) return true;
    return false;
}

void View::layoutIfNeeded() {
    if (!layoutPending_) return;
    // Cleared first: a layout that marks views again leaves them to the next pass.
    layoutPending_ = false;
    if (needsLayout_) {
        needsLayout_ = false;
        auto controller = viewController();
        if (controller) controller->viewWillLayoutSubviews();
        applyConstraints(*this);
        layoutSubviews();
        if (controller) controller->viewDidLayoutSubviews();
    }
    // Layout may add or remove views: the children are held while they are laid out.
    bool pending = false;
    for (const auto& child : subviews_) pending = pending || child->layoutPending_;
    if (!pending) return;
    const auto children = subviews_;
    for (const auto& child : children) child->layoutIfNeeded();
}

std::shared_ptr<ViewController> View::viewController() const {
    return controller_ ? controller_->weak_from_this().lock() : nullptr;
}

void View::addGestureRecognizer(const std::shared_ptr<GestureRecognizer>& recognizer) {
    if (!recognizer) return;
    if (auto previous = recognizer->view()) previous->removeGestureRecognizer(*recognizer);
    recognizers_.push_back(recognizer);
    recognizer->attach(handle_);
}

void View::removeGestureRecognizer(const GestureRecognizer& recognizer) {
    auto it = std::find_if(recognizers_.begin(), recognizers_.end(),
                           [&](const auto& r) { return r.get() == &recognizer; });
    if (it == recognizers_.end()) return;
    (*it)->attach({});
    recognizers_.erase(it);
}

void View::touchesBegan(const Touch&) {}
void View::touchesMoved(const Touch&) {}
void View::touchesEnded(const Touch&) {}
void View::touchesCancelled(const Touch&) {}

void View::addAnimation(const std::string& key, LayerAnimation animation) {
    if (animation.beginTime == 0) animation.beginTime = platformContext().now();
    layer_.animations[key] = std::move(animation);
}

const LayerAnimation* View::animation(const std::string& key) const {
    auto it = layer_.animations.find(key);
    return it == layer_.animations.end() ? nullptr : &it->second;
}

void View::draw(Painter&) const {}

void View::describe(ViewDescription&) const {}

std::vector<std::pair<std::string, std::string>> View::descriptionEntries() const {
    ViewDescription description;
    describe(description);
    return std::move(description.entries);
}

bool isOnScreen(const Rect& rect) {
    return intersects(rect, platformContext().device().mainScreenBounds());
}

}  // namespace arquorel
