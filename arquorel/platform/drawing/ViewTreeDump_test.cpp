#include "arquorel/platform/drawing/ViewTreeDump.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "arquorel/platform/drawing/Golden.h"
#include "arquorel/platform/drawing/ViewDescription.h"
#include "arquorel/platform/ui/View.h"
#include "sim/device/SimPlatform.h"

namespace arquorel {
namespace {

namespace fs = std::filesystem;

struct Caption : View {
    using View::View;
    std::string text;
    void describe(ViewDescription& d) const override {
        View::describe(d);
        d.add("text", text);
        d.add("image", "arrow");
    }
};

std::vector<std::shared_ptr<View>> sampleScreen() {
    auto root = std::make_shared<View>(Rect{0, 0, 375, 812});
    root->setIdentifier("root");
    auto card = std::make_shared<View>(Rect{12.25, -0.04, 100, 40.06});
    card->setAlpha(0.5);
    card->setTransform(Transform::scale(1.5, 1.5));
    auto caption = std::make_shared<Caption>(Rect{4, 4, 92, 20});
    caption->text = "Caf\u00e9 \"Le Bar\"\nopen";
    caption->setIdentifier("title");
    card->addSubview(caption);
    auto close = std::make_shared<View>(Rect{330, 5, 40, 40});
    close->setHidden(true);
    close->setUserInteractionEnabled(false);
    root->addSubview(card);
    root->addSubview(close);
    auto alert = std::make_shared<Caption>(Rect{40, 300, 295, 120});
    return {root, alert};
}

TEST(ViewTreeDumpTest, MatchesTheGolden) {
    sim::SimPlatform device;
    const auto check =
        checkGolden(goldenPath(__FILE__, "view_tree_dump"), dumpViewTree(sampleScreen()));
    EXPECT_TRUE(check.passed) << check.message;
    EXPECT_EQ(viewClassName(Caption{}), "Caption");
    EXPECT_EQ(dumpViewTree(View{{1, 2, 3, 4}}), "View (1.0, 2.0, 3.0, 4.0)\n");
}

TEST(ViewTreeDumpTest, ControlCharactersInTextsAreEscaped) {
    Caption caption{{0, 0, 10, 10}};
    caption.text = std::string("Bar\0Tabac\x1b\x7f\u00e9", 13);
    const std::string dump = dumpViewTree(caption);
    EXPECT_EQ(dump.find('\0'), std::string::npos);
    EXPECT_NE(dump.find("text=\"Bar\\x00Tabac\\x1b\\x7f\u00e9\" image="), std::string::npos)
        << dump;
}

TEST(GoldenTest, MissingDifferentAndUpdated) {
    const fs::path dir = fs::path(::testing::TempDir()) / "arquorel-goldens";
    fs::remove_all(dir);
    const fs::path golden = dir / "goldens" / "g.txt";

    auto missing = checkGolden(golden, "a\n");
    EXPECT_FALSE(missing.passed);
    EXPECT_NE(missing.message.find("is missing"), std::string::npos) << missing.message;

    ::setenv("ARQUOREL_UPDATE_GOLDENS", "1", 1);
    auto updated = checkGolden(golden, "a\nb\nc\nd\ne\nf\n");
    ::unsetenv("ARQUOREL_UPDATE_GOLDENS");
    EXPECT_FALSE(updated.passed);  // an update run never counts as passing
    EXPECT_NE(updated.message.find("rewritten"), std::string::npos);
    EXPECT_TRUE(checkGolden(golden, "a\nb\nc\nd\ne\nf\n").passed);

    auto differs = checkGolden(golden, "a\nb\nc\nd\nE\nf\ng\n");
    EXPECT_FALSE(differs.passed);
    EXPECT_NE(differs.message.find("\n  c\n  d\n- e\n+ E\n  f\n+ g\n"), std::string::npos)
        << differs.message;
    EXPECT_EQ(differs.message.find("  b\n"), std::string::npos);  // beyond the context
    fs::remove_all(dir);
}

}  // namespace
}  // namespace arquorel
