// The places file loader on arbitrary bytes: it must not crash, hang or leak, must keep its own
// accounting, and must agree with the JSON parser on what is JSON.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <set>
#include <string_view>

#include "arquorel/places/PlacesFile.h"
#include "fuzz/FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto file = arquorel::PlacesFile::fromText(text);
    if (file.error) {
        FUZZ_CHECK(file.records.empty() && file.problems.empty() && file.elementCount == 0);
        FUZZ_CHECK(file.error->line >= 1 && file.error->column >= 1);
        FUZZ_CHECK(file.error->message.starts_with("line " + std::to_string(file.error->line) +
                                                   ", column "));
    }
    FUZZ_CHECK(file.records.size() <= file.elementCount);
    for (const auto& record : file.records)
        FUZZ_CHECK(std::abs(record->lat) <= 90 && std::abs(record->lng) <= 180);
    std::set<std::size_t> leftOut;  // the records that a problem says were left out
    for (const auto& problem : file.problems) {
        FUZZ_CHECK(problem.index < file.elementCount);
        FUZZ_CHECK(!problem.text().empty());
        if (problem.leftOut) leftOut.insert(problem.index);
    }
    FUZZ_CHECK(file.leftOutCount() == leftOut.size());

    // The parser accepts exactly the texts the loader reads, except for what the loader
    // refuses before parsing (NUL bytes, deep nesting) and numbers beyond a double, which the
    // parser refuses and the loader reads as missing.
    const bool json = nlohmann::json::accept(text);
    const bool loaded = !file.error || file.error->kind != arquorel::PlacesFileError::Kind::notJson;
    const arquorel::PreparedJsonText prepared(text);
    if (json) FUZZ_CHECK(prepared.outOfRange().empty());
    if (json && !prepared.issue()) FUZZ_CHECK(loaded);
    if (!json && prepared.outOfRange().empty()) FUZZ_CHECK(!loaded);
    return 0;
}
