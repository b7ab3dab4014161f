#include "sim/device/SimGeocoder.h"

#include <cstdint>
#include <vector>

#include "arquorel/platform/runtime/PlatformContext.h"
#include "arquorel/platform/sensors/CountryAreas.h"

namespace arquorel::sim {

namespace {

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
        const CountryArea* area = countryAreaAt(location.coordinate);
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
    if (const CountryArea* area = countryAreaAt(c)) return std::string(area->code);
    return std::nullopt;
}

}  // namespace arquorel::sim
