#include "sim/host/PictureScene.h"

#include <gtest/gtest.h>

#include <iostream>

#include "arquorel/placelist/PointsVC.h"
#include "arquorel/places/PlacesFile.h"
#include "arquorel/platform/drawing/LayerStore.h"
#include "arquorel/platform/drawing/Renderer.h"
#include "arquorel/platform/drawing/cairo/CairoCanvas.h"
#include "arquorel/platform/ui/ScrollView.h"
#include "arquorel/platform/ui/TableView.h"
#include "sim/host/DetailsCommand.h"
#include "sim/host/ListCommand.h"

namespace arquorel::sim {
namespace {

const std::string kPlaces = std::string(ARQUOREL_DATA_DIR) + "/monaco/places.json";

// A window drawn directly and with fresh layers, as the largest channel difference and the
// share of differing pixels; the layers' frame drawn from `layers` when given.
cairo::PixelDifference compareLayered(const Window& window, Size size, double scale,
                                      const char* what, LayerStore* layers = nullptr) {
    cairo::CairoCanvas direct(size, scale, Color::white());
    Renderer().render(window, direct);
    cairo::CairoCanvas layered(size, scale, Color::white());
    LayerStore fresh(scale, cairo::makeCairoLayer);
    EXPECT_TRUE(Renderer().renderFrame(window, layered, layers ? *layers : fresh));
    const auto d = cairo::comparePixels(direct, layered);
    std::cout << what << ": largest channel difference " << d.largest << ", " << d.share * 100
              << "% of pixels differ\n";
    return d;
}

// Layers copied on whole device pixels hold the same pixels as drawing in place, but for the
// rounding of compositing them (a level or two).
constexpr int kRounding = 3;

TEST(PictureSceneTest, TheListAndTheDetailsLookTheSameDrawnWithLayers) {
    std::string error;
    const auto file = PlacesFile::fromPath(kPlaces);
    ASSERT_FALSE(file.records.empty());
    const std::vector<std::string> at = {"--places",  kPlaces, "--at",  "43.7393682,7.4272085",
                                         "--heading", "80",    "--png", "unused.png"};
    const auto listRequest = parseListRequest(at, error);
    ASSERT_TRUE(listRequest) << error;
    ListScene list(*listRequest, file.records);
    LayerStore layers(listRequest->scale, cairo::makeCairoLayer);
    auto d =
        compareLayered(list.window(), listRequest->screen, listRequest->scale, "list", &layers);
    EXPECT_LE(d.largest, kRounding);
    // Scrolled: the cells' layers move without being drawn again.
    const auto drawn = layers.stats().redraws;
    auto& table = *list.list().tableView;
    table.setContentOffset({0, 33.5});
    d = compareLayered(list.window(), listRequest->screen, listRequest->scale, "list scrolled",
                       &layers);
    EXPECT_LE(d.largest, kRounding);
    EXPECT_LT(layers.stats().redraws - drawn, 4u) << "cells coming into view only";

    auto detailsArgs = at;
    detailsArgs.insert(detailsArgs.end(), {"--id", file.records.front()->id});
    const auto detailsRequest = parseDetailsRequest(detailsArgs, error);
    ASSERT_TRUE(detailsRequest) << error;
    DetailsScene details(*detailsRequest, file.records.front(), nullptr);
    d = compareLayered(details.window(), detailsRequest->screen, detailsRequest->scale, "details");
    // The rounded corners of the tags, which clip to their bounds, antialias differently
    // inside their own surface than under the scrolling content's clip: a few pixels a corner
    // (0.04% of the picture), not to be seen at four times the size.
    EXPECT_LE(d.largest, 96);
    EXPECT_LT(d.share, 0.001);
}

}  // namespace
}  // namespace arquorel::sim
