#pragma once
// Text measurement and layout. A TextEngine turns a text, a style and a wrapping width into
// an immutable TextLayout; the same layout answers "how big is it" and is what a Painter
// draws, so what is drawn is exactly the lines that were measured.
//
// The installed engine is platformContext().textEngine(). Without a drawing backend it is an
// estimating engine (every character half an em wide, lines 1.2 em high), so measuring code
// works everywhere; the Cairo backend installs a Pango engine with pinned fonts.

#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "arquorel/platform/geometry/Color.h"
#include "arquorel/platform/geometry/Geometry.h"

namespace arquorel {

enum class FontWeight { regular, medium, semibold, bold };
enum class TextAlignment { left, center, right, natural };

// What happens to text that does not fit: wrap at words or characters, or keep one line per
// paragraph and cut it (with an ellipsis at the head, middle or tail, or without one).
enum class LineBreakMode { wordWrap, charWrap, clip, truncateHead, truncateTail, truncateMiddle };

struct TextStyle {
    std::string fontFamily = "DejaVu Sans";
    double fontSize = 17;  // points
    FontWeight weight = FontWeight::regular;
    bool italic = false;
    Color color = Color::black();
    TextAlignment alignment = TextAlignment::natural;
    int maxLines = 1;  // 0: as many as the text needs
    LineBreakMode lineBreak = LineBreakMode::truncateTail;
    friend bool operator==(const TextStyle&, const TextStyle&) = default;
};

struct TextLine {
    std::string text;     // the characters shown on the line, with an ellipsis if one was added
    Rect frame;           // in layout coordinates, already placed by the alignment
    double baseline = 0;  // from the top of the layout
    friend bool operator==(const TextLine&, const TextLine&) = default;
};

inline constexpr double kUnlimitedWidth = std::numeric_limits<double>::infinity();

class TextLayout {
  public:
    TextLayout(std::string text, TextStyle style, double maxWidth, Size size,
               std::vector<TextLine> lines, bool truncated, bool rightToLeft = false);
    virtual ~TextLayout() = default;
    TextLayout(const TextLayout&) = delete;
    TextLayout& operator=(const TextLayout&) = delete;

    const std::string& text() const { return text_; }
    const TextStyle& style() const { return style_; }
    // The wrapping width it was made for (kUnlimitedWidth: none).
    double maxWidth() const { return maxWidth_; }
    // The size the text takes: the widest line and the height of all lines.
    Size size() const { return size_; }
    const std::vector<TextLine>& lines() const { return lines_; }
    // Some text was left out (line limit or truncation).
    bool isTruncated() const { return truncated_; }
    // The first strong character is right-to-left (Arabic, Hebrew...).
    bool isRightToLeft() const { return rightToLeft_; }

  private:
    std::string text_;
    TextStyle style_;
    double maxWidth_;
    Size size_;
    std::vector<TextLine> lines_;
    bool truncated_;
    bool rightToLeft_;
};

class TextEngine {
  public:
    virtual ~TextEngine() = default;
    // Lays `text` out in `style`; lines wrap at `maxWidth` points (kUnlimitedWidth, zero, a
    // negative value or NaN: no wrapping). Never fails: invalid UTF-8 is shown as replacement
    // characters. Newlines start new paragraphs.
    virtual std::shared_ptr<const TextLayout> layout(std::string_view text, const TextStyle& style,
                                                     double maxWidth = kUnlimitedWidth) = 0;
};

// What a text engine knows of a font for the shared line-breaking rules of layoutWithMetrics:
// the advance of each character in points, optionally the width of a whole line (with kerning
// and shaping; otherwise the sum of its advances), the line height and the baseline's depth
// below the top of a line.
struct TextMetrics {
    std::function<double(char32_t code, std::string_view utf8)> advance;
    std::function<double(std::string_view line)> lineWidth;
    double lineHeight = 0;
    double ascent = 0;
};

// Lays text out by the rules every engine shares (paragraphs at newlines, greedy wrapping at
// spaces or characters, line limits, truncation with an ellipsis at the head, middle or tail,
// alignment, the direction of the first strong character) on the given metrics.
std::shared_ptr<const TextLayout> layoutWithMetrics(std::string_view text, const TextStyle& style,
                                                    double maxWidth, const TextMetrics& metrics);

// The engine used without a drawing backend: a monospace estimate that wraps and truncates by
// the same rules as a real engine. Good for sizes, not for pictures.
class EstimatingTextEngine final : public TextEngine {
  public:
    std::shared_ptr<const TextLayout> layout(std::string_view text, const TextStyle& style,
                                             double maxWidth = kUnlimitedWidth) override;
};

}  // namespace arquorel
