#pragma once
// A label with padding and an optional image of a given size before (or after) its text: the
// image sits vertically centred next to the text, imageSpacing() apart. Without an image, or
// with an image of no size, the text takes the whole padded area.

#include <memory>
#include <string>

#include "arquorel/platform/resources/Image.h"
#include "arquorel/platform/ui/ImageView.h"
#include "arquorel/platform/ui/Label.h"
#include "arquorel/platform/ui/View.h"

namespace arquorel {

// Where the image goes; the values are those the layouts use.
enum class ImagePosition { left = 2, right = 3 };

class InsetsLabel : public View {
  public:
    explicit InsetsLabel(Rect frame = {});

    const std::string& text() const { return label_->text(); }
    void setText(std::string text);
    // The text with an image before or after it (none: the text alone).
    void setText(std::string text, std::shared_ptr<const Image> image, Size imageSize,
                 ImagePosition position = ImagePosition::left);
    void setFont(Font font);
    void setTextColor(const Color& color) { label_->setTextColor(color); }
    void setNumberOfLines(int lines);
    const Insets& insets() const { return insets_; }
    void setInsets(const Insets& insets);
    double imageSpacing() const { return spacing_; }
    void setImageSpacing(double spacing);

    const std::shared_ptr<Label>& label() const { return label_; }
    const std::shared_ptr<ImageView>& imageView() const { return imageView_; }
    ImagePosition imagePosition() const { return position_; }

    // The padded size of image and text when lines may be at most `size.width` wide.
    Size sizeThatFits(Size size) const;

  protected:
    void layoutSubviews() override;

  private:
    double imageShare() const;

    std::shared_ptr<Label> label_;
    std::shared_ptr<ImageView> imageView_;
    Size imageSize_;
    ImagePosition position_ = ImagePosition::left;
    Insets insets_;
    double spacing_ = 4;
};

}  // namespace arquorel
