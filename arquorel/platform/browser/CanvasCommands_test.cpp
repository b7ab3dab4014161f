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
    dashed.dashes = {4, -2};  // a negative dash would stop the canvas dashing
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
                                          0,
                                          0,
                                          op(CanvasOp::restore)};
    EXPECT_EQ(c.numbers(), expected);
}

TEST(CanvasCommandsTest, GradientsShadowsAndClearedAreasWithTheirOperands) {
    CanvasCommands c;
    const Path box = Path::rect({0, 0, 2, 2});
    Gradient linear;
    linear.stops = {{-1, Color{0, 0, 1, 1}}, {0.5, Color{1, 1, 1, 2}}};  // clamped
    linear.start = {1, 2};
    linear.end = {3, NAN};
    c.fillGradient(box, linear);
    Gradient conic;
    conic.kind = Gradient::Kind::angle;
    conic.stops = {{1, Color::black()}};
    conic.center = {5, 6};
    conic.startAngle = 0.5;
    c.fillGradient(box, conic);
    c.drawShadow(box, Shadow{Color{0, 0, 0, 0.5}, {1, 3}, -2});
    c.clearRect({7, 8, 9, INFINITY});
    std::vector<double> expected;
    const std::vector<double> path = {0, 1, 6, 0, 0, 2, 2};
    const auto add = [&](std::initializer_list<double> values) {
        expected.insert(expected.end(), values);
    };
    add({op(CanvasOp::linear)});
    expected.insert(expected.end(), path.begin(), path.end());
    add({2, 0, 0, 0, 255, 1, 0.5, 255, 255, 255, 1, 1, 2, 3, 0});
    add({op(CanvasOp::conic)});
    expected.insert(expected.end(), path.begin(), path.end());
    add({1, 1, 0, 0, 0, 1, 5, 6, 0.5});
    add({op(CanvasOp::shadow)});
    expected.insert(expected.end(), path.begin(), path.end());
    add({0, 0, 0, 0.5, 1, 3, 0});
    add({op(CanvasOp::clearRect), 7, 8, 9, 0});
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

TEST(CanvasCommandsTest, TextsCannotBreakOutOfTheirFontOrTheTable) {
    TextStyle style;
    style.fontFamily = "Evil\"; font: 99px \\x";
    style.fontSize = NAN;
    EXPECT_EQ(cssFont(style), "400 0px \"Evil font: 99px x\"");
    style.fontFamily = "DejaVu Sans";
    style.fontSize = 17;
    style.weight = FontWeight::bold;
    EXPECT_EQ(cssFont(style), "700 17px \"DejaVu Sans\"");
    style.weight = FontWeight::medium;
    EXPECT_EQ(cssFont(style), "500 17px \"DejaVu Sans\"");
    // A NUL inside a text would split it in two on the replaying side.
    CanvasCommands c;
    c.drawText(EstimatingTextEngine().layout(std::string("a\0b", 3), style), {0, 0});
    EXPECT_EQ(c.joinedTexts(),
              std::string("500 17px \"DejaVu Sans\"") + '\0' + "a\xEF\xBF\xBD" + "b");
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

TEST(CanvasCommandsTest, ANewImageAtTheAddressOfOneGoneIsSentAnew) {
    // The allocator may place a new image where a freed one lived, within the same frame:
    // shared pointers with their own lifetimes to one address stand for that.
    const auto picture = Image::fromSvg("pin", "<svg width=\"4\" height=\"4\"></svg>");
    ASSERT_TRUE(picture);
    CanvasCommands c;
    auto first = std::shared_ptr<const Image>(std::make_shared<int>(1), picture.get());
    c.drawImage(first, {0, 0, 4, 4});
    first.reset();
    const auto second = std::shared_ptr<const Image>(std::make_shared<int>(2), picture.get());
    c.drawImage(second, {0, 0, 4, 4});
    // The old picture is dropped on the replaying side, the new one defined under a new number.
    const std::vector<double> drawnAgain = {op(CanvasOp::forgetImage),
                                            1,
                                            op(CanvasOp::defineImage),
                                            2,
                                            1,
                                            4,
                                            4,
                                            op(CanvasOp::image),
                                            2,
                                            0,
                                            0,
                                            4,
                                            4,
                                            0,
                                            0,
                                            0,
                                            0,
                                            0};
    ASSERT_GE(c.numbers().size(), drawnAgain.size());
    EXPECT_EQ(std::vector<double>(c.numbers().end() - drawnAgain.size(), c.numbers().end()),
              drawnAgain);
    // The replaying side lost its images (a lost context): each is defined again when drawn.
    c.clear();
    c.forgetImages();
    EXPECT_EQ(c.knownImageCount(), 0u);
    c.drawImage(second, {0, 0, 4, 4});
    EXPECT_EQ(c.numbers().front(), op(CanvasOp::defineImage));
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
