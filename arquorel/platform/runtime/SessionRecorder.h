#pragma once
// Records what a session receives from the outside (position fixes, compass readings,
// accelerometer samples, rotations, touches, the application going to the background and back,
// network changes, the places and settings handed over) as a scenario text that the simulator
// plays back at the recorded times:
//
//   places FILE | places-inline "JSON"      screen WxH@S   lang L   units U   delegate D   hints H
//   at T present | fix | compass | accel | rotate | touch down/move/up/cancel | background ...
//
// The platform's services feed it with the platform clock's times (seconds since 1970); a time
// counts from the recorder's start and never goes back in the text. Compass readings and
// accelerometer samples arrive tens of times a second: they are kept at most every
// kSamplePeriod, and an accelerometer sample only when its direction moved by more than
// kTiltChange degrees from the last one kept, so that ten minutes of walking stay under a
// megabyte without losing a tilt change of more than a degree. A reading that comes too soon
// is held and written at its own time before the next line, so the last one of a burst is
// never lost.

#include <cstddef>
#include <optional>
#include <string>

#include "arquorel/platform/geometry/Geometry.h"
#include "arquorel/platform/sensors/Location.h"
#include "arquorel/platform/sensors/Readings.h"
#include "arquorel/platform/ui/Touch.h"

namespace arquorel {

class View;

// What a finger at `point` (in `root`'s coordinates) touches, for logs and recordings: the
// nearest view from the one hit outwards with an identifier ("Button #backbutton"), else
// and the first text inside it, else the nearest that is more than a plain view, label or image
// with the first text inside it
// ("AnnnotationView \"Casino\""), else the class of the view hit; "nothing" when none is.
std::string touchTargetName(View& root, Point point);

class SessionRecorder {
  public:
    static constexpr double kSamplePeriod = 0.05;  // seconds
    static constexpr double kTiltChange = 1.0;     // degrees

    explicit SessionRecorder(double start);

    // The setup, written at the head of the text whenever it is given.
    // The name of a places file the replay finds beside the scenario.
    void setPlacesFile(std::string name);
    // The places' JSON text itself, kept in the recording (line breaks are taken out).
    void setEmbeddedPlaces(const std::string& json);
    bool hasPlaces() const { return !places_.empty(); }
    // The name of the map pack (or map extract) the replay finds beside the scenario.
    void setMapPack(std::string name);
    // The screen at the start; a later change of its orientation is recorded as a rotation.
    void setScreen(Size size, double scale);
    void setLanguage(std::string language);
    void setImperial(bool imperial);
    // Whether the host takes taps on places itself, and whether first-use hints show.
    void setDelegate(bool delegate);
    void setHints(bool hints);

    // The host presents the main screen.
    void presented(double time);
    // The host opens the places list (a control of its own, not a touch).
    void openedList(double time);
    void fix(double time, Coordinate coordinate, double accuracy, double age);
    void heading(double time, double degrees, double accuracy);
    void acceleration(double time, Acceleration sample);
    void orientation(double time, DeviceOrientation orientation);
    void visible(double time, bool visible);
    void network(double time, bool on);
    // A touch at a point of the screen (clamped to it); `target` names what a touch-down hits,
    // written as a comment for whoever reads the file.
    void touch(double time, TouchPhase phase, Point point, const std::string& target = {});
    // The recording stops: the replay runs until this time.
    void stopped(double time);
    // A picture to take on replay, captioned with `caption` or, without one, the time.
    void mark(double time, const std::string& caption);

    // The scenario so far: the setup, then the timed lines.
    std::string text() const;
    // Seconds recorded by `now` (the platform clock's time).
    double elapsed(double now) const;
    // Bytes of the timed lines so far.
    std::size_t size() const { return body_.size(); }

  private:
    // "at T " for an event at the platform time `time`, never before the line before.
    double at(double time);
    // Writes the held readings, then the line.
    void line(double time, const std::string& command);
    void append(double time, const std::string& command);
    void flushHeld();
    void writeHeading(double time, double degrees, double accuracy);
    void writeSample(double time, Acceleration sample);

    double start_;
    double last_ = 0;
    std::string body_;
    std::string places_;
    std::string mapPack_;
    std::optional<Size> screen_;
    double scale_ = 2;
    std::string language_;
    std::optional<bool> imperial_;
    std::optional<bool> delegate_;
    std::optional<bool> hints_;
    DeviceOrientation orientation_ = DeviceOrientation::unknown;
    std::optional<double> headingTime_;
    double headingDegrees_ = 0;
    double headingAccuracy_ = 0;
    std::optional<double> sampleTime_;
    Acceleration sample_;
    struct HeldHeading {
        double time, degrees, accuracy;
    };
    struct HeldSample {
        double time;
        Acceleration sample;
    };
    std::optional<HeldHeading> heldHeading_;
    std::optional<HeldSample> heldSample_;
    bool touching_ = false;
    int marks_ = 0;
};

}  // namespace arquorel
