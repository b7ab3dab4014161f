#include "arquorel/platform/drawing/DisplayList.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace arquorel {
namespace {

using Lines = std::vector<std::string>;

void drawSample(Painter& p, const std::shared_ptr<const TextLayout>& text,
                const std::shared_ptr<const Image>& image) {
    PainterStateSaver saved(p);
    p.translate(10, 20);
    p.multiplyAlpha(0.5);
    p.clipToRoundedRect({0, 0, 40, 40}, 0);
    p.fillRect({0, 0, 40, 40}, Color{1, 0, 0, 1});
    p.strokeRect({0, 0, 40, 40}, Color::black().withAlpha(0.5), 2);
    p.drawShadow(Path::rect({0, 0, 40, 40}), Shadow{});
    p.fillGradient(Path::rect({0, 0, 40, 40}),
                   Gradient::linear({0, 0}, {0, 40}, {{1, Color::white()}, {0, Color::black()}}));
    p.drawImage(image, {4, 4, 32, 32}, Color::white());
    p.drawText(text, {2, 3});
}

TEST(DisplayListTest, RecordsDescribesAndReplaysEveryStep) {
    EstimatingTextEngine engine;
    const auto text = engine.layout("Casino", TextStyle{});
    const auto image = Image::fromSvg("close", "<svg viewBox='0 0 24 24'/>");
    DisplayList list;
    drawSample(list, text, image);
    const Lines expected = {
        "save",
        "translate 10,20",
        "alpha 0.5",
        "clip rect(0,0,40,40)",
        "fill rect(0,0,40,40) #FF0000",
        "stroke rect(0,0,40,40) #00000080 width 2",
        "shadow rect(0,0,40,40) #00000055 offset 0,3 radius 3",
        "gradient rect(0,0,40,40) linear 0,0>0,40 0:#000000 1:#FFFFFF",
        "image 'close' in 4,4,32,32 tint #FFFFFF",
        "text 'Casino' at 2,3",
        "restore",
    };
    EXPECT_EQ(list.descriptions(), expected);

    DisplayList copy;
    list.replay(copy);
    EXPECT_EQ(copy.descriptions(), expected);
    ASSERT_EQ(copy.steps().size(), list.steps().size());
    EXPECT_EQ(std::get<step::DrawText>(copy.steps()[9]).layout, text);  // the same layout
}

TEST(GradientTest, ColourBetweenStops) {
    const Gradient g = Gradient::angle(
        {0, 0}, 0, {{1, Color{0, 0, 1, 1}}, {0, Color{1, 0, 0, 1}}, {0.5, Color{0, 1, 0, 1}}});
    EXPECT_EQ(g.colorAt(-1), (Color{1, 0, 0, 1}));
    EXPECT_EQ(g.colorAt(0.25), (Color{0.5, 0.5, 0, 1}));
    EXPECT_EQ(g.colorAt(0.75), (Color{0, 0.5, 0.5, 1}));
    EXPECT_EQ(g.colorAt(2), (Color{0, 0, 1, 1}));
    EXPECT_EQ(Gradient{}.colorAt(0.5), Color::clear());
}

}  // namespace
}  // namespace arquorel
