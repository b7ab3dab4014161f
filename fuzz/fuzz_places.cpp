// Feeds arbitrary bytes to the two JSON decoders of place data: the places file loader and
// the micro-data block of a record. Neither may crash, hang or leak on any input.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "arquorel/places/PlacesFile.h"
#include "arquorel/places/QuorelProperty.h"
#include "sim/device/SimPlatform.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static arquorel::sim::SimPlatform device;
    device.context().console().startCapture();
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto file = arquorel::PlacesFile::fromText(text);
    for (const auto& problem : file.problems) (void)problem.text();

    arquorel::QuorelProperty record;
    record.micro_data.emplace(data, data + size);
    (void)record.microDataEntries();
    device.context().console().clear();
    return 0;
}
