#pragma once
// The native raster image decoder: gdk-pixbuf reads PNG, JPEG, GIF and the other formats its
// loaders know. Installed as the platform context's image decoder by the Cairo backend.

#include <optional>
#include <string_view>

#include "arquorel/platform/resources/Image.h"

namespace arquorel::cairo {

// The pixels of the first frame of `bytes`; none when no loader reads them or the picture is
// larger than Image::kMaxRasterSide on a side (refused before its pixels are allocated).
std::optional<RasterPixels> decodeRaster(std::string_view bytes);

}  // namespace arquorel::cairo
