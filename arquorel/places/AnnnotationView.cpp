#include "arquorel/places/AnnnotationView.h"

#include "arquorel/arcore/ARDataSource.h"
#include "arquorel/arcore/ARPresenter.h"

#include "arquorel/places/DistanceText.h"
#include "arquorel/places/Place.h"
#include "arquorel/places/SpokenPlace.h"
#include "arquorel/places/ToolTipEstate.h"
#include "arquorel/platform/resources/Bundle.h"
#include "arquorel/platform/runtime/PlatformContext.h"
#include "arquorel/platform/ui/GestureRecognizer.h"
#include "arquorel/platform/ui/LayoutConstraint.h"
#include "arquorel/platform/ui/LayoutRegistry.h"

namespace arquorel {

std::shared_ptr<AnnnotationView> AnnnotationView::create(Rect frame) {
    return make<AnnnotationView>(frame);
}

std::shared_ptr<AnnnotationView> AnnnotationView::createWithCard(Rect frame) {
    auto view = create(frame);
    auto views = LayoutRegistry::shared().loadViewLayout(kToolTipEstateLayout);
    if (views.empty()) return view;
    view->addSubview(views.front());
    pinEdges(views.front(), {0, 0, 2, 2});
    // The card is the layer (its shadow one of its own under it); this view only places it.
    view->setLayerBacked(false);
    views.front()->setLayerBacked(true);
    view->setNeedsLayout();
    return view;
}

void AnnnotationView::initialize() {
    // Whoever makes annotation views loads their cards from this layout.
    registerToolTipEstateLayout();
}

std::shared_ptr<ToolTipEstate> AnnnotationView::card() const {
    if (subviews().empty()) return nullptr;
    return std::dynamic_pointer_cast<ToolTipEstate>(subviews().front());
}

void AnnnotationView::bindCard(ToolTipEstate& card) {
    auto place = std::dynamic_pointer_cast<Place>(annotation());
    // A place without a record leaves the card as it is.
    if (!place || !place->property) return;
    card.setProperty(place->property);
    if (card.distanceLabel) card.distanceLabel->setText(distanceText(place->distanceFromUser()));
}

void AnnnotationView::configureCard() {
    auto card = this->card();
    if (!card) return;
    bindCard(*card);
    if (!std::dynamic_pointer_cast<Place>(annotation())) card->setProperty(nullptr);
    if (card->gestureRecognizers().empty()) {
        // The card is owned by this view: the action must not own the view.
        std::weak_ptr<AnnnotationView> weak =
            std::static_pointer_cast<AnnnotationView>(shared_from_this());
        card->addGestureRecognizer(std::make_shared<TapGestureRecognizer>([weak](auto&) {
            if (auto self = weak.lock()) self->tapedWithPopup();
        }));
    }
    // A reader's activation does what the tap does, even where another card overlaps this one.
    auto& a11y = accessibility();
    if (!a11y.activate) {
        std::weak_ptr<AnnnotationView> weak =
            std::static_pointer_cast<AnnnotationView>(shared_from_this());
        a11y.activate = [weak] {
            auto self = weak.lock();
            if (!self) return false;
            self->tapedWithPopup();
            return true;
        };
        a11y.hint = localized("a11yCardHint");
    }
    auto place = std::dynamic_pointer_cast<Place>(annotation());
    a11y.identity = place && place->property ? std::string(place->property->id) : std::string();
}

void AnnnotationView::refreshCard() {
    if (auto card = this->card()) bindCard(*card);
}

void AnnnotationView::tapedWithPopup() {
    if (auto card = this->card()) {
        if (auto blink = card->blinkImageView) {
            blink->setAlpha(kBlinkOpacity);
            View::animate(kBlinkDuration, [&] { blink->setAlpha(0); });
        }
        card->selectionFeedbackGenerator.selectionChanged();
    }
    std::weak_ptr<AnnnotationView> weak =
        std::static_pointer_cast<AnnnotationView>(shared_from_this());
    // The tap is about the place shown now: dropped if the view shows another one by then.
    platformContext().mainLoop().asyncAfter(kTapDelegateDelay, [weak, tapped = annotation()] {
        auto self = weak.lock();
        if (!self || self->annotation() != tapped) return;
        if (auto delegate = self->delegate()) delegate->annotationViewTapped(self);
    });
}

void AnnnotationView::prepareForReuse(const Rect& frame) {
    ARAnnotationView::prepareForReuse(frame);
    if (auto card = this->card(); card && card->blinkImageView) {
        card->blinkImageView->clearAnimations();
        card->blinkImageView->setAlpha(0);
    }
}

void AnnnotationView::touchesEnded(const Touch&) {}

void AnnnotationView::didMoveToSuperview() {
    if (hasSuperview()) configureCard();
}

AccessibilityDefaults AnnnotationView::accessibilityDefaults() const {
    AccessibilityDefaults d;
    auto place = std::dynamic_pointer_cast<Place>(annotation());
    if (!place) return d;
    d.isElement = true;
    d.traits = AccessibilityTrait::button;
    std::string direction;
    if (auto presenter = std::dynamic_pointer_cast<ARPresenter>(superview())) {
        if (auto controller = presenter->arViewController())
            direction = directionWords(place->azimuth(), controller->arStatus().heading);
    }
    d.label = placeReading(place->displayName(), place->property ? place->property->category : "",
                           place->distanceFromUser(), direction);
    return d;
}

}  // namespace arquorel
