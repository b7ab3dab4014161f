#include "arquorel/platform/drawing/cairo/CairoBackend.h"

#include <memory>

#include "arquorel/platform/drawing/cairo/PangoTextEngine.h"
#include "arquorel/platform/runtime/PlatformContext.h"

namespace arquorel::cairo {

void installCairoBackend(PlatformContext& context) {
    context.setTextEngine(std::make_shared<PangoTextEngine>());
}

}  // namespace arquorel::cairo
