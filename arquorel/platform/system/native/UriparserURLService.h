#pragma once
// Addresses read by uriparser, a complete RFC 3986 parser.

#include "arquorel/platform/system/URLService.h"

namespace arquorel::native {

class UriparserURLService final : public URLService {
  public:
    URLParseResult parse(std::string_view text) const override;
};

}  // namespace arquorel::native
