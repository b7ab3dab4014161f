#include "arquorel/platform/drawing/DisplayList.h"

#include <cmath>
#include <cstdio>
#include <string>

namespace arquorel {

namespace {

std::string number(double v) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.2f", v);
    std::string s = buffer;
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
    if (s == "-0") s = "0";
    return s;
}

std::string color(const Color& c) {
    auto byte = [](double v) {
        return static_cast<int>(std::lround(std::clamp(v, 0.0, 1.0) * 255));
    };
    char buffer[16];
    if (byte(c.alpha) == 255)
        std::snprintf(buffer, sizeof buffer, "#%02X%02X%02X", byte(c.red), byte(c.green),
                      byte(c.blue));
    else
        std::snprintf(buffer, sizeof buffer, "#%02X%02X%02X%02X", byte(c.red), byte(c.green),
                      byte(c.blue), byte(c.alpha));
    return buffer;
}

std::string point(Point p) {
    return number(p.x) + "," + number(p.y);
}

std::string rect(const Rect& r) {
    return number(r.x()) + "," + number(r.y()) + "," + number(r.width()) + "," + number(r.height());
}

std::string stops(const Gradient& g) {
    std::string s;
    for (const GradientStop& stop : g.stops) {
        s += ' ';
        s += number(stop.location);
        s += ':';
        s += color(stop.color);
    }
    return s;
}

struct Describer {
    std::string operator()(const step::Save&) const { return "save"; }
    std::string operator()(const step::Restore&) const { return "restore"; }
    std::string operator()(const step::Concat& s) const {
        const Transform& t = s.transform;
        if (t.a == 1 && t.b == 0 && t.c == 0 && t.d == 1)
            return "translate " + number(t.tx) + "," + number(t.ty);
        return "concat [" + number(t.a) + " " + number(t.b) + " " + number(t.c) + " " +
               number(t.d) + " " + number(t.tx) + " " + number(t.ty) + "]";
    }
    std::string operator()(const step::MultiplyAlpha& s) const {
        return "alpha " + number(s.alpha);
    }
    std::string operator()(const step::Clip& s) const { return "clip " + s.path.describe(); }
    std::string operator()(const step::Fill& s) const {
        return "fill " + s.path.describe() + " " + color(s.color);
    }
    std::string operator()(const step::Stroke& s) const {
        return "stroke " + s.path.describe() + " " + color(s.color) + " width " +
               number(s.style.width);
    }
    std::string operator()(const step::FillGradient& s) const {
        const Gradient& g = s.gradient;
        const std::string kind = g.kind == Gradient::Kind::linear
                                     ? "linear " + point(g.start) + ">" + point(g.end)
                                     : "angle " + point(g.center) + " from " + number(g.startAngle);
        return "gradient " + s.area.describe() + " " + kind + stops(g);
    }
    std::string operator()(const step::DrawShadow& s) const {
        return "shadow " + s.shape.describe() + " " + color(s.shadow.color) + " offset " +
               number(s.shadow.offset.width) + "," + number(s.shadow.offset.height) + " radius " +
               number(s.shadow.radius);
    }
    std::string operator()(const step::DrawImage& s) const {
        std::string line =
            "image '" + (s.image ? s.image->name() : std::string()) + "' in " + rect(s.dest);
        if (s.tint) line += " tint " + color(*s.tint);
        return line;
    }
    std::string operator()(const step::DrawText& s) const {
        std::string text;
        if (s.layout) {
            for (const TextLine& line : s.layout->lines()) {
                if (!text.empty()) text += "|";
                text += line.text;
            }
        }
        return "text '" + text + "' at " + point(s.origin);
    }
    std::string operator()(const step::DrawLayer& s) const {
        if (!s.layer) return "layer none";
        return "layer #" + std::to_string(s.layer->shape().id) + " (gen " +
               std::to_string(s.generation) + ") at " + rect(s.layer->shape().extent);
    }
};

struct Replayer {
    Painter& painter;
    void operator()(const step::Save&) const { painter.save(); }
    void operator()(const step::Restore&) const { painter.restore(); }
    void operator()(const step::Concat& s) const { painter.concat(s.transform); }
    void operator()(const step::MultiplyAlpha& s) const { painter.multiplyAlpha(s.alpha); }
    void operator()(const step::Clip& s) const { painter.clip(s.path); }
    void operator()(const step::Fill& s) const { painter.fill(s.path, s.color); }
    void operator()(const step::Stroke& s) const { painter.stroke(s.path, s.color, s.style); }
    void operator()(const step::FillGradient& s) const { painter.fillGradient(s.area, s.gradient); }
    void operator()(const step::DrawShadow& s) const { painter.drawShadow(s.shape, s.shadow); }
    void operator()(const step::DrawImage& s) const { painter.drawImage(s.image, s.dest, s.tint); }
    void operator()(const step::DrawText& s) const { painter.drawText(s.layout, s.origin); }
    void operator()(const step::DrawLayer& s) const { painter.drawLayer(s.layer); }
};

}  // namespace

std::string describe(const DrawStep& step) {
    return std::visit(Describer{}, step);
}

void DisplayList::save() {
    steps_.emplace_back(step::Save{});
}
void DisplayList::restore() {
    steps_.emplace_back(step::Restore{});
}
void DisplayList::concat(const Transform& t) {
    steps_.emplace_back(step::Concat{t});
}
void DisplayList::multiplyAlpha(double alpha) {
    steps_.emplace_back(step::MultiplyAlpha{alpha});
}
void DisplayList::clip(const Path& path) {
    steps_.emplace_back(step::Clip{path});
}
void DisplayList::fill(const Path& path, const Color& c) {
    steps_.emplace_back(step::Fill{path, c});
}
void DisplayList::stroke(const Path& path, const Color& c, const StrokeStyle& style) {
    steps_.emplace_back(step::Stroke{path, c, style});
}
void DisplayList::fillGradient(const Path& area, const Gradient& gradient) {
    steps_.emplace_back(step::FillGradient{area, gradient});
}
void DisplayList::drawShadow(const Path& shape, const Shadow& shadow) {
    steps_.emplace_back(step::DrawShadow{shape, shadow});
}
void DisplayList::drawImage(const std::shared_ptr<const Image>& image, const Rect& dest,
                            std::optional<Color> tint) {
    steps_.emplace_back(step::DrawImage{image, dest, tint});
}
void DisplayList::drawText(const std::shared_ptr<const TextLayout>& layout, Point origin) {
    steps_.emplace_back(step::DrawText{layout, origin});
}

void DisplayList::drawLayer(const std::shared_ptr<const LayerSurface>& layer) {
    steps_.emplace_back(step::DrawLayer{layer, layer ? layer->generation() : 0});
}

std::vector<std::string> DisplayList::descriptions() const {
    std::vector<std::string> out;
    out.reserve(steps_.size());
    for (const DrawStep& s : steps_) out.push_back(describe(s));
    return out;
}

void DisplayList::replay(Painter& painter) const {
    for (const DrawStep& s : steps_) std::visit(Replayer{painter}, s);
}

}  // namespace arquorel
