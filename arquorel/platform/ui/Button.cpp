#include "arquorel/platform/ui/Button.h"

#include <cmath>
#include <utility>
#include <vector>

#include "arquorel/platform/drawing/Painter.h"
#include "arquorel/platform/drawing/ViewDescription.h"
#include "arquorel/platform/runtime/PlatformContext.h"

namespace arquorel {

namespace {
unsigned bits(ControlState s) {
    return static_cast<unsigned>(s);
}
}  // namespace

Button::Button(Rect frame, Type type) : Control(frame), type_(type) {
    setLayerBacked(true);
}

void Button::setTitle(std::string title, ControlState state) {
    titles_[bits(state)] = std::move(title);
    setNeedsDisplay();
}

void Button::setTitleColor(const Color& color, ControlState state) {
    titleColors_[bits(state)] = color;
    setNeedsDisplay();
}

void Button::setImage(std::shared_ptr<const Image> image, ControlState state) {
    if (image) {
        images_[bits(state)] = std::move(image);
    } else {
        images_.erase(bits(state));
    }
    setNeedsDisplay();
}

std::optional<std::string> Button::title(ControlState state) const {
    auto it = titles_.find(bits(state));
    return it == titles_.end() ? std::nullopt : std::optional(it->second);
}

std::shared_ptr<const Image> Button::image(ControlState state) const {
    auto it = images_.find(bits(state));
    return it == images_.end() ? nullptr : it->second;
}

// The value of the current state: the exact combination, else disabled, highlighted or
// selected alone (in that order of precedence), else normal.
template <class T>
const T* Button::lookup(const std::map<unsigned, T>& values) const {
    const unsigned now = state();
    std::vector<unsigned> order{now};
    for (auto flag : {ControlState::disabled, ControlState::highlighted, ControlState::selected})
        if (now & bits(flag)) order.push_back(bits(flag));
    order.push_back(bits(ControlState::normal));
    for (unsigned s : order)
        if (auto it = values.find(s); it != values.end()) return &it->second;
    return nullptr;
}

std::string Button::currentTitle() const {
    const auto* t = lookup(titles_);
    return t ? *t : std::string();
}

Color Button::currentTitleColor() const {
    if (const auto* c = lookup(titleColors_)) return *c;
    if (type_ == Type::custom) return Color::white();
    return isEnabled() ? tint_ : kLightGray;
}

std::shared_ptr<const Image> Button::currentImage() const {
    const auto* image = lookup(images_);
    return image ? *image : nullptr;
}

std::shared_ptr<const TextLayout> Button::titleLayout() const {
    TextStyle style = font_.style();
    style.color = currentTitleColor();
    style.maxLines = 1;
    style.lineBreak = LineBreakMode::truncateMiddle;
    style.alignment = TextAlignment::left;
    // The title takes what the image leaves of the width.
    const auto image = currentImage();
    const double room = bounds().width() - (image ? image->size().width : 0);
    return platformContext().textEngine().layout(currentTitle(), style,
                                                 room > 0 ? room : kUnlimitedWidth);
}

Size Button::sizeThatFits(Size) const {
    const auto image = currentImage();
    Size size = image ? image->size() : Size{};
    if (const auto title = currentTitle(); !title.empty()) {
        const auto text = platformContext().textEngine().layout(title, font_.style());
        size.width += text->size().width;
        size.height = std::max(size.height, text->size().height);
    }
    return {std::ceil(size.width), std::ceil(size.height)};
}

Button::Content Button::content() const {
    const auto image = currentImage();
    const Size imageSize = image ? image->size() : Size{};
    const auto layout = currentTitle().empty() ? nullptr : titleLayout();
    const Size titleSize = layout ? layout->size() : Size{};
    const auto b = bounds();
    const double left = std::max(0.0, (b.width() - imageSize.width - titleSize.width) / 2);
    const Rect imageRect =
        image ? Rect{left, (b.height() - imageSize.height) / 2, imageSize.width, imageSize.height}
              : Rect{};
    const Rect titleRect = layout
                               ? Rect{left + imageSize.width, (b.height() - titleSize.height) / 2,
                                      titleSize.width, titleSize.height}
                               : Rect{};
    return {imageRect, titleRect, layout};
}

Rect Button::imageRect() const {
    return content().image;
}

Rect Button::titleRect() const {
    return content().title;
}

void Button::draw(Painter& painter) const {
    PainterStateSaver keep(painter);
    if (type_ == Type::system && isHighlighted()) painter.multiplyAlpha(0.2);
    const auto shown = content();
    if (auto image = currentImage()) {
        std::optional<Color> tint = imageTint_;
        if (!tint && type_ == Type::system) tint = isEnabled() ? tint_ : kLightGray;
        painter.drawImage(image, shown.image, tint);
    }
    if (shown.layout) painter.drawText(shown.layout, shown.title.origin);
}

void Button::describe(ViewDescription& description) const {
    Control::describe(description);
    const auto title = currentTitle();
    if (!title.empty()) description.add("title", title);
    if (auto image = currentImage()) description.add("image", image->name());
    if (isSelected()) description.add("selected", "true");
    if (!isEnabled()) description.add("enabled", "false");
}

}  // namespace arquorel
