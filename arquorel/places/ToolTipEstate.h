#pragma once
// The card of a place: a white rounded card with a shadow holding a tile in the category
// colour with the category icon or the place's logo, the name in bold, price, surface and
// rooms, the type image and the distance text. Made from the view layout "ToolTipEstate".
#include <memory>
#include <string>

#include "arquorel/places/QuorelProperty.h"
#include "arquorel/platform/device/Application.h"
#include "arquorel/platform/ui/ImageView.h"
#include "arquorel/platform/ui/Label.h"
#include "arquorel/platform/ui/View.h"

namespace arquorel {

inline constexpr const char* kToolTipEstateLayout = "ToolTipEstate";
// Text colours of the distance: on a category colour, and without one (also the tile's
// background then).
inline constexpr Color kDistanceGray{0.5, 0.5, 0.5, 1};
inline constexpr Color kNoCategoryGray{2.0 / 3, 2.0 / 3, 2.0 / 3, 1};
// The highlight flashed on a tap: from this opacity to none over kBlinkDuration.
inline constexpr double kBlinkOpacity = 0.5;
inline constexpr double kBlinkDuration = 0.4;

// Registers the view layout "ToolTipEstate" (one card) once; later calls do nothing.
void registerToolTipEstateLayout();

class ToolTipEstate : public View {
  public:
    // A card with its subviews connected and awakeFromNib() run, as the layout makes it.
    static std::shared_ptr<ToolTipEstate> load(Rect frame = {0, 0, 166, 91});

    std::shared_ptr<Label> nameLabel;
    std::shared_ptr<Label> distanceLabel;
    std::shared_ptr<View> contentView;  // the tile behind the icon, in the category colour
    std::shared_ptr<ImageView> iconIv;
    std::shared_ptr<ImageView> blinkImageView;
    std::shared_ptr<Label> priceLabel;
    std::shared_ptr<Label> squareMeterLabel;
    std::shared_ptr<Label> pieceLabel;
    std::shared_ptr<ImageView> typeImageView;
    SelectionFeedbackGenerator selectionFeedbackGenerator;

    const std::shared_ptr<QuorelProperty>& property() const { return property_; }
    // Shows the record (bindProperty()); none hides the card.
    void setProperty(std::shared_ptr<QuorelProperty> property);
    void bindProperty();

    // Prepares the haptic generator and gives the card its shadow.
    void awakeFromNib();
    // The favourite button's action: one selection tick, nothing stored.
    void updateFav();

    void describe(ViewDescription& description) const override;

  protected:
    explicit ToolTipEstate(Rect frame);
    void layoutSubviews() override;

  private:
    void connectSubviews();
    void bindIcon(const QuorelProperty& property);

    std::shared_ptr<QuorelProperty> property_;
    std::string logoShown_;  // the address whose image iconIv holds, if any
};

}  // namespace arquorel
