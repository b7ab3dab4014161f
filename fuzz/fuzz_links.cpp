// The hand-off rules on arbitrary texts of a place record (web, social, encyclopedia, phone,
// mail and share fields) with the native address and number readers: no crash or undefined
// behaviour, and whatever they would open is an address of the kind they promise.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "arquorel/placelist/Handoffs.h"
#include "arquorel/places/QuorelProperty.h"
#include "arquorel/platform/runtime/PlatformContext.h"
#include "arquorel/platform/system/PercentEncoding.h"
#include "arquorel/platform/system/PhoneNumberService.h"
#include "arquorel/platform/system/URLService.h"
#include "arquorel/platform/system/native/NativeSystem.h"
#include "fuzz/FuzzCheck.h"
#include "sim/device/SimClock.h"

namespace {

bool startsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace arquorel;
    static sim::SimClock clock(0);
    static PlatformContext* context = [] {
        auto* c = new PlatformContext(clock);
        native::installNativeSystemServices(*c);
        return c;
    }();
    const URLService& urls = context->urlService();
    const std::string text(reinterpret_cast<const char*>(data), size);

    if (const auto url = webLinkURL(text, urls)) {
        FUZZ_CHECK(startsWith(*url, "http://") || startsWith(*url, "https://"));
        const auto parts = urls.parse(*url);
        FUZZ_CHECK(parts && !parts.url->host.empty() && parts.url->userInfo.empty());
    }
    if (const auto url = encyclopediaURL(text)) {
        FUZZ_CHECK(startsWith(*url, "https://"));
        FUZZ_CHECK(urls.parse(*url));
    }
    for (const auto& choice : phoneChoices(text, "FR", context->phoneNumberService())) {
        FUZZ_CHECK(choice.url == "tel:" + choice.e164 && startsWith(choice.e164, "+"));
    }
    for (const auto& address : mailRecipients(text)) FUZZ_CHECK(isMailAddress(address));

    const auto once = percentEncode(text, PercentEncodingSet::addressText);
    FUZZ_CHECK(percentEncode(once, PercentEncodingSet::addressText) == once);
    QuorelProperty place;
    place.shareurl = text;
    for (const auto& item : shareItems(place, urls)) {
        FUZZ_CHECK(item.kind == ShareItem::Kind::url && urls.parse(item.value));
    }
    return 0;
}
