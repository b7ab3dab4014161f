#include "arquorel/placelist/Handoffs.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "arquorel/places/QuorelProperty.h"
#include "arquorel/platform/runtime/PlatformContext.h"
#include "arquorel/platform/ui/AlertController.h"
#include "sim/device/SimPlatform.h"

namespace arquorel {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

std::vector<std::string> titles(const AlertController& alert) {
    std::vector<std::string> out;
    for (const auto& action : alert.actions()) out.push_back(action.title);
    return out;
}

TEST(HandoffsTest, LinkNumbersAreShortestFixedDecimals) {
    struct Case {
        double value;
        std::string text;
    };
    const Case cases[] = {
        {10, "10.0"},
        {55.75, "55.75"},
        {-0.5, "-0.5"},
        {0.00005, "0.00005"},
        {-0.00001234, "-0.00001234"},
        {1e-7, "0.0000001"},
        {0, "0.0"},
        {-180, "-180.0"},
        {43.7393682, "43.7393682"},
        {7.4272085, "7.4272085"},
        {0.1 + 0.2, "0.30000000000000004"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(linkNumber(c.value), c.text) << c.value;
        EXPECT_EQ(std::stod(linkNumber(c.value)), c.value) << c.value;
    }
}

TEST(HandoffsTest, RouteSheetOffersTheInstalledAppsWithTheirLinks) {
    const Coordinate user{43.7393682, 7.4272085};
    const std::string yandex =
        "yandexmaps://build_route_on_map/?lat_from=43.7393682&lon_from=7.4272085&lat_to=10.0&"
        "lon_to=20.0";
    const std::string waze = "waze://?ll=10.0,20.0&navigate=yes";
    const std::string google = "comgooglemaps://?saddr=&daddr=10.0,20.0&directionsmode=walking";
    const std::string mapsme =
        "mapsme://route?sll=43.7393682,7.4272085&saddr=Destination&dll=10.0,20.0&"
        "daddr=Destionation&type=pedestrian";
    struct Case {
        std::vector<std::string> installed;
        std::optional<Coordinate> user;
        std::vector<std::string> urls;
    };
    const Case cases[] = {
        {{}, user, {}},
        {{"waze"}, user, {waze}},
        {{"yandexmaps", "waze", "comgooglemaps", "mapsme"}, user, {yandex, waze, google, mapsme}},
        {{"mapsme", "comgooglemaps"}, user, {google, mapsme}},
        // Without a (valid) user position the two that need it are left out.
        {{"yandexmaps", "waze", "comgooglemaps", "mapsme"}, std::nullopt, {waze, google}},
        {{"yandexmaps", "mapsme"}, Coordinate{91, 7}, {}},
        {{"yandexmaps", "waze"}, Coordinate{kNaN, 7}, {waze}},
    };
    QuorelProperty place;
    place.name = "Café de Paris";
    place.lat = 10;
    place.lng = 20;
    place.street = "Place du Casino";
    place.city = "Monaco";
    for (const auto& c : cases) {
        sim::SimPlatform device;
        ASSERT_TRUE(device.urlOpener().setInstalledMapApps(c.installed));
        auto& ctx = platformContext();
        const auto plan = routePlan(place, c.user, ctx.urlService(), ctx.application());
        ASSERT_TRUE(plan);
        std::vector<std::string> urls;
        for (const auto& app : plan->apps) urls.push_back(app.url);
        EXPECT_EQ(urls, c.urls) << c.installed.size();
        // The system map application: a walking route to the named place with its address.
        ASSERT_EQ(plan->systemMaps.items.size(), 2u);
        EXPECT_TRUE(plan->systemMaps.items[0].isCurrentLocation);
        EXPECT_EQ(plan->systemMaps.items[1].coordinate, (Coordinate{10, 20}));
        EXPECT_EQ(plan->systemMaps.items[1].name, "Café de Paris");
        EXPECT_EQ(plan->systemMaps.items[1].address.at("street"), "Place du Casino");
        EXPECT_EQ(plan->systemMaps.directionsMode, DirectionsMode::walking);
    }
}

TEST(HandoffsTest, NoRouteIsOfferedToAnInvalidCoordinate) {
    sim::SimPlatform device;
    device.urlOpener().setInstalledMapApps({"waze"});
    auto& ctx = platformContext();
    for (const auto& [lat, lng] :
         std::vector<std::pair<double, double>>{{kNaN, 7},
                                                {43, kNaN},
                                                {90.5, 7},
                                                {-91, 7},
                                                {43, 180.5},
                                                {43, -200},
                                                {std::numeric_limits<double>::infinity(), 0}}) {
        QuorelProperty place;
        place.lat = lat;
        place.lng = lng;
        EXPECT_FALSE(routePlan(place, Coordinate{43.7, 7.4}, ctx.urlService(), ctx.application()))
            << lat << "," << lng;
    }
}

TEST(HandoffsTest, TheRouteSheetOpensWhatIsPickedAndCancelsWithTheCancelStyle) {
    sim::SimPlatform device;
    device.urlOpener().setInstalledMapApps({"waze", "comgooglemaps"});
    auto& ctx = platformContext();
    QuorelProperty place;
    place.name = "Casino";
    place.lat = 43.7393682;
    place.lng = 7.4272085;
    const auto plan = routePlan(place, std::nullopt, ctx.urlService(), ctx.application());
    ASSERT_TRUE(plan);
    std::vector<std::string> picked;
    auto sheet = makeRouteSheet(*plan, [&](const RouteApp* app) {
        picked.push_back(app ? app->key : "system");
        openRoute(*plan, app, ctx.application(), ctx.mapsApplication());
    });
    EXPECT_EQ(sheet->preferredStyle(), AlertStyle::actionSheet);
    EXPECT_EQ(sheet->title(), "Open the route in");
    EXPECT_EQ(titles(*sheet),
              (std::vector<std::string>{"Apple Maps", "Waze", "Google Maps", "Cancel"}));
    EXPECT_EQ(sheet->actions().back().style, AlertActionStyle::cancel);
    for (const auto& action : sheet->actions()) {
        if (action.handler) action.handler(action);
    }
    device.runPending();
    EXPECT_EQ(picked, (std::vector<std::string>{"system", "Waze", "Google"}));
    EXPECT_EQ(device.urlOpener().openedURLs(),
              (std::vector<std::string>{"waze://?ll=43.7393682,7.4272085&navigate=yes",
                                        "comgooglemaps://?saddr=&daddr=43.7393682,7.4272085&"
                                        "directionsmode=walking"}));
    ASSERT_EQ(device.mapsApplication().launches().size(), 1u);
    EXPECT_EQ(device.mapsApplication().launches()[0], plan->systemMaps);
}

TEST(HandoffsTest, PhoneTextsGiveTheirValidNumbers) {
    sim::SimPlatform device;
    struct Case {
        std::string phone;
        std::string region;
        std::vector<std::string> e164;
    };
    const Case cases[] = {
        {"+1 212 555 0100", "", {"+12125550100"}},
        {"+377 93 15 20 00; +377 98 06 36 36", "", {"+37793152000", "+37798063636"}},
        {"93 15 20 00, 98 06 36 36", "MC", {"+37793152000", "+37798063636"}},
        {"04 93 15 20 00 / +377 93 15 20 00", "fr", {"+33493152000", "+37793152000"}},
        {"93 15 20 00, +377 93 15 20 00", "MC", {"+37793152000"}},  // the same number twice
        {"+377 93 15 20 00;;  ; call us", "", {"+37793152000"}},
        {"93 15 20 00", "", {}},    // national number, country unknown
        {"+1 555 0100", "US", {}},  // too short to be a number
        {"n/a", "FR", {}},
        {"", "FR", {}},
    };
    for (const auto& c : cases) {
        const auto choices =
            phoneChoices(c.phone, c.region, platformContext().phoneNumberService());
        std::vector<std::string> numbers;
        for (const auto& choice : choices) {
            numbers.push_back(choice.e164);
            EXPECT_EQ(choice.url, "tel:" + choice.e164);
        }
        EXPECT_EQ(numbers, c.e164) << c.phone;
    }
}

TEST(HandoffsTest, MailAddressesAreTrimmedSplitAndChecked) {
    struct Case {
        std::string text;
        std::vector<std::string> recipients;
    };
    const Case cases[] = {
        {"info@example.mc", {"info@example.mc"}},
        {"  info@example.mc \n", {"info@example.mc"}},
        {"a@x.mc; b@x.mc, a@x.mc", {"a@x.mc", "b@x.mc"}},
        {"MAILTO:info@x.mc", {"info@x.mc"}},
        {"user+tag@sub.example.co.uk", {"user+tag@sub.example.co.uk"}},
        {"o'hara@xn--p1ai.mc", {"o'hara@xn--p1ai.mc"}},
        {"nope, a@b, a@@b.mc, .a@b.mc, a.@b.mc, a..b@c.mc, a@-b.mc, a@b-.mc, a@b.123", {}},
        {"a@b..mc, a@.b.mc, @b.mc, a@, <a@b.mc>, a\"b@c.mc, caf\xc3\xa9@x.mc", {}},
        {"", {}},
    };
    for (const auto& c : cases) EXPECT_EQ(mailRecipients(c.text), c.recipients) << c.text;
    EXPECT_FALSE(isMailAddress(std::string(65, 'a') + "@x.mc"));
    EXPECT_TRUE(isMailAddress(std::string(64, 'a') + "@x.mc"));
}

TEST(HandoffsTest, OnlyHttpAndHttpsLinksAreOpened) {
    sim::SimPlatform device;
    struct Case {
        std::string link;
        std::optional<std::string> url;
    };
    const Case cases[] = {
        {"https://www.example.mc", "https://www.example.mc"},
        {"HTTP://Example.mc/Page", "http://Example.mc/Page"},
        {"HtTpS://x.mc/?a=1#b", "https://x.mc/?a=1#b"},
        {"  https://x.mc  ", "https://x.mc"},
        {"www.example.mc/menu?x=1", "https://www.example.mc/menu?x=1"},
        {"facebook.com/casino", "https://facebook.com/casino"},
        {"example.mc:8080/x", "https://example.mc:8080/x"},
        {"//cdn.example.mc/x", "https://cdn.example.mc/x"},
        {"javascript:alert(1)", std::nullopt},
        {"JavaScript:alert(document.cookie)", std::nullopt},
        {"file:///etc/passwd", std::nullopt},
        {"data:text/html;base64,PHNjcmlwdD4=", std::nullopt},
        {"data:text/html,<script>alert(1)</script>", std::nullopt},
        {"mailto:a@b.mc", std::nullopt},
        {"ftp://x.mc", std::nullopt},
        {"file://x.mc/etc/passwd", std::nullopt},
        {"javascript://x.mc/%0Aalert(1)", std::nullopt},
        {"see http://x.mc", std::nullopt},
        {"javascript:alert('http://x.mc')", std::nullopt},
        {"https://", std::nullopt},
        {"http:/x.mc", std::nullopt},
        {"", std::nullopt},
        // Written as an address bar writes it: spaces and non-ASCII letters as escapes, and
        // escapes already there kept.
        {"https://x.mc/a b", "https://x.mc/a%20b"},
        {"https://x.mc/a%20b", "https://x.mc/a%20b"},
        {"http://my_shop.x.mc", "http://my_shop.x.mc"},
        {"http://[2001:db8::1]/p", "http://[2001:db8::1]/p"},
        {"www.h\xc3\xb4tel.mc/caf\xc3\xa9", "https://www.h%C3%B4tel.mc/caf%C3%A9"},
        {"javascript:alert('a b')", std::nullopt},
        // Credentials are neither shown nor sent.
        {"https://user:pw@x.mc/p", "https://x.mc/p"},
        {"https://a@b@x.mc/p", std::nullopt},
        {"see%20http://x.mc", std::nullopt},
        {"https://x.mc\tab.mc", std::nullopt},
        {"https://x.mc/p?mail=a@b.mc#c@d", "https://x.mc/p?mail=a@b.mc#c@d"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(webLinkURL(c.link, platformContext().urlService()), c.url) << c.link;
    }
}

TEST(HandoffsTest, EncyclopediaArticlesNeedALanguageAndATitle) {
    struct Case {
        std::string value;
        std::optional<std::string> url;
    };
    const Case cases[] = {
        {"en:Eiffel Tower", "https://en.wikipedia.org/wiki/Eiffel_Tower"},
        {" fr:Monaco:Ville ", "https://fr.wikipedia.org/wiki/Monaco:Ville"},
        {"fr:Café de Paris", "https://fr.wikipedia.org/wiki/Caf%C3%A9_de_Paris"},
        {"zh-min-nan:Monaco", "https://zh-min-nan.wikipedia.org/wiki/Monaco"},
        {"en:AC/DC", "https://en.wikipedia.org/wiki/AC%2FDC"},
        {"en:What?#x", "https://en.wikipedia.org/wiki/What%3F%23x"},
        {"en:100%", "https://en.wikipedia.org/wiki/100%25"},
        {"EN:Monaco", std::nullopt},
        {"english:Monaco", std::nullopt},
        {"engl:Monaco", std::nullopt},
        {"als:Monaco", "https://als.wikipedia.org/wiki/Monaco"},
        {"be-tarask:Monaco", "https://be-tarask.wikipedia.org/wiki/Monaco"},
        {"e:Monaco", std::nullopt},
        {"en-:Monaco", std::nullopt},
        {"en-US:Monaco", std::nullopt},
        {"evil.mc/x:Monaco", std::nullopt},
        {"javascript:alert(1)", std::nullopt},
        {"Monaco", std::nullopt},
        {"en:", std::nullopt},
        {"en:   ", std::nullopt},
        {":Monaco", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(encyclopediaURL(c.value), c.url) << c.value;
}

TEST(HandoffsTest, ShareAddressesAreReadAsWrittenAndNeverEncodedTwice) {
    sim::SimPlatform device;
    using K = ShareItem;
    struct Case {
        std::string text;
        std::string url;
        std::vector<ShareItem> items;
    };
    const Case cases[] = {
        {"Visit", "https://x.mc/a%20b#top", {K::text("Visit"), K::url("https://x.mc/a%20b#top")}},
        {"Visit", "https://x.mc/a b", {K::text("Visit"), K::url("https://x.mc/a%20b")}},
        {"", "https://x.mc/?q=caf%C3%A9&r=1#x", {K::url("https://x.mc/?q=caf%C3%A9&r=1#x")}},
        {"", "https://x.mc/caf\xc3\xa9 50%", {K::url("https://x.mc/caf%C3%A9%2050%25")}},
        {"Visit", "x.mc/p", {K::text("Visit"), K::url("https://x.mc/p")}},
        {"Visit", "", {K::text("Visit")}},
        {"Visit", "javascript:alert(1)", {K::text("Visit")}},
        {"Visit", "   ", {K::text("Visit")}},
        {"  ", "", {}},
        {"", "file:///etc/passwd", {}},
        {"Visit", "https://user:pw@x.mc/p", {K::text("Visit"), K::url("https://x.mc/p")}},
        {"https://x.mc is worth it", "", {K::text("https://x.mc is worth it")}},
    };
    for (const auto& c : cases) {
        QuorelProperty place;
        place.shareText = c.text;
        place.shareurl = c.url;
        EXPECT_EQ(shareItems(place, platformContext().urlService()), c.items) << c.url;
    }
}

}  // namespace
}  // namespace arquorel
