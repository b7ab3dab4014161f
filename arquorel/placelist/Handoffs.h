#pragma once
// What the place details screen hands to other applications: routes in map applications,
// phone calls, mail, web and social pages, encyclopedia articles and sharing. Plain rules over
// a place record and the platform's services; the screen presents what they make.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "arquorel/platform/maps/MapItem.h"
#include "arquorel/platform/sensors/Location.h"
#include "arquorel/platform/web/ShareSheet.h"

namespace arquorel {

class AlertController;
class Application;
class PhoneNumberService;
class QuorelProperty;
class URLService;

// A number written into a link: the shortest decimal that reads back to the same value, in
// fixed notation (0.00005, never 5e-05), with ".0" on whole values (10.0).
std::string linkNumber(double value);

// ---- Routes

// A map application that can take the route, with its link.
struct RouteApp {
    std::string key;    // "Yandex", "Waze", "Google", "MapsMe"
    std::string title;  // the sheet's button: "Yandex.Maps", "Waze", "Google Maps", "Maps.me"
    std::string url;
    friend bool operator==(const RouteApp&, const RouteApp&) = default;
};

struct RoutePlan {
    // The installed applications that can open their link, in the order above.
    std::vector<RouteApp> apps;
    // The system map application: a walking route from the current location to the place,
    // named and with its address.
    MapsLaunch systemMaps;
};

// The title of the system map application's button in the route sheet.
inline constexpr const char* kSystemMapsTitle = "Apple Maps";

// The route offer for a place. None when the place's coordinate is not a valid one (nothing
// to route to). The applications that need the user's position ("Yandex", "MapsMe") are left
// out without a valid one.
std::optional<RoutePlan> routePlan(const QuorelProperty& place, std::optional<Coordinate> user,
                                   const URLService& urls, const Application& application);

// The route sheet: the system map application first, then the plan's applications, then
// "cancel" (cancel style). `choose` gets the picked application, nullptr for the system map.
std::shared_ptr<AlertController> makeRouteSheet(const RoutePlan& plan,
                                                std::function<void(const RouteApp*)> choose);

// Runs a route choice: opens the application's link, or the system map application.
void openRoute(const RoutePlan& plan, const RouteApp* app, Application& application,
               MapsApplication& maps);

// ---- Calls

struct PhoneChoice {
    std::string text;  // the number as the record writes it, trimmed
    std::string e164;  // "+15550100"
    std::string url;   // "tel:+15550100"
    friend bool operator==(const PhoneChoice&, const PhoneChoice&) = default;
};

// The valid numbers of a phone text holding one or several numbers separated by ";", "," or
// "/", each read with `region` for numbers without a country code; a number given twice counts
// once. None: no call button. One: call it. Several: a choice.
std::vector<PhoneChoice> phoneChoices(std::string_view phone, std::string_view region,
                                      const PhoneNumberService& numbers);
// The country a place's numbers without a country code belong to: the one whose area holds the
// place (the offline table of country areas), else the user's country (empty when unknown).
std::string phoneRegion(const Coordinate& place, std::string_view userCountry);

// The choice between several numbers: one button per number and "cancel" (cancel style).
std::shared_ptr<AlertController> makePhoneChoiceSheet(
    const std::vector<PhoneChoice>& choices, std::function<void(const PhoneChoice&)> choose);

// Places the call; when the system cannot place it, `failed` runs on the main loop (the
// screen then presents makeCallFailedAlert()).
void placeCall(Application& application, const PhoneChoice& choice, std::function<void()> failed);
std::shared_ptr<AlertController> makeCallFailedAlert();

// ---- Mail

// Whether a text (already trimmed) is one plain mail address: a local part and a domain of
// at least two labels, ASCII letters, digits and the usual marks, no spaces.
bool isMailAddress(std::string_view text);

// The valid addresses of a mail text holding one or several addresses separated by ",", ";"
// or white space, trimmed, each once, in order. None: the mail row is hidden.
std::vector<std::string> mailRecipients(std::string_view text);

// "No mail account" notice: empty title, "NoEmail", one "ok" button.
std::shared_ptr<AlertController> makeNoMailAlert();
// A mail that could not be sent: "MailFailed" with the reason, one "ok" button.
std::shared_ptr<AlertController> makeMailFailedAlert(const std::string& reason);

// ---- Web pages, encyclopedia and share

// The address to open for a web site or social page text: only http and https addresses with
// a host (scheme in either case); a text without a scheme is read again with "https://" in
// front. Characters that may appear nowhere in an address (spaces, non-ASCII letters) are
// encoded first; escapes already in it ("%20") and its fragment stay. Credentials
// ("user:password@") are dropped. None (row hidden) for anything else: other schemes
// (javascript:, file:, data:, mailto:...), texts that are no address, texts that merely
// contain "http".
std::optional<std::string> webLinkURL(std::string_view text, const URLService& urls);

// The encyclopedia's domain; an article's address is https://LANG.DOMAIN/wiki/TITLE.
inline constexpr const char* kEncyclopediaDomain = "wikipedia.org";

// The article address for a "LANG:Title" text: split on the first colon, LANG must match
// [a-z]{2,3}(-[a-z]+)* and the title must not be empty; the title's spaces become "_" and it
// is encoded as one path segment. None (row hidden) otherwise.
std::optional<std::string> encyclopediaURL(std::string_view text,
                                           std::string_view domain = kEncyclopediaDomain);

// What a share button shares, on the list and on the details screen alike: the share text
// as text (when not blank, even when it reads like an address) and the share address read by
// webLinkURL() as an address (when it makes one). Empty: the button is hidden or dimmed.
std::vector<ShareItem> shareItems(const QuorelProperty& place, const URLService& urls);

}  // namespace arquorel
