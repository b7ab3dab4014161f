#pragma once
// The native picture backend: a Painter that draws with Cairo into an image of `size` points
// at `scale` pixels a point, and writes it as PNG. Text comes from PangoTextEngine layouts,
// images are SVG drawn with librsvg. Only hosts, the simulated device and tests use it;
// product code draws through Painter.

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "arquorel/platform/drawing/Painter.h"

namespace arquorel::cairo {

struct PixelDifference;

class CairoCanvas final : public Painter {
  public:
    // The picture starts filled with `background` (transparent by default).
    explicit CairoCanvas(Size size, double scale = 1, Color background = Color::clear());
    ~CairoCanvas() override;
    CairoCanvas(const CairoCanvas&) = delete;
    CairoCanvas& operator=(const CairoCanvas&) = delete;

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
    void drawLayer(const std::shared_ptr<const LayerSurface>& layer) override;

    // Makes every pixel transparent and drops the saved states, for the next frame.
    void clear();

    Size size() const;
    double scale() const;
    int pixelWidth() const;
    int pixelHeight() const;
    // The colour of the device pixel (px, py), not premultiplied; clear outside the picture.
    Color pixel(int px, int py) const;
    // The colour of the device pixel that holds the point `p` (in points).
    Color colorAt(Point p) const;
    // Writes the picture as PNG; the reason when it could not.
    std::optional<std::string> writePng(const std::filesystem::path& file) const;

  private:
    friend class CairoLayer;
    friend PixelDifference comparePixels(const CairoCanvas& a, const CairoCanvas& b);
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// How far two pictures of the same pixel size differ: the largest difference of one channel
// of one pixel (0 to 255, premultiplied) and the share of pixels differing at all. Pictures of
// different sizes differ in everything.
struct PixelDifference {
    int largest = 0;
    double share = 0;
};
PixelDifference comparePixels(const CairoCanvas& a, const CairoCanvas& b);

// Retained layers as image surfaces at the layer's scale (a LayerStore factory).
std::shared_ptr<LayerSurface> makeCairoLayer(const LayerShape& shape);

}  // namespace arquorel::cairo
