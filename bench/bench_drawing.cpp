// Drawing a screen of 40 labelled cards into a 375x812 picture at 2 pixels a point: building
// the display list from the view tree, and rasterising that list with Cairo.
#include <benchmark/benchmark.h>

#include <cmath>
#include <string>

#include "arquorel/platform/drawing/DisplayList.h"
#include "arquorel/platform/drawing/Renderer.h"
#include "arquorel/platform/drawing/cairo/CairoCanvas.h"
#include "arquorel/platform/resources/Bundle.h"
#include "arquorel/platform/runtime/PlatformContext.h"
#include "arquorel/platform/ui/View.h"
#include "sim/device/SimPlatform.h"

namespace {

using namespace arquorel;

// Text measured once and drawn from the kept layout, as a label does.
class Text : public View {
  public:
    Text(Rect frame, const std::string& text, TextStyle style) : View(frame) {
        layout_ = platformContext().textEngine().layout(text, style, frame.width());
    }
    void draw(Painter& p) const override { p.drawText(layout_, {0, 0}); }

  private:
    std::shared_ptr<const TextLayout> layout_;
};

class Icon : public View {
  public:
    Icon(Rect frame, std::shared_ptr<const Image> image) : View(frame), image_(std::move(image)) {}
    void draw(Painter& p) const override { p.drawImage(image_, bounds()); }

  private:
    std::shared_ptr<const Image> image_;
};

struct Screen {
    sim::SimPlatform device;
    std::shared_ptr<View> root = std::make_shared<View>(Rect{0, 0, 375, 812});

    Screen() {
        root->layer().gradient =
            LayerGradient{LayerGradient::Kind::linear,
                          {Color{0.45, 0.65, 0.9, 1}, Color{0.3, 0.35, 0.3, 1}},
                          {0.45, 0.55},
                          {0.5, 0},
                          {0.5, 1}};
        TextStyle title;
        title.fontSize = 15;
        title.weight = FontWeight::bold;
        TextStyle detail;
        detail.fontSize = 12;
        detail.color = Color{0.35, 0.35, 0.4, 1};
        for (int i = 0; i < 40; ++i) {
            const double x = std::fmod(i * 83.0, 300.0) - 20, y = 60 + (i % 20) * 36.0;
            auto card = std::make_shared<View>(Rect{x, y, 170, 58});
            card->setBackgroundColor(Color::white().withAlpha(0.92));
            card->setAlpha(i % 5 == 0 ? 1.0 : 0.5);
            card->layer().cornerRadius = 8;
            card->layer().shadowOpacity = 0.3;
            card->layer().shadowRadius = 4;
            card->layer().shadowOffset = {0, 2};
            card->addSubview(std::make_shared<Icon>(
                Rect{8, 9, 40, 40}, Bundle::framework().image("villa" + std::to_string(i + 1))));
            card->addSubview(std::make_shared<Text>(Rect{56, 9, 106, 20},
                                                    "Place number " + std::to_string(i), title));
            card->addSubview(std::make_shared<Text>(Rect{56, 32, 106, 16},
                                                    std::to_string(40 + i * 23) + " m", detail));
            root->addSubview(card);
        }
    }
};

void BM_BuildDisplayList(benchmark::State& state) {
    Screen screen;
    const Renderer renderer;
    for (auto _ : state) {
        DisplayList list;
        renderer.render({screen.root}, list);
        benchmark::DoNotOptimize(list.steps().data());
    }
}
BENCHMARK(BM_BuildDisplayList)->Unit(benchmark::kMicrosecond);

void BM_RasteriseCairo(benchmark::State& state) {
    Screen screen;
    DisplayList list;
    Renderer().render({screen.root}, list);
    for (auto _ : state) {
        cairo::CairoCanvas canvas({375, 812}, 2, Color::black());
        list.replay(canvas);
        benchmark::DoNotOptimize(canvas.pixel(0, 0));
    }
}
BENCHMARK(BM_RasteriseCairo)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
