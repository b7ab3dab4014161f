#pragma once
// Text layout with Pango on the pinned fonts: wrapping at words (or characters), truncation
// with an ellipsis at the tail, head or middle, right-to-left scripts, emoji from the colour
// emoji font. The layout keeps the Pango layout of exactly the lines it reports, which is
// what CairoCanvas draws.

#include <memory>
#include <vector>

#include "arquorel/platform/drawing/TextLayout.h"

typedef struct _PangoContext PangoContext;
typedef struct _PangoLayout PangoLayout;

namespace arquorel::cairo {

class PangoTextLayout final : public TextLayout {
  public:
    // Takes a reference to `layout`. `lineShift[i]` is what moves line i's Pango origin to its
    // frame's left edge; with `clipToWidth` lines are cut at maxWidth() when drawn.
    PangoTextLayout(std::string text, TextStyle style, double maxWidth, Size size,
                    std::vector<TextLine> lines, bool truncated, bool rightToLeft,
                    PangoLayout* layout, std::vector<double> lineShift, bool clipToWidth);
    ~PangoTextLayout() override;

    PangoLayout* pangoLayout() const { return layout_; }
    double lineShift(std::size_t line) const { return lineShift_.at(line); }
    bool clipsToWidth() const { return clipToWidth_; }

  private:
    PangoLayout* layout_;
    std::vector<double> lineShift_;
    bool clipToWidth_;
};

class PangoTextEngine final : public TextEngine {
  public:
    PangoTextEngine();
    ~PangoTextEngine() override;
    PangoTextEngine(const PangoTextEngine&) = delete;
    PangoTextEngine& operator=(const PangoTextEngine&) = delete;

    std::shared_ptr<const TextLayout> layout(std::string_view text, const TextStyle& style,
                                             double maxWidth = kUnlimitedWidth) override;

  private:
    PangoContext* context_ = nullptr;
};

}  // namespace arquorel::cairo
