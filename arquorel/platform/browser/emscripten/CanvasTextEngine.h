#pragma once
// Text measured with the bundled fonts' own metrics (FontMetricsTable: line heights, baselines,
// advances and kerning read from the font files), broken into lines by the shared rules of
// layoutWithMetrics, so that text takes the same room in every browser engine as natively.
// Characters outside the table, and fonts that are not bundled, are measured by the page's
// canvas; its answers are kept.

#include <map>
#include <string>
#include <unordered_map>

#include "arquorel/platform/browser/FontMetricsTable.h"
#include "arquorel/platform/drawing/TextLayout.h"

namespace arquorel::browser {

class CanvasTextEngine final : public TextEngine {
  public:
    std::shared_ptr<const TextLayout> layout(std::string_view text, const TextStyle& style,
                                             double maxWidth = kUnlimitedWidth) override;

  private:
    struct FontInfo {
        const FontFaceMetrics* face = nullptr;  // none: the canvas measures everything
        double size = 0;
        double ascent = 0;
        double lineHeight = 0;
        std::unordered_map<char32_t, double> advances;
        std::unordered_map<std::string, double> lines;
    };
    FontInfo& font(const std::string& css, const TextStyle& style);

    std::map<std::string, FontInfo> fonts_;
};

}  // namespace arquorel::browser
