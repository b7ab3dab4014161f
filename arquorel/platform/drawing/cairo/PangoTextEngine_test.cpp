#include "arquorel/platform/drawing/cairo/PangoTextEngine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "arquorel/platform/drawing/cairo/CairoCanvas.h"
#include "arquorel/platform/runtime/PlatformContext.h"
#include "sim/device/SimPlatform.h"

namespace arquorel::cairo {
namespace {

std::vector<std::string> texts(const TextLayout& layout) {
    std::vector<std::string> out;
    for (const auto& line : layout.lines()) out.push_back(line.text);
    return out;
}

TEST(PangoTextEngineTest, FontsArePinned) {
    sim::SimPlatform device;  // installs this engine
    auto& engine = platformContext().textEngine();
    ASSERT_NE(dynamic_cast<PangoTextEngine*>(&engine), nullptr);
    // DejaVu Sans at 17 points, unhinted: the same numbers on every machine.
    const auto hello = engine.layout("Hello", TextStyle{});
    EXPECT_NEAR(hello->size().width, 43.09, 0.01);
    EXPECT_NEAR(hello->size().height, 19.79, 0.01);
    EXPECT_NEAR(hello->lines()[0].baseline, 15.78, 0.01);
    TextStyle bold;
    bold.weight = FontWeight::bold;
    EXPECT_GT(engine.layout("Hello", bold)->size().width, hello->size().width);
    // The colour emoji font is scaled to the text size, not drawn at its bitmap size.
    const auto emoji = engine.layout("Pizza \U0001F355", TextStyle{});
    EXPECT_LT(emoji->size().height, 22);
    EXPECT_GT(emoji->size().width, engine.layout("Pizza ", TextStyle{})->size().width + 10);
}

TEST(PangoTextEngineTest, WrapsAndTruncatesWithinTheWidth) {
    sim::SimPlatform device;
    PangoTextEngine engine;
    using L = std::vector<std::string>;
    const std::string name = "Casino de Monte-Carlo";
    const struct {
        int maxLines;
        LineBreakMode mode;
        std::string text;
        L lines;
        bool truncated;
    } cases[] = {
        {1, LineBreakMode::truncateTail, name, {"Casino d…"}, true},
        {1, LineBreakMode::truncateHead, name, {"…nte-Carlo"}, true},
        {1, LineBreakMode::truncateMiddle, name, {"Casin…arlo"}, true},
        {1, LineBreakMode::clip, name, {name}, true},
        {0, LineBreakMode::wordWrap, name, {"Casino de", "Monte-", "Carlo"}, false},
        {2, LineBreakMode::truncateTail, name + " et le jardin", {"Casino de", "Monte-Ca…"}, true},
        {2, LineBreakMode::wordWrap, name, {"Casino de", "Monte-"}, true},
        {0, LineBreakMode::wordWrap, "a\r\nb\rc", {"a", "b", "c"}, false},
        {1, LineBreakMode::truncateTail, "\xff\xfeok", {"\uFFFD\uFFFDok"}, false},
        {1, LineBreakMode::truncateTail, "", {""}, false},
    };
    TextStyle style;
    for (const auto& c : cases) {
        style.maxLines = c.maxLines;
        style.lineBreak = c.mode;
        const auto layout = engine.layout(c.text, style, 100);
        EXPECT_EQ(texts(*layout), c.lines) << c.text;
        EXPECT_EQ(layout->isTruncated(), c.truncated) << c.text;
        EXPECT_LE(layout->size().width, 100) << c.text;
        EXPECT_NEAR(layout->size().height, 19.79 * double(c.lines.size()), 0.05) << c.text;
    }
    // Narrower wraps to more lines; unlimited keeps one line per paragraph.
    style.maxLines = 0;
    style.lineBreak = LineBreakMode::wordWrap;
    EXPECT_GT(engine.layout(name, style, 60)->size().height,
              engine.layout(name, style, 120)->size().height);
    EXPECT_EQ(engine.layout(name, style)->lines().size(), 1u);
    style.fontSize = -3;  // an impossible size measures as nothing rather than failing
    EXPECT_EQ(engine.layout(name, style)->size(), (Size{0, 0}));
}

TEST(PangoTextEngineTest, RightToLeftAndEmojiAreDrawn) {
    sim::SimPlatform device;
    PangoTextEngine engine;
    TextStyle style;
    const auto hebrew =
        engine.layout("\u05E9\u05DC\u05D5\u05DD \u05E2\u05D5\u05DC\u05DD", style, 200);
    EXPECT_TRUE(hebrew->isRightToLeft());
    EXPECT_NEAR(hebrew->lines()[0].frame.maxX(), 200, 1e-6);  // natural alignment: right
    const auto arabic = engine.layout("\u0645\u0631\u062D\u0628\u0627 Monaco", style, 300);
    EXPECT_TRUE(arabic->isRightToLeft());
    style.alignment = TextAlignment::center;
    const auto centred = engine.layout("Jimmy\u2019z \U0001F378\U0001F1F2\U0001F1E8", style, 200);
    EXPECT_FALSE(centred->isRightToLeft());
    EXPECT_NEAR(centred->lines()[0].frame.midX(), 100, 1e-6);

    CairoCanvas canvas({200, 60}, 2, Color::white());
    canvas.drawText(hebrew, {0, 0});
    canvas.drawText(centred, {0, 30});
    auto inked = [&](Rect r) {
        int n = 0;
        for (int y = int(r.minY() * 2); y < int(r.maxY() * 2); ++y)
            for (int x = int(r.minX() * 2); x < int(r.maxX() * 2); ++x)
                n += canvas.pixel(x, y).red < 0.5;
        return n;
    };
    EXPECT_GT(inked(hebrew->lines()[0].frame), 50);
    EXPECT_EQ(inked({0, 0, 100, 25}), 0);  // right-aligned: the left half stays empty
    // The emoji are drawn in colour, not as black boxes.
    bool coloured = false;
    for (int x = 200; x < 400 && !coloured; ++x)
        for (int y = 60; y < 120 && !coloured; ++y) {
            const Color c = canvas.pixel(x, y);
            coloured = std::abs(c.red - c.blue) > 0.3 || std::abs(c.green - c.blue) > 0.3;
        }
    EXPECT_TRUE(coloured);
    EXPECT_EQ(canvas.writePng(::testing::TempDir() + "pango_text.png"), std::nullopt);
}

}  // namespace
}  // namespace arquorel::cairo
