#pragma once
// The C++ half of reading telephone numbers in the browser. The page reads them with
// libphonenumber-js (every country's numbering plan); the question goes to it as the text and
// the region, the answer comes back as one line: "E164 REGION" for a valid number, "!REASON"
// otherwise.

#include <string>
#include <string_view>

#include "arquorel/platform/system/PhoneNumberService.h"

namespace arquorel::browser {

// The region as the page's reader takes it: an ISO 3166 alpha-2 code in capitals, or empty
// (unknown: only numbers written with their country code are read) for anything else.
std::string phoneReaderRegion(std::string_view region);

// The reader's answer as a result; an answer that is neither form is a failure that says so.
PhoneNumberResult phoneNumberFromReply(std::string_view reply);

}  // namespace arquorel::browser
