#include "arquorel/platform/browser/BrowserLinks.h"

#include <cstdio>

namespace arquorel::browser {

namespace {

bool unreserved(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~';
}

// Degrees with seven decimals (a centimetre), trailing zeros dropped.
std::string degrees(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.7f", value);
    std::string s = text;
    while (!s.empty() && s.back() == '0') s.pop_back();
    if (!s.empty() && s.back() == '.') s.pop_back();
    return s == "-0" ? "0" : s;
}

std::string point(const Coordinate& c) {
    return degrees(c.latitude) + "%2C" + degrees(c.longitude);
}

}  // namespace

std::string percentEncoded(std::string_view text, std::string_view keep) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (unsigned char c : text) {
        if (unreserved(c) || keep.find(static_cast<char>(c)) != std::string_view::npos) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

std::string mailtoURL(const MailDraft& draft) {
    std::string url = "mailto:";
    bool first = true;
    for (const auto& recipient : draft.recipients) {
        if (recipient.empty()) continue;
        if (!first) url += ',';
        url += percentEncoded(recipient, "@");
        first = false;
    }
    // Line breaks of a body are CRLF in mail.
    std::string body;
    for (std::size_t i = 0; i < draft.body.size(); ++i) {
        if (draft.body[i] == '\n' && (i == 0 || draft.body[i - 1] != '\r')) body += '\r';
        body += draft.body[i];
    }
    char separator = '?';
    if (!draft.subject.empty()) {
        url += separator + std::string("subject=") + percentEncoded(draft.subject);
        separator = '&';
    }
    if (!body.empty()) url += separator + std::string("body=") + percentEncoded(body);
    return url;
}

std::string webMapURL(const MapsLaunch& launch) {
    const MapItem* to = nullptr;
    for (auto it = launch.items.rbegin(); it != launch.items.rend(); ++it) {
        if (!it->isCurrentLocation && isValid(it->coordinate)) {
            to = &*it;
            break;
        }
    }
    if (!to) return {};
    if (!launch.directionsMode) {
        const std::string lat = degrees(to->coordinate.latitude);
        const std::string lng = degrees(to->coordinate.longitude);
        return "https://www.openstreetmap.org/?mlat=" + lat + "&mlon=" + lng + "#map=18/" + lat +
               "/" + lng;
    }
    std::string from;
    if (launch.items.size() > 1 && &launch.items.front() != to &&
        !launch.items.front().isCurrentLocation && isValid(launch.items.front().coordinate))
        from = point(launch.items.front().coordinate);
    std::string url = "https://www.openstreetmap.org/directions?";
    switch (*launch.directionsMode) {
        case DirectionsMode::walking:
            url += "engine=fossgis_osrm_foot&";
            break;
        case DirectionsMode::driving:
            url += "engine=fossgis_osrm_car&";
            break;
        case DirectionsMode::transit:
            break;  // the web map has no transit: its default
    }
    return url + "route=" + from + "%3B" + point(to->coordinate);
}

}  // namespace arquorel::browser
