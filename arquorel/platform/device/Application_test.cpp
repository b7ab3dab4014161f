#include "arquorel/platform/device/Application.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "arquorel/platform/runtime/PlatformContext.h"
#include "sim/device/SimPlatform.h"

namespace arquorel {
namespace {

TEST(ApplicationTest, OpensURLsOnlyThroughInstalledSchemesAndReportsOnTheMainLoop) {
    sim::SimPlatform device;
    auto& app = platformContext().application();
    platformContext().console().startCapture();
    device.urlOpener().install("Waze");
    device.urlOpener().uninstall("mailto");
    struct Case {
        std::string url;
        std::optional<std::string> scheme;
        bool opens;
    };
    const Case cases[] = {
        {"waze://?ll=43.7,7.4&navigate=yes", "waze", true},
        {"TEL:+37793101010", "tel", true},
        {Application::kOpenSettingsURLString, "app-settings", true},
        {"https://fr.wikipedia.org/wiki/Monaco", "https", true},
        {"mailto:info@example.mc", "mailto", false},  // no mail application on this device
        {"yandexmaps://maps.yandex.ru/?rtext=1,2~3,4", "yandexmaps", false},
        {"www.example.mc", std::nullopt, false},  // no scheme
        {"1tel:123", std::nullopt, false},        // a scheme starts with a letter
        {":nothing", std::nullopt, false},
        {"", std::nullopt, false},
    };
    std::vector<std::string> reports;
    for (const auto& c : cases) {
        EXPECT_EQ(Application::schemeOf(c.url), c.scheme) << c.url;
        EXPECT_EQ(app.canOpenURL(c.url), c.opens) << c.url;
        app.open(c.url,
                 [&, url = c.url](bool ok) { reports.push_back(url + (ok ? " yes" : " no")); });
    }
    EXPECT_TRUE(reports.empty());  // completions run on the main loop, not inside open()
    device.runPending();
    ASSERT_EQ(reports.size(), std::size(cases));
    EXPECT_EQ(reports[0], "waze://?ll=43.7,7.4&navigate=yes yes");
    EXPECT_EQ(reports[4], "mailto:info@example.mc no");
    EXPECT_EQ(device.urlOpener().openedURLs(),
              (std::vector<std::string>{"waze://?ll=43.7,7.4&navigate=yes", "TEL:+37793101010",
                                        "app-settings:", "https://fr.wikipedia.org/wiki/Monaco"}));
    EXPECT_EQ(platformContext().console().lines().size(), 4u);  // one per URL without a scheme
    EXPECT_EQ(platformContext().console().lines().front(),
              "Cannot open \"www.example.mc\": it does not start with a URL scheme");
    // The settings page opens where it can (then no more), and says so when the platform answers.
    for (int i = 0; i < 2; ++i) {
        app.openSettings();
        device.runPending();
        EXPECT_EQ(platformContext().console().lines().size(), 5u);
        EXPECT_EQ(platformContext().console().lines().back(), "Settings opened: true");
        device.urlOpener().uninstall("app-settings");
    }
}

TEST(ApplicationTest, StateChangesPostTheirNotificationsOnceAndHapticsAreRecorded) {
    sim::SimPlatform device;
    auto& app = platformContext().application();
    auto& center = platformContext().notificationCenter();
    std::vector<std::string> posted;
    for (auto name : {kApplicationWillResignActive, kApplicationDidEnterBackground,
                      kApplicationWillEnterForeground, kApplicationDidBecomeActive}) {
        center.addObserver(&posted, name, [&](const Notification& n) { posted.push_back(n.name); });
    }
    app.enterForeground();  // already active
    app.enterBackground();
    app.enterBackground();
    EXPECT_EQ(app.state(), ApplicationState::background);
    app.enterForeground();
    EXPECT_EQ(posted, (std::vector<std::string>{
                          kApplicationWillResignActive, kApplicationDidEnterBackground,
                          kApplicationWillEnterForeground, kApplicationDidBecomeActive}));

    SelectionFeedbackGenerator haptic;
    haptic.prepare();
    device.advance(0.5);
    haptic.selectionChanged();
    EXPECT_EQ(app.hapticEvents(),
              (std::vector<HapticEvent>{{HapticEvent::Kind::prepare, device.now() - 0.5},
                                        {HapticEvent::Kind::selectionChanged, device.now()}}));
}

}  // namespace
}  // namespace arquorel
