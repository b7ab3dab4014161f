#pragma once
// Hands a URL to another application. A backend installs its opener in the application object;
// without one nothing can be opened.

#include <string>

namespace arquorel {

class URLOpener {
  public:
    virtual ~URLOpener() = default;
    // Whether some installed application handles the URL's scheme (lower case, without ':').
    virtual bool canOpen(const std::string& scheme, const std::string& url) const = 0;
    // Opens the URL; false when nothing handles it.
    virtual bool open(const std::string& scheme, const std::string& url) = 0;
};

}  // namespace arquorel
