#include "arquorel/platform/drawing/TextLayout.h"

#include <cmath>

namespace arquorel {

namespace {

const std::string kEllipsis = "\u2026";

struct Glyph {
    std::string bytes;
    char32_t code;
    double width;  // in points
};

// Widths are compared with this much room, so that sums of widths that land a rounding step
// beyond the limit still fit.
constexpr double kFitTolerance = 1e-9;

// Decodes UTF-8; a byte that starts no valid sequence becomes U+FFFD.
std::vector<std::pair<std::string, char32_t>> decode(std::string_view text) {
    std::vector<std::pair<std::string, char32_t>> out;
    std::size_t i = 0;
    while (i < text.size()) {
        const auto b = static_cast<unsigned char>(text[i]);
        int length = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
        char32_t code = length == 1 ? b : length == 2 ? b & 0x1F : length == 3 ? b & 0x0F : b & 7;
        bool valid = length > 0 && i + length <= text.size();
        for (int k = 1; valid && k < length; ++k) {
            const auto c = static_cast<unsigned char>(text[i + k]);
            valid = (c >> 6) == 2;
            code = (code << 6) | (c & 0x3F);
        }
        if (valid && ((length == 2 && code < 0x80) || (length == 3 && code < 0x800) ||
                      (length == 4 && (code < 0x10000 || code > 0x10FFFF)) ||
                      (code >= 0xD800 && code <= 0xDFFF)))
            valid = false;
        if (!valid) {
            out.emplace_back("\uFFFD", 0xFFFD);
            ++i;
            continue;
        }
        out.emplace_back(std::string(text.substr(i, length)), code);
        i += length;
    }
    return out;
}

double emWidth(char32_t c) {
    if ((c >= 0x300 && c <= 0x36F) || c == 0x200D || (c >= 0xFE00 && c <= 0xFE0F)) return 0;
    if ((c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) ||
        (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
        (c >= 0xFF00 && c <= 0xFF60) || c >= 0x1F000)
        return 1.2;
    return 0.6;
}

bool isRightToLeftChar(char32_t c) {
    return (c >= 0x590 && c <= 0x8FF) || (c >= 0xFB1D && c <= 0xFDFF) ||
           (c >= 0xFE70 && c <= 0xFEFF);
}

bool isLeftToRightChar(char32_t c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= 0xC0 && c <= 0x24F) ||
           (c >= 0x370 && c <= 0x52F);
}

using Run = std::vector<Glyph>;

double width(const Run& run, std::size_t from, std::size_t to) {
    double w = 0;
    for (std::size_t i = from; i < to; ++i) w += run[i].width;
    return w;
}

std::string join(const Run& run, std::size_t from, std::size_t to) {
    std::string s;
    for (std::size_t i = from; i < to; ++i) s += run[i].bytes;
    return s;
}

std::string trimRight(std::string s) {
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

std::string trimLeft(std::string s) {
    return s.substr(std::min(s.find_first_not_of(' '), s.size()));
}

// Cuts a run to `limit` points with an ellipsis (`ellipsisWidth` wide) at the head, middle or
// tail (or none for clip).
std::string truncate(const Run& run, double limit, LineBreakMode mode, double ellipsisWidth) {
    const double ellipsis = mode == LineBreakMode::clip ? 0 : ellipsisWidth;
    const double room = limit - ellipsis;
    std::size_t head = 0, tail = run.size();
    double used = 0;
    if (mode == LineBreakMode::truncateHead) {
        while (tail > 0 && used + run[tail - 1].width <= room) used += run[--tail].width;
        return kEllipsis + trimLeft(join(run, tail, run.size()));
    }
    if (mode == LineBreakMode::truncateMiddle) {
        bool front = true;
        for (;;) {
            if (front && head < tail && used + run[head].width <= room / 2 + kFitTolerance) {
                used += run[head++].width;
            } else if (!front && tail > head && used + run[tail - 1].width <= room) {
                used += run[--tail].width;
            } else if (front) {
                front = false;
            } else {
                break;
            }
        }
        return trimRight(join(run, 0, head)) + kEllipsis + trimLeft(join(run, tail, run.size()));
    }
    while (head < run.size() && used + run[head].width <= room + kFitTolerance)
        used += run[head++].width;
    if (mode == LineBreakMode::clip) return join(run, 0, head);
    return trimRight(join(run, 0, head)) + kEllipsis;
}

// Greedy wrapping: break after the last space that fits, or inside a word that alone is too
// wide (always at characters for charWrap). Returns [begin, end) index pairs; spaces at a
// break are dropped.
std::vector<std::pair<std::size_t, std::size_t>> wrap(const Run& run, double limit, bool atWords) {
    std::vector<std::pair<std::size_t, std::size_t>> lines;
    std::size_t begin = 0;
    while (begin < run.size()) {
        std::size_t end = begin;
        double used = 0;
        while (end < run.size() && (end == begin || used + run[end].width <= limit + kFitTolerance))
            used += run[end++].width;
        if (end < run.size() && atWords) {
            std::size_t space = end;
            while (space > begin && run[space].code != ' ') --space;
            if (space > begin) end = space;
        }
        lines.emplace_back(begin, end);
        begin = end;
        while (begin < run.size() && run[begin].code == ' ') ++begin;
    }
    if (lines.empty()) lines.emplace_back(0, 0);
    return lines;
}

}  // namespace

TextLayout::TextLayout(std::string text, TextStyle style, double maxWidth, Size size,
                       std::vector<TextLine> lines, bool truncated, bool rightToLeft)
    : text_(std::move(text)),
      style_(std::move(style)),
      maxWidth_(maxWidth),
      size_(size),
      lines_(std::move(lines)),
      truncated_(truncated),
      rightToLeft_(rightToLeft) {}

std::shared_ptr<const TextLayout> layoutWithMetrics(std::string_view text, const TextStyle& style,
                                                    double maxWidth, const TextMetrics& metrics) {
    const double em = std::isfinite(style.fontSize) && style.fontSize > 0 ? style.fontSize : 0;
    const bool wraps = std::isfinite(maxWidth) && maxWidth > 0 && em > 0;
    const double limit = wraps ? maxWidth : kUnlimitedWidth;

    std::vector<Run> paragraphs(1);
    bool rightToLeft = false, directionKnown = false;
    for (auto& [bytes, code] : decode(text)) {
        if (code == '\n') {
            paragraphs.emplace_back();
            continue;
        }
        if (!directionKnown && (isRightToLeftChar(code) || isLeftToRightChar(code))) {
            rightToLeft = isRightToLeftChar(code);
            directionKnown = true;
        }
        const double advance = metrics.advance(code, bytes);
        paragraphs.back().push_back({bytes, code, advance});
    }
    const double ellipsis = metrics.advance(0x2026, kEllipsis);

    const LineBreakMode mode = style.lineBreak;
    const bool truncating = mode != LineBreakMode::wordWrap && mode != LineBreakMode::charWrap;
    std::vector<std::string> texts;
    bool truncated = false;
    const auto maxLines = static_cast<std::size_t>(std::max(0, style.maxLines));
    for (const Run& run : paragraphs) {
        if (maxLines > 0 && texts.size() >= maxLines) {
            truncated = true;
            break;
        }
        if (!wraps || (truncating && maxLines == 1)) {
            const bool fits = width(run, 0, run.size()) <= limit + kFitTolerance;
            texts.push_back(fits ? join(run, 0, run.size()) : truncate(run, limit, mode, ellipsis));
            truncated |= !fits;
            continue;
        }
        const auto spans = wrap(run, limit, mode != LineBreakMode::charWrap);
        for (std::size_t i = 0; i < spans.size(); ++i) {
            if (maxLines > 0 && texts.size() + 1 == maxLines && i + 1 < spans.size()) {
                // The last allowed line takes the rest of the paragraph, cut at its end.
                const Run rest(run.begin() + static_cast<std::ptrdiff_t>(spans[i].first),
                               run.end());
                texts.push_back(
                    truncating
                        ? truncate(rest, limit,
                                   mode == LineBreakMode::clip ? mode : LineBreakMode::truncateTail,
                                   ellipsis)
                        : join(run, spans[i].first, spans[i].second));
                truncated = true;
                break;
            }
            texts.push_back(join(run, spans[i].first, spans[i].second));
        }
    }

    const double lineHeight = metrics.lineHeight;
    Size size{0, lineHeight * static_cast<double>(texts.size())};
    std::vector<TextLine> lines;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        double w = 0;
        if (metrics.lineWidth) {
            w = metrics.lineWidth(texts[i]);
        } else {
            for (auto& [bytes, code] : decode(texts[i])) w += metrics.advance(code, bytes);
        }
        size.width = std::max(size.width, w);
        lines.push_back({texts[i], Rect{0, lineHeight * double(i), w, lineHeight},
                         lineHeight * double(i) + metrics.ascent});
    }
    const double boxWidth = wraps ? maxWidth : size.width;
    TextAlignment align = style.alignment;
    if (align == TextAlignment::natural)
        align = rightToLeft ? TextAlignment::right : TextAlignment::left;
    for (TextLine& line : lines) {
        if (align == TextAlignment::center)
            line.frame.origin.x = (boxWidth - line.frame.width()) / 2;
        else if (align == TextAlignment::right)
            line.frame.origin.x = boxWidth - line.frame.width();
    }
    return std::make_shared<TextLayout>(std::string(text), style,
                                        wraps ? maxWidth : kUnlimitedWidth, size, std::move(lines),
                                        truncated, rightToLeft);
}

std::shared_ptr<const TextLayout> EstimatingTextEngine::layout(std::string_view text,
                                                               const TextStyle& style,
                                                               double maxWidth) {
    const double em = std::isfinite(style.fontSize) && style.fontSize > 0 ? style.fontSize : 0;
    TextMetrics metrics;
    metrics.advance = [em](char32_t code, std::string_view) { return emWidth(code) * em; };
    metrics.lineHeight = em * 1.2;
    metrics.ascent = em * 0.95;
    return layoutWithMetrics(text, style, maxWidth, metrics);
}

}  // namespace arquorel
