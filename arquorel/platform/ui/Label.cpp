#include "arquorel/platform/ui/Label.h"

#include <algorithm>
#include <cmath>

#include "arquorel/platform/drawing/Painter.h"
#include "arquorel/platform/drawing/ViewDescription.h"
#include "arquorel/platform/runtime/PlatformContext.h"

namespace arquorel {

Label::Label(Rect frame, std::string text) : View(frame), text_(std::move(text)) {
    setUserInteractionEnabled(false);
    setLayerBacked(true);
}

void Label::setText(std::string text) {
    if (text == text_) return;
    text_ = std::move(text);
    setNeedsDisplay();
}

void Label::setFont(Font font) {
    if (font == font_) return;
    font_ = std::move(font);
    setNeedsDisplay();
}

void Label::setTextColor(const Color& color) {
    if (color == textColor_) return;
    textColor_ = color;
    setNeedsDisplay();
}

TextStyle Label::textStyle() const {
    TextStyle style = font_.style();
    style.color = textColor_;
    style.alignment = alignment_;
    style.maxLines = numberOfLines_;
    style.lineBreak = lineBreakMode_;
    return style;
}

std::shared_ptr<const TextLayout> Label::layoutIn(Size box) const {
    auto& engine = platformContext().textEngine();
    TextStyle style = textStyle();
    auto layout = engine.layout(text_, style, box.width);
    const auto lines = layout->lines().size();
    if (lines > 1 && box.height > 0 && layout->size().height > box.height + 1e-6) {
        // Only the lines that fit the height are shown; the last of them is cut.
        const double lineHeight = layout->size().height / static_cast<double>(lines);
        style.maxLines = std::max(1, static_cast<int>(std::floor(box.height / lineHeight + 1e-6)));
        if (style.lineBreak == LineBreakMode::wordWrap ||
            style.lineBreak == LineBreakMode::charWrap)
            style.lineBreak = LineBreakMode::truncateTail;
        layout = engine.layout(text_, style, box.width);
    }
    return layout;
}

std::shared_ptr<const TextLayout> Label::textLayout() const {
    const Size box = bounds().size;
    const TextStyle style = textStyle();
    const TextEngine* engine = &platformContext().textEngine();
    if (!cache_ || cacheBox_ != box || cacheText_ != text_ || !(cacheStyle_ == style) ||
        cacheEngine_ != engine) {
        cache_ = layoutIn(box);
        cacheBox_ = box;
        cacheText_ = text_;
        cacheStyle_ = style;
        cacheEngine_ = engine;
    }
    return cache_;
}

Size Label::sizeThatFits(Size size) const {
    if (text_.empty()) return {};
    const double width = size.width > 0 && std::isfinite(size.width) ? size.width : kUnlimitedWidth;
    auto layout = platformContext().textEngine().layout(text_, textStyle(), width);
    return {std::ceil(layout->size().width), std::ceil(layout->size().height)};
}

void Label::sizeToFit() {
    const double width = numberOfLines_ != 1 && frame().width() > 0 ? frame().width() : 0;
    const Size size = sizeThatFits({width, 0});
    setFrame({frame().origin, size});
}

void Label::draw(Painter& painter) const {
    if (text_.empty()) return;
    auto layout = textLayout();
    painter.drawText(layout, {0, (bounds().height() - layout->size().height) / 2});
}

void Label::describe(ViewDescription& description) const {
    View::describe(description);
    description.add("text", text_);
}

}  // namespace arquorel
