#include "arquorel/platform/ui/ViewController.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "arquorel/platform/runtime/PlatformContext.h"
#include "arquorel/platform/ui/LayoutRegistry.h"
#include "arquorel/platform/ui/NavigationController.h"
#include "arquorel/platform/ui/Storyboard.h"
#include "arquorel/platform/ui/View.h"
#include "arquorel/platform/ui/Window.h"
#include "sim/device/SimPlatform.h"

namespace arquorel {
namespace {

using Log = std::vector<std::string>;

std::string joined(const Log& log) {
    std::string text;
    for (const auto& line : log) text += (text.empty() ? "" : ", ") + line;
    return text;
}

// Writes every platform call it receives to a shared log.
class Screen : public ViewController {
  public:
    Screen(std::string name, Log& log) : name_(std::move(name)), log_(log) {}
    void viewDidLoad() override { note("didLoad"); }
    void viewWillAppear(bool) override { note("willAppear"); }
    void viewDidAppear(bool) override { note("didAppear"); }
    void viewWillDisappear(bool) override { note("willDisappear"); }
    void viewDidDisappear(bool) override { note("didDisappear"); }
    void viewDidLayoutSubviews() override { note("didLayout"); }
    void prepare(StoryboardSegue& segue, const std::any& sender) override {
        note("prepare " + segue.identifier() + " -> " + segue.destination()->typeName() +
             (sender.type() == typeid(int) ? " sender " + std::to_string(std::any_cast<int>(sender))
                                           : ""));
    }
    OrientationMask supportedInterfaceOrientations() const override { return orientations; }
    void note(const std::string& what) { log_.push_back(name_ + " " + what); }

    OrientationMask orientations = OrientationMask::allButUpsideDown();

  private:
    std::string name_;
    Log& log_;
};

struct Stage {
    sim::SimPlatform device;
    Log log;
    std::shared_ptr<Window> window = std::make_shared<Window>();
    std::shared_ptr<Screen> a = screen("A");
    std::shared_ptr<Screen> b = screen("B");
    std::shared_ptr<Screen> c = screen("C");

    Stage() { platformContext().console().startCapture(); }
    std::shared_ptr<Screen> screen(const std::string& name) {
        return std::make_shared<Screen>(name, log);
    }
    void show(std::shared_ptr<ViewController> root) {
        window->setRootViewController(std::move(root));
        window->makeKeyAndVisible();
        device.runPending();
        log.clear();
    }
    std::function<void()> done(const std::string& what) {
        return [this, what] { log.push_back(what); };
    }
    // Moves time and writes a marker, so the log shows which calls waited for the transition.
    void wait(double seconds) {
        device.advance(seconds);
        log.push_back(std::to_string(static_cast<int>(seconds * 1000)) + " ms");
    }
};

// The order of the platform calls for each way of showing and hiding screens.
TEST(ViewControllerTest, LifecycleOrder) {
    struct Case {
        const char* name;
        std::function<void(Stage&)> script;
        const char* log;
    };
    const Case cases[] = {
        {"present full screen, animated, then dismiss",
         [](Stage& s) {
             s.show(s.a);
             s.a->present(s.b, true, s.done("presented"));
             s.wait(0.1);
             s.wait(0.2);
             s.b->dismiss(true, s.done("dismissed"));
             s.wait(0.3);
         },
         "B didLoad, A willDisappear, B willAppear, B didLayout, 100 ms, A didDisappear, "
         "B didAppear, presented, 200 ms, B willDisappear, A willAppear, B didDisappear, "
         "A didAppear, dismissed, 300 ms"},
        {"present over full screen: the presenter stays without calls",
         [](Stage& s) {
             s.show(s.a);
             s.b->setModalPresentationStyle(ModalPresentationStyle::overFullScreen);
             s.a->present(s.b, false, s.done("presented"));
             s.wait(0);
             s.a->dismiss(false, s.done("dismissed"));
             s.wait(0);
         },
         "B didLoad, B willAppear, B didLayout, B didAppear, presented, 0 ms, B willDisappear, "
         "B didDisappear, dismissed, 0 ms"},
        {"full screen over over-full-screen hides both; dismissing from the root brings both back",
         [](Stage& s) {
             s.show(s.a);
             s.b->setModalPresentationStyle(ModalPresentationStyle::overFullScreen);
             s.a->present(s.b, false);
             s.wait(0);
             s.b->present(s.c, false);
             s.wait(0);
             s.a->dismiss(false);
             s.wait(0);
         },
         "B didLoad, B willAppear, B didLayout, B didAppear, 0 ms, C didLoad, B willDisappear, "
         "A willDisappear, C willAppear, C didLayout, B didDisappear, A didDisappear, "
         "C didAppear, 0 ms, C willDisappear, A willAppear, C didDisappear, A didAppear, 0 ms"},
        {"a dismissal asked for while presenting waits until the screen is shown",
         [](Stage& s) {
             s.show(s.a);
             s.a->present(s.b, true, s.done("presented"));
             s.b->dismiss(true, s.done("dismissed"));
             s.wait(0.3);
             s.wait(0.3);
         },
         "B didLoad, A willDisappear, B willAppear, B didLayout, A didDisappear, B didAppear, "
         "presented, B willDisappear, A willAppear, 300 ms, B didDisappear, A didAppear, "
         "dismissed, 300 ms"},
        {"push and pop in a navigation stack",
         [](Stage& s) {
             auto nav = std::make_shared<NavigationController>(s.a);
             s.show(nav);
             nav->pushViewController(s.b, true);
             s.wait(0.3);
             EXPECT_EQ(nav->popViewController(false), s.b);
             s.wait(0);
         },
         "B didLoad, A willDisappear, B willAppear, B didLayout, A didDisappear, B didAppear, "
         "300 ms, B willDisappear, A willAppear, B didDisappear, A didAppear, 0 ms"},
        {"pop to root skips the screens in between",
         [](Stage& s) {
             auto nav = std::make_shared<NavigationController>(s.a);
             s.show(nav);
             nav->pushViewController(s.b, false);
             nav->pushViewController(s.c, false);
             s.wait(0);
             EXPECT_EQ(nav->popToRootViewController(false).size(), 2u);
             EXPECT_EQ(nav->viewControllers().size(), 1u);
             s.wait(0);
         },
         "C didLoad, A willDisappear, C willAppear, C didLayout, A didDisappear, C didAppear, "
         "0 ms, C willDisappear, A willAppear, C didDisappear, A didAppear, 0 ms"},
        {"popping a stack that holds only its root keeps the root on screen",
         [](Stage& s) {
             auto nav = std::make_shared<NavigationController>(s.a);
             s.show(nav);
             EXPECT_EQ(nav->popViewController(true), nullptr);
             EXPECT_TRUE(nav->popToRootViewController(true).empty());
             s.wait(0.3);
             EXPECT_EQ(nav->viewControllers(), std::vector<std::shared_ptr<ViewController>>{s.a});
             EXPECT_TRUE(isInWindow(*s.a->view()));
         },
         "300 ms"},
        {"a presented navigation stack forwards its appearance to its top screen",
         [](Stage& s) {
             s.show(s.a);
             auto nav = std::make_shared<NavigationController>(s.b);
             s.a->present(nav, false);
             s.wait(0);
             s.b->dismiss(false);  // from inside the stack: the whole stack goes
             s.wait(0);
         },
         "B didLoad, A willDisappear, B willAppear, B didLayout, A didDisappear, B didAppear, "
         "0 ms, B willDisappear, A willAppear, B didDisappear, A didAppear, 0 ms"},
    };
    for (const auto& c : cases) {
        Stage s;
        c.script(s);
        EXPECT_EQ(joined(s.log), c.log) << c.name;
        EXPECT_EQ(s.device.context().console().lines(), std::vector<std::string>{}) << c.name;
    }
}

TEST(ViewControllerTest, PresentationMovesOneWayAndTheWindowShowsTheStack) {
    Stage s;
    s.show(s.a);
    std::vector<PresentationState> states;
    auto note = [&] { states.push_back(s.b->presentationState()); };
    note();
    s.a->present(s.b, true);
    note();
    s.device.advance(0.3);
    note();
    EXPECT_EQ(s.window->presentationStack(),
              (std::vector<std::shared_ptr<ViewController>>{s.a, s.b}));
    EXPECT_EQ(s.a->presentedViewController(), s.b);
    EXPECT_EQ(s.b->presentingViewController(), s.a);
    EXPECT_FALSE(isInWindow(*s.a->view()));  // full screen: the presenter's view left
    EXPECT_EQ(s.window->subviews(), std::vector<std::shared_ptr<View>>{s.b->view()});
    s.b->dismiss(true);
    s.b->dismiss(true);  // a second request while dismissing is ignored
    s.device.runPending();
    note();
    EXPECT_TRUE(isInWindow(*s.a->view()));
    EXPECT_TRUE(isInWindow(*s.b->view()));  // both during the transition
    s.device.advance(0.3);
    note();
    EXPECT_EQ(states, (std::vector{PresentationState::none, PresentationState::presenting,
                                   PresentationState::shown, PresentationState::dismissing,
                                   PresentationState::gone}));
    EXPECT_FALSE(isInWindow(*s.b->view()));
    EXPECT_EQ(s.a->presentedViewController(), nullptr);
    EXPECT_EQ(s.window->topViewController(), s.a);
}

TEST(ViewControllerTest, RefusedPresentationsWriteOneLineAndChangeNothing) {
    struct Case {
        const char* name;
        std::function<void(Stage&)> script;
        const char* line;
    };
    const Case cases[] = {
        {"second presentation on the same screen",
         [](Stage& s) {
             s.a->present(s.b, false);
             s.a->present(s.c, false);
         },
         "Attempt to present Screen on Screen which is already presenting Screen"},
        {"a screen that is already on screen", [](Stage& s) { s.a->present(s.a, false); },
         "Attempt to present Screen on Screen, but Screen is already on screen"},
        {"from a screen outside any window", [](Stage& s) { s.b->present(s.c, false); },
         "Attempt to present Screen on Screen whose view is not in the window hierarchy"},
        {"nothing", [](Stage& s) { s.a->present(nullptr, false); },
         "Attempt to present nothing on Screen"},
    };
    for (const auto& c : cases) {
        Stage s;
        s.show(s.a);
        c.script(s);
        s.device.advance(1);
        EXPECT_EQ(s.device.context().console().lines(), std::vector<std::string>{c.line}) << c.name;
        EXPECT_FALSE(s.c->isViewLoaded()) << c.name;
    }
}

TEST(ViewControllerTest, LayoutCallsFollowSizeChangesAndRotationFollowsSupportedOrientations) {
    Stage s;
    s.show(s.a);
    s.a->orientations = OrientationMask::portrait();
    EXPECT_FALSE(s.window->rotate(InterfaceOrientation::landscapeLeft));
    s.a->orientations = OrientationMask::all();
    EXPECT_TRUE(s.window->rotate(InterfaceOrientation::landscapeLeft));
    EXPECT_EQ(s.a->view()->frame(), (Rect{0, 0, 812, 375}));
    EXPECT_EQ(platformContext().device().interfaceOrientation(),
              InterfaceOrientation::landscapeLeft);
    EXPECT_EQ(joined(s.log), "A didLayout");
}

TEST(ViewControllerTest, SeguesRunPrepareThenShowTheDestination) {
    Stage s;
    Log& log = s.log;
    auto& board = LayoutRegistry::shared().defineStoryboard("SegueTest");
    board.addScreen("list", [&] { return std::make_shared<Screen>("List", log); });
    board.addScreen("detail", [&] { return std::make_shared<Screen>("Detail", log); });
    board.addSegue("list", "open", "detail", SegueKind::presentOverFullScreen);
    board.addSegue("list", "push", "detail", SegueKind::show);
    board.setInitialScreen("list");

    auto list =
        LayoutRegistry::shared().storyboard("SegueTest")->instantiateInitialViewController();
    ASSERT_TRUE(list);
    EXPECT_EQ(list->storyboardIdentifier(), "list");
    s.show(list);
    list->performSegue("open", 42);
    list->performSegue("missing");
    s.device.advance(0.3);
    auto detail = list->presentedViewController();
    ASSERT_TRUE(detail);
    EXPECT_EQ(detail->modalPresentationStyle(), ModalPresentationStyle::overFullScreen);
    EXPECT_EQ(joined(log),
              "List prepare open -> Screen sender 42, Detail didLoad, Detail willAppear, "
              "Detail didLayout, Detail didAppear");
    EXPECT_EQ(s.device.context().console().lines(),
              std::vector<std::string>{"Screen has no segue with identifier 'missing'"});

    // "show" pushes when the source sits in a navigation stack.
    auto root = board.instantiateViewController("list");
    auto nav = std::make_shared<NavigationController>(root);
    s.window->setRootViewController(nav);
    s.device.runPending();
    root->performSegue("push");
    s.device.advance(0.3);
    EXPECT_EQ(nav->viewControllers().size(), 2u);
}

TEST(ViewControllerTest, UnknownLayoutsAndScreensGiveOneLineAndNothing) {
    sim::SimPlatform device;
    auto& console = platformContext().console();
    console.startCapture();
    auto& registry = LayoutRegistry::shared();
    registry.registerViewLayout("CardTest", [] {
        return std::vector<std::shared_ptr<View>>{std::make_shared<View>(Rect{0, 0, 100, 50})};
    });
    registry.registerScreenLayout("NullScreenTest", [] { return nullptr; });
    registry.defineStoryboard("EmptyTest");

    EXPECT_EQ(registry.loadViewLayout("CardTest").size(), 1u);
    EXPECT_EQ(registry.loadViewLayout("NoSuchCard").size(), 0u);
    EXPECT_EQ(registry.storyboard("NoSuchBoard"), nullptr);
    EXPECT_EQ(registry.loadScreen("NullScreenTest"), nullptr);
    EXPECT_EQ(registry.storyboard("EmptyTest")->instantiateViewController("PlaceVC"), nullptr);
    EXPECT_EQ(registry.storyboard("EmptyTest")->instantiateInitialViewController(), nullptr);
    EXPECT_EQ(console.lines(),
              (std::vector<std::string>{
                  "Could not find a view layout named 'NoSuchCard' in the bundle",
                  "Could not find a screen layout named 'NoSuchBoard' in the bundle",
                  "Could not find a screen layout named 'NullScreenTest' in the bundle",
                  "Storyboard 'EmptyTest' has no screen with identifier 'PlaceVC'",
                  "Storyboard 'EmptyTest' has no initial screen"}));
}

}  // namespace
}  // namespace arquorel
