#include "arquorel/placelist/ArPlaceCell.h"

#include <algorithm>
#include <numbers>

#include "arquorel/placelist/Handoffs.h"
#include "arquorel/places/CategoryColor.h"
#include "arquorel/places/DistanceText.h"
#include "arquorel/places/SpokenPlace.h"
#include "arquorel/platform/resources/Bundle.h"
#include "arquorel/platform/runtime/PlatformContext.h"
#include "arquorel/platform/sensors/Geodesy.h"
#include "arquorel/toolkit/TextCase.h"

namespace arquorel {

namespace {

constexpr Color kTitleColor{62.0 / 255, 62.0 / 255, 68.0 / 255, 1};
constexpr Color kSecondaryText{0.42, 0.42, 0.45, 1};
constexpr Color kDistanceBackground{0.94, 0.94, 0.96, 1};
constexpr double kTopMargin = 12;
constexpr double kBottomMargin = 12;
constexpr double kGap = 6;
constexpr double kFadeWidth = 15;
constexpr double kButtonsWidth = 84;  // favourite and share, with the margin
constexpr double kButtonsHeight = 28;

LayerGradient fade(const Color& color) {
    LayerGradient g;
    g.colors = {color, color.withAlpha(0)};
    g.startPoint = {0, 0.5};
    g.endPoint = {1, 0.5};
    return g;
}

}  // namespace

std::string cellDistanceText(double metres) {
    const std::string text = distanceText(metres);
    return text.empty() ? text : "  " + text + "  ";
}

ArPlaceCell::ArPlaceCell() : TableViewCell(kArPlaceCellIdentifier) {
    auto& bundle = Bundle::framework();
    const auto& content = contentView();
    content->setBackgroundColor(Color::white());

    titlelabel = std::make_shared<InsetsLabel>();
    titlelabel->setIdentifier("titlelabel");
    titlelabel->setFont(Font::boldSystem(17));
    titlelabel->setTextColor(kTitleColor);
    titlelabel->setNumberOfLines(2);
    content->addSubview(titlelabel);

    tagsView = std::make_shared<View>();
    tagsView->setIdentifier("tagsView");
    content->addSubview(tagsView);
    collectionView = std::make_shared<TagCloud>();
    collectionView->setScrollDirection(TagScrollDirection::horizontal);
    collectionView->setAlignment(TagAlignment::left);
    collectionView->setTagSelectionEnabled(false);
    collectionView->setUserInteractionEnabled(false);
    const auto& scroll = collectionView->scrollView();
    scroll->setContentInset({0, kSideMargin, 0, 0});
    scroll->setContentOffset({-kSideMargin, 0});
    scroll->setShowsHorizontalScrollIndicator(false);
    tagsView->addSubview(collectionView);
    // Soft edges where tags scroll out: `shadow` on the left, `shadow2` turned on the right.
    shadow = std::make_shared<View>();
    shadow2 = std::make_shared<View>();
    for (const auto& s : {shadow, shadow2}) {
        s->layer().gradient = fade(Color::white());
        s->setUserInteractionEnabled(false);
        tagsView->addSubview(s);
    }

    timeLabel = std::make_shared<InsetsLabel>();
    timeLabel->setIdentifier("timeLabel");
    locationLabel = std::make_shared<InsetsLabel>();
    locationLabel->setIdentifier("locationLabel");
    for (const auto& l : {timeLabel, locationLabel}) {
        l->setFont(Font::system(13));
        l->setTextColor(kSecondaryText);
        content->addSubview(l);
    }

    distanceView = std::make_shared<View>();
    distanceView->setIdentifier("distanceView");
    distanceView->setBackgroundColor(kDistanceBackground);
    distanceView->layer().cornerRadius = 11;
    content->addSubview(distanceView);
    distanceLabel = std::make_shared<Label>();
    distanceLabel->setIdentifier("distanceLabel");
    distanceLabel->setFont(Font::boldSystem(13));
    distanceLabel->setTextColor(kTitleColor);
    distanceLabel->setTextAlignment(TextAlignment::center);
    content->addSubview(distanceLabel);
    dirArrow = std::make_shared<ImageView>(Rect{}, bundle.image("arrow"));
    dirArrow->setIdentifier("dirArrow");
    dirArrow->setContentMode(ContentMode::scaleAspectFit);
    content->addSubview(dirArrow);

    favoriteButton = std::make_shared<Button>();
    favoriteButton->setIdentifier("favoriteButton");
    favoriteButton->setImage(bundle.image("favorite"));
    favoriteButton->setImage(bundle.image("favorite_selected"), ControlState::selected);
    favoriteButton->addAction(ControlEvent::touchUpInside,
                              [this](Control&) { removeFromFavorite(); });
    shareButton = std::make_shared<Button>();
    shareButton->setIdentifier("shareButton");
    shareButton->setImage(bundle.image("share"));
    shareButton->addAction(ControlEvent::touchUpInside, [this](Control&) { share(); });
    content->addSubview(favoriteButton);
    content->addSubview(shareButton);
    // A reader reaches the row's two buttons as actions of the row.
    accessibility().traits = AccessibilityTrait::button;
    accessibility().customActions = {
        {localized("a11yFavourite"),
         [this] {
             removeFromFavorite();
             updateAccessibility();
             return true;
         }},
        {localized("a11yShare"),
         [this] {
             if (shareItems().empty()) return false;
             share();
             return true;
         }},
    };
}

void ArPlaceCell::updateAccessibility() {
    auto& a11y = accessibility();
    if (!place) {
        a11y.label.reset();
        return;
    }
    std::string label = place->name;
    for (const PlaceText* field : {&place->parent_category_title, &place->category})
        if (!field->empty()) label += ", " + *field;
    if (!spokenWhere_.empty()) label += ", " + spokenWhere_;
    a11y.label = label;
    a11y.value = favoriteButton->isSelected() ? localized("a11yFavourite") : std::string();
    a11y.identity = place->id;
}

void ArPlaceCell::prepareForReuse() {
    TableViewCell::prepareForReuse();
    subscription_.cancel();
}

void ArPlaceCell::configure() {
    if (!place) return;
    auto& bundle = Bundle::framework();
    contentView()->setBackgroundColor(Color::white());
    titlelabel->setText(place->name);
    for (const auto& s : {shadow, shadow2}) s->layer().gradient = fade(Color::white());

    if (place->opening_hours.empty()) {
        timeLabel->setText({});
        timeHeight = 0;
    } else {
        timeLabel->setText(place->opening_hours + " ", bundle.image("clock_icon"), {14, 14},
                           ImagePosition::left);
        timeHeight = kTimeRowHeight;
    }
    // The address row needs a street; a city or postcode alone is not shown.
    if (place->street.empty()) {
        locationLabel->setText({});
        locationHeight = 0;
    } else {
        locationLabel->setText(place->displayAddress() + " ", bundle.image("addr"), {13, 17},
                               ImagePosition::left);
        locationHeight = kLocationRowHeight;
    }
    favoriteButton->setSelected(false);
    shareButton->setHidden(shareItems().empty());

    // One subscription per cell: the previous place's goes. A known heading is reported at
    // once; without one the distance is still computed now.
    subscription_.cancel();
    const auto& manager = LocationManager::sharedInstance();
    const bool headingKnown = manager->latestHeading().has_value();
    if (!headingKnown) updateHeading(std::nullopt);
    subscription_ = manager->addHeadingCallback(
        [weak = std::weak_ptr<View>(shared_from_this())](std::optional<double> heading) {
            if (auto self = std::static_pointer_cast<ArPlaceCell>(weak.lock()))
                self->updateHeading(heading);
        });

    rebuildTags();
    setNeedsLayout();
}

void ArPlaceCell::rebuildTags() {
    collectionView->removeAllTags();
    TagStyle style;
    style.font = Font::boldSystem(kTagFontSize);
    style.textColor = style.selectedTextColor = Color::white();
    const Color color =
        place->category_color.empty() ? kLightGray : colorFromHexText(place->category_color, 1.0);
    style.backgroundColor = style.selectedBackgroundColor = color;
    style.borderColor = style.selectedBorderColor = color;
    style.borderWidth = style.selectedBorderWidth = 1;
    style.cornerRadius = style.selectedCornerRadius = 4;
    style.shadowColor = Color::clear();
    style.shadowOpacity = 0;
    style.shadowOffset = {0, 0};
    style.shadowRadius = 0;
    style.extraSpace = {kTagExtraSpace, kTagExtraSpace};
    for (const PlaceText* field : {&place->parent_category_title, &place->category})
        if (!field->empty()) collectionView->addTag(upperCased(*field + "  "), style);
    collectionView->reload();
    collectionView->scrollView()->setContentOffset({-kSideMargin, 0});
}

void ArPlaceCell::updateHeading(std::optional<double> heading) {
    if (!place) return;
    const auto& manager = LocationManager::sharedInstance();
    const auto& location = manager->latestLocation();
    if (!location) {
        distanceLabel->setText({});
        distanceLabel->setHidden(true);
        distanceView->setHidden(true);
        dirArrow->setHidden(true);
        spokenWhere_.clear();
        updateAccessibility();
        return;
    }
    const Location target(place->lat, place->lng);
    std::string text = cellDistanceText(distance(*location, target));
    // The pill is sized to the text: only a new text needs a layout.
    if (text != distanceLabel->text()) {
        distanceLabel->setText(std::move(text));
        setNeedsLayout();
    }
    distanceLabel->setHidden(false);
    distanceView->setHidden(false);
    dirArrow->setHidden(!heading);
    if (heading) {
        const double angle = 360 - *heading + LocationManager::bearingBetween(*location, target);
        dirArrow->setTransform(Transform::rotation(angle * std::numbers::pi / 180));
    }
    spokenWhere_ = placeReading(
        {}, {}, distance(*location, target),
        heading ? directionWords(LocationManager::bearingBetween(*location, target), *heading)
                : std::string());
    updateAccessibility();
}

std::vector<ShareItem> ArPlaceCell::shareItems() const {
    if (!place) return {};
    return arquorel::shareItems(*place, platformContext().urlService());
}

void ArPlaceCell::removeFromFavorite() {
    ++hapticTicks_;
    favoriteButton->setSelected(!favoriteButton->isSelected());
}

void ArPlaceCell::share() {
    auto items = shareItems();
    if (items.empty()) return;
    if (auto d = delegate.lock()) d->shareWithItems(items);
}

void ArPlaceCell::setHighlighted(bool highlighted, bool animated) {
    TableViewCell::setHighlighted(highlighted, animated);
    if (!highlighted)
        contentView()->setBackgroundColor(Color::white());
    else
        contentView()->setBackgroundColor(kDistanceBackground);
    shadow->setHidden(highlighted);
    shadow2->setHidden(highlighted);
}

double ArPlaceCell::titleHeight(double width) const {
    const double textWidth = std::max(1.0, width - kSideMargin - kRightColumn);
    return titlelabel->sizeThatFits({textWidth, 0}).height;
}

double ArPlaceCell::heightForWidth(double width) const {
    const double tags = collectionView->tagCount() ? kTagsHeight + kGap : 0;
    const double content =
        kTopMargin + titleHeight(width) + kGap + tags + timeHeight + locationHeight + kBottomMargin;
    // Room for the distance row and the buttons below it.
    return std::max(content, kTopMargin + 22 + kGap + kButtonsHeight + kBottomMargin);
}

void ArPlaceCell::layoutSubviews() {
    TableViewCell::layoutSubviews();
    const double w = bounds().width();
    const double textWidth = std::max(1.0, w - kSideMargin - kRightColumn);
    double y = kTopMargin;
    const double th = titleHeight(w);
    titlelabel->setFrame({kSideMargin, y, textWidth, th});
    y += th + kGap;
    const bool hasTags = collectionView->tagCount() > 0;
    tagsView->setHidden(!hasTags);
    tagsView->setFrame({0, y, w - kRightColumn + kSideMargin, kTagsHeight});
    collectionView->setFrame(tagsView->bounds());
    collectionView->layoutIfNeeded();
    shadow->setFrame({0, 0, kFadeWidth, kTagsHeight});
    shadow2->setFrame({tagsView->bounds().width() - kFadeWidth, 0, kFadeWidth, kTagsHeight});
    shadow2->setTransform(Transform::rotation(std::numbers::pi));
    if (hasTags) y += kTagsHeight + kGap;
    // The hours and address rows end before the buttons.
    const double rowWidth = std::max(1.0, w - kSideMargin - kButtonsWidth);
    timeLabel->setFrame({kSideMargin, y, rowWidth, timeHeight});
    timeLabel->setHidden(timeHeight == 0);
    y += timeHeight;
    locationLabel->setFrame({kSideMargin, y, rowWidth, locationHeight});
    locationLabel->setHidden(locationHeight == 0);

    // Right column: the distance on its pill with the arrow beside it, the buttons below.
    const double right = w - kSideMargin;
    const double arrowSize = 24;
    const Size text = distanceLabel->sizeThatFits({0, 0});
    const double pillWidth = std::min(kRightColumn - arrowSize - 14, std::max(44.0, text.width));
    distanceLabel->setFrame({right - arrowSize - 6 - pillWidth, kTopMargin, pillWidth, 22});
    distanceView->setFrame(distanceLabel->frame());
    const Transform turn = dirArrow->transform();
    dirArrow->setTransform({});
    dirArrow->setFrame({right - arrowSize, kTopMargin - 1, arrowSize, arrowSize});
    dirArrow->setTransform(turn);
    const double h = bounds().height();
    shareButton->setFrame({right - 28, h - kBottomMargin - 28, 28, 28});
    favoriteButton->setFrame({right - 62, h - kBottomMargin - 28, 28, 28});
}

}  // namespace arquorel
