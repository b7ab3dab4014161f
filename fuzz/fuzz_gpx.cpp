// The GPX reader on arbitrary bytes: no crash, hang or leak; either an error naming a line or
// points with valid coordinates whose times never go backwards.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz/FuzzCheck.h"
#include "sim/device/GpxReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto track = arquorel::sim::parseGpx(text);
    FUZZ_CHECK(track.ok() == !track.points.empty());
    if (!track.ok())
        FUZZ_CHECK(track.error.starts_with("line ") ||
                   track.error == "no track points (<trkpt>) found");
    for (std::size_t i = 0; i < track.points.size(); ++i) {
        FUZZ_CHECK(arquorel::isValid(track.points[i].coordinate));
        if (i > 0) FUZZ_CHECK(track.points[i].time >= track.points[i - 1].time);
    }
    return 0;
}
