#include "arquorel/placelist/Handoffs.h"

#include <algorithm>
#include <cctype>
#include <set>

#include "arquorel/places/QuorelProperty.h"
#include "arquorel/platform/device/Application.h"
#include "arquorel/platform/resources/Bundle.h"
#include "arquorel/platform/sensors/CountryAreas.h"
#include "arquorel/platform/system/DecimalText.h"
#include "arquorel/platform/system/PercentEncoding.h"
#include "arquorel/platform/system/PhoneNumberService.h"
#include "arquorel/platform/system/URLService.h"
#include "arquorel/platform/ui/AlertController.h"

namespace arquorel {

namespace {

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

std::string_view trim(std::string_view text) {
    while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
    return text;
}

bool isLower(char c) {
    return c >= 'a' && c <= 'z';
}
bool isAlpha(char c) {
    return isLower(c) || (c >= 'A' && c <= 'Z');
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Splits on any of the separators, trimming the pieces and dropping empty ones.
std::vector<std::string_view> splitOn(std::string_view text, std::string_view separators) {
    std::vector<std::string_view> pieces;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find_first_of(separators, start);
        if (end == std::string_view::npos) end = text.size();
        const auto piece = trim(text.substr(start, end - start));
        if (!piece.empty()) pieces.push_back(piece);
        start = end + 1;
    }
    return pieces;
}

std::shared_ptr<AlertController> withOkButton(std::shared_ptr<AlertController> alert) {
    alert->addAction({localized("ok"), AlertActionStyle::defaultStyle, {}});
    return alert;
}

}  // namespace

std::string linkNumber(double value) {
    std::string text = shortestDecimal(value);
    if (text.find_first_of("eE") != std::string::npos) text = shortestFixedDecimal(value);
    const bool isNumber = !text.empty() && (isDigit(text.back()));
    if (isNumber && text.find('.') == std::string::npos) text += ".0";
    return text;
}

// ---- Routes

std::optional<RoutePlan> routePlan(const QuorelProperty& place, std::optional<Coordinate> user,
                                   const URLService& urls, const Application& application) {
    const Coordinate target{place.lat, place.lng};
    if (!isValid(target)) return std::nullopt;
    const bool knowsUser = user && isValid(*user);
    const std::string to = linkNumber(target.latitude) + "," + linkNumber(target.longitude);
    struct Entry {
        const char* key;
        const char* title;
        bool needsUser;
    };
    static constexpr Entry kEntries[] = {{"Yandex", "Yandex.Maps", true},
                                         {"Waze", "Waze", false},
                                         {"Google", "Google Maps", false},
                                         {"MapsMe", "Maps.me", true}};
    RoutePlan plan;
    for (const Entry& entry : kEntries) {
        if (entry.needsUser && !knowsUser) continue;
        const std::string key = entry.key;
        std::string url;
        if (key == "Yandex") {
            url = "yandexmaps://build_route_on_map/?lat_from=" + linkNumber(user->latitude) +
                  "&lon_from=" + linkNumber(user->longitude) +
                  "&lat_to=" + linkNumber(target.latitude) +
                  "&lon_to=" + linkNumber(target.longitude);
        } else if (key == "Waze") {
            url = "waze://?ll=" + to + "&navigate=yes";
        } else if (key == "Google") {
            url = "comgooglemaps://?saddr=&daddr=" + to + "&directionsmode=walking";
        } else {
            // The application reads these texts as they are, misspelling included.
            url = "mapsme://route?sll=" + linkNumber(user->latitude) + "," +
                  linkNumber(user->longitude) + "&saddr=Destination&dll=" + to +
                  "&daddr=Destionation&type=pedestrian";
        }
        if (!urls.parse(url) || !application.canOpenURL(url)) continue;
        plan.apps.push_back({key, entry.title, std::move(url)});
    }
    MapItem destination;
    destination.coordinate = target;
    destination.name = place.name;
    destination.address = place.addressComponents();
    plan.systemMaps.items = {MapItem::currentLocation(), std::move(destination)};
    plan.systemMaps.directionsMode = DirectionsMode::walking;
    return plan;
}

std::shared_ptr<AlertController> makeRouteSheet(const RoutePlan& plan,
                                                std::function<void(const RouteApp*)> choose) {
    auto sheet = AlertController::create(localized("SelectMaps"), "", AlertStyle::actionSheet);
    sheet->addAction(
        {kSystemMapsTitle, AlertActionStyle::defaultStyle, [choose](const AlertAction&) {
             if (choose) choose(nullptr);
         }});
    for (const RouteApp& app : plan.apps) {
        sheet->addAction(
            {app.title, AlertActionStyle::defaultStyle, [choose, app](const AlertAction&) {
                 if (choose) choose(&app);
             }});
    }
    sheet->addAction({localized("cancel"), AlertActionStyle::cancel, {}});
    return sheet;
}

void openRoute(const RoutePlan& plan, const RouteApp* app, Application& application,
               MapsApplication& maps) {
    if (app) {
        application.open(app->url);
    } else {
        maps.open(plan.systemMaps);
    }
}

// ---- Calls

std::vector<PhoneChoice> phoneChoices(std::string_view phone, std::string_view region,
                                      const PhoneNumberService& numbers) {
    std::vector<PhoneChoice> choices;
    std::set<std::string> seen;
    for (const auto piece : splitOn(phone, ";,/")) {
        const auto result = numbers.read(piece, region);
        if (!result || !seen.insert(result.number->e164).second) continue;
        choices.push_back({std::string(piece), result.number->e164, "tel:" + result.number->e164});
    }
    return choices;
}

std::string phoneRegion(const Coordinate& place, std::string_view userCountry) {
    // A number is dialled in the place's country, wherever the user is.
    if (const CountryArea* area = countryAreaAt(place)) return area->code;
    return std::string(userCountry);
}

std::shared_ptr<AlertController> makePhoneChoiceSheet(
    const std::vector<PhoneChoice>& choices, std::function<void(const PhoneChoice&)> choose) {
    auto sheet = AlertController::create(localized("SelectPhone"), "", AlertStyle::actionSheet);
    for (const PhoneChoice& choice : choices) {
        sheet->addAction(
            {choice.text, AlertActionStyle::defaultStyle, [choose, choice](const AlertAction&) {
                 if (choose) choose(choice);
             }});
    }
    sheet->addAction({localized("cancel"), AlertActionStyle::cancel, {}});
    return sheet;
}

void placeCall(Application& application, const PhoneChoice& choice, std::function<void()> failed) {
    application.open(choice.url, [failed = std::move(failed)](bool success) {
        if (!success && failed) failed();
    });
}

std::shared_ptr<AlertController> makeCallFailedAlert() {
    return withOkButton(AlertController::create("", localized("CallFailed")));
}

// ---- Mail

bool isMailAddress(std::string_view text) {
    if (text.empty() || text.size() > 254) return false;
    const auto at = text.find('@');
    if (at == std::string_view::npos || text.find('@', at + 1) != std::string_view::npos) {
        return false;
    }
    const auto local = text.substr(0, at);
    const auto domain = text.substr(at + 1);
    if (local.empty() || local.size() > 64 || local.front() == '.' || local.back() == '.' ||
        local.find("..") != std::string_view::npos) {
        return false;
    }
    static constexpr std::string_view kLocalMarks = ".!#$%&'*+/=?^_`{|}~-";
    for (char c : local) {
        if (!isAlpha(c) && !isDigit(c) && kLocalMarks.find(c) == std::string_view::npos) {
            return false;
        }
    }
    std::size_t labels = 0;
    bool lastHasLetter = false;
    std::size_t start = 0;
    while (true) {
        std::size_t end = domain.find('.', start);
        if (end == std::string_view::npos) end = domain.size();
        const auto label = domain.substr(start, end - start);
        if (label.empty() || label.size() > 63 || label.front() == '-' || label.back() == '-') {
            return false;
        }
        lastHasLetter = false;
        for (char c : label) {
            if (!isAlpha(c) && !isDigit(c) && c != '-') return false;
            lastHasLetter = lastHasLetter || isAlpha(c);
        }
        ++labels;
        if (end == domain.size()) break;
        start = end + 1;
    }
    return labels >= 2 && lastHasLetter;
}

std::vector<std::string> mailRecipients(std::string_view text) {
    std::vector<std::string> recipients;
    for (auto piece : splitOn(text, ",; \t\r\n")) {
        // "mailto:" in front of an address, as some sources write it.
        if (piece.size() > 7) {
            std::string prefix(piece.substr(0, 7));
            std::transform(prefix.begin(), prefix.end(), prefix.begin(),
                           [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
            if (prefix == "mailto:") piece.remove_prefix(7);
        }
        if (!isMailAddress(piece)) continue;
        if (std::find(recipients.begin(), recipients.end(), piece) != recipients.end()) continue;
        recipients.emplace_back(piece);
    }
    return recipients;
}

std::shared_ptr<AlertController> makeNoMailAlert() {
    return withOkButton(AlertController::create("", localized("NoEmail")));
}

std::shared_ptr<AlertController> makeMailFailedAlert(const std::string& reason) {
    return withOkButton(AlertController::create(localized("MailFailed"), reason));
}

// ---- Web pages, encyclopedia and share

namespace {

// Drops "user:password@" from an address with an authority ("scheme://"), so that no
// credentials are shown or sent.
std::string withoutCredentials(std::string address) {
    const auto start = address.find("://");
    if (start == std::string::npos) return address;
    const auto authority = start + 3;
    auto end = address.find_first_of("/?#", authority);
    if (end == std::string::npos) end = address.size();
    const auto at = address.rfind('@', end - 1);
    if (at != std::string::npos && at >= authority) address.erase(authority, at + 1 - authority);
    return address;
}

// A host a browser can look up: an IP literal, or labels of letters, digits, hyphens and
// underscores, with non-ASCII letters as escapes of their bytes. An escaped space or mark
// ("%20") is a text that was no address ("see http://...").
bool isHostName(std::string_view host) {
    if (host.empty()) return false;
    // The parser hands an IPv6 literal over with or without its brackets.
    if (host.front() == '[') return host.back() == ']';
    if (host.find(':') != std::string_view::npos) return true;
    for (std::size_t i = 0; i < host.size(); ++i) {
        const char c = host[i];
        if (c == '%') {
            const auto hex = [&](std::size_t at) {
                return at < host.size() && std::isxdigit(static_cast<unsigned char>(host[at]));
            };
            if (!hex(i + 1) || !hex(i + 2) || host[i + 1] < '8') return false;
            i += 2;
        } else if (!isAlpha(c) && !isDigit(c) && c != '-' && c != '.' && c != '_') {
            return false;
        }
    }
    return true;
}

}  // namespace

std::optional<std::string> webLinkURL(std::string_view text, const URLService& urls) {
    // Spaces and non-ASCII letters are written as escapes, as a browser's address bar does.
    const std::string encoded = percentEncode(trim(text), PercentEncodingSet::addressText);
    const std::string_view link = encoded;
    if (link.empty()) return std::nullopt;
    // Accepts an http or https address with a host; its scheme is written in lower case.
    auto accept = [&urls](std::string candidate) -> std::optional<std::string> {
        const auto result = urls.parse(candidate);
        if (!result) return std::nullopt;
        const URLParts& parts = *result.url;
        if (parts.scheme != "http" && parts.scheme != "https") return std::nullopt;
        if (!parts.hasAuthority || !isHostName(parts.host)) return std::nullopt;
        std::copy(parts.scheme.begin(), parts.scheme.end(), candidate.begin());
        return withoutCredentials(std::move(candidate));
    };
    const auto first = urls.parse(link);
    // "example.com:8080/x" reads as the scheme "example.com"; a scheme has no dots in
    // practice, so such a text is a host with a port and gets a scheme like any other.
    if (first && !first.url->scheme.empty() && first.url->scheme.find('.') == std::string::npos) {
        return accept(std::string(link));
    }
    if (link.substr(0, 2) == "//") return accept("https:" + std::string(link));
    // A text that names a scheme of its own but could not be read is no address.
    if (link.find("://") != std::string_view::npos) return std::nullopt;
    return accept("https://" + std::string(link));
}

std::optional<std::string> encyclopediaURL(std::string_view text, std::string_view domain) {
    const auto value = trim(text);
    const auto colon = value.find(':');
    if (colon == std::string_view::npos) return std::nullopt;
    const auto language = value.substr(0, colon);
    std::string title(trim(value.substr(colon + 1)));
    // [a-z]{2,3}(-[a-z]+)*
    std::size_t i = 0;
    while (i < language.size() && isLower(language[i])) ++i;
    if (i < 2 || i > 3) return std::nullopt;
    while (i < language.size()) {
        if (language[i] != '-') return std::nullopt;
        const std::size_t start = ++i;
        while (i < language.size() && isLower(language[i])) ++i;
        if (i == start) return std::nullopt;
    }
    if (title.empty()) return std::nullopt;
    std::replace(title.begin(), title.end(), ' ', '_');
    return "https://" + std::string(language) + "." + std::string(domain) + "/wiki/" +
           percentEncode(title, PercentEncodingSet::pathSegment);
}

std::vector<ShareItem> shareItems(const QuorelProperty& place, const URLService& urls) {
    std::vector<ShareItem> items;
    if (!trim(place.shareText).empty()) items.push_back(ShareItem::text(place.shareText));
    if (auto url = webLinkURL(place.shareurl, urls))
        items.push_back(ShareItem::url(std::move(*url)));
    return items;
}

}  // namespace arquorel
