#pragma once
// Named notifications with user information, delivered synchronously to observers in the
// order they were added.

#include <any>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace arquorel {

using UserInfo = std::map<std::string, std::any>;

struct Notification {
    std::string name;
    const void* sender = nullptr;
    UserInfo userInfo;
};

class NotificationCenter {
  public:
    using Token = std::uint64_t;
    using Handler = std::function<void(const Notification&)>;

    // Adds an observer for one name; `owner` groups observers for removal.
    Token addObserver(const void* owner, std::string name, Handler handler);
    void removeObserver(Token token);
    // Removes every observer of that owner (of every name, or of one name).
    void removeObserver(const void* owner);
    void removeObserver(const void* owner, const std::string& name);

    void post(const std::string& name, const void* sender = nullptr, UserInfo userInfo = {});
    std::size_t observerCount(const std::string& name) const;

  private:
    struct Entry {
        Token token;
        const void* owner;
        std::string name;
        Handler handler;
    };
    std::vector<Entry> entries_;
    Token next_ = 1;
};

// Names posted by the platform.
inline constexpr const char* kDeviceOrientationDidChange = "deviceOrientationDidChange";
inline constexpr const char* kApplicationDidEnterBackground = "applicationDidEnterBackground";
inline constexpr const char* kApplicationWillEnterForeground = "applicationWillEnterForeground";
inline constexpr const char* kApplicationWillResignActive = "applicationWillResignActive";
inline constexpr const char* kApplicationDidBecomeActive = "applicationDidBecomeActive";

}  // namespace arquorel
