#pragma once
// A stack of screens: the top one is shown, with a navigation bar above it unless the bar is
// hidden. Push and pop change the stack at once; the appearance calls follow on the next turn
// of the main loop (after kTransitionDuration when animated), one transition at a time.

#include <memory>
#include <vector>

#include "arquorel/platform/ui/ViewController.h"

namespace arquorel {

class Label;

class NavigationController : public ViewController {
  public:
    static constexpr double kBarHeight = 44;

    explicit NavigationController(std::shared_ptr<ViewController> root = nullptr);

    const std::vector<std::shared_ptr<ViewController>>& viewControllers() const { return stack_; }
    std::shared_ptr<ViewController> topViewController() const;
    // Refused with one console line when the screen is already in a stack or on screen.
    void pushViewController(std::shared_ptr<ViewController> controller, bool animated);
    // The popped screen; none (and nothing changes) when only the root is left.
    std::shared_ptr<ViewController> popViewController(bool animated);
    // The popped screens, bottom first.
    std::vector<std::shared_ptr<ViewController>> popToRootViewController(bool animated);
    void setViewControllers(std::vector<std::shared_ptr<ViewController>> controllers,
                            bool animated);

    bool isNavigationBarHidden() const { return barHidden_; }
    void setNavigationBarHidden(bool hidden, bool animated = false);
    std::shared_ptr<View> navigationBar();

    void loadView() override;
    // The top screen's choice.
    OrientationMask supportedInterfaceOrientations() const override;
    StatusBarStyle preferredStatusBarStyle() const override;

  protected:
    std::vector<std::shared_ptr<ViewController>> appearanceChildren() override;

  private:
    class ContainerView;
    void scheduleUpdate(bool animated);
    void update();
    // Shows the top screen's view at once, without appearance calls.
    void installTop();
    void dropPoppedChildren();

    std::vector<std::shared_ptr<ViewController>> stack_;
    std::shared_ptr<ViewController> shown_;  // the screen whose view is in the container
    std::shared_ptr<View> bar_;
    std::shared_ptr<Label> title_;  // the top screen's title, in the bar
    bool barHidden_ = false;
    bool transitioning_ = false;
    bool updateScheduled_ = false;
    bool animated_ = false;
};

}  // namespace arquorel
