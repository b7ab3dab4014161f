#pragma once
// Links the browser hands to other applications: a mail draft as a mailto: address, and a
// place or a route for the system map application as an address of the OpenStreetMap web map
// (which every browser opens, on a phone or not).

#include <string>
#include <string_view>

#include "arquorel/platform/maps/MapItem.h"
#include "arquorel/platform/system/MailService.h"

namespace arquorel::browser {

// Every byte but the unreserved characters (and those of `keep`) as %XX.
std::string percentEncoded(std::string_view text, std::string_view keep = {});

// "mailto:a@b.org,c@d.org?subject=...&body=..." (the subject and body only when not empty).
std::string mailtoURL(const MailDraft& draft);

// A walking, driving or plain route to the last item (from the first unless that is the
// user's current location, which the map finds itself), or the last item marked on the map
// without a directions mode. Empty when there is no item with a valid coordinate to show.
std::string webMapURL(const MapsLaunch& launch);

}  // namespace arquorel::browser
