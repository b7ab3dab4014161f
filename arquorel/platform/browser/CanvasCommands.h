#pragma once
// A Painter that encodes what is drawn as a flat list of numbers and a table of texts, for a
// Canvas 2D context to replay in one pass (platform/browser/emscripten/browser.js). Each step
// is an operation code followed by its operands; paths are their fill rule, element count and
// elements; colours are red, green, blue (0 to 255) and alpha (0 to 1). Images are sent once,
// as SVG text in the table or as the address of their decoded pixels, under a number that
// later frames reuse while the image lives.

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "arquorel/platform/drawing/Painter.h"

namespace arquorel::browser {

enum class CanvasOp : int {
    save = 1,
    restore,
    concat,        // a b c d tx ty
    alpha,         // factor
    clip,          // path
    fill,          // path colour
    stroke,        // path colour width cap join dashCount dashes... phase
    linear,        // path stopCount (location colour)... x0 y0 x1 y1
    conic,         // path stopCount (location colour)... cx cy startAngle
    shadow,        // path colour dx dy radius
    image,         // imageId x y w h hasTint colour
    text,          // font(text index) colour lineCount (text index, x, y)...
    clearRect,     // x y w h: the area becomes transparent (what lies under the canvas shows)
    defineImage,   // imageId svg(text index) width height
    forgetImage,   // imageId: the image is gone
    defineRaster,  // imageId width height address: straight RGBA rows at that memory address,
                   // read during this replay (the image lives while it is drawn)
};

enum class PathOp : int { moveTo = 1, lineTo, quadTo, curveTo, arc, rect, close };

// The CSS font of a text style: "italic 600 17px "DejaVu Sans"" (weights 400, 500, 600, 700).
std::string cssFont(const TextStyle& style);

class CanvasCommands final : public Painter {
  public:
    void save() override;
    void restore() override;
    void concat(const Transform& t) override;
    void multiplyAlpha(double alpha) override;
    void clip(const Path& path) override;
    void fill(const Path& path, const Color& color) override;
    void stroke(const Path& path, const Color& color, const StrokeStyle& style) override;
    void fillGradient(const Path& area, const Gradient& gradient) override;
    void drawShadow(const Path& shape, const Shadow& shadow) override;
    void drawImage(const std::shared_ptr<const Image>& image, const Rect& dest,
                   std::optional<Color> tint = std::nullopt) override;
    void drawText(const std::shared_ptr<const TextLayout>& layout, Point origin) override;
    // Makes `rect` transparent, so that a picture under the canvas (the camera's video) shows.
    void clearRect(const Rect& rect);

    const std::vector<double>& numbers() const { return numbers_; }
    const std::vector<std::string>& texts() const { return texts_; }
    // The texts joined with NUL characters (NULs inside a text become U+FFFD).
    std::string joinedTexts() const;
    // Starts a new frame; images already sent stay known, those gone are forgotten on both
    // sides (the frame starts by telling the replaying side).
    void clear();
    // Forgets the images sent (the replaying side lost its cache).
    void forgetImages();
    std::size_t knownImageCount() const { return images_.size(); }

  private:
    void op(CanvasOp o) { numbers_.push_back(static_cast<int>(o)); }
    void put(double v) { numbers_.push_back(v); }
    void put(const Color& c);
    void put(const Path& path);
    void putStops(const Gradient& gradient);
    int text(std::string s);
    int imageId(const std::shared_ptr<const Image>& image);

    std::vector<double> numbers_;
    std::vector<std::string> texts_;
    struct KnownImage {
        std::weak_ptr<const Image> image;
        int id;
    };
    std::map<const Image*, KnownImage> images_;
    int nextImageId_ = 1;
};

}  // namespace arquorel::browser
