#include "arquorel/platform/maps/pack/MapPack.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>

#include <boost/geometry.hpp>
#include <boost/geometry/index/rtree.hpp>
#include <boost/iterator/function_output_iterator.hpp>

namespace arquorel {

namespace bg = boost::geometry;
namespace bgi = boost::geometry::index;

namespace {

constexpr char kMagic[8] = {'A', 'Q', 'M', 'A', 'P', 'P', 'K', '\0'};
constexpr double kUnit = 1e7;  // stored units a degree

using GeoPoint = bg::model::point<double, 2, bg::cs::cartesian>;  // longitude, latitude
using GeoBox = bg::model::box<GeoPoint>;
using Entry = std::pair<GeoBox, std::uint32_t>;

// CRC-32 (the polynomial of zip and PNG), table made once.
std::uint32_t crc32(std::string_view bytes) {
    static const auto table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t c = i;
            for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    std::uint32_t c = 0xFFFFFFFFu;
    for (const char ch : bytes) c = table[(c ^ static_cast<unsigned char>(ch)) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

void putU32(std::string& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

void putCoordinate(std::string& out, const Coordinate& c) {
    putU32(out,
           static_cast<std::uint32_t>(static_cast<std::int32_t>(std::lround(c.latitude * kUnit))));
    putU32(out,
           static_cast<std::uint32_t>(static_cast<std::int32_t>(std::lround(c.longitude * kUnit))));
}

// Reads the pack's fields in order; the first problem stops it and names where it was.
class Reader {
  public:
    explicit Reader(std::string_view bytes) : bytes_(bytes) {}

    bool u8(std::uint8_t& v, const char* what) {
        if (!need(1, what)) return false;
        v = static_cast<std::uint8_t>(bytes_[at_++]);
        return true;
    }
    bool u32(std::uint32_t& v, const char* what) {
        if (!need(4, what)) return false;
        v = 0;
        for (int i = 0; i < 4; ++i)
            v |= std::uint32_t(static_cast<unsigned char>(bytes_[at_ + i])) << (8 * i);
        at_ += 4;
        return true;
    }
    bool coordinate(Coordinate& c, const char* what) {
        std::uint32_t lat = 0, lng = 0;
        if (!u32(lat, what) || !u32(lng, what)) return false;
        c = {static_cast<std::int32_t>(lat) / kUnit, static_cast<std::int32_t>(lng) / kUnit};
        if (!isValid(c)) return fail(std::string(what) + " is not a coordinate on the globe");
        return true;
    }
    // A count of items of `itemBytes` each (at least), which the rest of the pack must hold.
    bool count(std::uint32_t& n, std::uint32_t limit, std::size_t itemBytes, const char* what) {
        if (!u32(n, what)) return false;
        if (n > limit || std::size_t(n) * itemBytes > bytes_.size() - at_)
            return fail(std::string(what) + " (" + std::to_string(n) +
                        ") is more than the pack holds");
        return true;
    }
    bool fail(std::string message) {
        if (error_.empty()) error_ = std::move(message) + " (at byte " + std::to_string(at_) + ")";
        return false;
    }
    std::size_t offset() const { return at_; }
    const std::string& error() const { return error_; }

  private:
    bool need(std::size_t n, const char* what) {
        if (bytes_.size() - at_ >= n) return true;
        return fail(std::string("the pack ends inside ") + what + ": it is truncated");
    }
    std::string_view bytes_;
    std::size_t at_ = 0;
    std::string error_;
};

GeoBox boundsOf(const std::vector<Coordinate>& points) {
    GeoBox box(GeoPoint(points[0].longitude, points[0].latitude),
               GeoPoint(points[0].longitude, points[0].latitude));
    for (const auto& p : points) bg::expand(box, GeoPoint(p.longitude, p.latitude));
    return box;
}

}  // namespace

struct MapPack::Index {
    bgi::rtree<Entry, bgi::rstar<16>> tree;
};

MapPack::MapPack(MapBox box, std::vector<MapFeature> features, WalkGraph graph)
    : box_(box),
      features_(std::move(features)),
      graph_(std::move(graph)),
      index_(std::make_unique<Index>()) {
    std::vector<Entry> entries;
    entries.reserve(features_.size());
    for (std::uint32_t i = 0; i < features_.size(); ++i)
        if (!features_[i].points.empty()) entries.emplace_back(boundsOf(features_[i].points), i);
    // Packing (bulk loading) makes a better tree than inserting one by one, and faster.
    index_->tree = bgi::rtree<Entry, bgi::rstar<16>>(entries.begin(), entries.end());
}

MapPack::~MapPack() = default;

std::vector<std::uint32_t> MapPack::featuresIn(const MapBox& box) const {
    const GeoBox query(GeoPoint(box.southWest.longitude, box.southWest.latitude),
                       GeoPoint(box.northEast.longitude, box.northEast.latitude));
    std::vector<std::uint32_t> found;
    index_->tree.query(bgi::intersects(query),
                       boost::make_function_output_iterator(
                           [&found](const Entry& e) { found.push_back(e.second); }));
    std::sort(found.begin(), found.end());
    return found;
}

void MapPack::visitFeatures(const MapBox& box,
                            const std::function<void(const MapFeature&)>& visit) const {
    for (const std::uint32_t i : featuresIn(box)) visit(features_[i]);
}

std::string MapPack::write() const {
    std::string out(kMagic, sizeof kMagic);
    putU32(out, kVersion);
    putCoordinate(out, box_.southWest);
    putCoordinate(out, box_.northEast);
    putU32(out, static_cast<std::uint32_t>(features_.size()));
    for (const auto& f : features_) {
        out.push_back(static_cast<char>(f.kind));
        out.push_back(static_cast<char>(f.area ? 1 : 0));
        putU32(out, static_cast<std::uint32_t>(f.points.size()));
        for (const auto& p : f.points) putCoordinate(out, p);
    }
    putU32(out, static_cast<std::uint32_t>(graph_.nodes.size()));
    for (const auto& n : graph_.nodes) putCoordinate(out, n);
    putU32(out, static_cast<std::uint32_t>(graph_.segments.size()));
    for (const auto& [a, b] : graph_.segments) {
        putU32(out, a);
        putU32(out, b);
    }
    putU32(out, crc32(out));
    return out;
}

MapPack::ReadResult MapPack::read(std::string_view bytes) {
    if (bytes.size() < sizeof kMagic || std::memcmp(bytes.data(), kMagic, sizeof kMagic) != 0)
        return {nullptr, "not a map pack: the file does not start with \"AQMAPPK\""};
    Reader in(bytes.substr(sizeof kMagic));
    std::uint32_t version = 0;
    if (!in.u32(version, "the version")) return {nullptr, in.error()};
    if (version != kVersion)
        return {nullptr, "map pack version " + std::to_string(version) + ": this reader reads " +
                             std::to_string(kVersion) + " only; make the pack again"};
    // The checksum covers everything before it; a changed byte anywhere is corruption.
    if (bytes.size() < sizeof kMagic + 8) return {nullptr, "the pack is truncated"};
    const std::string_view body = bytes.substr(0, bytes.size() - 4);
    std::uint32_t stored = 0;
    for (int i = 0; i < 4; ++i)
        stored |= std::uint32_t(static_cast<unsigned char>(bytes[bytes.size() - 4 + i])) << (8 * i);
#ifndef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
    if (crc32(body) != stored)
        return {nullptr, "the pack is corrupt or truncated: its checksum does not match"};
#else
    (void)stored;
#endif

    Reader r(body.substr(sizeof kMagic + 4));
    MapBox box;
    if (!r.coordinate(box.southWest, "the area's south-west corner") ||
        !r.coordinate(box.northEast, "the area's north-east corner"))
        return {nullptr, r.error()};
    std::uint32_t featureCount = 0;
    if (!r.count(featureCount, kMaxFeatures, 6, "the number of features"))
        return {nullptr, r.error()};
    std::vector<MapFeature> features(featureCount);
    std::uint64_t points = 0;
    for (auto& f : features) {
        std::uint8_t kind = 0, area = 0;
        std::uint32_t n = 0;
        if (!r.u8(kind, "a feature") || !r.u8(area, "a feature")) return {nullptr, r.error()};
        if (kind >= kMapFeatureKinds || area > 1) {
            r.fail("a feature of unknown kind " + std::to_string(kind));
            return {nullptr, r.error()};
        }
        if (!r.count(n, kMaxPoints, 8, "the number of a feature's points"))
            return {nullptr, r.error()};
        if ((points += n) > kMaxPoints) {
            r.fail("more points than a pack may hold");
            return {nullptr, r.error()};
        }
        f.kind = static_cast<MapFeatureKind>(kind);
        f.area = area == 1;
        f.points.resize(n);
        for (auto& p : f.points)
            if (!r.coordinate(p, "a feature's point")) return {nullptr, r.error()};
    }
    WalkGraph graph;
    std::uint32_t nodeCount = 0, segmentCount = 0;
    if (!r.count(nodeCount, kMaxPoints, 8, "the number of walking nodes"))
        return {nullptr, r.error()};
    graph.nodes.resize(nodeCount);
    for (auto& n : graph.nodes)
        if (!r.coordinate(n, "a walking node")) return {nullptr, r.error()};
    if (!r.count(segmentCount, kMaxPoints, 8, "the number of walking segments"))
        return {nullptr, r.error()};
    graph.segments.resize(segmentCount);
    for (auto& [a, b] : graph.segments) {
        if (!r.u32(a, "a walking segment") || !r.u32(b, "a walking segment"))
            return {nullptr, r.error()};
        if (a >= nodeCount || b >= nodeCount) {
            r.fail("a walking segment names node " + std::to_string(std::max(a, b)) + " of " +
                   std::to_string(nodeCount));
            return {nullptr, r.error()};
        }
    }
    if (r.offset() != body.size() - sizeof kMagic - 4) {
        r.fail("bytes after the walking segments");
        return {nullptr, r.error()};
    }
    return {std::make_shared<MapPack>(box, std::move(features), std::move(graph)), {}};
}

MapPack::ReadResult MapPack::readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return {nullptr, "cannot read the map pack " + path};
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    auto result = read(bytes);
    if (!result.pack) result.error = path + ": " + result.error;
    return result;
}

}  // namespace arquorel
