#pragma once
// Shows an image in its bounds, placed by its content mode; optionally drawn in a single tint
// colour (a template image). Without an image it shows only its background. Image views take
// no touches by default.

#include <memory>
#include <optional>

#include "arquorel/platform/resources/Image.h"
#include "arquorel/platform/ui/View.h"

namespace arquorel {

enum class ContentMode { scaleToFill, scaleAspectFit, scaleAspectFill, center };

class ImageView : public View {
  public:
    explicit ImageView(Rect frame = {}, std::shared_ptr<const Image> image = nullptr);

    const std::shared_ptr<const Image>& image() const { return image_; }
    void setImage(std::shared_ptr<const Image> image) {
        if (image == image_) return;
        image_ = std::move(image);
        setNeedsDisplay();
    }
    ContentMode contentMode() const { return contentMode_; }
    void setContentMode(ContentMode mode) {
        contentMode_ = mode;
        setNeedsDisplay();
    }
    const std::optional<Color>& tintColor() const { return tint_; }
    void setTintColor(std::optional<Color> tint) {
        if (tint == tint_) return;
        tint_ = tint;
        setNeedsDisplay();
    }

    // Where the image is drawn, in bounds coordinates (it may reach past the bounds with
    // scaleAspectFill and center); empty without an image or with an image of no size.
    Rect imageRect() const;
    // The image's natural size.
    Size sizeThatFits(Size) const;

    void draw(Painter& painter) const override;
    void describe(ViewDescription& description) const override;
    // An image is left out (decorative) unless its screen gives it a label.
    AccessibilityDefaults accessibilityDefaults() const override;

  private:
    std::shared_ptr<const Image> image_;
    ContentMode contentMode_ = ContentMode::scaleToFill;
    std::optional<Color> tint_;
};

// The rectangle an image of natural size `image` takes in `box` under `mode`.
Rect placeImage(Size image, const Rect& box, ContentMode mode);

}  // namespace arquorel
