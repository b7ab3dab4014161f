#include "arquorel/platform/maps/pack/MapPack.h"

#include <gtest/gtest.h>

#include <string>

namespace arquorel {
namespace {

MapPack sample() {
    std::vector<MapFeature> features{
        {MapFeatureKind::footway, false, {{43.7390, 7.4270}, {43.7395, 7.4275}}},
        {MapFeatureKind::building,
         true,
         {{43.7400, 7.4280}, {43.7401, 7.4280}, {43.7401, 7.4281}, {43.7400, 7.4280}}},
        {MapFeatureKind::water,
         true,
         {{43.7300, 7.4200}, {43.7310, 7.4200}, {43.7310, 7.4210}, {43.7300, 7.4200}}},
        {MapFeatureKind::sea,
         true,
         {{43.7250, 7.4100}, {43.7250, 7.4200}, {43.7210, 7.4200}, {43.7250, 7.4100}}},
    };
    WalkGraph graph{{{43.7390, 7.4270}, {43.7395, 7.4275}, {43.7399, 7.4276}}, {{0, 1}, {1, 2}}};
    return MapPack({{43.72, 7.40}, {43.76, 7.45}}, std::move(features), std::move(graph));
}

// Overwrites the 32-bit value at `offset` and fixes the checksum, as a hostile maker would.
std::string patched(std::string bytes, std::size_t offset, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    // The checksum (CRC-32, bit by bit here) over everything before it.
    std::uint32_t c = 0xFFFFFFFFu;
    for (std::size_t k = 0; k + 4 < bytes.size(); ++k) {
        c ^= static_cast<unsigned char>(bytes[k]);
        for (int b = 0; b < 8; ++b) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    }
    c ^= 0xFFFFFFFFu;
    for (int i = 0; i < 4; ++i)
        bytes[bytes.size() - 4 + i] = static_cast<char>((c >> (8 * i)) & 0xFF);
    return bytes;
}

TEST(MapPackTest, WrittenPacksReadBackWhole) {
    const MapPack pack = sample();
    const auto read = MapPack::read(pack.write());
    ASSERT_TRUE(read.pack) << read.error;
    EXPECT_EQ(read.pack->box(), pack.box());
    EXPECT_EQ(read.pack->features(), pack.features());
    EXPECT_EQ(read.pack->graph(), pack.graph());
}

TEST(MapPackTest, FeaturesInABoxComeFromTheIndex) {
    const MapPack pack = sample();
    const struct {
        MapBox box;
        std::vector<std::uint32_t> found;
    } cases[] = {
        {{{43.7385, 7.4265}, {43.7402, 7.4285}}, {0, 1}},        // the square by the footway
        {{{43.7392, 7.4272}, {43.7393, 7.4273}}, {0}},           // inside the footway's box
        {{{43.7000, 7.3000}, {43.7100, 7.3100}}, {}},            // elsewhere
        {{{43.7000, 7.4000}, {43.8000, 7.5000}}, {0, 1, 2, 3}},  // everything
    };
    for (const auto& c : cases) EXPECT_EQ(pack.featuresIn(c.box), c.found);
}

// Every damaged pack is refused with a message naming the problem; none crashes the reader.
TEST(MapPackTest, DamagedPacksAreRefusedWithTheProblem) {
    const std::string good = sample().write();
    const std::size_t featureCount = 8 + 4 + 16;  // after the magic, version and box
    const std::size_t firstSegment = good.size() - 4 - 16;
    std::string flipped = good;
    flipped[40] ^= 0x10;
    const struct {
        const char* name;
        std::string bytes;
        const char* message;
    } cases[] = {
        {"empty", "", "not a map pack"},
        {"other file", "<?xml version='1.0'?><osm/>", "not a map pack"},
        {"other version", patched(good, 8, 7), "version 7"},
        {"truncated", good.substr(0, good.size() / 2), "checksum"},
        {"header only", good.substr(0, 12), "truncated"},
        {"a changed byte", flipped, "checksum"},
        {"too many features", patched(good, featureCount, 0x7FFFFFFF), "more than the pack holds"},
        // The first feature's kind byte one past the last kind (its area byte and count kept).
        {"unknown kind", patched(good, featureCount + 4, 0x00020000 | kMapFeatureKinds),
         "unknown kind 9"},
        {"segment to nowhere", patched(good, firstSegment, 99), "names node 99"},
        {"segment one past the last node", patched(good, firstSegment, 3), "names node 3"},
        {"off the globe", patched(good, 12, static_cast<std::uint32_t>(950'000'000)),
         "not a coordinate"},
    };
    for (const auto& c : cases) {
        const auto read = MapPack::read(c.bytes);
        EXPECT_FALSE(read.pack) << c.name;
        EXPECT_NE(read.error.find(c.message), std::string::npos) << c.name << ": " << read.error;
    }
    const auto missing = MapPack::readFile("/nonexistent/monaco.pack");
    EXPECT_FALSE(missing.pack);
    EXPECT_NE(missing.error.find("/nonexistent/monaco.pack"), std::string::npos);
}

}  // namespace
}  // namespace arquorel
