#pragma once
// The simulated device's other applications: a set of installed URL schemes and a record of
// every URL handed to them.

#include <set>
#include <string>
#include <vector>

#include "arquorel/platform/device/URLOpener.h"

namespace arquorel::sim {

class SimURLOpener final : public URLOpener {
  public:
    // A phone with its settings, browser, mail and phone applications.
    SimURLOpener();

    bool canOpen(const std::string& scheme, const std::string& url) const override;
    bool open(const std::string& scheme, const std::string& url) override;

    void install(const std::string& scheme);
    void uninstall(const std::string& scheme);
    // The map applications a phone may have besides its own maps (none at start):
    // "yandexmaps", "waze", "comgooglemaps", "mapsme".
    static const std::vector<std::string>& mapApps();
    // Exactly these map applications are installed afterwards. False, changing nothing, when
    // one of them is not one of mapApps().
    bool setInstalledMapApps(const std::vector<std::string>& schemes);
    const std::set<std::string>& installedSchemes() const { return schemes_; }

    // The URLs that were opened, oldest first (URLs that nothing handled are not recorded).
    const std::vector<std::string>& openedURLs() const { return opened_; }
    void clear() { opened_.clear(); }

  private:
    std::set<std::string> schemes_;
    std::vector<std::string> opened_;
};

}  // namespace arquorel::sim
