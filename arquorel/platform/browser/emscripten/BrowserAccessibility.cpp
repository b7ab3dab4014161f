// The page's side of accessibility: the key window's accessibility tree for the hidden DOM
// mirror (browser.js), the gestures the mirror forwards, and announcements for its live
// region.
#include <emscripten.h>

#include <memory>
#include <string>

#include "arquorel/platform/browser/AccessibilityMirror.h"
#include "arquorel/platform/ui/Window.h"

EM_JS(void, arq_js_announce, (const char* text, int newScreen),
      { ARQ.announce(UTF8ToString(text), !!newScreen); });

namespace {

using arquorel::browser::AccessibilityMirror;

// Frames between two readings of the tree, ten a second: a screen reader needs no more than
// this, and while the phone turns every card moves on every frame, so that each reading builds
// the tree and moves the page's elements (a fifth of a turning frame's script at three frames).
constexpr int kFramesPerReading = 6;

struct MirrorState {
    std::unique_ptr<AccessibilityMirror> mirror;
    int framesSinceReading = kFramesPerReading;
};

MirrorState& state() {
    static MirrorState s;
    return s;
}

// The mirror of the key window, made anew when another window became key; null without one.
AccessibilityMirror* mirror(bool& replaced) {
    auto& s = state();
    auto window = arquorel::Window::keyWindow();
    replaced = false;
    if (!window) {
        replaced = s.mirror != nullptr;
        s.mirror.reset();
        return nullptr;
    }
    if (!s.mirror || s.mirror->window() != window) {
        s.mirror = std::make_unique<AccessibilityMirror>(window);
        s.mirror->onAnnounce = [](const std::string& text, bool newScreen) {
            arq_js_announce(text.c_str(), newScreen ? 1 : 0);
        };
        replaced = true;
    }
    return s.mirror.get();
}

AccessibilityMirror* mirror() {
    bool replaced = false;
    return mirror(replaced);
}

}  // namespace

extern "C" {

// Called after every frame: the elements as JSON (see AccessibilityMirror::json) when they
// changed since the last answer, else null.
EMSCRIPTEN_KEEPALIVE const char* arq_a11y_frame() {
    auto& s = state();
    bool replaced = false;
    auto* m = mirror(replaced);
    if (!m) return replaced ? "[]" : nullptr;
    m->refresh();
    if (!replaced && ++s.framesSinceReading < kFramesPerReading) return nullptr;
    s.framesSinceReading = 0;
    if (!m->update() && !replaced) return nullptr;
    return m->json().c_str();
}

// The gestures of the mirror's elements, by id; each answers 1 when it did something. The
// tree is read again on the next frame.
EMSCRIPTEN_KEEPALIVE int arq_a11y_activate(int id) {
    auto* m = mirror();
    state().framesSinceReading = kFramesPerReading;
    return m && m->activate(id) ? 1 : 0;
}

EMSCRIPTEN_KEEPALIVE int arq_a11y_escape(int id) {
    auto* m = mirror();
    state().framesSinceReading = kFramesPerReading;
    return m && m->escape(id) ? 1 : 0;
}

EMSCRIPTEN_KEEPALIVE int arq_a11y_adjust(int id, int up) {
    auto* m = mirror();
    state().framesSinceReading = kFramesPerReading;
    return m && m->adjust(id, up != 0) ? 1 : 0;
}

// The key window's accessibility tree as the native dump writes it (for tests of the page).
EMSCRIPTEN_KEEPALIVE const char* arq_a11y_dump() {
    static std::string text;
    auto window = arquorel::Window::keyWindow();
    text = window ? arquorel::AccessibilityTree::build(*window).dump() : std::string();
    return text.c_str();
}

}  // extern "C"
