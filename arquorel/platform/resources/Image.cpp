#include "arquorel/platform/resources/Image.h"

#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>

#include "arquorel/platform/runtime/PlatformContext.h"

namespace arquorel {

namespace {

// The value of attribute `name` inside the tag text, if present.
std::optional<std::string> attribute(const std::string& tag, const std::string& name) {
    std::size_t at = 0;
    while ((at = tag.find(name, at)) != std::string::npos) {
        const bool wordStart = at > 0 && (tag[at - 1] == ' ' || tag[at - 1] == '\n' ||
                                          tag[at - 1] == '\t' || tag[at - 1] == '\r');
        std::size_t p = at + name.size();
        while (p < tag.size() && tag[p] == ' ') ++p;
        if (wordStart && p < tag.size() && tag[p] == '=') {
            ++p;
            while (p < tag.size() && tag[p] == ' ') ++p;
            if (p < tag.size() && (tag[p] == '"' || tag[p] == '\'')) {
                const std::size_t end = tag.find(tag[p], p + 1);
                if (end == std::string::npos) return std::nullopt;
                return tag.substr(p + 1, end - p - 1);
            }
        }
        at += name.size();
    }
    return std::nullopt;
}

// A positive length in user units ("24", "24px", "24.5"); none for percentages and others.
std::optional<double> length(const std::optional<std::string>& text) {
    if (!text) return std::nullopt;
    const char* begin = text->c_str();
    char* end = nullptr;
    const double v = std::strtod(begin, &end);
    const std::string unit(end);
    if (end == begin || !(v > 0) || !(unit.empty() || unit == "px")) return std::nullopt;
    return v;
}

}  // namespace

Image::Image(std::string name, Size size, std::string svg, std::filesystem::path path)
    : name_(std::move(name)), size_(size), svg_(std::move(svg)), path_(std::move(path)) {}

std::shared_ptr<const Image> Image::fromSvg(std::string name, std::string svg) {
    std::size_t open = svg.find("<svg");
    while (open != std::string::npos && open + 4 < svg.size() && svg[open + 4] != ' ' &&
           svg[open + 4] != '>' && svg[open + 4] != '\n' && svg[open + 4] != '\t')
        open = svg.find("<svg", open + 4);
    if (open == std::string::npos) return nullptr;
    const std::size_t close = svg.find('>', open);
    if (close == std::string::npos) return nullptr;
    const std::string tag = svg.substr(open, close - open);
    Size size{24, 24};
    if (auto box = attribute(tag, "viewBox")) {
        for (char& ch : *box)
            if (ch == ',') ch = ' ';
        std::istringstream in(*box);
        double x = 0, y = 0, w = 0, h = 0;
        if ((in >> x >> y >> w >> h) && w > 0 && h > 0) size = {w, h};
    }
    const auto w = length(attribute(tag, "width")), h = length(attribute(tag, "height"));
    if (w && h) size = {*w, *h};
    return std::make_shared<Image>(std::move(name), size, std::move(svg));
}

std::shared_ptr<const Image> Image::fromRaster(std::string name, RasterPixels pixels) {
    if (pixels.width <= 0 || pixels.height <= 0 || pixels.width > kMaxRasterSide ||
        pixels.height > kMaxRasterSide ||
        pixels.rgba.size() != std::size_t(pixels.width) * std::size_t(pixels.height) * 4)
        return nullptr;
    auto image = std::make_shared<Image>(
        std::move(name), Size{double(pixels.width), double(pixels.height)}, std::string());
    image->raster_ = std::make_shared<const RasterPixels>(std::move(pixels));
    return image;
}

std::shared_ptr<const Image> Image::fromBytes(std::string name, std::string_view bytes) {
    if (auto svg = fromSvg(name, std::string(bytes))) return svg;
    const auto& decoder = platformContext().imageDecoder;
    if (!decoder) return nullptr;
    auto pixels = decoder(bytes);
    if (!pixels) return nullptr;
    return fromRaster(std::move(name), std::move(*pixels));
}

std::shared_ptr<const Image> Image::fromFile(std::string name, const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return nullptr;
    std::ostringstream bytes;
    bytes << in.rdbuf();
    auto image = fromSvg(std::move(name), bytes.str());
    if (!image) return nullptr;
    return std::make_shared<Image>(image->name(), image->size(), image->svg(), path);
}

}  // namespace arquorel
