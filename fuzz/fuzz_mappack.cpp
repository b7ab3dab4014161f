// The map pack reader on arbitrary bytes: no crash, hang or leak; either a message, or a pack
// whose segments name existing nodes, whose coordinates are on the globe, that writes back to
// bytes reading the same, and over which routes can be asked. (Fuzzing builds skip the
// checksum, so that the fuzzer reaches past it.)
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "arquorel/platform/maps/pack/WalkingRouter.h"
#include "fuzz/FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace arquorel;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto read = MapPack::read(bytes);
    FUZZ_CHECK(!read.pack == !read.error.empty());
    if (!read.pack) return 0;
    const auto& graph = read.pack->graph();
    for (const auto& n : graph.nodes) FUZZ_CHECK(isValid(n));
    for (const auto& [a, b] : graph.segments)
        FUZZ_CHECK(a < graph.nodes.size() && b < graph.nodes.size());
    for (const auto& f : read.pack->features())
        for (const auto& p : f.points) FUZZ_CHECK(isValid(p));
    const auto again = MapPack::read(read.pack->write());
    FUZZ_CHECK(again.pack && again.pack->graph() == graph &&
               again.pack->features() == read.pack->features());
    // Every feature found has points (a feature without any is kept but never indexed).
    for (const auto i : read.pack->featuresIn(read.pack->box()))
        FUZZ_CHECK(i < read.pack->features().size() && !read.pack->features()[i].points.empty());
    if (graph.nodes.size() >= 2 && graph.nodes.size() < 5000) {
        const WalkingRouter router(read.pack);
        (void)router.route(graph.nodes.front(), graph.nodes.back());
    }
    return 0;
}
