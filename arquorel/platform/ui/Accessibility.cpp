#include "arquorel/platform/ui/Accessibility.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "arquorel/platform/runtime/PlatformContext.h"
#include "arquorel/platform/ui/HitTest.h"
#include "arquorel/platform/ui/View.h"
#include "arquorel/platform/ui/Window.h"

namespace arquorel {

// --- View's accessibility members --------------------------------------------------------------

AccessibilityProperties& View::accessibility() {
    if (!accessibility_) accessibility_ = std::make_unique<AccessibilityProperties>();
    return *accessibility_;
}

const AccessibilityProperties& View::accessibility() const {
    static const AccessibilityProperties none;
    return accessibility_ ? *accessibility_ : none;
}

AccessibilityDefaults View::accessibilityDefaults() const {
    return {};
}

bool View::accessibilityAdjust(bool) {
    return false;
}

// --- Words --------------------------------------------------------------------------------------

namespace {

struct TraitWord {
    AccessibilityTrait trait;
    const char* name;    // in dumps
    const char* spoken;  // as a reader says it; empty: not said
};

constexpr TraitWord kTraitWords[] = {
    {AccessibilityTrait::button, "button", "button"},
    {AccessibilityTrait::header, "header", "heading"},
    {AccessibilityTrait::adjustable, "adjustable", "adjustable"},
    {AccessibilityTrait::image, "image", "image"},
    {AccessibilityTrait::staticText, "text", ""},
    {AccessibilityTrait::selected, "selected", "selected"},
    {AccessibilityTrait::notEnabled, "notEnabled", "dimmed"},
};

// Without the spaces around it (padding of a pill or a tag is not read).
std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\n");
    if (first == std::string::npos) return {};
    const auto last = text.find_last_not_of(" \t\n");
    return text.substr(first, last - first + 1);
}

void appendPart(std::string& out, const std::string& raw) {
    const std::string part = trimmed(raw);
    if (part.empty()) return;
    if (!out.empty()) out += ", ";
    out += part;
}

std::string fixed1(double v) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.1f", std::isfinite(v) ? v : 0.0);
    std::string s = buffer;
    if (s == "-0.0") s = "0.0";
    return s;
}

std::string quote(const std::string& text) {
    std::string out = "\"";
    for (char ch : text) {
        if (ch == '"' || ch == '\\') out += '\\';
        if (ch == '\n') {
            out += "\\n";
            continue;
        }
        out += ch;
    }
    return out + "\"";
}

}  // namespace

std::string traitNames(AccessibilityTrait traits) {
    std::string out;
    for (const auto& w : kTraitWords) {
        if (!hasTrait(traits, w.trait)) continue;
        if (!out.empty()) out += ' ';
        out += w.name;
    }
    return out;
}

std::string spokenText(const AccessibilityNode& element) {
    std::string out = element.label;
    appendPart(out, element.value);
    for (const auto& w : kTraitWords)
        if (hasTrait(element.traits, w.trait)) appendPart(out, w.spoken);
    appendPart(out, element.hint);
    return out;
}

// --- Building the tree -------------------------------------------------------------------------

namespace {

bool shows(const View& view) {
    return !view.isHidden() && view.alpha() >= 0.01 && !view.accessibility().elementsHidden;
}

// The box the view's bounds take in the root's coordinates.
Rect boxInRoot(const View& view) {
    const Transform t = transformToRoot(view);
    const Rect b = view.bounds();
    const Point corners[] = {apply(t, {b.minX(), b.minY()}), apply(t, {b.maxX(), b.minY()}),
                             apply(t, {b.minX(), b.maxY()}), apply(t, {b.maxX(), b.maxY()})};
    double x0 = corners[0].x, x1 = x0, y0 = corners[0].y, y1 = y0;
    for (const auto& c : corners) {
        x0 = std::min(x0, c.x);
        x1 = std::max(x1, c.x);
        y0 = std::min(y0, c.y);
        y1 = std::max(y1, c.y);
    }
    return {x0, y0, x1 - x0, y1 - y0};
}

Rect intersect(const Rect& a, const Rect& b) {
    const double x0 = std::max(a.minX(), b.minX()), x1 = std::min(a.maxX(), b.maxX());
    const double y0 = std::max(a.minY(), b.minY()), y1 = std::min(a.maxY(), b.maxY());
    if (!(x1 > x0) || !(y1 > y0)) return {};
    return {x0, y0, x1 - x0, y1 - y0};
}

bool hasArea(const Rect& r) {
    return r.width() > 0 && r.height() > 0;
}

bool contains(const Rect& outer, const Rect& inner) {
    return inner.minX() >= outer.minX() && inner.maxX() <= outer.maxX() &&
           inner.minY() >= outer.minY() && inner.maxY() <= outer.maxY();
}

bool isElement(const View& view, const AccessibilityDefaults& defaults) {
    return view.accessibility().isElement.value_or(defaults.isElement);
}

// The label a view reads on its own: the screen's, else the class's.
std::string ownLabel(const View& view, const AccessibilityDefaults& defaults) {
    const auto& p = view.accessibility();
    return trimmed(p.label ? *p.label : defaults.label);
}

struct Text {
    Rect frame;
    std::string text;
};

// The texts of the subviews of an element that has no label of its own, for reading order.
void gatherTexts(const View& view, std::vector<Text>& out) {
    for (const auto& child : view.subviews()) {
        if (!shows(*child)) continue;
        const auto defaults = child->accessibilityDefaults();
        std::string label = ownLabel(*child, defaults);
        const auto& p = child->accessibility();
        if (!label.empty() && (isElement(*child, defaults) || p.label)) {
            std::string text = label;
            appendPart(text, p.value ? *p.value : defaults.value);
            out.push_back({boxInRoot(*child), text});
            continue;
        }
        gatherTexts(*child, out);
    }
}

bool readsBefore(const Rect& a, const Rect& b) {
    const double ay = std::round(a.minY()), by = std::round(b.minY());
    if (ay != by) return ay < by;
    return std::round(a.minX()) < std::round(b.minX());
}

void sortReadingOrder(std::vector<AccessibilityNode>& nodes) {
    std::stable_sort(nodes.begin(), nodes.end(),
                     [](const auto& a, const auto& b) { return readsBefore(a.frame, b.frame); });
}

struct Occluder {
    Rect frame;
    std::size_t order;
    const View* view;
};

struct Builder {
    std::size_t order = 0;
    std::vector<Occluder> occluders;

    static bool opaque(const View& view) {
        return view.alpha() >= 1 && view.backgroundColor().alpha >= 1;
    }

    // Adds the nodes of `view` to `out`; `clip` is what its ancestors let show, in root
    // coordinates. With `modalChildren` each shown subview hides the ones before it (the
    // screens of a window).
    void walk(const View& view, const Rect& clip, bool modalChildren,
              std::vector<AccessibilityNode>& out) {
        if (!shows(view)) return;
        const std::size_t mine = order++;
        const Rect visible = intersect(boxInRoot(view), clip);
        const auto defaults = view.accessibilityDefaults();
        const auto& p = view.accessibility();
        if (opaque(view) && hasArea(visible)) occluders.push_back({visible, mine, &view});
        if (isElement(view, defaults)) {
            if (!hasArea(visible)) return;
            out.push_back(element(view, defaults, visible));
            out.back().drawOrder = mine;
            return;
        }
        const Rect inner = view.clipsToBounds() ? visible : clip;
        const auto& subviews = view.subviews();
        std::size_t first = 0;
        for (std::size_t i = 0; i < subviews.size(); ++i) {
            if (!shows(*subviews[i])) continue;
            if (modalChildren || subviews[i]->accessibility().isModal) first = i;
        }
        std::vector<AccessibilityNode> children;
        for (std::size_t i = first; i < subviews.size(); ++i)
            walk(*subviews[i], inner, false, children);
        if (!p.groupsChildren) {
            for (auto& c : children) out.push_back(std::move(c));
            return;
        }
        if (children.empty()) return;
        AccessibilityNode group;
        group.isGroup = true;
        group.frame = visible;
        group.viewIdentifier = view.identifier();
        group.view = std::const_pointer_cast<View>(view.weak_from_this().lock());
        group.identity = p.identity;
        group.label = p.label.value_or("");
        group.children = std::move(children);
        group.drawOrder = mine;
        out.push_back(std::move(group));
    }

    static AccessibilityNode element(const View& view, const AccessibilityDefaults& defaults,
                                     const Rect& visible) {
        const auto& p = view.accessibility();
        AccessibilityNode node;
        node.label = ownLabel(view, defaults);
        if (node.label.empty()) {
            std::vector<Text> texts;
            gatherTexts(view, texts);
            std::stable_sort(texts.begin(), texts.end(), [](const Text& a, const Text& b) {
                return readsBefore(a.frame, b.frame);
            });
            for (const auto& t : texts) appendPart(node.label, t.text);
        }
        node.value = trimmed(p.value ? *p.value : defaults.value);
        node.hint = p.hint;
        node.traits = p.traits.value_or(defaults.traits);
        for (const auto& a : p.customActions) node.customActions.push_back(a.name);
        node.identity = p.identity;
        node.frame = visible;
        node.activationPoint = p.activationPoint ? convertToRoot(view, *p.activationPoint)
                                                 : Point{visible.midX(), visible.midY()};
        node.viewIdentifier = view.identifier();
        node.view = std::const_pointer_cast<View>(view.weak_from_this().lock());
        return node;
    }

    // Whether an opaque view drawn after the element (and not inside it) hides all of it.
    bool covered(const AccessibilityNode& n) const {
        auto view = n.view.lock();
        for (const auto& o : occluders) {
            if (o.order <= n.drawOrder || o.view == view.get()) continue;
            if (view && o.view->isDescendantOf(*view)) continue;
            if (contains(o.frame, n.frame)) return true;
        }
        return false;
    }

    // Drops the covered elements (and the groups left empty), then orders each level.
    void finish(std::vector<AccessibilityNode>& nodes) const {
        std::vector<AccessibilityNode> kept;
        for (auto& n : nodes) {
            if (n.isGroup) {
                finish(n.children);
                if (n.children.empty()) continue;
            } else if (covered(n)) {
                continue;
            }
            kept.push_back(std::move(n));
        }
        sortReadingOrder(kept);
        nodes = std::move(kept);
    }
};

void flatten(const std::vector<AccessibilityNode>& nodes,
             std::vector<const AccessibilityNode*>& out) {
    for (const auto& n : nodes) {
        if (n.isGroup)
            flatten(n.children, out);
        else
            out.push_back(&n);
    }
}

std::string kindOf(const AccessibilityNode& n) {
    if (n.isGroup) return "group";
    for (auto t :
         {AccessibilityTrait::button, AccessibilityTrait::adjustable, AccessibilityTrait::header,
          AccessibilityTrait::image, AccessibilityTrait::staticText}) {
        if (hasTrait(n.traits, t)) return traitNames(t);
    }
    return "element";
}

void dumpNodes(const std::vector<AccessibilityNode>& nodes, int depth, std::string& out) {
    for (const auto& n : nodes) {
        out.append(static_cast<std::size_t>(depth) * 2, ' ');
        out += kindOf(n);
        if (!n.viewIdentifier.empty()) out += " #" + n.viewIdentifier;
        if (!n.label.empty() || !n.isGroup) out += " " + quote(n.label);
        out += " (" + fixed1(n.frame.x()) + ", " + fixed1(n.frame.y()) + ", " +
               fixed1(n.frame.width()) + ", " + fixed1(n.frame.height()) + ")";
        if (!n.value.empty()) out += " value=" + quote(n.value);
        for (auto t : {AccessibilityTrait::selected, AccessibilityTrait::notEnabled})
            if (hasTrait(n.traits, t)) out += " " + traitNames(t);
        if (!n.hint.empty()) out += " hint=" + quote(n.hint);
        if (!n.customActions.empty()) {
            std::string names;
            for (const auto& a : n.customActions) names += (names.empty() ? "" : "|") + a;
            out += " actions=" + quote(names);
        }
        if (!n.identity.empty()) out += " same=" + quote(n.identity);
        out += '\n';
        if (n.isGroup) dumpNodes(n.children, depth + 1, out);
    }
}

AccessibilityTree buildFrom(const View& root, bool screensAreModal) {
    Builder b;
    std::vector<AccessibilityNode> nodes;
    b.walk(root, boxInRoot(root), screensAreModal, nodes);
    b.finish(nodes);
    return AccessibilityTree::fromNodes(std::move(nodes));
}

}  // namespace

AccessibilityTree AccessibilityTree::fromNodes(std::vector<AccessibilityNode> nodes) {
    AccessibilityTree tree;
    tree.nodes_ = std::move(nodes);
    return tree;
}

AccessibilityTree AccessibilityTree::build(const Window& window) {
    return buildFrom(window, true);
}

AccessibilityTree AccessibilityTree::build(const View& root) {
    return buildFrom(root, false);
}

std::vector<const AccessibilityNode*> AccessibilityTree::elements() const& {
    std::vector<const AccessibilityNode*> out;
    flatten(nodes_, out);
    return out;
}

std::string AccessibilityTree::dump() const {
    std::string out;
    dumpNodes(nodes_, 0, out);
    return out;
}

// --- Announcements -------------------------------------------------------------------------------

namespace {

void postText(const char* name, const std::string& text) {
    platformContext().notificationCenter().post(name, nullptr, {{"text", text}});
}

}  // namespace

void postAccessibilityAnnouncement(const std::string& text) {
    postText(kAccessibilityAnnouncement, text);
}

void postPoliteAccessibilityAnnouncement(const std::string& text) {
    postText(kAccessibilityPoliteAnnouncement, text);
}

void postAccessibilityScreenChanged(const std::string& text) {
    postText(kAccessibilityScreenChanged, text);
}

void postAccessibilityLayoutChanged() {
    postText(kAccessibilityLayoutChanged, {});
}

}  // namespace arquorel
