#pragma once
// Installs the native drawing backend into a platform context: the Pango text engine on the
// pinned fonts, and the gdk-pixbuf decoder of raster images. Pictures are drawn by creating a
// CairoCanvas and rendering views into it.

namespace arquorel {
class PlatformContext;
}

namespace arquorel::cairo {

void installCairoBackend(PlatformContext& context);

}  // namespace arquorel::cairo
