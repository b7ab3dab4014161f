#pragma once
// A tappable control with a title and an image per state (normal, highlighted, selected,
// disabled). A state without its own value shows the normal one. System buttons draw their
// title and image in the tint colour and dim while pressed; custom buttons draw as given.
// The image sits left of the title, the pair centred in the bounds.

#include <map>
#include <memory>
#include <optional>
#include <string>

#include "arquorel/platform/drawing/TextLayout.h"
#include "arquorel/platform/resources/Image.h"
#include "arquorel/platform/ui/Control.h"
#include "arquorel/platform/ui/Font.h"

namespace arquorel {

class Button : public Control {
  public:
    enum class Type { custom, system };

    explicit Button(Rect frame = {}, Type type = Type::custom);
    Type buttonType() const { return type_; }

    void setTitle(std::string title, ControlState state = ControlState::normal);
    void setTitleColor(const Color& color, ControlState state = ControlState::normal);
    void setImage(std::shared_ptr<const Image> image, ControlState state = ControlState::normal);
    // The values of exactly that state, none when unset.
    std::optional<std::string> title(ControlState state) const;
    std::shared_ptr<const Image> image(ControlState state) const;

    // What the button shows in its current state.
    std::string currentTitle() const;
    Color currentTitleColor() const;
    std::shared_ptr<const Image> currentImage() const;

    const Color& tintColor() const { return tint_; }
    void setTintColor(const Color& color) {
        tint_ = color;
        setNeedsDisplay();
    }
    // Draws the images in one colour (template images); system buttons use the tint colour
    // when none is set.
    void setImageTintColor(std::optional<Color> color) {
        imageTint_ = color;
        setNeedsDisplay();
    }
    const Font& titleFont() const { return font_; }
    void setTitleFont(Font font) {
        font_ = std::move(font);
        setNeedsDisplay();
    }

    // The image's size beside the title's one-line size, rounded up to whole points.
    Size sizeThatFits(Size size) const;
    // Where the image and the title are drawn, in bounds coordinates.
    Rect imageRect() const;
    Rect titleRect() const;

    void draw(Painter& painter) const override;
    void describe(ViewDescription& description) const override;
    // A button read by its title, else by its image's name.
    AccessibilityDefaults accessibilityDefaults() const override;

  private:
    template <class T>
    const T* lookup(const std::map<unsigned, T>& values) const;
    std::shared_ptr<const TextLayout> titleLayout() const;
    struct Content {
        Rect image;
        Rect title;
        std::shared_ptr<const TextLayout> layout;
    };
    Content content() const;

    Type type_;
    std::map<unsigned, std::string> titles_;
    std::map<unsigned, Color> titleColors_;
    std::map<unsigned, std::shared_ptr<const Image>> images_;
    Color tint_ = kSystemBlue;
    std::optional<Color> imageTint_;
    Font font_ = Font::system(15);
};

}  // namespace arquorel
