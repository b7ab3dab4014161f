#include "arquorel/platform/device/Application.h"

#include <cctype>

#include "arquorel/platform/device/URLOpener.h"
#include "arquorel/platform/runtime/Console.h"
#include "arquorel/platform/runtime/MainLoop.h"
#include "arquorel/platform/runtime/NotificationCenter.h"
#include "arquorel/platform/runtime/PlatformContext.h"

namespace arquorel {

Application::Application(NotificationCenter& notifications, MainLoop& loop, Console& console)
    : notifications_(notifications), loop_(loop), console_(console) {}

Application::~Application() = default;

void Application::enterBackground() {
    if (state_ == ApplicationState::background) return;
    notifications_.post(kApplicationWillResignActive, this);
    state_ = ApplicationState::background;
    notifications_.post(kApplicationDidEnterBackground, this);
}

void Application::enterForeground() {
    if (state_ == ApplicationState::active) return;
    if (state_ == ApplicationState::background)
        notifications_.post(kApplicationWillEnterForeground, this);
    state_ = ApplicationState::active;
    notifications_.post(kApplicationDidBecomeActive, this);
}

std::optional<std::string> Application::schemeOf(const std::string& url) {
    // scheme = ALPHA *( ALPHA / DIGIT / "+" / "-" / "." ), then ':'
    const auto colon = url.find(':');
    if (colon == std::string::npos || colon == 0) return std::nullopt;
    std::string scheme;
    for (std::size_t i = 0; i < colon; ++i) {
        const auto c = static_cast<unsigned char>(url[i]);
        const bool ok =
            std::isalpha(c) || (i > 0 && (std::isdigit(c) || c == '+' || c == '-' || c == '.'));
        if (!ok) return std::nullopt;
        scheme.push_back(static_cast<char>(std::tolower(c)));
    }
    return scheme;
}

bool Application::canOpenURL(const std::string& url) const {
    auto scheme = schemeOf(url);
    return scheme && opener_ && opener_->canOpen(*scheme, url);
}

void Application::open(const std::string& url, std::function<void(bool)> completion) {
    bool opened = false;
    if (auto scheme = schemeOf(url)) {
        opened = opener_ && opener_->open(*scheme, url);
    } else {
        console_.writeLine("Cannot open \"" + url + "\": it does not start with a URL scheme");
    }
    if (completion)
        loop_.async([completion = std::move(completion), opened] { completion(opened); });
}

void Application::recordHaptic(HapticEvent::Kind kind) {
    haptics_.push_back({kind, loop_.clock().now()});
}

void SelectionFeedbackGenerator::prepare() {
    platformContext().application().recordHaptic(HapticEvent::Kind::prepare);
}

void SelectionFeedbackGenerator::selectionChanged() {
    platformContext().application().recordHaptic(HapticEvent::Kind::selectionChanged);
}

void Application::openSettings() {
    const std::string settings = kOpenSettingsURLString;
    if (!canOpenURL(settings)) return;
    open(settings, [&console = console_](bool opened) {
        console.writeLine(std::string("Settings opened: ") + (opened ? "true" : "false"));
    });
}

}  // namespace arquorel
