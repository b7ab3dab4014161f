#pragma once
// An image: a name, a natural size in points and its SVG source (bytes, or a file to read
// them from). Images are shared, immutable objects; backends draw them at any scale.

#include <filesystem>
#include <memory>
#include <string>

#include "arquorel/platform/geometry/Geometry.h"

namespace arquorel {

class Image {
  public:
    // An image from SVG text; none when the text has no <svg> root element. The natural size
    // comes from the root's width and height (plain numbers or "px"), else from its viewBox,
    // else 24 x 24.
    static std::shared_ptr<const Image> fromSvg(std::string name, std::string svg);
    // Reads an SVG file; none when it cannot be read or is not SVG.
    static std::shared_ptr<const Image> fromFile(std::string name,
                                                 const std::filesystem::path& path);

    Image(std::string name, Size size, std::string svg, std::filesystem::path path = {});

    const std::string& name() const { return name_; }
    Size size() const { return size_; }
    const std::string& svg() const { return svg_; }
    // The file it was read from, if any.
    const std::filesystem::path& path() const { return path_; }

  private:
    std::string name_;
    Size size_;
    std::string svg_;
    std::filesystem::path path_;
};

}  // namespace arquorel
