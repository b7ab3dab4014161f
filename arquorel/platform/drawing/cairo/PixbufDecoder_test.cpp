#include "arquorel/platform/drawing/cairo/PixbufDecoder.h"

#include <gtest/gtest.h>

#include <gdk-pixbuf/gdk-pixbuf.h>

#include <string>

#include "arquorel/platform/drawing/cairo/CairoCanvas.h"

namespace arquorel::cairo {
namespace {

// A w x h picture, left half red and right half blue, saved in `format` ("png", "jpeg").
std::string encoded(const char* format, int w, int h) {
    GdkPixbuf* pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, w, h);
    guchar* data = gdk_pixbuf_get_pixels(pixbuf);
    const int stride = gdk_pixbuf_get_rowstride(pixbuf);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            guchar* p = data + y * stride + x * 3;
            const bool left = x < w / 2;
            p[0] = left ? 220 : 0;
            p[1] = 0;
            p[2] = left ? 0 : 220;
        }
    gchar* buffer = nullptr;
    gsize size = 0;
    gdk_pixbuf_save_to_buffer(pixbuf, &buffer, &size, format, nullptr, nullptr);
    std::string bytes(buffer, size);
    g_free(buffer);
    g_object_unref(pixbuf);
    return bytes;
}

TEST(PixbufDecoderTest, PngAndJpegDecodeToStraightRgba) {
    for (const char* format : {"png", "jpeg"}) {
        const auto pixels = decodeRaster(encoded(format, 16, 8));
        ASSERT_TRUE(pixels) << format;
        EXPECT_EQ(pixels->width, 16);
        EXPECT_EQ(pixels->height, 8);
        ASSERT_EQ(pixels->rgba.size(), 16u * 8 * 4);
        const auto at = [&](int x, int y, int c) {
            return int(pixels->rgba[(y * 16 + x) * 4 + c]);
        };
        // JPEG is lossy: colours within a few steps, far from the edge between the halves.
        EXPECT_NEAR(at(2, 4, 0), 220, 8) << format;
        EXPECT_NEAR(at(13, 4, 2), 220, 8) << format;
        EXPECT_NEAR(at(13, 4, 0), 0, 8) << format;
        EXPECT_EQ(at(2, 4, 3), 255) << format;  // no alpha channel: opaque
    }
}

TEST(PixbufDecoderTest, BytesThatAreNoPictureGiveNone) {
    const std::string png = encoded("png", 16, 8);
    // Oversized: the PNG header claims 5000 pixels a side (the size check comes before any
    // pixel is read, so a header is enough).
    std::string huge = encoded("png", 5000, 1);
    const std::string cases[] = {"", "not a picture at all", png.substr(0, png.size() / 2),
                                 png.substr(0, 30), huge};
    for (const auto& bytes : cases) EXPECT_FALSE(decodeRaster(bytes)) << bytes.size();
}

TEST(PixbufDecoderTest, CanvasDrawsRasterImagesScaledAndTinted) {
    const auto image = Image::fromRaster("halves", *decodeRaster(encoded("png", 16, 8)));
    ASSERT_TRUE(image);
    CairoCanvas canvas({40, 20}, 2, Color::white());
    canvas.drawImage(image, {0, 0, 32, 16}, std::nullopt);  // twice its size
    const Color left = canvas.colorAt({6, 8}), right = canvas.colorAt({26, 8});
    EXPECT_NEAR(left.red, 220 / 255.0, 0.02);
    EXPECT_NEAR(right.blue, 220 / 255.0, 0.02);
    EXPECT_NEAR(canvas.colorAt({36, 8}).green, 1, 1e-9);  // outside the image: background
    canvas.drawImage(image, {0, 0, 32, 16}, Color{0, 1, 0, 1});
    EXPECT_NEAR(canvas.colorAt({6, 8}).green, 1, 0.02);
    EXPECT_NEAR(canvas.colorAt({6, 8}).red, 0, 0.02);
}

}  // namespace
}  // namespace arquorel::cairo
