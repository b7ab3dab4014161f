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

void SimURLOpener::uninstall(const std::string& scheme) {
    schemes_.erase(lower(scheme));
}

}  // namespace arquorel::sim
