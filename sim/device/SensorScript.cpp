#include "sim/device/SensorScript.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <fstream>
#include <sstream>

#include "arquorel/platform/runtime/PlatformContext.h"
#include "sim/device/SimLocationService.h"
#include "sim/device/SimMotionService.h"

namespace arquorel::sim {

namespace {

template <class Service>
std::vector<std::shared_ptr<Service>> alive(const std::vector<std::weak_ptr<Service>>& services) {
    std::vector<std::shared_ptr<Service>> result;
    for (const auto& weak : services)
        if (auto service = weak.lock()) result.push_back(std::move(service));
    return result;
}

template <class Service>
void track(std::vector<std::weak_ptr<Service>>& services, const std::shared_ptr<Service>& added) {
    std::erase_if(services, [](const auto& weak) { return weak.expired(); });
    services.push_back(added);
}

// The user's decision applies to the whole app: it answers a request pending on a service or
// changes the status of the others as a change in the settings would.
void applyAuthorization(SimLocationService& service, AuthorizationStatus status) {
    if (!service.answerAuthorizationRequest(status)) service.setAuthorizationStatus(status);
}

bool applyEvent(SimSensors::Registry& registry, const SensorEvent& event) {
    struct Visitor {
        SimSensors::Registry& r;
        bool operator()(const FixEvent& e) const {
            const Location fix(e.coordinate, 0, e.horizontalAccuracy, -1, r.context->now() - e.age);
            bool delivered = false;
            for (const auto& service : alive(r.locations))
                delivered = service->deliverLocation(fix) || delivered;
            return delivered;
        }
        bool operator()(const HeadingEvent& e) const {
            const HeadingReading reading{e.magneticHeading, e.trueHeading, e.accuracy,
                                         r.context->now()};
            bool delivered = false;
            for (const auto& service : alive(r.locations))
                delivered = service->deliverHeading(reading) || delivered;
            return delivered;
        }
        bool operator()(const AccelerationEvent& e) const {
            bool delivered = false;
            for (const auto& service : alive(r.motions))
                delivered = service->deliverAcceleration(e.acceleration) || delivered;
            return delivered;
        }
        bool operator()(const OrientationEvent& e) const {
            r.context->device().setOrientation(e.orientation);
            return true;
        }
        bool operator()(const AuthorizationEvent& e) const {
            const auto services = alive(r.locations);
            for (const auto& service : services) applyAuthorization(*service, e.status);
            return !services.empty();
        }
    };
    return std::visit(Visitor{registry}, event.what);
}

}  // namespace

// ---- SimSensors ----

SimSensors::SimSensors() : SimSensors(platformContext()) {}

SimSensors::SimSensors(PlatformContext& context)
    : context_(context),
      registry_(std::make_shared<Registry>()),
      previousLocationFactory_(std::move(context.locationServiceFactory)),
      previousMotionFactory_(std::move(context.motionServiceFactory)) {
    registry_->context = &context;
    // The factories share the registry, so they stay safe even if the context keeps them.
    context.locationServiceFactory = [registry = registry_]() -> std::shared_ptr<LocationService> {
        auto service = std::make_shared<SimLocationService>();
        const auto& s = registry->settings;
        service->setLocationServicesEnabled(s.locationServicesEnabled);
        service->setAuthorizationStatus(s.initialAuthorization);
        service->automaticAuthorizationAnswer = s.authorizationAnswer;
        // An answer given to this service's request reaches the other services too.
        service->onAuthorizationAnswered =
            [weak = std::weak_ptr<Registry>(registry),
             from = std::weak_ptr<SimLocationService>(service)](AuthorizationStatus status) {
                auto r = weak.lock();
                if (!r) return;
                const auto asker = from.lock();
                for (const auto& other : alive(r->locations))
                    if (other != asker) applyAuthorization(*other, status);
            };
        track(registry->locations, service);
        ++registry->locationServicesCreated;
        return service;
    };
    context.motionServiceFactory = [registry = registry_]() -> std::shared_ptr<MotionService> {
        auto service = std::make_shared<SimMotionService>();
        service->setAccelerometerAvailable(registry->settings.accelerometerAvailable);
        track(registry->motions, service);
        ++registry->motionServicesCreated;
        return service;
    };
}

SimSensors::~SimSensors() {
    context_.locationServiceFactory = std::move(previousLocationFactory_);
    context_.motionServiceFactory = std::move(previousMotionFactory_);
}

std::shared_ptr<SimLocationService> SimSensors::location() const {
    const auto services = alive(registry_->locations);
    return services.empty() ? nullptr : services.back();
}

std::shared_ptr<SimMotionService> SimSensors::motion() const {
    const auto services = alive(registry_->motions);
    return services.empty() ? nullptr : services.back();
}

std::vector<std::shared_ptr<SimLocationService>> SimSensors::locations() const {
    return alive(registry_->locations);
}

std::vector<std::shared_ptr<SimMotionService>> SimSensors::motions() const {
    return alive(registry_->motions);
}

bool SimSensors::apply(const SensorEvent& event) {
    return applyEvent(*registry_, event);
}

// ---- SensorScript ----

SensorScript& SensorScript::fix(double time, Coordinate coordinate, double horizontalAccuracy,
                                double age) {
    return add({time, FixEvent{coordinate, horizontalAccuracy, age}});
}

SensorScript& SensorScript::heading(double time, double trueHeading, double magneticHeading,
                                    double accuracy) {
    return add({time, HeadingEvent{trueHeading, magneticHeading, accuracy}});
}

SensorScript& SensorScript::acceleration(double time, Acceleration sample) {
    return add({time, AccelerationEvent{sample}});
}

SensorScript& SensorScript::orientation(double time, DeviceOrientation orientation) {
    return add({time, OrientationEvent{orientation}});
}

SensorScript& SensorScript::authorization(double time, AuthorizationStatus status) {
    return add({time, AuthorizationEvent{status}});
}

SensorScript& SensorScript::add(SensorEvent event) {
    // The main loop runs negative or NaN delays at once; say so in the script too.
    if (!(event.time > 0)) event.time = 0;
    events_.push_back(std::move(event));
    return *this;
}

double SensorScript::duration() const {
    double last = 0;
    for (const auto& e : events_) last = std::max(last, e.time);
    return last;
}

void SensorScript::play(SimSensors& sensors) const {
    auto weak = sensors.registry();
    auto registry = weak.lock();
    auto& loop = registry->context->mainLoop();
    for (const auto& event : events_) {
        loop.asyncAfter(event.time, [weak, event] {
            if (auto r = weak.lock()) applyEvent(*r, event);
        });
    }
}

SensorScript SensorScript::fromTrack(const std::vector<TrackPoint>& points,
                                     double horizontalAccuracy) {
    SensorScript script;
    if (points.empty()) return script;
    const double start = points.front().time;
    for (const auto& p : points) script.fix(p.time - start, p.coordinate, horizontalAccuracy);
    return script;
}

// ---- GPX ----

namespace {

class GpxReader {
  public:
    explicit GpxReader(std::string_view text) : text_(text) {}

    GpxTrack read() {
        GpxTrack track;
        if (!run(track.points)) {
            track.points.clear();
            track.error = error_;
        } else if (track.points.empty()) {
            track.error = "no track points (<trkpt>) found";
        }
        return track;
    }

  private:
    bool run(std::vector<TrackPoint>& points) {
        std::optional<TrackPoint> open;  // the point whose children are being read
        bool openHasTime = false;
        std::size_t openAt = 0;
        while (true) {
            const std::size_t lt = text_.find('<', pos_);
            if (lt == std::string_view::npos) break;
            pos_ = lt;
            if (startsWith("<!--")) {
                if (!skipPast(4, "-->", "unterminated comment")) return false;
                continue;
            }
            if (startsWith("<![CDATA[")) {
                if (!skipPast(9, "]]>", "unterminated CDATA section")) return false;
                continue;
            }
            if (startsWith("<?") || startsWith("<!")) {
                if (!skipPast(2, ">", "unterminated declaration")) return false;
                continue;
            }
            const std::size_t tagAt = pos_;
            ++pos_;
            const bool closing = pos_ < text_.size() && text_[pos_] == '/';
            if (closing) ++pos_;
            const std::string_view name = localName(readName());
            if (name.empty()) return fail(tagAt, "malformed tag");

            if (closing) {
                if (!skipPast(0, ">", "unterminated tag")) return false;
                if (name == "trkpt") {
                    if (!open) return fail(tagAt, "</trkpt> without <trkpt>");
                    if (!finish(*open, openHasTime, openAt, points)) return false;
                    open.reset();
                }
                continue;
            }

            Attributes attrs;
            bool selfClosing = false;
            if (!readAttributes(attrs, selfClosing)) return false;
            if (name == "trkpt") {
                if (open) return fail(tagAt, "<trkpt> inside another <trkpt>");
                TrackPoint point;
                if (!coordinate(attrs, tagAt, point.coordinate)) return false;
                open = point;
                openHasTime = false;
                openAt = tagAt;
                if (selfClosing) {
                    if (!finish(*open, openHasTime, openAt, points)) return false;
                    open.reset();
                }
            } else if (name == "time" && open && !selfClosing && !openHasTime) {
                const std::size_t end = text_.find('<', pos_);
                if (end == std::string_view::npos) return fail(tagAt, "unterminated <time>");
                const std::string_view value = trim(text_.substr(pos_, end - pos_));
                auto t = parseTime(value);
                if (!t) return fail(tagAt, "bad time \"" + std::string(value) + "\"");
                open->time = *t;
                openHasTime = true;
                pos_ = end;
            }
        }
        if (open) return fail(openAt, "<trkpt> is not closed");
        return true;
    }

    struct Attributes {
        std::optional<std::string_view> lat;
        std::optional<std::string_view> lon;
    };

    // Reads the attributes up to the end of the tag.
    bool readAttributes(Attributes& attrs, bool& selfClosing) {
        const std::size_t tagAt = text_.rfind('<', pos_);
        while (true) {
            skipSpace();
            if (pos_ >= text_.size()) return fail(tagAt, "unterminated tag");
            const char c = text_[pos_];
            if (c == '>') {
                ++pos_;
                return true;
            }
            if (c == '/') {
                if (pos_ + 1 < text_.size() && text_[pos_ + 1] == '>') {
                    pos_ += 2;
                    selfClosing = true;
                    return true;
                }
                return fail(tagAt, "malformed tag");
            }
            const std::string_view attr = readName();
            if (attr.empty()) return fail(tagAt, "malformed attribute");
            skipSpace();
            if (pos_ >= text_.size() || text_[pos_] != '=')
                return fail(tagAt, "attribute " + std::string(attr) + " has no value");
            ++pos_;
            skipSpace();
            if (pos_ >= text_.size() || (text_[pos_] != '"' && text_[pos_] != '\''))
                return fail(tagAt, "attribute " + std::string(attr) + " is not quoted");
            const char quote = text_[pos_++];
            const std::size_t end = text_.find(quote, pos_);
            if (end == std::string_view::npos) return fail(tagAt, "unterminated attribute value");
            const std::string_view value = text_.substr(pos_, end - pos_);
            pos_ = end + 1;
            auto& slot = attr == "lat" ? attrs.lat : attr == "lon" ? attrs.lon : unused_;
            if (&slot != &unused_ && slot)
                return fail(tagAt, "duplicate attribute " + std::string(attr));
            slot = value;
        }
    }

    bool coordinate(const Attributes& attrs, std::size_t at, Coordinate& out) {
        if (!attrs.lat) return fail(at, "<trkpt> has no lat");
        if (!attrs.lon) return fail(at, "<trkpt> has no lon");
        auto lat = parseNumber(*attrs.lat);
        auto lon = parseNumber(*attrs.lon);
        if (!lat) return fail(at, "bad lat \"" + std::string(*attrs.lat) + "\"");
        if (!lon) return fail(at, "bad lon \"" + std::string(*attrs.lon) + "\"");
        out = Coordinate{*lat, *lon};
        if (!isValid(out)) return fail(at, "coordinate out of range");
        return true;
    }

    bool finish(const TrackPoint& point, bool hasTime, std::size_t at,
                std::vector<TrackPoint>& points) {
        if (!hasTime) return fail(at, "<trkpt> has no <time>");
        if (!points.empty() && point.time < points.back().time)
            return fail(at, "time goes backwards");
        points.push_back(point);
        return true;
    }

    static std::optional<double> parseNumber(std::string_view s) {
        s = trim(s);
        if (!s.empty() && s.front() == '+') s.remove_prefix(1);
        double value = 0;
        const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
        if (s.empty() || ec != std::errc() || end != s.data() + s.size() || !std::isfinite(value))
            return std::nullopt;
        return value;
    }

    // Reads exactly `digits` decimal digits.
    static bool digitsAt(std::string_view s, std::size_t at, int digits, int& out) {
        if (at + static_cast<std::size_t>(digits) > s.size()) return false;
        out = 0;
        for (int i = 0; i < digits; ++i) {
            const char c = s[at + static_cast<std::size_t>(i)];
            if (c < '0' || c > '9') return false;
            out = out * 10 + (c - '0');
        }
        return true;
    }

    // Days from 1970-01-01 to a date of the proleptic Gregorian calendar.
    static long long daysFromCivil(int y, int m, int d) {
        y -= m <= 2;
        const long long era = (y >= 0 ? y : y - 399) / 400;
        const long long yoe = y - era * 400;
        const long long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
        const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
        return era * 146097 + doe - 719468;
    }

    // YYYY-MM-DDTHH:MM:SS[.fraction][Z|+HH:MM|-HH:MM], as seconds since 1970.
    static std::optional<double> parseTime(std::string_view s) {
        int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
        if (s.size() < 19 || !digitsAt(s, 0, 4, year) || s[4] != '-' || !digitsAt(s, 5, 2, month) ||
            s[7] != '-' || !digitsAt(s, 8, 2, day) || (s[10] != 'T' && s[10] != 't') ||
            !digitsAt(s, 11, 2, hour) || s[13] != ':' || !digitsAt(s, 14, 2, minute) ||
            s[16] != ':' || !digitsAt(s, 17, 2, second))
            return std::nullopt;
        static constexpr int kDaysInMonth[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
        const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
        if (month < 1 || month > 12 || day < 1 || day > kDaysInMonth[month - 1] ||
            (month == 2 && day == 29 && !leap) || hour > 23 || minute > 59 || second > 60)
            return std::nullopt;
        std::size_t i = 19;
        double fraction = 0;
        if (i < s.size() && s[i] == '.') {
            ++i;
            double scale = 0.1;
            const std::size_t first = i;
            while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
                fraction += (s[i] - '0') * scale;
                scale *= 0.1;
                ++i;
            }
            if (i == first) return std::nullopt;
        }
        int offset = 0;  // seconds east of UTC
        if (i < s.size()) {
            if ((s[i] == 'Z' || s[i] == 'z') && i + 1 == s.size()) {
                ++i;
            } else if ((s[i] == '+' || s[i] == '-') && s.size() == i + 6 && s[i + 3] == ':') {
                int oh = 0, om = 0;
                if (!digitsAt(s, i + 1, 2, oh) || !digitsAt(s, i + 4, 2, om) || oh > 23 || om > 59)
                    return std::nullopt;
                offset = (oh * 3600 + om * 60) * (s[i] == '-' ? -1 : 1);
                i = s.size();
            } else {
                return std::nullopt;
            }
        }
        const long long seconds = daysFromCivil(year, month, day) * 86400LL + hour * 3600LL +
                                  minute * 60LL + second - offset;
        return static_cast<double>(seconds) + fraction;
    }

    static std::string_view trim(std::string_view s) {
        const auto space = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
        while (!s.empty() && space(s.front())) s.remove_prefix(1);
        while (!s.empty() && space(s.back())) s.remove_suffix(1);
        return s;
    }

    // A tag name without its namespace prefix.
    static std::string_view localName(std::string_view name) {
        const std::size_t colon = name.rfind(':');
        return colon == std::string_view::npos ? name : name.substr(colon + 1);
    }

    std::string_view readName() {
        const std::size_t start = pos_;
        while (pos_ < text_.size()) {
            const char c = text_[pos_];
            if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '>' || c == '/' ||
                c == '=' || c == '<' || c == '"' || c == '\'')
                break;
            ++pos_;
        }
        return text_.substr(start, pos_ - start);
    }

    void skipSpace() {
        while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t' ||
                                       text_[pos_] == '\n' || text_[pos_] == '\r'))
            ++pos_;
    }

    bool startsWith(std::string_view prefix) const {
        return text_.substr(pos_, prefix.size()) == prefix;
    }

    // Moves past the next `end` found at least `skip` characters on.
    bool skipPast(std::size_t skip, std::string_view end, const char* what) {
        const std::size_t at = text_.find(end, pos_ + skip);
        if (at == std::string_view::npos) return fail(pos_, what);
        pos_ = at + end.size();
        return true;
    }

    bool fail(std::size_t at, const std::string& what) {
        const auto line =
            1 + std::count(text_.begin(), text_.begin() + static_cast<long>(at), '\n');
        error_ = "line " + std::to_string(line) + ": " + what;
        return false;
    }

    std::string_view text_;
    std::size_t pos_ = 0;
    std::string error_;
    std::optional<std::string_view> unused_;
};

}  // namespace

GpxTrack parseGpx(std::string_view text) {
    return GpxReader(text).read();
}

GpxTrack readGpxFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return GpxTrack{{}, "cannot open " + path.string()};
    std::ostringstream buffer;
    buffer << in.rdbuf();
    if (in.bad()) return GpxTrack{{}, "cannot read " + path.string()};
    GpxTrack track = parseGpx(buffer.str());
    if (!track.ok()) track.error = path.string() + ": " + track.error;
    return track;
}

}  // namespace arquorel::sim
