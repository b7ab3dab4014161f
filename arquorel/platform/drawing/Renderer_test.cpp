#include "arquorel/platform/drawing/Renderer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "arquorel/platform/drawing/DisplayList.h"
#include "arquorel/platform/drawing/cairo/CairoCanvas.h"
#include "arquorel/platform/resources/Bundle.h"
#include "arquorel/platform/runtime/PlatformContext.h"
#include "arquorel/platform/ui/View.h"
#include "sim/device/SimPlatform.h"

namespace arquorel {
namespace {

using cairo::CairoCanvas;
using Lines = std::vector<std::string>;

const Color kRed{1, 0, 0, 1}, kBlue{0, 0, 1, 1}, kGreen{0, 1, 0, 1};

std::shared_ptr<View> box(Rect frame, Color color) {
    auto v = std::make_shared<View>(frame);
    v->setBackgroundColor(color);
    return v;
}

struct Marker : View {
    using View::View;
    void draw(Painter& p) const override { p.fillRect({1, 1, 2, 2}, kGreen); }
};

TEST(RendererTest, DrawsLayerPartsInOrder) {
    sim::SimPlatform device;
    auto root = box({10, 20, 100, 50}, kRed);
    auto& layer = root->layer();
    layer.cornerRadius = 5;
    layer.shadowOpacity = 0.5;
    layer.shadowOffset = {0, 2};
    layer.borderWidth = 2;
    layer.borderColor = kBlue;
    layer.mask = Path::rect({0, 0, 50, 50});
    layer.gradient = LayerGradient{LayerGradient::Kind::linear, {kRed, kBlue}, {}, {0, 0}, {1, 0}};
    Sublayer dot;
    dot.frame = {4, 4, 8, 8};
    dot.path = Path::rect({0, 0, 8, 8});
    dot.fillColor = kGreen;
    layer.sublayers.push_back(dot);
    root->setClipsToBounds(true);
    auto marker = std::make_shared<Marker>(Rect{5, 5, 10, 10});
    marker->setAlpha(0.5);
    marker->setTransform(Transform::rotation(std::numbers::pi / 2));
    root->addSubview(marker);
    auto hidden = box({0, 0, 5, 5}, kRed), transparent = box({0, 0, 5, 5}, kRed);
    hidden->setHidden(true);
    transparent->setAlpha(0);
    root->addSubview(hidden);
    root->addSubview(transparent);

    DisplayList list;
    Renderer(RenderOptions{true}).render({root}, list);
    const std::string card = Path::roundedRect({0, 0, 100, 50}, 5).describe();
    const Lines expected = {
        "save",
        "translate 10,20",
        "shadow " + card + " #00000080 offset 0,2 radius 0",
        "clip rect(0,0,50,50)",
        "fill " + card + " #FF0000",
        "gradient " + card + " linear 0,0>100,0 0:#FF0000 1:#0000FF",
        "save",
        "translate 4,4",
        "fill rect(0,0,8,8) #00FF00",
        "restore",
        "save",
        "clip " + card,
        "save",
        "translate 10,10",
        "concat [0 1 -1 0 0 0]",
        "translate -5,-5",
        "alpha 0.5",
        "fill rect(1,1,2,2) #00FF00",
        "restore",
        "restore",
        "stroke " + Path::roundedRect({1, 1, 98, 48}, 4).describe() + " #0000FF width 2",
        "restore",
    };
    EXPECT_EQ(list.descriptions(), expected);
}

// Pictures at 2 pixels a point; probes look at a few pixels well inside or outside shapes.
struct Picture {
    CairoCanvas canvas{{100, 100}, 2, Color::white()};
    void render(const std::shared_ptr<View>& root, bool solidShadows = true) {
        Renderer(RenderOptions{solidShadows}).render({root}, canvas);
    }
    Color at(double x, double y) const { return canvas.colorAt({x, y}); }
};

testing::AssertionResult near(const Color& actual, const Color& expected, double tolerance = 0.02) {
    const double d =
        std::max({std::abs(actual.red - expected.red), std::abs(actual.green - expected.green),
                  std::abs(actual.blue - expected.blue), std::abs(actual.alpha - expected.alpha)});
    if (d <= tolerance) return testing::AssertionSuccess();
    return testing::AssertionFailure()
           << "rgba(" << actual.red << ", " << actual.green << ", " << actual.blue << ", "
           << actual.alpha << ") is not near rgba(" << expected.red << ", " << expected.green
           << ", " << expected.blue << ", " << expected.alpha << ")";
}

TEST(RendererPixelTest, FramesCornersAlphaClipAndBorder) {
    sim::SimPlatform device;
    Picture pic;
    auto root = box({10, 10, 60, 60}, kRed);
    root->layer().cornerRadius = 20;
    root->layer().borderWidth = 4;
    root->layer().borderColor = kBlue;
    root->setClipsToBounds(true);
    auto overflowing = box({30, 30, 100, 100}, kGreen);  // cut at the bounds
    overflowing->setAlpha(0.5);
    root->addSubview(overflowing);
    auto hidden = box({0, 0, 60, 60}, Color::black());
    hidden->setHidden(true);
    root->addSubview(hidden);
    pic.render(root);
    const struct {
        Point p;
        Color c;
    } probes[] = {
        {{11, 11}, Color::white()},         // rounded-off corner
        {{30, 25}, kRed},                   // background
        {{11.5, 40}, kBlue},                // border, inside the left edge
        {{50, 50}, Color{0.5, 0.5, 0, 1}},  // half-transparent green over red
        {{75, 75}, Color::white()},         // child beyond the clip
        {{5, 40}, Color::white()},          // outside the view
    };
    for (const auto& probe : probes)
        EXPECT_TRUE(near(pic.at(probe.p.x, probe.p.y), probe.c)) << probe.p.x << "," << probe.p.y;
}

TEST(RendererPixelTest, TransformsShadowsMasksAndGradients) {
    sim::SimPlatform device;
    Picture pic;
    auto root = box({0, 0, 100, 100}, Color::clear());
    // A 40x10 bar turned a quarter: it stands 10 wide and 40 high about its centre (30, 20).
    auto bar = box({10, 15, 40, 10}, kRed);
    bar->setTransform(Transform::rotation(std::numbers::pi / 2));
    root->addSubview(bar);
    // A solid shadow 6 points below a 20x10 box.
    auto lifted = box({60, 5, 20, 10}, kBlue);
    lifted->layer().shadowOpacity = 1;
    lifted->layer().shadowColor = Color::black();
    lifted->layer().shadowOffset = {0, 6};
    root->addSubview(lifted);
    // An even-odd ring: the hole shows what is behind.
    auto ring = box({60, 40, 30, 30}, kGreen);
    ring->layer().mask =
        Path::rect({0, 0, 30, 30}).addRect({10, 10, 10, 10}).setFillRule(FillRule::evenOdd);
    root->addSubview(ring);
    // An angle gradient starting to the right (red), a quarter turn later (below) blue.
    auto dial = std::make_shared<View>(Rect{0, 60, 40, 40});
    dial->layer().gradient = LayerGradient{
        LayerGradient::Kind::angle, {kRed, kBlue, kRed}, {0, 0.25, 1}, {0.5, 0.5}, {1, 0.5}};
    root->addSubview(dial);
    pic.render(root);
    const struct {
        Point p;
        Color c;
    } probes[] = {
        {{30, 5}, kRed},     {{30, 38}, kRed},           {{15, 20}, Color::white()},
        {{70, 10}, kBlue},   {{70, 18}, Color::black()}, {{70, 24}, Color::white()},
        {{62, 42}, kGreen},  {{75, 55}, Color::white()}, {{38, 80.5}, kRed},
        {{20.5, 98}, kBlue},
    };
    for (const auto& probe : probes)
        EXPECT_TRUE(near(pic.at(probe.p.x, probe.p.y), probe.c, 0.06))
            << probe.p.x << "," << probe.p.y;

    // A blurred shadow fades out instead of stopping at an edge.
    Picture soft;
    soft.render(lifted, /*solidShadows=*/false);
    const double inside = soft.at(70, 18).red, edge = soft.at(70, 21).red;
    EXPECT_LT(inside, edge);
    EXPECT_GT(edge, 0.05);
    EXPECT_LT(edge, 0.95);
}

TEST(RendererPixelTest, ImagesAndTextLandInsideTheirBoxes) {
    sim::SimPlatform device;
    Picture pic;
    const auto close = Bundle::framework().image("ovin_close");
    ASSERT_NE(close, nullptr);
    pic.canvas.drawImage(close, {10, 10, 30, 30}, kRed);
    TextStyle style;
    style.fontSize = 12;
    style.color = kBlue;
    style.maxLines = 0;
    const auto text = platformContext().textEngine().layout("Wide text here", style, 45);
    ASSERT_GT(text->lines().size(), 1u);
    pic.canvas.drawText(text, {50, 10});

    auto count = [&](Rect r, auto test) {
        int n = 0;
        for (int y = int(r.minY() * 2); y < int(r.maxY() * 2); ++y)
            for (int x = int(r.minX() * 2); x < int(r.maxX() * 2); ++x)
                n += test(pic.canvas.pixel(x, y));
        return n;
    };
    auto reddish = [](Color c) { return c.red > 0.5 && c.green < 0.5 && c.blue < 0.5; };
    auto bluish = [](Color c) { return c.blue > 0.5 && c.red < 0.5; };
    EXPECT_GT(count({10, 10, 30, 30}, reddish), 100);
    EXPECT_EQ(count({0, 0, 100, 100}, reddish), count({10, 10, 30, 30}, reddish));
    const Rect textBox{50, 10, text->size().width, text->size().height};
    EXPECT_GT(count(textBox, bluish), 50);
    EXPECT_EQ(count({0, 0, 100, 100}, bluish), count(textBox, bluish));
    // Every line drew something.
    for (const TextLine& line : text->lines())
        EXPECT_GT(count(offsetBy(line.frame, 50, 10), bluish), 10) << line.text;

    const std::string file = ::testing::TempDir() + "renderer_probe.png";
    EXPECT_EQ(pic.canvas.writePng(file), std::nullopt);
    EXPECT_NE(pic.canvas.writePng("/nonexistent/dir/x.png"), std::nullopt);
}

}  // namespace
}  // namespace arquorel
