#include "arquorel/platform/web/WebView.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "sim/device/SimPlatform.h"

namespace arquorel {
namespace {

// Without a web engine every load fails as unavailable: later on the main loop, once, and only
// for the load still wanted.
TEST(UnavailableWebViewTest, EachWantedLoadFailsOnceLater) {
    sim::SimPlatform device;
    auto view = std::make_shared<UnavailableWebView>();
    std::vector<std::string> failures;
    view->onFailed = [&](WebView& v, const DataLoadError& error) {
        EXPECT_EQ(error.kind, DataLoadError::Kind::unavailable);
        failures.push_back(v.url() + " | " + error.message);
    };
    EXPECT_EQ(view->url(), "");
    view->load({"https://casino.example/"});
    EXPECT_TRUE(failures.empty()) << "never inside load()";
    EXPECT_FALSE(view->isLoading());
    device.runPending();
    EXPECT_EQ(failures, (std::vector<std::string>{"https://casino.example/ | no web engine to load "
                                                  "\"https://casino.example/\""}));

    // Replaced and stopped loads have no outcome.
    failures.clear();
    view->load({"https://a.example/"});
    view->load({"https://b.example/"});
    EXPECT_EQ(view->url(), "https://b.example/");
    device.runPending();
    view->load({"https://c.example/"});
    view->stopLoading();
    device.runPending();
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].substr(0, 18), "https://b.example/");

    // A view freed before the outcome is not reached.
    view->load({"https://d.example/"});
    view.reset();
    device.runPending();
    EXPECT_EQ(failures.size(), 1u);
}

}  // namespace
}  // namespace arquorel
