#pragma once
// A small reader of telephone numbers for backends without a numbering-plan library: the
// number's country from its calling code (or the default region's), the national trunk prefix
// dropped, and the length of the national number checked against its country's plan. It knows
// the countries around the bundled places and the largest others; a number of another country
// written with its calling code is taken when its length can be a number at all (8 to 15
// digits).

#include <string_view>

#include "arquorel/platform/system/PhoneNumberService.h"

namespace arquorel::browser {

PhoneNumberResult readPhoneNumberSimply(std::string_view text, std::string_view defaultRegion);

class SimplePhoneNumberService final : public PhoneNumberService {
  public:
    PhoneNumberResult read(std::string_view text, std::string_view defaultRegion) const override {
        return readPhoneNumberSimply(text, defaultRegion);
    }
};

}  // namespace arquorel::browser
