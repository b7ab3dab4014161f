#include "sim/device/SimURLOpener.h"

#include <algorithm>
#include <cctype>

namespace arquorel::sim {

namespace {
std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}
}  // namespace

SimURLOpener::SimURLOpener() : schemes_{"app-settings", "http", "https", "mailto", "tel"} {}

bool SimURLOpener::canOpen(const std::string& scheme, const std::string&) const {
    return schemes_.count(lower(scheme)) > 0;
}

bool SimURLOpener::open(const std::string& scheme, const std::string& url) {
    if (!canOpen(scheme, url)) return false;
    opened_.push_back(url);
    return true;
}

void SimURLOpener::install(const std::string& scheme) {
    schemes_.insert(lower(scheme));
}

const std::vector<std::string>& SimURLOpener::mapApps() {
    static const std::vector<std::string> apps{"yandexmaps", "waze", "comgooglemaps", "mapsme"};
    return apps;
}

bool SimURLOpener::setInstalledMapApps(const std::vector<std::string>& schemes) {
    const auto& known = mapApps();
    for (const auto& scheme : schemes) {
        if (std::find(known.begin(), known.end(), lower(scheme)) == known.end()) return false;
    }
    for (const auto& app : known) schemes_.erase(app);
    for (const auto& scheme : schemes) schemes_.insert(lower(scheme));
    return true;
}

void SimURLOpener::uninstall(const std::string& scheme) {
    schemes_.erase(lower(scheme));
}

}  // namespace arquorel::sim
