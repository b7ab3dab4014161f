#pragma once
// The root of what is on screen: a view holding the root controller's view and, above it, the
// views of the controllers presented over it, in presentation order. Touches enter here.

#include <memory>
#include <optional>
#include <vector>

#include "arquorel/platform/device/Device.h"
#include "arquorel/platform/ui/Touch.h"
#include "arquorel/platform/ui/View.h"

namespace arquorel {

class GestureRecognizer;
class ViewController;

class Window : public View {
  public:
    // A window covering the main screen.
    Window();
    explicit Window(Rect frame);
    ~Window() override;

    // Shows the controller's view as the window's content; the previous root leaves.
    void setRootViewController(std::shared_ptr<ViewController> controller);
    const std::shared_ptr<ViewController>& rootViewController() const { return root_; }
    // Makes this the key window and brings the root controller on screen (on the next turn of
    // the main loop, like every appearance change).
    void makeKeyAndVisible();
    bool isKeyWindow() const;
    static std::shared_ptr<Window> keyWindow();

    // The root controller, then each presented controller in presentation order.
    std::vector<std::shared_ptr<ViewController>> presentationStack() const;
    // The last of presentationStack(); none without a root.
    std::shared_ptr<ViewController> topViewController() const;

    // Lays out, parents before children, every view of the window that needs it.
    void layoutIfNeededRecursively();
    // The same for every window; the simulated device runs it after each step of time.
    static void layoutAllWindows();

    // Turns the interface to `orientation` when the top controller allows it: the screen and
    // window swap their width and height between portrait and landscape and the screens are
    // laid out again. False (nothing changes) when not allowed.
    bool rotate(InterfaceOrientation orientation);

    // One touch of one finger, in window coordinates. A touch that begins picks its view by
    // hit-testing; the rest of it goes to that view and to the gesture recognisers on the way
    // from it to the window, which compete: the first to recognise wins, the others fail.
    // The touch does not keep its views: once the touched view has left the window (its screen
    // closed, or was freed) the rest of the touch is cancelled, and a recogniser whose view
    // has gone is cancelled and leaves the touch.
    void sendTouch(TouchPhase phase, Point location);
    // The view that the touch in progress went to (none between touches, or once it is gone).
    std::shared_ptr<View> touchedView() const { return touch_ ? touch_->view.lock() : nullptr; }

  private:
    friend class Presentation;
    // Puts the controllers' views in the window in this order (bottom first), adding missing
    // ones and removing the views of other controllers the window shows.
    void showControllerViews(const std::vector<std::shared_ptr<ViewController>>& controllers);

    struct TouchInProgress {
        std::weak_ptr<View> view;
        std::vector<std::shared_ptr<GestureRecognizer>> arena;
        std::shared_ptr<GestureRecognizer> winner;
        bool viewCancelled = false;
        Touch touch;
    };
    void routeToRecognizers(TouchInProgress& t);
    // Whether the view is still in this window.
    bool holds(const std::shared_ptr<View>& view) const;
    // Cancels and drops the recognisers whose view has left the window.
    void dropOrphanedRecognizers(TouchInProgress& t);
    // Cancels the touch in progress for its recognisers and its view (when still alive).
    void cancelTouch();

    std::shared_ptr<ViewController> root_;
    std::vector<std::weak_ptr<ViewController>> shown_;  // controllers whose views we placed
    std::optional<TouchInProgress> touch_;
};

// The window that holds the view (the view itself when it is a window), if any.
std::shared_ptr<Window> windowOf(const View& view);
inline bool isInWindow(const View& view) {
    return windowOf(view) != nullptr;
}

}  // namespace arquorel
