#include "arquorel/platform/browser/emscripten/BrowserServices.h"

#include <emscripten.h>

#include <cstdlib>

#include "arquorel/platform/browser/BrowserLinks.h"
#include "arquorel/platform/browser/PhoneNumberReply.h"
#include "arquorel/platform/browser/UriReference.h"
#include "arquorel/platform/resources/Bundle.h"
#include "arquorel/platform/runtime/PlatformContext.h"
#include "arquorel/platform/sensors/CountryAreas.h"
#include "arquorel/platform/ui/Window.h"

EM_JS(void, arq_js_fetch, (int id, const char* address, double maxBytes),
      { ARQ.fetchBytes(id, UTF8ToString(address), maxBytes); });
EM_JS(int, arq_js_online, (), { return navigator.onLine ? 1 : 0; });
EM_JS(int, arq_js_url_accepted, (const char* text), {
    try {
        new URL(UTF8ToString(text));
        return 1;
    } catch (e) {
        return 0;
    }
});
EM_JS(int, arq_js_open, (const char* url), { return ARQ.openLink(UTF8ToString(url)) ? 1 : 0; });
// The page's answer is a string on the module's heap, freed by the caller.
EM_JS(char*, arq_js_read_phone, (const char* text, const char* region), {
    const reply = ARQ.readPhone(UTF8ToString(text), UTF8ToString(region));
    const size = lengthBytesUTF8(reply) + 1;
    const pointer = _malloc(size);
    stringToUTF8(reply, pointer, size);
    return pointer;
});
EM_JS(void, arq_js_share, (const char* text, const char* url, const char* copiedNotice),
      { ARQ.share(UTF8ToString(text), UTF8ToString(url), UTF8ToString(copiedNotice)); });

namespace arquorel::browser {

// --- Data -----------------------------------------------------------------------------------

void BrowserDataLoader::fetch(const std::string& address, std::size_t maxBytes,
                              Completion completion) {
    const int id = nextId_++;
    pending_[id] = std::move(completion);
    arq_js_fetch(id, address.c_str(), static_cast<double>(maxBytes));
}

void BrowserDataLoader::finish(int id, DataLoadResult result) {
    auto it = pending_.find(id);
    if (it == pending_.end()) return;
    auto completion = std::move(it->second);
    pending_.erase(it);
    deliver(std::move(completion), std::move(result));
}

// --- Reachability ---------------------------------------------------------------------------

namespace {
class OnlineReference final : public ReachabilityReference {
  public:
    std::optional<std::uint32_t> flags() const override {
        return arq_js_online() ? std::uint32_t{kReachabilityReachable} : std::uint32_t{0};
    }
};
}  // namespace

std::unique_ptr<ReachabilityReference> BrowserReachability::makeReference(const SocketAddressV4&) {
    return std::make_unique<OnlineReference>();
}

// --- Addresses ------------------------------------------------------------------------------

URLParseResult BrowserURLService::parse(std::string_view text) const {
    auto result = splitUriReference(text);
    if (!result || result.url->scheme.empty() || !result.url->hasAuthority) return result;
    const std::string whole(text);
    if (!arq_js_url_accepted(whole.c_str()))
        return {std::nullopt, "\"" + whole + "\" is not an address the browser can read"};
    return result;
}

// --- Telephone numbers ----------------------------------------------------------------------

PhoneNumberResult BrowserPhoneNumberService::read(std::string_view text,
                                                  std::string_view defaultRegion) const {
    if (text.find('\0') != std::string_view::npos) return {std::nullopt, "not a telephone number"};
    const std::string whole(text), region = phoneReaderRegion(defaultRegion);
    char* reply = arq_js_read_phone(whole.c_str(), region.c_str());
    auto result = phoneNumberFromReply(reply ? std::string_view(reply) : std::string_view());
    std::free(reply);
    return result;
}

// --- Other applications ---------------------------------------------------------------------

bool BrowserURLOpener::canOpen(const std::string& scheme, const std::string&) const {
    // Links the browser hands to the system; map applications' own schemes open the
    // application when it is installed, which a page cannot know beforehand.
    return scheme == "http" || scheme == "https" || scheme == "tel" || scheme == "mailto" ||
           scheme == "sms" || scheme == "geo" || scheme == "maps" || scheme == "comgooglemaps" ||
           scheme == "waze" || scheme == "yandexmaps" || scheme == "mapsme";
}

bool BrowserURLOpener::open(const std::string& scheme, const std::string& url) {
    return canOpen(scheme, url) && arq_js_open(url.c_str());
}

void BrowserShareService::share(const ShareRecord& record) {
    std::string text, url;
    for (const auto& item : record.items) {
        if (item.kind == ShareItem::Kind::url && url.empty()) {
            url = item.value;
        } else {
            if (!text.empty()) text += "\n";
            text += item.value;
        }
    }
    std::string notice = localized("CopiedToClipboard");
    if (notice.empty() || notice == "CopiedToClipboard") notice = "Copied to the clipboard";
    arq_js_share(text.c_str(), url.c_str(), notice.c_str());
}

}  // namespace arquorel::browser

// The browser's share sheet shared the items (1), the clipboard took them (2), or the user
// cancelled (0): the share sheet drawn in the window closes with that outcome, as the
// browser's own sheet stood in for it.
extern "C" EMSCRIPTEN_KEEPALIVE void arq_share_done(int outcome) {
    auto window = arquorel::Window::keyWindow();
    if (!window) return;
    auto sheet =
        std::dynamic_pointer_cast<arquorel::ShareSheetController>(window->topViewController());
    if (!sheet) return;
    if (outcome == 1)
        sheet->pick("share");
    else if (outcome == 2)
        sheet->pick("copy");
    else
        sheet->cancel();
}

namespace arquorel::browser {

// --- Mail and the map -----------------------------------------------------------------------

void BrowserMailService::compose(const MailDraft& draft, Completion completion) {
    const std::string url = mailtoURL(draft);
    MailComposeOutcome outcome{MailComposeResult::saved, {}};
    if (draft.recipients.empty() || !arq_js_open(url.c_str()))
        outcome = {MailComposeResult::failed, "the browser could not open " + url};
    platformContext().mainLoop().async([completion = std::move(completion), outcome] {
        if (completion) completion(outcome);
    });
}

bool BrowserMapsApplication::open(const MapsLaunch& launch) {
    const std::string url = webMapURL(launch);
    return !url.empty() && arq_js_open(url.c_str());
}

// --- Country --------------------------------------------------------------------------------

void OfflineGeocoder::reverseGeocodeLocation(const Location& location, Completion completion) {
    auto& loop = platformContext().mainLoop();
    if (pending_) {
        loop.async([completion = std::move(completion)] {
            if (completion)
                completion(
                    {}, GeocoderError{GeocoderErrorCode::busy, "a request is already in flight"});
        });
        return;
    }
    const std::uint64_t id = ++last_;
    pending_ = id;
    completion_ = std::move(completion);
    loop.async([weak = weak_from_this(), id, location] {
        auto self = weak.lock();
        if (!self || self->pending_ != id) return;
        auto done = std::move(self->completion_);
        self->pending_ = 0;
        std::vector<Placemark> placemarks;
        std::optional<GeocoderError> error;
        if (!isValid(location.coordinate)) {
            error = GeocoderError{GeocoderErrorCode::invalidLocation, "not a valid coordinate"};
        } else if (const CountryArea* area = countryAreaAt(location.coordinate)) {
            placemarks.push_back(Placemark{location.coordinate, area->code, area->name});
        } else {
            error = GeocoderError{GeocoderErrorCode::noResult, "no country at this position"};
        }
        if (done) done(placemarks, error);
    });
}

void OfflineGeocoder::cancelGeocode() {
    if (!pending_) return;
    pending_ = 0;
    auto completion = std::move(completion_);
    platformContext().mainLoop().async([completion = std::move(completion)] {
        if (completion) completion({}, GeocoderError{GeocoderErrorCode::cancelled, "cancelled"});
    });
}

}  // namespace arquorel::browser
