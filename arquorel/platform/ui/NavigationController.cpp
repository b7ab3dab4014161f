#include "arquorel/platform/ui/NavigationController.h"

#include <algorithm>

#include "arquorel/platform/runtime/PlatformContext.h"
#include "arquorel/platform/ui/Label.h"
#include "arquorel/platform/ui/View.h"
#include "arquorel/platform/ui/Window.h"

namespace arquorel {

namespace {
// The status bar's height above the navigation bar: taller on screens with a notch.
double statusBarHeight(const Rect& screen) {
    return std::max(screen.width(), screen.height()) >= 812 ? 44 : 20;
}
}  // namespace

// Lays the bar out at the top and the shown screen's view over the whole area.
class NavigationController::ContainerView final : public View {
  public:
    ContainerView(Rect frame, std::weak_ptr<ViewController> owner)
        : View(frame), owner_(std::move(owner)) {}

  protected:
    void layoutSubviews() override {
        auto owner = std::static_pointer_cast<NavigationController>(owner_.lock());
        if (!owner) return;
        const auto b = bounds();
        if (owner->bar_) owner->bar_->setFrame({0, 0, b.width(), statusBarHeight(b) + kBarHeight});
        for (const auto& c : owner->children()) {
            if (auto v = c->viewIfLoaded(); v && v->superview().get() == this) v->setFrame(b);
        }
    }

  private:
    std::weak_ptr<ViewController> owner_;
};

NavigationController::NavigationController(std::shared_ptr<ViewController> root) {
    if (root) {
        stack_.push_back(root);
        addChild(root);
    }
}

std::shared_ptr<ViewController> NavigationController::topViewController() const {
    return stack_.empty() ? nullptr : stack_.back();
}

void NavigationController::loadView() {
    auto container = std::make_shared<ContainerView>(platformContext().device().mainScreenBounds(),
                                                     weak_from_this());
    bar_ = std::make_shared<View>();
    bar_->setIdentifier("navigationBar");
    bar_->setBackgroundColor(Color{0.97, 0.97, 0.97, 1});
    bar_->setHidden(barHidden_);
    title_ = std::make_shared<Label>();
    title_->setFont(Font::boldSystem(17));
    title_->setTextAlignment(TextAlignment::center);
    bar_->addSubview(title_);
    container->addSubview(bar_);
    setView(container);
    installTop();
}

std::shared_ptr<View> NavigationController::navigationBar() {
    loadViewIfNeeded();
    return bar_;
}

void NavigationController::setNavigationBarHidden(bool hidden, bool) {
    barHidden_ = hidden;
    if (bar_) bar_->setHidden(hidden);
}

OrientationMask NavigationController::supportedInterfaceOrientations() const {
    auto top = topViewController();
    return top ? top->supportedInterfaceOrientations()
               : ViewController::supportedInterfaceOrientations();
}

StatusBarStyle NavigationController::preferredStatusBarStyle() const {
    auto top = topViewController();
    return top ? top->preferredStatusBarStyle() : ViewController::preferredStatusBarStyle();
}

void NavigationController::pushViewController(std::shared_ptr<ViewController> controller,
                                              bool animated) {
    if (!controller) return;
    const bool inStack = std::find(stack_.begin(), stack_.end(), controller) != stack_.end();
    const bool elsewhere = controller->parent() || controller->presentingViewController() ||
                           (controller->viewIfLoaded() && isInWindow(*controller->viewIfLoaded()) &&
                            controller != shown_);
    if (inStack || elsewhere || controller.get() == this) {
        platformContext().console().writeLine("Attempt to push " + controller->typeName() +
                                              ", which is already on screen or in a stack");
        return;
    }
    stack_.push_back(controller);
    addChild(controller);
    scheduleUpdate(animated);
}

std::shared_ptr<ViewController> NavigationController::popViewController(bool animated) {
    if (stack_.size() < 2) return nullptr;
    auto popped = stack_.back();
    stack_.pop_back();
    scheduleUpdate(animated);
    return popped;
}

std::vector<std::shared_ptr<ViewController>> NavigationController::popToRootViewController(
    bool animated) {
    if (stack_.size() < 2) return {};
    std::vector<std::shared_ptr<ViewController>> popped(stack_.begin() + 1, stack_.end());
    stack_.resize(1);
    scheduleUpdate(animated);
    return popped;
}

void NavigationController::setViewControllers(
    std::vector<std::shared_ptr<ViewController>> controllers, bool animated) {
    std::erase(controllers, nullptr);
    stack_ = std::move(controllers);
    for (const auto& c : stack_) addChild(c);
    scheduleUpdate(animated);
}

void NavigationController::scheduleUpdate(bool animated) {
    animated_ = animated;
    if (updateScheduled_) return;
    updateScheduled_ = true;
    std::weak_ptr<ViewController> weak = weak_from_this();
    auto run = [weak] {
        if (auto self = std::static_pointer_cast<NavigationController>(weak.lock())) {
            self->updateScheduled_ = false;
            self->update();
        }
    };
    if (weak.expired()) {
        // Not held by a shared_ptr yet (set up in a constructor): nothing shows it so far.
        updateScheduled_ = false;
        if (isViewLoaded()) installTop();
        return;
    }
    platformContext().mainLoop().async(run);
}

void NavigationController::dropPoppedChildren() {
    const auto children = this->children();
    for (const auto& c : children) {
        if (c != shown_ && std::find(stack_.begin(), stack_.end(), c) == stack_.end())
            c->removeFromParent();
    }
}

void NavigationController::installTop() {
    auto top = topViewController();
    if (!isViewLoaded() || top == shown_) return;
    if (shown_) {
        if (auto v = shown_->viewIfLoaded(); v && v->superview() == viewIfLoaded())
            v->removeFromSuperview();
    }
    shown_ = top;
    if (shown_) {
        auto v = shown_->view();
        v->setFrame(view()->bounds());
        view()->insertSubview(v, view()->subviews().size() - (bar_ ? 1 : 0));
    }
    view()->setNeedsLayout();
    dropPoppedChildren();
}

std::vector<std::shared_ptr<ViewController>> NavigationController::appearanceChildren() {
    if (!transitioning_) installTop();
    return shown_ ? std::vector{shown_} : std::vector<std::shared_ptr<ViewController>>{};
}

void NavigationController::update() {
    if (transitioning_) return;  // the running transition looks again when it ends
    auto top = topViewController();
    if (top == shown_) {
        dropPoppedChildren();
        return;
    }
    if (!isViewLoaded()) return;  // the view shows the top screen when it loads
    const bool onScreen =
        appearance() == Appearance::appeared || appearance() == Appearance::appearing;
    if (!onScreen) {
        installTop();
        return;
    }
    transitioning_ = true;
    const bool animated = animated_;
    if (top) top->loadViewIfNeeded();
    auto leaving = shown_;
    if (leaving) leaving->beginAppearanceTransition(false, animated);
    if (top) {
        top->beginAppearanceTransition(true, animated);
        auto v = top->view();
        v->setFrame(view()->bounds());
        view()->insertSubview(v, view()->subviews().size() - (bar_ ? 1 : 0));
    }
    if (auto w = window()) w->layoutIfNeededRecursively();
    std::weak_ptr<ViewController> weak = weak_from_this();
    auto end = [weak, leaving, top] {
        if (leaving) leaving->endAppearanceTransition();
        if (top) top->endAppearanceTransition();
        auto self = std::static_pointer_cast<NavigationController>(weak.lock());
        if (!self) return;
        if (leaving) {
            if (auto v = leaving->viewIfLoaded(); v && v->superview() == self->viewIfLoaded())
                v->removeFromSuperview();
        }
        self->shown_ = top;
        self->transitioning_ = false;
        if (auto v = self->viewIfLoaded()) v->setNeedsLayout();
        self->dropPoppedChildren();
        self->update();
    };
    if (animated) {
        platformContext().mainLoop().asyncAfter(kTransitionDuration, std::move(end));
    } else {
        end();
    }
}

}  // namespace arquorel
