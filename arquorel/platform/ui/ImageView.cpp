#include "arquorel/platform/ui/ImageView.h"

#include <algorithm>
#include <cmath>

#include "arquorel/platform/drawing/Painter.h"
#include "arquorel/platform/drawing/ViewDescription.h"

namespace arquorel {

Rect placeImage(Size image, const Rect& box, ContentMode mode) {
    const bool sized = image.width > 0 && image.height > 0 && std::isfinite(image.width) &&
                       std::isfinite(image.height);
    if (!sized) return {};
    Size size = box.size;
    switch (mode) {
        case ContentMode::scaleToFill:
            return box;
        case ContentMode::scaleAspectFit:
        case ContentMode::scaleAspectFill: {
            const double sx = box.width() / image.width, sy = box.height() / image.height;
            const double s =
                mode == ContentMode::scaleAspectFit ? std::min(sx, sy) : std::max(sx, sy);
            size = {image.width * s, image.height * s};
            break;
        }
        case ContentMode::center:
            size = image;
            break;
    }
    return {box.midX() - size.width / 2, box.midY() - size.height / 2, size.width, size.height};
}

ImageView::ImageView(Rect frame, std::shared_ptr<const Image> image)
    : View(frame), image_(std::move(image)) {
    setUserInteractionEnabled(false);
    setLayerBacked(true);
}

Rect ImageView::imageRect() const {
    return image_ ? placeImage(image_->size(), bounds(), contentMode_) : Rect{};
}

Size ImageView::sizeThatFits(Size) const {
    return image_ ? image_->size() : Size{};
}

void ImageView::draw(Painter& painter) const {
    const Rect dest = imageRect();
    if (!image_ || isEmpty(dest)) return;
    painter.drawImage(image_, dest, tint_);
}

void ImageView::describe(ViewDescription& description) const {
    View::describe(description);
    if (image_) description.add("image", image_->name());
}

}  // namespace arquorel
