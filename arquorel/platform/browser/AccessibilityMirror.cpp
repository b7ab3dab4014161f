#include "arquorel/platform/browser/AccessibilityMirror.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "arquorel/platform/ui/Touch.h"
#include "arquorel/platform/ui/View.h"
#include "arquorel/platform/ui/Window.h"

namespace arquorel::browser {

namespace {

void appendJsonText(std::string& out, const std::string& s) {
    out += '"';
    for (unsigned char c : s) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c == 0x7f) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += static_cast<char>(c);
        }
    }
    out += '"';
}

// Whole CSS pixels; a frame that is not a number (a view at an unusable place) becomes 0.
long pixels(double v) {
    if (!std::isfinite(v)) return 0;
    return std::lround(std::clamp(v, -1e6, 1e6));
}

std::string serialize(const std::vector<MirrorElement>& elements) {
    std::string out = "[";
    for (const auto& e : elements) {
        if (out.size() > 1) out += ',';
        out += "{\"id\":" + std::to_string(e.id) + ",\"role\":";
        appendJsonText(out, e.role);
        out += ",\"label\":";
        appendJsonText(out, e.label);
        out += ",\"value\":";
        appendJsonText(out, e.value);
        out += ",\"hint\":";
        appendJsonText(out, e.hint);
        out += std::string(",\"disabled\":") + (e.disabled ? "true" : "false");
        out += std::string(",\"selected\":") + (e.selected ? "true" : "false");
        out += ",\"actions\":[";
        for (std::size_t i = 0; i < e.actions.size(); ++i) {
            if (i) out += ',';
            appendJsonText(out, e.actions[i]);
        }
        out += "],\"x\":" + std::to_string(pixels(e.frame.minX())) +
               ",\"y\":" + std::to_string(pixels(e.frame.minY())) +
               ",\"w\":" + std::to_string(pixels(e.frame.width())) +
               ",\"h\":" + std::to_string(pixels(e.frame.height())) + "}";
    }
    return out + "]";
}

}  // namespace

std::string mirrorRole(AccessibilityTrait traits) {
    if (hasTrait(traits, AccessibilityTrait::adjustable)) return "slider";
    if (hasTrait(traits, AccessibilityTrait::button)) return "button";
    if (hasTrait(traits, AccessibilityTrait::header)) return "heading";
    if (hasTrait(traits, AccessibilityTrait::image)) return "img";
    return "text";
}

AccessibilityMirror::AccessibilityMirror(std::shared_ptr<Window> window)
    : window_(window), reader_(window) {
    // The page's own screen reader says what it lands on; the mirror only passes on what
    // the screens announce and the first element of a new screen.
    reader_.onSpeak = [this](const Utterance& u) {
        if (!onAnnounce) return;
        if (u.kind == "announcement" || u.kind == "polite")
            onAnnounce(u.text, false);
        else if (u.kind == "screen")
            onAnnounce(u.text, true);
    };
}

int AccessibilityMirror::idFor(const std::shared_ptr<View>& view) {
    for (const auto& [weak, id] : ids_)
        if (weak.lock() == view) return id;
    ids_.emplace_back(view, nextId_);
    return nextId_++;
}

bool AccessibilityMirror::update() {
    auto window = window_.lock();
    tree_ = window ? AccessibilityTree::build(*window) : AccessibilityTree{};
    std::erase_if(ids_, [](const auto& entry) { return entry.first.expired(); });
    std::vector<MirrorElement> elements;
    for (const auto* node : tree_.elements()) {
        MirrorElement e;
        auto view = node->view.lock();
        // A view seen twice in one tree (it cannot be, but an id must stay unique) gets a new id.
        e.id = view ? idFor(view) : nextId_++;
        if (std::any_of(elements.begin(), elements.end(),
                        [&](const MirrorElement& other) { return other.id == e.id; }))
            e.id = nextId_++;
        e.role = mirrorRole(node->traits);
        e.label = node->label;
        e.value = node->value;
        e.hint = node->hint;
        e.disabled = hasTrait(node->traits, AccessibilityTrait::notEnabled);
        e.selected = hasTrait(node->traits, AccessibilityTrait::selected);
        e.actions = node->customActions;
        e.frame = node->frame;
        elements.push_back(std::move(e));
    }
    elements_ = std::move(elements);
    std::string json = serialize(elements_);
    if (json == json_) return false;
    json_ = std::move(json);
    return true;
}

std::shared_ptr<View> AccessibilityMirror::viewOf(int id) const {
    for (const auto& [weak, known] : ids_)
        if (known == id) return weak.lock();
    return nullptr;
}

const AccessibilityNode* AccessibilityMirror::nodeOf(
    int id, const std::vector<const AccessibilityNode*>& nodes) const {
    auto view = viewOf(id);
    if (!view) return nullptr;
    for (const auto* node : nodes)
        if (node->view.lock() == view) return node;
    return nullptr;
}

bool AccessibilityMirror::activate(int id) {
    auto window = window_.lock();
    if (!window) return false;
    // The tree as it is now: the page's copy may be a frame old.
    const auto tree = AccessibilityTree::build(*window);
    const auto nodes = tree.elements();
    const auto* node = nodeOf(id, nodes);
    if (!node || hasTrait(node->traits, AccessibilityTrait::notEnabled)) return false;
    auto view = node->view.lock();
    if (view && view->accessibility().activate && view->accessibility().activate()) return true;
    window->sendTouch(TouchPhase::began, node->activationPoint);
    window->sendTouch(TouchPhase::ended, node->activationPoint);
    return true;
}

bool AccessibilityMirror::escape(int id) {
    auto window = window_.lock();
    if (!window) return false;
    auto view = viewOf(id);
    if (view && view->isDescendantOf(*window)) {
        for (auto v = view; v; v = v->superview()) {
            const auto& handler = v->accessibility().escape;
            if (handler && handler()) return true;
        }
    }
    return reader_.escape() == "escape";
}

bool AccessibilityMirror::adjust(int id, bool up) {
    auto view = viewOf(id);
    if (!view) return false;
    if (view->accessibility().adjust) {
        view->accessibility().adjust(up);
        return true;
    }
    return view->accessibilityAdjust(up);
}

}  // namespace arquorel::browser
