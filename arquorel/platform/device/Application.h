#pragma once
// The running application as the platform sees it: its active or background state (with the
// notifications of the changes), opening URLs in other applications, the idle timer, the
// status-bar style and haptic feedback. Held by the platform context.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace arquorel {

class Console;
class MainLoop;
class NotificationCenter;
class URLOpener;

enum class ApplicationState { active, inactive, background };
enum class StatusBarStyle { defaultStyle, lightContent, darkContent };

// One haptic event that a feedback generator asked for.
struct HapticEvent {
    enum class Kind { prepare, selectionChanged };
    Kind kind;
    double time;
    friend bool operator==(const HapticEvent&, const HapticEvent&) = default;
};

class Application {
  public:
    // The address that opens this application's page in the system settings.
    static constexpr const char* kOpenSettingsURLString = "app-settings:";

    Application(NotificationCenter& notifications, MainLoop& loop, Console& console);
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    ApplicationState state() const { return state_; }
    // Posts kApplicationWillResignActive and kApplicationDidEnterBackground, in that order,
    // unless already in the background.
    void enterBackground();
    // Posts kApplicationWillEnterForeground and kApplicationDidBecomeActive, in that order,
    // unless already active.
    void enterForeground();

    // The scheme of a URL in lower case ("tel" for "TEL:+33..."), none when the text does not
    // start with a valid scheme followed by ':'.
    static std::optional<std::string> schemeOf(const std::string& url);
    bool canOpenURL(const std::string& url) const;
    // Opens the URL and reports on the main loop whether it was opened. A URL without a valid
    // scheme is not opened and writes one console line.
    void open(const std::string& url, std::function<void(bool success)> completion = {});
    // Opens this application's page in the system settings, when that address can be opened,
    // and writes "Settings opened: true" (or false) when the outcome is known.
    void openSettings();
    void setURLOpener(std::shared_ptr<URLOpener> opener) { opener_ = std::move(opener); }
    const std::shared_ptr<URLOpener>& urlOpener() const { return opener_; }

    bool isIdleTimerDisabled() const { return idleTimerDisabled_; }
    void setIdleTimerDisabled(bool disabled) { idleTimerDisabled_ = disabled; }
    StatusBarStyle statusBarStyle() const { return statusBarStyle_; }
    void setStatusBarStyle(StatusBarStyle style) { statusBarStyle_ = style; }

    // What the haptic feedback generators asked for, oldest first.
    const std::vector<HapticEvent>& hapticEvents() const { return haptics_; }
    void recordHaptic(HapticEvent::Kind kind);
    void clearHapticEvents() { haptics_.clear(); }

  private:
    NotificationCenter& notifications_;
    MainLoop& loop_;
    Console& console_;
    ApplicationState state_ = ApplicationState::active;
    std::shared_ptr<URLOpener> opener_;
    bool idleTimerDisabled_ = false;
    StatusBarStyle statusBarStyle_ = StatusBarStyle::defaultStyle;
    std::vector<HapticEvent> haptics_;
};

// Asks for a light tick when a selection changes; the simulated device records the events.
class SelectionFeedbackGenerator {
  public:
    void prepare();
    void selectionChanged();
};

}  // namespace arquorel
