// The micro-data block of a place record on arbitrary bytes: no crash, hang or leak; entries
// only for a JSON array, and at most one console line.
#include <cstddef>
#include <cstdint>

#include "arquorel/places/QuorelProperty.h"
#include "fuzz/FuzzCheck.h"
#include "sim/device/SimPlatform.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static arquorel::sim::SimPlatform device;
    auto& console = device.context().console();
    console.startCapture();
    console.clear();
    arquorel::QuorelProperty record;
    record.micro_data.emplace(data, data + size);
    const auto entries = record.microDataEntries();
    if (entries)
        for (const auto& entry : *entries) FUZZ_CHECK(!entry.json.empty());
    // At most one line: why the text is not JSON, or that numbers out of range were read as null.
    FUZZ_CHECK(console.lines().size() <= 1);
    console.clear();
    return 0;
}
