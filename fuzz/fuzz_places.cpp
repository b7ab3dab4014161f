// The places file loader on arbitrary bytes: it must not crash, hang or leak, must keep its own
// accounting, must agree with the JSON parser on what is JSON, and must read the same from a
// source handing out blocks as from the whole text.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
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

    // Read in blocks of 7 bytes, through the streaming reader and its reading of plain records.
    const auto streamed = arquorel::PlacesFile::fromSource(
        "", [&](std::uint64_t offset, char* into, std::size_t wanted) {
            const std::size_t n = std::min<std::size_t>({wanted, 7, text.size() - offset});
            text.copy(into, n, offset);
            return n;
        });
    FUZZ_CHECK((streamed.error ? streamed.error->message : "") ==
               (file.error ? file.error->message : ""));
    FUZZ_CHECK(streamed.elementCount == file.elementCount);
    FUZZ_CHECK(streamed.problems.size() == file.problems.size());
    for (std::size_t i = 0; i < file.problems.size(); ++i)
        FUZZ_CHECK(streamed.problems[i].text() == file.problems[i].text());
    FUZZ_CHECK(streamed.records.size() == file.records.size());
    for (std::size_t i = 0; i < file.records.size(); ++i) {
        const auto& a = *streamed.records[i];
        const auto& b = *file.records[i];
        FUZZ_CHECK(a.id == b.id && a.name == b.name && a.category == b.category &&
                   a.category_color == b.category_color && a.street == b.street &&
                   a.category_id == b.category_id && a.rand_position == b.rand_position &&
                   a.names == b.names && a.micro_data == b.micro_data);
        for (const auto& [x, y] :
             {std::pair(a.lat, b.lat), std::pair(a.lng, b.lng), std::pair(a.distance, b.distance),
              std::pair(a.rand_main_poosition, b.rand_main_poosition)})
            FUZZ_CHECK(std::memcmp(&x, &y, sizeof x) == 0);
    }

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
