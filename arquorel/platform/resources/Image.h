#pragma once
// An image: a name, a natural size in points and its content: SVG source (bytes, or a file to
// read them from) or decoded raster pixels (PNG, JPEG...). Images are shared, immutable
// objects; backends draw them at any scale.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "arquorel/platform/geometry/Geometry.h"

namespace arquorel {

// Decoded pixels: straight (not premultiplied) RGBA, 8 bits a channel, rows of width × 4 bytes.
struct RasterPixels {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgba;
};

class Image {
  public:
    // Raster images larger than this on either side are refused (a hostile file must not make
    // a logo take gigabytes).
    static constexpr int kMaxRasterSide = 4096;

    // An image from SVG text; none when the text has no <svg> root element. The natural size
    // comes from the root's width and height (plain numbers or "px"), else from its viewBox,
    // else 24 x 24.
    static std::shared_ptr<const Image> fromSvg(std::string name, std::string svg);
    // Reads an SVG file; none when it cannot be read or is not SVG.
    static std::shared_ptr<const Image> fromFile(std::string name,
                                                 const std::filesystem::path& path);

    // An image of decoded pixels, one point a pixel; none for an empty or inconsistent
    // buffer or one beyond kMaxRasterSide.
    static std::shared_ptr<const Image> fromRaster(std::string name, RasterPixels pixels);
    // An image from a file's bytes: SVG text, else a raster format that the platform's image
    // decoder reads (PNG, JPEG...); none when it is neither.
    static std::shared_ptr<const Image> fromBytes(std::string name, std::string_view bytes);

    Image(std::string name, Size size, std::string svg, std::filesystem::path path = {});

    const std::string& name() const { return name_; }
    Size size() const { return size_; }
    const std::string& svg() const { return svg_; }
    // The file it was read from, if any.
    const std::filesystem::path& path() const { return path_; }
    // The pixels of a raster image; none for SVG.
    const std::shared_ptr<const RasterPixels>& raster() const { return raster_; }

  private:
    std::shared_ptr<const RasterPixels> raster_;
    std::string name_;
    Size size_;
    std::string svg_;
    std::filesystem::path path_;
};

}  // namespace arquorel
