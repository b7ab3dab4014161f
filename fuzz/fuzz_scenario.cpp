// Scenario files on arbitrary bytes: no crash or undefined behaviour; a text is either parsed,
// with its events in time order, or refused with a message that names a line.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz/FuzzCheck.h"
#include "sim/host/Scenario.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto parsed = arquorel::sim::parseScenario(text, "/scenarios");
    FUZZ_CHECK(parsed.scenario.has_value() == parsed.error.empty());
    if (!parsed.scenario) {
        FUZZ_CHECK(parsed.error.starts_with("line "));
        return 0;
    }
    double previous = 0;
    for (const auto& event : parsed.scenario->events) {
        FUZZ_CHECK(event.time >= previous);
        previous = event.time;
    }
    return 0;
}
