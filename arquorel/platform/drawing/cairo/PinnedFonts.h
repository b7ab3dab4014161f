#pragma once
// The fonts every picture and measurement uses, whatever the machine has installed: DejaVu
// (fonts-dejavu-core) with Noto Color Emoji (fonts-noto-color-emoji) as fallback, loaded into
// a private font configuration, with fixed font options (no hinting, grayscale antialiasing,
// unhinted metrics) so that sizes do not depend on the output scale.

#include <string>
#include <vector>

typedef struct _PangoContext PangoContext;
typedef struct _PangoFontMap PangoFontMap;

namespace arquorel::cairo {

// The font files of the private configuration.
const std::vector<std::string>& pinnedFontFiles();
// The process-wide font map over the pinned fonts (made on first use; writes one console line
// naming the font files that are missing).
PangoFontMap* pinnedFontMap();
// A new Pango context on the pinned font map with the fixed font options (caller unrefs).
PangoContext* newPinnedContext();

}  // namespace arquorel::cairo
