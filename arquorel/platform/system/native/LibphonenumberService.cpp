#include "arquorel/platform/system/native/LibphonenumberService.h"

#include <phonenumbers/logger.h>
#include <phonenumbers/phonenumberutil.h>

#include <algorithm>
#include <cctype>

namespace arquorel::native {

namespace {

namespace pn = i18n::phonenumbers;

std::string parseProblem(pn::PhoneNumberUtil::ErrorType error) {
    switch (error) {
        case pn::PhoneNumberUtil::INVALID_COUNTRY_CODE_ERROR:
            return "no known country code, and no region to read it in";
        case pn::PhoneNumberUtil::NOT_A_NUMBER:
            return "not a telephone number";
        case pn::PhoneNumberUtil::TOO_SHORT_AFTER_IDD:
        case pn::PhoneNumberUtil::TOO_SHORT_NSN:
            return "too short for a telephone number";
        case pn::PhoneNumberUtil::TOO_LONG_NSN:
            return "too long for a telephone number";
        default:
            return "not a telephone number";
    }
}

}  // namespace

LibphonenumberService::LibphonenumberService() {
    // The library's own diagnostics would go to the standard output; callers get the reason
    // in the result instead. The utility takes the logger over.
    pn::PhoneNumberUtil::GetInstance()->SetLogger(new pn::NullLogger());
}

PhoneNumberResult LibphonenumberService::read(std::string_view text,
                                              std::string_view defaultRegion) const {
    const pn::PhoneNumberUtil& util = *pn::PhoneNumberUtil::GetInstance();
    std::string region(defaultRegion);
    std::transform(region.begin(), region.end(), region.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    if (region.empty()) region = "ZZ";  // unknown: only numbers with their country code read
    pn::PhoneNumber number;
    const auto error = util.Parse(std::string(text), region, &number);
    if (error != pn::PhoneNumberUtil::NO_PARSING_ERROR) return {{}, parseProblem(error)};
    if (!util.IsValidNumber(number)) return {{}, "not a valid number of its region"};
    PhoneNumber result;
    util.Format(number, pn::PhoneNumberUtil::E164, &result.e164);
    util.GetRegionCodeForNumber(number, &result.regionCode);
    if (result.regionCode == "ZZ") result.regionCode.clear();
    return {std::move(result), {}};
}

}  // namespace arquorel::native
