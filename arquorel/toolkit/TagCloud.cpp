#include "arquorel/toolkit/TagCloud.h"

#include <algorithm>
#include <cmath>

namespace arquorel {

TagView::TagView(std::string text, TagStyle style) : Label({}, std::move(text)), style_(style) {
    setTextAlignment(TextAlignment::center);
    setNumberOfLines(1);
    applyStyle();
}

void TagView::setSelected(bool selected) {
    if (selected == selected_) return;
    selected_ = selected;
    applyStyle();
}

void TagView::applyStyle() {
    setFont(style_.font);
    setTextColor(selected_ ? style_.selectedTextColor : style_.textColor);
    setBackgroundColor(selected_ ? style_.selectedBackgroundColor : style_.backgroundColor);
    auto& l = layer();
    l.borderColor = selected_ ? style_.selectedBorderColor : style_.borderColor;
    l.borderWidth = selected_ ? style_.selectedBorderWidth : style_.borderWidth;
    l.cornerRadius = selected_ ? style_.selectedCornerRadius : style_.cornerRadius;
    l.shadowColor = style_.shadowColor;
    l.shadowOpacity = style_.shadowOpacity;
    l.shadowOffset = style_.shadowOffset;
    l.shadowRadius = style_.shadowRadius;
}

Size TagView::tagSize() const {
    const Size text = sizeThatFits({0, 0});
    return {text.width + style_.extraSpace.width, text.height + style_.extraSpace.height};
}

TagCloud::TagCloud(Rect frame) : View(frame), scrollView_(std::make_shared<ScrollView>(bounds())) {
    scrollView_->setIdentifier("tagScroll");
    addSubview(scrollView_);
    // On the cloud itself, so that the action reaches the cloud through its recogniser; it
    // still sees every touch on the tags, which lie inside the scroll view.
    tap_ = std::make_shared<TapGestureRecognizer>(GestureRecognizer::forView(&TagCloud::handleTap));
    addGestureRecognizer(tap_);
}

void TagCloud::setScrollDirection(TagScrollDirection direction) {
    direction_ = direction;
    setNeedsLayout();
}

void TagCloud::setAlignment(TagAlignment alignment) {
    alignment_ = alignment;
    setNeedsLayout();
}

void TagCloud::setHorizontalSpacing(double spacing) {
    horizontalSpacing_ = spacing;
    setNeedsLayout();
}

void TagCloud::setVerticalSpacing(double spacing) {
    verticalSpacing_ = spacing;
    setNeedsLayout();
}

void TagCloud::addTag(std::string text, const TagStyle& style) {
    auto tag = std::make_shared<TagView>(std::move(text), style);
    tags_.push_back(tag);
    scrollView_->contentView()->addSubview(tag);
    setNeedsLayout();
}

void TagCloud::removeAllTags() {
    for (const auto& tag : tags_) tag->removeFromSuperview();
    tags_.clear();
    setNeedsLayout();
}

std::vector<std::string> TagCloud::tagTexts() const {
    std::vector<std::string> texts;
    texts.reserve(tags_.size());
    for (const auto& tag : tags_) texts.push_back(tag->text());
    return texts;
}

void TagCloud::setTagSelected(std::size_t index, bool selected) {
    if (index < tags_.size()) tags_[index]->setSelected(selected);
}

Size TagCloud::arrange(double width, std::vector<Rect>* frames) const {
    if (frames) frames->assign(tags_.size(), Rect{});
    if (tags_.empty()) return {};
    std::vector<Size> sizes;
    sizes.reserve(tags_.size());
    for (const auto& tag : tags_) sizes.push_back(tag->tagSize());

    if (direction_ == TagScrollDirection::horizontal) {
        double x = 0, height = 0;
        for (const auto& s : sizes) height = std::max(height, s.height);
        const double lineTop = std::max(0.0, (bounds().height() - height) / 2);
        for (std::size_t i = 0; i < sizes.size(); ++i) {
            if (i > 0) x += horizontalSpacing_;
            if (frames)
                (*frames)[i] = {x, lineTop + (height - sizes[i].height) / 2, sizes[i].width,
                                sizes[i].height};
            x += sizes[i].width;
        }
        return {x, height};
    }

    // Vertical: lines filled left to right, a tag wider than the line on a line of its own.
    double y = 0, widest = 0;
    std::size_t start = 0;
    while (start < sizes.size()) {
        std::size_t end = start;
        double lineWidth = 0, lineHeight = 0;
        while (end < sizes.size()) {
            const double next =
                lineWidth + (end > start ? horizontalSpacing_ : 0) + sizes[end].width;
            if (end > start && next > width) break;
            lineWidth = next;
            lineHeight = std::max(lineHeight, sizes[end].height);
            ++end;
        }
        double x = 0;
        if (alignment_ == TagAlignment::center) x = std::max(0.0, (width - lineWidth) / 2);
        if (alignment_ == TagAlignment::right) x = std::max(0.0, width - lineWidth);
        for (std::size_t i = start; i < end; ++i) {
            if (frames)
                (*frames)[i] = {x, y + (lineHeight - sizes[i].height) / 2, sizes[i].width,
                                sizes[i].height};
            x += sizes[i].width + horizontalSpacing_;
        }
        widest = std::max(widest, lineWidth);
        y += lineHeight + verticalSpacing_;
        start = end;
    }
    return {widest, y - verticalSpacing_};
}

double TagCloud::heightForWidth(double width) const {
    return arrange(width, nullptr).height;
}

void TagCloud::reload() {
    scrollView_->setFrame(bounds());
    std::vector<Rect> frames;
    tagsSize_ = arrange(bounds().width(), &frames);
    for (std::size_t i = 0; i < tags_.size(); ++i) tags_[i]->setFrame(frames[i]);
    if (direction_ == TagScrollDirection::horizontal)
        scrollView_->setContentSize({tagsSize_.width, scrollView_->bounds().height()});
    else
        scrollView_->setContentSize({bounds().width(), tagsSize_.height});
}

void TagCloud::layoutSubviews() {
    reload();
}

void TagCloud::handleTap(GestureRecognizer& recognizer) {
    if (!selectionEnabled_ || recognizer.state() != GestureState::ended) return;
    const Point p = recognizer.locationInView(scrollView_->contentView().get());
    for (const auto& tag : tags_) {
        const Rect f = tag->frame();
        if (p.x >= f.minX() && p.x < f.maxX() && p.y >= f.minY() && p.y < f.maxY()) {
            tag->setSelected(!tag->isSelected());
            return;
        }
    }
}

}  // namespace arquorel
