#include "arquorel/platform/drawing/cairo/CairoBackend.h"

#include <memory>

#include "arquorel/platform/drawing/cairo/PangoTextEngine.h"
#include "arquorel/platform/drawing/cairo/PixbufDecoder.h"
#include "arquorel/platform/runtime/PlatformContext.h"

namespace arquorel::cairo {

void installCairoBackend(PlatformContext& context) {
    context.setTextEngine(std::make_shared<PangoTextEngine>());
    context.imageDecoder = decodeRaster;
}

}  // namespace arquorel::cairo
