#pragma once
// A Painter that encodes what is drawn as a flat list of numbers and a table of texts, for a
// Canvas 2D context to replay in one pass (platform/browser/emscripten/browser.js). Each step
// is an operation code followed by its operands; paths are their fill rule, element count and
// elements; colours are red, green, blue (0 to 255) and alpha (0 to 1). Images are sent once,
// as SVG text in the table or as the address of their decoded pixels, under a number that
// later frames reuse while the image lives.
//
// A frame starts by making transparent what the canvas holds: only the boxes the last frame
// sent drew into when all it drew were layers, everything otherwise. A cleared area drawn
// before anything else in a frame is then left out, its pixels being transparent already.
//
// Retained layers are canvases of their own on the replaying side, kept under a number that
// belongs to one surface (a view's later surface gets another): their content is drawn
// between beginLayer and endLayer, then drawLayer copies their pixels onto the canvas drawn
// before, and freeLayer drops them once the surface is gone.

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "arquorel/platform/drawing/LayerStore.h"
#include "arquorel/platform/drawing/Painter.h"

namespace arquorel {
class View;
}

namespace arquorel::browser {

enum class CanvasOp : int {
    save = 1,
    restore,
    concat,        // a b c d tx ty
    alpha,         // factor
    clip,          // path
    fill,          // path colour
    stroke,        // path colour width cap join dashCount dashes... phase
    linear,        // path stopCount (location colour)... x0 y0 x1 y1
    conic,         // path stopCount (location colour)... cx cy startAngle
    shadow,        // path colour dx dy radius
    image,         // imageId x y w h hasTint colour
    text,          // font(text index) colour lineCount (text index, x, y)...
    clearRect,     // x y w h: the area becomes transparent (what lies under the canvas shows)
    defineImage,   // imageId svg(text index) width height
    forgetImage,   // imageId: the image is gone
    defineRaster,  // imageId width height address: straight RGBA rows at that memory address,
                   // read during this replay (the image lives while it is drawn)
    beginLayer,    // layerId pixelWidth pixelHeight scaleX scaleY: the following steps draw
                   // into the layer's canvas of that size (made, or cleared), from the
                   // transform scale(scaleX, scaleY), until endLayer
    endLayer,      // back to the canvas drawn on before beginLayer, in the state it was in
    drawLayer,     // layerId a b c d tx ty: the layer's canvas drawn with that transform from
                   // its pixels to the canvas's device pixels, at full alpha, under the clip
    freeLayer,     // layerId: the layer is gone
};

enum class PathOp : int { moveTo = 1, lineTo, quadTo, curveTo, arc, rect, close };

// The CSS font of a text style: "italic 600 17px "DejaVu Sans"" (weights 400, 500, 600, 700).
std::string cssFont(const TextStyle& style);

// A surface that makes its extent transparent where it is composited onto a page's canvas
// (the camera's video under the canvas shows there), and draws nothing on other painters.
std::shared_ptr<const LayerSurface> makeClearedArea(const Rect& area);

class CanvasCommands final : public Painter {
  public:
    CanvasCommands();
    ~CanvasCommands() override;
    CanvasCommands(const CanvasCommands&) = delete;
    CanvasCommands& operator=(const CanvasCommands&) = delete;

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
    // Surfaces of this painter's making are copied onto whole device pixels when the current
    // transform only moves them, as natively; cleared areas become clearRect.
    void drawLayer(const std::shared_ptr<const LayerSurface>& layer) override;
    // Makes `rect` transparent, so that a picture under the canvas (the camera's video) shows.
    void clearRect(const Rect& rect);

    const std::vector<double>& numbers() const { return numbers_; }
    const std::vector<std::string>& texts() const { return texts_; }
    // The texts joined with NUL characters (NULs inside a text become U+FFFD).
    std::string joinedTexts() const;
    // Starts a new frame drawn by the caller, over what the canvas holds (clearRect clears
    // it); images already sent stay known, those gone are forgotten on both sides (the frame
    // starts by telling the replaying side).
    void clear();
    // Forgets the images sent (the replaying side lost its cache).
    void forgetImages();
    // The canvas lost what the frames drew (made anew, resized): the next frame clears it all.
    void forgetCanvas() { lastKnown_ = false; }
    std::size_t knownImageCount() const { return images_.size(); }

    // A LayerStore factory: surfaces whose content is drawn through this painter into
    // canvases of their own on the replaying side. Destroying one sends freeLayer with the
    // next frame.
    LayerStore::Factory layerFactory();
    // Starts a new frame and draws `root` (none: an empty frame) at `scale` device pixels a
    // point with the layers of `store`, made by layerFactory(). False when nothing changed
    // since the last frame drawn: then there is nothing to send, and what the next frame must
    // tell the replaying side (images and layers gone) waits for it.
    bool drawFrame(const View* root, double scale, LayerStore& store);

  private:
    void op(CanvasOp o) {
        // Drawn onto the canvas itself where no box is followed: the next frame clears it all.
        if (o >= CanvasOp::fill && o <= CanvasOp::text && outer_.empty()) drawnKnown_ = false;
        numbers_.push_back(static_cast<int>(o));
    }
    void put(double v) { numbers_.push_back(v); }
    void put(const Color& c);
    void put(const Path& path);
    void putStops(const Gradient& gradient);
    int text(std::string s);
    int imageId(const std::shared_ptr<const Image>& image);
    // Empties the lists and the replaying side's state as it stands at the start of a replay.
    void startFrame();
    // Makes transparent what the canvas holds from the frames before.
    void clearCanvas();
    // Tells the replaying side which images and layers are gone.
    void putReleases();

    friend class CanvasLayer;
    void beginLayer(int id, const LayerShape& shape);
    void endLayer();

    std::vector<double> numbers_;
    std::vector<std::string> texts_;
    struct KnownImage {
        std::weak_ptr<const Image> image;
        int id;
    };
    std::map<const Image*, KnownImage> images_;
    int nextImageId_ = 1;

    // What the surfaces share with their painter: the ids of those destroyed, to be freed.
    struct LayerSink {
        CanvasCommands* commands = nullptr;
        std::vector<int> freed;
        int nextId = 1;
    };
    std::shared_ptr<LayerSink> layers_;
    // The replaying side's transform (device pixels) and save depth, followed to place
    // layers on whole pixels; the state of the canvas drawn on before each beginLayer.
    struct Target {
        Transform transform;
        std::vector<Transform> saved;
    };
    Target target_;
    std::vector<Target> outer_;
    // The device boxes this frame drew into on the canvas itself (not into layers), and
    // whether they are all it drew; the same for the last frame sent, when its pixels are
    // still on the canvas.
    std::vector<Rect> drawn_;
    bool drawnKnown_ = true;
    std::vector<Rect> lastDrawn_;
    bool lastKnown_ = false;
};

}  // namespace arquorel::browser
