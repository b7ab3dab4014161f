#include "sim/device/SimGeocoder.h"

#include <cstdint>
#include <vector>

#include "arquorel/platform/runtime/PlatformContext.h"

namespace arquorel::sim {

namespace {

using Ring = std::vector<Coordinate>;  // corners, latitude and longitude in degrees

struct CountryArea {
    const char* code;
    const char* name;
    std::vector<Ring> rings;
};

// Rough outlines, a few dozen corners each: good to tell the countries apart away from their
// borders. Monaco lies inside France's outline and Liechtenstein between Switzerland and
// Austria, so the small ones come first.
const std::vector<CountryArea>& countryAreas() {
    static const std::vector<CountryArea> areas = {
        {"MC", "Monaco", {{{43.724, 7.408}, {43.752, 7.408}, {43.752, 7.440}, {43.724, 7.440}}}},
        {"LI",
         "Liechtenstein",
         {{{47.048, 9.471}, {47.271, 9.471}, {47.271, 9.636}, {47.048, 9.636}}}},
        {"CH",
         "Switzerland",
         {{{46.13, 5.96},
           {46.98, 6.70},
           {47.45, 6.95},
           {47.58, 7.55},
           {47.80, 8.60},
           {47.55, 9.55},
           {47.05, 9.48},
           {46.85, 10.45},
           {46.55, 10.45},
           {46.25, 9.30},
           {45.82, 9.05},
           {46.05, 8.60},
           {46.25, 8.05},
           {45.92, 7.05},
           {46.20, 6.80},
           {46.25, 6.25}}}},
        {"AT", "Austria", {{{47.27, 9.62},  {47.55, 9.73},  {47.45, 10.45}, {47.58, 12.17},
                            {47.80, 13.05}, {48.25, 13.03}, {48.57, 13.45}, {48.77, 13.85},
                            {48.55, 14.95}, {49.00, 15.00}, {48.85, 16.90}, {48.00, 17.16},
                            {47.00, 16.45}, {46.65, 15.95}, {46.45, 14.55}, {46.65, 13.70},
                            {46.70, 12.40}, {47.00, 12.20}, {46.90, 11.00}, {46.85, 10.45},
                            {47.05, 9.60}}}},
        {"DE",
         "Germany",
         {{{54.90, 8.60},  {54.80, 9.90},  {54.45, 11.10}, {54.70, 13.40}, {53.95, 14.25},
           {52.80, 14.15}, {51.05, 15.00}, {50.30, 12.10}, {49.55, 12.50}, {48.77, 13.85},
           {48.57, 13.45}, {48.25, 13.03}, {47.80, 13.05}, {47.58, 12.17}, {47.45, 10.45},
           {47.55, 9.73},  {47.55, 9.55},  {47.80, 8.60},  {47.58, 7.55},  {48.97, 8.20},
           {49.15, 6.70},  {49.50, 6.36},  {50.12, 6.12},  {50.75, 6.02},  {51.85, 5.95},
           {52.30, 7.00},  {53.30, 7.20},  {53.70, 7.00},  {54.00, 8.30}}}},
        {"IT",
         "Italy",
         {{{43.78, 7.53},  {44.15, 7.70},  {44.40, 6.90},  {45.10, 6.62},  {45.82, 6.80},
           {45.92, 7.05},  {46.25, 8.05},  {46.05, 8.60},  {45.82, 9.05},  {46.25, 9.30},
           {46.55, 10.45}, {46.90, 11.00}, {47.00, 12.20}, {46.70, 12.40}, {46.65, 13.70},
           {45.60, 13.85}, {45.43, 12.35}, {44.40, 12.30}, {43.60, 13.50}, {42.00, 15.20},
           {41.90, 16.10}, {41.10, 17.00}, {40.15, 18.50}, {39.80, 18.35}, {40.45, 17.20},
           {39.90, 16.60}, {39.00, 17.15}, {37.92, 15.70}, {38.70, 15.90}, {39.40, 16.00},
           {40.00, 15.60}, {40.60, 14.30}, {41.25, 13.10}, {42.40, 11.15}, {43.00, 10.50},
           {43.70, 10.25}, {44.10, 9.65},  {44.40, 8.80},  {43.88, 8.03},  {43.76, 7.60}},
          // Sicily and Sardinia.
          {{38.27, 15.65},
           {37.50, 15.10},
           {36.65, 15.10},
           {37.00, 14.30},
           {37.29, 13.58},
           {37.65, 12.45},
           {38.05, 12.45},
           {38.20, 13.30},
           {38.05, 14.05},
           {38.27, 15.25}},
          {{38.85, 8.10}, {41.30, 8.10}, {41.30, 9.85}, {38.85, 9.85}}}},
        {"FR",
         "France",
         {{{51.10, 2.55},  {50.69, 3.10},  {50.15, 4.85},  {49.52, 5.77},  {49.47, 6.36},
           {49.10, 6.70},  {48.97, 8.22},  {48.58, 7.80},  {47.58, 7.55},  {47.45, 6.95},
           {46.98, 6.70},  {46.13, 5.96},  {46.40, 6.80},  {45.82, 6.80},  {45.10, 6.62},
           {44.40, 6.90},  {44.15, 7.70},  {43.78, 7.53},  {43.55, 7.00},  {43.10, 6.00},
           {43.30, 5.30},  {43.40, 4.20},  {43.20, 3.20},  {42.45, 3.15},  {42.50, 2.00},
           {42.80, 0.70},  {43.00, -0.50}, {43.35, -1.80}, {43.70, -1.40}, {44.60, -1.25},
           {45.60, -1.25}, {46.20, -1.50}, {47.30, -2.55}, {47.80, -4.40}, {48.40, -4.80},
           {48.85, -3.10}, {48.65, -2.00}, {49.70, -1.90}, {49.35, -0.30}, {49.70, 0.20},
           {50.20, 1.60}},
          // Corsica.
          {{41.35, 8.50}, {43.05, 8.50}, {43.05, 9.60}, {41.35, 9.60}}}},
        {"US",
         "United States",
         {{{48.40, -124.75}, {49.00, -123.30}, {49.00, -95.15},  {48.00, -89.50},
           {46.50, -84.50},  {45.30, -82.50},  {42.30, -82.90},  {42.90, -78.90},
           {44.00, -76.40},  {45.00, -74.70},  {45.00, -71.50},  {47.40, -69.20},
           {47.10, -67.80},  {44.80, -66.95},  {43.60, -70.20},  {41.50, -70.00},
           {40.90, -72.50},  {40.50, -74.00},  {38.90, -74.90},  {35.20, -75.50},
           {32.00, -80.80},  {30.50, -81.40},  {26.80, -80.00},  {25.10, -80.40},
           {25.10, -81.10},  {26.50, -82.10},  {29.70, -85.30},  {30.20, -88.00},
           {29.00, -89.20},  {29.60, -94.00},  {26.00, -97.20},  {26.40, -99.10},
           {29.70, -101.40}, {29.00, -103.10}, {31.80, -106.50}, {31.30, -111.00},
           {32.50, -114.80}, {32.53, -117.12}, {34.50, -120.60}, {40.40, -124.40}},
          // Alaska and Hawaii.
          {{54.60, -130.00},
           {59.80, -135.50},
           {60.30, -141.00},
           {69.70, -141.00},
           {71.40, -156.80},
           {65.60, -168.10},
           {59.50, -166.00},
           {54.00, -166.50},
           {58.00, -153.00},
           {59.50, -146.00},
           {58.00, -137.00}},
          {{18.90, -160.30}, {22.30, -160.30}, {22.30, -154.80}, {18.90, -154.80}}}},
    };
    return areas;
}

// Even-odd rule on the plane of longitude and latitude.
bool inside(const Ring& ring, const Coordinate& c) {
    bool in = false;
    for (std::size_t i = 0, j = ring.size() - 1; i < ring.size(); j = i++) {
        const Coordinate& a = ring[i];
        const Coordinate& b = ring[j];
        if ((a.latitude > c.latitude) != (b.latitude > c.latitude)) {
            const double lng = a.longitude + (c.latitude - a.latitude) / (b.latitude - a.latitude) *
                                                 (b.longitude - a.longitude);
            if (c.longitude < lng) in = !in;
        }
    }
    return in;
}

const CountryArea* areaAt(const Coordinate& c) {
    if (!isValid(c)) return nullptr;
    for (const auto& area : countryAreas())
        for (const auto& ring : area.rings)
            if (inside(ring, c)) return &area;
    return nullptr;
}

class SimGeocoderService final : public Geocoder,
                                 public std::enable_shared_from_this<SimGeocoderService> {
  public:
    explicit SimGeocoderService(std::shared_ptr<SimGeocoder::State> state)
        : state_(std::move(state)) {}

    ~SimGeocoderService() override {
        if (pending_) --state_->inFlight;
    }

    void reverseGeocodeLocation(const Location& location, Completion completion) override {
        auto& state = *state_;
        ++state.requests;
        auto& loop = platformContext().mainLoop();
        if (pending_) {
            // One request at a time: the new one is refused, the one in flight goes on.
            loop.async([completion = std::move(completion)] {
                if (completion)
                    completion({}, GeocoderError{GeocoderErrorCode::busy,
                                                 "a request is already in flight"});
            });
            return;
        }
        const std::uint64_t id = ++lastRequest_;
        pending_ = id;
        completion_ = std::move(completion);
        ++state.inFlight;
        if (state.inFlight > state.maxInFlight) state.maxInFlight = state.inFlight;
        const double delay = state.settings.delay >= 0 ? state.settings.delay : 0;
        // The answer is decided when it is given, so a mode change during the delay counts.
        loop.asyncAfter(delay, [weak = weak_from_this(), id, location] {
            auto self = weak.lock();
            if (!self || self->pending_ != id) return;  // gone, or cancelled
            auto done = std::move(self->completion_);
            self->finish();
            std::vector<Placemark> placemarks;
            std::optional<GeocoderError> error;
            self->answer(location, placemarks, error);
            if (done) done(placemarks, error);
        });
    }

    void cancelGeocode() override {
        if (!pending_) return;
        auto completion = std::move(completion_);
        finish();
        platformContext().mainLoop().async([completion = std::move(completion)] {
            if (completion)
                completion({}, GeocoderError{GeocoderErrorCode::cancelled, "cancelled"});
        });
    }

    bool isGeocoding() const override { return pending_ != 0; }

  private:
    void finish() {
        pending_ = 0;
        --state_->inFlight;
    }

    void answer(const Location& location, std::vector<Placemark>& placemarks,
                std::optional<GeocoderError>& error) const {
        switch (state_->settings.mode) {
            case SimGeocoderSettings::Mode::offline:
                error = GeocoderError{GeocoderErrorCode::network, "the network is unreachable"};
                return;
            case SimGeocoderSettings::Mode::fail:
                error = GeocoderError{GeocoderErrorCode::noResult, "the geocoding failed"};
                return;
            case SimGeocoderSettings::Mode::answer:
                break;
        }
        if (!isValid(location.coordinate)) {
            error = GeocoderError{GeocoderErrorCode::invalidLocation, "not a valid coordinate"};
            return;
        }
        const CountryArea* area = areaAt(location.coordinate);
        if (!area) {
            error = GeocoderError{GeocoderErrorCode::noResult, "no country at this position"};
            return;
        }
        placemarks.push_back(Placemark{location.coordinate, area->code, area->name});
    }

    std::shared_ptr<SimGeocoder::State> state_;
    std::uint64_t pending_ = 0;  // the id of the request in flight, 0 when none
    std::uint64_t lastRequest_ = 0;
    Completion completion_;
};

}  // namespace

SimGeocoder::SimGeocoder() : SimGeocoder(platformContext()) {}

SimGeocoder::SimGeocoder(PlatformContext& context)
    : context_(context),
      state_(std::make_shared<State>()),
      previousFactory_(std::move(context.geocoderFactory)) {
    context.geocoderFactory = [state = state_]() -> std::shared_ptr<Geocoder> {
        ++state->geocodersMade;
        return std::make_shared<SimGeocoderService>(state);
    };
}

SimGeocoder::~SimGeocoder() {
    context_.geocoderFactory = std::move(previousFactory_);
}

std::optional<std::string> SimGeocoder::countryAt(const Coordinate& c) {
    if (const CountryArea* area = areaAt(c)) return std::string(area->code);
    return std::nullopt;
}

}  // namespace arquorel::sim
