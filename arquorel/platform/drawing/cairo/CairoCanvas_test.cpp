#include "arquorel/platform/drawing/cairo/CairoCanvas.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "arquorel/platform/resources/Image.h"

namespace arquorel::cairo {
namespace {

std::shared_ptr<const Image> rasterOf(Color c) {
    const auto byte = [](double v) { return static_cast<std::uint8_t>(v * 255); };
    const std::uint8_t pixel[] = {byte(c.red), byte(c.green), byte(c.blue), 255};
    RasterPixels pixels{2, 2, std::vector<std::uint8_t>(16)};
    for (std::size_t i = 0; i < pixels.rgba.size(); ++i) pixels.rgba[i] = pixel[i % 4];
    return Image::fromRaster("square", pixels);
}

std::shared_ptr<const Image> svgOf(Color c) {
    const std::string fill = c.red > 0.5 ? "#ff0000" : "#0000ff";
    return Image::fromSvg("square",
                          "<svg xmlns='http://www.w3.org/2000/svg' width='2' "
                          "height='2'><rect width='2' height='2' fill='" +
                              fill + "'/></svg>");
}

// The canvas keeps what it made of an image while the image lives. Images made after others
// have gone (often at their addresses) are drawn with their own pixels, also once the caches
// are full enough to drop what belonged to the images that have gone.
TEST(CairoCanvasTest, EveryImageIsDrawnWithItsOwnPixelsAsImagesComeAndGo) {
    struct Case {
        const char* kind;
        std::function<std::shared_ptr<const Image>(Color)> make;
        int count;  // more than the cache holds before it drops entries
    };
    const Case cases[] = {{"raster", rasterOf, 80}, {"svg", svgOf, 300}};
    const Color red{1, 0, 0, 1}, blue{0, 0, 1, 1};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.kind);
        for (int round = 0; round < 4; ++round) {
            const Color color = round % 2 == 0 ? red : blue;
            std::vector<std::shared_ptr<const Image>> images;
            for (int i = 0; i < c.count; ++i) {
                images.push_back(c.make(color));
                ASSERT_TRUE(images.back());
                CairoCanvas canvas({4, 4}, 1, Color::white());
                canvas.drawImage(images.back(), {0, 0, 4, 4}, std::nullopt);
                const Color drawn = canvas.colorAt({2, 2});
                ASSERT_NEAR(drawn.red, color.red, 0.02) << "image " << i;
                ASSERT_NEAR(drawn.blue, color.blue, 0.02) << "image " << i;
                // Drawn again from what the canvas kept.
                canvas.drawImage(images.front(), {0, 0, 4, 4}, std::nullopt);
                ASSERT_NEAR(canvas.colorAt({2, 2}).red, color.red, 0.02) << "image " << i;
            }
        }
    }
}

}  // namespace
}  // namespace arquorel::cairo
