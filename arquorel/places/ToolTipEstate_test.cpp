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
const std::string kA = "https://logos.example/a.svg", kB = "http://logos.example/b.svg",
                  kSlow = "https://logos.example/slow.svg";

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
        {"villa", "parking"},
        {"Terrain ", "parking"}};  // others leave the image unchanged
    for (const auto& [name, image] : cases) {
        card->setProperty(record("Box/Parking"));
        card->setProperty(record(name));
        EXPECT_EQ(card->typeImageView->image()->name(), image) << name;
    }
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
        {"https://logos.example/huge.svg", "", true},  // over 1 MB: no picture
        {"https://logos.example/none.svg", "", true},
    };
    for (const auto& c : cases) {
        const auto before = loader->requests().size();
        card->setProperty(record("Shop", 80, "", c.logo));
        device.advance(1);
        EXPECT_EQ(iconName(*card), c.icon) << c.logo;
        EXPECT_EQ(loader->requests().size() > before, c.fetched) << c.logo;
    }
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
