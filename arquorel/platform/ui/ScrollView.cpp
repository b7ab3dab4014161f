#include "arquorel/platform/ui/ScrollView.h"

#include <algorithm>

namespace arquorel {

namespace {

constexpr Color kIndicatorColor{0, 0, 0, 0.35};

}  // namespace

ScrollView::ScrollView(Rect frame)
    : View(frame),
      contentView_(std::make_shared<View>()),
      horizontalIndicator_(std::make_shared<View>()),
      verticalIndicator_(std::make_shared<View>()) {
    setClipsToBounds(true);
    contentView_->setIdentifier("scrollContent");
    addSubview(contentView_);
    for (const auto& indicator : {horizontalIndicator_, verticalIndicator_}) {
        indicator->setBackgroundColor(kIndicatorColor);
        indicator->layer().cornerRadius = kIndicatorThickness / 2;
        indicator->setUserInteractionEnabled(false);
        indicator->setHidden(true);
        addSubview(indicator);
    }
    pan_ = std::make_shared<PanGestureRecognizer>(
        [this](GestureRecognizer& recognizer) { handlePan(recognizer); });
    // Cells keep their own touch handling until the pan takes the touch over.
    addGestureRecognizer(pan_);
    placeContent();
}

Point ScrollView::maximumContentOffset() const {
    const Rect b = bounds();
    return {std::max(-inset_.left, contentSize_.width + inset_.right - b.width()),
            std::max(-inset_.top, contentSize_.height + inset_.bottom - b.height())};
}

void ScrollView::setContentOffset(Point offset) {
    if (offset == offset_) return;
    offset_ = offset;
    placeContent();
    didScroll();
    if (auto d = delegate()) d->scrollViewDidScroll(*this);
}

void ScrollView::setContentSize(Size size) {
    if (size == contentSize_) return;
    contentSize_ = size;
    placeContent();
}

void ScrollView::setScrollEnabled(bool enabled) {
    scrollEnabled_ = enabled;
    pan_->setEnabled(enabled);
}

void ScrollView::layoutSubviews() {
    placeContent();
}

void ScrollView::placeContent() {
    contentView_->setFrame({-offset_.x, -offset_.y, contentSize_.width, contentSize_.height});
    placeIndicators();
}

Rect ScrollView::horizontalIndicatorRect() const {
    const Rect b = bounds();
    const double content = contentSize_.width + inset_.left + inset_.right;
    if (!dragging_ || !showsHorizontal_ || content <= b.width() || b.width() <= 0) return {};
    const double track = b.width() - 2 * kIndicatorInset;
    const double length = std::max(kMinimumIndicatorLength, track * b.width() / content);
    const double range = content - b.width();
    const double share = std::clamp((offset_.x + inset_.left) / range, 0.0, 1.0);
    return {kIndicatorInset + share * (track - length),
            b.height() - kIndicatorInset - kIndicatorThickness, length, kIndicatorThickness};
}

Rect ScrollView::verticalIndicatorRect() const {
    const Rect b = bounds();
    const double content = contentSize_.height + inset_.top + inset_.bottom;
    if (!dragging_ || !showsVertical_ || content <= b.height() || b.height() <= 0) return {};
    const double track = b.height() - 2 * kIndicatorInset;
    const double length = std::max(kMinimumIndicatorLength, track * b.height() / content);
    const double range = content - b.height();
    const double share = std::clamp((offset_.y + inset_.top) / range, 0.0, 1.0);
    return {b.width() - kIndicatorInset - kIndicatorThickness,
            kIndicatorInset + share * (track - length), kIndicatorThickness, length};
}

void ScrollView::placeIndicators() {
    const Rect h = horizontalIndicatorRect();
    const Rect v = verticalIndicatorRect();
    horizontalIndicator_->setHidden(isEmpty(h));
    if (!isEmpty(h)) horizontalIndicator_->setFrame(h);
    verticalIndicator_->setHidden(isEmpty(v));
    if (!isEmpty(v)) verticalIndicator_->setFrame(v);
}

void ScrollView::handlePan(GestureRecognizer& recognizer) {
    auto& pan = static_cast<PanGestureRecognizer&>(recognizer);
    switch (pan.state()) {
        case GestureState::began:
            panStart_ = offset_;
            dragging_ = true;
            [[fallthrough]];
        case GestureState::changed: {
            const Rect b = bounds();
            const Point low = minimumContentOffset();
            const Point high = maximumContentOffset();
            const Point t = pan.translation();
            Point next = offset_;
            // An axis scrolls only when its content is larger than what is visible.
            if (contentSize_.width + inset_.left + inset_.right > b.width())
                next.x = std::clamp(panStart_.x - t.x, low.x, high.x);
            if (contentSize_.height + inset_.top + inset_.bottom > b.height())
                next.y = std::clamp(panStart_.y - t.y, low.y, high.y);
            setContentOffset(next);
            placeIndicators();
            break;
        }
        default:
            dragging_ = false;
            placeIndicators();
            break;
    }
}

}  // namespace arquorel
