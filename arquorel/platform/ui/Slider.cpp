#include "arquorel/platform/ui/Slider.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "arquorel/platform/drawing/Painter.h"
#include "arquorel/platform/drawing/ViewDescription.h"

namespace arquorel {

namespace {
// How far outside the thumb a finger still grabs it.
constexpr double kGrabMargin = 10;
}  // namespace

Slider::Slider(Rect frame) : Control(frame) {}

void Slider::setValue(double value) {
    if (std::isnan(value)) return;
    value_ = std::clamp(value, minimum_, maximum_);
    setNeedsDisplay();
}

void Slider::setMinimumValue(double minimum) {
    if (std::isnan(minimum)) return;
    minimum_ = minimum;
    maximum_ = std::max(maximum_, minimum_);
    value_ = std::clamp(value_, minimum_, maximum_);
    setNeedsDisplay();
}

void Slider::setMaximumValue(double maximum) {
    if (std::isnan(maximum)) return;
    maximum_ = maximum;
    minimum_ = std::min(minimum_, maximum_);
    value_ = std::clamp(value_, minimum_, maximum_);
    setNeedsDisplay();
}

Rect Slider::trackRect() const {
    const auto b = bounds();
    const double inset = kThumbDiameter / 2;
    return {inset, (b.height() - kTrackHeight) / 2, std::max(0.0, b.width() - 2 * inset),
            kTrackHeight};
}

Rect Slider::thumbRect() const {
    const auto track = trackRect();
    const double range = maximum_ - minimum_;
    const double t = range > 0 && std::isfinite(range) ? (value_ - minimum_) / range : 0;
    const double cx = track.x() + track.width() * t;
    return {cx - kThumbDiameter / 2, track.midY() - kThumbDiameter / 2, kThumbDiameter,
            kThumbDiameter};
}

double Slider::valueAt(double x) const {
    const auto track = trackRect();
    if (!(track.width() > 0)) return value_;
    const double t = std::clamp((x - grabOffset_ - track.x()) / track.width(), 0.0, 1.0);
    return minimum_ + t * (maximum_ - minimum_);
}

void Slider::follow(const Touch& touch) {
    const double before = value_;
    setValue(valueAt(touch.locationIn(*this).x));
    if (value_ == before) return;
    changedWhileDragging_ = true;
    if (continuous_) sendActions(ControlEvent::valueChanged);
}

void Slider::beginTracking(const Touch& touch) {
    const auto p = touch.locationIn(*this);
    const auto thumb = thumbRect();
    dragging_ = p.x >= thumb.minX() - kGrabMargin && p.x <= thumb.maxX() + kGrabMargin &&
                p.y >= thumb.minY() - kGrabMargin && p.y <= thumb.maxY() + kGrabMargin;
    grabOffset_ = dragging_ ? p.x - thumb.midX() : 0;
    changedWhileDragging_ = false;
}

void Slider::continueTracking(const Touch& touch) {
    if (dragging_) follow(touch);
}

void Slider::endTracking(const Touch& touch) {
    if (!dragging_) return;
    follow(touch);
    dragging_ = false;
    if (!continuous_ && changedWhileDragging_) sendActions(ControlEvent::valueChanged);
}

void Slider::draw(Painter& painter) const {
    const auto track = trackRect();
    const auto thumb = thumbRect();
    const double radius = kTrackHeight / 2;
    painter.fillRoundedRect(track, radius, maximumTrack_);
    const Rect lower{track.x(), track.y(), std::max(0.0, thumb.midX() - track.x()), track.height()};
    painter.fillRoundedRect(lower, radius, minimumTrack_);
    const auto knob = Path::ellipse(thumb);
    painter.drawShadow(knob, Shadow{Color::black().withAlpha(0.25), {0, 2}, 3});
    painter.fill(knob, isEnabled() ? thumb_ : kLightGray);
    painter.stroke(knob, Color::black().withAlpha(0.1), lineWidth(0.5));
}

void Slider::describe(ViewDescription& description) const {
    Control::describe(description);
    char text[96];
    std::snprintf(text, sizeof text, "%g in %g...%g", value_, minimum_, maximum_);
    description.add("value", text);
}

}  // namespace arquorel
