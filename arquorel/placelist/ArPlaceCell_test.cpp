#include "arquorel/placelist/ArPlaceCell.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "arquorel/places/CategoryColor.h"
#include "arquorel/places/DistanceText.h"
#include "arquorel/platform/resources/Bundle.h"
#include "arquorel/platform/runtime/PlatformContext.h"
#include "arquorel/platform/sensors/Geodesy.h"
#include "sim/device/SensorScript.h"
#include "sim/device/SimLocationService.h"
#include "sim/device/SimPlatform.h"

namespace arquorel {
namespace {

constexpr Coordinate kUser{43.7393682, 7.4272085};

// A place `metres` from the user on the course `bearing` (degrees).
std::shared_ptr<QuorelProperty> placeAt(double metres, double bearing, std::string name = "P") {
    auto r = std::make_shared<QuorelProperty>();
    r->id = name;
    r->name = std::move(name);
    const double b = bearing * std::numbers::pi / 180;
    r->lat = kUser.latitude + metres * std::cos(b) / 111'200;
    r->lng = kUser.longitude +
             metres * std::sin(b) / (111'200 * std::cos(43.74 * std::numbers::pi / 180));
    return r;
}

struct CellStage {
    sim::SimPlatform device;
    sim::SimSensors sensors;
    CellStage() {
        LocationManager::resetSharedInstance();
        manager().start();
        Bundle::framework().setLanguage("en");
        rereadUnitSetting();
        device.estimateTextMetrics();
    }
    ~CellStage() {
        LocationManager::resetSharedInstance();
        Bundle::framework().setLanguage("");
        rereadUnitSetting();
    }
    LocationManager& manager() { return *LocationManager::sharedInstance(); }
    void heading(double degrees) {
        static_cast<sim::SimLocationService*>(manager().manager())
            ->deliverHeading({degrees, degrees, 5, device.now()});
    }
    void locate() { manager().setLatestLocation(Location(kUser, 0, 5, 5, device.now())); }
    std::shared_ptr<ArPlaceCell> configured(std::shared_ptr<QuorelProperty> place) {
        auto cell = std::make_shared<ArPlaceCell>();
        cell->place = std::move(place);
        cell->configure();
        return cell;
    }
};

TEST(ArPlaceCellTest, RowsAndTagsFollowTheRecord) {
    CellStage stage;
    struct Case {
        const char* name;
        std::string parent, category, color, hours, number, street, city, shareText;
        std::vector<std::string> tags;
        Color tagColor;
        std::string address;
        double timeHeight, locationHeight;
        bool shareHidden;
    };
    const Case cases[] = {
        {"everything",
         "Église",
         "Geschäft",
         "#17A2B8",
         "Mo-Su 09:00-18:00",
         "2",
         "Rue Grimaldi",
         "Monaco",
         "Look",
         {"ÉGLISE  ", "GESCHÄFT  "},
         colorFromHexText("#17A2B8"),
         "2 Rue Grimaldi, Monaco  ",
         25,
         22,
         false},
        {"a city without a street shows no address",
         "",
         "Café",
         "",
         "",
         "",
         "",
         "Monaco",
         "",
         {"CAFÉ  "},
         kLightGray,
         "",
         0,
         0,
         true},
        {"unparseable colour is black",
         "Shop",
         "",
         "zz",
         "",
         "7",
         "Rue Basse",
         "",
         "",
         {"SHOP  "},
         Color::black(),
         "7 Rue Basse ",
         0,
         22,
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto place = placeAt(100, 0, "Casino");
        place->parent_category_title = c.parent;
        place->category = c.category;
        place->category_color = c.color;
        place->opening_hours = c.hours;
        place->housenumber = c.number;
        place->street = c.street;
        place->city = c.city;
        place->shareText = c.shareText;
        auto cell = stage.configured(place);
        EXPECT_EQ(cell->titlelabel->text(), "Casino");
        EXPECT_EQ(cell->collectionView->tagTexts(), c.tags);
        if (!c.tags.empty()) {
            const auto& style = cell->collectionView->tag(0)->style();
            EXPECT_EQ(style.backgroundColor, c.tagColor);
            EXPECT_EQ(style.borderColor, c.tagColor);
            EXPECT_EQ(style.font, Font::boldSystem(11));
        }
        EXPECT_EQ(cell->timeHeight, c.timeHeight);
        EXPECT_EQ(cell->timeLabel->text(), c.hours.empty() ? "" : c.hours + " ");
        EXPECT_EQ(cell->locationHeight, c.locationHeight);
        EXPECT_EQ(cell->locationLabel->text(), c.address);
        EXPECT_EQ(cell->shareButton->isHidden(), c.shareHidden);
    }
}

TEST(ArPlaceCellTest, AReusedCellShowsItsOwnDistanceAtOnceWithOneSubscription) {
    CellStage stage;
    // No location yet: distance and arrow hidden, but the cell listens.
    auto cell = stage.configured(placeAt(100, 90, "East"));
    EXPECT_TRUE(cell->distanceLabel->isHidden());
    EXPECT_TRUE(cell->dirArrow->isHidden());
    EXPECT_EQ(stage.manager().headingCallbackCount(), 1u);

    // A location without any heading: configuring computes the distance at once.
    stage.locate();
    cell->place = placeAt(2000, 90, "Far east");
    cell->favoriteButton->setSelected(true);
    cell->configure();
    EXPECT_FALSE(cell->distanceLabel->isHidden());
    EXPECT_EQ(cell->distanceLabel->text(), "  2km  ");
    EXPECT_FALSE(cell->favoriteButton->isSelected());

    // Reused for another place: its distance at once, still one subscription.
    cell->place = placeAt(300, 180, "South");
    cell->configure();
    EXPECT_EQ(cell->distanceLabel->text(), "  300m  ");
    EXPECT_EQ(stage.manager().headingCallbackCount(), 1u);
    EXPECT_EQ(cellDistanceText(NAN), "");  // no pill of blanks for a distance unknown

    // The location moves: the next heading measures from the new place.
    stage.manager().setLatestLocation(
        Location({kUser.latitude - 200 / 111'200.0, kUser.longitude}, 0, 5, 5, stage.device.now()));
    stage.heading(0);
    EXPECT_EQ(cell->distanceLabel->text(), "  100m  ");

    // The favourite toggle ticks and flips the button only.
    cell->removeFromFavorite();
    EXPECT_TRUE(cell->favoriteButton->isSelected());
    EXPECT_EQ(cell->hapticTicks(), 1);

    // A cell that is gone leaves no subscription behind.
    cell.reset();
    EXPECT_EQ(stage.manager().headingCallbackCount(), 0u);
}

// The direction the arrow points to on screen, in degrees clockwise from the top, in [0, 360).
double arrowDegrees(const ArPlaceCell& cell) {
    const Transform& t = cell.dirArrow->transform();
    const double degrees = std::atan2(t.b, t.a) * 180 / std::numbers::pi;
    return degrees < 0 ? degrees + 360 : degrees;
}

double angleBetween(double a, double b) {
    return std::abs(std::remainder(a - b, 360.0));
}

TEST(ArPlaceCellTest, TheArrowShowsOnlyWithAHeadingAndPointsToThePlace) {
    CellStage stage;
    stage.locate();
    auto cell = stage.configured(placeAt(300, 45, "North-east"));
    // A position but no compass: the distance, and no arrow that would point nowhere true.
    EXPECT_FALSE(cell->distanceLabel->isHidden());
    EXPECT_TRUE(cell->dirArrow->isHidden());
    // A reading the compass cannot vouch for (accuracy -1) changes nothing.
    platformContext().console().startCapture();
    static_cast<sim::SimLocationService*>(stage.manager().manager())
        ->deliverHeading({90, 90, -1, stage.device.now()});
    EXPECT_TRUE(cell->dirArrow->isHidden());
    EXPECT_EQ(platformContext().console().lines().size(), 1u);  // the reading was refused

    // With a heading the arrow points to the place: its bearing less the heading, for places
    // all around and a phone turned every way.
    for (const double heading : {0.0, 30.0, 108.0, 250.0}) {
        stage.heading(heading);
        for (const double bearing : {0.0, 45.0, 90.0, 160.0, 200.0, 270.0, 330.0}) {
            cell->place = placeAt(300, bearing, "There");
            cell->configure();
            EXPECT_FALSE(cell->dirArrow->isHidden());
            EXPECT_LT(angleBetween(arrowDegrees(*cell), bearing - heading), 0.5)
                << "bearing " << bearing << ", heading " << heading;
        }
    }

    // A cell configured after a heading is known shows its arrow at once, turned.
    auto late = stage.configured(placeAt(300, 90, "East"));
    EXPECT_FALSE(late->dirArrow->isHidden());
    EXPECT_LT(angleBetween(arrowDegrees(*late), 90 - 250), 0.5);
}

}  // namespace
}  // namespace arquorel
