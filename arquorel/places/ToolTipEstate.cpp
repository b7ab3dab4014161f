#include "arquorel/places/ToolTipEstate.h"

#include <algorithm>
#include <map>

#include "arquorel/places/CategoryColor.h"
#include "arquorel/places/LogoLoader.h"
#include "arquorel/platform/drawing/ViewDescription.h"
#include "arquorel/platform/resources/Bundle.h"
#include "arquorel/platform/runtime/PlatformContext.h"
#include "arquorel/platform/ui/LayoutRegistry.h"
#include "arquorel/platform/web/DataLoader.h"

namespace arquorel {
namespace {

constexpr Color kNameColor{0.13, 0.14, 0.17, 1};
constexpr Color kDetailColor{0.32, 0.34, 0.38, 1};
constexpr Color kPriceBackground{0.92, 0.93, 0.95, 1};
// The layout's design height; fonts and spacing scale with the card's height.
constexpr double kDesignHeight = 91;
constexpr double kCornerRadius = 10;

const std::map<std::string, std::string>& typeImages() {
    static const std::map<std::string, std::string> images{{"Villa", "villa"},
                                                           {"Immeuble", "immeuble"},
                                                           {"Terrain", "land"},
                                                           {"Box/Parking", "parking"}};
    return images;
}

}  // namespace

void registerToolTipEstateLayout() {
    auto& registry = LayoutRegistry::shared();
    if (registry.contains(kToolTipEstateLayout)) return;
    registry.registerViewLayout(kToolTipEstateLayout, [] {
        return std::vector<std::shared_ptr<View>>{ToolTipEstate::load()};
    });
}

ToolTipEstate::ToolTipEstate(Rect frame) : View(frame) {}

std::shared_ptr<ToolTipEstate> ToolTipEstate::load(Rect frame) {
    auto card = std::shared_ptr<ToolTipEstate>(new ToolTipEstate(frame));
    card->connectSubviews();
    card->awakeFromNib();
    return card;
}

void ToolTipEstate::connectSubviews() {
    setIdentifier("card");
    setBackgroundColor(Color::white());
    layer().cornerRadius = kCornerRadius;

    contentView = std::make_shared<View>();
    contentView->setIdentifier("tile");
    contentView->setUserInteractionEnabled(false);
    iconIv = std::make_shared<ImageView>();
    iconIv->setIdentifier("icon");
    iconIv->setContentMode(ContentMode::scaleAspectFit);
    contentView->addSubview(iconIv);

    nameLabel = std::make_shared<Label>();
    nameLabel->setIdentifier("name");
    nameLabel->setTextColor(kNameColor);
    priceLabel = std::make_shared<Label>();
    priceLabel->setIdentifier("price");
    priceLabel->setTextColor(kNameColor);
    priceLabel->setTextAlignment(TextAlignment::center);
    squareMeterLabel = std::make_shared<Label>();
    squareMeterLabel->setIdentifier("surface");
    pieceLabel = std::make_shared<Label>();
    pieceLabel->setIdentifier("rooms");
    for (const auto& label : {squareMeterLabel, pieceLabel}) label->setTextColor(kDetailColor);
    typeImageView = std::make_shared<ImageView>();
    typeImageView->setIdentifier("type");
    typeImageView->setContentMode(ContentMode::scaleAspectFit);
    distanceLabel = std::make_shared<Label>();
    distanceLabel->setIdentifier("distance");
    distanceLabel->setTextColor(kDistanceGray);
    blinkImageView = std::make_shared<ImageView>();
    blinkImageView->setIdentifier("blink");
    blinkImageView->setBackgroundColor(Color::white());
    blinkImageView->setAlpha(0);
    blinkImageView->layer().cornerRadius = kCornerRadius;
    blinkImageView->setClipsToBounds(true);

    for (const auto& view : std::vector<std::shared_ptr<View>>{
             contentView, nameLabel, priceLabel, squareMeterLabel, pieceLabel, typeImageView,
             distanceLabel, blinkImageView})
        addSubview(view);
}

void ToolTipEstate::awakeFromNib() {
    selectionFeedbackGenerator.prepare();
    auto& style = layer();
    style.shadowOffset = {0, 2};
    style.shadowRadius = 2;
    style.shadowOpacity = 0.3;
    style.shadowColor = Color::black().withAlpha(0.8);
    setClipsToBounds(false);
}

void ToolTipEstate::updateFav() {
    selectionFeedbackGenerator.selectionChanged();
}

void ToolTipEstate::setProperty(std::shared_ptr<QuorelProperty> property) {
    property_ = std::move(property);
    bindProperty();
}

void ToolTipEstate::bindProperty() {
    if (!property_) {
        setHidden(true);
        return;
    }
    setHidden(false);
    const QuorelProperty& p = *property_;
    nameLabel->setText(p.name);
    priceLabel->setText(p.price);
    priceLabel->layer().cornerRadius = 4;
    priceLabel->setClipsToBounds(true);
    squareMeterLabel->setText(p.squareMeters);
    pieceLabel->setText(p.pieces);

    // Cards are reused across places: a name without a type image clears the previous one.
    const auto type = typeImages().find(nameLabel->text());
    typeImageView->setImage(type != typeImages().end() ? Bundle::framework().image(type->second)
                                                       : nullptr);

    if (contentView) {
        if (p.category_color.empty()) {
            contentView->setBackgroundColor(kNoCategoryGray);
            distanceLabel->setTextColor(kNoCategoryGray);
        } else {
            contentView->setBackgroundColor(colorFromHexText(p.category_color, 1.0));
            distanceLabel->setTextColor(kDistanceGray);
        }
    }
    bindIcon(p);
    setNeedsLayout();
}

void ToolTipEstate::bindIcon(const QuorelProperty& p) {
    if (!p.logo.empty()) platformContext().console().writeLine(p.logo);
    // Only http and https addresses are fetched; anything else keeps the category icon.
    const bool fetchLogo = !p.logo.empty() && !checkLoadableAddress(p.logo);
    if (fetchLogo && logoShown_ == p.logo) return;  // the same logo is already shown
    // The category icon: shown at once, and kept when the logo does not load or decode.
    logoShown_.clear();
    iconIv->setBackgroundColor(Color::clear());
    if (auto icon = Bundle::framework().image("villa" + std::to_string(p.category_id))) {
        iconIv->setHidden(false);
        iconIv->layer().cornerRadius = 3;
        iconIv->setClipsToBounds(true);
        iconIv->setImage(std::move(icon));
    } else {
        iconIv->setImage(nullptr);
        iconIv->setHidden(true);
    }
    if (!fetchLogo) return;
    std::weak_ptr<ToolTipEstate> weak = std::static_pointer_cast<ToolTipEstate>(shared_from_this());
    const std::weak_ptr<QuorelProperty> record = property_;
    const std::string address = p.logo;
    LogoLoader::shared().load(address, [weak, record, address](auto image) {
        auto self = weak.lock();
        // A late answer for a card that shows another place (or logo) by now is dropped.
        if (!self || !self->property_ || self->property_ != record.lock() ||
            self->property_->logo != address || !image)
            return;
        self->iconIv->setHidden(false);
        self->iconIv->setBackgroundColor(Color::white().withAlpha(0.3));
        self->iconIv->layer().cornerRadius = 3;
        self->iconIv->setClipsToBounds(true);
        self->iconIv->setImage(std::move(image));
        self->logoShown_ = address;
    });
}

void ToolTipEstate::layoutSubviews() {
    const double w = bounds().width(), h = bounds().height();
    const double k = std::max(h / kDesignHeight, 0.3);
    const double pad = 8 * k;
    // A square tile at the left, a third of the card at most so that the name has room.
    const double tile = std::max(std::min(h - 2 * pad, w * 0.3), 0.0);
    contentView->setFrame({pad, (h - tile) / 2, tile, tile});
    contentView->layer().cornerRadius = 8 * k;
    contentView->setClipsToBounds(true);
    const double icon = tile * 0.66;
    iconIv->setFrame({(tile - icon) / 2, (tile - icon) / 2, icon, icon});

    const double x = pad + tile + pad;
    const double right = w - pad;
    const double textWidth = std::max(right - x, 0.0);
    nameLabel->setFont(Font::boldSystem(13 * k));
    nameLabel->setNumberOfLines(2);
    nameLabel->setLineBreakMode(LineBreakMode::truncateTail);
    const double nameHeight = std::min(nameLabel->sizeThatFits({textWidth, 0}).height, 34 * k);
    nameLabel->setFrame({x, pad, textWidth, nameHeight});

    // Price, surface and rooms in one row under the name; what does not fit is left out (the
    // price is shortened instead, being the first).
    double rowX = x;
    const double rowY = pad + nameHeight + 3 * k;
    const double rowH = 15 * k;
    priceLabel->setFont(Font::boldSystem(10 * k));
    squareMeterLabel->setFont(Font::system(10 * k));
    pieceLabel->setFont(Font::system(10 * k));
    priceLabel->setBackgroundColor(priceLabel->text().empty() ? Color::clear() : kPriceBackground);
    for (const auto& label : {priceLabel, squareMeterLabel, pieceLabel}) {
        const double fit = label->text().empty() ? 0 : label->sizeThatFits({}).width;
        const double wanted = label == priceLabel && fit > 0 ? fit + 8 * k : fit;
        const double room = std::max(right - rowX, 0.0);
        const bool fits = wanted <= room || label == priceLabel;
        const double width = fits ? std::min(wanted, room) : 0;
        label->setHidden(width <= 0);
        label->setFrame({rowX, rowY, width, rowH});
        if (width > 0) rowX += width + 5 * k;
    }

    const double bottomH = 17 * k;
    const double bottomY = h - pad - bottomH;
    const double typeSize = typeImageView->image() ? bottomH : 0;
    typeImageView->setFrame({x, bottomY, typeSize, bottomH});
    distanceLabel->setFont(Font::boldSystem(12 * k));
    const double distanceX = x + (typeSize > 0 ? typeSize + 5 * k : 0);
    distanceLabel->setFrame({distanceX, bottomY, std::max(right - distanceX, 0.0), bottomH});

    blinkImageView->setFrame(bounds());
}

void ToolTipEstate::describe(ViewDescription& description) const {
    View::describe(description);
    if (property_ && !property_->logo.empty()) description.add("logo", property_->logo);
}

}  // namespace arquorel
