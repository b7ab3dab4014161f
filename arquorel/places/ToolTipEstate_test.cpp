#include "arquorel/places/ToolTipEstate.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <tuple>

#include <unistd.h>

#include "arquorel/places/CategoryColor.h"
#include "arquorel/places/LogoLoader.h"
#include "sim/device/SimDataLoader.h"
#include "sim/device/SimPlatform.h"

namespace arquorel {
namespace {

namespace fs = std::filesystem;
const std::string kSvg = R"(<svg xmlns="http://www.w3.org/2000/svg" width="9" height="9"/>)";
// A 4 x 2 PNG, opaque red.
const std::string kPngBytes(
    "\x89\x50\x4e\x47\x0d\x0a\x1a\x0a\x00\x00\x00\x0d\x49\x48\x44\x52\x00\x00\x00\x04\x00\x00"
    "\x00\x02\x08\x06\x00\x00\x00\x7f\xa8\x7d\x63\x00\x00\x00\x12\x49\x44\x41\x54\x78\x9c\x63"
    "\x38\x21\xa7\xf1\x1f\x19\x33\xa0\x0b\x00\x00\x14\x5d\x10\x69\x45\x26\xbc\x39\x00\x00\x00"
    "\x00\x49\x45\x4e\x44\xae\x42\x60\x82",
    75);
const std::string kA = "https://logos.example/a.svg", kB = "http://logos.example/b.svg",
                  kSlow = "https://logos.example/slow.svg", kPng = "https://logos.example/r.png";

std::shared_ptr<QuorelProperty> record(std::string name, std::int64_t category = 0,
                                       std::string color = {}, std::string logo = {}) {
    auto p = std::make_shared<QuorelProperty>();
    p->name = std::move(name);
    p->category_id = category;
    p->category_color = std::move(color);
    p->logo = std::move(logo);
    return p;
}

std::string iconName(const ToolTipEstate& c) {
    return c.iconIv->image() ? c.iconIv->image()->name() : "";
}

class ToolTipEstateTest : public ::testing::Test {
  protected:
    void SetUp() override {
        LogoLoader::reset();
        fs::create_directories(dir / "logos.example");
        for (const char* name : {"a.svg", "b.svg", "slow.svg"})
            std::ofstream(dir / "logos.example" / name) << kSvg;
        std::ofstream(dir / "logos.example" / "r.png", std::ios::binary) << kPngBytes;
        // A PNG cut short, and text that is no picture at all.
        std::ofstream(dir / "logos.example" / "cut.png", std::ios::binary)
            << kPngBytes.substr(0, 40);
        std::ofstream(dir / "logos.example" / "text.jpg") << "not a picture";
        std::ofstream(dir / "logos.example" / "huge.svg")
            << kSvg << std::string(DataLoader::kDefaultMaxBytes, ' ');
        device.context().setDataLoader(loader);
        device.context().console().startCapture();
    }
    void TearDown() override {
        LogoLoader::reset();
        fs::remove_all(dir);
    }

    sim::SimPlatform device;
    // One folder a process: ctest runs tests side by side.
    fs::path dir = fs::path(::testing::TempDir()) / ("card_logos_" + std::to_string(::getpid()));
    std::shared_ptr<sim::SimDataLoader> loader = std::make_shared<sim::SimDataLoader>(dir);
    std::shared_ptr<ToolTipEstate> card = ToolTipEstate::load();
};

TEST_F(ToolTipEstateTest, FullAndEmptyRecords) {
    auto full = record("Villa", 80, "#17A2B8");
    std::tie(full->price, full->squareMeters, full->pieces) = std::tuple("1 €", "9 m²", "4 p.");
    card->setProperty(full);
    const auto texts = [&] {
        return std::vector<std::string>{card->nameLabel->text(), card->priceLabel->text(),
                                        card->squareMeterLabel->text(), card->pieceLabel->text()};
    };
    EXPECT_EQ(texts(), (std::vector<std::string>{"Villa", "1 €", "9 m²", "4 p."}));
    EXPECT_EQ(card->contentView->backgroundColor(), colorFromHexText("#17A2B8"));
    EXPECT_EQ(card->distanceLabel->textColor(), kDistanceGray);
    EXPECT_EQ(iconName(*card), "villa80");
    card->setProperty(std::make_shared<QuorelProperty>());
    EXPECT_EQ(texts(), (std::vector<std::string>{"", "", "", ""}));
    EXPECT_EQ(card->contentView->backgroundColor(), kNoCategoryGray);
    EXPECT_EQ(card->distanceLabel->textColor(), kNoCategoryGray);
    EXPECT_TRUE(card->iconIv->isHidden());  // no image "villa0"
    EXPECT_FALSE(card->isHidden());
    card->setProperty(nullptr);
    EXPECT_TRUE(card->isHidden());
}

TEST_F(ToolTipEstateTest, TypeImagesByExactName) {
    const std::pair<const char*, const char*> cases[] = {
        {"Villa", "villa"},
        {"Immeuble", "immeuble"},
        {"Terrain", "land"},
        {"villa", ""},
        {"Terrain ", ""}};  // a reused card shows no type image of the place before
    for (const auto& [name, image] : cases) {
        card->setProperty(record("Box/Parking"));
        card->setProperty(record(name));
        const auto& shown = card->typeImageView->image();
        EXPECT_EQ(shown ? shown->name() : "", image) << name;
    }
}

// On a narrow card the price is shortened to the room left, never dropped; surface and rooms
// that do not fit are left out rather than squeezed.
TEST_F(ToolTipEstateTest, ALongPriceIsShortenedToTheCard) {
    auto p = record("Villa", 80, "#17A2B8");
    std::tie(p->price, p->squareMeters, p->pieces) =
        std::tuple("1 250 000 000 000 € or best offer", "9 m²", "4 p.");
    card->setFrame({0, 0, 150, 50});
    card->setProperty(p);
    card->layoutIfNeeded();
    const auto& price = *card->priceLabel;
    EXPECT_FALSE(price.isHidden());
    EXPECT_GT(price.frame().width(), 20);
    EXPECT_LT(price.frame().width(), price.sizeThatFits({}).width);
    EXPECT_LE(price.frame().maxX(), card->bounds().width());
    EXPECT_TRUE(card->squareMeterLabel->isHidden() && card->pieceLabel->isHidden());
    // A short price leaves room for the others.
    p->price = "9 €";
    card->setProperty(p);
    card->layoutIfNeeded();
    EXPECT_NEAR(price.frame().width(), price.sizeThatFits({}).width + 8 * 50 / 91.0, 0.01);
    EXPECT_FALSE(card->squareMeterLabel->isHidden());
}

TEST_F(ToolTipEstateTest, LogoSchemesAndCap) {
    const struct {
        std::string logo, icon;
        bool fetched;
    } cases[] = {
        {kA, kA, true},
        {kB, kB, true},
        {"ftp://logos.example/a.svg", "villa80", false},
        {"file:///etc/passwd", "villa80", false},
        {kPng, kPng, true},
        // No picture behind the address: the category icon stays.
        {"https://logos.example/huge.svg", "villa80", true},  // over 1 MB
        {"https://logos.example/none.svg", "villa80", true},
        {"https://logos.example/cut.png", "villa80", true},
        {"https://logos.example/text.jpg", "villa80", true},
    };
    for (const auto& c : cases) {
        const auto before = loader->requests().size();
        card->setProperty(record("Shop", 80, "", c.logo));
        device.advance(1);
        EXPECT_EQ(iconName(*card), c.icon) << c.logo;
        EXPECT_EQ(loader->requests().size() > before, c.fetched) << c.logo;
    }
    // The PNG is drawn from its pixels, at its own size.
    card->setProperty(record("Shop", 80, "", kPng));
    device.advance(1);
    const auto& logo = card->iconIv->image();
    ASSERT_TRUE(logo && logo->raster());
    EXPECT_EQ(logo->size(), (Size{4, 2}));
    EXPECT_EQ(logo->raster()->rgba[0], 200);
    // A card given a place without a logo shows that place's category icon, not the logo.
    card->setProperty(record("Other", 80));
    EXPECT_EQ(iconName(*card), "villa80");
}

TEST_F(ToolTipEstateTest, LogosFetchedOnceAndLateAnswersDropped) {
    auto other = ToolTipEstate::load();
    loader->setDelay(0.5);
    loader->setDelay(kSlow, 2);
    card->setProperty(record("One", 0, "", kA));
    other->setProperty(record("Two", 0, "", kA));
    device.advance(1);
    EXPECT_EQ(iconName(*other), kA);
    card->setProperty(record("Slow", 0, "", kSlow));
    other->setProperty(record("Slow", 0, "", kSlow));
    device.advance(0.5);
    card->setProperty(record("Icon", 80));  // answered later: the slow logo must not show
    other->setProperty(record("Fast", 0, "", kA));
    device.advance(3);
    EXPECT_EQ(iconName(*card), "villa80");
    EXPECT_EQ(iconName(*other), kA);
    EXPECT_EQ(loader->requests(), (std::vector<std::string>{kA, kSlow}));
}

}  // namespace
}  // namespace arquorel
