#include "arquorel/toolkit/InsetsLabel.h"

#include <algorithm>

namespace arquorel {

InsetsLabel::InsetsLabel(Rect frame)
    : View(frame), label_(std::make_shared<Label>()), imageView_(std::make_shared<ImageView>()) {
    imageView_->setContentMode(ContentMode::scaleAspectFit);
    imageView_->setHidden(true);
    addSubview(imageView_);
    addSubview(label_);
    setUserInteractionEnabled(false);
}

void InsetsLabel::setText(std::string text) {
    setText(std::move(text), nullptr, {});
}

void InsetsLabel::setText(std::string text, std::shared_ptr<const Image> image, Size imageSize,
                          ImagePosition position) {
    label_->setText(std::move(text));
    imageView_->setImage(std::move(image));
    imageSize_ = imageSize;
    position_ = position;
    imageView_->setHidden(imageShare() == 0);
    setNeedsLayout();
}

void InsetsLabel::setFont(Font font) {
    label_->setFont(std::move(font));
    setNeedsLayout();
}

void InsetsLabel::setNumberOfLines(int lines) {
    label_->setNumberOfLines(lines);
    setNeedsLayout();
}

void InsetsLabel::setInsets(const Insets& insets) {
    insets_ = insets;
    setNeedsLayout();
}

void InsetsLabel::setImageSpacing(double spacing) {
    spacing_ = spacing;
    setNeedsLayout();
}

double InsetsLabel::imageShare() const {
    if (!imageView_->image() || imageSize_.width <= 0 || imageSize_.height <= 0) return 0;
    return imageSize_.width + spacing_;
}

Size InsetsLabel::sizeThatFits(Size size) const {
    const double share = imageShare();
    double limit = 0;
    if (size.width > 0) limit = std::max(1.0, size.width - insets_.left - insets_.right - share);
    const Size text = label_->sizeThatFits({limit, 0});
    const double height = std::max(text.height, share > 0 ? imageSize_.height : 0.0);
    return {text.width + share + insets_.left + insets_.right,
            height + insets_.top + insets_.bottom};
}

void InsetsLabel::layoutSubviews() {
    const Rect b = bounds();
    const Rect box{insets_.left, insets_.top,
                   std::max(0.0, b.width() - insets_.left - insets_.right),
                   std::max(0.0, b.height() - insets_.top - insets_.bottom)};
    const double share = imageShare();
    const double imageY = box.minY() + (box.size.height - imageSize_.height) / 2;
    if (share == 0) {
        label_->setFrame(box);
    } else if (position_ == ImagePosition::left) {
        imageView_->setFrame({box.minX(), imageY, imageSize_.width, imageSize_.height});
        label_->setFrame({box.minX() + share, box.minY(), std::max(0.0, box.size.width - share),
                          box.size.height});
    } else {
        const double textWidth = std::max(0.0, box.size.width - share);
        label_->setFrame({box.minX(), box.minY(), textWidth, box.size.height});
        imageView_->setFrame(
            {box.minX() + textWidth + spacing_, imageY, imageSize_.width, imageSize_.height});
    }
}

}  // namespace arquorel
