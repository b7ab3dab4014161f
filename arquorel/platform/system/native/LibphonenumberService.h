#pragma once
// Telephone numbers read, checked and written by libphonenumber (its metadata of every
// region's numbering plan).

#include "arquorel/platform/system/PhoneNumberService.h"

namespace arquorel::native {

class LibphonenumberService final : public PhoneNumberService {
  public:
    LibphonenumberService();
    PhoneNumberResult read(std::string_view text, std::string_view defaultRegion) const override;
};

}  // namespace arquorel::native
