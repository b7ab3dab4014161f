#include "arquorel/placelist/WebViewVC.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "arquorel/platform/resources/Bundle.h"
#include "arquorel/platform/runtime/PlatformContext.h"
#include "arquorel/platform/ui/AlertController.h"
#include "arquorel/platform/ui/Button.h"
#include "arquorel/platform/ui/Label.h"
#include "arquorel/platform/ui/NavigationController.h"
#include "arquorel/platform/ui/Window.h"
#include "sim/device/SimDataLoader.h"
#include "sim/device/SimPlatform.h"
#include "sim/device/SimWebView.h"
#include "sim/device/TouchDriver.h"

namespace arquorel {
namespace {

namespace fs = std::filesystem;

constexpr const char* kPage = "https://casino.example/index.html";

// A host screen in a window that presents the web screen for an address.
struct Stage {
    sim::SimPlatform device;
    fs::path root = fs::path(::testing::TempDir()) / ("webvc_" + std::to_string(::getpid()));
    std::shared_ptr<sim::SimDataLoader> loader = std::make_shared<sim::SimDataLoader>(root);
    std::shared_ptr<Window> window = std::make_shared<Window>();
    std::shared_ptr<ViewController> host = std::make_shared<ViewController>();
    std::shared_ptr<WebViewVC> web = WebViewVC::create();

    explicit Stage(const std::string& url, const std::string& language = "en") {
        Bundle::framework().setLanguage(language);
        platformContext().console().startCapture();
        fs::create_directories(root / "casino.example");
        std::ofstream(root / "casino.example" / "index.html")
            << "<title>Casino de Monte-Carlo</title><p>Open every day from 2 pm.</p>";
        std::ofstream(root / "casino.example" / "other.html") << "<title>Other</title>";
        device.context().setDataLoader(loader);
        window->setRootViewController(host);
        window->makeKeyAndVisible();
        device.runPending();
        web->url = url;
        web->navTitle = "Website";
    }
    ~Stage() {
        Bundle::framework().setLanguage("");
        fs::remove_all(root);
    }
    void open() {
        host->present(web, true);
        device.advance(1);
    }
    sim::SimWebView& page() { return static_cast<sim::SimWebView&>(*web->webView); }
    // The notice on screen: title, message and buttons; empty when there is none.
    std::vector<std::string> notice() {
        auto alert = std::dynamic_pointer_cast<AlertController>(web->presentedViewController());
        if (!alert) return {};
        std::vector<std::string> out{alert->title(), alert->message()};
        for (const auto& a : alert->actions()) out.push_back(a.title);
        return out;
    }
    bool pick(const std::string& button) {
        auto alert = std::dynamic_pointer_cast<AlertController>(web->presentedViewController());
        if (!alert || !alert->pickAction(button)) return false;
        device.advance(1);
        return true;
    }
};

const std::vector<std::string> kNoConnection = {
    "No Internet connection", "The page cannot be loaded. Check your connection and try again.",
    "Retry", "Back"};

TEST(WebViewVCTest, LoadsThePageOnceAndShowsItUnderTheHeader) {
    Stage s(kPage);
    s.open();
    EXPECT_TRUE(s.notice().empty());
    EXPECT_EQ(s.web->navTitleLabel->text(), "Website");
    EXPECT_EQ(s.web->doneButton->currentTitle(), "Back");
    ASSERT_TRUE(s.page().page());
    EXPECT_EQ(s.page().page()->title, "Casino de Monte-Carlo");
    EXPECT_EQ(s.loader->requests(), (std::vector<std::string>{kPage}));
    // The header sits below the status bar, the page below the header's line.
    EXPECT_EQ(s.web->doneButton->frame().minY(), 44);
    EXPECT_EQ(s.web->webView->frame().minY(), s.web->lineView->frame().maxY());
    EXPECT_EQ(s.web->webView->frame().maxY(), 812);

    // Covered by a full-screen screen and shown again: the page is not loaded again.
    auto cover = std::make_shared<ViewController>();
    s.web->present(cover, false);
    s.device.advance(1);
    cover->dismiss(false);
    s.device.advance(1);
    EXPECT_EQ(s.page().loadCount(), 1);
    // A new address is loaded when the screen next appears.
    s.web->url = "https://casino.example/other.html";
    s.web->present(cover, false);
    s.device.advance(1);
    cover->dismiss(false);
    s.device.advance(1);
    EXPECT_EQ(s.page().loadCount(), 2);

    sim::TouchDriver touch(s.device);
    const auto tapped = touch.tap("doneButton");
    EXPECT_TRUE(tapped) << tapped.message;
    s.device.advance(1);
    EXPECT_EQ(s.host->presentedViewController(), nullptr);
}

TEST(WebViewVCTest, NoticesInsteadOfABlankPage) {
    struct Case {
        const char* name;
        std::string url;
        std::function<void(Stage&)> setUp;
        std::vector<std::string> notice;
    };
    const std::vector<Case> cases = {
        {"no network route", kPage, [](Stage& s) { s.device.reachability().setConnected(false); },
         kNoConnection},
        {"a connection that must be made first", kPage,
         [](Stage& s) {
             s.device.reachability().setFlags(kReachabilityReachable |
                                              kReachabilityConnectionRequired);
         },
         kNoConnection},
        {"the load fails for the network", kPage, [](Stage& s) { s.loader->setOffline(true); },
         kNoConnection},
        {"the load times out", kPage, [](Stage& s) { s.loader->setDelay(61); }, kNoConnection},
        {"nothing at the address",
         "https://casino.example/missing.html",
         [](Stage&) {},
         {"The page could not be loaded", "The site did not send the page. Try again later.",
          "Retry", "Back"}},
        // Sent on to an address of another scheme: no retry can open that.
        {"the site sends the page on to an ftp: address",
         kPage,
         [](Stage& s) { s.loader->setFailure(kPage, DataLoadError::Kind::unsupportedScheme); },
         {"Cannot open this address", "This address is not a web page that can be opened here.",
          "Back"}},
    };
    for (const auto& c : cases) {
        Stage s(c.url);
        c.setUp(s);
        s.open();
        s.device.advance(70);
        EXPECT_EQ(s.notice(), c.notice) << c.name;
        // Back leaves the web screen.
        EXPECT_TRUE(s.pick("Back")) << c.name;
        EXPECT_EQ(s.host->presentedViewController(), nullptr) << c.name;
    }
}

const std::vector<std::string> kCannotOpen = {
    "Cannot open this address", "This address is not a web page that can be opened here.", "Back"};

// Addresses that are no web page never reach the web view, neither when the screen opens nor
// when it appears again with a new address after a page was shown. The notice has no Retry,
// which could never help.
TEST(WebViewVCTest, AddressesThatAreNoWebPageNeverReachTheWebView) {
    const std::vector<std::string> addresses = {
        "",
        "javascript:alert(document.cookie)",
        "JavaScript:alert(1)",
        "javascript://casino.example/%0Aalert(1)",
        "file:///etc/passwd",
        "FILE://localhost/etc/passwd",
        "data:text/html,<script>alert(1)</script>",
        " https://casino.example/index.html",
        "https://casino.example/a page.html",
        "casino de monte carlo",
    };
    for (const auto& address : addresses) {
        Stage s(address);
        s.open();
        s.device.advance(70);
        EXPECT_EQ(s.notice(), kCannotOpen) << address;
        EXPECT_EQ(s.page().loadCount(), 0) << address;
        EXPECT_EQ(s.page().url(), "") << address;
        EXPECT_TRUE(s.loader->requests().empty()) << address;
        EXPECT_TRUE(s.pick("Back")) << address;
        EXPECT_EQ(s.host->presentedViewController(), nullptr) << address;

        // After a page was shown.
        Stage shown(kPage);
        shown.open();
        ASSERT_TRUE(shown.page().page()) << address;
        auto cover = std::make_shared<ViewController>();
        shown.web->present(cover, false);
        shown.device.advance(1);
        shown.web->url = address;
        cover->dismiss(false);
        shown.device.advance(70);
        EXPECT_EQ(shown.page().loadCount(), 1) << address;
        EXPECT_EQ(shown.page().url(), kPage) << address;
    }
}

TEST(WebViewVCTest, RetryLoadsAgainOnceTheCauseIsGone) {
    Stage s(kPage);
    s.device.reachability().setConnected(false);
    s.open();
    EXPECT_EQ(s.notice(), kNoConnection);
    EXPECT_TRUE(s.loader->requests().empty());
    EXPECT_TRUE(s.pick("Retry"));  // still no network: the notice again
    EXPECT_EQ(s.notice(), kNoConnection);
    s.device.reachability().setConnected(true);
    s.loader->setOffline(true);
    EXPECT_TRUE(s.pick("Retry"));  // a route, but the load fails
    EXPECT_EQ(s.notice(), kNoConnection);
    s.loader->setOffline(false);
    EXPECT_TRUE(s.pick("Retry"));
    EXPECT_TRUE(s.notice().empty());
    ASSERT_TRUE(s.page().page());
    EXPECT_EQ(s.loader->requests().size(), 2u);
}

TEST(WebViewVCTest, LeavingANavigationStackHidesItsBarOnlyWhenAsked) {
    for (const bool hide : {false, true}) {
        Stage s(kPage);
        auto list = std::make_shared<ViewController>();
        auto navigation = std::make_shared<NavigationController>(list);
        s.window->setRootViewController(navigation);
        s.device.runPending();
        s.web->hideNavigation = hide;
        navigation->pushViewController(s.web, false);
        s.device.advance(1);
        EXPECT_FALSE(navigation->isNavigationBarHidden());
        navigation->popViewController(false);
        s.device.advance(1);
        EXPECT_EQ(navigation->isNavigationBarHidden(), hide);
    }
}

TEST(WebViewVCTest, FrenchNotices) {
    Stage s("mailto:casino@example.org", "fr");
    s.open();
    EXPECT_EQ(s.notice(),
              (std::vector<std::string>{
                  "Impossible d’ouvrir cette adresse",
                  "Cette adresse n’est pas une page web qui peut s’ouvrir ici.", "Retour"}));
    Stage offline(kPage, "fr");
    offline.device.reachability().setConnected(false);
    offline.open();
    EXPECT_EQ(offline.notice(),
              (std::vector<std::string>{
                  "Pas de connexion Internet",
                  "La page ne peut pas être chargée. Vérifiez votre connexion et réessayez.",
                  "Réessayer", "Retour"}));
}

}  // namespace
}  // namespace arquorel
