#pragma once
// The on-screen view of one annotation, the base of every annotation view. The presenter moves
// it about and keeps its placement and stacking state on it; the main annotation of a compass
// sector is drawn 1.5 times larger and opaque, the others half-transparent.

#include <memory>

#include "arquorel/platform/ui/View.h"

namespace arquorel {

class ARAnnotation;

class ARAnnotationView : public View {
  public:
    // Construction runs initialize() once. Subclasses construct through make<T>().
    static std::shared_ptr<ARAnnotationView> create(Rect frame = {});
    // Constructs a view of type T and runs its initialize() once (the equivalent of loading it
    // from an interface description is fromArchive()).
    template <class T, class... Args>
    static std::shared_ptr<T> make(Args&&... args) {
        auto view = std::shared_ptr<T>(new T(std::forward<Args>(args)...));
        view->finishConstruction();
        return view;
    }
    // A view built from an interface description: initialize() once, then bindUi().
    template <class T, class... Args>
    static std::shared_ptr<T> fromArchive(Args&&... args) {
        auto view = make<T>(std::forward<Args>(args)...);
        view->bindUi();
        return view;
    }

    Point centerOffset() const { return centerOffset_; }
    void setCenterOffset(Point p) { centerOffset_ = p; }
    std::shared_ptr<ARAnnotation> annotation() const { return annotation_.lock(); }
    void setAnnotation(const std::shared_ptr<ARAnnotation>& a) { annotation_ = a; }
    // The link itself, for comparing and testing it without taking a reference.
    const std::weak_ptr<ARAnnotation>& annotationLink() const { return annotation_; }

    Point arStackOffset;
    Rect arStackAlternateFrame;
    Point arZeroPoint;
    bool disableMove = false;
    Rect initialFrame;
    bool isMainAnn = false;

    bool initialized() const { return initialized_; }

    // Hooks for subclasses: once after construction; after loading from an interface description.
    virtual void initialize() {}
    virtual void bindUi() {}
    // Back to the state of a new view of that frame, for a view that will show another
    // annotation: no annotation, no placement or stacking state, no transform or animations.
    virtual void prepareForReuse(const Rect& frame);
    // Applies the normal or the main appearance, animated over 0.5 s when asked and either the
    // current or the target frame is on screen.
    virtual void updateMainState(bool animated);

    // Cards that show a place: configureCard() binds the data when the base position is
    // recomputed, refreshCard() updates the distance text after the user moved.
    virtual bool isCard() const { return false; }
    virtual void configureCard() {}
    virtual void refreshCard() {}

  protected:
    explicit ARAnnotationView(Rect frame = {});
    void finishConstruction();

  private:
    void applyAppearance(double alpha, const Rect& target, bool animated);

    Point centerOffset_{0.5, 0.5};
    std::weak_ptr<ARAnnotation> annotation_;
    bool initialized_ = false;
};

}  // namespace arquorel
