#include "arquorel/platform/drawing/cairo/PangoTextEngine.h"

#include <pango/pangocairo.h>

#include <cmath>
#include <string>

#include "arquorel/platform/drawing/cairo/PinnedFonts.h"

namespace arquorel::cairo {

namespace {

const std::string kEllipsis = "\u2026";
constexpr double kEpsilon = 1e-6;

// Valid UTF-8 with one kind of line break ("\n").
std::string normalise(std::string_view text) {
    gchar* valid = g_utf8_make_valid(text.data(), static_cast<gssize>(text.size()));
    std::string in(valid);
    g_free(valid);
    std::string out;
    out.reserve(in.size());
    for (std::size_t i = 0; i < in.size(); ++i) {
        if (in[i] == '\r') {
            if (i + 1 < in.size() && in[i + 1] == '\n') ++i;
            out += '\n';
        } else if (in.compare(i, 3, "\u2028") == 0 || in.compare(i, 3, "\u2029") == 0) {
            out += '\n';
            i += 2;
        } else {
            out += in[i];
        }
    }
    return out;
}

PangoWeight pangoWeight(FontWeight weight) {
    switch (weight) {
        case FontWeight::regular:
            return PANGO_WEIGHT_NORMAL;
        case FontWeight::medium:
            return PANGO_WEIGHT_MEDIUM;
        case FontWeight::semibold:
            return PANGO_WEIGHT_SEMIBOLD;
        case FontWeight::bold:
            return PANGO_WEIGHT_BOLD;
    }
    return PANGO_WEIGHT_NORMAL;
}

std::string trimRight(std::string s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.pop_back();
    return s;
}

std::string trimLeft(std::string s) {
    std::size_t n = 0;
    while (n < s.size() && (s[n] == ' ' || s[n] == '\t')) ++n;
    return s.substr(n);
}

// A Pango layout with one font and helpers to measure single lines and wrap paragraphs.
class Scratch {
  public:
    Scratch(PangoContext* context, const TextStyle& style) : layout_(pango_layout_new(context)) {
        PangoFontDescription* font = pango_font_description_new();
        pango_font_description_set_family(font, style.fontFamily.c_str());
        pango_font_description_set_weight(font, pangoWeight(style.weight));
        pango_font_description_set_style(font,
                                         style.italic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
        pango_font_description_set_absolute_size(font, style.fontSize * PANGO_SCALE);
        pango_layout_set_font_description(layout_, font);
        pango_font_description_free(font);
    }
    ~Scratch() { g_object_unref(layout_); }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;

    PangoLayout* take() {
        g_object_ref(layout_);
        return layout_;
    }

    double width(const std::string& line) {
        pango_layout_set_width(layout_, -1);
        pango_layout_set_text(layout_, line.data(), static_cast<int>(line.size()));
        PangoRectangle logical;
        pango_layout_get_extents(layout_, nullptr, &logical);
        return logical.width / double(PANGO_SCALE);
    }

    // Byte offsets where a cut may fall (cursor positions), from 0 to the end.
    std::vector<std::size_t> cuts(const std::string& text) {
        pango_layout_set_width(layout_, -1);
        pango_layout_set_text(layout_, text.data(), static_cast<int>(text.size()));
        int count = 0;
        const PangoLogAttr* attrs = pango_layout_get_log_attrs_readonly(layout_, &count);
        std::vector<std::size_t> out;
        const char* p = text.c_str();
        for (int i = 0; i < count; ++i) {
            if (attrs[i].is_cursor_position)
                out.push_back(static_cast<std::size_t>(p - text.c_str()));
            if (*p) p = g_utf8_next_char(p);
        }
        if (out.empty() || out.back() != text.size()) out.push_back(text.size());
        return out;
    }

    // One paragraph wrapped at `maxWidth`: each line's start and the line texts.
    std::vector<std::pair<std::size_t, std::string>> wrap(const std::string& paragraph,
                                                          double maxWidth, bool atWords) {
        pango_layout_set_text(layout_, paragraph.data(), static_cast<int>(paragraph.size()));
        pango_layout_set_width(layout_, static_cast<int>(maxWidth * PANGO_SCALE));
        pango_layout_set_wrap(layout_, atWords ? PANGO_WRAP_WORD_CHAR : PANGO_WRAP_CHAR);
        std::vector<std::pair<std::size_t, std::string>> lines;
        for (GSList* l = pango_layout_get_lines_readonly(layout_); l; l = l->next) {
            const auto* line = static_cast<PangoLayoutLine*>(l->data);
            const auto start = static_cast<std::size_t>(line->start_index);
            lines.emplace_back(start, trimRight(paragraph.substr(start, line->length)));
        }
        pango_layout_set_width(layout_, -1);
        return lines;
    }

    // The text cut to fit `limit` points with an ellipsis at the head, middle or tail.
    std::string truncate(const std::string& text, double limit, LineBreakMode mode) {
        const auto at = cuts(text);
        const std::size_t n = at.size() - 1;  // cuttable units
        auto candidate = [&](std::size_t keep) {
            if (mode == LineBreakMode::truncateHead)
                return kEllipsis + trimLeft(text.substr(at[n - keep]));
            if (mode == LineBreakMode::truncateMiddle) {
                const std::size_t head = (keep + 1) / 2, tail = keep / 2;
                return trimRight(text.substr(0, at[head])) + kEllipsis +
                       trimLeft(text.substr(at[n - tail]));
            }
            return trimRight(text.substr(0, at[keep])) + kEllipsis;
        };
        // The most units kept whose candidate fits (a lone ellipsis when nothing does).
        std::size_t low = 0, high = n;
        while (low < high) {
            const std::size_t mid = (low + high + 1) / 2;
            if (width(candidate(mid)) <= limit + kEpsilon)
                low = mid;
            else
                high = mid - 1;
        }
        return candidate(low);
    }

  private:
    PangoLayout* layout_;
};

}  // namespace

PangoTextLayout::PangoTextLayout(std::string text, TextStyle style, double maxWidth, Size size,
                                 std::vector<TextLine> lines, bool truncated, bool rightToLeft,
                                 PangoLayout* layout, std::vector<double> lineShift,
                                 bool clipToWidth)
    : TextLayout(std::move(text), std::move(style), maxWidth, size, std::move(lines), truncated,
                 rightToLeft),
      layout_(layout),
      lineShift_(std::move(lineShift)),
      clipToWidth_(clipToWidth) {
    g_object_ref(layout_);
}

PangoTextLayout::~PangoTextLayout() {
    g_object_unref(layout_);
}

PangoTextEngine::PangoTextEngine() = default;

PangoTextEngine::~PangoTextEngine() {
    if (context_) g_object_unref(context_);
}

std::shared_ptr<const TextLayout> PangoTextEngine::layout(std::string_view input,
                                                          const TextStyle& style, double maxWidth) {
    if (!(style.fontSize > 0) || !std::isfinite(style.fontSize) || style.fontSize > 10000)
        return EstimatingTextEngine().layout(input, style, maxWidth);
    const std::string text = normalise(input);
    const bool wraps = std::isfinite(maxWidth) && maxWidth > 0;
    const LineBreakMode mode = style.lineBreak;
    const bool truncating = mode != LineBreakMode::wordWrap && mode != LineBreakMode::charWrap;
    const auto maxLines = static_cast<std::size_t>(std::max(0, style.maxLines));

    if (!context_) context_ = newPinnedContext();  // fonts are read on first use
    Scratch scratch(context_, style);
    std::vector<std::string> shown;
    bool truncated = false, clip = false;
    std::size_t from = 0;
    for (bool more = true; more;) {
        const std::size_t end = text.find('\n', from);
        more = end != std::string::npos;
        const std::string paragraph = text.substr(from, more ? end - from : std::string::npos);
        from = end + 1;
        if (maxLines > 0 && shown.size() >= maxLines) {
            truncated = true;
            break;
        }
        if (!wraps || (truncating && maxLines == 1)) {
            if (wraps && scratch.width(paragraph) > maxWidth + kEpsilon) {
                truncated = true;
                clip |= mode == LineBreakMode::clip;
                shown.push_back(mode == LineBreakMode::clip
                                    ? paragraph
                                    : scratch.truncate(paragraph, maxWidth, mode));
            } else {
                shown.push_back(paragraph);
            }
            continue;
        }
        const auto lines = scratch.wrap(paragraph, maxWidth, mode != LineBreakMode::charWrap);
        for (std::size_t i = 0; i < lines.size(); ++i) {
            if (maxLines > 0 && shown.size() + 1 == maxLines && i + 1 < lines.size()) {
                // The last allowed line takes the rest of the paragraph, cut at its end.
                const bool ellipsis = truncating && mode != LineBreakMode::clip;
                shown.push_back(ellipsis ? scratch.truncate(paragraph.substr(lines[i].first),
                                                            maxWidth, LineBreakMode::truncateTail)
                                         : lines[i].second);
                truncated = true;
                break;
            }
            shown.push_back(lines[i].second);
        }
    }

    std::string joined;
    for (std::size_t i = 0; i < shown.size(); ++i) joined += (i ? "\n" : "") + shown[i];
    PangoLayout* layout = scratch.take();
    pango_layout_set_width(layout, -1);
    pango_layout_set_text(layout, joined.data(), static_cast<int>(joined.size()));
    // The direction of the first paragraph, from its first strong character.
    PangoLayoutLine* first = pango_layout_get_line_readonly(layout, 0);
    const bool rightToLeft = first && first->resolved_dir == PANGO_DIRECTION_RTL;

    std::vector<TextLine> lines;
    std::vector<double> shift;
    Size size;
    PangoLayoutIter* iter = pango_layout_get_iter(layout);
    do {
        PangoLayoutLine* line = pango_layout_iter_get_line_readonly(iter);
        PangoRectangle logical;
        pango_layout_line_get_extents(line, nullptr, &logical);
        int top = 0, bottom = 0;
        pango_layout_iter_get_line_yrange(iter, &top, &bottom);
        const double width = logical.width / double(PANGO_SCALE);
        const double shown_width = clip && wraps ? std::min(width, maxWidth) : width;
        TextLine out;
        out.text = joined.substr(static_cast<std::size_t>(line->start_index),
                                 static_cast<std::size_t>(line->length));
        out.frame = {0, top / double(PANGO_SCALE), shown_width,
                     (bottom - top) / double(PANGO_SCALE)};
        out.baseline = pango_layout_iter_get_baseline(iter) / double(PANGO_SCALE);
        size.width = std::max(size.width, shown_width);
        size.height = std::max(size.height, bottom / double(PANGO_SCALE));
        shift.push_back(logical.x / double(PANGO_SCALE));
        lines.push_back(std::move(out));
    } while (pango_layout_iter_next_line(iter));
    pango_layout_iter_free(iter);

    const double box = wraps ? maxWidth : size.width;
    TextAlignment align = style.alignment;
    if (align == TextAlignment::natural)
        align = rightToLeft ? TextAlignment::right : TextAlignment::left;
    for (TextLine& line : lines) {
        if (align == TextAlignment::center)
            line.frame.origin.x = (box - line.frame.width()) / 2;
        else if (align == TextAlignment::right)
            line.frame.origin.x = box - line.frame.width();
    }
    auto result = std::make_shared<PangoTextLayout>(
        std::string(input), style, wraps ? maxWidth : kUnlimitedWidth, size, std::move(lines),
        truncated, rightToLeft, layout, std::move(shift), clip && wraps);
    g_object_unref(layout);
    return result;
}

}  // namespace arquorel::cairo
