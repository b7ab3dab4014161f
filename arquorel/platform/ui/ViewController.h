#pragma once
// A screen: a lazily loaded view and the calls that tell it where it stands.
//
// Lifecycle, in the platform's order: loadView() and viewDidLoad() on first use of view();
// viewWillAppear, viewWillLayoutSubviews / viewDidLayoutSubviews, viewDidAppear when it comes on
// screen; viewWillDisappear, viewDidDisappear when it leaves. Appearance calls always come in
// balanced pairs and are forwarded to child controllers whose views are shown.
//
// Modal presentation moves one way: presenting -> shown -> dismissing -> gone. present() and
// dismiss() take effect on the next turn of the main loop; that flush runs, in order, the
// will-disappear calls of the screens that leave, the will-appear calls of those that come,
// a layout pass, and (at once, or after kTransitionDuration when animated) the did-disappear
// and did-appear calls and the completion. A full-screen presentation makes every screen below
// it disappear; an over-full-screen one keeps them on screen without any call.

#include <any>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "arquorel/platform/device/Application.h"
#include "arquorel/platform/device/Device.h"

namespace arquorel {

class View;
class Window;
class NavigationController;
class Storyboard;
class StoryboardSegue;

// A set of interface orientations; bit n stands for the orientation of raw value n.
struct OrientationMask {
    unsigned bits = 0;

    static constexpr OrientationMask of(InterfaceOrientation o) {
        return {1u << static_cast<unsigned>(o)};
    }
    static constexpr OrientationMask portrait() { return {2}; }
    static constexpr OrientationMask landscape() { return {24}; }
    static constexpr OrientationMask allButUpsideDown() { return {26}; }
    static constexpr OrientationMask all() { return {30}; }

    constexpr bool contains(InterfaceOrientation o) const { return (bits & of(o).bits) != 0; }
    friend constexpr OrientationMask operator|(OrientationMask a, OrientationMask b) {
        return {a.bits | b.bits};
    }
    friend constexpr bool operator==(OrientationMask, OrientationMask) = default;
};

enum class ModalPresentationStyle { fullScreen, overFullScreen };
enum class PresentationState { none, presenting, shown, dismissing, gone };
enum class Appearance { disappeared, appearing, appeared, disappearing };

class ViewController : public std::enable_shared_from_this<ViewController> {
  public:
    // How long an animated presentation, dismissal, push or pop takes.
    static constexpr double kTransitionDuration = 0.3;

    ViewController();
    virtual ~ViewController();
    ViewController(const ViewController&) = delete;
    ViewController& operator=(const ViewController&) = delete;

    // The view, loaded on first use.
    std::shared_ptr<View> view();
    std::shared_ptr<View> viewIfLoaded() const { return view_; }
    bool isViewLoaded() const { return view_ != nullptr; }
    void loadViewIfNeeded() { view(); }
    // Replaces the view; meant for loadView(). The view is tied to this controller.
    void setView(std::shared_ptr<View> view);

    const std::string& title() const { return title_; }
    void setTitle(std::string title) { title_ = std::move(title); }
    // The class name without namespaces, for console lines and logs ("PlaceVC").
    std::string typeName() const;

    // Platform calls. Overrides call the base class first.
    virtual void loadView();  // default: a plain view of the main screen's size
    virtual void viewDidLoad() {}
    virtual void viewWillAppear(bool /*animated*/) {}
    virtual void viewDidAppear(bool /*animated*/) {}
    virtual void viewWillDisappear(bool /*animated*/) {}
    virtual void viewDidDisappear(bool /*animated*/) {}
    virtual void viewWillLayoutSubviews() {}
    virtual void viewDidLayoutSubviews() {}
    virtual OrientationMask supportedInterfaceOrientations() const {
        return OrientationMask::allButUpsideDown();
    }
    virtual bool shouldAutorotate() const { return true; }
    virtual StatusBarStyle preferredStatusBarStyle() const { return StatusBarStyle::defaultStyle; }

    Appearance appearance() const { return appearance_; }

    // --- Modal presentation -------------------------------------------------------------
    // Presents `controller` over this screen's presentation context (the outermost parent).
    // Refused, with one console line, when that screen already presents one, is being
    // dismissed or is not in a window, or when `controller` is already on screen. Requests made
    // while this screen is itself being presented wait until it is shown.
    void present(std::shared_ptr<ViewController> controller, bool animated,
                 std::function<void()> completion = {});
    // Dismisses the screen this one presents (and any above it); without one, dismisses this
    // screen from its presenter. A request made while the screen is still being presented
    // waits until it is shown; one made while it is being dismissed is ignored.
    void dismiss(bool animated, std::function<void()> completion = {});
    std::shared_ptr<ViewController> presentedViewController() const;
    std::shared_ptr<ViewController> presentingViewController() const;
    PresentationState presentationState() const;
    ModalPresentationStyle modalPresentationStyle() const { return presentationStyle_; }
    void setModalPresentationStyle(ModalPresentationStyle style) { presentationStyle_ = style; }

    // --- Containment ----------------------------------------------------------------------
    // The parent, none when not contained (or the parent is not held by a shared_ptr).
    std::shared_ptr<ViewController> parent() const;
    const std::vector<std::shared_ptr<ViewController>>& children() const { return children_; }
    void addChild(const std::shared_ptr<ViewController>& child);
    void removeFromParent();
    // The nearest navigation controller among the parents.
    std::shared_ptr<NavigationController> navigationController() const;

    // --- Segues -----------------------------------------------------------------------------
    // The layout this screen was made from, and its identifier there.
    std::shared_ptr<Storyboard> storyboard() const { return storyboard_; }
    const std::string& storyboardIdentifier() const { return storyboardIdentifier_; }
    // Runs the layout's segue of that identifier from this screen: makes the destination,
    // calls prepare() and shows it. An unknown identifier writes one console line.
    void performSegue(const std::string& identifier, const std::any& sender = {});
    virtual void prepare(StoryboardSegue& /*segue*/, const std::any& /*sender*/) {}

    // The window holding this screen's view, if any.
    std::shared_ptr<Window> window() const;

    // Called by the platform's containers and windows; not by screens.
    void beginAppearanceTransition(bool appearing, bool animated);
    void endAppearanceTransition();

  protected:
    // The children that receive this screen's appearance calls: by default those whose views
    // lie in this screen's view.
    virtual std::vector<std::shared_ptr<ViewController>> appearanceChildren();

  private:
    friend class Storyboard;
    friend class Window;
    friend class Presentation;

    std::shared_ptr<View> view_;
    std::string title_;
    Appearance appearance_ = Appearance::disappeared;
    bool appearanceAnimated_ = false;

    ViewController* parent_ = nullptr;  // set while this is in parent_->children_
    std::vector<std::shared_ptr<ViewController>> children_;

    std::shared_ptr<ViewController> presented_;
    std::weak_ptr<ViewController> presenting_;
    PresentationState presentationState_ = PresentationState::none;
    ModalPresentationStyle presentationStyle_ = ModalPresentationStyle::fullScreen;
    std::vector<std::function<void()>> whenShown_;  // requests waiting for the end of presenting

    std::shared_ptr<Storyboard> storyboard_;
    std::string storyboardIdentifier_;
    std::weak_ptr<Window> rootOf_;  // the window this is the root screen of
};

// The class name of a dynamic type without namespaces ("arquorel::Label" gives "Label").
std::string shortTypeName(const std::type_info& type);

}  // namespace arquorel
