#include "arquorel/platform/drawing/TextLayout.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "arquorel/platform/runtime/PlatformContext.h"
#include "sim/device/SimClock.h"

namespace arquorel {
namespace {

std::vector<std::string> lineTexts(const TextLayout& layout) {
    std::vector<std::string> out;
    for (const auto& line : layout.lines()) out.push_back(line.text);
    return out;
}

// The estimate: 10-point text is 6 points a character and 12 points a line.
TEST(EstimatingTextEngineTest, WrapsTruncatesAndAligns) {
    EstimatingTextEngine engine;
    TextStyle style;
    style.fontSize = 10;
    using L = std::vector<std::string>;
    using M = LineBreakMode;
    constexpr double kAny = kUnlimitedWidth;
    const std::string name = "Casino de Monte-Carlo";
    const struct {
        std::string text;
        int maxLines;
        M mode;
        double width;
        L lines;
        bool truncated;
    } cases[] = {
        {"Casino", 1, M::truncateTail, kAny, {"Casino"}, false},
        {name, 0, M::wordWrap, 60, {"Casino de", "Monte-Carl", "o"}, false},
        {name, 2, M::truncateTail, 60, {"Casino de", "Monte-Car…"}, true},
        {name, 2, M::wordWrap, 60, {"Casino de", "Monte-Carl"}, true},
        {"Casino de Monte", 1, M::truncateTail, 60, {"Casino de…"}, true},
        {"Casino de Monte", 1, M::truncateHead, 60, {"…de Monte"}, true},
        {"Casino de Monte", 1, M::truncateMiddle, 60, {"Casi…Monte"}, true},
        {"Casino de Monte", 1, M::clip, 60, {"Casino de "}, true},
        {"abcdefgh", 0, M::charWrap, 30, {"abcde", "fgh"}, false},
        {"one\ntwo\nthree", 2, M::wordWrap, kAny, {"one", "two"}, true},
        {"", 1, M::truncateTail, 100, {""}, false},
        {"\xff\xfe ok", 1, M::truncateTail, kAny, {"\uFFFD\uFFFD ok"}, false},
    };
    for (const auto& c : cases) {
        style.maxLines = c.maxLines;
        style.lineBreak = c.mode;
        const auto layout = engine.layout(c.text, style, c.width);
        EXPECT_EQ(lineTexts(*layout), c.lines) << c.text;
        EXPECT_EQ(layout->isTruncated(), c.truncated) << c.text;
        EXPECT_DOUBLE_EQ(layout->size().height, 12.0 * double(c.lines.size())) << c.text;
        EXPECT_LE(layout->size().width, c.width) << c.text;
    }

    style.maxLines = 1;
    style.lineBreak = LineBreakMode::truncateTail;
    style.alignment = TextAlignment::center;
    const auto centred = engine.layout("ab", style, 100);
    EXPECT_EQ(centred->lines()[0].frame, (Rect{44, 0, 12, 12}));
    style.alignment = TextAlignment::natural;
    EXPECT_TRUE(engine.layout("שלום", style, 100)->isRightToLeft());
    EXPECT_EQ(engine.layout("שלום", style, 100)->lines()[0].frame.x(), 76);
    EXPECT_NO_THROW(engine.layout("x", style, NAN));
}

TEST(EstimatingTextEngineTest, IsTheContextDefaultUntilAnotherIsInstalled) {
    sim::SimClock clock;
    PlatformContext context(clock);
    EXPECT_NE(dynamic_cast<EstimatingTextEngine*>(&context.textEngine()), nullptr);
    struct Fixed : TextEngine {
        std::shared_ptr<const TextLayout> layout(std::string_view t, const TextStyle& s,
                                                 double w) override {
            return std::make_shared<TextLayout>(std::string(t), s, w, Size{1, 2},
                                                std::vector<TextLine>{}, false);
        }
    };
    context.setTextEngine(std::make_shared<Fixed>());
    EXPECT_EQ(context.textEngine().layout("x", {})->size(), (Size{1, 2}));
    context.setTextEngine(nullptr);
    EXPECT_EQ(context.textEngine().layout("x", {})->size().height, 17 * 1.2);
}

// A proportional font: 'W' 20 points wide, every other character 5; lines 10 high.
TEST(LayoutWithMetricsTest, BreaksAndMeasuresOnTheFontsOwnWidths) {
    TextMetrics metrics;
    metrics.advance = [](char32_t c, std::string_view) { return c == 'W' ? 20.0 : 5.0; };
    metrics.lineHeight = 10;
    metrics.ascent = 8;
    struct Case {
        std::string text;
        double maxWidth;
        int maxLines;
        LineBreakMode mode;
        std::vector<std::string> lines;
        double width;
    };
    const Case cases[] = {
        {"WW ii", 30, 0, LineBreakMode::wordWrap, {"W", "W", "ii"}, 20},
        {"ii ii ii", 30, 0, LineBreakMode::wordWrap, {"ii ii", "ii"}, 25},
        {"WWWW", 50, 1, LineBreakMode::truncateTail, {"WW\u2026"}, 45},
        {"iiWW", 32, 1, LineBreakMode::truncateHead, {"\u2026W"}, 25},
        {"WWii", kUnlimitedWidth, 1, LineBreakMode::truncateTail, {"WWii"}, 50},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        TextStyle style;
        style.fontSize = 10;
        style.maxLines = c.maxLines;
        style.lineBreak = c.mode;
        const auto layout = layoutWithMetrics(c.text, style, c.maxWidth, metrics);
        std::vector<std::string> texts;
        for (const auto& line : layout->lines()) texts.push_back(line.text);
        EXPECT_EQ(texts, c.lines);
        EXPECT_EQ(layout->size().width, c.width);
        EXPECT_EQ(layout->size().height, 10.0 * double(c.lines.size()));
        EXPECT_EQ(layout->lines().back().baseline, 10.0 * double(c.lines.size() - 1) + 8);
    }

    // A whole-line measure (kerning) decides the frames; breaking still goes by advances.
    metrics.lineWidth = [](std::string_view line) { return double(line.size()) * 4; };
    TextStyle centred;
    centred.fontSize = 10;
    centred.maxLines = 0;
    centred.lineBreak = LineBreakMode::wordWrap;
    centred.alignment = TextAlignment::center;
    const auto layout = layoutWithMetrics("ii ii ii", centred, 30, metrics);
    ASSERT_EQ(layout->lines().size(), 2u);
    EXPECT_EQ(layout->lines()[0].frame, (Rect{(30 - 20) / 2.0, 0, 20, 10}));
    EXPECT_EQ(layout->lines()[1].frame, (Rect{(30 - 8) / 2.0, 10, 8, 10}));
}

}  // namespace
}  // namespace arquorel
