#include "arquorel/platform/ui/TableViewCell.h"

namespace arquorel {

namespace {

constexpr Color kSeparatorColor{60.0 / 255, 60.0 / 255, 67.0 / 255, 0.29};

}  // namespace

TableViewCell::TableViewCell(std::string reuseIdentifier)
    : View(Rect{0, 0, 320, kDefaultHeight}),
      reuseIdentifier_(std::move(reuseIdentifier)),
      contentView_(std::make_shared<View>(bounds())),
      separator_(std::make_shared<View>()) {
    setLayerBacked(true);
    contentView_->setIdentifier("contentView");
    addSubview(contentView_);
    separator_->setBackgroundColor(kSeparatorColor);
    separator_->setUserInteractionEnabled(false);
    addSubview(separator_);
}

void TableViewCell::setSelected(bool selected, bool) {
    if (selected == selected_) return;
    selected_ = selected;
    setNeedsDisplay();
}

void TableViewCell::setHighlighted(bool highlighted, bool) {
    if (highlighted == highlighted_) return;
    highlighted_ = highlighted;
    setNeedsDisplay();
}

void TableViewCell::setSeparatorInset(const Insets& inset) {
    separatorInset_ = inset;
    setNeedsLayout();
}

double TableViewCell::heightForWidth(double) const {
    return kDefaultHeight;
}

void TableViewCell::layoutSubviews() {
    const Rect b = bounds();
    contentView_->setFrame(b);
    separator_->setFrame({separatorInset_.left, b.height() - kSeparatorThickness,
                          std::max(0.0, b.width() - separatorInset_.left - separatorInset_.right),
                          kSeparatorThickness});
}

}  // namespace arquorel
