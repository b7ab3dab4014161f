#pragma once
// Reading telephone numbers as people write them ("+1 555 0100", "04 93 15 20 00") and writing
// them in the international E.164 form. A backend installs the reader in the platform context.

#include <optional>
#include <string>
#include <string_view>

namespace arquorel {

struct PhoneNumber {
    std::string e164;        // "+33493152000"
    std::string regionCode;  // "FR"; "001" for non-geographic numbers, empty when unknown
    friend bool operator==(const PhoneNumber&, const PhoneNumber&) = default;
};

struct PhoneNumberResult {
    std::optional<PhoneNumber> number;
    std::string error;  // why the text is not a valid number
    explicit operator bool() const { return number.has_value(); }
};

class PhoneNumberService {
  public:
    virtual ~PhoneNumberService() = default;
    // Reads a text as one number; a number without its country code is read as one of
    // `defaultRegion` (ISO 3166 alpha-2, either case; empty when unknown). Only numbers that
    // are valid (a real range of their region) are returned.
    virtual PhoneNumberResult read(std::string_view text, std::string_view defaultRegion) const = 0;
};

}  // namespace arquorel
