#pragma once
// The base of everything drawn: a rectangle in its superview's coordinates with opacity,
// transform and subviews. Views are shared objects; a parent owns its subviews and a subview
// refers to its parent without owning it (the parent clears the link when it goes away).
//
// Animations change the model at once: inside View::animate a property takes its final value
// immediately, the change is recorded (property, from, to, duration) for the renderer, and the
// completion runs on the main loop once the duration has passed.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "arquorel/platform/geometry/Color.h"
#include "arquorel/platform/geometry/Geometry.h"
#include "arquorel/platform/ui/Accessibility.h"
#include "arquorel/platform/ui/LayerStyle.h"

namespace arquorel {

class GestureRecognizer;
class LayoutConstraint;
class Painter;
class ViewController;
struct Touch;
struct ViewDescription;

enum class AnimatedProperty { frame, alpha, transform };

struct AnimationRecord {
    using Value = std::variant<double, Rect, Transform>;
    AnimatedProperty property;
    Value from;
    Value to;
    double duration;
    double startTime;
};

class View : public std::enable_shared_from_this<View> {
  public:
    explicit View(Rect frame = {});
    virtual ~View();
    View(const View&) = delete;
    View& operator=(const View&) = delete;

    const Rect& frame() const { return frame_; }
    void setFrame(const Rect& frame);
    // The view's own size; the frame is the box the transformed bounds take on screen, as on
    // the phone platforms. Without a transform both have the same size. Setting a transform
    // keeps the centre and the bounds and moves the frame to the box around them; setting the
    // frame under a scale sets the bounds to the frame's size divided by the scale.
    Rect bounds() const { return {0, 0, boundsSize_.width, boundsSize_.height}; }
    Point center() const { return {frame_.midX(), frame_.midY()}; }

    double alpha() const { return alpha_; }
    void setAlpha(double alpha);
    const Transform& transform() const { return transform_; }
    void setTransform(const Transform& transform);
    bool isHidden() const { return hidden_; }
    void setHidden(bool hidden) {
        if (hidden == hidden_) return;
        hidden_ = hidden;
        placementChanged();
        didChangeHidden();
    }
    const Color& backgroundColor() const { return backgroundColor_; }
    void setBackgroundColor(const Color& color) {
        if (color == backgroundColor_) return;
        backgroundColor_ = color;
        setNeedsDisplay();
    }
    int tag() const { return tag_; }
    void setTag(int tag) { tag_ = tag; }
    // A name for tests, scenarios and the view-tree dump ("closeButton"); empty by default.
    const std::string& identifier() const { return identifier_; }
    void setIdentifier(std::string identifier) { identifier_ = std::move(identifier); }
    // Views that do not take touches are skipped by hit-testing, with their subviews.
    bool isUserInteractionEnabled() const { return userInteractionEnabled_; }
    void setUserInteractionEnabled(bool enabled) { userInteractionEnabled_ = enabled; }

    // Corner radius, border, shadow, mask, gradient and sublayers (see LayerStyle). Changing
    // the style goes through this accessor, which marks the view's drawing as changed.
    LayerStyle& layer() {
        setNeedsDisplay();
        return layer_;
    }
    const LayerStyle& layer() const { return layer_; }
    // Content and subviews outside bounds() (rounded by the corner radius) are not drawn.
    bool clipsToBounds() const { return clipsToBounds_; }
    void setClipsToBounds(bool clips) {
        if (clips == clipsToBounds_) return;
        clipsToBounds_ = clips;
        setNeedsDisplay();
    }
    // Keyed layer animations: adding under a key replaces the animation held there; a
    // beginTime of 0 becomes the clock's time.
    void addAnimation(const std::string& key, LayerAnimation animation);
    void removeAnimation(const std::string& key) { layer_.animations.erase(key); }
    void removeAllAnimations() { layer_.animations.clear(); }
    const LayerAnimation* animation(const std::string& key) const;

    // Draws the view's own content in its bounds coordinates, after the renderer has drawn the
    // background, gradient, sublayers and border and before the subviews. Default: nothing.
    virtual void draw(Painter& painter) const;
    // Adds what a user reads (texts, image names) to the view-tree dump. Default: nothing.
    virtual void describe(ViewDescription& description) const;
    // What describe() adds, in order.
    std::vector<std::pair<std::string, std::string>> descriptionEntries() const;

    // The parent; none when there is none or the parent is not (yet) held by a shared_ptr.
    std::shared_ptr<View> superview() const;
    bool hasSuperview() const { return superview_ != nullptr; }
    const std::vector<std::shared_ptr<View>>& subviews() const { return subviews_; }
    void addSubview(const std::shared_ptr<View>& view);
    void insertSubview(const std::shared_ptr<View>& view, std::size_t index);
    void insertSubviewAbove(const std::shared_ptr<View>& view, const View& sibling);
    void bringSubviewToFront(const View& view);
    // bringSubviewToFront() for each of `views` in turn (distinct subviews), in one pass.
    void bringSubviewsToFront(const std::vector<const View*>& views);
    void removeFromSuperview();
    bool isDescendantOf(const View& other) const;

    // Marks the view for layout, and its superviews as holding a view that needs it, so that
    // a layout pass skips the subtrees with nothing pending.
    void setNeedsLayout();
    bool needsLayout() const { return needsLayout_; }
    // Whether this view or a view inside it needs layout.
    bool layoutPending() const { return layoutPending_; }
    // When a layout is pending: places the subviews that have constraints, then runs
    // layoutSubviews(), between the owning controller's viewWillLayoutSubviews and
    // viewDidLayoutSubviews. Then does the same for every subview with a layout pending.
    void layoutIfNeeded();

    // The screen whose root view this is, if any.
    std::shared_ptr<ViewController> viewController() const;
    // The active layout constraints that place this view (see LayoutConstraint).
    const std::vector<std::shared_ptr<LayoutConstraint>>& constraints() const {
        return constraints_;
    }

    // Gesture recognisers watch the touches that begin in this view or its subviews.
    void addGestureRecognizer(const std::shared_ptr<GestureRecognizer>& recognizer);
    void removeGestureRecognizer(const GestureRecognizer& recognizer);
    const std::vector<std::shared_ptr<GestureRecognizer>>& gestureRecognizers() const {
        return recognizers_;
    }
    // The touch that began on this view (the hit-test result), unless a gesture recogniser took
    // it over (then touchesCancelled). Default: nothing.
    virtual void touchesBegan(const Touch& touch);
    virtual void touchesMoved(const Touch& touch);
    virtual void touchesEnded(const Touch& touch);
    virtual void touchesCancelled(const Touch& touch);

    // Changes made by `changes` are recorded as animations of `duration` seconds; the
    // completion runs on the main loop when the duration has passed.
    static void animate(double duration, const std::function<void()>& changes,
                        std::function<void(bool finished)> completion = {});
    static bool isAnimating();
    // The animations recorded on this view, oldest first (the most recent few are kept).
    const std::vector<AnimationRecord>& animations() const { return animations_; }
    void clearAnimations() { animations_.clear(); }

    // ---- Retained drawing ----
    // A layer-backed view is drawn, with its subviews, into a surface of its own that is kept
    // between frames and composited with the view's position, transform and alpha. It is drawn
    // again only when its content generation changes: setNeedsDisplay() on it or on a view
    // inside it, or a view inside it moving, fading, turning, appearing or going.
    bool isLayerBacked() const { return layerBacked_; }
    void setLayerBacked(bool backed) { layerBacked_ = backed; }
    // Marks what draw() and the layer style show as changed. Content setters call it.
    void setNeedsDisplay();
    // Changes with this view's own drawing (setNeedsDisplay()).
    std::uint64_t displayGeneration() const { return displayGeneration_; }
    // Changes with anything drawn inside the view: its own drawing and its subviews' drawing
    // and placement.
    std::uint64_t contentGeneration() const { return contentGeneration_; }
    // A number no other view has, naming the view's layer.
    std::uint64_t layerId() const { return layerId_; }
    // A key for content that changes without setters (a live camera picture): the renderer
    // draws the view again whenever it differs from the last frame's. Default: 0.
    virtual std::uint64_t liveContentKey() const { return 0; }
    // True for views whose drawing may change without a setter: those overriding
    // liveContentKey() or pannedDrawing() override this too. On a frame where no setter
    // changed anything on screen the renderer looks at these views alone.
    virtual bool drawsWithoutSetters() const { return false; }
    // True when draw() sets every pixel of the bounds that lies wholly on the device's pixel
    // grid, whatever was under it: an opaque picture, or a cut-out through which the backend
    // shows a picture of its own. The renderer then leaves out the superview's background
    // under it. Default: false.
    virtual bool coversBounds() const { return false; }
    // The renderer's note of the extent of what the view draws, with and without its own
    // shadow, and the content generation it was worked out at: it holds while that stays.
    struct ExtentNote {
        std::uint64_t generation = 0;  // no view's content generation is 0
        Rect extent;
    };
    ExtentNote& extentNote(bool withShadow) const { return extentNotes_[withShadow ? 1 : 0]; }
    // Drawing that pans (a map moving under a finger): draw() shows drawPanned() over `bounds`
    // and then drawOverPanned(). While `key` stays the same, the panned drawing only moves with
    // `offset` (points), so the renderer keeps it in a layer `margin` points larger than the
    // bounds on every side and shifts it, drawing it again when the key changes or the shift
    // is not whole device pixels or passes the margin. Default: none.
    struct PannedDrawing {
        std::uint64_t key = 0;
        Point offset;
        double margin = 0;
    };
    virtual std::optional<PannedDrawing> pannedDrawing() const { return std::nullopt; }
    // Draws the panned content covering `area` (the view's coordinates), and what lies over it
    // without panning.
    virtual void drawPanned(Painter&, const Rect&) const {}
    virtual void drawOverPanned(Painter&) const {}
    // --- Accessibility (see Accessibility.h) ----------------------------------------------
    // What the screen says about this view to a screen reader.
    AccessibilityProperties& accessibility();
    const AccessibilityProperties& accessibility() const;
    // What the view's class reads when the screen sets nothing. Default: not an element.
    virtual AccessibilityDefaults accessibilityDefaults() const;
    // Steps an adjustable view's value up or down as a reader's swipe does; false when the
    // view has nothing to step. Default: false.
    virtual bool accessibilityAdjust(bool up);

  protected:
    virtual void layoutSubviews() {}
    // Called after this view was added to or removed from a superview.
    virtual void didMoveToSuperview() {}
    // Called after isHidden() changed.
    virtual void didChangeHidden() {}

  private:
    friend class LayoutConstraint;
    friend class ViewController;
    void setViewController(ViewController* controller) { controller_ = controller; }
    void record(AnimatedProperty property, AnimationRecord::Value from, AnimationRecord::Value to);
    void detachFromParent();
    // The view's placement in its superview changed: the layers holding it draw again.
    void placementChanged();
    void subtreeChanged();
    void markLayoutPending();

    Rect frame_;
    Size boundsSize_;
    double alpha_ = 1;
    Transform transform_;
    bool hidden_ = false;
    Color backgroundColor_ = Color::clear();
    int tag_ = 0;
    std::string identifier_;
    bool userInteractionEnabled_ = true;
    bool clipsToBounds_ = false;
    LayerStyle layer_;
    bool needsLayout_ = true;
    bool layoutPending_ = true;  // needsLayout_ here or in a subview
    View* superview_ = nullptr;  // set while this view is in superview_->subviews_
    std::vector<std::shared_ptr<View>> subviews_;
    std::vector<AnimationRecord> animations_;
    ViewController* controller_ = nullptr;  // set while this is a controller's view
    std::vector<std::shared_ptr<LayoutConstraint>> constraints_;
    std::vector<std::shared_ptr<GestureRecognizer>> recognizers_;
    // Refers to this view without owning it, from construction on (weak_from_this is empty
    // while a constructor runs): recognisers keep a weak copy, which expires with the view. It
    // shares ownership of a token, not of the view, so that weak_from_this stays the owners'.
    std::shared_ptr<View> handle_{std::make_shared<char>(), this};
    // Retained drawing.
    bool layerBacked_ = false;
    std::uint64_t layerId_;
    std::uint64_t displayGeneration_;
    std::uint64_t contentGeneration_;
    mutable ExtentNote extentNotes_[2];
    std::unique_ptr<AccessibilityProperties> accessibility_;  // made on first change
};

// A rectangle is on screen when it intersects the main screen's bounds.
bool isOnScreen(const Rect& rect);

}  // namespace arquorel
