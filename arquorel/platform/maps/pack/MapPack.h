#pragma once
// A map pack: what a map of one area needs, read from a compact binary file made by the pack
// maker from an OpenStreetMap extract. It holds the features drawn on the map (streets and
// footways by class, buildings, water, coastline, the sea, parks) and the walking graph (the points
// of the walkable ways and the segments between them). Features in a box are found through an
// R-tree, never by scanning them all.
//
// The file: "AQMAPPK" and a zero byte, a version (32-bit), the area's box, the features, the
// graph's nodes and segments, and a CRC-32 of everything before it. Integers are little-endian,
// coordinates 32-bit integers of 1e-7 degrees. A pack that is truncated, of another version,
// corrupt or inconsistent (a segment naming a node that does not exist, a coordinate off the
// globe) is refused with a message naming the problem.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "arquorel/platform/maps/MapFeatures.h"
#include "arquorel/platform/sensors/Location.h"

namespace arquorel {

// The walking graph: points and the segments between them (walkable both ways).
struct WalkGraph {
    std::vector<Coordinate> nodes;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> segments;
    friend bool operator==(const WalkGraph&, const WalkGraph&) = default;
};

class MapPack final : public MapData {
  public:
    static constexpr std::uint32_t kVersion = 1;
    // The largest counts a pack may declare (a hostile header must not make the reader
    // reserve gigabytes): far beyond a city's extract.
    static constexpr std::uint32_t kMaxFeatures = 4'000'000;
    static constexpr std::uint32_t kMaxPoints = 64'000'000;

    struct ReadResult {
        std::shared_ptr<const MapPack> pack;  // none on error
        std::string error;
    };
    // Reads a pack from its bytes.
    static ReadResult read(std::string_view bytes);
    // Reads the pack file at `path`.
    static ReadResult readFile(const std::string& path);

    MapPack(MapBox box, std::vector<MapFeature> features, WalkGraph graph);
    ~MapPack() override;
    MapPack(const MapPack&) = delete;
    MapPack& operator=(const MapPack&) = delete;

    // The pack's bytes (what read() takes).
    std::string write() const;

    const MapBox& box() const { return box_; }
    const std::vector<MapFeature>& features() const { return features_; }
    const WalkGraph& graph() const { return graph_; }

    // Indexes of the features whose bounding boxes meet `box`, in pack order.
    std::vector<std::uint32_t> featuresIn(const MapBox& box) const;
    void visitFeatures(const MapBox& box,
                       const std::function<void(const MapFeature&)>& visit) const override;

  private:
    struct Index;
    MapBox box_;
    std::vector<MapFeature> features_;
    WalkGraph graph_;
    std::unique_ptr<Index> index_;
};

}  // namespace arquorel
