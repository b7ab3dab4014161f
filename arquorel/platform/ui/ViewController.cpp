#include "arquorel/platform/ui/ViewController.h"

#include <cxxabi.h>

#include <algorithm>
#include <cstdlib>

#include "arquorel/platform/runtime/PlatformContext.h"
#include "arquorel/platform/ui/NavigationController.h"
#include "arquorel/platform/ui/Storyboard.h"
#include "arquorel/platform/ui/View.h"
#include "arquorel/platform/ui/Window.h"

namespace arquorel {

using Controllers = std::vector<std::shared_ptr<ViewController>>;

std::string shortTypeName(const std::type_info& type) {
    int status = 0;
    char* demangled = abi::__cxa_demangle(type.name(), nullptr, nullptr, &status);
    std::string name = status == 0 && demangled ? demangled : type.name();
    std::free(demangled);
    // Drop namespaces, but not colons inside template arguments.
    const auto open = name.find('<');
    const auto colon = name.rfind("::", open);
    return colon == std::string::npos ? name : name.substr(colon + 2);
}

// The modal presentation machinery: the stack of a window (root, then each presented screen),
// which of its screens are on screen, and the transitions between two such sets.
class Presentation {
  public:
    static ViewController& outermost(ViewController& controller) {
        ViewController* c = &controller;
        while (c->parent_) c = c->parent_;
        return *c;
    }

    // The window whose presentation stack holds `c`: the window of the stack's root.
    static std::shared_ptr<Window> windowOfStack(const ViewController& c) {
        const ViewController* p = &c;
        for (auto below = p->presenting_.lock(); below; below = below->presenting_.lock()) {
            p = below.get();
        }
        auto window = p->rootOf_.lock();
        return window && window->rootViewController().get() == p ? window : nullptr;
    }

    static Controllers stackOf(const Window& window) {
        Controllers stack;
        for (auto c = window.rootViewController(); c; c = c->presented_) stack.push_back(c);
        return stack;
    }

    // The screens of the stack that are on screen, bottom first: from the top down to the
    // first one shown full screen (the root counts as full screen).
    static Controllers visible(const Controllers& stack) {
        Controllers shown;
        for (auto i = stack.size(); i-- > 0;) {
            shown.insert(shown.begin(), stack[i]);
            if (stack[i]->presentationStyle_ == ModalPresentationStyle::fullScreen) break;
        }
        return shown;
    }

    static bool contains(const Controllers& list, const std::shared_ptr<ViewController>& c) {
        return std::find(list.begin(), list.end(), c) != list.end();
    }

    // Runs the appearance calls of one transition: `leaving` (top first) and `entering` get
    // their will-calls, `setup` puts the views in place, the window is laid out, and then
    // (after the transition's duration when animated) the did-calls and `finish` run.
    static void run(const std::shared_ptr<Window>& window, const Controllers& leaving,
                    const Controllers& entering, bool animated, const std::function<void()>& setup,
                    std::function<void()> finish) {
        for (const auto& c : leaving) c->beginAppearanceTransition(false, animated);
        for (const auto& c : entering) c->beginAppearanceTransition(true, animated);
        if (setup) setup();
        if (window) window->layoutIfNeededRecursively();
        auto end = [leaving, entering, finish = std::move(finish)] {
            for (const auto& c : leaving) c->endAppearanceTransition();
            for (const auto& c : entering) c->endAppearanceTransition();
            if (finish) finish();
        };
        if (animated) {
            platformContext().mainLoop().asyncAfter(ViewController::kTransitionDuration,
                                                    std::move(end));
        } else {
            end();
        }
    }

    static void presentNow(const std::shared_ptr<ViewController>& presenter,
                           const std::shared_ptr<ViewController>& controller, bool animated,
                           std::function<void()> completion) {
        auto window = windowOfStack(*presenter);
        if (!window || presenter->presented_ != controller) {
            // The presenter left its window before the presentation could start.
            platformContext().console().writeLine("Attempt to present " + controller->typeName() +
                                                  " on " + presenter->typeName() +
                                                  " whose view is not in the window hierarchy");
            unlink(*presenter, {controller});
            return;
        }
        const auto stack = stackOf(*window);
        const auto after = visible(stack);
        const auto before = visible(Controllers(stack.begin(), stack.end() - 1));
        Controllers leaving;
        for (auto it = before.rbegin(); it != before.rend(); ++it)
            if (!contains(after, *it)) leaving.push_back(*it);
        controller->view()->setFrame(window->bounds());
        run(
            window, leaving, {controller}, animated,
            [window, before, after] {
                auto all = before;
                all.push_back(after.back());
                window->showControllerViews(all);
            },
            [window, controller, completion = std::move(completion)] {
                window->showControllerViews(visible(stackOf(*window)));
                controller->presentationState_ = PresentationState::shown;
                if (completion) completion();
                auto waiting = std::move(controller->whenShown_);
                controller->whenShown_.clear();
                for (auto& request : waiting) request();
            });
    }

    // Dismisses `target` and every screen above it.
    static void dismissNow(const std::shared_ptr<ViewController>& target, bool animated,
                           std::function<void()> completion) {
        auto presenter = target->presenting_.lock();
        auto window = presenter ? windowOfStack(*presenter) : nullptr;
        if (!window) {
            if (presenter) unlink(*presenter, {target});
            if (completion) completion();
            return;
        }
        const auto stack = stackOf(*window);
        const auto k =
            static_cast<std::size_t>(std::find(stack.begin(), stack.end(), target) - stack.begin());
        const Controllers removed(stack.begin() + static_cast<std::ptrdiff_t>(k), stack.end());
        const auto before = visible(stack);
        const auto after =
            visible(Controllers(stack.begin(), stack.begin() + static_cast<std::ptrdiff_t>(k)));
        Controllers leaving, entering;
        for (auto it = before.rbegin(); it != before.rend(); ++it)
            if (contains(removed, *it)) leaving.push_back(*it);
        for (const auto& c : after)
            if (!contains(before, c)) entering.push_back(c);
        for (const auto& c : entering) c->view()->setFrame(window->bounds());
        Controllers kept(stack.begin(), stack.begin() + static_cast<std::ptrdiff_t>(k));
        run(
            window, leaving, entering, animated,
            [window, stack, before, after] {
                Controllers all;
                for (const auto& c : stack)
                    if (contains(before, c) || contains(after, c)) all.push_back(c);
                window->showControllerViews(all);
            },
            [window, presenter, removed, completion = std::move(completion)] {
                unlink(*presenter, removed);
                window->showControllerViews(visible(stackOf(*window)));
                if (completion) completion();
            });
    }

    // Takes the `removed` screens (the one `presenter` presents and those above it) out of the
    // stack for good.
    static void unlink(ViewController& presenter, const Controllers& removed) {
        if (!removed.empty() && presenter.presented_ == removed.front())
            presenter.presented_.reset();
        for (const auto& c : removed) {
            c->presented_.reset();
            c->presenting_.reset();
            c->presentationState_ = PresentationState::gone;
            c->whenShown_.clear();
        }
    }

    static void requestDismiss(const std::shared_ptr<ViewController>& target, bool animated,
                               std::function<void()> completion) {
        switch (target->presentationState_) {
            case PresentationState::presenting: {
                std::weak_ptr<ViewController> weak = target;
                target->whenShown_.push_back([weak, animated, completion] {
                    if (auto t = weak.lock()) requestDismiss(t, animated, completion);
                });
                return;
            }
            case PresentationState::shown:
                break;
            default:
                return;  // already leaving or gone
        }
        Controllers above;
        for (auto c = target; c; c = c->presented_) above.push_back(c);
        for (const auto& c : above) c->presentationState_ = PresentationState::dismissing;
        platformContext().mainLoop().async(
            [target, animated, completion = std::move(completion)]() mutable {
                dismissNow(target, animated, std::move(completion));
            });
    }
};

ViewController::ViewController() = default;

ViewController::~ViewController() {
    for (auto& child : children_) child->parent_ = nullptr;
    if (view_) view_->setViewController(nullptr);
}

std::shared_ptr<View> ViewController::view() {
    if (!view_) {
        loadView();
        if (!view_) setView(std::make_shared<View>(platformContext().device().mainScreenBounds()));
        viewDidLoad();
    }
    return view_;
}

void ViewController::setView(std::shared_ptr<View> view) {
    if (view_) view_->setViewController(nullptr);
    view_ = std::move(view);
    if (view_) view_->setViewController(this);
}

void ViewController::loadView() {
    setView(std::make_shared<View>(platformContext().device().mainScreenBounds()));
}

std::string ViewController::typeName() const {
    return shortTypeName(typeid(*this));
}

void ViewController::beginAppearanceTransition(bool appearing, bool animated) {
    if (appearing) {
        if (appearance_ == Appearance::appeared || appearance_ == Appearance::appearing) return;
        loadViewIfNeeded();
        appearance_ = Appearance::appearing;
        appearanceAnimated_ = animated;
        viewWillAppear(animated);
    } else {
        if (appearance_ == Appearance::disappeared || appearance_ == Appearance::disappearing)
            return;
        appearance_ = Appearance::disappearing;
        appearanceAnimated_ = animated;
        viewWillDisappear(animated);
    }
    for (const auto& child : appearanceChildren())
        child->beginAppearanceTransition(appearing, animated);
}

void ViewController::endAppearanceTransition() {
    if (appearance_ == Appearance::appearing) {
        appearance_ = Appearance::appeared;
        viewDidAppear(appearanceAnimated_);
    } else if (appearance_ == Appearance::disappearing) {
        appearance_ = Appearance::disappeared;
        viewDidDisappear(appearanceAnimated_);
    } else {
        return;
    }
    const auto children = children_;
    for (const auto& child : children) child->endAppearanceTransition();
}

std::vector<std::shared_ptr<ViewController>> ViewController::appearanceChildren() {
    Controllers shown;
    if (!view_) return shown;
    for (const auto& child : children_) {
        auto v = child->viewIfLoaded();
        if (v && (v == view_ || v->isDescendantOf(*view_))) shown.push_back(child);
    }
    return shown;
}

// --- Presentation ------------------------------------------------------------------------

void ViewController::present(std::shared_ptr<ViewController> controller, bool animated,
                             std::function<void()> completion) {
    auto& console = platformContext().console();
    auto presenter = Presentation::outermost(*this).weak_from_this().lock();
    if (!presenter) return;  // not held by a shared_ptr: nothing can show it
    const std::string on = " on " + presenter->typeName();
    if (!controller) {
        console.writeLine("Attempt to present nothing" + on);
        return;
    }
    if (presenter->presentationState_ == PresentationState::presenting) {
        std::weak_ptr<ViewController> weak = presenter;
        presenter->whenShown_.push_back([weak, controller, animated, completion] {
            if (auto p = weak.lock()) p->present(controller, animated, completion);
        });
        return;
    }
    if (presenter->presented_) {
        console.writeLine("Attempt to present " + controller->typeName() + on +
                          " which is already presenting " + presenter->presented_->typeName());
        return;
    }
    const bool onScreen = controller->parent_ || controller->presenting_.lock() ||
                          (controller->viewIfLoaded() && isInWindow(*controller->viewIfLoaded())) ||
                          controller == presenter;
    if (onScreen) {
        console.writeLine("Attempt to present " + controller->typeName() + on + ", but " +
                          controller->typeName() + " is already on screen");
        return;
    }
    const bool leaving = presenter->presentationState_ == PresentationState::dismissing ||
                         presenter->presentationState_ == PresentationState::gone;
    if (leaving || !Presentation::windowOfStack(*presenter)) {
        console.writeLine("Attempt to present " + controller->typeName() + on +
                          " whose view is not in the window hierarchy");
        return;
    }
    presenter->presented_ = controller;
    controller->presenting_ = presenter;
    controller->presentationState_ = PresentationState::presenting;
    platformContext().mainLoop().async(
        [presenter, controller, animated, completion = std::move(completion)]() mutable {
            Presentation::presentNow(presenter, controller, animated, std::move(completion));
        });
}

void ViewController::dismiss(bool animated, std::function<void()> completion) {
    auto& context = Presentation::outermost(*this);
    std::shared_ptr<ViewController> target = context.presented_;
    if (!target && context.presenting_.lock()) target = context.shared_from_this();
    if (!target) {
        if (completion) platformContext().mainLoop().async(std::move(completion));
        return;
    }
    Presentation::requestDismiss(target, animated, std::move(completion));
}

std::shared_ptr<ViewController> ViewController::presentedViewController() const {
    return Presentation::outermost(const_cast<ViewController&>(*this)).presented_;
}

std::shared_ptr<ViewController> ViewController::presentingViewController() const {
    return Presentation::outermost(const_cast<ViewController&>(*this)).presenting_.lock();
}

PresentationState ViewController::presentationState() const {
    return Presentation::outermost(const_cast<ViewController&>(*this)).presentationState_;
}

std::shared_ptr<Window> ViewController::window() const {
    return view_ ? windowOf(*view_) : nullptr;
}

// --- Containment -------------------------------------------------------------------------

std::shared_ptr<ViewController> ViewController::parent() const {
    return parent_ ? parent_->weak_from_this().lock() : nullptr;
}

void ViewController::addChild(const std::shared_ptr<ViewController>& child) {
    if (!child || child.get() == this || child->parent_ == this) return;
    for (auto* p = parent_; p; p = p->parent_)
        if (p == child.get()) return;  // no cycles
    child->removeFromParent();
    children_.push_back(child);
    child->parent_ = this;
}

void ViewController::removeFromParent() {
    if (!parent_) return;
    auto keep = weak_from_this().lock();
    auto& siblings = parent_->children_;
    parent_ = nullptr;
    std::erase_if(siblings, [this](const auto& c) { return c.get() == this; });
}

std::shared_ptr<NavigationController> ViewController::navigationController() const {
    for (auto* p = parent_; p; p = p->parent_)
        if (auto* nav = dynamic_cast<NavigationController*>(p))
            return std::static_pointer_cast<NavigationController>(nav->shared_from_this());
    return nullptr;
}

// --- Segues ------------------------------------------------------------------------------

void ViewController::performSegue(const std::string& identifier, const std::any& sender) {
    if (!storyboard_) {
        platformContext().console().writeLine(typeName() + " has no segue with identifier '" +
                                              identifier + "'");
        return;
    }
    storyboard_->performSegue(*this, identifier, sender);
}

}  // namespace arquorel
