// Draws a few Monaco cards as they appear over the camera picture and checks what a person
// would see: white cards with a shadow, the tile in the category colour, the texts. The
// picture is kept for looking at ($ARQUOREL_CARD_PICTURE, else the test temp folder).
#include <gtest/gtest.h>

#include <cstdlib>

#include "arquorel/places/AnnnotationView.h"
#include "arquorel/places/CategoryColor.h"
#include "arquorel/places/LogoLoader.h"
#include "arquorel/places/Place.h"
#include "arquorel/places/PlacesFile.h"
#include "arquorel/places/ToolTipEstate.h"
#include "arquorel/platform/drawing/Renderer.h"
#include "arquorel/platform/drawing/cairo/CairoCanvas.h"
#include "arquorel/platform/resources/Bundle.h"
#include "sim/device/SimPlatform.h"

namespace arquorel {
namespace {

std::shared_ptr<QuorelProperty> monaco(const PlacesFile& file, const std::string& id) {
    for (const auto& r : file.records)
        if (r->id == id) return r;
    return nullptr;
}

TEST(CardPictureTest, MonacoCardsDrawn) {
    sim::SimPlatform device;
    Bundle::framework().setLanguage("en");
    LogoLoader::reset();
    const auto file = PlacesFile::fromPath(ARQUOREL_DATA_DIR "/monaco/places.json");
    ASSERT_FALSE(file.error);
    auto villa = std::make_shared<QuorelProperty>(*monaco(file, "n6456634692"));
    villa->name = "Villa";
    villa->price = "4 900 000 €";
    villa->squareMeters = "180 m²";
    villa->pieces = "5 p.";
    auto grey = std::make_shared<QuorelProperty>(*monaco(file, "n954713831"));
    grey->category_color.clear();
    const struct {
        std::shared_ptr<QuorelProperty> record;
        double distance;
        Rect frame;
    } cards[] = {
        {monaco(file, "n4416197079"), 236, {14, 20, 253, 139}},  // the main card of its sector
        {monaco(file, "n1876870084"), 1480, {14, 180, 169, 93}},
        {villa, 812, {192, 180, 169, 93}},
        {grey, 95, {14, 290, 169, 93}},
        {monaco(file, "n6456634692"), 2210, {192, 290, 169, 93}},
    };
    auto root = std::make_shared<View>(Rect{0, 0, 375, 400});
    root->setBackgroundColor({0.46, 0.55, 0.62, 1});  // a grey-blue sky behind the cards
    std::vector<std::shared_ptr<AnnnotationView>> views;
    std::vector<std::shared_ptr<Place>> places;
    for (const auto& c : cards) {
        ASSERT_TRUE(c.record);
        auto place = Place::create(c.record);
        place->setDistanceFromUser(c.distance);
        auto view = AnnnotationView::createWithCard(c.frame);
        view->setAnnotation(place);
        root->addSubview(view);
        views.push_back(view);
        places.push_back(place);  // views hold their annotations weakly
    }
    root->layoutIfNeeded();
    cairo::CairoCanvas canvas({375, 400}, 2, Color::white());
    Renderer().render(*root, canvas);
    const char* out = std::getenv("ARQUOREL_CARD_PICTURE");
    EXPECT_EQ(canvas.writePng(out ? out : ::testing::TempDir() + "cards.png"), std::nullopt);

    for (std::size_t i = 0; i < views.size(); ++i) {
        auto card = views[i]->card();
        const Rect f = views[i]->frame();
        const Rect tile = card->contentView->frame();
        SCOPED_TRACE(card->nameLabel->text());
        // White card body to the right of the texts' start, below the name.
        EXPECT_EQ(canvas.colorAt({f.x() + f.width() - 6, f.y() + f.height() / 2}), Color::white());
        // The tile's corner area shows the category colour (light grey without one).
        const Color expected = card->property()->category_color.empty()
                                   ? kNoCategoryGray
                                   : colorFromHexText(card->property()->category_color);
        const Color seen = canvas.colorAt({f.x() + tile.x() + 3, f.y() + tile.midY()});
        EXPECT_NEAR(seen.red, expected.red, 0.02);
        EXPECT_NEAR(seen.green, expected.green, 0.02);
        EXPECT_NEAR(seen.blue, expected.blue, 0.02);
        // The shadow falls below the card.
        const Color below = canvas.colorAt({f.midX(), f.y() + f.height() - 1});
        EXPECT_LT(below.red + below.green + below.blue, 0.46 + 0.55 + 0.62);
        EXPECT_FALSE(card->distanceLabel->text().empty());
    }
    Bundle::framework().setLanguage("");
}

}  // namespace
}  // namespace arquorel
