#include "arquorel/platform/ui/ScrollView.h"

#include <algorithm>
#include <optional>

namespace arquorel {

namespace {

constexpr Color kIndicatorColor{0, 0, 0, 0.35};

// Where an indicator starts along its axis and how long it is, for `visible` points of `content`
// (insets included) scrolled to `position` from the content's start; none when it all fits.
struct IndicatorSpan {
    double start = 0;
    double length = 0;
};

std::optional<IndicatorSpan> indicatorSpan(double visible, double content, double position) {
    if (content <= visible || visible <= 0) return std::nullopt;
    const double track = visible - 2 * ScrollView::kIndicatorInset;
    const double length = std::max(ScrollView::kMinimumIndicatorLength, track * visible / content);
    const double share = std::clamp(position / (content - visible), 0.0, 1.0);
    return IndicatorSpan{ScrollView::kIndicatorInset + share * (track - length), length};
}

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
    pan_ =
        std::make_shared<PanGestureRecognizer>(GestureRecognizer::forView(&ScrollView::handlePan));
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
    if (!dragging_ || !showsHorizontal_) return {};
    const Rect b = bounds();
    const auto span = indicatorSpan(b.width(), contentSize_.width + inset_.left + inset_.right,
                                    offset_.x + inset_.left);
    if (!span) return {};
    return {span->start, b.height() - kIndicatorInset - kIndicatorThickness, span->length,
            kIndicatorThickness};
}

Rect ScrollView::verticalIndicatorRect() const {
    if (!dragging_ || !showsVertical_) return {};
    const Rect b = bounds();
    const auto span = indicatorSpan(b.height(), contentSize_.height + inset_.top + inset_.bottom,
                                    offset_.y + inset_.top);
    if (!span) return {};
    return {b.width() - kIndicatorInset - kIndicatorThickness, span->start, kIndicatorThickness,
            span->length};
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
