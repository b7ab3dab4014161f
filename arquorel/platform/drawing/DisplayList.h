#pragma once
// A Painter that records what is drawn as a list of steps, without pixels. Tests assert on the
// steps; a backend replays them. Views record once and any number of backends replay.

#include <string>
#include <variant>
#include <vector>

#include "arquorel/platform/drawing/Painter.h"

namespace arquorel {

namespace step {
struct Save {};
struct Restore {};
struct Concat {
    Transform transform;
};
struct MultiplyAlpha {
    double alpha;
};
struct Clip {
    Path path;
};
struct Fill {
    Path path;
    Color color;
};
struct Stroke {
    Path path;
    Color color;
    StrokeStyle style;
};
struct FillGradient {
    Path area;
    Gradient gradient;
};
struct DrawShadow {
    Path shape;
    Shadow shadow;
};
struct DrawImage {
    std::shared_ptr<const Image> image;
    Rect dest;
    std::optional<Color> tint;
};
struct DrawText {
    std::shared_ptr<const TextLayout> layout;
    Point origin;
};
struct DrawLayer {
    std::shared_ptr<const LayerSurface> layer;
    std::uint64_t generation;  // of the content when the step was recorded
};
}  // namespace step

using DrawStep = std::variant<step::Save, step::Restore, step::Concat, step::MultiplyAlpha,
                              step::Clip, step::Fill, step::Stroke, step::FillGradient,
                              step::DrawShadow, step::DrawImage, step::DrawText, step::DrawLayer>;

// One line per step, stable for tests, e.g. "fill rect(0,0,10,10) #FF0000" or
// "text 'Casino' at 4,2" or "layer #12 (gen 3) at -2,-2,104,34".
std::string describe(const DrawStep& step);

class DisplayList final : public Painter {
  public:
    void save() override;
    void restore() override;
    void concat(const Transform& t) override;
    void multiplyAlpha(double alpha) override;
    void clip(const Path& path) override;
    void fill(const Path& path, const Color& color) override;
    void stroke(const Path& path, const Color& color, const StrokeStyle& style) override;
    void fillGradient(const Path& area, const Gradient& gradient) override;
    void drawShadow(const Path& shape, const Shadow& shadow) override;
    void drawImage(const std::shared_ptr<const Image>& image, const Rect& dest,
                   std::optional<Color> tint = std::nullopt) override;
    void drawText(const std::shared_ptr<const TextLayout>& layout, Point origin) override;
    void drawLayer(const std::shared_ptr<const LayerSurface>& layer) override;

    const std::vector<DrawStep>& steps() const { return steps_; }
    std::vector<std::string> descriptions() const;
    void clear() { steps_.clear(); }
    // Issues every recorded step to `painter`, in order.
    void replay(Painter& painter) const;

  private:
    std::vector<DrawStep> steps_;
};

}  // namespace arquorel
