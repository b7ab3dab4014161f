#include "arquorel/platform/drawing/cairo/CairoCanvas.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "arquorel/platform/drawing/LayerStore.h"
#include "arquorel/platform/drawing/Renderer.h"
#include "arquorel/platform/maps/MapView.h"
#include "arquorel/platform/resources/Image.h"
#include "arquorel/platform/runtime/PlatformContext.h"
#include "sim/device/SimPlatform.h"

namespace arquorel::cairo {
namespace {

std::shared_ptr<const Image> rasterOf(Color c) {
    const auto byte = [](double v) { return static_cast<std::uint8_t>(v * 255); };
    const std::uint8_t pixel[] = {byte(c.red), byte(c.green), byte(c.blue), 255};
    RasterPixels pixels{2, 2, std::vector<std::uint8_t>(16)};
    for (std::size_t i = 0; i < pixels.rgba.size(); ++i) pixels.rgba[i] = pixel[i % 4];
    return Image::fromRaster("square", pixels);
}

std::shared_ptr<const Image> svgOf(Color c) {
    const std::string fill = c.red > 0.5 ? "#ff0000" : "#0000ff";
    return Image::fromSvg("square",
                          "<svg xmlns='http://www.w3.org/2000/svg' width='2' "
                          "height='2'><rect width='2' height='2' fill='" +
                              fill + "'/></svg>");
}

// The canvas keeps what it made of an image while the image lives. Images made after others
// have gone (often at their addresses) are drawn with their own pixels, also once the caches
// are full enough to drop what belonged to the images that have gone.
TEST(CairoCanvasTest, EveryImageIsDrawnWithItsOwnPixelsAsImagesComeAndGo) {
    struct Case {
        const char* kind;
        std::function<std::shared_ptr<const Image>(Color)> make;
        int count;  // more than the cache holds before it drops entries
    };
    const Case cases[] = {{"raster", rasterOf, 80}, {"svg", svgOf, 300}};
    const Color red{1, 0, 0, 1}, blue{0, 0, 1, 1};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.kind);
        for (int round = 0; round < 4; ++round) {
            const Color color = round % 2 == 0 ? red : blue;
            std::vector<std::shared_ptr<const Image>> images;
            for (int i = 0; i < c.count; ++i) {
                images.push_back(c.make(color));
                ASSERT_TRUE(images.back());
                CairoCanvas canvas({4, 4}, 1, Color::white());
                canvas.drawImage(images.back(), {0, 0, 4, 4}, std::nullopt);
                const Color drawn = canvas.colorAt({2, 2});
                ASSERT_NEAR(drawn.red, color.red, 0.02) << "image " << i;
                ASSERT_NEAR(drawn.blue, color.blue, 0.02) << "image " << i;
                // Drawn again from what the canvas kept.
                canvas.drawImage(images.front(), {0, 0, 4, 4}, std::nullopt);
                ASSERT_NEAR(canvas.colorAt({2, 2}).red, color.red, 0.02) << "image " << i;
            }
        }
    }
}

// A top-to-bottom gradient filling a rectangle on whole pixels is filled row by row: the
// same pixels as the same gradient filling the same shape drawn as a polygon.
TEST(CairoCanvasTest, UprightGradientsOnWholePixelsLookAsAnyShapeFilledWithThem) {
    const Color sky{0.23, 0.48, 0.84, 1}, low{0.75, 0.89, 1.0, 1}, ground{0.31, 0.42, 0.23, 1};
    struct Case {
        double scale;
        Rect area;
        Gradient gradient;
        std::optional<Rect> clip;
    };
    const Case cases[] = {
        {2, {0, 0, 60, 90}, Gradient::linear({0, -30}, {0, 50}, {{0, sky}, {1, low}}), {}},
        {3,
         {5, 10, 40, 70},
         Gradient::linear({7, 90}, {7, 20}, {{0, sky}, {0.4, low}, {1, ground}}),
         {}},
        {2,
         {0, 0, 60, 90},
         Gradient::linear({0, 0}, {0, 90}, {{0, sky}, {1, ground}}),
         Rect{10, 20.5, 30, 30}},
        {1,
         {-10, -10, 100, 120},
         Gradient::linear({0, 0}, {0, 90}, {{0, sky}, {1, ground}}),
         Rect{3, 4, 50, 60}},
        {2, {4.25, 3, 30, 40}, Gradient::linear({0, 0}, {0, 40}, {{0, sky}, {1, ground}}), {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.area.y());
        CairoCanvas rows({64, 96}, c.scale, Color::white());
        CairoCanvas polygon({64, 96}, c.scale, Color::white());
        Path shape;
        shape.moveTo(c.area.origin)
            .lineTo({c.area.maxX(), c.area.minY()})
            .lineTo({c.area.maxX(), c.area.maxY()})
            .lineTo({c.area.minX(), c.area.maxY()})
            .close();
        for (CairoCanvas* canvas : {&rows, &polygon}) {
            canvas->translate(1, 2);
            if (c.clip) canvas->clip(Path::rect(*c.clip));
        }
        rows.fillGradient(Path::rect(c.area), c.gradient);
        polygon.fillGradient(shape, c.gradient);
        const auto d = comparePixels(rows, polygon);
        EXPECT_EQ(d.largest, 0);
        EXPECT_GT(comparePixels(rows, CairoCanvas({64, 96}, c.scale, Color::white())).share, 0.05);
    }
}

// Layers of opaque square cards are copied inside and blended at their edges; rounded and
// translucent ones blended throughout: either way as drawn in place.
TEST(CairoCanvasTest, LayersWithOpaqueBackgroundsLookAsDrawnInPlace) {
    sim::SimPlatform device;
    const auto root = std::make_shared<View>(Rect{0, 0, 120, 100});
    root->setBackgroundColor({0.9, 0.1, 0.1, 1});
    const auto stripe = std::make_shared<View>(Rect{0, 40, 120, 7});
    stripe->setBackgroundColor({0.1, 0.1, 0.9, 1});
    root->addSubview(stripe);
    std::vector<std::shared_ptr<View>> cards;
    for (int i = 0; i < 3; ++i) {
        const auto card = std::make_shared<View>(Rect{5.5 + 38 * i, 10.25, 30, 60});
        card->setLayerBacked(true);
        card->setBackgroundColor({0.95, 0.95, 0.9, i == 2 ? 0.6 : 1.0});
        card->layer().cornerRadius = i == 1 ? 8 : 0;
        card->layer().borderWidth = 1;
        card->layer().borderColor = {0, 0, 0, 0.5};
        const auto mark = std::make_shared<View>(Rect{-4, 20, 12, 12});
        mark->setBackgroundColor({0, 0.6, 0, 0.7});
        card->addSubview(mark);
        root->addSubview(card);
        cards.push_back(card);
    }
    LayerStore layers(2, makeCairoLayer);
    for (const double y : {10.25, 12.75, 17.25}) {  // moved by whole pixels
        SCOPED_TRACE(y);
        for (const auto& card : cards) card->setFrame({card->frame().x(), y, 30, 60});
        CairoCanvas direct({120, 100}, 2);
        Renderer().render(*root, direct);
        CairoCanvas layered({120, 100}, 2);
        ASSERT_TRUE(Renderer().renderFrame(*root, layered, layers));
        EXPECT_LE(comparePixels(direct, layered).largest, 3);
    }
    EXPECT_EQ(layers.stats().redraws, 3u);
}

// Streets every 30 m with a block between each four, slanting a little, around `centre`.
class StreetGrid : public MapData {
  public:
    explicit StreetGrid(Coordinate centre) {
        const double lat = 30 / 111'000.0, lon = 30 / 80'000.0;
        for (int i = -12; i <= 12; ++i) {
            const double a = centre.latitude + i * lat, o = centre.longitude + i * lon;
            features.push_back(
                {MapFeatureKind::minorRoad,
                 false,
                 {{a, centre.longitude - 12 * lon}, {a + lat / 3, centre.longitude + 12 * lon}}});
            features.push_back(
                {MapFeatureKind::footway,
                 false,
                 {{centre.latitude - 12 * lat, o}, {centre.latitude + 12 * lat, o + lon / 4}}});
            for (int j = -12; j < 12; j += 3) {
                const double b = centre.longitude + j * lon;
                features.push_back({i % 2 ? MapFeatureKind::building : MapFeatureKind::park,
                                    true,
                                    {{a + lat * 0.2, b + lon * 0.2},
                                     {a + lat * 0.8, b + lon * 0.3},
                                     {a + lat * 0.7, b + lon * 0.8},
                                     {a + lat * 0.2, b + lon * 0.2}}});
            }
        }
    }
    void visitFeatures(const MapBox&,
                       const std::function<void(const MapFeature&)>& visit) const override {
        for (const auto& f : features) visit(f);
    }
    std::vector<MapFeature> features;
};

// A map dragged by whole points is composited from its kept drawing, shifted: it looks as
// drawn in place, its compass too.
TEST(CairoCanvasTest, ADraggedMapFromItsKeptDrawingLooksAsDrawnInPlace) {
    sim::SimPlatform device;
    const Coordinate centre{43.7393682, 7.4272085};
    device.context().mapData = std::make_shared<StreetGrid>(centre);
    const auto map = std::make_shared<MapView>(Rect{0, 0, 200, 150});
    map->setCamera({centre, 400, 30});
    map->addOverlay(std::make_shared<MapPolyline>(
        std::vector<Coordinate>{centre, {centre.latitude + 0.0005, centre.longitude + 0.0004}}));
    LayerStore layers(2, makeCairoLayer);
    int redraws = 0;
    layers.setRedrawObserver([&](const View& v) { redraws += &v == map.get(); });
    CairoCanvas layered({200, 150}, 2, Color::white());
    // The last three run past the margin: drawn again once, reaching ahead of the drag.
    for (const double dx : {0.0, 7.0, 6.5, -20.0, 11.0, 70.0, 50.0, 50.0}) {
        SCOPED_TRACE(dx);
        const MapCamera c = map->camera();
        map->setCamera({map->convert(Point{100 - dx, 75 + dx}), c.altitude, c.heading});
        map->layoutIfNeeded();
        for (const auto& child : map->subviews()) child->setAlpha(0);  // the attribution
        ASSERT_TRUE(Renderer().renderFrame(*map, layered, layers));
        CairoCanvas direct({200, 150}, 2, Color::white());
        Renderer().render(*map, direct);
        const auto d = comparePixels(direct, layered);
        // Drawn into the larger surface, a few edge pixels round their coverage differently,
        // the first frame (drawn fresh) as much as the shifted ones.
        EXPECT_LE(d.largest, 4);
        EXPECT_LT(d.share, 0.01);
    }
    EXPECT_EQ(redraws, 2);
}

}  // namespace
}  // namespace arquorel::cairo
