#include "arquorel/places/ToolTipEstate.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "arquorel/places/CategoryColor.h"
#include "arquorel/places/LogoLoader.h"
#include "arquorel/platform/resources/Bundle.h"
#include "arquorel/platform/ui/LayoutRegistry.h"
#include "sim/device/SimDataLoader.h"
#include "sim/device/SimPlatform.h"

namespace arquorel {
namespace {

namespace fs = std::filesystem;

const char* kSvg =
    R"(<svg xmlns="http://www.w3.org/2000/svg" width="10" height="10"><rect width="10" height="10"/></svg>)";

std::shared_ptr<QuorelProperty> record(std::string name, std::int64_t categoryId = 0,
                                       std::string color = {}, std::string logo = {}) {
    auto p = std::make_shared<QuorelProperty>();
    p->name = std::move(name);
    p->category_id = categoryId;
    p->category_color = std::move(color);
    p->logo = std::move(logo);
    return p;
}

class ToolTipEstateTest : public ::testing::Test {
  protected:
    void SetUp() override {
        LogoLoader::reset();
        dir = fs::path(::testing::TempDir()) / "card_logos";
        fs::remove_all(dir);
        fs::create_directories(dir / "logos.example");
        write("a.svg", kSvg);
        write("b.svg", kSvg);
        write("huge.svg", std::string(kSvg) + std::string(DataLoader::kDefaultMaxBytes, ' '));
        loader = std::make_shared<sim::SimDataLoader>(dir);
        device.context().setDataLoader(loader);
        device.context().console().startCapture();
    }
    void TearDown() override { LogoLoader::reset(); }
    void write(const std::string& name, const std::string& text) {
        std::ofstream(dir / "logos.example" / name) << text;
    }
    std::shared_ptr<const Image> iconAfterLoading(const std::shared_ptr<QuorelProperty>& p) {
        card->setProperty(p);
        device.advance(1);
        return card->iconIv->image();
    }

    sim::SimPlatform device;
    fs::path dir;
    std::shared_ptr<sim::SimDataLoader> loader;
    std::shared_ptr<ToolTipEstate> card = ToolTipEstate::load();
};

TEST_F(ToolTipEstateTest, FullAndEmptyRecords) {
    auto full = record("Villa", 80, "#17A2B8");
    full->price = "2 500 000 €";
    full->squareMeters = "120 m²";
    full->pieces = "4 p.";
    card->setProperty(full);
    EXPECT_FALSE(card->isHidden());
    EXPECT_EQ(card->nameLabel->text(), "Villa");
    EXPECT_EQ(card->priceLabel->text(), "2 500 000 €");
    EXPECT_EQ(card->priceLabel->layer().cornerRadius, 4);
    EXPECT_TRUE(card->priceLabel->clipsToBounds());
    EXPECT_EQ(card->squareMeterLabel->text(), "120 m²");
    EXPECT_EQ(card->pieceLabel->text(), "4 p.");
    EXPECT_EQ(card->contentView->backgroundColor(), colorFromHexText("#17A2B8"));
    EXPECT_EQ(card->distanceLabel->textColor(), kDistanceGray);
    ASSERT_TRUE(card->iconIv->image());
    EXPECT_EQ(card->iconIv->image()->name(), "villa80");
    EXPECT_FALSE(card->iconIv->isHidden());

    auto empty = std::make_shared<QuorelProperty>();
    card->setProperty(empty);
    EXPECT_EQ(card->nameLabel->text(), "");
    EXPECT_EQ(card->priceLabel->text(), "");
    EXPECT_EQ(card->contentView->backgroundColor(), kNoCategoryGray);
    EXPECT_EQ(card->distanceLabel->textColor(), kNoCategoryGray);
    EXPECT_TRUE(card->iconIv->isHidden());  // there is no image "villa0"

    card->setProperty(nullptr);
    EXPECT_TRUE(card->isHidden());
}

TEST_F(ToolTipEstateTest, TypeImagesByExactName) {
    const struct {
        const char* name;
        const char* image;  // expected after binding, starting from "parking"
    } cases[] = {{"Villa", "villa"},   {"Immeuble", "immeuble"}, {"Terrain", "land"},
                 {"villa", "parking"}, {"Terrain ", "parking"},  {"", "parking"}};
    for (const auto& c : cases) {
        card->setProperty(record("Box/Parking"));
        ASSERT_EQ(card->typeImageView->image()->name(), "parking");
        card->setProperty(record(c.name));
        EXPECT_EQ(card->typeImageView->image()->name(), c.image) << c.name;
    }
}

TEST_F(ToolTipEstateTest, ShadowAndHapticPreparedOnLoad) {
    EXPECT_EQ(card->layer().shadowOffset, (Size{0, 2}));
    EXPECT_EQ(card->layer().shadowRadius, 2);
    EXPECT_EQ(card->layer().shadowOpacity, 0.3);
    EXPECT_FALSE(card->clipsToBounds());
    ASSERT_FALSE(device.context().application().hapticEvents().empty());
    EXPECT_EQ(device.context().application().hapticEvents().back().kind,
              HapticEvent::Kind::prepare);
    registerToolTipEstateLayout();
    auto views = LayoutRegistry::shared().loadViewLayout(kToolTipEstateLayout);
    ASSERT_EQ(views.size(), 1u);
    EXPECT_TRUE(std::dynamic_pointer_cast<ToolTipEstate>(views[0]));
}

TEST_F(ToolTipEstateTest, LogosOnlyFromHttpAndHttpsWithinTheCap) {
    const struct {
        const char* logo;
        const char* icon;  // expected image name, "" for none
        bool fetched;
    } cases[] = {
        {"https://logos.example/a.svg", "https://logos.example/a.svg", true},
        {"http://logos.example/b.svg", "http://logos.example/b.svg", true},
        {"ftp://logos.example/a.svg", "villa80", false},
        {"file:///etc/passwd", "villa80", false},
        {"not an address", "villa80", false},
        {"https://logos.example/huge.svg", "", true},     // over 1 MB: no picture at all
        {"https://logos.example/missing.svg", "", true},  // unreadable: no picture
    };
    for (const auto& c : cases) {
        const auto requests = loader->requests().size();
        auto image = iconAfterLoading(record("Shop", 80, "", c.logo));
        EXPECT_EQ(image ? image->name() : "", c.icon) << c.logo;
        EXPECT_EQ(loader->requests().size() > requests, c.fetched) << c.logo;
        EXPECT_FALSE(card->iconIv->isHidden()) << c.logo;
    }
}

TEST_F(ToolTipEstateTest, EachLogoFetchedOnce) {
    auto other = ToolTipEstate::load();
    loader->setDelay(0.5);
    card->setProperty(record("One", 0, "", "https://logos.example/a.svg"));
    other->setProperty(record("Two", 0, "", "https://logos.example/a.svg"));
    device.advance(1);
    card->setProperty(record("Three", 0, "", "https://logos.example/a.svg"));
    device.advance(1);
    EXPECT_EQ(loader->requests().size(), 1u);
    for (const auto& c : {card, other}) {
        ASSERT_TRUE(c->iconIv->image());
        EXPECT_EQ(c->iconIv->image()->name(), "https://logos.example/a.svg");
    }
}

TEST_F(ToolTipEstateTest, LateLogoForAnotherPlaceIsDropped) {
    loader->setDelay("https://logos.example/a.svg", 2);
    card->setProperty(record("Slow", 0, "", "https://logos.example/a.svg"));
    device.advance(0.5);
    // Rebound to a place with its own category icon before the answer comes.
    card->setProperty(record("Icon", 80));
    device.advance(3);
    ASSERT_TRUE(card->iconIv->image());
    EXPECT_EQ(card->iconIv->image()->name(), "villa80");

    // Rebound to a faster logo: the slow answer must not replace it.
    write("c.svg", kSvg);
    loader->setDelay("https://logos.example/c.svg", 2);
    card->setProperty(record("Slow", 0, "", "https://logos.example/c.svg"));
    device.advance(0.5);
    card->setProperty(record("Fast", 0, "", "https://logos.example/b.svg"));
    device.advance(3);
    ASSERT_TRUE(card->iconIv->image());
    EXPECT_EQ(card->iconIv->image()->name(), "https://logos.example/b.svg");

    // A card gone before the answer is simply not there to update.
    auto gone = ToolTipEstate::load();
    gone->setProperty(record("Gone", 0, "", "https://logos.example/c.svg"));
    gone.reset();
    device.advance(3);
}

}  // namespace
}  // namespace arquorel
