#include "arquorel/platform/browser/CanvasCommands.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>

#include "arquorel/platform/drawing/DisplayList.h"
#include "arquorel/platform/drawing/TextLayout.h"
#include "arquorel/platform/ui/View.h"
#include "sim/device/SimPlatform.h"

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

// The steps of a frame as op and operands, paths reduced to their element count.
struct Step {
    CanvasOp op;
    std::vector<double> operands;
};

std::vector<Step> decode(const std::vector<double>& n) {
    std::vector<Step> steps;
    std::size_t i = 0;
    const auto take = [&](std::size_t count, Step& s) {
        s.operands.insert(s.operands.end(), n.begin() + long(i), n.begin() + long(i + count));
        i += count;
    };
    const auto path = [&](Step& s) {
        const auto elements = std::size_t(n[i + 1]);
        s.operands.push_back(n[i + 1]);
        i += 2;
        for (std::size_t k = 0; k < elements; ++k) {
            static const std::size_t sizes[] = {0, 2, 2, 4, 6, 6, 4, 0};
            i += 1 + sizes[std::size_t(n[i])];
        }
    };
    while (i < n.size()) {
        Step s{static_cast<CanvasOp>(int(n[i++])), {}};
        switch (s.op) {
            case CanvasOp::save:
            case CanvasOp::restore:
            case CanvasOp::endLayer:
                break;
            case CanvasOp::concat:
            case CanvasOp::drawLayer:
                take(s.op == CanvasOp::concat ? 6 : 7, s);
                break;
            case CanvasOp::alpha:
            case CanvasOp::freeLayer:
            case CanvasOp::forgetImage:
                take(1, s);
                break;
            case CanvasOp::clip:
                path(s);
                break;
            case CanvasOp::fill:
                path(s);
                take(4, s);
                break;
            case CanvasOp::clearRect:
                take(4, s);
                break;
            case CanvasOp::beginLayer:
                take(5, s);
                break;
            default:
                ADD_FAILURE() << "unexpected step " << int(s.op);
                return steps;
        }
        steps.push_back(std::move(s));
    }
    return steps;
}

std::vector<Step> only(const std::vector<Step>& steps, CanvasOp o) {
    std::vector<Step> found;
    for (const auto& s : steps)
        if (s.op == o) found.push_back(s);
    return found;
}

TEST(CanvasCommandsTest, LayersAreCopiedOnWholeDevicePixelsWhenOnlyMoved) {
    CanvasCommands c;
    LayerShape shape;
    shape.extent = {-2, -2, 50, 20};
    shape.scale = shape.scaleY = 2;
    auto surface = c.layerFactory()(shape);
    Painter& content = surface->beginContent({0.6, 0.4}, 1, 1, 1);
    EXPECT_EQ(&content, &c);
    content.fillRect({0, 0, 46, 16}, Color::white());
    surface->endContent();
    const auto drawn = decode(c.numbers());
    ASSERT_EQ(drawn.front().op, CanvasOp::beginLayer);
    const double id = drawn.front().operands[0];
    EXPECT_EQ(drawn.front().operands, (std::vector<double>{id, 101, 41, 2, 2}));
    // The content is shifted by the phase inside the layer, in points.
    EXPECT_EQ(drawn[1].op, CanvasOp::concat);
    EXPECT_DOUBLE_EQ(drawn[1].operands[4], 0.3 + 2);
    EXPECT_DOUBLE_EQ(drawn[1].operands[5], 0.2 + 2);
    EXPECT_EQ(drawn.back().op, CanvasOp::endLayer);

    // At the screen's scale, moved by 10.45 and 5.2 points: the first pixel would fall on
    // 2 * (10.45 - 2 - 0.3) = 16.3 and 2 * (5.2 - 2 - 0.2) = 6; it goes to whole pixels.
    c.clear();
    c.concat(Transform::scale(2, 2));
    c.save();
    c.translate(10.45, 5.2);
    c.drawLayer(surface);
    c.restore();
    // Turned, it is resampled with the full transform.
    c.rotate(M_PI / 2);
    c.drawLayer(surface);
    const auto composited = only(decode(c.numbers()), CanvasOp::drawLayer);
    ASSERT_EQ(composited.size(), 2u);
    EXPECT_EQ(composited[0].operands, (std::vector<double>{id, 1, 0, 0, 1, 16, 6}));
    const auto& turned = composited[1].operands;
    EXPECT_NEAR(turned[1], 0, 1e-12);
    EXPECT_NEAR(turned[2], 1, 1e-12);
    EXPECT_NEAR(turned[3], -1, 1e-12);
    EXPECT_NEAR(turned[4], 0, 1e-12);
    EXPECT_NEAR(turned[5], -2 * -2.2, 1e-12);
    EXPECT_NEAR(turned[6], 2 * -2.3, 1e-12);

    // The content's own saves and transform end with it: the canvas drawn on before goes on
    // from where it was.
    c.clear();
    c.concat(Transform::scale(2, 2));
    surface->beginContent({0, 0}, 2, 1, 1).scale(3, 3);
    c.save();
    surface->endContent();
    c.translate(1, 1);
    c.drawLayer(surface);
    EXPECT_EQ(only(decode(c.numbers()), CanvasOp::drawLayer)[0].operands,
              (std::vector<double>{id, 1, 0, 0, 1, -2, -2}));
}

// A screen with a layer-backed card, drawn frame by frame into the page's commands.
struct PageScene {
    sim::SimPlatform device;
    CanvasCommands commands;
    LayerStore layers{2, commands.layerFactory()};
    std::shared_ptr<View> screen = std::make_shared<View>(Rect{0, 0, 200, 300});
    std::shared_ptr<View> card = std::make_shared<View>(Rect{20, 30, 100, 40});
    PageScene() {
        screen->setBackgroundColor(Color::white());
        card->setLayerBacked(true);
        card->setBackgroundColor(Color{1, 0, 0, 1});
        screen->addSubview(card);
    }
    // The steps sent for a frame; none when it sent nothing.
    std::optional<std::vector<Step>> frame() {
        if (!commands.drawFrame(screen.get(), 2, layers)) {
            EXPECT_TRUE(commands.numbers().empty());
            return std::nullopt;
        }
        return decode(commands.numbers());
    }
};

TEST(CanvasCommandsTest, AFrameWhereNothingChangedSendsNothingAndLayersAreFreedOnce) {
    PageScene s;
    const auto first = s.frame();
    ASSERT_TRUE(first);
    const auto begun = only(*first, CanvasOp::beginLayer);
    ASSERT_EQ(begun.size(), 1u);
    const double cardLayer = begun[0].operands[0];
    ASSERT_EQ(only(*first, CanvasOp::drawLayer).size(), 1u);
    EXPECT_EQ(only(*first, CanvasOp::drawLayer)[0].operands[0], cardLayer);

    // Moved: composited again, not drawn again.
    s.card->setFrame(offsetBy(s.card->frame(), 5, 0));
    const auto moved = s.frame();
    ASSERT_TRUE(moved);
    EXPECT_TRUE(only(*moved, CanvasOp::beginLayer).empty());
    EXPECT_EQ(only(*moved, CanvasOp::drawLayer).size(), 1u);
    EXPECT_FALSE(s.frame());

    // Resized: a new surface with an id of its own, so that freeing the old one, which the
    // last frame's steps still hold, cannot drop the new one's canvas.
    s.card->setFrame({25, 30, 110, 40});
    const auto resized = s.frame();
    ASSERT_TRUE(resized);
    const auto again = only(*resized, CanvasOp::beginLayer);
    ASSERT_EQ(again.size(), 1u);
    const double newLayer = again[0].operands[0];
    EXPECT_NE(newLayer, cardLayer);

    // The card goes; its surfaces are destroyed over the next frames, some of them sending
    // nothing: each id is freed once, in a frame that is sent.
    s.card->removeFromSuperview();
    s.card.reset();
    std::vector<double> freed;
    for (int i = 0; i < 4; ++i) {
        if (i == 3) s.screen->setBackgroundColor(Color::black());
        if (const auto steps = s.frame())
            for (const auto& f : only(*steps, CanvasOp::freeLayer)) freed.push_back(f.operands[0]);
    }
    std::sort(freed.begin(), freed.end());
    EXPECT_EQ(freed, (std::vector<double>{cardLayer, newLayer}));
    EXPECT_EQ(s.layers.size(), 0u);
}

// Draws the camera's picture as the page does: a hole in the canvas.
class VideoHole final : public View {
  public:
    using View::View;
    void draw(Painter& painter) const override {
        painter.drawLayer(makeClearedArea({{0, 0}, bounds().size}));
    }
};

TEST(CanvasCommandsTest, ClearedAreasReachTheCanvasThroughTheFramesSteps) {
    PageScene s;
    auto video = std::make_shared<VideoHole>(Rect{0, 10, 200, 100});
    s.screen->insertSubview(video, 0);
    const auto steps = s.frame();
    ASSERT_TRUE(steps);
    // The canvas cleared, the screen's background, then the hole through it.
    const auto cleared = only(*steps, CanvasOp::clearRect);
    ASSERT_EQ(cleared.size(), 2u);
    EXPECT_EQ(cleared[0].operands, (std::vector<double>{0, 0, 1e7, 1e7}));
    EXPECT_EQ(cleared[1].operands, (std::vector<double>{0, 0, 200, 100}));
}

// The camera's picture over the whole screen, as the page's main screen has it.
class ScreenHole final : public View {
  public:
    using View::View;
    void draw(Painter& painter) const override {
        painter.drawLayer(makeClearedArea({{0, 0}, bounds().size}));
    }
    bool coversBounds() const override { return true; }
};

// The page's canvas as far as clearing goes: a device pixel holds a mix of what was drawn
// over it since it was last cleared (a blend depends on what lies under it). Clips are not
// followed; fills mark every pixel.
struct ModelCanvas {
    static constexpr int kWidth = 400, kHeight = 600;
    std::vector<std::uint64_t> pixels = std::vector<std::uint64_t>(kWidth * kHeight, 0);
    std::map<double, std::pair<double, double>> layerSizes;
    // The area of the clears, in pixels, and of those clearing a pixel cleared before in the
    // same frame.
    double cleared = 0;
    double clearedTwice = 0;
    std::vector<bool> clearedNow = std::vector<bool>(kWidth * kHeight, false);

    void paint(const Transform& m, double w, double h, std::uint64_t what) {
        double x0 = INFINITY, y0 = INFINITY, x1 = -INFINITY, y1 = -INFINITY;
        for (const Point c : {Point{0, 0}, Point{w, 0}, Point{0, h}, Point{w, h}}) {
            const Point p = apply(m, c);
            x0 = std::min(x0, p.x), y0 = std::min(y0, p.y);
            x1 = std::max(x1, p.x), y1 = std::max(y1, p.y);
        }
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
                if (x + 0.5 >= x0 && x + 0.5 < x1 && y + 0.5 >= y0 && y + 0.5 < y1) {
                    auto& p = pixels[std::size_t(y * kWidth + x)];
                    p = what ? p * 1000003 + what : 0;
                    if (what) continue;
                    ++cleared;
                    if (clearedNow[std::size_t(y * kWidth + x)]) ++clearedTwice;
                    clearedNow[std::size_t(y * kWidth + x)] = true;
                }
    }
    void replay(const std::vector<Step>& steps) {
        cleared = clearedTwice = 0;
        std::fill(clearedNow.begin(), clearedNow.end(), false);
        Transform m;
        std::vector<Transform> saved;
        int inLayer = 0;
        for (const auto& s : steps) {
            const auto& o = s.operands;
            if (s.op == CanvasOp::beginLayer) {
                layerSizes[o[0]] = {o[1], o[2]};
                ++inLayer;
            } else if (s.op == CanvasOp::endLayer) {
                --inLayer;
            } else if (inLayer) {
                continue;
            } else if (s.op == CanvasOp::save) {
                saved.push_back(m);
            } else if (s.op == CanvasOp::restore && !saved.empty()) {
                m = saved.back();
                saved.pop_back();
            } else if (s.op == CanvasOp::concat) {
                m = concat(Transform{o[0], o[1], o[2], o[3], o[4], o[5]}, m);
            } else if (s.op == CanvasOp::clearRect) {
                paint(concat(Transform::translation(o[0], o[1]), m), std::min(o[2], 1e4),
                      std::min(o[3], 1e4), 0);
            } else if (s.op == CanvasOp::drawLayer) {
                const auto [w, h] = layerSizes.at(o[0]);
                paint({o[1], o[2], o[3], o[4], o[5], o[6]}, w, h, std::uint64_t(o[0]) + 1);
            } else if (s.op == CanvasOp::fill) {
                paint({}, kWidth, kHeight, 99);
            }
        }
    }
};

// A frame clears only what the frames before left on the canvas: after each frame the canvas
// holds what a frame drawn on a blank canvas would, while most frames clear far less than it.
TEST(CanvasCommandsTest, AFrameClearsWhatTheFramesBeforeLeftOnly) {
    PageScene s;
    auto hole = std::make_shared<ScreenHole>(Rect{0, 0, 200, 300});
    s.screen->insertSubview(hole, 0);
    auto turned = std::make_shared<View>(Rect{120, 200, 50, 30});
    turned->setLayerBacked(true);
    turned->setBackgroundColor(Color{0, 0, 1, 0.5});
    s.screen->addSubview(turned);
    ModelCanvas kept;
    struct Change {
        const char* what;
        std::function<void()> make;
        bool clearsLittle;  // under a fifth of the canvas
    };
    const Change changes[] = {
        {"first frame", [] {}, false},
        {"moved", [&] { s.card->setFrame(offsetBy(s.card->frame(), 7.3, 41)); }, true},
        {"one over the other",
         [&] {
             turned->setFrame({40, 80, 50, 30});
         },
         true},
        {"turned", [&] { turned->setTransform(Transform::rotation(0.4)); }, true},
        {"moved off the screen's edge",
         [&] { s.card->setFrame(offsetBy(s.card->frame(), -60, 0)); }, true},
        {"the picture hidden: the background drawn", [&] { hole->setHidden(true); }, true},
        {"the picture back", [&] { hole->setHidden(false); }, false},
        {"moved back", [&] { s.card->setFrame(offsetBy(s.card->frame(), 60, -20)); }, true},
        {"the canvas lost",
         [&] {
             s.commands.forgetCanvas();
             std::fill(kept.pixels.begin(), kept.pixels.end(), 5);
             s.card->setFrame(offsetBy(s.card->frame(), 1, 0));
         },
         false},
        {"turned back", [&] { turned->setTransform({}); }, true},
    };
    for (const auto& c : changes) {
        c.make();
        const auto steps = s.frame();
        ASSERT_TRUE(steps) << c.what;
        kept.replay(*steps);
        ModelCanvas blank;
        blank.layerSizes = kept.layerSizes;
        blank.replay(*steps);
        EXPECT_TRUE(kept.pixels == blank.pixels) << c.what;
        EXPECT_EQ(kept.cleared < 0.2 * ModelCanvas::kWidth * ModelCanvas::kHeight, c.clearsLittle)
            << c.what << ": " << kept.cleared;
        EXPECT_EQ(kept.clearedTwice, 0) << c.what;
    }
    EXPECT_FALSE(s.frame());
}

}  // namespace
}  // namespace arquorel::browser
