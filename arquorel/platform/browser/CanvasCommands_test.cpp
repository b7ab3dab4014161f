#include "arquorel/platform/browser/CanvasCommands.h"

#include <gtest/gtest.h>

#include <cmath>

#include "arquorel/platform/drawing/TextLayout.h"

namespace arquorel::browser {
namespace {

double op(CanvasOp o) {
    return static_cast<int>(o);
}

TEST(CanvasCommandsTest, EncodesStepsWithTheirOperands) {
    CanvasCommands c;
    c.save();
    c.concat(Transform::translation(10, 20));
    c.multiplyAlpha(1.5);  // clamped
    c.fill(Path::rect({1, 2, 3, 4}), Color{1, 0.5, 0, 0.25});
    Path curve;
    curve.moveTo({0, 0}).lineTo({5, 0}).arc({5, 5}, 5, 0, M_PI, false).close();
    curve.setFillRule(FillRule::evenOdd);
    c.clip(curve);
    StrokeStyle dashed = lineWidth(2);
    dashed.dashes = {4, 2};
    dashed.cap = LineCap::round;
    c.stroke(Path::rect({0, 0, 1, NAN}), Color::black(), dashed);
    c.restore();
    const std::vector<double> expected = {op(CanvasOp::save),
                                          op(CanvasOp::concat),
                                          1,
                                          0,
                                          0,
                                          1,
                                          10,
                                          20,
                                          op(CanvasOp::alpha),
                                          1,
                                          op(CanvasOp::fill),
                                          0,
                                          1,
                                          6,
                                          1,
                                          2,
                                          3,
                                          4,
                                          255,
                                          128,
                                          0,
                                          0.25,
                                          op(CanvasOp::clip),
                                          1,
                                          4,
                                          1,
                                          0,
                                          0,
                                          2,
                                          5,
                                          0,
                                          5,
                                          5,
                                          5,
                                          5,
                                          0,
                                          M_PI,
                                          0,
                                          7,
                                          op(CanvasOp::stroke),
                                          0,
                                          1,
                                          6,
                                          0,
                                          0,
                                          1,
                                          0,
                                          0,
                                          0,
                                          0,
                                          1,
                                          2,
                                          1,
                                          0,
                                          2,
                                          4,
                                          2,
                                          0,
                                          op(CanvasOp::restore)};
    EXPECT_EQ(c.numbers(), expected);
}

TEST(CanvasCommandsTest, TextsGoToTheTableLineByLine) {
    CanvasCommands c;
    TextStyle style;
    style.fontSize = 10;
    style.weight = FontWeight::semibold;
    style.italic = true;
    style.color = Color::white();
    style.maxLines = 0;
    style.lineBreak = LineBreakMode::wordWrap;
    const auto layout = EstimatingTextEngine().layout("Casino de\nMonte-Carlo", style);
    c.drawText(layout, {100, 50});
    ASSERT_EQ(c.texts().size(), 3u);
    EXPECT_EQ(c.texts()[0], "italic 600 10px \"DejaVu Sans\"");
    EXPECT_EQ(c.texts()[1], "Casino de");
    EXPECT_EQ(c.texts()[2], "Monte-Carlo");
    const std::vector<double> expected = {
        op(CanvasOp::text), 0, 255, 255, 255, 1, 2, 1, 100, 50 + 9.5, 2, 100, 50 + 12 + 9.5};
    EXPECT_EQ(c.numbers(), expected);
    EXPECT_EQ(c.joinedTexts(), std::string("italic 600 10px \"DejaVu Sans\"") + '\0' + "Casino de" +
                                   '\0' + "Monte-Carlo");
}

TEST(CanvasCommandsTest, ImagesAreSentOnceAndForgottenWhenGone) {
    CanvasCommands c;
    auto star = Image::fromSvg("star", "<svg width=\"8\" height=\"6\"></svg>");
    ASSERT_TRUE(star);
    c.drawImage(star, {0, 0, 16, 12});
    c.drawImage(star, {1, 1, 8, 6}, Color::white());
    const std::vector<double> first = {op(CanvasOp::defineImage),
                                       1,
                                       0,
                                       8,
                                       6,
                                       op(CanvasOp::image),
                                       1,
                                       0,
                                       0,
                                       16,
                                       12,
                                       0,
                                       0,
                                       0,
                                       0,
                                       0,
                                       op(CanvasOp::image),
                                       1,
                                       1,
                                       1,
                                       8,
                                       6,
                                       1,
                                       255,
                                       255,
                                       255,
                                       1};
    EXPECT_EQ(c.numbers(), first);
    EXPECT_EQ(c.texts(), std::vector<std::string>{star->svg()});

    c.clear();  // the next frame: still known
    c.drawImage(star, {0, 0, 8, 6});
    EXPECT_EQ(c.numbers().front(), op(CanvasOp::image));
    EXPECT_TRUE(c.texts().empty());

    star.reset();
    c.clear();  // gone: the replaying side is told to drop it
    EXPECT_EQ(c.numbers(), (std::vector<double>{op(CanvasOp::forgetImage), 1}));
    EXPECT_EQ(c.knownImageCount(), 0u);
}

TEST(CanvasCommandsTest, RasterImagesAreSentAsTheAddressOfTheirPixels) {
    CanvasCommands c;
    auto logo = Image::fromRaster("logo", {2, 1, {255, 0, 0, 255, 0, 0, 255, 128}});
    ASSERT_TRUE(logo && logo->raster());
    c.drawImage(logo, {10, 20, 30, 15});
    c.drawImage(logo, {0, 0, 2, 1});
    const auto address =
        static_cast<double>(reinterpret_cast<std::uintptr_t>(logo->raster()->rgba.data()));
    const std::vector<double> expected = {op(CanvasOp::defineRaster),
                                          1,
                                          2,
                                          1,
                                          address,
                                          op(CanvasOp::image),
                                          1,
                                          10,
                                          20,
                                          30,
                                          15,
                                          0,
                                          0,
                                          0,
                                          0,
                                          0,
                                          op(CanvasOp::image),
                                          1,
                                          0,
                                          0,
                                          2,
                                          1,
                                          0,
                                          0,
                                          0,
                                          0,
                                          0};
    EXPECT_EQ(c.numbers(), expected);
    EXPECT_TRUE(c.texts().empty());
}

}  // namespace
}  // namespace arquorel::browser
