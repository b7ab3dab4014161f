#pragma once
// Text measured by the page's canvas in the bundled web fonts (loaded before the product
// starts), broken into lines by the shared rules of layoutWithMetrics. Advances of single
// characters, widths of whole lines and the fonts' line heights are asked of the canvas once
// and kept.

#include <map>
#include <string>
#include <unordered_map>

#include "arquorel/platform/drawing/TextLayout.h"

namespace arquorel::browser {

class CanvasTextEngine final : public TextEngine {
  public:
    std::shared_ptr<const TextLayout> layout(std::string_view text, const TextStyle& style,
                                             double maxWidth = kUnlimitedWidth) override;

  private:
    struct FontInfo {
        double ascent = 0;
        double lineHeight = 0;
        std::unordered_map<char32_t, double> advances;
        std::unordered_map<std::string, double> lines;
    };
    FontInfo& font(const std::string& css);

    std::map<std::string, FontInfo> fonts_;
};

}  // namespace arquorel::browser
