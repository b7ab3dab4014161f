// Colours from hexadecimal text on arbitrary bytes: no crash or undefined behaviour, and every
// colour read has components within 0..1.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "arquorel/platform/geometry/Color.h"
#include "fuzz/FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (const auto color = arquorel::Color::fromHex(text)) {
        for (const double c : {color->red, color->green, color->blue, color->alpha})
            FUZZ_CHECK(c >= 0 && c <= 1);
    }
    return 0;
}
