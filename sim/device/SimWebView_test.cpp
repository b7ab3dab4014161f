#include "sim/device/SimWebView.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "arquorel/platform/runtime/PlatformContext.h"
#include "arquorel/platform/ui/Label.h"
#include "sim/device/SimDataLoader.h"
#include "sim/device/SimPlatform.h"

namespace arquorel::sim {
namespace {

namespace fs = std::filesystem;

struct Rig {
    SimPlatform device;
    fs::path root = fs::path(::testing::TempDir()) / ("web_pages_" + std::to_string(::getpid()));
    std::shared_ptr<SimDataLoader> loader = std::make_shared<SimDataLoader>(root);
    std::shared_ptr<WebView> view = platformContext().makeWebView();
    std::vector<std::string> outcomes;

    Rig() {
        fs::create_directories(root / "casino.example");
        std::ofstream(root / "casino.example" / "index.html")
            << "<title>Casino</title><p>Open daily.</p>";
        device.context().setDataLoader(loader);
        view->setFrame({0, 0, 375, 600});
        view->onFinished = [this](WebView& v) { outcomes.push_back("finished " + v.url()); };
        view->onFailed = [this](WebView&, const DataLoadError& e) {
            outcomes.push_back(std::string("failed ") + toString(e.kind));
        };
    }
    ~Rig() { fs::remove_all(root); }
    SimWebView& sim() { return static_cast<SimWebView&>(*view); }
};

TEST(SimWebViewTest, ShowsTheFetchedPageAsAReader) {
    Rig rig;
    ASSERT_NE(dynamic_cast<SimWebView*>(rig.view.get()), nullptr);
    rig.loader->setDelay(0.5);
    rig.view->load({"https://casino.example/index.html"});
    EXPECT_TRUE(rig.view->isLoading());
    rig.device.advance(0.4);
    EXPECT_TRUE(rig.outcomes.empty());
    rig.device.advance(0.2);
    EXPECT_EQ(rig.outcomes,
              (std::vector<std::string>{"finished https://casino.example/index.html"}));
    EXPECT_FALSE(rig.view->isLoading());
    ASSERT_TRUE(rig.sim().page());
    EXPECT_EQ(rig.sim().page()->title, "Casino");
    // What the reader shows: the title, the address and the text.
    std::vector<std::string> texts;
    for (const auto& sub : rig.view->subviews())
        if (auto label = std::dynamic_pointer_cast<Label>(sub)) texts.push_back(label->text());
    EXPECT_EQ(texts, (std::vector<std::string>{"Casino", "https://casino.example/index.html",
                                               "Open daily."}));
}

TEST(SimWebViewTest, FailuresTimeoutsAndReplacedLoads) {
    struct Case {
        const char* name;
        std::function<void(Rig&)> act;
        std::vector<std::string> expected;
    };
    const std::vector<Case> cases = {
        {"nothing behind the address",
         [](Rig& r) { r.view->load({"https://casino.example/missing.html"}); },
         {"failed not found"}},
        {"offline",
         [](Rig& r) {
             r.loader->setOffline(true);
             r.view->load({"https://casino.example/index.html"});
         },
         {"failed network"}},
        {"not an http address",
         [](Rig& r) { r.view->load({"ftp://casino.example/index.html"}); },
         {"failed unsupported scheme"}},
        {"slower than the timeout",
         [](Rig& r) {
             r.loader->setDelay(5);
             r.view->load({"https://casino.example/index.html", {}, 2});
         },
         {"failed timed out"}},
        {"a second load replaces the first",
         [](Rig& r) {
             r.loader->setDelay("https://casino.example/index.html", 1);
             r.view->load({"https://casino.example/index.html"});
             r.view->load({"https://casino.example/missing.html"});
         },
         {"failed not found"}},
        {"a stopped load has no outcome",
         [](Rig& r) {
             r.view->load({"https://casino.example/index.html"});
             r.view->stopLoading();
         },
         {}},
    };
    for (const auto& c : cases) {
        Rig rig;
        c.act(rig);
        rig.device.advance(10);
        EXPECT_EQ(rig.outcomes, c.expected) << c.name;
        EXPECT_FALSE(rig.view->isLoading()) << c.name;
    }
}

TEST(SimWebViewTest, AViewThatIsGoneGetsNoOutcome) {
    Rig rig;
    rig.loader->setDelay(1);
    rig.view->load({"https://casino.example/index.html"});
    rig.view.reset();
    rig.device.advance(100);  // neither the answer nor the timeout touches the freed view
    EXPECT_TRUE(rig.outcomes.empty());
}

}  // namespace
}  // namespace arquorel::sim
