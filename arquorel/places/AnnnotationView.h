#pragma once
// The annotation view of a place: its first subview is a ToolTipEstate card, bound to the
// place's record when the view enters a superview and on the presenter's layouts. A tap on
// the card flashes it, gives a selection tick and tells the delegate 0.01 s later.
#include <memory>

#include "arquorel/arcore/ARAnnotationView.h"
#include "arquorel/platform/ui/Label.h"

namespace arquorel {

class AnnnotationView;
class ToolTipEstate;

class AnnotationViewDelegate {
  public:
    virtual ~AnnotationViewDelegate() = default;
    virtual void annotationViewTapped(const std::shared_ptr<AnnnotationView>& view) = 0;
};

// Seconds between the tap and the delegate call (the flash has started by then).
inline constexpr double kTapDelegateDelay = 0.01;

class AnnnotationView : public ARAnnotationView {
  public:
    static std::shared_ptr<AnnnotationView> create(Rect frame = {});
    // A view holding a card from the layout "ToolTipEstate", its left and top edges on the
    // view's and its right and bottom edges 2 points inside.
    static std::shared_ptr<AnnnotationView> createWithCard(Rect frame = {0, 0, 100, 50});

    std::shared_ptr<Label> titleLabel;     // not used
    std::shared_ptr<Label> distanceLabel;  // not used

    // Held weakly: the delegate (the main screen) owns the presenter that owns this view.
    std::shared_ptr<AnnotationViewDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(const std::shared_ptr<AnnotationViewDelegate>& delegate) {
        delegate_ = delegate;
    }

    // The card: the first subview when it is a ToolTipEstate.
    std::shared_ptr<ToolTipEstate> card() const;

    bool isCard() const override { return true; }
    // Binds the card to the annotation's record with the distance text and installs the tap
    // recogniser on the card once.
    void configureCard() override;
    // Binds the card and the distance text again.
    void refreshCard() override;
    // Also ends a flash of the card.
    void prepareForReuse(const Rect& frame) override;
    // The card's tap: flash, selection tick, the delegate after kTapDelegateDelay.
    void tapedWithPopup();

    // A button read as the place's name, category, distance and where it lies from the way
    // the phone looks; the same place on two cards reads the same.
    AccessibilityDefaults accessibilityDefaults() const override;

    // Touches that end here stay here.
    void touchesEnded(const Touch& touch) override;

  protected:
    using ARAnnotationView::ARAnnotationView;
    void initialize() override;
    void didMoveToSuperview() override;

  private:
    void bindCard(ToolTipEstate& card);

    std::weak_ptr<AnnotationViewDelegate> delegate_;
};

}  // namespace arquorel
