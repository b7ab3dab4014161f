#include "arquorel/platform/browser/emscripten/CanvasTextEngine.h"

#include <emscripten.h>

#include <cmath>

#include "arquorel/platform/browser/CanvasCommands.h"

EM_JS(double, arq_js_text_width, (const char* font, const char* text),
      { return ARQ.textWidth(UTF8ToString(font), UTF8ToString(text)); });
EM_JS(double, arq_js_font_ascent, (const char* font),
      { return ARQ.fontAscent(UTF8ToString(font)); });
EM_JS(double, arq_js_font_descent, (const char* font),
      { return ARQ.fontDescent(UTF8ToString(font)); });

namespace arquorel::browser {

namespace {
// Lines kept per font before the cache starts afresh (texts of cards change with distances).
constexpr std::size_t kMaxCachedLines = 4096;
}  // namespace

CanvasTextEngine::FontInfo& CanvasTextEngine::font(const std::string& css, const TextStyle& style) {
    auto it = fonts_.find(css);
    if (it != fonts_.end()) return it->second;
    FontInfo info;
    info.face = faceFor(bundledFontFaces(), style);
    info.size = std::isfinite(style.fontSize) && style.fontSize > 0 ? style.fontSize : 0;
    if (info.face) {
        const double scale = info.size / info.face->unitsPerEm;
        info.ascent = info.face->ascent * scale;
        info.lineHeight = (info.face->ascent + info.face->descent) * scale;
    } else {
        info.ascent = arq_js_font_ascent(css.c_str());
        info.lineHeight = info.ascent + arq_js_font_descent(css.c_str());
    }
    return fonts_.emplace(css, std::move(info)).first->second;
}

std::shared_ptr<const TextLayout> CanvasTextEngine::layout(std::string_view text,
                                                           const TextStyle& style,
                                                           double maxWidth) {
    const std::string css = cssFont(style);
    FontInfo& info = font(css, style);
    TextMetrics metrics;
    metrics.lineHeight = info.lineHeight;
    metrics.ascent = info.ascent;
    metrics.advance = [&info, &css](char32_t code, std::string_view utf8) {
        if (info.face)
            if (const auto advance = advanceOf(*info.face, code, info.size)) return *advance;
        auto it = info.advances.find(code);
        if (it != info.advances.end()) return it->second;
        const std::string glyph(utf8);
        const double width = arq_js_text_width(css.c_str(), glyph.c_str());
        info.advances.emplace(code, width);
        return width;
    };
    metrics.lineWidth = [&info, &css](std::string_view line) {
        if (info.face)
            if (const auto width = lineWidthOf(*info.face, line, info.size)) return *width;
        std::string key(line);
        auto it = info.lines.find(key);
        if (it != info.lines.end()) return it->second;
        if (info.lines.size() >= kMaxCachedLines) info.lines.clear();
        const double width = arq_js_text_width(css.c_str(), key.c_str());
        info.lines.emplace(std::move(key), width);
        return width;
    };
    return layoutWithMetrics(text, style, maxWidth, metrics);
}

}  // namespace arquorel::browser
