#pragma once
// A view that shows a part of a larger content: the content lies in contentView(), moved up and
// left by the content offset, and is clipped to the bounds. A pan scrolls it along the axes on
// which the content is larger than the visible area, within the content inset; scrolling stops
// where the finger lifts (no deceleration, so runs stay deterministic). The delegate is told of
// every change of the offset, whatever made it. Indicators show while a pan is in progress.

#include <memory>

#include "arquorel/platform/ui/GestureRecognizer.h"
#include "arquorel/platform/ui/View.h"

namespace arquorel {

class ScrollView;

class ScrollViewDelegate {
  public:
    virtual ~ScrollViewDelegate() = default;
    virtual void scrollViewDidScroll(ScrollView& /*scrollView*/) {}
};

class ScrollView : public View {
  public:
    static constexpr double kIndicatorThickness = 2.5;
    static constexpr double kIndicatorInset = 3;
    static constexpr double kMinimumIndicatorLength = 36;

    explicit ScrollView(Rect frame = {});

    // Where the content's subviews go.
    const std::shared_ptr<View>& contentView() const { return contentView_; }

    Point contentOffset() const { return offset_; }
    // Sets the offset as given (a programmatic scroll is not clamped) and tells the delegate
    // when it changed.
    void setContentOffset(Point offset);
    Size contentSize() const { return contentSize_; }
    void setContentSize(Size size);
    const Insets& contentInset() const { return inset_; }
    void setContentInset(const Insets& inset) { inset_ = inset; }
    // The offsets a pan may reach: from minus the leading inset to the content's far end plus
    // the trailing inset minus the visible size (never below the start).
    Point minimumContentOffset() const { return {-inset_.left, -inset_.top}; }
    Point maximumContentOffset() const;

    bool isScrollEnabled() const { return scrollEnabled_; }
    void setScrollEnabled(bool enabled);
    bool showsHorizontalScrollIndicator() const { return showsHorizontal_; }
    void setShowsHorizontalScrollIndicator(bool shows) { showsHorizontal_ = shows; }
    bool showsVerticalScrollIndicator() const { return showsVertical_; }
    void setShowsVerticalScrollIndicator(bool shows) { showsVertical_ = shows; }
    // Whether a pan is scrolling the content now.
    bool isDragging() const { return dragging_; }
    // Where each indicator is, in bounds coordinates; empty when it is not shown.
    Rect horizontalIndicatorRect() const;
    Rect verticalIndicatorRect() const;

    void setDelegate(std::weak_ptr<ScrollViewDelegate> delegate) {
        delegate_ = std::move(delegate);
    }
    std::shared_ptr<ScrollViewDelegate> delegate() const { return delegate_.lock(); }
    const std::shared_ptr<PanGestureRecognizer>& panGestureRecognizer() const { return pan_; }

  protected:
    // Called after the offset changed, before the delegate is told.
    virtual void didScroll() {}
    void layoutSubviews() override;

  private:
    void handlePan(GestureRecognizer& recognizer);
    void placeContent();
    void placeIndicators();

    std::shared_ptr<View> contentView_;
    std::shared_ptr<View> horizontalIndicator_;
    std::shared_ptr<View> verticalIndicator_;
    std::shared_ptr<PanGestureRecognizer> pan_;
    std::weak_ptr<ScrollViewDelegate> delegate_;
    Point offset_;
    Size contentSize_;
    Insets inset_;
    Point panStart_;
    bool scrollEnabled_ = true;
    bool showsHorizontal_ = true;
    bool showsVertical_ = true;
    bool dragging_ = false;
};

}  // namespace arquorel
