#include "arquorel/platform/maps/pack/MapPack.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <new>
#include <string>

// The largest single allocation since the last reset: a damaged pack must be refused before
// the reader reserves what its counts claim.
namespace {
std::atomic<std::size_t> largestAllocation{0};
}  // namespace

void* operator new(std::size_t n) {
    std::size_t seen = largestAllocation.load();
    while (n > seen && !largestAllocation.compare_exchange_weak(seen, n)) {
    }
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

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

// South of the equator and west of Greenwich (negative coordinates), with a feature that has
// no points: read back whole, and the pointless feature is never found in a box.
TEST(MapPackTest, PacksAnywhereOnTheGlobeReadBack) {
    const std::vector<MapFeature> features{
        {MapFeatureKind::footway, false, {{-22.9519, -43.2105}, {-22.9520, -43.2101}}},
        {MapFeatureKind::park, true, {}},
        {MapFeatureKind::road, false, {{-22.9500, -43.2200}, {-22.9490, -43.2190}}},
    };
    const WalkGraph graph{{{-22.9519, -43.2105}, {-22.9520, -43.2101}}, {{0, 1}}};
    const MapPack pack({{-22.96, -43.23}, {-22.94, -43.20}}, features, graph);
    const auto read = MapPack::read(pack.write());
    ASSERT_TRUE(read.pack) << read.error;
    EXPECT_EQ(read.pack->box(), pack.box());
    EXPECT_EQ(read.pack->features(), features);
    EXPECT_EQ(read.pack->graph(), graph);
    EXPECT_EQ(read.pack->featuresIn(read.pack->box()), (std::vector<std::uint32_t>{0, 2}));
    EXPECT_EQ(read.pack->featuresIn({{-22.9525, -43.2110}, {-22.9515, -43.2100}}),
              (std::vector<std::uint32_t>{0}));
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

    // Many features: exactly those whose boxes meet the asked box, in pack order.
    std::vector<MapFeature> many;
    for (int i = 0; i < 400; ++i) {
        const Coordinate a{43.70 + 0.0013 * ((i * 37) % 50), 7.40 + 0.0011 * ((i * 53) % 40)};
        many.push_back({MapFeatureKind::building,
                        false,
                        {a, {a.latitude + 0.0004 * (i % 3), a.longitude + 0.0006}}});
    }
    const MapPack big({{43.70, 7.40}, {43.80, 7.50}}, many, {});
    for (const MapBox box :
         {MapBox{{43.71, 7.41}, {43.73, 7.43}}, MapBox{{43.70, 7.40}, {43.8, 7.5}},
          MapBox{{43.7205, 7.4305}, {43.7206, 7.4306}}}) {
        std::vector<std::uint32_t> expected;
        for (std::uint32_t i = 0; i < many.size(); ++i) {
            const MapBox b = boxAround(many[i].points);
            if (b.southWest.latitude <= box.northEast.latitude &&
                box.southWest.latitude <= b.northEast.latitude &&
                b.southWest.longitude <= box.northEast.longitude &&
                box.southWest.longitude <= b.northEast.longitude)
                expected.push_back(i);
        }
        EXPECT_EQ(big.featuresIn(box), expected);
    }
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
        // The first feature's kind byte one past the last kind (its area byte and count kept).
        {"unknown kind", patched(good, featureCount + 4, 0x00020000 | kMapFeatureKinds),
         "unknown kind 9"},
        {"segment to nowhere", patched(good, firstSegment, 99), "names node 99"},
        {"segment one past the last node", patched(good, firstSegment, 3), "names node 3"},
        {"segment ending one past the last node", patched(good, firstSegment + 4, 3),
         "names node 3"},
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

// A small damaged pack (with a valid checksum) whose counts claim far more than its bytes:
// refused with the count named, before anything of that size is allocated.
TEST(MapPackTest, CountsBeyondTheBytesLeftAreRefusedBeforeAllocating) {
    const MapPack one({{43.72, 7.40}, {43.76, 7.45}},
                      {{MapFeatureKind::footway, false, {{43.7390, 7.4270}, {43.7395, 7.4275}}}},
                      {{{43.7390, 7.4270}, {43.7395, 7.4275}}, {{0, 1}}});
    const std::string good = one.write();
    const std::size_t features = 8 + 4 + 16, points = features + 4 + 2;
    const std::size_t nodes = points + 4 + 16, segments = nodes + 4 + 16;
    ASSERT_EQ(segments + 4 + 8 + 4, good.size());
    const struct {
        const char* name;
        std::size_t offset;
        std::uint32_t count;
        const char* message;
    } cases[] = {
        {"features", features, MapPack::kMaxFeatures, "the number of features (4000000)"},
        {"a feature's points", points, 57'400'000, "the number of a feature's points"},
        {"walking nodes", nodes, 1'000'000, "the number of walking nodes"},
        {"walking segments", segments, 1'000'000, "the number of walking segments"},
    };
    for (const auto& c : cases) {
        const std::string bytes = patched(good, c.offset, c.count);
        largestAllocation = 0;
        const auto read = MapPack::read(bytes);
        const std::size_t largest = largestAllocation;
        EXPECT_FALSE(read.pack) << c.name;
        EXPECT_NE(read.error.find(c.message), std::string::npos) << c.name << ": " << read.error;
        EXPECT_NE(read.error.find("more than the pack holds"), std::string::npos) << read.error;
        EXPECT_LT(largest, 4096u) << c.name;
    }
}

}  // namespace
}  // namespace arquorel
