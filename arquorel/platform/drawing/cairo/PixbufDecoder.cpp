#include "arquorel/platform/drawing/cairo/PixbufDecoder.h"

#include <gdk-pixbuf/gdk-pixbuf.h>

namespace arquorel::cairo {

namespace {

// Refuses pictures too large before the loader allocates their pixels.
void checkSize(GdkPixbufLoader* loader, int width, int height, gpointer tooLarge) {
    if (width > Image::kMaxRasterSide || height > Image::kMaxRasterSide) {
        *static_cast<bool*>(tooLarge) = true;
        gdk_pixbuf_loader_set_size(loader, 1, 1);
    }
}

}  // namespace

std::optional<RasterPixels> decodeRaster(std::string_view bytes) {
    if (bytes.empty()) return std::nullopt;
    GdkPixbufLoader* loader = gdk_pixbuf_loader_new();
    bool tooLarge = false;
    g_signal_connect(loader, "size-prepared", G_CALLBACK(checkSize), &tooLarge);
    GError* error = nullptr;
    const bool written = gdk_pixbuf_loader_write(
        loader, reinterpret_cast<const guchar*>(bytes.data()), bytes.size(), &error);
    if (error) g_clear_error(&error);
    // Closed in every case: the loader insists on it before it is released.
    const bool closed = gdk_pixbuf_loader_close(loader, &error);
    if (error) g_clear_error(&error);
    GdkPixbuf* pixbuf =
        written && closed && !tooLarge ? gdk_pixbuf_loader_get_pixbuf(loader) : nullptr;
    std::optional<RasterPixels> out;
    if (pixbuf && gdk_pixbuf_get_colorspace(pixbuf) == GDK_COLORSPACE_RGB &&
        gdk_pixbuf_get_bits_per_sample(pixbuf) == 8) {
        const int w = gdk_pixbuf_get_width(pixbuf), h = gdk_pixbuf_get_height(pixbuf);
        const int channels = gdk_pixbuf_get_n_channels(pixbuf);
        const int stride = gdk_pixbuf_get_rowstride(pixbuf);
        const guchar* data = gdk_pixbuf_read_pixels(pixbuf);
        if (w > 0 && h > 0 && (channels == 3 || channels == 4) && data) {
            RasterPixels pixels{w, h, std::vector<std::uint8_t>(std::size_t(w) * h * 4)};
            for (int y = 0; y < h; ++y) {
                const guchar* row = data + std::size_t(y) * stride;
                std::uint8_t* to = pixels.rgba.data() + std::size_t(y) * w * 4;
                for (int x = 0; x < w; ++x, row += channels, to += 4) {
                    to[0] = row[0];
                    to[1] = row[1];
                    to[2] = row[2];
                    to[3] = channels == 4 ? row[3] : 255;
                }
            }
            out = std::move(pixels);
        }
    }
    g_object_unref(loader);
    return out;
}

}  // namespace arquorel::cairo
