#pragma once
// Text on screen: one font, colour and alignment, a number of lines (0: as many as needed) and
// what happens to text that does not fit. Measuring and drawing share one text layout from the
// platform's text engine, so the drawn lines are exactly the measured ones. The text sits
// vertically centred in the bounds; lines that do not fit the height are left out, the last
// shown one cut by the line-break mode. Labels take no touches by default.

#include <memory>
#include <string>

#include "arquorel/platform/drawing/TextLayout.h"
#include "arquorel/platform/ui/Font.h"
#include "arquorel/platform/ui/View.h"

namespace arquorel {

class Label : public View {
  public:
    explicit Label(Rect frame = {}, std::string text = {});

    const std::string& text() const { return text_; }
    void setText(std::string text);
    const Font& font() const { return font_; }
    void setFont(Font font);
    const Color& textColor() const { return textColor_; }
    void setTextColor(const Color& color);
    TextAlignment textAlignment() const { return alignment_; }
    void setTextAlignment(TextAlignment alignment) {
        alignment_ = alignment;
        setNeedsDisplay();
    }
    int numberOfLines() const { return numberOfLines_; }
    // Negative counts are taken as 0 (no limit).
    void setNumberOfLines(int lines) {
        numberOfLines_ = lines < 0 ? 0 : lines;
        setNeedsDisplay();
    }
    LineBreakMode lineBreakMode() const { return lineBreakMode_; }
    void setLineBreakMode(LineBreakMode mode) {
        lineBreakMode_ = mode;
        setNeedsDisplay();
    }

    // The size the text needs when lines may be at most `size.width` wide (0, negative or
    // infinite: no limit), rounded up to whole points; zero for an empty text.
    Size sizeThatFits(Size size) const;
    // Keeps the origin, takes the size the text needs without a width limit (with the current
    // width when several lines are allowed and the label has a width).
    void sizeToFit();
    // The layout drawn in the current bounds.
    std::shared_ptr<const TextLayout> textLayout() const;

    void draw(Painter& painter) const override;
    void describe(ViewDescription& description) const override;
    // Static text reading its text; not an element while empty.
    AccessibilityDefaults accessibilityDefaults() const override;

  protected:
    TextStyle textStyle() const;

  private:
    std::shared_ptr<const TextLayout> layoutIn(Size box) const;

    std::string text_;
    Font font_ = Font::system(17);
    Color textColor_ = Color::black();
    TextAlignment alignment_ = TextAlignment::natural;
    int numberOfLines_ = 1;
    LineBreakMode lineBreakMode_ = LineBreakMode::truncateTail;
    // The last layout made for the bounds, and what it was made from.
    mutable std::shared_ptr<const TextLayout> cache_;
    mutable Size cacheBox_;
    mutable std::string cacheText_;
    mutable TextStyle cacheStyle_;
    mutable const TextEngine* cacheEngine_ = nullptr;
};

}  // namespace arquorel
