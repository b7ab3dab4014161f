#include "arquorel/platform/runtime/SessionRecorder.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>
#include <utility>

#include "arquorel/platform/drawing/ViewTreeDump.h"
#include "arquorel/platform/ui/HitTest.h"
#include "arquorel/platform/ui/View.h"

namespace arquorel {

namespace {

constexpr double kDegreesPerRadian = 180.0 / 3.14159265358979323846;

// `value` with at most `decimals` decimals, trailing zeros dropped ("12.5", "-0.981", "3").
std::string number(double value, int decimals) {
    if (!std::isfinite(value)) value = 0;
    char text[48];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    std::string s = text;
    if (s.find('.') != std::string::npos) {
        while (s.back() == '0') s.pop_back();
        if (s.back() == '.') s.pop_back();
    }
    if (s == "-0") s = "0";
    return s;
}

// A quoted text of one line, with '"' and '\' escaped.
std::string quoted(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (c == '\n' || c == '\r' || c == '\t') {
            out += ' ';
        } else if (c != '\0') {
            out += c;
        }
    }
    return out + "\"";
}

// The angle between two accelerometer samples, in degrees; 0 when either has no direction.
double angleBetween(const Acceleration& a, const Acceleration& b) {
    const double na = std::sqrt(a.x * a.x + a.y * a.y + a.z * a.z);
    const double nb = std::sqrt(b.x * b.x + b.y * b.y + b.z * b.z);
    if (!(na > 0) || !(nb > 0)) return na == nb ? 0 : 180;
    const double c = (a.x * b.x + a.y * b.y + a.z * b.z) / (na * nb);
    return std::acos(std::clamp(c, -1.0, 1.0)) * kDegreesPerRadian;
}

const char* orientationWord(DeviceOrientation o) {
    switch (o) {
        case DeviceOrientation::portrait:
            return "portrait";
        case DeviceOrientation::portraitUpsideDown:
            return "upside-down";
        case DeviceOrientation::landscapeLeft:
            return "landscape-left";
        case DeviceOrientation::landscapeRight:
            return "landscape-right";
        case DeviceOrientation::faceUp:
            return "face-up";
        case DeviceOrientation::faceDown:
            return "face-down";
        case DeviceOrientation::unknown:
            break;
    }
    return nullptr;
}

}  // namespace

std::string touchTargetName(View& root, Point point) {
    const auto hit = hitTest(root, point);
    if (!hit) return "nothing";
    // The first text a user reads in a view: its own, else its subviews', depth first.
    const std::function<std::string(const View&)> firstText = [&](const View& v) {
        for (const auto& [key, value] : v.descriptionEntries())
            if (key == "text" && !value.empty()) return value;
        for (const auto& child : v.subviews()) {
            if (child->isHidden()) continue;
            if (auto text = firstText(*child); !text.empty()) return text;
        }
        return std::string();
    };
    for (auto v = hit; v; v = v->superview()) {
        if (v->identifier().empty()) continue;
        // Appended step by step: g++ 12 at -O3 warns wrongly (restrict) on one long sum.
        std::string name = viewClassName(*v);
        name += " #";
        name += v->identifier();
        if (const std::string text = firstText(*v); !text.empty()) {
            name += ' ';
            name += quoted(text);
        }
        return name;
    }
    for (auto v = hit; v; v = v->superview()) {
        const std::string name = viewClassName(*v);
        if (name == "View" || name == "Label" || name == "ImageView" || name == "Window") continue;
        const std::string text = firstText(*v);
        return text.empty() ? name : name + " " + quoted(text);
    }
    return viewClassName(*hit);
}

SessionRecorder::SessionRecorder(double start) : start_(start) {}

void SessionRecorder::setPlacesFile(std::string name) {
    places_ = "places " + (name.find_first_of(" \t\"#\\") == std::string::npos && !name.empty()
                               ? name
                               : quoted(name));
}

void SessionRecorder::setMapPack(std::string name) {
    mapPack_ = name.empty() ? std::string() : "map-pack " + quoted(name);
}

void SessionRecorder::setEmbeddedPlaces(const std::string& json) {
    places_ = "places-inline " + quoted(json);
}

void SessionRecorder::setScreen(Size size, double scale) {
    screen_ = size;
    scale_ = scale;
}

void SessionRecorder::setLanguage(std::string language) {
    language_ = std::move(language);
}

void SessionRecorder::setImperial(bool imperial) {
    imperial_ = imperial;
}

void SessionRecorder::setDelegate(bool delegate) {
    delegate_ = delegate;
}

void SessionRecorder::setHints(bool hints) {
    hints_ = hints;
}

double SessionRecorder::at(double time) {
    double t = std::isfinite(time) ? time - start_ : last_;
    t = std::max(t, last_);
    // Written with two decimals: a later line must not read as earlier once rounded.
    t = std::round(t * 100) / 100;
    if (t < last_) t = last_;
    last_ = t;
    return t;
}

void SessionRecorder::line(double time, const std::string& command) {
    flushHeld();
    append(time, command);
}

void SessionRecorder::flushHeld() {
    auto heading = std::exchange(heldHeading_, std::nullopt);
    auto sample = std::exchange(heldSample_, std::nullopt);
    // In time order, so that the text's times never go back.
    if (heading && sample && sample->time < heading->time) {
        writeSample(sample->time, sample->sample);
        sample.reset();
    }
    if (heading) writeHeading(heading->time, heading->degrees, heading->accuracy);
    if (sample) writeSample(sample->time, sample->sample);
}

void SessionRecorder::writeHeading(double time, double degrees, double accuracy) {
    headingTime_ = time;
    headingDegrees_ = degrees;
    headingAccuracy_ = accuracy;
    append(time, "compass " + number(degrees, 1) + " " + number(accuracy, 1));
}

void SessionRecorder::writeSample(double time, Acceleration a) {
    sampleTime_ = time;
    sample_ = a;
    append(time, "accel " + number(a.x, 3) + " " + number(a.y, 3) + " " + number(a.z, 3));
}

void SessionRecorder::append(double time, const std::string& command) {
    const double t = at(time);
    body_ += "at " + number(t, 2) + " " + command + "\n";
}

void SessionRecorder::presented(double time) {
    line(time, "present");
}

void SessionRecorder::openedList(double time) {
    line(time, "open list");
}

void SessionRecorder::fix(double time, Coordinate c, double accuracy, double age) {
    if (!std::isfinite(c.latitude) || !std::isfinite(c.longitude) || c.latitude < -90 ||
        c.latitude > 90 || c.longitude < -180 || c.longitude > 180)
        return;
    std::string command = "fix " + number(c.latitude, 7) + " " + number(c.longitude, 7);
    if (std::isfinite(accuracy) && accuracy >= 0)
        command += " accuracy " + number(std::min(accuracy, 1e6), 1);
    if (std::isfinite(age) && age > 0.005) command += " age " + number(std::min(age, 1e6), 2);
    line(time, command);
}

void SessionRecorder::heading(double time, double degrees, double accuracy) {
    if (!std::isfinite(degrees)) return;
    degrees = std::fmod(degrees, 360.0);
    if (degrees < 0) degrees += 360;
    // Rounded to the written tenth, 359.96 reads as 0.
    degrees = std::round(degrees * 10) / 10;
    if (degrees >= 360) degrees = 0;
    if (!std::isfinite(accuracy)) accuracy = -1;
    accuracy = std::clamp(std::round(accuracy * 10) / 10, -1.0, 360.0);
    if (headingTime_ && degrees == headingDegrees_ && accuracy == headingAccuracy_) {
        heldHeading_.reset();  // back to what was written last
        return;
    }
    if (headingTime_ && time - *headingTime_ < kSamplePeriod) {
        heldHeading_ = HeldHeading{time, degrees, accuracy};
        return;
    }
    heldHeading_.reset();
    flushHeld();
    writeHeading(time, degrees, accuracy);
}

void SessionRecorder::acceleration(double time, Acceleration a) {
    if (!std::isfinite(a.x) || !std::isfinite(a.y) || !std::isfinite(a.z)) return;
    a = {std::clamp(a.x, -16.0, 16.0), std::clamp(a.y, -16.0, 16.0), std::clamp(a.z, -16.0, 16.0)};
    if (sampleTime_ && angleBetween(a, sample_) <= kTiltChange) {
        heldSample_.reset();  // within a degree of what was written last
        return;
    }
    if (sampleTime_ && time - *sampleTime_ < kSamplePeriod) {
        heldSample_ = HeldSample{time, a};
        return;
    }
    heldSample_.reset();
    flushHeld();
    writeSample(time, a);
}

void SessionRecorder::orientation(double time, DeviceOrientation o) {
    const char* word = orientationWord(o);
    if (!word || o == orientation_) return;
    const bool first = orientation_ == DeviceOrientation::unknown;
    orientation_ = o;
    // The first one known is how the screen started.
    if (!first || !body_.empty()) line(time, std::string("rotate ") + word);
}

void SessionRecorder::visible(double time, bool visible) {
    line(time, visible ? "foreground" : "background");
}

void SessionRecorder::network(double time, bool on) {
    line(time, on ? "network on" : "network off");
}

void SessionRecorder::touch(double time, TouchPhase phase, Point p, const std::string& target) {
    if (!std::isfinite(p.x) || !std::isfinite(p.y)) return;
    if (phase == TouchPhase::began) {
        // A finger still down is cancelled by a new one, as the window does.
        if (touching_) touch(time, TouchPhase::cancelled, p);
        touching_ = true;
    } else if (!touching_) {
        return;
    }
    if (screen_) {
        p.x = std::clamp(p.x, 0.0, screen_->width);
        p.y = std::clamp(p.y, 0.0, screen_->height);
    } else {
        p.x = std::max(p.x, 0.0);
        p.y = std::max(p.y, 0.0);
    }
    const char* word = phase == TouchPhase::began   ? "down"
                       : phase == TouchPhase::moved ? "move"
                       : phase == TouchPhase::ended ? "up"
                                                    : "cancel";
    std::string command =
        std::string("touch ") + word + " " + number(p.x, 1) + " " + number(p.y, 1);
    if (phase == TouchPhase::began && !target.empty()) {
        std::string note;
        for (const char c : target) note += (c == '\n' || c == '\r') ? ' ' : c;
        command += "  # " + note;
    }
    if (phase == TouchPhase::ended || phase == TouchPhase::cancelled) touching_ = false;
    line(time, command);
}

void SessionRecorder::stopped(double time) {
    line(time, "end");
}

void SessionRecorder::mark(double time, const std::string& caption) {
    flushHeld();
    const double t = at(time);
    body_ += "at " + number(t, 2) + " shot mark-" + std::to_string(++marks_) + " " +
             quoted(caption.empty() ? number(t, 2) + " s" : caption) + "\n";
}

std::string SessionRecorder::text() const {
    std::string head =
        "# A recorded session: the positions, compass, tilt, touches and screen changes the\n"
        "# application received, at their times in seconds from the start of the recording.\n";
    if (!places_.empty()) head += places_ + "\n";
    if (!mapPack_.empty()) head += mapPack_ + "\n";
    if (screen_)
        head += "screen " + number(std::round(screen_->width), 0) + "x" +
                number(std::round(screen_->height), 0) + "@" +
                number(std::clamp(scale_, 1.0, 4.0), 3) + "\n";
    if (language_ == "en" || language_ == "fr") head += "lang " + language_ + "\n";
    if (imperial_) head += std::string("units ") + (*imperial_ ? "imperial" : "metric") + "\n";
    if (delegate_) head += std::string("delegate ") + (*delegate_ ? "on" : "off") + "\n";
    if (hints_) head += std::string("hints ") + (*hints_ ? "on" : "off") + "\n";
    return head + "\n" + body_;
}

double SessionRecorder::elapsed(double now) const {
    return std::max(0.0, now - start_);
}

}  // namespace arquorel
