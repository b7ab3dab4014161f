#include "arquorel/placelist/MicrodataTable.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "arquorel/placelist/MicrodataCell.h"
#include "arquorel/platform/drawing/Renderer.h"
#include "arquorel/platform/drawing/cairo/CairoCanvas.h"
#include "arquorel/platform/resources/Bundle.h"
#include "arquorel/platform/runtime/PlatformContext.h"
#include "arquorel/platform/ui/Label.h"
#include "arquorel/platform/ui/Window.h"
#include "sim/device/SimPlatform.h"

namespace arquorel {
namespace {

QuorelProperty placeWith(const std::string& microData) {
    QuorelProperty place;
    place.micro_data.emplace(microData.begin(), microData.end());
    return place;
}

std::vector<std::string> tagTexts(const MicrodataCell& cell) {
    return cell.collectionView->tagTexts();
}

TEST(MicrodataTableTest, RowsForWellFormedEntriesOnly) {
    struct Case {
        const char* name;
        std::string microData;
        std::vector<MicrodataFact> facts;
    };
    const std::vector<Case> cases = {
        {"two entries",
         R"([{"name":"cuisine","words":["italian","pizza"]},{"name":"payment","words":[]}])",
         {{"cuisine", {"italian", "pizza"}}, {"payment", {}}}},
        {"entries that are not objects are left out",
         R"([1, "cuisine", null, [], {"name":"fee","words":["yes"]}])",
         {{"fee", {"yes"}}}},
        {"a name that is not a string, or missing",
         R"([{"name":7,"words":["a"]},{"words":["b"]},{"name":"brand","words":["c"]}])",
         {{"brand", {"c"}}}},
        {"words that are not an array, or missing",
         R"([{"name":"a","words":"x"},{"name":"b"},{"name":"c","words":{"0":"x"}}])",
         {}},
        {"words that are not strings are left out",
         R"([{"name":"diet","words":[1,"vegan",null,["x"],"halal",true]}])",
         {{"diet", {"vegan", "halal"}}}},
        {"not an array", R"({"name":"a","words":[]})", {}},
        {"not JSON", R"([{"name":)", {}},
    };
    for (const auto& c : cases) {
        sim::SimPlatform device;
        platformContext().console().startCapture();
        auto table = MicrodataTable::create(placeWith(c.microData), {0, 0, 375, 0});
        EXPECT_EQ(table->microData(), c.facts) << c.name;
        EXPECT_EQ(table->numberOfRows(), static_cast<int>(c.facts.size())) << c.name;
        EXPECT_EQ(table->contentHeight(), 50.0 * static_cast<double>(c.facts.size())) << c.name;
        EXPECT_EQ(table->frame().height(), table->contentHeight()) << c.name;
    }
}

TEST(MicrodataTableTest, RowsAreMadeOnceAndShowCaptionAndTags) {
    sim::SimPlatform device;
    Bundle::framework().setLanguage("en");
    auto table =
        MicrodataTable::create(placeWith(R"([{"name":"cuisine","words":["italian","pizza"]},)"
                                         R"({"name":"no_such_caption_key","words":[]}])"),
                               {0, 0, 375, 0});
    auto first = table->cellForRow(0);
    ASSERT_TRUE(first);
    EXPECT_EQ(table->cellForRow(0), first) << "the same cell, not configured again";
    EXPECT_EQ(table->cellForRow(2), nullptr);
    EXPECT_EQ(table->cellForRow(-1), nullptr);
    table->layoutIfNeeded();
    ASSERT_EQ(table->microCells().size(), 2u);
    auto second = table->microCells().at(1);
    EXPECT_EQ(first->tabsLabel.lock()->text(), "Cuisine:");
    EXPECT_EQ(second->tabsLabel.lock()->text(), "no_such_caption_key:");
    EXPECT_EQ(tagTexts(*first), (std::vector<std::string>{"italian", "pizza"}));
    EXPECT_TRUE(tagTexts(*second).empty());
    // Rows one under the other, 50 points each, across the table.
    EXPECT_EQ(first->frame(), (Rect{0, 0, 375, 50}));
    EXPECT_EQ(second->frame(), (Rect{0, 50, 375, 50}));
    // Tags left to right beside the caption, inside the row, white on a filled background.
    std::vector<std::shared_ptr<TagView>> tags;
    for (std::size_t i = 0; i < first->collectionView->tagCount(); ++i)
        tags.push_back(first->collectionView->tag(i));
    const auto caption = first->tabsLabel.lock();
    EXPECT_GT(first->tagsView.lock()->frame().minX(), caption->frame().maxX());
    EXPECT_GT(tags[1]->frame().minX(), tags[0]->frame().maxX());
    for (const auto& tag : tags) {
        EXPECT_GE(tag->frame().minY(), 0);
        EXPECT_LE(tag->frame().maxY(), 50);
        EXPECT_EQ(tag->textColor(), Color::white());
        EXPECT_EQ(tag->style().cornerRadius, 3);
    }
    // A caption too long for its row is cut at 60 % of it: the values keep the rest.
    auto wordy = MicrodataTable::create(
        placeWith(R"([{"name":"a_caption_key_long_enough_to_fill_a_whole_row_by_itself",)"
                  R"("words":["yes"]}])"),
        {0, 0, 375, 0});
    const auto wordyCell = wordy->cellForRow(0);
    EXPECT_LE(wordyCell->tabsLabel.lock()->frame().width(), 375 * 0.6);
    EXPECT_GE(wordyCell->tagsView.lock()->frame().width(), 375 * 0.4 - 16 - 8 - 16);
    Bundle::framework().setLanguage("fr");
    auto french =
        MicrodataTable::create(placeWith(R"([{"name":"payment","words":["x"]}])"), {0, 0, 320, 0});
    EXPECT_EQ(french->cellForRow(0)->tabsLabel.lock()->text(), "Paiement:");
    Bundle::framework().setLanguage("");
}

// The rows drawn: a tag's middle is its background, the row beyond the last tag is white.
// ARQUOREL_MICRODATA_PICTURE=FILE keeps the picture.
TEST(MicrodataTableTest, RowsAsDrawn) {
    sim::SimPlatform device;
    Bundle::framework().setLanguage("en");
    auto window = std::make_shared<Window>(Rect{0, 0, 375, 160});
    window->setBackgroundColor(Color::white());
    auto table = MicrodataTable::create(
        placeWith(R"([{"name":"cuisine","words":["italian","pizza","regional"]},)"
                  R"({"name":"payment","words":["cash","cards","contactless"]},)"
                  R"({"name":"wheelchair","words":["yes"]}])"),
        {0, 5, 375, 0});
    window->addSubview(table);
    window->layoutIfNeededRecursively();
    cairo::CairoCanvas canvas({375, 160}, 2);
    Renderer().render(*window, canvas);
    const char* out = std::getenv("ARQUOREL_MICRODATA_PICTURE");
    EXPECT_EQ(canvas.writePng(out ? out : ::testing::TempDir() + "microdata.png"), std::nullopt);
    const auto cell = table->cellForRow(0);
    ASSERT_EQ(cell->collectionView->tagCount(), 3u);
    const auto& lastTag = cell->collectionView->tag(2);
    const auto origin = cell->collectionView->superview()->frame().origin;
    const Rect last = lastTag->frame();
    const Point inTag{origin.x + last.minX() + 2, 5 + origin.y + last.midY()};
    const Color drawn = canvas.colorAt(inTag), fill = lastTag->style().backgroundColor;
    for (const auto& [a, b] :
         {std::pair{drawn.red, fill.red}, {drawn.green, fill.green}, {drawn.blue, fill.blue}})
        EXPECT_NEAR(a, b, 1.0 / 255);  // 8 bits a channel
    EXPECT_EQ(canvas.colorAt({origin.x + last.maxX() + 6, 5 + last.midY()}), Color::white());
    Bundle::framework().setLanguage("");
}

// Every text of the JSON parsing suite: no crash, and never more rows than entries.
TEST(MicrodataTableTest, SurvivesTheJsonTestSuite) {
    sim::SimPlatform device;
    auto& console = platformContext().console();
    console.startCapture();
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(std::string(ARQUOREL_DATA_DIR) +
                                                                 "/JSONTestSuite/test_parsing")) {
        std::ifstream in(entry.path(), std::ios::binary);
        const std::string text{std::istreambuf_iterator<char>(in), {}};
        const auto place = placeWith(text);
        const auto entries = place.microDataEntries();
        auto table = MicrodataTable::create(place, {0, 0, 375, 0});
        table->layoutIfNeeded();
        EXPECT_LE(table->numberOfRows(), entries ? static_cast<int>(entries->size()) : 0)
            << entry.path();
        EXPECT_EQ(static_cast<int>(table->microCells().size()), table->numberOfRows());
        console.clear();
        ++files;
    }
    EXPECT_EQ(files, 318);
}

}  // namespace
}  // namespace arquorel
